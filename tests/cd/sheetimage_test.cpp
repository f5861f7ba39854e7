// A rip's files with the cue sheet written beside them read back as the disc
// they came from: the same layout and disc IDs, the same audio sample for sample.
#include "cd/musicbrainz.h"
#include "components/audiowriter.h"
#include "components/cdio/cddisc.h"
#include "components/cdio/imagesheet.h"
#include "components/output/writerfactory.h"
#include "discimage.h"
#include "jobs/cuesheet.h"
#include "settings/encodersettings.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray readDisc(const CdDisc& disc, int first, int end) {
    QByteArray pcm((end - first) * CdDisc::FrameBytes, '\0');
    EXPECT_TRUE(disc.readAudio(first, end - first, pcm.data()));
    return pcm;
}

} // namespace

TEST(SheetImage, FilesAndTheirCueSheetReadBackAsTheDisc) {
    DiscImage image;
    image.content = DiscImage::Content::Noise;
    image.catalog = QStringLiteral("0724384960650");
    image.tracks = {{300, 375, false, "One", "A", "GBAYE6700149", true},
                    {400, 150, false, "Two", "B", "GBAYE6700150"},
                    {500, 0, false, "Three", "C", {}, false, {100, 250}}};
    const struct {
        OutputFormat format;
        bool hiddenKept;
    } cases[] = {{FormatWav, true}, {FormatFlac, true}, {FormatFlac, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format == FormatWav ? "WAV" : c.hiddenKept ? "FLAC" : "FLAC, no hidden");
        QTemporaryDir dir;
        const std::unique_ptr<CdDisc> disc = CdDisc::open({image.write(dir.path(), "disc"), true});
        ASSERT_TRUE(disc);
        const DiscContents contents = disc->contents();
        const DiscLayout& layout = contents.layout;
        ASSERT_EQ(layout.tracks.size(), 3);
        EXPECT_EQ(layout.tracks[0].start, 375);
        EXPECT_EQ(layout.hiddenFrames(), 375);
        EXPECT_EQ(layout.tracks[1].pregap, 150);
        EXPECT_EQ(layout.tracks[2].indexes, (QVector<int>{100, 250}));
        EXPECT_TRUE(layout.tracks[0].preEmphasis);
        EXPECT_EQ(layout.tracks[1].isrc, "GBAYE6700150");
        EXPECT_EQ(layout.catalog, "0724384960650");

        // One file a track from its INDEX 01 on, the hidden track's first.
        QVector<CueSheet::File> files;
        QVector<int> starts{0, 375, 825, 1225, 1725};
        if (!c.hiddenKept)
            starts.removeFirst();
        for (int i = 0; i + 1 < starts.size(); ++i) {
            const QString name =
                QStringLiteral("%1.%2").arg(i).arg(c.format == FormatWav ? "wav" : "flac");
            std::unique_ptr<AudioWriter> writer = makeWriter(c.format, EncoderSettings());
            writer->setInputFormat(44100, 2);
            writer->create(dir.filePath(name));
            writer->write(readDisc(*disc, starts[i], starts[i + 1]));
            writer->close();
            files << CueSheet::File{name, starts[i], starts[i + 1] - starts[i]};
        }
        const QString cue = dir.filePath("Album.cue");
        QFile sheet(cue);
        ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
        sheet.write(CueSheet{layout, files, {{"One"}, {"Two"}, {"Three"}}}.text().toUtf8());
        sheet.close();

        const std::unique_ptr<CdDisc> again = CdDisc::open({cue, true});
        ASSERT_TRUE(again) << ImageSheet::check(cue).error.toStdString();
        const DiscContents read = again->contents();
        EXPECT_EQ(read.layout, layout);
        EXPECT_EQ(read.layout.accurateRipId(), layout.accurateRipId());
        EXPECT_EQ(MbDiscId::fromLayout(read.layout).id, MbDiscId::fromLayout(layout).id);
        EXPECT_EQ(read.tracks[1].title, "Two");
        QByteArray expected = readDisc(*disc, 0, 1725);
        if (!c.hiddenKept)
            expected.replace(0, 375 * CdDisc::FrameBytes, QByteArray(375 * CdDisc::FrameBytes, 0));
        EXPECT_TRUE(readDisc(*again, 0, 1725) == expected);
    }
}
