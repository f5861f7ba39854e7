#include "app/radiogroup.h"
#include "app/windowfixture.h"
#include "dialogs/aboutbox.h"
#include "dialogs/folderdialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

namespace {

using Window = WindowFixture;

QStringList column(QTreeWidget* lv, int column) {
    QStringList texts;
    for (int i = 0; i < lv->topLevelItemCount(); ++i)
        texts << lv->topLevelItem(i)->text(column);
    return texts;
}

TEST_F(Window, TrackTableFollowsTheGrabbersTracks) {
    audioCd({{"Session1 Track1", "", "", 4, 5, 7},
             {"Session1 Track3", "Band", "Record", 12, 3, 74},
             {"Session1 Track3", "", "", 0, 0, 0}});
    MainWindow& w = start();
    EXPECT_EQ(column(w.lv, MainWindow::ColName),
              (QStringList{"Track01", "Session1 Track3", "Track03"}));
    EXPECT_EQ(column(w.lv, MainWindow::ColTime), (QStringList{"04:05:7", "12:03:74", "00:00:0"}));
    EXPECT_EQ(column(w.lv, MainWindow::ColTarget), (QStringList{"MP3", "MP3", "MP3"}));
    EXPECT_EQ(column(w.lv, MainWindow::ColStatus),
              (QStringList{"Unconverter", "Unconverter", "Unconverter"}));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(w.lv->topLevelItem(i)->checkState(MainWindow::ColName), Qt::Checked);
    ASSERT_EQ(w.rowTags.size(), 3);
    EXPECT_EQ(w.rowTags[0].Artist, "Unknown Artist");
    EXPECT_EQ(w.rowTags[0].Album, "Unknown Album");
    EXPECT_EQ(w.rowTags[1].Artist, "Band");
    EXPECT_EQ(w.rowTags[1].Title, "Session1 Track3");
    EXPECT_EQ(w.state.CurrentRow, 0);
    EXPECT_EQ(w.edt_tital->text(), "Track01");
    EXPECT_EQ(w.edt_Artist->text(), "Unknown Artist");
    EXPECT_EQ(w.edt_album->text(), "Unknown Album");
}

TEST_F(Window, TrackTenAndAboveHaveNoExtraZero) {
    std::vector<FakeTrack> tracks;
    for (int n = 1; n <= 12; ++n)
        tracks.push_back({QStringLiteral("Session1 Track%1").arg(n), "", "", 1, 0, 0});
    audioCd(tracks);
    MainWindow& w = start();
    EXPECT_EQ(w.lv->topLevelItem(9)->text(0), "Track10");
    EXPECT_EQ(w.lv->topLevelItem(11)->text(0), "Track12");
    EXPECT_EQ(MainWindow::FormatTwoDigits(7), "07");
    EXPECT_EQ(MainWindow::FormatTwoDigits(123), "123");
}

TEST_F(Window, ThreeDrivesAreListedAndChosenByEntry) {
    audioCd({{"A", "", "", 1, 0, 0}});
    fakes.grabberDrives = {{"0:0:0", "ACME", "ONE", "1.0"},
                           {"0:1:0", "Bolt", "TWO", "2.0"},
                           {"1:0:0", "Cord", "THREE", "3.0"}};
    MainWindow& w = start();
    ASSERT_EQ(w.cb_driver->count(), 3);
    EXPECT_EQ(w.cb_driver->itemText(0), "[0:0:0]  ACME  ONE  1.0");
    EXPECT_EQ(w.cb_driver->itemText(2), "[1:0:0]  Cord  THREE  3.0");
    EXPECT_EQ(w.cb_driver->currentIndex(), 0);
    EXPECT_EQ(fakes.grabber->currentDrive, 1);
    const int queries = fakes.grabber->queries;
    w.cb_driverChange(2);
    EXPECT_EQ(fakes.grabber->currentDrive, 3);
    EXPECT_EQ(fakes.grabber->queries, queries + 1);
}

TEST_F(Window, AudioDiscTestLooksAtEveryDriveInOrder) {
    audioCd({});
    MainWindow& w = start();
    fakes.driveLayer->drives = {{"/dev/sr0", true, "DATA"}, {"/dev/sr1", true, "Audio CD"}};
    EXPECT_TRUE(w.IsAudioCdPresent());
    fakes.driveLayer->drives = {{"/dev/sr0", true, "DATA"}, {"/dev/sr1", true, "audio cd"}};
    EXPECT_FALSE(w.IsAudioCdPresent()) << "the label is compared with its case";
    fakes.driveLayer->drives = {{"/dev/sr0", true, "DATA"}, {"/dev/sr1", false, ""}};
    EXPECT_TRUE(w.IsAudioCdPresent()) << "an empty drive counts";
    EXPECT_FALSE(w.IsAudioCdVolume("/dev/sr1"));
    fakes.driveLayer->drives.clear();
    EXPECT_FALSE(w.IsAudioCdPresent());
}

TEST_F(Window, MediaChangeRebuildsInTheCdFunctionOnly) {
    audioCd({{"A", "", "", 1, 0, 0}});
    MainWindow& w = start();
    fakes.grabber->tracks.push_back({"B", "", "", 1, 0, 0});
    emit fakes.grabber->OnMediaChange();
    EXPECT_EQ(w.lv->topLevelItemCount(), 2);
    fakes.driveLayer->drives = {{"/dev/sr0", true, "DATA"}};
    emit fakes.grabber->OnMediaChange();
    EXPECT_EQ(prompt.informations, QStringList{MainWindow::NotAudioCd});
    EXPECT_EQ(w.lv->topLevelItemCount(), 2) << "the table keeps its rows";

    w.rg_function->setItemIndex(Converter);
    prompt.informations.clear();
    const int reads = fakes.log.calls.count("grabber.ReadDisc");
    emit fakes.grabber->OnMediaChange();
    EXPECT_TRUE(prompt.informations.isEmpty());
    EXPECT_EQ(fakes.log.calls.count("grabber.ReadDisc"), reads);
}

TEST_F(Window, FreeDbStatusLinesAndReload) {
    audioCd({{"Session1 Track1", "", "", 1, 0, 0}});
    MainWindow& w = start();
    for (int status : {1, 2, 0, 4, -3, -1, -2})
        emit fakes.grabber->OnFreeDBQueryStatus(status);
    EXPECT_EQ(w.FreeDbWindow->lines(),
              (QStringList{"Connecting to  server...", "Quering for album entry...",
                           "Connection failed!", "No FreeDB information available for this CD!"}));
    fakes.grabber->tracks[0] = {"Opening", "Singer", "Songs", 1, 0, 0};
    emit fakes.grabber->OnFreeDBQueryStatus(3);
    EXPECT_EQ(w.FreeDbWindow->lines().mid(4),
              (QStringList{"FreeDB information loaded", "Refresh CD information..."}));
    EXPECT_EQ(w.lv->topLevelItem(0)->text(0), "Opening");
    EXPECT_EQ(w.edt_Artist->text(), "Singer");
    EXPECT_FALSE(w.FreeDbWindow->isVisible()) << "the lookup at start shows no window";
}

TEST_F(Window, FreeDbCommandOpensTheStatusWindowAndRetryAppends) {
    audioCd({{"A", "", "", 1, 0, 0}});
    MainWindow& w = start();
    w.FreeDbWindow->appendLine("old line");
    skin->click("freedb");
    EXPECT_TRUE(w.FreeDbWindow->isVisible());
    EXPECT_EQ(w.FreeDbWindow->windowTitle(), "FreeDB info");
    EXPECT_TRUE(w.FreeDbWindow->lines().isEmpty()) << "the command clears the lines";
    emit fakes.grabber->OnFreeDBQueryStatus(-1);
    const int queries = fakes.grabber->queries;
    w.FreeDbWindow->edt_retry->click();
    EXPECT_EQ(fakes.grabber->queries, queries + 1);
    emit fakes.grabber->OnFreeDBQueryStatus(1);
    EXPECT_EQ(w.FreeDbWindow->lines(),
              (QStringList{"Connection failed!", "Connecting to  server..."}));
    w.FreeDbWindow->btn_cancel->click();
    EXPECT_FALSE(w.FreeDbWindow->isVisible());
}

TEST_F(Window, RefreshAndFreeDbRefuseTheConverterFunction) {
    audioCd({});
    MainWindow& w = start();
    w.rg_function->setItemIndex(Converter);
    w.commands.MenuClick(CommandSurface::MenuItem::Refresh);
    w.commands.MenuClick(CommandSurface::MenuItem::FreeDB);
    EXPECT_EQ(prompt.informations,
              (QStringList{MainWindow::CdRipperOnly, MainWindow::CdRipperOnly}));
}

TEST_F(Window, ListCommandsRefuseTheCdFunctionAndStaySilentDuringAJob) {
    audioCd({{"A", "", "", 1, 0, 0}});
    MainWindow& w = start();
    for (const char* name : {"addfile", "remove", "clear"})
        w.commands.Skin1Click(name);
    EXPECT_EQ(prompt.informations.size(), 3);
    EXPECT_EQ(prompt.informations[0], MainWindow::ConverterOnly);
    EXPECT_EQ(w.lv->topLevelItemCount(), 1);
    prompt.informations.clear();
    w.state.JobRunning = true;
    w.commands.Skin1Click("clear");
    EXPECT_TRUE(prompt.informations.isEmpty());
}

TEST_F(Window, FormatChoiceRetargetsEveryRowAndSetReturns) {
    audioCd({{"A", "", "", 1, 0, 0}, {"B", "", "", 1, 0, 0}});
    MainWindow& w = start();
    w.lv->topLevelItem(1)->setText(MainWindow::ColTarget, "RM");
    w.rg_format->setItemIndex(FormatOgg);
    EXPECT_EQ(column(w.lv, MainWindow::ColTarget), (QStringList{"OGG", "OGG"}));
    w.rg_format->setItemIndex(FormatSet);
    EXPECT_EQ(w.rg_format->itemIndex(), FormatOgg);
    EXPECT_EQ(w.state.LastFormat, FormatOgg);
    EXPECT_EQ(column(w.lv, MainWindow::ColTarget), (QStringList{"OGG", "OGG"}));
}

TEST_F(Window, TagEditsGoToSelectedRowsAndAllToEveryRow) {
    audioCd({{"A", "", "", 1, 0, 0}, {"B", "", "", 1, 0, 0}, {"C", "", "", 1, 0, 0}});
    MainWindow& w = start();
    w.lv->clearSelection();
    w.lv->topLevelItem(0)->setSelected(true);
    w.lv->topLevelItem(2)->setSelected(true);
    w.edt_tital->setText("New");
    w.edt_titalExit();
    EXPECT_EQ(w.rowTags[0].Title, "New");
    EXPECT_EQ(w.rowTags[1].Title, "B");
    EXPECT_EQ(w.rowTags[2].Title, "New");
    w.edt_album->setText("");
    w.bt_albumClick();
    for (int i = 0; i < w.rowTags.size(); ++i)
        EXPECT_EQ(w.rowTags.at(i).Album, "");
}

TEST_F(Window, SelectAndUnselectAllTickTheRows) {
    audioCd({{"A", "", "", 1, 0, 0}, {"B", "", "", 1, 0, 0}});
    MainWindow& w = start();
    w.commands.MenuClick(CommandSurface::MenuItem::UnselectAll);
    EXPECT_EQ(w.lv->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(w.lv->topLevelItem(1)->checkState(0), Qt::Unchecked);
    w.commands.MenuClick(CommandSurface::MenuItem::SelectAll);
    EXPECT_EQ(w.lv->topLevelItem(1)->checkState(0), Qt::Checked);
}

TEST_F(Window, SkinClicksOpenTheMenusAndHelpItemsOpenPages) {
    audioCd({});
    MainWindow& w = start();
    skin->click("file");
    EXPECT_TRUE(w.PopupMenu1->isVisible());
    w.PopupMenu1->hide();
    skin->click("help");
    EXPECT_TRUE(w.PopupMenu3->isVisible());
    w.PopupMenu3->hide();
    QStringList captions;
    for (QAction* action : w.PopupMenu1->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(captions, (QStringList{"Add File", "Add Folder", "Remove", "Clear", "-", "Refresh",
                                     "FreeDB", "-", "Start", "Stop", "-", "Exit"}));
    w.commands.MenuClick(CommandSurface::MenuItem::Content);
    w.commands.MenuClick(CommandSurface::MenuItem::FlashDemos);
    w.commands.MenuClick(CommandSurface::MenuItem::VisitWeb);
    ASSERT_EQ(shell.urls.size(), 3u);
    EXPECT_EQ(shell.urls[0], QUrl::fromLocalFile(dir.path() + "/help/Orvelle.html"));
    EXPECT_EQ(shell.urls[1].scheme(), "https");
    EXPECT_EQ(shell.urls[2].scheme(), "https");
    w.commands.MenuClick(CommandSurface::MenuItem::About);
    auto* about = w.findChild<QDialog*>("fm_about");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), "About");
}

TEST_F(Window, ExitClosesTheWindow) {
    audioCd({});
    MainWindow& w = start();
    w.commands.MenuClick(CommandSurface::MenuItem::Exit);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(Window, FormatEditorOpensOnTheTargetCellOnly) {
    audioCd({{"A", "", "", 1, 0, 0}});
    MainWindow& w = start();
    w.lv->setCurrentItem(w.lv->topLevelItem(0));
    w.lv->topLevelItem(0)->setText(MainWindow::ColTarget, "OGG");
    w.lvMouseDown(QPoint(120, 5)); // the "Time" cell
    w.lvDblClick();
    EXPECT_FALSE(w.cb_or->isVisible());
    w.lvMouseDown(QPoint(200, 5)); // the "Target" cell
    w.lvDblClick();
    ASSERT_TRUE(w.cb_or->isVisible());
    EXPECT_EQ(w.cb_or->currentText(), "OGG");
    w.cb_or->setCurrentIndex(4);
    w.cb_orKeyDown(Qt::Key_Return);
    EXPECT_FALSE(w.cb_or->isVisible());
    EXPECT_EQ(w.lv->topLevelItem(0)->text(MainWindow::ColTarget), "RM");
}

TEST_F(Window, OutputFolderComesFromTheFolderDialog) {
    audioCd({});
    MainWindow& w = start();
    const QString chosen = dir.path();
    prompt.folderToChoose = chosen;
    w.bt_dirClick();
    EXPECT_EQ(w.edt_dir->text(), chosen);
    EXPECT_EQ(prompt.folderLayouts,
              std::vector<IUserPrompt::FolderLayout>{IUserPrompt::FolderLayout::OutputFolder});
    prompt.folderToChoose.clear();
    w.bt_dirClick();
    EXPECT_EQ(w.edt_dir->text(), chosen) << "Cancel changes nothing";
}

} // namespace
