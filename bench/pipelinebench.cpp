// Rips a generated disc image of ten four-minute tracks to MP3 through the
// rip job, one track encoded at a time and two side by side, and sets the
// times beside reading alone, `lame` on the same tracks one after another
// and two at a time, and the process's peak memory:
//
//   read to WAV 9.1 s; lame one after another 80.2 s, two at a time 41.0 s
//   one after the other (read + encode) 89.3 s
//   rip to MP3, 1 track at a time 81.0 s, 2 at a time 43.2 s
//   pipelined / one after the other 0.48, pipelined / lame two at a time 1.05
//   peak memory 95 MB
//
// --throttle reads at four times real time instead (a drive's pace) and
// says how far the encoders trail the reader.
//
// --memory rips to MP3 two at a time alone, for the peak memory of that rip.
//
// --formats flac,opus rips to both formats from the one read, two tracks at a
// time, against `flac -5 -V` and `opusenc` on the same tracks' WAV files, two
// processes at a time, in wall and CPU time (user + system); with --memory,
// that rip alone for its peak memory.
//
//   orvelle_pipeline_bench [--tracks N] [--minutes M] [--throttle | --memory]
//                          [--formats LIST]

#include "benchdisc.h"
#include "components/output/writerfactory.h"
#include "jobs/ripjob.h"
#include "settings/encodersettings.h"
#include "settings/settingsfile.h"

#include <chrono>
#include <cmath>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <random>
#include <sys/resource.h>
#include <thread>

namespace {

// The process's peak resident memory so far, in MB.
long peakMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Something like music: two drifting tones under a little noise, so that the
// encoder works as hard as it does on a real disc.
QString writeImage(const QString& folder, int tracks, int minutes) {
    QFile bin(folder + QStringLiteral("/bench.bin"));
    if (!bin.open(QIODevice::WriteOnly))
        return {};
    std::mt19937 random(5);
    std::normal_distribution<double> hiss(0, 600);
    QByteArray second(44100 * 4, Qt::Uninitialized);
    QByteArray cue("FILE \"bench.bin\" BINARY\n");
    qint64 frame = 0;
    for (int t = 0; t < tracks; ++t) {
        const int m = frame / 75 / 60, s = frame / 75 % 60, f = frame % 75;
        cue += QStringLiteral("  TRACK %1 AUDIO\n    INDEX 01 %2:%3:%4\n")
                   .arg(t + 1, 2, 10, QLatin1Char('0'))
                   .arg(m, 2, 10, QLatin1Char('0'))
                   .arg(s, 2, 10, QLatin1Char('0'))
                   .arg(f, 2, 10, QLatin1Char('0'))
                   .toLatin1();
        for (int sec = 0; sec < minutes * 60; ++sec) {
            auto* samples = reinterpret_cast<qint16*>(second.data());
            for (int i = 0; i < 44100; ++i) {
                const double time = sec + i / 44100.0;
                const double a = std::sin(2 * M_PI * (220 + 40 * t + 3 * std::sin(time)) * time);
                const double b = std::sin(2 * M_PI * (331 + 7 * t) * time);
                samples[2 * i] = qint16(6000 * a + 3000 * b + hiss(random));
                samples[2 * i + 1] = qint16(5000 * a - 3500 * b + hiss(random));
            }
            bin.write(second);
        }
        frame += qint64(minutes) * 60 * 75;
    }
    QFile sheet(folder + QStringLiteral("/bench.cue"));
    if (!sheet.open(QIODevice::WriteOnly))
        return {};
    sheet.write(cue);
    return sheet.fileName();
}

struct RipTimes {
    double total = 0;
    double reading = 0; // until the last track was read
    QStringList outputs;
};

// User + system seconds of this process (children: of the processes it waited for).
double cpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

RipTimes rip(BenchDisc& bench, const QString& folder, int tracks, OutputFormat format, int atOnce,
             const QVector<OutputFormat>& alsoMake = {}) {
    QDir(folder).removeRecursively();
    QVector<JobRow> rows;
    for (int t = 0; t < tracks; ++t) {
        JobRow row;
        row.row = t;
        row.track = t;
        row.caption = QStringLiteral("Track %1").arg(t + 1, 2, 10, QLatin1Char('0'));
        row.format = format;
        rows << row;
    }
    JobParts parts;
    parts.writer = makeWriter;
    parts.tags = [](const QString&, const RowTag&, const TagExtras&) {};
    JobSettings settings{folder, FolderScheme::None, 0};
    settings.alsoMake = alsoMake;
    RipJob job(settings, rows, bench.ripper, bench.named(), parts);
    job.setMaxRunningRows(atOnce);
    RipTimes times;
    QElapsedTimer timer;
    QEventLoop loop;
    QObject::connect(&bench.ripper, &TrackRipper::ripFinished, &loop,
                     [&] { times.reading = timer.nsecsElapsed() / 1e9; });
    QObject::connect(&job, &Job::rowFinished, &loop,
                     [&](int, const QString& path) { times.outputs << path; });
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit);
    timer.start();
    job.start();
    loop.exec();
    times.total = timer.nsecsElapsed() / 1e9;
    return times;
}

// Seconds for lame on every file, atOnce processes at a time.
double lame(const QStringList& wavs, const QString& folder, int atOnce) {
    QElapsedTimer timer;
    timer.start();
    for (int at = 0; at < wavs.size(); at += atOnce) {
        std::vector<std::unique_ptr<QProcess>> running;
        for (int i = at; i < std::min<int>(at + atOnce, wavs.size()); ++i) {
            auto process = std::make_unique<QProcess>();
            process->start(QStringLiteral("lame"),
                           {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"),
                            QStringLiteral("-q"), QStringLiteral("5"), wavs[i],
                            folder + QStringLiteral("/%1.mp3").arg(i)});
            running.push_back(std::move(process));
        }
        for (auto& process : running)
            process->waitForFinished(-1);
    }
    return timer.nsecsElapsed() / 1e9;
}

// Seconds for every command, atOnce processes at a time, each started as
// soon as a place is free (as xargs -P does).
double pool(const QList<QStringList>& commands, int atOnce) {
    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> running;
    int next = 0;
    while (next < commands.size() || !running.empty()) {
        while (next < commands.size() && int(running.size()) < atOnce) {
            auto process = std::make_unique<QProcess>();
            process->start(commands[next].first(), commands[next].mid(1));
            ++next;
            running.push_back(std::move(process));
        }
        for (auto at = running.begin(); at != running.end();)
            at = (*at)->waitForFinished(5) ? running.erase(at) : at + 1;
    }
    return timer.nsecsElapsed() / 1e9;
}

// The reference encoders' command for one WAV file.
QStringList encoderCommand(OutputFormat format, const QString& wav, const QString& out) {
    switch (format) {
    case FormatFlac:
        return {"flac", "--silent", "-f", "-5", "-V", "-o", out + ".flac", wav};
    case FormatOpus:
        return {"opusenc", "--quiet", "--bitrate", "128", wav, out + ".opus"};
    default:
        return {"lame", "--quiet", "-b", "128", "-q", "5", wav, out + ".mp3"};
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int tracks = 10;
    int minutes = 4;
    bool throttle = false;
    bool memoryOnly = false;
    QVector<OutputFormat> formats;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--tracks") && i + 1 < args.size())
            tracks = qMax(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--minutes") && i + 1 < args.size())
            minutes = qMax(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--throttle"))
            throttle = true;
        else if (args[i] == QLatin1String("--memory"))
            memoryOnly = true;
        else if (args[i] == QLatin1String("--formats") && i + 1 < args.size())
            formats = formatsNamed(args[++i]);
    }
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/orvelle-pipeline-bench-XXXXXX"));
    const QString image = writeImage(dir.path(), tracks, minutes);
    const QString settings = dir.filePath(QStringLiteral("Orvelle.ini"));
    BenchDisc bench(settings, image);
    bench.ripper.setReadSettings(ReadSettings{}); // synch
    QTextStream out(stdout);
    const QString ripped = dir.filePath(QStringLiteral("ripped"));

    if (throttle) {
        // A sector is 1/75 s of audio: four times real time is 1/300 s a sector.
        bench.ripper.setFaultFilter([](int) {
            std::this_thread::sleep_for(std::chrono::microseconds(1000000 / 300));
            return false;
        });
        const RipTimes mp3 = rip(bench, ripped, tracks, FormatMp3, 2);
        out << QStringLiteral("throttled to 4x: read %1 s, rip to MP3 %2 s, ratio %3\n")
                   .arg(mp3.reading, 0, 'f', 1)
                   .arg(mp3.total, 0, 'f', 1)
                   .arg(mp3.total / mp3.reading, 0, 'f', 3);
        return 0;
    }

    out << QStringLiteral("peak memory before ripping %1 MB\n").arg(peakMb());
    if (!formats.isEmpty()) {
        const OutputFormat first = formats.takeFirst();
        const QString names = formatsText(QVector<OutputFormat>{first} + formats);
        if (!memoryOnly) {
            const RipTimes wav =
                rip(bench, dir.filePath(QStringLiteral("wav")), tracks, FormatWav, 1);
            QList<QStringList> commands;
            const QString encoded = dir.filePath(QStringLiteral("encoded"));
            QDir().mkpath(encoded);
            for (OutputFormat format : QVector<OutputFormat>{first} + formats)
                for (int t = 0; t < wav.outputs.size(); ++t)
                    commands << encoderCommand(format, wav.outputs[t],
                                               encoded + QStringLiteral("/%1").arg(t));
            const double before = cpuSeconds(RUSAGE_CHILDREN);
            const double tools = pool(commands, 2);
            const double toolsCpu = cpuSeconds(RUSAGE_CHILDREN) - before;
            out << QStringLiteral("encoders two at a time %1 s, cpu %2 s\n")
                       .arg(tools, 0, 'f', 1)
                       .arg(toolsCpu, 0, 'f', 1);
            out.flush();
            const double cpu = cpuSeconds();
            const RipTimes both = rip(bench, ripped, tracks, first, 2, formats);
            const double ripCpu = cpuSeconds() - cpu;
            out << QStringLiteral("rip to %1, 2 at a time %2 s (read done at %3 s), cpu %4 s\n")
                       .arg(names)
                       .arg(both.total, 0, 'f', 1)
                       .arg(both.reading, 0, 'f', 1)
                       .arg(ripCpu, 0, 'f', 1);
            out << QStringLiteral("rip / encoders: wall %1, cpu %2\n")
                       .arg(both.total / tools, 0, 'f', 3)
                       .arg(ripCpu / toolsCpu, 0, 'f', 3);
        } else {
            const RipTimes both = rip(bench, ripped, tracks, first, 2, formats);
            out << QStringLiteral("rip to %1, 2 at a time %2 s, peak memory %3 MB\n")
                       .arg(names)
                       .arg(both.total, 0, 'f', 1)
                       .arg(peakMb());
        }
        return 0;
    }
    if (memoryOnly) {
        // The pipelined rip alone in this process, for its own peak.
        const RipTimes two = rip(bench, ripped, tracks, FormatMp3, 2);
        out << QStringLiteral("rip to MP3, 2 at a time %1 s, peak memory %2 MB\n")
                   .arg(two.total, 0, 'f', 1)
                   .arg(peakMb());
        return 0;
    }
    const RipTimes wav = rip(bench, dir.filePath(QStringLiteral("wav")), tracks, FormatWav, 1);
    out << QStringLiteral("peak memory after the WAV rip %1 MB\n").arg(peakMb());
    const QString lamed = dir.filePath(QStringLiteral("lame"));
    QDir().mkpath(lamed);
    const double lameOne = lame(wav.outputs, lamed, 1);
    const double lameTwo = lame(wav.outputs, lamed, 2);
    const double sequential = wav.total + lameOne;
    out << QStringLiteral("read to WAV %1 s; lame one after another %2 s, two at a time %3 s\n")
               .arg(wav.total, 0, 'f', 1)
               .arg(lameOne, 0, 'f', 1)
               .arg(lameTwo, 0, 'f', 1);
    out << QStringLiteral("one after the other (read + encode) %1 s\n").arg(sequential, 0, 'f', 1);
    out.flush();
    const RipTimes one = rip(bench, ripped, tracks, FormatMp3, 1);
    out << QStringLiteral("peak memory after the MP3 rip one track at a time %1 MB\n")
               .arg(peakMb());
    const RipTimes two = rip(bench, ripped, tracks, FormatMp3, 2);
    out << QStringLiteral("rip to MP3, 1 track at a time %1 s, 2 at a time %2 s\n")
               .arg(one.total, 0, 'f', 1)
               .arg(two.total, 0, 'f', 1);
    out << QStringLiteral("pipelined / one after the other %1, pipelined / lame two at a time %2\n")
               .arg(two.total / sequential, 0, 'f', 2)
               .arg(two.total / lameTwo, 0, 'f', 2);
    out << QStringLiteral("peak memory %1 MB\n").arg(peakMb());
    return 0;
}
