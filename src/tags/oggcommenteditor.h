#pragma once

#include <memory>
#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;
struct vorbis_comment;

// Replaces the comment header of an Ogg Vorbis or Opus stream. open() reads the
// headers of the file's first logical stream; comments() is the comment block
// to change with libvorbis' comment calls; write() gives the whole file again
// with the new comment header, every other page copied (the stream's later
// pages renumbered when the header takes a different number of pages).
class OggCommentEditor {
public:
    enum class Codec { Unknown, Vorbis, Opus };

    OggCommentEditor();
    ~OggCommentEditor();
    OggCommentEditor(const OggCommentEditor&) = delete;
    OggCommentEditor& operator=(const OggCommentEditor&) = delete;

    // Reads the stream headers from the start of 'source', which must stay
    // open and unmoved until write(). False when they cannot be read.
    bool open(QIODevice& source);
    Codec codec() const;
    // The comments as the file holds them (raw UTF-8), Vorbis or Opus.
    QList<QByteArray> commentTexts() const;
    // False, with lastError(), when write() would refuse the stream.
    bool rewritable() const;
    // The comment block written by write().
    vorbis_comment* comments();
    bool write(QIODevice& destination);
    QString lastError() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
