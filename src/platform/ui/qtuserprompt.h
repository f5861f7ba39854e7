#pragma once

#include "platform/iuserprompt.h"

#include <QPointer>

class FolderDialog;
class QWidget;

// The real prompt: Qt's message boxes and file dialog and Orvelle's folder
// window, over the given parent.
class QtUserPrompt : public IUserPrompt {
public:
    explicit QtUserPrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    ~QtUserPrompt() override;
    void setParent(QWidget* parent) { m_parent = parent; }

    void information(const QString& text) override;
    bool question(const QString& text, Default button = Default::Yes) override;
    QStringList openFiles(const QString& caption, const QString& filter) override;
    QString chooseFolder(FolderLayout layout) override;

private:
    QWidget* m_parent;
    // Made at the first use and kept, so that the tree stays where the user left it.
    QPointer<FolderDialog> m_folders;
};
