#include "control/commandsurface.h"
#include "control/commandtarget.h"
#include "control/mainstate.h"

#include <gtest/gtest.h>
#include <QStringList>

namespace {

class RecordingTarget : public CommandTarget {
public:
    QStringList calls;
    int mode = CdRipper;
    int rows = 3;
    MainState* state = nullptr;
    bool windowFlagDuringLookup = false;

    int functionMode() const override { return mode; }
    int rowCount() const override { return rows; }
    void startJob() override { calls << "startJob"; }
    void stopJob() override { calls << "StopJob"; }
    void showSettingsDialog() override { calls << "ShowSettingsDialog"; }
    void openFileMenu() override { calls << "OpenFileMenu"; }
    void openHelpMenu() override { calls << "OpenHelpMenu"; }
    void addFiles() override { calls << "AddFiles"; }
    void addFolder() override { calls << "AddFolder"; }
    void removeSelectedRows() override { calls << "RemoveSelectedRows"; }
    void clearList() override { calls << "ClearList"; }
    void refreshTrackTable() override { calls << "RefreshTrackTable"; }
    void startFreeDbLookup() override {
        calls << "StartFreeDbLookup";
        windowFlagDuringLookup = state->showFreeDbWindow;
    }
    void playOrPause() override { calls << "PlayOrPause"; }
    void stopPreview() override { calls << "StopPreview"; }
    void previewPreviousRow() override { calls << "PreviewPreviousRow"; }
    void previewNextRow() override { calls << "PreviewNextRow"; }
    void stepBack() override { calls << "StepBack"; }
    void stepForward() override { calls << "StepForward"; }
    void sliderPressed() override { calls << "SliderPressed"; }
    void sliderReleased() override { calls << "SliderReleased"; }
    void tickAllRows(bool ticked) override { calls << (ticked ? "TickAll" : "UntickAll"); }
    void closeMainWindow() override { calls << "CloseMainWindow"; }
    void showContent() override { calls << "ShowContent"; }
    void showDemos() override { calls << "ShowDemos"; }
    void showHomePage() override { calls << "ShowHomePage"; }
    void showAbout() override { calls << "ShowAbout"; }
};

class CommandSurfaceTest : public ::testing::Test {
protected:
    MainState state;
    RecordingTarget target;
    CommandSurface surface{state, target};

    void SetUp() override {
        target.state = &state;
        state.currentRow = 0;
    }
    QStringList click(const QString& name) {
        target.calls.clear();
        surface.skin1Click(name);
        return target.calls;
    }
    QStringList menu(CommandSurface::MenuItem item) {
        target.calls.clear();
        surface.menuClick(item);
        return target.calls;
    }
};

TEST_F(CommandSurfaceTest, EveryNameRunsItsCommandWhenIdle) {
    EXPECT_EQ(click("start"), QStringList{"startJob"});
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
    state.jobRunning = true;
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
    state.playbackActive = true;
    EXPECT_TRUE(click("refresh").isEmpty());
    EXPECT_TRUE(click("freedb").isEmpty());
    EXPECT_EQ(menu(CommandSurface::MenuItem::Refresh), QStringList{"RefreshTrackTable"});
    EXPECT_EQ(menu(CommandSurface::MenuItem::FreeDB), QStringList{"StartFreeDbLookup"});
    EXPECT_FALSE(target.windowFlagDuringLookup) << "the menu item opens no status window";
}

TEST_F(CommandSurfaceTest, FreeDbOpensTheStatusWindowOnlyForItsOwnLookup) {
    click("freedb");
    EXPECT_TRUE(target.windowFlagDuringLookup);
    EXPECT_FALSE(state.showFreeDbWindow);
}

TEST_F(CommandSurfaceTest, PlayCommandsNeedACurrentRow) {
    state.currentRow = -1;
    for (const char* name : {"play", "next", "hou", "qian", "break"})
        EXPECT_TRUE(click(name).isEmpty()) << name;
    state.playbackActive = true;
    EXPECT_TRUE(click("playstop").isEmpty());
    state.currentRow = 1;
    EXPECT_EQ(click("playstop"), QStringList{"StopPreview"});
    state.playbackActive = false;
    EXPECT_TRUE(click("playstop").isEmpty()) << "stop play needs a running preview";
}

TEST_F(CommandSurfaceTest, BreakAndNextStayInsideTheList) {
    state.currentRow = 0;
    EXPECT_TRUE(click("break").isEmpty());
    state.currentRow = 1;
    EXPECT_EQ(click("break"), QStringList{"PreviewPreviousRow"});

    target.mode = Converter;
    target.rows = 3;
    state.currentRow = 2;
    EXPECT_TRUE(click("next").isEmpty()) << "last row of the converter list";
    state.currentRow = 1;
    EXPECT_EQ(click("next"), QStringList{"PreviewNextRow"});
    target.mode = CdRipper;
    state.currentRow = 2;
    EXPECT_EQ(click("next"), QStringList{"PreviewNextRow"})
        << "the preview itself checks in CD mode";
}

TEST_F(CommandSurfaceTest, TheSliderStopsFollowingWhileHeldAndEveryReleaseReachesTheTarget) {
    surface.skin1MouseDown("pb");
    EXPECT_FALSE(state.sliderFollowsPlayback);
    surface.skin1MouseUp("pb");
    EXPECT_TRUE(state.sliderFollowsPlayback);
    // Paused or stopped, the release still sets where the next play starts.
    EXPECT_EQ(target.calls, (QStringList{"SliderPressed", "SliderReleased"}));

    target.calls.clear();
    surface.skin1MouseDown("play");
    surface.skin1MouseUp("play");
    EXPECT_TRUE(state.sliderFollowsPlayback);
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
    EXPECT_EQ(menu(Item::Start), QStringList{"startJob"});
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
    state.playbackActive = true;
    EXPECT_EQ(menu(Item::StopPlay), QStringList{"StopPreview"});
}

} // namespace
