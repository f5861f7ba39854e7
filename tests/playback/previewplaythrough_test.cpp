#include "cd/discimage.h"
#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdioripper.h"
#include "components/ffmpeg/audiofilereader.h"
#include "components/ffmpeg/videofile.h"
#include "components/player/qtaudioplayer.h"
#include "playback/previewcontroller.h"
#include "settings/settingsfile.h"
#include "support/nullcomponents.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

namespace {

// The real player, keeping a copy of all it was given.
class RecordingPlayer : public QtAudioPlayer {
public:
    QByteArray given;
    void queueBuffer(const QByteArray& pcm) override {
        given += pcm;
        QtAudioPlayer::queueBuffer(pcm);
    }
};

// A 16-bit mono WAV file of a ramp that never repeats within it.
QByteArray writeWav(const QString& path, int rate, int frames) {
    QByteArray pcm(frames * 2, '\0');
    for (int i = 0; i < frames; ++i)
        qToLittleEndian<qint16>(qint16(i % 30000 - 15000), pcm.data() + i * 2);
    QByteArray header("RIFF....WAVEfmt ");
    auto put32 = [&header](quint32 v) {
        char bytes[4];
        qToLittleEndian(v, bytes);
        header.append(bytes, 4);
    };
    auto put16 = [&header](quint16 v) {
        char bytes[2];
        qToLittleEndian(v, bytes);
        header.append(bytes, 2);
    };
    put32(16);
    put16(1);
    put16(1);
    put32(quint32(rate));
    put32(quint32(rate * 2));
    put16(2);
    put16(16);
    header.append("data");
    put32(quint32(pcm.size()));
    qToLittleEndian(quint32(header.size() - 8 + pcm.size()), header.data() + 4);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(header + pcm);
    return pcm;
}

QStringList terminalLines;

void keepTerminalLine(QtMsgType, const QMessageLogContext&, const QString& message) {
    terminalLines << message;
}

class PlaythroughTest : public ::testing::Test {
protected:
    void SetUp() override {
        // What the sound system says on the way (no sound server here) stays off the terminal.
        terminalLines.clear();
        m_previousHandler = qInstallMessageHandler(keepTerminalLine);
        ASSERT_TRUE(m_dir.isValid());
        QFile::remove(SettingsFile::defaultPath());
        m_realDrives = CdDriveList::scan(SettingsFile(SettingsFile::defaultPath())).size();
    }

    // Plays `row` from slider 465 until the preview stops by itself; returns the
    // slider's values on the way.
    QList<int> playToTheEnd(const PreviewRow& row) {
        PreviewController preview(
            {player, m_ripper, [this] { return m_disc; },
             [] { return std::make_unique<AudioFileReader>(); },
             [] { return std::make_unique<VideoFile>(); }},
            [](int) { return std::nullopt; }, [] { return false; });
        QList<int> slider;
        QStringList statuses;
        QStringList failures;
        QObject::connect(&preview, &PreviewController::sliderMoved,
                         [&](int value) { slider << value; });
        QObject::connect(&preview, &PreviewController::statusChanged,
                         [&](int, const QString& text) { statuses << text; });
        QObject::connect(&preview, &PreviewController::previewFailed,
                         [&](const QString& message) { failures << message; });
        preview.sliderMouseDown();
        preview.sliderMouseUp(465);
        preview.playOrPause(row);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !preview.isActive(); }, 30000));
        EXPECT_EQ(statuses, (QStringList{"Playing", "Stop Play"}));
        EXPECT_TRUE(failures.isEmpty()) << failures.join('\n').toStdString();
        return slider;
    }

    void TearDown() override {
        qInstallMessageHandler(m_previousHandler);
        EXPECT_TRUE(terminalLines.isEmpty()) << terminalLines.join(QLatin1Char('\n')).toStdString();
    }

    static void expectRunToTheEnd(const QList<int>& slider) {
        ASSERT_GE(slider.size(), 3);
        EXPECT_GE(slider.first(), 465);
        EXPECT_EQ(slider.last(), 0); // the stop at the end
        EXPECT_EQ(slider[slider.size() - 2], 930);
        EXPECT_TRUE(std::is_sorted(slider.begin(), slider.end() - 1));
    }

    QtMessageHandler m_previousHandler = nullptr;
    QTemporaryDir m_dir;
    int m_realDrives = 0;
    RecordingPlayer player;
    CdioDiscReader m_reader{SettingsFile::defaultPath()};
    CdioRipper m_ripper{m_reader};
    Disc m_disc;
};

TEST_F(PlaythroughTest, AnAudioFilePlaysFromTheSliderToItsEnd) {
    const QString path = m_dir.filePath(QStringLiteral("ramp.wav"));
    const QByteArray pcm = writeWav(path, 22050, 44100); // 2 s
    expectRunToTheEnd(playToTheEnd({0, PreviewKind::AudioFile, -1, path}));
    EXPECT_EQ(player.given.size(), pcm.size() / 2);
    EXPECT_TRUE(player.given == pcm.mid(pcm.size() / 2)); // from 1 000 ms on, nothing lost
}

TEST_F(PlaythroughTest, ADiscImageTrackPlaysFromTheSliderToItsEnd) {
    DiscImage disc;
    disc.tracks = {{75, 0, false, QStringLiteral("One"), QString()},
                   {150, 0, false, QStringLiteral("Two"), QString()}};
    SettingsFile(SettingsFile::defaultPath())
        .ini()
        .writeString(QStringLiteral("Drives"), QStringLiteral("image1"),
                     disc.write(m_dir.path(), QStringLiteral("disc")));
    m_reader.initialize();
    m_reader.setCurrentDrive(m_realDrives + 1);
    m_disc = m_reader.readDisc();

    expectRunToTheEnd(playToTheEnd({1, PreviewKind::CdTrack, 1, QString()}));
    const QByteArray track = disc.trackBytes(1);
    EXPECT_EQ(player.given.size(), track.size() / 2);
    EXPECT_TRUE(player.given == track.mid(75 * 2352)); // from frame 75 (1 000 ms) on
}

} // namespace
