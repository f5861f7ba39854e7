#include "tags/tstrcomments.h"

#include <algorithm>

namespace {

// Field names are printable ASCII without "=" and "~".
bool isNameCharacter(char c) {
    const auto code = static_cast<unsigned char>(c);
    return (code >= 0x20 && code <= 0x3C) || (code >= 0x3E && code <= 0x7D);
}

} // namespace

TStrComments::TStrComments(const QList<QByteArray>& comments) {
    m_entries.reserve(comments.size());
    for (const QByteArray& bytes : comments) {
        TStrComment entry;
        const int equals = bytes.indexOf('=');
        const QByteArray name = bytes.left(std::max(equals, 0));
        if (equals >= 0 && std::all_of(name.begin(), name.end(), isNameCharacter)) {
            entry.name = QString::fromLatin1(name);
            entry.value = QString::fromUtf8(bytes.mid(equals + 1));
            entry.text = entry.name + QLatin1Char('=') + entry.value;
        } else {
            entry.value = QString::fromUtf8(bytes);
            entry.text = entry.value;
        }
        m_entries.append(entry);
    }
}
