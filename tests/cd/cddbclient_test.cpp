#include "cd/cddbclient.h"
#include "cd/databaselookup.h"
#include "cd/drivesession.h"
#include "cd/freedbcache.h"
#include "cd/storeddiscinformation.h"
#include "cddbtestserver.h"
#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiodiscreader.h"
#include "discimage.h"
#include "settings/freedbkeys.h"
#include "support/nullcomponents.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const CdToc Toc({0, 18000, 40500}, 60000);

const QByteArray FoundQuery = "200 rock 15032003 The Artist / The Album\r\n";
const QByteArray Record = "210 rock 15032003 CD database entry follows (until terminating `.')\r\n"
                          "# xmcd\r\nDISCID=15032003\r\nDTITLE=The Artist / The Album\r\n"
                          "DYEAR=2004\r\nTTITLE0=Opening\r\nTTITLE1=Middle\r\nTTITLE2=Closing\r\n"
                          ".\r\n";

// Settings for tests: everything given, nothing read from a file.
struct TestInformation : DiscInformation {
    QString host = QStringLiteral("127.0.0.1");
    int portNumber = 0;
    int timeout = 3000;
    QString proxyAddress;
    Source source = Source::ServerOnly;
    QString cache;

    QString server() const override { return host; }
    int port() const override { return portNumber; }
    int timeoutMs() const override { return timeout; }
    QString proxy() const override { return proxyAddress; }
    Source lookupSource() const override { return source; }
    QString cachePath() const override { return cache; }
};

// The real settings reader for everything but the host, which the server
// list cannot name.
struct LocalInformation : StoredDiscInformation {
    using StoredDiscInformation::StoredDiscInformation;
    QString server() const override { return QStringLiteral("127.0.0.1"); }
};

class CddbClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_info.portNumber = m_server.port();
        m_info.cache = m_dir.filePath(QLatin1String(FreeDbCache::FileName));
        m_server.reply = [](const QString& cmd) {
            return cmd.startsWith(QLatin1String("cddb query")) ? FoundQuery : Record;
        };
        // The status window's numbers: 1 connecting, 2 querying, 3 loaded,
        // -1 connection failed, -2 no entry.
        QObject::connect(&m_client, &CddbClient::statusChanged, [this](LookupStatus status) {
            m_statuses << QList<int>{1, 2, 3, -1, -2}.at(int(status));
        });
        QObject::connect(&m_client, &CddbClient::recordFound,
                         [this](const CdToc&, const DiscRecord& record) { m_found << record; });
    }

    // Runs a lookup until it has said its last word.
    QList<int> lookup(const DiscInformation& information, int waitMs = 5000) {
        m_statuses.clear();
        m_client.lookup(Toc, information);
        EXPECT_TRUE(m_statuses.isEmpty()); // nothing before the caller has control again
        const bool ended = QTest::qWaitFor(
            [&] {
                return !m_statuses.isEmpty() && m_statuses.last() != 1 && m_statuses.last() != 2;
            },
            waitMs);
        EXPECT_TRUE(ended);
        QCoreApplication::sendPostedEvents();
        return m_statuses;
    }

    QTemporaryDir m_dir;
    CddbTestServer m_server;
    TestInformation m_info;
    CddbClient m_client;
    QList<int> m_statuses;
    QList<DiscRecord> m_found;
};

TEST_F(CddbClientTest, FoundDiscIsQueriedThenReadAndLoaded) {
    EXPECT_EQ(lookup(m_info), (QList<int>{1, 2, 3}));
    EXPECT_EQ(m_server.commands,
              (QStringList{QStringLiteral("cddb query 15032003 3 150 18150 40650 802"),
                           QStringLiteral("cddb read rock 15032003")}));
    const QStringList hello = m_server.hellos.first().split(QLatin1Char(' '));
    ASSERT_EQ(hello.size(), 4);
    EXPECT_EQ(hello[2], QStringLiteral("Orvelle"));
    EXPECT_EQ(hello[3], QStringLiteral("2.00"));
    EXPECT_EQ(m_server.protos.first(), QStringLiteral("6"));
    ASSERT_EQ(m_found.size(), 1);
    EXPECT_EQ(m_found[0].album, QStringLiteral("The Album"));
    EXPECT_EQ(m_found[0].title(2), QStringLiteral("Closing"));
}

TEST_F(CddbClientTest, UnknownDiscHasNoEntry) {
    m_server.reply = [](const QString&) {
        return QByteArray("202 No match for disc ID 15032003.\r\n");
    };
    EXPECT_EQ(lookup(m_info), (QList<int>{1, -2}));
    m_server.reply = [](const QString& cmd) {
        return cmd.startsWith(QLatin1String("cddb query"))
                   ? FoundQuery
                   : QByteArray("401 rock 15032003 No such CD entry in database.\r\n");
    };
    EXPECT_EQ(lookup(m_info), (QList<int>{1, 2, -2}));
    EXPECT_TRUE(m_found.isEmpty());
}

TEST_F(CddbClientTest, ServerThatIsDownFailsTheConnection) {
    m_info.portNumber = CddbTestServer::closedPort();
    EXPECT_EQ(lookup(m_info), (QList<int>{1, -1}));
}

TEST_F(CddbClientTest, ServerThatNeverAnswersFailsAfterTheTimeout) {
    m_server.behaviour = CddbTestServer::Behaviour::Silent;
    m_info.timeout = 300;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(lookup(m_info), (QList<int>{1, -1}));
    EXPECT_GE(clock.elapsed(), 280); // not before the time-out
}

TEST_F(CddbClientTest, BrokenRepliesFail) {
    m_server.behaviour = CddbTestServer::Behaviour::Hangup;
    EXPECT_EQ(lookup(m_info), (QList<int>{1, -1}));
    m_server.behaviour = CddbTestServer::Behaviour::HttpError;
    EXPECT_EQ(lookup(m_info), (QList<int>{1, -1}));
    m_server.behaviour = CddbTestServer::Behaviour::Truncate;
    EXPECT_EQ(lookup(m_info), (QList<int>{1, -1}));

    m_server.behaviour = CddbTestServer::Behaviour::Answer;
    m_server.reply = [](const QString& cmd) {
        return cmd.startsWith(QLatin1String("cddb query")) ? FoundQuery
                                                           : Record.left(Record.size() - 3);
    };
    EXPECT_EQ(lookup(m_info), (QList<int>{1, 2, -1}));
    m_server.reply = [](const QString&) { return QByteArray(2 << 20, 'x'); };
    EXPECT_EQ(lookup(m_info), (QList<int>{1, -1}));
    m_server.reply = [](const QString&) { return QByteArray("<html>It works!</html>"); };
    EXPECT_EQ(lookup(m_info), (QList<int>{1, -1}));
    EXPECT_TRUE(m_found.isEmpty());
}

TEST_F(CddbClientTest, EachSourceUsesTheCacheAsItSays) {
    using Source = DiscInformation::Source;
    m_info.source = Source::CacheOnly;
    EXPECT_EQ(lookup(m_info), (QList<int>{-2}));
    m_info.source = Source::AnyAvailable;
    EXPECT_EQ(lookup(m_info), (QList<int>{1, 2, 3})); // nothing cached: the server
    EXPECT_EQ(m_server.commands.size(), 2);

    // That lookup filled the cache, which now answers without the server.
    m_server.commands.clear();
    EXPECT_EQ(lookup(m_info), (QList<int>{2, 3}));
    m_info.source = Source::CacheOnly;
    EXPECT_EQ(lookup(m_info), (QList<int>{2, 3}));
    EXPECT_TRUE(m_server.commands.isEmpty());
    EXPECT_EQ(m_found.last().title(1), QStringLiteral("Middle"));

    m_info.source = Source::ServerOnly;
    EXPECT_EQ(lookup(m_info), (QList<int>{1, 2, 3}));
    EXPECT_EQ(m_server.commands.size(), 2);
}

TEST_F(CddbClientTest, PortTimeoutAndProxyComeFromTheSettings) {
    const QString ini = m_dir.filePath(QStringLiteral("Orvelle.ini"));
    SettingsFile settings(ini);
    settings.write(FreedbKeys::port, QString::number(m_server.port()));
    LocalInformation information(ini);
    EXPECT_EQ(lookup(information), (QList<int>{1, 2, 3}));

    m_server.behaviour = CddbTestServer::Behaviour::Silent;
    settings.write(FreedbKeys::Timeout, QStringLiteral("250"));
    EXPECT_EQ(information.timeoutMs(), 250); // the client waits that long, as tested above
    EXPECT_EQ(lookup(information), (QList<int>{1, -1}));

    // Through a proxy the host need not resolve here; the proxy asks for us.
    m_server.behaviour = CddbTestServer::Behaviour::Answer;
    m_info.host = QStringLiteral("cddb.example.invalid");
    m_info.proxyAddress = QStringLiteral("127.0.0.1:%1").arg(m_server.port());
    EXPECT_EQ(lookup(m_info), (QList<int>{1, 2, 3}));
    m_info.proxyAddress = QStringLiteral("http://");
    EXPECT_EQ(lookup(m_info), (QList<int>{1, -1}));
}

TEST_F(CddbClientTest, NewLookupSilencesTheOneRunning) {
    m_server.behaviour = CddbTestServer::Behaviour::Silent;
    m_client.lookup(Toc, m_info);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_server.commands.isEmpty(); }, 3000));
    m_server.behaviour = CddbTestServer::Behaviour::Answer;
    // Nothing of the first lookup comes between or after the second's words.
    EXPECT_EQ(lookup(m_info), (QList<int>{1, 2, 3}));
}

TEST_F(CddbClientTest, TheSessionTakesTheFoundTextsForItsDisc) {
    QFile::remove(SettingsFile::defaultPath());
    DiscImage disc;
    disc.album = QStringLiteral("CD-TEXT Album");
    disc.tracks = {{100, 0, false, QStringLiteral("Text One"), {}}, {100, 0, false, {}, {}}};
    const QString cue = disc.write(m_dir.path(), QStringLiteral("lookup"));
    SettingsFile(SettingsFile::defaultPath())
        .ini()
        .writeString(QStringLiteral("Drives"), QStringLiteral("image1"), cue);
    const int drive = CdDriveList::scan(SettingsFile(SettingsFile::defaultPath())).size();

    CdioDiscReader reader(SettingsFile::defaultPath());
    NullTrackRipper ripper;
    DatabaseLookup lookup;
    NullDriveLayer drives;
    DriveSession session(reader, ripper, lookup, drives, m_info);
    QSignalSpy loaded(&session, &DriveSession::lookupLoaded);
    session.initialize();
    session.chooseDrive(drive - 1);
    session.readTrackRows();
    const CdToc toc({0, 100}, 200);
    m_server.reply = [&](const QString& cmd) -> QByteArray {
        if (cmd.startsWith(QLatin1String("cddb query")))
            return "200 misc " + toc.discId().toLatin1() + " x\r\n";
        return "210 misc\r\nDTITLE=Found Artist / Found Album\r\nTTITLE1=Found Two\r\n.\r\n";
    };
    session.startLookup();
    ASSERT_TRUE(loaded.wait(5000));
    EXPECT_EQ(m_server.commands.first(), QStringLiteral("cddb query ") + toc.queryArguments());

    // The rebuild after "loaded" reads the same disc again.
    QVector<DiscTrackRow> rows = session.readTrackRows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].tag, (RowTag{"Text One", "Found Artist", "Found Album"}))
        << "FreeDB had no title";
    EXPECT_EQ(rows[1].tag.title, QStringLiteral("Found Two"));

    // Another disc in the drive has nothing to do with that record.
    DiscImage other = disc;
    other.tracks[1].frames = 120;
    other.write(m_dir.path(), QStringLiteral("lookup"));
    rows = session.readTrackRows();
    EXPECT_EQ(rows[1].tag, (RowTag{"Track02", "Unknown Artist", "CD-TEXT Album"}));
}

} // namespace
