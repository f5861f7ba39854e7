#include "support/mediatools.h"
#include "components/componenterror.h"
#include "components/ffmpeg/audiofilereader.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <random>
#include <unistd.h>

using namespace MediaTools;

namespace {

// What the process writes to its standard error while alive.
class StderrCapture {
public:
    explicit StderrCapture(const QString& path) : m_path(path) {
        std::fflush(stderr);
        m_saved = dup(2);
        FILE* file = std::fopen(QFile::encodeName(path).constData(), "w");
        dup2(fileno(file), 2);
        std::fclose(file);
    }
    ~StderrCapture() { restore(); }
    QByteArray text() {
        restore();
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }

private:
    void restore() {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        dup2(m_saved, 2);
        close(m_saved);
        m_saved = -1;
    }
    QString m_path;
    int m_saved = -1;
};

// Dialogic ADPCM, as the decoder expands it: each nibble is chosen so that the
// decoder's prediction comes nearest the input.
QByteArray encodeVox(const QByteArray& pcm) {
    static const int steps[49] = {
        16,  17,  19,  21,  23,  25,  28,  31,  34,  37,  41,   45,   50,   55,   60,  66,  73,
        80,  88,  97,  107, 118, 130, 143, 157, 173, 190, 209,  230,  253,  279,  307, 337, 371,
        408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552};
    static const int adjust[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    int predictor = 0, index = 0;
    auto expand = [&](int nibble, bool commit) {
        const int step = steps[index];
        const int diff = ((2 * (nibble & 7) + 1) * step) >> 3;
        const int value = std::clamp(nibble & 8 ? predictor - diff : predictor + diff, -2048, 2047);
        if (commit) {
            predictor = value;
            index = std::clamp(index + adjust[nibble & 7], 0, 48);
        }
        return value;
    };
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
    const int count = int(pcm.size() / 2) & ~1;
    QByteArray vox;
    for (int i = 0; i < count; i += 2) {
        int byte = 0;
        for (int half = 0; half < 2; ++half) {
            const int target = samples[i + half] >> 4;
            int best = 0;
            for (int nibble = 1; nibble < 16; ++nibble)
                if (std::abs(expand(nibble, false) - target) <
                    std::abs(expand(best, false) - target))
                    best = nibble;
            expand(best, true);
            byte = byte << 4 | best; // the high nibble comes first
        }
        vox.append(char(byte));
    }
    return vox;
}

class AudioFileReaderTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    QString writeBytes(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path(name);
    }

    // A two-second 440 Hz tone at 44.1 kHz stereo, encoded by ffmpeg with `codec`.
    QString makeTone(const QString& name, const QString& codec) const {
        const QString file = path(name);
        EXPECT_TRUE(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                            QStringLiteral("sine=frequency=440:duration=2:sample_rate=44100"),
                            QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"),
                            codec, file}));
        return file;
    }

    QByteArray readAll() {
        QByteArray all;
        for (QByteArray chunk; !(chunk = reader.read(reader.getSampleRate())).isEmpty();)
            all += chunk;
        return all;
    }

    QString openError(const QString& file) {
        try {
            reader.open(file);
        } catch (const ComponentError& error) {
            EXPECT_FALSE(reader.getIsOpen());
            return error.message();
        }
        ADD_FAILURE() << "opened " << file.toStdString();
        return {};
    }

    QTemporaryDir dir;
    AudioFileReader reader;
};

TEST_F(AudioFileReaderTest, DecodesEveryAudioFormatAtItsOwnLayout) {
    const QString files[] = {makeTone(QStringLiteral("t.mp3"), QStringLiteral("libmp3lame")),
                             makeTone(QStringLiteral("t.ogg"), QStringLiteral("libvorbis")),
                             makeTone(QStringLiteral("t.wma"), QStringLiteral("wmav2")),
                             makeTone(QStringLiteral("t.wav"), QStringLiteral("pcm_s16le"))};
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        reader.open(file);
        EXPECT_TRUE(reader.getIsOpen());
        EXPECT_EQ(reader.getSampleRate(), 44100);
        EXPECT_EQ(reader.getChannels(), 2);
        EXPECT_EQ(reader.getBlockAlign(), 4);
        EXPECT_NEAR(reader.getLength(), 88200, 2048);
        EXPECT_NEAR(reader.getDurationMs(), 2000, 50);
        const QByteArray pcm = readAll();
        EXPECT_NEAR(pcm.size() / 4, 88200, 2048);
        EXPECT_NEAR(dominantFrequency(pcm, 44100, 2), 440, 2);
        EXPECT_TRUE(reader.read(100).isEmpty()); // and stays at the end
        reader.close();
        EXPECT_FALSE(reader.getIsOpen());
    }
}

TEST_F(AudioFileReaderTest, HeaderlessRawAndVox) {
    const QByteArray cd = tone(44100, 2, 1.5, 1000);
    reader.open(writeBytes(QStringLiteral("cd.RAW"), cd));
    EXPECT_EQ(reader.getSampleRate(), 44100);
    EXPECT_EQ(reader.getChannels(), 2);
    EXPECT_EQ(reader.getLength(), 66150);
    EXPECT_TRUE(readAll() == cd);

    const QByteArray vox = encodeVox(tone(8000, 1, 2.0, 440));
    reader.open(writeBytes(QStringLiteral("speech.vox"), vox));
    EXPECT_EQ(reader.getSampleRate(), 8000);
    EXPECT_EQ(reader.getChannels(), 1);
    EXPECT_EQ(reader.getLength(), 16000);
    EXPECT_EQ(reader.getDurationMs(), 2000);
    const QByteArray pcm = readAll();
    EXPECT_EQ(pcm.size(), 32000);
    EXPECT_NEAR(dominantFrequency(pcm, 8000, 1), 440, 2);

    reader.seek(12000);
    EXPECT_NEAR(readAll().size() / 2, 4000, 2);
}

TEST_F(AudioFileReaderTest, SeeksToTheFrame) {
    const QByteArray pcm = noise(44100, 2);
    const QString wav = path(QStringLiteral("noise.wav"));
    ASSERT_TRUE(ffmpeg({QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-ar"),
                        QStringLiteral("44100"), QStringLiteral("-ac"), QStringLiteral("2"),
                        QStringLiteral("-i"), writeBytes(QStringLiteral("noise.raw"), pcm), wav}));
    reader.open(wav);
    reader.read(500);
    reader.seek(12345);
    EXPECT_TRUE(reader.read(1000) == pcm.mid(12345 * 4, 4000));
    reader.seek(100);
    EXPECT_TRUE(reader.read(10) == pcm.mid(400, 40));
    reader.seek(44100);
    EXPECT_TRUE(reader.read(10).isEmpty());

    reader.open(makeTone(QStringLiteral("seek.mp3"), QStringLiteral("libmp3lame")));
    reader.seek(44100);
    EXPECT_NEAR(readAll().size() / 4, 44100, 1152);
}

TEST_F(AudioFileReaderTest, MoreThanTwoChannelsAreMixedToStereo) {
    const QString file = path(QStringLiteral("surround.wav"));
    ASSERT_TRUE(ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                        QStringLiteral("sine=frequency=440:duration=1"), QStringLiteral("-ac"),
                        QStringLiteral("6"), file}));
    reader.open(file);
    EXPECT_EQ(reader.getChannels(), 2);
    EXPECT_NEAR(dominantFrequency(readAll(), 44100, 2), 440, 2);
}

TEST_F(AudioFileReaderTest, ContentCountsNotTheExtension) {
    const QString ogg = makeTone(QStringLiteral("real.ogg"), QStringLiteral("libvorbis"));
    QFile::rename(ogg, path(QStringLiteral("named.mp3")));
    reader.open(path(QStringLiteral("named.mp3")));
    EXPECT_NEAR(dominantFrequency(readAll(), 44100, 2), 440, 2);
}

TEST_F(AudioFileReaderTest, BadInputsRaiseClearErrors) {
    EXPECT_TRUE(openError(path(QStringLiteral("missing.mp3"))).contains(QStringLiteral("exist")));
    EXPECT_TRUE(
        openError(writeBytes(QStringLiteral("empty.mp3"), {})).contains(QStringLiteral("empty")));
    EXPECT_TRUE(openError(dir.path()).contains(QStringLiteral("cannot be read")));
    EXPECT_FALSE(openError(writeBytes(QStringLiteral("text.wav"), "just some words\n")).isEmpty());

    const QByteArray wav = [&] {
        QFile file(makeTone(QStringLiteral("full.wav"), QStringLiteral("pcm_s16le")));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    const int data = int(wav.indexOf("data"));
    EXPECT_TRUE(openError(writeBytes(QStringLiteral("header.wav"), wav.left(data + 8)))
                    .contains(QStringLiteral("no sound")));
    EXPECT_FALSE(openError(writeBytes(QStringLiteral("cut.wav"), wav.left(20))).isEmpty());
    EXPECT_FALSE(openError(writeBytes(QStringLiteral("cut.mp3"),
                                      QByteArray("ID3\x03\x00\x00\x00\x00\x10\x00", 10)))
                     .isEmpty());
    EXPECT_FALSE(reader.getIsOpen());
}

TEST_F(AudioFileReaderTest, DamagedFilesGiveWhatTheyHold) {
    QFile file(makeTone(QStringLiteral("full.wav"), QStringLiteral("pcm_s16le")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray wav = file.readAll();
    // A header that promises far more data than the file holds.
    const int data = int(wav.indexOf("data"));
    const quint32 lie = 50000000;
    memcpy(wav.data() + data + 4, &lie, 4);
    reader.open(writeBytes(QStringLiteral("lie.wav"), wav));
    EXPECT_EQ(reader.getLength(), 88200);
    EXPECT_EQ(readAll().size(), 88200 * 4);

    // An MP3 cut in the middle plays up to the cut.
    QFile mp3(makeTone(QStringLiteral("whole.mp3"), QStringLiteral("libmp3lame")));
    ASSERT_TRUE(mp3.open(QIODevice::ReadOnly));
    const QByteArray whole = mp3.readAll();
    reader.open(writeBytes(QStringLiteral("half.mp3"), whole.left(whole.size() / 2)));
    EXPECT_NEAR(readAll().size() / 4, 44100, 4000);
}

// A source is damaged when its sound ends short of what its container
// declares, by more than a frame, or when some of it will not decode; a length
// only estimated from the bitrate declares nothing. Whole files of every
// common kind are never taken for damaged ones.
TEST_F(AudioFileReaderTest, DamageIsToldAgainstTheDeclaredLength) {
    enum Change { None, Cut, Garbage };
    const struct {
        const char* name;
        QStringList codec;
        Change change;
        bool damaged;
    } cases[] = {
        {"whole.flac", {"-c:a", "flac"}, None, false},
        {"cut.flac", {"-c:a", "flac"}, Cut, true},
        {"garbage.flac", {"-c:a", "flac"}, Garbage, true},
        {"whole.mp3", {"-c:a", "libmp3lame"}, None, false},
        {"cut.mp3", {"-c:a", "libmp3lame"}, Cut, true},
        {"estimated.mp3", {"-c:a", "libmp3lame", "-write_xing", "0"}, Cut, false},
        {"whole.opus", {"-c:a", "libopus"}, None, false},
        {"whole.ogg", {"-c:a", "libvorbis"}, None, false},
        {"whole.m4a", {"-c:a", "aac"}, None, false},
        {"whole.wma", {"-c:a", "wmav2"}, None, false},
        {"whole.wav", {"-c:a", "pcm_s24le"}, None, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString made = path(QStringLiteral("made-") + c.name);
        ASSERT_TRUE(
            ffmpeg(QStringList{"-f", "lavfi", "-i", "anoisesrc=d=2:r=44100:seed=3", "-ac", "2"} +
                   c.codec + QStringList{made}));
        QFile file(made);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        if (c.change == Cut)
            bytes = bytes.left(bytes.size() / 3);
        std::mt19937 random(9);
        if (c.change == Garbage)
            for (int i = 0; i < 4000; ++i)
                bytes[bytes.size() / 3 + i] = char(random());
        reader.keepSourceFormat(true);
        reader.open(writeBytes(QLatin1String(c.name), bytes));
        EXPECT_FALSE(reader.getDamage().isDamaged()) << "nothing is known before the end";
        const int frames = int(readAll().size() / reader.getBlockAlign());
        const SourceDamage damage = reader.getDamage();
        EXPECT_EQ(damage.isDamaged(), c.damaged) << damage.text().toStdString();
        if (c.change == Cut && c.damaged) {
            EXPECT_EQ(damage.endFrame, frames);
            // What an MP3 declares counts its padding, never more than a frame.
            EXPECT_NEAR(damage.declaredFrames, 2 * reader.getSampleRate(), 1152);
            EXPECT_TRUE(QRegularExpression("^The source ends at 0:00\\.\\d\\d of 0:02\\.0\\d$")
                            .match(damage.text())
                            .hasMatch())
                << damage.text().toStdString();
        }
        if (c.change == Garbage) {
            EXPECT_GT(damage.corruptFrame, 0);
        }
    }
}

// Damage anywhere in a file may cost sound, never the program: Open either
// refuses with ComponentError or reading runs to an end. FFmpeg's own
// complaints stay off the terminal.
TEST_F(AudioFileReaderTest, CorruptedAndRandomFilesNeverCrash) {
    std::mt19937 random(3);
    const QString sources[] = {makeTone(QStringLiteral("c.mp3"), QStringLiteral("libmp3lame")),
                               makeTone(QStringLiteral("c.ogg"), QStringLiteral("libvorbis")),
                               makeTone(QStringLiteral("c.wma"), QStringLiteral("wmav2")),
                               makeTone(QStringLiteral("c.wav"), QStringLiteral("pcm_s16le"))};
    StderrCapture terminal(path(QStringLiteral("stderr.txt")));
    for (const QString& source : sources) {
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray original = file.readAll();
        for (int round = 0; round < 4; ++round) {
            QByteArray damaged = original;
            std::uniform_int_distribution<int> at(0, int(damaged.size()) - 1);
            for (int i = 0; i < damaged.size() / 50; ++i)
                damaged[at(random)] = char(random());
            const QString name =
                QStringLiteral("damaged%1.%2").arg(round).arg(QFileInfo(source).suffix());
            try {
                reader.open(writeBytes(name, damaged));
                EXPECT_LE(readAll().size(), 10 * 88200 * 4);
            } catch (const ComponentError&) {
            }
        }
    }
    for (const char* suffix : {"mp3", "wav", "ogg", "wma", "raw", "vox"}) {
        QByteArray noise(4096, Qt::Uninitialized);
        for (char& byte : noise)
            byte = char(random());
        try {
            reader.open(writeBytes(QStringLiteral("noise.") + QLatin1String(suffix), noise));
            readAll();
        } catch (const ComponentError&) {
        }
    }
    EXPECT_EQ(terminal.text(), QByteArray());
}

} // namespace
