#include "platform/checkedsavefile.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

bool CheckedSaveFile::open(OpenMode mode) {
    m_failed = false;
    return QSaveFile::open(mode | QIODevice::Unbuffered);
}

qint64 CheckedSaveFile::writeData(const char* data, qint64 length) {
    if (m_failed)
        return -1;
    errno = 0;
    const qint64 written = QSaveFile::writeData(data, length);
    if (written != length) {
        // A short write stops with the reason in errno but no error on the device.
        fail(errno);
        return -1;
    }
    return written;
}

void CheckedSaveFile::fail(int error) {
    const QString reason =
        error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : errorString();
    m_failed = true;
    cancelWriting();
    setErrorString(reason);
}

bool CheckedSaveFile::commit() {
    if (!isOpen())
        return false;
    // The data is on the disk before the rename, so a crash leaves the old file
    // or the whole new one. Space that a file system hands out late (network
    // file systems) can still run out here; one that cannot sync says EINVAL.
    if (!m_failed && ::fsync(handle()) != 0 && errno != EINVAL)
        fail(errno);
    if (m_failed) {
        const QString reason = errorString();
        QSaveFile::commit(); // refuses after cancelWriting() and removes the temporary file
        setErrorString(reason);
        return false;
    }
    return QSaveFile::commit();
}
