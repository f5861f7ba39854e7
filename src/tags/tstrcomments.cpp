#include "tags/tstrcomments.h"

#include <algorithm>

namespace {

// Field names are printable ASCII without "=" and "~".
bool IsNameCharacter(char c) {
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
        if (equals >= 0 && std::all_of(name.begin(), name.end(), IsNameCharacter)) {
            entry.Name = QString::fromLatin1(name);
            entry.Value = QString::fromUtf8(bytes.mid(equals + 1));
            entry.Text = entry.Name + QLatin1Char('=') + entry.Value;
        } else {
            entry.Value = QString::fromUtf8(bytes);
            entry.Text = entry.Value;
        }
        m_entries.append(entry);
    }
}
