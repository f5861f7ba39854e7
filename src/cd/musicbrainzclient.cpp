#include "cd/musicbrainzclient.h"

#include "settings/settingsfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QUrlQuery>

namespace {

const char* const Includes = "artist-credits+labels+recordings+release-groups";

} // namespace

MusicBrainzClient::MusicBrainzClient(QString server, QString cacheFolder, QObject* parent)
    : QObject(parent), m_server(std::move(server)), m_cacheFolder(std::move(cacheFolder)) {
    m_fetch.setParent(this);
    m_wait.setSingleShot(true);
    connect(&m_wait, &QTimer::timeout, this, &MusicBrainzClient::send);
    connect(&m_fetch, &HttpFetch::done, this, &MusicBrainzClient::answered);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    m_now = [clock] { return clock->elapsed(); };
}

QString MusicBrainzClient::serverFrom(const QString& settingsPath) {
    QString server = SettingsFile(settingsPath).read(MusicBrainzKeys::Server).trimmed();
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    return server.isEmpty() ? QString::fromUtf8(MusicBrainzKeys::Server.defaultValue) : server;
}

qint64 MusicBrainzClient::delayBeforeRequest(qint64 lastRequestMs, qint64 nowMs,
                                             qint64 notBeforeMs) {
    qint64 at = lastRequestMs < 0 ? nowMs : lastRequestMs + MinSpacingMs;
    at = std::max(at, notBeforeMs);
    return std::max<qint64>(0, at - nowMs);
}

QString MusicBrainzClient::cachePath() const {
    // A disc ID is made of letters, digits, ".", "_" and "-": a safe file name.
    return m_cacheFolder.isEmpty()
               ? QString()
               : m_cacheFolder + QLatin1Char('/') + m_id.id + QStringLiteral(".json");
}

void MusicBrainzClient::cancel() {
    m_running = false;
    m_wait.stop();
    m_fetch.cancel();
}

void MusicBrainzClient::lookup(const MbDiscId& id, int trackCount) {
    cancel();
    m_id = id;
    m_trackCount = trackCount;
    m_step = Step::DiscId;
    m_retried = false;
    m_running = true;
    if (!id.isValid() || trackCount <= 0) {
        QMetaObject::invokeMethod(
            this,
            [this] { finish({}, QStringLiteral("The disc has no audio tracks to look up.")); },
            Qt::QueuedConnection);
        return;
    }
    QFile cached(cachePath());
    if (!cachePath().isEmpty() && cached.open(QIODevice::ReadOnly)) {
        QString error;
        const QVector<MbRelease> releases =
            parseMbReleases(cached.readAll(), m_id.id, m_trackCount, &error);
        if (!releases.isEmpty()) {
            QMetaObject::invokeMethod(
                this, [this, releases] { finish(releases, {}); }, Qt::QueuedConnection);
            return;
        }
    }
    schedule();
}

void MusicBrainzClient::schedule() {
    m_wait.start(int(delayBeforeRequest(m_lastRequest, m_now(), m_notBefore)));
}

void MusicBrainzClient::send() {
    if (!m_running)
        return;
    m_lastRequest = m_now();
    QUrl url;
    QUrlQuery query;
    if (m_step == Step::DiscId) {
        url = QUrl(m_server + QStringLiteral("/ws/2/discid/") + m_id.id);
    } else {
        url = QUrl(m_server + QStringLiteral("/ws/2/discid/-"));
        query.addQueryItem(QStringLiteral("toc"),
                           QString(m_id.toc).replace(QLatin1Char(' '), QLatin1Char('+')));
    }
    query.addQueryItem(QStringLiteral("inc"), QLatin1String(Includes));
    query.addQueryItem(QStringLiteral("fmt"), QStringLiteral("json"));
    url.setQuery(query);
    m_fetch.get(url, "application/json");
}

void MusicBrainzClient::answered(const HttpFetch::Result& result) {
    if (!m_running)
        return;
    if (!result.error.isEmpty())
        return finish({}, result.error);
    if (result.status == 503) {
        const std::optional<int> wait = retryAfterSeconds(result.retryAfter);
        if (m_retried || (wait && *wait > MaxRetryAfterSeconds))
            return finish({}, QStringLiteral("MusicBrainz is busy; try again later."));
        m_retried = true;
        m_notBefore = m_now() + qint64(wait.value_or(1)) * 1000;
        return schedule();
    }
    m_retried = false;
    QVector<MbRelease> releases;
    if (result.status == 200) {
        QString error;
        releases = parseMbReleases(result.body, m_id.id, m_trackCount, &error);
        if (!error.isEmpty())
            return finish({}, error);
    } else if (result.status != 404 && result.status != 400) {
        return finish({}, QStringLiteral("The MusicBrainz server answered with an error (HTTP %1).")
                              .arg(result.status));
    }
    if (releases.isEmpty() && m_step == Step::DiscId) {
        m_step = Step::Toc; // no disc of this ID: a release of the same layout may be there
        return schedule();
    }
    if (!releases.isEmpty() && !cachePath().isEmpty() && QDir().mkpath(m_cacheFolder)) {
        QSaveFile file(cachePath());
        if (file.open(QIODevice::WriteOnly) && file.write(result.body) == result.body.size())
            file.commit();
    }
    finish(releases, {});
}

void MusicBrainzClient::finish(const QVector<MbRelease>& releases, const QString& error) {
    if (!m_running)
        return;
    m_running = false;
    emit finished(releases, error);
}
