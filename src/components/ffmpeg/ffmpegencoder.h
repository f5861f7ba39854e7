#pragma once

#include "components/audioencoder.h"

#include <memory>
#include <QString>

// A file written by one of FFmpeg's audio encoders into one of its containers
// (WMA in ASF, RealAudio in RealMedia). The file must be seekable: both
// containers rewrite their header at the end.
class FfmpegEncoder : public AudioEncoder {
public:
    struct Settings {
        const char* container; // FFmpeg muxer name
        const char* codec;     // FFmpeg encoder name
        int sampleRate;
        int channels;
        int bitrate; // bits per second
    };

    // Raises ComponentError when the encoder refuses the settings or the file
    // cannot be created; no file is left behind then.
    FfmpegEncoder(const QString& path, const Settings& settings);
    ~FfmpegEncoder() override;

    PcmFormat format() const override;
    void write(const void* pcm, int frames) override;
    void finish() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
