#include "cd/ctdbclient.h"

#include "settings/settingsfile.h"

#include <QCryptographicHash>
#include <QUrlQuery>

CtdbClient::CtdbClient(QString server, const QString& cacheRoot, QObject* parent)
    : HttpClient(QStringLiteral("CTDB"), std::move(server), cacheRoot, DefaultTimeoutMs,
                 MaxReplyBytes, parent) {}

void CtdbClient::lookup(const DiscLayout& layout) {
    m_layout = layout;
    m_disc = CtdbDisc::fromLayout(layout);
    startLookup();
}

QString CtdbClient::serverFrom(const QString& settingsPath) {
    return serverAddress(SettingsFile(settingsPath).read(CtdbKeys::Server),
                         QString::fromUtf8(CtdbKeys::Server.defaultValue), QStringLiteral("http"));
}

void CtdbClient::begin() {
    if (!m_disc.isValid())
        return finish({}, false,
                      QStringLiteral("The disc has too little audio to check with CTDB."));
    const QString toc = CtdbDisc::tocText(m_layout);
    QUrl url(server() + QStringLiteral("/lookup2.php"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("version"), QStringLiteral("3"));
    query.addQueryItem(QStringLiteral("ctdb"), QStringLiteral("1"));
    query.addQueryItem(QStringLiteral("fuzzy"), QStringLiteral("1"));
    query.addQueryItem(QStringLiteral("toc"), toc);
    url.setQuery(query);
    // The table of contents names the disc; a digest of it makes a safe file name.
    const QByteArray key = QCryptographicHash::hash(toc.toLatin1(), QCryptographicHash::Sha1);
    get(url, {}, QStringLiteral("ctdb-%1.xml").arg(QLatin1String(key.toHex())));
}

bool CtdbClient::isAnswer(const QByteArray& body) const {
    return !parseCtdbReply(body, m_disc, nullptr).isEmpty();
}

void CtdbClient::replied(const Reply& reply) {
    if (!reply.error.isEmpty())
        return finish({}, false, reply.error);
    if (reply.status == 404)
        return finish({}, true, QString());
    if (reply.status != 200)
        return finish(
            {}, false,
            QStringLiteral("The CTDB server answered with an error (HTTP %1).").arg(reply.status));
    QString error;
    const QVector<CtdbEntry> entries = parseCtdbReply(reply.body, m_disc, &error);
    if (!entries.isEmpty())
        keep(reply.body);
    finish(entries, error.isEmpty() && entries.isEmpty(), error);
}

void CtdbClient::finish(const QVector<CtdbEntry>& entries, bool notFound, const QString& error) {
    if (endLookup())
        emit finished(entries, notFound, error);
}
