// The CD side without a window: drives, track rows and lookup texts.
#include "cd/drivesession.h"
#include "support/fakecomponents.h"

#include <gtest/gtest.h>
#include <QSignalSpy>

namespace {

class DriveSessionTest : public ::testing::Test {
protected:
    CallLog log;
    FakeGrabber grabber{log};
    FakeDriveLayer drives;
    NullFreeDbInformation freedb;
    DriveSession session{grabber, drives, freedb};
};

TEST_F(DriveSessionTest, ListsTheGrabbersDrivesAndStartsOnTheFirst) {
    grabber.drives = {{"0:0:0", "ACME", "ONE", "1.0"}, {"1:0:0", "Cord", "TWO", "2.0"}};
    ASSERT_EQ(session.initialize(), 2);
    EXPECT_EQ(session.listDrives(),
              (QStringList{"[0:0:0]  ACME  ONE  1.0", "[1:0:0]  Cord  TWO  2.0"}));
    EXPECT_EQ(grabber.currentDrive, 1);
    session.chooseDrive(1);
    EXPECT_EQ(grabber.currentDrive, 2);
    EXPECT_EQ(log.calls.first(), "grabber.Initialize");
}

TEST_F(DriveSessionTest, TrackRowsNameUntitledTracksAndFillMissingTags) {
    grabber.tracks = {{"Session1 Track1", "", "", 4, 5, 7},
                      {"Session1 Track1", "Band", "Record", 12, 3, 74},
                      {"Session1 Track10", "", "Best Of", 0, 0, 0}};
    grabber.tracks.resize(10, {"x", "", "", 0, 0, 0});
    grabber.tracks[9].title = "Session1 Track10";
    const QVector<RowModel::Row> rows = session.readTrackRows("OGG");
    ASSERT_EQ(rows.size(), 10);
    EXPECT_EQ(rows[0].caption, "Track01");
    EXPECT_EQ(rows[0].time, "04:05:7");
    EXPECT_EQ(rows[0].tag, (RowTag{"Track01", "Unknown Artist", "Unknown Album"}));
    EXPECT_EQ(rows[1].caption, "Session1 Track1") << "only a track's own number is replaced";
    EXPECT_EQ(rows[1].time, "12:03:74");
    EXPECT_EQ(rows[1].tag, (RowTag{"Session1 Track1", "Band", "Record"}));
    EXPECT_EQ(rows[2].tag.album, "Best Of");
    EXPECT_EQ(rows[9].caption, "Track10");
    for (const RowModel::Row& row : rows) {
        EXPECT_EQ(row.target, "OGG");
        EXPECT_EQ(row.tick, RowModel::Tick::Ticked);
        EXPECT_EQ(row.status, "Unconverter");
        EXPECT_TRUE(row.sourcePath.isEmpty());
    }
    grabber.tracks.clear();
    EXPECT_TRUE(session.readTrackRows("MP3").isEmpty());
}

TEST_F(DriveSessionTest, LookupStatusesBecomeLinesAndALoadedDiscIsAnnounced) {
    QSignalSpy added(&session, &DriveSession::statusLineAdded);
    QSignalSpy loaded(&session, &DriveSession::lookupLoaded);
    for (int status : {1, 2, 0, 4, -3, -1, -2, 3})
        emit grabber.onFreeDBQueryStatus(status);
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

TEST_F(DriveSessionTest, EveryLookupPassesTheSessionsFlag) {
    session.startLookup();
    EXPECT_EQ(grabber.lastQueryFlag, 0);
    session.setQueryFlag(1);
    session.startLookup();
    EXPECT_EQ(grabber.lastQueryFlag, 1);
    EXPECT_EQ(grabber.queries, 2);
}

} // namespace
