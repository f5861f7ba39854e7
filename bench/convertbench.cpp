// Converts one generated stereo WAV through Orvelle's reader and output writer
// and through lame, oggenc, ffmpeg, flac and opusenc at the same settings, and prints one
// line per format: "mp3 orvelle 2.41 s lame 2.30 s ratio 1.05", then the sizes
// of the two files. Each time is the best of --repeat runs. A last line
// converts the same file to MP3 through the conversion job (one row: output
// naming, a worker thread, progress, tags) and through the components and
// the tag writer alone, and with and without the ReplayGain meter.
//
//   orvelle_convert_bench [--repeat N] [--seconds S]

#include "components/ffmpeg/audiofilereader.h"
#include "components/ffmpeg/videofile.h"
#include "components/output/outputwriter.h"
#include "jobs/conversionjob.h"
#include "tags/tagdispatch.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <random>

namespace {

struct Case {
    const char* name;
    std::function<void(OutputWriter&)> setUp;
    const char* extension;
    QString tool;
    QStringList toolArguments; // %in and %out stand for the files
};

// Three minutes of a few drifting tones over quiet noise: enough for the
// encoders to work as they do on music.
void writeSource(const QString& path, int seconds) {
    const int rate = 44100;
    OutputWriter writer;
    writer.setWavFormat(rate, 2, 16);
    writer.create(path);
    std::mt19937 random(7);
    std::normal_distribution<double> hiss(0, 600);
    QByteArray block(rate * 4, Qt::Uninitialized);
    for (int s = 0; s < seconds; ++s) {
        auto* out = reinterpret_cast<qint16*>(block.data());
        for (int i = 0; i < rate; ++i) {
            const double t = s + double(i) / rate;
            const double left = 6000 * std::sin(2 * M_PI * (220 + 20 * std::sin(t)) * t) +
                                3000 * std::sin(2 * M_PI * 1375 * t) + hiss(random);
            const double right = 6000 * std::sin(2 * M_PI * 330 * t) +
                                 2500 * std::sin(2 * M_PI * (3100 + 200 * std::sin(t / 3)) * t) +
                                 hiss(random);
            *out++ = qint16(std::clamp(left, -32768.0, 32767.0));
            *out++ = qint16(std::clamp(right, -32768.0, 32767.0));
        }
        writer.write(block);
    }
    writer.close();
}

double convertWithOrvelle(const Case& c, const QString& source, const QString& target) {
    QElapsedTimer clock;
    clock.start();
    AudioFileReader reader;
    OutputWriter writer;
    c.setUp(writer);
    reader.open(source);
    writer.setInputFormat(reader.getSampleRate(), reader.getChannels());
    writer.create(target);
    // One second per chunk, as the converter reads.
    for (QByteArray chunk; !(chunk = reader.read(reader.getSampleRate())).isEmpty();)
        writer.write(chunk);
    writer.close();
    reader.close();
    return double(clock.nsecsElapsed()) / 1e9;
}

double convertWithTool(const Case& c, const QString& source, const QString& target) {
    QStringList arguments;
    for (QString argument : c.toolArguments)
        arguments << argument.replace(QLatin1String("%in"), source)
                         .replace(QLatin1String("%out"), target);
    QElapsedTimer clock;
    clock.start();
    QProcess process;
    process.start(c.tool, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return -1;
    return double(clock.nsecsElapsed()) / 1e9;
}

// The same conversion as one row of a conversion job, as the window runs it.
double convertWithJob(const Case& c, const QString& source, const QString& folder,
                      GainMode gain = GainMode::Off) {
    QElapsedTimer clock;
    clock.start();
    JobRow row;
    row.row = 0;
    row.caption = QFileInfo(source).fileName();
    row.source = source;
    row.format = FormatMp3;
    ConversionComponents parts;
    parts.writer = [&c](OutputFormat) -> std::unique_ptr<AudioWriter> {
        auto writer = std::make_unique<OutputWriter>();
        c.setUp(*writer);
        return writer;
    };
    parts.audioReader = [] { return std::make_unique<AudioFileReader>(); };
    parts.video = [] { return std::make_unique<VideoFile>(); };
    JobSettings settings{folder, FolderScheme::None, 0};
    settings.replayGain = gain;
    ConversionJob job(settings, {row}, parts);
    QEventLoop loop;
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit);
    bool failed = false;
    QObject::connect(&job, &Job::rowFailed, &loop, [&failed] { failed = true; });
    if (!job.start())
        return -1;
    loop.exec();
    return failed ? -1 : double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int repeat = 3;
    int seconds = 180;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--repeat"))
            repeat = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QLatin1String("--seconds"))
            seconds = std::max(1, arguments[i + 1].toInt());
    }

    // The same settings on both sides: MP3 128 kbps CBR stereo at LAME quality 5
    // (Orvelle's defaults), Vorbis 128 kbps bitrate-targeted and managed 96..160,
    // WMA v2 128 kbps (profile 9), FLAC level 5, Opus 128 kbit/s VBR at complexity 10.
    const QList<Case> cases{
        {"mp3",
         [](OutputWriter& w) { w.setMp3Settings({}); },
         ".mp3",
         QStringLiteral("lame"),
         {"--quiet", "--nohist", "-b", "128", "-q", "5", "-m", "s", "%in", "%out"}},
        {"ogg",
         [](OutputWriter& w) {
             w.setOggFormat({44100, 2, 128, 0, 0, -1});
         },
         ".ogg",
         QStringLiteral("oggenc"),
         {"--quiet", "-b", "128", "-o", "%out", "%in"}},
        {"ogg-managed",
         [](OutputWriter& w) {
             w.setOggFormat({44100, 2, 128, 96, 160, -1});
         },
         ".ogg",
         QStringLiteral("oggenc"),
         {"--quiet", "--managed", "-b", "128", "-m", "96", "-M", "160", "-o", "%out", "%in"}},
        {"wma",
         [](OutputWriter& w) { w.setWmaProfile(9); },
         ".wma",
         QStringLiteral("ffmpeg"),
         {"-nostdin", "-loglevel", "error", "-y", "-i", "%in", "-c:a", "wmav2", "-b:a", "128k",
          "%out"}},
        // Orvelle verifies every FLAC frame as it encodes, as flac -V does.
        {"flac",
         [](OutputWriter& w) { w.setFlacFormat(5); },
         ".flac",
         QStringLiteral("flac"),
         {"--silent", "-f", "-5", "-o", "%out", "%in"}},
        {"flac-verify",
         [](OutputWriter& w) { w.setFlacFormat(5); },
         ".flac",
         QStringLiteral("flac"),
         {"--silent", "-f", "-5", "-V", "-o", "%out", "%in"}},
        {"opus",
         [](OutputWriter& w) { w.setOpusFormat(128, OpusWriter::Mode::Vbr, 10); },
         ".opus",
         QStringLiteral("opusenc"),
         {"--quiet", "--bitrate", "128", "%in", "%out"}},
    };

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.wav"));
    writeSource(source, seconds);
    QTextStream out(stdout);
    out << "source: " << seconds << " s of 44100 Hz stereo, best of " << repeat << " runs\n";
    out.flush();
    for (const Case& c : cases) {
        double orvelle = 1e9, tool = 1e9;
        const QString ours = dir.filePath(QLatin1String(c.name) + QStringLiteral("-orvelle") +
                                          QLatin1String(c.extension));
        const QString theirs = dir.filePath(QLatin1String(c.name) + QStringLiteral("-tool") +
                                            QLatin1String(c.extension));
        for (int run = 0; run < repeat; ++run) {
            orvelle = std::min(orvelle, convertWithOrvelle(c, source, ours));
            const double t = convertWithTool(c, source, theirs);
            if (t < 0) {
                tool = -1;
                break;
            }
            tool = std::min(tool, t);
        }
        out << c.name << " orvelle " << QString::number(orvelle, 'f', 2) << " s " << c.tool << ' ';
        if (tool < 0)
            out << "failed\n";
        else
            out << QString::number(tool, 'f', 2) << " s ratio "
                << QString::number(orvelle / tool, 'f', 2) << '\n';
        // Equal settings give files of about the same size.
        out << "  files: orvelle " << QFileInfo(ours).size() / 1024 << " KiB, " << c.tool << ' '
            << QFileInfo(theirs).size() / 1024 << " KiB\n";
        out.flush();
    }

    // The job around the components: naming, the worker thread and progress. Both
    // sides write the row's tags, as the job does after every MP3 row.
    const Case& mp3 = cases.first();
    double components = 1e9, tags = 1e9, job = 1e9;
    for (int run = 0; run < repeat; ++run) {
        const QString target = dir.filePath(QStringLiteral("c%1.mp3").arg(run));
        const double converted = convertWithOrvelle(mp3, source, target);
        QElapsedTimer clock;
        clock.start();
        writeRowTags(target, RowTag{});
        const double tagged = double(clock.nsecsElapsed()) / 1e9;
        if (converted + tagged < components + tags)
            components = converted, tags = tagged;
        const double t =
            convertWithJob(mp3, source, dir.filePath(QStringLiteral("job%1").arg(run)));
        job = std::min(job, t < 0 ? 1e9 : t);
    }
    out << "mp3 conversion job " << QString::number(job, 'f', 2) << " s components "
        << QString::number(components + tags, 'f', 2) << " s (tag write "
        << QString::number(tags, 'f', 2) << " s) ratio "
        << QString::number(job / (components + tags), 'f', 3) << '\n';

    // The loudness measured as the PCM passes, against the same job without it.
    double measured = 1e9, plain = 1e9;
    for (int run = 0; run < repeat; ++run) {
        const double with = convertWithJob(
            mp3, source, dir.filePath(QStringLiteral("rg%1").arg(run)), GainMode::Track);
        measured = std::min(measured, with < 0 ? 1e9 : with);
        const double without =
            convertWithJob(mp3, source, dir.filePath(QStringLiteral("plain%1").arg(run)));
        plain = std::min(plain, without < 0 ? 1e9 : without);
    }
    out << "mp3 conversion job with ReplayGain " << QString::number(measured, 'f', 2)
        << " s without " << QString::number(plain, 'f', 2) << " s ratio "
        << QString::number(measured / plain, 'f', 3) << '\n';
    return 0;
}
