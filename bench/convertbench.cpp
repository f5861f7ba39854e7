// Converts one generated stereo WAV through Orvelle's reader and output writer
// and through lame, oggenc, ffmpeg, flac and opusenc at the same settings, and
// prints one line per format with the wall time and the CPU time (user +
// system, of every thread or process that took part, so that work moved to a
// second core still counts) of both and their ratios:
//
//   flac     orvelle 0.46 s cpu 0.45 s  flac 0.42 s cpu 0.41 s  ratio 1.10 cpu 1.10
//
// then the sizes of the two files. Each figure is the median of --repeat
// runs, the two sides taking turns. Then the same file goes to MP3 through
// the conversion job (one row: output naming, a worker thread, progress,
// tags) against the components and the tag writer alone; and to MP3, Opus
// and FLAC through the job without ReplayGain, with it (sample peak, the
// default) and with the true peak. The machine's load is printed at the
// start and the end.
//
//   orvelle_convert_bench [--repeat N] [--seconds S] [--only NAME]
//
// --only runs the formats whose name starts with NAME, and no job.

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
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <random>
#include <sys/resource.h>

namespace {

struct Case {
    const char* name;
    OutputFormat format;
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

// Wall time and CPU time (user + system) of one run.
struct Cost {
    double wall = 0;
    double cpu = 0;
};

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The cost of work done in this process (every thread of it), or with
// children, in the processes it starts and waits for.
template <typename Work> Cost measure(Work work, bool children = false) {
    const int who = children ? RUSAGE_CHILDREN : RUSAGE_SELF;
    const double cpu = cpuSeconds(who);
    QElapsedTimer clock;
    clock.start();
    if (!work())
        return {-1, -1};
    return {double(clock.nsecsElapsed()) / 1e9, cpuSeconds(who) - cpu};
}

// The medians of the wall and of the CPU times, each on its own; -1 when a run failed.
Cost median(std::vector<Cost> runs) {
    Cost middle;
    for (double Cost::*part : {&Cost::wall, &Cost::cpu}) {
        std::vector<double> values;
        for (const Cost& run : runs)
            values.push_back(run.*part);
        std::sort(values.begin(), values.end());
        middle.*part = values.empty() || values.front() < 0 ? -1 : values[values.size() / 2];
    }
    return middle;
}

QString seconds(double value) {
    return QString::number(value, 'f', 2);
}

QString costText(const Cost& cost) {
    return seconds(cost.wall) + QStringLiteral(" s cpu ") + seconds(cost.cpu) +
           QStringLiteral(" s");
}

QString ratioText(const Cost& ours, const Cost& theirs) {
    return QStringLiteral("ratio ") + QString::number(ours.wall / theirs.wall, 'f', 3) +
           QStringLiteral(" cpu ") + QString::number(ours.cpu / theirs.cpu, 'f', 3);
}

QString loadAverage() {
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 2);
}

bool convertWithOrvelle(const Case& c, const QString& source, const QString& target) {
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
    return true;
}

bool convertWithTool(const Case& c, const QString& source, const QString& target) {
    QStringList arguments;
    for (QString argument : c.toolArguments)
        arguments << argument.replace(QLatin1String("%in"), source)
                         .replace(QLatin1String("%out"), target);
    QProcess process;
    process.start(c.tool, arguments);
    return process.waitForFinished(-1) && process.exitCode() == 0;
}

// The same conversion as one row of a conversion job, as the window runs it.
bool convertWithJob(const Case& c, const QString& source, const QString& folder,
                    GainMode gain = GainMode::Off, PeakKind peak = PeakKind::Sample) {
    JobRow row;
    row.row = 0;
    row.caption = QFileInfo(source).fileName();
    row.source = source;
    row.format = c.format;
    JobParts parts;
    parts.writer = [&c](OutputFormat, const EncoderSettings&) -> std::unique_ptr<AudioWriter> {
        auto writer = std::make_unique<OutputWriter>();
        c.setUp(*writer);
        return writer;
    };
    parts.audioReader = [] { return std::make_unique<AudioFileReader>(); };
    parts.video = [] { return std::make_unique<VideoFile>(); };
    JobSettings settings{folder, FolderScheme::None, 0};
    settings.replayGain = gain;
    settings.replayGainPeak = peak;
    ConversionJob job(settings, {row}, parts);
    QEventLoop loop;
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit);
    bool failed = false;
    QObject::connect(&job, &Job::rowFailed, &loop, [&failed] { failed = true; });
    if (!job.start())
        return false;
    loop.exec();
    return !failed;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int repeat = 5;
    int seconds = 180;
    QString only;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--repeat"))
            repeat = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QLatin1String("--seconds"))
            seconds = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QLatin1String("--only"))
            only = arguments[i + 1];
    }

    // The same settings on both sides: MP3 128 kbps CBR stereo at LAME quality 5
    // (Orvelle's defaults), Vorbis 128 kbps bitrate-targeted and managed 96..160,
    // WMA v2 128 kbps (profile 9), FLAC level 5, Opus 128 kbit/s VBR at complexity 10.
    const QList<Case> cases{
        {"mp3",
         FormatMp3,
         [](OutputWriter& w) { w.setMp3Settings({}); },
         ".mp3",
         QStringLiteral("lame"),
         {"--quiet", "--nohist", "-b", "128", "-q", "5", "-m", "s", "%in", "%out"}},
        {"ogg",
         FormatOgg,
         [](OutputWriter& w) {
             w.setOggFormat({44100, 2, 128, 0, 0, -1});
         },
         ".ogg",
         QStringLiteral("oggenc"),
         {"--quiet", "-b", "128", "-o", "%out", "%in"}},
        {"ogg-managed",
         FormatOgg,
         [](OutputWriter& w) {
             w.setOggFormat({44100, 2, 128, 96, 160, -1});
         },
         ".ogg",
         QStringLiteral("oggenc"),
         {"--quiet", "--managed", "-b", "128", "-m", "96", "-M", "160", "-o", "%out", "%in"}},
        {"wma",
         FormatWma,
         [](OutputWriter& w) { w.setWmaProfile(9); },
         ".wma",
         QStringLiteral("ffmpeg"),
         {"-nostdin", "-loglevel", "error", "-y", "-i", "%in", "-c:a", "wmav2", "-b:a", "128k",
          "%out"}},
        // Orvelle verifies every FLAC frame as it encodes, as flac -V does.
        {"flac",
         FormatFlac,
         [](OutputWriter& w) { w.setFlacFormat(5); },
         ".flac",
         QStringLiteral("flac"),
         {"--silent", "-f", "-5", "-o", "%out", "%in"}},
        {"flac-verify",
         FormatFlac,
         [](OutputWriter& w) { w.setFlacFormat(5); },
         ".flac",
         QStringLiteral("flac"),
         {"--silent", "-f", "-5", "-V", "-o", "%out", "%in"}},
        {"opus",
         FormatOpus,
         [](OutputWriter& w) { w.setOpusFormat(128, OpusWriter::Mode::Vbr, 10); },
         ".opus",
         QStringLiteral("opusenc"),
         {"--quiet", "--bitrate", "128", "%in", "%out"}},
    };

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.wav"));
    writeSource(source, seconds);
    QTextStream out(stdout);
    out << "source: " << seconds << " s of 44100 Hz stereo, medians of " << repeat
        << " runs; load average " << loadAverage() << '\n';
    out.flush();
    for (const Case& c : cases) {
        if (!QLatin1String(c.name).startsWith(only))
            continue;
        std::vector<Cost> orvelle, tool;
        const QString ours = dir.filePath(QLatin1String(c.name) + QStringLiteral("-orvelle") +
                                          QLatin1String(c.extension));
        const QString theirs = dir.filePath(QLatin1String(c.name) + QStringLiteral("-tool") +
                                            QLatin1String(c.extension));
        for (int run = 0; run < repeat; ++run) {
            orvelle.push_back(measure([&] { return convertWithOrvelle(c, source, ours); }));
            tool.push_back(measure([&] { return convertWithTool(c, source, theirs); }, true));
        }
        const Cost o = median(orvelle), t = median(tool);
        out << QString(QLatin1String(c.name)).leftJustified(12) << "orvelle " << costText(o) << "  "
            << c.tool << ' ';
        if (t.wall < 0)
            out << "failed\n";
        else
            out << costText(t) << "  " << ratioText(o, t) << '\n';
        // Equal settings give files of about the same size.
        out << "  files: orvelle " << QFileInfo(ours).size() / 1024 << " KiB, " << c.tool << ' '
            << QFileInfo(theirs).size() / 1024 << " KiB\n";
        out.flush();
    }

    if (!only.isEmpty())
        return 0;

    // The job around the components: naming, the worker thread and progress. Both
    // sides write the row's tags, as the job does after every MP3 row.
    const Case& mp3 = cases.first();
    std::vector<Cost> components, jobs;
    for (int run = 0; run < repeat; ++run) {
        const QString target = dir.filePath(QStringLiteral("c%1.mp3").arg(run));
        components.push_back(measure([&] {
            const bool converted = convertWithOrvelle(mp3, source, target);
            writeRowTags(target, RowTag{});
            return converted;
        }));
        jobs.push_back(measure([&] {
            return convertWithJob(mp3, source, dir.filePath(QStringLiteral("job%1").arg(run)));
        }));
    }
    const Cost job = median(jobs), parts = median(components);
    out << "mp3 conversion job " << costText(job) << "  components and tag write "
        << costText(parts) << "  " << ratioText(job, parts) << '\n';

    // The loudness measured as the PCM passes, against the same job without it.
    for (const char* name : {"mp3", "opus", "flac"}) {
        const Case& c = *std::find_if(cases.begin(), cases.end(), [name](const Case& each) {
            return qstrcmp(each.name, name) == 0;
        });
        std::vector<Cost> plain, sampled, oversampled;
        int n = 0;
        const auto folder = [&dir, &n] { return dir.filePath(QStringLiteral("rg%1").arg(++n)); };
        for (int run = 0; run < repeat; ++run) {
            plain.push_back(measure([&] { return convertWithJob(c, source, folder()); }));
            sampled.push_back(
                measure([&] { return convertWithJob(c, source, folder(), GainMode::Track); }));
            oversampled.push_back(measure([&] {
                return convertWithJob(c, source, folder(), GainMode::Track, PeakKind::True);
            }));
        }
        const Cost without = median(plain), with = median(sampled), truePeak = median(oversampled);
        out << QString(QLatin1String(name)).leftJustified(5) << "job without ReplayGain "
            << costText(without) << "\n     with it " << costText(with) << "  "
            << ratioText(with, without) << "\n     with the true peak " << costText(truePeak)
            << "  " << ratioText(truePeak, without) << '\n';
        out.flush();
    }
    out << "load average at the end " << loadAverage() << '\n';
    return 0;
}
