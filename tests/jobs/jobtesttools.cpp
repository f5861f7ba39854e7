#include "jobs/jobtesttools.h"

#include "components/ffmpeg/audiofilereader.h"
#include "components/ffmpeg/videofile.h"
#include "components/output/outputwriter.h"
#include "components/output/writerfactory.h"
#include "settings/settingsfile.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

namespace {

constexpr uid_t Nobody = 65534;

// A child process as the second user: 0 in the child, its id in the parent.
// The child is a copy of a process with threads: it makes system calls only.
pid_t forkAsSecondUser() {
    const pid_t pid = ::fork();
    if (pid == 0 && ::getuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0 ||
         ::setresuid(Nobody, Nobody, Nobody) != 0))
        ::_exit(3);
    return pid;
}

void swapAt(int folder, const char* name, const char* target) {
    char moved[NAME_MAX + 8];
    const std::size_t length = std::strlen(name);
    if (length + 7 > sizeof moved)
        return;
    std::memcpy(moved, name, length);
    std::memcpy(moved + length, ".moved", 7);
    if (::renameat(folder, name, folder, moved) == 0)
        ::symlinkat(target, folder, name);
}

} // namespace

namespace SecondUser {

void mayWriteIn(const QString& folder) {
    QDir().mkpath(folder);
    ::chmod(QFile::encodeName(folder).constData(), 0777);
    // The folders above let the second user through.
    for (QDir up(folder); up.cdUp() && !up.isRoot();) {
        struct stat info;
        const QByteArray path = QFile::encodeName(up.path());
        if (::stat(path.constData(), &info) == 0 && (info.st_mode & S_IXOTH) == 0)
            ::chmod(path.constData(), (info.st_mode & 07777) | S_IXOTH);
    }
}

void swapForLink(const QString& path, const QString& target) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
    const QByteArray name = QFile::encodeName(QFileInfo(path).fileName());
    const QByteArray link = QFile::encodeName(target);
    const pid_t pid = forkAsSecondUser();
    if (pid == 0) {
        const int at = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
        swapAt(at, name.constData(), link.constData());
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_EQ(status, 0);
}

Racer::Racer(const QString& folder, const QByteArray& marker, const QString& target) {
    const QByteArray path = QFile::encodeName(folder);
    const QByteArray link = QFile::encodeName(target);
    int ready[2];
    if (::pipe(ready) != 0)
        return;
    m_pid = forkAsSecondUser();
    if (m_pid == 0) {
        const int watch = ::inotify_init();
        const int at = ::open(path.constData(), O_RDONLY | O_DIRECTORY);
        if (watch < 0 || at < 0 ||
            ::inotify_add_watch(watch, path.constData(), IN_CREATE | IN_MOVED_TO) < 0)
            ::_exit(4);
        [[maybe_unused]] const ssize_t told = ::write(ready[1], "r", 1);
        alignas(inotify_event) char events[4096];
        for (;;) {
            const ssize_t got = ::read(watch, events, sizeof events);
            if (got <= 0)
                ::_exit(0);
            for (const char* next = events; next < events + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(next);
                next += sizeof(inotify_event) + event->len;
                struct stat info;
                if (event->len > 0 && std::strstr(event->name, marker.constData()) &&
                    !std::strstr(event->name, ".moved") &&
                    ::fstatat(at, event->name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                    !S_ISLNK(info.st_mode))
                    swapAt(at, event->name, link.constData());
            }
        }
    }
    ::close(ready[1]);
    char byte = 0;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1) << "the racer did not start";
    ::close(ready[0]);
}

Racer::~Racer() {
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
}

} // namespace SecondUser
