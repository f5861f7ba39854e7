#pragma once

#include "components/audioencoder.h"
#include "components/output/outputfile.h"

#include <QString>
#include <vector>

// A RIFF WAVE file of integer PCM, 8 (unsigned), 16 or 32 bits per sample.
// The sizes in the header are filled in when the file is finished.
class WavWriter : public AudioEncoder {
public:
    WavWriter(const QString& path, int sampleRate, int channels, int bits);

    int sampleRate() const override { return m_sampleRate; }
    int channels() const override { return m_channels; }
    void write(const qint16* samples, int frames) override;
    void finish() override;

private:
    std::vector<unsigned char> header(quint64 dataBytes) const;

    OutputFile m_file;
    int m_sampleRate;
    int m_channels;
    int m_bits;
    quint64 m_dataBytes = 0;
    std::vector<unsigned char> m_buffer;
};
