#include "tags/tagdispatch.h"

#include "components/ffmpeg/mediatags.h"
#include "platform/partfilename.h"
#include "tags/flactag.h"
#include "tags/id3v2tag.h"
#include "tags/oggtag.h"
#include "tags/tagerror.h"
#include "tags/wmatag.h"

#include <QFileInfo>
#include <type_traits>

namespace {

// A file still being written is tagged by the name it will get.
QString extensionOf(const QString& fileName) {
    return QFileInfo(finalNameOfPart(QFileInfo(fileName).fileName())).suffix().toLower();
}

// A format's tag holding the row's values and nothing else.
template <typename Tag> Tag fromRow(const RowTag& row, const TagExtras& extras = {}) {
    Tag tag;
    tag.title = row.title;
    tag.artist = row.artist;
    tag.album = row.album;
    tag.year = row.year;
    if (extras.trackNumber >= 0) {
        if constexpr (std::is_same_v<Tag, WmaTag>)
            tag.track = quint16(qMin(extras.trackNumber, 0xffff));
        else
            tag.track = QString::number(extras.trackNumber);
    }
    return tag;
}

template <typename Tag> RowTag toRow(const Tag& tag) {
    return {tag.title, tag.artist, tag.album};
}

// Kinds whose tags only FFmpeg reads here.
bool readByFfmpeg(const QString& extension) {
    static const char* const kinds[] = {"oga", "m4a", "aac",  "mp4", "aiff", "aif", "ape",
                                        "wv",  "mka", "webm", "mp2", "ac3",  "dts", "caf"};
    for (const char* kind : kinds)
        if (extension == QLatin1String(kind))
            return true;
    return false;
}

} // namespace

RowTag readRowTags(const QString& fileName) {
    const QString extension = extensionOf(fileName);
    if (extension == QLatin1String("wma"))
        return toRow(readWmaTag(fileName));
    if (extension == QLatin1String("ogg") || extension == QLatin1String("opus"))
        return toRow(readOggTag(fileName));
    if (extension == QLatin1String("flac"))
        return toRow(readFlacTag(fileName));
    if (extension == QLatin1String("mp3"))
        return toRow(readID3v2Tag(fileName));
    if (readByFfmpeg(extension))
        return readMediaTags(fileName);
    return {};
}

void writeRowTags(const QString& outputFileName, const RowTag& tag) {
    writeOutputTags(outputFileName, tag, {});
}

void writeOutputTags(const QString& outputFileName, const RowTag& tag, const TagExtras& extras) {
    const QString extension = extensionOf(outputFileName);
    bool written = true;
    if (extension == QLatin1String("ogg") || extension == QLatin1String("opus"))
        written = writeOggTag(outputFileName, fromRow<OGGTag>(tag, extras), extras);
    else if (extension == QLatin1String("flac"))
        writeFlacTag(outputFileName, fromRow<OGGTag>(tag, extras), extras);
    else if (extension == QLatin1String("mp3"))
        written = writeID3v2Tag(outputFileName, fromRow<ID3StructV2>(tag, extras), extras);
    else if (extension == QLatin1String("wma"))
        written = writeWmaTag(outputFileName, fromRow<WmaTag>(tag, extras), extras);
    if (!written)
        throw TagError(
            QStringLiteral("Cannot write the tags of %1.").arg(finalPathOfPart(outputFileName)));
}
