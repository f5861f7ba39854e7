// The cue sheet beside a rip describes the disc over its files exactly: read
// back, it is the same layout. Texts from discs and databases never add a line.
#include "components/cdio/imagesheet.h"
#include "components/output/writerfactory.h"
#include "jobs/cuesheet.h"
#include "settings/encodersettings.h"
#include "tags/tagdispatch.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// A hidden track of 5 s, a 2 s gap before track 2, none before track 3, which
// has an INDEX 02; ISRCs, a catalog number and a PRE flag.
DiscLayout sampleDisc() {
    DiscLayout disc;
    disc.tracks << LayoutTrack{375, true, 375, {}, "GBAYE6700149", true}
                << LayoutTrack{1500, true, 150, {}, "GBAYE6700150"}
                << LayoutTrack{3000, true, 0, {600}, {}, false, true, true};
    disc.leadout = 4500;
    disc.catalog = QStringLiteral("0724384960650");
    return disc;
}

// One file a track, each from its INDEX 01 to the next one's; the hidden
// track's file first when it is kept.
QVector<CueSheet::File> trackFiles(const DiscLayout& disc, bool hidden) {
    QVector<CueSheet::File> files;
    if (hidden)
        files << CueSheet::File{"00 Hidden Track.flac", 0, disc.tracks[0].start};
    for (int t = 0; t < disc.tracks.size(); ++t) {
        const int end = t + 1 < disc.tracks.size() ? disc.tracks[t + 1].start : disc.leadout;
        files << CueSheet::File{QStringLiteral("%1 Song.flac").arg(t + 1, 2, 10, QChar('0')),
                                disc.tracks[t].start, end - disc.tracks[t].start};
    }
    return files;
}

} // namespace

TEST(CueSheet, ReadsBackAsTheSameDisc) {
    const DiscLayout disc = sampleDisc();
    const struct {
        const char* what;
        QVector<CueSheet::File> files;
        QStringList lines; // among the sheet's lines, in this order
    } cases[] = {
        {"the hidden track kept",
         trackFiles(disc, true),
         {"CATALOG 0724384960650", "FILE \"00 Hidden Track.flac\" WAVE", "  TRACK 01 AUDIO",
          "    ISRC GBAYE6700149", "    FLAGS PRE", "    INDEX 00 00:00:00",
          "FILE \"01 Song.flac\" WAVE", "    INDEX 01 00:00:00", "  TRACK 02 AUDIO",
          "    INDEX 00 00:13:00", "FILE \"02 Song.flac\" WAVE", "    INDEX 01 00:00:00",
          "    FLAGS DCP 4CH", "    INDEX 02 00:08:00"}},
        {"the hidden track left out",
         trackFiles(disc, false),
         {"FILE \"01 Song.flac\" WAVE", "  TRACK 01 AUDIO", "    PREGAP 00:05:00",
          "    INDEX 01 00:00:00"}},
        {"the disc as one file",
         {{"Album.flac", 0, 4500}},
         {"FILE \"Album.flac\" WAVE", "    INDEX 00 00:00:00", "    INDEX 01 00:05:00",
          "    INDEX 00 00:18:00", "    INDEX 01 00:20:00", "    INDEX 01 00:40:00",
          "    INDEX 02 00:48:00"}},
    };
    for (const auto& c : cases) {
        CueSheet sheet{disc, c.files, {{"Intro"}, {"Two"}, {"Three"}}, "Album", "Band"};
        const QString text = sheet.text();
        const QStringList lines = text.split("\r\n");
        int at = 0;
        for (const QString& line : c.lines) {
            const int found = int(lines.indexOf(line, at));
            EXPECT_GE(found, 0) << c.what << ": no " << line.toStdString() << " after line " << at
                                << " in\n"
                                << text.toStdString();
            at = qMax(at, found);
        }
        const ImageSheet read = ImageSheet::parseCue(text.toUtf8());
        ASSERT_TRUE(read.ok()) << c.what << ": " << read.error.toStdString();
        DiscLayout toc = disc;
        for (LayoutTrack& track : toc.tracks)
            track = LayoutTrack{track.start, true};
        toc.catalog.clear();
        QVector<int> frames;
        for (const CueSheet::File& file : c.files)
            frames << file.frames;
        QString error;
        EXPECT_EQ(read.layoutOver(toc, frames, &error), disc) << c.what << error.toStdString();
        EXPECT_TRUE(read.notes.isEmpty()) << c.what;
        EXPECT_EQ(read.tracks[1].title, "Two") << c.what;
    }
}

TEST(CueSheet, TextsFromOutsideStayOneQuotedLine) {
    const QString hostile =
        QStringLiteral("a\"b\r\nTRACK 05 AUDIO\n\tc") + QString(400, QChar(0x65e5));
    CueSheet sheet{sampleDisc(),
                   {{"x\".flac", 0, 4500}},
                   {{hostile, hostile}},
                   hostile,
                   hostile,
                   hostile,
                   hostile,
                   hostile};
    const QString text = sheet.text();
    for (const QString& line : text.split("\r\n", Qt::SkipEmptyParts)) {
        EXPECT_LE(line.toUtf8().size(), ImageSheet::MaxLineBytes) << line.toStdString();
        EXPECT_LE(line.count('"'), 2) << line.toStdString();
    }
    EXPECT_EQ(ImageSheet::parseCue(text.toUtf8()).tracks.size(), 3);
    EXPECT_EQ(sheet.playlist().count('\n'), 3);
}

// libFLAC's own reader takes the CUESHEET block and gives the layout back.
TEST(CueSheet, FlacBlockShowsTheLayoutToMetaflac) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Album.flac");
    std::unique_ptr<AudioWriter> writer = makeWriter(FormatFlac, EncoderSettings());
    writer->setInputFormat(44100, 2);
    writer->create(path);
    writer->write(QByteArray(4500 * 2352, '\x01'));
    writer->close();
    const DiscLayout disc = sampleDisc();
    TagExtras extras;
    extras.cueSheetBlock = CueSheet::flacBlock(disc, 0);
    extras.cueSheet = CueSheet{disc, {{"Album.flac", 0, 4500}}}.text();
    writeOutputTags(path, {"t", "a", "b"}, extras);
    QProcess metaflac;
    metaflac.start("metaflac", {"--export-cuesheet-to=-", path});
    ASSERT_TRUE(metaflac.waitForFinished());
    const QString shown = QString::fromUtf8(metaflac.readAllStandardOutput());
    EXPECT_EQ(metaflac.exitCode(), 0) << metaflac.readAllStandardError().toStdString();
    for (const char* line :
         {"CATALOG 0724384960650", "    ISRC GBAYE6700149", "    FLAGS PRE",
          "    INDEX 01 00:05:00", "    INDEX 00 00:18:00", "    INDEX 02 00:48:00"})
        EXPECT_TRUE(shown.contains(line)) << line << " not in\n" << shown.toStdString();
}
