#pragma once

#include "cd/httpfetch.h"
#include "checksums/accuraterip.h"
#include "settings/settingkey.h"

#include <QObject>

// Section "AccurateRip": where rips are checked.
namespace AccurateRipKeys {
inline constexpr TextKey Server{"AccurateRip", "server", "http://www.accuraterip.com"};
} // namespace AccurateRipKeys

// Fetches a disc's entry from the AccurateRip database over HTTP. Entries
// found are kept in cacheFolder, one file each, and answer later lookups of
// the same disc without the network; nothing is kept of a failure or of a disc
// the database does not know, so a later lookup asks again.
class AccurateRipClient : public QObject {
    Q_OBJECT
public:
    // A disc entry of 99 tracks is under 1 KB; a reply far larger is none.
    static constexpr qint64 MaxReplyBytes = 1 << 20;
    static constexpr int DefaultTimeoutMs = 15000;

    // server: e.g. "http://www.accuraterip.com" (no trailing path); cacheFolder:
    // where replies are kept, none when empty.
    AccurateRipClient(QString server, QString cacheFolder, QObject* parent = nullptr);
    ~AccurateRipClient() override;

    // The longest a lookup may take, from asking to the last byte.
    void setTimeout(int ms);
    // Asynchronous: finished comes later, once, even from the cache. A lookup
    // still running is dropped and reports nothing.
    void lookup(const AccurateRipId& id);
    void cancel();

    // The server of section "AccurateRip" of the settings file, without
    // trailing slashes, "http://" put in front of a bare host name.
    static QString serverFrom(const QString& settingsPath);

signals:
    // found: chunks parsed; notFound: HTTP 404 (disc not in the database); otherwise error says why
    void finished(const AccurateRipId& id, const QVector<ArChunk>& chunks, bool notFound,
                  const QString& error);

private:
    void begin(quint64 lookupNumber);
    void answered(const HttpFetch::Result& result);
    void finish(quint64 lookupNumber, const QVector<ArChunk>& chunks, bool notFound,
                const QString& error);
    QString cachePath() const;
    QVector<ArChunk> readCache() const;
    void writeCache(const QByteArray& data) const;

    QString m_server;
    QString m_cacheFolder;
    HttpFetch m_fetch{QStringLiteral("AccurateRip")};
    AccurateRipId m_id;
    quint64 m_current = 0;
};
