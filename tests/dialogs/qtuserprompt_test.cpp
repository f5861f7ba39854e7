#include "dialogs/folderdialog.h"
#include "dialogs/qtuserprompt.h"
#include "settings/mainkeys.h"

#include <functional>
#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// Acts on the folder window once its modal loop runs.
void whenShown(std::function<void(FolderDialog&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<FolderDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

TEST(QtUserPrompt, ChooseFolderOpensOnTheFolderOfItsUseInTheAskedLayout) {
    QTemporaryDir dir;
    const QString rips = dir.filePath("Music/Rips");
    QDir().mkpath(rips);
    const QString settingsPath = dir.filePath("Orvelle.ini");
    SettingsFile(settingsPath).ini().writeString("Main", "Path", rips);
    QWidget owner;
    owner.show();
    QtUserPrompt prompt(&owner, settingsPath);
    QString title, shown;
    whenShown([&](FolderDialog& dialog) {
        title = dialog.windowTitle();
        dialog.selectFolder(dir.path());
        dialog.findChild<QPushButton*>("btn_ok")->click();
    });
    EXPECT_EQ(prompt.chooseFolder(UserPrompt::FolderLayout::AddFolder), dir.path());
    EXPECT_EQ(title, "Add File Directory");

    whenShown([&](FolderDialog& dialog) {
        title = dialog.windowTitle();
        shown = dialog.currentFolder();
        dialog.findChild<QPushButton*>("btn_cancel")->click();
    });
    EXPECT_EQ(prompt.chooseFolder(UserPrompt::FolderLayout::OutputFolder), QString())
        << "Cancel chooses nothing, also after an earlier Ok";
    EXPECT_EQ(title, "Output Directory");
    EXPECT_EQ(shown, rips) << "the stored output folder, not the folder last added";

    // A folder typed into the window's box counts over the stored one.
    const QString typed = dir.filePath("Music/New");
    QDir().mkpath(typed);
    whenShown([&](FolderDialog& dialog) {
        shown = dialog.currentFolder();
        dialog.findChild<QPushButton*>("btn_cancel")->click();
    });
    EXPECT_EQ(prompt.chooseFolder(UserPrompt::FolderLayout::OutputFolder, typed), QString());
    EXPECT_EQ(shown.toStdString(), typed.toStdString());
}

} // namespace
