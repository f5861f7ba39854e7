#include "cd/offsetfinder.h"
#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdioripper.h"
#include "components/cdio/driveuse.h"
#include "components/componenterror.h"
#include "components/output/outputwriter.h"
#include "discimage.h"
#include "recordingsink.h"
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
    bool finished = false;
    bool closedAtFinish = false;
    TrackCheck check;
};

class CdioTest : public ::testing::Test {
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

    // A reader on the first image, with its disc read, and a ripper of it.
    void start() {
        m_ripper.reset();
        m_reader = std::make_unique<CdioDiscReader>(SettingsFile::defaultPath());
        m_ripper = std::make_unique<CdioRipper>(*m_reader);
        m_reader->initialize();
        m_reader->setCurrentDrive(m_realDrives + 1);
        m_disc = m_reader->readDisc();
    }

    void readWith(ReadMode mode, ErrorAction action = ErrorAction::Stop, int retries = 1) {
        m_ripper->setReadSettings({mode, retries, action});
    }

    QString output(const QString& name) const { return m_dir.filePath(name); }

    Rip rip(int track, const QString& path) {
        Rip result;
        QObject context;
        m_sink = std::make_shared<RecordingSink>(path);
        m_sink->failAfterWrites = m_failAfterWrites;
        QObject::connect(m_ripper.get(), &TrackRipper::ripProgress, &context,
                         [&](double percent) { result.progress << percent; });
        QObject::connect(m_ripper.get(), &TrackRipper::ripFinished, &context,
                         [&](const TrackCheck& check) {
                             result.finished = true;
                             result.check = check;
                             result.closedAtFinish = !m_sink->isOpen();
                         });
        QObject::connect(m_ripper.get(), &TrackRipper::ripFailed, &context,
                         [&](const QString& error) { result.errors << error; });
        m_ripper->rip(m_disc, m_disc.range(track), m_sink);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return result.finished || !result.errors.isEmpty(); }, 20000));
        settle();
        return result;
    }

    // Waits for the rip's thread to let go of the drive, and takes in what
    // it reported before: nothing can follow after that.
    void settle() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !DriveUse::isBusy(m_disc.drive); }, 20000));
        QCoreApplication::sendPostedEvents();
    }

    QByteArray rawTrack(int track, int block) {
        const std::unique_ptr<TrackStream> stream = m_ripper->open(m_disc, m_disc.range(track));
        QByteArray all;
        for (QByteArray part; !(part = stream->read(block)).isEmpty();)
            all += part;
        return all;
    }

    QTemporaryDir m_dir;
    int m_realDrives = 0;
    int m_images = 0;
    std::unique_ptr<CdioDiscReader> m_reader;
    std::unique_ptr<CdioRipper> m_ripper;
    Disc m_disc;
    std::shared_ptr<RecordingSink> m_sink;
    int m_failAfterWrites = 0; // for the sinks of rip()
};

TEST_F(CdioTest, ImagesFollowTheRealDrivesInKeyOrder) {
    const QString first = addImage(standardDisc(), QStringLiteral("one"));
    const QString second = addImage(standardDisc(), QStringLiteral("two"));
    start();
    ASSERT_EQ(m_reader->driveCount(), m_realDrives + 2);
    m_reader->setCurrentDrive(m_realDrives + 2);
    EXPECT_EQ(m_reader->currentDrive().id, second);
    m_reader->setCurrentDrive(m_realDrives + 1);
    const DriveInfo drive = m_reader->currentDrive();
    EXPECT_EQ(drive.id, first);
    EXPECT_EQ(drive.vendor, QStringLiteral("Disc image"));
    EXPECT_EQ(drive.product, QStringLiteral("CUE"));
    EXPECT_FALSE(drive.revision.isEmpty());
    EXPECT_THROW(m_reader->setCurrentDrive(m_realDrives + 3), ComponentError);
    EXPECT_THROW(m_reader->setCurrentDrive(0), ComponentError);
}

TEST_F(CdioTest, TableOfContentsGivesLengthsAndCdText) {
    addImage(standardDisc(), QStringLiteral("disc"));
    start();
    ASSERT_EQ(m_disc.tracks.size(), 3);
    EXPECT_EQ(m_disc.album, QStringLiteral("Album Title"));
    EXPECT_EQ(m_disc.artist, QStringLiteral("Album Artist"));
    EXPECT_EQ(m_disc.tracks[0].frames, 150);
    EXPECT_EQ(m_disc.tracks[0].title, QStringLiteral("First Song"));
    EXPECT_EQ(m_disc.tracks[0].artist, QStringLiteral("Singer One"));
    // The next track's pregap belongs to this one, as the table of contents has it.
    EXPECT_EQ(m_disc.tracks[1].frames, 230);
    EXPECT_EQ(m_disc.tracks[1].title, QString());
    EXPECT_EQ(m_disc.tracks[2].frames, 160);
    EXPECT_EQ(m_disc.tracks[2].title, QStringLiteral("Third"));
    EXPECT_EQ(m_disc.range(3).frames, 0);
    EXPECT_EQ(m_disc.range(-1).frames, 0);
}

TEST_F(CdioTest, DiscWithoutCdTextHasNoNames) {
    DiscImage disc;
    disc.tracks = {{100, 0, false, {}, {}}, {80, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("plain"));
    start();
    ASSERT_EQ(m_disc.tracks.size(), 2);
    EXPECT_EQ(m_disc.tracks[1].title, QString());
    EXPECT_EQ(m_disc.tracks[1].artist, QString());
    EXPECT_EQ(m_disc.album, QString());
}

TEST_F(CdioTest, CdTextIsCleanedAndCut) {
    DiscImage disc = standardDisc();
    disc.tracks[0].title = QStringLiteral("Bad\x01Title");
    disc.tracks[2].title = QString(400, QLatin1Char('x'));
    addImage(disc, QStringLiteral("dirty"));
    start();
    EXPECT_EQ(m_disc.tracks[0].title, QStringLiteral("BadTitle"));
    EXPECT_LE(m_disc.tracks[2].title.size(), 255);
}

TEST_F(CdioTest, MissingImageIsAnEmptyDrive) {
    const QString path = addImage(standardDisc(), QStringLiteral("gone"));
    QFile::remove(path);
    start();
    EXPECT_TRUE(m_disc.isEmpty());
    EXPECT_TRUE(m_disc.error.isEmpty());
    EXPECT_THROW(m_ripper->open(m_disc, {0, 10}), ComponentError);
    EXPECT_EQ(CdDriveList::volume(CdDrive{path, true}).readable, false);
}

TEST_F(CdioTest, RippedTrackHoldsExactlyItsBytesInEveryMode) {
    const DiscImage disc = standardDisc();
    addImage(disc, QStringLiteral("disc"));
    start();
    for (const ReadMode mode :
         {ReadMode::Burst, ReadMode::Synch, ReadMode::Secure, ReadMode::Paranoid}) {
        SCOPED_TRACE(int(mode));
        readWith(mode);
        const QString path = output(QStringLiteral("track2-%1.wav").arg(int(mode)));
        const Rip result = rip(1, path);
        ASSERT_TRUE(result.errors.isEmpty()) << result.errors.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(result.finished);
        EXPECT_TRUE(result.closedAtFinish); // the sink has it all when the rip ends
        EXPECT_FALSE(result.progress.contains(100.0));
        EXPECT_TRUE(std::is_sorted(result.progress.begin(), result.progress.end()));
        EXPECT_EQ(wavData(path), disc.trackBytes(1));
    }
}

// Byte order comes from the source and a clean read is never altered, on
// content that makes a library guess wrong: noise and near-silence for the
// byte order, steady periods for jitter correction; a MOTOROLA sheet's
// big-endian data comes out little-endian.
TEST_F(CdioTest, AdversarialAudioRipsExactlyInEveryMode) {
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
            readWith(ReadMode(mode));
            const QString path = output(QStringLiteral("%1-%2.wav").arg(name).arg(mode));
            const Rip result = rip(0, path);
            ASSERT_TRUE(result.errors.isEmpty());
            EXPECT_TRUE(wavData(path) == disc.trackBytes(0));
        }
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
TEST_F(CdioTest, ReadOffsetShiftsTheTrackAndChecksumsFollowThePcm) {
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
                m_ripper->setReadOffset(offset);
                readWith(ReadMode(mode));
                const QString path =
                    output(QStringLiteral("o%1-%2-%3.wav").arg(offset).arg(track).arg(mode));
                const Rip result = rip(track, path);
                ASSERT_TRUE(result.errors.isEmpty());
                const QByteArray expected = shifted(disc, track, offset);
                const qint64 size = expected.size();
                const QByteArray pcm = wavData(path);
                EXPECT_TRUE(pcm == expected);

                const TrackCheck& check = result.check;
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
    const DiscLayout& layout = m_disc.layout;
    ASSERT_EQ(layout.tracks.size(), 3);
    EXPECT_EQ(layout.tracks[2].start, disc.trackStart(2));
    EXPECT_EQ(layout.leadout, disc.totalFrames());
}

// The database holds the disc as a drive with offset +667 reads it. Read
// with a wrong offset, the offset is found from the frame-450 checksums, and
// a rip with it matches the database.
TEST_F(CdioTest, ASimulatedDriveOffsetIsFoundAndCorrected) {
    DiscImage disc;
    disc.tracks = {{600, 0, false, {}, {}}, {500, 0, false, {}, {}}, {470, 0, false, {}, {}}};
    disc.content = DiscImage::Content::MusicLike;
    addImage(disc, QStringLiteral("offsetdisc"));
    start();
    const int truth = 667;
    const AccurateRipId id = m_disc.layout.accurateRipId();
    ArChunk chunk{3, id.id1, id.id2, id.freedb, {}};
    for (int track = 0; track < 3; ++track) {
        const QByteArray pcm = shifted(disc, track, truth);
        ArTrackChecksum sums(pcm.size() / 4, track == 0, track == 2);
        sums.add(pcm.constData(), pcm.size());
        chunk.tracks << ArTrackEntry{4, sums.v1(), sums.frame450()};
    }
    HttpTestServer server;
    server.reply = HttpTestServer::http(200, HttpTestServer::dbar({chunk}));

    m_ripper->setReadOffset(-100);
    OffsetFinder finder(*m_ripper, m_disc, server.address(), {});
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

    m_ripper->setReadOffset(*found);
    const Rip corrected = rip(1, output(QStringLiteral("corrected.wav")));
    ASSERT_TRUE(corrected.errors.isEmpty());
    const TrackCheck& check = corrected.check;
    EXPECT_EQ(verifyTrack({chunk}, 1, check.v1, check.v2).status, ArVerdict::Accurate);

    // Agreement: the most tracks win; a tie is no answer.
    EXPECT_EQ(OffsetFinder::agreedOffset({{6}, {6}, {}, {48}}), 6);
    EXPECT_EQ(OffsetFinder::agreedOffset({{6}, {48}}), std::nullopt);
    EXPECT_EQ(OffsetFinder::agreedOffset({{}, {}}), std::nullopt);
    EXPECT_EQ(OffsetFinder::agreedOffset({{1}, {2}, {3}, {3}}), 3) << "more votes end a tie";
}

TEST_F(CdioTest, ProgramsOutputWriterTakesTheRipFromTheWorker) {
    const DiscImage disc = standardDisc();
    addImage(disc, QStringLiteral("disc"));
    start();
    readWith(ReadMode::Secure);
    // The program's own writer behind the sink, written from the ripper's thread.
    struct WriterSink : RipSink {
        OutputWriter writer;
        void write(const QByteArray& pcm) override { writer.write(pcm); }
        void close() override { writer.close(); }
    };
    const auto ripTo = [&](const QString& path, const std::function<void(OutputWriter&)>& format) {
        auto sink = std::make_shared<WriterSink>();
        format(sink->writer);
        sink->writer.setInputFormat(44100, 2);
        sink->writer.create(path);
        QSignalSpy finished(m_ripper.get(), &TrackRipper::ripFinished);
        m_ripper->rip(m_disc, m_disc.range(2), sink);
        EXPECT_TRUE(finished.wait(20000));
        EXPECT_FALSE(sink->writer.getIsOpen());
    };
    ripTo(output(QStringLiteral("real.wav")),
          [](OutputWriter& w) { w.setWavFormat(44100, 2, 16); });
    EXPECT_EQ(wavData(output(QStringLiteral("real.wav"))), disc.trackBytes(2));
    ripTo(output(QStringLiteral("real.ogg")), [](OutputWriter& w) {
        w.setOggFormat({44100, 2, 128, 0, 0, -1});
    });
    QFile ogg(output(QStringLiteral("real.ogg")));
    ASSERT_TRUE(ogg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ogg.read(4) == "OggS");
}

TEST_F(CdioTest, RawReadsCoverTheTrackExactly) {
    const DiscImage disc = standardDisc();
    addImage(disc, QStringLiteral("disc"));
    start();
    for (const ReadMode mode : {ReadMode::Burst, ReadMode::Secure}) {
        readWith(mode);
        EXPECT_EQ(rawTrack(2, 10), disc.trackBytes(2));
        EXPECT_EQ(rawTrack(0, 7), disc.trackBytes(0));
    }

    // Seeking counts frames from the start of the track.
    const std::unique_ptr<TrackStream> stream = m_ripper->open(m_disc, m_disc.range(1));
    EXPECT_EQ(stream->length(), 230);
    stream->seek(100);
    EXPECT_EQ(stream->read(3), disc.trackBytes(1).mid(100 * 2352, 3 * 2352));
    EXPECT_EQ(stream->read(2), disc.trackBytes(1).mid(103 * 2352, 2 * 2352));
    stream->seek(229);
    EXPECT_EQ(stream->read(10).size(), 2352);
    EXPECT_TRUE(stream->read(10).isEmpty());
}

TEST_F(CdioTest, AbortSilencesTheRipAndLeavesTheSinkAlone) {
    DiscImage disc;
    disc.tracks = {{3000, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("long"));
    start();
    readWith(ReadMode::Secure); // full paranoia must wind down as burst reads do
    Gate gate;
    auto sink = std::make_shared<RecordingSink>(output(QStringLiteral("long.wav")));
    RecordingSink* written = sink.get();
    // Once the rip has written (and reported) something.
    m_ripper->setFaultFilter([&gate, written](int) {
        if (written->writes >= 2)
            gate.pass();
        return false;
    });
    QList<double> progress;
    QObject::connect(m_ripper.get(), &TrackRipper::ripProgress,
                     [&](double percent) { progress << percent; });
    QSignalSpy finished(m_ripper.get(), &TrackRipper::ripFinished);
    m_ripper->rip(m_disc, m_disc.range(0), sink);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.waiting(); }, 20000));
    EXPECT_TRUE(DriveUse::isBusy(m_disc.drive));

    QCoreApplication::sendPostedEvents();
    m_ripper->abort(); // returns while the rip thread is still held
    const int writes = sink->writes;
    const int seen = progress.size();
    EXPECT_GT(seen, 0);
    gate.open();
    settle();
    EXPECT_EQ(sink->writes, writes);  // the sink is left alone
    EXPECT_EQ(progress.size(), seen); // and nothing is reported
    EXPECT_TRUE(finished.isEmpty());
    EXPECT_TRUE(sink->isOpen()); // closing is the caller's, as after any stop

    // A new rip can start right away and completes.
    m_ripper->setFaultFilter({});
    EXPECT_TRUE(rip(0, output(QStringLiteral("again.wav"))).finished);
}

TEST_F(CdioTest, SecondRipWhileOneRunsIsRefused) {
    DiscImage disc;
    disc.tracks = {{2000, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("busy"));
    start();
    auto sink = std::make_shared<RecordingSink>(output(QStringLiteral("a.wav")));
    m_ripper->rip(m_disc, m_disc.range(0), sink);
    EXPECT_THROW(m_ripper->rip(m_disc, m_disc.range(0), sink), ComponentError);
    m_ripper->abort();
    settle();
}

TEST_F(CdioTest, RipsAndRawReadsKeepThePollerOffTheDriveTillTheyEnd) {
    const QString cue = addImage(standardDisc(), QStringLiteral("held"));
    start();
    m_reader->setMediaPollInterval(5);
    int changes = 0;
    QObject::connect(m_reader.get(), &DiscReader::mediaChanged, [&] { ++changes; });
    Gate gate;
    m_ripper->setFaultFilter([&gate](int) {
        gate.pass();
        return false;
    });
    readWith(ReadMode::Burst);
    m_ripper->rip(m_disc, m_disc.range(0),
                  std::make_shared<RecordingSink>(output(QStringLiteral("held.wav"))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate.waiting(); }, 20000));
    EXPECT_TRUE(DriveUse::isBusy(cue));
    // Another disc goes in while the rip reads: nobody looks until it ends.
    DiscImage other;
    other.tracks = {{300, 0, false, {}, {}}, {240, 0, false, {}, {}}};
    ASSERT_FALSE(other.swapInto(m_dir.path(), QStringLiteral("held")).isEmpty());
    EXPECT_FALSE(m_reader->mediaWatcher()->poll());
    gate.open();
    settle();
    EXPECT_FALSE(DriveUse::isBusy(cue));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 1; }, 20000));

    m_ripper->setFaultFilter({});
    m_disc = m_reader->readDisc();
    {
        const std::unique_ptr<TrackStream> stream = m_ripper->open(m_disc, m_disc.range(0));
        EXPECT_TRUE(DriveUse::isBusy(cue));
        EXPECT_FALSE(m_reader->mediaWatcher()->poll());
    }
    EXPECT_FALSE(DriveUse::isBusy(cue));
    // A raw read refused for a changed disc does not hold the drive either.
    ASSERT_FALSE(standardDisc().swapInto(m_dir.path(), QStringLiteral("held")).isEmpty());
    EXPECT_THROW(m_ripper->open(m_disc, m_disc.range(0)), ComponentError);
    EXPECT_FALSE(DriveUse::isBusy(cue));
}

TEST_F(CdioTest, UnreadableSectorsFollowTheErrorActionInEveryMode) {
    DiscImage disc;
    disc.tracks = {{120, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("scratched"));
    start();
    const int bad = 40; // frames 40..44 of the track cannot be read
    m_ripper->setFaultFilter([=](int lsn) { return lsn >= bad && lsn < bad + 5; });
    const QByteArray clean = disc.trackBytes(0);
    QByteArray silenced = clean;
    silenced.replace(bad * 2352, 5 * 2352, QByteArray(5 * 2352, '\0'));
    QByteArray cut = clean;
    cut.remove(bad * 2352, 5 * 2352);

    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        readWith(ReadMode(mode), ErrorAction::Stop, 2);
        const QString stopped = output(QStringLiteral("stop%1.wav").arg(mode));
        const Rip stop = rip(0, stopped);
        EXPECT_FALSE(stop.finished);
        ASSERT_EQ(stop.errors.size(), 1);
        EXPECT_TRUE(stop.errors[0].contains(QStringLiteral("cannot be read")));
        EXPECT_EQ(m_ripper->lastRipError(), stop.errors[0]);
        m_sink->close(); // what came before the error is the track's start
        EXPECT_EQ(wavData(stopped), clean.left(wavData(stopped).size()));

        readWith(ReadMode(mode), ErrorAction::Silence, 2);
        const QString silent = output(QStringLiteral("silence%1.wav").arg(mode));
        const Rip silence = rip(0, silent);
        EXPECT_TRUE(silence.finished);
        EXPECT_EQ(wavData(silent), silenced);
        // The log counts what the lost sectors cost; silence still makes a whole track.
        EXPECT_EQ(silence.check.silencedSectors, 5);
        EXPECT_GE(silence.check.rereadSectors, 5 * 2);
        EXPECT_TRUE(silence.check.complete);

        readWith(ReadMode(mode), ErrorAction::Cut, 2);
        const QString short_ = output(QStringLiteral("cut%1.wav").arg(mode));
        const Rip shortened = rip(0, short_);
        EXPECT_TRUE(shortened.finished);
        EXPECT_EQ(wavData(short_), cut);
        // A track with sectors left out cannot match anyone's rip.
        EXPECT_EQ(shortened.check.skippedSectors, 5);
        EXPECT_FALSE(shortened.check.complete);
    }

    // Raw reads follow the same action.
    readWith(ReadMode::Burst, ErrorAction::Stop);
    std::unique_ptr<TrackStream> stream = m_ripper->open(m_disc, m_disc.range(0));
    stream->seek(bad - 1);
    EXPECT_THROW(stream->read(3), ComponentError);
    readWith(ReadMode::Burst, ErrorAction::Cut);
    stream = m_ripper->open(m_disc, m_disc.range(0));
    stream->seek(bad);
    EXPECT_EQ(stream->read(5), clean.mid((bad + 5) * 2352, 2352));
}

TEST_F(CdioTest, DiscTakenOutDuringRipEndsItWhateverTheAction) {
    DiscImage disc;
    disc.tracks = {{300, 0, false, {}, {}}};
    const QString cue = addImage(disc, QStringLiteral("removed"));
    start();
    // Even "Silence" must not fill the rest with nothing.
    readWith(ReadMode::Secure, ErrorAction::Silence);
    m_ripper->setFaultFilter([cue](int lsn) {
        if (lsn < 100)
            return false;
        QFile::rename(cue, cue + QStringLiteral(".away"));
        return true;
    });
    const Rip result = rip(0, output(QStringLiteral("removed.wav")));
    EXPECT_FALSE(result.finished);
    ASSERT_EQ(result.errors.size(), 1);
    EXPECT_TRUE(result.errors[0].contains(QStringLiteral("removed")));
}

TEST_F(CdioTest, ChangedDiscSinceReadDiscFailsTheRip) {
    const QString cue = addImage(standardDisc(), QStringLiteral("swap"));
    start();
    DiscImage other;
    other.tracks = {{90, 0, false, {}, {}}, {90, 0, false, {}, {}}};
    other.write(m_dir.path(), QStringLiteral("swap"));
    const Rip result = rip(0, output(QStringLiteral("swap.wav")));
    ASSERT_EQ(result.errors.size(), 1);
    EXPECT_TRUE(result.errors[0].contains(QStringLiteral("changed")));
    EXPECT_THROW(m_ripper->open(m_disc, m_disc.range(0)), ComponentError);
}

TEST_F(CdioTest, SinkFailureEndsTheRipWithItsMessage) {
    addImage(standardDisc(), QStringLiteral("full"));
    start();
    m_failAfterWrites = 2;
    const Rip result = rip(1, output(QStringLiteral("full.wav")));
    EXPECT_FALSE(result.finished);
    ASSERT_EQ(result.errors.size(), 1);
    EXPECT_TRUE(result.errors[0].contains(QStringLiteral("No space")));
}

TEST_F(CdioTest, DataTracksAreListedButNeverRipped) {
    DiscImage disc;
    disc.tracks = {{60, 0, true, {}, {}}, {100, 150, false, {}, {}}};
    const QString cue = addImage(disc, QStringLiteral("mixed"));
    start();
    ASSERT_EQ(m_disc.tracks.size(), 2);
    EXPECT_FALSE(m_disc.tracks[0].audio);
    auto sink = std::make_shared<RecordingSink>(output(QStringLiteral("data.wav")));
    EXPECT_THROW(m_ripper->rip(m_disc, m_disc.range(0), sink), ComponentError);
    EXPECT_THROW(m_ripper->open(m_disc, m_disc.range(0)), ComponentError);
    EXPECT_TRUE(rip(1, output(QStringLiteral("audio.wav"))).finished);
    EXPECT_EQ(wavData(output(QStringLiteral("audio.wav"))), disc.trackBytes(1));

    const DriveVolume volume = CdDriveList::volume(CdDrive{cue, true});
    EXPECT_TRUE(volume.readable);
    EXPECT_EQ(volume.label, QStringLiteral("ORVELLE DATA"));
}

TEST_F(CdioTest, MediaChangeIsReportedForInsertRemoveAndSwap) {
    const QString cue = addImage(standardDisc(), QStringLiteral("media"));
    m_reader = std::make_unique<CdioDiscReader>(SettingsFile::defaultPath());
    m_reader->setMediaPollInterval(30);
    int changes = 0;
    QObject::connect(m_reader.get(), &DiscReader::mediaChanged, [&] { ++changes; });
    QSignalSpy looks(m_reader->mediaWatcher(), &MediaWatcher::looked);
    const auto lookTwice = [&] {
        const int before = looks.count();
        EXPECT_TRUE(QTest::qWaitFor([&] { return looks.count() >= before + 2; }, 20000));
    };
    m_reader->initialize();
    m_reader->setCurrentDrive(m_realDrives + 1);
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
