#include "control/commandsurface.h"
#include "control/icommandtarget.h"
#include "control/mainstate.h"

#include <gtest/gtest.h>
#include <QStringList>

namespace {

class RecordingTarget : public ICommandTarget {
public:
    QStringList calls;
    int mode = CdRipper;
    int rows = 3;
    MainState* state = nullptr;
    bool windowFlagDuringLookup = false;

    int functionMode() const override { return mode; }
    int rowCount() const override { return rows; }
    void StartJob() override { calls << "StartJob"; }
    void StopJob() override { calls << "StopJob"; }
    void ShowSettingsDialog() override { calls << "ShowSettingsDialog"; }
    void OpenFileMenu() override { calls << "OpenFileMenu"; }
    void OpenHelpMenu() override { calls << "OpenHelpMenu"; }
    void AddFiles() override { calls << "AddFiles"; }
    void AddFolder() override { calls << "AddFolder"; }
    void RemoveSelectedRows() override { calls << "RemoveSelectedRows"; }
    void ClearList() override { calls << "ClearList"; }
    void RefreshTrackTable() override { calls << "RefreshTrackTable"; }
    void StartFreeDbLookup() override {
        calls << "StartFreeDbLookup";
        windowFlagDuringLookup = state->ShowFreeDbWindow;
    }
    void PlayOrPause() override { calls << "PlayOrPause"; }
    void StopPreview() override { calls << "StopPreview"; }
    void PreviewPreviousRow() override { calls << "PreviewPreviousRow"; }
    void PreviewNextRow() override { calls << "PreviewNextRow"; }
    void StepBack() override { calls << "StepBack"; }
    void StepForward() override { calls << "StepForward"; }
    void SliderPressed() override { calls << "SliderPressed"; }
    void SliderReleased() override { calls << "SliderReleased"; }
    void TickAllRows(bool ticked) override { calls << (ticked ? "TickAll" : "UntickAll"); }
    void CloseMainWindow() override { calls << "CloseMainWindow"; }
    void ShowContent() override { calls << "ShowContent"; }
    void ShowDemos() override { calls << "ShowDemos"; }
    void ShowHomePage() override { calls << "ShowHomePage"; }
    void ShowAbout() override { calls << "ShowAbout"; }
};

class CommandSurfaceTest : public ::testing::Test {
protected:
    MainState state;
    RecordingTarget target;
    CommandSurface surface{state, target};

    void SetUp() override {
        target.state = &state;
        state.CurrentRow = 0;
    }
    QStringList click(const QString& name) {
        target.calls.clear();
        surface.Skin1Click(name);
        return target.calls;
    }
    QStringList menu(CommandSurface::MenuItem item) {
        target.calls.clear();
        surface.MenuClick(item);
        return target.calls;
    }
};

TEST_F(CommandSurfaceTest, EveryNameRunsItsCommandWhenIdle) {
    EXPECT_EQ(click("start"), QStringList{"StartJob"});
    EXPECT_EQ(click("stop"), QStringList{"StopJob"});
    EXPECT_EQ(click("set"), QStringList{"ShowSettingsDialog"});
    EXPECT_EQ(click("file"), QStringList{"OpenFileMenu"});
    EXPECT_EQ(click("help"), QStringList{"OpenHelpMenu"});
    EXPECT_EQ(click("addfile"), QStringList{"AddFiles"});
    EXPECT_EQ(click("remove"), QStringList{"RemoveSelectedRows"});
    EXPECT_EQ(click("clear"), QStringList{"ClearList"});
    EXPECT_EQ(click("refresh"), QStringList{"RefreshTrackTable"});
    EXPECT_EQ(click("freedb"), QStringList{"StartFreeDbLookup"});
    EXPECT_EQ(click("play"), QStringList{"PlayOrPause"});
    EXPECT_EQ(click("hou"), QStringList{"StepBack"});
    EXPECT_EQ(click("qian"), QStringList{"StepForward"});
}

TEST_F(CommandSurfaceTest, UnknownNamesAndOtherLetterCaseDoNothing) {
    for (const char* name : {"Start", "PLAY", "pb", "", "start ", "orvelle", "Freedb"})
        EXPECT_TRUE(click(name).isEmpty()) << name;
}

TEST_F(CommandSurfaceTest, ARunningJobBlocksStartSetPlayRefreshAndFreeDb) {
    state.JobRunning = true;
    for (const char* name : {"start", "set", "play", "refresh", "freedb"})
        EXPECT_TRUE(click(name).isEmpty()) << name;
    EXPECT_EQ(click("stop"), QStringList{"StopJob"});
    EXPECT_EQ(click("addfile"), QStringList{"AddFiles"})
        << "the list commands check for themselves";
    EXPECT_TRUE(menu(CommandSurface::MenuItem::Start).isEmpty());
    EXPECT_TRUE(menu(CommandSurface::MenuItem::Settings).isEmpty());
    EXPECT_TRUE(menu(CommandSurface::MenuItem::SelectAll).isEmpty());
    EXPECT_TRUE(menu(CommandSurface::MenuItem::UnselectAll).isEmpty());
    EXPECT_TRUE(menu(CommandSurface::MenuItem::Play).isEmpty());
}

TEST_F(CommandSurfaceTest, PlaybackBlocksRefreshAndFreeDbButNotTheirMenuItems) {
    state.PlaybackActive = true;
    EXPECT_TRUE(click("refresh").isEmpty());
    EXPECT_TRUE(click("freedb").isEmpty());
    EXPECT_EQ(menu(CommandSurface::MenuItem::Refresh), QStringList{"RefreshTrackTable"});
    EXPECT_EQ(menu(CommandSurface::MenuItem::FreeDB), QStringList{"StartFreeDbLookup"});
    EXPECT_FALSE(target.windowFlagDuringLookup) << "the menu item opens no status window";
}

TEST_F(CommandSurfaceTest, FreeDbOpensTheStatusWindowOnlyForItsOwnLookup) {
    click("freedb");
    EXPECT_TRUE(target.windowFlagDuringLookup);
    EXPECT_FALSE(state.ShowFreeDbWindow);
}

TEST_F(CommandSurfaceTest, PlayCommandsNeedACurrentRow) {
    state.CurrentRow = -1;
    for (const char* name : {"play", "next", "hou", "qian", "break"})
        EXPECT_TRUE(click(name).isEmpty()) << name;
    state.PlaybackActive = true;
    EXPECT_TRUE(click("playstop").isEmpty());
    state.CurrentRow = 1;
    EXPECT_EQ(click("playstop"), QStringList{"StopPreview"});
    state.PlaybackActive = false;
    EXPECT_TRUE(click("playstop").isEmpty()) << "stop play needs a running preview";
}

TEST_F(CommandSurfaceTest, BreakAndNextStayInsideTheList) {
    state.CurrentRow = 0;
    EXPECT_TRUE(click("break").isEmpty());
    state.CurrentRow = 1;
    EXPECT_EQ(click("break"), QStringList{"PreviewPreviousRow"});

    target.mode = Converter;
    target.rows = 3;
    state.CurrentRow = 2;
    EXPECT_TRUE(click("next").isEmpty()) << "last row of the converter list";
    state.CurrentRow = 1;
    EXPECT_EQ(click("next"), QStringList{"PreviewNextRow"});
    target.mode = CdRipper;
    state.CurrentRow = 2;
    EXPECT_EQ(click("next"), QStringList{"PreviewNextRow"})
        << "the preview itself checks in CD mode";
}

TEST_F(CommandSurfaceTest, TheSliderStopsFollowingWhileHeldAndEveryReleaseReachesTheTarget) {
    surface.Skin1MouseDown("pb");
    EXPECT_FALSE(state.SliderFollowsPlayback);
    surface.Skin1MouseUp("pb");
    EXPECT_TRUE(state.SliderFollowsPlayback);
    // Paused or stopped, the release still sets where the next play starts.
    EXPECT_EQ(target.calls, (QStringList{"SliderPressed", "SliderReleased"}));

    target.calls.clear();
    surface.Skin1MouseDown("play");
    surface.Skin1MouseUp("play");
    EXPECT_TRUE(state.SliderFollowsPlayback);
    EXPECT_TRUE(target.calls.isEmpty()) << "presses elsewhere only matter as clicks";
}

TEST_F(CommandSurfaceTest, MenuItemsRunTheirCommands) {
    using Item = CommandSurface::MenuItem;
    EXPECT_EQ(menu(Item::AddFile), QStringList{"AddFiles"});
    EXPECT_EQ(menu(Item::ListAddFile), QStringList{"AddFiles"});
    EXPECT_EQ(menu(Item::AddFolder), QStringList{"AddFolder"});
    EXPECT_EQ(menu(Item::ListAddFolder), QStringList{"AddFolder"});
    EXPECT_EQ(menu(Item::Remove), QStringList{"RemoveSelectedRows"});
    EXPECT_EQ(menu(Item::RemoveFile), QStringList{"RemoveSelectedRows"});
    EXPECT_EQ(menu(Item::Clear), QStringList{"ClearList"});
    EXPECT_EQ(menu(Item::ClearList), QStringList{"ClearList"});
    EXPECT_EQ(menu(Item::Start), QStringList{"StartJob"});
    EXPECT_EQ(menu(Item::Stop), QStringList{"StopJob"});
    EXPECT_EQ(menu(Item::Settings), QStringList{"ShowSettingsDialog"});
    EXPECT_EQ(menu(Item::Exit), QStringList{"CloseMainWindow"});
    EXPECT_EQ(menu(Item::SelectAll), QStringList{"TickAll"});
    EXPECT_EQ(menu(Item::UnselectAll), QStringList{"UntickAll"});
    EXPECT_EQ(menu(Item::Play), QStringList{"PlayOrPause"});
    EXPECT_EQ(menu(Item::Content), QStringList{"ShowContent"});
    EXPECT_EQ(menu(Item::FlashDemos), QStringList{"ShowDemos"});
    EXPECT_EQ(menu(Item::VisitWeb), QStringList{"ShowHomePage"});
    EXPECT_EQ(menu(Item::About), QStringList{"ShowAbout"});
    state.PlaybackActive = true;
    EXPECT_EQ(menu(Item::StopPlay), QStringList{"StopPreview"});
}

} // namespace
