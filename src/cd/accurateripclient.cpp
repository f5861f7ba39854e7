#include "cd/accurateripclient.h"

#include "platform/version.h"
#include "settings/settingsfile.h"
#include "values/untrustedtext.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QUrl>

AccurateRipClient::AccurateRipClient(QString server, QString cacheFolder, QObject* parent)
    : QObject(parent), m_server(std::move(server)), m_cacheFolder(std::move(cacheFolder)) {
    while (m_server.endsWith(QLatin1Char('/')))
        m_server.chop(1);
    m_fetch.setParent(this);
    m_fetch.setTimeout(DefaultTimeoutMs);
    m_fetch.setMaxBytes(MaxReplyBytes);
    connect(&m_fetch, &HttpFetch::done, this, &AccurateRipClient::answered);
}

AccurateRipClient::~AccurateRipClient() {
    cancel();
}

void AccurateRipClient::setTimeout(int ms) {
    m_fetch.setTimeout(ms > 0 ? ms : DefaultTimeoutMs);
}

void AccurateRipClient::lookup(const AccurateRipId& id) {
    cancel();
    m_id = id;
    const quint64 lookupNumber = m_current;
    // The caller gets control back before any answer, even one from the cache.
    QMetaObject::invokeMethod(
        this, [this, lookupNumber] { begin(lookupNumber); }, Qt::QueuedConnection);
}

void AccurateRipClient::cancel() {
    ++m_current;
    m_fetch.cancel();
}

QString AccurateRipClient::serverFrom(const QString& settingsPath) {
    QString server = SettingsFile(settingsPath).read(AccurateRipKeys::Server).trimmed();
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    if (server.isEmpty())
        return QString::fromUtf8(AccurateRipKeys::Server.defaultValue);
    if (!server.contains(QLatin1String("://")))
        server.prepend(QLatin1String("http://"));
    return server;
}

void AccurateRipClient::begin(quint64 lookupNumber) {
    if (lookupNumber != m_current)
        return;
    if (!m_id.isValid()) {
        finish(lookupNumber, {}, false,
               QStringLiteral("The disc has no audio tracks to check with AccurateRip."));
        return;
    }
    const QVector<ArChunk> cached = readCache();
    if (!cached.isEmpty()) {
        finish(lookupNumber, cached, false, QString());
        return;
    }
    m_fetch.get(QUrl(m_server + QStringLiteral("/accuraterip/") + m_id.relativePath()));
}

void AccurateRipClient::answered(const HttpFetch::Result& result) {
    const quint64 lookupNumber = m_current;
    if (!result.error.isEmpty())
        return finish(lookupNumber, {}, false, result.error);
    if (result.status == 404)
        return finish(lookupNumber, {}, true, QString());
    if (result.status != 200)
        return finish(lookupNumber, {}, false,
                      QStringLiteral("The AccurateRip server answered with an error (HTTP %1).")
                          .arg(result.status));
    QString error;
    const QVector<ArChunk> chunks = parseDbar(result.body, m_id, &error);
    if (!error.isEmpty())
        return finish(lookupNumber, {}, false, error);
    writeCache(result.body);
    finish(lookupNumber, chunks, false, QString());
}

void AccurateRipClient::finish(quint64 lookupNumber, const QVector<ArChunk>& chunks, bool notFound,
                               const QString& error) {
    if (lookupNumber != m_current)
        return;
    // A receiver may start the next lookup, which replaces m_id.
    const AccurateRipId id = m_id;
    emit finished(id, chunks, notFound, error);
}

QString AccurateRipClient::cachePath() const {
    return QDir(m_cacheFolder).filePath(m_id.fileName());
}

QVector<ArChunk> AccurateRipClient::readCache() const {
    if (m_cacheFolder.isEmpty())
        return {};
    QFile file(cachePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A damaged file is as good as none: the server is asked and its answer replaces it.
    return parseDbar(file.read(MaxReplyBytes + 1), m_id, nullptr);
}

void AccurateRipClient::writeCache(const QByteArray& data) const {
    // A cache that cannot be written costs only a later lookup.
    if (m_cacheFolder.isEmpty() || !QDir().mkpath(m_cacheFolder))
        return;
    QSaveFile file(cachePath());
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size())
        file.commit();
}
