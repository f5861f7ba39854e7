#include "cd/cddbreply.h"
#include "cd/freedbcache.h"
#include "cd/storeddiscinformation.h"
#include "settings/freedbkeys.h"
#include "values/cdtoc.h"
#include "values/untrustedtext.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Worked by hand: starts 0, 18000, 40500 and lead-out 60000 frames are
// 150, 18150, 40650 and 60150 with the lead-in, i.e. 2, 242, 542 and 802 s.
// Digit sums 2 + 8 + 11 = 21; length 802 - 2 = 800 = 0x320; three tracks.
const CdToc KnownToc({0, 18000, 40500}, 60000);

QByteArray readReply(const QByteArray& record) {
    return "210 rock 15032003 CD database entry follows (until terminating `.')\r\n" + record +
           ".\r\n";
}

TEST(DiscId, FollowsTheFreeDbAlgorithm) {
    EXPECT_EQ(KnownToc.discId(), QStringLiteral("15032003"));
    EXPECT_EQ(KnownToc.queryArguments(), QStringLiteral("15032003 3 150 18150 40650 802"));
    // 99 tracks of 59 s each start at 2, 61, 120 ... 5784 s: their digit sums
    // add up to 1548, which wraps modulo 255 to 18 = 0x12. Length 99 * 59 s =
    // 5841 s = 0x16d1; 99 tracks = 0x63.
    QVector<int> starts;
    for (int i = 0; i < 99; ++i)
        starts << i * 59 * 75;
    const CdToc many(starts, 99 * 59 * 75);
    EXPECT_EQ(many.discId(), QStringLiteral("1216d163"));
}

TEST(DiscId, TocTextRoundTripsAndRejectsGarbage) {
    EXPECT_EQ(CdToc::fromText(KnownToc.toText()), KnownToc);
    EXPECT_TRUE(CdToc::fromText(QStringLiteral("12 x 40")).isEmpty());
    EXPECT_TRUE(CdToc::fromText(QStringLiteral("500 100")).isEmpty()); // not ascending
    EXPECT_TRUE(CdToc::fromText(QString()).isEmpty());
}

TEST(UntrustedText, DropsControlsAndCutsWithoutBreakingCharacters) {
    EXPECT_EQ(cleanUntrustedText(QStringLiteral(" A\x01\x1b[31mB\nC\t ")),
              QStringLiteral("A[31mB C"));
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E"); // one character, two UTF-16 units
    const QString cut = cleanUntrustedText(QString(254, QLatin1Char('a')) + clef + clef);
    EXPECT_EQ(cut.size(), 254);
    EXPECT_EQ(cleanUntrustedText(QString(253, QLatin1Char('a')) + clef).size(), 255);
}

TEST(CddbQueryReply, TakesTheFirstMatchOfAnyKind) {
    auto match = parseCddbQueryReply("200 rock 15032003 Artist / Album\r\n");
    EXPECT_EQ(match.outcome, CddbOutcome::Found);
    EXPECT_EQ(match.category, QStringLiteral("rock"));
    EXPECT_EQ(match.discId, QStringLiteral("15032003"));
    for (const char* code : {"210", "211"}) {
        match = parseCddbQueryReply(
            QByteArray(code) + " Found matches, list follows\r\n"
                               "misc 15032004 First / One\r\nrock 15032005 Second / Two\r\n.\r\n");
        EXPECT_EQ(match.outcome, CddbOutcome::Found);
        EXPECT_EQ(match.category, QStringLiteral("misc"));
        EXPECT_EQ(match.discId, QStringLiteral("15032004"));
    }
}

TEST(CddbQueryReply, NoEntryAndFailuresAreToldApart) {
    EXPECT_EQ(parseCddbQueryReply("202 No match for disc ID 15032003.\r\n").outcome,
              CddbOutcome::NotFound);
    EXPECT_EQ(parseCddbQueryReply("403 Database entry is corrupt.\r\n").outcome,
              CddbOutcome::NotFound);
    EXPECT_EQ(parseCddbQueryReply("211 Found inexact matches\r\n.\r\n").outcome,
              CddbOutcome::NotFound);
    for (const QByteArray& bad :
         {QByteArray("409 No handshake.\r\n"), QByteArray(),
          QByteArray("<html>Service unavailable</html>"), QByteArray("2000 rock 15032003 x"),
          // a list cut off before its end
          QByteArray("211 inexact\r\nrock 15032003 A / B\r\n"),
          // what we would send back must be a plain word and an ID
          QByteArray("200 rock&cmd=x 15032003 A / B\r\n"), QByteArray("200 rock 1503200 A / B\r\n"),
          QByteArray("200 rock\r\n"),
          // digits of other scripts are no ASCII: NKo, Arabic-Indic, fullwidth
          QByteArray("200 15\xdf\x88ohh\xdf\x88ohh\xdf\x88h0c 15032003\r\n"),
          QByteArray("200 rock\xd9\xa3 15032003 A / B\r\n"),
          QByteArray("211 inexact\r\n\xef\xbc\x91rock 15032003 A / B\r\n.\r\n")})
        EXPECT_EQ(parseCddbQueryReply(bad).outcome, CddbOutcome::Failed) << bad.constData();
}

TEST(CddbReadReply, ReadsAnXmcdRecord) {
    const CddbEntry entry = parseCddbReadReply(readReply("# xmcd\r\n#\r\n# Track frame offsets:\r\n"
                                                         "DISCID=15032003\r\n"
                                                         "DTITLE=The Artist / The Al\r\n"
                                                         "DTITLE=bum\r\n"
                                                         "DYEAR=1999\r\nDGENRE=Rock\r\n"
                                                         "TTITLE0=One\\tTwo\r\n"
                                                         "TTITLE1=Back\\\\slash\r\n"
                                                         "TTITLE2=Three\r\n"
                                                         "TTITLE7=Beyond the disc\r\n"
                                                         "EXTD=\r\nPLAYORDER=\r\n"),
                                               3);
    ASSERT_EQ(entry.outcome, CddbOutcome::Found);
    const DiscRecord& r = entry.record;
    EXPECT_EQ(r.artist, QStringLiteral("The Artist"));
    EXPECT_EQ(r.album, QStringLiteral("The Album"));
    EXPECT_EQ(r.year, QStringLiteral("1999"));
    EXPECT_EQ(r.genre, QStringLiteral("Rock"));
    EXPECT_EQ(r.titles, (QStringList{QStringLiteral("One Two"), QStringLiteral("Back\\slash"),
                                     QStringLiteral("Three")}));
    EXPECT_TRUE(r.trackArtists.isEmpty());
    EXPECT_EQ(r.trackArtist(1), QStringLiteral("The Artist"));
}

TEST(CddbReadReply, TitlesOfTracksTenAndUpAreTaken) {
    QByteArray record = "DTITLE=Artist / Twelve\r\n";
    for (int i = 11; i >= 0; --i) // a server may list them in any order
        record += "TTITLE" + QByteArray::number(i) + "=Song " + QByteArray::number(i + 1) + "\r\n";
    const CddbEntry entry = parseCddbReadReply(readReply(record), 12);
    ASSERT_EQ(entry.outcome, CddbOutcome::Found);
    ASSERT_EQ(entry.record.titles.size(), 12);
    for (int track = 0; track < 12; ++track)
        EXPECT_EQ(entry.record.title(track), QStringLiteral("Song %1").arg(track + 1));
}

TEST(CddbReadReply, SamplersNameEachTracksArtist) {
    const CddbEntry various = parseCddbReadReply(
        readReply("DTITLE=Various / Hits\nTTITLE0=Band A / Song A\nTTITLE1=Plain title\n"), 2);
    EXPECT_EQ(various.record.trackArtist(0), QStringLiteral("Band A"));
    EXPECT_EQ(various.record.title(0), QStringLiteral("Song A"));
    EXPECT_EQ(various.record.trackArtist(1), QStringLiteral("Various"));
    EXPECT_EQ(various.record.title(1), QStringLiteral("Plain title"));

    // An ordinary album keeps a " / " inside a title as it is...
    const CddbEntry album = parseCddbReadReply(
        readReply("DTITLE=Bach / Works\nTTITLE0=Prelude / Fugue\nTTITLE1=Air\n"), 2);
    EXPECT_EQ(album.record.title(0), QStringLiteral("Prelude / Fugue"));
    // ... and a disc title without artist names both.
    const CddbEntry single = parseCddbReadReply(readReply("DTITLE=Eponymous\nTTITLE0=A\n"), 1);
    EXPECT_EQ(single.record.artist, QStringLiteral("Eponymous"));
    EXPECT_EQ(single.record.album, QStringLiteral("Eponymous"));
}

TEST(CddbReadReply, UntrustedRecordsEndInNoEntryOrFailure) {
    EXPECT_EQ(parseCddbReadReply("401 rock 15032003 No such CD entry in database.\r\n", 3).outcome,
              CddbOutcome::NotFound);
    EXPECT_EQ(parseCddbReadReply(readReply("# only comments\n"), 3).outcome, CddbOutcome::NotFound);
    EXPECT_EQ(parseCddbReadReply("402 Server error.\r\n", 3).outcome, CddbOutcome::Failed);
    EXPECT_EQ(parseCddbReadReply("530 Server error, server timeout.\r\n", 3).outcome,
              CddbOutcome::Failed);
    // Cut off before its terminating line.
    EXPECT_EQ(parseCddbReadReply("210 rock 15032003\r\nDTITLE=A / B\r\nTTITLE0=x", 3).outcome,
              CddbOutcome::Failed);

    const QByteArray endless = "TTITLE0=" + QByteArray(100000, 'z') + "\n";
    QByteArray repeated;
    for (int i = 0; i < 5000; ++i)
        repeated += "TTITLE1=more\n";
    const CddbEntry big = parseCddbReadReply(
        readReply("DTITLE=\x01\x02"
                  "Evil\x1b / Album\n" +
                  endless + repeated + "TTITLE99999999999=overflow\nTTITLE-1=negative\n"),
        3);
    ASSERT_EQ(big.outcome, CddbOutcome::Found);
    EXPECT_EQ(big.record.artist, QStringLiteral("Evil"));
    EXPECT_EQ(big.record.title(0).size(), MaxUntrustedTextLength);
    EXPECT_EQ(big.record.title(1).size(), MaxUntrustedTextLength);
    EXPECT_EQ(big.record.titles.size(), 2);
}

TEST(CddbReadReply, OldServersSendLatin1) {
    const CddbEntry entry = parseCddbReadReply(readReply("DTITLE=Bj\xF6rk / Homog\xE9nic\n"), 1);
    EXPECT_EQ(entry.record.artist, QString::fromUtf8("Bj\xC3\xB6rk"));
    const CddbEntry utf8 = parseCddbReadReply(readReply("DTITLE=Bj\xC3\xB6rk / X\n"), 1);
    EXPECT_EQ(utf8.record.artist, QString::fromUtf8("Bj\xC3\xB6rk"));
}

TEST(FreeDbCacheFile, KeepsDiscsApartByTheirTableOfContents) {
    QTemporaryDir dir;
    FreeDbCache cache(dir.filePath(QLatin1String(FreeDbCache::FileName)));
    EXPECT_FALSE(cache.find(KnownToc));

    DiscRecord record;
    record.artist = QStringLiteral("Artist");
    record.album = QStringLiteral("Album");
    record.year = QStringLiteral("2001");
    record.titles = QStringList{QStringLiteral("A"), QStringLiteral("B = b"), QStringLiteral("C")};
    record.trackArtists = QStringList{QString(), QStringLiteral("Guest"), QString()};
    cache.store(KnownToc, record);

    const auto found = cache.find(KnownToc);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->album, QStringLiteral("Album"));
    EXPECT_EQ(found->titles, record.titles);
    EXPECT_EQ(found->trackArtist(1), QStringLiteral("Guest"));
    EXPECT_EQ(found->trackArtist(0), QStringLiteral("Artist"));

    // Same disc ID, other offsets: another disc.
    const CdToc twin({0, 18001, 40500}, 60000);
    ASSERT_EQ(twin.discId(), KnownToc.discId());
    EXPECT_FALSE(cache.find(twin));
}

TEST(FreeDbSettings, AreReadWhenAsked) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Orvelle.ini"));
    StoredDiscInformation information(path);
    EXPECT_EQ(information.server(), freedbServers().first());
    EXPECT_EQ(information.port(), 80);
    EXPECT_EQ(information.timeoutMs(), 10000);
    EXPECT_EQ(information.lookupSource(), DiscInformation::Source::ServerOnly);
    EXPECT_EQ(information.cachePath(), dir.filePath(QStringLiteral("CDFreeDB.ini")));

    SettingsFile settings(path);
    settings.write(FreedbKeys::port, QStringLiteral("8880"));
    settings.write(FreedbKeys::Timeout, QStringLiteral("2500"));
    settings.write(FreedbKeys::proxy, QStringLiteral(" proxy.lan:3128 "));
    settings.write(FreedbKeys::Source, 2);
    EXPECT_EQ(information.port(), 8880);
    EXPECT_EQ(information.timeoutMs(), 2500);
    EXPECT_EQ(information.proxy(), QStringLiteral("proxy.lan:3128"));
    EXPECT_EQ(information.lookupSource(), DiscInformation::Source::CacheOnly);

    // What cannot be used falls back to the defaults.
    settings.write(FreedbKeys::Site, int(freedbServers().size()));
    settings.write(FreedbKeys::port, QStringLiteral("80a"));
    settings.write(FreedbKeys::Timeout, QStringLiteral("-5"));
    settings.write(FreedbKeys::Source, 7);
    EXPECT_EQ(information.server(), freedbServers().first());
    EXPECT_EQ(information.port(), 80);
    EXPECT_EQ(information.timeoutMs(), 10000);
    EXPECT_EQ(information.lookupSource(), DiscInformation::Source::ServerOnly);
    settings.write(FreedbKeys::port, QStringLiteral("70000"));
    EXPECT_EQ(information.port(), 80);
}

} // namespace
