#pragma once

#include "components/discreader.h"
#include "jobs/previewsource.h"

#include <memory>

class TrackRipper;
class TrackStream;

// A track of the disc, read through the ripper as it is played (CD frames, 75 a second).
class CdTrackSource : public PreviewSource {
public:
    static constexpr int FramesPerSecond = 75;
    static constexpr int BlockFrames = 8; // 107 ms

    CdTrackSource(TrackRipper& ripper, Disc disc, int track);
    ~CdTrackSource() override;

    void open() override;
    void close() override;
    int sampleRate() const override { return 44100; }
    int channels() const override { return 2; }
    qint64 lengthMs() const override;
    qint64 positionMs() const override;
    void seek(qint64 ms) override;
    QByteArray read() override;
    int stepBackMs() const override { return 600; }
    int stepForwardMs() const override { return 600; }

private:
    TrackStream& stream();

    TrackRipper& m_ripper;
    Disc m_disc;
    int m_track;
    std::unique_ptr<TrackStream> m_stream;
    qint64 m_frames = 0;
    qint64 m_position = 0; // CD frames
};
