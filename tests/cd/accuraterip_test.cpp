#include "cd/accurateripclient.h"
#include "cd/lookupcache.h"
#include "checksums/accuraterip.h"
#include "platform/version.h"
#include "support/httptestserver.h"
#include "values/cdtoc.h"

#include <array>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <iostream>
#include <optional>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

constexpr qint64 Frame = 588;
const QVector<ArTocTrack> PlainToc{{0, true}, {20000, true}, {45000, true}};
const AccurateRipId PlainId = AccurateRipId::fromToc(PlainToc, 70000);

// Samples as the rules see them (left in the low half), written out byte by byte.
QByteArray pcmOf(const QVector<quint32>& samples) {
    QByteArray pcm;
    for (const quint32 s : samples)
        for (int shift = 0; shift < 32; shift += 8)
            pcm += char(s >> shift);
    return pcm;
}

quint32 stereo(int left, int right) {
    return quint32(quint16(left)) | quint32(quint16(right)) << 16;
}

QVector<quint32> noise(qint64 count, quint32 pattern) {
    QVector<quint32> samples(count);
    QRandomGenerator(pattern).fillRange(samples.data(), samples.size());
    return samples;
}

using Sums = std::array<quint32, 4>; // CRC-32, v1, v2, frame 450

// The rules, one sample at a time in 64 bits; CRC-32 bit by bit.
Sums referenceSums(const QVector<quint32>& samples, bool first, bool last) {
    Sums sums{};
    quint32 crc = 0xffffffffu;
    for (const char byte : pcmOf(samples)) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xedb88320u : crc >> 1;
    }
    sums[0] = ~crc;
    const qint64 total = samples.size();
    for (qint64 i = 1; i <= total; ++i) {
        const quint64 product = quint64(samples[i - 1]) * quint64(i);
        if (!(first && i <= 2939) && !(last && i > total - 2940)) {
            sums[1] += quint32(product);
            sums[2] += quint32(product) + quint32(product >> 32);
        }
        if (i > 450 * Frame && i <= 451 * Frame && total >= 451 * Frame)
            sums[3] += quint32(quint64(samples[i - 1]) * quint64(i - 450 * Frame));
    }
    return sums;
}

QByteArray chunkBytes(const AccurateRipId& id, int count, const QVector<ArTrackEntry>& tracks) {
    QByteArray bytes = char(count) + pcmOf({id.id1, id.id2, id.freedb});
    for (const ArTrackEntry& t : tracks)
        bytes += char(t.confidence) + pcmOf({t.crc, t.frame450});
    return bytes;
}

TEST(AccurateRipId, CountsAudioTracksAgainstTheDiscsLeadout) {
    const auto freedb = [](QVector<int> starts, int leadout) {
        return CdToc(starts, leadout).discId().toUInt(nullptr, 16);
    };
    // id1 = starts + lead-out; id2 = max(start, 1) * n + lead-out * (tracks + 1); FreeDB of all
    const struct {
        QVector<ArTocTrack> toc;
        int leadout;
        AccurateRipId id;
    } discs[] = {
        {PlainToc,
         70000,
         {3, 135000, 1 + 20000 * 2 + 45000 * 3 + 70000 * 4, freedb({0, 20000, 45000}, 70000)}},
        {PlainToc + QVector<ArTocTrack>{{60000, false}},
         80000,
         {3, 145000, 1 + 20000 * 2 + 45000 * 3 + 80000 * 4,
          freedb({0, 20000, 45000, 60000}, 80000)}},
        {{{0, false}, {30000, true}, {50000, true}},
         70000,
         {2, 150000, 30000 + 50000 * 2 + 70000 * 3, freedb({0, 30000, 50000}, 70000)}},
        // no tracks, no audio track, out of order, lead-out inside the last track
        {{}, 100, {}},
        {{{0, false}}, 100, {}},
        {{{500, true}, {100, true}}, 900, {}},
        {PlainToc, 45000, {}},
    };
    for (const auto& disc : discs)
        EXPECT_EQ(AccurateRipId::fromToc(disc.toc, disc.leadout), disc.id) << disc.leadout;
    EXPECT_EQ(PlainId.relativePath(), QStringLiteral("8/5/f/dBAR-003-00020f58-0006f159-%1.bin")
                                          .arg(PlainId.freedb, 8, 16, QLatin1Char('0')));
}

TEST(ArTrackChecksum, MatchesTheRulesOnAnySoundInAnySplit) {
    const qint64 length = 460 * Frame;
    QVector<quint32> tone(length), click(length), square(length), repeated(length, 0x7fff8001u);
    for (qint64 n = 0; n < length; ++n) {
        const int value = int(std::lround(20000 * std::sin(2 * M_PI * 440 * double(n) / 44100)));
        tone[n] = stereo(value, value);
        square[n] = stereo((n / 50) % 2 ? 16000 : -16000, (n / 50) % 2 ? -16000 : 16000);
    }
    click[100000] = stereo(32767, -32768);
    for (const QVector<quint32>& sound : {noise(length, 1), tone, click, square, repeated,
                                          noise(3000, 2)}) { // shorter than both skips together
        const QByteArray pcm = pcmOf(sound);
        for (const int edges : {0, 1, 2, 3}) { // first track, last track, both
            const Sums expected = referenceSums(sound, edges & 1, edges & 2);
            for (const qsizetype split :
                 {pcm.size(), qsizetype(1), qsizetype(3), qsizetype(4095)}) {
                ArTrackChecksum sums(sound.size(), edges & 1, edges & 2);
                for (qsizetype at = 0; at < pcm.size(); at += split)
                    sums.add(pcm.constData() + at, std::min(split, pcm.size() - at));
                EXPECT_EQ((Sums{sums.crc32(), sums.v1(), sums.v2(), sums.frame450()}), expected)
                    << sound.size() << " samples, edges " << edges << ", split " << split;
                EXPECT_TRUE(sums.isComplete());
            }
        }
    }
    ArTrackChecksum check(3, false, false);
    check.add("123456789", 9); // the CRC-32 check value
    EXPECT_EQ(check.crc32(), 0xcbf43926u);
    EXPECT_FALSE(check.isComplete());
}

TEST(ArVerdict, AnyChunkMatchingV1OrV2MakesTheTrackAccurate) {
    const quint32 v1 = 0x12345678, v2 = 0x9abcdef0;
    const auto chunk = [](quint32 crc, quint8 confidence) {
        return ArChunk{1, 0, 0, 0, {ArTrackEntry{confidence, crc, 0}}};
    };
    const std::tuple<QVector<ArChunk>, int, const char*, bool> cases[] = {
        {{chunk(v1, 3)}, 0, "accurate (confidence 3)", false},
        {{chunk(v1, 3), chunk(v2, 7)}, 0, "accurate (confidence 7)", true},
        {{chunk(v2 + 1, 9), chunk(v1, 0)}, 0, "mismatch", false}, // nobody vouches for 0
        {{}, 0, "not in the database", false},
        {{chunk(v1, 3)}, 1, "not verified", false},
    };
    for (const auto& [chunks, track, text, byV2] : cases) {
        const ArVerdict verdict = verifyTrack(chunks, track, v1, v2);
        EXPECT_EQ(verdict.text(), QLatin1String(text));
        EXPECT_EQ(verdict.v2, byV2) << text;
    }
    EXPECT_EQ(ArVerdict::lookupFailed(QStringLiteral("why")).text(),
              QLatin1String("not verified: why"));
}

TEST(Dbar, ReadsEveryChunkAndRefusesDamage) {
    const QByteArray good = chunkBytes(PlainId, 3, {{5, 11, 12}, {5, 21, 22}, {5, 31, 32}}) +
                            chunkBytes(PlainId, 3, {{2, 41, 42}, {0, 0, 0}, {200, 0xfedcba98, 1}});
    QString error = QStringLiteral("old");
    const QVector<ArChunk> chunks = parseDbar(good, PlainId, &error);
    EXPECT_TRUE(error.isEmpty());
    ASSERT_EQ(chunks.size(), 2);
    EXPECT_EQ(chunks[1].freedb, PlainId.freedb);
    EXPECT_EQ(chunks[0].tracks[1].frame450, 22u);
    EXPECT_EQ(chunks[1].tracks[2].confidence, 200);
    EXPECT_EQ(chunks[1].tracks[2].crc, 0xfedcba98u);

    AccurateRipId other = PlainId;
    other.id2 += 1;
    const std::pair<QByteArray, const char*> damaged[] = {
        {good.left(good.size() - 1), "ends in the middle"},
        {good.left(12), "ends in the middle"}, // inside the first header
        {chunkBytes(PlainId, 4, {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), "lists 4 tracks"},
        {QByteArray(), "empty"},
        {good + chunkBytes(other, 3, {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), "another disc"},
    };
    for (const auto& [bytes, why] : damaged) {
        EXPECT_TRUE(parseDbar(bytes, PlainId, &error).isEmpty()) << why;
        EXPECT_TRUE(error.contains(QLatin1String(why))) << error.toStdString();
    }
}

TEST(FindOffsets, FindsTheShiftOfTheRead) {
    constexpr int Margin = 3100;
    const QVector<quint32> base = noise(460 * Frame + 2 * Margin, 4);
    const Sums reference = referenceSums(base.mid(Margin, 460 * Frame), false, false);
    const QVector<ArChunk> chunks{{1, 0, 0, 0, {ArTrackEntry{4, 0, reference[3]}}}};
    for (const int offset : {6, -667, 1234, 0, 3000, -3000, 3001}) {
        // The read is the database's track, offset samples later.
        const QByteArray read = pcmOf(base.mid(Margin - offset, 460 * Frame));
        const QByteArray window = read.mid(444 * Frame * 4, 13 * Frame * 4);
        const QVector<int> expected = qAbs(offset) <= 3000 ? QVector<int>{offset} : QVector<int>{};
        EXPECT_EQ(findOffsets(chunks, 0, window, 444 * Frame), expected) << offset;
    }
}

using Server = HttpTestServer;

struct Lookup {
    QVector<ArChunk> chunks;
    bool notFound;
    QString error;
};

Lookup lookUp(AccurateRipClient& client, const AccurateRipId& id) {
    std::optional<Lookup> result;
    QObject receiver;
    QObject::connect(&client, &AccurateRipClient::finished, &receiver,
                     [&](const AccurateRipId& got, const QVector<ArChunk>& chunks, bool notFound,
                         const QString& error) {
                         EXPECT_EQ(got, id);
                         result = Lookup{chunks, notFound, error};
                     });
    client.lookup(id);
    EXPECT_FALSE(result); // never before the caller has control again
    EXPECT_TRUE(QTest::qWaitFor([&] { return bool(result); }, 20000));
    return result.value_or(Lookup{});
}

TEST(AccurateRipClient, FetchesCachesAndReportsWhatWentWrong) {
    QTemporaryDir cache;
    Server server;
    const QString settings = cache.filePath(QStringLiteral("Orvelle.ini"));
    EXPECT_EQ(AccurateRipClient::serverFrom(settings), QLatin1String("http://www.accuraterip.com"));
    QFile file(settings); // a bare host name, with a slash too many
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[accuraterip]\nSERVER= 127.0.0.1:" + QByteArray::number(server.port()) + "// \n");
    file.close();
    AccurateRipClient client(AccurateRipClient::serverFrom(settings),
                             cache.filePath(QStringLiteral("dbar")));
    const QByteArray body = chunkBytes(PlainId, 3, {{5, 11, 12}, {9, 21, 22}, {5, 31, 32}});

    server.reply = Server::http(404, "", 0);
    EXPECT_TRUE(lookUp(client, PlainId).notFound);
    server.reply = Server::http(200, body.left(30), body.size());
    EXPECT_TRUE(lookUp(client, PlainId)
                    .error.startsWith(QLatin1String("The AccurateRip reply is damaged")));
    server.reply.clear();
    client.setTimeout(300);
    EXPECT_EQ(lookUp(client, PlainId).error,
              QLatin1String("The AccurateRip server did not answer in time."));
    EXPECT_TRUE(!QDir(cache.filePath(QStringLiteral("dbar")))
                     .exists()); // neither a failure nor an unknown disc is kept

    server.reply = Server::http(200, body, body.size());
    client.setTimeout(AccurateRipClient::DefaultTimeoutMs);
    Lookup found = lookUp(client, PlainId);
    ASSERT_EQ(found.chunks.size(), 1);
    EXPECT_EQ(verifyTrack(found.chunks, 1, 21, 0).status, ArVerdict::Accurate);
    EXPECT_EQ(verifyTrack(found.chunks, 1, 31, 11).status, ArVerdict::Mismatch);
    const QByteArray request = server.requests.last().toLower();
    EXPECT_TRUE(request.startsWith("get /accuraterip/" +
                                   PlainId.relativePath().toLower().toLatin1() + " "));
    EXPECT_TRUE(request.contains("\r\nuser-agent: orvelle/" + orvelleVersion().toUtf8() + " ( "));

    const qsizetype asked = server.requests.size();
    server.close();
    EXPECT_EQ(lookUp(client, PlainId).chunks.size(), 1);
    EXPECT_EQ(server.requests.size(), asked);
}

// The cached answer's file for a server, and a way to make it older.
QString keptFile(const QString& root, const Server& server) {
    return root + "/" + LookupCache(root, "AccurateRip", server.address()).folder() + "/" +
           PlainId.fileName();
}

void age(const QString& path, int days) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addDays(-days),
                                 QFileDevice::FileModificationTime));
}

TEST(AccurateRipClient, KeepsEachServersAnswersADayAndOldOnesForWhenItIsGone) {
    QTemporaryDir dir;
    const QString root = dir.filePath("cache");
    Server first, second;
    const auto body = [](quint32 crc) {
        return chunkBytes(PlainId, 3, {{5, 1, 2}, {9, crc, 0}, {5, 3, 4}});
    };
    const auto crcOf = [](const Lookup& found) {
        return found.chunks.isEmpty() ? 0u : found.chunks[0].tracks[1].crc;
    };
    first.reply = Server::http(200, body(21));
    second.reply = Server::http(200, body(41));
    AccurateRipClient fromFirst(first.address(), root), fromSecond(second.address(), root);
    EXPECT_EQ(crcOf(lookUp(fromFirst, PlainId)), 21u);
    EXPECT_EQ(crcOf(lookUp(fromSecond, PlainId)), 41u) << "never the other server's answer";
    EXPECT_EQ(crcOf(lookUp(fromFirst, PlainId)), 21u);
    EXPECT_EQ(first.requests.size(), 1) << "a fresh answer is not asked again";
    EXPECT_EQ(QFileInfo(root).permissions() & 0x0077, 0) << "closed to others";

    age(keptFile(root, first), 2);
    first.reply = Server::http(200, body(51));
    EXPECT_EQ(crcOf(lookUp(fromFirst, PlainId)), 51u) << "an old answer is asked again";
    EXPECT_EQ(crcOf(lookUp(fromFirst, PlainId)), 51u);
    EXPECT_EQ(first.requests.size(), 2) << "and the new one kept";
    age(keptFile(root, first), 7);
    first.close();
    EXPECT_EQ(crcOf(lookUp(fromFirst, PlainId)), 51u) << "the server gone, the old one stands in";
}

// Another user, or whoever could write where the cache is, plants a link (or
// a folder of their own) in its place: it is neither read nor written through.
TEST(AccurateRipClient, RefusesACacheSomeoneElseCouldHavePlanted) {
    const struct {
        const char* what;
        std::function<void(const QString& root, const QString& file, const QString& outside)> plant;
        int requests; // the server is asked each time when nothing can be kept
    } cases[] = {
        {"a link in place of the cache folder",
         [](const QString& root, const QString&, const QString& outside) {
             ASSERT_TRUE(QFile::link(outside, root));
         },
         2},
        {"a link in place of a cached answer",
         [](const QString& root, const QString& file, const QString& outside) {
             ASSERT_EQ(::mkdir(QFile::encodeName(root).constData(), 0700), 0);
             ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
             ASSERT_TRUE(QFile::link(outside + "/victim", file));
         },
         1},
        {"a cache folder others may enter",
         [](const QString& root, const QString&, const QString&) {
             ASSERT_EQ(::mkdir(QFile::encodeName(root).constData(), 0755), 0);
             ::chmod(QFile::encodeName(root).constData(), 0755);
         },
         2},
        {"another user's cache folder",
         [](const QString& root, const QString&, const QString&) {
             ASSERT_EQ(::mkdir(QFile::encodeName(root).constData(), 0700), 0);
             ASSERT_EQ(::chown(QFile::encodeName(root).constData(), 65534, 65534), 0);
         },
         2},
    };
    const QByteArray answer = chunkBytes(PlainId, 3, {{5, 1, 2}, {9, 21, 0}, {5, 3, 4}});
    const QByteArray lie = chunkBytes(PlainId, 3, {{5, 1, 2}, {9, 66, 0}, {5, 3, 4}});
    for (const auto& c : cases) {
        if (QByteArray(c.what).startsWith("another") && ::geteuid() != 0) {
            std::cout << "skipped: " << c.what << " (only root can give a folder away)\n";
            continue;
        }
        QTemporaryDir dir;
        const QString root = dir.filePath("cache"), outside = dir.filePath("outside");
        ASSERT_TRUE(QDir().mkpath(outside));
        Server server;
        server.reply = Server::http(200, answer);
        QFile victim(outside + "/victim");
        ASSERT_TRUE(victim.open(QIODevice::WriteOnly) && victim.write(lie) == lie.size());
        victim.close();
        c.plant(root, keptFile(root, server), outside);
        AccurateRipClient client(server.address(), root);
        for (int round = 0; round < 2; ++round) {
            const Lookup found = lookUp(client, PlainId);
            ASSERT_EQ(found.chunks.size(), 1) << c.what;
            EXPECT_EQ(found.chunks[0].tracks[1].crc, 21u) << c.what << ": not the planted answer";
        }
        EXPECT_EQ(server.requests.size(), c.requests) << c.what;
        QFile check(outside + "/victim");
        ASSERT_TRUE(check.open(QIODevice::ReadOnly));
        EXPECT_EQ(check.readAll(), lie) << c.what << ": nothing written through the link";
        EXPECT_EQ(QDir(outside).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1)
            << c.what;
    }
}

} // namespace
