#pragma once

#include <memory>
#include <QFile>
#include <QString>

class ReservedFile;

// The file a tag write works on, through descriptors only: a file a job is
// making, through the descriptor that reserved it, or another file opened
// once by its path. A rewrite goes into a replacement made in the same folder
// (created exclusively, never through a link) that takes the file's place
// only when every byte of it reached the disk, so a failed tag write (a full
// disk included) never damages the file. A read-only file is tagged all the
// same and keeps its permissions.
class TagFileRewrite {
public:
    explicit TagFileRewrite(const QString& path);
    ~TagFileRewrite();
    TagFileRewrite(const TagFileRewrite&) = delete;
    TagFileRewrite& operator=(const TagFileRewrite&) = delete;

    // Opens the file for reading and writing in place.
    bool openFile();
    // Opens the file and creates the replacement.
    bool open();
    // Creates the replacement of the open file.
    bool createReplacement();
    QFile& original() { return m_original; }
    QIODevice& replacement() { return m_replacement; }
    // Puts the replacement in the original's place; without it the original stays.
    bool commit();
    QString errorString() const { return m_error; }

private:
    QString m_path;
    std::shared_ptr<ReservedFile> m_file;
    QFile m_original;
    QFile m_replacement;
    QString m_error;
};

// Copies everything in 'source' from 'position' to its end; false when a read
// or a write fails.
bool copyToEnd(QIODevice& source, qint64 position, QIODevice& destination);
