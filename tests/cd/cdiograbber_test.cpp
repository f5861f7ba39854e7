#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiograbber.h"
#include "components/componenterror.h"
#include "components/output/outputwriter.h"
#include "discimage.h"
#include "recordingwriter.h"
#include "settings/settingsfile.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QFile>
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
        auto writer = std::make_unique<RecordingWriter>();
        m_writer = writer.get();
        m_grabber = std::make_unique<CdioGrabber>(SettingsFile::defaultPath(), std::move(writer));
        m_grabber->Initialize();
        m_grabber->SetCurrentDrive(m_realDrives + 1);
        m_grabber->ReadDisc();
    }

    QString output(const QString& name) const { return m_dir.filePath(name); }

    Rip rip(int track, const QString& path) {
        Rip result;
        QObject context;
        QObject::connect(m_grabber.get(), &IAudioCDGrabber2::OnOperationProgress, &context,
                         [&](double percent) {
                             result.progress << percent;
                             if (percent == 100.0)
                                 result.openAt100 = m_writer->GetIsOpen();
                         });
        QObject::connect(m_grabber.get(), &IAudioCDGrabber2::OnGrabError, &context,
                         [&](const QString& error) { result.errors << error; });
        m_grabber->SelectTrack(track);
        m_grabber->GrabToFile(path);
        const bool ended = QTest::qWaitFor(
            [&] {
                return (!result.progress.isEmpty() && result.progress.last() == 100.0) ||
                       !result.errors.isEmpty();
            },
            20000);
        EXPECT_TRUE(ended);
        QTest::qWait(30); // nothing more may follow
        return result;
    }

    QByteArray rawTrack(int track, int block) {
        m_grabber->SelectTrack(track);
        m_grabber->BeginRawRead();
        QByteArray all;
        for (QByteArray part; !(part = m_grabber->ReadRawAudio(block)).isEmpty();)
            all += part;
        m_grabber->EndRawRead();
        return all;
    }

    QTemporaryDir m_dir;
    int m_realDrives = 0;
    int m_images = 0;
    RecordingWriter* m_writer = nullptr;
    std::unique_ptr<CdioGrabber> m_grabber;
};

TEST_F(GrabberTest, ImagesFollowTheRealDrivesInKeyOrder) {
    const QString first = addImage(standardDisc(), QStringLiteral("one"));
    const QString second = addImage(standardDisc(), QStringLiteral("two"));
    start();
    ASSERT_EQ(m_grabber->GetDriveCount(), m_realDrives + 2);
    m_grabber->SetCurrentDrive(m_realDrives + 2);
    EXPECT_EQ(m_grabber->GetDriveId(), second);
    m_grabber->SetCurrentDrive(m_realDrives + 1);
    EXPECT_EQ(m_grabber->GetDriveId(), first);
    EXPECT_EQ(m_grabber->GetDriveVendor(), QStringLiteral("Disc image"));
    EXPECT_EQ(m_grabber->GetDriveProduct(), QStringLiteral("CUE"));
    EXPECT_FALSE(m_grabber->GetDriveRevision().isEmpty());
    EXPECT_THROW(m_grabber->SetCurrentDrive(m_realDrives + 3), ComponentError);
    EXPECT_THROW(m_grabber->SetCurrentDrive(0), ComponentError);
}

TEST_F(GrabberTest, TableOfContentsGivesTimesAndCdText) {
    addImage(standardDisc(), QStringLiteral("disc"));
    start();
    ASSERT_EQ(m_grabber->GetTrackCount(), 3);

    m_grabber->SelectTrack(0);
    EXPECT_EQ(m_grabber->GetTrackLength(), 150);
    EXPECT_EQ(m_grabber->GetTrackMinutes(), 0);
    EXPECT_EQ(m_grabber->GetTrackSeconds(), 2);
    EXPECT_EQ(m_grabber->GetTrackFrames(), 0);
    EXPECT_EQ(m_grabber->GetTrackTitle(), QStringLiteral("First Song"));
    EXPECT_EQ(m_grabber->GetTrackArtist(), QStringLiteral("Singer One"));
    EXPECT_EQ(m_grabber->GetTrackAlbum(), QStringLiteral("Album Title"));

    // The next track's pregap belongs to this one, as the table of contents has it.
    m_grabber->SelectTrack(1);
    EXPECT_EQ(m_grabber->GetTrackLength(), 230);
    EXPECT_EQ(m_grabber->GetTrackSeconds(), 3);
    EXPECT_EQ(m_grabber->GetTrackFrames(), 5);
    EXPECT_EQ(m_grabber->GetTrackTitle(), QStringLiteral("Session1 Track2"));
    EXPECT_EQ(m_grabber->GetTrackArtist(), QStringLiteral("Album Artist"));

    m_grabber->SelectTrack(2);
    EXPECT_EQ(m_grabber->GetTrackLength(), 160);
    EXPECT_EQ(m_grabber->GetTrackFrames(), 10);
    EXPECT_EQ(m_grabber->GetTrackTitle(), QStringLiteral("Third"));

    EXPECT_THROW(m_grabber->SelectTrack(3), ComponentError);
    EXPECT_THROW(m_grabber->SelectTrack(-1), ComponentError);
}

TEST_F(GrabberTest, DiscWithoutCdTextHasPlaceholdersAndNoArtist) {
    DiscImage disc;
    disc.tracks = {{100, 0, false, {}, {}}, {80, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("plain"));
    start();
    ASSERT_EQ(m_grabber->GetTrackCount(), 2);
    m_grabber->SelectTrack(1);
    EXPECT_EQ(m_grabber->GetTrackTitle(), QStringLiteral("Session1 Track2"));
    EXPECT_EQ(m_grabber->GetTrackArtist(), QString());
    EXPECT_EQ(m_grabber->GetTrackAlbum(), QString());
}

TEST_F(GrabberTest, CdTextIsCleanedAndCut) {
    DiscImage disc = standardDisc();
    disc.tracks[0].title = QStringLiteral("Bad\x01Title");
    disc.tracks[2].title = QString(400, QLatin1Char('x'));
    addImage(disc, QStringLiteral("dirty"));
    start();
    m_grabber->SelectTrack(0);
    EXPECT_EQ(m_grabber->GetTrackTitle(), QStringLiteral("BadTitle"));
    m_grabber->SelectTrack(2);
    EXPECT_LE(m_grabber->GetTrackTitle().size(), 255);
}

TEST_F(GrabberTest, MissingImageIsAnEmptyDrive) {
    const QString path = addImage(standardDisc(), QStringLiteral("gone"));
    QFile::remove(path);
    start();
    EXPECT_EQ(m_grabber->GetTrackCount(), 0);
    EXPECT_THROW(m_grabber->SelectTrack(0), ComponentError);
    EXPECT_EQ(CdDriveList::volume(CdDrive{path, true}).readable, false);
}

TEST_F(GrabberTest, RippedTrackHoldsExactlyItsBytesInEveryMode) {
    const DiscImage disc = standardDisc();
    addImage(disc, QStringLiteral("disc"));
    start();
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        m_grabber->SetReadMode(mode);
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

TEST_F(GrabberTest, ProgramsOutputWriterTakesTheRipFromTheWorker) {
    const DiscImage disc = standardDisc();
    addImage(disc, QStringLiteral("disc"));
    auto writer = std::make_unique<OutputWriter>();
    OutputWriter* real = writer.get();
    CdioGrabber grabber(SettingsFile::defaultPath(), std::move(writer));
    grabber.Initialize();
    grabber.SetCurrentDrive(m_realDrives + 1);
    grabber.ReadDisc();
    grabber.SetReadMode(2);
    QList<double> progress;
    QObject::connect(&grabber, &IAudioCDGrabber2::OnOperationProgress,
                     [&](double percent) { progress << percent; });
    const auto ripTo = [&](const QString& path) {
        progress.clear();
        grabber.SelectTrack(2);
        grabber.GrabToFile(path);
        EXPECT_TRUE(QTest::qWaitFor([&] { return progress.contains(100.0); }, 20000));
        EXPECT_FALSE(real->GetIsOpen());
    };

    real->ResetFormat(-1); // CD-quality WAV
    ripTo(output(QStringLiteral("real.wav")));
    EXPECT_EQ(wavData(output(QStringLiteral("real.wav"))), disc.trackBytes(2));

    real->SetOggFormat(44100, 2, 128, 0, 0, -1);
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
        m_grabber->SetReadMode(mode);
        EXPECT_EQ(rawTrack(2, 10), disc.trackBytes(2));
        EXPECT_EQ(rawTrack(0, 7), disc.trackBytes(0));
    }

    // Seeking counts frames from the start of the track; Stop/StartReading resume.
    m_grabber->SelectTrack(1);
    m_grabber->BeginRawRead();
    m_grabber->SeekRawRead(100);
    m_grabber->StartReading();
    EXPECT_EQ(m_grabber->ReadRawAudio(3), disc.trackBytes(1).mid(100 * 2352, 3 * 2352));
    m_grabber->StopReading();
    EXPECT_EQ(m_grabber->ReadRawAudio(2), disc.trackBytes(1).mid(103 * 2352, 2 * 2352));
    m_grabber->SeekRawRead(229);
    EXPECT_EQ(m_grabber->ReadRawAudio(10).size(), 2352);
    EXPECT_TRUE(m_grabber->ReadRawAudio(10).isEmpty());
    m_grabber->EndRawRead();
    m_grabber->EndRawRead(); // a second end is harmless
    EXPECT_THROW(m_grabber->ReadRawAudio(1), ComponentError);
}

TEST_F(GrabberTest, AbortStopsTheRipAtOnceAndSilencesIt) {
    DiscImage disc;
    disc.tracks = {{3000, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("long"));
    start();
    m_grabber->SetReadMode(2); // full paranoia must wind down as promptly as burst reads
    m_writer->writeDelayMs = 20;
    QList<double> progress;
    QObject::connect(m_grabber.get(), &IAudioCDGrabber2::OnOperationProgress,
                     [&](double percent) { progress << percent; });
    m_grabber->SelectTrack(0);
    m_grabber->GrabToFile(output(QStringLiteral("long.wav")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !progress.isEmpty(); }, 5000));

    QElapsedTimer clock;
    clock.start();
    m_grabber->AbortGrab();
    EXPECT_LT(clock.elapsed(), 200);
    const int writes = m_writer->writes;
    const int seen = progress.size();
    QTest::qWait(300);
    EXPECT_EQ(m_writer->writes, writes); // the writer is left alone
    EXPECT_EQ(progress.size(), seen);    // and nothing is reported
    EXPECT_TRUE(m_writer->GetIsOpen());  // closing is the caller's, as after any stop
    m_writer->Close();

    // A new rip can start right away and completes.
    m_writer->writeDelayMs = 0;
    const Rip again = rip(0, output(QStringLiteral("again.wav")));
    EXPECT_EQ(again.progress.count(100.0), 1);
}

TEST_F(GrabberTest, SecondRipWhileOneRunsIsRefused) {
    DiscImage disc;
    disc.tracks = {{2000, 0, false, {}, {}}};
    addImage(disc, QStringLiteral("busy"));
    start();
    m_writer->writeDelayMs = 10;
    m_grabber->SelectTrack(0);
    m_grabber->GrabToFile(output(QStringLiteral("a.wav")));
    EXPECT_THROW(m_grabber->GrabToFile(output(QStringLiteral("b.wav"))), ComponentError);
    m_grabber->AbortGrab();
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
        m_grabber->SetReadMode(mode);
        m_grabber->SetRetryCount(2);

        m_grabber->SetErrorAction(0);
        const QString stopped = output(QStringLiteral("stop%1.wav").arg(mode));
        const Rip stop = rip(0, stopped);
        EXPECT_EQ(stop.progress.count(100.0), 0);
        ASSERT_EQ(stop.errors.size(), 1);
        EXPECT_TRUE(stop.errors[0].contains(QStringLiteral("cannot be read")));
        EXPECT_EQ(m_grabber->lastGrabError(), stop.errors[0]);
        EXPECT_FALSE(m_writer->GetIsOpen()); // what came before the error is a proper file
        EXPECT_EQ(wavData(stopped), clean.left(wavData(stopped).size()));

        m_grabber->SetErrorAction(1);
        const QString silent = output(QStringLiteral("silence%1.wav").arg(mode));
        EXPECT_EQ(rip(0, silent).progress.count(100.0), 1);
        EXPECT_EQ(wavData(silent), silenced);

        m_grabber->SetErrorAction(2);
        const QString short_ = output(QStringLiteral("cut%1.wav").arg(mode));
        EXPECT_EQ(rip(0, short_).progress.count(100.0), 1);
        EXPECT_EQ(wavData(short_), cut);
    }

    // Raw reads follow the same action.
    m_grabber->SetReadMode(0);
    m_grabber->SetErrorAction(0);
    m_grabber->BeginRawRead();
    m_grabber->SeekRawRead(bad - 1);
    EXPECT_THROW(m_grabber->ReadRawAudio(3), ComponentError);
    m_grabber->SetErrorAction(2);
    m_grabber->BeginRawRead();
    m_grabber->SeekRawRead(bad);
    EXPECT_EQ(m_grabber->ReadRawAudio(5), clean.mid((bad + 5) * 2352, 2352));
    m_grabber->EndRawRead();
}

TEST_F(GrabberTest, DiscTakenOutDuringRipEndsItWhateverTheAction) {
    DiscImage disc;
    disc.tracks = {{300, 0, false, {}, {}}};
    const QString cue = addImage(disc, QStringLiteral("removed"));
    start();
    m_grabber->SetReadMode(2);
    m_grabber->SetErrorAction(1); // even "Silence" must not fill the rest with nothing
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
    m_grabber->SelectTrack(0);
    EXPECT_THROW(m_grabber->BeginRawRead(), ComponentError);
}

TEST_F(GrabberTest, WriterFailureEndsTheRipWithItsMessage) {
    addImage(standardDisc(), QStringLiteral("full"));
    start();
    m_writer->failAfterWrites = 2;
    const Rip result = rip(1, output(QStringLiteral("full.wav")));
    EXPECT_EQ(result.progress.count(100.0), 0);
    ASSERT_EQ(result.errors.size(), 1);
    EXPECT_TRUE(result.errors[0].contains(QStringLiteral("No space")));
    EXPECT_FALSE(m_writer->GetIsOpen());
}

TEST_F(GrabberTest, DataTracksAreListedButNeverRipped) {
    DiscImage disc;
    disc.tracks = {{60, 0, true, {}, {}}, {100, 150, false, {}, {}}};
    const QString cue = addImage(disc, QStringLiteral("mixed"));
    start();
    ASSERT_EQ(m_grabber->GetTrackCount(), 2);
    m_grabber->SelectTrack(0);
    EXPECT_THROW(m_grabber->GrabToFile(output(QStringLiteral("data.wav"))), ComponentError);
    EXPECT_THROW(m_grabber->BeginRawRead(), ComponentError);
    EXPECT_EQ(rip(1, output(QStringLiteral("audio.wav"))).progress.count(100.0), 1);
    EXPECT_EQ(wavData(output(QStringLiteral("audio.wav"))), disc.trackBytes(1));

    const DriveVolume volume = CdDriveList::volume(CdDrive{cue, true});
    EXPECT_TRUE(volume.readable);
    EXPECT_EQ(volume.label, QStringLiteral("ORVELLE DATA"));
}

TEST_F(GrabberTest, MediaChangeIsReportedForInsertRemoveAndSwap) {
    const QString cue = addImage(standardDisc(), QStringLiteral("media"));
    const QString bin = QString(cue).replace(QStringLiteral(".cue"), QStringLiteral(".bin"));
    auto writer = std::make_unique<RecordingWriter>();
    m_grabber = std::make_unique<CdioGrabber>(SettingsFile::defaultPath(), std::move(writer));
    m_grabber->setMediaPollInterval(30);
    int changes = 0;
    QObject::connect(m_grabber.get(), &IAudioCDGrabber2::OnMediaChange, [&] { ++changes; });
    m_grabber->Initialize();
    m_grabber->SetCurrentDrive(m_realDrives + 1);
    QTest::qWait(150);
    EXPECT_EQ(changes, 0); // nothing changed yet

    QFile::rename(cue, cue + QStringLiteral(".out"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 1; }, 3000));
    QFile::rename(cue + QStringLiteral(".out"), cue);
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 2; }, 3000));
    DiscImage other;
    other.tracks = {{90, 0, false, {}, {}}};
    QFile::remove(bin);
    other.write(m_dir.path(), QStringLiteral("media"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return changes == 3; }, 3000));
    QTest::qWait(150);
    EXPECT_EQ(changes, 3);
}

} // namespace
