#include "cd/ctdbclient.h"
#include "checksums/crc32.h"
#include "checksums/ctdb.h"
#include "platform/version.h"
#include "support/httptestserver.h"
#include "support/referencesums.h"

#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr qint64 Frame = 588;

quint32 referenceCrc(const QByteArray& bytes, qint64 fromSample, qint64 toSample) {
    return ReferenceSums::crc32(bytes, fromSample * 4, toSample * 4);
}

enum class Sound { Noise, Tone, Silence };

// The whole disc from its first sector: frames of the sound.
QByteArray discAudio(Sound sound, int frames) {
    QByteArray pcm(frames * Frame * 4, '\0');
    if (sound == Sound::Noise)
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(pcm.data()), pcm.size() / 4);
    if (sound == Sound::Tone)
        for (qint64 n = 0; n < pcm.size() / 4; ++n) {
            // 440 Hz repeats itself exactly every 2205 samples.
            const double phase = 2 * M_PI * 440 * double(n % 2205) / 44100;
            const auto value = qint16(std::lround(20000 * std::sin(phase)));
            for (int byte = 0; byte < 4; ++byte)
                pcm[n * 4 + byte] = char(value >> (8 * (byte % 2)));
        }
    return pcm;
}

DiscLayout layoutOf(const QVector<int>& starts, int leadout, int dataTrack = -1) {
    DiscLayout layout;
    for (int i = 0; i < starts.size(); ++i)
        layout.tracks << LayoutTrack{starts[i], i != dataTrack};
    layout.leadout = leadout;
    return layout;
}

// Each audio track's sums, its PCM handed over in uneven pieces.
QVector<CtdbTrackSums> sumTracks(const CtdbDisc& disc, const QByteArray& audio) {
    QVector<CtdbTrackSums> sums;
    for (int t = 0; t < disc.trackCount(); ++t) {
        CtdbTrackChecksum track(disc, t);
        qint64 at = disc.trackStart(t) * 4;
        for (qint64 piece = 1; at < disc.trackEnd(t) * 4; piece = piece * 7 % 100003 + 1) {
            const qint64 take = std::min(piece, disc.trackEnd(t) * 4 - at);
            track.add(audio.constData() + at, take);
            at += take;
        }
        sums << track.sums();
    }
    return sums;
}

TEST(CtdbSums, MatchAPlainReadingOfTheRanges) {
    const struct {
        const char* name;
        DiscLayout layout;
        int audioStart;       // the first audio track's INDEX 01
        QVector<qint64> ends; // of each audio track, frames from audioStart
    } discs[] = {
        {"plain", layoutOf({0, 120, 300}, 457), 0, {120, 300, 457}},
        // Gaps change nothing: they are the end of the track before.
        {"with gaps",
         [] {
             auto l = layoutOf({0, 120, 300}, 461);
             l.tracks[1].pregap = 30;
             l.tracks[2].pregap = 2;
             return l;
         }(),
         0,
         {120, 300, 461}},
        {"hidden track", layoutOf({200, 320, 500}, 650), 200, {120, 300, 450}},
        {"data last", layoutOf({0, 150, 11700}, 12000, 2), 0, {150, 300}},
        {"data first", layoutOf({0, 100, 250}, 399, 0), 100, {150, 299}},
        {"one track", layoutOf({0}, 95), 0, {95}},
    };
    for (const Sound sound : {Sound::Noise, Sound::Tone, Sound::Silence})
        for (const auto& d : discs) {
            SCOPED_TRACE(d.name);
            SCOPED_TRACE(int(sound));
            const CtdbDisc disc = CtdbDisc::fromLayout(d.layout);
            ASSERT_EQ(disc.trackCount(), d.ends.size());
            const QByteArray all = discAudio(sound, d.layout.leadout);
            const QByteArray audio = all.mid(d.audioStart * Frame * 4);
            // Ten frames left out at the start; at the end ten, and as many
            // more as make the rest whole strides of ten frames.
            const qint64 frames = d.ends.last();
            const qint64 last = (frames - 10 - frames % 10) * Frame;
            ASSERT_EQ((last - 10 * Frame) % (10 * Frame), 0);
            const QVector<CtdbTrackSums> sums = sumTracks(disc, audio);
            for (int t = 0; t < d.ends.size(); ++t) {
                const qint64 start = t == 0 ? 10 * Frame : d.ends[t - 1] * Frame;
                EXPECT_TRUE(sums[t].complete);
                EXPECT_EQ(sums[t].crc,
                          referenceCrc(audio, start, std::min(d.ends[t] * Frame, last)))
                    << "track " << t;
            }
            const CtdbDiscSums whole = CtdbDiscSums::of(disc, sums);
            EXPECT_TRUE(whole.complete);
            EXPECT_EQ(whole.crc, referenceCrc(audio, 10 * Frame, last));
        }
    EXPECT_EQ(CtdbDisc::tocText(layoutOf({0, 150, 11700}, 12000, 2)), "0:150:-11700:12000");
    EXPECT_EQ(CtdbDisc::fromToc("0:150:-11700:12000"),
              CtdbDisc::fromLayout(layoutOf({0, 150, 11700}, 12000, 2)));
    for (const char* toc : {"", "0", "0:abc:900", "0:500:400", "0:+5:900", "0:100:-900", "0:29"})
        EXPECT_FALSE(CtdbDisc::fromToc(toc).isValid()) << toc;
    // A missing piece leaves the track, and with it the disc, unsummed.
    const CtdbDisc disc = CtdbDisc::fromLayout(layoutOf({0, 120}, 300));
    QVector<CtdbTrackSums> sums = sumTracks(disc, discAudio(Sound::Noise, 300));
    CtdbTrackChecksum cut(disc, 1);
    cut.add(QByteArray(100, 'x').constData(), 100);
    sums[1] = cut.sums();
    EXPECT_FALSE(sums[1].complete);
    EXPECT_FALSE(CtdbDiscSums::of(disc, sums).complete);
}

TEST(CtdbSums, CombineAndShiftAgreeWithTheRegister) {
    const QByteArray a = discAudio(Sound::Noise, 3), b = QByteArray("a tail of odd length");
    const quint32 whole = referenceCrc(a + b + "xyz!", 0, (a.size() + b.size() + 4) / 4);
    const quint32 crcA = ~Crc32::update(~0u, a.constData(), a.size());
    const quint32 crcB = ~Crc32::update(~0u, (b + "xyz!").constData(), b.size() + 4);
    EXPECT_EQ(Crc32::combine(crcA, crcB, b.size() + 4), whole);
    for (const qint64 n : {qint64(0), qint64(1), qint64(5880 * 4), qint64(1) << 34})
        EXPECT_EQ(Crc32::shift(Crc32::shift(0x12345678u, n), -n), 0x12345678u) << n;
}

TEST(CtdbPressing, FindsTheShiftOfAnotherPressing) {
    // The database's disc is ours with its first d samples dropped.
    const DiscLayout layout = layoutOf({0, 200, 380}, 520);
    const CtdbDisc disc = CtdbDisc::fromLayout(layout);
    const qint64 last = (520 - 10) * Frame;
    for (const Sound sound : {Sound::Noise, Sound::Tone, Sound::Silence}) {
        const QByteArray audio = discAudio(sound, 520);
        const CtdbDiscSums sums = CtdbDiscSums::of(disc, sumTracks(disc, audio));
        for (const int d : {123, -123, 1, 5880, -5880, 0}) {
            const quint32 theirs = referenceCrc(audio, 10 * Frame + d, last + d);
            const QVector<int> found = ctdbPressingOffsets(disc, sums, {theirs});
            EXPECT_TRUE(found.contains(d)) << int(sound) << " at " << d;
            // The tone matches again 2205 samples on, silence everywhere.
            if (sound == Sound::Noise)
                EXPECT_EQ(found, QVector<int>{d});
            else
                EXPECT_GT(found.size(), 1);
        }
        EXPECT_TRUE(ctdbPressingOffsets(disc, sums, {}).isEmpty());
    }
}

TEST(CtdbVerdict, CountsTheRipsThatAgree) {
    const DiscLayout layout = layoutOf({0, 200, 380}, 520);
    const CtdbDisc disc = CtdbDisc::fromLayout(layout);
    const QByteArray audio = discAudio(Sound::Noise, 520);
    const QVector<CtdbTrackSums> sums = sumTracks(disc, audio);
    const quint32 discCrc = CtdbDiscSums::of(disc, sums).crc;
    const CtdbEntry ours{discCrc, 5, {sums[0].crc, sums[1].crc, sums[2].crc}};
    const CtdbEntry oneTrackDiffers{discCrc ^ 1, 2, {sums[0].crc, sums[1].crc ^ 1, sums[2].crc}};
    const quint32 shifted = referenceCrc(audio, 10 * Frame + 123, (520 - 10) * Frame + 123);
    const CtdbEntry pressing{shifted, 4, {1, 2, 3}};
    QVector<CtdbTrackSums> second = sums;
    second[0].complete = false; // track 1 not ripped: no disc verdict

    const struct {
        QVector<CtdbEntry> entries;
        QVector<CtdbTrackSums> sums;
        QString disc;
        QStringList tracks;
    } cases[] = {
        {{ours, oneTrackDiffers},
         sums,
         "accurate in CTDB (confidence 5 of 7)",
         {"accurate in CTDB (confidence 7 of 7)", "accurate in CTDB (confidence 5 of 7)",
          "accurate in CTDB (confidence 7 of 7)"}},
        {{oneTrackDiffers},
         sums,
         "mismatch in CTDB",
         {"accurate in CTDB (confidence 2 of 2)", "mismatch in CTDB",
          "accurate in CTDB (confidence 2 of 2)"}},
        {{pressing, oneTrackDiffers},
         sums,
         "accurate in CTDB with a pressing offset of +123 samples (confidence 4 of 6)",
         {"accurate in CTDB (confidence 2 of 6)",
          "accurate in CTDB with a pressing offset of +123 samples (confidence 4 of 6)",
          "accurate in CTDB (confidence 2 of 6)"}},
        {{CtdbEntry{discCrc, 0, ours.trackCrcs}},
         sums,
         "mismatch in CTDB",
         {"mismatch in CTDB", "mismatch in CTDB", "mismatch in CTDB"}},
        {{}, sums, "not in CTDB", {"not in CTDB", "not in CTDB", "not in CTDB"}},
        {{ours},
         second,
         "not verified in CTDB",
         {"not verified in CTDB", "accurate in CTDB (confidence 5 of 5)",
          "accurate in CTDB (confidence 5 of 5)"}},
    };
    for (const auto& c : cases) {
        const CtdbResult result = verifyCtdb(c.entries, disc, c.sums);
        EXPECT_EQ(result.disc.text(), c.disc);
        QStringList tracks;
        for (const CtdbVerdict& verdict : result.tracks)
            tracks << verdict.text();
        EXPECT_EQ(tracks, c.tracks);
    }
}

TEST(CtdbReply, ReadsEntriesAndRefusesWhatIsNone) {
    const CtdbDisc disc = CtdbDisc::fromLayout(layoutOf({0, 200, 380}, 520));
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                            "<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\">";
    const QByteArray entry =
        "<entry confidence=\"12\" crc32=\"a1b2c3d4\" npar=\"8\" stride=\"5880\" "
        "toc=\"150:350:530:670\" trackcrcs=\"00000001 0000ff02 12345678\"/>";
    QByteArray deep;
    for (int i = 0; i < 40; ++i)
        deep += "<x>";
    const struct {
        QByteArray xml;
        int entries;
        const char* error;
    } cases[] = {
        {head + entry +
             "<entry confidence=\"3\" crc32=\"0x00000009\" trackcrcs=\"1 2 3\"/>"
             "<metadata><entry crc32=\"zz\"/></metadata></ctdb>",
         2, ""},
        {head + "</ctdb>", 0, ""},
        // A fuzzy lookup's other disc is left out; another disc alone is refused.
        {head + entry +
             "<entry confidence=\"1\" crc32=\"1\" toc=\"0:99:600\" trackcrcs=\"1 2\"/>"
             "</ctdb>",
         1, ""},
        {head + "<entry confidence=\"1\" crc32=\"1\" toc=\"0:99:600\" trackcrcs=\"1 2\"/></ctdb>",
         0, "another disc"},
        {head + "<entry confidence=\"1\" crc32=\"1\" trackcrcs=\"1 2 3 4\"/></ctdb>", 0,
         "another disc"},
        {head + "<entry confidence=\"-1\" crc32=\"1\" trackcrcs=\"1 2 3\"/></ctdb>", 0,
         "confidence"},
        {head + "<entry confidence=\"1\" crc32=\"123456789\" trackcrcs=\"1 2 3\"/></ctdb>", 0,
         "crc32"},
        {head + "<entry confidence=\"1\" crc32=\"1\" trackcrcs=\"1 x 3\"/></ctdb>", 0, "trackcrcs"},
        {head + entry, 0, "damaged"}, // cut short
        {"not XML at all", 0, "damaged"},
        {"<html><body>Server error</body></html>", 0, "no CTDB reply"},
        {head + deep, 0, "nests deeper"},
        {"<!DOCTYPE ctdb [<!ENTITY a \"aaaa\">]><ctdb>&a;</ctdb>", 0, "entities"},
        {head + QByteArray(2 << 20, ' ') + "</ctdb>", 0, "far larger"},
    };
    for (const auto& c : cases) {
        QString error = QStringLiteral("old");
        const QVector<CtdbEntry> entries = parseCtdbReply(c.xml, disc, &error);
        EXPECT_EQ(entries.size(), c.entries) << c.xml.left(300).toStdString();
        EXPECT_TRUE(QLatin1String(c.error).isEmpty() ? error.isEmpty()
                                                     : error.contains(QLatin1String(c.error)))
            << error.toStdString();
    }
    const QVector<CtdbEntry> entries = parseCtdbReply(head + entry + "</ctdb>", disc, nullptr);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].crc, 0xa1b2c3d4u);
    EXPECT_EQ(entries[0].confidence, 12);
    EXPECT_EQ(entries[0].trackCrcs, (QVector<quint32>{1, 0xff02, 0x12345678}));
}

// The database is asked with the disc's table of contents, a data track's
// start marked; its answers and its silences come back as words.
TEST(CtdbClient, AsksForTheDiscAndSaysWhatCameBack) {
    HttpTestServer server;
    CtdbClient client(server.address());
    const DiscLayout layout = layoutOf({0, 200, 380, 11800}, 12100, 3);
    const CtdbDisc disc = CtdbDisc::fromLayout(layout);
    const QByteArray found = ReferenceSums::ctdbReply({{7, 2, {1, 2, 3}}});
    const struct {
        QByteArray reply;
        int timeoutMs;
        int entries;
        bool notFound;
        const char* error;
    } cases[] = {
        {HttpTestServer::http(200, found), 0, 1, false, ""},
        {HttpTestServer::http(404, {}), 0, 0, true, ""},
        {HttpTestServer::http(200, "<ctdb/>"), 0, 0, true, ""},
        {HttpTestServer::http(500, "oops"), 0, 0, false, "answered with an error (HTTP 500)"},
        {HttpTestServer::http(200, "<ctdb><entry"), 0, 0, false, "The CTDB reply is damaged"},
        {{}, 300, 0, false, "The CTDB server did not answer in time."},
    };
    for (const auto& c : cases) {
        server.reply = c.reply;
        client.setTimeout(c.timeoutMs);
        std::optional<std::tuple<int, bool, QString>> result;
        QObject receiver;
        QObject::connect(&client, &CtdbClient::finished, &receiver,
                         [&](const QVector<CtdbEntry>& entries, bool notFound, const QString& e) {
                             result.emplace(entries.size(), notFound, e);
                         });
        client.lookup(layout);
        ASSERT_TRUE(QTest::qWaitFor([&] { return bool(result); }, 20000));
        EXPECT_EQ(std::get<0>(*result), c.entries) << c.reply.toStdString();
        EXPECT_EQ(std::get<1>(*result), c.notFound) << c.reply.toStdString();
        EXPECT_TRUE(QLatin1String(c.error).isEmpty() ? std::get<2>(*result).isEmpty()
                                                     : std::get<2>(*result).contains(c.error))
            << std::get<2>(*result).toStdString();
    }
    ASSERT_TRUE(disc.isValid());
    const QByteArray request = server.requests.value(0);
    EXPECT_TRUE(request.startsWith("GET /lookup2.php?version=3&ctdb=1&fuzzy=1&toc=0:200:380:-11800:"
                                   "12100 HTTP/1.1\r\n"))
        << request.toStdString();
    EXPECT_TRUE(request.contains("User-Agent: Orvelle/" + orvelleVersion().toUtf8()));
}

} // namespace
