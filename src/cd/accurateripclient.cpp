#include "cd/accurateripclient.h"

#include "settings/settingsfile.h"

AccurateRipClient::AccurateRipClient(QString server, const QString& cacheRoot, QObject* parent)
    : HttpClient(QStringLiteral("AccurateRip"), std::move(server), cacheRoot, DefaultTimeoutMs,
                 MaxReplyBytes, parent) {}

void AccurateRipClient::lookup(const AccurateRipId& id) {
    m_id = id;
    startLookup();
}

QString AccurateRipClient::serverFrom(const QString& settingsPath) {
    return serverAddress(SettingsFile(settingsPath).read(AccurateRipKeys::Server),
                         QString::fromUtf8(AccurateRipKeys::Server.defaultValue),
                         QStringLiteral("http"));
}

void AccurateRipClient::begin() {
    if (!m_id.isValid())
        return finish({}, false,
                      QStringLiteral("The disc has no audio tracks to check with AccurateRip."));
    get(QUrl(server() + QStringLiteral("/accuraterip/") + m_id.relativePath()), {},
        m_id.fileName());
}

bool AccurateRipClient::isAnswer(const QByteArray& body) const {
    return !parseDbar(body, m_id, nullptr).isEmpty();
}

void AccurateRipClient::replied(const Reply& reply) {
    if (!reply.error.isEmpty())
        return finish({}, false, reply.error);
    if (reply.status == 404)
        return finish({}, true, QString());
    if (reply.status != 200)
        return finish({}, false,
                      QStringLiteral("The AccurateRip server answered with an error (HTTP %1).")
                          .arg(reply.status));
    QString error;
    const QVector<ArChunk> chunks = parseDbar(reply.body, m_id, &error);
    if (!error.isEmpty())
        return finish({}, false, error);
    keep(reply.body);
    finish(chunks, false, QString());
}

void AccurateRipClient::finish(const QVector<ArChunk>& chunks, bool notFound,
                               const QString& error) {
    // A receiver may start the next lookup, which replaces m_id.
    const AccurateRipId id = m_id;
    if (endLookup())
        emit finished(id, chunks, notFound, error);
}
