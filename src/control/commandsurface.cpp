#include "control/commandsurface.h"

#include "control/commandtarget.h"
#include "control/mainstate.h"

void CommandSurface::start() {
    if (!m_state.jobRunning)
        m_target.startJob();
}

void CommandSurface::play() {
    if (!m_state.jobRunning && m_state.currentRow != -1)
        m_target.playOrPause();
}

void CommandSurface::playStop() {
    if (m_state.playbackActive && m_state.currentRow != -1)
        m_target.stopPreview();
}

void CommandSurface::skin1Click(const QString& name) {
    const bool idle = !m_state.jobRunning && !m_state.playbackActive;
    const int row = m_state.currentRow;
    if (name == QLatin1String("start")) {
        start();
    } else if (name == QLatin1String("stop")) {
        m_target.stopJob();
    } else if (name == QLatin1String("set")) {
        if (!m_state.jobRunning)
            m_target.showSettingsDialog();
    } else if (name == QLatin1String("file")) {
        m_target.openFileMenu();
    } else if (name == QLatin1String("help")) {
        m_target.openHelpMenu();
    } else if (name == QLatin1String("addfile")) {
        m_target.addFiles();
    } else if (name == QLatin1String("remove")) {
        m_target.removeSelectedRows();
    } else if (name == QLatin1String("clear")) {
        m_target.clearList();
    } else if (name == QLatin1String("refresh")) {
        if (idle)
            m_target.refreshTrackTable();
    } else if (name == QLatin1String("freedb")) {
        if (idle) {
            m_state.showFreeDbWindow = true;
            m_target.startFreeDbLookup();
            m_state.showFreeDbWindow = false;
        }
    } else if (name == QLatin1String("play")) {
        play();
    } else if (name == QLatin1String("playstop")) {
        playStop();
    } else if (name == QLatin1String("break")) {
        if (row > 0)
            m_target.previewPreviousRow();
    } else if (name == QLatin1String("next")) {
        const bool lastConverterRow =
            m_target.functionMode() == Converter && row > m_target.rowCount() - 2;
        if (row != -1 && !lastConverterRow)
            m_target.previewNextRow();
    } else if (name == QLatin1String("hou")) {
        if (row != -1)
            m_target.stepBack();
    } else if (name == QLatin1String("qian")) {
        if (row != -1)
            m_target.stepForward();
    }
}

void CommandSurface::skin1MouseDown(const QString& name) {
    if (name != QLatin1String("pb"))
        return;
    m_state.sliderFollowsPlayback = false;
    m_target.sliderPressed();
}

void CommandSurface::skin1MouseUp(const QString& name) {
    if (name != QLatin1String("pb"))
        return;
    m_state.sliderFollowsPlayback = true;
    // Also while paused: the next play starts where the user left the slider.
    m_target.sliderReleased();
}

void CommandSurface::menuClick(MenuItem item) {
    switch (item) {
    case MenuItem::AddFile:
    case MenuItem::ListAddFile: // a menu item that did nothing would look broken
        m_target.addFiles();
        break;
    case MenuItem::AddFolder:
    case MenuItem::ListAddFolder:
        m_target.addFolder();
        break;
    case MenuItem::Remove:
    case MenuItem::RemoveFile:
        m_target.removeSelectedRows();
        break;
    case MenuItem::Clear:
    case MenuItem::ClearList:
        m_target.clearList();
        break;
    case MenuItem::Refresh:
        m_target.refreshTrackTable();
        break;
    case MenuItem::FreeDB:
        m_target.startFreeDbLookup();
        break;
    case MenuItem::Start:
        start();
        break;
    case MenuItem::Stop:
        m_target.stopJob();
        break;
    case MenuItem::Settings:
        if (!m_state.jobRunning)
            m_target.showSettingsDialog();
        break;
    case MenuItem::Exit:
        m_target.closeMainWindow();
        break;
    case MenuItem::SelectAll:
        if (!m_state.jobRunning)
            m_target.tickAllRows(true);
        break;
    case MenuItem::UnselectAll:
        if (!m_state.jobRunning)
            m_target.tickAllRows(false);
        break;
    case MenuItem::Play:
        play();
        break;
    case MenuItem::StopPlay:
        playStop();
        break;
    case MenuItem::Content:
        m_target.showContent();
        break;
    case MenuItem::FlashDemos:
        m_target.showDemos();
        break;
    case MenuItem::VisitWeb:
        m_target.showHomePage();
        break;
    case MenuItem::About:
        m_target.showAbout();
        break;
    }
}
