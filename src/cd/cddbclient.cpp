#include "cd/cddbclient.h"

#include "cd/cddbreply.h"
#include "cd/freedbcache.h"
#include "platform/inifile.h"
#include "platform/version.h"

#include <cstring>
#include <QNetworkProxy>
#include <QSysInfo>
#include <QUrl>

namespace {

const QString CgiPath = QStringLiteral("/~cddb/cddb.cgi");
const QString ClientName = QStringLiteral("Orvelle");

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
           ClientName + QLatin1Char('+') + orvelleVersion();
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
    : HttpClient(QStringLiteral("FreeDB"), {}, {}, DefaultTimeoutMs, MaxReplyBytes, parent) {}

void CddbClient::lookup(const CdToc& toc, const DiscInformation& information) {
    m_request = Request{toc,
                        information.server(),
                        information.port(),
                        information.proxy(),
                        information.lookupSource(),
                        information.cachePath()};
    startLookup();
    setTimeout(information.timeoutMs());
}

bool CddbClient::report(LookupStatus status) {
    const quint64 lookup = lookupNumber();
    emit statusChanged(status);
    return lookup == lookupNumber() && isRunning();
}

void CddbClient::end(LookupStatus status) {
    if (endLookup())
        emit statusChanged(status);
}

void CddbClient::begin() {
    using Source = DiscInformation::Source;
    if (m_request.toc.isEmpty())
        return end(LookupStatus::NoEntry);
    if (m_request.source != Source::ServerOnly) {
        const auto cached = FreeDbCache(m_request.cachePath).find(m_request.toc);
        if (cached) {
            if (report(LookupStatus::Querying))
                load(*cached, false);
            return;
        }
        if (m_request.source == Source::CacheOnly)
            return end(LookupStatus::NoEntry);
    }
    if (report(LookupStatus::Connecting))
        send(Step::Query, QStringLiteral("cddb query ") + m_request.toc.queryArguments());
}

void CddbClient::send(Step step, const QString& command) {
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
        (!m_request.proxy.isEmpty() && !parseProxy(m_request.proxy, &proxy)))
        return end(LookupStatus::ConnectionFailed);
    setProxy(proxy);
    m_step = step;
    get(url);
}

void CddbClient::replied(const Reply& reply) {
    if (!reply.error.isEmpty() || reply.status != 200)
        return end(LookupStatus::ConnectionFailed);
    if (m_step == Step::Query) {
        const CddbMatch match = parseCddbQueryReply(reply.body);
        if (match.outcome != CddbOutcome::Found)
            return end(match.outcome == CddbOutcome::NotFound ? LookupStatus::NoEntry
                                                              : LookupStatus::ConnectionFailed);
        if (report(LookupStatus::Querying))
            send(Step::Read, QStringLiteral("cddb read %1 %2").arg(match.category, match.discId));
        return;
    }
    const CddbEntry entry = parseCddbReadReply(reply.body, m_request.toc.trackCount());
    if (entry.outcome != CddbOutcome::Found)
        return end(entry.outcome == CddbOutcome::NotFound ? LookupStatus::NoEntry
                                                          : LookupStatus::ConnectionFailed);
    load(entry.record, true);
}

void CddbClient::load(const DiscRecord& record, bool fromServer) {
    if (fromServer) {
        try {
            FreeDbCache(m_request.cachePath).store(m_request.toc, record);
        } catch (const IniWriteError&) {
            // A cache that cannot be written costs only a later lookup.
        }
    }
    if (!endLookup())
        return;
    const quint64 lookup = lookupNumber();
    emit recordFound(m_request.toc, record);
    if (lookup == lookupNumber())
        emit statusChanged(LookupStatus::Loaded);
}
