// The media poller, and discs opened from several threads at once: the
// poller's pool thread, the GUI thread, a rip and a raw read.
#include "components/cdio/cddisc.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdioripper.h"
#include "components/cdio/driveuse.h"
#include "components/cdio/mediawatcher.h"
#include "discimage.h"
#include "recordingsink.h"
#include "settings/settingsfile.h"

#include <atomic>
#include <gtest/gtest.h>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

namespace {

DiscImage threeTracks() {
    DiscImage disc;
    disc.album = QStringLiteral("Album Title");
    disc.tracks = {{150, 0, false, QStringLiteral("First Song"), QStringLiteral("Singer")},
                   {200, 0, false, {}, {}},
                   {160, 30, false, QStringLiteral("Third"), {}}};
    return disc;
}

DiscImage twoTracks() {
    DiscImage disc;
    disc.album = QStringLiteral("Other Album");
    disc.tracks = {{90, 0, false, QStringLiteral("Other"), {}}, {120, 0, false, {}, {}}};
    return disc;
}

class Watcher : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_cue = threeTracks().write(m_dir.path(), QStringLiteral("disc"));
        // Only the looks a test asks for.
        m_watcher.setInterval(24 * 3600 * 1000);
        QObject::connect(&m_watcher, &MediaWatcher::changed, [this] { ++m_changes; });
    }

    // Starts a look and waits for it to end.
    void look() {
        QSignalSpy looked(&m_watcher, &MediaWatcher::looked);
        ASSERT_TRUE(m_watcher.poll());
        ASSERT_TRUE(looked.wait(10000));
    }

    void watchDisc() {
        QSignalSpy looked(&m_watcher, &MediaWatcher::looked);
        m_watcher.watch(CdDrive{m_cue, true});
        ASSERT_TRUE(looked.wait(10000)); // the first look only learns the disc
    }

    QTemporaryDir m_dir;
    QString m_cue;
    MediaWatcher m_watcher;
    int m_changes = 0;
};

TEST_F(Watcher, OnlyADifferentOrAMissingDiscIsAChange) {
    watchDisc();
    look();
    EXPECT_EQ(m_changes, 0);

    // An image libcdio refuses says nothing about the disc, and neither does
    // the same disc seen again afterwards.
    QFile::rename(m_cue, m_cue + QStringLiteral(".good"));
    {
        QFile broken(m_cue);
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("FILE \"nowhere.bin\" BINARY\nTRACK 01 NONSENSE\n");
    }
    ASSERT_FALSE(MediaWatcher::stateOf(CdDrive{m_cue, true}).has_value());
    look();
    EXPECT_EQ(m_changes, 0);
    QFile::remove(m_cue);
    QFile::rename(m_cue + QStringLiteral(".good"), m_cue);
    look();
    EXPECT_EQ(m_changes, 0);

    QFile::rename(m_cue, m_cue + QStringLiteral(".out")); // taken out
    look();
    EXPECT_EQ(m_changes, 1);
    look();
    EXPECT_EQ(m_changes, 1);
    twoTracks().write(m_dir.path(), QStringLiteral("disc")); // another one put in
    look();
    EXPECT_EQ(m_changes, 2);
    look();
    EXPECT_EQ(m_changes, 2);
}

TEST_F(Watcher, ADriveInUseIsLeftAloneAndWatchedAgainAfterwards) {
    watchDisc();
    {
        const DriveUse rip(m_cue);
        const DriveUse preview(m_cue);
        EXPECT_TRUE(DriveUse::isBusy(m_cue));
        twoTracks().write(m_dir.path(), QStringLiteral("disc"));
        EXPECT_FALSE(m_watcher.poll());
    }
    EXPECT_FALSE(DriveUse::isBusy(m_cue));
    EXPECT_EQ(m_changes, 0);
    // The timer goes on looking once the drive is free.
    m_watcher.setInterval(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_changes == 1; }, 10000));
}

TEST_F(Watcher, WhatItSawAnswersForTheDriveUntilItStops) {
    DriveVolume volume;
    EXPECT_FALSE(MediaWatcher::knownVolume(m_cue, &volume));
    watchDisc();
    ASSERT_TRUE(MediaWatcher::knownVolume(m_cue, &volume));
    EXPECT_TRUE(volume.readable);
    EXPECT_EQ(volume.label, QStringLiteral("Audio CD"));

    DiscImage data;
    data.tracks = {{60, 0, true, {}, {}}};
    data.write(m_dir.path(), QStringLiteral("disc"));
    look();
    ASSERT_TRUE(MediaWatcher::knownVolume(m_cue, &volume));
    EXPECT_EQ(volume.label, QStringLiteral("ORVELLE DATA"));

    QFile::remove(m_cue);
    look();
    ASSERT_TRUE(MediaWatcher::knownVolume(m_cue, &volume));
    EXPECT_FALSE(volume.readable);

    m_watcher.stop();
    EXPECT_FALSE(MediaWatcher::knownVolume(m_cue, &volume));
}

TEST_F(Watcher, TheDriveLayerTakesAWatchedDriveFromTheWatcher) {
    QFile::remove(SettingsFile::defaultPath());
    SettingsFile(SettingsFile::defaultPath())
        .ini()
        .writeString(QStringLiteral("Drives"), QStringLiteral("image1"), m_cue);
    CdioDriveLayer layer(SettingsFile::defaultPath());
    ASSERT_TRUE(layer.cdDrives().contains(m_cue));
    watchDisc();
    DiscImage data;
    data.tracks = {{60, 0, true, {}, {}}};
    data.write(m_dir.path(), QStringLiteral("disc"));
    // Not opened again: what the watcher saw last, until its next look.
    QString label;
    ASSERT_TRUE(layer.volumeLabel(m_cue, &label));
    EXPECT_EQ(label, QStringLiteral("Audio CD"));
    look();
    ASSERT_TRUE(layer.volumeLabel(m_cue, &label));
    EXPECT_EQ(label, QStringLiteral("ORVELLE DATA"));
    // An unwatched drive is opened.
    m_watcher.stop();
    QFile::remove(m_cue);
    EXPECT_FALSE(layer.volumeLabel(m_cue, &label));
}

QStringList messages;
void recordMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    messages << text;
}

TEST(CdioMessages, StayOutOfTheTerminalAndNeverEndTheProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString cue = dir.filePath(QStringLiteral("broken.cue"));
    QFile broken(cue);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("FILE \"broken.bin\" BINARY\nTRACK 01 NONSENSE\n");
    broken.close();
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    // libcdio complains about this sheet at its error level.
    const bool opened = CdDisc::open(CdDrive{cue, true}) != nullptr;
    qInstallMessageHandler(previous);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
}

// Every thread that reads a disc at the same time sees it whole: the right
// table of contents, its CD-TEXT and its audio.
TEST(DiscsFromManyThreads, EveryOpenSeesTheWholeDisc) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile::remove(SettingsFile::defaultPath());
    const DiscImage first = threeTracks();
    const DiscImage second = twoTracks();
    const CdDrive driveA{first.write(dir.path(), QStringLiteral("a")), true};
    const CdDrive driveB{second.write(dir.path(), QStringLiteral("b")), true};
    const int realDrives = CdDriveList::devices().size();
    SettingsFile(SettingsFile::defaultPath())
        .ini()
        .writeString(QStringLiteral("Drives"), QStringLiteral("image1"), driveA.path);
    SettingsFile(SettingsFile::defaultPath())
        .ini()
        .writeString(QStringLiteral("Drives"), QStringLiteral("image2"), driveB.path);
    const auto expectedToc = [&](const CdDrive& drive) {
        return CdDisc::open(drive)->contents(false).toc();
    };
    const CdToc tocA = expectedToc(driveA);
    const CdToc tocB = expectedToc(driveB);
    ASSERT_EQ(tocA.toText().isEmpty(), false);

    // Readers of their own, opening both discs over and over.
    std::atomic<bool> done{false};
    std::atomic<int> opens{0};
    std::atomic<int> wrong{0};
    const auto reader = [&] {
        QByteArray frame(CdDisc::FrameBytes, '\0');
        while (!done) {
            for (const CdDrive* drive : {&driveA, &driveB}) {
                const std::unique_ptr<CdDisc> disc = CdDisc::open(*drive);
                const DiscContents contents = disc ? disc->contents() : DiscContents();
                const bool isA = drive == &driveA;
                const DiscImage& image = isA ? first : second;
                const bool audio = disc &&
                                   disc->readAudio(image.trackStart(0) + 5, 1, frame.data()) &&
                                   frame == DiscImage::audioFrame(image.trackStart(0) + 5);
                if (!disc || contents.toc() != (isA ? tocA : tocB) ||
                    contents.album != image.album || !audio)
                    ++wrong;
                ++opens;
            }
        }
    };
    std::thread readerOne(reader);
    std::thread readerTwo(reader);

    // Pollers looking at both drives as often as they can.
    MediaWatcher watchA;
    MediaWatcher watchB;
    int looks = 0;
    int changes = 0;
    for (MediaWatcher* watcher : {&watchA, &watchB}) {
        watcher->setInterval(0);
        QObject::connect(watcher, &MediaWatcher::looked, [&] { ++looks; });
        QObject::connect(watcher, &MediaWatcher::changed, [&] { ++changes; });
    }
    watchA.watch(driveA);
    watchB.watch(driveB);

    // The GUI thread reads drive A and plays it back raw while another
    // reader's ripper rips from drive B, whose own poller runs too.
    CdioDiscReader browser(SettingsFile::defaultPath());
    browser.setMediaPollInterval(0);
    browser.initialize();
    browser.setCurrentDrive(realDrives + 1);
    CdioRipper player(browser);
    CdioDiscReader other(SettingsFile::defaultPath());
    other.initialize();
    other.setCurrentDrive(realDrives + 2);
    CdioRipper ripper(other);
    ripper.setReadSettings({ReadMode::Secure, 1, ErrorAction::Stop});
    int mediaChanges = 0;
    QObject::connect(&browser, &DiscReader::mediaChanged, [&] { ++mediaChanges; });
    QObject::connect(&other, &DiscReader::mediaChanged, [&] { ++mediaChanges; });
    int finished = 0;
    QStringList errors;
    QObject::connect(&ripper, &TrackRipper::ripFinished, [&] { ++finished; });
    QObject::connect(&ripper, &TrackRipper::ripFailed,
                     [&](const QString& error) { errors << error; });

    const int rounds = 25;
    for (int round = 0; round < rounds && !HasFailure(); ++round) {
        SCOPED_TRACE(round);
        const Disc ripping = other.readDisc();
        ASSERT_EQ(ripping.tracks.size(), 2);
        const int ripsBefore = finished;
        const QString path = dir.filePath(QStringLiteral("rip%1.wav").arg(round));
        auto sink = std::make_shared<RecordingSink>(path);
        ripper.rip(ripping, ripping.range(round % 2), sink);

        const Disc browsed = browser.readDisc();
        ASSERT_EQ(browsed.tracks.size(), 3);
        EXPECT_EQ(browsed.tracks[0].title, QStringLiteral("First Song"));
        EXPECT_EQ(browsed.album, QStringLiteral("Album Title"));
        EXPECT_EQ(browser.currentDrive().vendor, QStringLiteral("Disc image"));
        const std::unique_ptr<TrackStream> stream = player.open(browsed, browsed.range(2));
        QByteArray raw;
        for (QByteArray part; !(part = stream->read(40)).isEmpty();)
            raw += part;
        EXPECT_EQ(raw, first.trackBytes(2));

        ASSERT_TRUE(
            QTest::qWaitFor([&] { return finished > ripsBefore || !errors.isEmpty(); }, 20000));
        ASSERT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(sink->isOpen());
        EXPECT_EQ(wavData(path), second.trackBytes(round % 2));
    }
    // Both readers and both pollers had their turns meanwhile.
    EXPECT_TRUE(QTest::qWaitFor([&] { return looks >= 4 && opens >= 4; }, 10000));
    done = true;
    readerOne.join();
    readerTwo.join();
    other.shutdown();
    browser.shutdown();

    EXPECT_EQ(wrong, 0) << "of " << opens << " opens";
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(mediaChanges, 0);
}

} // namespace
