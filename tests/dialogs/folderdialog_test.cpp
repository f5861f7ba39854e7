#include "dialogs/folderdialog.h"

#include <gtest/gtest.h>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

struct LayoutRow {
    FolderDialog::Layout layout;
    const char* caption;
    bool tree, memo, ok, retry;
    const char* third;
};

TEST(FolderDialog, ThreeLayouts) {
    FolderDialog dialog;
    const LayoutRow rows[] = {
        {FolderDialog::Layout::OutputFolder, "Output Directory", true, false, true, false,
         "Cancel"},
        {FolderDialog::Layout::AddFolder, "Add File Directory", true, false, true, false, "Cancel"},
        {FolderDialog::Layout::FreeDbStatus, "FreeDB info", false, true, false, true, "Close"},
        {FolderDialog::Layout::OutputFolder, "Output Directory", true, false, true, false,
         "Cancel"},
    };
    for (const auto& row : rows) {
        dialog.configure(row.layout, nullptr);
        EXPECT_EQ(dialog.windowTitle(), row.caption);
        EXPECT_EQ(!dialog.ShellTreeView1->isHidden(), row.tree) << row.caption;
        EXPECT_EQ(!dialog.Memo1->isHidden(), row.memo) << row.caption;
        EXPECT_EQ(!dialog.btn_ok->isHidden(), row.ok) << row.caption;
        EXPECT_EQ(!dialog.edt_retry->isHidden(), row.retry) << row.caption;
        EXPECT_EQ(dialog.btn_cancel->text(), row.third);
        EXPECT_EQ(dialog.isModal(), row.layout != FolderDialog::Layout::FreeDbStatus);
    }
    EXPECT_EQ(dialog.size(), QSize(287, 254));
}

TEST(FolderDialog, IsCentredOverTheCallingWindow) {
    QWidget owner;
    owner.setGeometry(100, 50, 658, 452);
    FolderDialog dialog;
    dialog.configure(FolderDialog::Layout::OutputFolder, &owner);
    const QRect frame = owner.frameGeometry();
    EXPECT_EQ(dialog.pos(), QPoint(frame.left() + (frame.width() - 287) / 2,
                                   frame.top() + (frame.height() - 254) / 2));
}

TEST(FolderDialog, OkReturnsTheSelectedFolderAndCancelNothing) {
    QTemporaryDir dir;
    FolderDialog dialog;
    dialog.configure(FolderDialog::Layout::OutputFolder, nullptr);
    dialog.selectFolder(dir.path());
    dialog.btn_ok->click();
    EXPECT_EQ(dialog.selectedFolder, dir.path());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    dialog.btn_cancel->click();
    EXPECT_TRUE(dialog.selectedFolder.isEmpty());

    dialog.selectFolder(dir.path());
    dialog.btn_ok->click();
    dialog.show();
    dialog.close(); // the close box counts as Cancel
    EXPECT_TRUE(dialog.selectedFolder.isEmpty());
}

TEST(FolderDialog, OkWithNothingSelectedReturnsEmpty) {
    FolderDialog dialog;
    dialog.configure(FolderDialog::Layout::AddFolder, nullptr);
    dialog.ShellTreeView1->clearSelection();
    dialog.btn_ok->click();
    EXPECT_TRUE(dialog.selectedFolder.isEmpty());
}

TEST(FolderDialog, TheTreeKeepsItsSelectionBetweenShowings) {
    QTemporaryDir dir;
    FolderDialog dialog;
    dialog.selectFolder(dir.path());
    dialog.btn_ok->click();
    dialog.configure(FolderDialog::Layout::AddFolder, nullptr);
    EXPECT_EQ(dialog.currentFolder(), dir.path());
}

TEST(FolderDialog, StatusLinesAccumulateUntilTheStatusLayoutIsSetAgain) {
    FolderDialog dialog;
    dialog.configure(FolderDialog::Layout::FreeDbStatus, nullptr);
    dialog.appendLine("one");
    dialog.appendLine("two");
    EXPECT_EQ(dialog.lines(), (QStringList{"one", "two"}));
    bool retried = false;
    QObject::connect(&dialog, &FolderDialog::retryClicked, [&] { retried = true; });
    dialog.edt_retry->click();
    EXPECT_TRUE(retried);
    EXPECT_EQ(dialog.lines().size(), 2);
    dialog.btn_cancel->click(); // Close empties the result as Cancel does
    EXPECT_TRUE(dialog.selectedFolder.isEmpty());
    dialog.configure(FolderDialog::Layout::FreeDbStatus, nullptr);
    EXPECT_TRUE(dialog.lines().isEmpty());
}

} // namespace
