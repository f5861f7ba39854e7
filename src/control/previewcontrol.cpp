#include "control/previewcontrol.h"

#include "cd/drivesession.h"
#include "components/ffmpeg/audiofilereader.h"
#include "components/ffmpeg/videofile.h"
#include "components/skin.h"
#include "control/mainstate.h"
#include "filelist/filekinds.h"
#include "filelist/rowmodel.h"

#include <QScopedValueRollback>

PreviewControl::PreviewControl(AudioPlayer& player, DriveSession& drives, MainState& state,
                               RowModel& rows, std::function<int()> functionMode, QObject* parent)
    : QObject(parent), m_state(state), m_rows(rows), m_functionMode(std::move(functionMode)),
      // Fresh readers for every preview: none is shared with a job's rows.
      m_preview(
          {player, drives.ripper(), [&drives] { return drives.disc(); },
           [] { return std::make_unique<AudioFileReader>(); },
           [] { return std::make_unique<VideoFile>(); }},
          [this](int row) { return previewRow(row); }, [this] { return m_state.jobRunning; }) {
    connect(&m_preview, &PreviewController::statusChanged, this,
            [this](int row, const QString& status) {
                if (!m_rowsGoing && row >= 0 && row < m_rows.count())
                    m_rows.setStatus(row, status);
            });
    connect(&m_preview, &PreviewController::sliderMoved, this, &PreviewControl::showSlider);
    connect(&m_preview, &PreviewController::activeChanged, this,
            [this](bool active) { m_state.playbackActive = active; });
    connect(&m_preview, &PreviewController::currentRowChanged, this,
            [this](int row) { m_state.currentRow = row; });
    // The preview knows its row by index: once rows go, that index may name
    // another row or none. Before a removal the index still holds.
    connect(&m_rows, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] {
        if (m_preview.isActive())
            m_preview.stopPreview();
    });
    connect(&m_rows, &QAbstractItemModel::modelAboutToBeReset, this,
            &PreviewControl::stopForNewRows);
}

void PreviewControl::stopForNewRows() {
    if (!m_preview.isActive())
        return;
    // Every row is on its way out: no status goes to them.
    const QScopedValueRollback quiet(m_rowsGoing, true);
    m_preview.stopPreview();
}

std::optional<PreviewRow> PreviewControl::previewRow(int row) const {
    if (row < 0 || row >= m_rows.count())
        return std::nullopt;
    const RowModel::Row& listed = m_rows.row(row);
    if (m_functionMode() == CdRipper)
        return PreviewRow{row, PreviewKind::CdTrack, listed.track == -1 ? row : listed.track, {}};
    const PreviewKind kind =
        isVideoFile(listed.caption) ? PreviewKind::VideoFile : PreviewKind::AudioFile;
    return PreviewRow{row, kind, -1, listed.sourcePath};
}

void PreviewControl::setSlider(IPositionSlider* slider, IPositionSliderView* view) {
    m_slider = slider;
    m_sliderView = view;
    showSlider(m_preview.sliderValue());
}

void PreviewControl::playOrPause() {
    if (const std::optional<PreviewRow> row = previewRow(m_state.currentRow))
        m_preview.playOrPause(*row);
}

void PreviewControl::sliderPressed() {
    m_preview.sliderMouseDown();
}

void PreviewControl::sliderReleased() {
    m_preview.sliderMouseUp(m_slider ? m_slider->getValue() : m_preview.sliderValue());
}

void PreviewControl::showSlider(int value) {
    if (!m_slider)
        return;
    m_slider->setValue(value);
    if (m_sliderView)
        m_sliderView->redraw();
}
