#pragma once

#include "control/audiocomponentset.h"
#include "control/maincontroller.h"

#include <QWidget>

class AboutBox;
class FreeDbStatusWindow;
class ReleaseChoice;
class Shell;
class UserPrompt;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QLabel;
class QTableView;
class RadioGroup;
class SettingsDialog;

// The main window: the skinned surface with the list, the function and format
// choices, the output folder, the tag edits and the drive list. It shows what
// the controller holds and hands it every click; the work and the state live
// in the controller and the feature objects behind it. Each control carries
// its original name as its objectName.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 658;
    static constexpr int DesignHeight = 452;

    MainWindow(AudioComponentSet components, UserPrompt& prompt, Shell& shell,
               const QString& settingsPath, const QString& programFolder,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    MainController& controller() { return *m_controller; }
    bool initialised() const { return m_initialised; }
    // The skin's position slider "pb", once the skin is applied.
    IPositionSlider* positionSlider() const { return m_positionSlider; }
    IPositionSliderView* positionSliderView() const { return m_positionSliderView; }

    // Hides the in-place format editor (a press on a window's frame or title bar).
    void hideFormatEditor();
    bool formatEditorVisible() const;
    // The settings dialog, made once the settings are loaded; null before.
    SettingsDialog* settingsDialog() const { return m_settingsDialog; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createList();
    void createChoices();
    void createTagEdits();
    void createOutputPath();
    void createMenus();
    void connectController();
    void connectSkin();
    void start();
    void skinWindow();
    // The hidden windows the first frame does not need.
    void createHiddenWindows();
    void createSettingsDialog();
    void showOptions();
    // The disc's front cover in a corner of the track list, in the CD Ripper.
    void showCover();
    void showDrives();
    void showTag(const RowTag& tag);
    // Enables or disables the option controls, in their fixed order; the
    // list, the menus and the skin stay enabled and guard their own commands.
    void setControlsEnabled(bool enabled);
    void openFormatEditor();
    void closeFormatEditor();
    bool handleDrop(QEvent* event);

    AudioComponentSet m_components;
    UserPrompt& m_prompt;
    std::unique_ptr<MainController> m_controller;
    IPositionSlider* m_positionSlider = nullptr;
    IPositionSliderView* m_positionSliderView = nullptr;
    bool m_initialised = false;
    bool m_closed = false;
    QPoint m_lastPress;

    QTableView* m_trackList;

    QLabel* m_cover = nullptr;
    QComboBox* m_formatEditor;
    RadioGroup* m_functionChoice;
    RadioGroup* m_formatChoice;
    QLineEdit* m_titleEdit;
    QLineEdit* m_artistEdit;
    QLineEdit* m_albumEdit;
    QLineEdit* m_outputFolderEdit;
    QPushButton* m_browseButton;
    QPushButton* m_allButtons[3];
    QRadioButton* m_schemeButtons[4];
    QComboBox* m_driveList;
    QMenu* m_fileMenu;
    QMenu* m_listMenu;
    QMenu* m_helpMenu;
    AboutBox* m_aboutBox;
    FreeDbStatusWindow* m_freeDbStatus = nullptr;
    ReleaseChoice* m_releaseChoice = nullptr;
    SettingsDialog* m_settingsDialog = nullptr;
};
