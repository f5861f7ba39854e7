#include "cd/drivesession.h"
#include "jobs/jobsetup.h"
#include "settings/cdreadingkeys.h"
#include "settings/mainkeys.h"
#include "settings/rmkeys.h"
#include "settings/settingsfile.h"
#include "settings/wmakeys.h"
#include "support/fakecomponents.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

// The window and the command line both set their jobs up here: what each
// relied on when it did so itself.
class JobSetupTest : public testing::Test {
protected:
    std::unique_ptr<Job> setUp(JobRequest request) {
        JobParts parts;
        parts.rm = [] {
            auto rm = std::make_unique<FakeVideoFile>();
            rm->codecs = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
            return rm;
        };
        return setUpJob(std::move(request), settings, &session, std::move(parts));
    }

    QTemporaryDir dir;
    SettingsFile settings{dir.filePath(QStringLiteral("Orvelle.ini"))};
    NullDiscReader reader;
    NullTrackRipper ripper;
    NullDiscLookup lookup;
    NullDriveLayer drives;
    NullDiscInformation information;
    DriveSession session{reader, ripper, lookup, drives, information};
};

TEST_F(JobSetupTest, EachFunctionReadsItsOwnKeysAndTheRequestOverridesThem) {
    struct Case {
        FunctionMode function;
        int storedGain; // ReplayGainRip for a rip, ReplayGainConvert for a conversion
        std::optional<GainMode> gain;
        std::optional<int> jobs;
        bool ripLog;
        const char* storedPeak;
        std::optional<PeakKind> peak;
        GainMode expectedGain;
        int expectedRowsAtOnce;
        PeakKind expectedPeak;
    };
    const Case cases[] = {
        {CdRipper, 0, {}, {}, true, "true", {}, GainMode::Off, 3, PeakKind::True},
        {Converter, 2, {}, {}, true, "sample", {}, GainMode::Album, 3, PeakKind::Sample},
        // out of range or unknown: the key's default
        {Converter, 7, {}, {}, true, "loud", {}, GainMode::Track, 3, PeakKind::Sample},
        {CdRipper, 7, {}, {}, true, "TRUE", {}, GainMode::Album, 3, PeakKind::True},
        {CdRipper, 0, GainMode::Track, 1, false, "true", PeakKind::Sample, GainMode::Track, 1,
         PeakKind::Sample},
        {Converter, 2, GainMode::Off, 2, true, "sample", PeakKind::True, GainMode::Off, 2,
         PeakKind::True},
    };
    settings.write(MainKeys::Jobs, 3);
    settings.write(CdReadingKeys::ModeForRipper, 3); // the last mode, Paranoid, for the log
    for (const Case& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        // The other function's key holds something else, which must not count.
        settings.write(MainKeys::ReplayGainRip, c.function == CdRipper ? c.storedGain : 1);
        settings.write(MainKeys::ReplayGainConvert, c.function == Converter ? c.storedGain : 0);
        JobRequest request;
        request.function = c.function;
        request.outputFolder = dir.path();
        request.replayGain = c.gain;
        request.jobs = c.jobs;
        request.ripLog = c.ripLog;
        request.replayGainPeak = c.peak;
        settings.write(MainKeys::ReplayGainPeak, QLatin1String(c.storedPeak));
        const std::unique_ptr<Job> job = setUp(request);
        EXPECT_EQ(job->settings().outputFolder, dir.path());
        EXPECT_EQ(job->settings().replayGain, c.expectedGain);
        EXPECT_EQ(job->maxRunningRows(), c.expectedRowsAtOnce);
        EXPECT_EQ(job->settings().replayGainPeak, c.expectedPeak);
        // A rip is checked and logged as the settings say; a conversion is neither.
        const RipCheckSettings& check = job->settings().check;
        EXPECT_EQ(check.lookUp, c.function == CdRipper);
        EXPECT_EQ(check.writeLog, c.function == CdRipper && c.ripLog);
        EXPECT_EQ(check.server.isEmpty(), c.function != CdRipper);
        EXPECT_EQ(check.read.mode, c.function == CdRipper ? ReadMode::Paranoid : ReadMode::Synch);
    }
}

TEST_F(JobSetupTest, EachRowTakesTheRmCodecAndEncodersAsTheFileHoldsThemThen) {
    settings.write(RmKeys::Format, 2);
    JobRequest request;
    request.mp3CommandLine = [] { return QStringLiteral("-V 2"); };
    const std::unique_ptr<Job> job = setUp(request);
    const JobSettings& made = job->settings();
    EXPECT_EQ(made.rmCodec, 2);
    EXPECT_EQ(made.currentRmCodec(), 2);
    settings.write(RmKeys::Format, 3); // beyond the writer's three codecs: the first
    EXPECT_EQ(made.currentRmCodec(), 0);
    settings.write(RmKeys::Format, 1);
    EXPECT_EQ(made.currentRmCodec(), 1);

    EXPECT_EQ(made.encoders().wmaProfile, 9);
    settings.write(WmaKeys::Format, 4);
    EXPECT_EQ(made.encoders().wmaProfile, 4);
    EXPECT_EQ(made.encoders().mp3.commandLine, QStringLiteral("-V 2"));
}

TEST_F(JobSetupTest, ARipIsOneFileOfTheDiscWhenAskedAndItsFirstRowIsLossless) {
    const struct {
        bool stored;    // the settings' "disc as one file"
        bool requested; // the command line's --image
        OutputFormat first;
        bool wholeDisc;
    } cases[] = {{false, false, FormatFlac, false},
                 {true, false, FormatFlac, true},
                 {true, false, FormatMp3, false},
                 {false, true, FormatWav, true},
                 {true, true, FormatOgg, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        settings.write(CdReadingKeys::DiscAsOneFile, c.stored);
        JobRequest request;
        request.function = CdRipper;
        request.wholeDisc = c.requested;
        request.ripCueSheet = c.requested; // the command line's --no-cue
        for (int track = 0; track < 3; ++track) {
            JobRow row;
            row.row = track;
            row.track = track;
            row.format = track == 0 ? c.first : FormatMp3;
            row.tag.album = QStringLiteral("Album");
            request.rows << row;
        }
        const std::unique_ptr<Job> job = setUp(request);
        ASSERT_EQ(job->rows().size(), c.wholeDisc ? 1 : 3);
        EXPECT_EQ(job->rows()[0].track, c.wholeDisc ? Disc::WholeDisc : 0);
        EXPECT_EQ(job->rows()[0].row, 0);
        EXPECT_EQ(job->settings().check.cueSheet, c.requested ? 1 : 0);
    }
}

TEST(JobRowTest, ARowTakesTheFormatItsTargetNamesAndTheTrackItHolds) {
    const struct {
        const char* target;
        OutputFormat format;
        int track; // the list row's; -1: its place
    } cases[] = {{"OGG", FormatOgg, -1},
                 {"RM", FormatRm, 7},
                 {"FLAC", FormatFlac, -1},
                 {"", FormatMp3, -1},
                 {"ogg", FormatMp3, 0}};
    for (const auto& c : cases) {
        RowModel::Row listRow;
        listRow.caption = QStringLiteral("Song");
        listRow.sourcePath = QStringLiteral("/music/song.wav");
        listRow.target = QLatin1String(c.target);
        listRow.track = c.track;
        listRow.tag = {QStringLiteral("T"), QStringLiteral("A"), QStringLiteral("B"), {}};
        const JobRow row = jobRow(4, listRow);
        EXPECT_EQ(row.format, c.format) << c.target;
        EXPECT_EQ(row.row, 4);
        EXPECT_EQ(row.track, c.track == -1 ? 4 : c.track);
        EXPECT_EQ(row.caption, listRow.caption);
        EXPECT_EQ(row.source, listRow.sourcePath);
        EXPECT_EQ(row.tag, listRow.tag);
    }
}
