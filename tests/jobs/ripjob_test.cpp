#include "cd/discimage.h"
#include "cd/drivesession.h"
#include "components/cdio/cddisc.h"
#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdioripper.h"
#include "components/cdio/imagesheet.h"
#include "components/ffmpeg/videofile.h"
#include "jobs/jobtesttools.h"
#include "jobs/ripjob.h"
#include "platform/partfilename.h"
#include "settings/settingsfile.h"
#include "support/httptestserver.h"
#include "support/mediatools.h"
#include "support/referencesums.h"
#include "tags/tagdispatch.h"

#include <atomic>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <sys/stat.h>

using namespace MediaTools;

namespace {

const RowTag Tags[] = {
    {QStringLiteral("Op. 27"), QStringLiteral("Артист"), QStringLiteral("Album 日本")},
    {QStringLiteral("No. 5 in C"), QStringLiteral("Second Artist"), QStringLiteral("Álbum")},
    {QStringLiteral("Vol. 2."), QStringLiteral("Third"), QStringLiteral("Album 日本")},
};

// A row's Status while it is ripped: the read's percentage, then the encoder's.
const QRegularExpression ProgressText("^(\\d\\d\\.\\d\\d?|\u00bb \\d\\d\\.\\d\\d)%$");

class RipTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QFile::remove(SettingsFile::defaultPath());
        const int realDrives = CdDriveList::scan(SettingsFile(SettingsFile::defaultPath())).size();
        disc.album = QStringLiteral("Album 日本");
        disc.artist = QStringLiteral("Disc Artist");
        disc.tracks = {{150, 0, false, Tags[0].title, Tags[0].artist},
                       {120, 0, false, Tags[1].title, Tags[1].artist},
                       {160, 0, false, Tags[2].title, Tags[2].artist}};
        SettingsFile(SettingsFile::defaultPath())
            .ini()
            .writeString(QStringLiteral("Drives"), QStringLiteral("image1"),
                         disc.write(dir.path(), QStringLiteral("disc")));
        // The drive is never polled while a test holds a read.
        reader.setMediaPollInterval(3600 * 1000);
        reader.initialize();
        reader.setCurrentDrive(realDrives + 1);
        read = DriveSession::name(reader.readDisc(), reader.currentDrive(), std::nullopt);
        ASSERT_EQ(read.disc.tracks.size(), 3);
    }

    QString out() const { return dir.filePath(QStringLiteral("out")); }

    QVector<JobRow> rows(const QVector<OutputFormat>& formats) const {
        QVector<JobRow> list;
        for (int track = 0; track < formats.size(); ++track) {
            JobRow row;
            row.row = track;
            row.track = track;
            row.caption = Tags[track].title;
            row.format = formats[track];
            row.tag = Tags[track];
            list << row;
        }
        return list;
    }

    JobParts components() const {
        return {settingsWriters(dir.filePath(QStringLiteral("encoders.ini"))), {}, {}, rmWriters()};
    }

    QTemporaryDir dir;
    DiscImage disc;
    CdioDiscReader reader{SettingsFile::defaultPath()};
    CdioRipper ripper{reader};
    NamedDisc read;
};

TEST_F(RipTest, WavFilesHoldExactlyTheTracksPcmInListOrder) {
    RipJob job({out(), FolderScheme::None, 0}, rows({FormatWav, FormatWav, FormatWav}), ripper,
               read, components());
    job.setMaxRunningRows(2);
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    ASSERT_TRUE(events.failures.isEmpty()) << events.lines.join('\n').toStdString();
    EXPECT_EQ(events.only("start"), QStringList({"start 0", "start 1", "start 2"}));
    QStringList finished = events.only("finish");
    finished.sort();
    EXPECT_EQ(finished, QStringList({"finish 0", "finish 1", "finish 2"}));
    EXPECT_EQ(events.lines.last(), "end " + out() + "/");
    EXPECT_EQ(events.outputs[0], out() + "/Op. 27.wav");
    EXPECT_EQ(events.outputs[1], out() + "/No. 5 in C.wav");
    EXPECT_EQ(events.outputs[2], out() + "/Vol. 2.wav");
    for (int track = 0; track < 3; ++track)
        EXPECT_TRUE(wavData(events.outputs[track]) == disc.trackBytes(track)) << track;
    for (const QString& text : events.progress[0])
        EXPECT_TRUE(ProgressText.match(text).hasMatch()) << text.toStdString();
}

TEST_F(RipTest, CompressedFilesLastAsLongAsTheTrackAndCarryTheRowsTags) {
    RipJob job({out(), FolderScheme::ArtistAlbum, 0}, rows({FormatMp3, FormatOgg, FormatWma}),
               ripper, read, components());
    // The reader goes on to the next track while the last is encoded.
    job.setMaxRunningRows(3);
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    ASSERT_TRUE(events.failures.isEmpty()) << events.lines.join('\n').toStdString();
    EXPECT_EQ(events.outputs[0], out() + "/Артист/Album 日本/Op. 27.mp3");
    EXPECT_EQ(events.folder, out() + "/Third/Album 日本/");
    // Decoded, within one codec frame: 1152 samples for MP3, 2048 for WMA; Ogg is exact.
    const int frameSamples[] = {1152, 0, 2048};
    QStringList files;
    for (int track = 0; track < 3; ++track) {
        EXPECT_TRUE(MediaTools::probe(events.outputs[track]).ok) << track;
        const qint64 samples = decode(events.outputs[track], 44100, 2).size() / 4;
        EXPECT_NEAR(samples, disc.tracks[track].frames * 588, frameSamples[track]) << track;
        files << events.outputs[track];
    }
    const QList<RowTag> found = mutagenTags(files);
    ASSERT_EQ(found.size(), 3);
    for (int track = 0; track < 3; ++track)
        EXPECT_EQ(found[track], Tags[track]) << track;
}

// Stop while the second of three tracks is ripped: the first is complete, the
// second is a partial file with its tags, the third is never started.
TEST_F(RipTest, StopEndsTheTrackBeingRippedAndStartsNoOther) {
    // Burst reads hand out each block's frames before the next block is read.
    ripper.setReadSettings({ReadMode::Burst, 1, ErrorAction::Stop});
    const int held = disc.trackStart(1) + 60;
    // Stop keeps the track cut short; an interrupt (a signal) removes it,
    // and the log says why the album has no album gain.
    for (const bool interrupt : {false, true}) {
        SCOPED_TRACE(interrupt);
        const QString folder = out() + (interrupt ? "/interrupted" : "/stopped");
        auto arrived = std::make_shared<Gate>();
        auto gate = std::make_shared<Gate>();
        auto once = std::make_shared<std::atomic<bool>>(false);
        // The rip of the second track holds at a sector until the test has pressed Stop.
        ripper.setFaultFilter([=](int lsn) {
            if (lsn == held && !once->exchange(true)) {
                arrived->open();
                gate->wait();
            }
            return false;
        });
        JobSettings settings{folder, FolderScheme::None, 0};
        settings.replayGain = GainMode::Album;
        settings.check.writeLog = interrupt;
        RipJob job(settings, rows({FormatWav, FormatMp3, FormatOgg}), ripper, read, components());
        QObject::connect(&job, &Job::rowProgress, &job, [&](int row) {
            if (row == 1) {
                arrived->wait();
                interrupt ? job.interrupt() : job.stop();
                gate->open();
            }
        });
        JobEvents events;
        ASSERT_TRUE(events.run(job));

        EXPECT_EQ(events.only("start"), QStringList({"start 0", "start 1"}));
        EXPECT_EQ(events.only("finish"), QStringList({"finish 0"}));
        EXPECT_EQ(events.only("stop"), QStringList({"stop 1"}));
        EXPECT_EQ(events.folder, folder + "/");
        EXPECT_TRUE(wavData(events.outputs[0]) == disc.trackBytes(0));
        if (interrupt) {
            EXPECT_EQ(events.outputs[1], QString());
            EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                      QStringList({"Album 日本.log", "Op. 27.wav"}));
            QFile log(job.logPath());
            ASSERT_TRUE(log.open(QIODevice::ReadOnly));
            EXPECT_TRUE(log.readAll().contains("\nAlbum gain:      not written: not every track"));
            continue;
        }
        const Probe partial = probe(events.outputs[1]);
        EXPECT_TRUE(partial.ok);
        EXPECT_LT(partial.duration, 60 / 75.0 + 0.1);
        EXPECT_EQ(mutagenTags({events.outputs[1]}).value(0), Tags[1]);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files, QDir::Name),
                  QStringList({"No. 5 in C.mp3", "Op. 27.wav"}));
    }
}

TEST_F(RipTest, StopAsARowStartsEndsThatRowAtOnce) {
    RipJob job({out(), FolderScheme::None, 0}, rows({FormatMp3, FormatWav}), ripper, read,
               components());
    QObject::connect(&job, &Job::rowStarted, &job, [&job] { job.stop(); });
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    EXPECT_EQ(events.only("start"), QStringList({"start 0"}));
    EXPECT_EQ(events.only("stop"), QStringList({"stop 0"}));
    EXPECT_EQ(mutagenTags({events.outputs[0]}).value(0), Tags[0]);
}

TEST_F(RipTest, RmAndMp3RowsEachTakeTheirPath) {
    QStringList tagged;
    JobParts parts = components();
    parts.tags = [&tagged](const QString& output, const RowTag& tag, const TagExtras&) {
        tagged << finalNameOfPart(QFileInfo(output).fileName());
        writeRowTags(output, tag);
    };
    RipJob job({out(), FolderScheme::None, 0}, rows({FormatRm, FormatMp3}), ripper, read, parts);
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    ASSERT_TRUE(events.failures.isEmpty()) << events.lines.join('\n').toStdString();
    EXPECT_EQ(events.only("finish"), QStringList({"finish 0", "finish 1"}));
    EXPECT_EQ(tagged, QStringList({"No. 5 in C.mp3"})) << "RM files get no tags";
    const Probe rm = probe(events.outputs[0]);
    EXPECT_EQ(rm.format, "rm");
    EXPECT_NEAR(rm.duration, 2.0, 0.1);
    for (const QString& text : events.progress[0])
        EXPECT_TRUE(ProgressText.match(text).hasMatch()) << text.toStdString();
    EXPECT_EQ(mutagenTags({events.outputs[1]}).value(0), Tags[1]);
}

TEST_F(RipTest, FailedTracksAreRemovedReportedAndTheJobGoesOn) {
    const int first = disc.trackStart(1);
    // The second track cannot be read past its first few sectors.
    ripper.setFaultFilter([=](int lsn) { return lsn >= first + 20 && lsn < first + 30; });
    QVector<JobRow> list = rows({FormatWav, FormatMp3, FormatWav});
    JobRow missing = list[0];
    missing.row = 3;
    missing.track = 7;
    missing.caption = QStringLiteral("Nowhere");
    list << missing;
    RipJob job({out(), FolderScheme::None, 0}, list, ripper, read, components());
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    EXPECT_EQ(events.only("start").size(), 4);
    EXPECT_EQ(events.only("finish"), QStringList({"finish 0", "finish 2"}));
    ASSERT_EQ(job.failures().size(), 2);
    EXPECT_EQ(job.failures()[0].row, 1);
    EXPECT_TRUE(job.failures()[0].message.contains("cannot be read"))
        << job.failures()[0].message.toStdString();
    EXPECT_EQ(job.failures()[1].row, 3);
    EXPECT_EQ(QDir(out()).entryList(QDir::Files, QDir::Name),
              QStringList({"Op. 27.wav", "Vol. 2.wav"}));
    EXPECT_TRUE(wavData(events.outputs[2]) == disc.trackBytes(2));
}

// A second user who may write in the output folder swaps a link to another
// file in for the rip log, and for its part file, the moment each appears:
// the other file stays as it was, rip after rip.
TEST_F(RipTest, ALinkSwappedInForTheLogIsNeverFollowed) {
    const QString victim = dir.filePath(QStringLiteral("victim.txt"));
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("the user's own") == 14);
    file.close();
    ::chmod(QFile::encodeName(victim).constData(), 0444);
    SecondUser::mayWriteIn(out());
    SecondUser::Racer racer(out(), ".log", victim);
    JobSettings settings{out(), FolderScheme::None, 0};
    settings.check.writeLog = true;
    for (int run = 0; run < 4; ++run) {
        RipJob job(settings, rows({FormatWav}), ripper, read, components());
        JobEvents events;
        ASSERT_TRUE(events.run(job));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "the user's own") << run;
        file.close();
    }
}

} // namespace

// The database's answer becomes each row's verdict, and the rip log beside
// the files records it with the checksums; an existing log is never replaced.
TEST_F(RipTest, RowsAreVerifiedAgainstTheDatabaseAndLogged) {
    const AccurateRipId id = read.disc.layout.accurateRipId();
    ArChunk pressing{3, id.id1, id.id2, id.freedb, {}};
    QVector<quint32> crcs;
    QVector<quint32> v2s;
    for (int track = 0; track < 3; ++track) {
        const QByteArray pcm = disc.trackBytes(track);
        ArTrackChecksum sums(pcm.size() / 4, track == 0, track == 2);
        sums.add(pcm.constData(), pcm.size());
        crcs << sums.crc32();
        v2s << sums.v2();
        pressing.tracks << ArTrackEntry{quint8(7 + track), sums.v1(), sums.frame450()};
    }
    ArChunk other = pressing; // another pressing vouches for the second track through v2 only
    other.tracks[1] = {20, v2s[1], 0};
    ArChunk wrong = pressing;
    wrong.tracks[1].crc ^= 1;
    using Server = HttpTestServer;
    const struct {
        QByteArray reply;
        QStringList verdicts;
        QString closing;
    } cases[] = {
        {Server::http(200, Server::dbar({pressing, other})),
         {"accurate (confidence 7)", "accurate (confidence 20)", "accurate (confidence 9)"},
         "All tracks accurately ripped"},
        {Server::http(200, Server::dbar({wrong})),
         {"accurate (confidence 7)", "mismatch", "accurate (confidence 9)"},
         "Not accurately ripped: track 02 (mismatch)"},
        {Server::http(404, {}),
         {"not in the database", "not in the database", "not in the database"},
         "Not accurately ripped: track 01 (not in the database), track 02 (not in the "
         "database), track 03 (not in the database)"},
        {Server::http(200, "garbage"), {}, {}},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(run);
        Server server;
        server.reply = c.reply;
        JobSettings settings{out(), FolderScheme::None, 0};
        settings.check.lookUp = true;
        settings.check.writeLog = true;
        settings.check.server = server.address();
        settings.check.read.mode = ReadMode::Secure;
        RipJob job(settings, rows({FormatWav, FormatWav, FormatWav}), ripper, read, components());
        QStringList verdicts;
        QObject::connect(&job, &RipJob::rowVerified, &job,
                         [&](int, const TrackVerdict& verdict) { verdicts << verdict.text(); });
        JobEvents events;
        ASSERT_TRUE(events.run(job));
        ASSERT_EQ(verdicts.size(), 3);
        if (!c.verdicts.isEmpty())
            EXPECT_EQ(verdicts, c.verdicts);
        else
            EXPECT_TRUE(verdicts[0].startsWith("not verified: The AccurateRip reply is damaged"))
                << verdicts[0].toStdString();
        EXPECT_EQ(server.requests.size(), 1);

        // One log a rip, each under a name of its own.
        const QString name =
            run == 0 ? QStringLiteral("Album 日本.log")
                     : QStringLiteral("%1_Album 日本.log").arg(run, 2, 10, QLatin1Char('0'));
        EXPECT_EQ(job.logPath(), out() + "/" + name);
        QFile file(job.logPath());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString log = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(log.contains("Read mode:    Secure")) << log.toStdString();
        EXPECT_TRUE(log.contains("AccurateRip ID:  " + id.text()));
        EXPECT_TRUE(log.contains(
            QStringLiteral("  03     00:03.45  00:02.10  %1  %2").arg(270, 12).arg(429, 10)));
        for (int track = 0; track < 3; ++track) {
            EXPECT_TRUE(log.contains(
                QStringLiteral("  File:               %1").arg(events.outputs[track])));
            EXPECT_TRUE(log.contains(QStringLiteral("  CRC32:              %1")
                                         .arg(crcs[track], 8, 16, QLatin1Char('0'))
                                         .toUpper()));
            EXPECT_TRUE(log.contains("  Verdict:            " + verdicts[track]));
        }
        if (!c.closing.isEmpty()) {
            EXPECT_TRUE(log.trimmed().endsWith(c.closing)) << log.toStdString();
        }
        ++run;
    }
}

// CTDB is the second witness: a track either database confirms is accurate,
// and a disc CTDB holds on another pressing is found at its shift, with the
// rows that wait for the whole disc told at the end.
TEST_F(RipTest, CtdbConfirmsTracksAndFindsAnotherPressing) {
    ReferenceSums::Disc whole;
    for (int track = 0; track < 3; ++track) {
        whole.audio += disc.trackBytes(track);
        whole.ends << whole.audio.size();
    }
    const QVector<quint32> crcs = ReferenceSums::ctdbTrackCrcs(whole);
    const quint32 discCrc = ReferenceSums::ctdbDiscCrc(whole);
    const QByteArray ours = ReferenceSums::ctdbReply({{discCrc, 5, crcs}});
    using Server = HttpTestServer;
    const struct {
        QByteArray reply;
        QStringList verdicts; // as the rows are told, in list order
        QString summary;
    } cases[] = {
        {Server::http(200, ours),
         QStringList(3, "AccurateRip: not in the database; accurate in CTDB (confidence 5 of 5)"),
         "3 of 3 tracks accurate (AccurateRip 0, CTDB 3)"},
        {Server::http(
             200, ReferenceSums::ctdbReply({{discCrc ^ 1, 2, {crcs[0], crcs[1] ^ 1, crcs[2]}}})),
         {"AccurateRip: not in the database; accurate in CTDB (confidence 2 of 2)",
          "AccurateRip: not in the database; mismatch in CTDB",
          "AccurateRip: not in the database; accurate in CTDB (confidence 2 of 2)"},
         "2 of 3 tracks accurate (AccurateRip 0, CTDB 2)"},
        {Server::http(200, ReferenceSums::ctdbReply(
                               {{ReferenceSums::ctdbDiscCrc(whole, 123), 4, {1, 2, 3}}})),
         QStringList(3, "AccurateRip: not in the database; accurate in CTDB with a pressing "
                        "offset of +123 samples (confidence 4 of 4)"),
         "3 of 3 tracks accurate (AccurateRip 0, CTDB 3)"},
        {Server::http(404, {}), QStringList(3, "AccurateRip: not in the database; not in CTDB"),
         "0 of 3 tracks accurate (AccurateRip 0, CTDB 0)"},
        {Server::http(200, ours.left(100)),
         QStringList(3, "AccurateRip: not in the database; not verified in CTDB: The CTDB reply "
                        "is damaged: premature end of document."),
         "0 of 3 tracks accurate (AccurateRip 0, CTDB 0)"},
    };
    for (const auto& c : cases) {
        Server server;
        server.respond = [&](const QByteArray& request) {
            return request.startsWith("GET /lookup2.php?") ? c.reply : Server::http(404, {});
        };
        JobSettings settings{out(), FolderScheme::None, 0};
        settings.check.lookUp = settings.check.lookUpCtdb = settings.check.writeLog = true;
        settings.check.server = settings.check.ctdbServer = server.address();
        RipJob job(settings, rows({FormatWav, FormatWav, FormatWav}), ripper, read, components());
        std::map<int, QString> verdicts;
        QObject::connect(&job, &RipJob::rowVerified, &job,
                         [&](int row, const TrackVerdict& v) { verdicts[row] = v.text(); });
        JobEvents events;
        ASSERT_TRUE(events.run(job));
        QStringList told;
        for (const auto& [row, text] : verdicts)
            told << text;
        EXPECT_EQ(told.join(" | ").toStdString(), c.verdicts.join(" | ").toStdString());
        QFile log(job.logPath());
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        EXPECT_TRUE(text.trimmed().endsWith(c.summary)) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("  CTDB CRC32:         %1")
                                      .arg(crcs[1], 8, 16, QLatin1Char('0'))
                                      .toUpper()));
        QDir(out()).removeRecursively();
    }
}

// Every sample of the disc lands in exactly one file, a gap at the end of the
// track before it, and the cue sheet beside the files reads back as the same
// disc. Five seconds of noise before track 1 are a hidden track of their own;
// 30 silent sectors, or two seconds of silence, are left out, and the log says why. The disc as one
// FLAC carries its cue sheet inside, where libFLAC's tools find it.
TEST(WholeDiscRip, FilesHoldTheDiscAndTheirCueSheetReadsBackAsIt) {
    const struct {
        const char* what;
        int hidden;
        int silence;
        bool image;
        QString logLine;
    } cases[] = {
        {"five seconds of noise", 375, 0, false,
         "  Hidden track:    00:05.00 before track 01, ripped as track 00"},
        {"30 silent sectors", 30, 30, false, "before track 01 are left out: shorter than a second"},
        {"two silent seconds", 150, 150, false, "before track 01 are left out: digital silence"},
        {"the disc as one FLAC", 375, 0, true, "in the file of the whole disc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        QFile::remove(SettingsFile::defaultPath());
        const int realDrives = CdDriveList::scan(SettingsFile(SettingsFile::defaultPath())).size();
        DiscImage disc;
        disc.content = DiscImage::Content::Noise;
        disc.leadingSilence = c.silence;
        disc.catalog = QStringLiteral("0724384960650");
        disc.album = QStringLiteral("Album");
        disc.tracks = {{300, c.hidden, false, "One", "A", "GBAYE6700149", true},
                       {400, 150, false, "Two", "A", "GBAYE6700150"},
                       {500, 0, false, "Three", "A", {}, false, {100}}};
        SettingsFile(SettingsFile::defaultPath())
            .ini()
            .writeString("Drives", "image1", disc.write(dir.path(), "disc"));
        CdioDiscReader reader{SettingsFile::defaultPath()};
        CdioRipper ripper{reader};
        reader.setMediaPollInterval(3600 * 1000);
        reader.initialize();
        reader.setCurrentDrive(realDrives + 1);
        const NamedDisc named =
            DriveSession::name(reader.readDisc(), reader.currentDrive(), std::nullopt);
        ASSERT_EQ(named.disc.hiddenTrack, c.silence == 0);
        QVector<JobRow> rows;
        const OutputFormat format = c.image ? FormatFlac : FormatWav;
        for (int track = named.disc.hiddenTrack ? Disc::HiddenTrack : 0; track < 3;
             track = track < 0 ? 0 : track + 1) {
            const QString title = DriveSession::trackTag(named.disc, std::nullopt, track).title;
            rows << JobRow{int(rows.size()), title, {}, track, format, {title, "A", "Album"}};
        }
        if (c.image)
            rows = {wholeDiscRow(rows[1])};
        const QString out = dir.filePath("out");
        JobSettings settings{out, FolderScheme::None, 0};
        settings.check.writeLog = true;
        settings.check.cueSheet = 1;
        RipJob job(settings, rows, ripper, named,
                   {settingsWriters(dir.filePath("encoders.ini")), {}, {}, rmWriters()});
        JobEvents events;
        ASSERT_TRUE(events.run(job));
        ASSERT_TRUE(events.failures.isEmpty()) << events.lines.join('\n').toStdString();

        const int first = c.silence == 0 ? 0 : c.hidden;
        QByteArray image;
        for (int frame = first; frame < disc.totalFrames(); ++frame)
            image += disc.frame(frame);
        const DiscLayout& layout = named.disc.layout;
        const std::unique_ptr<CdDisc> again = CdDisc::open({out + "/Album.cue", true});
        ASSERT_TRUE(again) << ImageSheet::check(out + "/Album.cue").error.toStdString();
        EXPECT_EQ(again->contents().layout, layout);
        EXPECT_EQ(again->contents().layout.accurateRipId(), layout.accurateRipId());
        QByteArray read(image.size(), '\0');
        EXPECT_TRUE(again->readAudio(first, disc.totalFrames() - first, read.data()));
        EXPECT_TRUE(read == image);
        if (c.image) {
            const QString flac = out + "/Album.flac";
            QProcess tool;
            tool.start("flac", {"-t", "-s", flac});
            EXPECT_TRUE(tool.waitForFinished() && tool.exitCode() == 0);
            tool.start("metaflac", {"--export-cuesheet-to=-", flac});
            ASSERT_TRUE(tool.waitForFinished());
            const QString sheet = QString::fromUtf8(tool.readAllStandardOutput());
            EXPECT_TRUE(sheet.contains("    INDEX 01 00:05:00") &&
                        sheet.contains("ISRC GBAYE6700150"))
                << sheet.toStdString();
        } else {
            QByteArray files;
            for (int row = 0; row < rows.size(); ++row)
                files += wavData(events.outputs[row]);
            EXPECT_TRUE(files == image);
            EXPECT_TRUE(QFile::exists(out + "/Album.m3u8"));
        }
        QFile log(job.logPath());
        ASSERT_TRUE(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        EXPECT_TRUE(text.contains(c.logLine)) << text.toStdString();
        EXPECT_TRUE(text.contains("  Track 02:  gap 00:02.00, ISRC GBAYE6700150"))
            << text.toStdString();
        EXPECT_TRUE(text.contains("  Cue sheet:       " + out + "/Album.cue"));
    }
}

// Two formats from one read: each format's folder holds its files, its log
// and its cue sheet naming them, and the FLAC files are the disc's audio. An
// Opus file that fails fails its row for Opus alone, and the logs say so.
TEST_F(RipTest, TwoFormatsFromOneReadEachWithItsOwnLogAndCueSheet) {
    for (const bool opusFails : {false, true}) {
        SCOPED_TRACE(opusFails);
        QDir(out()).removeRecursively();
        JobParts parts = components();
        const WriterFactory real = parts.writer;
        parts.writer =
            [real, opusFails](OutputFormat format,
                              const EncoderSettings& encoders) -> std::unique_ptr<AudioWriter> {
            struct Refusing : ForwardingWriter {
                using ForwardingWriter::ForwardingWriter;
                void write(const QByteArray&) override {
                    throw std::runtime_error("No space left on the device.");
                }
            };
            if (opusFails && format == FormatOpus)
                return std::make_unique<Refusing>(real(format, encoders));
            return real(format, encoders);
        };
        JobSettings settings{out(), FolderScheme::None, 0};
        settings.check.writeLog = true;
        settings.check.cueSheet = 2;
        settings.alsoMake = {FormatOpus};
        settings.replayGain = GainMode::Album;
        RipJob job(settings, rows({FormatFlac, FormatFlac, FormatFlac}), ripper, read, parts);
        job.setMaxRunningRows(2);
        JobEvents events;
        ASSERT_TRUE(events.run(job));
        EXPECT_EQ(events.failures.size(), opusFails ? 3 : 0);
        QStringList tagged;
        for (int track = 0; track < 3; ++track) {
            const QString name = QString(Tags[track].title).remove(QRegularExpression("\\.$"));
            const QString flac = out() + "/FLAC/" + name + ".flac";
            const QString opus = out() + "/Opus/" + name + ".opus";
            EXPECT_TRUE(decode(flac) == disc.trackBytes(track)) << track;
            EXPECT_TRUE(job.gainOf(track).albumGain.has_value());
            EXPECT_EQ(QFile::exists(opus), !opusFails);
            tagged << flac;
            if (opusFails) {
                EXPECT_EQ(events.failures[track], "Opus: No space left on the device.");
                continue;
            }
            // Decoded at Opus's own rate, trimmed by its pre-skip.
            EXPECT_NEAR(decode(opus, 48000, 2).size() / 4 / 48000.0,
                        disc.tracks[track].frames / 75.0, 0.002);
            tagged << opus;
        }
        const QList<RowTag> found = mutagenTags(tagged);
        ASSERT_EQ(found.size(), tagged.size());
        for (int i = 0; i < found.size(); ++i)
            EXPECT_EQ(found[i], Tags[opusFails ? i : i / 2]) << tagged[i].toStdString();
        EXPECT_EQ(job.logPaths().size(), 2);
        for (const QString folder : {"FLAC", "Opus"}) {
            const QString suffix = folder == QLatin1String("FLAC") ? "flac" : "opus";
            const bool failed = opusFails && suffix == "opus";
            QFile log(out() + "/" + folder + "/Album 日本.log");
            ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << log.fileName().toStdString();
            const QString text = QString::fromUtf8(log.readAll());
            EXPECT_EQ(text.count("  Not ripped: No space left"), failed ? 3 : 0)
                << text.toStdString();
            EXPECT_EQ(text.count("." + suffix + "\n"), failed ? 0 : 3) << text.toStdString();
            QFile sheet(out() + "/" + folder + "/Album 日本.cue");
            EXPECT_EQ(sheet.open(QIODevice::ReadOnly), !failed);
            EXPECT_EQ(QString::fromUtf8(sheet.readAll()).count("." + suffix + "\" "),
                      failed ? 0 : 3);
        }
    }
}
