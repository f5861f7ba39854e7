#include "platform/partfilename.h"

#include <algorithm>
#include <QFile>
#include <QList>
#include <unistd.h>

namespace {

int utf8Bytes(const QString& text) {
    return int(text.toUtf8().size());
}

bool allDigits(const QByteArray& text) {
    if (text.isEmpty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// When the process started, in clock ticks after boot (field 22 of its stat
// file): with the process id it names one process for as long as the machine
// runs. Empty when the process is gone.
QByteArray processStartTime(const QByteArray& pid) {
    QFile stat(QByteArrayLiteral("/proc/") + pid + QByteArrayLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold blanks and parentheses of its own.
    const int nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0)
        return {};
    const QList<QByteArray> fields = line.mid(nameEnd + 2).split(' ');
    return fields.size() > 19 ? fields[19] : QByteArray();
}

const QByteArray& ownMark() {
    static const QByteArray mark = [] {
        const QByteArray pid = QByteArray::number(qint64(::getpid()));
        const QByteArray start = processStartTime(pid);
        return pid + '-' + (start.isEmpty() ? QByteArrayLiteral("0") : start);
    }();
    return mark;
}

} // namespace

QString cutToUtf8Bytes(const QString& text, int maxBytes) {
    int bytes = 0;
    int end = 0;
    while (end < text.size()) {
        const char32_t code = text.at(end).isHighSurrogate() && end + 1 < text.size()
                                  ? QChar::surrogateToUcs4(text[end], text[end + 1])
                                  : text.at(end).unicode();
        const int units = code > 0xFFFF ? 2 : 1;
        const int size = code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (bytes + size > maxBytes)
            break;
        bytes += size;
        end += units;
    }
    return text.left(end);
}

QString fitFileName(const QString& fileName, int maxBytes) {
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot >= 0 ? fileName.mid(dot) : QString();
    QString stem = dot >= 0 ? fileName.left(dot) : fileName;
    const int room = maxBytes - utf8Bytes(extension);
    if (utf8Bytes(stem) <= room)
        return fileName;
    stem = cutToUtf8Bytes(stem, std::max(room, 1));
    while (stem.endsWith(QLatin1Char('.')) || stem.endsWith(QLatin1Char(' ')))
        stem.chop(1);
    return (stem.isEmpty() ? QStringLiteral("_") : stem) + extension;
}

QString partOwner() {
    return QString::fromLatin1(ownMark());
}

QString partNameOf(const QString& finalName) {
    const QString tail =
        QLatin1Char('.') + QString::fromLatin1(ownMark()) + QLatin1String(PartFileSuffix);
    // The part name may shorten the final name to fit; it is only a label.
    return QLatin1Char('.') + fitFileName(finalName, MaxNameBytes - 1 - utf8Bytes(tail)) + tail;
}

QString partFileOf(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return path.left(slash + 1) + partNameOf(path.mid(slash + 1));
}

std::optional<PartName> parsePartName(const QByteArray& fileName) {
    const QByteArray suffix(PartFileSuffix);
    if (!fileName.startsWith('.') || !fileName.endsWith(suffix))
        return std::nullopt;
    const QByteArray inner = fileName.mid(1, fileName.size() - 1 - suffix.size());
    const int dot = inner.lastIndexOf('.');
    if (dot <= 0)
        return std::nullopt;
    const QByteArray owner = inner.mid(dot + 1);
    const int dash = owner.indexOf('-');
    if (dash < 0 || !allDigits(owner.left(dash)) || !allDigits(owner.mid(dash + 1)))
        return std::nullopt;
    return PartName{QFile::decodeName(inner.left(dot)), owner};
}

bool partOwnerIsGone(const QByteArray& owner) {
    // Without its own start time a process cannot tell a live owner from a gone one.
    if (ownMark().endsWith("-0"))
        return false;
    const int dash = owner.indexOf('-');
    if (dash <= 0)
        return false;
    return processStartTime(owner.left(dash)) != owner.mid(dash + 1);
}

QString finalNameOfPart(const QString& fileName) {
    const std::optional<PartName> part = parsePartName(QFile::encodeName(fileName));
    return part ? part->finalName : fileName;
}

QString finalPathOfPart(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return path.left(slash + 1) + finalNameOfPart(path.mid(slash + 1));
}
