#pragma once

#include "platform/userprompt.h"
#include "settings/settingsfile.h"

#include <QPointer>

class FolderDialog;
class QWidget;

// The real prompt: Qt's message boxes and file dialog and Orvelle's folder
// window, over the given parent.
class QtUserPrompt : public UserPrompt {
public:
    // The settings file keeps the folder window's size and names the output
    // folder it opens on.
    explicit QtUserPrompt(QWidget* parent = nullptr,
                          const QString& settingsPath = SettingsFile::defaultPath())
        : m_parent(parent), m_settingsPath(settingsPath) {}
    ~QtUserPrompt() override;
    void setParent(QWidget* parent) { m_parent = parent; }

    void information(const QString& text) override;
    bool question(const QString& text, Default button = Default::Yes) override;
    QStringList openFiles(const QString& caption, const QString& filter) override;
    QString chooseFolder(FolderLayout layout, const QString& startFolder = {}) override;

private:
    QWidget* m_parent;
    QString m_settingsPath;
    // Made at the first use and kept, so that the tree stays where the user left it.
    QPointer<FolderDialog> m_folders;
    // The folders last chosen in this run; the output folder starts as stored.
    QString m_outputFolder;
    QString m_addFolder;
};
