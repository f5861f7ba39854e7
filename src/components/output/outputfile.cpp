#include "components/output/outputfile.h"

#include "components/componenterror.h"

#include <cerrno>
#include <cstring>
#include <QFile>

OutputFile::~OutputFile() {
    if (m_file)
        std::fclose(m_file);
}

void OutputFile::fail(const char* action, int error) {
    throw ComponentError(
        QStringLiteral("Cannot %1 %2: %3.")
            .arg(QLatin1String(action), m_path, QString::fromLocal8Bit(std::strerror(error))));
}

void OutputFile::create(const QString& path) {
    if (m_file)
        close();
    m_path = path;
    // "w+b": LAME's tag frame and the RIFF sizes are written back at the start.
    m_file = std::fopen(QFile::encodeName(path).constData(), "w+b");
    if (!m_file)
        fail("create", errno);
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
    const bool flushed = std::fflush(file) == 0;
    const int error = errno;
    if (std::fclose(file) != 0 || !flushed)
        fail("write to", flushed ? errno : error);
}

void OutputFile::discard() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    QFile::remove(m_path);
}
