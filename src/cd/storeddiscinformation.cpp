#include "cd/storeddiscinformation.h"

#include "cd/coverartclient.h"
#include "cd/freedbcache.h"
#include "cd/lookupcache.h"
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

StoredDiscInformation::StoredDiscInformation(const QString& settingsPath)
    : m_settings(settingsPath) {}

QString StoredDiscInformation::server() const {
    const QStringList& servers = freedbServers();
    return servers.at(m_settings.readPosition(FreedbKeys::Site, servers.size()));
}

int StoredDiscInformation::port() const {
    return positiveNumber(m_settings.read(FreedbKeys::port), 65535,
                          QString::fromLatin1(FreedbKeys::port.defaultValue).toInt());
}

int StoredDiscInformation::timeoutMs() const {
    // An hour is far beyond any useful wait and keeps the timer's range safe.
    return positiveNumber(m_settings.read(FreedbKeys::Timeout), 3600 * 1000,
                          QString::fromLatin1(FreedbKeys::Timeout.defaultValue).toInt());
}

QString StoredDiscInformation::proxy() const {
    return m_settings.read(FreedbKeys::proxy).trimmed();
}

DiscInformation::Source StoredDiscInformation::lookupSource() const {
    return static_cast<Source>(
        m_settings.readPosition(FreedbKeys::Source, FreedbKeys::SourceCount));
}

QString StoredDiscInformation::cachePath() const {
    return QFileInfo(m_settings.path()).absolutePath() + QLatin1Char('/') +
           QLatin1String(FreeDbCache::FileName);
}

DiscInformation::Databases StoredDiscInformation::lookupDatabases() const {
    return static_cast<Databases>(
        m_settings.readPosition(FreedbKeys::Databases, FreedbKeys::DatabaseCount));
}

QString StoredDiscInformation::musicBrainzServer() const {
    return MusicBrainzClient::serverFrom(m_settings.path());
}

QString StoredDiscInformation::coverArtServer() const {
    return CoverArtClient::serverFrom(m_settings.path());
}

QString StoredDiscInformation::cacheRoot() const {
    return LookupCache::defaultRoot();
}
