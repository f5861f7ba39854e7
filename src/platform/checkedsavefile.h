#pragma once

#include <QSaveFile>

// A QSaveFile that puts its file in place only when every byte reached it.
// QSaveFile buffers writes, and a buffer that fails to drain when the file is
// closed (a full disk, a quota, a file-size limit) does not stop commit() from
// renaming a cut-short file over the old one. Here every write goes straight
// to the file, a short write fails the whole file, and commit() has the data
// synced before the rename. After a failure the old file stays untouched.
class CheckedSaveFile : public QSaveFile {
public:
    explicit CheckedSaveFile(const QString& name) : QSaveFile(name) {}

    // Opens unbuffered, whatever the mode asks.
    bool open(OpenMode mode) override;
    // False, with errorString(), when a write failed or the data cannot be synced;
    // the file then stays as it was and the temporary file is removed.
    bool commit();

protected:
    qint64 writeData(const char* data, qint64 length) override;

private:
    void fail(int error);

    bool m_failed = false;
};
