#include "playback/previewcontroller.h"
#include "playback/previewfakes.h"

#include <gtest/gtest.h>

namespace {

PreviewRow audioRow(int row, const QString& path = QStringLiteral("/music/song.wav")) {
    return {row, PreviewKind::AudioFile, -1, path};
}
PreviewRow videoRow(int row) {
    return {row, PreviewKind::VideoFile, -1, QStringLiteral("/video/clip.avi")};
}
PreviewRow cdRow(int row) {
    return {row, PreviewKind::CdTrack, row, QString()};
}

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&preview, &PreviewController::statusChanged,
                         [this](int row, const QString& text) {
                             statuses << QStringLiteral("%1:%2").arg(row).arg(text);
                         });
        QObject::connect(&preview, &PreviewController::sliderMoved,
                         [this](int value) { slider << value; });
        QObject::connect(&preview, &PreviewController::currentRowChanged,
                         [this](int row) { currentRow = row; });
        QObject::connect(&preview, &PreviewController::previewStarted,
                         [this](int row) { started << row; });
        QObject::connect(&preview, &PreviewController::previewFailed,
                         [this](const QString& message) { failures << message; });
    }

    // Lets the player ask for `blocks` more blocks.
    void play(int blocks) {
        for (int i = 0; i < blocks; ++i)
            player.wantMore();
    }

    FakePlayer player;
    FakeCdTracks cd;
    FakeAudio audio;
    FakeVideo video;
    std::vector<PreviewRow> rows;
    bool jobRunning = false;
    PreviewController preview{{player, cd, [this] { return cd.disc(); },
                               [this] { return std::make_unique<FakeAudioFile>(audio); },
                               [this] { return std::make_unique<FakeVideoFile>(video); }},
                              [this](int row) -> std::optional<PreviewRow> {
                                  if (row < 0 || row >= int(rows.size()))
                                      return std::nullopt;
                                  return rows[std::size_t(row)];
                              },
                              [this] { return jobRunning; }};

    QStringList statuses;
    QList<int> slider;
    QStringList failures;
    QList<int> started; // rows whose tags the window shows
    int currentRow = -1;
};

TEST_F(PreviewTest, EveryKindStartsWhereTheSliderStands) {
    audio.length = 441000; // 10 000 ms
    cd.tracks = {750};
    video.durationMs = 10000;

    preview.sliderMouseUp(465); // nothing plays: only the slider moves
    EXPECT_TRUE(audio.seeks.isEmpty());
    EXPECT_TRUE(player.calls.isEmpty());

    preview.playOrPause(audioRow(0));
    EXPECT_EQ(audio.seeks, QList<qint64>{220500});
    EXPECT_EQ(player.calls,
              (QStringList{"SetFormat 44100 2", "StartPlayback", "QueueBuffer", "QueueBuffer"}));
    EXPECT_EQ(player.queued.first().size(), 4410 * 4); // a tenth of a second
    EXPECT_EQ(preview.positionMs(), 5200);
    EXPECT_EQ(statuses, QStringList{"0:Playing"});
    EXPECT_TRUE(preview.isActive());

    preview.playOrPause(audioRow(0)); // pause keeps the slider
    preview.playOrPause(cdRow(0));
    EXPECT_EQ(cd.seeks, QList<int>{375});
    EXPECT_EQ(player.calls.mid(5, 2), (QStringList{"SetFormat 44100 2", "StartPlayback"}));

    preview.playOrPause(cdRow(0));
    EXPECT_FALSE(cd.reading);
    player.calls.clear();
    preview.playOrPause(videoRow(0));
    EXPECT_EQ(video.seeks, QList<int>{5000});
    EXPECT_EQ(player.calls.first(), "SetFormat 22050 1");
    EXPECT_EQ(player.queued.last().size(), 2205 * 2);
}

TEST_F(PreviewTest, StepsStayInsideTheSource) {
    audio.length = 410130; // 9 300 ms: slider steps of 10 ms
    preview.sliderMouseUp(30);
    preview.playOrPause(audioRow(0)); // 300 ms, two blocks read: 500
    ASSERT_EQ(preview.positionMs(), 500);
    preview.stepBack(); // less than 600 ms to go back
    EXPECT_EQ(audio.seeks.size(), 1);
    EXPECT_FALSE(player.calls.contains("ResetQueue"));

    play(2);
    ASSERT_EQ(preview.positionMs(), 700);
    preview.stepBack();
    EXPECT_EQ(audio.seeks.last(), 4410);
    EXPECT_EQ(preview.positionMs(), 100);
    EXPECT_EQ(player.calls.last(), "ResetQueue");

    preview.sliderMouseUp(40); // 400, two blocks on: exactly one step
    play(2);
    preview.stepBack();
    EXPECT_EQ(audio.seeks.last(), 0);

    preview.sliderMouseUp(310); // 3 100, two blocks on: 3 300 = length - 6 000
    play(2);
    preview.stepForward();
    EXPECT_EQ(preview.positionMs(), 9300);
    preview.stepForward();
    EXPECT_EQ(audio.seeks.size(), 6);

    preview.playOrPause(audioRow(0)); // paused: steps do nothing
    preview.stepBack();
    preview.stepForward();
    EXPECT_EQ(audio.seeks.size(), 6);
}

TEST_F(PreviewTest, VideoStepsForwardOnlyWithAWholeStepLeft) {
    video.durationMs = 60000;
    preview.playOrPause(videoRow(0));
    video.positionMs = 53900;
    play(1);
    ASSERT_EQ(preview.positionMs(), 54000);
    preview.stepForward();
    EXPECT_EQ(video.seeks.last(), 60000);
    EXPECT_EQ(preview.positionMs(), 60000);

    video.positionMs = 53901;
    play(1);
    ASSERT_EQ(preview.positionMs(), 54001);
    const auto seeks = video.seeks.size();
    preview.stepForward();
    EXPECT_EQ(video.seeks.size(), seeks);
    preview.stepBack();
    EXPECT_EQ(video.seeks.last(), 48001);
}

TEST_F(PreviewTest, CdStepsAreSixHundredMillisecondsBothWays) {
    cd.tracks = {1500}; // 20 s
    preview.playOrPause(cdRow(0));
    ASSERT_EQ(preview.positionMs(), 213); // two blocks of 8 frames
    preview.stepBack();
    EXPECT_EQ(cd.seeks, QList<int>{0}); // only the start's
    preview.stepForward();
    EXPECT_EQ(cd.seeks.last(), 61);
    EXPECT_EQ(preview.positionMs(), 813);
    preview.stepBack();
    EXPECT_EQ(preview.positionMs(), 213);
}

TEST_F(PreviewTest, NextAndPreviousStayInsideTheListAndNeedAPlayingPreview) {
    rows = {audioRow(0), videoRow(1), audioRow(2)};
    preview.sliderMouseUp(465);
    preview.playOrPause(rows[2]);
    preview.previewNextRow(); // the last row
    EXPECT_EQ(currentRow, -1);
    EXPECT_EQ(statuses, QStringList{"2:Playing"});

    preview.previewPreviousRow();
    EXPECT_EQ(currentRow, 1);
    EXPECT_EQ(statuses, (QStringList{"2:Playing", "2:Stop Play", "1:Playing"}));
    EXPECT_TRUE(video.open);
    EXPECT_FALSE(audio.open);
    EXPECT_EQ(video.seeks, QList<int>{0}); // the stop put the slider back
    EXPECT_EQ(started, (QList<int>{2, 1}));

    preview.previewPreviousRow();
    EXPECT_EQ(preview.row(), 0);
    statuses.clear();
    preview.previewPreviousRow(); // row 0
    EXPECT_EQ(preview.row(), 0);
    EXPECT_TRUE(statuses.isEmpty());

    preview.playOrPause(rows[0]);
    preview.previewNextRow(); // paused
    EXPECT_EQ(preview.row(), 0);
    EXPECT_EQ(statuses, QStringList{"0:Pause"});
}

TEST_F(PreviewTest, NothingStartsDuringAJobOrWithoutARow) {
    jobRunning = true;
    preview.playOrPause(audioRow(0));
    preview.startPreview(audioRow(0));
    jobRunning = false;
    preview.playOrPause(PreviewRow{});
    preview.startPreview(PreviewRow{});
    EXPECT_EQ(audio.opens, 0);
    EXPECT_TRUE(player.calls.isEmpty());
    EXPECT_TRUE(statuses.isEmpty());
    EXPECT_FALSE(preview.isActive());
}

TEST_F(PreviewTest, DraggingTheSliderWhilePausedOnlyMovesIt) {
    audio.length = 410130; // 9 300 ms
    preview.playOrPause(audioRow(0));
    play(3);
    player.tick();
    EXPECT_EQ(slider, QList<int>{50});
    preview.playOrPause(audioRow(0));
    EXPECT_EQ(statuses.last(), "0:Pause");
    EXPECT_EQ(player.calls.last(), "StopPlayback");
    EXPECT_FALSE(audio.open);
    EXPECT_EQ(preview.sliderValue(), 50);

    const auto calls = player.calls.size();
    preview.sliderMouseDown();
    preview.sliderMouseUp(837);
    EXPECT_EQ(player.calls.size(), calls);
    EXPECT_EQ(audio.seeks, QList<qint64>{0});

    preview.playOrPause(audioRow(0));
    EXPECT_EQ(audio.seeks.last(), 369117); // 8 370 ms
    player.tick();
    EXPECT_EQ(slider.last(), 857); // follows again from 8 570 ms
}

TEST_F(PreviewTest, HoldingTheSliderStopsFollowingAndLettingGoSeeks) {
    audio.length = 410130;
    preview.playOrPause(audioRow(0));
    preview.sliderMouseDown();
    play(5);
    player.tick();
    EXPECT_TRUE(slider.isEmpty());
    preview.sliderMouseUp(465);
    EXPECT_EQ(audio.seeks.last(), 205065); // 4 650 ms
    EXPECT_EQ(player.calls.last(), "ResetQueue");
    play(1);
    player.tick();
    EXPECT_EQ(slider, QList<int>{475});
}

TEST_F(PreviewTest, TheSliderReachesTheEndThenTheStopPutsItBack) {
    audio.length = 44100 + 1000; // a last block that is short
    audio.decodable = 42000;     // and the length was only an estimate
    preview.playOrPause(audioRow(0));
    play(20);
    EXPECT_EQ(audio.reads, 11); // reading stops at the end
    player.tick();
    EXPECT_EQ(slider, QList<int>{930});
    player.end();
    EXPECT_EQ(slider, (QList<int>{930, 0}));
    EXPECT_EQ(statuses.last(), "0:Stop Play");
    EXPECT_FALSE(preview.isActive());
    EXPECT_FALSE(audio.open);
    play(2); // late requests read nothing
    EXPECT_EQ(audio.reads, 11);
}

TEST_F(PreviewTest, AFailingSourceEndsThePreviewWithItsReason) {
    preview.playOrPause(audioRow(0, QStringLiteral("/music/missing.wav")));
    EXPECT_EQ(failures, QStringList{"Cannot open /music/missing.wav"});
    EXPECT_FALSE(player.calls.contains("StartPlayback"));
    EXPECT_FALSE(preview.isActive());

    preview.playOrPause(audioRow(0));
    audio.failReads = true;
    play(1);
    EXPECT_EQ(failures.size(), 2);
    EXPECT_EQ(statuses.last(), "0:Stop Play");
    EXPECT_EQ(player.calls.last(), "StopPlayback");
    EXPECT_FALSE(preview.isActive());
    EXPECT_FALSE(audio.open);
}

} // namespace
