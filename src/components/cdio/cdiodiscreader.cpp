#include "components/cdio/cdiodiscreader.h"

#include "components/cdio/imagesheet.h"
#include "components/componenterror.h"
#include "settings/driveoffsetkeys.h"
#include "settings/settingsfile.h"

#include <QFileInfo>

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

CdioDiscReader::CdioDiscReader(QString settingsPath, QObject* parent)
    : DiscReader(parent), m_settingsPath(std::move(settingsPath)) {
    connect(&m_watcher, &MediaWatcher::changed, this, &CdioDiscReader::mediaChanged);
}

void CdioDiscReader::initialize() {
    m_drives = CdDriveList::scan(SettingsFile(m_settingsPath));
    m_drive = m_drives.isEmpty() ? -1 : 0;
    if (m_drive >= 0)
        m_watcher.watch(current());
}

void CdioDiscReader::shutdown() {
    m_watcher.stop();
}

void CdioDiscReader::setCurrentDrive(int drive) {
    if (drive < 1 || drive > m_drives.size())
        throw ComponentError(QStringLiteral("There is no CD drive %1.").arg(drive));
    if (drive - 1 == m_drive)
        return;
    m_drive = drive - 1;
    m_watcher.watch(current());
}

const CdDrive& CdioDiscReader::current() const {
    if (m_drive < 0)
        throw ComponentError(QStringLiteral("There is no CD drive."));
    return m_drives[m_drive];
}

std::optional<CdDrive> CdioDiscReader::drive(const QString& id) const {
    for (const CdDrive& drive : m_drives)
        if (drive.path == id)
            return drive;
    return std::nullopt;
}

const DriveIdentity& CdioDiscReader::identity(const CdDrive& drive) {
    auto it = m_identities.find(drive.path);
    if (it == m_identities.end()) {
        const std::unique_ptr<CdDisc> disc = CdDisc::open(drive);
        it = m_identities.insert(drive.path, disc ? disc->identity() : DriveIdentity{});
    }
    return *it;
}

DriveInfo CdioDiscReader::currentDrive() {
    const CdDrive& drive = current();
    const DriveIdentity& id = identity(drive);
    return {drive.path, id.vendor, id.product, id.revision};
}

Disc CdioDiscReader::readDisc() {
    if (m_drive < 0)
        return {};
    const CdDrive& drive = current();
    Disc disc;
    disc.drive = drive.path;
    // A drive that cannot be opened holds no disc we could read.
    DriveState state;
    if (const std::unique_ptr<CdDisc> opened = CdDisc::open(drive)) {
        DiscContents contents = opened->contents();
        for (const CdTrack& track : std::as_const(contents.tracks))
            disc.tracks << DiscTrack{track.start, track.frames, track.audio, track.title,
                                     track.artist};
        if (!contents.isEmpty() && contents.tracks.first().audio)
            disc.hiddenTrack = hiddenAudio(*opened, contents.layout);
        disc.layout = contents.layout;
        disc.album = contents.album;
        disc.artist = contents.artist;
        if (!contents.isEmpty())
            state = {contents.toc().toText(), opened->volume(contents)};
    } else if (drive.isImage && QFileInfo::exists(drive.path)) {
        // An image that is there but refused says why; a missing one is an empty drive.
        disc.error = ImageSheet::check(drive.path).error;
    }
    m_watcher.setKnown(state);
    return disc;
}

QString CdioDiscReader::readOffsetKey(const CdDrive& drive) {
    if (drive.isImage)
        return {};
    const DriveIdentity& id = identity(drive);
    return DriveOffsetKeys::keyFor(id.vendor, id.product);
}

QString CdioDiscReader::readOffsetKey() {
    return m_drive < 0 ? QString() : readOffsetKey(current());
}

int CdioDiscReader::readOffset(const QString& driveId) {
    const std::optional<CdDrive> found = drive(driveId);
    const QString key = found ? readOffsetKey(*found) : QString();
    if (key.isEmpty())
        return 0;
    const int offset = SettingsFile(m_settingsPath)
                           .ini()
                           .readInteger(QLatin1String(DriveOffsetKeys::Section), key, 0);
    return qBound(-DriveOffsetKeys::MaxOffset, offset, DriveOffsetKeys::MaxOffset);
}
