#include "cd/freedbcache.h"

#include "platform/inifile.h"
#include "values/untrustedtext.h"

namespace {

const QString TocKey = QStringLiteral("toc");
const QString ArtistKey = QStringLiteral("artist");
const QString AlbumKey = QStringLiteral("album");
const QString YearKey = QStringLiteral("year");
const QString GenreKey = QStringLiteral("genre");

QString titleKey(int track) {
    return QStringLiteral("title%1").arg(track + 1);
}
QString trackArtistKey(int track) {
    return QStringLiteral("artist%1").arg(track + 1);
}

} // namespace

FreeDbCache::FreeDbCache(QString path) : m_path(std::move(path)) {}

std::optional<DiscRecord> FreeDbCache::find(const CdToc& toc) const {
    if (toc.isEmpty() || m_path.isEmpty())
        return std::nullopt;
    const IniFile ini(m_path);
    const QString section = toc.discId();
    if (CdToc::fromText(ini.readString(section, TocKey, QString())) != toc)
        return std::nullopt;
    // The file may have been edited by hand: its texts are no safer than a server's.
    const auto text = [&](const QString& key) {
        return cleanUntrustedText(ini.readString(section, key, QString()));
    };
    DiscRecord record;
    record.artist = text(ArtistKey);
    record.album = text(AlbumKey);
    record.year = text(YearKey);
    record.genre = text(GenreKey);
    bool anyTrackArtist = false;
    for (int i = 0; i < toc.trackCount(); ++i) {
        record.titles << text(titleKey(i));
        record.trackArtists << text(trackArtistKey(i));
        anyTrackArtist = anyTrackArtist || !record.trackArtists.last().isEmpty();
    }
    if (!anyTrackArtist)
        record.trackArtists.clear();
    if (record.isEmpty())
        return std::nullopt;
    return record;
}

void FreeDbCache::store(const CdToc& toc, const DiscRecord& record) {
    if (toc.isEmpty() || m_path.isEmpty())
        return;
    IniFile ini(m_path);
    const QString section = toc.discId();
    // The offsets go last: an entry interrupted half-way never matches a disc.
    ini.writeString(section, TocKey, QString());
    ini.writeString(section, ArtistKey, record.artist);
    ini.writeString(section, AlbumKey, record.album);
    ini.writeString(section, YearKey, record.year);
    ini.writeString(section, GenreKey, record.genre);
    for (int i = 0; i < toc.trackCount(); ++i) {
        ini.writeString(section, titleKey(i), record.title(i));
        const QString own = i < record.trackArtists.size() ? record.trackArtists[i] : QString();
        if (!own.isEmpty() || ini.hasKey(section, trackArtistKey(i)))
            ini.writeString(section, trackArtistKey(i), own);
    }
    ini.writeString(section, TocKey, toc.toText());
}
