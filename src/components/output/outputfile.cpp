#include "components/output/outputfile.h"

#include "components/componenterror.h"
#include "components/output/outputreservation.h"
#include "platform/partfilename.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

OutputFile::~OutputFile() {
    if (m_file)
        std::fclose(m_file);
}

void OutputFile::fail(const char* action, int error) {
    throw ComponentError(QStringLiteral("Cannot %1 %2: %3.")
                             .arg(QLatin1String(action), finalPathOfPart(m_path),
                                  QString::fromLocal8Bit(std::strerror(error))));
}

void OutputFile::create(const QString& path) {
    if (m_file)
        close();
    m_path = path;
    const int fd = OutputReservation::openForWriting(path);
    // "w+b": LAME's tag frame and the RIFF sizes are written back at the start.
    m_file = ::fdopen(fd, "w+b");
    if (!m_file) {
        const int error = errno;
        ::close(fd);
        fail("create", error);
    }
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
}

void OutputFile::write(const void* data, std::size_t size) {
    if (size > 0 && std::fwrite(data, 1, size, m_file) != size)
        fail("write to", errno);
}

void OutputFile::writeAt(long offset, const void* data, std::size_t size) {
    if (std::fseek(m_file, offset, SEEK_SET) != 0)
        fail("write to", errno);
    write(data, size);
    if (std::fseek(m_file, 0, SEEK_END) != 0)
        fail("write to", errno);
}

void OutputFile::close() {
    if (!m_file)
        return;
    std::FILE* file = m_file;
    m_file = nullptr;
    // A file is complete only once it is on the disk: a full or failing disk
    // may refuse the data as late as the sync.
    int error = 0;
    if (std::fflush(file) != 0 || ::fsync(::fileno(file)) != 0)
        error = errno;
    if (std::fclose(file) != 0 && error == 0)
        error = errno;
    if (error != 0)
        fail("write to", error);
}

void OutputFile::discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    OutputReservation::remove(m_path);
}
