#include "components/cdio/cdiograbber.h"

#include "components/audiowriter.h"
#include "components/cdio/driveuse.h"
#include "components/cdio/grabtask.h"
#include "components/cdio/imagesheet.h"
#include "components/componenterror.h"
#include "settings/driveoffsetkeys.h"
#include "settings/settingsfile.h"

#include <QFileInfo>

namespace {

constexpr int FramesPerSecond = 75;

} // namespace

CdioGrabber::CdioGrabber(QString settingsPath, QObject* parent)
    : CdGrabber(parent), m_settingsPath(std::move(settingsPath)) {
    connect(&m_watcher, &MediaWatcher::changed, this, &CdioGrabber::onMediaChange);
    connect(&m_lookup, &DiscLookup::statusChanged, this, &CdioGrabber::onFreeDBQueryStatus);
    connect(&m_lookup, &DiscLookup::recordFound, this,
            [this](const CdToc& toc, const DiscRecord& record) { m_record.emplace(toc, record); });
    connect(&m_lookup, &DiscLookup::choiceNeeded, this, &CdioGrabber::onReleaseChoice);
    connect(&m_lookup, &DiscLookup::coverFound, this,
            [this](const CdToc& toc, const CoverArt& cover, const QString& note) {
                if (m_record && m_record->first == toc) {
                    m_record->second.cover = cover;
                    m_record->second.coverNote = note;
                }
                emit onDiscCover();
            });
}

CdioGrabber::~CdioGrabber() {
    // The tasks wait for their threads, which may still be writing.
    m_tasks.clear();
}

void CdioGrabber::initialize() {
    m_drives = CdDriveList::scan(SettingsFile(m_settingsPath));
    m_drive = m_drives.isEmpty() ? -1 : 0;
    m_disc = {};
    m_track = -1;
    if (m_drive >= 0)
        m_watcher.watch(currentDrive());
}

void CdioGrabber::shutdown() {
    abortGrab();
    endRawRead();
    m_lookup.cancel();
    m_watcher.stop();
}

int CdioGrabber::getDriveCount() {
    return m_drives.size();
}

void CdioGrabber::setCurrentDrive(int drive) {
    if (drive < 1 || drive > m_drives.size())
        throw ComponentError(QStringLiteral("There is no CD drive %1.").arg(drive));
    if (drive - 1 == m_drive)
        return;
    m_drive = drive - 1;
    m_disc = {};
    m_track = -1;
    m_watcher.watch(currentDrive());
}

const CdDrive& CdioGrabber::currentDrive() const {
    if (m_drive < 0)
        throw ComponentError(QStringLiteral("There is no CD drive."));
    return m_drives[m_drive];
}

const DriveIdentity& CdioGrabber::currentIdentity() {
    const CdDrive& drive = currentDrive();
    auto it = m_identities.find(drive.path);
    if (it == m_identities.end()) {
        const std::unique_ptr<CdDisc> disc = CdDisc::open(drive);
        it = m_identities.insert(drive.path, disc ? disc->identity() : DriveIdentity{});
    }
    return *it;
}

QString CdioGrabber::getDriveVendor() {
    return currentIdentity().vendor;
}

QString CdioGrabber::getDriveProduct() {
    return currentIdentity().product;
}

QString CdioGrabber::getDriveRevision() {
    return currentIdentity().revision;
}

QString CdioGrabber::getDriveId() {
    return currentDrive().path;
}

namespace {

// Audio before track 1 becomes a track when there is at least a second of it
// and it is not digital silence; the layout's notes say why it is left out.
bool hiddenAudio(const CdDisc& disc, DiscLayout& layout) {
    const int frames = layout.hiddenFrames();
    if (frames <= 0)
        return false;
    if (frames < DiscLayout::MinHiddenFrames) {
        layout.notes << QStringLiteral("The %1 sectors before track 01 are left out: shorter "
                                       "than a second.")
                            .arg(frames);
        return false;
    }
    constexpr int Block = 75;
    QByteArray pcm(Block * CdDisc::FrameBytes, '\0');
    for (int at = 0; at < frames; at += Block) {
        const int count = qMin(Block, frames - at);
        if (!disc.readAudio(at, count, pcm.data()))
            break;
        const QByteArray read =
            QByteArray::fromRawData(pcm.constData(), count * CdDisc::FrameBytes);
        if (read.count('\0') != read.size())
            return true;
    }
    layout.notes << QStringLiteral("The %1 sectors before track 01 are left out: digital silence.")
                        .arg(frames);
    return false;
}

} // namespace

void CdioGrabber::readDisc() {
    m_track = -1;
    m_disc = {};
    m_hidden = {};
    m_hiddenAudio = false;
    m_discError.clear();
    if (m_drive < 0)
        return;
    // A drive that cannot be opened holds no disc we could read.
    DriveState state;
    if (const std::unique_ptr<CdDisc> disc = CdDisc::open(currentDrive())) {
        m_disc = disc->contents();
        if (!m_disc.isEmpty() && m_disc.tracks.first().audio) {
            m_hidden.frames = m_disc.layout.hiddenFrames();
            m_hidden.bigEndian = m_disc.tracks.first().bigEndian;
            m_hiddenAudio = hiddenAudio(*disc, m_disc.layout);
        }
        if (!m_disc.isEmpty())
            state = {m_disc.toc().toText(), disc->volume(m_disc)};
    } else if (currentDrive().isImage && QFileInfo::exists(currentDrive().path)) {
        // An image that is there but refused says why; a missing one is an empty drive.
        m_discError = ImageSheet::check(currentDrive().path).error;
    }
    m_watcher.setKnown(state);
}

int CdioGrabber::getTrackCount() {
    return m_disc.tracks.size();
}

void CdioGrabber::selectTrack(int track) {
    if (track == HiddenTrack && m_hidden.frames > 0) {
        m_track = track;
        return;
    }
    if (track < 0 || track >= m_disc.tracks.size())
        throw ComponentError(QStringLiteral("There is no track %1 on the disc.").arg(track + 1));
    m_track = track;
}

const CdTrack& CdioGrabber::selectedTrack() const {
    if (m_track == HiddenTrack && m_hidden.frames > 0)
        return m_hidden;
    if (m_track < 0 || m_track >= m_disc.tracks.size())
        throw ComponentError(QStringLiteral("No track of the disc is selected."));
    return m_disc.tracks[m_track];
}

int CdioGrabber::getTrackLength() {
    return selectedTrack().frames;
}

int CdioGrabber::getTrackMinutes() {
    return selectedTrack().frames / FramesPerSecond / 60;
}

int CdioGrabber::getTrackSeconds() {
    return selectedTrack().frames / FramesPerSecond % 60;
}

int CdioGrabber::getTrackFrames() {
    return selectedTrack().frames % FramesPerSecond;
}

const DiscRecord* CdioGrabber::record() const {
    return m_record && !m_disc.isEmpty() && m_record->first == m_disc.toc() ? &m_record->second
                                                                            : nullptr;
}

// FreeDB texts first, then CD-TEXT; a field either leaves empty falls through.
QString CdioGrabber::getTrackTitle() {
    const CdTrack& track = selectedTrack();
    if (const DiscRecord* found = record(); found && !found->title(m_track).isEmpty())
        return found->title(m_track);
    if (!track.title.isEmpty())
        return track.title;
    if (m_track == HiddenTrack)
        return QStringLiteral("Hidden Track");
    return QStringLiteral("Session1 Track%1").arg(m_track + 1);
}

QString CdioGrabber::getTrackArtist() {
    const CdTrack& track = selectedTrack();
    if (const DiscRecord* found = record(); found && !found->trackArtist(m_track).isEmpty())
        return found->trackArtist(m_track);
    return track.artist.isEmpty() ? m_disc.artist : track.artist;
}

CoverArt CdioGrabber::getDiscCover() {
    const DiscRecord* found = record();
    return found ? found->cover : CoverArt{};
}

QString CdioGrabber::getDiscCoverNote() {
    const DiscRecord* found = record();
    return found ? found->coverNote : QString();
}

QString CdioGrabber::getDiscBarcode() {
    const DiscRecord* found = record();
    return found ? found->barcode : QString();
}

QString CdioGrabber::getDiscGenre() {
    const DiscRecord* found = record();
    return found ? found->genre : QString();
}

QString CdioGrabber::getTrackYear() {
    selectedTrack();
    const DiscRecord* found = record();
    return found ? found->year : QString();
}

QString CdioGrabber::getTrackAlbum() {
    selectedTrack();
    if (const DiscRecord* found = record(); found && !found->album.isEmpty())
        return found->album;
    return m_disc.album;
}

void CdioGrabber::setReadMode(int mode) {
    m_mode = mode;
}

void CdioGrabber::setErrorAction(int action) {
    m_errorAction = action;
}

void CdioGrabber::setRetryCount(int retries) {
    m_retries = retries;
}

ReadSettings CdioGrabber::readSettings() {
    return ReadSettings::sanitized(m_mode, m_retries, m_errorAction, getReadOffset());
}

QString CdioGrabber::getReadOffsetKey() {
    if (m_drive < 0 || currentDrive().isImage)
        return {};
    const DriveIdentity& drive = currentIdentity();
    return DriveOffsetKeys::keyFor(drive.vendor, drive.product);
}

int CdioGrabber::getReadOffset() {
    if (m_offsetOverride)
        return *m_offsetOverride;
    const QString key = getReadOffsetKey();
    if (key.isEmpty())
        return 0;
    const int offset = SettingsFile(m_settingsPath)
                           .ini()
                           .readInteger(QLatin1String(DriveOffsetKeys::Section), key, 0);
    return qBound(-ReadSettings::MaxOffset, offset, ReadSettings::MaxOffset);
}

DiscLayout CdioGrabber::getDiscLayout() {
    return m_disc.layout;
}

std::pair<int, int> CdioGrabber::audioRange() const {
    // Audio before track 1 is the disc's from its first sector on.
    int first = m_hidden.frames > 0 ? 0 : -1;
    int end = 0;
    for (const CdTrack& track : m_disc.tracks) {
        if (!track.audio)
            continue;
        if (first < 0)
            first = track.start;
        end = qMax(end, track.start + track.frames);
    }
    return {qMax(0, first), end};
}

void CdioGrabber::setMediaPollInterval(int ms) {
    m_watcher.setInterval(ms);
}

void CdioGrabber::setFaultFilter(TrackReader::FaultFilter filter) {
    m_faults = std::move(filter);
}

void CdioGrabber::reapTasks() {
    for (auto it = m_tasks.begin(); it != m_tasks.end();) {
        if (it->second->isDone())
            it = m_tasks.erase(it);
        else
            ++it;
    }
}

void CdioGrabber::grabToFile(const QString& path, std::shared_ptr<AudioWriter> writer) {
    reapTasks();
    if (m_activeTask != 0)
        throw ComponentError(QStringLiteral("A track is being ripped already."));
    const CdTrack& track = selectedTrack();
    if (!track.audio)
        throw ComponentError(
            QStringLiteral("Track %1 is a data track; it holds no audio.").arg(m_track + 1));
    if (!writer)
        throw ComponentError(QStringLiteral("There is no output writer."));
    writer->setInputFormat(SampleRate, Channels);
    writer->create(path);

    const quint64 id = ++m_lastTask;
    GrabTask::Job job{currentDrive(),    track,   m_disc.toc(), readSettings(),
                      std::move(writer), m_faults};
    job.audio = audioRange();
    const DiscLayout layout = getDiscLayout();
    const int audioIndex = layout.audioIndex(m_track);
    job.firstAudio = audioIndex == 0;
    job.lastAudio = audioIndex == layout.audioCount() - 1;
    job.checksums = m_checksums;
    // Reports come from the task's thread and are handed to this one.
    auto progress = [this, id](double percent) {
        QMetaObject::invokeMethod(
            this, [this, id, percent] { taskProgress(id, percent); }, Qt::QueuedConnection);
    };
    auto finished = [this, id](bool ok, const QString& error, const TrackCheck& check) {
        QMetaObject::invokeMethod(
            this, [this, id, ok, error, check] { taskFinished(id, ok, error, check); },
            Qt::QueuedConnection);
    };
    auto retry = [this](int attempt, int lsn) {
        QMetaObject::invokeMethod(
            this, [this, attempt, lsn] { emit onGrabRetry(attempt, lsn); }, Qt::QueuedConnection);
    };
    m_tasks.emplace_back(id, std::make_unique<GrabTask>(job, progress, finished, retry));
    m_activeTask = id;
    m_lastGrabError.clear();
    m_lastCheck = {};
    m_tasks.back().second->start();
}

void CdioGrabber::taskProgress(quint64 task, double percent) {
    if (task == m_activeTask)
        emit onOperationProgress(percent);
}

void CdioGrabber::taskFinished(quint64 task, bool ok, const QString& error,
                               const TrackCheck& check) {
    if (task != m_activeTask)
        return;
    m_activeTask = 0;
    reapTasks();
    if (ok) {
        m_lastCheck = check;
        emit onOperationProgress(100.0);
    } else {
        m_lastGrabError = error;
        emit onGrabError(error);
    }
}

void CdioGrabber::abortGrab() {
    for (auto& task : m_tasks)
        if (task.first == m_activeTask)
            task.second->abort();
    m_activeTask = 0;
}

void CdioGrabber::beginRawRead() {
    endRawRead();
    const CdTrack& track = selectedTrack();
    if (!track.audio)
        throw ComponentError(
            QStringLiteral("Track %1 is a data track; it holds no audio.").arg(m_track + 1));
    auto use = std::make_unique<DriveUse>(currentDrive().path);
    std::unique_ptr<CdDisc> disc = CdDisc::open(currentDrive());
    if (!disc || disc->contents(false).toc() != m_disc.toc())
        throw ComponentError(QStringLiteral("The disc in the drive has changed; read it again."));
    m_rawUse = std::move(use);
    m_rawDisc = std::move(disc);
    m_rawTrack = track;
    m_rawPosition = 0;
}

TrackReader& CdioGrabber::rawReader() {
    if (!m_rawDisc)
        throw ComponentError(QStringLiteral("No track is open for reading."));
    if (!m_rawReader) {
        m_rawReader = std::make_unique<TrackReader>(*m_rawDisc, m_rawTrack, m_disc.toc(),
                                                    readSettings(), audioRange());
        m_rawReader->setFaultFilter(m_faults);
        m_rawReader->seek(m_rawPosition);
    }
    return *m_rawReader;
}

void CdioGrabber::startReading() {
    rawReader();
}

void CdioGrabber::stopReading() {
    if (m_rawReader)
        m_rawPosition = m_rawReader->position();
    m_rawReader.reset();
}

QByteArray CdioGrabber::readRawAudio(int frames) {
    TrackReader& reader = rawReader();
    QByteArray pcm;
    // Frames cut out under "Cut" count against the request, yet only the end
    // of the track answers with nothing.
    for (int done = 0; done < frames || (pcm.isEmpty() && done > 0);) {
        const TrackReader::Step step = reader.next(&pcm);
        if (step == TrackReader::Step::End)
            break;
        if (step == TrackReader::Step::Failed)
            throw ComponentError(reader.error());
        ++done;
    }
    m_rawPosition = reader.position();
    return pcm;
}

void CdioGrabber::seekRawRead(int frame) {
    if (!m_rawDisc)
        throw ComponentError(QStringLiteral("No track is open for reading."));
    m_rawPosition = qBound(0, frame, m_rawTrack.frames);
    if (m_rawReader)
        m_rawReader->seek(m_rawPosition);
}

void CdioGrabber::endRawRead() {
    m_rawReader.reset();
    m_rawDisc.reset();
    m_rawUse.reset();
    m_rawPosition = 0;
}

void CdioGrabber::queryFreeDB(DiscInfoLookup* information, int) {
    if (!information)
        throw ComponentError(QStringLiteral("No FreeDB settings were given."));
    if (m_disc.isEmpty())
        readDisc();
    m_lookup.lookup(getDiscLayout(), *information);
}
