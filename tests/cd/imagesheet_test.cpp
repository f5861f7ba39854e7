// Disc images pass Orvelle's own checks before libcdio reads them: bounded
// sheets and chunk tables, and data files that are regular files in the
// image's folder. A refused image opens as no disc.
#include "components/cdio/cddisc.h"
#include "components/cdio/imagesheet.h"

#include <functional>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <sys/stat.h>

namespace {

bool write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The number of tracks the image opens with; -1 when it does not open.
int openedTracks(const QString& image) {
    const std::unique_ptr<CdDisc> disc = CdDisc::open(CdDrive{image, true});
    return disc ? int(disc->contents(false).tracks.size()) : -1;
}

// Tracks of one frame each.
QByteArray cueOfTracks(int count) {
    QByteArray cue = "FILE \"disc.bin\" BINARY\n";
    for (int i = 0; i < count; ++i)
        cue += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 00:%2:%3\n")
                   .arg(i + 1, 2, 10, QLatin1Char('0'))
                   .arg(i / 75, 2, 10, QLatin1Char('0'))
                   .arg(i % 75, 2, 10, QLatin1Char('0'))
                   .toLatin1();
    return cue;
}

// A Nero image of silent tracks, 64-bit layout; `edit` may spoil its chunk table.
QByteArray nrgImage(int tracks, const std::function<void(QByteArray&, int table)>& edit = {}) {
    const auto be = [](quint64 value, int bytes) {
        QByteArray out(bytes, '\0');
        for (int i = 0; i < bytes; ++i)
            out[bytes - 1 - i] = char(value >> (8 * i));
        return out;
    };
    const auto bcd = [](int n) { return char((n / 10) << 4 | n % 10); };
    const int frames = 4, frameBytes = CdDisc::FrameBytes;
    QByteArray cue = QByteArray("\x01\x00\x00\x00", 4) + be(quint32(-150), 4);
    QByteArray dao = be(0, 4) + QByteArray(16, '\0') + char(1) + char(tracks);
    for (int t = 0; t < tracks; ++t) {
        cue += "\x01" + QByteArray(1, bcd(t + 1)) + QByteArray(2, '\0') +
               be(quint32(t * frames - (t ? 0 : 150)), 4);
        cue += "\x01" + QByteArray(1, bcd(t + 1)) + "\x01" + '\0' + be(quint32(t * frames), 4);
        const quint64 start = quint64(t) * frames * frameBytes;
        dao += QByteArray(12, '\0') + be(frameBytes, 2) + "\x07" + QByteArray(3, '\0') +
               be(start, 8) + be(start, 8) + be(start + frames * frameBytes, 8);
    }
    cue += "\x01\xaa\x01" + QByteArray(1, '\0') + be(quint32(tracks * frames), 4);
    const QByteArray data(tracks * frames * frameBytes, '\0');
    QByteArray image = data + "CUEX" + be(quint64(cue.size()), 4) + cue + "DAOX" +
                       be(quint64(dao.size()), 4) + dao + "SINF" + be(4, 4) + be(tracks, 4) +
                       "END!" + be(0, 4) + "NER5" + be(quint64(data.size()), 8);
    if (edit)
        edit(image, int(data.size()));
    return image;
}

} // namespace

TEST(ImageSheet, SheetsAndChunkTablesOpenOnlyWithinBounds) {
    QByteArray trackOneRepeated = "FILE \"disc.bin\" BINARY\n";
    for (int i = 0; i < 119; ++i)
        trackOneRepeated += "TRACK 01 AUDIO\n";
    const QByteArray title = QByteArray(ImageSheet::MaxLineBytes - 8, 'x');
    const QByteArray longTitle = "TITLE \"" + title + "\"\n" + cueOfTracks(1);
    const QByteArray longerTitle = "TITLE \"x" + title + "\"\n" + cueOfTracks(1);
    const struct {
        const char* what;
        const char* name;
        QByteArray bytes;
        int tracks; // -1: refused
    } cases[] = {
        {"119 TRACK 01 lines", "disc.cue", trackOneRepeated, -1},
        {"99 tracks, the most a disc holds", "disc.cue", cueOfTracks(99), 99},
        {"100 tracks", "disc.cue", cueOfTracks(100), -1},
        {"track numbers going back", "disc.cue",
         "FILE \"disc.bin\" BINARY\nTRACK 02 AUDIO\nINDEX 01 00:00:00\nTRACK 01 AUDIO\n"
         "INDEX 01 00:00:01\n",
         -1},
        {"a NUL byte", "disc.cue", cueOfTracks(2).replace("AUDIO", QByteArray("AU\0IO", 5)), -1},
        {"the longest line allowed", "disc.cue", longTitle, 1},
        {"a line one byte longer", "disc.cue", longerTitle, -1},
        {"a toc of 100 tracks", "disc.toc",
         "CD_DA\n" + QByteArray("TRACK AUDIO\nFILE \"disc.bin\" 0 00:00:01\n").repeated(100), -1},
        {"a toc TRACK without its mode", "disc.toc", "CD_DA\nTRACK\nFILE \"disc.bin\" 0 00:00:00\n",
         -1},
        {"an nrg of two tracks", "disc.nrg", nrgImage(2), 2},
        {"an nrg of 120 tracks", "disc.nrg", nrgImage(120), -1},
        {"an nrg whose footer points past its end", "disc.nrg",
         nrgImage(2, [](QByteArray& b, int) { b[b.size() - 5] = '\x7f'; }), -1},
        {"an nrg whose lead-in is not 150 frames before the disc", "disc.nrg",
         nrgImage(2, [](QByteArray& b, int table) { b[table + 12] = '\0'; }), -1},
        {"an nrg with a second cue chunk", "disc.nrg",
         nrgImage(2,
                  [](QByteArray& b, int table) {
                      const int length =
                          8 + int(qFromBigEndian<quint32>(b.constData() + table + 4));
                      b.insert(table + length, b.mid(table, length));
                  }),
         -1},
        {"an nrg with an empty CD-TEXT chunk", "disc.nrg",
         nrgImage(2,
                  [](QByteArray& b, int table) { b.insert(table, QByteArray("CDTX\0\0\0\0", 8)); }),
         -1},
        {"an nrg chunk running past the table", "disc.nrg",
         nrgImage(2, [](QByteArray& b, int table) { b[table + 5] = '\x10'; }), -1},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(write(dir.filePath("disc.bin"), QByteArray(120 * CdDisc::FrameBytes, '\0')));
        ASSERT_TRUE(write(dir.filePath(c.name), c.bytes));
        EXPECT_EQ(openedTracks(dir.filePath(c.name)), c.tracks) << c.what;
        EXPECT_EQ(ImageSheet::check(dir.filePath(c.name)).ok(), c.tracks >= 0) << c.what;
    }
}

TEST(ImageSheet, DataFilesAreRegularFilesInTheImagesFolder) {
    const struct {
        const char* what;
        const char* name;
        QByteArray sheet;
        bool opens;
    } cases[] = {
        {"data in a sub-folder", "disc.toc",
         "CD_DA\nTRACK AUDIO\nFILE \"sub/disc.bin\" 0 00:00:10\n", true},
        {"data above the folder", "disc.toc",
         "CD_DA\nTRACK AUDIO\nFILE \"../outside/secret\" 0 00:00:10\n", false},
        {"data in a folder named like the image's and more", "disc.toc",
         "CD_DA\nTRACK AUDIO\nFILE \"../image2/secret\" 0 00:00:10\n", false},
        {"data by a link out of the folder", "disc.toc",
         "CD_DA\nTRACK AUDIO\nFILE \"link.bin\" 0 00:00:10\n", false},
        {"data in a pipe", "disc.toc", "CD_DA\nTRACK AUDIO\nAUDIOFILE \"pipe.bin\" 0 00:00:10\n",
         false},
        {"a cue whose .bin is a pipe", "pipe.cue",
         "FILE \"pipe.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", false},
    };
    for (const auto& c : cases) {
        QTemporaryDir root;
        const QString image = root.filePath("image");
        ASSERT_TRUE(QDir().mkpath(image + "/sub") && QDir().mkpath(root.filePath("outside")) &&
                    QDir().mkpath(root.filePath("image2")));
        const QByteArray frames(75 * CdDisc::FrameBytes, '\0');
        ASSERT_TRUE(write(image + "/sub/disc.bin", frames) &&
                    write(root.filePath("outside/secret"), frames) &&
                    write(root.filePath("image2/secret"), frames));
        ASSERT_TRUE(QFile::link(root.filePath("outside/secret"), image + "/link.bin"));
        // Opening a pipe for reading waits for a writer, which never comes.
        ASSERT_EQ(mkfifo(QFile::encodeName(image + "/pipe.bin").constData(), 0600), 0);
        // Run from the image's folder, where a .toc's relative names resolved
        // before, so that only the checks can keep the outside file out.
        const QString before = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(image));
        const QString sheet = image + "/" + c.name;
        ASSERT_TRUE(write(sheet, c.sheet));
        EXPECT_EQ(openedTracks(sheet), c.opens ? 1 : -1) << c.what;
        EXPECT_EQ(ImageSheet::check(sheet).ok(), c.opens) << c.what;
        QDir::setCurrent(before);
    }
}

namespace {

// A layout as one line, so that a table can say what a sheet must come to.
QString layoutText(const DiscLayout& layout) {
    QStringList parts{layout.catalog};
    for (const LayoutTrack& t : layout.tracks) {
        QStringList indexes;
        for (int index : t.indexes)
            indexes << QString::number(index);
        parts << QStringLiteral("%1+%2[%3]").arg(t.start).arg(t.pregap).arg(indexes.join(',')) +
                     t.isrc + (t.preEmphasis ? "P" : "") + (t.copyPermitted ? "C" : "") +
                     (t.fourChannel ? "4" : "");
    }
    return parts.join(' ');
}

// The starts a reader finds for the sheet's tracks, and its lead-out.
DiscLayout tableOf(const QVector<int>& starts, int leadout) {
    DiscLayout layout;
    for (int start : starts)
        layout.tracks << LayoutTrack{start, true};
    layout.leadout = leadout;
    return layout;
}

} // namespace

// The gaps, indexes, ISRCs, flags and catalog number of each kind of sheet;
// what is malformed is refused, or dropped with a note, never guessed at.
TEST(ImageSheet, SheetsGiveTheDiscsLayout) {
    const QByteArray cue = "CATALOG 0724384960650\nFILE \"disc.bin\" BINARY\n"
                           "TRACK 01 AUDIO\nISRC GBAYE6700149\nFLAGS PRE DCP\n"
                           "INDEX 00 00:00:00\nINDEX 01 00:05:00\n"
                           "TRACK 02 AUDIO\nINDEX 01 00:20:00\n"
                           "TRACK 03 AUDIO\nFLAGS 4CH\nINDEX 00 00:40:00\nINDEX 01 00:42:00\n"
                           "INDEX 02 00:50:00\n";
    const QByteArray toc = "CD_DA\nCATALOG \"0724384960650\"\n"
                           "TRACK AUDIO\nISRC \"GBAYE6700149\"\nPRE_EMPHASIS\nCOPY\n"
                           "FILE \"disc.bin\" 0 00:20:00\nSTART 00:05:00\n"
                           "TRACK AUDIO\nNO COPY\nFILE \"disc.bin\" 00:20:00 00:20:00\n"
                           "TRACK AUDIO\nFOUR_CHANNEL_AUDIO\nPREGAP 00:02:00\n"
                           "FILE \"disc.bin\" 00:40:00 00:20:00\nINDEX 00:08:00\n";
    const DiscLayout disc = tableOf({375, 1500, 3150}, 4500);
    const QString expected = "0724384960650 375+375[]GBAYE6700149PC 1500+0[] 3150+150[600]4";
    const struct {
        const char* what;
        QByteArray sheet;
        bool isToc;
        DiscLayout disc;
        QString layout; // empty: refused
        int notes;
    } cases[] = {
        {"a cue sheet", cue, false, disc, expected, 0},
        {"a toc sheet", toc, true, disc, expected, 0},
        {"a hidden track without INDEX 00", QByteArray(cue).replace("INDEX 00 00:00:00\n", ""),
         false, disc, expected, 0},
        {"silence before track 2 that no file holds",
         QByteArray(cue).replace("TRACK 02 AUDIO\n", "TRACK 02 AUDIO\nPREGAP 00:01:00\n"), false,
         tableOf({375, 1575, 3225}, 4575),
         "0724384960650 375+375[]GBAYE6700149PC 1575+75[] 3225+150[600]4", 0},
        {"an ISRC of the wrong shape", QByteArray(cue).replace("GBAYE6700149", "GB-AYE-67-00149"),
         false, disc, QString(expected).replace("GBAYE6700149", ""), 1},
        {"a 14-digit catalog number", QByteArray(cue).replace("0724384960650", "07243849606501"),
         false, disc, QString(expected).replace("0724384960650", ""), 1},
        {"FLAGS with an unknown word", QByteArray(cue).replace("FLAGS 4CH", "FLAGS 4CH LOUD"),
         false, disc, expected, 1},
        {"indexes going backwards",
         QByteArray(cue).replace("INDEX 02 00:50:00", "INDEX 02 00:41:00"),
         false,
         disc,
         {},
         0},
        {"INDEX 00 after INDEX 01",
         QByteArray(cue).replace("INDEX 00 00:40:00\nINDEX 01 00:42:00",
                                 "INDEX 01 00:40:00\nINDEX 00 00:42:00"),
         false,
         disc,
         {},
         0},
        {"a gap as long as the track before",
         QByteArray(cue).replace("INDEX 00 00:40:00", "INDEX 00 00:20:00"),
         false,
         disc,
         {},
         0},
        {"an index past the track's end",
         QByteArray(cue).replace("INDEX 02 00:50:00", "INDEX 02 01:50:00"),
         false,
         disc,
         {},
         0},
        {"a toc INDEX before the one ahead",
         QByteArray(toc).replace("INDEX 00:08:00", "INDEX 00:08:00\nINDEX 00:07:00"),
         true,
         disc,
         {},
         0},
        {"a toc START past its data",
         QByteArray(toc).replace("START 00:05:00", "START 00:25:00"),
         true,
         disc,
         {},
         0},
    };
    for (const auto& c : cases) {
        const ImageSheet sheet =
            c.isToc ? ImageSheet::parseToc(c.sheet) : ImageSheet::parseCue(c.sheet);
        QString error;
        const DiscLayout layout = sheet.ok() ? sheet.layoutOver(c.disc, {}, &error) : DiscLayout();
        EXPECT_EQ(layout.isEmpty() ? QString() : layoutText(layout), c.layout)
            << c.what << ": " << sheet.error.toStdString() << error.toStdString();
        EXPECT_EQ(sheet.notes.size(), c.notes)
            << c.what << ": " << sheet.notes.join(' ').toStdString();
        EXPECT_TRUE(sheet.ok() || !sheet.error.isEmpty()) << c.what;
    }
}

// An .nrg carries its catalog number and ISRCs in the disc-at-once chunk,
// the flags and gaps in its cue chunk.
TEST(ImageSheet, NrgChunksGiveTheLayout) {
    const QByteArray image = nrgImage(2, [](QByteArray& b, int table) {
        const int cueLength = int(qFromBigEndian<quint32>(b.constData() + table + 4));
        const int dao = table + 8 + cueLength + 8;
        b.replace(dao + 4, 13, "0724384960650");
        b.replace(dao + 22 + 42, 12, "GBAYE6700149");
        // Track 2: pre-emphasis in both of its cue entries, INDEX 00 a frame early.
        b[table + 8 + 24] = b[table + 8 + 32] = '\x11';
        qToBigEndian<qint32>(3, b.data() + table + 8 + 28);
    });
    const ImageSheet sheet = ImageSheet::parseNrg(image, image.size());
    ASSERT_TRUE(sheet.ok()) << sheet.error.toStdString();
    QString error;
    EXPECT_EQ(layoutText(sheet.layoutOver(tableOf({0, 4}, 8), {}, &error)),
              "0724384960650 0+0[] 4+1[]GBAYE6700149P")
        << error.toStdString();
}

// libcdio puts no silence on the disc for a PREGAP: the layout it opens with
// keeps no gap there, and the log's notes say why, rather than calling the
// end of the track before a gap.
TEST(ImageSheet, SilenceTheImageLeavesOutIsNoGap) {
    const std::pair<const char*, QByteArray> sheets[] = {
        {"disc.cue", "FILE \"disc.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
                     "TRACK 02 AUDIO\nPREGAP 00:01:00\nINDEX 01 00:01:00\n"},
        {"disc.toc", "CD_DA\nTRACK AUDIO\nFILE \"disc.bin\" 0 00:01:00\n"
                     "TRACK AUDIO\nPREGAP 00:01:00\nFILE \"disc.bin\" 00:01:00 00:00:45\n"},
    };
    for (const auto& [name, sheet] : sheets) {
        QTemporaryDir dir;
        ASSERT_TRUE(write(dir.filePath("disc.bin"), QByteArray(120 * CdDisc::FrameBytes, '\0')));
        ASSERT_TRUE(write(dir.filePath(name), sheet));
        const std::unique_ptr<CdDisc> disc = CdDisc::open(CdDrive{dir.filePath(name), true});
        ASSERT_TRUE(disc) << name;
        const DiscLayout layout = disc->contents().layout;
        ASSERT_EQ(layout.tracks.size(), 2) << name;
        EXPECT_EQ(layout.tracks[1].start, 75) << name;
        EXPECT_EQ(layout.tracks[1].pregap, 0) << name;
        EXPECT_TRUE(layout.notes.join(' ').contains("PREGAP of track 2")) << name;
    }
}
