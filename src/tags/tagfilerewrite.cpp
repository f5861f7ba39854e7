#include "tags/tagfilerewrite.h"

TagFileRewrite::TagFileRewrite(const QString& path)
    : m_writable(path), m_original(path), m_replacement(path) {}

TagFileRewrite::~TagFileRewrite() {
    if (m_replacement.isOpen())
        m_replacement.cancelWriting();
}

bool TagFileRewrite::open() {
    if (!m_original.open(QIODevice::ReadOnly)) {
        m_error = m_original.errorString();
        return false;
    }
    if (!m_replacement.open(QIODevice::WriteOnly)) {
        m_error = m_replacement.errorString();
        m_original.close();
        return false;
    }
    return true;
}

bool TagFileRewrite::commit() {
    m_original.close();
    if (!m_replacement.commit()) {
        m_error = m_replacement.errorString();
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
