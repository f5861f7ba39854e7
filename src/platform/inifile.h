#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

// A refused write to the settings file.
class IniWriteError : public std::runtime_error {
public:
    explicit IniWriteError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

// An INI file with private-profile semantics: section and key names match
// without regard to case, every read goes to the disk and every write reaches
// the disk at once (through a temporary file and a rename, so that a crash
// never leaves half a file). A write changes only the line of its key: every
// other line keeps its bytes, text in another encoding and its line end
// included. A missing file, section or key yields the caller's default.
class IniFile {
public:
    static constexpr int MaxTextLength = 2047;

    explicit IniFile(QString path);

    const QString& path() const { return m_path; }

    // Decimal, or hexadecimal with "$", "0x" or "0X"; anything else gives the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    // An integer; non-zero is true. A value that is no integer gives the default.
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;
    // The text as written, cut at MaxTextLength characters.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;
    bool hasKey(const QString& section, const QString& key) const;

    // Raise IniWriteError ("Unable to write to <file>") when the write is refused,
    // a full disk included; the file then stays exactly as it was.
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    void writeString(const QString& section, const QString& key, const QString& value);

    // Integer parsing as readInteger does it; exposed for the settings dialog's fields.
    static bool parseInteger(const QString& text, int* value);

private:
    bool lookup(const QString& section, const QString& key, QString* value) const;

    QString m_path;
};
