#include "cd/musicbrainzclient.h"

#include "settings/settingsfile.h"

#include <QElapsedTimer>
#include <QUrlQuery>

namespace {

const char* const Includes = "artist-credits+labels+recordings+release-groups";

} // namespace

MusicBrainzClient::MusicBrainzClient(QString server, const QString& cacheRoot, QObject* parent)
    : HttpClient(QStringLiteral("MusicBrainz"), std::move(server), cacheRoot, DefaultTimeoutMs,
                 MaxReplyBytes, parent) {
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &MusicBrainzClient::send);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    m_now = [clock] { return clock->elapsed(); };
}

QString MusicBrainzClient::serverFrom(const QString& settingsPath) {
    return serverAddress(SettingsFile(settingsPath).read(MusicBrainzKeys::Server),
                         QString::fromUtf8(MusicBrainzKeys::Server.defaultValue));
}

qint64 MusicBrainzClient::delayBeforeRequest(qint64 lastRequestMs, qint64 nowMs,
                                             qint64 notBeforeMs) {
    qint64 at = lastRequestMs < 0 ? nowMs : lastRequestMs + MinSpacingMs;
    at = std::max(at, notBeforeMs);
    return std::max<qint64>(0, at - nowMs);
}

void MusicBrainzClient::lookup(const MbDiscId& id, int trackCount) {
    m_wait.stop();
    m_id = id;
    m_trackCount = trackCount;
    m_step = Step::DiscId;
    m_retried = false;
    startLookup();
}

void MusicBrainzClient::begin() {
    if (!m_id.isValid() || m_trackCount <= 0)
        return finish({}, QStringLiteral("The disc has no audio tracks to look up."));
    schedule();
}

bool MusicBrainzClient::isAnswer(const QByteArray& body) const {
    return !parseMbReleases(body, m_id.id, m_trackCount, nullptr).isEmpty();
}

void MusicBrainzClient::schedule() {
    m_wait.start(int(delayBeforeRequest(m_lastRequest, m_now(), m_notBefore)));
}

void MusicBrainzClient::send() {
    if (!isRunning())
        return;
    m_lastRequest = m_now();
    QUrl url;
    QUrlQuery query;
    if (m_step == Step::DiscId) {
        url = QUrl(server() + QStringLiteral("/ws/2/discid/") + m_id.id);
    } else {
        url = QUrl(server() + QStringLiteral("/ws/2/discid/-"));
        query.addQueryItem(QStringLiteral("toc"),
                           QString(m_id.toc).replace(QLatin1Char(' '), QLatin1Char('+')));
    }
    query.addQueryItem(QStringLiteral("inc"), QLatin1String(Includes));
    query.addQueryItem(QStringLiteral("fmt"), QStringLiteral("json"));
    url.setQuery(query);
    // Whichever request finds the disc, its answer is kept under the disc ID.
    get(url, "application/json", QStringLiteral("discid-%1.json").arg(m_id.id));
}

void MusicBrainzClient::replied(const Reply& reply) {
    if (!reply.error.isEmpty())
        return finish({}, reply.error);
    if (reply.status == 503) {
        const std::optional<int> wait = retryAfterSeconds(reply.retryAfter);
        if (m_retried || (wait && *wait > MaxRetryAfterSeconds))
            return finish({}, QStringLiteral("MusicBrainz is busy; try again later."));
        m_retried = true;
        m_notBefore = m_now() + qint64(wait.value_or(1)) * 1000;
        return schedule();
    }
    m_retried = false;
    QVector<MbRelease> releases;
    if (reply.status == 200) {
        QString error;
        releases = parseMbReleases(reply.body, m_id.id, m_trackCount, &error);
        if (!error.isEmpty())
            return finish({}, error);
    } else if (reply.status != 404 && reply.status != 400) {
        return finish({}, QStringLiteral("The MusicBrainz server answered with an error (HTTP %1).")
                              .arg(reply.status));
    }
    if (releases.isEmpty() && m_step == Step::DiscId) {
        m_step = Step::Toc; // no disc of this ID: a release of the same layout may be there
        return schedule();
    }
    if (!releases.isEmpty())
        keep(reply.body);
    finish(releases, {});
}

void MusicBrainzClient::finish(const QVector<MbRelease>& releases, const QString& error) {
    if (endLookup())
        emit finished(releases, error);
}
