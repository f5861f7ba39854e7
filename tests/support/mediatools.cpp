#include "support/mediatools.h"

#include <cmath>
#include <gtest/gtest.h>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <random>
#include <sys/stat.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <vector>

namespace MediaTools {

QByteArray tone(int sampleRate, int channels, double seconds, double hz) {
    const int frames = int(std::lround(seconds * sampleRate));
    QByteArray pcm(frames * channels * 2, Qt::Uninitialized);
    auto* out = reinterpret_cast<qint16*>(pcm.data());
    for (int i = 0; i < frames; ++i) {
        const auto value = qint16(std::lround(16383 * std::sin(2 * M_PI * hz * i / sampleRate)));
        for (int c = 0; c < channels; ++c)
            *out++ = value;
    }
    return pcm;
}

QByteArray noise(int frames, int channels, unsigned pattern) {
    std::mt19937 random(pattern);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    QByteArray pcm(frames * channels * 2, Qt::Uninitialized);
    auto* out = reinterpret_cast<qint16*>(pcm.data());
    for (int i = 0; i < frames * channels; ++i)
        out[i] = qint16(sample(random));
    return pcm;
}

Result run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.closeWriteChannel();
    Result result;
    if (!process.waitForFinished(60000)) {
        ADD_FAILURE() << "cannot run " << program.toStdString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

bool ffmpeg(const QStringList& arguments) {
    return run(QStringLiteral("ffmpeg"),
               QStringList{QStringLiteral("-y"), QStringLiteral("-nostdin"),
                           QStringLiteral("-loglevel"), QStringLiteral("error")} +
                   arguments)
               .exitCode == 0;
}

QByteArray decode(const QString& path, int sampleRate, int channels, const QString& rawFormat) {
    QStringList arguments{QStringLiteral("-v"), QStringLiteral("error"),
                          QStringLiteral("-i"), path,
                          QStringLiteral("-f"), rawFormat};
    if (sampleRate > 0)
        arguments << QStringLiteral("-ar") << QString::number(sampleRate);
    if (channels > 0)
        arguments << QStringLiteral("-ac") << QString::number(channels);
    arguments << QStringLiteral("-");
    const Result result = run(QStringLiteral("ffmpeg"), arguments);
    EXPECT_EQ(result.exitCode, 0) << path.toStdString() << ": " << result.err.toStdString();
    EXPECT_FALSE(result.out.isEmpty()) << path.toStdString();
    return result.out;
}

Probe probe(const QString& path) {
    Probe result;
    const Result probed =
        run(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_format"),
             QStringLiteral("-show_streams"), QStringLiteral("-of"), QStringLiteral("json"), path});
    if (probed.exitCode != 0)
        return result;
    const QByteArray& json = probed.out;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const QJsonObject format = root.value(QStringLiteral("format")).toObject();
    QJsonObject stream;
    for (const QJsonValue& value : root.value(QStringLiteral("streams")).toArray())
        if (value.toObject().value(QStringLiteral("codec_type")).toString() ==
            QLatin1String("audio")) {
            stream = value.toObject();
            break;
        }
    auto number = [](const QJsonObject& object, const char* key) {
        return object.value(QLatin1String(key)).toString().toDouble();
    };
    result.ok = !stream.isEmpty();
    result.format = format.value(QStringLiteral("format_name")).toString();
    result.codec = stream.value(QStringLiteral("codec_name")).toString();
    result.sampleRate = int(number(stream, "sample_rate"));
    result.channels = stream.value(QStringLiteral("channels")).toInt();
    result.channelLayout = stream.value(QStringLiteral("channel_layout")).toString();
    result.bits = int(number(stream, "bits_per_raw_sample"));
    if (result.bits <= 0)
        result.bits = stream.value(QStringLiteral("bits_per_sample")).toInt();
    result.duration = number(stream, "duration");
    if (result.duration <= 0)
        result.duration = number(format, "duration");
    result.bitRate = qint64(number(stream, "bit_rate"));
    if (result.bitRate <= 0)
        result.bitRate = qint64(number(format, "bit_rate"));
    return result;
}

namespace {

double goertzelPower(const std::vector<double>& x, double hz, int sampleRate) {
    const double coefficient = 2 * std::cos(2 * M_PI * hz / sampleRate);
    double s1 = 0, s2 = 0;
    for (double sample : x) {
        const double s0 = sample + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

} // namespace

double dominantFrequency(const QByteArray& pcm, int sampleRate, int channels) {
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
    const int frames = int(pcm.size() / (2 * channels));
    // Half a second from the middle, away from encoder start-up and padding.
    const int count = std::min(frames, sampleRate / 2);
    const int first = (frames - count) / 2;
    std::vector<double> x(std::size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        x[std::size_t(i)] = samples[(first + i) * channels];
    const double top = std::min(8000.0, sampleRate / 2.0 - 50);
    double best = 0, bestPower = -1;
    for (double hz = 50; hz <= top; hz += 10) {
        const double power = goertzelPower(x, hz, sampleRate);
        if (power > bestPower)
            best = hz, bestPower = power;
    }
    const double coarse = best;
    for (double hz = coarse - 10; hz <= coarse + 10; hz += 1) {
        const double power = goertzelPower(x, hz, sampleRate);
        if (power > bestPower)
            best = hz, bestPower = power;
    }
    return best;
}

QString makeMedia(const QString& path, const QString& kind, const QStringList& extraArguments) {
    QStringList codec;
    if (kind == QLatin1String("mp3"))
        codec = {"-c:a", "libmp3lame", "-id3v2_version", "0", "-f", "mp3"};
    else if (kind == QLatin1String("ogg"))
        codec = {"-c:a", "libvorbis", "-f", "ogg"};
    else if (kind == QLatin1String("wma"))
        codec = {"-c:a", "wmav2", "-b:a", "64k", "-f", "asf"};
    else if (kind == QLatin1String("opus"))
        codec = {"-c:a", "libopus", "-f", "ogg"};
    else if (kind == QLatin1String("oga"))
        codec = {"-c:a", "flac", "-f", "ogg"};
    else
        codec = {"-c:a", "pcm_s16le", "-f", "wav"};
    const QStringList arguments =
        QStringList{"-v", "error", "-nostdin", "-y",
                    "-f", "lavfi", "-i",       "sine=frequency=440:duration=1"} +
        codec + extraArguments + QStringList{path};
    const Result result = run("ffmpeg", arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    return path;
}

QMap<QString, QString> ffprobeTags(const QString& path) {
    const Result result = run("ffprobe", {"-v", "error", "-show_entries", "format_tags:stream_tags",
                                          "-of", "json", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    QMap<QString, QString> tags;
    const QJsonObject root = QJsonDocument::fromJson(result.out).object();
    auto take = [&](const QJsonObject& object) {
        const QJsonObject values = object.value("tags").toObject();
        for (auto it = values.begin(); it != values.end(); ++it)
            tags.insert(it.key().toLower(), it.value().toString());
    };
    take(root.value("format").toObject());
    for (const auto& stream : root.value("streams").toArray())
        take(stream.toObject());
    return tags;
}

Result mutagen(const QString& script, const QString& path) {
    // The system's Python carries mutagen; a Python earlier on PATH may not.
    static const QString python = [] {
        for (const QString& candidate :
             {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")})
            if (run(candidate, {"-c", "import mutagen"}).exitCode == 0)
                return candidate;
        return QStringLiteral("python3");
    }();
    Result result = run(python, {"-c", "import sys\n" + script, path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    return result;
}

QString tagLibFields(const QString& path) {
    const TagLib::FileRef file(QFile::encodeName(path).constData());
    if (file.isNull() || !file.tag())
        return QStringLiteral("(TagLib cannot read the file)");
    const TagLib::Tag* tag = file.tag();
    auto text = [](const TagLib::String& s) { return QString::fromUtf8(s.toCString(true)); };
    return QStringList{text(tag->title()),
                       text(tag->artist()),
                       text(tag->album()),
                       QString::number(tag->year()),
                       QString::number(tag->track()),
                       text(tag->comment()),
                       text(tag->genre())}
        .join('|');
}

unsigned Mode(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return st.st_mode & 07777;
}

void setMode(const QString& path, unsigned mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

int oggPageOffset(const QByteArray& bytes, int n) {
    int offset = -1;
    for (int i = 0; i <= n; ++i) {
        offset = bytes.indexOf("OggS", offset + 1);
        if (offset < 0)
            return -1;
    }
    return offset;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace MediaTools
