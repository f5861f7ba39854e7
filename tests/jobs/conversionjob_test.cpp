#include "components/componenterror.h"
#include "components/ffmpeg/audiofilereader.h"
#include "components/ffmpeg/videofile.h"
#include "jobs/conversionjob.h"
#include "jobs/jobtesttools.h"
#include "jobs/outputnaming.h"
#include "platform/partfilename.h"
#include "support/mediatools.h"
#include "tags/tagdispatch.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace MediaTools;

namespace {
// While positive, every sync fails as a failing disk makes it fail.
std::atomic<int> failingSyncs{0};
} // namespace

// The core library is static: this definition takes the place of the C library's.
extern "C" int fsync(int fd) {
    if (failingSyncs > 0) {
        errno = EIO;
        return -1;
    }
    return int(::syscall(SYS_fsync, fd));
}

namespace {

const RowTag SourceTag{QStringLiteral("Título"), QStringLiteral("Артист"),
                       QStringLiteral("Album 日本")};

QStringList lavfiTone(double seconds, int rate = 44100) {
    return {QStringLiteral("-f"),
            QStringLiteral("lavfi"),
            QStringLiteral("-i"),
            QStringLiteral("sine=frequency=440:duration=%1:sample_rate=%2").arg(seconds).arg(rate),
            QStringLiteral("-ac"),
            QStringLiteral("2")};
}

QStringList lavfiPicture(double seconds) {
    return {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
            QStringLiteral("testsrc=size=64x48:rate=25:duration=%1").arg(seconds)};
}

QStringList metadata() {
    return {QStringLiteral("-metadata"), QStringLiteral("title=") + SourceTag.title,
            QStringLiteral("-metadata"), QStringLiteral("artist=") + SourceTag.artist,
            QStringLiteral("-metadata"), QStringLiteral("album=") + SourceTag.album};
}

class ConversionTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString out() const { return dir.filePath(QStringLiteral("out")); }

    // A generated source of `seconds` in the file type of name's extension;
    // MP3, OGG and WMA sources carry SourceTag.
    QString source(const QString& name, double seconds = 1.0) {
        const QString file = path(name);
        const QString type = QFileInfo(name).suffix();
        QStringList arguments;
        if (type == QLatin1String("raw")) {
            QFile raw(file);
            EXPECT_TRUE(raw.open(QIODevice::WriteOnly));
            raw.write(tone(44100, 2, seconds, 440));
            return file;
        }
        if (type == QLatin1String("vox")) {
            QFile vox(file);
            EXPECT_TRUE(vox.open(QIODevice::WriteOnly));
            vox.write(noise(int(4000 * seconds) / 2, 1)); // two 4-bit samples a byte, 8 kHz
            return file;
        }
        if (type == QLatin1String("mp3"))
            arguments = lavfiTone(seconds) + metadata() +
                        QStringList{"-c:a", "libmp3lame", "-id3v2_version", "3"};
        else if (type == QLatin1String("ogg"))
            arguments = lavfiTone(seconds) + metadata() + QStringList{"-c:a", "libvorbis"};
        else if (type == QLatin1String("wma"))
            arguments = lavfiTone(seconds) + metadata() + QStringList{"-c:a", "wmav2"};
        else if (type == QLatin1String("wav"))
            arguments = lavfiTone(seconds);
        else if (type == QLatin1String("avi"))
            arguments = lavfiPicture(seconds) + lavfiTone(seconds) +
                        QStringList{"-c:v", "mpeg4", "-c:a", "libmp3lame"};
        else if (type == QLatin1String("mpg"))
            arguments = lavfiPicture(seconds) + lavfiTone(seconds, 48000) +
                        QStringList{"-c:v", "mpeg1video", "-c:a", "mp2"};
        else if (type == QLatin1String("wmv"))
            arguments = lavfiPicture(seconds) + lavfiTone(seconds) +
                        QStringList{"-c:v", "wmv2", "-c:a", "wmav2"};
        else if (type == QLatin1String("asf"))
            arguments = lavfiPicture(seconds) + lavfiTone(seconds) +
                        QStringList{"-c:v", "msmpeg4", "-c:a", "wmav2"};
        EXPECT_TRUE(ffmpeg(arguments + QStringList{file})) << name.toStdString();
        return file;
    }

    JobRow row(int index, const QString& source, OutputFormat format, const RowTag& tag = {}) {
        JobRow r;
        r.row = index;
        r.caption = QFileInfo(source).fileName();
        r.source = source;
        r.format = format;
        r.tag = tag;
        return r;
    }

    JobParts components() {
        return {settingsWriters(path(QStringLiteral("Orvelle.ini"))),
                audioReaders(),
                videoFiles(),
                rmWriters(),
                {}};
    }

    JobSettings settings(FolderScheme scheme = FolderScheme::None) { return {out(), scheme, 0}; }

    QStringList outputFiles() const {
        QStringList files;
        QDir folder(out());
        for (const QFileInfo& info :
             folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
            files << info.fileName();
        return files;
    }

    QTemporaryDir dir;
};

TEST_F(ConversionTest, EveryInputTypeToEveryFormat) {
    const QStringList types{"mp3", "wav", "ogg", "wma", "raw", "vox", "avi", "mpg", "wmv", "asf"};
    const OutputFormat formats[] = {FormatMp3, FormatWav, FormatWma, FormatOgg, FormatRm};
    QVector<JobRow> rows;
    for (const QString& type : types) {
        const QString file = source(QStringLiteral("in-") + type + QLatin1Char('.') + type);
        // The row's tags are what the list read from the source, else what the user typed.
        RowTag tag = readRowTags(file);
        if (type == "mp3" || type == "ogg" || type == "wma")
            EXPECT_EQ(tag, SourceTag) << type.toStdString();
        else
            tag = {QStringLiteral("Typed ") + type, QStringLiteral("Someone"),
                   QStringLiteral("Al")};
        for (OutputFormat format : formats)
            rows << row(rows.size(), file, format, tag);
    }
    ConversionJob job(settings(), rows, components());
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    ASSERT_TRUE(events.failures.isEmpty()) << events.lines.join('\n').toStdString();
    ASSERT_EQ(events.outputs.size(), rows.size());

    QStringList tagged;
    QList<RowTag> expected;
    for (const JobRow& r : rows) {
        const QString output = events.outputs[r.row];
        SCOPED_TRACE(output.toStdString());
        EXPECT_EQ(QFileInfo(output).suffix(), outputExtension(r.format).mid(1));
        const Probe probe = MediaTools::probe(output);
        EXPECT_TRUE(probe.ok);
        EXPECT_NEAR(probe.duration, 1.0, 0.1);
        if (r.format == FormatRm) {
            EXPECT_EQ(probe.format, "rm");
        }
        if (r.format == FormatMp3 || r.format == FormatOgg || r.format == FormatWma) {
            tagged << output;
            expected << r.tag;
        }
    }
    const QList<RowTag> found = mutagenTags(tagged);
    ASSERT_EQ(found.size(), expected.size());
    for (int i = 0; i < found.size(); ++i)
        EXPECT_EQ(found[i], expected[i]) << tagged[i].toStdString();
}

TEST_F(ConversionTest, RowsGoInOrderAndTheLastRowsFolderOpens) {
    const QString mp3 = source(QStringLiteral("first.mp3"), 2.5);
    const QString avi = source(QStringLiteral("second.avi"), 1.5);
    ConversionJob job(
        settings(FolderScheme::Artist),
        {row(3, mp3, FormatWav, {"a", "", ""}), row(7, avi, FormatOgg, {"b", "Band", ""})},
        components());
    JobEvents events;
    ASSERT_TRUE(events.run(job));

    QStringList order;
    for (const QString& line : events.lines)
        if (!line.startsWith(QLatin1String("progress")))
            order << line;
    EXPECT_EQ(order, QStringList({"start 3", "finish 3", "start 7", "finish 7",
                                  "end " + out() + "/Band/"}));
    EXPECT_EQ(events.outputs[3], out() + "/first.wav");
    EXPECT_EQ(events.outputs[7], out() + "/Band/second.ogg");
    // Progress comes between a row's start and its end, shaped "NN.NN%", never backwards.
    EXPECT_LT(events.lines.indexOf("start 3"),
              events.lines.indexOf(events.only("progress").first()));
    for (int r : {3, 7}) {
        const QStringList texts = events.progress[r];
        ASSERT_FALSE(texts.isEmpty()) << r << events.lines.join(' ').toStdString();
        QStringList sorted = texts;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(texts, sorted);
        for (const QString& text : texts)
            EXPECT_TRUE(QRegularExpression("^\\d\\d\\.\\d\\d%$").match(text).hasMatch())
                << text.toStdString();
    }
    // Two chunks of one second each, and the rest.
    EXPECT_EQ(events.progress[3].size(), 3);
}

TEST_F(ConversionTest, ConvertingTheListTwiceAddsThePrefix) {
    const QString wav = source(QStringLiteral("take.wav"));
    for (int run = 0; run < 3; ++run) {
        ConversionJob job(settings(), {row(0, wav, FormatMp3)}, components());
        JobEvents events;
        ASSERT_TRUE(events.run(job));
    }
    EXPECT_EQ(outputFiles(), QStringList({"01_take.mp3", "02_take.mp3", "take.mp3"}));
}

// Stop while the second of three rows runs: the first is complete, the second
// keeps what it read so far and gets its tags, the third never starts.
TEST_F(ConversionTest, StopEndsTheCurrentRowAndStartsNoOther) {
    const QString a = source(QStringLiteral("a.wav"), 3);
    const QString b = source(QStringLiteral("b.wav"), 3);
    const QString c = source(QStringLiteral("c.wav"), 1);
    auto arrived = std::make_shared<Gate>();
    auto gate = std::make_shared<Gate>();
    int made = 0;
    // The second row's reader holds its second block until the test has pressed Stop.
    struct HeldReader : ForwardingReader {
        HeldReader(std::shared_ptr<Gate> a, std::shared_ptr<Gate> g)
            : ForwardingReader(std::make_unique<AudioFileReader>()), arrived(std::move(a)),
              gate(std::move(g)) {}
        QByteArray read(int frames) override {
            if (++reads == 2) {
                arrived->open();
                gate->wait();
            }
            return ForwardingReader::read(frames);
        }
        std::shared_ptr<Gate> arrived, gate;
        int reads = 0;
    };
    JobParts parts = components();
    parts.audioReader = [&]() -> std::unique_ptr<AudioReader> {
        if (++made == 2)
            return std::make_unique<HeldReader>(arrived, gate);
        return std::make_unique<AudioFileReader>();
    };
    // The part cut short is not the track: it gets no gain of its own nor the album's.
    std::vector<ReplayGainValues> gains;
    parts.tags = [&gains](const QString& part, const RowTag& tag, const TagExtras& extras) {
        gains.push_back(extras.gain);
        writeOutputTags(part, tag, extras);
    };
    JobSettings albumGain = settings();
    albumGain.replayGain = GainMode::Album;
    ConversionJob job(albumGain,
                      {row(0, a, FormatWav, SourceTag), row(1, b, FormatMp3, SourceTag),
                       row(2, c, FormatOgg, SourceTag)},
                      parts);
    QObject::connect(&job, &Job::rowProgress, &job, [&](int r) {
        if (r == 1) {
            arrived->wait(); // the worker reads on by itself up to the held block
            job.stop();
            gate->open();
        }
    });
    JobEvents events;
    ASSERT_TRUE(events.run(job));

    EXPECT_EQ(events.only("start"), QStringList({"start 0", "start 1"}));
    EXPECT_EQ(events.only("finish"), QStringList({"finish 0", "finish 1"}));
    EXPECT_EQ(events.folder, QString()) << "the last row was never reached";
    EXPECT_NEAR(probe(events.outputs[0]).duration, 3.0, 0.01);
    EXPECT_NEAR(probe(events.outputs[1]).duration, 2.0, 0.1); // two blocks of one second
    EXPECT_EQ(mutagenTags({events.outputs[1]}).value(0), SourceTag);
    EXPECT_EQ(outputFiles(), QStringList({"a.wav", "b.mp3"}));
    ASSERT_FALSE(gains.empty());
    for (const ReplayGainValues& gain : gains)
        EXPECT_FALSE(gain.trackGain || gain.albumGain);
}

TEST_F(ConversionTest, FailedRowsAreRemovedReportedAndTheJobGoesOn) {
    const QString good = source(QStringLiteral("good.wav"));
    QFile junk(path(QStringLiteral("junk.mp3")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(3000, 'x'));
    junk.close();
    const QString longer = source(QStringLiteral("long.wav"), 3);

    // A disk that fills up after the first block of the OGG row.
    struct FullDisk : ForwardingWriter {
        using ForwardingWriter::ForwardingWriter;
        void write(const QByteArray& pcm) override {
            if (writes++ > 0)
                throw ComponentError(QStringLiteral("No space left on the device."));
            ForwardingWriter::write(pcm);
        }
        int writes = 0;
    };
    JobParts parts = components();
    const WriterFactory real = parts.writer;
    parts.writer = [real](OutputFormat format,
                          const EncoderSettings& encoders) -> std::unique_ptr<AudioWriter> {
        if (format == FormatOgg)
            return std::make_unique<FullDisk>(real(format, encoders));
        return real(format, encoders);
    };
    QStringList tagged;
    parts.tags = [&tagged](const QString& output, const RowTag& tag, const TagExtras&) {
        const QString name = finalNameOfPart(QFileInfo(output).fileName());
        if (name.endsWith(QLatin1String(".wma")))
            throw std::runtime_error("The tag does not fit.");
        tagged << name;
        writeRowTags(output, tag);
    };
    ConversionJob job(settings(),
                      {row(0, good, FormatMp3), row(1, path("missing.wav"), FormatMp3),
                       row(2, junk.fileName(), FormatWav), row(3, longer, FormatOgg),
                       row(4, good, FormatWma), row(5, good, FormatWav)},
                      parts);
    JobEvents events;
    ASSERT_TRUE(events.run(job));

    EXPECT_EQ(events.only("start").size(), 6);
    EXPECT_EQ(events.only("finish"), QStringList({"finish 0", "finish 5"}));
    ASSERT_EQ(job.failures().size(), 4);
    EXPECT_EQ(job.failures()[0].row, 1);
    EXPECT_EQ(job.failures()[1].row, 2);
    EXPECT_EQ(job.failures()[2].row, 3);
    EXPECT_TRUE(job.failures()[2].message.contains("No space"))
        << job.failures()[2].message.toStdString();
    EXPECT_EQ(job.failures()[3].row, 4);
    EXPECT_TRUE(job.failures()[3].message.contains("tags"))
        << job.failures()[3].message.toStdString();
    // Unfinished files go, and so does a file whose tags were refused.
    EXPECT_EQ(outputFiles(), QStringList({"good.mp3", "good.wav"}));
    EXPECT_EQ(tagged, QStringList({"good.mp3", "good.wav"}));
    EXPECT_EQ(events.folder, out() + "/");
}

TEST_F(ConversionTest, AReaderWithoutALengthShowsZeroUntilTheEnd) {
    struct NoLength : ForwardingReader {
        NoLength() : ForwardingReader(std::make_unique<AudioFileReader>()) {}
        qint64 getLength() override { return 0; }
    };
    JobParts parts = components();
    parts.audioReader = [] { return std::make_unique<NoLength>(); };
    ConversionJob job(settings(), {row(0, source(QStringLiteral("n.wav"), 2.2), FormatWav)}, parts);
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    EXPECT_EQ(events.progress[0], QStringList({"00.00%"}));
    EXPECT_EQ(events.only("finish").size(), 1);
    EXPECT_NEAR(probe(events.outputs[0]).duration, 2.2, 0.01);
}

TEST_F(ConversionTest, MixedRmAndMp3RowsEachTakeTheirPath) {
    const QString mp3 = source(QStringLiteral("song.mp3"), 1.5);
    const QString avi = source(QStringLiteral("clip.avi"), 1.5);
    // A video that opens only at the second attempt is converted all the same.
    struct SecondChance : VideoReader {
        VideoFile real;
        int opens = 0;
        void open(const QString& p) override {
            if (++opens == 1)
                throw ComponentError(QStringLiteral("not yet"));
            real.open(p);
        }
        QByteArray readAudio(int bytes) override { return real.readAudio(bytes); }
        void seek(int ms) override { real.seek(ms); }
        int getChannels() override { return real.getChannels(); }
        int getSampleRate() override { return real.getSampleRate(); }
        int getPositionMs() override { return real.getPositionMs(); }
        int getDurationMs() override { return real.getDurationMs(); }
        qint64 getPosition() override { return real.getPosition(); }
        qint64 getLength() override { return real.getLength(); }
        void close() override { real.close(); }
    };
    JobParts parts = components();
    parts.video = [] { return std::make_unique<SecondChance>(); };
    QStringList tagged;
    parts.tags = [&tagged](const QString& output, const RowTag& tag, const TagExtras&) {
        tagged << finalNameOfPart(QFileInfo(output).fileName());
        writeRowTags(output, tag);
    };
    ConversionJob job(settings(),
                      {row(0, mp3, FormatRm, SourceTag), row(1, avi, FormatMp3, SourceTag),
                       row(2, avi, FormatRm, SourceTag)},
                      parts);
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    ASSERT_TRUE(events.failures.isEmpty()) << events.lines.join('\n').toStdString();
    EXPECT_EQ(outputFiles(), QStringList({"clip.mp3", "clip.rm", "song.rm"}));
    EXPECT_EQ(tagged, QStringList({"clip.mp3"})) << "RM files get no tags";
    for (const QString& rm : {out() + "/song.rm", out() + "/clip.rm"}) {
        const Probe probe = MediaTools::probe(rm);
        EXPECT_EQ(probe.format, "rm");
        EXPECT_NEAR(probe.duration, 1.5, 0.1);
    }
    EXPECT_EQ(mutagenTags({out() + "/clip.mp3"}).value(0), SourceTag);
    EXPECT_EQ(events.folder, out() + "/");
}

TEST_F(ConversionTest, StartIsRefusedWithoutAFolderAndOnlyOnce) {
    const QString wav = source(QStringLiteral("x.wav"));
    ConversionJob nowhere({QStringLiteral(" "), FolderScheme::None, 0}, {row(0, wav, FormatWav)},
                          components());
    QSignalSpy started(&nowhere, &Job::rowStarted);
    EXPECT_FALSE(nowhere.start());
    EXPECT_FALSE(nowhere.isRunning());

    ConversionJob job(settings(), {row(0, wav, FormatWav)}, components());
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    EXPECT_FALSE(job.start());
    EXPECT_EQ(started.count(), 0);
    EXPECT_EQ(outputFiles(), QStringList({"x.wav"}));

    // An empty list ends at once, with nothing to open.
    ConversionJob empty(settings(), {}, components());
    JobEvents none;
    ASSERT_TRUE(none.run(empty));
    EXPECT_EQ(none.lines, QStringList({"end "}));
}

// Rows side by side: as many start at once as allowed, the next only when one
// ends; a name taken by a running row is not given to another.
TEST_F(ConversionTest, RowsRunSideBySideUpToTheLimit) {
    const QString take = source(QStringLiteral("take.wav"), 2);
    const QString other = source(QStringLiteral("other.wav"), 1);
    ConversionJob job(settings(),
                      {row(0, take, FormatMp3, SourceTag), row(1, take, FormatMp3, SourceTag),
                       row(2, other, FormatOgg, SourceTag), row(3, take, FormatWav)},
                      components());
    job.setMaxRunningRows(2);
    EXPECT_EQ(job.maxRunningRows(), 2);
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    ASSERT_TRUE(events.failures.isEmpty()) << events.lines.join('\n').toStdString();

    EXPECT_EQ(events.lines.mid(0, 2), QStringList({"start 0", "start 1"}));
    // A third row starts only after one of the first two has ended.
    const int third = events.lines.indexOf("start 2");
    const int firstEnd =
        std::min(events.lines.indexOf("finish 0"), events.lines.indexOf("finish 1"));
    EXPECT_GT(third, firstEnd);
    int running = 0, most = 0;
    for (const QString& line : events.lines) {
        if (line.startsWith(QLatin1String("start ")))
            most = std::max(most, ++running);
        else if (line.startsWith(QLatin1String("finish ")))
            --running;
    }
    EXPECT_EQ(most, 2);
    EXPECT_EQ(outputFiles(), QStringList({"01_take.mp3", "other.ogg", "take.mp3", "take.wav"}));
    for (const QString& mp3 : {out() + "/take.mp3", out() + "/01_take.mp3"}) {
        EXPECT_NEAR(probe(mp3).duration, 2.0, 0.1) << mp3.toStdString();
        EXPECT_EQ(mutagenTags({mp3}).value(0), SourceTag) << mp3.toStdString();
    }
    EXPECT_NEAR(probe(out() + "/other.ogg").duration, 1.0, 0.1);
    EXPECT_EQ(events.folder, out() + "/");
}

// Stop while two rows run: both finish with what they read so far, and the
// rows behind them never start.
TEST_F(ConversionTest, StopFinishesEveryRunningRowAndStartsNoOther) {
    const QString a = source(QStringLiteral("a.wav"), 3);
    const QString b = source(QStringLiteral("b.wav"), 3);
    const QString c = source(QStringLiteral("c.wav"), 1);
    auto arrived = std::make_shared<std::array<Gate, 2>>();
    auto gate = std::make_shared<Gate>();
    // Each of the first two readers holds its second block until Stop.
    struct HeldReader : ForwardingReader {
        HeldReader(Gate& a, std::shared_ptr<Gate> g)
            : ForwardingReader(std::make_unique<AudioFileReader>()), arrived(a),
              gate(std::move(g)) {}
        QByteArray read(int frames) override {
            if (++reads == 2) {
                arrived.open();
                gate->wait();
            }
            return ForwardingReader::read(frames);
        }
        Gate& arrived;
        std::shared_ptr<Gate> gate;
        int reads = 0;
    };
    int made = 0;
    JobParts parts = components();
    parts.audioReader = [&]() -> std::unique_ptr<AudioReader> {
        if (made < 2)
            return std::make_unique<HeldReader>((*arrived)[std::size_t(made++)], gate);
        return std::make_unique<AudioFileReader>();
    };
    ConversionJob job(settings(FolderScheme::Artist),
                      {row(0, a, FormatWav, SourceTag), row(1, b, FormatMp3, SourceTag),
                       row(2, c, FormatOgg, {"c", "Last", ""})},
                      parts);
    job.setMaxRunningRows(2);
    // Once both rows have shown progress, both readers are at (or on their
    // way to) their held block.
    QSet<int> showing;
    QObject::connect(&job, &Job::rowProgress, &job, [&](int r) {
        showing.insert(r);
        if (showing.size() != 2)
            return;
        (*arrived)[0].wait();
        (*arrived)[1].wait();
        job.stop();
        gate->open();
    });
    JobEvents events;
    const bool ran = events.run(job);
    gate->open(); // rows run one at a time would still be held here
    ASSERT_TRUE(ran);

    EXPECT_EQ(events.only("start"), QStringList({"start 0", "start 1"}));
    EXPECT_EQ(events.only("finish").size(), 2);
    EXPECT_EQ(events.folder, QString()) << "the last row was never reached";
    for (int r : {0, 1}) // the held block is the last each writes
        EXPECT_NEAR(probe(events.outputs[r]).duration, 2.0, 0.1) << r;
    EXPECT_EQ(mutagenTags({events.outputs[1]}).value(0), SourceTag);
    EXPECT_FALSE(QFileInfo::exists(out() + "/Last"));
}

// The folder shown at the end is the last row's, even when a row before it
// is the last to end.
TEST_F(ConversionTest, TheLastRowsFolderOpensWhateverEndsLast) {
    const QString longer = source(QStringLiteral("long.wav"), 4);
    const QString shorter = source(QStringLiteral("short.wav"), 0.5);
    ConversionJob job(settings(FolderScheme::Artist),
                      {row(0, longer, FormatMp3, {"l", "First", ""}),
                       row(1, shorter, FormatWav, {"s", "Second", ""})},
                      components());
    job.setMaxRunningRows(0); // one per core
    EXPECT_GE(job.maxRunningRows(), 1);
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    EXPECT_EQ(events.only("finish").size(), 2);
    EXPECT_EQ(events.folder, out() + "/Second/");
}

// Someone who may rename entries in the output folder swaps a link to another
// file in for a row's part file: after its reservation, between the audio and
// the tags, or between the tags and its name. The row fails, and the other
// file, read-only and of the row's own format, stays as it was.
TEST_F(ConversionTest, ALinkSwappedInForThePartFileIsNeverFollowed) {
    const QString wav = source(QStringLiteral("s.wav"));
    SecondUser::mayWriteIn(out());
    const auto contents = [](const QString& file) {
        QFile read(file);
        struct stat info {};
        ::stat(QFile::encodeName(file).constData(), &info);
        return read.open(QIODevice::ReadOnly) ? read.readAll() + QByteArray::number(info.st_mode)
                                              : QByteArray();
    };
    enum Step { AfterReservation, BeforeTags, BeforeName };
    for (const OutputFormat format : {FormatFlac, FormatMp3, FormatOgg, FormatWma}) {
        const QString victim = path(QStringLiteral("victim") + outputExtension(format));
        ASSERT_TRUE(ffmpeg(lavfiTone(1) + QStringList{victim}));
        ::chmod(QFile::encodeName(victim).constData(), 0444);
        const QByteArray before = contents(victim);
        // Every part file there is, as whoever watches the folder sees them.
        const std::function<void()> swap = [this, victim] {
            for (const QString& part : QDir(out()).entryList(
                     {"*.orvelle-part"}, QDir::Files | QDir::Hidden | QDir::NoSymLinks))
                SecondUser::swapForLink(out() + "/" + part, victim);
        };
        for (const Step step : {AfterReservation, BeforeTags, BeforeName}) {
            SCOPED_TRACE(QStringLiteral("%1 at step %2").arg(victim).arg(step).toStdString());
            struct Swapping : ForwardingWriter {
                Swapping(std::unique_ptr<AudioWriter> inner, std::function<void()> s)
                    : ForwardingWriter(std::move(inner)), swap(std::move(s)) {}
                void create(const QString& part) override {
                    swap();
                    ForwardingWriter::create(part);
                }
                std::function<void()> swap;
            };
            JobParts parts = components();
            if (step == AfterReservation)
                parts.writer = [real = parts.writer, swap](OutputFormat f,
                                                           const EncoderSettings& encoders) {
                    return std::make_unique<Swapping>(real(f, encoders), swap);
                };
            parts.tags = [step, swap](const QString& part, const RowTag& tag,
                                      const TagExtras& extras) {
                if (step == BeforeTags)
                    swap();
                writeOutputTags(part, tag, extras);
                if (step == BeforeName)
                    swap();
            };
            ConversionJob job(settings(), {row(0, wav, format, SourceTag)}, parts);
            JobEvents events;
            ASSERT_TRUE(events.run(job));
            EXPECT_EQ(events.failures.size(), 1) << events.lines.join('\n').toStdString();
            EXPECT_TRUE(contents(victim) == before);
        }
    }
}

const OutputFormat EveryFormat[] = {FormatMp3, FormatWav, FormatWma, FormatOgg, FormatRm};

// A row whose file did not all reach the disk fails and leaves nothing, in
// every format: a sync that fails, a disk full during the audio, a disk full
// during the tags (the copy a tag write makes). The full disk is a small
// tmpfs, which only root can mount.
TEST_F(ConversionTest, AFileThatDidNotReachTheDiskFailsItsRowAndLeavesNothing) {
    const QString wav = source(QStringLiteral("f.wav"), 20);
    const auto convert = [&](const QString& folder, OutputFormat format) {
        ConversionJob job({folder, FolderScheme::None, 0}, {row(0, wav, format, SourceTag)},
                          components());
        JobEvents events;
        EXPECT_TRUE(events.run(job));
        EXPECT_EQ(events.failures.size(), 1) << format;
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList()) << format;
    };
    for (const OutputFormat format : EveryFormat) {
        failingSyncs = 1;
        convert(out(), format);
        failingSyncs = 0;
    }
    const QByteArray disk = QFile::encodeName(path(QStringLiteral("disk")));
    QDir().mkpath(path(QStringLiteral("disk")));
    if (::mount("tmpfs", disk.constData(), "tmpfs", 0, "size=8m") != 0)
        GTEST_SKIP() << "no small disk to fill: mounting a tmpfs needs root";
    const auto unmount = qScopeGuard([&] { ::umount2(disk.constData(), MNT_DETACH); });
    QDir().mkpath(path(QStringLiteral("disk/out")));
    QFile filler(path(QStringLiteral("disk/filler")));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
    for (const OutputFormat format : EveryFormat) {
        ConversionJob sizing(settings(), {row(0, wav, format, SourceTag)}, components());
        JobEvents sized;
        ASSERT_TRUE(sized.run(sizing));
        const qint64 size = QFileInfo(sized.outputs.value(0)).size();
        // Room for half the file; for a tagged format also for the file but not its copy.
        QList<qint64> rooms{size / 2};
        if (format != FormatWav && format != FormatRm)
            rooms << size * 3 / 2;
        for (const qint64 room : rooms) {
            ASSERT_TRUE(filler.resize(0) && filler.seek(0));
            struct statvfs info;
            ASSERT_EQ(::statvfs(disk.constData(), &info), 0);
            const qint64 fill = qint64(info.f_bavail * info.f_frsize) - room;
            ASSERT_TRUE(filler.write(QByteArray(int(fill), 'f')) == fill && filler.flush());
            convert(path(QStringLiteral("disk/out")), format);
        }
    }
}

} // namespace

namespace {

// FFmpeg's integrated loudness of the inputs played one after the other.
double ffmpegLoudness(const QStringList& files) {
    QStringList arguments{"-nostats", "-hide_banner"};
    for (const QString& file : files)
        arguments << "-i" << file;
    QString inputs;
    for (int i = 0; i < files.size(); ++i)
        inputs += QStringLiteral("[%1:a]").arg(i);
    arguments << "-filter_complex"
              << inputs + QStringLiteral("concat=n=%1:v=0:a=1,ebur128").arg(files.size()) << "-f"
              << "null"
              << "-";
    QProcess process;
    process.start(QStringLiteral("ffmpeg"), arguments);
    process.waitForFinished(60000);
    const QString out = QString::fromUtf8(process.readAllStandardError());
    return QRegularExpression(QStringLiteral("I:\\s+(-?[0-9.]+) LUFS"))
        .match(out.mid(out.lastIndexOf(QLatin1String("Summary:"))))
        .captured(1)
        .toDouble();
}

} // namespace

// Each file gets its own gain and, after the album's last row, the album's;
// a row that fails gets neither, and the others' album leaves it out.
TEST_F(ConversionTest, ReplayGainOfEachTrackAndOfTheAlbum) {
    const QStringList lavfi[] = {
        {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=12"},
        {"-f", "lavfi", "-i", "anoisesrc=color=pink:amplitude=0.5:sample_rate=48000:duration=12"},
        {"-f", "lavfi", "-i", "sine=frequency=1000:sample_rate=48000:duration=10", "-af",
         "volume=-20dB", "-ac", "2"},
    };
    QStringList sources;
    QVector<JobRow> rows;
    const RowTag album{"T", "A", "Album"};
    for (int i = 0; i < 3; ++i) {
        sources << path(QStringLiteral("%1.wav").arg(i));
        ASSERT_TRUE(ffmpeg(lavfi[i] + QStringList{sources[i]}));
        rows << row(i, sources[i], FormatFlac, album);
    }
    QFile damaged(path("3.wav"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("RIFF garbage");
    damaged.close();
    // An album of which a row failed: the gain of the rest is not the album's.
    const RowTag other{"T", "A", "Other"};
    ASSERT_TRUE(QFile::copy(sources[2], path("4.wav")));
    rows << row(3, damaged.fileName(), FormatFlac, other)
         << row(4, path("4.wav"), FormatFlac, other);

    QMap<QString, ReplayGainValues> written;
    JobParts parts = components();
    parts.tags = [&written](const QString& output, const RowTag&, const TagExtras& extras) {
        written[finalNameOfPart(QFileInfo(output).fileName())] = extras.gain;
    };
    JobSettings gains = settings();
    gains.replayGain = GainMode::Album;
    ConversionJob job(gains, rows, parts);
    job.setMaxRunningRows(2);
    JobEvents events;
    ASSERT_TRUE(events.run(job));
    EXPECT_EQ(events.only("finish").size(), 4);
    EXPECT_EQ(events.only("fail").size(), 1);

    ASSERT_EQ(written.size(), 4);
    const ReplayGainValues alone = written.value(QStringLiteral("4.flac"));
    EXPECT_TRUE(alone.trackGain && !alone.albumGain && !alone.albumPeak);
    const double albumGain = -18 - ffmpegLoudness(sources);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const ReplayGainValues gain = written.value(QStringLiteral("%1.flac").arg(i));
        ASSERT_TRUE(gain.trackGain && gain.albumGain && gain.trackPeak && gain.albumPeak);
        EXPECT_NEAR(*gain.trackGain, -18 - ffmpegLoudness({sources[i]}), 0.1);
        EXPECT_NEAR(*gain.albumGain, albumGain, 0.1);
        EXPECT_GE(*gain.albumPeak, *gain.trackPeak);
    }
}

// Several formats from one decode: each format's files in a folder named after
// it, each written, tagged, covered and gained as if it were made alone, from
// one measurement; an output that fails takes only its own format's file. One
// format alone keeps the folder as it was.
TEST_F(ConversionTest, EveryFormatFromOneDecode) {
    const QMap<QString, QByteArray> sounds{{"noise", noise(66150, 2, 7)},
                                           {"tone", tone(44100, 2, 1.0, 997)},
                                           {"silence", QByteArray(44100 * 4, '\0')}};
    ASSERT_TRUE(
        ffmpeg({"-f", "lavfi", "-i", "color=red:size=8x8", "-frames:v", "1", path("cover.jpg")}));
    QFile picture(path("cover.jpg"));
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    const CoverArt cover{picture.readAll(), "image/jpeg"};
    QVector<JobRow> rows;
    for (const QString& name : sounds.keys()) {
        QFile raw(path(name + ".raw"));
        ASSERT_TRUE(raw.open(QIODevice::WriteOnly));
        raw.write(sounds[name]);
        raw.close();
        ASSERT_TRUE(ffmpeg({"-f", "s16le", "-ar", "44100", "-ac", "2", "-i", raw.fileName(),
                            path(name + ".wav")}));
        rows << row(rows.size(), path(name + ".wav"), FormatFlac, {name, "Artist", "Album"});
        rows.last().cover = cover;
    }
    // A disk that is full for the Opus files.
    struct FullDisk : ForwardingWriter {
        using ForwardingWriter::ForwardingWriter;
        void write(const QByteArray&) override {
            throw ComponentError(QStringLiteral("No space left on the device."));
        }
    };
    const struct {
        const char* name;
        QVector<OutputFormat> alsoMake;
        QStringList folders; // where FLAC, then each other format, go
        bool opusFails;
    } cases[] = {
        {"alone", {FormatFlac}, {""}, false},
        {"three", {FormatOpus, FormatMp3, FormatFlac}, {"/FLAC", "/Opus", "/MP3"}, false},
        {"failing", {FormatOpus}, {"/FLAC", "/Opus"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(out()).removeRecursively();
        JobParts parts = components();
        const WriterFactory real = parts.writer;
        parts.writer = [real, &c](OutputFormat format,
                                  const EncoderSettings& encoders) -> std::unique_ptr<AudioWriter> {
            if (format == FormatOpus && c.opusFails)
                return std::make_unique<FullDisk>(real(format, encoders));
            return real(format, encoders);
        };
        std::mutex mutex;
        QMap<QString, TagExtras> extras; // by the file's final name
        parts.tags = [&](const QString& part, const RowTag& tag, const TagExtras& with) {
            writeOutputTags(part, tag, with);
            std::lock_guard<std::mutex> lock(mutex);
            extras[QFileInfo(part).path() + "/" + finalNameOfPart(QFileInfo(part).fileName())] =
                with;
        };
        JobSettings both = settings();
        both.alsoMake = c.alsoMake;
        both.replayGain = GainMode::Album;
        ConversionJob job(both, rows, parts);
        job.setMaxRunningRows(2);
        JobEvents events;
        ASSERT_TRUE(events.run(job));
        EXPECT_EQ(events.only("fail").size(), c.opusFails ? 3 : 0);
        for (const Job::Failure& failure : job.failures())
            EXPECT_TRUE(failure.message.startsWith("Opus: No space left"))
                << failure.message.toStdString();
        QStringList tagged;
        for (const JobRow& r : rows) {
            const QString name = r.tag.title;
            const QVector<RowOutput> outputs = job.outputsOf(r.row);
            ASSERT_EQ(outputs.size(), c.folders.size()) << name.toStdString();
            const QString flac = out() + c.folders[0] + "/" + name + ".flac";
            EXPECT_EQ(outputs[0].path, flac);
            EXPECT_TRUE(decode(flac) == sounds[name]) << name.toStdString();
            for (int i = 0; i < outputs.size(); ++i) {
                const RowOutput& made = outputs[i];
                const QString file =
                    out() + c.folders[i] + "/" + name + outputExtension(made.format);
                SCOPED_TRACE(file.toStdString());
                if (made.format == FormatOpus && c.opusFails) {
                    EXPECT_FALSE(made.failure.isEmpty());
                    EXPECT_TRUE(
                        QDir(out() + c.folders[i]).entryList(QDir::Files | QDir::Hidden).isEmpty());
                    continue;
                }
                EXPECT_TRUE(made.failure.isEmpty());
                EXPECT_EQ(made.path, file);
                // Opus decoded at its own rate, trimmed by its pre-skip; MP3
                // within one frame.
                const int rate = made.format == FormatOpus ? 48000 : 44100;
                EXPECT_NEAR(decode(file, rate, 2).size() / 4.0 / rate,
                            sounds[name].size() / 4 / 44100.0,
                            made.format == FormatMp3 ? 1152 / 44100.0 : 0.002);
                tagged << file;
                // One measurement, the same values in every file of the row.
                EXPECT_EQ(extras[file].gain.trackGain, extras[flac].gain.trackGain);
                EXPECT_EQ(extras[file].gain.trackPeak, extras[flac].gain.trackPeak);
                EXPECT_TRUE(extras[file].gain.trackPeak.has_value());
                // A row that failed for Opus alone was measured whole: the album stays complete.
                EXPECT_TRUE(extras[file].gain.albumGain.has_value());
                EXPECT_EQ(extras[file].cover, r.cover);
            }
        }
        const QList<RowTag> found = mutagenTags(tagged);
        ASSERT_EQ(found.size(), tagged.size());
        for (int i = 0; i < found.size(); ++i)
            EXPECT_EQ(found[i].title, QFileInfo(tagged[i]).completeBaseName());
    }
}
