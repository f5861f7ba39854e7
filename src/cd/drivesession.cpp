#include "cd/drivesession.h"

#include "components/iaudiocdgrabber2.h"
#include "components/idrivelayer.h"
#include "settings/applyencodersettings.h"

DriveSession::DriveSession(IAudioCDGrabber2& grabber, IDriveLayer& drives,
                           IFreeDBInformation2& freedb, QObject* parent)
    : QObject(parent), m_grabber(grabber), m_drives(drives), m_freedb(freedb) {
    connect(&m_grabber, &IAudioCDGrabber2::OnMediaChange, this, &DriveSession::mediaChanged);
    connect(&m_grabber, &IAudioCDGrabber2::OnFreeDBQueryStatus, this,
            &DriveSession::onLookupStatus);
    connect(&m_grabber, &IAudioCDGrabber2::OnReleaseChoice, this,
            &DriveSession::releaseChoiceNeeded);
}

QString DriveSession::twoDigits(int n) {
    return n < 10 ? QStringLiteral("0") + QString::number(n) : QString::number(n);
}

int DriveSession::initialize() {
    m_grabber.Initialize();
    return m_grabber.GetDriveCount();
}

QStringList DriveSession::listDrives() {
    m_driveNames.clear();
    const int count = m_grabber.GetDriveCount();
    for (int drive = 1; drive <= count; ++drive) {
        m_grabber.SetCurrentDrive(drive);
        const QString id = m_grabber.GetDriveId();
        const QString vendor = m_grabber.GetDriveVendor();
        const QString product = m_grabber.GetDriveProduct();
        const QString revision = m_grabber.GetDriveRevision();
        m_driveNames << QLatin1Char('[') + id + QStringLiteral("]  ") + vendor +
                            QStringLiteral("  ") + product + QStringLiteral("  ") + revision;
    }
    if (count > 0)
        m_grabber.SetCurrentDrive(1);
    return m_driveNames;
}

void DriveSession::chooseDrive(int index) {
    m_grabber.SetCurrentDrive(index + 1);
}

void DriveSession::applyReadingOptions(const SettingsFile& settings) {
    ApplyCdReadingOptions(settings, m_grabber);
}

bool DriveSession::anyDrive() {
    return !m_drives.CdDrives().isEmpty();
}

bool DriveSession::isAudioCdPresent() {
    for (const QString& drive : m_drives.CdDrives()) {
        QString label;
        if (!m_drives.VolumeLabel(drive, &label))
            return true; // no disc, or a disc without a file system: an audio CD or none
        if (label == QLatin1String("Audio CD"))
            return true;
    }
    return false;
}

bool DriveSession::isAudioCdVolume(const QString& drive) {
    QString label;
    return m_drives.VolumeLabel(drive, &label) && label == QLatin1String("Audio CD");
}

QVector<RowModel::Row> DriveSession::readTrackRows(const QString& target) {
    m_grabber.ReadDisc();
    const int count = m_grabber.GetTrackCount();
    QVector<RowModel::Row> rows;
    for (int i = 0; i < count; ++i) {
        const int n = i + 1;
        m_grabber.SelectTrack(i);
        RowModel::Row row;
        QString title = m_grabber.GetTrackTitle();
        if (title == QStringLiteral("Session1 Track") + QString::number(n))
            title = QStringLiteral("Track") + twoDigits(n);
        const QString artist = m_grabber.GetTrackArtist();
        const QString album = m_grabber.GetTrackAlbum();
        row.tag = {title, artist.isEmpty() ? QStringLiteral("Unknown Artist") : artist,
                   album.isEmpty() ? QStringLiteral("Unknown Album") : album,
                   m_grabber.GetTrackYear()};
        row.caption = title;
        row.time = twoDigits(m_grabber.GetTrackMinutes()) + QLatin1Char(':') +
                   twoDigits(m_grabber.GetTrackSeconds()) + QLatin1Char(':') +
                   QString::number(m_grabber.GetTrackFrames());
        row.target = target;
        row.tick = RowModel::Tick::Ticked;
        rows.append(row);
    }
    return rows;
}

void DriveSession::startLookup() {
    m_grabber.QueryFreeDB(&m_freedb, m_queryFlag);
}

void DriveSession::chooseRelease(int index) {
    m_grabber.ChooseRelease(index);
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
