#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

// Every modal question to the user goes through this, so that tests can
// answer and no test ever blocks on a window.
class IUserPrompt {
public:
    virtual ~IUserPrompt() = default;

    // An information box with an OK button.
    virtual void Information(const QString& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool Question(const QString& text) = 0;
    // The file-open dialog with multi-selection; empty when cancelled.
    virtual QStringList OpenFiles(const QString& caption, const QString& filter) = 0;
    // Shows one of our own dialogs modally and returns its result code.
    virtual int Exec(QDialog& dialog) = 0;
};
