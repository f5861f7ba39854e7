#include "components/cdio/mediawatcher.h"

#include "components/cdio/cddisc.h"

MediaWatcher::MediaWatcher(QObject* parent) : QObject(parent) {
    m_pool.setMaxThreadCount(1);
    m_timer.setInterval(DefaultIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &MediaWatcher::poll);
}

MediaWatcher::~MediaWatcher() {
    m_timer.stop();
    m_pool.waitForDone();
}

void MediaWatcher::watch(const CdDrive& drive) {
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
}

void MediaWatcher::setKnown(const QString& state) {
    m_known = state;
    m_hasKnown = true;
    // A look already under way may have seen the drive before this read.
    ++m_generation;
    m_probing = false;
}

QString MediaWatcher::stateOf(const CdDrive& drive) {
    const std::unique_ptr<CdDisc> disc = CdDisc::open(drive);
    const DiscContents contents = disc ? disc->contents(false) : DiscContents();
    return contents.isEmpty() ? QString() : contents.toc().toText();
}

void MediaWatcher::poll() {
    if (m_probing || m_drive.path.isEmpty())
        return;
    m_probing = true;
    const quint64 generation = m_generation;
    const CdDrive drive = m_drive;
    m_pool.start([this, generation, drive] {
        const QString state = stateOf(drive);
        QMetaObject::invokeMethod(
            this, [this, generation, state] { probed(generation, state); }, Qt::QueuedConnection);
    });
}

void MediaWatcher::probed(quint64 generation, const QString& state) {
    if (generation != m_generation)
        return;
    m_probing = false;
    if (!m_hasKnown) {
        m_known = state;
        m_hasKnown = true;
        return;
    }
    if (state == m_known)
        return;
    m_known = state;
    emit changed();
}
