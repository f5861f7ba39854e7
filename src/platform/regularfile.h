#pragma once

#include <QByteArray>
#include <QString>

// Files that come from outside (a folder scan, the command line, a playlist,
// a disc image's data) are read only when they are regular files. A named
// pipe or a device named like a song would otherwise stop the program in
// open() until something writes to it, or stream from it without end.
namespace RegularFile {

// Empty when path is a regular file or a link to one; otherwise why it is
// not, as a sentence for the user. Looks with stat() alone and never opens.
QString problem(const QString& path);

// What read() found. The file is opened without waiting and checked again on
// the open descriptor, so a pipe put in its place after a look is refused too.
struct Contents {
    QByteArray bytes;
    qint64 size = 0; // of the whole file
    QString error;   // empty when read
    bool ok() const { return error.isEmpty(); }
};
// The whole file; a file larger than maxBytes is refused.
Contents read(const QString& path, qint64 maxBytes);
// At most the last `bytes` bytes, for formats that keep their index at the end.
Contents readTail(const QString& path, qint64 bytes);

} // namespace RegularFile
