#include "cd/drivesession.h"

#include "components/cdgrabber.h"
#include "components/drivelayer.h"
#include "settings/cdreadingkeys.h"
#include "settings/settingsfile.h"

void applyCdReadingOptions(const SettingsFile& settings, CdGrabber& grabber) {
    using namespace CdReadingKeys;
    grabber.setReadMode(settings.readPosition(ModeForGrabber, ModeCount));
    grabber.setRetryCount(settings.readInRange(RetriesForGrabber, RetriesMin, RetriesMax));
    grabber.setErrorAction(settings.readPosition(ErrorAction, ErrorActionCount));
}

DriveSession::DriveSession(CdGrabber& grabber, DriveLayer& drives, DiscInfoLookup& freedb,
                           QObject* parent)
    : QObject(parent), m_grabber(grabber), m_drives(drives), m_freedb(freedb) {
    connect(&m_grabber, &CdGrabber::onMediaChange, this, &DriveSession::mediaChanged);
    connect(&m_grabber, &CdGrabber::onFreeDBQueryStatus, this, &DriveSession::onLookupStatus);
    connect(&m_grabber, &CdGrabber::onReleaseChoice, this, &DriveSession::releaseChoiceNeeded);
}

QString DriveSession::twoDigits(int n) {
    return n < 10 ? QStringLiteral("0") + QString::number(n) : QString::number(n);
}

int DriveSession::initialize() {
    m_grabber.initialize();
    return m_grabber.getDriveCount();
}

QStringList DriveSession::listDrives() {
    m_driveNames.clear();
    const int count = m_grabber.getDriveCount();
    for (int drive = 1; drive <= count; ++drive) {
        m_grabber.setCurrentDrive(drive);
        const QString id = m_grabber.getDriveId();
        const QString vendor = m_grabber.getDriveVendor();
        const QString product = m_grabber.getDriveProduct();
        const QString revision = m_grabber.getDriveRevision();
        m_driveNames << QLatin1Char('[') + id + QStringLiteral("]  ") + vendor +
                            QStringLiteral("  ") + product + QStringLiteral("  ") + revision;
    }
    if (count > 0)
        m_grabber.setCurrentDrive(1);
    return m_driveNames;
}

void DriveSession::chooseDrive(int index) {
    m_grabber.setCurrentDrive(index + 1);
}

void DriveSession::applyReadingOptions(const SettingsFile& settings) {
    applyCdReadingOptions(settings, m_grabber);
    m_hiddenTrack = settings.read(CdReadingKeys::HiddenTrack);
}

bool DriveSession::anyDrive() {
    return !m_drives.cdDrives().isEmpty();
}

bool DriveSession::isAudioCdPresent() {
    for (const QString& drive : m_drives.cdDrives()) {
        QString label;
        if (!m_drives.volumeLabel(drive, &label))
            return true; // no disc, or a disc without a file system: an audio CD or none
        if (label == QLatin1String("Audio CD"))
            return true;
    }
    return false;
}

bool DriveSession::isAudioCdVolume(const QString& drive) {
    QString label;
    return m_drives.volumeLabel(drive, &label) && label == QLatin1String("Audio CD");
}

QVector<RowModel::Row> DriveSession::readTrackRows(const QString& target) {
    m_grabber.readDisc();
    const int count = m_grabber.getTrackCount();
    QVector<RowModel::Row> rows;
    const bool hidden = count > 0 && m_hiddenTrack && m_grabber.hasHiddenTrack();
    const DiscLayout layout = m_grabber.getDiscLayout();
    for (int i = hidden ? CdGrabber::HiddenTrack : 0; i < count;
         i = i == CdGrabber::HiddenTrack ? 0 : i + 1) {
        const int n = i + 1;
        m_grabber.selectTrack(i);
        RowModel::Row row;
        row.track = i;
        QString title = m_grabber.getTrackTitle();
        if (title == QStringLiteral("Session1 Track") + QString::number(n))
            title = QStringLiteral("Track") + twoDigits(n);
        const QString artist = m_grabber.getTrackArtist();
        const QString album = m_grabber.getTrackAlbum();
        row.tag = {title, artist.isEmpty() ? QStringLiteral("Unknown Artist") : artist,
                   album.isEmpty() ? QStringLiteral("Unknown Album") : album,
                   m_grabber.getTrackYear()};
        row.caption = title;
        row.time = twoDigits(m_grabber.getTrackMinutes()) + QLatin1Char(':') +
                   twoDigits(m_grabber.getTrackSeconds()) + QLatin1Char(':') +
                   QString::number(m_grabber.getTrackFrames());
        row.target = target;
        row.tick = RowModel::Tick::Ticked;
        // The row's tooltip says so until a job gives it a status of its own.
        if (i >= 0 && i < layout.tracks.size() && layout.tracks[i].preEmphasis)
            row.statusDetail = tr("Mastered with pre-emphasis (PRE)");
        rows.append(row);
    }
    return rows;
}

void DriveSession::startLookup() {
    m_grabber.queryFreeDB(&m_freedb, m_queryFlag);
}

void DriveSession::chooseRelease(int index) {
    m_grabber.chooseRelease(index);
}

void DriveSession::openStatusWindow() {
    m_statusLines.clear();
    emit statusWindowOpened();
}

QStringList DriveSession::statusTexts(int status) {
    switch (status) {
    case 1:
        return {QStringLiteral("Connecting to  server...")};
    case 2:
        return {QStringLiteral("Quering for album entry...")};
    case 3:
        return {QStringLiteral("FreeDB information loaded"),
                QStringLiteral("Refresh CD information...")};
    case -1:
        return {QStringLiteral("Connection failed!")};
    case -2:
        return {QStringLiteral("No FreeDB information available for this CD!")};
    default:
        return {};
    }
}

void DriveSession::onLookupStatus(int status) {
    const QStringList lines = statusTexts(status);
    for (const QString& line : lines) {
        m_statusLines << line;
        emit statusLineAdded(line);
    }
    if (status == 3)
        emit lookupLoaded();
}
