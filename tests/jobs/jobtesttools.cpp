#include "jobs/jobtesttools.h"

#include "components/ffmpeg/audiofilereader.h"
#include "components/ffmpeg/videofile.h"
#include "components/output/outputwriter.h"
#include "components/output/writerfactory.h"
#include "settings/settingsfile.h"

#include <gtest/gtest.h>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>

void JobEvents::watch(Job& job) {
    QObject::connect(&job, &Job::rowStarted, &job,
                     [this](int row) { lines << QStringLiteral("start %1").arg(row); });
    QObject::connect(&job, &Job::rowProgress, &job, [this](int row, int, const QString& text) {
        lines << QStringLiteral("progress %1 %2").arg(row).arg(text);
        progress[row] << text;
    });
    QObject::connect(&job, &Job::rowFinished, &job, [this](int row, const QString& path) {
        lines << QStringLiteral("finish %1").arg(row);
        outputs[row] = path;
    });
    QObject::connect(&job, &Job::rowStopped, &job, [this](int row, const QString& path) {
        lines << QStringLiteral("stop %1").arg(row);
        outputs[row] = path;
    });
    QObject::connect(&job, &Job::rowFailed, &job, [this](int row, const QString& message) {
        lines << QStringLiteral("fail %1 %2").arg(row).arg(message);
        failures[row] = message;
    });
    QObject::connect(&job, &Job::finished, &job, [this](const QString& folderToOpen) {
        lines << QStringLiteral("end ") + folderToOpen;
        folder = folderToOpen;
        ended = true;
    });
}

bool JobEvents::run(Job& job) {
    watch(job);
    QSignalSpy done(&job, &Job::finished);
    if (!job.start())
        return false;
    return done.wait(120000) && !job.isRunning();
}

QStringList JobEvents::only(const QString& prefix) const {
    QStringList out;
    for (const QString& line : lines)
        if (line.startsWith(prefix + QLatin1Char(' ')))
            out << line;
    return out;
}

WriterFactory settingsWriters(const QString& settingsPath) {
    return [settingsPath](OutputFormat format,
                          const EncoderSettings&) -> std::unique_ptr<AudioWriter> {
        return makeWriter(format, EncoderSettings::read(SettingsFile(settingsPath)));
    };
}

ReaderFactory audioReaders() {
    return [] { return std::make_unique<AudioFileReader>(); };
}

VideoFactory videoFiles() {
    return [] { return std::make_unique<VideoFile>(); };
}

RmWriterFactory rmWriters() {
    return [] { return std::make_unique<VideoFile>(); };
}

QList<RowTag> mutagenTags(const QStringList& files) {
    static const char* script = R"(
import sys, mutagen
for name in sys.argv[1:]:
    f = mutagen.File(name, easy=True)
    def get(*keys):
        if f is None or f.tags is None:
            return ''
        for k in keys:
            if k in f.tags:
                v = f.tags[k]
                v = v[0] if isinstance(v, list) else v
                return str(v)
        return ''
    print(get('title', 'Title') + '\t' + get('artist', 'Author') + '\t' +
          get('album', 'WM/AlbumTitle') + '\t' + get('date', 'WM/Year'))
)";
    // The system's Python carries mutagen; a Python earlier on PATH may not.
    static const QString interpreter = QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
                                           ? QStringLiteral("/usr/bin/python3")
                                           : QStringLiteral("python3");
    QProcess python;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
    python.setProcessEnvironment(environment);
    python.start(interpreter,
                 QStringList{QStringLiteral("-c"), QString::fromLatin1(script)} + files);
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    QList<RowTag> tags;
    for (const QString& line :
         QString::fromUtf8(python.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.isEmpty())
            continue;
        const QStringList parts = line.split(QLatin1Char('\t'));
        tags.push_back({parts.value(0), parts.value(1), parts.value(2), parts.value(3)});
    }
    return tags;
}
