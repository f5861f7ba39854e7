#pragma once

#include "filelist/fileadder.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

class QMimeData;
class Shell;
class UserPrompt;
class MainController;

// The files and folders among the program's arguments (the first is the
// program): absolute paths, also from file:// addresses a desktop passes;
// options, which start with '-', are left out.
QStringList commandLinePaths(const QStringList& arguments, const QString& workingFolder);
// The local files and folders a drag from a file manager carries.
QStringList droppedPaths(const QMimeData* data);

// The converter's list as the window's commands drive it: Add File, Add
// Folder, dropped paths and files named on the command line go through one
// FileAdder batch; Remove and Clear keep every row paired with its tags and
// CurrentRow inside the list.
class FileListControl : public QObject {
    Q_OBJECT
public:
    FileListControl(MainController& controller, UserPrompt& prompt, Shell& shell,
                    const QUrl& helpFile);

    // The batch that tests the files (tests give it readers of their own).
    FileAdder& adder() { return m_adder; }

    void addFiles();
    void addFolder();
    void addDropped(const QStringList& paths);
    // Files and folders named when the program was started: the list's
    // function is chosen first, no command guard asks.
    void addPaths(const QStringList& paths);
    void removeSelectedRows();
    void clearRows();
    // A function switch or a cleared list drops the files not tested yet.
    void cancel() { m_adder.cancel(); }

private:
    bool allowed();
    void appendRow(const RowValues& row);
    void selectFirstRowIfNone();

    MainController& m_controller;
    UserPrompt& m_prompt;
    FileAdder m_adder;
};
