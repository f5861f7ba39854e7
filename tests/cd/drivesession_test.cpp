// The CD side without a window: drives, track rows and lookup texts.
#include "cd/drivesession.h"
#include "support/fakecomponents.h"

#include <gtest/gtest.h>
#include <QSignalSpy>

namespace {

class DriveSessionTest : public ::testing::Test {
protected:
    CallLog log;
    FakeDiscReader reader{log};
    FakeTrackRipper ripper{log};
    FakeDiscLookup lookup{log};
    FakeDriveLayer drives;
    NullDiscInformation information;
    DriveSession session{reader, ripper, lookup, drives, information};
};

TEST_F(DriveSessionTest, ListsTheReadersDrivesAndStartsOnTheFirst) {
    reader.drives = {{"0:0:0", "ACME", "ONE", "1.0"}, {"1:0:0", "Cord", "TWO", "2.0"}};
    ASSERT_EQ(session.initialize(), 2);
    EXPECT_EQ(session.listDrives(),
              (QStringList{"[0:0:0]  ACME  ONE  1.0", "[1:0:0]  Cord  TWO  2.0"}));
    EXPECT_EQ(reader.currentDriveNumber, 1);
    session.chooseDrive(1);
    EXPECT_EQ(reader.currentDriveNumber, 2);
    EXPECT_EQ(log.calls.first(), "reader.Initialize");
}

TEST_F(DriveSessionTest, TrackRowsNameUntitledTracksAndGiveTheirTimes) {
    reader.tracks = {{"Session1 Track1", "", "", 4, 5, 7},
                     {"Session1 Track1", "Band", "", 12, 3, 74}};
    reader.tracks.resize(10, {"x", "", "", 0, 0, 0});
    reader.tracks[9].title = "Session1 Track10";
    const QVector<DiscTrackRow> rows = session.readTrackRows();
    ASSERT_EQ(rows.size(), 10);
    EXPECT_EQ(rows[0].caption, "Track01");
    EXPECT_EQ(rows[0].time, "04:05:7");
    EXPECT_EQ(rows[0].tag, (RowTag{"Track01", "Unknown Artist", "Unknown Album"}));
    EXPECT_EQ(rows[1].caption, "Session1 Track1") << "only a track's own number is replaced";
    EXPECT_EQ(rows[1].time, "12:03:74");
    EXPECT_EQ(rows[9].caption, "Track10");
    EXPECT_EQ(rows[9].track, 9);
    reader.tracks.clear();
    EXPECT_TRUE(session.readTrackRows().isEmpty());
}

// The names a row takes: a database's first, then CD-TEXT, then placeholders.
TEST(TrackNames, ComeFromTheDatabaseThenCdTextThenPlaceholders) {
    Disc disc;
    disc.artist = "Disc Artist";
    disc.album = "Disc Album";
    disc.tracks = {{0, 90, true, "Text One", "Text Artist"}, {90, 90, true, {}, {}}};
    Disc bare = disc;
    bare.artist = bare.album = QString();
    DiscRecord record;
    record.artist = "Band";
    record.album = "Record";
    record.year = "1999";
    record.titles = {{}, "Two"};
    record.trackArtists = {{}, "Guest"};
    const struct {
        const Disc& disc;
        bool named; // the database knows the disc
        int track;
        RowTag tag;
    } cases[] = {
        {disc, false, 0, {"Text One", "Text Artist", "Disc Album"}},
        {disc, false, 1, {"Track02", "Disc Artist", "Disc Album"}},
        {bare, false, 1, {"Track02", "Unknown Artist", "Unknown Album"}},
        {disc, false, Disc::HiddenTrack, {"Hidden Track", "Disc Artist", "Disc Album"}},
        {disc, true, 0, {"Text One", "Band", "Record", "1999"}},
        {disc, true, 1, {"Two", "Guest", "Record", "1999"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            DriveSession::trackTag(c.disc, c.named ? std::optional(record) : std::nullopt, c.track),
            c.tag)
            << c.track << (c.named ? " named" : "");
}

TEST_F(DriveSessionTest, LookupStatusesBecomeLinesAndALoadedDiscIsAnnounced) {
    QSignalSpy added(&session, &DriveSession::statusLineAdded);
    QSignalSpy loaded(&session, &DriveSession::lookupLoaded);
    for (LookupStatus status :
         {LookupStatus::Connecting, LookupStatus::Querying, LookupStatus::ConnectionFailed,
          LookupStatus::NoEntry, LookupStatus::Loaded})
        emit lookup.lookupStatusChanged(status);
    EXPECT_EQ(session.statusLines(),
              (QStringList{"Connecting to  server...", "Quering for album entry...",
                           "Connection failed!", "No FreeDB information available for this CD!",
                           "FreeDB information loaded", "Refresh CD information..."}));
    EXPECT_EQ(added.count(), 6);
    EXPECT_EQ(loaded.count(), 1);
    QSignalSpy opened(&session, &DriveSession::statusWindowOpened);
    session.openStatusWindow();
    EXPECT_EQ(opened.count(), 1);
    EXPECT_TRUE(session.statusLines().isEmpty());
}

// A MusicBrainz answer names MusicBrainz, never FreeDB, and says how many releases it knows.
TEST_F(DriveSessionTest, MusicBrainzStatusesNameTheirService) {
    const struct {
        LookupStatus status;
        int releases;
        QStringList lines;
    } cases[] = {
        {LookupStatus::Connecting, 0, {"Connecting to MusicBrainz..."}},
        {LookupStatus::Querying, 1, {"MusicBrainz: 1 release found"}},
        {LookupStatus::Querying, 2, {"MusicBrainz: 2 releases found"}},
        {LookupStatus::Loaded, 0, {"MusicBrainz information loaded", "Refresh CD information..."}},
        {LookupStatus::ConnectionFailed, 0, {"Connection to MusicBrainz failed!"}},
        {LookupStatus::NoEntry, 0, {"No MusicBrainz information available for this CD!"}},
    };
    QSignalSpy loaded(&session, &DriveSession::lookupLoaded);
    for (const auto& c : cases) {
        session.openStatusWindow();
        emit lookup.lookupStatusChanged(c.status, LookupService::MusicBrainz, c.releases);
        EXPECT_EQ(session.statusLines(), c.lines);
    }
    EXPECT_EQ(loaded.count(), 1);
}

TEST_F(DriveSessionTest, ALookupIsOfTheDiscReadFirst) {
    reader.tracks = {{"One", "", "", 1, 0, 0}};
    session.startLookup();
    EXPECT_EQ(log.calls, (QStringList{"reader.ReadDisc", "lookup.LookUpDisc"}));
    session.startLookup();
    EXPECT_EQ(lookup.lookups, 2);
    EXPECT_EQ(log.calls.count("reader.ReadDisc"), 1) << "the disc read is the one looked up";
}

} // namespace
