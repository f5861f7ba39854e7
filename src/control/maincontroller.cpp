#include "control/maincontroller.h"

#include "control/filelistcontrol.h"
#include "control/jobcontrol.h"
#include "control/previewcontrol.h"
#include "filelist/formatswitch.h"
#include "jobs/ripcheck.h"
#include "platform/shell.h"
#include "platform/userprompt.h"
#include "settings/drivekeys.h"
#include "settings/mainkeys.h"
#include "settings/settingsfile.h"

#include <cstdio>
#include <exception>
#include <QPointer>
#include <QScopedValueRollback>
#include <utility>

MainController::MainController(AudioComponentSet& components, UserPrompt& prompt, Shell& shell,
                               QString settingsPath, QString programFolder, QObject* parent)
    : QObject(parent), m_components(components), m_prompt(prompt), m_shell(shell),
      m_settingsPath(std::move(settingsPath)), m_programFolder(std::move(programFolder)),
      m_selection(&m_rows),
      m_drives(*components.discReader, *components.trackRipper, *components.discLookup,
               *components.driveLayer, *components.discInformation),
      m_commands(m_state, *this),
      m_preview(std::make_unique<PreviewControl>(*components.audioPlayer, m_drives, m_state, m_rows,
                                                 [this] { return int(m_options.function); })),
      m_jobs(std::make_unique<JobControl>(m_state, m_rows, m_drives, prompt, shell)) {
    m_options.outputPath = defaultOutputPath();
    m_errorHandler = [](const QString& message) {
        std::fprintf(stderr, "Orvelle: %s\n", qPrintable(message));
    };
    connect(&m_drives, &DriveSession::mediaChanged, this,
            [this] { run([this] { onMediaChange(); }); });
    connect(&m_drives, &DriveSession::lookupLoaded, this,
            [this] { run([this] { refreshTrackTable(); }); });
    PreviewController& preview = m_preview->preview();
    connect(&preview, &PreviewController::previewStarted, this, [this](int row) {
        if (row >= 0 && row < m_rows.count())
            showTag(m_rows.tag(row));
    });
    connect(&preview, &PreviewController::previewFailed, this,
            [this](const QString& message) { m_prompt.information(message); });
    m_fileList = std::make_unique<FileListControl>(*this, prompt, shell, helpFileUrl());
    connect(m_jobs.get(), &JobControl::controlsEnabled, this, &MainController::controlsEnabled);
    connect(m_jobs.get(), &JobControl::rowStarted, this, [this](int row) {
        if (row >= 0 && row < m_rows.count())
            showTag(m_rows.tag(row));
    });
    connect(m_jobs.get(), &JobControl::ended, this, [this] { run([this] { jobEnded(); }); });
}

MainController::~MainController() = default;

void MainController::setErrorHandler(std::function<void(const QString&)> handler) {
    m_errorHandler = std::move(handler);
}

void MainController::run(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        m_errorHandler(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        m_errorHandler(QStringLiteral("unknown error"));
    }
}

// ---------------------------------------------------------------- start-up and close

void MainController::start() {
    m_state = MainState();
    m_settings = std::make_unique<SettingsFile>(m_settingsPath);
    m_options = MainOptions::load(*m_settings);
    m_state.lastFormat = m_options.format;
    emit optionsChanged();
    fillRmCodecList();

    // A machine without any CD drive has no disc to take out; the drive
    // question tells that user what matters.
    if (m_drives.anyDrive() && !m_drives.isAudioCdPresent())
        m_prompt.information(QLatin1String(DataDiscAtStart));

    detectDrives();
    m_drives.applyReadingOptions(*m_settings);

    if (m_options.function != CdRipper) {
        chooseFunction(m_options.function);
    } else if (!m_drives.driveNames().isEmpty()) {
        refreshTrackTable();
        startFreeDbLookup();
    }

    m_started = true;
    const QStringList waiting = std::exchange(m_startupPaths, {});
    addFilesFromCommandLine(waiting);
}

void MainController::addFilesFromCommandLine(const QStringList& paths) {
    if (!m_started) {
        m_startupPaths += paths;
        return;
    }
    m_fileList->addPaths(paths);
}

namespace {

void rememberNoDriveAsked(SettingsFile& settings, bool asked) {
    // Only a convenience: a settings file that refuses it means the question
    // comes again, which is no reason to stop the start.
    try {
        settings.write(DriveKeys::NoDriveAsked, asked);
    } catch (const IniWriteError&) {
    }
}

// Most machines have no CD drive: the question about it comes once, and
// again only after a drive has been seen in between.
bool noDriveQuestionDue(SettingsFile& settings, int driveCount) {
    const bool asked = settings.read(DriveKeys::NoDriveAsked);
    if (driveCount <= 0)
        return !asked;
    if (asked)
        rememberNoDriveAsked(settings, false);
    return false;
}

// The disc's tracks as ticked rows of the list, aimed at target.
QVector<RowModel::Row> trackRows(const QVector<DiscTrackRow>& tracks, const QString& target) {
    QVector<RowModel::Row> rows;
    for (const DiscTrackRow& track : tracks) {
        RowModel::Row row;
        row.track = track.track;
        row.tag = track.tag;
        row.caption = track.caption;
        row.time = track.time;
        row.statusDetail = track.statusDetail;
        row.target = target;
        row.tick = RowModel::Tick::Ticked;
        rows << row;
    }
    return rows;
}

} // namespace

void MainController::detectDrives() {
    const int count = m_drives.initialize();
    if (noDriveQuestionDue(*m_settings, count)) {
        const bool download =
            m_prompt.question(QLatin1String(NoDriveQuestion), UserPrompt::Default::No);
        rememberNoDriveAsked(*m_settings, true);
        if (download)
            m_shell.openUrl(helpFileUrl().resolved(QUrl(QStringLiteral("#cd-access"))));
    }
    // Most machines have no drive today; the converter works without one.
    if (count > 0)
        m_drives.listDrives();
    emit drivesChanged();
}

void MainController::fillRmCodecList() {
    RmWriter* video = m_components.rmWriter.get();
    m_rmCodecNames.clear();
    const int count = video->getRmCodecCount();
    for (int i = 1; i <= count; ++i)
        m_rmCodecNames << video->getRmCodecName(i);
}

void MainController::close() {
    // Files still waiting would be tested for a list nobody sees.
    m_fileList->cancel();
    // A running job reads settings as it goes: stop it before they are released.
    if (m_state.jobRunning)
        stopJob();
    if (m_state.playbackActive)
        stopPreview();
    if (!m_settings)
        return;
    const std::unique_ptr<SettingsFile> settings = std::move(m_settings);
    m_options.save(*settings);
}

// ---------------------------------------------------------------- the window's controls

void MainController::chooseFunction(FunctionMode mode) {
    // The rows the preview plays are about to go.
    if (m_state.playbackActive)
        stopPreview();
    const FunctionSwitch effect = switchFunction(mode);
    m_options.function = mode;
    emit optionsChanged();
    // The files still waiting to be tested belong to the list being emptied.
    m_fileList->cancel();
    if (effect.clearRows)
        m_rows.clear();
    m_state.currentRow = effect.currentRow;
    if (effect.readDiscAndLookUp) {
        refreshTrackTable();
        startFreeDbLookup();
    }
}

void MainController::chooseFormat(int index) {
    FormatChoice choice(m_state.lastFormat);
    const FormatChoice::Outcome outcome = choice.choose(index);
    if (index != FormatSet && outcome.format != index)
        return; // not an item of the group
    if (outcome.showSettings)
        showSettingsDialog();
    // After 'SET' the last real format is chosen again, which retargets every row too.
    m_options.format = static_cast<OutputFormat>(outcome.format);
    m_state.lastFormat = outcome.format;
    m_rows.setAllTargets(outcome.target);
    emit optionsChanged();
}

void MainController::chooseFolderScheme(FolderScheme scheme) {
    m_options.folderScheme = scheme;
}

void MainController::setOutputPath(const QString& path) {
    m_options.outputPath = path;
}

void MainController::chooseOutputFolder() {
    const QString folder =
        m_prompt.chooseFolder(UserPrompt::FolderLayout::OutputFolder, m_options.outputPath);
    if (folder.isEmpty())
        return;
    m_options.outputPath = folder;
    emit optionsChanged();
}

void MainController::chooseDrive(int index) {
    m_drives.chooseDrive(index);
    refreshTrackTable();
    startFreeDbLookup();
}

void MainController::selectRows(const QList<int>& rows) {
    m_selection.clearSelection();
    for (int row : rows)
        m_selection.select(m_rows.index(row, 0),
                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!rows.isEmpty())
        m_selection.setCurrentIndex(m_rows.index(rows.first(), 0), QItemSelectionModel::NoUpdate);
}

QList<int> MainController::selectedRows() const {
    QList<int> rows;
    for (int row = 0; row < m_rows.count(); ++row)
        if (m_selection.isRowSelected(row))
            rows << row;
    return rows;
}

int MainController::selectedRow() const {
    const QList<int> rows = selectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

void MainController::showRowTags() {
    if (m_state.playbackActive || m_state.jobRunning)
        return;
    const int row = selectedRow();
    if (row < 0)
        return;
    m_state.currentRow = row;
    showTag(m_rows.tag(row));
}

void MainController::showTag(const RowTag& tag) {
    m_shownTag = tag;
    emit tagShown(tag);
}

void MainController::storeTag(RowTagField field, const QString& text) {
    m_rows.storeTag(field, text, selectedRows());
}

void MainController::storeTagInAllRows(RowTagField field, const QString& text) {
    m_rows.storeTagInAllRows(field, text);
}

void MainController::setRowTarget(int row, const QString& target) {
    m_rows.setTarget(row, target);
}

// ---------------------------------------------------------------- CD

bool MainController::cdCommandAllowed() {
    if (m_options.function == Converter) {
        m_prompt.information(QLatin1String(CdRipperOnly));
        return false;
    }
    if (!m_drives.isAudioCdPresent()) {
        m_prompt.information(QLatin1String(NotAudioCd));
        return false;
    }
    return true;
}

void MainController::refreshTrackTable() {
    if (!cdCommandAllowed())
        return;
    rebuildTrackTable();
}

void MainController::rebuildTrackTable() {
    // A lookup or a disc change that arrives while the rows are read (a
    // component may let the event loop run) rebuilds once the first build is
    // in place, instead of interleaving two builds into one table.
    if (m_building) {
        m_rebuildPending = true;
        return;
    }
    // The running job writes its progress into these rows.
    if (m_state.jobRunning) {
        m_rebuildAfterJob = true;
        return;
    }
    // A track that plays on is read from the disc the rebuild reads again,
    // and its row is about to be replaced.
    if (m_state.playbackActive)
        stopPreview();
    {
        const QScopedValueRollback building(m_building, true);
        do {
            m_rebuildPending = false;
            m_rows.setRows(trackRows(m_drives.readTrackRows(), formatText(m_options.format)));
        } while (m_rebuildPending);
    }
    if (m_rows.count() == 0) {
        m_state.currentRow = -1;
        // A disc image Orvelle refuses says why, once for each reason.
        const QString refused = m_drives.disc().error;
        if (!refused.isEmpty() && refused != m_lastDiscError)
            m_prompt.information(refused);
        m_lastDiscError = refused;
        return;
    }
    m_lastDiscError.clear();
    if (selectedRows().isEmpty())
        selectRows({0});
    m_state.currentRow = selectedRow();
    if (m_state.currentRow >= 0)
        showTag(m_rows.tag(m_state.currentRow));
}

void MainController::onMediaChange() {
    if (m_options.function == Converter)
        return;
    if (m_state.jobRunning) {
        m_mediaChangedInJob = true;
        return;
    }
    if (m_drives.isAudioCdPresent()) {
        refreshTrackTable();
        startFreeDbLookup();
    } else {
        m_prompt.information(QLatin1String(NotAudioCd));
    }
}

void MainController::startFreeDbLookup() {
    if (!cdCommandAllowed())
        return;
    if (m_state.showFreeDbWindow)
        m_drives.openStatusWindow();
    m_drives.startLookup();
}

void MainController::applyReadingOptions() {
    if (m_settings)
        m_drives.applyReadingOptions(*m_settings);
}

DriveOffsetAccess MainController::driveOffsetAccess() {
    DriveOffsetAccess offsets;
    offsets.key = [this] { return m_drives.reader().readOffsetKey(); };
    offsets.driveName = [this] {
        const DriveInfo drive = m_drives.reader().currentDrive();
        return QStringLiteral("%1 %2").arg(drive.vendor, drive.product);
    };
    offsets.find = [this](DriveOffsetAccess::Found found, DriveOffsetAccess::Progress progress) {
        if (!m_settings) {
            found(std::nullopt, QStringLiteral("The settings file is closed."));
            return DriveOffsetAccess::Cancel();
        }
        const RipCheckSettings check = RipCheckSettings::from(*m_settings);
        auto* finder = new OffsetFinder(m_drives.ripper(), m_drives.disc(), check.server,
                                        check.cacheRoot, this);
        connect(finder, &OffsetFinder::progress, this, progress);
        connect(finder, &OffsetFinder::finished, this,
                [finder, found](std::optional<int> offset, const QString& text) {
                    finder->deleteLater();
                    found(offset, text);
                });
        finder->start();
        return DriveOffsetAccess::Cancel([held = QPointer<OffsetFinder>(finder)] {
            if (held) {
                held->cancel();
                held->deleteLater();
            }
        });
    };
    return offsets;
}

void MainController::retryFreeDbLookup() {
    m_drives.startLookup();
}

// ---------------------------------------------------------------- list commands

void MainController::startJob() {
    if (m_state.jobRunning || m_rows.count() == 0)
        return;
    if (m_state.playbackActive) {
        m_prompt.information(QLatin1String(StopPlayingFirst));
        return;
    }
    if (m_options.outputPath.trimmed().isEmpty()) {
        m_prompt.information(QLatin1String(NoOutputFolder));
        return;
    }
    JobRequest request;
    request.function = FunctionMode(m_options.function);
    request.outputFolder = m_options.outputPath;
    request.scheme = m_options.folderScheme;
    request.mp3CommandLine = [this] { return mp3CommandLine(); };
    m_jobs->start(std::move(request), *m_settings);
}

void MainController::stopJob() {
    m_jobs->stop();
}

void MainController::interruptJob() {
    m_jobs->interrupt();
}

void MainController::jobEnded() {
    if (m_mediaChangedInJob) {
        m_mediaChangedInJob = false;
        m_rebuildAfterJob = false;
        onMediaChange();
    } else if (m_rebuildAfterJob) {
        m_rebuildAfterJob = false;
        if (m_options.function == CdRipper)
            rebuildTrackTable();
    }
    // The tag edits showed the rows as they were processed; they show the
    // current row again, so that leaving an edit stores nothing into it by mistake.
    if (m_state.currentRow >= 0 && m_state.currentRow < m_rows.count())
        showTag(m_rows.tag(m_state.currentRow));
}

void MainController::setSettingsDialogHooks(SettingsDialogHooks hooks) {
    m_settingsDialog = std::move(hooks);
}

QString MainController::mp3CommandLine() const {
    return m_settingsDialog.commandLine ? m_settingsDialog.commandLine() : QString();
}

void MainController::showSettingsDialog() {
    // The dialog edits the settings file: never during a job, and not once
    // the file is released at close.
    if (m_state.jobRunning || !m_settings || !m_settingsDialog.show)
        return;
    m_settingsDialog.show();
}

void MainController::addFiles() {
    m_fileList->addFiles();
}

void MainController::addFolder() {
    m_fileList->addFolder();
}

void MainController::dropPaths(const QStringList& paths) {
    m_fileList->addDropped(paths);
}

bool MainController::takesDrop(const QStringList& paths) const {
    return m_options.function == Converter && !m_state.jobRunning && !paths.isEmpty();
}

void MainController::removeSelectedRows() {
    m_fileList->removeSelectedRows();
}

void MainController::clearList() {
    m_fileList->clearRows();
}

void MainController::tickAllRows(bool ticked) {
    // A running rip reads the ticks as it goes.
    if (!m_state.jobRunning)
        m_rows.tickAll(ticked);
}

// ---------------------------------------------------------------- preview

void MainController::playOrPause() {
    if (m_state.currentRow == -1 || m_state.jobRunning)
        return;
    const int selected = selectedRow();
    if (selected >= 0 && selected != m_state.currentRow)
        showRowTags();
    m_preview->playOrPause();
}

void MainController::stopPreview() {
    m_preview->preview().stopPreview();
}

void MainController::previewPreviousRow() {
    m_preview->preview().previewPreviousRow();
}

void MainController::previewNextRow() {
    m_preview->preview().previewNextRow();
}

void MainController::stepBack() {
    m_preview->preview().stepBack();
}

void MainController::stepForward() {
    m_preview->preview().stepForward();
}

void MainController::sliderPressed() {
    m_preview->sliderPressed();
}

void MainController::sliderReleased() {
    m_preview->sliderReleased();
}

// ---------------------------------------------------------------- help

QUrl MainController::helpFileUrl() const {
    return QUrl::fromLocalFile(m_programFolder + QStringLiteral("/help/Orvelle.html"));
}

void MainController::showContent() {
    m_shell.openUrl(helpFileUrl());
}

void MainController::showDemos() {
    m_shell.openUrl(QUrl(QLatin1String(DemosUrl)));
}

void MainController::showHomePage() {
    m_shell.openUrl(QUrl(QLatin1String(HomeUrl)));
}
