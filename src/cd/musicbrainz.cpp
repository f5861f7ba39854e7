#include "cd/musicbrainz.h"

#include "values/untrustedtext.h"

#include <discid/discid.h>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <utility>

namespace {

// Between the audio session of an enhanced CD and its data session: lead-out,
// lead-in and pregap, which belong to no track.
constexpr int SessionGapFrames = 11400;
constexpr int LeadInFrames = 150;
// A reply far larger than a disc's releases is none.
constexpr qsizetype MaxReplyBytes = 8 << 20;

QString credit(const QJsonValue& credits) {
    QString text;
    for (const QJsonValue& part : credits.toArray()) {
        const QJsonObject object = part.toObject();
        text += object.value(QLatin1String("name")).toString() +
                object.value(QLatin1String("joinphrase")).toString();
    }
    return cleanUntrustedText(text);
}

QString text(const QJsonObject& object, const char* key) {
    return cleanUntrustedText(object.value(QLatin1String(key)).toString());
}

} // namespace

MbDiscId MbDiscId::fromLayout(const DiscLayout& layout) {
    int last = -1;
    for (int i = 0; i < layout.tracks.size(); ++i)
        if (layout.tracks[i].audio)
            last = i;
    if (last < 0 || layout.tracks.size() > 99)
        return {};
    int end = layout.leadout;
    if (last + 1 < layout.tracks.size())
        end = layout.tracks[last + 1].start - SessionGapFrames;
    int offsets[100] = {};
    offsets[0] = end + LeadInFrames;
    for (int i = 0; i <= last; ++i)
        offsets[i + 1] = layout.tracks[i].start + LeadInFrames;
    if (end <= layout.tracks[last].start)
        return {};
    DiscId* disc = discid_new();
    MbDiscId id;
    if (disc && discid_put(disc, 1, last + 1, offsets)) {
        id.id = QString::fromLatin1(discid_get_id(disc));
        id.toc = QString::fromLatin1(discid_get_toc_string(disc));
    }
    if (disc)
        discid_free(disc);
    return id;
}

QVector<MbRelease> parseMbReleases(const QByteArray& json, const QString& discId, int trackCount,
                                   QString* error) {
    const auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return QVector<MbRelease>();
    };
    if (json.size() > MaxReplyBytes)
        return fail(QStringLiteral("The MusicBrainz reply is too large."));
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError || !document.isObject())
        return fail(QStringLiteral("The MusicBrainz reply is damaged."));
    const QJsonObject root = document.object();
    // A disc ID lookup answers with the disc and its releases, a TOC lookup with releases.
    const QJsonArray releases = root.value(QLatin1String("releases")).toArray();
    QVector<MbRelease> found;
    for (const QJsonValue& value : releases) {
        const QJsonObject release = value.toObject();
        // The medium that is this disc: the one listing its ID, else one of its length.
        QJsonObject medium;
        for (const QJsonValue& m : release.value(QLatin1String("media")).toArray()) {
            const QJsonObject candidate = m.toObject();
            const QJsonArray tracks = candidate.value(QLatin1String("tracks")).toArray();
            if (tracks.size() != trackCount)
                continue;
            bool holdsDisc = false;
            for (const QJsonValue& d : candidate.value(QLatin1String("discs")).toArray())
                holdsDisc =
                    holdsDisc || d.toObject().value(QLatin1String("id")).toString() == discId;
            if (holdsDisc || medium.isEmpty())
                medium = candidate;
            if (holdsDisc)
                break;
        }
        if (medium.isEmpty())
            continue;
        MbRelease entry;
        entry.id = text(release, "id");
        entry.title = text(release, "title");
        entry.artist = credit(release.value(QLatin1String("artist-credit")));
        entry.country = text(release, "country");
        // A barcode is digits; anything else is no barcode ("none" is given for none).
        entry.barcode = text(release, "barcode");
        for (const QChar c : std::as_const(entry.barcode))
            if (!c.isDigit() || c.unicode() > '9')
                entry.barcode.clear();
        QString date = text(release, "date");
        if (date.isEmpty())
            date = text(release.value(QLatin1String("release-group")).toObject(),
                        "first-release-date");
        if (date.size() >= 4 && date.left(4).toInt() > 0)
            entry.year = date.left(4);
        for (const QJsonValue& info : release.value(QLatin1String("label-info")).toArray()) {
            entry.label = text(info.toObject().value(QLatin1String("label")).toObject(), "name");
            if (!entry.label.isEmpty())
                break;
        }
        const QJsonArray tracks = medium.value(QLatin1String("tracks")).toArray();
        entry.trackCount = int(tracks.size());
        for (const QJsonValue& t : tracks) {
            const QJsonObject track = t.toObject();
            QString title = text(track, "title");
            if (title.isEmpty())
                title = text(track.value(QLatin1String("recording")).toObject(), "title");
            QString artist = credit(track.value(QLatin1String("artist-credit")));
            entry.trackTitles << title;
            entry.trackArtists << (artist.isEmpty() ? entry.artist : artist);
        }
        found << entry;
    }
    if (found.isEmpty() && error)
        *error = QString();
    return found;
}

std::optional<int> retryAfterSeconds(const QByteArray& value) {
    bool ok = false;
    const int seconds = value.trimmed().toInt(&ok);
    if (!ok || seconds < 0 || seconds > 600)
        return std::nullopt;
    return seconds;
}
