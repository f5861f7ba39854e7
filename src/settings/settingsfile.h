#pragma once

#include "platform/inifile.h"
#include "settings/settingkey.h"

#include <QString>

// The one settings file of the program, "Orvelle.ini" in the user's
// configuration folder. Nothing is cached: every read goes to the file.
class SettingsFile {
public:
    static constexpr const char* FileName = "Orvelle.ini";

    // $XDG_CONFIG_HOME/Orvelle.ini, else ~/.config/Orvelle.ini. Only the
    // program's entry asks; everything else is handed its settings file.
    static QString defaultPath();

    explicit SettingsFile(const QString& path);

    const QString& path() const { return m_ini.path(); }
    IniFile& ini() { return m_ini; }
    const IniFile& ini() const { return m_ini; }

    int read(const IntKey& key) const;
    bool read(const BoolKey& key) const;
    QString read(const TextKey& key) const;
    // The key's stored value when it lies in low..high, else the key's default.
    int readInRange(const IntKey& key, int low, int high) const;
    // The key's stored value when it is a position in a list of `count`
    // items, else the key's default.
    int readPosition(const IntKey& key, int count) const { return readInRange(key, 0, count - 1); }

    void write(const IntKey& key, int value);
    void write(const BoolKey& key, bool value);
    void write(const TextKey& key, const QString& value);

private:
    IniFile m_ini;
};
