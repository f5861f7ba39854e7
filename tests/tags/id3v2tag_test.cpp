#include "tags/id3v2tag.h"
#include "tags/tagerror.h"
#include "tags/tagfixture.h"

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

ID3StructV2 allSeven() {
    auto tag = sampleTag<ID3StructV2>();
    tag.track = QStringLiteral("7");
    return tag;
}

QByteArray textFrame(const char* id, const QByteArray& text) {
    QByteArray frame(id, 4);
    const int size = text.size() + 1;
    frame += QByteArray::fromHex(QByteArray::number(size, 16).rightJustified(8, '0'));
    frame += QByteArray("\0\0\0", 3) + text;
    return frame;
}

ID3StructV2 readBytes(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readID3v2TagFrom(buffer);
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
QByteArray framesOfSilence(int count) {
    QByteArray frame("\xFF\xFB\x90\x64", 4);
    frame.append(413, '\0');
    return frame.repeated(count);
}

// Runs in a child process: tags a small MP3 file while no file may grow past
// 200 bytes, as on a full disk. Returns 0 when the write was refused and the
// file kept byte for byte; otherwise says on stderr what went wrong.
int tagUnderAFileSizeLimit() {
    QTemporaryDir dir;
    // Small enough that the whole rewrite would sit in a write buffer.
    const QString file = dir.filePath(QStringLiteral("small.mp3"));
    const QByteArray audio = framesOfSilence(7);
    writeAll(file, audio);
    const QString tiny = dir.filePath(QStringLiteral("tiny.mp3"));
    writeAll(tiny, audio.left(20));

    const rlimit limit{200, 200};
    std::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 10;
    try {
        // An empty tag and 20 bytes of audio stay under the limit.
        if (!writeID3v2Tag(tiny, {})) {
            std::fprintf(stderr, "a write under the limit was refused\n");
            return 1;
        }
        if (writeID3v2Tag(file, allSeven())) {
            std::fprintf(stderr, "the write was not refused\n");
            return 2;
        }
    } catch (const TagError&) {
        // as good as a refusal, as long as the file stays
    }
    if (readAll(file) != audio) {
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
    tag.title = QStringLiteral("abc");
    const QByteArray expected = QByteArray("ID3\x03\x00\x00\x00\x00\x00\x5E", 10) +
                                textFrame("TIT2", "abc") + textFrame("TPE1", "") +
                                textFrame("TALB", "") + textFrame("TRCK", "") +
                                textFrame("TYER", "") + textFrame("TCON", "") +
                                QByteArray("COMM\0\0\0\x05\0\0\0eng\0", 15) + QByteArray(10, '\0');
    EXPECT_EQ(expected.size(), 104);
    EXPECT_EQ(buildID3v2Tag(tag).toHex(' '), expected.toHex(' '));
}

TEST_F(ID3v2TagTest, EmptyTagStillHasEveryFrame) {
    const QByteArray bytes = buildID3v2Tag({});
    EXPECT_EQ(bytes.size(), 101);
    EXPECT_EQ(bytes.mid(6, 4), QByteArray("\0\0\0\x5B", 4));
}

TEST_F(ID3v2TagTest, ValuesAreCutToTheFrameAreaOnCharacterBoundaries) {
    ID3StructV2 tag;
    tag.title = QString(255, 'x');
    tag.artist = QString(300, 'y');
    // 130 characters outside the BMP: each is two UTF-16 units.
    for (int i = 0; i < 130; ++i)
        tag.album += QString::fromUcs4(U"\U0001F3B5", 1);
    const QByteArray bytes = buildID3v2Tag(tag);
    EXPECT_EQ(bytes.mid(14, 4), QByteArray("\0\0\x01\0", 4)); // 255 + 1
    const int artist = bytes.indexOf("TPE1");
    EXPECT_EQ(bytes.mid(artist + 4, 4), QByteArray("\0\0\x01\0", 4));
    const int album = bytes.indexOf("TALB");
    // Encoding 1, BOM, then 63 whole surrogate pairs: 1 + 2 + 252 bytes.
    EXPECT_EQ(bytes.mid(album + 4, 4), QByteArray("\0\0\0\xFF", 4));
    EXPECT_EQ(bytes.mid(album + 10, 3), QByteArray("\x01\xFF\xFE", 3));
}

TEST_F(ID3v2TagTest, TagGoesInFrontOfTheAudioAndReplacesAnEarlierOne) {
    const QString file = makeMedia(path("a.mp3"), "mp3");
    const QByteArray audio = readAll(file);
    const QByteArray pcm = decode(file);

    ASSERT_TRUE(writeID3v2Tag(file, allSeven()));
    EXPECT_EQ(readAll(file), buildID3v2Tag(allSeven()) + audio);
    ID3StructV2 second;
    second.title = QStringLiteral("second");
    ASSERT_TRUE(writeID3v2Tag(file, second));
    EXPECT_EQ(readAll(file), buildID3v2Tag(second) + audio);
    EXPECT_EQ(decode(file), pcm);
    EXPECT_EQ(readID3v2Tag(file), second);
}

TEST_F(ID3v2TagTest, OutsideReadersReadWhatWeWrite) {
    const QString file = makeMedia(path("b.mp3"), "mp3");
    ASSERT_TRUE(writeID3v2Tag(file, allSeven()));
    EXPECT_EQ(readID3v2Tag(file), allSeven());

    EXPECT_EQ(tagLibFields(file), sampleFields());
    const Result read = mutagen("from mutagen.id3 import ID3\n"
                                "t = ID3(sys.argv[1])\n"
                                "print(t.version, t['TIT2'].text[0], t['TPE1'].text[0], "
                                "t['TALB'].text[0], t['TRCK'].text[0],"
                                " t['TCON'].text[0], t.getall('COMM')[0].text[0], sep='|')",
                                file);
    EXPECT_EQ(QString::fromUtf8(read.out).trimmed(),
              QStringLiteral("(2, 3, 0)|Título|Артист|Album 日本|7|Rock|a comment"));
    const auto probe = ffprobeTags(file);
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
    expected.title = QStringLiteral("Ünïcode 名前");
    expected.artist = QStringLiteral("Artist");
    expected.album = QStringLiteral("Album");
    expected.track = QStringLiteral("3/12");
    expected.year = QStringLiteral("2004");
    expected.genre = QStringLiteral("Jazz");
    expected.comment = QStringLiteral("the comment");
    // ID3v2.3 with UTF-16, ID3v2.4 with UTF-8 and with UTF-16BE.
    for (const auto& [encoding, version] : {std::pair{1, 3}, std::pair{3, 4}, std::pair{2, 4}}) {
        const QString file = makeMedia(path(QStringLiteral("m%1.mp3").arg(encoding)), "mp3");
        mutagen(script.arg(encoding).arg(version), file);
        EXPECT_EQ(readID3v2Tag(file), expected) << "encoding " << encoding;
    }
}

TEST_F(ID3v2TagTest, ReadsUnsynchronisedAndOlderTags) {
    // ID3v2.3 unsynchronised as a whole: a zero stuffed after each 0xFF.
    const QByteArray v23 = Tag(3,
                               textFrame("TIT2", "a\xFF"
                                                 "b")
                                   .replace("\xFF", QByteArray("\xFF\0", 2)),
                               '\x80');
    EXPECT_EQ(readBytes(v23).title, QString::fromLatin1("a\xFF"
                                                        "b"));
    // ID3v2.4: a frame unsynchronised on its own, with a data length indicator.
    const QByteArray v24 = Tag(4, QByteArray("TIT2\0\0\0\x09\0\x03\0\0\0\x04\0a\xFF\0b", 19));
    EXPECT_EQ(readBytes(v24).title, QString::fromLatin1("a\xFF"
                                                        "b"));
    // An extended header comes before the frames: ID3v2.3 counts its size
    // without the size field (6, or 10 with a CRC), ID3v2.4 with it.
    const QByteArray frames = textFrame("TIT2", "title") + textFrame("TPE1", "artist");
    for (const QByteArray& extended :
         {QByteArray("\0\0\0\x06\0\0\0\0\0\0", 10),
          QByteArray("\0\0\0\x0A\x80\0\0\0\0\0\x12\x34\x56\x78", 14)}) {
        const ID3StructV2 values = readBytes(Tag(3, extended + frames, '\x40'));
        EXPECT_EQ(values.title, QStringLiteral("title")) << extended.size();
        EXPECT_EQ(values.artist, QStringLiteral("artist")) << extended.size();
    }
    const QByteArray v24Frames = QByteArray("TIT2\0\0\0\x06\0\0\0title", 16);
    EXPECT_EQ(readBytes(Tag(4, QByteArray("\0\0\0\x06\x01\0", 6) + v24Frames, '\x40')).title,
              QStringLiteral("title"));

    // ID3v2.2: three-letter identifiers and three-byte sizes.
    const QByteArray v22 =
        Tag(2, QByteArray("TT2\0\0\x04\0abc", 10) + QByteArray("TP1\0\0\x02\0x", 8));
    EXPECT_EQ(readBytes(v22).title, QStringLiteral("abc"));
    EXPECT_EQ(readBytes(v22).artist, QStringLiteral("x"));
}

TEST_F(ID3v2TagTest, DamagedTagsReadAsEmptyValues) {
    EXPECT_EQ(readBytes("ID3\x03"), ID3StructV2());
    EXPECT_EQ(readBytes(QByteArray(200, 'x')), ID3StructV2());
    QByteArray pastEnd = buildID3v2Tag(allSeven());
    pastEnd[9] = 0x7F;
    EXPECT_EQ(readBytes(pastEnd.left(60)), ID3StructV2());
    const QByteArray huge =
        Tag(3, QByteArray("TIT2\xFF\xFF\xFF\xFF\0\0\0abc", 13) + QByteArray(40, '\0'));
    EXPECT_EQ(readBytes(huge), ID3StructV2());
    EXPECT_EQ(readID3v2Tag(path("missing.mp3")), ID3StructV2());
}

TEST_F(ID3v2TagTest, LongFrameKeepsItsFirst250BytesAndLaterFramesAreRead) {
    const QByteArray tag =
        Tag(3, textFrame("COMM", "eng" + QByteArray(1, '\0') + QByteArray(400, 'c')) +
                   textFrame("TIT2", QByteArray(300, 't')) + textFrame("TPE1", "after"));
    const ID3StructV2 values = readBytes(tag);
    EXPECT_EQ(values.comment, QString(245, 'c'));
    EXPECT_EQ(values.title, QString(249, 't'));
    EXPECT_EQ(values.artist, QStringLiteral("after"));
}

TEST_F(ID3v2TagTest, WriterRefusesFilesThatAreNotMp3AndLeavesThemAlone) {
    const QString wav = makeMedia(path("sound.mp3"), "wav");
    const QByteArray before = readAll(wav);
    EXPECT_FALSE(writeID3v2Tag(wav, allSeven()));
    EXPECT_EQ(readAll(wav), before);

    const QString damaged = path("damaged.mp3");
    QByteArray bytes = buildID3v2Tag(allSeven()) + readAll(makeMedia(path("c.mp3"), "mp3"));
    bytes[6] = 0x7F; // the old tag claims more than the file holds
    writeAll(damaged, bytes);
    EXPECT_FALSE(writeID3v2Tag(damaged, allSeven()));
    EXPECT_EQ(readAll(damaged), bytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3); // no leftovers

    EXPECT_THROW(writeID3v2Tag(path("missing.mp3"), allSeven()), TagError);
}

TEST(ID3v2TagOnAFullDisk, TagWriteLeavesTheFileAsItWas) {
    // The child starts afresh rather than forking a process that may have threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(tagUnderAFileSizeLimit()), ::testing::ExitedWithCode(0), "");
}

TEST_F(ID3v2TagTest, ReadOnlyFileIsTaggedAndStaysReadOnly) {
    const QString file = makeMedia(path("ro.mp3"), "mp3");
    setMode(file, 0444);
    ASSERT_TRUE(writeID3v2Tag(file, allSeven()));
    EXPECT_EQ(readID3v2Tag(file), allSeven());
    EXPECT_EQ(Mode(file), 0444u);
}

TEST_F(ID3v2TagTest, WritingThroughALinkTagsTheLinkedFile) {
    const QString file = makeMedia(path("target.mp3"), "mp3");
    ASSERT_TRUE(QFile::link(file, path("link.mp3")));
    ASSERT_TRUE(writeID3v2Tag(path("link.mp3"), allSeven()));
    EXPECT_TRUE(QFileInfo(path("link.mp3")).isSymLink());
    EXPECT_EQ(readID3v2Tag(file), allSeven());
}
