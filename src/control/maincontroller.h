#pragma once

#include "cd/drivesession.h"
#include "cd/offsetfinder.h"
#include "control/audiocomponentset.h"
#include "control/commandsurface.h"
#include "control/commandtarget.h"
#include "control/mainstate.h"
#include "filelist/rowmodel.h"
#include "settings/mainoptions.h"

#include <functional>
#include <memory>
#include <QItemSelectionModel>
#include <QObject>
#include <QUrl>

class FileListControl;
class AudioReader;
class Shell;
class JobControl;
class UserPrompt;
class PreviewControl;
class SettingsFile;

// What the main window's controls and commands set in motion, without the
// window: the state the commands read, the rows, the drive session and the
// main options. The window shows what this holds and forwards its clicks;
// tests drive this directly.
class MainController : public QObject, public CommandTarget {
    Q_OBJECT
public:
    static constexpr const char* NotAudioCd = "The disc is not Audio CD!";
    static constexpr const char* DataDiscAtStart =
        "The disc is not Audio CD, Please take out disc!";
    static constexpr const char* NoDriveQuestion =
        "Can not detect CD-ROM device,download ASPI driver program and install it. it will "
        "probably fix the problems. Download it? ";
    static constexpr const char* CdRipperOnly =
        "This button member of \"CD Ripper\" function, Please choose \"CD Ripper\" function";
    static constexpr const char* StopPlayingFirst = "Please stop playing first.";
    static constexpr const char* NoOutputFolder =
        "Please choose an output folder first: click \"...\" under Output Path.";
    static constexpr const char* DemosUrl = "https://www.orvelle.org/demos.html";
    static constexpr const char* HomeUrl = "https://www.orvelle.org/";

    MainController(AudioComponentSet& components, UserPrompt& prompt, Shell& shell,
                   QString settingsPath, QString programFolder, QObject* parent = nullptr);
    ~MainController() override;

    MainState& state() { return m_state; }
    CommandSurface& commands() { return m_commands; }
    RowModel& rows() { return m_rows; }
    QItemSelectionModel& selection() { return m_selection; }
    DriveSession& drives() { return m_drives; }
    const MainOptions& options() const { return m_options; }
    // Null once the window has closed.
    SettingsFile* settings() const { return m_settings.get(); }
    const QString& programFolder() const { return m_programFolder; }
    const QStringList& rmCodecNames() const { return m_rmCodecNames; }
    // The tags the tag edits show.
    const RowTag& shownTag() const { return m_shownTag; }
    PreviewControl& preview() { return *m_preview; }

    // The settings dialog belongs to the window, which makes it once the
    // settings are loaded: `show` opens it, `commandLine` reads its MP3 command line.
    struct SettingsDialogHooks {
        std::function<void()> show;
        std::function<QString()> commandLine;
    };
    void setSettingsDialogHooks(SettingsDialogHooks hooks);
    // The settings dialog's OK: the CD reading options go to the ripper as at the start.
    void applyReadingOptions();
    // The current drive's read offset as the CD reading page shows and finds
    // it, with the AccurateRip server and cache the settings name at the time.
    DriveOffsetAccess driveOffsetAccess();
    // The command line every MP3 output takes, as typed now; empty without the dialog.
    QString mp3CommandLine() const;
    // The converter's list commands and their batch of files being added.
    FileListControl& fileList() { return *m_fileList; }
    JobControl& jobs() { return *m_jobs; }

    // What an error raised by a command goes to; by default it is printed.
    void setErrorHandler(std::function<void(const QString&)> handler);
    // Runs one command; what it raises goes to the error handler, never further.
    void run(const std::function<void()>& command);

    // --- start-up and close
    void start();
    void close();
    // The program is told to end (a logout, a shutdown): a running job removes
    // the files it had not finished, which the user's Stop would keep.
    void interruptJob();

    // --- the window's controls
    void chooseFunction(FunctionMode mode);
    void chooseFormat(int index); // an OutputFormat; FormatSet opens the settings
    void chooseFolderScheme(FolderScheme scheme);
    void setOutputPath(const QString& path);
    void chooseOutputFolder();
    void chooseDrive(int index);
    void selectRows(const QList<int>& rows);
    QList<int> selectedRows() const;
    int selectedRow() const;
    void showRowTags();
    // A tag edit lost the focus: its text goes to the selected rows.
    void storeTag(RowTagField field, const QString& text);
    // An "All" button: the text goes to every row.
    void storeTagInAllRows(RowTagField field, const QString& text);
    void setRowTarget(int row, const QString& target);
    void retryFreeDbLookup();
    // Files and folders dropped onto the list: as Add File and Add Folder take them.
    void dropPaths(const QStringList& paths);
    // Whether the list takes a drop of `paths` now: files in 'Converter', while no job runs.
    bool takesDrop(const QStringList& paths) const;
    // Files named when the program was started, added as Add File would in
    // 'Converter'; those given before start() wait for it.
    void addFilesFromCommandLine(const QStringList& paths);

    // --- commands (CommandTarget)
    int functionMode() const override { return m_options.function; }
    int rowCount() const override { return m_rows.count(); }
    void startJob() override;
    void stopJob() override;
    void showSettingsDialog() override;
    void openFileMenu() override { emit fileMenuRequested(); }
    void openHelpMenu() override { emit helpMenuRequested(); }
    void addFiles() override;
    void addFolder() override;
    void removeSelectedRows() override;
    void clearList() override;
    void refreshTrackTable() override;
    void startFreeDbLookup() override;
    void playOrPause() override;
    void stopPreview() override;
    void previewPreviousRow() override;
    void previewNextRow() override;
    void stepBack() override;
    void stepForward() override;
    void sliderPressed() override;
    void sliderReleased() override;
    void tickAllRows(bool ticked) override;
    void closeMainWindow() override { emit closeRequested(); }
    void showContent() override;
    void showDemos() override;
    void showHomePage() override;
    void showAbout() override { emit aboutRequested(); }

signals:
    // The program changed a choice the window shows (function, format, scheme, path).
    void optionsChanged();
    void drivesChanged();
    void tagShown(const RowTag& tag);
    // setControlsEnabled: the option controls are disabled while a job runs.
    void controlsEnabled(bool enabled);
    void fileMenuRequested();
    void helpMenuRequested();
    void aboutRequested();
    void closeRequested();

private:
    void detectDrives();
    void fillRmCodecList();
    void onMediaChange();
    void jobEnded();
    void rebuildTrackTable();
    void showTag(const RowTag& tag);
    bool cdCommandAllowed();
    QUrl helpFileUrl() const;

    AudioComponentSet& m_components;
    QString m_lastDiscError; // the refusal of a disc image last shown
    UserPrompt& m_prompt;
    Shell& m_shell;
    QString m_settingsPath;
    QString m_programFolder;
    std::unique_ptr<SettingsFile> m_settings;
    MainState m_state;
    MainOptions m_options;
    RowModel m_rows;
    QItemSelectionModel m_selection;
    DriveSession m_drives;
    CommandSurface m_commands;
    QStringList m_rmCodecNames;
    RowTag m_shownTag;
    std::function<void(const QString&)> m_errorHandler;
    std::unique_ptr<PreviewControl> m_preview;
    SettingsDialogHooks m_settingsDialog;
    std::unique_ptr<FileListControl> m_fileList;
    bool m_started = false;
    QStringList m_startupPaths;
    // A table build is under way; a rebuild asked for meanwhile runs after it.
    bool m_building = false;
    bool m_rebuildPending = false;
    std::unique_ptr<JobControl> m_jobs;
    // The disc changed, or the table was asked for, while a rip ran: read it when the job ends.
    bool m_mediaChangedInJob = false;
    bool m_rebuildAfterJob = false;
};
