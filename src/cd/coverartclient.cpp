#include "cd/coverartclient.h"

#include "cd/musicbrainzclient.h"
#include "settings/settingsfile.h"
#include "tags/coverart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

CoverArtClient::CoverArtClient(QString server, QString cacheFolder, QObject* parent)
    : QObject(parent), m_server(std::move(server)), m_cacheFolder(std::move(cacheFolder)) {
    while (m_server.endsWith(QLatin1Char('/')))
        m_server.chop(1);
    m_fetch.setParent(this);
    m_fetch.setMaxBytes(MaxReplyBytes);
    connect(&m_fetch, &HttpFetch::done, this, &CoverArtClient::answered);
}

CoverArtClient::~CoverArtClient() {
    cancel();
}

QString CoverArtClient::serverFrom(const QString& settingsPath) {
    QString server = SettingsFile(settingsPath).read(MusicBrainzKeys::CoverArt).trimmed();
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    return server.isEmpty() ? QString::fromUtf8(MusicBrainzKeys::CoverArt.defaultValue) : server;
}

QString CoverArtClient::cacheFolderFrom(const QString& settingsPath) {
    return QFileInfo(settingsPath).absolutePath() + QStringLiteral("/CoverArt");
}

bool CoverArtClient::isReleaseId(const QString& text) {
    static const QRegularExpression form(QStringLiteral(
        "^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}$"));
    return form.match(text).hasMatch();
}

void CoverArtClient::fetch(const QString& releaseId) {
    cancel();
    m_releaseId = releaseId;
    const quint64 fetchNumber = m_current;
    // The caller gets control back before any answer, even one from the cache.
    QMetaObject::invokeMethod(
        this, [this, fetchNumber] { begin(fetchNumber); }, Qt::QueuedConnection);
}

void CoverArtClient::cancel() {
    ++m_current;
    m_fetch.cancel();
}

QString CoverArtClient::cachePath() const {
    return QDir(m_cacheFolder).filePath(m_releaseId.toLower() + QStringLiteral(".cover"));
}

void CoverArtClient::begin(quint64 fetchNumber) {
    if (fetchNumber != m_current)
        return;
    if (!isReleaseId(m_releaseId))
        return finish(fetchNumber, {},
                      QStringLiteral("The release has no MusicBrainz ID to fetch its cover by."));
    if (!m_cacheFolder.isEmpty()) {
        QFile file(cachePath());
        // A damaged file is as good as none: the archive is asked and its answer replaces it.
        if (file.open(QIODevice::ReadOnly)) {
            const CoverArt cached = CoverCheck::checked(file.read(CoverCheck::MaxBytes + 1));
            if (!cached.isEmpty())
                return finish(fetchNumber, cached, QString());
        }
    }
    m_fetch.get(QUrl(m_server + QStringLiteral("/release/") + m_releaseId.toLower() +
                     QStringLiteral("/front-500")),
                "image/jpeg, image/png");
}

void CoverArtClient::answered(const HttpFetch::Result& result) {
    const quint64 fetchNumber = m_current;
    if (!result.error.isEmpty())
        return finish(fetchNumber, {}, result.error);
    if (result.status == 404)
        return finish(fetchNumber, {}, QString());
    if (result.status != 200)
        return finish(fetchNumber, {},
                      QStringLiteral("The Cover Art Archive answered with an error (HTTP %1).")
                          .arg(result.status));
    QString reason;
    const CoverArt cover = CoverCheck::checked(result.body, &reason);
    if (cover.isEmpty())
        return finish(
            fetchNumber, {},
            QStringLiteral("The Cover Art Archive's picture is not used: %1.").arg(reason));
    // A cache that cannot be written costs only a later fetch.
    if (!m_cacheFolder.isEmpty() && QDir().mkpath(m_cacheFolder)) {
        QSaveFile file(cachePath());
        if (file.open(QIODevice::WriteOnly) && file.write(cover.data) == cover.data.size())
            file.commit();
    }
    finish(fetchNumber, cover, QString());
}

void CoverArtClient::finish(quint64 fetchNumber, const CoverArt& cover, const QString& error) {
    if (fetchNumber != m_current)
        return;
    // A receiver may start the next fetch, which replaces m_releaseId.
    const QString releaseId = m_releaseId;
    emit finished(releaseId, cover, error);
}
