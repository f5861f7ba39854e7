#include "tags/tagfixture.h"
#include "tags/wmatag.h"

#include <gtest/gtest.h>
#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>

using namespace MediaTools;

namespace {

using WmaTagTest = TagFileTest;

WmaTag allSeven() {
    auto tag = sampleTag<WmaTag>();
    tag.track = 7;
    return tag;
}

WmaTag readValid(const QString& file) {
    WmaTag tag = readWmaTag(file);
    EXPECT_TRUE(tag.valid) << file.toStdString();
    tag.valid = false;
    return tag;
}

const char* kMutagenFields =
    "from mutagen.asf import ASF\n"
    "f = ASF(sys.argv[1])\n"
    "print(*[f[k][0].value for k in ('Title', 'Author', 'WM/AlbumTitle', 'WM/Year',"
    " 'WM/TrackNumber', 'Description', 'WM/Genre')], sep='|')";

// Where the File Properties object keeps the file's size: 24 bytes of object
// header and 16 of file ID after the object's GUID.
int fileSizeOffset(const QByteArray& file) {
    const QByteArray guid("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
    const int at = int(file.indexOf(guid));
    return at < 0 ? -1 : at + 24 + 16;
}

quint64 storedFileSize(const QByteArray& file) {
    const int at = fileSizeOffset(file);
    return at < 0 ? 0 : qFromLittleEndian<quint64>(file.constData() + at);
}

} // namespace

TEST_F(WmaTagTest, RoundTripKeepsTheSoundAndOutsideReadersAgree) {
    const QString file = makeMedia(path("a.wma"), "wma", {"-metadata", "title=old"});
    const QByteArray pcm = decode(file);
    ASSERT_TRUE(writeWmaTag(file, allSeven()));
    EXPECT_EQ(readValid(file), allSeven());
    EXPECT_EQ(decode(file), pcm);

    EXPECT_EQ(QString::fromUtf8(mutagen(kMutagenFields, file).out).trimmed(), sampleFields());
    EXPECT_EQ(tagLibFields(file), sampleFields());
    const auto probe = ffprobeTags(file);
    EXPECT_EQ(probe.value("title"), QStringLiteral("Título"));
    EXPECT_EQ(probe.value("artist"), QStringLiteral("Артист"));
    EXPECT_EQ(probe.value("album"), QStringLiteral("Album 日本"));
    EXPECT_EQ(probe.value("genre"), QStringLiteral("Rock"));
}

TEST_F(WmaTagTest, EmptyRecordSetsEmptyTextsAndTrackZero) {
    const QString file = makeMedia(path("b.wma"), "wma", {"-metadata", "album=old"});
    ASSERT_TRUE(writeWmaTag(file, {}));
    EXPECT_EQ(QString::fromUtf8(mutagen(kMutagenFields, file).out).trimmed(),
              QStringLiteral("||||0||"));
    EXPECT_EQ(readValid(file), WmaTag());
}

TEST_F(WmaTagTest, ReadsAttributesThatOthersWrite) {
    const QString file = makeMedia(path("c.wma"), "wma");
    mutagen("from mutagen.asf import ASF, ASFDWordAttribute\n"
            "f = ASF(sys.argv[1])\n"
            "f['Title'] = 'Mütagen'; f['Author'] = 'A'; f['WM/AlbumTitle'] = 'B'\n"
            "f['WM/Year'] = '2010'; f['Description'] = 'C'; f['WM/Genre'] = 'Pop'\n"
            "f['WM/Track'] = [ASFDWordAttribute(5)]\n"
            "f.save()",
            file);
    WmaTag expected;
    expected.title = QStringLiteral("Mütagen");
    expected.artist = QStringLiteral("A");
    expected.album = QStringLiteral("B");
    expected.year = QStringLiteral("2010");
    expected.comment = QStringLiteral("C");
    expected.genre = QStringLiteral("Pop");
    expected.track = 5; // from WM/Track, as WM/trackNumber is missing
    EXPECT_EQ(readValid(file), expected);

    // ffmpeg stores the track number as a text.
    const QString other =
        makeMedia(path("d.wma"), "wma", {"-metadata", "track=3", "-metadata", "artist=F"});
    EXPECT_EQ(readValid(other).track, 3);
    EXPECT_EQ(readValid(other).artist, QStringLiteral("F"));
}

TEST_F(WmaTagTest, LongValuesAreCutToTheirFieldsOnCharacterBoundaries) {
    const QString file = makeMedia(path("e.wma"), "wma");
    WmaTag tag;
    tag.title = QString(200, QChar(0xE9));
    tag.genre = QString(40, 'g');
    tag.comment = QString(300, 'c');
    ASSERT_TRUE(writeWmaTag(file, tag));
    const WmaTag back = readValid(file);
    EXPECT_EQ(back.title, QString(63, QChar(0xE9)));
    EXPECT_EQ(back.genre, QString(31, 'g'));
    EXPECT_EQ(back.comment, QString(254, 'c'));
}

TEST_F(WmaTagTest, DamagedFilesReadAsEmptyAndAreNotRewritten) {
    const QByteArray good = readAll(makeMedia(path("good.wma"), "wma", {"-metadata", "title=x"}));
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
        readAll(makeMedia(path("m.wma"), "mp3")), // not ASF
    };
    const QString file = path("bad.wma");
    for (int i = 0; i < damaged.size(); ++i) {
        writeAll(file, damaged[i]);
        EXPECT_EQ(readWmaTag(file), WmaTag()) << "case " << i;
        EXPECT_FALSE(writeWmaTag(file, allSeven())) << "case " << i;
        EXPECT_EQ(readAll(file), damaged[i]) << "case " << i;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
    EXPECT_EQ(readWmaTag(path("missing.wma")), WmaTag());
}

TEST_F(WmaTagTest, FilePropertiesGiveTheRewrittenFilesSize) {
    const QString file = makeMedia(path("size.wma"), "wma");
    ASSERT_EQ(storedFileSize(readAll(file)), quint64(readAll(file).size()));
    // A header that grows, then one that shrinks again.
    WmaTag big = allSeven();
    big.comment = QString(200, 'c');
    for (const WmaTag& tag : {big, WmaTag()}) {
        const qint64 before = readAll(file).size();
        ASSERT_TRUE(writeWmaTag(file, tag));
        const QByteArray after = readAll(file);
        EXPECT_NE(after.size(), before);
        EXPECT_EQ(storedFileSize(after), quint64(after.size()));
    }

    // A size the file did not have (as in a broadcast stream) is kept.
    QByteArray unknown = readAll(file);
    qToLittleEndian(quint64(0), unknown.data() + fileSizeOffset(unknown));
    writeAll(file, unknown);
    ASSERT_TRUE(writeWmaTag(file, allSeven()));
    EXPECT_EQ(storedFileSize(readAll(file)), 0u);
}

TEST_F(WmaTagTest, ReadOnlyFileIsTaggedAndStaysReadOnly) {
    const QString file = makeMedia(path("ro.wma"), "wma");
    setMode(file, 0444);
    ASSERT_TRUE(writeWmaTag(file, allSeven()));
    EXPECT_EQ(readValid(file), allSeven());
    EXPECT_EQ(Mode(file), 0444u);
}
