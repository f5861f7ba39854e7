#include "cd/cddbclient.h"

#include "cd/cddbreply.h"
#include "cd/freedbcache.h"
#include "cd/networkreply.h"
#include "platform/inifile.h"
#include "platform/version.h"

#include <cstring>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSysInfo>
#include <QUrl>

namespace {

const QString CgiPath = QStringLiteral("/~cddb/cddb.cgi");
const QString ClientName = QStringLiteral("Orvelle");
const QString ClientVersion = orvelleVersion();

// A word of the "hello" greeting: no blanks, nothing that needs escaping.
QString helloWord(QString text, const QString& fallback) {
    QString out;
    for (const QChar c : text)
        if (c.isLetterOrNumber() && c.unicode() < 128)
            out += c;
        else if (c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_'))
            out += c;
    return out.isEmpty() ? fallback : out.left(64);
}

// Every byte of what goes back to the server is checked: ASCII letters and
// digits and the given marks only. Anything else, a character that a reply
// slipped through included, could change what the request asks for.
bool isPlainAscii(const QByteArray& bytes, const char* marks) {
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                           (c >= 'A' && c <= 'Z') || (c != 0 && std::strchr(marks, c) != nullptr);
        if (!plain)
            return false;
    }
    return true;
}

QString hello() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = qEnvironmentVariable("LOGNAME");
    return helloWord(user, QStringLiteral("user")) + QLatin1Char('+') +
           helloWord(QSysInfo::machineHostName(), QStringLiteral("localhost")) + QLatin1Char('+') +
           ClientName + QLatin1Char('+') + ClientVersion;
}

// "host:port", with or without "http://"; false when nothing usable is given.
bool parseProxy(const QString& text, QNetworkProxy* proxy) {
    const QUrl url(text.contains(QLatin1String("://")) ? text : QStringLiteral("http://") + text);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    *proxy = QNetworkProxy(QNetworkProxy::HttpProxy, url.host(), quint16(url.port(8080)),
                           url.userName(), url.password());
    return true;
}

} // namespace

CddbClient::CddbClient(QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)) {
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        if (m_reply)
            m_reply->abort();
    });
}

CddbClient::~CddbClient() {
    cancel();
}

void CddbClient::lookup(const CdToc& toc, const DiscInfoLookup& information) {
    cancel();
    m_request = Request{toc,
                        information.server(),
                        information.port(),
                        information.timeoutMs(),
                        information.proxy(),
                        information.lookupSource(),
                        information.cachePath()};
    const quint64 id = m_current;
    // The caller gets control back before the first report.
    QMetaObject::invokeMethod(
        this, [this, id] { begin(id); }, Qt::QueuedConnection);
}

void CddbClient::cancel() {
    ++m_current;
    dropReply();
}

void CddbClient::dropReply() {
    m_timeout.stop();
    dropNetworkReply(m_reply, this);
}

bool CddbClient::report(quint64 id, int status) {
    if (id != m_current)
        return false;
    emit statusChanged(status);
    return id == m_current;
}

void CddbClient::begin(quint64 id) {
    if (id != m_current)
        return;
    using Source = DiscInfoLookup::Source;
    if (m_request.toc.isEmpty()) {
        report(id, -2);
        return;
    }
    if (m_request.source != Source::ServerOnly) {
        const auto cached = FreeDbCache(m_request.cachePath).find(m_request.toc);
        if (cached) {
            if (report(id, 2))
                load(id, *cached, false);
            return;
        }
        if (m_request.source == Source::CacheOnly) {
            report(id, -2);
            return;
        }
    }
    if (!report(id, 1))
        return;
    send(id, QStringLiteral("cddb query ") + m_request.toc.queryArguments(),
         &CddbClient::onQueryReply);
}

void CddbClient::send(quint64 id, const QString& command,
                      void (CddbClient::*onReply)(quint64, const QByteArray&)) {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(m_request.server);
    url.setPort(m_request.port);
    url.setPath(CgiPath);
    QByteArray commandLine = command.toUtf8();
    const QByteArray greeting = hello().toUtf8();
    const bool plain = isPlainAscii(commandLine, " ") && isPlainAscii(greeting, "+.-_");
    url.setQuery(QString::fromLatin1("cmd=" + commandLine.replace(' ', '+') + "&hello=" + greeting +
                                     "&proto=6"));
    QNetworkProxy proxy(QNetworkProxy::NoProxy);
    if (!plain || !url.isValid() || url.host().isEmpty() ||
        (!m_request.proxy.isEmpty() && !parseProxy(m_request.proxy, &proxy))) {
        report(id, -1);
        return;
    }
    m_network->setProxy(proxy);

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      ClientName + QLatin1Char('/') + ClientVersion);
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > MaxReplyBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, id, reply, onReply] {
        if (reply != m_reply)
            return;
        m_timeout.stop();
        m_reply = nullptr;
        reply->deleteLater();
        const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || http != 200) {
            report(id, -1);
            return;
        }
        (this->*onReply)(id, reply->readAll());
    });
    m_timeout.start(m_request.timeoutMs);
}

void CddbClient::onQueryReply(quint64 id, const QByteArray& body) {
    const CddbMatch match = parseCddbQueryReply(body);
    if (match.outcome != CddbOutcome::Found) {
        report(id, match.outcome == CddbOutcome::NotFound ? -2 : -1);
        return;
    }
    if (!report(id, 2))
        return;
    send(id, QStringLiteral("cddb read %1 %2").arg(match.category, match.discId),
         &CddbClient::onReadReply);
}

void CddbClient::onReadReply(quint64 id, const QByteArray& body) {
    const CddbEntry entry = parseCddbReadReply(body, m_request.toc.trackCount());
    if (entry.outcome != CddbOutcome::Found) {
        report(id, entry.outcome == CddbOutcome::NotFound ? -2 : -1);
        return;
    }
    load(id, entry.record, true);
}

void CddbClient::load(quint64 id, const DiscRecord& record, bool fromServer) {
    if (id != m_current)
        return;
    if (fromServer) {
        try {
            FreeDbCache(m_request.cachePath).store(m_request.toc, record);
        } catch (const IniWriteError&) {
            // A cache that cannot be written costs only a later lookup.
        }
    }
    emit recordFound(m_request.toc, record);
    report(id, 3);
}
