#pragma once

#include "platform/checkedsavefile.h"
#include "platform/fileattributes.h"

#include <QFile>
#include <QString>

// Rewrites a file through a replacement in the same folder that takes the
// original's place only when every byte of it reached the disk, so a failed
// tag write (a full disk included) never damages the file. A read-only file is
// tagged all the same and keeps its permissions; a symbolic link keeps
// pointing at the rewritten file.
class TagFileRewrite {
public:
    explicit TagFileRewrite(const QString& path);
    ~TagFileRewrite();
    TagFileRewrite(const TagFileRewrite&) = delete;
    TagFileRewrite& operator=(const TagFileRewrite&) = delete;

    // Opens the original for reading and creates the replacement.
    bool open();
    QIODevice& original() { return m_original; }
    QIODevice& replacement() { return m_replacement; }
    // Puts the replacement in the original's place; without it the original stays.
    bool commit();
    QString errorString() const { return m_error; }

private:
    WritableForTagging m_writable;
    QFile m_original;
    CheckedSaveFile m_replacement;
    QString m_error;
};

// Copies everything in 'source' from 'position' to its end; false when a read
// or a write fails.
bool copyToEnd(QIODevice& source, qint64 position, QIODevice& destination);
