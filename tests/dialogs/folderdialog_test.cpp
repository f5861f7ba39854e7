#include "dialogs/folderdialog.h"
#include "settings/mainkeys.h"
#include "settings/settingsfile.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileSystemModel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

namespace {

template <typename Widget> Widget* child(const QWidget& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QTreeView* tree(const FolderDialog& dialog) {
    return child<QTreeView>(dialog, "ShellTreeView1");
}

QString treePath(const FolderDialog& dialog, const QModelIndex& index) {
    return static_cast<QFileSystemModel*>(tree(dialog)->model())->filePath(index);
}

void click(const FolderDialog& dialog, const char* button) {
    child<QPushButton>(dialog, button)->click();
}

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
        EXPECT_EQ(!tree(dialog)->isHidden(), row.tree) << row.caption;
        EXPECT_EQ(!child<QListWidget>(dialog, "placesList")->isHidden(), row.tree);
        EXPECT_EQ(!child<QPlainTextEdit>(dialog, "Memo1")->isHidden(), row.memo) << row.caption;
        EXPECT_EQ(!child<QPushButton>(dialog, "btn_ok")->isHidden(), row.ok) << row.caption;
        EXPECT_EQ(!child<QPushButton>(dialog, "edt_retry")->isHidden(), row.retry);
        EXPECT_EQ(child<QPushButton>(dialog, "btn_cancel")->text(), row.third);
        EXPECT_EQ(dialog.isModal(), row.layout != FolderDialog::Layout::FreeDbStatus);
        if (row.memo) {
            // The lines start at the top: no empty area above them.
            dialog.show();
            const QWidget* memo = child<QPlainTextEdit>(dialog, "Memo1");
            EXPECT_LE(memo->y(), dialog.layout()->contentsMargins().top() + 1);
            dialog.hide();
        }
    }
    EXPECT_EQ(dialog.size(), QSize(640, 440)) << "the folder layout gets its size back";
}

TEST(FolderDialog, IsCentredOverTheCallingWindow) {
    QWidget owner;
    owner.setGeometry(100, 50, 900, 700);
    FolderDialog dialog;
    dialog.configure(FolderDialog::Layout::OutputFolder, &owner);
    const QRect frame = owner.frameGeometry();
    EXPECT_EQ(dialog.pos(), QPoint(frame.left() + (frame.width() - dialog.width()) / 2,
                                   frame.top() + (frame.height() - dialog.height()) / 2));
}

TEST(FolderDialog, OkReturnsTheChosenFolderAndCancelNothing) {
    QTemporaryDir dir;
    FolderDialog dialog;
    dialog.configure(FolderDialog::Layout::OutputFolder, nullptr);
    dialog.selectFolder(dir.path());
    click(dialog, "btn_ok");
    EXPECT_EQ(dialog.selectedFolder(), dir.path());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    click(dialog, "btn_cancel");
    EXPECT_TRUE(dialog.selectedFolder().isEmpty());

    dialog.selectFolder(dir.path());
    click(dialog, "btn_ok");
    dialog.show();
    dialog.close(); // the close box counts as Cancel
    EXPECT_TRUE(dialog.selectedFolder().isEmpty());

    tree(dialog)->clearSelection();
    click(dialog, "btn_ok");
    EXPECT_TRUE(dialog.selectedFolder().isEmpty()) << "nothing selected, nothing chosen";

    dialog.show();
    child<QLineEdit>(dialog, "folderPathEdit")->setText(dir.filePath("missing"));
    click(dialog, "btn_ok");
    EXPECT_TRUE(dialog.isVisible()) << "a mistyped folder is not taken";
}

TEST(FolderDialog, TheTreeKeepsItsSelectionBetweenShowings) {
    QTemporaryDir dir;
    FolderDialog dialog;
    dialog.selectFolder(dir.path());
    click(dialog, "btn_ok");
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
    click(dialog, "edt_retry");
    EXPECT_TRUE(retried);
    EXPECT_EQ(dialog.lines().size(), 2);
    click(dialog, "btn_cancel"); // Close empties the result as Cancel does
    EXPECT_TRUE(dialog.selectedFolder().isEmpty());
    dialog.configure(FolderDialog::Layout::FreeDbStatus, nullptr);
    EXPECT_TRUE(dialog.lines().isEmpty());
}

TEST(FolderDialog, OnlyDrivesAUserMountedArePlaces) {
    for (const char* root : {"/media/ann/USB", "/run/media/ann/Disk", "/mnt"})
        EXPECT_TRUE(isUserVolume(root, "ext4")) << root;
    for (const char* root : {"/", "/mediaX", "/home"})
        EXPECT_FALSE(isUserVolume(root, "ext4")) << root;
    EXPECT_FALSE(isUserVolume("/mnt/ram", "tmpfs"));
}

// A home of its own, so that the tree, the places and the bookmarks are the test's.
struct TemporaryHome : QTemporaryDir {
    TemporaryHome() {
        qputenv("HOME", QFile::encodeName(path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(filePath(".config")));
        QDir().mkpath(filePath(".config/gtk-3.0"));
    }
    ~TemporaryHome() {
        qputenv("HOME", m_home);
        qputenv("XDG_CONFIG_HOME", m_config);
    }
    const QByteArray m_home = qgetenv("HOME"), m_config = qgetenv("XDG_CONFIG_HOME");
};

TEST(FolderDialog, OpensOnANestedFolderExpandedSelectedAndInView) {
    TemporaryHome home;
    // Enough siblings that the folder, sorted last, lies below the first screen.
    for (int i = 0; i < 60; ++i)
        QDir().mkpath(home.filePath(QStringLiteral("d%1").arg(i, 2, 10, QLatin1Char('0'))));
    const QString target = home.filePath("zz/inner/target");
    QDir().mkpath(target);
    FolderDialog dialog;
    dialog.configure(FolderDialog::Layout::OutputFolder, nullptr);
    dialog.selectFolder(target);
    dialog.show();

    QTreeView* view = tree(dialog);
    EXPECT_EQ(treePath(dialog, view->rootIndex()), home.path());
    EXPECT_EQ(treePath(dialog, view->currentIndex()), target);
    for (QModelIndex open = view->currentIndex(); open != view->rootIndex(); open = open.parent())
        EXPECT_TRUE(view->isExpanded(open)) << treePath(dialog, open).toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return treePath(dialog, view->model()->index(60, 0, view->rootIndex())) ==
               home.filePath("zz");
    }));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return view->viewport()->rect().contains(view->visualRect(view->currentIndex()));
    })) << "the folder is scrolled back into view once its parents are sorted";
}

TEST(FolderDialog, PlacesListHomeMusicAndBookmarksAndLeadOutsideHome) {
    TemporaryHome home;
    QDir().mkpath(home.filePath("Music"));
    QTemporaryDir outside;
    QDir().mkpath(outside.filePath("My Rips/disc"));
    QFile bookmarks(home.filePath(".config/gtk-3.0/bookmarks"));
    ASSERT_TRUE(bookmarks.open(QIODevice::WriteOnly));
    bookmarks.write("sftp://host/music\nfile://" + QFile::encodeName(outside.path()) +
                    "/My%20Rips Rips\nfile://" + QFile::encodeName(home.filePath("gone")) + "\n");
    bookmarks.close();

    const QList<FolderPlace> places = userFolderPlaces();
    ASSERT_GE(places.size(), 4);
    EXPECT_EQ(places[0].path, home.path());
    EXPECT_EQ(places[1].path, home.filePath("Music"));
    EXPECT_EQ(places[2].label, "Rips");
    EXPECT_EQ(places[2].path, outside.filePath("My Rips"));
    EXPECT_TRUE(places[3].kind != FolderPlace::Kind::Bookmark) << "no network or missing place";
    EXPECT_EQ(places.last().path, "/");

    FolderDialog dialog;
    dialog.configure(FolderDialog::Layout::AddFolder, nullptr);
    dialog.selectFolder(outside.filePath("My Rips/disc"));
    EXPECT_EQ(treePath(dialog, tree(dialog)->rootIndex()), outside.filePath("My Rips"))
        << "a folder outside home is shown under the place that holds it";
    EXPECT_EQ(child<QListWidget>(dialog, "placesList")->currentRow(), 2);
    child<QListWidget>(dialog, "placesList")->setCurrentRow(1);
    EXPECT_EQ(treePath(dialog, tree(dialog)->currentIndex()), home.filePath("Music"));
}

TEST(FolderDialog, KeepsItsSizeAndFallsBackFromABadOne) {
    QTemporaryDir dir;
    const QString settingsPath = dir.filePath("Orvelle.ini");
    {
        FolderDialog dialog(nullptr, settingsPath);
        dialog.show();
        dialog.resize(700, 500);
        click(dialog, "btn_cancel");
    }
    EXPECT_EQ(FolderDialog(nullptr, settingsPath).size(), QSize(700, 500));
    const std::pair<const char*, QSize> stored[] = {
        {"420x300", {420, 300}}, {"", {640, 440}},          {"wide", {640, 440}},
        {"419x500", {640, 440}}, {"700x299", {640, 440}},   {"-700x500", {640, 440}},
        {"700x", {640, 440}},    {"700x500x2", {640, 440}}, {"99999999x500", {640, 440}}};
    for (const auto& [text, size] : stored) {
        SettingsFile(settingsPath).write(MainKeys::FolderWindowSize, QString::fromLatin1(text));
        EXPECT_EQ(FolderDialog(nullptr, settingsPath).size(), size) << text;
    }
}

} // namespace
