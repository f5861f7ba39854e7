#include "components/audio/mediatools.h"

#include <cmath>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <random>
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

namespace {

bool run(const QString& program, const QStringList& arguments, QByteArray* output) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted() || !process.waitForFinished(60000))
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

bool ffmpeg(const QStringList& arguments) {
    return run(QStringLiteral("ffmpeg"),
               QStringList{QStringLiteral("-y"), QStringLiteral("-nostdin"),
                           QStringLiteral("-loglevel"), QStringLiteral("error")} +
                   arguments,
               nullptr);
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
    QByteArray pcm;
    run(QStringLiteral("ffmpeg"), arguments, &pcm);
    return pcm;
}

Probe probe(const QString& path) {
    QByteArray json;
    Probe result;
    if (!run(QStringLiteral("ffprobe"),
             {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_format"),
              QStringLiteral("-show_streams"), QStringLiteral("-of"), QStringLiteral("json"), path},
             &json))
        return result;
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

} // namespace MediaTools
