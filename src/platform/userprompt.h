#pragma once

#include <QString>
#include <QStringList>

// Every modal question to the user goes through this, so that tests can
// answer and no test ever blocks on a window. Plain values in and out: the
// window answers with Qt's boxes, a command line could answer from its flags.
class UserPrompt {
public:
    // What a folder is chosen for; the folder window is laid out for it.
    enum class FolderLayout { OutputFolder, AddFolder };

    virtual ~UserPrompt() = default;

    // The button that Enter presses.
    enum class Default { Yes, No };

    // An information box with an OK button.
    virtual void information(const QString& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool question(const QString& text, Default button = Default::Yes) = 0;
    // The file-open dialog with multi-selection; empty when cancelled.
    virtual QStringList openFiles(const QString& caption, const QString& filter) = 0;
    // The folder window, open on `startFolder` when it names one; the chosen
    // folder, empty when cancelled.
    virtual QString chooseFolder(FolderLayout layout, const QString& startFolder = {}) = 0;
};
