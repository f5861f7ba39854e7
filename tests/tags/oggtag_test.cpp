#include "tags/oggcommenteditor.h"
#include "tags/oggtag.h"
#include "tags/tagerror.h"
#include "tags/tagfixture.h"
#include "tags/tstrcomments.h"

#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <vorbis/codec.h>

using namespace MediaTools;

namespace {

using OggTagTest = TagFileTest;

OGGTag allSeven() {
    auto tag = sampleTag<OGGTag>();
    tag.track = QStringLiteral("7");
    return tag;
}

// The comments exactly as the file holds them.
QList<QByteArray> commentsOf(const QString& file) {
    QFile in(file);
    EXPECT_TRUE(in.open(QIODevice::ReadOnly));
    OggCommentEditor editor;
    EXPECT_TRUE(editor.open(in)) << editor.lastError().toStdString();
    return editor.commentTexts();
}

// Puts raw comment texts into a file, bypassing the tag record.
void setRawComments(const QString& file, const QList<QByteArray>& comments) {
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    OggCommentEditor editor;
    ASSERT_TRUE(editor.open(in));
    vorbis_comment_clear(editor.comments());
    for (const QByteArray& comment : comments)
        vorbis_comment_add(editor.comments(), comment.constData());
    QSaveFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_TRUE(editor.write(out)) << editor.lastError().toStdString();
    ASSERT_TRUE(out.commit());
}

// ogginfo's report; it names every problem it finds in the stream.
QString oggInfo(const QString& file) {
    const Result result = run("ogginfo", {file});
    EXPECT_EQ(result.exitCode, 0) << result.out.toStdString();
    const QString text = QString::fromUtf8(result.out + result.err);
    EXPECT_FALSE(text.contains("WARNING")) << text.toStdString();
    EXPECT_FALSE(text.contains("ERROR")) << text.toStdString();
    return text;
}

void expectRefusal(const QString& file, const OGGTag& tag, const char* expectedStart) {
    const QByteArray before = readAll(file);
    try {
        writeOggTag(file, tag);
        ADD_FAILURE() << "no error for " << file.toStdString();
    } catch (const TagError& error) {
        EXPECT_TRUE(error.text().startsWith(QLatin1String(expectedStart))) << error.what();
    }
    EXPECT_EQ(readAll(file), before);
}

// One Ogg page: the 27 bytes of its header, its segment table and its body.
struct OggPage {
    QByteArray header, lacing, body;

    QByteArray bytes() const {
        QByteArray head = header;
        head[26] = char(lacing.size());
        head += lacing;
        QByteArray data = body;
        ogg_page page{reinterpret_cast<unsigned char*>(head.data()), long(head.size()),
                      reinterpret_cast<unsigned char*>(data.data()), long(data.size())};
        ogg_page_checksum_set(&page);
        return head + data;
    }
};

QList<OggPage> oggPages(const QByteArray& file) {
    QList<OggPage> pages;
    for (int at = 0; at + 27 <= file.size();) {
        OggPage page;
        page.header = file.mid(at, 27);
        page.lacing = file.mid(at + 27, quint8(file[at + 26]));
        int size = 0;
        for (const char value : page.lacing)
            size += quint8(value);
        page.body = file.mid(at + 27 + page.lacing.size(), size);
        at += 27 + page.lacing.size() + size;
        pages << page;
    }
    return pages;
}

// The file with its first sound packet begun on the last header page and
// finished on the next one. The packet is padded to span two pages; a
// decoder ignores what follows the sound in a packet.
QByteArray headerPageEndingInsideASoundPacket(const QByteArray& file) {
    QList<OggPage> pages = oggPages(file);
    EXPECT_GE(pages.size(), 3);
    OggPage& headers = pages[1];
    OggPage& sound = pages[2];
    const int length = quint8(sound.lacing[0]);
    EXPECT_LT(length, 255) << "the first sound packet takes one segment";
    const QByteArray packet = sound.body.left(length) + QByteArray(300 - length, '\0');
    headers.lacing += char(255);
    headers.body += packet.left(255);
    sound.header[5] = char(sound.header[5] | 0x01); // continues a packet
    sound.lacing = char(packet.size() - 255) + sound.lacing.mid(1);
    sound.body = packet.mid(255) + sound.body.mid(length);
    QByteArray out;
    for (const OggPage& page : pages)
        out += page.bytes();
    return out;
}

} // namespace

TEST_F(OggTagTest, WritesTheNonEmptyValuesInOrderAndReadsThemBack) {
    const QString file = makeMedia(path("a.ogg"), "ogg", {"-metadata", "title=old"});
    const QByteArray pcm = decode(file);
    ASSERT_TRUE(writeOggTag(file, allSeven()));
    EXPECT_EQ(commentsOf(file),
              (QList<QByteArray>{"Title=Título", "Artist=Артист", "Album=Album 日本",
                                 "TrackNumber=7", "Date=1999", "Genre=Rock", "Comment=a comment"}));
    EXPECT_EQ(readOggTag(file), allSeven());
    EXPECT_EQ(decode(file), pcm);

    OGGTag titleOnly;
    titleOnly.title = QStringLiteral("only");
    ASSERT_TRUE(writeOggTag(file, titleOnly));
    EXPECT_EQ(commentsOf(file), QList<QByteArray>{"Title=only"});
    ASSERT_TRUE(writeOggTag(file, {}));
    EXPECT_TRUE(commentsOf(file).isEmpty());
    EXPECT_EQ(decode(file), pcm);
}

TEST_F(OggTagTest, OutsideReadersReadWhatWeWrite) {
    const QString file = makeMedia(path("b.ogg"), "ogg");
    ASSERT_TRUE(writeOggTag(file, allSeven()));
    EXPECT_TRUE(oggInfo(file).contains(QStringLiteral("Artist=Артист")));
    EXPECT_EQ(tagLibFields(file), sampleFields());
    const Result read = mutagen("from mutagen.oggvorbis import OggVorbis\n"
                                "f = OggVorbis(sys.argv[1])\n"
                                "print(*[f[k][0] for k in ('title', 'artist', 'album', 'date',"
                                " 'tracknumber', 'genre', 'comment')], sep='|')",
                                file);
    EXPECT_EQ(QString::fromUtf8(read.out).trimmed(),
              QStringLiteral("Título|Артист|Album 日本|1999|7|Rock|a comment"));
    const auto probe = ffprobeTags(file);
    EXPECT_EQ(probe.value("title"), QStringLiteral("Título"));
    EXPECT_EQ(probe.value("album"), QStringLiteral("Album 日本"));
}

TEST_F(OggTagTest, HeadersSpanningManyPagesRenumberTheStream) {
    const QString file = makeMedia(path("c.ogg"), "ogg");
    const QByteArray pcm = decode(file);
    OGGTag big = allSeven();
    big.comment = QString(200000, 'z');
    ASSERT_TRUE(writeOggTag(file, big));
    oggInfo(file);
    EXPECT_EQ(readOggTag(file).comment, big.comment);
    ASSERT_TRUE(writeOggTag(file, allSeven()));
    oggInfo(file);
    EXPECT_EQ(readOggTag(file), allSeven());
    EXPECT_EQ(decode(file), pcm);
}

TEST_F(OggTagTest, CommentNamesAreMatchedWithoutCaseAndCheckedForValidity) {
    const QString file = makeMedia(path("d.ogg"), "ogg");
    setRawComments(file, {"ARTIST=Upper", "title=first", "TiTlE=  second  ", "no equals sign",
                          "al~bum=bad name", "=empty name"});
    const OGGTag tag = readOggTag(file);
    EXPECT_EQ(tag.artist, QStringLiteral("Upper"));
    EXPECT_EQ(tag.title, QStringLiteral("second"));
    EXPECT_TRUE(tag.album.isEmpty());

    const TStrComments comments(commentsOf(file));
    ASSERT_EQ(comments.entries().size(), 6);
    EXPECT_EQ(comments.entries()[3].name, QString());
    EXPECT_EQ(comments.entries()[3].value, QStringLiteral("no equals sign"));
    EXPECT_EQ(comments.entries()[4].name, QString());
    EXPECT_EQ(comments.entries()[4].text, QStringLiteral("al~bum=bad name"));
    EXPECT_EQ(comments.entries()[0].text, QStringLiteral("ARTIST=Upper"));
}

TEST_F(OggTagTest, ReadsCommentsThatMutagenWrites) {
    const QString file = makeMedia(path("e.ogg"), "ogg");
    mutagen("from mutagen.oggvorbis import OggVorbis\n"
            "f = OggVorbis(sys.argv[1])\n"
            "f['TITLE'] = 'Mütagen'; f['artist'] = 'A'; f['album'] = 'B'; f['date'] = '2010'\n"
            "f.save()",
            file);
    const OGGTag tag = readOggTag(file);
    EXPECT_EQ(tag.title, QStringLiteral("Mütagen"));
    EXPECT_EQ(tag.artist, QStringLiteral("A"));
    EXPECT_EQ(tag.album, QStringLiteral("B"));
    EXPECT_EQ(tag.year, QStringLiteral("2010"));
}

TEST_F(OggTagTest, OpusIsRewrittenOtherOggCodecsAreReadButNotRewritten) {
    const QString opus = makeMedia(path("o.ogg"), "opus", {"-metadata", "title=Opus title"});
    EXPECT_EQ(readOggTag(opus).title, QStringLiteral("Opus title"));
    const QByteArray sound = decode(opus);
    EXPECT_TRUE(writeOggTag(opus, allSeven()));
    EXPECT_EQ(readOggTag(opus), allSeven());
    EXPECT_EQ(decode(opus), sound);

    const QString flac = makeMedia(path("f.ogg"), "oga", {"-metadata", "title=x"});
    EXPECT_EQ(readOggTag(flac), OGGTag());
    expectRefusal(flac, allSeven(), "Cannot open ");

    const QString mp3 = makeMedia(path("m.ogg"), "mp3");
    EXPECT_EQ(readOggTag(mp3), OGGTag());
    expectRefusal(mp3, allSeven(), "Cannot open ");
}

TEST_F(OggTagTest, DamagedFilesReadAsEmptyAndAreNotRewritten) {
    const QString file = makeMedia(path("g.ogg"), "ogg", {"-metadata", "title=kept"});
    const QByteArray good = readAll(file);

    QByteArray badHeader = good;
    badHeader[oggPageOffset(good, 1) + 40] ^= 0x55; // the comment page no longer matches its CRC
    writeAll(file, badHeader);
    EXPECT_EQ(readOggTag(file), OGGTag());
    expectRefusal(file, allSeven(), "Cannot open ");

    writeAll(file, good.left(oggPageOffset(good, 1) + 30));
    EXPECT_EQ(readOggTag(file), OGGTag());
    expectRefusal(file, allSeven(), "Cannot open ");

    // Damage in the sound is found while copying it; the file stays as it was.
    QByteArray badSound = good;
    badSound[good.size() - 20] ^= 0x55;
    writeAll(file, badSound);
    EXPECT_EQ(readOggTag(file).title, QStringLiteral("kept"));
    expectRefusal(file, allSeven(), "Cannot write comments");
    writeAll(file, good.left(good.size() - 20));
    expectRefusal(file, allSeven(), "Cannot write comments");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

    EXPECT_THROW(readOggTag(path("missing.ogg")), TagError);
}

TEST_F(OggTagTest, HeaderPageEndingInsideASoundPacketIsNeverDamaged) {
    const QString file = makeMedia(path("split.ogg"), "ogg");
    const QByteArray pcm = decode(file);
    writeAll(file, headerPageEndingInsideASoundPacket(readAll(file)));
    ASSERT_EQ(decode(file), pcm) << "the made file plays as the one it came from";
    const QByteArray before = readAll(file);
    try {
        ASSERT_TRUE(writeOggTag(file, allSeven()));
        // Rewritten: then every sample is still there.
        EXPECT_EQ(readOggTag(file), allSeven());
        EXPECT_EQ(decode(file), pcm);
        oggInfo(file);
    } catch (const TagError& error) {
        EXPECT_EQ(readAll(file), before) << error.what();
    }
}

TEST_F(OggTagTest, ReadOnlyFileIsTaggedAndStaysReadOnly) {
    const QString file = makeMedia(path("ro.ogg"), "ogg");
    setMode(file, 0444);
    ASSERT_TRUE(writeOggTag(file, allSeven()));
    EXPECT_EQ(readOggTag(file), allSeven());
    EXPECT_EQ(Mode(file), 0444u);
}

TEST_F(OggTagTest, AFileNamedLikeTheTemporaryOneIsLeftAlone) {
    const QString file = makeMedia(path("h.ogg"), "ogg");
    writeAll(path("h.temp"), "user's own file");
    ASSERT_TRUE(writeOggTag(file, allSeven()));
    EXPECT_EQ(readAll(path("h.temp")), QByteArray("user's own file"));
}
