#include "support/mediatools.h"
#include "components/audio/outputwriterfixture.h"
#include "components/componenterror.h"
#include "components/ffmpeg/audiofilereader.h"
#include "components/output/outputwriter.h"

#include <functional>
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <thread>

using namespace MediaTools;

namespace {

// The fields of an MPEG audio frame header that LAME's settings show in.
struct Mp3Header {
    bool valid = false;
    int version = 0; // 1 MPEG-1, 2 MPEG-2, 25 MPEG-2.5
    bool crc = false;
    int bitrate = 0;
    int sampleRate = 0;
    int mode = 0; // 0 stereo, 1 joint, 2 dual, 3 mono
    int length = 0;
};

Mp3Header parseHeader(const QByteArray& file, int offset) {
    Mp3Header h;
    if (offset + 4 > file.size())
        return h;
    const auto* b = reinterpret_cast<const unsigned char*>(file.constData() + offset);
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0)
        return h;
    const int versionBits = (b[1] >> 3) & 3;
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    h.crc = (b[1] & 1) == 0;
    static const int rates1[] = {44100, 48000, 32000};
    const int rateIndex = (b[2] >> 2) & 3;
    h.sampleRate = rates1[rateIndex] / (h.version == 1 ? 1 : h.version == 2 ? 2 : 4);
    static const int bitrates1[] = {0,   32,  40,  48,  56,  64,  80, 96,
                                    112, 128, 160, 192, 224, 256, 320};
    static const int bitrates2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const int bitrateIndex = b[2] >> 4;
    h.bitrate = (h.version == 1 ? bitrates1 : bitrates2)[bitrateIndex];
    const int padding = (b[2] >> 1) & 1;
    h.mode = b[3] >> 6;
    h.length = (h.version == 1 ? 144000 : 72000) * h.bitrate / h.sampleRate + padding;
    h.valid = true;
    return h;
}

// Whether the first frame is LAME's info frame ("Xing" for VBR, "Info" for CBR).
QByteArray infoTag(const QByteArray& file) {
    const Mp3Header first = parseHeader(file, 0);
    const QByteArray frame = file.left(first.length);
    for (const char* tag : {"Xing", "Info"})
        if (frame.contains(tag))
            return tag;
    return {};
}

// The first audio frame: the one after the info frame, if there is one.
Mp3Header firstAudioFrame(const QByteArray& file) {
    const Mp3Header first = parseHeader(file, 0);
    return infoTag(file).isEmpty() ? first : parseHeader(file, first.length);
}

// The nominal, maximum and minimum bitrate in a Vorbis identification header.
struct VorbisBitrates {
    int maximum = 0, nominal = 0, minimum = 0;
};

VorbisBitrates vorbisBitrates(const QByteArray& file) {
    VorbisBitrates result;
    const int at = int(file.indexOf("\x01vorbis"));
    if (at < 0 || at + 28 > file.size())
        return result;
    auto read32 = [&](int offset) {
        qint32 value;
        memcpy(&value, file.constData() + at + offset, 4);
        return value;
    };
    result.maximum = read32(16);
    result.nominal = read32(20);
    result.minimum = read32(24);
    return result;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray readAllPcm(AudioFileReader& reader) {
    QByteArray all;
    for (QByteArray chunk; !(chunk = reader.read(44100)).isEmpty();)
        all += chunk;
    return all;
}

TEST_F(OutputWriterTest, WavWrittenInOddPiecesReadsBackBitExact) {
    const QByteArray pcm = noise(66150, 2);
    writer.setWavFormat(44100, 2, 16);
    writer.create(path(QStringLiteral("noise.wav")));
    // Pieces that split sample frames, as a caller may send them.
    for (int at = 0; at < pcm.size(); at += 1001)
        writer.write(pcm.mid(at, 1001));
    EXPECT_EQ(writer.framesWritten(), 66150);
    writer.close();
    EXPECT_FALSE(writer.getIsOpen());

    const Probe info = probe(path(QStringLiteral("noise.wav")));
    EXPECT_EQ(info.codec, QLatin1String("pcm_s16le"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_NEAR(info.duration, 1.5, 0.001);

    AudioFileReader reader;
    reader.open(path(QStringLiteral("noise.wav")));
    EXPECT_EQ(reader.getLength(), 66150);
    EXPECT_TRUE(readAllPcm(reader) == pcm);
}

TEST_F(OutputWriterTest, WavSampleWidths) {
    const QByteArray pcm = noise(4800, 2);
    writer.setWavFormat(48000, 2, 32);
    writeFile(path(QStringLiteral("wide.wav")), pcm, 48000, 2);
    EXPECT_EQ(probe(path(QStringLiteral("wide.wav"))).codec, QLatin1String("pcm_s32le"));
    AudioFileReader reader;
    reader.open(path(QStringLiteral("wide.wav")));
    EXPECT_TRUE(readAllPcm(reader) == pcm); // 16 bits widen and narrow without loss

    writer.setWavFormat(48000, 1, 8);
    const QByteArray mono = noise(4801, 1); // an odd data size needs a pad byte
    writeFile(path(QStringLiteral("narrow.wav")), mono, 48000, 1);
    const Probe narrow = probe(path(QStringLiteral("narrow.wav")));
    EXPECT_EQ(narrow.codec, QLatin1String("pcm_u8"));
    EXPECT_EQ(narrow.channels, 1);
    EXPECT_EQ(QFile(path(QStringLiteral("narrow.wav"))).size() % 2, 0);
    reader.open(path(QStringLiteral("narrow.wav")));
    const QByteArray back = readAllPcm(reader);
    ASSERT_EQ(back.size(), mono.size());
    const auto* in = reinterpret_cast<const qint16*>(mono.constData());
    const auto* out = reinterpret_cast<const qint16*>(back.constData());
    for (int i = 0; i < 4801; ++i)
        ASSERT_EQ(out[i], qint16(in[i] & 0xFF00)) << i;
}

TEST_F(OutputWriterTest, ResamplesAndRemixesToTheOutputLayout) {
    writer.setWavFormat(11025, 1, 16);
    writeFile(path(QStringLiteral("down.wav")), tone(44100, 2, 2.0, 440), 44100, 2);
    const Probe down = probe(path(QStringLiteral("down.wav")));
    EXPECT_EQ(down.sampleRate, 11025);
    EXPECT_EQ(down.channels, 1);
    EXPECT_NEAR(down.duration, 2.0, 0.005);
    EXPECT_NEAR(dominantFrequency(decode(path(QStringLiteral("down.wav"))), 11025, 1), 440, 2);

    writer.setWavFormat(48000, 2, 16);
    writeFile(path(QStringLiteral("up.wav")), tone(22050, 1, 1.0, 1000), 22050, 1);
    const QByteArray up = decode(path(QStringLiteral("up.wav")));
    EXPECT_EQ(probe(path(QStringLiteral("up.wav"))).channels, 2);
    EXPECT_NEAR(up.size() / 4, 48000, 48);
    const auto* samples = reinterpret_cast<const qint16*>(up.constData());
    for (int i = 1000; i < 1010; ++i)
        EXPECT_EQ(samples[2 * i], samples[2 * i + 1]); // mono goes to both sides
    EXPECT_NEAR(dominantFrequency(up, 48000, 2), 1000, 2);
}

TEST_F(OutputWriterTest, ResamplingKeepsEveryFrame) {
    // Two seconds stay two seconds to the frame: nothing the filter holds back
    // at the end is lost, and nothing is added.
    const QByteArray source = tone(44100, 2, 2.0, 440);
    for (const int rate : {22050, 48000}) {
        writer.setWavFormat(rate, 2, 16);
        const QString file = path(QStringLiteral("%1.wav").arg(rate));
        writeFile(file, source, 44100, 2);
        AudioFileReader reader;
        reader.open(file);
        EXPECT_EQ(reader.getLength(), 2 * rate);
        EXPECT_EQ(readAllPcm(reader).size(), 2 * rate * 4) << rate;
    }
}

TEST_F(OutputWriterTest, Mp3WithDefaultSettings) {
    writer.setMp3Settings({});
    const QString file = path(QStringLiteral("tone.mp3"));
    writeFile(file, tone(44100, 2, 2.0, 1000));

    const Probe info = probe(file);
    EXPECT_EQ(info.codec, QLatin1String("mp3"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.bitRate, 128000);
    // ffprobe counts whole frames, the encoder's delay and padding included;
    // decoding below gives the exact count.
    EXPECT_NEAR(info.duration, 2.0, 2 * 1152.0 / 44100);

    const QByteArray bytes = readFile(file);
    EXPECT_EQ(infoTag(bytes), QByteArray("Info"));
    const Mp3Header audio = firstAudioFrame(bytes);
    EXPECT_EQ(audio.mode, 0); // plain stereo, the stored default
    EXPECT_FALSE(audio.crc);

    // The info frame tells decoders the encoder's delay and padding.
    const QByteArray decoded = decode(file);
    EXPECT_EQ(decoded.size(), 88200 * 4);
    EXPECT_NEAR(dominantFrequency(decoded, 44100, 2), 1000, 2);
}

TEST_F(OutputWriterTest, Mp3SettingsShowInTheFrames) {
    LameSettings lame;
    lame.channelMode = 0;
    lame.sampleRate = 22050;
    lame.bitrate = 64;
    lame.crc = true;
    lame.writeVbrHeader = false;
    writer.setMp3Settings(lame);
    const QString file = path(QStringLiteral("mono.mp3"));
    writeFile(file, tone(44100, 2, 1.0, 500));

    const QByteArray bytes = readFile(file);
    EXPECT_TRUE(infoTag(bytes).isEmpty());
    const Mp3Header audio = firstAudioFrame(bytes);
    ASSERT_TRUE(audio.valid);
    EXPECT_EQ(audio.version, 2);
    EXPECT_EQ(audio.sampleRate, 22050);
    EXPECT_EQ(audio.mode, 3);
    EXPECT_EQ(audio.bitrate, 64);
    EXPECT_TRUE(audio.crc);
    const Probe info = probe(file);
    EXPECT_EQ(info.sampleRate, 22050);
    EXPECT_EQ(info.channels, 1);
    EXPECT_NEAR(dominantFrequency(decode(file), 22050, 1), 500, 2);
}

TEST_F(OutputWriterTest, Mp3VbrAndPresets) {
    LameSettings lame;
    lame.vbrMethod = 0;
    lame.vbrQuality = 2;
    lame.vbrBitrate = 320;
    writer.setMp3Settings(lame);
    const QString vbr = path(QStringLiteral("vbr.mp3"));
    writeFile(vbr, tone(44100, 2, 1.0, 1000));
    EXPECT_EQ(infoTag(readFile(vbr)), QByteArray("Xing"));
    EXPECT_EQ(decode(vbr).size(), 44100 * 4);

    lame.preset = 1; // "Phone"
    writer.setMp3Settings(lame);
    const QString phone = path(QStringLiteral("phone.mp3"));
    writeFile(phone, tone(44100, 2, 1.0, 440));
    const Probe info = probe(phone);
    EXPECT_EQ(info.sampleRate, 8000);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.bitRate, 16000);
    EXPECT_NEAR(dominantFrequency(decode(phone), 8000, 1), 440, 2);

    lame.preset = 0;
    lame.vbrMethod = -1;
    lame.bitrate = 192;
    writer.setMp3Settings(lame);
    writeFile(phone, tone(44100, 2, 1.0, 440));
    EXPECT_EQ(probe(phone).bitRate, 192000);
}

TEST_F(OutputWriterTest, OggModesAndBitrates) {
    const QString nominal = path(QStringLiteral("nominal.ogg"));
    writer.setOggFormat({44100, 2, 128, 0, 0, -1});
    writeFile(nominal, tone(44100, 2, 2.0, 1000));
    const Probe info = probe(nominal);
    EXPECT_EQ(info.codec, QLatin1String("vorbis"));
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.bitRate, 128000);
    EXPECT_NEAR(info.duration, 2.0, 0.01);
    EXPECT_NEAR(dominantFrequency(decode(nominal), 44100, 2), 1000, 2);

    const QString managed = path(QStringLiteral("managed.ogg"));
    writer.setOggFormat({44100, 2, 128, 96, 160, -1});
    writeFile(managed, tone(44100, 2, 1.0, 1000));
    const VorbisBitrates limits = vorbisBitrates(readFile(managed));
    EXPECT_EQ(limits.minimum, 96000);
    EXPECT_EQ(limits.nominal, 128000);
    EXPECT_EQ(limits.maximum, 160000);

    const QString quality = path(QStringLiteral("quality.ogg"));
    writer.setOggFormat({22050, 1, 0, 0, 0, 400});
    writeFile(quality, tone(44100, 2, 1.0, 700));
    const Probe q = probe(quality);
    EXPECT_EQ(q.sampleRate, 22050);
    EXPECT_EQ(q.channels, 1);
    EXPECT_NEAR(dominantFrequency(decode(quality), 22050, 1), 700, 2);

    // libvorbis has no 320 kbps set-up for 8 kHz mono: the nearest one it has is used.
    const QString tooHigh = path(QStringLiteral("high.ogg"));
    writer.setOggFormat({8000, 1, 320, 0, 0, -1});
    writeFile(tooHigh, tone(44100, 2, 1.0, 440));
    const Probe high = probe(tooHigh);
    EXPECT_EQ(high.sampleRate, 8000);
    EXPECT_GT(high.bitRate, 0);
    EXPECT_LT(high.bitRate, 320000);
}

TEST_F(OutputWriterTest, RefusesWhatItCannotDo) {
    const QString missing = path(QStringLiteral("no/such/folder/out.wav"));
    try {
        writer.create(missing);
        FAIL() << "created in a missing folder";
    } catch (const ComponentError& error) {
        EXPECT_TRUE(error.message().contains(missing)) << error.what();
    }
    EXPECT_FALSE(writer.getIsOpen());
    EXPECT_THROW(writer.write(tone(44100, 2, 0.1, 440)), ComponentError);
    EXPECT_THROW(writer.setWavFormat(44100, 2, 12), ComponentError);
    EXPECT_THROW(writer.setWavFormat(44100, 3, 16), ComponentError);
    EXPECT_THROW(writer.setWmaProfile(47), ComponentError);
    EXPECT_THROW(writer.setOggFormat({44100, 2, 0, 0, 0, -1}), ComponentError);
    EXPECT_THROW(writer.setOggFormat({44100, 2, 0, 0, 0, 1001}), ComponentError);
    LameSettings badMp3;
    badMp3.bitrate = 500;
    EXPECT_THROW(writer.setMp3Settings(badMp3), ComponentError);
}

// A link that someone put at the output's name is never written through, in
// any format: the file it points at stays as it was.
TEST_F(OutputWriterTest, NeverWritesThroughALink) {
    QFile victim(path(QStringLiteral("precious.txt")));
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly) && victim.write("precious") == 8);
    victim.close();
    ASSERT_TRUE(victim.link(path(QStringLiteral("link.out"))));
    const std::function<void()> formats[] = {[&] { writer.setWavFormat(44100, 2, 16); },
                                             [&] { writer.setMp3Settings({}); },
                                             [&] {
                                                 writer.setOggFormat({44100, 2, 128, 0, 0, -1});
                                             },
                                             [&] { writer.setWmaProfile(9); }};
    for (const auto& choose : formats) {
        choose();
        EXPECT_THROW(writeFile(path(QStringLiteral("link.out")), tone(44100, 2, 0.2, 440)),
                     ComponentError);
        ASSERT_TRUE(victim.open(QIODevice::ReadOnly));
        EXPECT_EQ(victim.readAll(), "precious");
        victim.close();
    }
}

TEST_F(OutputWriterTest, LastFormatCallChooses) {
    writer.setWmaProfile(9);
    writer.setMp3Settings({});
    writeFile(path(QStringLiteral("a.out")), tone(44100, 2, 0.2, 440));
    EXPECT_EQ(probe(path(QStringLiteral("a.out"))).codec, QLatin1String("mp3"));
    writer.setWavFormat(44100, 2, 16);
    writeFile(path(QStringLiteral("b.out")), tone(44100, 2, 0.2, 440));
    EXPECT_EQ(probe(path(QStringLiteral("b.out"))).codec, QLatin1String("pcm_s16le"));
}

TEST_F(OutputWriterTest, CreateFinishesTheFileBeforeAndAnyThreadMayWrite) {
    writer.setWavFormat(44100, 2, 16);
    writer.create(path(QStringLiteral("first.wav")));
    writer.write(tone(44100, 2, 0.5, 440));
    std::thread worker([&] {
        writer.create(path(QStringLiteral("second.wav")));
        writer.write(tone(44100, 2, 0.25, 440));
    });
    worker.join();
    EXPECT_TRUE(writer.getIsOpen());
    writer.close();
    EXPECT_NEAR(probe(path(QStringLiteral("first.wav"))).duration, 0.5, 0.001);
    EXPECT_NEAR(probe(path(QStringLiteral("second.wav"))).duration, 0.25, 0.001);
}

} // namespace
