#pragma once

#include "components/audioencoder.h"
#include "components/output/outputfile.h"

#include <QString>
#include <vector>

// A RIFF WAVE file of integer PCM, 8 (unsigned), 16, 24 or 32 bits per
// sample, or of 32-bit float. Files of more than two channels, more than 16
// bits or float samples are described the extensible way, with the speakers'
// mask. The sizes in the header are filled in when the file is finished.
class WavWriter : public AudioEncoder {
public:
    // format: its type and bits are what the file stores.
    WavWriter(const QString& path, const PcmFormat& format);

    PcmFormat format() const override { return m_format; }
    void write(const void* samples, int frames) override;
    void finish() override;

private:
    std::vector<unsigned char> header(quint64 dataBytes) const;
    int bytesPerSample() const;

    OutputFile m_file;
    PcmFormat m_format;
    quint64 m_dataBytes = 0;
    std::vector<unsigned char> m_buffer;
};
