#pragma once

#include <QString>

struct AVDictionary;
struct AVFormatContext;
struct AVInputFormat;

// A local media file opened for FFmpeg's demuxers, the one way Orvelle's
// decoder and its tag and cover readers open a file. Orvelle opens the file
// itself (a regular file, read only: never a pipe or a device) and FFmpeg
// reads it through that descriptor alone. Whatever else a demuxer asks to
// open (the entries of a playlist or of a concat list, a file beside it, a
// network address) is refused, and so are the demuxers that exist to read
// other files: a playlist named like a song must not make Orvelle read
// something the user never chose.
class LocalMediaInput {
public:
    LocalMediaInput();
    ~LocalMediaInput();
    LocalMediaInput(const LocalMediaInput&) = delete;
    LocalMediaInput& operator=(const LocalMediaInput&) = delete;

    // Probes the file, or reads it as `format` when given, with the demuxer's
    // options. False, with the reason as the end of a sentence ("the file
    // does not exist."), when it cannot be opened as media; closed then.
    bool open(const QString& path, const AVInputFormat* format = nullptr,
              AVDictionary** options = nullptr, QString* why = nullptr);
    void close();

    AVFormatContext* context() const { return m_format; }
    qint64 fileSize() const { return m_size; }

private:
    struct Io;
    bool fail(QString* why, const QString& reason);

    AVFormatContext* m_format = nullptr;
    Io* m_io = nullptr;
    qint64 m_size = 0;
};

// Whether the file holds sound or pictures by its content, whatever its name
// says: a text file or random bytes named ".avi" do not, a video whose sound
// Orvelle has no decoder for does.
bool holdsMedia(const QString& path);
