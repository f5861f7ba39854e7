#pragma once

#include "jobs/previewsource.h"

class CdGrabber;

// A track of the disc, through the grabber's raw reads (CD frames, 75 a second).
class CdTrackSource : public PreviewSource {
public:
    static constexpr int FramesPerSecond = 75;
    static constexpr int BlockFrames = 8; // 107 ms

    CdTrackSource(CdGrabber& grabber, int track);

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
    CdGrabber& m_grabber;
    int m_track;
    qint64 m_frames = 0;
    qint64 m_position = 0; // CD frames
};
