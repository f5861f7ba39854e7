#include "settings/settingsfile.h"

#include "platform/range.h"

#include <QDir>
#include <QStandardPaths>

QString SettingsFile::defaultPath() {
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    return folder + QLatin1Char('/') + QLatin1String(FileName);
}

SettingsFile::SettingsFile(const QString& path) : m_ini(path) {}

int SettingsFile::read(const IntKey& key) const {
    return m_ini.readInteger(QLatin1String(key.section), QLatin1String(key.name), key.defaultValue);
}

bool SettingsFile::read(const BoolKey& key) const {
    return m_ini.readBool(QLatin1String(key.section), QLatin1String(key.name), key.defaultValue);
}

QString SettingsFile::read(const TextKey& key) const {
    return m_ini.readString(QLatin1String(key.section), QLatin1String(key.name),
                            QString::fromUtf8(key.defaultValue));
}

int SettingsFile::readInRange(const IntKey& key, int low, int high) const {
    return inRangeOr(read(key), low, high, key.defaultValue);
}

void SettingsFile::write(const IntKey& key, int value) {
    m_ini.writeInteger(QLatin1String(key.section), QLatin1String(key.name), value);
}

void SettingsFile::write(const BoolKey& key, bool value) {
    m_ini.writeBool(QLatin1String(key.section), QLatin1String(key.name), value);
}

void SettingsFile::write(const TextKey& key, const QString& value) {
    m_ini.writeString(QLatin1String(key.section), QLatin1String(key.name), value);
}
