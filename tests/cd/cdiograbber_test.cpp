#include "cd/offsetfinder.h"
#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiograbber.h"
#include "components/cdio/driveuse.h"
#include "components/componenterror.h"
#include "components/output/outputwriter.h"
#include "discimage.h"
#include "recordingwriter.h"
#include "settings/settingsfile.h"
#include "support/httptestserver.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

DiscImage standardDisc() {
    DiscImage disc;
    disc.album = QStringLiteral("Album Title");
    disc.artist = QStringLiteral("Album Artist");
    disc.tracks = {
        {150, 0, false, QStringLiteral("First Song"), QStringLiteral("Singer One")},
        {200, 0, false, QString(), QString()},
        {160, 30, false, QStringLiteral("Third"), QString()},
    };
    return disc;
}

// Holds the rip thread in its next read until opened, so that a test can act
// while the rip is surely under way.
class Gate {
public:
    // Called on the rip thread; returns once the gate is open.
    void pass() {
        std::unique_lock<std::mutex> lock(m_lock);
        m_waiting = true;
        m_changed.wait(lock, [this] { return m_open; });
    }
    bool waiting() {
        const std::lock_guard<std::mutex> lock(m_lock);
        return m_waiting;
    }
    void open() {
        const std::lock_guard<std::mutex> lock(m_lock);
        m_open = true;
        m_changed.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_waiting = false;
    bool m_open = false;
};

struct Rip {
    QList<double> progress;
    QStringList errors;
    bool openAt100 = true;
};

class GrabberTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QFile::remove(SettingsFile::defaultPath());
        // Whatever optical drives this machine has come first.
        m_realDrives = CdDriveList::scan(SettingsFile(SettingsFile::defaultPath())).size();
    }

    QString addImage(const DiscImage& image, const QString& name) {
        const QString path = image.write(m_dir.path(), name);
        SettingsFile(SettingsFile::defaultPath())
            .ini()
            .writeString(QStringLiteral("Drives"), QStringLiteral("image%1").arg(++m_images), path);
        return path;
    }

    // A grabber on the first image, with its disc read.
    void start() {
        m_writer = std::make_shared<RecordingWriter>();
        m_grabber = std::make_unique<CdioGrabber>(SettingsFile::defaultPath());
        m_grabber->initialize();
        m_grabber->setCurrentDrive(m_realDrives + 1);
        m_grabber->readDisc();
    }

    QString output(const QString& name) const { return m_dir.filePath(name); }

    Rip rip(int track, const QString& path) {
        Rip result;
        QObject context;
        QObject::connect(m_grabber.get(), &CdGrabber::onOperationProgress, &context,
                         [&](double percent) {
                             result.progress << percent;
                             if (percent == 100.0)
                                 result.openAt100 = m_writer->getIsOpen();
                         });
        QObject::connect(m_grabber.get(), &CdGrabber::onGrabError, &context,
                         [&](const QString& error) { result.errors << error; });
        m_grabber->selectTrack(track);
        m_grabber->grabToFile(path, m_writer);
        const bool ended = QTest::qWaitFor(
            [&] {
                return (!result.progress.isEmpty() && result.progress.last() == 100.0) ||
                       !result.errors.isEmpty();
            },
            20000);
        EXPECT_TRUE(ended);
        settle();
        return result;
    }

    // Waits for the rip's thread to let go of the drive, and takes in what
    // it reported before: nothing can follow after that.
    void settle() {
        const QString drive = m_grabber->getDriveId();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !DriveUse::isBusy(drive); }, 20000));
        QCoreApplication::sendPostedEvents();
    }

    QByteArray rawTrack(int track, int block) {
        m_grabber->selectTrack(track);
        m_grabber->beginRawRead();
        QByteArray all;
        for (QByteArray part; !(part = m_grabber->readRawAudio(block)).isEmpty();)
            all += part;
        m_grabber->endRawRead();
        return all;
    }

    QTemporaryDir m_dir;
    int m_realDrives = 0;
    int m_images = 0;
    std::shared_ptr<RecordingWriter> m_writer;
    std::unique_ptr<CdioGrabber> m_grabber;
};

TEST_F(GrabberTest, ImagesFollowTheRealDrivesInKeyOrder) {
    const QString first = addImage(standardDisc(), QStringLiteral("one"));
    const QString second = addImage(standardDisc(), QStringLiteral("two"));
    start();
    ASSERT_EQ(m_grabber->getDriveCount(), m_realDrives + 2);
    m_grabber->setCurrentDrive(m_realDrives + 2);
    EXPECT_EQ(m_grabber->getDriveId(), second);
    m_grabber->setCurrentDrive(m_realDrives + 1);
    EXPECT_EQ(m_grabber->getDriveId(), first);
    EXPECT_EQ(m_grabber->getDriveVendor(), QStringLiteral("Disc image"));
    EXPECT_EQ(m_grabber->getDriveProduct(), QStringLiteral("CUE"));
    EXPECT_FALSE(m_grabber->getDriveRevision().isEmpty());
    EXPECT_THROW(m_grabber->setCurrentDrive(m_realDrives + 3), ComponentError);
    EXPECT_THROW(m_grabber->setCurrentDrive(0), ComponentError);
}

TEST_F(GrabberTest, TableOfContentsGivesTimesAndCdText) {
    addImage(standardDisc(), QStringLiteral("disc"));
    start();
    ASSERT_EQ(m_grabber->getTrackCount(), 3);

    m_grabber->selectTrack(0);
    EXPECT_EQ(m_grabber->getTrackLength(), 150);
    EXPECT_EQ(m_grabber->getTrackMinutes(), 0);
    EXPECT_EQ(m_grabber->getTrackSeconds(), 2);
    EXPECT_EQ(m_grabber->getTrackFrames(), 0);
    EXPECT_EQ(m_grabber->getTrackTitle(), QStringLiteral("First Song"));
    EXPECT_EQ(m_grabber->getTrackArtist(), QStringLiteral("Singer One"));
    EXPECT_EQ(m_grabber->getTrackAlbum(), QStringLiteral("Album Title"));

    // The next track's pregap belongs to this one, as the table of contents has it.
    m_grabber->selectTrack(1);
    EXPECT_EQ(m_grabber->getTrackLength(), 230);
    EXPECT_EQ(m_grabber->getTrackSeconds(), 3);
    EXPECT_EQ(m_grabber->getTrackFrames(), 5);
    EXPECT_EQ(m_grabber->getTrackTitle(), QStringLiteral("Session1 Track2"));
    EXPECT_EQ(m_grabber->getTrackArtist(), QStringLiteral("Album Artist"));

    m_grabber->selectTrack(2);
    EXPECT_EQ(m_grabber->getTrackLength(), 160);
    EXPECT_EQ(m_grabber->getTrackFrames(), 10);
    EXPECT_EQ(m_grabber->getTrackTitle(), QStringLiteral("Third"));

    EXPECT_THROW(m_grabber->selectTrack(3), ComponentError);
    EXPECT_THROW(m_grabber->selectTrack(-1), ComponentError);
}

TEST_F(GrabberTest, DiscWithoutCdTextHasPlaceholdersAndNoArtist) {
    DiscImage disc;
    disc.tracks = {{100, 0, false, {}, {}}, {80, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("plain"));
    start();
    ASSERT_EQ(m_grabber->getTrackCount(), 2);
    m_grabber->selectTrack(1);
    EXPECT_EQ(m_grabber->getTrackTitle(), QStringLiteral("Session1 Track2"));
    EXPECT_EQ(m_grabber->getTrackArtist(), QString());
    EXPECT_EQ(m_grabber->getTrackAlbum(), QString());
}

TEST_F(GrabberTest, CdTextIsCleanedAndCut) {
    DiscImage disc = standardDisc();
    disc.tracks[0].title = QStringLiteral("Bad\x01Title");
    disc.tracks[2].title = QString(400, QLatin1Char('x'));
    addImage(disc, QStringLiteral("dirty"));
    start();
    m_grabber->selectTrack(0);
    EXPECT_EQ(m_grabber->getTrackTitle(), QStringLiteral("BadTitle"));
    m_grabber->selectTrack(2);
    EXPECT_LE(m_grabber->getTrackTitle().size(), 255);
}

TEST_F(GrabberTest, MissingImageIsAnEmptyDrive) {
    const QString path = addImage(standardDisc(), QStringLiteral("gone"));
    QFile::remove(path);
    start();
    EXPECT_EQ(m_grabber->getTrackCount(), 0);
    EXPECT_THROW(m_grabber->selectTrack(0), ComponentError);
    EXPECT_EQ(CdDriveList::volume(CdDrive{path, true}).readable, false);
}

TEST_F(GrabberTest, RippedTrackHoldsExactlyItsBytesInEveryMode) {
    const DiscImage disc = standardDisc();
    addImage(disc, QStringLiteral("disc"));
    start();
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        m_grabber->setReadMode(mode);
        const QString path = output(QStringLiteral("track2-%1.wav").arg(mode));
        const Rip result = rip(1, path);
        ASSERT_TRUE(result.errors.isEmpty()) << result.errors.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(result.progress.count(100.0), 1);
        EXPECT_FALSE(result.openAt100); // the file is complete when 100 arrives
        EXPECT_TRUE(std::is_sorted(result.progress.begin(), result.progress.end()));
        EXPECT_EQ(wavData(path), disc.trackBytes(1));
        EXPECT_EQ(m_writer->rate, 44100);
        EXPECT_EQ(m_writer->channels, 2);
    }
}

// Byte order comes from the source and a clean read is never altered, on
// content that makes a library guess wrong: noise and near-silence for the
// byte order, steady periods for jitter correction; a MOTOROLA sheet's
// big-endian data comes out little-endian.
TEST_F(GrabberTest, AdversarialAudioRipsExactlyInEveryMode) {
    using Content = DiscImage::Content;
    struct Case {
        Content content;
        int pattern;
        bool motorola;
    };
    const Case cases[] = {{Content::Noise, 1, false},
                          {Content::Noise, 2, false},
                          {Content::Noise, 3, false},
                          {Content::Tone, 1, false},
                          {Content::SilenceWithClick, 1, false},
                          {Content::Square, 1, false},
                          {Content::Constant, 1, false},
                          {Content::MusicLike, 1, false},
                          {Content::Noise, 4, true},
                          {Content::Tone, 1, true}};
    int image = 0;
    for (const Case& c : cases) {
        DiscImage disc;
        disc.tracks = {{750, 0, false, {}, {}}};
        disc.content = c.content;
        disc.pattern = c.pattern;
        disc.motorola = c.motorola;
        const QString name = QStringLiteral("adversarial%1").arg(++image);
        const QString sheet = disc.write(m_dir.path(), name);
        SettingsFile(SettingsFile::defaultPath())
            .ini()
            .writeString(QStringLiteral("Drives"), QStringLiteral("image1"), sheet);
        start();
        for (int mode = 0; mode < 4; ++mode) {
            SCOPED_TRACE(QStringLiteral("image %1 mode %2").arg(image).arg(mode).toStdString());
            m_grabber->setReadMode(mode);
            const QString path = output(QStringLiteral("%1-%2.wav").arg(name).arg(mode));
            const Rip result = rip(0, path);
            ASSERT_TRUE(result.errors.isEmpty());
            EXPECT_TRUE(wavData(path) == disc.trackBytes(0));
        }
        m_grabber.reset();
    }
}

// Track track of the disc as a drive with this read offset reads it once
// the offset is applied: that many samples later, silence beyond the disc.
QByteArray shifted(const DiscImage& disc, int track, int offset) {
    QByteArray stream;
    for (int t = 0; t < disc.tracks.size(); ++t)
        stream += disc.trackBytes(t);
    const qint64 from = (qint64(disc.trackStart(track) - disc.trackStart(0)) * 588 + offset) * 4;
    const qint64 size = disc.trackBytes(track).size();
    QByteArray expected(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        if (from + i >= 0 && from + i < stream.size())
            expected[i] = stream[from + i];
    return expected;
}

// A drive that reads early or late is set right by its offset: the track
// comes from that many samples later on the disc, silent beyond the disc's
// audio; the checks describe exactly the PCM that was written.
TEST_F(GrabberTest, ReadOffsetShiftsTheTrackAndChecksumsFollowThePcm) {
    DiscImage disc = standardDisc();
    disc.content = DiscImage::Content::Noise;
    addImage(disc, QStringLiteral("offset"));
    start();
    for (const int offset : {0, 6, -667, 1234, -3000, 3000}) {
        for (const int track : {0, 2}) {
            for (const int mode : {0, 2}) {
                SCOPED_TRACE(QStringLiteral("offset %1 track %2 mode %3")
                                 .arg(offset)
                                 .arg(track)
                                 .arg(mode)
                                 .toStdString());
                m_grabber->setReadOffset(offset);
                m_grabber->setReadMode(mode);
                const QString path =
                    output(QStringLiteral("o%1-%2-%3.wav").arg(offset).arg(track).arg(mode));
                ASSERT_TRUE(rip(track, path).errors.isEmpty());
                const QByteArray expected = shifted(disc, track, offset);
                const qint64 size = expected.size();
                const QByteArray pcm = wavData(path);
                EXPECT_TRUE(pcm == expected);

                const TrackCheck check = m_grabber->getTrackCheck();
                ArTrackChecksum sums(size / 4, track == 0, track == 2);
                sums.add(expected.constData(), expected.size());
                EXPECT_TRUE(check.complete);
                EXPECT_EQ(check.offset, offset);
                EXPECT_EQ(check.crc32, sums.crc32());
                EXPECT_EQ(check.v1, sums.v1());
                EXPECT_EQ(check.v2, sums.v2());
            }
        }
    }
    const DiscLayout layout = m_grabber->getDiscLayout();
    ASSERT_EQ(layout.tracks.size(), 3);
    EXPECT_EQ(layout.tracks[2].start, disc.trackStart(2));
    EXPECT_EQ(layout.leadout, disc.totalFrames());
}

// The database holds the disc as a drive with offset +667 reads it. Read
// with a wrong offset, the offset is found from the frame-450 checksums, and
// a rip with it matches the database.
TEST_F(GrabberTest, ASimulatedDriveOffsetIsFoundAndCorrected) {
    DiscImage disc;
    disc.tracks = {{600, 0, false, {}, {}}, {500, 0, false, {}, {}}, {470, 0, false, {}, {}}};
    disc.content = DiscImage::Content::MusicLike;
    addImage(disc, QStringLiteral("offsetdisc"));
    start();
    const int truth = 667;
    const AccurateRipId id = m_grabber->getDiscLayout().accurateRipId();
    ArChunk chunk{3, id.id1, id.id2, id.freedb, {}};
    for (int track = 0; track < 3; ++track) {
        const QByteArray pcm = shifted(disc, track, truth);
        ArTrackChecksum sums(pcm.size() / 4, track == 0, track == 2);
        sums.add(pcm.constData(), pcm.size());
        chunk.tracks << ArTrackEntry{4, sums.v1(), sums.frame450()};
    }
    HttpTestServer server;
    server.reply = HttpTestServer::http(200, HttpTestServer::dbar({chunk}));

    m_grabber->setReadOffset(-100);
    OffsetFinder finder(*m_grabber, server.address(), {});
    QSignalSpy progress(&finder, &OffsetFinder::progress);
    std::optional<int> found;
    QString text;
    bool done = false;
    QObject::connect(&finder, &OffsetFinder::finished, &finder,
                     [&](std::optional<int> offset, const QString& message) {
                         found = offset;
                         text = message;
                         done = true;
                     });
    finder.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 20000));
    EXPECT_EQ(found, truth) << text.toStdString();
    EXPECT_EQ(text, QStringLiteral("Read offset +667 found in 3 of 3 tracks."));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last()[0].toInt(), 100) << "the comparing, off the window's thread";

    m_grabber->setReadOffset(*found);
    ASSERT_TRUE(rip(1, output(QStringLiteral("corrected.wav"))).errors.isEmpty());
    const TrackCheck check = m_grabber->getTrackCheck();
    EXPECT_EQ(verifyTrack({chunk}, 1, check.v1, check.v2).status, ArVerdict::Accurate);

    // Agreement: the most tracks win; a tie is no answer.
    EXPECT_EQ(OffsetFinder::agreedOffset({{6}, {6}, {}, {48}}), 6);
    EXPECT_EQ(OffsetFinder::agreedOffset({{6}, {48}}), std::nullopt);
    EXPECT_EQ(OffsetFinder::agreedOffset({{}, {}}), std::nullopt);
    EXPECT_EQ(OffsetFinder::agreedOffset({{1}, {2}, {3}, {3}}), 3) << "more votes end a tie";
}

TEST_F(GrabberTest, ProgramsOutputWriterTakesTheRipFromTheWorker) {
    const DiscImage disc = standardDisc();
    addImage(disc, QStringLiteral("disc"));
    auto real = std::make_shared<OutputWriter>();
    CdioGrabber grabber(SettingsFile::defaultPath());
    grabber.initialize();
    grabber.setCurrentDrive(m_realDrives + 1);
    grabber.readDisc();
    grabber.setReadMode(2);
    QList<double> progress;
    QObject::connect(&grabber, &CdGrabber::onOperationProgress,
                     [&](double percent) { progress << percent; });
    const auto ripTo = [&](const QString& path) {
        progress.clear();
        grabber.selectTrack(2);
        grabber.grabToFile(path, real);
        EXPECT_TRUE(QTest::qWaitFor([&] { return progress.contains(100.0); }, 20000));
        EXPECT_FALSE(real->getIsOpen());
    };

    real->setWavFormat(44100, 2, 16);
    ripTo(output(QStringLiteral("real.wav")));
    EXPECT_EQ(wavData(output(QStringLiteral("real.wav"))), disc.trackBytes(2));

    real->setOggFormat({44100, 2, 128, 0, 0, -1});
    ripTo(output(QStringLiteral("real.ogg")));
    QFile ogg(output(QStringLiteral("real.ogg")));
    ASSERT_TRUE(ogg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ogg.read(4) == "OggS");
}

TEST_F(GrabberTest, RawReadsCoverTheTrackExactly) {
    const DiscImage disc = standardDisc();
    addImage(disc, QStringLiteral("disc"));
    start();
    for (int mode : {0, 2}) {
        m_grabber->setReadMode(mode);
        EXPECT_EQ(rawTrack(2, 10), disc.trackBytes(2));
        EXPECT_EQ(rawTrack(0, 7), disc.trackBytes(0));
    }

    // Seeking counts frames from the start of the track; Stop/startReading resume.
    m_grabber->selectTrack(1);
    m_grabber->beginRawRead();
    m_grabber->seekRawRead(100);
    m_grabber->startReading();
    EXPECT_EQ(m_grabber->readRawAudio(3), disc.trackBytes(1).mid(100 * 2352, 3 * 2352));
    m_grabber->stopReading();
    EXPECT_EQ(m_grabber->readRawAudio(2), disc.trackBytes(1).mid(103 * 2352, 2 * 2352));
    m_grabber->seekRawRead(229);
    EXPECT_EQ(m_grabber->readRawAudio(10).size(), 2352);
    EXPECT_TRUE(m_grabber->readRawAudio(10).isEmpty());
    m_grabber->endRawRead();
    m_grabber->endRawRead(); // a second end is harmless
    EXPECT_THROW(m_grabber->readRawAudio(1), ComponentError);
}

TEST_F(GrabberTest, AbortSilencesTheRipAndLeavesTheWriterAlone) {
    DiscImage disc;
    disc.tracks = {{3000, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("long"));
    start();
    m_grabber->setReadMode(2); // full paranoia must wind down as burst reads do
    Gate gate;
    RecordingWriter* writer = m_writer.get();
    // Once the rip has written (and reported) something.
    m_grabber->setFaultFilter([&gate, writer](int) {
        if (writer->writes >= 2)
            gate.pass();
        return false;
    });
    QList<double> progress;
    QObject::connect(m_grabber.get(), &CdGrabber::onOperationProgress,
                     [&](double percent) { progress << percent; });
    m_grabber->selectTrack(0);
    m_grabber->grabToFile(output(QStringLiteral("long.wav")), m_writer);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.waiting(); }, 20000));
    EXPECT_TRUE(DriveUse::isBusy(m_grabber->getDriveId()));

    QCoreApplication::sendPostedEvents();
    m_grabber->abortGrab(); // returns while the rip thread is still held
    const int writes = m_writer->writes;
    const int seen = progress.size();
    EXPECT_GT(seen, 0);
    gate.open();
    settle();
    EXPECT_EQ(m_writer->writes, writes); // the writer is left alone
    EXPECT_EQ(progress.size(), seen);    // and nothing is reported
    EXPECT_FALSE(progress.contains(100.0));
    EXPECT_TRUE(m_writer->getIsOpen()); // closing is the caller's, as after any stop
    m_writer->close();

    // A new rip can start right away and completes.
    m_grabber->setFaultFilter({});
    const Rip again = rip(0, output(QStringLiteral("again.wav")));
    EXPECT_EQ(again.progress.count(100.0), 1);
}

TEST_F(GrabberTest, SecondRipWhileOneRunsIsRefused) {
    DiscImage disc;
    disc.tracks = {{2000, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("busy"));
    start();
    m_grabber->selectTrack(0);
    m_grabber->grabToFile(output(QStringLiteral("a.wav")), m_writer);
    EXPECT_THROW(m_grabber->grabToFile(output(QStringLiteral("b.wav")), m_writer), ComponentError);
    m_grabber->abortGrab();
    settle();
}

TEST_F(GrabberTest, RipsAndRawReadsKeepThePollerOffTheDriveTillTheyEnd) {
    const QString cue = addImage(standardDisc(), QStringLiteral("held"));
    start();
    m_grabber->setMediaPollInterval(5);
    int changes = 0;
    QObject::connect(m_grabber.get(), &CdGrabber::onMediaChange, [&] { ++changes; });
    Gate gate;
    m_grabber->setFaultFilter([&gate](int) {
        gate.pass();
        return false;
    });
    m_grabber->setReadMode(0);
    m_grabber->selectTrack(0);
    m_grabber->grabToFile(output(QStringLiteral("held.wav")), m_writer);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.waiting(); }, 20000));
    EXPECT_TRUE(DriveUse::isBusy(cue));
    // Another disc goes in while the rip reads: nobody looks until it ends.
    DiscImage other;
    other.tracks = {{300, 0, false, {}, {}}, {240, 0, false, {}, {}}};
    ASSERT_FALSE(other.swapInto(m_dir.path(), QStringLiteral("held")).isEmpty());
    EXPECT_FALSE(m_grabber->mediaWatcher()->poll());
    gate.open();
    settle();
    EXPECT_FALSE(DriveUse::isBusy(cue));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 1; }, 20000));

    m_grabber->setFaultFilter({});
    m_grabber->readDisc();
    m_grabber->selectTrack(0);
    m_grabber->beginRawRead();
    EXPECT_TRUE(DriveUse::isBusy(cue));
    EXPECT_FALSE(m_grabber->mediaWatcher()->poll());
    m_grabber->endRawRead();
    EXPECT_FALSE(DriveUse::isBusy(cue));
    // A raw read refused for a changed disc does not hold the drive either.
    ASSERT_FALSE(standardDisc().swapInto(m_dir.path(), QStringLiteral("held")).isEmpty());
    EXPECT_THROW(m_grabber->beginRawRead(), ComponentError);
    EXPECT_FALSE(DriveUse::isBusy(cue));
}

TEST_F(GrabberTest, UnreadableSectorsFollowTheErrorActionInEveryMode) {
    DiscImage disc;
    disc.tracks = {{120, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("scratched"));
    start();
    const int bad = 40; // frames 40..44 of the track cannot be read
    m_grabber->setFaultFilter([=](int lsn) { return lsn >= bad && lsn < bad + 5; });
    const QByteArray clean = disc.trackBytes(0);
    QByteArray silenced = clean;
    silenced.replace(bad * 2352, 5 * 2352, QByteArray(5 * 2352, '\0'));
    QByteArray cut = clean;
    cut.remove(bad * 2352, 5 * 2352);

    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        m_grabber->setReadMode(mode);
        m_grabber->setRetryCount(2);

        m_grabber->setErrorAction(0);
        const QString stopped = output(QStringLiteral("stop%1.wav").arg(mode));
        const Rip stop = rip(0, stopped);
        EXPECT_EQ(stop.progress.count(100.0), 0);
        ASSERT_EQ(stop.errors.size(), 1);
        EXPECT_TRUE(stop.errors[0].contains(QStringLiteral("cannot be read")));
        EXPECT_EQ(m_grabber->lastGrabError(), stop.errors[0]);
        EXPECT_FALSE(m_writer->getIsOpen()); // what came before the error is a proper file
        EXPECT_EQ(wavData(stopped), clean.left(wavData(stopped).size()));

        m_grabber->setErrorAction(1);
        const QString silent = output(QStringLiteral("silence%1.wav").arg(mode));
        EXPECT_EQ(rip(0, silent).progress.count(100.0), 1);
        EXPECT_EQ(wavData(silent), silenced);
        // The log counts what the lost sectors cost; silence still makes a whole track.
        const TrackCheck silentCheck = m_grabber->getTrackCheck();
        EXPECT_EQ(silentCheck.silencedSectors, 5);
        EXPECT_GE(silentCheck.rereadSectors, 5 * 2);
        EXPECT_TRUE(silentCheck.complete);

        m_grabber->setErrorAction(2);
        const QString short_ = output(QStringLiteral("cut%1.wav").arg(mode));
        EXPECT_EQ(rip(0, short_).progress.count(100.0), 1);
        EXPECT_EQ(wavData(short_), cut);
        // A track with sectors left out cannot match anyone's rip.
        EXPECT_EQ(m_grabber->getTrackCheck().skippedSectors, 5);
        EXPECT_FALSE(m_grabber->getTrackCheck().complete);
    }

    // Raw reads follow the same action.
    m_grabber->setReadMode(0);
    m_grabber->setErrorAction(0);
    m_grabber->beginRawRead();
    m_grabber->seekRawRead(bad - 1);
    EXPECT_THROW(m_grabber->readRawAudio(3), ComponentError);
    m_grabber->setErrorAction(2);
    m_grabber->beginRawRead();
    m_grabber->seekRawRead(bad);
    EXPECT_EQ(m_grabber->readRawAudio(5), clean.mid((bad + 5) * 2352, 2352));
    m_grabber->endRawRead();
}

TEST_F(GrabberTest, DiscTakenOutDuringRipEndsItWhateverTheAction) {
    DiscImage disc;
    disc.tracks = {{300, 0, false, {}, {}}};
    const QString cue = addImage(disc, QStringLiteral("removed"));
    start();
    m_grabber->setReadMode(2);
    m_grabber->setErrorAction(1); // even "Silence" must not fill the rest with nothing
    m_grabber->setFaultFilter([cue](int lsn) {
        if (lsn < 100)
            return false;
        QFile::rename(cue, cue + QStringLiteral(".away"));
        return true;
    });
    const Rip result = rip(0, output(QStringLiteral("removed.wav")));
    EXPECT_EQ(result.progress.count(100.0), 0);
    ASSERT_EQ(result.errors.size(), 1);
    EXPECT_TRUE(result.errors[0].contains(QStringLiteral("removed")));
}

TEST_F(GrabberTest, ChangedDiscSinceReadDiscFailsTheRip) {
    const QString cue = addImage(standardDisc(), QStringLiteral("swap"));
    start();
    DiscImage other;
    other.tracks = {{90, 0, false, {}, {}}, {90, 0, false, {}, {}}};
    other.write(m_dir.path(), QStringLiteral("swap"));
    const Rip result = rip(0, output(QStringLiteral("swap.wav")));
    ASSERT_EQ(result.errors.size(), 1);
    EXPECT_TRUE(result.errors[0].contains(QStringLiteral("changed")));
    m_grabber->selectTrack(0);
    EXPECT_THROW(m_grabber->beginRawRead(), ComponentError);
}

TEST_F(GrabberTest, WriterFailureEndsTheRipWithItsMessage) {
    addImage(standardDisc(), QStringLiteral("full"));
    start();
    m_writer->failAfterWrites = 2;
    const Rip result = rip(1, output(QStringLiteral("full.wav")));
    EXPECT_EQ(result.progress.count(100.0), 0);
    ASSERT_EQ(result.errors.size(), 1);
    EXPECT_TRUE(result.errors[0].contains(QStringLiteral("No space")));
    EXPECT_FALSE(m_writer->getIsOpen());
}

TEST_F(GrabberTest, DataTracksAreListedButNeverRipped) {
    DiscImage disc;
    disc.tracks = {{60, 0, true, {}, {}}, {100, 150, false, {}, {}}};
    const QString cue = addImage(disc, QStringLiteral("mixed"));
    start();
    ASSERT_EQ(m_grabber->getTrackCount(), 2);
    m_grabber->selectTrack(0);
    EXPECT_THROW(m_grabber->grabToFile(output(QStringLiteral("data.wav")), m_writer),
                 ComponentError);
    EXPECT_THROW(m_grabber->beginRawRead(), ComponentError);
    EXPECT_EQ(rip(1, output(QStringLiteral("audio.wav"))).progress.count(100.0), 1);
    EXPECT_EQ(wavData(output(QStringLiteral("audio.wav"))), disc.trackBytes(1));

    const DriveVolume volume = CdDriveList::volume(CdDrive{cue, true});
    EXPECT_TRUE(volume.readable);
    EXPECT_EQ(volume.label, QStringLiteral("ORVELLE DATA"));
}

TEST_F(GrabberTest, MediaChangeIsReportedForInsertRemoveAndSwap) {
    const QString cue = addImage(standardDisc(), QStringLiteral("media"));
    m_grabber = std::make_unique<CdioGrabber>(SettingsFile::defaultPath());
    m_grabber->setMediaPollInterval(30);
    int changes = 0;
    QObject::connect(m_grabber.get(), &CdGrabber::onMediaChange, [&] { ++changes; });
    QSignalSpy looks(m_grabber->mediaWatcher(), &MediaWatcher::looked);
    const auto lookTwice = [&] {
        const int before = looks.count();
        EXPECT_TRUE(QTest::qWaitFor([&] { return looks.count() >= before + 2; }, 20000));
    };
    m_grabber->initialize();
    m_grabber->setCurrentDrive(m_realDrives + 1);
    lookTwice();
    EXPECT_EQ(changes, 0); // nothing changed yet

    QFile::rename(cue, cue + QStringLiteral(".out"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 1; }, 20000));
    QFile::rename(cue + QStringLiteral(".out"), cue);
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 2; }, 20000));
    DiscImage other; // as long, in other tracks
    other.tracks = {{300, 0, false, {}, {}}, {240, 0, false, {}, {}}};
    ASSERT_FALSE(other.swapInto(m_dir.path(), QStringLiteral("media")).isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 3; }, 20000));
    lookTwice();
    EXPECT_EQ(changes, 3);
}

} // namespace
