#include "jobs/cdtracksource.h"

#include "components/cdgrabber.h"
#include "platform/muldiv.h"

#include <algorithm>

CdTrackSource::CdTrackSource(CdGrabber& grabber, int track) : m_grabber(grabber), m_track(track) {}

void CdTrackSource::open() {
    m_grabber.selectTrack(m_track);
    m_grabber.beginRawRead();
    m_frames = std::max(0, m_grabber.getTrackLength());
    m_position = 0;
}

void CdTrackSource::close() {
    m_grabber.endRawRead();
}

qint64 CdTrackSource::lengthMs() const {
    return mulDiv(m_frames, 1000, FramesPerSecond);
}

qint64 CdTrackSource::positionMs() const {
    return mulDiv(m_position, 1000, FramesPerSecond);
}

void CdTrackSource::seek(qint64 ms) {
    m_position = std::clamp<qint64>(mulDiv(ms, FramesPerSecond, 1000), 0, m_frames);
    m_grabber.seekRawRead(int(m_position));
}

QByteArray CdTrackSource::read() {
    QByteArray pcm = m_grabber.readRawAudio(BlockFrames);
    // Frames the grabber cut out for read errors still count: the position is
    // the place on the disc, not the amount heard.
    m_position = pcm.isEmpty() ? m_frames : std::min(m_position + BlockFrames, m_frames);
    return pcm;
}
