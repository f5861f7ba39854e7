#include "cd/discimage.h"
#include "support/mediatools.h"
#include "filelist/testmedia.h"
#include "settings/settingsfile.h"

#include <csignal>
#include <gtest/gtest.h>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// ".<name>.<pid>-<start>.orvelle-part", which the copy a tag write makes has too.
const QRegularExpression PartName(QStringLiteral(R"(^\..+\.[0-9]+-[0-9]+\.orvelle-part$)"));

// What orvelle-convert leaves when it is killed or stopped by a signal.
class KillTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    static QFileInfoList files(const QString& folder) {
        return QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    // With parts false, the bytes of complete files only.
    static qint64 bytesIn(const QString& folder, bool parts = true) {
        qint64 bytes = 0;
        for (const QFileInfo& info : files(folder))
            if (parts || !PartName.match(info.fileName()).hasMatch())
                bytes += info.size();
        return bytes;
    }

    // Starts the program into folder and sends `signal` once the folder
    // holds `bytes`, unless it ends before; its exit status.
    int run(const QStringList& arguments, const QString& folder, qint64 bytes = 0, int signal = 0) {
        QProcess process;
        process.start(QStringLiteral(ORVELLE_CONVERT),
                      QStringList{"--settings", path("Orvelle.ini"), "-o", folder} + arguments);
        while (signal != 0 && bytesIn(folder) < bytes && !process.waitForFinished(1)) {
        }
        if (signal != 0 && process.state() != QProcess::NotRunning)
            ::kill(pid_t(process.processId()), signal);
        EXPECT_TRUE(process.waitForFinished(600000) || process.state() == QProcess::NotRunning);
        m_output = QString::fromUtf8(process.readAllStandardOutput());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // Kills a run (SIGKILL) at ten moments spread over what a whole run
    // writes; every file under a name of its own must then pass `complete`.
    // A last run to the end leaves no part file.
    void killAtTenMoments(const QStringList& arguments, const QString& folder,
                          const std::function<void(const QString&)>& complete) {
        ASSERT_EQ(run(arguments, folder + "-whole"), 0);
        const qint64 whole = bytesIn(folder + "-whole");
        for (int moment = 0; moment <= 10; ++moment) {
            SCOPED_TRACE(moment);
            // A run first removes the part file that the last one left.
            if (moment < 10)
                run(arguments, folder, bytesIn(folder, false) + 1 + whole * moment / 10, SIGKILL);
            else
                ASSERT_EQ(run(arguments, folder), 0);
            for (const QFileInfo& info : files(folder)) {
                if (!PartName.match(info.fileName()).hasMatch())
                    complete(info.filePath());
                else
                    EXPECT_LT(moment, 10) << "left behind: " << info.fileName().toStdString();
            }
        }
    }

    QTemporaryDir dir;
    QString m_output;
};

TEST_F(KillTest, AKilledConversionOrRipLeavesOnlyCompleteFilesUnderTheirNames) {
    const QString longer = TestMedia::audio(path("long.wav"), 30);
    const QString shorter = TestMedia::audio(path("short.wav"), 12);
    killAtTenMoments({"-j", "1", "-f", "mp3", longer, shorter}, path("out"),
                     [](const QString& file) {
                         EXPECT_NEAR(MediaTools::probe(file).duration,
                                     file.endsWith("long.mp3") ? 30.0 : 12.0, 0.05)
                             << file.toStdString();
                     });

    DiscImage disc;
    for (const char* title : {"One", "Two", "Three"})
        disc.tracks << DiscImage::Track{75 * 10, 0, false, QString::fromLatin1(title), {}};
    const QString image = disc.write(dir.path(), QStringLiteral("disc"));
    SettingsFile(path("Orvelle.ini")).ini().writeInteger("AccurateRip", "lookup", 0);
    SettingsFile(path("Orvelle.ini")).ini().writeInteger("CTDB", "lookup", 0);
    killAtTenMoments(
        {"--cd", image, "--no-log", "-f", "mp3"}, path("ripped"), [](const QString& file) {
            EXPECT_NEAR(MediaTools::probe(file).duration, 10.0, 0.05) << file.toStdString();
        });
}

// SIGINT, SIGTERM and SIGHUP are not the user's Stop: the running file is
// removed, no other starts, and the exit status says which signal ended the
// run, as a shell expects. A rip ends the same way.
TEST_F(KillTest, TerminatingSignalsEndTheRunLeavingNoUnfinishedFile) {
    const QString first = TestMedia::audio(path("first.wav"), 60);
    const QString second = TestMedia::audio(path("second.wav"), 1);
    for (const auto& [signal, status] : {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
        SCOPED_TRACE(signal);
        const QString out = path(QString::number(signal));
        EXPECT_EQ(run({"-j", "1", "-f", "mp3", first, second}, out, 1, signal), status);
        EXPECT_EQ(m_output, "STOPPED " + first + ": the unfinished file was removed\n");
        EXPECT_EQ(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    DiscImage disc;
    disc.tracks << DiscImage::Track{75 * 60, 0, false, QStringLiteral("Long"), {}};
    const QString image = disc.write(dir.path(), QStringLiteral("disc"));
    SettingsFile(path("Orvelle.ini")).ini().writeInteger("AccurateRip", "lookup", 0);
    EXPECT_EQ(run({"--cd", image, "--no-log", "-f", "flac"}, path("ripped"), 1, SIGTERM), 143);
    EXPECT_EQ(QDir(path("ripped")).entryList(QDir::Files | QDir::Hidden), QStringList());
}

} // namespace
