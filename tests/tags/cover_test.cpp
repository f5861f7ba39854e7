#include "tags/coverart.h"
#include "tags/coverpicture.h"
#include "tags/id3v2tag.h"
#include "tags/tagfixture.h"
#include "tags/wmatag.h"

#include <cmath>
#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QFile>
#include <QtEndian>
#include <tuple>
#include <unistd.h>

using namespace MediaTools;

namespace {

// Runs ffmpeg after a lavfi input (a picture source, or a tone and a picture to attach).
void ffmpeg(const QString& source, const QStringList& arguments) {
    const Result made =
        run("ffmpeg",
            QStringList{"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i", source} + arguments);
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
}
QString attached(const QString& file, const QString& picture, const QStringList& format) {
    ffmpeg("sine=duration=1", QStringList{"-i", picture, "-map", "0", "-map", "1", "-c:v", "copy",
                                          "-disposition:v", "attached_pic"} +
                                  format + QStringList{file});
    return file;
}

QString sha(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// The picture type ffprobe reads; its bytes are what readCoverPicture gets from FFmpeg.
QString ffprobePictureType(const QString& file) {
    return run("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries",
                           "stream_tags=comment", "-of", "csv=p=0", file})
        .out.trimmed();
}

// Both print "count|mime|type|description|sha256", or "0", then the REPLAYGAIN_* values.
const char* kMutagenMp3 =
    "import hashlib\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\np = t.getall('APIC')\n"
    "print(len(p), *[x for a in p for x in (a.mime, int(a.type), repr(a.desc), "
    "hashlib.sha256(a.data).hexdigest())], sep='|')\n"
    "print(*sorted(k[5:] + '=' + str(v) for k, v in t.items() if k.startswith('TXXX')), sep='|')";
const char* kMutagenWma =
    "import hashlib, struct\nfrom mutagen.asf import ASF\nf = ASF(sys.argv[1])\n"
    "p = f.get('WM/Picture', [])\nprint(0) if not p else None\nfor a in p:\n"
    "    v = a.value; n = struct.unpack('<I', v[1:5])[0]; t = v[5:-n].decode('utf-16-le')\n"
    "    print(len(p), t.split('\\0')[0], v[0], repr(t.split('\\0')[1]),\n"
    "          hashlib.sha256(v[-n:]).hexdigest(), sep='|')\n"
    "print(*sorted(k + '=' + str(v[0]) for k, v in f.items() if k.startswith('REPLAY')), "
    "sep='|')";

} // namespace

// A cover is decoded before it is used: one that does not decode, or is
// larger than 8000 pixels on a side, is refused before its pixels are
// allocated, whatever its first bytes say.
TEST_F(TagFileTest, KnowsJpegAndPngByTheirBytesAndSaysWhyOthersAreRefused) {
    ffmpeg("testsrc=size=40x30", {"-frames:v", "1", path("c.jpeg"), "-frames:v", "1", path("c.png"),
                                  "-frames:v", "1", "-s", "8001x2", path("wide.png")});
    const QByteArray jpeg = readAll(path("c.jpeg")), png = readAll(path("c.png"));
    // A PNG that declares 65535 x 65535 pixels; a "JPEG" that is a script.
    QByteArray huge = png;
    huge.replace(16, 8, QByteArray("\0\0\xFF\xFF\0\0\xFF\xFF", 8));
    const QByteArray script = QByteArray("\xFF\xD8\xFF\xE0", 4) + "\n#!/bin/sh\nrm -rf ~\n";
    const QString notPicture = "the cover is not a JPEG or PNG picture";
    // The bytes, the type found, why they are refused.
    const std::tuple<QByteArray, QString, QString> cases[] = {
        {jpeg, "image/jpeg", {}},
        {png, "image/png", {}},
        {jpeg + QByteArray(CoverCheck::MaxBytes - jpeg.size(), '\xD9'), "image/jpeg", {}},
        {jpeg + QByteArray(CoverCheck::MaxBytes - jpeg.size() + 1, '\xD9'),
         {},
         "the cover is larger than 2 MB"},
        {huge, {}, "the cover is 65535x65535 pixels, larger than 8000x8000"},
        {readAll(path("wide.png")), {}, "the cover is 8001x2 pixels, larger than 8000x8000"},
        {script, {}, "the cover does not decode as a JPEG picture"},
        {png.left(png.size() / 2), {}, "the cover does not decode as a PNG picture"},
        {QByteArray(64, '\xFF'), {}, notPicture},
        {png.left(12) + "IDAT", {}, notPicture},
        {"GIF89a\x01\x00", {}, notPicture},
        {{}, {}, "the cover is empty"},
    };
    for (const auto& [data, mimeType, why] : cases) {
        QString reason = "unset";
        const CoverArt cover = CoverCheck::checked(data, &reason);
        EXPECT_EQ(cover.mimeType, mimeType) << data.left(8).toHex().constData();
        EXPECT_EQ(cover.data, mimeType.isEmpty() ? QByteArray() : data);
        EXPECT_TRUE(reason.startsWith(why)) << reason.toStdString();
        EXPECT_EQ(reason.isEmpty(), why.isEmpty());
    }
}

TEST_F(TagFileTest, CoversAndGainsGoIntoMp3AndWmaAndCoversComeBackFromEveryFormat) {
    ffmpeg("testsrc=size=64x48", {"-frames:v", "1", path("c.jpeg"), "-frames:v", "1", "-vf",
                                  "negate", path("c.png"), "-frames:v", "1", path("c.gif")});
    // Noise does not compress: a PNG well over the 64 KB of a WMA attribute.
    ffmpeg("testsrc=size=520x520",
           {"-vf", "geq=random(1)*255:128", "-frames:v", "1", path("big.png")});
    const QByteArray jpeg = readAll(path("c.jpeg")), big = readAll(path("big.png")),
                     gif = readAll(path("c.gif"));
    ASSERT_GT(big.size(), 300 << 10);
    const ReplayGainValues gains{-6.5249, 0.98883149, 3.1, std::nan("")};
    const QString gainFields = "REPLAYGAIN_ALBUM_GAIN=3.10 dB|REPLAYGAIN_TRACK_GAIN=-6.52 dB|"
                               "REPLAYGAIN_TRACK_PEAK=0.988831";
    // The kind of file, the picture, the type the caller claims, the type embedded (none).
    const std::tuple<QString, QByteArray, QString, QString> cases[] = {
        {"mp3", jpeg, "image/png", "image/jpeg"},
        {"mp3", big, "", "image/png"},
        {"mp3", gif, "image/gif", ""},
        {"wma", jpeg, "", "image/jpeg"},
        {"wma", big, "image/png", "image/png"},
        {"wma", gif, "image/gif", ""}};
    int n = 0;
    for (const auto& [kind, picture, claimedType, mimeType] : cases) {
        SCOPED_TRACE((kind + " " + mimeType).toStdString());
        const QString file = makeMedia(path(QString("%1.%2").arg(n++).arg(kind)), kind);
        const QByteArray pcm = decode(file);
        const TagExtras extras{{picture, claimedType}, gains};
        ASSERT_TRUE(kind == "mp3" ? writeID3v2Tag(file, sampleTag<ID3StructV2>(), extras)
                                  : writeWmaTag(file, sampleTag<WmaTag>(), extras));
        EXPECT_EQ(decode(file), pcm);
        const QStringList lines =
            QString(mutagen(kind == "mp3" ? kMutagenMp3 : kMutagenWma, file).out).split('\n');
        EXPECT_EQ(lines.value(0),
                  mimeType.isEmpty() ? "0" : "1|" + mimeType + "|3|''|" + sha(picture));
        EXPECT_EQ(lines.value(1), gainFields);
        EXPECT_EQ(ffprobeTags(file).value("replaygain_track_gain"), "-6.52 dB");
        EXPECT_EQ(readCoverPicture(file), CoverCheck::checked(picture));
        // FFmpeg reads WM/Picture only where it fits in 64 KB, not from the Metadata Library.
        if (kind == "mp3" || picture.size() <= 0xFFFF) {
            EXPECT_EQ(ffprobePictureType(file), mimeType.isEmpty() ? "" : "Cover (front)");
        }
    }
    // A later write replaces the big cover, which sat apart from the other attributes.
    ASSERT_TRUE(writeWmaTag(path("4.wma"), {}, {{jpeg, {}}, {}}));
    EXPECT_TRUE(mutagen(kMutagenWma, path("4.wma"))
                    .out.startsWith("1|image/jpeg|3|''|" + sha(jpeg).toLatin1()));
    // A damaged header extension is kept as it is: small values are still written, a big cover not.
    QByteArray damaged = readAll(path("3.wma"));
    const int extension = damaged.indexOf(QByteArray::fromHex("b503bf5f2ea9cf118ee300c00c205365"));
    qToLittleEndian<quint32>(0xFFFFFF, damaged.data() + extension + 24 + 18);
    writeAll(path("3.wma"), damaged);
    EXPECT_TRUE(writeWmaTag(path("3.wma"), sampleTag<WmaTag>(), {{jpeg, {}}, gains}));
    EXPECT_FALSE(writeWmaTag(path("3.wma"), {}, {{big, {}}, {}}));
    // Source files: the pictures FFmpeg and mutagen put in.
    EXPECT_EQ(readCoverPicture(attached(path("a.flac"), path("c.jpeg"), {})).data, jpeg);
    EXPECT_EQ(readCoverPicture(attached(path("a.m4a"), path("c.jpeg"), {"-f", "ipod"})).data, jpeg);
    // A picture of another type comes first; the front cover is the one taken.
    const QString ogg = makeMedia(path("a.ogg"), "ogg");
    mutagen("import base64\nfrom mutagen.flac import Picture\nfrom mutagen.oggvorbis import "
            "OggVorbis\nf = OggVorbis(sys.argv[1])\ndef pic(name, kind):\n"
            "    p = Picture(); p.type = kind; p.mime = 'image/' + name\n"
            "    p.data = open(sys.argv[1][:-5] + 'c.' + name, 'rb').read()\n"
            "    return base64.b64encode(p.write()).decode()\n"
            "f['METADATA_BLOCK_PICTURE'] = [pic('jpeg', 4), pic('png', 3)]\nf.save()",
            ogg);
    EXPECT_EQ(readCoverPicture(ogg), (CoverArt{readAll(path("c.png")), "image/png"}));
    QString refusal;
    EXPECT_TRUE(readCoverPicture(attached(path("g.mp3"), path("c.gif"), {}), &refusal).isEmpty());
    EXPECT_EQ(refusal, "the cover is not a JPEG or PNG picture");
    // Damaged and missing files, and one without a picture (the GIF was left out), give nothing;
    // FFmpeg says nothing on stderr.
    const QByteArray tagged = readAll(path("g.mp3"));
    writeAll(path("cut.mp3"), tagged.left(tagged.indexOf("GIF89a") + 40));
    writeAll(path("empty.flac"), {});
    const int saved = ::dup(2);
    ASSERT_TRUE(std::freopen(QFile::encodeName(path("stderr")).constData(), "w", stderr));
    for (const QString bad : {"cut.mp3", "empty.flac", "missing.wma", "2.mp3"}) {
        refusal = "unset";
        EXPECT_EQ(readCoverPicture(path(bad), &refusal), CoverArt()) << bad.toStdString();
        EXPECT_EQ(refusal, QString()) << bad.toStdString();
    }
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    EXPECT_EQ(readAll(path("stderr")), QByteArray());
}
