#include "cd/musicbrainz.h"
#include "fuzztext.h"

#include <cstdlib>

// A MusicBrainz server's reply, whatever its bytes, read as the answer about a
// disc of three tracks: no crash, and only releases of three clean tracks.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const QVector<MbRelease> releases = parseMbReleases(bytes, QStringLiteral("disc-1"), 3, &error);
    for (const MbRelease& release : releases) {
        if (release.trackCount != 3 || release.trackTitles.size() != 3 ||
            release.trackArtists.size() != 3)
            std::abort();
        for (const QString& text : {release.id, release.title, release.artist, release.year,
                                    release.country, release.label})
            checkCleanText(text);
        for (int i = 0; i < 3; ++i) {
            checkCleanText(release.trackTitles[i]);
            checkCleanText(release.trackArtists[i]);
        }
    }
    retryAfterSeconds(bytes.left(64));
    return 0;
}
