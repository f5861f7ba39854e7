#include "components/componenterror.h"
#include "components/player/qtaudioplayer.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

namespace {

// Feeds the player the way preview does: two blocks at the start, one more
// for every event that asks for one, until the source is used up.
class FakePreview {
public:
    FakePreview(QtAudioPlayer& player, int blocks, int blockBytes)
        : m_player(player), m_left(blocks), m_blockBytes(blockBytes) {
        QObject::connect(&player, &AudioPlayer::onRequestOnLoadArray, [this] { queueNext(); });
        QObject::connect(&player, &AudioPlayer::onEndArrayPlay, [this] { queueNext(); });
    }

    void start() {
        m_player.startPlayback();
        queueNext();
        queueNext();
    }

    int left() const { return m_left; }

private:
    void queueNext() {
        if (m_left == 0)
            return;
        --m_left;
        m_player.queueBuffer(QByteArray(m_blockBytes, char(1)));
    }

    QtAudioPlayer& m_player;
    int m_left;
    int m_blockBytes;
};

TEST(AudioPlayerTest, PlaysTheWholeSourceAtTheRealRateThenEnds) {
    QtAudioPlayer player;
    player.setFormat(8000, 1);
    QSignalSpy ended(&player, &AudioPlayer::onEndPlay);
    QSignalSpy ticks(&player, &AudioPlayer::onTimer);
    FakePreview preview(player, 5, 1600); // five blocks of 100 ms

    QElapsedTimer clock;
    clock.start();
    preview.start();
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_GE(clock.elapsed(), 450); // no faster than the sound lasts
    EXPECT_EQ(preview.left(), 0);
    ASSERT_GE(ticks.size(), 3);
    EXPECT_EQ(ticks.last().at(0).toInt(), 4000); // every sample frame was played
    EXPECT_FALSE(ended.wait(200)) << "the end is told once";
}

TEST(AudioPlayerTest, ResetQueueDropsWhatWasQueuedAndAsksForMore) {
    QtAudioPlayer player;
    player.setFormat(8000, 1);
    QSignalSpy wanted(&player, &AudioPlayer::onRequestOnLoadArray);
    QSignalSpy ended(&player, &AudioPlayer::onEndPlay);
    QSignalSpy ticks(&player, &AudioPlayer::onTimer);
    QElapsedTimer clock;
    clock.start();
    player.startPlayback();
    player.queueBuffer(QByteArray(16000, char(1))); // one second
    ASSERT_TRUE(ticks.wait(1000)) << "the second is playing";
    wanted.clear();
    player.resetQueue();
    EXPECT_TRUE(wanted.wait(1000));
    ASSERT_TRUE(ended.wait(2000));
    EXPECT_LT(clock.elapsed(), 900); // the rest of the second was never played
}

TEST(AudioPlayerTest, StopPlaybackEndsQuietly) {
    QtAudioPlayer player;
    player.setFormat(44100, 2);
    QSignalSpy ended(&player, &AudioPlayer::onEndPlay);
    QSignalSpy ticks(&player, &AudioPlayer::onTimer);
    player.startPlayback();
    player.queueBuffer(QByteArray(17640, 0));
    ASSERT_TRUE(ticks.wait(1000));
    player.stopPlayback();
    const int ticksAtStop = int(ticks.size());
    // The 100 ms queued would have ended by now had the player gone on.
    EXPECT_FALSE(ended.wait(400));
    EXPECT_EQ(ticks.size(), ticksAtStop);
}

TEST(AudioPlayerTest, FormatAndDurations) {
    QtAudioPlayer player;
    player.setFormat(44100, 2);
    EXPECT_EQ(player.samplesToMs(88200), 1000); // a byte count halved: both channels
    player.setFormat(8000, 1);
    EXPECT_EQ(player.samplesToMs(4000), 500);
    EXPECT_THROW(player.setFormat(0, 2), ComponentError);
    EXPECT_THROW(player.setFormat(44100, 3), ComponentError);
}

} // namespace
