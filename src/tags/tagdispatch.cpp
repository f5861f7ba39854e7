#include "tags/tagdispatch.h"

#include "tags/id3v2tag.h"
#include "tags/oggtag.h"
#include "tags/wmatag.h"

#include <QFileInfo>

namespace {

QString Extension(const QString& fileName) {
    return QFileInfo(fileName).suffix().toLower();
}

// A format's tag holding the row's three values and nothing else.
template <typename Tag> Tag FromRow(const RowTag& row) {
    Tag tag;
    tag.Title = row.Title;
    tag.Artist = row.Artist;
    tag.Album = row.Album;
    return tag;
}

} // namespace

RowTag ReadRowTags(const QString& fileName) {
    const QString extension = Extension(fileName);
    if (extension == QLatin1String("wma")) {
        const WmaTag wma = ReadWmaTag(fileName);
        return {wma.Title, wma.Artist, wma.Album};
    }
    if (extension == QLatin1String("ogg")) {
        const OGGTag ogg = ReadOggTag(fileName);
        return {ogg.Title, ogg.Artist, ogg.Album};
    }
    if (extension == QLatin1String("mp3")) {
        const ID3StructV2 id3 = ReadID3v2Tag(fileName);
        return {id3.Title, id3.Artist, id3.Album};
    }
    return {};
}

void WriteRowTags(const QString& outputFileName, const RowTag& tag) {
    const QString extension = Extension(outputFileName);
    if (extension == QLatin1String("mp3"))
        WriteID3v2Tag(outputFileName, FromRow<ID3StructV2>(tag));
    else if (extension == QLatin1String("wma"))
        WriteWmaTag(outputFileName, FromRow<WmaTag>(tag));
    else if (extension == QLatin1String("ogg"))
        WriteOggTag(outputFileName, FromRow<OGGTag>(tag));
}
