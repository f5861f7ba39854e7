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
        ASSERT_TRUE(QDir().mkpath(image + "/sub") && QDir().mkpath(root.filePath("outside")));
        const QByteArray frames(75 * CdDisc::FrameBytes, '\0');
        ASSERT_TRUE(write(image + "/sub/disc.bin", frames) &&
                    write(root.filePath("outside/secret"), frames));
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
