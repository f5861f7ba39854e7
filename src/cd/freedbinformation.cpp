#include "cd/freedbinformation.h"

#include "cd/coverartclient.h"

#include "cd/freedbcache.h"
#include "cd/musicbrainzclient.h"
#include "platform/range.h"
#include "settings/freedbkeys.h"

#include <QFileInfo>

namespace {

// A positive decimal number no larger than limit, else fallback.
int positiveNumber(const QString& text, int limit, int fallback) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? inRangeOr(value, 1, limit, fallback) : fallback;
}

} // namespace

FreeDbInformation::FreeDbInformation(const QString& settingsPath) : m_settings(settingsPath) {}

QString FreeDbInformation::Server() const {
    const QStringList& servers = freedbServers();
    return servers.at(m_settings.readPosition(FreedbKeys::Site, servers.size()));
}

int FreeDbInformation::Port() const {
    return positiveNumber(m_settings.read(FreedbKeys::Port), 65535,
                          QString::fromLatin1(FreedbKeys::Port.defaultValue).toInt());
}

int FreeDbInformation::TimeoutMs() const {
    // An hour is far beyond any useful wait and keeps the timer's range safe.
    return positiveNumber(m_settings.read(FreedbKeys::Timeout), 3600 * 1000,
                          QString::fromLatin1(FreedbKeys::Timeout.defaultValue).toInt());
}

QString FreeDbInformation::Proxy() const {
    return m_settings.read(FreedbKeys::Proxy).trimmed();
}

IFreeDBInformation2::Source FreeDbInformation::LookupSource() const {
    return static_cast<Source>(
        m_settings.readPosition(FreedbKeys::Source, FreedbKeys::SourceCount));
}

QString FreeDbInformation::CachePath() const {
    return QFileInfo(m_settings.path()).absolutePath() + QLatin1Char('/') +
           QLatin1String(FreeDbCache::FileName);
}

IFreeDBInformation2::Databases FreeDbInformation::LookupDatabases() const {
    return static_cast<Databases>(
        m_settings.readPosition(FreedbKeys::Databases, FreedbKeys::DatabaseCount));
}

QString FreeDbInformation::MusicBrainzServer() const {
    return MusicBrainzClient::serverFrom(m_settings.path());
}

QString FreeDbInformation::CoverArtServer() const {
    return CoverArtClient::serverFrom(m_settings.path());
}

QString FreeDbInformation::CoverArtCache() const {
    return CoverArtClient::cacheFolderFrom(m_settings.path());
}

QString FreeDbInformation::MusicBrainzCache() const {
    return QFileInfo(m_settings.path()).absolutePath() + QStringLiteral("/MusicBrainz");
}
