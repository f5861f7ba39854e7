#include "mediatools.h"
#include "tags/id3v2tag.h"
#include "tags/tagerror.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/resource.h>

using namespace MediaTools;

namespace {

using ID3v2TagTest = TagFileTest;

ID3StructV2 AllSeven() {
    auto tag = SampleTag<ID3StructV2>();
    tag.Track = QStringLiteral("7");
    return tag;
}

QByteArray TextFrame(const char* id, const QByteArray& text) {
    QByteArray frame(id, 4);
    const int size = text.size() + 1;
    frame += QByteArray::fromHex(QByteArray::number(size, 16).rightJustified(8, '0'));
    frame += QByteArray("\0\0\0", 3) + text;
    return frame;
}

ID3StructV2 ReadBytes(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadID3v2TagFrom(buffer);
}

// An ID3v2 tag of the given version around raw frames.
QByteArray Tag(int major, const QByteArray& frames, char flags = 0) {
    QByteArray tag("ID3", 3);
    tag += char(major);
    tag += '\0';
    tag += flags;
    const int size = frames.size();
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += char((size >> shift) & 0x7F);
    return tag + frames;
}

// MPEG-1 layer III frame headers (128 kbps, 44.1 kHz) with silent bodies:
// what the writer takes for audio.
QByteArray FramesOfSilence(int count) {
    QByteArray frame("\xFF\xFB\x90\x64", 4);
    frame.append(413, '\0');
    return frame.repeated(count);
}

// Runs in a child process: tags a small MP3 file while no file may grow past
// 200 bytes, as on a full disk. Returns 0 when the write was refused and the
// file kept byte for byte; otherwise says on stderr what went wrong.
int TagUnderAFileSizeLimit() {
    QTemporaryDir dir;
    // Small enough that the whole rewrite would sit in a write buffer.
    const QString file = dir.filePath(QStringLiteral("small.mp3"));
    const QByteArray audio = FramesOfSilence(7);
    WriteAll(file, audio);
    const QString tiny = dir.filePath(QStringLiteral("tiny.mp3"));
    WriteAll(tiny, audio.left(20));

    const rlimit limit{200, 200};
    std::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 10;
    try {
        // An empty tag and 20 bytes of audio stay under the limit.
        if (!WriteID3v2Tag(tiny, {})) {
            std::fprintf(stderr, "a write under the limit was refused\n");
            return 1;
        }
        if (WriteID3v2Tag(file, AllSeven())) {
            std::fprintf(stderr, "the write was not refused\n");
            return 2;
        }
    } catch (const TagError&) {
        // as good as a refusal, as long as the file stays
    }
    if (ReadAll(file) != audio) {
        std::fprintf(stderr, "the file changed to %lld bytes\n", QFile(file).size());
        return 3;
    }
    if (QDir(dir.path()).entryList(QDir::Files).size() != 2) {
        std::fprintf(stderr, "a temporary file was left\n");
        return 4;
    }
    return 0;
}

} // namespace

TEST_F(ID3v2TagTest, TitleOnlyTagIsLaidOutByteForByte) {
    ID3StructV2 tag;
    tag.Title = QStringLiteral("abc");
    const QByteArray expected = QByteArray("ID3\x03\x00\x00\x00\x00\x00\x5E", 10) +
                                TextFrame("TIT2", "abc") + TextFrame("TPE1", "") +
                                TextFrame("TALB", "") + TextFrame("TRCK", "") +
                                TextFrame("TYER", "") + TextFrame("TCON", "") +
                                QByteArray("COMM\0\0\0\x05\0\0\0eng\0", 15) + QByteArray(10, '\0');
    EXPECT_EQ(expected.size(), 104);
    EXPECT_EQ(BuildID3v2Tag(tag).toHex(' '), expected.toHex(' '));
}

TEST_F(ID3v2TagTest, EmptyTagStillHasEveryFrame) {
    const QByteArray bytes = BuildID3v2Tag({});
    EXPECT_EQ(bytes.size(), 101);
    EXPECT_EQ(bytes.mid(6, 4), QByteArray("\0\0\0\x5B", 4));
}

TEST_F(ID3v2TagTest, ValuesAreCutToTheFrameAreaOnCharacterBoundaries) {
    ID3StructV2 tag;
    tag.Title = QString(255, 'x');
    tag.Artist = QString(300, 'y');
    // 130 characters outside the BMP: each is two UTF-16 units.
    for (int i = 0; i < 130; ++i)
        tag.Album += QString::fromUcs4(U"\U0001F3B5", 1);
    const QByteArray bytes = BuildID3v2Tag(tag);
    EXPECT_EQ(bytes.mid(14, 4), QByteArray("\0\0\x01\0", 4)); // 255 + 1
    const int artist = bytes.indexOf("TPE1");
    EXPECT_EQ(bytes.mid(artist + 4, 4), QByteArray("\0\0\x01\0", 4));
    const int album = bytes.indexOf("TALB");
    // Encoding 1, BOM, then 63 whole surrogate pairs: 1 + 2 + 252 bytes.
    EXPECT_EQ(bytes.mid(album + 4, 4), QByteArray("\0\0\0\xFF", 4));
    EXPECT_EQ(bytes.mid(album + 10, 3), QByteArray("\x01\xFF\xFE", 3));
}

TEST_F(ID3v2TagTest, TagGoesInFrontOfTheAudioAndReplacesAnEarlierOne) {
    const QString file = MakeMedia(path("a.mp3"), "mp3");
    const QByteArray audio = ReadAll(file);
    const QByteArray pcm = DecodedPcm(file);

    ASSERT_TRUE(WriteID3v2Tag(file, AllSeven()));
    EXPECT_EQ(ReadAll(file), BuildID3v2Tag(AllSeven()) + audio);
    ID3StructV2 second;
    second.Title = QStringLiteral("second");
    ASSERT_TRUE(WriteID3v2Tag(file, second));
    EXPECT_EQ(ReadAll(file), BuildID3v2Tag(second) + audio);
    EXPECT_EQ(DecodedPcm(file), pcm);
    EXPECT_EQ(ReadID3v2Tag(file), second);
}

TEST_F(ID3v2TagTest, OutsideReadersReadWhatWeWrite) {
    const QString file = MakeMedia(path("b.mp3"), "mp3");
    ASSERT_TRUE(WriteID3v2Tag(file, AllSeven()));
    EXPECT_EQ(ReadID3v2Tag(file), AllSeven());

    EXPECT_EQ(TagLibFields(file), SampleFields());
    const Result mutagen = Mutagen("from mutagen.id3 import ID3\n"
                                   "t = ID3(sys.argv[1])\n"
                                   "print(t.version, t['TIT2'].text[0], t['TPE1'].text[0], "
                                   "t['TALB'].text[0], t['TRCK'].text[0],"
                                   " t['TCON'].text[0], t.getall('COMM')[0].text[0], sep='|')",
                                   file);
    EXPECT_EQ(QString::fromUtf8(mutagen.out).trimmed(),
              QStringLiteral("(2, 3, 0)|Título|Артист|Album 日本|7|Rock|a comment"));
    const auto probe = FfprobeTags(file);
    EXPECT_EQ(probe.value("title"), QStringLiteral("Título"));
    EXPECT_EQ(probe.value("artist"), QStringLiteral("Артист"));
    EXPECT_EQ(probe.value("album"), QStringLiteral("Album 日本"));
    EXPECT_EQ(probe.value("track"), QStringLiteral("7"));
}

TEST_F(ID3v2TagTest, ReadsTagsThatMutagenWrites) {
    const QString script =
        QStringLiteral("from mutagen.id3 import ID3, TIT2, TPE1, TALB, TRCK, TDRC, TCON, COMM\n"
                       "t = ID3()\n"
                       "t.add(TIT2(encoding=%1, text='Ünïcode 名前'))\n"
                       "t.add(TPE1(encoding=%1, text='Artist'))\n"
                       "t.add(TALB(encoding=%1, text='Album'))\n"
                       "t.add(TRCK(encoding=%1, text='3/12'))\n"
                       "t.add(TDRC(encoding=%1, text='2004'))\n"
                       "t.add(TCON(encoding=%1, text='Jazz'))\n"
                       "t.add(COMM(encoding=%1, lang='eng', desc='iTunNORM', text='loudness'))\n"
                       "t.add(COMM(encoding=%1, lang='eng', desc='', text='the comment'))\n"
                       "t.save(sys.argv[1], v2_version=%2)\n");
    ID3StructV2 expected;
    expected.Title = QStringLiteral("Ünïcode 名前");
    expected.Artist = QStringLiteral("Artist");
    expected.Album = QStringLiteral("Album");
    expected.Track = QStringLiteral("3/12");
    expected.Year = QStringLiteral("2004");
    expected.Genre = QStringLiteral("Jazz");
    expected.Comment = QStringLiteral("the comment");
    // ID3v2.3 with UTF-16, ID3v2.4 with UTF-8 and with UTF-16BE.
    for (const auto& [encoding, version] : {std::pair{1, 3}, std::pair{3, 4}, std::pair{2, 4}}) {
        const QString file = MakeMedia(path(QStringLiteral("m%1.mp3").arg(encoding)), "mp3");
        Mutagen(script.arg(encoding).arg(version), file);
        EXPECT_EQ(ReadID3v2Tag(file), expected) << "encoding " << encoding;
    }
}

TEST_F(ID3v2TagTest, ReadsUnsynchronisedAndOlderTags) {
    // ID3v2.3 unsynchronised as a whole: a zero stuffed after each 0xFF.
    const QByteArray v23 = Tag(3,
                               TextFrame("TIT2", "a\xFF"
                                                 "b")
                                   .replace("\xFF", QByteArray("\xFF\0", 2)),
                               '\x80');
    EXPECT_EQ(ReadBytes(v23).Title, QString::fromLatin1("a\xFF"
                                                        "b"));
    // ID3v2.4: a frame unsynchronised on its own, with a data length indicator.
    const QByteArray v24 = Tag(4, QByteArray("TIT2\0\0\0\x09\0\x03\0\0\0\x04\0a\xFF\0b", 19));
    EXPECT_EQ(ReadBytes(v24).Title, QString::fromLatin1("a\xFF"
                                                        "b"));
    // An extended header comes before the frames: ID3v2.3 counts its size
    // without the size field (6, or 10 with a CRC), ID3v2.4 with it.
    const QByteArray frames = TextFrame("TIT2", "title") + TextFrame("TPE1", "artist");
    for (const QByteArray& extended :
         {QByteArray("\0\0\0\x06\0\0\0\0\0\0", 10),
          QByteArray("\0\0\0\x0A\x80\0\0\0\0\0\x12\x34\x56\x78", 14)}) {
        const ID3StructV2 values = ReadBytes(Tag(3, extended + frames, '\x40'));
        EXPECT_EQ(values.Title, QStringLiteral("title")) << extended.size();
        EXPECT_EQ(values.Artist, QStringLiteral("artist")) << extended.size();
    }
    const QByteArray v24Frames = QByteArray("TIT2\0\0\0\x06\0\0\0title", 16);
    EXPECT_EQ(ReadBytes(Tag(4, QByteArray("\0\0\0\x06\x01\0", 6) + v24Frames, '\x40')).Title,
              QStringLiteral("title"));

    // ID3v2.2: three-letter identifiers and three-byte sizes.
    const QByteArray v22 =
        Tag(2, QByteArray("TT2\0\0\x04\0abc", 10) + QByteArray("TP1\0\0\x02\0x", 8));
    EXPECT_EQ(ReadBytes(v22).Title, QStringLiteral("abc"));
    EXPECT_EQ(ReadBytes(v22).Artist, QStringLiteral("x"));
}

TEST_F(ID3v2TagTest, DamagedTagsReadAsEmptyValues) {
    EXPECT_EQ(ReadBytes("ID3\x03"), ID3StructV2());
    EXPECT_EQ(ReadBytes(QByteArray(200, 'x')), ID3StructV2());
    QByteArray pastEnd = BuildID3v2Tag(AllSeven());
    pastEnd[9] = 0x7F;
    EXPECT_EQ(ReadBytes(pastEnd.left(60)), ID3StructV2());
    const QByteArray huge =
        Tag(3, QByteArray("TIT2\xFF\xFF\xFF\xFF\0\0\0abc", 13) + QByteArray(40, '\0'));
    EXPECT_EQ(ReadBytes(huge), ID3StructV2());
    EXPECT_EQ(ReadID3v2Tag(path("missing.mp3")), ID3StructV2());
}

TEST_F(ID3v2TagTest, LongFrameKeepsItsFirst250BytesAndLaterFramesAreRead) {
    const QByteArray tag =
        Tag(3, TextFrame("COMM", "eng" + QByteArray(1, '\0') + QByteArray(400, 'c')) +
                   TextFrame("TIT2", QByteArray(300, 't')) + TextFrame("TPE1", "after"));
    const ID3StructV2 values = ReadBytes(tag);
    EXPECT_EQ(values.Comment, QString(245, 'c'));
    EXPECT_EQ(values.Title, QString(249, 't'));
    EXPECT_EQ(values.Artist, QStringLiteral("after"));
}

TEST_F(ID3v2TagTest, WriterRefusesFilesThatAreNotMp3AndLeavesThemAlone) {
    const QString wav = MakeMedia(path("sound.mp3"), "wav");
    const QByteArray before = ReadAll(wav);
    EXPECT_FALSE(WriteID3v2Tag(wav, AllSeven()));
    EXPECT_EQ(ReadAll(wav), before);

    const QString damaged = path("damaged.mp3");
    QByteArray bytes = BuildID3v2Tag(AllSeven()) + ReadAll(MakeMedia(path("c.mp3"), "mp3"));
    bytes[6] = 0x7F; // the old tag claims more than the file holds
    WriteAll(damaged, bytes);
    EXPECT_FALSE(WriteID3v2Tag(damaged, AllSeven()));
    EXPECT_EQ(ReadAll(damaged), bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3); // no leftovers

    EXPECT_THROW(WriteID3v2Tag(path("missing.mp3"), AllSeven()), TagError);
}

TEST(ID3v2TagOnAFullDisk, TagWriteLeavesTheFileAsItWas) {
    // The child starts afresh rather than forking a process that may have threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(TagUnderAFileSizeLimit()), ::testing::ExitedWithCode(0), "");
}

TEST_F(ID3v2TagTest, ReadOnlyFileIsTaggedAndStaysReadOnly) {
    const QString file = MakeMedia(path("ro.mp3"), "mp3");
    SetMode(file, 0444);
    ASSERT_TRUE(WriteID3v2Tag(file, AllSeven()));
    EXPECT_EQ(ReadID3v2Tag(file), AllSeven());
    EXPECT_EQ(Mode(file), 0444u);
}

TEST_F(ID3v2TagTest, WritingThroughALinkTagsTheLinkedFile) {
    const QString file = MakeMedia(path("target.mp3"), "mp3");
    ASSERT_TRUE(QFile::link(file, path("link.mp3")));
    ASSERT_TRUE(WriteID3v2Tag(path("link.mp3"), AllSeven()));
    EXPECT_TRUE(QFileInfo(path("link.mp3")).isSymLink());
    EXPECT_EQ(ReadID3v2Tag(file), AllSeven());
}
