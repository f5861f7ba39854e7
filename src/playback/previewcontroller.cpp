#include "playback/previewcontroller.h"

#include "components/audioplayer.h"
#include "components/audioreader.h"
#include "components/componenterror.h"
#include "components/trackripper.h"
#include "components/videoreader.h"
#include "jobs/audiofilesource.h"
#include "jobs/cdtracksource.h"
#include "jobs/videosoundsource.h"
#include "platform/muldiv.h"

#include <algorithm>

PreviewController::PreviewController(Components components, RowLookup rows, JobRunning jobRunning,
                                     QObject* parent)
    : QObject(parent), m_player(components.player), m_ripper(components.ripper),
      m_disc(std::move(components.disc)), m_makeReader(std::move(components.makeReader)),
      m_makeVideo(std::move(components.makeVideo)), m_rows(std::move(rows)),
      m_jobRunning(std::move(jobRunning)) {
    connect(&m_player, &AudioPlayer::onRequestOnLoadArray, this,
            &PreviewController::queueNextBlock);
    connect(&m_player, &AudioPlayer::onEndArrayPlay, this, &PreviewController::queueNextBlock);
    connect(&m_player, &AudioPlayer::onEndPlay, this, [this] {
        if (m_active)
            stopPreview();
    });
    connect(&m_player, &AudioPlayer::onTimer, this, &PreviewController::followPlayback);
}

PreviewController::~PreviewController() {
    if (m_active)
        m_player.stopPlayback();
    closeSource();
}

qint64 PreviewController::positionMs() const {
    return m_source ? m_source->positionMs() : 0;
}

qint64 PreviewController::lengthMs() const {
    return m_source ? m_source->lengthMs() : 0;
}

void PreviewController::playOrPause(const PreviewRow& current) {
    if (m_jobRunning() || current.row < 0)
        return;
    if (m_active)
        pausePreview();
    else
        startPreview(current);
}

void PreviewController::startPreview(const PreviewRow& row) {
    if (row.row < 0 || m_jobRunning())
        return;
    if (m_active)
        stopPreview();
    closeSource();
    m_row = row;
    m_sourceEnded = false;
    guarded([&] {
        m_source = makeSource(row);
        m_source->open();
        m_source->seek(mulDiv(m_sliderValue, m_source->lengthMs(), SliderSteps));
        m_player.setFormat(m_source->sampleRate(), m_source->channels());
        m_player.startPlayback();
        setActive(true);
        emit previewStarted(row.row);
        emit statusChanged(row.row, Playing);
    });
    if (!m_active)
        return;
    queueNextBlock();
    queueNextBlock();
}

void PreviewController::pausePreview() {
    if (!m_active)
        return;
    setActive(false);
    emit statusChanged(m_row.row, Paused);
    m_player.stopPlayback();
    closeSource();
}

void PreviewController::stopPreview() {
    m_player.stopPlayback();
    closeSource();
    setSlider(0);
    setActive(false);
    if (m_row.row >= 0)
        emit statusChanged(m_row.row, Stopped);
}

void PreviewController::queueNextBlock() {
    // The player may still ask once after a pause or stop; and a source that
    // has ended stays ended until a seek.
    if (!m_active || m_sourceEnded)
        return;
    guarded([&] {
        const QByteArray block = m_source->read();
        if (block.isEmpty())
            m_sourceEnded = true;
        else
            m_player.queueBuffer(block);
    });
}

void PreviewController::stepBack() {
    if (!m_active)
        return;
    const qint64 position = m_source->positionMs();
    const int step = m_source->stepBackMs();
    if (position >= step)
        seekAndReset(position - step);
}

void PreviewController::stepForward() {
    if (!m_active)
        return;
    const qint64 position = m_source->positionMs();
    const int step = m_source->stepForwardMs();
    if (position <= m_source->lengthMs() - step)
        seekAndReset(position + step);
}

void PreviewController::previewPreviousRow() {
    moveToRow(m_row.row - 1);
}

void PreviewController::previewNextRow() {
    moveToRow(m_row.row + 1);
}

void PreviewController::moveToRow(int row) {
    if (!m_active || row < 0)
        return;
    const std::optional<PreviewRow> next = m_rows(row);
    if (!next)
        return;
    stopPreview();
    emit currentRowChanged(row);
    startPreview(*next);
}

void PreviewController::sliderMouseDown() {
    m_sliderFollows = false;
}

void PreviewController::sliderMouseUp(int value) {
    m_sliderFollows = true;
    m_sliderValue = std::clamp(value, 0, int(SliderSteps));
    if (m_active)
        seekAndReset(mulDiv(m_sliderValue, m_source->lengthMs(), SliderSteps));
}

void PreviewController::seekAndReset(qint64 ms) {
    guarded([&] {
        m_source->seek(ms);
        m_sourceEnded = false;
        m_player.resetQueue();
    });
}

void PreviewController::followPlayback() {
    if (!m_active || !m_sliderFollows)
        return;
    const qint64 length = m_source->lengthMs();
    const qint64 value = length > 0 ? mulDiv(m_source->positionMs(), SliderSteps, length) : 0;
    setSlider(int(std::clamp<qint64>(value, 0, SliderSteps)));
}

void PreviewController::setSlider(int value) {
    if (value == m_sliderValue)
        return;
    m_sliderValue = value;
    emit sliderMoved(value);
}

void PreviewController::setActive(bool active) {
    if (active == m_active)
        return;
    m_active = active;
    emit activeChanged(active);
}

void PreviewController::closeSource() {
    if (!m_source)
        return;
    std::unique_ptr<PreviewSource> source = std::move(m_source);
    try {
        source->close();
    } catch (const ComponentError&) {
        // Nothing more is read from it either way.
    }
}

std::unique_ptr<PreviewSource> PreviewController::makeSource(const PreviewRow& row) const {
    switch (row.kind) {
    case PreviewKind::CdTrack:
        return std::make_unique<CdTrackSource>(m_ripper, m_disc(), row.track);
    case PreviewKind::AudioFile:
        return std::make_unique<AudioFileSource>(m_makeReader(), row.path);
    case PreviewKind::VideoFile:
        return std::make_unique<VideoSoundSource>(m_makeVideo(), row.path);
    }
    throw ComponentError(QStringLiteral("This row cannot be played."));
}

template <typename Step> void PreviewController::guarded(Step step) {
    try {
        step();
    } catch (const ComponentError& error) {
        fail(error.message());
    }
}

void PreviewController::fail(const QString& message) {
    stopPreview();
    emit previewFailed(message);
}
