#include "tags/tagdispatch.h"

#include "components/ffmpeg/mediatags.h"
#include "components/output/outputreservation.h"
#include "tags/flactag.h"
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

template <typename Tag> RowTag ToRow(const Tag& tag) {
    return {tag.Title, tag.Artist, tag.Album};
}

// Kinds whose tags only FFmpeg reads here.
bool ReadByFfmpeg(const QString& extension) {
    static const char* const kinds[] = {"oga", "m4a", "aac",  "mp4", "aiff", "aif", "ape",
                                        "wv",  "mka", "webm", "mp2", "ac3",  "dts", "caf"};
    for (const char* kind : kinds)
        if (extension == QLatin1String(kind))
            return true;
    return false;
}

} // namespace

RowTag ReadRowTags(const QString& fileName) {
    const QString extension = Extension(fileName);
    if (extension == QLatin1String("wma"))
        return ToRow(ReadWmaTag(fileName));
    if (extension == QLatin1String("ogg") || extension == QLatin1String("opus"))
        return ToRow(ReadOggTag(fileName));
    if (extension == QLatin1String("flac"))
        return ToRow(ReadFlacTag(fileName));
    if (extension == QLatin1String("mp3"))
        return ToRow(ReadID3v2Tag(fileName));
    if (ReadByFfmpeg(extension))
        return ReadMediaTags(fileName);
    return {};
}

void WriteRowTags(const QString& outputFileName, const RowTag& tag) {
    WriteOutputTags(outputFileName, tag, {});
}

void WriteOutputTags(const QString& outputFileName, const RowTag& tag, const TagExtras& extras) {
    const QString extension = Extension(outputFileName);
    bool written = true;
    if (extension == QLatin1String("ogg") || extension == QLatin1String("opus"))
        written = WriteOggTag(outputFileName, FromRow<OGGTag>(tag), extras);
    else if (extension == QLatin1String("flac"))
        WriteFlacTag(outputFileName, FromRow<OGGTag>(tag), extras);
    else if (extension == QLatin1String("mp3"))
        written = WriteID3v2Tag(outputFileName, FromRow<ID3StructV2>(tag), extras);
    else if (extension == QLatin1String("wma"))
        written = WriteWmaTag(outputFileName, FromRow<WmaTag>(tag), extras);
    if (!written)
        throw TagError(
            QStringLiteral("Cannot write the tags of %1.").arg(FinalPathOfPart(outputFileName)));
}
