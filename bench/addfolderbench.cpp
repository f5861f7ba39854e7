// Add Folder on a folder of short MP3 files: Orvelle tests every file (opens it
// through its reader for the duration, reads its tags) one file per turn of the
// event loop, as the window does; against that, ffprobe is run on each file.
// Prints one line: "add folder 300 files orvelle 0.41 s ffprobe 9.80 s ratio 0.04".
// Each time is the best of --repeat runs.
//
//   orvelle_addfolder_bench [--repeat N] [--files N] [--seconds S]

#include "components/output/outputwriter.h"
#include "filelist/fileadder.h"
#include "support/fakeprompt.h"
#include "tags/tagdispatch.h"

#include <algorithm>
#include <cmath>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// A tagged MP3 of a tone, written by Orvelle's own writer.
void writeMp3(const QString& path, double seconds) {
    const int rate = 44100;
    OutputWriter writer;
    writer.setMp3Settings({});
    writer.setInputFormat(rate, 2);
    writer.create(path);
    const int frames = int(seconds * rate);
    QByteArray pcm(frames * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<qint16*>(pcm.data());
    for (int i = 0; i < frames; ++i) {
        const auto sample = qint16(8000 * std::sin(2 * M_PI * 440 * i / rate));
        *out++ = sample;
        *out++ = sample;
    }
    writer.write(pcm);
    writer.close();
    writeRowTags(path,
                 {QStringLiteral("Title"), QStringLiteral("Artist"), QStringLiteral("Album")});
}

double addWithOrvelle(const QString& folder, int* rows, int* boxes) {
    // The test stand-ins: nothing here is refused, so any box is a fault of the benchmark.
    FakePrompt prompt;
    FakeShell shell;
    FileAdder adder(prompt, shell);
    int accepted = 0;
    QObject::connect(&adder, &FileAdder::rowAccepted, [&accepted] { ++accepted; });
    QEventLoop loop;
    QObject::connect(&adder, &FileAdder::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    adder.addFolder(folder);
    loop.exec();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    *rows = accepted;
    *boxes = int(prompt.informations.size() + prompt.questions.size());
    return seconds;
}

double probeWithFfprobe(const QStringList& files) {
    QElapsedTimer clock;
    clock.start();
    for (const QString& file : files) {
        QProcess process;
        process.start(QStringLiteral("ffprobe"),
                      {"-v", "error", "-show_entries",
                       "format=duration:format_tags=title,artist,album", "-of", "csv=p=0", file});
        if (!process.waitForFinished(-1) || process.exitCode() != 0)
            return -1;
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int repeat = 3;
    int count = 300;
    double seconds = 3;
    const QStringList arguments = app.arguments();
    for (int i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--repeat"))
            repeat = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QLatin1String("--files"))
            count = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QLatin1String("--seconds"))
            seconds = std::max(0.1, arguments[i + 1].toDouble());
    }

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("songs"));
    QDir().mkpath(folder);
    // One file encoded, the rest copies of it: the benchmark times reading, not LAME.
    const QString first = folder + QStringLiteral("/song000.mp3");
    writeMp3(first, seconds);
    QStringList files{first};
    for (int i = 1; i < count; ++i) {
        files << folder + QStringLiteral("/song%1.mp3").arg(i, 3, 10, QLatin1Char('0'));
        QFile::copy(first, files.last());
    }

    QTextStream out(stdout);
    out << "folder: " << count << " MP3 files of " << seconds << " s, best of " << repeat
        << " runs\n";
    out.flush();
    double orvelle = 1e9, ffprobe = 1e9;
    int rows = 0, boxes = 0;
    for (int run = 0; run < repeat; ++run) {
        orvelle = std::min(orvelle, addWithOrvelle(folder, &rows, &boxes));
        const double t = probeWithFfprobe(files);
        if (t < 0) {
            ffprobe = -1;
            break;
        }
        ffprobe = std::min(ffprobe, t);
    }
    out << "add folder " << count << " files orvelle " << QString::number(orvelle, 'f', 2)
        << " s ffprobe ";
    if (ffprobe < 0)
        out << "failed\n";
    else
        out << QString::number(ffprobe, 'f', 2) << " s ratio "
            << QString::number(orvelle / ffprobe, 'f', 2) << '\n';
    if (rows != count || boxes != 0)
        out << "  (" << rows << " rows, " << boxes << " boxes: expected " << count
            << " rows and none)\n";
    return rows == count && boxes == 0 ? 0 : 1;
}
