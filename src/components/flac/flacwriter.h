#pragma once

#include "components/audioencoder.h"
#include "components/output/outputfile.h"

#include <memory>
#include <QString>

// A FLAC file encoded by libFLAC at the source's own rate and channels,
// 16 or 24 bits a sample. Up to eight channels go in FLAC's own order, and a
// layout other than the one FLAC assumes for their count is written in the
// WAVEFORMATEXTENSIBLE_CHANNEL_MASK comment, as readers expect. Every frame is
// decoded again and compared as it is made, on a second thread (a mismatch
// fails the file); STREAMINFO ends with the audio's MD5 and
// length, a seek table points about every ten seconds, and a padding block
// leaves room for the tags, which are written afterwards without touching
// the audio.
class FlacWriter : public AudioEncoder {
public:
    struct Settings {
        int sampleRate = 44100;
        int channels = 2;
        int level = 5;           // 0..8
        int bits = 16;           // 16 or 24
        quint32 channelMask = 0; // the speakers; 0 for the usual ones
    };

    // Raises ComponentError, before the file is touched, for settings libFLAC refuses.
    FlacWriter(const QString& path, const Settings& settings);
    ~FlacWriter() override;

    PcmFormat format() const override;
    void write(const void* samples, int frames) override;
    void finish() override;

    // Room left in the padding block for tags written later.
    static constexpr int PaddingBytes = 8192;
    // Seek points the table holds; a long file spaces them wider.
    static constexpr int SeekPoints = 100;

private:
    // Raises what made libFLAC stop: the file, the verification or the encoder.
    [[noreturn]] void fail();

    struct Private;
    std::unique_ptr<Private> d;
    OutputFile m_file;
    Settings m_settings;
};
