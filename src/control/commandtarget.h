#pragma once

// What the skin's objects and the menus set in motion. The command surface
// checks the guards; the main window carries the commands out.
class CommandTarget {
public:
    virtual ~CommandTarget() = default;

    virtual int functionMode() const = 0; // FunctionMode
    virtual int rowCount() const = 0;

    virtual void startJob() = 0; // the rip or the conversion, by function
    virtual void stopJob() = 0;
    virtual void showSettingsDialog() = 0; // "set", the file menu's Settings and 'SET'
    virtual void openFileMenu() = 0;
    virtual void openHelpMenu() = 0;
    virtual void addFiles() = 0;
    virtual void addFolder() = 0;
    virtual void removeSelectedRows() = 0;
    virtual void clearList() = 0;
    virtual void refreshTrackTable() = 0;
    virtual void startFreeDbLookup() = 0;
    virtual void playOrPause() = 0;
    virtual void stopPreview() = 0;
    virtual void previewPreviousRow() = 0;
    virtual void previewNextRow() = 0;
    virtual void stepBack() = 0;
    virtual void stepForward() = 0;
    // The user pressed on the position slider, and let go of it (playing or not).
    virtual void sliderPressed() = 0;
    virtual void sliderReleased() = 0;
    virtual void tickAllRows(bool ticked) = 0;
    virtual void closeMainWindow() = 0;
    virtual void showContent() = 0;
    virtual void showDemos() = 0;
    virtual void showHomePage() = 0;
    virtual void showAbout() = 0;
};
