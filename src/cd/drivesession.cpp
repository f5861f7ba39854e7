#include "cd/drivesession.h"

#include "components/drivelayer.h"
#include "components/trackripper.h"
#include "settings/cdreadingkeys.h"
#include "settings/settingsfile.h"

namespace {

constexpr int FramesPerSecond = CdToc::FramesPerSecond;

} // namespace

void applyCdReadingOptions(const SettingsFile& settings, TrackRipper& ripper) {
    ripper.setReadSettings(ReadSettings::from(settings));
}

DriveSession::DriveSession(DiscReader& reader, TrackRipper& ripper, DiscLookup& lookup,
                           DriveLayer& drives, DiscInformation& information, QObject* parent)
    : QObject(parent), m_reader(reader), m_ripper(ripper), m_lookup(lookup), m_drives(drives),
      m_information(information) {
    connect(&m_reader, &DiscReader::mediaChanged, this, &DriveSession::mediaChanged);
    connect(&m_lookup, &DiscLookup::lookupStatusChanged, this, &DriveSession::onLookupStatus);
    connect(&m_lookup, &DiscLookup::releaseChoiceNeeded, this, &DriveSession::releaseChoiceNeeded);
    connect(&m_lookup, &DiscLookup::coverChanged, this, &DriveSession::coverChanged);
}

QString DriveSession::twoDigits(int n) {
    return n < 10 ? QStringLiteral("0") + QString::number(n) : QString::number(n);
}

int DriveSession::initialize() {
    m_reader.initialize();
    return m_reader.driveCount();
}

QStringList DriveSession::listDrives() {
    m_driveNames.clear();
    const int count = m_reader.driveCount();
    for (int drive = 1; drive <= count; ++drive) {
        m_reader.setCurrentDrive(drive);
        const DriveInfo info = m_reader.currentDrive();
        m_driveNames << QLatin1Char('[') + info.id + QStringLiteral("]  ") + info.vendor +
                            QStringLiteral("  ") + info.product + QStringLiteral("  ") +
                            info.revision;
    }
    if (count > 0)
        m_reader.setCurrentDrive(1);
    return m_driveNames;
}

void DriveSession::chooseDrive(int index) {
    m_reader.setCurrentDrive(index + 1);
}

void DriveSession::applyReadingOptions(const SettingsFile& settings) {
    applyCdReadingOptions(settings, m_ripper);
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

RowTag DriveSession::trackTag(const Disc& disc, const std::optional<DiscRecord>& record,
                              int track) {
    const bool hidden = track == Disc::HiddenTrack;
    const DiscTrack text = hidden ? DiscTrack{} : disc.tracks.value(track);
    RowTag tag;
    tag.title = record ? record->title(track) : QString();
    if (tag.title.isEmpty())
        tag.title = text.title;
    // A name that is only the drive's own placeholder is as good as none.
    if (tag.title.isEmpty() || tag.title == QStringLiteral("Session1 Track%1").arg(track + 1))
        tag.title = hidden ? QStringLiteral("Hidden Track")
                           : QStringLiteral("Track") + twoDigits(track + 1);
    tag.artist = record ? record->trackArtist(track) : QString();
    if (tag.artist.isEmpty())
        tag.artist = text.artist.isEmpty() ? disc.artist : text.artist;
    if (tag.artist.isEmpty())
        tag.artist = QStringLiteral("Unknown Artist");
    tag.album = record && !record->album.isEmpty() ? record->album : disc.album;
    if (tag.album.isEmpty())
        tag.album = QStringLiteral("Unknown Album");
    tag.year = record ? record->year : QString();
    return tag;
}

QVector<DiscTrackRow> DriveSession::readTrackRows() {
    m_disc = m_reader.readDisc();
    const std::optional<DiscRecord> record = m_lookup.found(m_disc.toc());
    const int count = int(m_disc.tracks.size());
    const bool hidden = count > 0 && m_hiddenTrack && m_disc.hiddenTrack;
    QVector<DiscTrackRow> rows;
    for (int i = hidden ? Disc::HiddenTrack : 0; i < count;
         i = i == Disc::HiddenTrack ? 0 : i + 1) {
        DiscTrackRow row;
        row.track = i;
        row.tag = trackTag(m_disc, record, i);
        row.caption = row.tag.title;
        const int frames = m_disc.range(i).frames;
        row.time = twoDigits(frames / FramesPerSecond / 60) + QLatin1Char(':') +
                   twoDigits(frames / FramesPerSecond % 60) + QLatin1Char(':') +
                   QString::number(frames % FramesPerSecond);
        if (i >= 0 && i < m_disc.layout.tracks.size() && m_disc.layout.tracks[i].preEmphasis)
            row.statusDetail = tr("Mastered with pre-emphasis (PRE)");
        rows.append(row);
    }
    return rows;
}

NamedDisc DriveSession::namedDisc() {
    return name(m_disc, m_reader.driveCount() > 0 ? m_reader.currentDrive() : DriveInfo{},
                m_lookup.found(m_disc.toc()));
}

NamedDisc DriveSession::name(Disc disc, DriveInfo drive, const std::optional<DiscRecord>& record) {
    NamedDisc named;
    for (int i = 0; i < disc.tracks.size(); ++i)
        named.tags << trackTag(disc, record, i);
    named.disc = std::move(disc);
    named.drive = std::move(drive);
    named.found = record.value_or(DiscRecord{});
    return named;
}

CoverArt DriveSession::cover() const {
    const std::optional<DiscRecord> record = m_lookup.found(m_disc.toc());
    return record ? record->cover : CoverArt{};
}

void DriveSession::startLookup() {
    if (m_disc.isEmpty())
        m_disc = m_reader.readDisc();
    m_lookup.lookUpDisc(m_disc.layout, m_information);
}

void DriveSession::chooseRelease(int index) {
    m_lookup.chooseRelease(index);
}

void DriveSession::openStatusWindow() {
    m_statusLines.clear();
    emit statusWindowOpened();
}

QStringList DriveSession::statusTexts(LookupStatus status, LookupService service, int releases) {
    if (service == LookupService::MusicBrainz) {
        switch (status) {
        case LookupStatus::Connecting:
            return {tr("Connecting to MusicBrainz...")};
        case LookupStatus::Querying:
            return {releases == 1 ? tr("MusicBrainz: 1 release found")
                                  : tr("MusicBrainz: %1 releases found").arg(releases)};
        case LookupStatus::Loaded:
            return {tr("MusicBrainz information loaded"),
                    QStringLiteral("Refresh CD information...")};
        case LookupStatus::ConnectionFailed:
            return {tr("Connection to MusicBrainz failed!")};
        case LookupStatus::NoEntry:
            return {tr("No MusicBrainz information available for this CD!")};
        }
        return {};
    }
    switch (status) {
    case LookupStatus::Connecting:
        return {QStringLiteral("Connecting to  server...")};
    case LookupStatus::Querying:
        return {QStringLiteral("Quering for album entry...")};
    case LookupStatus::Loaded:
        return {QStringLiteral("FreeDB information loaded"),
                QStringLiteral("Refresh CD information...")};
    case LookupStatus::ConnectionFailed:
        return {QStringLiteral("Connection failed!")};
    case LookupStatus::NoEntry:
        return {QStringLiteral("No FreeDB information available for this CD!")};
    }
    return {};
}

void DriveSession::onLookupStatus(LookupStatus status, LookupService service, int releases) {
    const QStringList lines = statusTexts(status, service, releases);
    for (const QString& line : lines) {
        m_statusLines << line;
        emit statusLineAdded(line);
    }
    if (status == LookupStatus::Loaded)
        emit lookupLoaded();
}
