#include "mirror/mirrorrun.h"

#include "components/componenterror.h"
#include "components/output/outputreservation.h"
#include "filelist/fileacceptance.h"
#include "jobs/conversionjob.h"
#include "jobs/joberror.h"
#include "jobs/outputnaming.h"
#include "mirror/mirrorerror.h"

#include <cerrno>
#include <fcntl.h>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Enough files waiting that no job runs dry while the next folder is read.
constexpr std::size_t QueueLow = 64;

QByteArray native(const QString& text) {
    return QFile::encodeName(text);
}

bool isBelow(const QString& path, const QString& folder) {
    return path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

// The regular file at path and its time, not through a link.
bool regularFile(const QString& path, qint64* modified = nullptr) {
    struct stat info;
    if (::lstat(native(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    if (modified)
        *modified = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

// The folder `relative` below root, made where missing; links are handled as
// every output folder handles them.
std::shared_ptr<const OutputFolder> folderBelow(const QString& root, const QString& relative) {
    try {
        auto folder = std::make_shared<const OutputFolder>(root);
        for (const QString& name : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts))
            folder = std::make_shared<const OutputFolder>(*folder, name);
        return folder;
    } catch (const ComponentError& e) {
        throw JobError(e.message());
    }
}

// Removes the file at path below root, never through a link, and then the
// folders it leaves empty up to root. False when there was no such file.
bool removeBelow(const QString& root, const QString& path) {
    if (!isBelow(path, root))
        return false;
    const QStringList names = path.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (names.isEmpty())
        return false;
    std::vector<int> folders{::open(native(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    for (int i = 0; i + 1 < names.size() && folders.back() >= 0; ++i)
        folders.push_back(::openat(folders.back(), native(names[i]).constData(),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    bool removed = false;
    if (folders.back() >= 0) {
        struct stat info;
        const QByteArray name = native(names.back());
        removed = ::fstatat(folders.back(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                  S_ISREG(info.st_mode) && ::unlinkat(folders.back(), name.constData(), 0) == 0;
        for (int i = int(folders.size()) - 1; removed && i > 0; --i)
            if (::unlinkat(folders[std::size_t(i) - 1], native(names[i - 1]).constData(),
                           AT_REMOVEDIR) != 0)
                break;
    }
    for (const int fd : folders)
        if (fd >= 0)
            ::close(fd);
    return removed;
}

QString fileNameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString folderOf(const QString& relative) {
    return relative.left(relative.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

struct MirrorRun::Copy {
    Item item;
    std::shared_ptr<const OutputFolder> folder;
    QString output;
    QString error;
    std::thread thread;
};

MirrorRun::MirrorRun(MirrorRequest request, QObject* parent)
    : QObject(parent), m_request(std::move(request)) {}

MirrorRun::~MirrorRun() {
    for (const std::unique_ptr<Copy>& copy : m_copies)
        if (copy->thread.joinable())
            copy->thread.join();
    // Each job waits for its row; one cut short leaves nothing.
    m_jobs.clear();
}

void MirrorRun::start() {
    QString destination = QFileInfo(m_request.destination).absoluteFilePath();
    while (destination.size() > 1 && destination.endsWith(QLatin1Char('/')))
        destination.chop(1);
    m_request.destination = destination;
    if (!QDir().mkpath(destination))
        throw MirrorError(QStringLiteral("Cannot create the folder %1.").arg(destination));
    TreeWalker::FolderId output;
    if (!TreeWalker::idOf(destination, &output))
        throw MirrorError(QStringLiteral("Cannot open the folder %1.").arg(destination));
    QStringList sources;
    for (const QString& given : m_request.sources) {
        const QFileInfo info(given);
        if (!info.isDir())
            throw MirrorError(
                QStringLiteral("%1 is not a folder; a mirror is made of folders.").arg(given));
        TreeWalker::FolderId id;
        if (!TreeWalker::idOf(given, &id))
            throw MirrorError(QStringLiteral("Cannot open the folder %1.").arg(given));
        if (id == output)
            throw MirrorError(
                QStringLiteral("The folder %1 is both the source and the output of the mirror.")
                    .arg(given));
        // An output folder inside the source is left out of the walk.
        sources << info.absoluteFilePath();
        m_walkers.push_back(
            std::make_unique<TreeWalker>(sources.back(), std::set<TreeWalker::FolderId>{output}));
    }
    m_request.sources = sources;
    m_state = std::make_unique<MirrorState>(destination);
    m_adoptFound = !m_state->setAside().isEmpty();
    if (m_adoptFound)
        QMetaObject::invokeMethod(
            this, [this, text = m_state->setAside()] { emit note(text); }, Qt::QueuedConnection);
    m_clock.start();
    schedule();
}

void MirrorRun::stop() {
    m_stopping = true;
    schedule();
}

void MirrorRun::interrupt() {
    m_stopping = true;
    m_interrupted = true;
    for (const std::unique_ptr<Job>& job : m_jobs)
        job->interrupt();
    schedule();
}

std::optional<qint64> MirrorRun::secondsLeft() const {
    const int made = m_counts.converted + m_counts.copied + m_counts.failed;
    if (m_counts.walking || made == 0)
        return std::nullopt;
    const qint64 left = m_counts.found - m_counts.done();
    return m_clock.elapsed() * left / made / 1000;
}

void MirrorRun::schedule() {
    if (m_pumpQueued || m_ended)
        return;
    m_pumpQueued = true;
    QMetaObject::invokeMethod(this, &MirrorRun::pump, Qt::QueuedConnection);
}

void MirrorRun::pump() {
    m_pumpQueued = false;
    if (m_ended)
        return;
    const auto running = [this] { return int(m_jobs.size() + m_copies.size()); };
    while (!m_stopping && running() < m_request.jobs && !m_queue.empty()) {
        Item item = std::move(m_queue.front());
        m_queue.pop_front();
        startItem(std::move(item));
    }
    if (!m_stopping && m_queue.size() < QueueLow && m_walker < m_walkers.size()) {
        std::vector<TreeWalker::File> files;
        std::vector<TreeWalker::Problem> problems;
        m_walkers[m_walker]->step(&files, &problems);
        if (m_walkers[m_walker]->done())
            ++m_walker;
        for (const TreeWalker::Problem& problem : problems) {
            if (problem.unread)
                m_unread.push_back(problem.path);
            emit this->problem(problem.path, problem.reason, problem.unread);
        }
        for (const TreeWalker::File& file : files)
            take(file);
        emit progress();
        // The next folder on the next turn, so that finished files are seen to meanwhile.
        schedule();
        return;
    }
    m_counts.walking = m_walker < m_walkers.size() && !m_stopping;
    if (running() == 0 && (m_stopping || (m_queue.empty() && !m_counts.walking)))
        end();
}

void MirrorRun::take(const TreeWalker::File& file) {
    const MirrorAction action = mirrorActionFor(fileNameOf(file.relative), m_request.choices);
    if (action == MirrorAction::Leave)
        return;
    ++m_counts.found;
    const QString settings = action == MirrorAction::Copy ? copySettingsText() : m_request.settings;
    const QString expected = m_request.destination + QLatin1Char('/') +
                             mirrorOutputName(file.relative, action, m_request.choices.format);
    Item item{file, action, std::nullopt, {}};
    try {
        item.old = m_state->find(file.path);
        const std::optional<MirrorState::Record>& old = item.old;
        if (!m_request.force && old && old->size == file.size && old->modified == file.modified &&
            old->settings == settings && !old->output.isEmpty()) {
            qint64 made = 0;
            const bool there = regularFile(old->output, &made);
            // Started and named, but killed before it was marked finished.
            const bool finishedUnmarked = !old->finished && there && made / 1000000 >= old->started;
            if (there && (old->finished || finishedUnmarked)) {
                if (finishedUnmarked) {
                    MirrorState::Record record = *old;
                    record.finished = true;
                    m_state->save(record);
                }
                ++m_counts.upToDate;
                return;
            }
        }
        if (!m_request.force && !old && m_adoptFound && adopt(file, settings, expected)) {
            ++m_counts.upToDate;
            return;
        }
    } catch (const MirrorError& e) {
        ++m_counts.failed;
        emit fileDone(Outcome::Failed, file.path, QString(), e.message());
        return;
    }
    item.record.source = file.path;
    item.record.size = file.size;
    item.record.modified = file.modified;
    item.record.settings = settings;
    item.record.output = expected; // the name it should get; checked as it starts
    m_queue.push_back(std::move(item));
}

bool MirrorRun::adopt(const TreeWalker::File& file, const QString& settings,
                      const QString& output) {
    // With the state lost, an output at the file's own name that is newer
    // than its source is taken for the one made before.
    qint64 made = 0;
    if (!regularFile(output, &made) || made < file.modified)
        return false;
    m_state->save({file.path, output, file.size, file.modified, settings, true,
                   QDateTime::currentMSecsSinceEpoch()});
    return true;
}

void MirrorRun::startItem(Item item) {
    const QString expected = item.record.output;
    const QString relative = expected.mid(m_request.destination.size() + 1);
    try {
        const std::shared_ptr<const OutputFolder> folder =
            folderBelow(m_request.destination, folderOf(relative));
        // A file made again takes the place of the one made before.
        if (item.old && !item.old->output.isEmpty())
            removeBelow(m_request.destination, item.old->output);
        // Only a name that is free now is recorded before the file is made;
        // the name a collision gives comes with the finished file.
        if (folder->has(fileNameOf(expected)) || m_inFlight.count(expected) > 0)
            item.record.output.clear();
        m_inFlight.insert(expected);
        item.record.finished = false;
        item.record.started = QDateTime::currentMSecsSinceEpoch();
        m_state->save(item.record);
        if (item.action == MirrorAction::Copy) {
            // A conversion job sweeps its folder itself; a copy left by a killed run goes here.
            removeStaleParts(*folder);
            startCopy(std::move(item), folder);
        } else
            startConversion(std::move(item), folder->path());
    } catch (const std::exception& e) {
        item.record.output = expected;
        itemDone(item, Outcome::Failed, QString(), QString::fromUtf8(e.what()));
    }
}

void MirrorRun::startConversion(Item item, const QString& folder) {
    // The source's tags go into its output, as Add Folder would read them.
    if (!m_acceptance)
        m_acceptance = std::make_unique<FileAcceptance>(
            m_request.parts.audioReader ? m_request.parts.audioReader
                                        : FileAcceptance::ffmpegAudio(),
            m_request.parts.video ? m_request.parts.video : FileAcceptance::ffmpegVideo());
    const FileAcceptance::Outcome accepted =
        m_acceptance->test(item.file.path, formatText(m_request.choices.format));
    if (!accepted.accepted()) {
        const QString reason = QStringLiteral("This Audio file is not supported!");
        itemDone(item, Outcome::Failed, QString(),
                 accepted.reason.isEmpty()
                     ? reason
                     : QStringLiteral("%1 (%2)").arg(reason, accepted.reason));
        return;
    }
    JobRow row;
    row.row = 0;
    row.caption = fileNameOf(item.file.path);
    row.source = item.file.path;
    row.format = m_request.choices.format;
    row.tag = accepted.row.tag;
    JobSettings settings = m_request.job;
    settings.outputFolder = folder;
    settings.scheme = FolderScheme::None;
    settings.currentFormat = {};
    auto job =
        std::make_unique<ConversionJob>(std::move(settings), QVector<JobRow>{row}, m_request.parts);
    job->setMaxRunningRows(1);
    Job* running = job.get();
    connect(running, &Job::rowFinished, this, [this, item](int, const QString& output) {
        itemDone(item, Outcome::Converted, output, QString());
    });
    connect(running, &Job::rowFailed, this, [this, item](int, const QString& message) {
        itemDone(item, Outcome::Failed, QString(), message);
    });
    // Cut short by interrupt(): its file is gone, and the next run makes it.
    connect(running, &Job::rowStopped, this,
            [this, item](int, const QString&) { m_inFlight.erase(item.record.output); });
    connect(running, &Job::finished, this, [this, running] {
        // Not from within the job's own signal.
        QMetaObject::invokeMethod(
            this,
            [this, running] {
                takeOut(m_jobs, running);
                schedule();
            },
            Qt::QueuedConnection);
    });
    m_jobs.push_back(std::move(job));
    running->start();
}

void MirrorRun::startCopy(Item item, std::shared_ptr<const OutputFolder> folder) {
    auto copy = std::make_unique<Copy>();
    copy->item = std::move(item);
    copy->folder = std::move(folder);
    Copy* running = copy.get();
    running->thread = std::thread([this, running] {
        try {
            running->output = copyOutputFile(running->folder, fileNameOf(running->item.file.path),
                                             running->item.file.path);
        } catch (const std::exception& e) {
            running->error = QString::fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(
            this,
            [this, running] {
                running->thread.join();
                const std::unique_ptr<Copy> done = takeOut(m_copies, running);
                if (running->error.isEmpty())
                    itemDone(running->item, Outcome::Copied, running->output, QString());
                else
                    itemDone(running->item, Outcome::Failed, QString(), running->error);
                schedule();
            },
            Qt::QueuedConnection);
    });
    m_copies.push_back(std::move(copy));
}

void MirrorRun::itemDone(const Item& item, Outcome outcome, const QString& output,
                         const QString& message) {
    m_inFlight.erase(item.record.output);
    QString problem = message;
    if (outcome != Outcome::Failed) {
        MirrorState::Record record = item.record;
        record.output = output;
        record.finished = true;
        try {
            m_state->save(record);
        } catch (const MirrorError& e) {
            // A file the state does not hold would be made again, and under another name.
            removeBelow(m_request.destination, output);
            outcome = Outcome::Failed;
            problem = QStringLiteral("The mirror's state could not record it: %1").arg(e.message());
        }
    }
    switch (outcome) {
    case Outcome::Converted:
        ++m_counts.converted;
        break;
    case Outcome::Copied:
        ++m_counts.copied;
        break;
    default:
        ++m_counts.failed;
        break;
    }
    emit fileDone(outcome, item.file.path, outcome == Outcome::Failed ? QString() : output,
                  problem);
    emit progress();
}

void MirrorRun::removeGone() {
    std::vector<MirrorState::Record> gone;
    m_state->forEach([&](const MirrorState::Record& record) {
        const auto below = [&record](const QString& folder) {
            return isBelow(record.source, folder);
        };
        if (std::none_of(m_request.sources.begin(), m_request.sources.end(), below) ||
            std::any_of(m_unread.begin(), m_unread.end(), below))
            return;
        struct stat info;
        if (::stat(native(record.source).constData(), &info) == 0 ||
            (errno != ENOENT && errno != ENOTDIR))
            return;
        gone.push_back(record);
    });
    for (const MirrorState::Record& record : gone) {
        qint64 made = 0;
        const bool ours = record.finished ||
                          (regularFile(record.output, &made) && made / 1000000 >= record.started);
        const bool removed =
            ours && !record.output.isEmpty() && removeBelow(m_request.destination, record.output);
        m_state->forget(record.source);
        if (removed) {
            ++m_counts.deleted;
            emit fileDone(Outcome::Deleted, record.source, record.output, QString());
        }
    }
}

void MirrorRun::end() {
    if (m_ended)
        return;
    m_counts.walking = false;
    if (m_request.deleteGone && !m_stopping) {
        try {
            removeGone();
        } catch (const MirrorError& e) {
            emit note(QStringLiteral("Outputs whose source is gone were not all removed: %1")
                          .arg(e.message()));
        }
    }
    m_ended = true;
    emit progress();
    emit finished();
}
