#pragma once

#include <QByteArray>
#include <QString>

class IAudioFile2LameEnc;

// A decoded audio file (the reader) or an encoded output file (the writer).
// Sound is interleaved signed 16-bit little-endian PCM; an empty array means
// "no more data". Failures raise ComponentError.
//
// Units: Read, Seek and GetLength count sample frames (one sample per channel),
// so that a preview's position, its block size and the length agree.
class IAudioFile2 {
public:
    virtual ~IAudioFile2() = default;

    // Reader.
    virtual void Open(const QString& path) = 0;
    virtual QByteArray Read(int frames) = 0;
    virtual void Seek(qint64 frame) = 0;
    virtual qint64 GetLength() = 0; // sample frames
    virtual int GetDurationMs() = 0;
    virtual int GetBlockAlign() = 0; // bytes per sample frame
    virtual int GetChannels() = 0;
    virtual int GetSampleRate() = 0;

    // Reader or writer.
    virtual void Close() = 0;
    virtual bool GetIsOpen() = 0;

    // Writer: the last Set...Format call chooses what Create makes.
    virtual void Create(const QString& path) = 0;
    virtual void Write(const QByteArray& pcm) = 0;
    virtual void SetInputFormat(int sampleRate, int channels) = 0;
    virtual void SetWavFormat(int sampleRate, int channels, int bits) = 0;
    virtual void SetMp3Encoder(IAudioFile2LameEnc* encoder) = 0;
    // bitrates in kbps (0 = not used), quality 0..1000 (-1 = not used)
    virtual void SetOggFormat(int sampleRate, int channels, int bitrate, int minBitrate,
                              int maxBitrate, int quality) = 0;
    virtual void SetWmaProfile(int profile) = 0; // 0..46
    virtual void ResetFormat(int format) = 0;
};
