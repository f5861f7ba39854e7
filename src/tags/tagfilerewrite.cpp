#include "tags/tagfilerewrite.h"

#include "components/output/outputreservation.h"
#include "platform/partfilename.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QFileInfo>
#include <unistd.h>

namespace {

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A second descriptor of fd, at its start, for a QFile that closes it.
bool openOn(QFile& file, int fd, QIODevice::OpenMode mode) {
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0 || ::lseek(own, 0, SEEK_SET) != 0 ||
        !file.open(own, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        if (own >= 0 && !file.isOpen())
            ::close(own);
        return false;
    }
    return true;
}

} // namespace

TagFileRewrite::TagFileRewrite(const QString& path) : m_path(path) {}

TagFileRewrite::~TagFileRewrite() {
    m_replacement.close();
    if (m_file)
        m_file->dropReplacement();
}

bool TagFileRewrite::openFile() {
    m_file = OutputReservation::find(m_path);
    // A part file that is no longer held is not ours to open by its name.
    if (!m_file && parsePartName(QFile::encodeName(QFileInfo(m_path).fileName()))) {
        m_error = QStringLiteral("the file being made is no longer held");
        return false;
    }
    if (!m_file)
        m_file = ReservedFile::openExisting(m_path, &m_error);
    if (!m_file)
        return false;
    if (!openOn(m_original, m_file->fd(), QIODevice::ReadWrite)) {
        m_error = m_original.errorString();
        return false;
    }
    return true;
}

bool TagFileRewrite::open() {
    return openFile() && createReplacement();
}

bool TagFileRewrite::createReplacement() {
    const int fd = m_file->createReplacement();
    if (fd < 0 || !openOn(m_replacement, fd, QIODevice::WriteOnly)) {
        m_error = fd < 0 ? systemText(errno) : m_replacement.errorString();
        return false;
    }
    return true;
}

bool TagFileRewrite::commit() {
    m_original.close();
    // The data is on the disk before the replacement takes the file's place,
    // so a crash leaves the old file or the whole new one. Space that a file
    // system hands out late can still run out here; one that cannot sync says EINVAL.
    int error = 0;
    if (!m_replacement.flush() || (::fsync(m_replacement.handle()) != 0 && errno != EINVAL))
        error = errno != 0 ? errno : EIO;
    m_replacement.close();
    if (error == 0)
        error = m_file->useReplacement();
    if (error != 0) {
        m_error = systemText(error);
        return false;
    }
    return true;
}

bool copyToEnd(QIODevice& source, qint64 position, QIODevice& destination) {
    if (!source.seek(position))
        return false;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 16);
        if (chunk.isEmpty() || destination.write(chunk) != chunk.size())
            return false;
    }
    return true;
}
