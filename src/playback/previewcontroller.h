#pragma once

#include "components/discreader.h"
#include "playback/previewrow.h"

#include <functional>
#include <memory>
#include <optional>
#include <QObject>
#include <QString>

class TrackRipper;
class AudioReader;
class AudioPlayer;
class VideoReader;
class PreviewSource;

// Plays the current row of the list through the player: a CD track, an audio
// file or a video's sound, read in blocks of about a tenth of a second as the
// player asks for them. The position slider spans the whole source in
// SliderSteps steps.
//
// It knows no widgets: the window hands it the row to play, tells it about the
// slider's mouse presses, and shows what the signals report. Component
// failures end the preview and arrive as previewFailed, never as exceptions.
class PreviewController : public QObject {
    Q_OBJECT
public:
    static constexpr int SliderSteps = 930;
    static inline const QString Playing = QStringLiteral("Playing");
    static inline const QString Paused = QStringLiteral("Pause");
    static inline const QString Stopped = QStringLiteral("Stop Play");

    // The list's row at an index, or none past either end.
    using RowLookup = std::function<std::optional<PreviewRow>(int row)>;
    using JobRunning = std::function<bool()>;
    using ReaderFactory = std::function<std::unique_ptr<AudioReader>()>;
    using VideoFactory = std::function<std::unique_ptr<VideoReader>()>;

    struct Components {
        AudioPlayer& player;
        TrackRipper& ripper;
        std::function<Disc()> disc; // the disc a CD row's track is on
        ReaderFactory makeReader;
        VideoFactory makeVideo;
    };

    PreviewController(Components components, RowLookup rows, JobRunning jobRunning,
                      QObject* parent = nullptr);
    ~PreviewController() override;

    // The play command: pauses a running preview, else starts `current`.
    void playOrPause(const PreviewRow& current);
    void startPreview(const PreviewRow& row);
    void pausePreview();
    void stopPreview();
    void queueNextBlock();
    void stepBack();
    void stepForward();
    void previewPreviousRow();
    void previewNextRow();
    void sliderMouseDown();
    // `value` is where the user left the slider.
    void sliderMouseUp(int value);

    bool isActive() const { return m_active; }
    bool sliderFollowsPlayback() const { return m_sliderFollows; }
    int sliderValue() const { return m_sliderValue; }
    // The row previewed last; -1 before the first.
    int row() const { return m_row.row; }
    // Where the next block starts, and the whole source, in milliseconds; 0 without a source.
    qint64 positionMs() const;
    qint64 lengthMs() const;

signals:
    void statusChanged(int row, const QString& status);
    void sliderMoved(int value);
    void activeChanged(bool active);
    // Next and previous moved the preview to another row.
    void currentRowChanged(int row);
    // A preview of the row began: its tags belong in the tag edits.
    void previewStarted(int row);
    void previewFailed(const QString& message);

private:
    std::unique_ptr<PreviewSource> makeSource(const PreviewRow& row) const;
    void moveToRow(int row);
    void seekAndReset(qint64 ms);
    void followPlayback();
    void setSlider(int value);
    void setActive(bool active);
    void closeSource();
    // Runs a step that talks to the components; a failure ends the preview.
    template <typename Step> void guarded(Step step);
    void fail(const QString& message);

    AudioPlayer& m_player;
    TrackRipper& m_ripper;
    std::function<Disc()> m_disc;
    ReaderFactory m_makeReader;
    VideoFactory m_makeVideo;
    RowLookup m_rows;
    JobRunning m_jobRunning;

    PreviewRow m_row;
    std::unique_ptr<PreviewSource> m_source;
    bool m_active = false;
    bool m_sourceEnded = false;
    bool m_sliderFollows = true;
    int m_sliderValue = 0;
};
