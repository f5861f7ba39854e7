#include "control/commandsurface.h"

#include "control/icommandtarget.h"
#include "control/mainstate.h"

void CommandSurface::start() {
    if (!m_state.JobRunning)
        m_target.StartJob();
}

void CommandSurface::play() {
    if (!m_state.JobRunning && m_state.CurrentRow != -1)
        m_target.PlayOrPause();
}

void CommandSurface::playStop() {
    if (m_state.PlaybackActive && m_state.CurrentRow != -1)
        m_target.StopPreview();
}

void CommandSurface::Skin1Click(const QString& name) {
    const bool idle = !m_state.JobRunning && !m_state.PlaybackActive;
    const int row = m_state.CurrentRow;
    if (name == QLatin1String("start")) {
        start();
    } else if (name == QLatin1String("stop")) {
        m_target.StopJob();
    } else if (name == QLatin1String("set")) {
        if (!m_state.JobRunning)
            m_target.ShowSettingsDialog();
    } else if (name == QLatin1String("file")) {
        m_target.OpenFileMenu();
    } else if (name == QLatin1String("help")) {
        m_target.OpenHelpMenu();
    } else if (name == QLatin1String("addfile")) {
        m_target.AddFiles();
    } else if (name == QLatin1String("remove")) {
        m_target.RemoveSelectedRows();
    } else if (name == QLatin1String("clear")) {
        m_target.ClearList();
    } else if (name == QLatin1String("refresh")) {
        if (idle)
            m_target.RefreshTrackTable();
    } else if (name == QLatin1String("freedb")) {
        if (idle) {
            m_state.ShowFreeDbWindow = true;
            m_target.StartFreeDbLookup();
            m_state.ShowFreeDbWindow = false;
        }
    } else if (name == QLatin1String("play")) {
        play();
    } else if (name == QLatin1String("playstop")) {
        playStop();
    } else if (name == QLatin1String("break")) {
        if (row > 0)
            m_target.PreviewPreviousRow();
    } else if (name == QLatin1String("next")) {
        const bool lastConverterRow =
            m_target.functionMode() == Converter && row > m_target.rowCount() - 2;
        if (row != -1 && !lastConverterRow)
            m_target.PreviewNextRow();
    } else if (name == QLatin1String("hou")) {
        if (row != -1)
            m_target.StepBack();
    } else if (name == QLatin1String("qian")) {
        if (row != -1)
            m_target.StepForward();
    }
}

void CommandSurface::Skin1MouseDown(const QString& name) {
    if (name != QLatin1String("pb"))
        return;
    m_state.SliderFollowsPlayback = false;
    m_target.SliderPressed();
}

void CommandSurface::Skin1MouseUp(const QString& name) {
    if (name != QLatin1String("pb"))
        return;
    m_state.SliderFollowsPlayback = true;
    // Also while paused: the next play starts where the user left the slider.
    m_target.SliderReleased();
}

void CommandSurface::MenuClick(MenuItem item) {
    switch (item) {
    case MenuItem::AddFile:
    case MenuItem::ListAddFile: // a menu item that did nothing would look broken
        m_target.AddFiles();
        break;
    case MenuItem::AddFolder:
    case MenuItem::ListAddFolder:
        m_target.AddFolder();
        break;
    case MenuItem::Remove:
    case MenuItem::RemoveFile:
        m_target.RemoveSelectedRows();
        break;
    case MenuItem::Clear:
    case MenuItem::ClearList:
        m_target.ClearList();
        break;
    case MenuItem::Refresh:
        m_target.RefreshTrackTable();
        break;
    case MenuItem::FreeDB:
        m_target.StartFreeDbLookup();
        break;
    case MenuItem::Start:
        start();
        break;
    case MenuItem::Stop:
        m_target.StopJob();
        break;
    case MenuItem::Settings:
        if (!m_state.JobRunning)
            m_target.ShowSettingsDialog();
        break;
    case MenuItem::Exit:
        m_target.CloseMainWindow();
        break;
    case MenuItem::SelectAll:
        if (!m_state.JobRunning)
            m_target.TickAllRows(true);
        break;
    case MenuItem::UnselectAll:
        if (!m_state.JobRunning)
            m_target.TickAllRows(false);
        break;
    case MenuItem::Play:
        play();
        break;
    case MenuItem::StopPlay:
        playStop();
        break;
    case MenuItem::Content:
        m_target.ShowContent();
        break;
    case MenuItem::FlashDemos:
        m_target.ShowDemos();
        break;
    case MenuItem::VisitWeb:
        m_target.ShowHomePage();
        break;
    case MenuItem::About:
        m_target.ShowAbout();
        break;
    }
}
