#include "cd/httpfetch.h"

#include "cd/networkreply.h"
#include "platform/version.h"
#include "values/untrustedtext.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

HttpFetch::HttpFetch(QString service, QObject* parent)
    : QObject(parent), m_service(std::move(service)), m_network(new QNetworkAccessManager(this)) {
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(15000);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        if (!m_reply)
            return;
        m_abortReason = QStringLiteral("The %1 server did not answer in time.").arg(m_service);
        m_reply->abort();
    });
}

HttpFetch::~HttpFetch() {
    cancel();
}

QByteArray HttpFetch::userAgent() {
    return "Orvelle/" + orvelleVersion().toUtf8() + " ( https://www.orvelle.org/ )";
}

void HttpFetch::setTimeout(int ms) {
    m_timeout.setInterval(ms > 0 ? ms : 15000);
}

void HttpFetch::cancel() {
    m_timeout.stop();
    dropNetworkReply(m_reply, this);
}

void HttpFetch::report(Result result) {
    // Never from within get(): the caller has its answer on the event loop.
    QMetaObject::invokeMethod(
        this, [this, result] { emit done(result); }, Qt::QueuedConnection);
}

void HttpFetch::get(const QUrl& url, const QByteArray& accept) {
    cancel();
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        Result result;
        result.error = QStringLiteral("The %1 server \"%2\" is no web address.")
                           .arg(m_service, cleanUntrustedText(url.toString()));
        report(result);
        return;
    }
    QNetworkRequest request(url);
    request.setRawHeader("User-Agent", userAgent());
    if (!accept.isEmpty())
        request.setRawHeader("Accept", accept);
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

void HttpFetch::finished(QNetworkReply* reply) {
    if (reply != m_reply)
        return;
    m_timeout.stop();
    m_reply = nullptr;
    reply->deleteLater();
    Result result;
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
    emit done(result);
}
