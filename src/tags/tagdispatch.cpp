#include "tags/tagdispatch.h"

#include "tags/id3v2tag.h"
#include "tags/oggtag.h"
#include "tags/wmatag.h"

#include <QFileInfo>

namespace {

QString Extension(const QString& fileName) {
    return QFileInfo(fileName).suffix().toLower();
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
    if (extension == QLatin1String("mp3")) {
        ID3StructV2 id3;
        id3.Title = tag.Title;
        id3.Artist = tag.Artist;
        id3.Album = tag.Album;
        WriteID3v2Tag(outputFileName, id3);
    } else if (extension == QLatin1String("wma")) {
        WmaTag wma;
        wma.Title = tag.Title;
        wma.Artist = tag.Artist;
        wma.Album = tag.Album;
        WriteWmaTag(outputFileName, wma);
    } else if (extension == QLatin1String("ogg")) {
        OGGTag ogg;
        ogg.Artist = tag.Artist;
        ogg.Album = tag.Album;
        ogg.Title = tag.Title;
        WriteOggTag(outputFileName, ogg);
    }
}
