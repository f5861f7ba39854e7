#include "cd/cddbtestserver.h"
#include "cd/databaselookup.h"
#include "cd/musicbrainz.h"
#include "cd/musicbrainzclient.h"
#include "support/httptestserver.h"

#include <gtest/gtest.h>
#include <optional>
#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The disc ID as MusicBrainz defines it, written out again: SHA-1 over the
// upper-case hex of first and last track, lead-out and 99 offsets, in Base64
// with ".", "_" and "-" for "+", "/" and "=".
QString referenceId(int first, int last, int leadout, const QVector<int>& offsets) {
    QByteArray text = QByteArray::number(first, 16).rightJustified(2, '0').toUpper() +
                      QByteArray::number(last, 16).rightJustified(2, '0').toUpper() +
                      QByteArray::number(leadout, 16).rightJustified(8, '0').toUpper();
    for (int i = 0; i < 99; ++i)
        text += QByteArray::number(i < offsets.size() ? offsets[i] : 0, 16)
                    .rightJustified(8, '0')
                    .toUpper();
    QByteArray id = QCryptographicHash::hash(text, QCryptographicHash::Sha1).toBase64();
    return QString::fromLatin1(id.replace('+', '.').replace('/', '_').replace('=', '-'));
}

DiscLayout layout(const QVector<int>& starts, int leadout, int dataTrack = -1) {
    DiscLayout disc;
    for (int i = 0; i < starts.size(); ++i)
        disc.tracks << LayoutTrack{starts[i], i != dataTrack};
    disc.leadout = leadout;
    return disc;
}

QJsonObject release(const QString& id, const QString& title, int tracks, const QString& discId,
                    const QString& date) {
    QJsonArray list;
    for (int i = 0; i < tracks; ++i) {
        QJsonObject track{{"title", QStringLiteral("Song %1").arg(i + 1)}};
        if (i == 1) // a guest on the second track
            track.insert("artist-credit",
                         QJsonArray{QJsonObject{{"name", "Guest"}, {"joinphrase", " & "}},
                                    QJsonObject{{"name", "Band"}}});
        list << track;
    }
    return QJsonObject{
        {"id", id},
        {"title", title},
        {"date", date},
        {"country", "GB"},
        {"barcode", id == "r1" ? "724384960650" : "none"},
        {"artist-credit", QJsonArray{QJsonObject{{"name", "Band"}}}},
        {"label-info", QJsonArray{QJsonObject{{"label", QJsonObject{{"name", "Label\x01 One"}}}}}},
        {"release-group", QJsonObject{{"first-release-date", "1987-03-09"}}},
        {"media", QJsonArray{QJsonObject{{"tracks", QJsonArray{QJsonObject{{"title", "Bonus"}}}}},
                             QJsonObject{{"discs", QJsonArray{QJsonObject{{"id", discId}}}},
                                         {"tracks", list}}}}};
}

QByteArray releases(const QJsonArray& list) {
    return QJsonDocument(QJsonObject{{"releases", list}}).toJson(QJsonDocument::Compact);
}

} // namespace

TEST(MusicBrainz, DiscIdsAreTheSha1OfTheAudioSession) {
    // A plain disc, one of 99 tracks, an enhanced CD and a mixed-mode CD.
    QVector<int> many;
    for (int i = 0; i < 99; ++i)
        many << i * 2000;
    const struct {
        DiscLayout disc;
        int last;
        int leadout;
    } cases[] = {
        {layout({0, 15000, 30500}, 46000), 3, 46000},
        {layout(many, 99 * 2000 + 500), 99, 99 * 2000 + 500},
        {layout({0, 20000, 60000}, 90000, 2), 2, 60000 - 11400},
        {layout({0, 30000, 50000}, 70000, 0), 3, 70000},
    };
    for (const auto& c : cases) {
        QVector<int> offsets;
        for (int i = 0; i < c.last; ++i)
            offsets << c.disc.tracks[i].start + 150;
        const MbDiscId id = MbDiscId::fromLayout(c.disc);
        EXPECT_EQ(id.id, referenceId(1, c.last, c.leadout + 150, offsets));
        EXPECT_TRUE(
            id.toc.startsWith(QStringLiteral("1 %1 %2 150").arg(c.last).arg(c.leadout + 150)))
            << id.toc.toStdString();
    }
    EXPECT_FALSE(MbDiscId::fromLayout(layout({0}, 100, 0)).isValid()) << "no audio track";
    EXPECT_FALSE(MbDiscId::fromLayout({}).isValid());
}

TEST(MusicBrainz, RepliesGiveTheReleasesOfTheDiscsLayout) {
    // A double album whose first disc has as many tracks as this one.
    QJsonObject twoDiscs = release("r4", "Double", 3, "disc-1", "1990");
    QJsonArray media = twoDiscs["media"].toArray();
    const QJsonObject other{{"title", "Other"}};
    media[0] = QJsonObject{{"discs", QJsonArray{QJsonObject{{"id", "disc-0"}}}},
                           {"tracks", QJsonArray{other, other, other}}};
    twoDiscs["media"] = media;
    const QByteArray reply =
        releases({release("r1", "First Press", 3, "disc-1", "1987-04-01"),
                  release("r2", "Reissue", 3, "other", ""),
                  release("r3", "Box of Four", 4, "disc-1", "2001"), twoDiscs});
    QString error;
    const QVector<MbRelease> found = parseMbReleases(reply, "disc-1", 3, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(found.size(), 3); // the box set's medium has another number of tracks
    EXPECT_EQ(found[2].trackTitles[0], "Song 1") << "the medium that holds the disc";
    EXPECT_EQ(found[0].title, "First Press");
    EXPECT_EQ(found[0].artist, "Band");
    EXPECT_EQ(found[0].year, "1987");
    EXPECT_EQ(found[1].year, "1987") << "from the release group when the release has no date";
    EXPECT_EQ(found[0].country, "GB");
    EXPECT_EQ(found[0].barcode, "724384960650");
    EXPECT_EQ(found[1].barcode, "") << "\"none\" is no barcode";
    EXPECT_EQ(found[0].label, "Label One") << "texts are cleaned";
    EXPECT_EQ(found[0].trackCount, 3);
    EXPECT_EQ(found[0].trackTitles, (QVector<QString>{"Song 1", "Song 2", "Song 3"}));
    EXPECT_EQ(found[0].trackArtists, (QVector<QString>{"Band", "Guest & Band", "Band"}));

    for (const QByteArray& bad : {QByteArray("{\"releases\": [tru"), QByteArray("[1,2]"),
                                  QByteArray(), QByteArray(9 << 20, ' ')}) {
        error.clear();
        EXPECT_TRUE(parseMbReleases(bad, "disc-1", 3, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(retryAfterSeconds(" 3 "), 3);
    EXPECT_EQ(retryAfterSeconds("Wed, 21 Oct 2015 07:28:00 GMT"), std::nullopt);
}

TEST(MusicBrainz, RequestsKeepASecondApartAndWaitWhenAsked) {
    // last request, now, not before -> wait
    EXPECT_EQ(MusicBrainzClient::delayBeforeRequest(-1, 5000, 0), 0);
    EXPECT_EQ(MusicBrainzClient::delayBeforeRequest(5000, 5300, 0), 700);
    EXPECT_EQ(MusicBrainzClient::delayBeforeRequest(5000, 7000, 0), 0);
    EXPECT_EQ(MusicBrainzClient::delayBeforeRequest(5000, 5300, 9000), 3700);
}

namespace {

struct Answer {
    QVector<MbRelease> releases;
    QString error;
};

Answer lookUp(MusicBrainzClient& client, const MbDiscId& id, int tracks) {
    std::optional<Answer> answer;
    QObject receiver;
    QObject::connect(&client, &MusicBrainzClient::finished, &receiver,
                     [&](const QVector<MbRelease>& releases, const QString& error) {
                         answer = Answer{releases, error};
                     });
    client.lookup(id, tracks);
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(answer); }, 20000));
    return answer.value_or(Answer{});
}

} // namespace

// Against a local server: a disc ID unknown, then found by its layout; a
// "503" waited out; a damaged reply; a server that never answers; the cache.
TEST(MusicBrainzClient, FindsByIdOrLayoutWaitsOutBusyServersAndKeepsWhatItFound) {
    QTemporaryDir dir;
    HttpTestServer server;
    MusicBrainzClient client(server.address(), dir.filePath("mb"));
    // Requests come a second apart; the test's clock moves on by itself.
    qint64 now = 0;
    client.setClock([&now] { return now += 1000; });
    const MbDiscId id = MbDiscId::fromLayout(layout({0, 15000, 30500}, 46000));
    const QByteArray found = releases({release("r1", "Found", 3, id.id, "1999")});
    bool busy = true;
    server.respond = [&](const QByteArray& request) -> QByteArray {
        if (request.startsWith("GET /ws/2/discid/" + id.id.toLatin1()))
            return HttpTestServer::http(404, "{}");
        if (busy) {
            busy = false;
            return HttpTestServer::http(503, "", -1, "Retry-After: 0\r\n");
        }
        return HttpTestServer::http(200, found);
    };
    Answer answer = lookUp(client, id, 3);
    ASSERT_EQ(answer.releases.size(), 1) << answer.error.toStdString();
    EXPECT_EQ(answer.releases[0].year, "1999");
    ASSERT_EQ(server.requests.size(), 3);
    EXPECT_TRUE(server.requests[1].startsWith("GET /ws/2/discid/-?toc=1"));
    EXPECT_TRUE(server.requests[0].toLower().contains("user-agent: orvelle/"));

    server.respond = nullptr;
    server.reply = HttpTestServer::http(200, "<html>busy</html>");
    const MbDiscId other = MbDiscId::fromLayout(layout({0, 9000}, 20000));
    EXPECT_EQ(lookUp(client, other, 2).error, "The MusicBrainz reply is damaged.");
    server.reply.clear();
    client.setTimeout(300);
    EXPECT_EQ(lookUp(client, other, 2).error, "The MusicBrainz server did not answer in time.");

    server.close();
    answer = lookUp(client, id, 3);
    EXPECT_EQ(answer.releases.size(), 1) << "from the cache, with the server gone";
}

namespace {

// Where the lookup asks: local servers, and which databases.
struct Databases : DiscInformation {
    int cddbPort = 0;
    QString musicBrainz;
    QString cache;
    DiscInformation::Databases order = DiscInformation::Databases::MusicBrainzThenFreeDb;
    QString server() const override { return QStringLiteral("127.0.0.1"); }
    int port() const override { return cddbPort; }
    int timeoutMs() const override { return 20000; }
    QString proxy() const override { return {}; }
    Source lookupSource() const override { return Source::ServerOnly; }
    QString cachePath() const override { return cache; }
    DiscInformation::Databases lookupDatabases() const override { return order; }
    QString musicBrainzServer() const override { return musicBrainz; }
};

} // namespace

// The databases in the order chosen: one release loads, several are offered
// for a choice, none falls through to FreeDB or ends the lookup.
TEST(DiscLookup, AsksTheChosenDatabasesAndOffersSeveralReleases) {
    QTemporaryDir dir;
    HttpTestServer musicBrainz;
    CddbTestServer cddb;
    cddb.reply = [](const QString& cmd) -> QByteArray {
        if (cmd.startsWith(QLatin1String("cddb query")))
            return "200 misc " + cmd.section(' ', 2, 2).toLatin1() + " x\r\n";
        return "210 misc\r\nDTITLE=Old Artist / Old Album\r\nTTITLE0=A\r\nTTITLE1=B\r\n"
               "TTITLE2=C\r\n.\r\n";
    };
    const DiscLayout disc = layout({0, 15000, 30500}, 46000);
    const QString id = MbDiscId::fromLayout(disc).id;
    Databases where;
    where.cddbPort = cddb.port();
    where.musicBrainz = musicBrainz.address();
    where.cache = dir.filePath(QStringLiteral("CDFreeDB.ini"));
    constexpr LookupStatus Loaded = LookupStatus::Loaded;
    const struct {
        QJsonArray releases;
        DiscInformation::Databases order;
        int choose;
        LookupStatus lastStatus;
        QString album;
        QString year;
    } cases[] = {
        {{release("r1", "Only", 3, id, "1999")}, where.order, -1, Loaded, "Only", "1999"},
        {{release("r1", "UK", 3, id, "1987"), release("r2", "US", 3, id, "1988")},
         where.order,
         1,
         Loaded,
         "US",
         "1988"},
        {{release("r1", "UK", 3, id, "1987"), release("r2", "US", 3, id, "1988")},
         where.order,
         -1,
         LookupStatus::NoEntry,
         {},
         {}},
        {{}, where.order, -1, Loaded, "Old Album", {}},
        {{}, DiscInformation::Databases::MusicBrainz, -1, LookupStatus::NoEntry, {}, {}},
    };
    for (const auto& c : cases) {
        musicBrainz.reply = HttpTestServer::http(200, releases(c.releases));
        where.order = c.order;
        DatabaseLookup lookup;
        QList<LookupStatus> statuses;
        QStringList offered;
        QList<LookupService> services;
        QObject::connect(&lookup, &DiscLookup::lookupStatusChanged,
                         [&](LookupStatus s, LookupService service) {
                             statuses << s;
                             services << service;
                         });
        QObject::connect(&lookup, &DiscLookup::releaseChoiceNeeded, [&](const QStringList& list) {
            offered = list;
            lookup.chooseRelease(c.choose);
        });
        lookup.lookUpDisc(disc, where);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !statuses.isEmpty() && statuses.last() != LookupStatus::Connecting &&
                       statuses.last() != LookupStatus::Querying;
            },
            20000));
        EXPECT_EQ(statuses.last(), c.lastStatus) << c.album.toStdString();
        // What MusicBrainz answered is said in its name; FreeDB's own lines follow a fallback.
        EXPECT_EQ(services.first(), LookupService::MusicBrainz);
        EXPECT_EQ(services.last(),
                  c.album == "Old Album" ? LookupService::FreeDb : LookupService::MusicBrainz);
        const DiscRecord found = lookup.found(disc.toc()).value_or(DiscRecord{});
        EXPECT_EQ(found.album, c.album);
        EXPECT_EQ(found.year, c.year);
        if (c.releases.size() > 1) {
            EXPECT_EQ(offered, (QStringList{"UK \u2013 Band (1987, GB, Label One, 3 tracks)",
                                            "US \u2013 Band (1988, GB, Label One, 3 tracks)"}));
        }
        if (c.album == "US") {
            EXPECT_EQ(found.trackArtist(1), "Guest & Band") << "a sampler's own credits";
        }
    }
}
