#include "support/mediatools.h"
#include "components/componenterror.h"
#include "components/lame/lamecommandline.h"
#include "components/output/outputwriter.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

namespace {

QString errorOf(LameSettings& lame, const QString& line) {
    try {
        applyLameCommandLine(lame, line);
    } catch (const ComponentError& error) {
        return error.message();
    }
    return {};
}

TEST(LameCommandLine, CommandLineSetsTheMatchingSettings) {
    LameSettings lame;
    applyLameCommandLine(
        lame, QStringLiteral(
                  "-b 192 -q2 -m j --resample 22.05 -p -t --nores --noshort --allow-diff-short\n"
                  "--strictly-enforce-ISO --lowpass 15 --lowpass-width 1000 --highpass 120 -e 5 "
                  "--athshort"));
    const LameSettings& s = lame;
    EXPECT_EQ(s.bitrate, 192);
    EXPECT_EQ(s.quality, 2);
    EXPECT_EQ(s.channelMode, 2);
    EXPECT_EQ(s.sampleRate, 22050);
    EXPECT_TRUE(s.crc);
    EXPECT_FALSE(s.writeVbrHeader);
    EXPECT_FALSE(s.bitReservoir);
    EXPECT_FALSE(s.shortBlocks);
    EXPECT_TRUE(s.allowDiffBlocks);
    EXPECT_TRUE(s.strictIso);
    EXPECT_EQ(s.lowpassFrequency, 15000);
    EXPECT_EQ(s.lowpassWidth, 1000);
    EXPECT_EQ(s.highpassFrequency, 120);
    EXPECT_EQ(s.deemphasis, 1);
    EXPECT_EQ(s.athMode, 3);

    applyLameCommandLine(lame, QStringLiteral("-V 3 -B 256 -F"));
    EXPECT_EQ(s.vbrMethod, 0);
    EXPECT_EQ(s.vbrQuality, 3);
    EXPECT_EQ(s.vbrBitrate, 256);
    EXPECT_TRUE(s.enforceMinBitrate);
    applyLameCommandLine(lame, QStringLiteral("--vbr-old -a"));
    EXPECT_EQ(s.vbrMethod, 1);
    EXPECT_EQ(s.channelMode, 0);

    applyLameCommandLine(lame, QStringLiteral("--preset fast extreme"));
    EXPECT_EQ(s.altPreset, 3);
    applyLameCommandLine(lame, QStringLiteral("--preset CD"));
    EXPECT_EQ(s.preset, 9);
    EXPECT_EQ(s.altPreset, 0);
    applyLameCommandLine(lame, QStringLiteral("--alt-preset insane"));
    EXPECT_EQ(s.altPreset, 5);
    EXPECT_EQ(s.preset, 0);
}

TEST(LameCommandLine, CommandLineRejectsWhatItCannotHonourAndChangesNothing) {
    LameSettings lame;
    EXPECT_TRUE(errorOf(lame, QStringLiteral("--replaygain-accurate"))
                    .contains(QStringLiteral("--replaygain-accurate")));
    EXPECT_TRUE(errorOf(lame, QStringLiteral("-q 3 -b")).contains(QStringLiteral("needs a value")));
    EXPECT_TRUE(errorOf(lame, QStringLiteral("-b fast")).contains(QStringLiteral("fast")));
    EXPECT_FALSE(errorOf(lame, QStringLiteral("-m x")).isEmpty());
    EXPECT_FALSE(errorOf(lame, QStringLiteral("input.wav")).isEmpty());
    EXPECT_FALSE(errorOf(lame, QStringLiteral("-b 999")).isEmpty());
    EXPECT_FALSE(errorOf(lame, QStringLiteral("--preset loud")).isEmpty());
    EXPECT_FALSE(errorOf(lame, QStringLiteral("-t1")).isEmpty());
    EXPECT_EQ(lame.quality, 5); // "-q 3" before the bad switch did not stay
    EXPECT_EQ(lame.bitrate, 128);
    EXPECT_TRUE(errorOf(lame, QStringLiteral("  \n ")).isEmpty());
}

TEST(LameCommandLine, CommandLineTakesTheSwitchesUsersCopyFromLame) {
    for (const char* line :
         {"-b 192 -h", "-V2 --vbr-new", "-V 2.5", "-B 320 -F -v", "--abr 160 -b 96", "-m a",
          "-m d -f", "-q0 -c -o -p", "-k", "--preset standard", "--preset fast medium",
          "--preset 128", "--preset cbr 320", "--resample 44.1 --lowpass 16 --highpass 0.1",
          "--vbr-mtrh -d", "-S --nohist -V 0"})
        EXPECT_EQ(lameCommandLineError(QLatin1String(line)), QString()) << line;

    LameSettings lame;
    const LameSettings& s = lame;
    applyLameCommandLine(lame, QStringLiteral("-V 2.5 -c -o -k -m a"));
    EXPECT_EQ(s.vbrMethod, 0);
    EXPECT_DOUBLE_EQ(s.vbrQuality, 2.5);
    EXPECT_TRUE(s.copyright);
    EXPECT_FALSE(s.original);
    EXPECT_TRUE(s.keepAllFrequencies);
    EXPECT_EQ(s.channelMode, 2);

    applyLameCommandLine(lame, QStringLiteral("--abr 160"));
    EXPECT_EQ(s.abrBitrate, 160);
    applyLameCommandLine(lame, QStringLiteral("-V 4")); // the last mode named wins, as in LAME
    EXPECT_EQ(s.abrBitrate, 0);
    applyLameCommandLine(lame, QStringLiteral("--preset 96"));
    EXPECT_EQ(s.abrBitrate, 96);
    applyLameCommandLine(lame, QStringLiteral("--preset cbr 256"));
    EXPECT_EQ(s.abrBitrate, 0);
    EXPECT_EQ(s.vbrMethod, -1);
    EXPECT_EQ(s.bitrate, 256);
    applyLameCommandLine(lame, QStringLiteral("--preset medium"));
    EXPECT_EQ(s.vbrMethod, 0);
    EXPECT_DOUBLE_EQ(s.vbrQuality, 4);
}

TEST(LameCommandLine, CommandLineRefusalsNameTheSwitch) {
    struct Case {
        const char* line;
        const char* named;
    };
    for (const Case& c :
         {Case{"-V 10", "-V"}, Case{"-V x", "-V"}, Case{"--abr 999", "--abr 999"},
          Case{"-b 4", "-b 4"}, Case{"--resample 44", "--resample 44"}, Case{"--tt Title", "--tt"},
          Case{"-q 2 -Z", "-Z"}, Case{"--preset cbr x", "cbr x"}, Case{"-c1", "-c"}}) {
        const QString error = lameCommandLineError(QLatin1String(c.line));
        EXPECT_TRUE(error.contains(QLatin1String(c.named)))
            << c.line << ": " << error.toStdString();
    }
}

TEST(LameCommandLine, SettingsLameCannotUseAreRefused) {
    const auto refused = [](auto change) {
        LameSettings lame;
        change(lame);
        try {
            checkLameSettings(lame);
        } catch (const ComponentError&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refused([](LameSettings& s) { s.bitrate = 400; }));
    EXPECT_TRUE(refused([](LameSettings& s) { s.vbrBitrate = 4; }));
    EXPECT_TRUE(refused([](LameSettings& s) { s.quality = 10; }));
    EXPECT_TRUE(refused([](LameSettings& s) { s.vbrMethod = 4; }));
    EXPECT_TRUE(refused([](LameSettings& s) { s.sampleRate = 44000; }));
    EXPECT_TRUE(refused([](LameSettings& s) { s.preset = 12; }));
    EXPECT_TRUE(refused([](LameSettings& s) { s.lowpassFrequency = 50000; }));
    EXPECT_FALSE(refused([](LameSettings& s) { s.lowpassFrequency = -1; }));
    EXPECT_FALSE(refused([](LameSettings&) {}));
}

// Every line the settings dialog lets through must make a file, whatever the
// stored settings around it: a job never fails a row for its command line.
TEST(LameCommandLine, LinesTheDialogTakesNeverMakeLameRefuse) {
    QTemporaryDir dir;
    int n = 0;
    for (const char* line :
         {"--resample 8 -b 320", "--abr 320 --resample 8 -F -b 8", "-k --resample 8 -m m",
          "--lowpass 48 --resample 8", "--highpass 20 --lowpass 0.1", "-V 0 -B 8 -F -b 320",
          "--preset cbr 320 --resample 11.025", "--preset insane -m m", "--preset phone -b 320",
          "--vbr-old -V 9.999 --resample 12 --athonly -e c"}) {
        ASSERT_EQ(lameCommandLineError(QLatin1String(line)), QString()) << line;
        LameSettings lame;
        applyLameCommandLine(lame, QLatin1String(line));
        OutputWriter writer;
        writer.setMp3Settings(lame);
        const QString file = dir.filePath(QStringLiteral("line%1.mp3").arg(++n));
        EXPECT_NO_THROW({
            writer.create(file);
            writer.write(MediaTools::tone(44100, 2, 0.2, 440));
            writer.close();
        }) << line;
        EXPECT_TRUE(MediaTools::probe(file).ok) << line;
    }
}

TEST(LameCommandLine, CopyrightOriginalAndAverageBitrateReachTheFile) {
    QTemporaryDir dir;
    auto make = [&](const QString& line) {
        LameSettings lame;
        applyLameCommandLine(lame, line);
        OutputWriter writer;
        writer.setMp3Settings(lame);
        const QString path = dir.filePath(line.simplified().remove(QLatin1Char(' ')) + ".mp3");
        writer.create(path);
        writer.write(MediaTools::noise(44100, 2));
        writer.close();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    };
    // The fourth byte of an MPEG audio frame header: copyright 0x08, original 0x04.
    const QByteArray marked = make(QStringLiteral("-c -o"));
    ASSERT_GE(marked.size(), 4);
    EXPECT_EQ(marked[3] & 0x0C, 0x08);
    const QByteArray plain = make(QStringLiteral("-b 128"));
    ASSERT_GE(plain.size(), 4);
    EXPECT_EQ(plain[3] & 0x0C, 0x04);
    // LAME marks its info frame "Xing" for VBR and ABR, "Info" for CBR.
    EXPECT_TRUE(make(QStringLiteral("--abr 96")).left(200).contains("Xing"));
    EXPECT_TRUE(plain.left(200).contains("Info"));
}

TEST(LameCommandLine, CommandLineReachesTheFile) {
    QTemporaryDir dir;
    LameSettings lame;
    applyLameCommandLine(lame, QStringLiteral("-m m --resample 16 -b 32"));
    OutputWriter writer;
    writer.setMp3Settings(lame);
    const QString file = dir.filePath(QStringLiteral("line.mp3"));
    writer.create(file);
    writer.write(MediaTools::tone(44100, 2, 1.0, 440));
    writer.close();
    const MediaTools::Probe info = MediaTools::probe(file);
    EXPECT_EQ(info.sampleRate, 16000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.bitRate, 32000);
}

} // namespace
