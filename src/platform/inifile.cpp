#include "platform/inifile.h"

#include "platform/checkedsavefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QVector>

namespace {

bool isSectionLine(const QString& trimmed, QString* name) {
    if (!trimmed.startsWith(QLatin1Char('[')))
        return false;
    const int close = trimmed.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    *name = trimmed.mid(1, close - 1).trimmed();
    return true;
}

bool isKeyLine(const QString& trimmed, QString* key, QString* value) {
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) ||
        trimmed.startsWith(QLatin1Char('#')))
        return false;
    const int eq = trimmed.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return false;
    *key = trimmed.left(eq).trimmed();
    if (value)
        *value = trimmed.mid(eq + 1).trimmed();
    return true;
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A value is one line of text in the file; line breaks would split it.
QString flatten(QString value) {
    value.replace(QLatin1String("\r\n"), QLatin1String(" "));
    value.replace(QLatin1Char('\n'), QLatin1Char(' '));
    value.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return value;
}

// A line of the file as it is on disk: a write copies every line but its own
// byte for byte, whatever the encoding of its text.
struct RawLine {
    QByteArray text;
    QByteArray end; // "\n", "\r\n", or nothing on a last line without one

    // The text as the names are matched: UTF-8, without the marker of a file saved as UTF-8.
    QString trimmed(bool first) const {
        QByteArray bytes = text;
        if (first && bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        return QString::fromUtf8(bytes).trimmed();
    }
};

QVector<RawLine> readRawLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    QVector<RawLine> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype newline = data.indexOf('\n', start);
        RawLine line;
        if (newline < 0) {
            line.text = data.mid(start);
            start = data.size();
        } else {
            const bool crlf = newline > start && data.at(newline - 1) == '\r';
            line.text = data.mid(start, newline - start - (crlf ? 1 : 0));
            line.end = crlf ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
            start = newline + 1;
        }
        lines.append(line);
    }
    return lines;
}

// New lines end as the file's lines already do.
QByteArray lineEndOf(const QVector<RawLine>& lines) {
    for (const RawLine& line : lines)
        if (!line.end.isEmpty())
            return line.end;
    return QByteArrayLiteral("\n");
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

bool IniFile::lookup(const QString& section, const QString& key, QString* value) const {
    bool inSection = false;
    const QVector<RawLine> lines = readRawLines(m_path);
    for (int i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed(i == 0);
        QString name;
        if (isSectionLine(trimmed, &name)) {
            inSection = sameName(name, section);
            continue;
        }
        QString k, v;
        if (inSection && isKeyLine(trimmed, &k, &v) && sameName(k, key)) {
            *value = v;
            return true;
        }
    }
    return false;
}

bool IniFile::hasKey(const QString& section, const QString& key) const {
    QString unused;
    return lookup(section, key, &unused);
}

bool IniFile::parseInteger(const QString& text, int* value) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-'))) {
        negative = true;
        t.remove(0, 1);
    } else if (t.startsWith(QLatin1Char('+'))) {
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    } else if (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X"))) {
        base = 16;
        t.remove(0, 2);
    }
    if (t.isEmpty())
        return false;
    for (const QChar c : t) {
        const bool ok = base == 10 ? (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                                   : QStringLiteral("0123456789abcdefABCDEF").contains(c);
        if (!ok)
            return false;
    }
    bool ok = false;
    // Hexadecimal values fill the whole 32 bits, as $FFFFFFFF = -1.
    const qint64 magnitude = t.toLongLong(&ok, base);
    if (!ok)
        return false;
    if (base == 16) {
        if (magnitude > 0xFFFFFFFFLL)
            return false;
        const auto bits = static_cast<quint32>(magnitude);
        const auto v = static_cast<qint32>(bits);
        *value = negative ? -v : v;
        return true;
    }
    const qint64 v = negative ? -magnitude : magnitude;
    if (v < INT32_MIN || v > INT32_MAX)
        return false;
    *value = static_cast<int>(v);
    return true;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const {
    QString text;
    int value = 0;
    if (lookup(section, key, &text) && parseInteger(text, &value))
        return value;
    return defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    QString text;
    if (!lookup(section, key, &text))
        return defaultValue;
    return text.left(MaxTextLength);
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
    QVector<RawLine> lines = readRawLines(m_path);
    const QByteArray newline = lineEndOf(lines);
    const QByteArray entry = (key + QLatin1Char('=') + flatten(value)).toUtf8();

    int sectionStart = -1; // index of the section's header
    int lastKeyLine = -1;  // last key line of that section
    int keyLine = -1;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed(i == 0);
        QString name;
        if (isSectionLine(trimmed, &name)) {
            if (inSection)
                break;
            inSection = sameName(name, section);
            if (inSection)
                sectionStart = i;
            continue;
        }
        QString k;
        if (inSection && isKeyLine(trimmed, &k, nullptr)) {
            lastKeyLine = i;
            if (sameName(k, key)) {
                keyLine = i;
                break;
            }
        }
    }

    if (keyLine >= 0) {
        lines[keyLine].text = entry;
    } else {
        const int at = sectionStart < 0 ? int(lines.size())
                                        : (lastKeyLine >= 0 ? lastKeyLine : sectionStart) + 1;
        // A last line without an end gets one when something follows it.
        if (at == lines.size() && !lines.isEmpty() && lines.last().end.isEmpty())
            lines.last().end = newline;
        if (sectionStart >= 0) {
            lines.insert(at, {entry, newline});
        } else {
            if (!lines.isEmpty() && !lines.last().trimmed(lines.size() == 1).isEmpty())
                lines.append({QByteArray(), newline});
            lines.append({(QLatin1Char('[') + section + QLatin1Char(']')).toUtf8(), newline});
            lines.append({entry, newline});
        }
    }

    const QString failure = QStringLiteral("Unable to write to %1").arg(m_path);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    CheckedSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        throw IniWriteError(failure);
    QByteArray data;
    for (const RawLine& line : lines)
        data += line.text + line.end;
    if (file.write(data) != data.size() || !file.commit())
        throw IniWriteError(failure);
}
