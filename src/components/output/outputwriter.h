#pragma once

#include "components/flac/flacwriter.h"
#include "components/iaudiofile2.h"
#include "components/lame/lamesettings.h"
#include "components/opus/opuswriter.h"
#include "components/vorbis/oggvorbiswriter.h"

#include <memory>
#include <mutex>
#include <QByteArray>

class AudioEncoder;
class EncodingPipeline;

// The one object through which every MP3, WAV, WMA, OGG, FLAC and Opus file
// is written. The last of SetWavFormat, SetMp3Encoder, SetOggFormat,
// SetWmaProfile, setFlacFormat and setOpusFormat chooses what the next Create
// makes; PCM arrives in the layout of
// SetInputFormat and is resampled and remixed when the output's differs.
//
// It belongs to no thread: the CD grabber writes from its worker, the
// converter from the GUI thread. Calls are serialised, so one thread may ask
// GetIsOpen or Close while another writes.
class OutputWriter : public IAudioFile2 {
public:
    OutputWriter();
    // Finishes an open file; a failure then cannot be reported and is dropped.
    ~OutputWriter() override;

    // Reading is the reader's job: these raise.
    void Open(const QString& path) override;
    QByteArray Read(int frames) override;
    void Seek(qint64 frame) override;

    // Of the file being written: frames written so far, in the input layout.
    qint64 GetLength() override;
    int GetDurationMs() override;
    int GetBlockAlign() override;
    int GetChannels() override;
    int GetSampleRate() override;

    void Close() override;
    bool GetIsOpen() override;

    // Closes a file still open, then creates the next one.
    void Create(const QString& path) override;
    void Write(const QByteArray& pcm) override;
    void SetInputFormat(int sampleRate, int channels) override;
    void SetWavFormat(int sampleRate, int channels, int bits) override;
    // Takes a copy of the MP3 encoder's settings.
    void SetMp3Encoder(IAudioFile2LameEnc* encoder) override;
    void SetOggFormat(int sampleRate, int channels, int bitrate, int minBitrate, int maxBitrate,
                      int quality) override;
    void SetWmaProfile(int profile) override;
    // Back to the first format: CD-quality WAV. The argument is not used.
    void ResetFormat(int format) override;

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
    LameSettings m_mp3;
    OggVorbisWriter::Settings m_ogg;
    int m_wmaProfile = 0;
    int m_flacLevel = 5;
    OpusWriter::Settings m_opus;
    int m_inputRate = 44100;
    int m_inputChannels = 2;

    std::unique_ptr<EncodingPipeline> m_file; // the file being written
    qint64 m_framesWritten = 0;               // of the last file
};
