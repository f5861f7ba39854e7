#pragma once

// What the skin's objects and the menus set in motion. The command surface
// checks the guards; the main window carries the commands out.
class ICommandTarget {
public:
    virtual ~ICommandTarget() = default;

    virtual int functionMode() const = 0; // FunctionMode
    virtual int rowCount() const = 0;

    virtual void StartJob() = 0; // the rip or the conversion, by function
    virtual void StopJob() = 0;
    virtual void ShowSettingsDialog() = 0; // "set", the file menu's Settings and 'SET'
    virtual void OpenFileMenu() = 0;
    virtual void OpenHelpMenu() = 0;
    virtual void AddFiles() = 0;
    virtual void AddFolder() = 0;
    virtual void RemoveSelectedRows() = 0;
    virtual void ClearList() = 0;
    virtual void RefreshTrackTable() = 0;
    virtual void StartFreeDbLookup() = 0;
    virtual void PlayOrPause() = 0;
    virtual void StopPreview() = 0;
    virtual void PreviewPreviousRow() = 0;
    virtual void PreviewNextRow() = 0;
    virtual void StepBack() = 0;
    virtual void StepForward() = 0;
    // The user pressed on the position slider, and let go of it (playing or not).
    virtual void SliderPressed() = 0;
    virtual void SliderReleased() = 0;
    virtual void TickAllRows(bool ticked) = 0;
    virtual void CloseMainWindow() = 0;
    virtual void ShowContent() = 0;
    virtual void ShowDemos() = 0;
    virtual void ShowHomePage() = 0;
    virtual void ShowAbout() = 0;
};
