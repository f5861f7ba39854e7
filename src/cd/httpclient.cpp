#include "cd/httpclient.h"

#include "values/untrustedtext.h"
#include "platform/version.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

constexpr int MaxRedirects = 5;

} // namespace

HttpClient::HttpClient(const QString& service, QString server, const QString& cacheRoot,
                       int defaultTimeoutMs, qint64 maxReplyBytes, QObject* parent)
    : QObject(parent), m_service(service), m_server(serverAddress(std::move(server), {})),
      m_cache(cacheRoot, service, m_server), m_network(new QNetworkAccessManager(this)),
      m_defaultTimeoutMs(defaultTimeoutMs), m_maxBytes(maxReplyBytes) {
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(defaultTimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        if (!m_reply)
            return;
        m_abortReason = QStringLiteral("The %1 server did not answer in time.").arg(m_service);
        m_reply->abort();
    });
}

HttpClient::~HttpClient() {
    cancel();
}

QByteArray HttpClient::userAgent() {
    return "Orvelle/" + orvelleVersion().toUtf8() + " ( https://www.orvelle.org/ )";
}

QString HttpClient::serverAddress(QString text, const QString& fallback,
                                  const QString& bareHostScheme) {
    text = text.trimmed();
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    if (text.isEmpty())
        return fallback;
    if (!bareHostScheme.isEmpty() && !text.contains(QLatin1String("://")))
        text.prepend(bareHostScheme + QStringLiteral("://"));
    return text;
}

void HttpClient::setTimeout(int ms) {
    m_timeout.setInterval(ms > 0 ? ms : m_defaultTimeoutMs);
}

void HttpClient::setProxy(const QNetworkProxy& proxy) {
    m_network->setProxy(proxy);
}

void HttpClient::dropReply() {
    m_timeout.stop();
    if (QNetworkReply* reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

void HttpClient::cancel() {
    ++m_lookup;
    m_running = false;
    dropReply();
}

void HttpClient::startLookup() {
    cancel();
    m_running = true;
    const quint64 lookup = m_lookup;
    QMetaObject::invokeMethod(
        this,
        [this, lookup] {
            if (lookup == m_lookup && m_running)
                begin();
        },
        Qt::QueuedConnection);
}

bool HttpClient::endLookup() {
    if (!m_running)
        return false;
    m_running = false;
    return true;
}

void HttpClient::replyLater(const Reply& reply) {
    const quint64 lookup = m_lookup;
    QMetaObject::invokeMethod(
        this,
        [this, lookup, reply] {
            if (lookup == m_lookup && m_running)
                replied(reply);
        },
        Qt::QueuedConnection);
}

std::optional<QByteArray> HttpClient::kept(bool freshOnly) const {
    if (m_cacheKey.isEmpty())
        return std::nullopt;
    const std::optional<LookupCache::Entry> entry = m_cache.read(m_cacheKey, m_maxBytes);
    if (!entry || (freshOnly && !entry->fresh) || !isAnswer(entry->body))
        return std::nullopt;
    return entry->body;
}

void HttpClient::keep(const QByteArray& body) {
    // An answer from the cache is not the server's: keeping it would make it look fresh.
    if (!m_replyKept && !m_cacheKey.isEmpty())
        m_cache.write(m_cacheKey, body);
}

void HttpClient::get(const QUrl& url, const QByteArray& accept, const QString& cacheKey) {
    dropReply();
    m_cacheKey = cacheKey;
    m_replyKept = false;
    if (const std::optional<QByteArray> fresh = kept(true)) {
        m_replyKept = true;
        replyLater(Reply{200, *fresh, {}, {}, true});
        return;
    }
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        Reply reply;
        reply.error = QStringLiteral("The %1 server \"%2\" is no web address.")
                          .arg(m_service, cleanUntrustedText(url.toString()));
        replyLater(reply);
        return;
    }
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", userAgent());
    if (!accept.isEmpty())
        request.setRawHeader("Accept", accept);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(MaxRedirects);
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    m_abortReason.clear();
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, reply](qint64 received, qint64 total) {
                if (reply != m_reply || (received <= m_maxBytes && total <= m_maxBytes))
                    return;
                m_abortReason = QStringLiteral("The %1 reply is too large.").arg(m_service);
                reply->abort();
            });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
    m_timeout.start();
}

void HttpClient::finished(QNetworkReply* reply) {
    if (reply != m_reply)
        return;
    m_timeout.stop();
    m_reply = nullptr;
    reply->deleteLater();
    Reply result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.retryAfter = reply->rawHeader("Retry-After");
    if (!m_abortReason.isEmpty())
        result.error = m_abortReason;
    else if (result.status == 0 && reply->error() != QNetworkReply::NoError)
        result.error = QStringLiteral("The %1 server could not be reached: %2.")
                           .arg(m_service, cleanUntrustedText(reply->errorString()));
    else if (result.status == 200 && reply->error() != QNetworkReply::NoError)
        result.error =
            QStringLiteral("The %1 reply is damaged: the transfer broke off.").arg(m_service);
    else
        result.body = reply->readAll();
    // No answer came: what an earlier lookup kept, however old, is better than none.
    if (!result.error.isEmpty()) {
        if (const std::optional<QByteArray> old = kept(false)) {
            m_replyKept = true;
            result = Reply{200, *old, {}, {}, true};
        }
    }
    replied(result);
}
