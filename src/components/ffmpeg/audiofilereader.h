#pragma once

#include "components/ffmpeg/ffmpegdecoder.h"
#include "components/iaudiofile2.h"

// The converter's reader of audio files: whatever FFmpeg decodes (.mp3 .wav
// .wma .ogg and more, recognised by content), plus the two headerless formats
// recognised by extension: .raw (44100 Hz 16-bit stereo PCM) and .vox
// (Dialogic ADPCM, 8000 Hz mono). It writes nothing: the writer calls raise,
// except ResetFormat, which has nothing to reset.
class AudioFileReader : public IAudioFile2 {
public:
    void Open(const QString& path) override;
    QByteArray Read(int frames) override;
    void Seek(qint64 frame) override;
    qint64 GetLength() override;
    int GetDurationMs() override;
    int GetBlockAlign() override;
    int GetChannels() override;
    int GetSampleRate() override;

    void Close() override;
    bool GetIsOpen() override;

    void Create(const QString& path) override;
    void Write(const QByteArray& pcm) override;
    void SetInputFormat(int sampleRate, int channels) override;
    void SetWavFormat(int sampleRate, int channels, int bits) override;
    void SetMp3Encoder(IAudioFile2LameEnc* encoder) override;
    void SetOggFormat(int sampleRate, int channels, int bitrate, int minBitrate, int maxBitrate,
                      int quality) override;
    void SetWmaProfile(int profile) override;
    void ResetFormat(int format) override;

private:
    [[noreturn]] static void refuseWriting();

    FfmpegDecoder m_decoder;
};
