#pragma once

#include "components/audioencoder.h"
#include "components/lame/lamesettings.h"
#include "components/output/outputfile.h"

#include <QString>
#include <vector>

struct lame_global_struct;

// An MP3 file encoded by LAME. With "write VBR header" on, the LAME info frame
// is written back at the start when the file is finished, so that players know
// the exact length and decoders give back exactly the samples that went in.
class Mp3Writer : public AudioEncoder {
public:
    // Raises ComponentError, before the file is touched, when LAME refuses the settings.
    Mp3Writer(const QString& path, const LameSettings& settings);
    ~Mp3Writer() override;
    Mp3Writer(const Mp3Writer&) = delete;
    Mp3Writer& operator=(const Mp3Writer&) = delete;

    PcmFormat format() const override { return PcmFormat::int16(m_sampleRate, m_channels); }
    void write(const void* pcm, int frames) override;
    void finish() override;

private:
    void configure(const LameSettings& settings);

    lame_global_struct* m_lame = nullptr;
    OutputFile m_file;
    int m_sampleRate = 44100;
    int m_channels = 2;
    bool m_infoFrame = false;
    std::vector<unsigned char> m_buffer;
};
