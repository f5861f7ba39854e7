#include "platform/fileattributes.h"

#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

WritableForTagging::WritableForTagging(const QString& path) : m_path(path) {
    struct stat st {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) != 0)
        return;
    m_known = true;
    m_mode = st.st_mode & 07777;
    m_uid = st.st_uid;
    m_gid = st.st_gid;
    if ((m_mode & S_IWUSR) == 0)
        ::chmod(native.constData(), m_mode | S_IWUSR);
}

WritableForTagging::~WritableForTagging() {
    if (!m_known)
        return;
    const QByteArray native = QFile::encodeName(m_path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return;
    // Only a privileged process may hand a replacement back to its owner; for
    // anyone else the replacement already has the right owner.
    bool owned = false;
    if (st.st_uid != m_uid || st.st_gid != m_gid)
        owned = ::chown(native.constData(), m_uid, m_gid) == 0;
    // chown clears set-id bits, so the mode goes back last.
    if (owned || (st.st_mode & 07777) != m_mode)
        ::chmod(native.constData(), m_mode);
}
