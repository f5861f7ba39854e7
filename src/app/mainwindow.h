#pragma once

#include "app/audiocomponentset.h"
#include "app/commandsurface.h"
#include "app/icommandtarget.h"
#include "app/mainstate.h"
#include "tags/rowtags.h"

#include <memory>
#include <QUrl>
#include <QWidget>

class AboutBox;
class FolderDialog;
class IShell;
class IUserPrompt;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class RadioGroup;
class SettingsFile;

// The main window: the skinned surface with the list, the function and format
// choices, the output folder, the tag edits and the drive list. It owns the
// audio components, the rows and their tags, and the state the commands read.
//
// Controls and state are public: the features of the other folders (the CD
// side, the jobs, the file list, preview) act on them by these names.
class MainWindow : public QWidget, public ICommandTarget {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 658;
    static constexpr int DesignHeight = 452;
    // List columns.
    enum Column { ColName = 0, ColTime, ColTarget, ColStatus, ColPath };

    MainWindow(AudioComponentSet components, IUserPrompt& prompt, IShell& shell,
               const QString& settingsPath, const QString& programFolder,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- controls ---
    QTreeWidget* lv;
    RadioGroup* rg_function;
    RadioGroup* rg_format;
    QLineEdit* edt_dir;
    QPushButton* bt_dir;
    QRadioButton* rb_none;
    QRadioButton* rb_artist;
    QRadioButton* rb_album;
    QRadioButton* rb_mix;
    QLineEdit* edt_tital;
    QLineEdit* edt_Artist;
    QLineEdit* edt_album;
    QPushButton* bu_tital;
    QPushButton* bt_artist;
    QPushButton* bt_album;
    QComboBox* cb_driver;
    QComboBox* cb_or;
    QMenu* PopupMenu1;          // file menu
    QMenu* PopupMenu2;          // list menu
    QMenu* PopupMenu3;          // help menu
    FolderDialog* FreeDbWindow; // the same kind of window, in its FreeDB status layout
    AboutBox* fm_about;

    // --- components and state ---
    AudioComponentSet components;
    IAudioFile2* OutputWriter = nullptr;
    IPositionSlider* PositionSlider = nullptr;
    IPositionSliderView* PositionSliderView = nullptr;
    MainState state;
    RowTags rowTags;
    QStringList rmCodecNames; // what the settings dialog offers for RM output
    int rmCodecIndex = -1;
    CommandSurface commands;

    SettingsFile* settings() const { return m_settings.get(); }
    IUserPrompt& prompt() const { return m_prompt; }
    IShell& shell() const { return m_shell; }
    const QString& programFolder() const { return m_programFolder; }

    // --- start-up and close ---
    void FormShow();
    void FormCloseQuery();
    void LoadMainOptions();
    void SaveMainOptions();
    bool initialised() const { return m_initialised; }

    // --- CD drives and track table ---
    // The grabber does the reading; the audio-disc test asks components.DriveLayer.
    void DetectDrives();
    void ApplyCdReadingOptions();
    bool IsAudioCdPresent();
    bool IsAudioCdVolume(const QString& drive);
    void RefreshTrackTable() override;
    void cb_driverChange(int index);
    void AudioCDGrabber21MediaChange();

    // --- FreeDB ---
    void StartFreeDbLookup() override;
    void AudioCDGrabber21FreeDBQueryStatus(int status);
    void edt_retryClick();

    // --- function and format ---
    void rg_functionClick();
    void rg_formatClick();
    void lvMouseDown(const QPoint& pos);
    void lvDblClick();
    void cb_orExit();
    void cb_orKeyDown(int key);
    // Hides the in-place format editor (a press on a window's frame or title bar).
    void hideFormatEditor();

    // --- list rows and tags ---
    void lvClick();
    void ShowRowTags();
    int selectedRow() const;
    QList<int> selectedRows() const;
    QTreeWidgetItem* addRow(const QString& caption, const QString& time, const QString& target,
                            const QString& path);
    void edt_titalExit();
    void edt_ArtistExit();
    void edt_albumExit();
    void bu_titalClick();
    void bt_artistClick();
    void bt_albumClick();

    // --- folder scheme and output folder ---
    void rb_noneClick();
    void rb_artistClick();
    void rb_albumClick();
    void rb_mixClick();
    void bt_dirClick();

    // --- commands (ICommandTarget) ---
    int functionMode() const override;
    int rowCount() const override;
    void StartJob() override;
    void StopJob() override;
    void ShowSettingsDialog() override;
    void OpenFileMenu() override;
    void OpenHelpMenu() override;
    void AddFiles() override;
    void AddFolder() override;
    void RemoveSelectedRows() override;
    void ClearList() override;
    void PlayOrPause() override;
    void StopPreview() override;
    void PreviewPreviousRow() override;
    void PreviewNextRow() override;
    void StepBack() override;
    void StepForward() override;
    void SeekToSlider() override;
    void TickAllRows(bool ticked) override;
    void CloseMainWindow() override;
    void ShowContent() override;
    void ShowDemos() override;
    void ShowHomePage() override;
    void ShowAbout() override;

    static QString FormatTwoDigits(int n);

    static constexpr const char* NotAudioCd = "The disc is not Audio CD!";
    static constexpr const char* CdRipperOnly =
        "This button member of \"CD Ripper\" function, Please choose \"CD Ripper\" function";
    static constexpr const char* ConverterOnly =
        "This button member of \"converter\" function, Please choose \"converter\" function";
    static constexpr const char* DemosUrl = "https://www.orvelle.org/demos.html";
    static constexpr const char* HomeUrl = "https://www.orvelle.org/";

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createMenus();
    void connectComponents();
    void skinWindow();
    void fillRmCodecList();
    // Tells the user that a command of a feature this build lacks cannot run.
    void notAvailable(const QString& what);
    // The guard of the list commands: silent during a job, a message in the CD function.
    bool listCommandAllowed();
    // The guard of the CD commands: the CD function, and an audio CD or an empty drive.
    bool cdCommandAllowed();
    void previewMove();
    QUrl helpFileUrl() const;

    IUserPrompt& m_prompt;
    IShell& m_shell;
    QString m_settingsPath;
    QString m_programFolder;
    std::unique_ptr<SettingsFile> m_settings;
    bool m_initialised = false;
    bool m_closed = false;
    QPoint m_lastPress;
};
