#include "platform/inifile.h"

#include "platform/checkedsavefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

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

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

QStringList IniFile::readLines() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

bool IniFile::lookup(const QString& section, const QString& key, QString* value) const {
    bool inSection = false;
    const QStringList lines = readLines();
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
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
    QStringList lines = readLines();
    const QString entry = key + QLatin1Char('=') + flatten(value);

    int sectionStart = -1; // index of the section's header
    int lastKeyLine = -1;  // last key line of that section
    int keyLine = -1;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines[i].trimmed();
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
        lines[keyLine] = entry;
    } else if (sectionStart >= 0) {
        lines.insert((lastKeyLine >= 0 ? lastKeyLine : sectionStart) + 1, entry);
    } else {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines.append(entry);
    }

    const QString failure = QStringLiteral("Unable to write to %1").arg(m_path);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    CheckedSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        throw IniWriteError(failure);
    QByteArray data = lines.join(QLatin1Char('\n')).toUtf8();
    data.append('\n');
    if (file.write(data) != data.size() || !file.commit())
        throw IniWriteError(failure);
}
