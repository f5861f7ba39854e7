#pragma once

#include "components/audiowriter.h"
#include "components/flac/flacwriter.h"
#include "components/lame/lamesettings.h"
#include "components/opus/opuswriter.h"
#include "components/vorbis/oggvorbiswriter.h"

#include <memory>
#include <mutex>
#include <QByteArray>

class AudioEncoder;
class EncodingPipeline;

// The one object through which every MP3, WAV, WMA, OGG, FLAC and Opus file
// is written. The last of setWavFormat, setMp3Settings, setOggFormat,
// setWmaProfile, setFlacFormat, setOpusFormat and setWavAsSource chooses what
// the next create makes (CD-quality WAV until then); PCM arrives in the layout
// of setInputFormat or setInputPcmFormat and is resampled and remixed when the
// output's differs. FLAC, and WAV as the source, keep the input's bits,
// channels and rate.
//
// It belongs to no thread: the CD ripper writes from its worker, the
// converter from its copy thread. Calls are serialised, so one thread may ask
// getIsOpen or close while another writes.
class OutputWriter : public AudioWriter {
public:
    OutputWriter();
    // Finishes an open file; a failure then cannot be reported and is dropped.
    ~OutputWriter() override;

    void setInputFormat(int sampleRate, int channels) override;
    void setInputPcmFormat(const PcmFormat& format) override;
    QString conversionFrom(const PcmFormat& source) override;
    void create(const QString& path) override;
    void write(const QByteArray& pcm) override;
    void close() override;
    bool getIsOpen() override;
    // Of the file being written, or the last one: frames written, in the input layout.
    qint64 framesWritten();

    void setWavFormat(int sampleRate, int channels, int bits);
    // WAV in the input's own format: its rate, channels and bits (float as 32-bit float).
    void setWavAsSource();
    void setMp3Settings(const LameSettings& settings);
    // A bitrate (CBR, or VBR between a minimum and a maximum), or a quality
    // 0..1000 with the bitrates 0.
    void setOggFormat(const OggVorbisWriter::Settings& settings);
    void setWmaProfile(int profile); // 0..46
    // FLAC and Opus keep the rate and channels of the sound written.
    void setFlacFormat(int level);
    void setOpusFormat(int bitrate, OpusWriter::Mode mode, int complexity);

private:
    enum class Kind { Wav, Mp3, Ogg, Wma, Flac, Opus };

    std::unique_ptr<AudioEncoder> makeEncoder(const QString& path) const;
    void closeFile();

    std::mutex m_mutex;
    Kind m_kind = Kind::Wav;
    int m_wavRate = 44100;
    int m_wavChannels = 2;
    int m_wavBits = 16;
    bool m_wavAsSource = false;
    LameSettings m_mp3;
    OggVorbisWriter::Settings m_ogg;
    int m_wmaProfile = 0;
    int m_flacLevel = 5;
    OpusWriter::Settings m_opus;
    PcmFormat m_input;

    std::unique_ptr<EncodingPipeline> m_file; // the file being written
    qint64 m_framesWritten = 0;               // of the last file
};
