#pragma once

#include "components/audioencoder.h"
#include "components/output/outputfile.h"

#include <memory>
#include <QString>

// An Ogg Vorbis file encoded by libvorbisenc, in one of three modes:
// - quality (0..1000, Vorbis quality 0.0 to 1.0), when quality is not -1;
// - managed bitrate, when a minimum or maximum is given (kbps);
// - otherwise bitrate-targeted VBR around the nominal bitrate, as oggenc -b does.
// A bitrate that libvorbisenc has no set-up for at the rate and channel count
// is replaced by the nearest one it has.
class OggVorbisWriter : public AudioEncoder {
public:
    struct Settings {
        int sampleRate = 44100;
        int channels = 2;
        int bitrate = 128; // kbps
        int minBitrate = 0;
        int maxBitrate = 0;
        int quality = -1;
    };

    // Raises ComponentError, before the file is touched, when no encoder set-up fits.
    OggVorbisWriter(const QString& path, const Settings& settings);
    ~OggVorbisWriter() override;

    PcmFormat format() const override { return PcmFormat::int16(m_sampleRate, m_channels); }
    void write(const void* pcm, int frames) override;
    void finish() override;

private:
    struct Private;
    void drain(bool endOfStream);

    std::unique_ptr<Private> d;
    OutputFile m_file;
    int m_sampleRate;
    int m_channels;
};
