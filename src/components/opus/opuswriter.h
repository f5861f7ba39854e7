#pragma once

#include "components/audioencoder.h"
#include "components/output/outputfile.h"

#include <memory>
#include <QString>

// An Ogg Opus file encoded by libopusenc. Sound at any rate is taken as it
// comes: libopusenc resamples what Opus does not code natively (44.1 kHz
// among it) to 48 kHz, and writes the pre-skip and the end trimming so that
// a player gives back the source's length.
class OpusWriter : public AudioEncoder {
public:
    enum class Mode { Vbr, ConstrainedVbr, Cbr };
    struct Settings {
        int sampleRate = 44100;
        int channels = 2;
        int bitrate = 128; // kbit/s, 6..510
        Mode mode = Mode::Vbr;
        int complexity = 10; // 0..10
    };

    // Raises ComponentError, before the file is touched, for settings libopusenc refuses.
    OpusWriter(const QString& path, const Settings& settings);
    ~OpusWriter() override;

    PcmFormat format() const override {
        return PcmFormat::int16(m_settings.sampleRate, m_settings.channels);
    }
    void write(const void* pcm, int frames) override;
    void finish() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
    OutputFile m_file;
    Settings m_settings;
};
