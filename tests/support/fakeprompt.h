#pragma once

#include "platform/shell.h"
#include "platform/userprompt.h"

#include <QStringList>
#include <vector>

// Answers the program's questions from a script and records what was asked.
class FakePrompt : public UserPrompt {
public:
    QStringList informations;
    QStringList questions;
    // The default button of each question, in order.
    std::vector<Default> questionDefaults;
    bool questionAnswer = false;
    QStringList filesToOpen;
    QString folderToChoose; // empty: the folder window is cancelled
    std::vector<FolderLayout> folderLayouts;

    void information(const QString& text) override { informations << text; }
    bool question(const QString& text, Default button = Default::Yes) override {
        questions << text;
        questionDefaults.push_back(button);
        return questionAnswer;
    }
    QStringList openFiles(const QString&, const QString&) override { return filesToOpen; }
    QString chooseFolder(FolderLayout layout, const QString& = {}) override {
        folderLayouts.push_back(layout);
        return folderToChoose;
    }
};

// Records what the program asked the desktop to open or start.
class FakeShell : public Shell {
public:
    std::vector<QUrl> urls;
    QStringList folders;
    std::vector<std::pair<QString, QStringList>> started;

    void openUrl(const QUrl& url) override { urls.push_back(url); }
    void openFolder(const QString& folder) override { folders << folder; }
    bool startDetached(const QString& program, const QStringList& arguments) override {
        started.emplace_back(program, arguments);
        return true;
    }
};
