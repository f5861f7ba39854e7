// The CD side of the main window on the real disc reader, drive layer and FreeDB
// client: disc images in section "Drives", a CDDB server on 127.0.0.1.
#include "app/mainwindow.h"
#include "app/radiogroup.h"
#include "cd/databaselookup.h"
#include "cd/freedbcache.h"
#include "cd/storeddiscinformation.h"
#include "cddbtestserver.h"
#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdioripper.h"
#include "dialogs/folderdialog.h"
#include "discimage.h"
#include "settings/freedbkeys.h"
#include "support/fakecomponents.h"
#include "support/fakeprompt.h"
#include "support/httptestserver.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Connecting = QStringLiteral("Connecting to  server...");
const QString Querying = QStringLiteral("Quering for album entry...");
const QString Loaded = QStringLiteral("FreeDB information loaded");
const QString Refresh = QStringLiteral("Refresh CD information...");
const QString Failed = QStringLiteral("Connection failed!");
const QString NoEntry = QStringLiteral("No FreeDB information available for this CD!");

// The settings' own reader, but at home: the server list names no local host.
struct LocalFreeDb : StoredDiscInformation {
    using StoredDiscInformation::StoredDiscInformation;
    QString server() const override { return QStringLiteral("127.0.0.1"); }
    // MusicBrainz only where a test sets up a server of its own.
    Databases lookupDatabases() const override {
        return musicBrainzServer().startsWith(QLatin1String("http://127.0.0.1"))
                   ? StoredDiscInformation::lookupDatabases()
                   : Databases::FreeDb;
    }
};

DiscImage plainDisc() {
    DiscImage disc;
    disc.tracks = {{350, 0, false, {}, {}}, {4590, 0, false, {}, {}}, {80, 0, false, {}, {}}};
    return disc;
}

class CdWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QFile::remove(settingsPath());
        QFile::remove(QFileInfo(settingsPath()).absolutePath() + QLatin1Char('/') +
                      QLatin1String(FreeDbCache::FileName));
        m_realDrives = CdDriveList::scan(SettingsFile(settingsPath())).size();
        SettingsFile settings(settingsPath());
        settings.write(FreedbKeys::port, QString::number(m_server.port()));
        settings.write(FreedbKeys::Timeout, QStringLiteral("3000"));
        m_server.reply = [](const QString& cmd) -> QByteArray {
            const QString id = cmd.split(QLatin1Char(' ')).value(2);
            if (cmd.startsWith(QLatin1String("cddb query")))
                return "200 rock " + id.toLatin1() + " The Artist / The Album\r\n";
            return "210 rock " + id.toLatin1() +
                   "\r\nDTITLE=The Artist / The Album\r\nTTITLE0=Opening\r\nTTITLE1=Middle\r\n"
                   "TTITLE2=Closing\r\n.\r\n";
        };
    }

    void TearDown() override {
        if (m_window)
            m_window->close();
    }

    // A settings file of the test's own: every component is handed its path.
    QString settingsPath() const { return m_dir.filePath(QStringLiteral("Orvelle.ini")); }

    QString addImage(const DiscImage& image, const QString& name) {
        const QString path = image.write(m_dir.path(), name);
        SettingsFile(settingsPath())
            .ini()
            .writeString(QStringLiteral("Drives"), QStringLiteral("image%1").arg(++m_images), path);
        return path;
    }

    MainController& start() {
        AudioComponentSet set;
        auto reader = std::make_unique<CdioDiscReader>(settingsPath());
        reader->setMediaPollInterval(40);
        m_reader = reader.get();
        set.trackRipper = std::make_unique<CdioRipper>(*reader);
        set.discReader = std::move(reader);
        set.discLookup = std::make_unique<DatabaseLookup>();
        set.discInformation = std::make_unique<LocalFreeDb>(settingsPath());
        set.audioPlayer = std::make_unique<NullPlayer>();
        set.rmWriter = std::make_unique<NullVideoFile>();
        set.skin = std::make_unique<FakeSkin>(m_log, QStringList{QStringLiteral("pb")});
        set.driveLayer = std::make_unique<CdioDriveLayer>(settingsPath());
        m_window = std::make_unique<MainWindow>(std::move(set), m_prompt, m_shell, settingsPath(),
                                                m_dir.path());
        m_window->show();
        QCoreApplication::processEvents();
        return m_window->controller();
    }

    // Waits until the status lines end with what a finished lookup says last.
    // Only lines after the first `after` count.
    QStringList settledLines(int after = 0, int ms = 5000) {
        const auto done = [&] {
            const QStringList lines = statusLines();
            return lines.size() > after && lines.last() != Connecting && lines.last() != Querying &&
                   lines.last() != Loaded;
        };
        EXPECT_TRUE(QTest::qWaitFor(done, ms));
        QCoreApplication::sendPostedEvents();
        return statusLines();
    }

    QStringList statusLines() { return m_window->controller().drives().statusLines(); }
    RowModel& rows() { return m_window->controller().rows(); }
    void retry() {
        m_window->findChild<QDialog*>(QStringLiteral("FreeDbWindow"))
            ->findChild<QPushButton*>(QStringLiteral("edt_retry"))
            ->click();
    }

    QStringList captions() const {
        QStringList texts;
        for (int i = 0; i < m_window->controller().rows().count(); ++i)
            texts << m_window->controller().rows().row(i).caption;
        return texts;
    }

    QTemporaryDir m_dir;
    CddbTestServer m_server;
    int m_realDrives = 0;
    int m_images = 0;
    CallLog m_log;
    FakePrompt m_prompt;
    FakeShell m_shell;
    CdioDiscReader* m_reader = nullptr;
    std::unique_ptr<MainWindow> m_window;
};

TEST_F(CdWindow, StartUpListsTheImageAndRenamesTheTracksFromFreeDb) {
    const QString cue = addImage(plainDisc(), QStringLiteral("plain"));
    MainController& c = start();
    ASSERT_EQ(c.drives().driveNames().size(), m_realDrives + 1);
    EXPECT_EQ(c.drives().driveNames().at(m_realDrives),
              QStringLiteral("[%1]  Disc image  CUE  2.1.0").arg(cue));

    if (m_realDrives > 0)
        GTEST_SKIP() << "the start-up reads this machine's own drive";
    // Before the lookup answers: the disc's own (missing) texts.
    {
        EXPECT_EQ(captions(), (QStringList{"Track01", "Track02", "Track03"}));
        ASSERT_EQ(rows().count(), 3);
        EXPECT_EQ(rows().tag(1).artist, QStringLiteral("Unknown Artist"));
        EXPECT_EQ(rows().tag(1).album, QStringLiteral("Unknown Album"));
        EXPECT_EQ(rows().row(0).time, QStringLiteral("00:04:50"));
        EXPECT_EQ(rows().row(1).time, QStringLiteral("01:01:15"));
        EXPECT_EQ(rows().row(2).time, QStringLiteral("00:01:5"));

        EXPECT_EQ(settledLines(), (QStringList{Connecting, Querying, Loaded, Refresh}));
        EXPECT_EQ(captions(), (QStringList{"Opening", "Middle", "Closing"}));
        EXPECT_EQ(rows().tag(2).artist, QStringLiteral("The Artist"));
        EXPECT_EQ(c.shownTag().album, QStringLiteral("The Album"));
        EXPECT_EQ(m_server.commands.first(),
                  QStringLiteral("cddb query ") + CdToc({0, 350, 4940}, 5020).queryArguments());
    }
    EXPECT_TRUE(m_prompt.informations.isEmpty());
}

TEST_F(CdWindow, StatusLinesForAnUnknownDiscADownServerAndASilentOne) {
    addImage(plainDisc(), QStringLiteral("plain"));
    m_server.reply = [](const QString&) { return QByteArray("202 No match\r\n"); };
    MainController& c = start();
    const int atStart = settledLines().size();
    c.chooseDrive(m_realDrives);
    EXPECT_EQ(settledLines(atStart).mid(atStart), (QStringList{Connecting, NoEntry}));
    EXPECT_EQ(captions(), (QStringList{"Track01", "Track02", "Track03"}));

    SettingsFile settings(settingsPath());
    settings.write(FreedbKeys::port, QString::number(CddbTestServer::closedPort()));
    const int shown = statusLines().size();
    retry();
    QStringList lines = settledLines(shown);
    EXPECT_EQ(lines.mid(lines.size() - 2), (QStringList{Connecting, Failed}));

    // Retry appends under the old lines; the time-out comes from the settings.
    const int before = lines.size();
    settings.write(FreedbKeys::port, QString::number(m_server.port()));
    settings.write(FreedbKeys::Timeout, QStringLiteral("1500"));
    m_server.behaviour = CddbTestServer::Behaviour::Silent;
    const int commandsBefore = m_server.commands.size();
    retry();
    // Connecting, and waiting for the server, which has the question but says nothing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server.commands.size() > commandsBefore; }, 5000));
    EXPECT_EQ(statusLines().mid(before), QStringList{Connecting});
    lines = settledLines(before + 1, 20000);
    EXPECT_EQ(lines.mid(before), (QStringList{Connecting, Failed}));
}

TEST_F(CdWindow, DiscChangeRebuildsTheTable) {
    const QString cue = addImage(plainDisc(), QStringLiteral("changing"));
    m_server.reply = [](const QString&) { return QByteArray("202 No match\r\n"); };
    MainController& c = start();
    c.chooseDrive(m_realDrives);
    settledLines();
    DiscImage other;
    other.tracks = {{5020, 0, false, QStringLiteral("New Disc Song"), {}}}; // as long
    ASSERT_FALSE(other.swapInto(m_dir.path(), QStringLiteral("changing")).isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return captions() == QStringList{"New Disc Song"}; }, 20000));
    EXPECT_EQ(c.state().currentRow, 0);
    EXPECT_EQ(c.shownTag().title, QStringLiteral("New Disc Song"));
}

TEST_F(CdWindow, OnlyDataDiscsAreNoAudioCd) {
    DiscImage data;
    data.tracks = {{60, 0, true, {}, {}}};
    addImage(data, QStringLiteral("data"));
    if (m_realDrives > 0)
        GTEST_SKIP() << "a real drive of this machine takes part in the audio-disc test";
    start();
    EXPECT_EQ(m_prompt.informations, (QStringList{"The disc is not Audio CD, Please take out disc!",
                                                  QLatin1String(MainController::NotAudioCd),
                                                  QLatin1String(MainController::NotAudioCd)}));
    EXPECT_TRUE(captions().isEmpty());
}

} // namespace

// With MusicBrainz first, several releases of the disc are offered without
// blocking the window, and the one picked names the rows, with each track's
// own artist.
TEST_F(CdWindow, SeveralMusicBrainzReleasesAreOfferedAndThePickedOneNamesTheRows) {
    addImage(plainDisc(), QStringLiteral("plain"));
    if (m_realDrives > 0)
        GTEST_SKIP() << "the start-up reads this machine's own drive";
    HttpTestServer musicBrainz;
    SettingsFile(settingsPath()).ini().writeString("MusicBrainz", "server", musicBrainz.address());
    const auto release = [](const QString& title, const QString& guest) {
        return QStringLiteral("{\"id\":\"%1\",\"title\":\"%1\",\"date\":\"2004-05-01\","
                              "\"country\":\"DE\",\"artist-credit\":[{\"name\":\"Band\"}],"
                              "\"media\":[{\"tracks\":[{\"title\":\"Eins\"},{\"title\":\"Zwei\","
                              "\"artist-credit\":[{\"name\":\"%2\"}]},{\"title\":\"Drei\"}]}]}")
            .arg(title, guest);
    };
    musicBrainz.reply = HttpTestServer::http(
        200, QStringLiteral("{\"releases\":[%1,%2]}")
                 .arg(release("First Press", "Guest"), release("Remaster", "Other Guest"))
                 .toUtf8());
    start();
    QListWidget* list = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            auto* choice = m_window->findChild<QDialog*>(QStringLiteral("ReleaseChoice"));
            list = choice && choice->isVisible() ? choice->findChild<QListWidget*>("lv_releases")
                                                 : nullptr;
            return list != nullptr;
        },
        10000));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(),
              QStringLiteral("First Press \u2013 Band (2004, DE, 3 tracks)"));
    EXPECT_TRUE(m_window->isEnabled());
    list->setCurrentRow(1);
    m_window->findChild<QPushButton*>(QStringLiteral("btn_release_ok"))->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return captions().value(0) == "Eins"; }, 5000));
    EXPECT_EQ(captions(), (QStringList{"Eins", "Zwei", "Drei"}));
    EXPECT_EQ(rows().tag(1).artist, QStringLiteral("Other Guest"));
    EXPECT_EQ(rows().tag(0).album, QStringLiteral("Remaster"));
    EXPECT_TRUE(m_server.commands.isEmpty())
        << "FreeDB is not asked once MusicBrainz knows the disc";
}

// A disc image Orvelle refuses says why in the window, once, rather than
// showing as an empty drive without a word.
TEST_F(CdWindow, ARefusedImageSaysWhy) {
    const QString cue = m_dir.filePath(QStringLiteral("many.cue"));
    QFile sheet(cue);
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.write("FILE \"many.bin\" BINARY\n");
    for (int i = 0; i < 119; ++i)
        sheet.write("  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    sheet.close();
    QFile bin(m_dir.filePath(QStringLiteral("many.bin")));
    ASSERT_TRUE(bin.open(QIODevice::WriteOnly));
    bin.write(QByteArray(2352 * 10, '\0'));
    bin.close();
    SettingsFile(settingsPath())
        .ini()
        .writeString(QStringLiteral("Drives"), QStringLiteral("image1"), cue);
    if (m_realDrives > 0)
        GTEST_SKIP() << "the start-up reads this machine's own drive";
    MainController& c = start();
    EXPECT_EQ(c.rows().count(), 0);
    ASSERT_EQ(m_prompt.informations.size(), 1);
    EXPECT_TRUE(m_prompt.informations[0].contains(QStringLiteral("is refused")))
        << m_prompt.informations[0].toStdString();
    c.commands().menuClick(CommandSurface::MenuItem::Refresh);
    EXPECT_EQ(m_prompt.informations.size(), 1) << "said once";
}
