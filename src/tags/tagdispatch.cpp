#include "tags/tagdispatch.h"

#include "components/output/outputreservation.h"
#include "tags/id3v2tag.h"
#include "tags/oggtag.h"
#include "tags/tagerror.h"
#include "tags/wmatag.h"

#include <QFileInfo>

namespace {

// A file still being written is tagged by the name it will get.
QString Extension(const QString& fileName) {
    return QFileInfo(FinalNameOfPart(QFileInfo(fileName).fileName())).suffix().toLower();
}

// A format's tag holding the row's values and nothing else.
template <typename Tag> Tag FromRow(const RowTag& row) {
    Tag tag;
    tag.Title = row.Title;
    tag.Artist = row.Artist;
    tag.Album = row.Album;
    tag.Year = row.Year;
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
    bool written = true;
    if (extension == QLatin1String("mp3"))
        written = WriteID3v2Tag(outputFileName, FromRow<ID3StructV2>(tag));
    else if (extension == QLatin1String("wma"))
        written = WriteWmaTag(outputFileName, FromRow<WmaTag>(tag));
    else if (extension == QLatin1String("ogg"))
        written = WriteOggTag(outputFileName, FromRow<OGGTag>(tag));
    if (!written)
        throw TagError(
            QStringLiteral("Cannot write the tags of %1.").arg(FinalPathOfPart(outputFileName)));
}
