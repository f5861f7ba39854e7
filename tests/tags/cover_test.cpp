#include "components/ffmpeg/coverpicture.h"
#include "mediatools.h"
#include "tags/coverart.h"
#include "tags/id3v2tag.h"
#include "tags/wmatag.h"

#include <cmath>
#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QFile>
#include <unistd.h>

using namespace MediaTools;

void PrintTo(const QString& text, std::ostream* out) {
    *out << text.toStdString();
}
void PrintTo(const CoverArt& cover, std::ostream* out) {
    *out << cover.mimeType.toStdString() << " of " << cover.data.size() << " bytes";
}

namespace {

using CoverTest = TagFileTest;

// A picture made by ffmpeg from a lavfi source and filter.
QByteArray Picture(const QString& path, const QString& filter, const QString& size = "64x48") {
    const Result made =
        Run("ffmpeg", {"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i", "testsrc=size=" + size,
                       "-vf", filter, "-frames:v", "1", path});
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    return ReadAll(path);
}

// One second of a tone with the picture attached, as ffmpeg muxes it.
QString WithPicture(const QString& path, const QString& picture, const QStringList& format) {
    const Result made =
        Run("ffmpeg", QStringList{"-v", "error", "-nostdin", "-y", "-f", "lavfi", "-i",
                                  "sine=duration=1", "-i", picture, "-map", "0", "-map", "1",
                                  "-c:v", "copy", "-disposition:v", "attached_pic"} +
                          format + QStringList{path});
    EXPECT_EQ(made.exitCode, 0) << made.err.toStdString();
    return path;
}

QString Sha(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// What ffprobe sees of the attached picture: "comment|sha256 of the packet".
QString FfmpegPicture(const QString& file) {
    const Result probe = Run("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries",
                                         "stream_tags=comment", "-of", "csv=p=0", file});
    const Result bytes = Run(
        "ffmpeg", {"-v", "error", "-i", file, "-map", "0:v:0", "-c", "copy", "-f", "data", "-"});
    return probe.out.trimmed() + "|" + Sha(bytes.out);
}

const char* kMutagenMp3 =
    "import hashlib\nfrom mutagen.id3 import ID3\nt = ID3(sys.argv[1])\n"
    "p = t.getall('APIC')\n"
    "print(len(p), *[x for a in p for x in (a.mime, int(a.type), repr(a.desc), "
    "hashlib.sha256(a.data).hexdigest())], sep='|')\n"
    "print(*sorted(k[5:] + '=' + str(v) for k, v in t.items() if k.startswith('TXXX')), sep='|')";

const char* kMutagenWma =
    "import hashlib, struct\nfrom mutagen.asf import ASF\nf = ASF(sys.argv[1])\n"
    "def text(b, at):\n"
    "    end = next(i for i in range(at, len(b), 2) if b[i:i + 2] == b'\\0\\0')\n"
    "    return b[at:end].decode('utf-16-le'), end + 2\n"
    "p = f.get('WM/Picture', [])\n"
    "print(0) if not p else None\n"
    "for a in p:\n"
    "    v = a.value; mime, at = text(v, 5); desc, at = text(v, at)\n"
    "    assert struct.unpack('<I', v[1:5])[0] == len(v) - at\n"
    "    print(len(p), mime, v[0], repr(desc), hashlib.sha256(v[at:]).hexdigest(), sep='|')\n"
    "print(*sorted(k + '=' + str(v[0]) for k, v in f.items() if k.startswith('REPLAY')), "
    "sep='|')";

} // namespace

TEST(CoverCheckTest, KnowsJpegAndPngByTheirBytesAndSaysWhyOthersAreRefused) {
    const QByteArray jpeg("\xFF\xD8\xFF\xE0", 4);
    const QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
    const QString notPicture = "the cover is not a JPEG or PNG picture";
    const QString tooLarge = "the cover is larger than 2 MB";
    const struct {
        QByteArray data;
        QString mimeType;
        QString reason;
    } cases[] = {
        {jpeg, "image/jpeg", {}},
        {png, "image/png", {}},
        {jpeg + QByteArray(CoverCheck::MaxBytes - 4, '\xD9'), "image/jpeg", {}},
        {jpeg + QByteArray(CoverCheck::MaxBytes - 3, '\xD9'), {}, tooLarge},
        {QByteArray(3 << 20, '\xFF'), {}, tooLarge},
        {QByteArray(64, '\xFF'), {}, notPicture},
        {jpeg.left(2), {}, notPicture},
        {png.left(12) + "IDAT", {}, notPicture},
        {"GIF89a\x01\x00", {}, notPicture},
        {"<html>Service unavailable</html>", {}, notPicture},
        {QByteArray(100, '\0'), {}, notPicture},
        {{}, {}, "the cover is empty"},
    };
    for (const auto& c : cases) {
        QString reason = "unset";
        const CoverArt cover = CoverCheck::checked(c.data, &reason);
        EXPECT_EQ(cover.mimeType, c.mimeType) << c.data.left(8).toHex().constData();
        EXPECT_EQ(cover.data, c.mimeType.isEmpty() ? QByteArray() : c.data);
        EXPECT_EQ(reason, c.reason) << c.data.left(8).toHex().constData();
    }
}

TEST_F(CoverTest, Mp3AndWmaCarryTheCoverAndGainsAsOutsideReadersSeeThem) {
    const QByteArray jpeg = Picture(path("c.jpg"), "null");
    // Noise does not compress: a PNG well over the 64 KB of a WMA attribute.
    const QByteArray big = Picture(
        path("big.png"), "format=rgb24,geq=r='random(1)*255':g='random(2)*255':b='random(3)*255'",
        "460x460");
    ASSERT_GT(big.size(), 300 << 10);
    const QByteArray gif = Picture(path("c.gif"), "null");
    ReplayGainValues gains;
    gains.trackGain = -6.5249;
    gains.trackPeak = 0.98883149;
    gains.albumGain = 3.1;
    gains.albumPeak = std::nan("");
    const QString gainFields = "REPLAYGAIN_ALBUM_GAIN=3.10 dB|REPLAYGAIN_TRACK_GAIN=-6.52 dB|"
                               "REPLAYGAIN_TRACK_PEAK=0.988831";
    const struct {
        QString kind;
        QByteArray picture;
        QString claimedType; // what the caller said; the bytes decide
        QString mimeType;    // empty: not embedded
    } cases[] = {{"mp3", jpeg, "image/png", "image/jpeg"},
                 {"mp3", big, "", "image/png"},
                 {"mp3", gif, "image/gif", ""},
                 {"wma", jpeg, "image/jpeg", "image/jpeg"},
                 {"wma", big, "image/png", "image/png"},
                 {"wma", gif, "image/gif", ""}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE((c.kind + " " + c.mimeType).toStdString());
        const QString file = MakeMedia(path(QString("%1.%2").arg(n++).arg(c.kind)), c.kind);
        const QByteArray pcm = DecodedPcm(file);
        const TagExtras extras{{c.picture, c.claimedType}, gains};
        if (c.kind == "mp3")
            ASSERT_TRUE(WriteID3v2Tag(file, SampleTag<ID3StructV2>(), extras));
        else
            ASSERT_TRUE(WriteWmaTag(file, SampleTag<WmaTag>(), extras));
        EXPECT_EQ(DecodedPcm(file), pcm);
        EXPECT_EQ(TagLibFields(file), QString(SampleFields()).replace("|7|", "|0|"));

        const QStringList lines =
            QString::fromUtf8(Mutagen(c.kind == "mp3" ? kMutagenMp3 : kMutagenWma, file).out)
                .trimmed()
                .split('\n');
        const QString expected =
            c.mimeType.isEmpty()
                ? QString("0")
                : QStringList{"1", c.mimeType, "3", "''", Sha(c.picture)}.join('|');
        EXPECT_EQ(lines.first(), expected);
        EXPECT_EQ(lines.last(), gainFields);
        EXPECT_EQ(FfprobeTags(file).value("replaygain_track_gain"), "-6.52 dB");
        // FFmpeg reads WM/Picture only where it fits in 64 KB, not from the Metadata Library.
        if (c.kind == "wma" && c.picture.size() > 0xFFFF)
            continue;
        EXPECT_EQ(FfmpegPicture(file), c.mimeType.isEmpty() ? QString("|") + Sha({})
                                                            : "Cover (front)|" + Sha(c.picture));
        EXPECT_EQ(readCoverPicture(file), CoverCheck::checked(c.picture));
    }
    // A later write replaces the big cover, which sat apart from the other attributes.
    ASSERT_TRUE(WriteWmaTag(path("4.wma"), {}, {{jpeg, {}}, {}}));
    EXPECT_TRUE(Mutagen(kMutagenWma, path("4.wma"))
                    .out.startsWith("1|image/jpeg|3|''|" + Sha(jpeg).toLatin1()));
}

TEST_F(CoverTest, SourcePicturesAreFoundInEveryFormatAndDamageGivesNone) {
    const QByteArray jpeg = Picture(path("c.jpeg"), "null");
    const QByteArray png = Picture(path("c.png"), "negate");
    Picture(path("c.gif"), "null");
    const QString flac = WithPicture(path("a.flac"), path("c.jpeg"), {"-c:a", "flac"});
    const QString m4a = WithPicture(path("a.m4a"), path("c.jpeg"), {"-c:a", "aac", "-f", "ipod"});
    const QString ogg = MakeMedia(path("a.ogg"), "ogg");
    const QString mp3 = MakeMedia(path("a.mp3"), "mp3");
    MakeMedia(path("g.mp3"), "mp3");
    // A picture of another type comes first; the front cover is the one taken.
    Mutagen("import base64\nfrom mutagen.flac import Picture\nfrom mutagen.oggvorbis import "
            "OggVorbis\nfrom mutagen.id3 import ID3, APIC\nd = sys.argv[1] + '/'\n"
            "def pic(name, kind):\n"
            "    p = Picture(); p.type = kind; p.mime = 'image/' + name[2:]\n"
            "    p.data = open(d + name, 'rb').read(); return p\n"
            "f = OggVorbis(d + 'a.ogg')\n"
            "f['METADATA_BLOCK_PICTURE'] = [base64.b64encode(pic(n, k).write()).decode()\n"
            "    for n, k in (('c.jpeg', 4), ('c.png', 3))]\n"
            "f.save()\n"
            "for name, pics in (('a.mp3', (('c.jpeg', 4), ('c.png', 3))), ('g.mp3', (('c.gif', "
            "3),))):\n"
            "    t = ID3()\n"
            "    for n, k in pics:\n"
            "        p = pic(n, k); t.add(APIC(mime=p.mime, type=k, desc=n, data=p.data))\n"
            "    t.save(d + name)",
            dir.path());
    EXPECT_EQ(readCoverPicture(flac), (CoverArt{jpeg, "image/jpeg"}));
    EXPECT_EQ(readCoverPicture(m4a), (CoverArt{jpeg, "image/jpeg"}));
    EXPECT_EQ(readCoverPicture(ogg), (CoverArt{png, "image/png"}));
    EXPECT_EQ(readCoverPicture(mp3), (CoverArt{png, "image/png"}));

    // A picture that may not be embedded is named, not returned.
    QString refusal;
    EXPECT_TRUE(readCoverPicture(path("g.mp3"), &refusal).isEmpty());
    EXPECT_EQ(refusal, "the cover is not a JPEG or PNG picture");

    // Damaged and missing files give nothing and FFmpeg says nothing on stderr.
    const QByteArray tagged = ReadAll(mp3);
    WriteAll(path("cut.mp3"), tagged.left(tagged.indexOf("c.png") + 40));
    WriteAll(path("noise.mp3"),
             QByteArray("ID3\x03\0\0\x7F\x7F\x7F\x7F", 10) + QByteArray(5000, '\xFF'));
    WriteAll(path("empty.flac"), {});
    const QString log = path("stderr.txt");
    const int saved = ::dup(2);
    ASSERT_TRUE(std::freopen(QFile::encodeName(log).constData(), "w", stderr));
    for (const QString bad : {"cut.mp3", "noise.mp3", "empty.flac", "missing.wma"}) {
        refusal = "unset";
        EXPECT_TRUE(readCoverPicture(path(bad), &refusal).isEmpty()) << bad.toStdString();
        EXPECT_EQ(refusal, QString()) << bad.toStdString();
    }
    EXPECT_TRUE(readCoverPicture(MakeMedia(path("plain.mp3"), "mp3")).isEmpty());
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    EXPECT_EQ(ReadAll(log), QByteArray());
}
