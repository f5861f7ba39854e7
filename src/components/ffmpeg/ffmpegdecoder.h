#pragma once

#include <memory>
#include <QByteArray>
#include <QString>

// Decodes the first audio stream of a file into interleaved signed 16-bit PCM
// at the stream's own rate. Sound with more than two channels is mixed down to
// stereo, since every output of Orvelle has one or two. Positions count sample frames.
class FfmpegDecoder {
public:
    // How the file is read: by its content, or as one of the two headerless formats.
    enum class Container { Probe, RawPcm, Vox };

    FfmpegDecoder();
    ~FfmpegDecoder();
    FfmpegDecoder(const FfmpegDecoder&) = delete;
    FfmpegDecoder& operator=(const FfmpegDecoder&) = delete;

    // Raises ComponentError when the file holds no sound that can be decoded;
    // the decoder is closed then.
    void open(const QString& path, Container container);
    void close();
    bool isOpen() const;

    int sampleRate() const;
    int channels() const;
    int blockAlign() const { return channels() * 2; }
    qint64 length() const;   // as far as the file tells; 0 when it does not
    qint64 position() const; // of the next frame read

    // Up to `frames` frames; fewer only at the end, empty when nothing is left.
    QByteArray read(qint64 frames);
    void seek(qint64 frame);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
