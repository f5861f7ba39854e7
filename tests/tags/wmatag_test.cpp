#include "mediatools.h"
#include "tags/wmatag.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

using namespace MediaTools;

namespace {

using WmaTagTest = TagFileTest;

WmaTag AllSeven() {
    auto tag = SampleTag<WmaTag>();
    tag.Track = 7;
    return tag;
}

WmaTag ReadValid(const QString& file) {
    WmaTag tag = ReadWmaTag(file);
    EXPECT_EQ(tag.Valid, -1) << file.toStdString();
    tag.Valid = 0;
    return tag;
}

const char* kMutagenFields =
    "from mutagen.asf import ASF\n"
    "f = ASF(sys.argv[1])\n"
    "print(*[f[k][0].value for k in ('Title', 'Author', 'WM/AlbumTitle', 'WM/Year',"
    " 'WM/TrackNumber', 'Description', 'WM/Genre')], sep='|')";

// Where the File Properties object keeps the file's size: 24 bytes of object
// header and 16 of file ID after the object's GUID.
int FileSizeOffset(const QByteArray& file) {
    const QByteArray guid("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
    const int at = int(file.indexOf(guid));
    return at < 0 ? -1 : at + 24 + 16;
}

quint64 StoredFileSize(const QByteArray& file) {
    const int at = FileSizeOffset(file);
    return at < 0 ? 0 : qFromLittleEndian<quint64>(file.constData() + at);
}

} // namespace

TEST_F(WmaTagTest, RoundTripKeepsTheSoundAndOutsideReadersAgree) {
    const QString file = MakeMedia(path("a.wma"), "wma", {"-metadata", "title=old"});
    const QByteArray pcm = DecodedPcm(file);
    ASSERT_TRUE(WriteWmaTag(file, AllSeven()));
    EXPECT_EQ(ReadValid(file), AllSeven());
    EXPECT_EQ(DecodedPcm(file), pcm);

    EXPECT_EQ(QString::fromUtf8(Mutagen(kMutagenFields, file).out).trimmed(), SampleFields());
    EXPECT_EQ(TagLibFields(file), SampleFields());
    const auto probe = FfprobeTags(file);
    EXPECT_EQ(probe.value("title"), QStringLiteral("Título"));
    EXPECT_EQ(probe.value("artist"), QStringLiteral("Артист"));
    EXPECT_EQ(probe.value("album"), QStringLiteral("Album 日本"));
    EXPECT_EQ(probe.value("genre"), QStringLiteral("Rock"));
}

TEST_F(WmaTagTest, EmptyRecordSetsEmptyTextsAndTrackZero) {
    const QString file = MakeMedia(path("b.wma"), "wma", {"-metadata", "album=old"});
    ASSERT_TRUE(WriteWmaTag(file, {}));
    EXPECT_EQ(QString::fromUtf8(Mutagen(kMutagenFields, file).out).trimmed(),
              QStringLiteral("||||0||"));
    EXPECT_EQ(ReadValid(file), WmaTag());
}

TEST_F(WmaTagTest, ReadsAttributesThatOthersWrite) {
    const QString file = MakeMedia(path("c.wma"), "wma");
    Mutagen("from mutagen.asf import ASF, ASFDWordAttribute\n"
            "f = ASF(sys.argv[1])\n"
            "f['Title'] = 'Mütagen'; f['Author'] = 'A'; f['WM/AlbumTitle'] = 'B'\n"
            "f['WM/Year'] = '2010'; f['Description'] = 'C'; f['WM/Genre'] = 'Pop'\n"
            "f['WM/Track'] = [ASFDWordAttribute(5)]\n"
            "f.save()",
            file);
    WmaTag expected;
    expected.Title = QStringLiteral("Mütagen");
    expected.Artist = QStringLiteral("A");
    expected.Album = QStringLiteral("B");
    expected.Year = QStringLiteral("2010");
    expected.Comment = QStringLiteral("C");
    expected.Genre = QStringLiteral("Pop");
    expected.Track = 5; // from WM/Track, as WM/TrackNumber is missing
    EXPECT_EQ(ReadValid(file), expected);

    // ffmpeg stores the track number as a text.
    const QString other =
        MakeMedia(path("d.wma"), "wma", {"-metadata", "track=3", "-metadata", "artist=F"});
    EXPECT_EQ(ReadValid(other).Track, 3);
    EXPECT_EQ(ReadValid(other).Artist, QStringLiteral("F"));
}

TEST_F(WmaTagTest, LongValuesAreCutToTheirFieldsOnCharacterBoundaries) {
    const QString file = MakeMedia(path("e.wma"), "wma");
    WmaTag tag;
    tag.Title = QString(200, QChar(0xE9));
    tag.Genre = QString(40, 'g');
    tag.Comment = QString(300, 'c');
    ASSERT_TRUE(WriteWmaTag(file, tag));
    const WmaTag back = ReadValid(file);
    EXPECT_EQ(back.Title, QString(63, QChar(0xE9)));
    EXPECT_EQ(back.Genre, QString(31, 'g'));
    EXPECT_EQ(back.Comment, QString(254, 'c'));
}

TEST_F(WmaTagTest, DamagedFilesReadAsEmptyAndAreNotRewritten) {
    const QByteArray good = ReadAll(MakeMedia(path("good.wma"), "wma", {"-metadata", "title=x"}));
    auto withSize = [&](int offset, quint64 size) {
        QByteArray bytes = good;
        qToLittleEndian(size, bytes.data() + offset);
        return bytes;
    };
    const QList<QByteArray> damaged{
        withSize(30 + 16, 0),                     // first object of size 0
        withSize(30 + 16, 0xFFFFFFFFFFFFFFFFull), // first object past the header's end
        withSize(16, quint64(good.size()) + 100), // header past the file's end
        good.left(200),                           // cut inside the header
        ReadAll(MakeMedia(path("m.wma"), "mp3")), // not ASF
    };
    const QString file = path("bad.wma");
    for (int i = 0; i < damaged.size(); ++i) {
        WriteAll(file, damaged[i]);
        EXPECT_EQ(ReadWmaTag(file), WmaTag()) << "case " << i;
        EXPECT_FALSE(WriteWmaTag(file, AllSeven())) << "case " << i;
        EXPECT_EQ(ReadAll(file), damaged[i]) << "case " << i;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(ReadWmaTag(path("missing.wma")), WmaTag());
}

TEST_F(WmaTagTest, FilePropertiesGiveTheRewrittenFilesSize) {
    const QString file = MakeMedia(path("size.wma"), "wma");
    ASSERT_EQ(StoredFileSize(ReadAll(file)), quint64(ReadAll(file).size()));
    // A header that grows, then one that shrinks again.
    WmaTag big = AllSeven();
    big.Comment = QString(200, 'c');
    for (const WmaTag& tag : {big, WmaTag()}) {
        const qint64 before = ReadAll(file).size();
        ASSERT_TRUE(WriteWmaTag(file, tag));
        const QByteArray after = ReadAll(file);
        EXPECT_NE(after.size(), before);
        EXPECT_EQ(StoredFileSize(after), quint64(after.size()));
    }

    // A size the file did not have (as in a broadcast stream) is kept.
    QByteArray unknown = ReadAll(file);
    qToLittleEndian(quint64(0), unknown.data() + FileSizeOffset(unknown));
    WriteAll(file, unknown);
    ASSERT_TRUE(WriteWmaTag(file, AllSeven()));
    EXPECT_EQ(StoredFileSize(ReadAll(file)), 0u);
}

TEST_F(WmaTagTest, ReadOnlyFileIsTaggedAndStaysReadOnly) {
    const QString file = MakeMedia(path("ro.wma"), "wma");
    SetMode(file, 0444);
    ASSERT_TRUE(WriteWmaTag(file, AllSeven()));
    EXPECT_EQ(ReadValid(file), AllSeven());
    EXPECT_EQ(Mode(file), 0444u);
}
