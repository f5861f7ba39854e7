#include "cd/cddbtestserver.h"
#include "cd/discimage.h"
#include "components/ffmpeg/audiofilereader.h"
#include "filelist/testmedia.h"
#include "jobs/jobtesttools.h"
#include "platform/version.h"
#include "settings/mainkeys.h"
#include "settings/settingsfile.h"
#include "support/httptestserver.h"
#include "support/mediatools.h"
#include "support/referencesums.h"
#include "support/testenvironment.h"

#include <csignal>
#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <random>
#include <sys/inotify.h>
#include <unistd.h>

using namespace TestMedia;

namespace {

const RowTag SourceTag{QStringLiteral("Título"), QStringLiteral("Артист"),
                       QStringLiteral("Album 日本")};

struct ProgramRun {
    int status = -1;
    QStringList out; // standard output, line by line
    QStringList err;
    QStringList lines(const QStringList& from, const QString& prefix) const {
        QStringList found;
        for (const QString& line : from)
            if (line.startsWith(prefix))
                found << line;
        return found;
    }
};

QStringList splitLines(const QByteArray& bytes) {
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

class CliTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString out() const { return dir.filePath(QStringLiteral("out")); }
    QString settings() const { return dir.filePath(QStringLiteral("Orvelle.ini")); }

    // The program with its own settings file and a folder of its own to run in.
    ProgramRun run(const QStringList& arguments) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        // Lines and files carry no loudness values unless a test asks for them.
        const QStringList gain =
            arguments.contains(QStringLiteral("--replaygain"))
                ? QStringList()
                : QStringList{QStringLiteral("--replaygain"), QStringLiteral("off")};
        process.start(QStringLiteral(ORVELLE_CONVERT),
                      QStringList{QStringLiteral("--settings"), settings()} + gain + arguments);
        EXPECT_TRUE(process.waitForFinished(600000)) << arguments.join(' ').toStdString();
        ProgramRun result;
        result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = splitLines(process.readAllStandardOutput());
        result.err = splitLines(process.readAllStandardError());
        return result;
    }

    QStringList filesIn(const QString& folder) const {
        QStringList files;
        QDir listing(folder);
        for (const QFileInfo& info :
             listing.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
            files << info.fileName();
        return files;
    }

    QTemporaryDir dir;
};

TEST_F(CliTest, EverySupportedExtensionToEveryFormat) {
    QStringList sources;
    for (const char* type : {"mp3", "ogg", "wma", "wav"})
        sources << audio(path(QStringLiteral("in-%1.%1").arg(type)), 1, SourceTag);
    sources << raw(path("in-raw.raw"), 1) << Vox(path("in-vox.vox"), 1);
    for (const char* type : {"avi", "mpeg", "mpg", "wmv", "asf"})
        sources << video(path(QStringLiteral("in-%1.%1").arg(type)), 1);
    sources << playlist(path("in-asx.asx"), path("in-wmv.wmv"));
    // The kinds people keep music in today, made by ffmpeg, tagged where the
    // container holds tags (.ape is left out: ffmpeg cannot make one).
    const QStringList tag{"-metadata", "title=" + SourceTag.title,
                          "-metadata", "artist=" + SourceTag.artist,
                          "-metadata", "album=" + SourceTag.album};
    const QList<QPair<QString, QStringList>> newer{
        {"flac", {"-c:a", "flac"}},
        {"opus", {"-ar", "48000", "-c:a", "libopus"}},
        {"oga", {"-c:a", "flac", "-f", "oga"}},
        {"m4a", {"-c:a", "aac"}},
        {"mp4", {"-c:a", "aac"}},
        {"aiff", {"-c:a", "pcm_s16be", "-write_id3v2", "1"}},
        {"aif", {"-c:a", "pcm_s16be", "-write_id3v2", "1"}},
        {"wv", {"-c:a", "wavpack"}},
        {"mka", {"-c:a", "libvorbis"}},
        {"webm", {"-ar", "48000", "-c:a", "libopus"}},
        {"caf", {"-c:a", "alac"}},
        {"aac", {"-c:a", "aac", "-f", "adts"}},
        {"mp2", {"-c:a", "mp2"}},
        {"ac3", {"-c:a", "ac3"}},
        {"dts", {"-c:a", "dca", "-strict", "-2"}}};
    QStringList tagged{"mp3", "ogg", "wma"};
    for (const auto& [kind, codec] : newer) {
        const QString file = path(QStringLiteral("in-%1.%1").arg(kind));
        ASSERT_TRUE(MediaTools::ffmpeg(
            QStringList{"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-ac", "2"} + codec +
            tag + QStringList{file}))
            << kind.toStdString();
        sources << file;
        if (!QStringList{"aac", "mp2", "ac3", "dts"}.contains(kind))
            tagged << kind;
    }

    for (const QString& format : QStringList{"mp3", "wav", "wma", "ogg", "rm", "flac", "opus"}) {
        SCOPED_TRACE(format.toStdString());
        const QString folder = out() + QLatin1Char('/') + format;
        const ProgramRun result = run(QStringList{"-f", format, "-o", folder} + sources);
        EXPECT_EQ(result.status, 0) << result.err.join('\n').toStdString();
        EXPECT_EQ(result.out.size(), sources.size()) << result.out.join('\n').toStdString();
        for (const QString& source : sources) {
            const QString output = folder + QLatin1Char('/') +
                                   QFileInfo(source).completeBaseName() + QLatin1Char('.') + format;
            // A lossy output of another rate or layout says how it was converted.
            EXPECT_EQ(
                result.lines(result.out, QStringLiteral("OK %1 -> %2").arg(source, output)).size(),
                1)
                << output.toStdString();
            const MediaTools::Probe probe = MediaTools::probe(output);
            EXPECT_TRUE(probe.ok) << output.toStdString();
            EXPECT_NEAR(probe.duration, 1.0, 0.15) << output.toStdString();
        }
        if (format != "wav" && format != "rm") {
            // The tags travel from source to output; the outside reader says so.
            QStringList outputs;
            for (const QString& type : tagged)
                outputs << QStringLiteral("%1/in-%2.%3").arg(folder, type, format);
            const QList<RowTag> found = mutagenTags(outputs);
            for (int i = 0; i < found.size(); ++i)
                EXPECT_EQ(found[i], SourceTag) << outputs[i].toStdString();
        }
        EXPECT_EQ(result.lines(result.err, "FAILED"), QStringList());
        EXPECT_TRUE(
            result.err.contains(QStringLiteral("%1 converted, 0 failed.").arg(sources.size())))
            << result.err.join('\n').toStdString();
    }
}

TEST_F(CliTest, AFolderGivesItsOwnFilesAndWithRecursiveThoseOfItsSubFolders) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("music/sub/deeper"));
    audio(path("music/top.wav"), 1);
    audio(path("music/sub/inner.mp3"), 1);
    audio(path("music/sub/deeper/deepest.ogg"), 1);
    write(path("music/notes.txt"), "passed over without a word\n");

    ProgramRun flat = run({"-f", "wav", "-o", out() + "/flat", path("music")});
    EXPECT_EQ(flat.status, 0) << flat.err.join('\n').toStdString();
    EXPECT_EQ(flat.out,
              QStringList({"OK " + path("music/top.wav") + " -> " + out() + "/flat/top.wav"}));
    EXPECT_EQ(flat.lines(flat.err, "FAILED"), QStringList());

    ProgramRun deep = run({"-r", "-f", "wav", "-o", out() + "/deep", path("music")});
    EXPECT_EQ(deep.status, 0) << deep.err.join('\n').toStdString();
    EXPECT_EQ(deep.out.size(), 3);
    EXPECT_EQ(filesIn(out() + "/deep"), QStringList({"deepest.wav", "inner.wav", "top.wav"}));
}

TEST_F(CliTest, DamagedFilesFailOneLineEachAndLeaveNothingWhileTheGoodAreConverted) {
    const QByteArray mp3 = read(audio(path("src.mp3"), 1));
    const QStringList good{audio(path("good.wav"), 2), audio(path("good.mp3"), 1, SourceTag),
                           audio(path("also.ogg"), 1)};
    const QStringList damaged{write(path("cut.mp3"), mp3.left(120)),
                              write(path("noise.ogg"), randomBytes(20000, 5)),
                              write(path("empty.wav"), {}),
                              write(path("noise.wma"), randomBytes(20000, 6)),
                              write(path("noise.mpg"), "\x00\x00\x01"),
                              path("missing.mp3")};
    QStringList all;
    for (int i = 0; i < damaged.size(); ++i)
        all << good.value(i) << damaged[i]; // interleaved, so a failure cannot end the batch
    all.removeAll(QString());

    const ProgramRun result = run(QStringList{"-f", "ogg", "-j", "2", "-o", out()} + all);
    EXPECT_EQ(result.status, 1);
    const QStringList failed = result.lines(result.err, "FAILED");
    EXPECT_EQ(failed.size(), damaged.size()) << result.err.join('\n').toStdString();
    for (const QString& file : damaged) {
        EXPECT_EQ(result.lines(failed, "FAILED " + file + ": ").size(), 1) << file.toStdString();
        EXPECT_FALSE(QFileInfo::exists(out() + "/" + QFileInfo(file).completeBaseName() + ".ogg"));
    }
    EXPECT_EQ(result.lines(result.out, "OK ").size(), good.size());
    // Names are taken in list order: the second "good" gets the prefix.
    EXPECT_EQ(filesIn(out()), QStringList({"01_good.ogg", "also.ogg", "good.ogg"}));
    EXPECT_TRUE(result.out.contains("OK " + good[1] + " -> " + out() + "/01_good.ogg"));
    EXPECT_TRUE(result.err.contains(
        QStringLiteral("%1 converted, %2 failed.").arg(good.size()).arg(damaged.size())));
}

// Track and album gains go into every format that carries tags, as players
// read them, and each OK line shows the track's.
TEST_F(CliTest, ReplayGainIsWrittenIntoEveryFormat) {
    const QStringList sources{audio(path("a.wav"), 2), audio(path("b.wav"), 3)};
    const struct {
        const char* format;
        QStringList keys; // as mutagen names them, upper case
    } cases[] = {
        {"mp3", {"TXXX:REPLAYGAIN_TRACK_GAIN", "TXXX:REPLAYGAIN_ALBUM_PEAK"}},
        {"ogg", {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_TRACK_PEAK"}},
        {"flac", {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_PEAK"}},
        {"opus", {"R128_TRACK_GAIN", "R128_ALBUM_GAIN"}},
        {"wma", {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const QString folder = out() + "/" + c.format;
        const ProgramRun result =
            run(QStringList{"--replaygain", "album", "-f", c.format, "-o", folder} + sources);
        ASSERT_EQ(result.status, 0) << result.err.join('\n').toStdString();
        const QStringList ok = result.lines(result.out, "OK ");
        ASSERT_EQ(ok.size(), 2);
        EXPECT_TRUE(QRegularExpression(" \\[track -?\\d+\\.\\d\\d dB, peak \\d\\.\\d{6}; album ")
                        .match(ok[0])
                        .hasMatch())
            << ok[0].toStdString();
        QProcess mutagen;
        mutagen.start("/usr/bin/python3", {"-c",
                                           "import sys, mutagen\n"
                                           "for p in sys.argv[1:]:\n"
                                           "    print(' '.join(sorted(k.upper() for k in "
                                           "mutagen.File(p).tags.keys())))",
                                           folder + "/a." + c.format, folder + "/b." + c.format});
        ASSERT_TRUE(mutagen.waitForFinished(60000));
        const QStringList found = splitLines(mutagen.readAllStandardOutput());
        ASSERT_EQ(found.size(), 2) << mutagen.readAllStandardError().toStdString();
        for (const QString& keys : found)
            for (const QString& key : c.keys)
                EXPECT_TRUE(keys.split(' ').contains(key)) << keys.toStdString();
    }
}

// The peak beside the gains is the highest sample unless the settings or the
// command line ask for the true peak: a quarter-rate tone whose samples all
// fall 3 dB under its crests shows which was written.
TEST_F(CliTest, TheTruePeakIsWrittenWhenAskedFor) {
    const QString source = path("crests.wav");
    ASSERT_TRUE(MediaTools::ffmpeg(
        {"-f", "lavfi", "-i", "aevalsrc=0.5*sin(2*PI*11025*t+PI/4):s=44100:d=3", source}));
    const struct {
        const char* stored; // Main/ReplayGainPeak
        QStringList arguments;
        double peak;
    } cases[] = {{"", {}, 0.3536},
                 {"TRUE", {}, 0.5},
                 {"true", {"--replaygain-peak", "sample"}, 0.3536},
                 {"", {"--replaygain-peak", "true"}, 0.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE((c.stored + c.arguments.join(' ')).toStdString());
        SettingsFile(settings()).write(MainKeys::ReplayGainPeak, QLatin1String(c.stored));
        const ProgramRun result = run(QStringList{"--replaygain", "track", "-f", "flac", "-o",
                                                  out() + "/" + QString::number(&c - cases)} +
                                      c.arguments + QStringList{source});
        ASSERT_EQ(result.status, 0) << result.err.join('\n').toStdString();
        const QRegularExpressionMatch peak = QRegularExpression("peak (\\d\\.\\d{6})")
                                                 .match(result.lines(result.out, "OK ").value(0));
        ASSERT_TRUE(peak.hasMatch()) << result.out.join('\n').toStdString();
        EXPECT_NEAR(peak.captured(1).toDouble(), c.peak, 0.01);
    }
}

// A source's front cover goes on into its output, byte for byte, whatever the format.
// "-f flac,opus": both from one decode, each in a folder of its own, each
// file on an OK line of its own.
TEST_F(CliTest, SeveralFormatsGoEachIntoItsFolder) {
    const QString source = audio(path("a.wav"), 2, SourceTag);
    const ProgramRun result = run({"-f", "flac,OPUS,flac", "-o", out(), source});
    ASSERT_EQ(result.status, 0) << result.err.join('\n').toStdString();
    EXPECT_EQ(result.lines(result.out, "OK "),
              QStringList({"OK " + source + " -> " + out() + "/FLAC/a.flac",
                           "OK " + source + " -> " + out() + "/Opus/a.opus"}));
    EXPECT_EQ(filesIn(out()), QStringList());
}

TEST_F(CliTest, TheSourcesCoverIsKeptAcrossFormats) {
    const QString png = path("cover.png");
    ASSERT_TRUE(
        MediaTools::ffmpeg({"-f", "lavfi", "-i", "testsrc=size=64x48", "-frames:v", "1", png}));
    const QString source = path("with cover.mp3");
    ASSERT_TRUE(
        MediaTools::ffmpeg({"-f", "lavfi", "-i", "sine=duration=1", "-i", png, "-map", "0", "-map",
                            "1", "-c:a", "libmp3lame", "-c:v", "copy", "-disposition:v",
                            "attached_pic", "-id3v2_version", "3", source}));
    for (const char* format : {"flac", "mp3", "ogg"}) {
        SCOPED_TRACE(format);
        const ProgramRun result = run({"-f", format, "-o", out(), source});
        ASSERT_EQ(result.status, 0) << result.err.join('\n').toStdString();
        QProcess mutagen;
        mutagen.start("/usr/bin/python3",
                      {"-c",
                       "import sys, base64, mutagen\n"
                       "from mutagen.flac import Picture\n"
                       "f = mutagen.File(sys.argv[1])\n"
                       "if hasattr(f, 'pictures') and f.pictures: d = f.pictures[0].data\n"
                       "elif 'APIC:' in f.tags: d = f.tags['APIC:'].data\n"
                       "else: d = Picture(base64.b64decode("
                       "f.tags['metadata_block_picture'][0])).data\n"
                       "sys.stdout.buffer.write(d)",
                       out() + "/with cover." + format});
        ASSERT_TRUE(mutagen.waitForFinished(60000));
        EXPECT_TRUE(mutagen.readAllStandardOutput() == read(png))
            << mutagen.readAllStandardError().toStdString();
    }
}

TEST_F(CliTest, NamesThatCouldFakeALineOrDriveTheTerminalAreShownQuoted) {
    const QString evil = audio(path("evil\nOK fake.wav -> \x1b[31mRED.wav"), 1);
    // A playlist that leads nowhere fails with a reason that names it.
    const QString lost =
        write(path("lost\r\x1b]0;t\a\xc2\x9b.asx"),
              "<asx version=\"3.0\"><entry><ref href=\"gone.wmv\"/></entry></asx>");
    const ProgramRun result = run({"-f", "wav", "-o", out(), evil, lost});
    EXPECT_EQ(result.status, 1);
    const QString shown = "evil'$'\\n''OK fake.wav -> '$'\\033''[31mRED.wav'";
    ASSERT_EQ(result.out.size(), 1) << "one line: " << result.out.join('|').toStdString();
    EXPECT_TRUE(result.out[0].startsWith("OK '" + dir.path() + "/" + shown + " -> "))
        << "quoted as the shell would read it back: " << result.out[0].toStdString();
    const QStringList failed = result.lines(result.err, "FAILED ");
    ASSERT_EQ(failed.size(), 1) << result.err.join('\n').toStdString();
    EXPECT_TRUE(failed[0].startsWith("FAILED '" + dir.path() +
                                     "/lost'$'\\r\\033'']0;t'$'\\a\\302\\233''.asx': "))
        << failed[0].toStdString();
    // Not one control character reaches the terminal, in a name or in a reason quoting one.
    for (const QString& line : result.out + result.err)
        for (const QChar c : line)
            EXPECT_FALSE(c.category() == QChar::Other_Control) << line.toStdString();
}

TEST_F(CliTest, ListPrintsEachFilesDurationAndTags) {
    const QString tagged = audio(path("tagged.mp3"), 2, SourceTag);
    const QString bad = write(path("bad.mp3"), randomBytes(3000, 2));
    const ProgramRun result = run({"--list", tagged, bad});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, QStringList({tagged + "\t00:00:02\t" + SourceTag.title + "\t" +
                                       SourceTag.artist + "\t" + SourceTag.album}));
    EXPECT_EQ(result.lines(result.err, "FAILED " + bad + ": ").size(), 1);
    EXPECT_FALSE(QFileInfo::exists(out()));
}

// The FreeDB disc ID as the standard computes it: digit sums of the track
// starts in seconds (lead-in counted), the playing time, the track count.
QString standardDiscId(const DiscImage& disc) {
    const auto digitSum = [](int n) {
        int sum = 0;
        for (; n > 0; n /= 10)
            sum += n % 10;
        return sum;
    };
    int n = 0;
    for (int i = 0; i < disc.tracks.size(); ++i)
        n += digitSum((disc.trackStart(i) + 150) / 75);
    const int t = (disc.totalFrames() + 150) / 75 - (disc.trackStart(0) + 150) / 75;
    const quint32 id = quint32(n % 0xff) << 24 | quint32(t) << 8 | quint32(disc.tracks.size());
    return QStringLiteral("%1").arg(id, 8, 16, QLatin1Char('0'));
}

class CliDiscTest : public CliTest {
protected:
    void SetUp() override {
        disc.album = QStringLiteral("Some Album");
        disc.artist = QStringLiteral("Disc Artist");
        // Lengths chosen so that the starts' seconds have distinct digit sums.
        disc.tracks = {
            {75 * 3 + 10, 0, false, QStringLiteral("Op. 27"), QStringLiteral("Artist One")},
            {75 * 14 + 40, 0, false, QStringLiteral("No. 5 in C"), {}},
            {75 * 2 + 3, 0, false, QStringLiteral("Vol. 2."), QStringLiteral("Third")}};
        image = disc.write(dir.path(), QStringLiteral("disc"));
        // Rips ask no server unless a test sets one up.
        SettingsFile(settings()).ini().writeInteger("AccurateRip", "lookup", 0);
        SettingsFile(settings()).ini().writeInteger("CTDB", "lookup", 0);
        settingsBefore = fileBytes(settings());
    }
    static QByteArray fileBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QByteArray settingsBefore;
    DiscImage disc;
    QString image;
};

TEST_F(CliDiscTest, ListGivesTheStandardDiscIdAndTheTracks) {
    const ProgramRun result = run({"--cd", image, "--list"});
    ASSERT_EQ(result.status, 0) << result.err.join('\n').toStdString();
    ASSERT_EQ(result.out.size(), 6) << result.out.join('\n').toStdString();
    EXPECT_EQ(result.out[0], "FreeDB ID: " + standardDiscId(disc));
    EXPECT_TRUE(QRegularExpression("^FreeDB ID: [0-9a-f]{8}$").match(result.out[0]).hasMatch());
    // As in the database's file name: tracks, id1, id2, FreeDB ID.
    const int start2 = disc.trackStart(1), start3 = disc.trackStart(2), end = disc.totalFrames();
    EXPECT_EQ(result.out[1],
              QStringLiteral("AccurateRip ID: 003-%1-%2-%3")
                  .arg(start2 + start3 + end, 8, 16, QLatin1Char('0'))
                  .arg(1 + start2 * 2 + start3 * 3 + end * 4, 8, 16, QLatin1Char('0'))
                  .arg(standardDiscId(disc)));
    EXPECT_TRUE(QRegularExpression("^MusicBrainz disc ID: [A-Za-z0-9._]{27}-$")
                    .match(result.out[2])
                    .hasMatch())
        << result.out[2].toStdString();
    EXPECT_EQ(result.out[3], QStringLiteral("01\t00:03\tOp. 27\tArtist One"));
    EXPECT_EQ(result.out[4], QStringLiteral("02\t00:14\tNo. 5 in C\tDisc Artist"));
    EXPECT_EQ(result.out[5], QStringLiteral("03\t00:02\tVol. 2.\tThird"));
}

TEST_F(CliDiscTest, RippingAnImageNamesTheFilesFromItsCdText) {
    const ProgramRun result = run({"--cd", image, "--tracks", "3,1", "-f", "wav", "-o", out()});
    ASSERT_EQ(result.status, 0) << result.err.join('\n').toStdString();
    EXPECT_EQ(result.out, QStringList({"OK " + image + " track 03 -> " + out() + "/Vol. 2.wav",
                                       "OK " + image + " track 01 -> " + out() + "/Op. 27.wav"}));
    EXPECT_EQ(wavData(out() + "/Op. 27.wav"), disc.trackBytes(0));
    EXPECT_EQ(wavData(out() + "/Vol. 2.wav"), disc.trackBytes(2));
    EXPECT_EQ(filesIn(out()).size(), 3); // and the rip log

    // Into MP3 the CD-TEXT becomes the tags, the disc's artist where a track has none.
    const ProgramRun mp3 = run({"--cd=" + image, "--tracks", "2", "-o", out(), "-f", "mp3"});
    ASSERT_EQ(mp3.status, 0) << mp3.err.join('\n').toStdString();
    EXPECT_EQ(mutagenTags({out() + "/No. 5 in C.mp3"}).value(0),
              RowTag({"No. 5 in C", "Disc Artist", "Some Album"}));
    // The user's settings file is not written to make the image a drive.
    EXPECT_EQ(fileBytes(settings()), settingsBefore);
}

// A FLAC rip decodes to the image's exact PCM, and FLAC's own MD5 is that of
// the PCM, whatever the audio: noise, a tone, near-silence, one value, a
// big-endian image.
TEST_F(CliDiscTest, FlacRipsAreExactAndCarryTheMd5OfTheirPcm) {
    using Content = DiscImage::Content;
    for (const auto& [content, motorola] :
         {std::pair{Content::Noise, false}, std::pair{Content::Tone, false},
          std::pair{Content::SilenceWithClick, false}, std::pair{Content::Constant, false},
          std::pair{Content::Noise, true}}) {
        SCOPED_TRACE(int(content) * 2 + motorola);
        DiscImage adversarial = disc;
        adversarial.content = content;
        adversarial.motorola = motorola;
        const QString cue = adversarial.write(dir.path(), QStringLiteral("adversarial"));
        const QString folder = out() + QStringLiteral("/%1-%2").arg(int(content)).arg(motorola);
        const ProgramRun result = run({"--cd", cue, "--tracks", "1,2", "-f", "flac", "-o", folder});
        ASSERT_EQ(result.status, 0) << result.err.join('\n').toStdString();
        for (const auto& [track, name] : {std::pair{0, "Op. 27"}, std::pair{1, "No. 5 in C"}}) {
            const QString flac = folder + "/" + name + ".flac";
            const QByteArray pcm = adversarial.trackBytes(track);
            EXPECT_EQ(MediaTools::decode(flac), pcm) << name;
            QProcess metaflac;
            metaflac.start("metaflac", {"--show-md5sum", flac});
            metaflac.waitForFinished();
            EXPECT_EQ(metaflac.readAllStandardOutput().trimmed(),
                      QCryptographicHash::hash(pcm, QCryptographicHash::Md5).toHex());
        }
    }
}

// --freedb asks the server of section "Freedb" (here through its proxy, a
// local CDDB server) and names the files from the record it finds.
TEST_F(CliDiscTest, FreedbNamesTheTracksFromTheServersRecord) {
    CddbTestServer server;
    server.reply = [](const QString& cmd) -> QByteArray {
        if (cmd.startsWith(QLatin1String("cddb query")))
            return "200 misc " + cmd.section(' ', 2, 2).toLatin1() + " x\r\n";
        return "210 misc\r\nDTITLE=Found Artist / Found Album\r\nTTITLE0=Found One\r\n"
               "TTITLE1=Found Two\r\nTTITLE2=Found Three\r\n.\r\n";
    };
    SettingsFile file(settings());
    file.ini().writeString("Freedb", "proxy", QStringLiteral("127.0.0.1:%1").arg(server.port()));
    file.ini().writeString("Freedb", "timeout", "20000");

    // The server answers on this process' event loop, so the program runs beside it.
    QProcess process;
    process.setWorkingDirectory(dir.path());
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(ORVELLE_CONVERT),
                  {"--settings", settings(), "--cd", image, "--freedb", "--tracks", "2", "-f",
                   "wav", "-o", out()});
    ASSERT_TRUE(finished.wait(600000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(splitLines(process.readAllStandardOutput()),
              QStringList({"OK " + image + " track 02 -> " + out() + "/Found Two.wav"}));
    EXPECT_TRUE(server.commands.value(0).startsWith("cddb query " + standardDiscId(disc)));
    EXPECT_EQ(wavData(out() + "/Found Two.wav"), disc.trackBytes(1));
}

// Each OK line says what the databases hold of the track; with
// --require-accurate a track neither vouches for fails the run.
TEST_F(CliDiscTest, RipsAreVerifiedAndCanBeRequiredAccurate) {
    HttpTestServer server;
    SettingsFile file(settings());
    for (const char* section : {"AccurateRip", "CTDB"}) {
        file.ini().writeInteger(section, "lookup", 1);
        file.ini().writeString(section, "server", server.address());
    }
    // AccurateRip vouches for track 1, CTDB for track 2, neither for track 3.
    const int start2 = disc.trackStart(1), start3 = disc.trackStart(2), end = disc.totalFrames();
    ArChunk chunk{3,
                  quint32(start2 + start3 + end),
                  quint32(1 + start2 * 2 + start3 * 3 + end * 4),
                  standardDiscId(disc).toUInt(nullptr, 16),
                  {}};
    ReferenceSums::Disc whole;
    for (int track = 0; track < 3; ++track) {
        const QByteArray pcm = disc.trackBytes(track);
        ArTrackChecksum sums(pcm.size() / 4, track == 0, track == 2);
        sums.add(pcm.constData(), pcm.size());
        chunk.tracks << ArTrackEntry{12, sums.v1() + (track >= 1 ? 1 : 0), 0};
        whole.audio += pcm;
        whole.ends << whole.audio.size();
    }
    QVector<quint32> crcs = ReferenceSums::ctdbTrackCrcs(whole);
    crcs[0] ^= 1;
    crcs[2] ^= 1;
    server.respond = [&](const QByteArray& request) {
        return HttpTestServer::http(200, request.startsWith("GET /lookup2.php")
                                             ? ReferenceSums::ctdbReply({{0, 4, crcs}})
                                             : HttpTestServer::dbar({chunk}));
    };

    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(ORVELLE_CONVERT),
                  {"--settings", settings(), "--cd", image, "-f", "wav", "-o", out(),
                   "--require-accurate", "--no-log"});
    ASSERT_TRUE(finished.wait(600000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(
        splitLines(process.readAllStandardOutput()),
        QStringList({"OK " + image + " track 01 -> " + out() +
                         "/Op. 27.wav [AccurateRip: accurate (confidence 12); mismatch in CTDB]",
                     "OK " + image + " track 02 -> " + out() +
                         "/No. 5 in C.wav [AccurateRip: mismatch; accurate in CTDB (confidence 4 "
                         "of 4)]"}));
    EXPECT_TRUE(process.readAllStandardError().contains(
        "FAILED " + image.toUtf8() +
        " track 03: Not accurately ripped (AccurateRip: mismatch; mismatch in CTDB)"));
    EXPECT_EQ(server.requests.size(), 2);
    EXPECT_EQ(QDir(out()).entryList({"*.log"}, QDir::Files), QStringList());
}

// --musicbrainz names the tracks from MusicBrainz; of several releases it
// lists them and takes the one --release names.
TEST_F(CliDiscTest, MusicBrainzNamesTheTracksFromTheReleaseChosen) {
    HttpTestServer server;
    SettingsFile(settings()).ini().writeString("MusicBrainz", "server", server.address());
    const auto medium = [](const QString& album) {
        QString tracks;
        for (const char* title : {"One", "Two", "Three"})
            tracks += QStringLiteral("{\"title\":\"%1 %2\"},").arg(album, title);
        tracks.chop(1);
        return QStringLiteral("{\"id\":\"%1\",\"title\":\"%1\",\"date\":\"1990\","
                              "\"artist-credit\":[{\"name\":\"MB Band\"}],"
                              "\"media\":[{\"tracks\":[%2]}]}")
            .arg(album, tracks);
    };
    server.reply = HttpTestServer::http(
        200, QStringLiteral("{\"releases\":[%1,%2]}").arg(medium("UK"), medium("US")).toUtf8());
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(ORVELLE_CONVERT),
                  {"--settings", settings(), "--cd", image, "--musicbrainz", "--release", "2",
                   "--tracks", "2", "-f", "wav", "-o", out(), "--no-log"});
    ASSERT_TRUE(finished.wait(600000));
    const QByteArray err = process.readAllStandardError();
    EXPECT_EQ(process.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(splitLines(process.readAllStandardOutput()),
              QStringList({"OK " + image + " track 02 -> " + out() + "/US Two.wav"}));
    EXPECT_TRUE(err.contains("Release 1: UK \xe2\x80\x93 MB Band (1990, 3 tracks)"))
        << err.toStdString();
    EXPECT_TRUE(server.requests.value(0).startsWith("GET /ws/2/discid/"));

    // The year goes into the tags (ID3v2.3 TYER, Vorbis DATE, WM/Year).
    QProcess mp3;
    QSignalSpy done(&mp3, &QProcess::finished);
    mp3.start(QStringLiteral(ORVELLE_CONVERT),
              {"--settings", settings(), "--cd", image, "--musicbrainz", "--tracks", "1", "-f",
               "mp3", "-o", out(), "--no-log", "--replaygain", "off"});
    ASSERT_TRUE(done.wait(600000));
    EXPECT_EQ(mutagenTags({out() + "/UK One.mp3"}).value(0),
              RowTag({"UK One", "MB Band", "UK", "1990"}));
}

// The release's front cover from the Cover Art Archive goes into each ripped
// file and once beside them as the folder picture; the log names it.
TEST_F(CliDiscTest, ARipCarriesTheReleasesCover) {
    const QString png = path("front.png");
    ASSERT_TRUE(
        MediaTools::ffmpeg({"-f", "lavfi", "-i", "testsrc=size=50x50", "-frames:v", "1", png}));
    const QByteArray picture = read(png);
    const QString mbid = "0b7c4c3a-1f1e-4d3c-9a59-4c7f4b6a8e21";
    HttpTestServer server;
    SettingsFile ini(settings());
    ini.ini().writeString("MusicBrainz", "server", server.address());
    ini.ini().writeString("MusicBrainz", "coverart", server.address());
    server.respond = [&](const QByteArray& request) {
        if (request.startsWith("GET /release/" + mbid.toUtf8() + "/front-500"))
            return HttpTestServer::http(200, picture);
        return HttpTestServer::http(
            200, QStringLiteral("{\"releases\":[{\"id\":\"%1\",\"title\":\"Covered\","
                                "\"artist-credit\":[{\"name\":\"B\"}],\"media\":[{\"tracks\":"
                                "[{\"title\":\"A\"},{\"title\":\"B\"},{\"title\":\"C\"}]}]}]}")
                     .arg(mbid)
                     .toUtf8());
    };
    // The server answers from this thread: the program is waited for in an event loop.
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(ORVELLE_CONVERT),
                  {"--settings", settings(), "--cd", image, "--musicbrainz", "--tracks", "1,2",
                   "-f", "flac", "-o", out(), "--replaygain", "off"});
    ASSERT_TRUE(finished.wait(600000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(read(out() + "/folder.png") == picture) << filesIn(out()).join(' ').toStdString();
    QProcess mutagen;
    mutagen.start("/usr/bin/python3",
                  {"-c",
                   "import sys, mutagen\n"
                   "for p in sys.argv[1:]:\n"
                   "    sys.stdout.buffer.write(mutagen.File(p).pictures[0].data)",
                   out() + "/A.flac", out() + "/B.flac"});
    ASSERT_TRUE(mutagen.waitForFinished(60000));
    EXPECT_TRUE(mutagen.readAllStandardOutput() == picture + picture);
    const QStringList logs = QDir(out()).entryList({"*.log"}, QDir::Files);
    ASSERT_EQ(logs.size(), 1);
    EXPECT_TRUE(QString::fromUtf8(read(out() + "/" + logs[0]))
                    .contains(QStringLiteral("Cover:           image/png, %1 bytes, embedded, "
                                             "and saved as %2/folder.png")
                                  .arg(picture.size())
                                  .arg(out())));
}

TEST_F(CliDiscTest, ATrackTheDiscDoesNotHaveIsAUsageError) {
    const ProgramRun result = run({"--cd", image, "--tracks", "2-4", "-o", out()});
    EXPECT_EQ(result.status, 2);
    EXPECT_FALSE(QFileInfo::exists(out()));
    EXPECT_EQ(run({"--cd", path("nothing.cue"), "-o", out()}).status, 1);
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndAShortUsage) {
    const QList<QStringList> wrong{{},
                                   {"--format", "aiff", "x.wav"},
                                   {"-f", "flac,aiff", "x.wav"},
                                   {"-f"},
                                   {"-j", "many", "x.wav"},
                                   {"-j", "-1", "x.wav"},
                                   {"--folders", "year", "x.wav"},
                                   {"--unknown", "x.wav"},
                                   {"--tracks", "1", "x.wav"},
                                   {"--freedb", "x.wav"},
                                   {"--cd", "a.cue", "b.cue"},
                                   {"--cd", "--tracks", "3-1"},
                                   {"--cd", "--tracks", "0"},
                                   {"--cd", "--freedb", "--musicbrainz"},
                                   {"--cd", "--release", "2"},
                                   {"--cd", "--musicbrainz", "--release", "0"},
                                   {"-r=1", "x.wav"},
                                   {"--replaygain-peak", "highest", "x.wav"},
                                   {"--force", "x.wav"},
                                   {"--mirror", "-f", "flac,opus", "-o", "out", "src"}};
    for (const QStringList& arguments : wrong) {
        const ProgramRun result = run(arguments);
        EXPECT_EQ(result.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.value(0).startsWith("orvelle-convert: "))
            << arguments.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains("Try 'orvelle-convert --help' for more."));
        EXPECT_TRUE(result.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(out()));
}

TEST_F(CliTest, HelpShowsTheReadmesExamplesAndVersionTheProgramsVersion) {
    const ProgramRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    QFile readme(testSourceDir() + QStringLiteral("/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    QStringList examples;
    for (const QString& line : QString::fromUtf8(readme.readAll()).split('\n'))
        if (line.startsWith(QLatin1String("orvelle-convert -")))
            examples << line;
    EXPECT_EQ(examples.size(), 4);
    for (const QString& example : examples)
        EXPECT_TRUE(help.out.contains(QStringLiteral("  ") + example)) << example.toStdString();
    const ProgramRun version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringList({QStringLiteral("orvelle-convert ") + orvelleVersion()}));
}

// Ctrl-C is not Stop: the file finished stays, the running one is removed,
// the ones behind it never start.
TEST_F(CliTest, InterruptRemovesTheRunningFileAndKeepsTheFinishedOnes) {
    const QString first = audio(path("first.wav"), 1);
    const QString second = raw(path("second.raw"), 300);
    const QString third = raw(path("third.raw"), 300);
    QProcess process;
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(ORVELLE_CONVERT), {"--settings", settings(), "-j", "1", "-f",
                                                    "mp3", "-o", out(), first, second, third});
    // The first file is short; once its line is out, the second is running.
    while (!process.canReadLine())
        ASSERT_TRUE(process.waitForReadyRead(600000));
    EXPECT_TRUE(process.readLine().startsWith("OK "));
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(600000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130); // 128 + SIGINT, as a shell expects
    const QStringList rest = splitLines(process.readAllStandardOutput());
    EXPECT_EQ(rest, QStringList({"STOPPED " + second + ": the unfinished file was removed"}));
    EXPECT_TRUE(splitLines(process.readAllStandardError())
                    .contains("1 converted, 0 failed, 1 stopped, 1 not started."));
    EXPECT_EQ(QDir(out()).entryList(QDir::Files | QDir::Hidden), QStringList({"first.mp3"}));
}

TEST(CliProgram, LinksNeitherQtGuiNorWidgets) {
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(ORVELLE_CONVERT)});
    ASSERT_TRUE(ldd.waitForFinished(60000));
    const QString libraries = QString::fromUtf8(ldd.readAllStandardOutput());
    EXPECT_TRUE(libraries.contains(QLatin1String("libQt6Core")));
    EXPECT_FALSE(libraries.contains(QLatin1String("libQt6Gui"))) << libraries.toStdString();
    EXPECT_FALSE(libraries.contains(QLatin1String("libQt6Widgets"))) << libraries.toStdString();
}

// A pipe named like a playlist or a song would hold the program in open(),
// and a sheet of more tracks than a disc holds overran libcdio's table: each
// is one FAILED line with exit 1 instead.
TEST_F(CliTest, PipesAndOverfullSheetsAreRefusedNeverHangOrCrash) {
    for (const QString& name : {path("x.asx"), path("x.wav")})
        ASSERT_EQ(QProcess::execute(QStringLiteral("mkfifo"), {name}), 0);
    QByteArray sheet = "FILE \"disc.bin\" BINARY\n";
    for (int i = 0; i < 119; ++i)
        sheet += "TRACK 01 AUDIO\n";
    write(path("disc.bin"), QByteArray(75 * 2352, '\0'));
    write(path("disc.cue"), sheet);
    const struct {
        QStringList arguments;
        QString reason;
    } cases[] = {
        {{"-f", "wav", "-o", out(), path("x.asx")}, "named pipe"},
        {{"-f", "mp3", "-o", out(), path("x.wav")}, "named pipe"},
        {{"--cd", path("disc.cue"), "--list"}, ""},
    };
    for (const auto& c : cases) {
        const ProgramRun result = run(c.arguments);
        EXPECT_EQ(result.status, 1) << c.arguments.join(' ').toStdString();
        const QStringList failed = result.lines(result.err, "FAILED");
        ASSERT_EQ(failed.size(), 1) << result.err.join('\n').toStdString();
        EXPECT_TRUE(failed[0].contains(c.reason)) << failed[0].toStdString();
    }
    EXPECT_TRUE(filesIn(out()).isEmpty());
}

// Samples at full 32-bit scale, `bits` of them significant, each channel its
// own: a quarter each of noise, a pure tone, full-scale extremes and silence,
// so that a lost bit, a swapped channel or a clipped peak shows.
QVector<qint32> wideSamples(int frames, int channels, int bits) {
    QVector<qint32> samples(frames * channels);
    const qint64 top = (qint64(1) << (bits - 1)) - 1;
    const int shift = 32 - bits;
    for (int c = 0; c < channels; ++c) {
        std::mt19937 random(unsigned(c + 1));
        std::uniform_int_distribution<qint64> noise(-top - 1, top);
        for (int i = 0; i < frames; ++i) {
            qint64 value = 0;
            switch (4 * i / frames) {
            case 0:
                value = noise(random);
                break;
            case 1:
                value = std::llround(top * std::sin(2 * M_PI * 110 * (c + 1) * i / 48000.0));
                break;
            case 2:
                value = (i + c) % 2 ? top : -top - 1;
                break;
            default:
                break;
            }
            samples[i * channels + c] = qint32(quint32(value) << shift);
        }
    }
    return samples;
}

// The samples as a raw source holds them: 16-bit, full-scale 32-bit, or float.
QByteArray rawBytes(const QVector<qint32>& samples, const QString& raw) {
    QByteArray bytes;
    for (qint32 sample : samples) {
        if (raw == "s16le") {
            const auto narrow = qint16(sample >> 16);
            bytes.append(reinterpret_cast<const char*>(&narrow), 2);
        } else if (raw == "f32le") {
            const float value = float(sample / 2147483648.0);
            bytes.append(reinterpret_cast<const char*>(&value), 4);
        } else {
            bytes.append(reinterpret_cast<const char*>(&sample), 4);
        }
    }
    return bytes;
}

// Everything Orvelle's own reader hands out of a file, in the file's own format.
QByteArray ownDecode(const QString& path) {
    AudioFileReader reader;
    reader.keepSourceFormat(true);
    reader.open(path);
    QByteArray all;
    for (QByteArray block; !(block = reader.read(65536)).isEmpty();)
        all += block;
    return all;
}

// WAV and FLAC keep the source's bits, channels, layout and rate, whatever the
// content; the outside reader and our own read back exactly the source's samples.
TEST_F(CliTest, LosslessOutputsKeepTheSourcesResolutionBitForBit) {
    const struct {
        const char* name;
        int rate;
        const char* layout;
        int channels;
        int bits;
        const char* raw;   // as the source stores its samples
        const char* codec; // the source's
        const char* kind;
    } cases[] = {
        {"stereo24", 96000, "stereo", 2, 24, "s32le", "flac", "flac"},
        {"surround16", 48000, "5.1", 6, 16, "s16le", "pcm_s16le", "wav"},
        {"octo24", 48000, "7.1", 8, 24, "s32le", "flac", "flac"},
        {"octo24wav", 44100, "7.1", 8, 24, "s32le", "pcm_s24le", "wav"},
        {"float", 44100, "stereo", 2, 24, "f32le", "pcm_f32le", "wav"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QVector<qint32> samples = wideSamples(c.rate / 2, c.channels, c.bits);
        const QString raw =
            write(path(QStringLiteral("%1.raw").arg(c.name)), rawBytes(samples, c.raw));
        const QString source = path(QStringLiteral("%1.%2").arg(c.name, c.kind));
        ASSERT_TRUE(MediaTools::ffmpeg({"-f", c.raw, "-ar", QString::number(c.rate), "-ch_layout",
                                        c.layout, "-i", raw, "-c:a", c.codec, "-sample_fmt",
                                        QString(c.raw) == "s16le"   ? "s16"
                                        : QString(c.raw) == "f32le" ? "flt"
                                                                    : "s32",
                                        "-bits_per_raw_sample", QString::number(c.bits), source}));
        const MediaTools::Probe original = MediaTools::probe(source);
        ASSERT_EQ(original.channelLayout, c.layout);
        for (const QString format : {"wav", "flac"}) {
            SCOPED_TRACE(format.toStdString());
            const QString folder = out() + "/" + c.name;
            const ProgramRun result = run({"-f", format, "-o", folder, source});
            ASSERT_EQ(result.status, 0) << result.err.join('\n').toStdString();
            const QString output = QStringLiteral("%1/%2.%3").arg(folder, c.name, format);
            // A float source keeps its floats in WAV; FLAC takes it as 24-bit.
            const QString as = format == "wav" ? c.raw : c.bits > 16 ? "s32le" : "s16le";
            EXPECT_TRUE(MediaTools::decode(output, 0, 0, as) ==
                        MediaTools::decode(source, 0, 0, as));
            EXPECT_TRUE(ownDecode(output) == rawBytes(samples, as));
            const MediaTools::Probe made = MediaTools::probe(output);
            EXPECT_EQ(made.sampleRate, c.rate);
            EXPECT_EQ(made.channels, c.channels);
            EXPECT_EQ(made.channelLayout, c.layout);
            EXPECT_EQ(made.bits, QString(as) == "s16le" ? 16 : as == "s32le" ? c.bits : 32);
            // The format is kept, so there is nothing to say, but for float in FLAC.
            const QString note = QString(c.raw) == "f32le" && format == "flac"
                                     ? " [Converted from 44.1 kHz 32-bit float stereo to 44.1 "
                                       "kHz 24-bit stereo]"
                                     : "";
            EXPECT_EQ(result.out, QStringList{"OK " + source + " -> " + output + note});
        }
    }
    // A lossy output mixes down and resamples as its encoder needs, and says so.
    const ProgramRun mp3 = run({"-f", "mp3", "-o", out(), path("surround16.wav")});
    ASSERT_EQ(mp3.status, 0) << mp3.err.join('\n').toStdString();
    EXPECT_EQ(mp3.out,
              QStringList{"OK " + path("surround16.wav") + " -> " + out() +
                          "/surround16.mp3 [Converted from 48 kHz 5.1 to 44.1 kHz stereo]"});
    EXPECT_EQ(MediaTools::probe(out() + "/surround16.mp3").channels, 2);
}

// A source cut short still gives a file of what it holds, said on its line;
// --require-complete fails it instead and leaves nothing behind.
TEST_F(CliTest, ADamagedSourceIsSaidOrWithRequireCompleteFails) {
    const QString whole = path("whole.flac");
    ASSERT_TRUE(MediaTools::ffmpeg(
        {"-f", "lavfi", "-i", "anoisesrc=d=3:r=44100:seed=7", "-ac", "2", "-c:a", "flac", whole}));
    const QString cut = write(path("cut.flac"), read(whole).left(int(QFileInfo(whole).size() / 6)));
    const ProgramRun said = run({"-f", "wav", "-o", out(), whole, cut});
    EXPECT_EQ(said.status, 0) << said.err.join('\n').toStdString();
    EXPECT_TRUE(said.out.contains("OK " + whole + " -> " + out() + "/whole.wav"));
    const QStringList damaged = said.lines(said.out, "OK " + cut);
    ASSERT_EQ(damaged.size(), 1) << said.out.join('\n').toStdString();
    EXPECT_TRUE(QRegularExpression(" \\[source damaged: ends at 0:00\\.\\d\\d of 0:03\\.00\\]$")
                    .match(damaged[0])
                    .hasMatch())
        << damaged[0].toStdString();
    EXPECT_GT(QFileInfo(out() + "/cut.wav").size(), 44100);

    const QString strict = out() + "/strict";
    const ProgramRun failed = run({"--require-complete", "-f", "flac", "-o", strict, cut});
    EXPECT_EQ(failed.status, 1);
    const QStringList lines = failed.lines(failed.err, "FAILED " + cut + ": The source ends at ");
    EXPECT_EQ(lines.size(), 1) << failed.err.join('\n').toStdString();
    EXPECT_TRUE(QDir(strict).entryList(QDir::Files | QDir::Hidden).isEmpty())
        << "no file and no part file";
}

// A playlist or a list of files named like a song is refused as such, and the
// file it names is never opened.
TEST_F(CliTest, PlaylistsNamedLikeSongsAreRefusedWithoutOpeningWhatTheyName) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("private"));
    const QString secret = audio(path("private/secret.wav"), 1);
    const QString hls =
        write(path("hls.mp3"), "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:1,\n" +
                                   QFile::encodeName(secret) + "\n#EXT-X-ENDLIST\n");
    const QString concat =
        write(path("private/list.mp3"), "ffconcat version 1.0\nfile 'secret.wav'\n");
    // A subtitle index, whose demuxer opens the .sub beside it on its own.
    const QString index =
        write(path("private/sub.mp3"), "# VobSub index file, v7\nsize: 720x576\n");
    write(path("private/sub.sub"), QByteArray("\x00\x00\x01\xba", 4) + QByteArray(2044, '\0'));
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(path("private")).constData(), IN_OPEN), 0);

    const ProgramRun result = run({"-f", "wav", "-o", out(), hls, concat, index});
    EXPECT_EQ(result.status, 1);
    for (const QString& list : {hls, concat}) {
        const QStringList failed = result.lines(result.err, "FAILED " + list + ": ");
        ASSERT_EQ(failed.size(), 1) << result.err.join('\n').toStdString();
        EXPECT_TRUE(failed[0].contains("as a playlist does")) << failed[0].toStdString();
    }
    EXPECT_EQ(result.lines(result.err, "FAILED " + index + ": ").size(), 1);
    EXPECT_TRUE(filesIn(out()).isEmpty());
    QStringList opened;
    char events[4096];
    for (ssize_t got; (got = ::read(watch, events, sizeof events)) > 0;)
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            if (event->len > 0)
                opened << QString::fromUtf8(event->name);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    ::close(watch);
    EXPECT_FALSE(opened.contains("secret.wav")) << opened.join(' ').toStdString();
    EXPECT_FALSE(opened.contains("sub.sub")) << opened.join(' ').toStdString();
    EXPECT_TRUE(opened.contains("list.mp3")) << "the watch saw the list itself opened";
}

} // namespace
