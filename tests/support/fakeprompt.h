#pragma once

#include "platform/ishell.h"
#include "platform/iuserprompt.h"

#include <functional>
#include <QDialog>
#include <QStringList>
#include <vector>

// Answers the program's questions from a script and records what was asked.
class FakePrompt : public IUserPrompt {
public:
    QStringList informations;
    QStringList questions;
    // The default button of each question, in order.
    std::vector<Default> questionDefaults;
    bool questionAnswer = false;
    QStringList filesToOpen;
    // Runs on a dialog shown modally; returns the dialog's result code.
    std::function<int(QDialog&)> onExec = [](QDialog&) { return int(QDialog::Rejected); };
    int execCount = 0;

    void Information(const QString& text) override { informations << text; }
    bool Question(const QString& text, Default button = Default::Yes) override {
        questions << text;
        questionDefaults.push_back(button);
        return questionAnswer;
    }
    QStringList OpenFiles(const QString&, const QString&) override { return filesToOpen; }
    int Exec(QDialog& dialog) override {
        ++execCount;
        return onExec(dialog);
    }
};

// Records what the program asked the desktop to open or start.
class FakeShell : public IShell {
public:
    std::vector<QUrl> urls;
    QStringList folders;
    std::vector<std::pair<QString, QStringList>> started;

    void OpenUrl(const QUrl& url) override { urls.push_back(url); }
    void OpenFolder(const QString& folder) override { folders << folder; }
    bool StartDetached(const QString& program, const QStringList& arguments) override {
        started.emplace_back(program, arguments);
        return true;
    }
};
