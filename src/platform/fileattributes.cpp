#include "platform/fileattributes.h"

#include <QFile>
#include <sys/stat.h>

WritableForTagging::WritableForTagging(const QString& path) : m_path(path) {
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0)
        return;
    m_mode = st.st_mode & 07777;
    if ((m_mode & S_IWUSR) == 0 && ::chmod(native.constData(), m_mode | S_IWUSR) == 0)
        m_changed = true;
}

WritableForTagging::~WritableForTagging() {
    if (m_changed)
        ::chmod(QFile::encodeName(m_path).constData(), m_mode);
}
