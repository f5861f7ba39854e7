#include "jobs/cdtracksource.h"

#include "components/componenterror.h"
#include "components/trackripper.h"
#include "platform/muldiv.h"

#include <algorithm>

CdTrackSource::CdTrackSource(TrackRipper& ripper, Disc disc, int track)
    : m_ripper(ripper), m_disc(std::move(disc)), m_track(track) {}

CdTrackSource::~CdTrackSource() = default;

void CdTrackSource::open() {
    m_stream = m_ripper.open(m_disc, m_disc.range(m_track));
    m_frames = std::max(0, m_stream->length());
    m_position = 0;
}

void CdTrackSource::close() {
    m_stream.reset();
}

TrackStream& CdTrackSource::stream() {
    if (!m_stream)
        throw ComponentError(QStringLiteral("No track is open for reading."));
    return *m_stream;
}

qint64 CdTrackSource::lengthMs() const {
    return mulDiv(m_frames, 1000, FramesPerSecond);
}

qint64 CdTrackSource::positionMs() const {
    return mulDiv(m_position, 1000, FramesPerSecond);
}

void CdTrackSource::seek(qint64 ms) {
    m_position = std::clamp<qint64>(mulDiv(ms, FramesPerSecond, 1000), 0, m_frames);
    stream().seek(int(m_position));
}

QByteArray CdTrackSource::read() {
    QByteArray pcm = stream().read(BlockFrames);
    // Frames cut out for read errors still count: the position is the place
    // on the disc, not the amount heard.
    m_position = pcm.isEmpty() ? m_frames : std::min(m_position + BlockFrames, m_frames);
    return pcm;
}
