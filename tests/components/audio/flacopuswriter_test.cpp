#include "components/flac/flacverifier.h"
#include "components/output/writerfactory.h"
#include "settings/encodersettings.h"
#include "settings/flackeys.h"
#include "settings/opuskeys.h"
#include "settings/settingsfile.h"
#include "support/mediatools.h"
#include "tags/flactag.h"
#include "tags/tagdispatch.h"

#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using namespace MediaTools;

// What a tool prints.
QString output(const QString& program, const QStringList& arguments) {
    return QString::fromUtf8(run(program, arguments).out);
}

// Content an encoder could misjudge: noise, a pure tone, silence, one repeated value.
QList<QPair<const char*, QByteArray>> contents(int rate, int channels, double seconds) {
    const int frames = int(rate * seconds);
    QByteArray constant(frames * channels * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < constant.size(); i += 2) {
        constant[i] = char(0x39);
        constant[i + 1] = char(0x30); // 12345
    }
    return {{"noise", noise(frames, channels, 3)},
            {"tone", tone(rate, channels, seconds, 997)},
            {"silence", QByteArray(frames * channels * 2, '\0')},
            {"constant", constant}};
}

class FlacOpusWriterTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    // The PCM in pieces that split sample frames, as the readers hand it over.
    QString write(OutputFormat format, const QString& name, int rate, int channels,
                  const QByteArray& pcm) {
        std::unique_ptr<AudioWriter> writer = makeWriter(format, EncoderSettings::read(settings));
        writer->setInputFormat(rate, channels);
        writer->create(path(name));
        for (qsizetype at = 0; at < pcm.size(); at += 17641)
            writer->write(pcm.mid(at, 17641));
        writer->close();
        return path(name);
    }

    QTemporaryDir dir;
    SettingsFile settings{dir.filePath(QStringLiteral("Orvelle.ini"))};
};

TEST_F(FlacOpusWriterTest, FlacDecodesToTheSourceAndCarriesItsMd5AtEveryLevel) {
    for (const auto& [rate, channels] : {std::pair{44100, 2}, std::pair{48000, 1}})
        for (int level : {0, 5, 8})
            for (const auto& [name, pcm] : contents(rate, channels, 1.3)) {
                SCOPED_TRACE(QStringLiteral("%1 Hz %2 ch level %3 %4")
                                 .arg(rate)
                                 .arg(channels)
                                 .arg(level)
                                 .arg(name)
                                 .toStdString());
                settings.write(FlacKeys::Level, level);
                const QString file = write(FormatFlac, "a.flac", rate, channels, pcm);
                EXPECT_EQ(decode(file), pcm);
                const QString md5 = output("metaflac", {"--show-md5sum", "--show-total-samples",
                                                        "--show-sample-rate", "--show-bps", file});
                EXPECT_EQ(
                    md5.split('\n').mid(0, 4),
                    (QStringList{QCryptographicHash::hash(pcm, QCryptographicHash::Md5).toHex(),
                                 QString::number(pcm.size() / channels / 2), QString::number(rate),
                                 "16"}));
                QFile::remove(file);
            }
}

// Points lead to the frames about every ten seconds, each offset at a frame's
// sync code; the padding takes later tags without moving the sound.
TEST_F(FlacOpusWriterTest, FlacSeekTableAndPaddingForLaterTags) {
    const QByteArray pcm = noise(44100 * 25, 2, 9);
    const QString file = write(FormatFlac, "seek.flac", 44100, 2, pcm);
    QFile flac(file);
    ASSERT_TRUE(flac.open(QIODevice::ReadOnly));
    QString error;
    const std::optional<FlacMetadata> metadata = FlacMetadata::read(flac, &error);
    ASSERT_TRUE(metadata) << error.toStdString();
    flac.seek(0);
    const QByteArray bytes = flac.readAll(), audio = bytes.mid(metadata->audioOffset);
    const QString table = output("metaflac", {"--list", "--block-type=SEEKTABLE", file});
    const QRegularExpression point(
        "sample_number=(\\d+), stream_offset=(\\d+), frame_samples=(\\d+)");
    QList<qint64> targets{0, 441000, 882000};
    auto match = point.globalMatch(table);
    for (qint64 target : targets) {
        ASSERT_TRUE(match.hasNext()) << table.toStdString();
        const auto m = match.next();
        const qint64 sample = m.captured(1).toLongLong(), samples = m.captured(3).toLongLong();
        EXPECT_TRUE(sample <= target && target < sample + samples) << target;
        const qint64 offset = m.captured(2).toLongLong();
        EXPECT_EQ(audio.mid(offset, 2), QByteArray("\xff\xf8", 2)) << offset;
    }
    EXPECT_FALSE(match.hasNext());
    EXPECT_EQ(table.count("PLACEHOLDER"), 97);
    EXPECT_TRUE(
        output("metaflac", {"--list", "--block-type=PADDING", file}).contains("length: 8192"));

    // Tags that fit in the padding leave the file's size and its sound where they were.
    writeOutputTags(file, {QString(300, QChar(0x65e5)), "Artist", "Album", "2001"},
                    {{}, {-6.52, 0.988831, {}, {}}});
    EXPECT_EQ(QFile(file).size(), bytes.size());
    EXPECT_EQ(MediaTools::decode(file), pcm);
    EXPECT_EQ(run("flac", {"-t", "-s", file}).exitCode, 0);
}

// The verifier passes a stream only when it decodes to exactly the samples
// expected; bytes arrive in pieces that split frames.
TEST_F(FlacOpusWriterTest, FlacVerifierFailsEveryStreamThatIsNotItsSound) {
    const QByteArray pcm = noise(44100 * 3, 2, 5);
    QFile file(write(FormatFlac, "v.flac", 44100, 2, pcm));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray stream = file.readAll();
    QFile shortFile(write(FormatFlac, "s.flac", 44100, 2, pcm.left(pcm.size() - 44100 * 4)));
    ASSERT_TRUE(shortFile.open(QIODevice::ReadOnly));
    const QByteArray shortStream = shortFile.readAll();
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    const std::vector<qint32> sound(s, s + pcm.size() / 2);

    struct Case {
        const char* name;
        std::vector<qint32> expected;
        QByteArray bytes;
        const char* failure; // in the reason given; null: passes
    };
    std::vector<qint32> oneOff = sound;
    oneOff[70001] += 1;
    QByteArray flipped = stream;
    flipped[flipped.size() - 5000] = char(flipped[flipped.size() - 5000] ^ 0x10);
    const std::vector<qint32> shorter(sound.begin(), sound.end() - 2);
    const Case cases[] = {
        {"the sound", sound, stream, nullptr},
        {"one sample off", oneOff, stream, "sample 35000 of channel 2 differs"},
        {"a bit flipped", sound, flipped, "does not decode"},
        {"a second short", sound, shortStream, "ends before the sound"},
        {"more sound than given", shorter, stream, "more sound than it was given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlacVerifier verifier(2, 16);
        // As a writer hands them over: samples first, then the bytes made of them.
        const std::size_t half = c.expected.size() / 2;
        verifier.expect(
            std::make_shared<std::vector<qint32>>(c.expected.begin(), c.expected.begin() + half));
        verifier.expect(
            std::make_shared<std::vector<qint32>>(c.expected.begin() + half, c.expected.end()));
        for (qsizetype at = 0; at < c.bytes.size(); at += 1001)
            verifier.feed(reinterpret_cast<const unsigned char*>(c.bytes.constData()) + at,
                          std::size_t(std::min<qsizetype>(1001, c.bytes.size() - at)));
        const QString failure = verifier.finish();
        if (c.failure)
            EXPECT_TRUE(failure.contains(QLatin1String(c.failure))) << failure.toStdString();
        else
            EXPECT_EQ(failure, QString());
    }
}

TEST_F(FlacOpusWriterTest, OpusDecodesToTheSourceLengthInEveryMode) {
    struct Case {
        int rate, channels, bitrate, mode;
    };
    const Case cases[] = {{44100, 2, 128, 0},
                          {48000, 1, 64, 2},
                          {22050, 2, 6, 1},
                          {8000, 1, 510, 0},
                          {96000, 2, 96, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 Hz %2 ch %3 kbit/s mode %4")
                         .arg(c.rate)
                         .arg(c.channels)
                         .arg(c.bitrate)
                         .arg(c.mode)
                         .toStdString());
        settings.write(OpusKeys::Bitrate, c.bitrate);
        settings.write(OpusKeys::Mode, c.mode);
        const double seconds = 2.345;
        const QString file =
            write(FormatOpus, "a.opus", c.rate, c.channels, tone(c.rate, c.channels, seconds, 440));
        const Probe p = probe(file);
        EXPECT_EQ(p.codec, "opus");
        EXPECT_EQ(p.channels, c.channels);
        // Decoded at Opus's 48 kHz, trimmed by pre-skip and the last page's granule.
        const double decoded =
            double(decode(file, 48000, c.channels).size()) / 2 / c.channels / 48000;
        EXPECT_NEAR(decoded, seconds, 0.02);
        const QString info = output("opusinfo", {file});
        EXPECT_TRUE(info.contains(QStringLiteral("Original sample rate: %1 Hz").arg(c.rate)))
            << info.toStdString();
    }
}

TEST_F(FlacOpusWriterTest, OpusModesSpendTheirBitsAsChosen) {
    // Silence: VBR spends almost nothing on it, hard CBR its whole bitrate.
    const QByteArray silence(48000 * 2 * 2 * 4, '\0');
    qint64 sizes[3];
    for (int mode = 0; mode < 3; ++mode) {
        settings.write(OpusKeys::Mode, mode);
        sizes[mode] =
            QFile(write(FormatOpus, QStringLiteral("m%1.opus").arg(mode), 48000, 2, silence))
                .size();
    }
    EXPECT_LT(sizes[0] * 4, sizes[2]);
    EXPECT_NEAR(double(sizes[2]), 128000 / 8 * 4, 128000 / 8 * 4 * 0.05);
    // A stored value outside the range takes the default.
    settings.write(OpusKeys::Bitrate, 511);
    EXPECT_EQ(EncoderSettings::read(settings).opus.bitrate, 128);
    settings.write(OpusKeys::Bitrate, 6);
    EXPECT_EQ(EncoderSettings::read(settings).opus.bitrate, 6);
    settings.write(FlacKeys::Level, 9);
    EXPECT_EQ(EncoderSettings::read(settings).flac.level, 5);
}

} // namespace
