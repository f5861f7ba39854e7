#include "dialogs/folderdialog.h"
#include "platform/ui/qtuserprompt.h"

#include <functional>
#include <gtest/gtest.h>
#include <QApplication>
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

TEST(QtUserPrompt, ChooseFolderShowsTheFolderWindowInTheAskedLayout) {
    QTemporaryDir dir;
    QWidget owner;
    owner.show();
    QtUserPrompt prompt(&owner);
    QString title;
    whenShown([&](FolderDialog& dialog) {
        title = dialog.windowTitle();
        dialog.selectFolder(dir.path());
        dialog.btn_ok->click();
    });
    EXPECT_EQ(prompt.chooseFolder(IUserPrompt::FolderLayout::AddFolder), dir.path());
    EXPECT_EQ(title, "Add File Directory");

    whenShown([&](FolderDialog& dialog) {
        title = dialog.windowTitle();
        dialog.btn_cancel->click();
    });
    EXPECT_EQ(prompt.chooseFolder(IUserPrompt::FolderLayout::OutputFolder), QString())
        << "Cancel chooses nothing, also after an earlier Ok";
    EXPECT_EQ(title, "Output Directory");
}

} // namespace
