#include "components/output/writerfactory.h"
#include "settings/encodersettings.h"
#include "tags/flactag.h"
#include "tags/tagdispatch.h"
#include "tags/tagerror.h"
#include "tags/tagfixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using namespace MediaTools;

// Every comment, and every picture with its bytes' MD5, as mutagen reads them.
const char* const ReadBack = R"(
import json, base64, hashlib, mutagen
from mutagen.flac import Picture
f = mutagen.File(sys.argv[1])
tags = {k.upper(): v for k, v in f.tags}
pictures = list(getattr(f, 'pictures', []))
pictures += [Picture(base64.b64decode(v)) for k, v in f.tags if k.upper() == 'METADATA_BLOCK_PICTURE']
tags.pop('METADATA_BLOCK_PICTURE', None)
print(json.dumps({'tags': tags, 'pictures': [
    {'type': p.type, 'mime': p.mime, 'width': p.width, 'height': p.height, 'depth': p.depth,
     'md5': hashlib.md5(p.data).hexdigest()} for p in pictures]}))
)";

class VorbisCommentsTest : public TagFileTest {
protected:
    QString ourFile(OutputFormat format, const QString& name) {
        std::unique_ptr<AudioWriter> writer = makeWriter(format, EncoderSettings());
        writer->setInputFormat(44100, 2);
        writer->create(path(name));
        writer->write(QByteArray(44100 * 4, '\x11'));
        writer->close();
        return path(name);
    }
    CoverArt picture(const char* name, const char* mime) {
        const QString file = path(QLatin1String(name));
        EXPECT_EQ(MediaTools::run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                                             "color=c=red:s=16x12", "-frames:v", "1", file})
                      .exitCode,
                  0);
        return {readAll(file), QLatin1String(mime)};
    }
};

// Non-Latin text, 300 characters, loudness and a cover, through each format's
// own comment flavour, read back by mutagen, by the format's own tool and by us.
TEST_F(VorbisCommentsTest, OggOpusAndFlacCarryTagsLoudnessAndCoverToOutsideReaders) {
    const RowTag row{QStringLiteral("Título ") + QString(293, QChar(0x65e5)),
                     QStringLiteral("Артист"), QStringLiteral("Ælbum 𝄞"), "1999"};
    TagExtras extras{{}, {-6.52, 0.988831, -7.25, 1.0}};
    const QString files[] = {makeMedia(path("a.ogg"), "ogg"), ourFile(FormatOpus, "a.opus"),
                             ourFile(FormatFlac, "a.flac")};
    const CoverArt covers[] = {picture("c.png", "image/png"), picture("c.jpg", "image/jpeg")};
    for (const QString& file : files)
        for (const CoverArt& cover : covers) {
            SCOPED_TRACE((file + " " + cover.mimeType).toStdString());
            extras.cover = cover;
            const QByteArray pcm = decode(file);
            writeOutputTags(file, row, extras);
            EXPECT_EQ(decode(file), pcm);
            EXPECT_EQ(readRowTags(file), (RowTag{row.title, row.artist, row.album}));

            const QJsonObject back = QJsonDocument::fromJson(mutagen(ReadBack, file).out).object();
            const QJsonObject tags = back["tags"].toObject();
            EXPECT_EQ(row.title.size(), 300);
            EXPECT_EQ(tags["TITLE"].toString(), row.title);
            EXPECT_EQ(tags["ALBUM"].toString(), row.album);
            EXPECT_EQ(tags["DATE"].toString(), "1999");
            const bool opus = file.endsWith(".opus");
            // Opus: Q7.8 dB relative to -23 LUFS, 5 dB under ReplayGain's -18.
            EXPECT_EQ(tags["R128_TRACK_GAIN"].toString(), opus ? "-2949" : "");
            EXPECT_EQ(tags["R128_ALBUM_GAIN"].toString(), opus ? "-3136" : "");
            EXPECT_EQ(tags["REPLAYGAIN_TRACK_GAIN"].toString(), opus ? "" : "-6.52 dB");
            EXPECT_EQ(tags["REPLAYGAIN_TRACK_PEAK"].toString(), opus ? "" : "0.988831");
            EXPECT_EQ(tags["REPLAYGAIN_ALBUM_GAIN"].toString(), opus ? "" : "-7.25 dB");
            EXPECT_EQ(tags["REPLAYGAIN_ALBUM_PEAK"].toString(), opus ? "" : "1.000000");
            const QJsonArray pictures = back["pictures"].toArray();
            ASSERT_EQ(pictures.size(), 1); // the new cover replaced the old
            const QJsonObject p = pictures[0].toObject();
            EXPECT_EQ(p["type"].toInt(), 3);
            EXPECT_EQ(p["mime"].toString(), cover.mimeType);
            EXPECT_EQ(p["width"].toInt(), 16);
            EXPECT_EQ(p["height"].toInt(), 12);
            EXPECT_EQ(p["depth"].toInt(), 24);
            EXPECT_EQ(p["md5"].toString(),
                      QCryptographicHash::hash(cover.data, QCryptographicHash::Md5).toHex());
        }
    const Result flac = MediaTools::run("metaflac", {"--list", files[2]});
    EXPECT_TRUE(flac.out.contains("type: 3 (Cover (front))")) << flac.out.toStdString();
    EXPECT_TRUE(flac.out.contains("REPLAYGAIN_TRACK_GAIN=-6.52 dB"));
    const Result opus = MediaTools::run("opusinfo", {files[1]});
    EXPECT_EQ(opus.exitCode, 0) << opus.out.toStdString();
    EXPECT_TRUE(opus.out.contains(("Title=" + row.title).toUtf8())) << opus.out.toStdString();
}

// Blocks that outgrow the padding move the sound into a replacement; what is
// not FLAC is refused untouched.
TEST_F(VorbisCommentsTest, FlacBlocksThatOutgrowThePaddingRewriteTheFileWhole) {
    const QString file = ourFile(FormatFlac, "b.flac");
    const QByteArray pcm = decode(file);
    const qint64 before = QFile(file).size();
    writeOutputTags(file, {"t", "a", "b"}, {{QByteArray(20000, 'j'), "image/jpeg"}, {}});
    EXPECT_GT(QFile(file).size(), before + 20000);
    EXPECT_EQ(decode(file), pcm);
    EXPECT_EQ(MediaTools::run("flac", {"-t", "-s", file}).exitCode, 0);
    // Without a cover the picture stays; shorter comments go back into the padding.
    const qint64 grown = QFile(file).size();
    writeOutputTags(file, {"t2", "", ""}, {});
    EXPECT_EQ(QFile(file).size(), grown);
    EXPECT_TRUE(MediaTools::run("metaflac", {"--list", file}).out.contains("type: 6 (PICTURE)"));
    EXPECT_EQ(readFlacTag(file).title, "t2");

    const QByteArray wav = readAll(makeMedia(path("c.flac"), "wav"));
    EXPECT_THROW(writeOutputTags(path("c.flac"), {"t", "", ""}, {}), TagError);
    EXPECT_EQ(readAll(path("c.flac")), wav);
}

} // namespace

// A ripped track's ISRC, the release's barcode and the track's number on the
// disc (0 for a hidden track), as taggers and players name them in each format.
TEST_F(VorbisCommentsTest, DiscValuesReachOutsideReadersInEveryFormat) {
    TagExtras extras;
    extras.isrc = QStringLiteral("GBAYE6700149");
    extras.barcode = QStringLiteral("0724384960650");
    extras.trackNumber = 0;
    const struct {
        QString file;
        const char* keys; // ISRC, barcode and track number as mutagen lists them
    } cases[] = {
        {makeMedia(path("a.mp3"), "mp3"), "TSRC TXXX:BARCODE TRCK"},
        {makeMedia(path("a.ogg"), "ogg"), "isrc barcode tracknumber"},
        {ourFile(FormatFlac, "a.flac"), "isrc barcode tracknumber"},
        {makeMedia(path("a.wma"), "wma"), "WM/ISRC WM/Barcode WM/TrackNumber"},
    };
    for (const auto& c : cases) {
        writeOutputTags(c.file, {"t", "a", "b"}, extras);
        const Result read = mutagen(
            QStringLiteral(
                "import mutagen\nf = mutagen.File(sys.argv[1])\n"
                "print(' '.join(str(f.tags[k][0] if isinstance(f.tags[k], list) else f.tags[k]) "
                "for k in '%1'.split()))")
                .arg(c.keys),
            c.file);
        EXPECT_EQ(read.out.trimmed(), "GBAYE6700149 0724384960650 0")
            << c.file.toStdString() << read.err.toStdString();
        const QMap<QString, QString> probed = ffprobeTags(c.file);
        EXPECT_EQ(probed.value("isrc", probed.value("tsrc", probed.value("wm/isrc"))),
                  "GBAYE6700149")
            << c.file.toStdString();
    }
}
