#include "cd/accurateripclient.h"

#include "cd/networkreply.h"
#include "cd/untrustedtext.h"
#include "platform/version.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QUrl>

AccurateRipClient::AccurateRipClient(QString server, QString cacheFolder, QObject* parent)
    : QObject(parent), m_server(std::move(server)), m_cacheFolder(std::move(cacheFolder)),
      m_network(new QNetworkAccessManager(this)) {
    while (m_server.endsWith(QLatin1Char('/')))
        m_server.chop(1);
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(DefaultTimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        if (!m_reply)
            return;
        m_abortReason = QStringLiteral("The AccurateRip server did not answer in time.");
        m_reply->abort();
    });
}

AccurateRipClient::~AccurateRipClient() {
    cancel();
}

void AccurateRipClient::setTimeout(int ms) {
    m_timeout.setInterval(ms > 0 ? ms : DefaultTimeoutMs);
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
    dropReply();
}

void AccurateRipClient::dropReply() {
    m_timeout.stop();
    dropNetworkReply(m_reply, this);
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

    const QUrl url(m_server + QStringLiteral("/accuraterip/") + m_id.relativePath());
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        finish(lookupNumber, {}, false,
               QStringLiteral("The AccurateRip server \"%1\" is no web address.")
                   .arg(cleanUntrustedText(m_server)));
        return;
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Orvelle/") + orvelleVersion());
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    m_abortReason.clear();
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, reply](qint64 received, qint64 total) {
                if (reply != m_reply || (received <= MaxReplyBytes && total <= MaxReplyBytes))
                    return;
                m_abortReason = QStringLiteral("The AccurateRip reply is too large to be a "
                                               "disc entry.");
                reply->abort();
            });
    connect(reply, &QNetworkReply::finished, this,
            [this, lookupNumber, reply] { onReplyFinished(lookupNumber, reply); });
    m_timeout.start();
}

void AccurateRipClient::onReplyFinished(quint64 lookupNumber, QNetworkReply* reply) {
    if (reply != m_reply)
        return;
    m_timeout.stop();
    m_reply = nullptr;
    reply->deleteLater();

    const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QString error;
    if (!m_abortReason.isEmpty())
        error = m_abortReason;
    else if (http == 404)
        return finish(lookupNumber, {}, true, QString());
    else if (http != 0 && http != 200)
        error =
            QStringLiteral("The AccurateRip server answered with an error (HTTP %1).").arg(http);
    else if (reply->error() != QNetworkReply::NoError && http == 200)
        error = QStringLiteral("The AccurateRip reply is damaged: the transfer broke off.");
    else if (reply->error() != QNetworkReply::NoError)
        error = QStringLiteral("The AccurateRip server could not be reached: %1.")
                    .arg(cleanUntrustedText(reply->errorString()));
    if (!error.isEmpty())
        return finish(lookupNumber, {}, false, error);

    const QByteArray body = reply->readAll();
    const QVector<ArChunk> chunks = parseDbar(body, m_id, &error);
    if (!error.isEmpty())
        return finish(lookupNumber, {}, false, error);
    writeCache(body);
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
