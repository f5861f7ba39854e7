#include "mirror/mirrorstate.h"
#include "support/mediatools.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace MediaTools;

namespace {

// Six albums of a tagged tone with its cover (FLAC), noise (WAV), silence
// (MP3) and an Opus file, each with cover.jpg, lyrics and notes, and two
// sources that map to one output.
constexpr int Albums = 6;
constexpr int Mirrored = Albums * 6 + 2; // the notes stay behind
constexpr int Converted = Albums * 3 + 2;

struct Counts {
    int files = -1, converted = -1, copied = 0, upToDate = -1, failed = -1, deleted = -1;
};

class MirrorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        media = new QTemporaryDir;
        const QString m = media->path();
        ASSERT_TRUE(ffmpeg(
            {"-f", "lavfi", "-i", "color=c=red:s=64x64", "-frames:v", "1", m + "/cover.jpg"}));
        ASSERT_TRUE(
            ffmpeg({"-f", "lavfi", "-i", "sine=f=440:d=1", "-i", m + "/cover.jpg", "-map", "0",
                    "-map", "1", "-c:v", "copy", "-disposition:v", "attached_pic", "-metadata",
                    "title=Tone", "-metadata", "artist=Someone", m + "/tone.flac"}));
        writeAll(m + "/noise.raw", noise(44100, 2));
        ASSERT_TRUE(ffmpeg(
            {"-f", "s16le", "-ar", "44100", "-ac", "2", "-i", m + "/noise.raw", m + "/noise.wav"}));
        ASSERT_TRUE(
            ffmpeg({"-f", "lavfi", "-i", "anullsrc=r=44100:d=1", "-t", "1", m + "/silence.mp3"}));
        makeMedia(m + "/tone.opus", "opus");
        const QString tree = m + "/tree/";
        for (int album = 1; album <= Albums; ++album) {
            const QString folder = tree + QStringLiteral("Artist/Album %1/").arg(album);
            QDir().mkpath(folder);
            QFile::copy(m + "/tone.flac", folder + "01 tone.flac");
            QFile::copy(m + "/noise.wav", folder + "02 noise.wav");
            QFile::copy(m + "/silence.mp3", folder + "03 silence.mp3");
            QFile::copy(m + "/tone.opus", folder + "04 tone.opus");
            QFile::copy(m + "/cover.jpg", folder + "cover.jpg");
            writeAll(folder + "01 tone.lrc", "[00:00.00]la\n");
            writeAll(folder + "notes.txt", "notes\n");
        }
        QDir().mkpath(tree + "Same");
        QFile::copy(m + "/tone.flac", tree + "Same/a.flac");
        QFile::copy(m + "/noise.wav", tree + "Same/a.wav");
    }
    static void TearDownTestSuite() { delete media; }

    void SetUp() override {
        ASSERT_EQ(run("cp", {"-a", media->path() + "/tree", src()}).exitCode, 0);
    }

    QString src() const { return dir.filePath("src"); }
    // Inside the source: the walk must leave it out.
    QString dst() const { return dir.filePath("src/phone"); }

    int mirror(const QStringList& extra = {}) {
        QProcess process;
        process.start(ORVELLE_CONVERT,
                      QStringList{"--settings", dir.filePath("Orvelle.ini"), "--mirror", src(),
                                  "-o", dst(), "-f", "opus", "--copy-extra", "jpg,png,lrc"} +
                          extra);
        EXPECT_TRUE(process.waitForFinished(600000));
        m_err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }

    // The numbers of the summary line.
    Counts counts() const {
        static const QRegularExpression summary(
            R"(([0-9,]+) files: (\d+) converted, (?:(\d+) copied, )?(\d+) up to date, (\d+) failed, (\d+) deleted)");
        const QRegularExpressionMatch m = summary.match(m_err);
        EXPECT_TRUE(m.hasMatch()) << m_err.toStdString();
        return {m.captured(1).remove(',').toInt(),
                m.captured(2).toInt(),
                m.captured(3).toInt(),
                m.captured(4).toInt(),
                m.captured(5).toInt(),
                m.captured(6).toInt()};
    }

    // The files under the destination by their path below it; hidden ones too.
    QStringList outputs() const {
        QStringList names;
        QDirIterator it(dst(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            names << it.next().mid(dst().size() + 1);
        names.sort();
        return names;
    }

    static inline QTemporaryDir* media = nullptr;
    QTemporaryDir dir;
    QString m_err;
};

void expectCounts(const Counts& got, const Counts& expected) {
    EXPECT_EQ(got.files, expected.files);
    EXPECT_EQ(got.converted, expected.converted);
    EXPECT_EQ(got.copied, expected.copied);
    EXPECT_EQ(got.upToDate, expected.upToDate);
    EXPECT_EQ(got.failed, expected.failed);
    EXPECT_EQ(got.deleted, expected.deleted);
}

bool isStateFile(const QString& name) {
    return name.startsWith(MirrorState::FileName);
}

} // namespace

TEST_F(MirrorTest, MirrorsTheTreeThenRedoesOnlyWhatChangedAndRemovesOnlyItsOwnFiles) {
    ASSERT_EQ(mirror({"-j", "2"}), 0) << m_err.toStdString();
    expectCounts(counts(), {Mirrored, Converted, Mirrored - Converted, 0, 0, 0});
    const QString album = dst() + "/Artist/Album 1/";
    EXPECT_EQ(probe(album + "01 tone.opus").codec, "opus");
    EXPECT_NEAR(probe(album + "02 noise.opus").duration, 1.0, 0.02);
    EXPECT_EQ(ffprobeTags(album + "01 tone.opus").value("title"), "Tone");
    EXPECT_EQ(mutagen("import mutagen.oggopus as o,sys\n"
                      "print(len(o.OggOpus(sys.argv[1]).get('metadata_block_picture', [])))",
                      album + "01 tone.opus")
                  .out.trimmed(),
              "1");
    for (const char* copied : {"04 tone.opus", "cover.jpg", "01 tone.lrc"})
        EXPECT_EQ(readAll(album + copied), readAll(src() + "/Artist/Album 1/" + copied)) << copied;
    QStringList names = outputs();
    names.erase(std::remove_if(names.begin(), names.end(), isStateFile), names.end());
    EXPECT_EQ(names.size(), Mirrored);
    EXPECT_TRUE(names.contains("Same/a.opus") && names.contains("Same/01_a.opus"));
    EXPECT_FALSE(names.contains("Artist/Album 1/notes.txt"));

    ASSERT_EQ(mirror(), 0);
    expectCounts(counts(), {Mirrored, 0, 0, Mirrored, 0, 0});

    // A source changed in place is made again, under its own name.
    const QString touched = src() + "/Artist/Album 2/02 noise.wav";
    struct timespec later[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(touched).constData(), later, 0), 0);
    ASSERT_EQ(mirror(), 0);
    expectCounts(counts(), {Mirrored, 1, 0, Mirrored - 1, 0, 0});
    EXPECT_EQ(outputs().filter("Album 2/").size(), 6);

    writeAll(dir.filePath("Orvelle.ini"), "[opus]\nbitrate=64\n");
    ASSERT_EQ(mirror(), 0);
    expectCounts(counts(), {Mirrored, Converted, 0, Mirrored - Converted, 0, 0});

    // Only what the mirror made goes with its source; the user's files stay.
    QFile::remove(touched);
    writeAll(dst() + "/Artist/Album 2/mine.opus", "mine");
    writeAll(dst() + "/Artist/Album 2/05 gone.opus", "mine too");
    ASSERT_EQ(mirror({"--delete"}), 0);
    expectCounts(counts(), {Mirrored - 1, 0, 0, Mirrored - 1, 0, 1});
    EXPECT_FALSE(QFile::exists(dst() + "/Artist/Album 2/02 noise.opus"));
    EXPECT_EQ(readAll(dst() + "/Artist/Album 2/mine.opus"), "mine");
    EXPECT_TRUE(QFile::exists(dst() + "/Artist/Album 2/05 gone.opus"));

    QProcess same;
    same.start(ORVELLE_CONVERT, {"--settings", dir.filePath("Orvelle.ini"), "--mirror", src(), "-o",
                                 src() + "/", "-f", "opus"});
    ASSERT_TRUE(same.waitForFinished(60000));
    EXPECT_EQ(same.exitCode(), 1);
    EXPECT_TRUE(same.readAllStandardError().contains("both the source and the output"));
}

TEST_F(MirrorTest, ADamagedStateIsSetAsideAndTheFilesOnDiskCountAsMade) {
    ASSERT_EQ(mirror(), 0);
    const QString state = dst() + "/" + MirrorState::FileName;
    QFile::remove(state + "-wal");
    writeAll(state, QByteArray(8192, '\x5a'));
    ASSERT_EQ(mirror(), 0) << m_err.toStdString();
    EXPECT_TRUE(m_err.contains("set aside")) << m_err.toStdString();
    expectCounts(counts(), {Mirrored, 0, 0, Mirrored, 0, 0});
    ASSERT_EQ(mirror(), 0);
    expectCounts(counts(), {Mirrored, 0, 0, Mirrored, 0, 0});
}

TEST_F(MirrorTest, AKilledRunKeepsWhatItFinishedAndTheNextMakesOnlyTheRest) {
    QProcess process;
    process.start(ORVELLE_CONVERT, {"--settings", dir.filePath("Orvelle.ini"), "--mirror", src(),
                                    "-o", dst(), "-f", "opus", "-j", "1"});
    // Killed as soon as the first converted file has its name.
    const auto finishedOne = [this] {
        for (const QString& name : outputs())
            if (name.endsWith(".opus") && !name.contains("/."))
                return true;
        return false;
    };
    while (!finishedOne() && !process.waitForFinished(1)) {
    }
    ::kill(pid_t(process.processId()), SIGKILL);
    process.waitForFinished(60000);

    int complete = 0;
    for (const QString& name : outputs()) {
        if (isStateFile(name) || name.contains("/."))
            continue;
        ++complete;
        if (name.endsWith(".opus")) {
            EXPECT_NEAR(probe(dst() + "/" + name).duration, 1.0, 0.05) << name.toStdString();
        }
    }
    const int mirrored = Mirrored - Albums; // the lyrics stay behind by default
    ASSERT_EQ(mirror({"--copy-extra", "jpg"}), 0) << m_err.toStdString();
    const Counts after = counts();
    EXPECT_EQ(after.files, mirrored);
    EXPECT_EQ(after.converted + after.copied, mirrored - complete);
    QStringList names = outputs();
    names.erase(std::remove_if(names.begin(), names.end(), isStateFile), names.end());
    EXPECT_EQ(names.size(), mirrored) << names.join(", ").toStdString();
}
