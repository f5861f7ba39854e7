#include "cli/ripcommand.h"

#include "cd/databaselookup.h"
#include "cd/drivesession.h"
#include "cd/musicbrainz.h"
#include "cd/storeddiscinformation.h"
#include "cli/clioptions.h"
#include "cli/console.h"
#include "cli/jobrunner.h"
#include "cli/runsettings.h"
#include "components/cdio/cddisc.h"
#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdioripper.h"
#include "components/cdio/imagesheet.h"
#include "settings/settingsfile.h"

#include <exception>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString samePath(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

bool isImageName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("cue") || suffix == QLatin1String("toc") ||
           suffix == QLatin1String("nrg");
}

// The disc reader knows the drives its settings file lists. An image the user's
// settings do not name goes into a settings file of its own, so that the
// user's file is never written.
struct DriveChoice {
    QString readerSettings;
    CdDrive drive;
    int index = -1; // 0-based in the reader's list
    QString error;
};

DriveChoice chooseDrive(const QString& wanted, const SettingsFile& settings,
                        const QTemporaryDir& scratch) {
    DriveChoice choice;
    choice.readerSettings = settings.path();
    QVector<CdDrive> drives = CdDriveList::scan(settings);
    if (wanted.isEmpty()) {
        if (drives.isEmpty())
            choice.error = QStringLiteral("No CD drive was found.");
        else
            choice = {settings.path(), drives.front(), 0, {}};
        return choice;
    }
    const QString path = samePath(wanted);
    for (int i = 0; i < drives.size(); ++i)
        if (samePath(drives[i].path) == path)
            return {settings.path(), drives[i], i, {}};
    if (!QFileInfo::exists(wanted)) {
        choice.error = QStringLiteral("There is no such drive or disc image.");
        return choice;
    }
    if (!isImageName(wanted)) {
        choice.error = QStringLiteral("This is neither a CD drive nor a .cue, .toc or .nrg image.");
        return choice;
    }
    choice.readerSettings = scratch.filePath(QLatin1String(SettingsFile::FileName));
    SettingsFile own(choice.readerSettings);
    own.ini().writeString(QLatin1String(CdDriveList::Section),
                          QLatin1String(CdDriveList::ImageKeyPrefix) + QLatin1Char('1'), path);
    drives = CdDriveList::scan(own);
    for (int i = 0; i < drives.size(); ++i)
        if (drives[i].isImage && samePath(drives[i].path) == path)
            return {choice.readerSettings, drives[i], i, {}};
    choice.error = QStringLiteral("The disc image cannot be opened.");
    return choice;
}

// The settings' own lookup, but in the one database the command line names.
class OneDatabase : public StoredDiscInformation {
public:
    OneDatabase(const QString& settingsPath, Databases database)
        : StoredDiscInformation(settingsPath), m_database(database) {}
    Databases lookupDatabases() const override { return m_database; }

private:
    Databases m_database;
};

// Runs the lookup as the window's FreeDB button does and waits for its
// outcome: the record loaded, or a line that says there is none. Of several
// releases, release (from 1) is taken, the first by default.
bool lookUp(DriveSession& session, Console& console, int release) {
    QEventLoop loop;
    bool loaded = false;
    QStringList endings;
    for (LookupService service : {LookupService::FreeDb, LookupService::MusicBrainz})
        endings << DriveSession::statusTexts(LookupStatus::ConnectionFailed, service)
                << DriveSession::statusTexts(LookupStatus::NoEntry, service);
    QObject::connect(&session, &DriveSession::statusLineAdded, &loop, [&](const QString& line) {
        console.note(line);
        if (endings.contains(line))
            loop.quit();
    });
    QObject::connect(&session, &DriveSession::lookupLoaded, &loop, [&] {
        loaded = true;
        loop.quit();
    });
    QObject::connect(
        &session, &DriveSession::releaseChoiceNeeded, &loop, [&](const QStringList& releases) {
            for (int i = 0; i < releases.size(); ++i)
                console.note(QStringLiteral("Release %1: %2").arg(i + 1).arg(releases[i]));
            const int chosen = qMax(release, 1);
            if (chosen > releases.size())
                console.note(QStringLiteral("There is no release %1; the names stay.").arg(chosen));
            session.chooseRelease(chosen <= releases.size() ? chosen - 1 : -1);
        });
    session.startLookup();
    loop.exec();
    return loaded;
}

// "03:25:40" (minutes, seconds, frames) -> "03:25".
QString minutesSeconds(const QString& time) {
    return time.section(QLatin1Char(':'), 0, 1);
}

} // namespace

int ripDisc(const CliOptions& options, const SettingsFile& settings, Console& console) {
    const QString wanted = options.inputs.value(0);
    QTemporaryDir scratch;
    const DriveChoice choice = chooseDrive(wanted, settings, scratch);
    const QString driveName = wanted.isEmpty() ? choice.drive.path : wanted;
    if (!choice.error.isEmpty()) {
        console.failed(wanted.isEmpty() ? QStringLiteral("--cd") : wanted, choice.error);
        return 1;
    }

    const RunSettings run = RunSettings::from(options, settings);
    CdioDiscReader reader(choice.readerSettings);
    reader.setMediaPollInterval(24 * 3600 * 1000); // a run reads one disc; no changes to watch
    CdioRipper ripper(reader);
    DatabaseLookup lookup;
    CdioDriveLayer drives(choice.readerSettings);
    OneDatabase freedb(settings.path(), options.musicBrainz
                                            ? DiscInformation::Databases::MusicBrainz
                                            : DiscInformation::Databases::FreeDb);
    DriveSession session(reader, ripper, lookup, drives, freedb);
    QVector<DiscTrackRow> tracks;
    try {
        session.initialize();
        session.chooseDrive(choice.index);
        session.applyReadingOptions(settings);
        if (options.noHiddenTrack)
            session.setHiddenTrack(false);
        tracks = session.readTrackRows();
        if ((options.freedb || options.musicBrainz) && !tracks.isEmpty() &&
            lookUp(session, console, options.release)) {
            tracks = session.readTrackRows();
            // The cover goes into every file: the rip waits for it.
            if (lookup.isCoverPending()) {
                QEventLoop loop;
                QObject::connect(&lookup, &DiscLookup::coverChanged, &loop, &QEventLoop::quit);
                loop.exec();
            }
            const QString coverNote = session.namedDisc().found.coverNote;
            if (!coverNote.isEmpty())
                console.note(QStringLiteral("No cover: %1").arg(coverNote));
        }
    } catch (const std::exception& e) {
        console.failed(driveName, QString::fromUtf8(e.what()));
        return 1;
    }
    if (tracks.isEmpty()) {
        // An image our own checks refused says why; anything else is an empty drive.
        const QString refused =
            choice.drive.isImage ? ImageSheet::check(choice.drive.path).error : QString();
        console.failed(driveName, refused.isEmpty()
                                      ? QStringLiteral("There is no audio CD in the drive.")
                                      : refused);
        return 1;
    }
    for (int track : options.tracks)
        if (track > session.disc().tracks.size()) {
            console.failed(driveName, QStringLiteral("The disc has no track %1; it has %2.")
                                          .arg(track)
                                          .arg(session.disc().tracks.size()));
            return 2;
        }

    if (options.list) {
        const AccurateRipId id = session.disc().layout.accurateRipId();
        console.result(QStringLiteral("FreeDB ID: %1").arg(id.freedb, 8, 16, QLatin1Char('0')));
        console.result(QStringLiteral("AccurateRip ID: %1")
                           .arg(id.isValid() ? id.text() : QStringLiteral("none")));
        const MbDiscId mb = MbDiscId::fromLayout(session.disc().layout);
        console.result(QStringLiteral("MusicBrainz disc ID: %1")
                           .arg(mb.isValid() ? mb.id : QStringLiteral("none")));
        for (int i = 0; i < tracks.size(); ++i)
            console.result(QStringList{DriveSession::twoDigits(Disc::number(tracks[i].track)),
                                       minutesSeconds(tracks[i].time), tracks[i].tag.title,
                                       tracks[i].tag.artist}
                               .join(QLatin1Char('\t')));
        return 0;
    }

    // --tracks names the disc's tracks; a hidden track comes with all of them.
    QVector<int> chosen;
    for (int track : options.tracks)
        for (int i = 0; i < tracks.size(); ++i)
            if (tracks[i].track == track - 1)
                chosen << i;
    if (options.tracks.isEmpty())
        for (int i = 0; i < tracks.size(); ++i)
            chosen << i;
    QVector<JobRow> rows;
    QStringList sources;
    for (int index : chosen) {
        const DiscTrackRow& found = tracks[index];
        rows << jobRow(rows.size(), found, run.format);
        sources << QStringLiteral("%1 track %2")
                       .arg(driveName, DriveSession::twoDigits(Disc::number(found.track)));
    }
    if (options.image && run.format != FormatFlac && run.format != FormatWav) {
        console.failed(driveName,
                       QStringLiteral("--image makes one FLAC or WAV file; give -f flac or "
                                      "-f wav."));
        return 2;
    }
    JobRequest request = run.request;
    request.rows = rows;
    const std::unique_ptr<Job> job = setUpJob(std::move(request), settings, &session);
    if (job->rows().size() == 1 && job->rows().front().track == Disc::WholeDisc)
        sources = {QStringLiteral("%1 (the whole disc)").arg(driveName)};
    JobRunner runner(console, sources);
    runner.setRequireAccurate(options.requireAccurate);
    return runner.run(*job) > 0 ? 1 : 0;
}
