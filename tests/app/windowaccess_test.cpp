// The window as a keyboard and a screen reader meet it: the real skin, its
// objects in the tab order among the window's controls, names that say what
// a control does, and the list read as a table.
#include "app/windowfixture.h"

#include "checksums/accuraterip.h"
#include "components/skin/svgskin.h"
#include "control/jobcontrol.h"
#include "support/testenvironment.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QTableView>
#include <QTest>

namespace {

class WindowAccess : public WindowFixture {
protected:
    MainController& startSkinned() {
        QFile::copy(testSourceDir() + QStringLiteral("/skin/orvelle-skin.svg"),
                    dir.filePath(QStringLiteral("mp3enc.dll")));
        window = std::make_unique<MainWindow>(fakes.make(std::make_unique<SvgSkin>()), prompt,
                                              shell, settingsPath, dir.path());
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QCoreApplication::processEvents();
        return window->controller();
    }
};

TEST_F(WindowAccess, TabWalksTheSkinAndTheControlsInReadingOrder) {
    startSkinned();
    QWidget* first = window->findChild<QWidget*>(QStringLiteral("file-focus"));
    ASSERT_NE(first, nullptr);
    first->setFocus(Qt::TabFocusReason);
    // A radio button by its group and its item.
    const auto name = [](const QWidget* widget) {
        const QString own = widget->objectName();
        return own.startsWith(QLatin1String("item")) ? widget->parent()->objectName() + '/' + own
                                                     : own;
    };
    QStringList order;
    for (int i = 0; i < 60 && !order.contains(name(QApplication::focusWidget())); ++i) {
        order << name(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    // One stop per group of radio buttons: the arrow keys choose within it.
    EXPECT_EQ(order,
              (QStringList{"file-focus",        "help-focus",      "start-focus",  "stop-focus",
                           "set-focus",         "addfile-focus",   "remove-focus", "clear-focus",
                           "refresh-focus",     "freedb-focus",    "cb_driver",    "lv",
                           "rg_function/item0", "rg_format/item0", "edt_tital",    "bu_tital",
                           "edt_Artist",        "bt_artist",       "edt_album",    "bt_album",
                           "edt_dir",           "bt_dir",          "rb_none",      "break-focus",
                           "play-focus",        "playstop-focus",  "next-focus",   "hou-focus",
                           "qian-focus",        "pb-focus"}));
}

// What a screen reader says for the controls whose caption says too little,
// the arrow keys choosing a function, and the list read as a table whose
// Status cell says its verdict in words.
TEST_F(WindowAccess, ControlsAreNamedAndTheListReadsAsATable) {
    MainController& c = startSkinned();
    const auto name = [this](const char* control) {
        QWidget* widget = window->findChild<QWidget*>(QLatin1String(control));
        return widget ? QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name)
                      : QString();
    };
    EXPECT_EQ(name("bt_dir"), "Choose Output Folder");
    EXPECT_EQ(name("bu_tital"), "Title to All Rows");
    EXPECT_EQ(name("edt_Artist"), "Artist: ");
    EXPECT_EQ(name("cb_driver"), "CD Drive");
    EXPECT_EQ(name("start-focus"), "Start");

    auto* cdRipper = window->findChild<QWidget*>(QStringLiteral("rg_function"))
                         ->findChild<QWidget*>(QStringLiteral("item0"));
    cdRipper->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cdRipper, Qt::Key_Right);
    EXPECT_EQ(c.options().function, Converter) << "an arrow key chooses as a click does";

    RowModel::Row row;
    row.caption = QStringLiteral("Track01");
    row.target = QStringLiteral("MP3");
    rows().append(row);
    TrackVerdict verdict;
    verdict.accurateRip.status = ArVerdict::Accurate;
    verdict.accurateRip.confidence = 12;
    rows().setStatus(0, JobControl::finishedText(verdict), {}, JobControl::finishedWords(verdict));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(control<QTableView>("lv"));
    EXPECT_EQ(list->role(), QAccessible::Table);
    QAccessibleTableInterface* table = list->tableInterface();
    ASSERT_NE(table, nullptr);
    QAccessibleInterface* status = table->cellAt(0, RowModel::ColStatus);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(QAccessible::Name), "Finish, accurate, 12 agree");
    const QList<QAccessibleInterface*> header = status->tableCellInterface()->columnHeaderCells();
    ASSERT_EQ(header.size(), 1);
    EXPECT_EQ(header[0]->text(QAccessible::Name), "Status");
    verdict.accurateRip.status = ArVerdict::Mismatch;
    EXPECT_EQ(JobControl::finishedWords(verdict), "Finish, not accurate");
}

} // namespace
