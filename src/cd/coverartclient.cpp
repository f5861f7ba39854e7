#include "cd/coverartclient.h"

#include "cd/musicbrainzclient.h"
#include "settings/settingsfile.h"
#include "tags/coverart.h"

#include <QRegularExpression>

CoverArtClient::CoverArtClient(QString server, const QString& cacheRoot, QObject* parent)
    : HttpClient(QStringLiteral("Cover Art Archive"), std::move(server), cacheRoot,
                 DefaultTimeoutMs, MaxReplyBytes, parent) {}

QString CoverArtClient::serverFrom(const QString& settingsPath) {
    return serverAddress(SettingsFile(settingsPath).read(MusicBrainzKeys::CoverArt),
                         QString::fromUtf8(MusicBrainzKeys::CoverArt.defaultValue));
}

bool CoverArtClient::isReleaseId(const QString& text) {
    static const QRegularExpression form(QStringLiteral(
        "^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}$"));
    return form.match(text).hasMatch();
}

void CoverArtClient::fetch(const QString& releaseId) {
    m_releaseId = releaseId;
    startLookup();
}

void CoverArtClient::begin() {
    if (!isReleaseId(m_releaseId))
        return finish({},
                      QStringLiteral("The release has no MusicBrainz ID to fetch its cover by."));
    const QString release = m_releaseId.toLower();
    get(QUrl(server() + QStringLiteral("/release/") + release + QStringLiteral("/front-500")),
        "image/jpeg, image/png", release + QStringLiteral(".cover"));
}

bool CoverArtClient::isAnswer(const QByteArray& body) const {
    return !CoverCheck::checked(body).isEmpty();
}

void CoverArtClient::replied(const Reply& reply) {
    if (!reply.error.isEmpty())
        return finish({}, reply.error);
    if (reply.status == 404)
        return finish({}, QString());
    if (reply.status != 200)
        return finish({}, QStringLiteral("The Cover Art Archive answered with an error (HTTP %1).")
                              .arg(reply.status));
    QString reason;
    const CoverArt cover = CoverCheck::checked(reply.body, &reason);
    if (cover.isEmpty())
        return finish(
            {}, QStringLiteral("The Cover Art Archive's picture is not used: %1.").arg(reason));
    keep(cover.data);
    finish(cover, QString());
}

void CoverArtClient::finish(const CoverArt& cover, const QString& error) {
    // A receiver may start the next fetch, which replaces m_releaseId.
    const QString releaseId = m_releaseId;
    if (endLookup())
        emit finished(releaseId, cover, error);
}
