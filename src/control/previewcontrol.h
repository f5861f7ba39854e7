#pragma once

#include "playback/previewcontroller.h"

#include <functional>
#include <optional>
#include <QObject>

class DriveSession;
class AudioPlayer;
class IPositionSlider;
class IPositionSliderView;
class RowModel;
struct MainState;

// The preview as the main window knows it: the list's rows turned into
// preview rows, the state flags the commands read, the rows' "Status" and the
// skin's position slider kept in step with the preview controller.
class PreviewControl : public QObject {
    Q_OBJECT
public:
    PreviewControl(AudioPlayer& player, DriveSession& drives, MainState& state, RowModel& rows,
                   std::function<int()> functionMode, QObject* parent = nullptr);

    PreviewController& preview() { return m_preview; }
    // The list's row `row` as the preview plays it; none past either end.
    std::optional<PreviewRow> previewRow(int row) const;
    // The skin's slider "pb"; null until the skin is applied, or when it has none.
    void setSlider(IPositionSlider* slider, IPositionSliderView* view);

    // Pauses a running preview, else starts the current row.
    void playOrPause();
    void sliderPressed();
    // Where the user left the slider counts whether or not a preview runs.
    void sliderReleased();

private:
    void showSlider(int value);
    void stopForNewRows();

    MainState& m_state;
    RowModel& m_rows;
    std::function<int()> m_functionMode;
    PreviewController m_preview;
    IPositionSlider* m_slider = nullptr;
    IPositionSliderView* m_sliderView = nullptr;
    bool m_rowsGoing = false;
};
