#include "components/cdio/mediawatcher.h"

#include "components/cdio/cddisc.h"
#include "components/cdio/cdiolock.h"
#include "components/cdio/driveuse.h"

#include <mutex>
#include <QFileInfo>
#include <QHash>

namespace {

// What the watchers know, for the audio-disc test: it need not open a
// watched drive again on the GUI thread.
struct Known {
    const MediaWatcher* watcher;
    DriveVolume volume;
};
std::mutex knownLock;
QHash<QString, Known>& knownDrives() {
    static QHash<QString, Known> drives;
    return drives;
}

} // namespace

MediaWatcher::MediaWatcher(QObject* parent) : QObject(parent) {
    m_pool.setMaxThreadCount(1);
    m_timer.setInterval(DefaultIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &MediaWatcher::poll);
}

MediaWatcher::~MediaWatcher() {
    m_timer.stop();
    m_pool.waitForDone();
    forget();
}

void MediaWatcher::watch(const CdDrive& drive) {
    forget();
    m_drive = drive;
    m_hasKnown = false;
    ++m_generation;
    m_probing = false;
    m_timer.start();
    poll();
}

void MediaWatcher::stop() {
    m_timer.stop();
    ++m_generation;
    m_probing = false;
    forget();
}

void MediaWatcher::setKnown(const DriveState& state) {
    remember(state);
    // A look already under way may have seen the drive before this read.
    ++m_generation;
    m_probing = false;
}

void MediaWatcher::remember(const DriveState& state) {
    m_known = state.toc;
    m_hasKnown = true;
    if (m_drive.path.isEmpty())
        return;
    const std::lock_guard<std::mutex> lock(knownLock);
    knownDrives().insert(m_drive.path, Known{this, state.volume});
}

void MediaWatcher::forget() {
    const std::lock_guard<std::mutex> lock(knownLock);
    auto it = knownDrives().find(m_drive.path);
    if (it != knownDrives().end() && it->watcher == this)
        knownDrives().erase(it);
}

bool MediaWatcher::knownVolume(const QString& path, DriveVolume* volume) {
    const std::lock_guard<std::mutex> lock(knownLock);
    auto it = knownDrives().find(path);
    if (it == knownDrives().end())
        return false;
    *volume = it->volume;
    return true;
}

std::optional<DriveState> MediaWatcher::stateOf(const CdDrive& drive) {
    if (drive.isImage && !QFileInfo(drive.path).isFile())
        return DriveState{};
    const std::unique_ptr<CdDisc> disc = CdDisc::open(drive);
    if (!disc)
        return std::nullopt;
    const DiscContents contents = disc->contents(false);
    if (contents.isEmpty())
        return DriveState{};
    return DriveState{contents.toc().toText(), disc->volume(contents)};
}

bool MediaWatcher::poll() {
    if (m_probing || m_drive.path.isEmpty() || DriveUse::isBusy(m_drive.path))
        return false;
    m_probing = true;
    const quint64 generation = m_generation;
    const CdDrive drive = m_drive;
    m_pool.start([this, generation, drive] {
        Outcome outcome = Outcome::Skipped;
        std::optional<DriveState> state;
        {
            // Asked again under the library's lock: a rip that began since
            // waits for this look instead of reading beside it.
            const CdioLock lock;
            if (!DriveUse::isBusy(drive.path)) {
                state = stateOf(drive);
                outcome = state ? Outcome::Seen : Outcome::Unreadable;
            }
        }
        const DriveState seen = state.value_or(DriveState{});
        QMetaObject::invokeMethod(
            this, [this, generation, outcome, seen] { probed(generation, outcome, seen); },
            Qt::QueuedConnection);
    });
    return true;
}

void MediaWatcher::probed(quint64 generation, Outcome outcome, const DriveState& state) {
    if (generation != m_generation)
        return;
    m_probing = false;
    // Only a disc seen differently from the last good look is a change.
    if (outcome == Outcome::Seen) {
        const bool hadKnown = m_hasKnown;
        const bool differs = state.toc != m_known;
        remember(state);
        if (hadKnown && differs)
            emit changed();
    }
    emit looked();
}
