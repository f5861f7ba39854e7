#pragma once

#include <QString>

struct MainState;
class CommandTarget;

// Turns the names of skin objects and the items of the three menus into
// commands, each behind its guard.
class CommandSurface {
public:
    enum class MenuItem {
        // file menu
        AddFile,
        AddFolder,
        Remove,
        Clear,
        Refresh,
        FreeDB,
        Start,
        Stop,
        Settings,
        Exit,
        // list menu
        SelectAll,
        UnselectAll,
        ListAddFile,
        ListAddFolder,
        RemoveFile,
        ClearList,
        Play,
        StopPlay,
        // help menu
        Content,
        FlashDemos,
        VisitWeb,
        About
    };

    CommandSurface(MainState& state, CommandTarget& target) : m_state(state), m_target(target) {}

    // A click on a skin object; names are compared exactly, others do nothing.
    void skin1Click(const QString& name);
    // Presses and releases matter only on the position slider "pb"; the target
    // hears of every one, since a release while paused still moves the start.
    void skin1MouseDown(const QString& name);
    void skin1MouseUp(const QString& name);
    void menuClick(MenuItem item);

private:
    void start();
    void play();
    void playStop();

    MainState& m_state;
    CommandTarget& m_target;
};
