// Rips a generated disc image of one long track of noise to WAV through the
// ripper, with and without the checksums that prove a rip, in burst and in
// synch mode, and prints one line per mode:
// "burst: with checksums 0.52 s, without 0.51 s, ratio 1.02". Each time is the
// best of --repeat runs. Then the time the disc's layout takes to read from a
// sheet of 99 tracks, and the time the checksums take alone.
//
//   orvelle_rip_bench [--repeat N] [--minutes M]

#include "benchdisc.h"
#include "checksums/accuraterip.h"
#include "components/output/outputwriter.h"
#include "settings/settingsfile.h"

#include <algorithm>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <random>
#include <sys/resource.h>

namespace {

QString writeImage(const QString& folder, int minutes) {
    QFile bin(folder + QStringLiteral("/bench.bin"));
    if (!bin.open(QIODevice::WriteOnly))
        return {};
    std::mt19937 random(11);
    QByteArray second(44100 * 4, Qt::Uninitialized);
    for (int s = 0; s < minutes * 60; ++s) {
        auto* words = reinterpret_cast<quint32*>(second.data());
        for (int i = 0; i < 44100; ++i)
            words[i] = random();
        bin.write(second);
    }
    QFile cue(folder + QStringLiteral("/bench.cue"));
    if (!cue.open(QIODevice::WriteOnly))
        return {};
    cue.write("FILE \"bench.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    return cue.fileName();
}

// The process's user and system time so far.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The ripper's PCM into a WAV file, as an encoder's thread would take it.
class WriterSink : public RipSink {
public:
    explicit WriterSink(const QString& path) {
        m_writer.setWavFormat(44100, 2, 16);
        m_writer.setInputFormat(44100, 2);
        m_writer.create(path);
    }
    void write(const QByteArray& pcm) override { m_writer.write(pcm); }
    void close() override { m_writer.close(); }

private:
    OutputWriter m_writer;
};

// Seconds for one rip of track 1 into a WAV file, or -1 when it failed.
double rip(BenchDisc& bench, const QString& out) {
    QEventLoop loop;
    bool ok = false;
    QObject::connect(&bench.ripper, &TrackRipper::ripFinished, &loop, [&] {
        ok = true;
        loop.quit();
    });
    QObject::connect(&bench.ripper, &TrackRipper::ripFailed, &loop, [&] { loop.quit(); });
    QElapsedTimer timer;
    timer.start();
    bench.ripper.rip(bench.disc, bench.disc.range(0), std::make_shared<WriterSink>(out));
    loop.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    QFile::remove(out);
    return ok ? seconds : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int repeat = 5;
    int minutes = 20;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--repeat"))
            repeat = qMax(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--minutes"))
            minutes = qMax(1, args[i + 1].toInt());
    }
    // In memory where there is a memory file system, so the disk is not what is timed.
    QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                          ? QStringLiteral("/dev/shm/orvelle-rip-bench-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/orvelle-rip-bench-XXXXXX"));
    const QString image = writeImage(dir.path(), minutes);
    const QString settings = dir.filePath(QStringLiteral("Orvelle.ini"));
    BenchDisc bench(settings, image);
    QTextStream out(stdout);
    const QString wav = dir.filePath(QStringLiteral("out.wav"));
    for (const auto& [mode, name] :
         {std::pair{ReadMode::Burst, "burst"}, std::pair{ReadMode::Synch, "synch"}}) {
        ReadSettings read;
        read.mode = mode;
        bench.ripper.setReadSettings(read);
        double best[2] = {1e9, 1e9};
        for (int r = 0; r < repeat; ++r)
            for (int on = 0; on < 2; ++on) {
                bench.ripper.setChecksums(on == 1);
                best[on] = std::min(best[on], rip(bench, wav));
            }
        out << QStringLiteral("%1: with checksums %2 s, without %3 s, ratio %4\n")
                   .arg(QLatin1String(name))
                   .arg(best[1], 0, 'f', 3)
                   .arg(best[0], 0, 'f', 3)
                   .arg(best[1] / best[0], 0, 'f', 3);
        out.flush();
    }
    // The layout is read with the table of contents: a sheet of 99 tracks,
    // each with a gap, an index and an ISRC, over the same data.
    QByteArray sheet = "CATALOG 0724384960650\nFILE \"bench.bin\" BINARY\n";
    const int step = minutes * 60 * 75 / 99;
    for (int t = 0; t < 99; ++t) {
        const auto msf = [](int f) {
            return QStringLiteral("%1:%2:%3")
                .arg(f / 4500, 2, 10, QLatin1Char('0'))
                .arg(f / 75 % 60, 2, 10, QLatin1Char('0'))
                .arg(f % 75, 2, 10, QLatin1Char('0'))
                .toLatin1();
        };
        sheet += QStringLiteral("  TRACK %1 AUDIO\n    ISRC GBAYE67%2\n")
                     .arg(t + 1, 2, 10, QLatin1Char('0'))
                     .arg(t, 5, 10, QLatin1Char('0'))
                     .toLatin1();
        if (t > 0)
            sheet += "    INDEX 00 " + msf(t * step - 150) + "\n";
        sheet += "    INDEX 01 " + msf(t * step) + "\n    INDEX 02 " + msf(t * step + 75) + "\n";
    }
    QFile layoutSheet(dir.filePath(QStringLiteral("layout.cue")));
    layoutSheet.open(QIODevice::WriteOnly);
    layoutSheet.write(sheet);
    layoutSheet.close();
    QFile::link(dir.filePath(QStringLiteral("bench.bin")),
                dir.filePath(QStringLiteral("layout.bin")));
    BenchDisc layoutDisc(settings, layoutSheet.fileName());
    double wall = 1e9;
    double cpu = 1e9;
    for (int r = 0; r < repeat; ++r) {
        const double cpuBefore = cpuSeconds();
        QElapsedTimer timer;
        timer.start();
        layoutDisc.disc = layoutDisc.reader.readDisc();
        wall = std::min(wall, timer.nsecsElapsed() / 1e9);
        cpu = std::min(cpu, cpuSeconds() - cpuBefore);
    }
    out << QStringLiteral("layout: %1 tracks with gaps, indexes and ISRCs read in %2 s "
                          "(user+system %3 s)\n")
               .arg(layoutDisc.disc.layout.tracks.size())
               .arg(wall, 0, 'f', 4)
               .arg(cpu, 0, 'f', 4);
    QFile::remove(dir.filePath(QStringLiteral("layout.bin")));
    QFile bin(dir.filePath(QStringLiteral("bench.bin")));
    bin.open(QIODevice::ReadOnly);
    const QByteArray pcm = bin.readAll();
    double alone = 1e9;
    for (int r = 0; r < repeat; ++r) {
        QElapsedTimer timer;
        timer.start();
        ArTrackChecksum sums(pcm.size() / 4, true, true);
        for (qsizetype at = 0; at < pcm.size(); at += 25 * 2352)
            sums.add(pcm.constData() + at, qMin<qsizetype>(25 * 2352, pcm.size() - at));
        alone = std::min(alone, timer.nsecsElapsed() / 1e9);
    }
    out << QStringLiteral("checksums alone: %1 s for %2 minutes of audio\n")
               .arg(alone, 0, 'f', 3)
               .arg(minutes);
    return 0;
}
