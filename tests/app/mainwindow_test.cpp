#include "app/windowfixture.h"

#include "app/elidingcombobox.h"

#include "control/jobcontrol.h"
#include "dialogs/folderdialog.h"
#include "filelist/formatswitch.h"
#include "filelist/rowvalues.h"
#include "jobs/progresstext.h"

#include <QAbstractItemDelegate>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTableView>

namespace {

using Window = WindowFixture;
using Col = RowModel::Column;

TEST_F(Window, TrackTableFollowsTheGrabbersTracks) {
    audioCd({{"Session1 Track1", "", "", 4, 5, 7},
             {"Session1 Track3", "Band", "Record", 12, 3, 74},
             {"Session1 Track3", "", "", 0, 0, 0}});
    MainController& c = start();
    EXPECT_EQ(column(Col::ColName), (QStringList{"Track01", "Session1 Track3", "Track03"}));
    EXPECT_EQ(column(Col::ColTime), (QStringList{"04:05:7", "12:03:74", "00:00:0"}));
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"MP3", "MP3", "MP3"}));
    EXPECT_EQ(column(Col::ColStatus), (QStringList{"Unconverter", "Unconverter", "Unconverter"}));
    EXPECT_EQ(column(Col::ColPath), (QStringList{"", "", ""}));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(rows().isTicked(i));
    EXPECT_EQ(rows().tag(0).artist, "Unknown Artist");
    EXPECT_EQ(rows().tag(0).album, "Unknown Album");
    EXPECT_EQ(rows().tag(1).artist, "Band");
    EXPECT_EQ(rows().tag(1).title, "Session1 Track3");
    EXPECT_EQ(c.state().currentRow, 0);
    EXPECT_EQ(c.shownTag(), (RowTag{"Track01", "Unknown Artist", "Unknown Album"}));
    // The list shows the model, with the columns it has always had.
    auto* list = control<QTableView>("lv");
    EXPECT_EQ(list->model(), &rows());
    EXPECT_TRUE(list->isColumnHidden(Col::ColPath));
    EXPECT_EQ(rows().headerData(0, Qt::Horizontal).toString(), "File  Name");
}

// Every text a row's Status can show, at its widest, fits the column at the
// default font: nothing is cut to "Encoding 9…".
TEST_F(Window, EveryStatusTextFitsTheStatusColumn) {
    audioCd({{"Session1 Track1", "", "", 4, 5, 7}});
    start();
    auto* list = control<QTableView>("lv");
    const auto verdict = [](ArVerdict::Status status, int confidence) {
        TrackVerdict v;
        v.accurateRip.status = status;
        v.accurateRip.confidence = confidence;
        return JobControl::finishedText(v);
    };
    const QString texts[] = {ripProgressText(88.88),
                             hundredthsProgressText(8888),
                             encodingProgressText(8888),
                             QLatin1String(JobControl::Finished),
                             QLatin1String(JobControl::FinishedDamaged),
                             QLatin1String(JobControl::Failed),
                             RowTexts::Unconverted,
                             verdict(ArVerdict::Accurate, 255),
                             verdict(ArVerdict::Mismatch, 0),
                             verdict(ArVerdict::NotInDatabase, 0)};
    const QModelIndex status = rows().index(0, Col::ColStatus);
    for (const QString& text : texts) {
        rows().setStatus(0, text);
        QStyleOptionViewItem option;
        option.initFrom(list);
        option.font = list->font();
        const int needed = list->itemDelegate()->sizeHint(option, status).width();
        EXPECT_LE(needed, list->columnWidth(Col::ColStatus)) << text.toStdString();
    }
}

TEST_F(Window, TrackTenAndAboveHaveNoExtraZero) {
    std::vector<FakeTrack> tracks;
    for (int n = 1; n <= 12; ++n)
        tracks.push_back({QStringLiteral("Session1 Track%1").arg(n), "", "", 1, 0, 0});
    audioCd(tracks);
    start();
    EXPECT_EQ(rows().row(9).caption, "Track10");
    EXPECT_EQ(rows().row(11).caption, "Track12");
    EXPECT_EQ(DriveSession::twoDigits(7), "07");
    EXPECT_EQ(DriveSession::twoDigits(123), "123");
}

TEST_F(Window, ThreeDrivesAreListedAndChosenByEntry) {
    audioCd({{"A", "", "", 1, 0, 0}});
    fakes.readerDrives = {{"0:0:0", "ACME", "ONE", "1.0"},
                          {"0:1:0", "Bolt", "TWO", "2.0"},
                          {"1:0:0", "Cord", "THREE", "3.0"}};
    MainController& c = start();
    const QStringList names = c.drives().driveNames();
    ASSERT_EQ(names.size(), 3);
    EXPECT_EQ(names[0], "[0:0:0]  ACME  ONE  1.0");
    EXPECT_EQ(names[2], "[1:0:0]  Cord  THREE  3.0");
    EXPECT_EQ(control<QComboBox>("cb_driver")->currentIndex(), 0);
    EXPECT_EQ(fakes.reader->currentDriveNumber, 1);
    const int queries = fakes.lookup->lookups;
    c.chooseDrive(2);
    EXPECT_EQ(fakes.reader->currentDriveNumber, 3);
    EXPECT_EQ(fakes.lookup->lookups, queries + 1);
}

// An image's long path is cut in the middle in the drive box, so that both its
// start and its file name show, and the tooltip has it whole; the tag fields
// likewise keep a long title in their tooltip.
TEST_F(Window, LongDriveNamesAndTagsCanBeReadWhole) {
    audioCd({{"Opening Tone (2011 Remaster, Deluxe Edition)", "", "", 1, 0, 0}});
    const QString image = "/home/someone/Music/Images/Tiny Album (Remastered Deluxe)/disc.cue";
    fakes.readerDrives = {{"0:0:0", "Image", "file", image}};
    start();
    auto* drives = control<ElidingComboBox>("cb_driver");
    const QString name = drives->currentText();
    EXPECT_EQ(drives->toolTip(), name);
    const QString shown = drives->shownText();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("[0:0")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(".cue")) << shown.toStdString();
    EXPECT_EQ(control<QLineEdit>("edt_tital")->toolTip(),
              "Opening Tone (2011 Remaster, Deluxe Edition)");
}

TEST_F(Window, AudioDiscTestLooksAtEveryDriveInOrder) {
    audioCd({});
    DriveSession& drives = start().drives();
    fakes.driveLayer->drives = {{"/dev/sr0", true, "DATA"}, {"/dev/sr1", true, "Audio CD"}};
    EXPECT_TRUE(drives.isAudioCdPresent());
    fakes.driveLayer->drives = {{"/dev/sr0", true, "DATA"}, {"/dev/sr1", true, "audio cd"}};
    EXPECT_FALSE(drives.isAudioCdPresent()) << "the label is compared with its case";
    fakes.driveLayer->drives = {{"/dev/sr0", true, "DATA"}, {"/dev/sr1", false, ""}};
    EXPECT_TRUE(drives.isAudioCdPresent()) << "an empty drive counts";
    EXPECT_FALSE(drives.isAudioCdVolume("/dev/sr1"));
    fakes.driveLayer->drives.clear();
    EXPECT_FALSE(drives.isAudioCdPresent());
}

TEST_F(Window, MediaChangeRebuildsInTheCdFunctionOnly) {
    audioCd({{"A", "", "", 1, 0, 0}});
    MainController& c = start();
    fakes.reader->tracks.push_back({"B", "", "", 1, 0, 0});
    emit fakes.reader->mediaChanged();
    EXPECT_EQ(rows().count(), 2);
    fakes.driveLayer->drives = {{"/dev/sr0", true, "DATA"}};
    emit fakes.reader->mediaChanged();
    EXPECT_EQ(prompt.informations, QStringList{MainController::NotAudioCd});
    EXPECT_EQ(rows().count(), 2) << "the table keeps its rows";

    c.chooseFunction(Converter);
    prompt.informations.clear();
    const int reads = fakes.log.calls.count("reader.ReadDisc");
    emit fakes.reader->mediaChanged();
    EXPECT_TRUE(prompt.informations.isEmpty());
    EXPECT_EQ(fakes.log.calls.count("reader.ReadDisc"), reads);
}

TEST_F(Window, FreeDbStatusLinesAndReload) {
    audioCd({{"Session1 Track1", "", "", 1, 0, 0}});
    MainController& c = start();
    for (LookupStatus status : {LookupStatus::Connecting, LookupStatus::Querying,
                                LookupStatus::ConnectionFailed, LookupStatus::NoEntry})
        emit fakes.lookup->lookupStatusChanged(status);
    EXPECT_EQ(c.drives().statusLines(),
              (QStringList{"Connecting to  server...", "Quering for album entry...",
                           "Connection failed!", "No FreeDB information available for this CD!"}));
    fakes.reader->tracks[0] = {"Opening", "Singer", "Songs", 1, 0, 0};
    emit fakes.lookup->lookupStatusChanged(LookupStatus::Loaded);
    EXPECT_EQ(c.drives().statusLines().mid(4),
              (QStringList{"FreeDB information loaded", "Refresh CD information..."}));
    EXPECT_EQ(rows().row(0).caption, "Opening");
    EXPECT_EQ(c.shownTag().artist, "Singer");
    EXPECT_FALSE(control<QDialog>("FreeDbWindow")->isVisible())
        << "the lookup at start shows no window";
}

// A lookup or a disc change that comes back while the table is being read
// (a component may run the event loop) rebuilds it once the first build is
// in place: no doubled rows, no track chosen that the disc no longer has.
TEST_F(Window, AStatusOrDiscChangeDuringATableBuildGivesOneTable) {
    audioCd({{"A", "", "", 1, 0, 0}, {"B", "", "", 1, 0, 0}, {"C", "", "", 1, 0, 0}});
    MainController& c = start();
    QStringList errors;
    c.setErrorHandler([&](const QString& message) { errors << message; });
    bool changed = false;
    fakes.reader->onReadDisc = [&] {
        if (changed)
            return;
        changed = true;
        fakes.reader->tracksAfterNextRead = {{"X", "", "", 1, 0, 0}, {"Y", "", "", 1, 0, 0}};
        emit fakes.lookup->lookupStatusChanged(LookupStatus::Loaded);
        emit fakes.reader->mediaChanged();
    };
    const int reads = fakes.log.calls.count("reader.ReadDisc");
    c.refreshTrackTable();
    EXPECT_TRUE(errors.isEmpty()) << errors.join(", ").toStdString();
    EXPECT_EQ(column(Col::ColName), (QStringList{"X", "Y"}));
    EXPECT_EQ(fakes.log.calls.count("reader.ReadDisc"), reads + 2) << "one rebuild for both";
    EXPECT_EQ(c.state().currentRow, 0);
}

TEST_F(Window, FreeDbCommandOpensTheStatusWindowAndRetryAppends) {
    audioCd({{"A", "", "", 1, 0, 0}});
    MainController& c = start();
    auto* status = control<FolderDialog>("FreeDbWindow");
    status->appendLine("old line");
    skin->click("freedb");
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->windowTitle(), "FreeDB info");
    EXPECT_TRUE(status->lines().isEmpty()) << "the command clears the lines";
    EXPECT_TRUE(c.drives().statusLines().isEmpty());
    emit fakes.lookup->lookupStatusChanged(LookupStatus::ConnectionFailed);
    const int queries = fakes.lookup->lookups;
    status->findChild<QPushButton*>("edt_retry")->click();
    EXPECT_EQ(fakes.lookup->lookups, queries + 1);
    emit fakes.lookup->lookupStatusChanged(LookupStatus::Connecting);
    EXPECT_EQ(status->lines(), (QStringList{"Connection failed!", "Connecting to  server..."}));
    EXPECT_EQ(c.drives().statusLines(), status->lines());
    status->findChild<QPushButton*>("btn_cancel")->click();
    EXPECT_FALSE(status->isVisible());
}

TEST_F(Window, RefreshAndFreeDbRefuseTheConverterFunction) {
    audioCd({});
    MainController& c = start();
    c.chooseFunction(Converter);
    c.commands().menuClick(CommandSurface::MenuItem::Refresh);
    c.commands().menuClick(CommandSurface::MenuItem::FreeDB);
    EXPECT_EQ(prompt.informations,
              (QStringList{MainController::CdRipperOnly, MainController::CdRipperOnly}));
}

TEST_F(Window, ListCommandsRefuseTheCdFunctionAndStaySilentDuringAJob) {
    audioCd({{"A", "", "", 1, 0, 0}});
    MainController& c = start();
    for (const char* name : {"addfile", "remove", "clear"})
        c.commands().skin1Click(name);
    EXPECT_EQ(prompt.informations.size(), 3);
    EXPECT_EQ(prompt.informations[0], ConverterFunctionMessage);
    EXPECT_EQ(rows().count(), 1);
    prompt.informations.clear();
    c.state().jobRunning = true;
    c.commands().skin1Click("clear");
    EXPECT_TRUE(prompt.informations.isEmpty());
}

TEST_F(Window, FormatChoiceRetargetsEveryRowAndSetReturns) {
    audioCd({{"A", "", "", 1, 0, 0}, {"B", "", "", 1, 0, 0}});
    MainController& c = start();
    c.setRowTarget(1, "RM");
    c.chooseFormat(FormatOgg);
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"OGG", "OGG"}));
    c.setRowTarget(1, "RM");
    c.chooseFormat(FormatSet);
    EXPECT_EQ(c.options().format, FormatOgg);
    EXPECT_EQ(c.state().lastFormat, FormatOgg);
    // Choosing the last format again resets every row's target.
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"OGG", "OGG"}));
}

TEST_F(Window, TagEditsGoToSelectedRowsAndAllToEveryRow) {
    audioCd({{"A", "", "", 1, 0, 0}, {"B", "", "", 1, 0, 0}, {"C", "", "", 1, 0, 0}});
    MainController& c = start();
    c.selectRows({0, 2});
    c.storeTag(RowTagField::Title, "New");
    EXPECT_EQ(rows().tag(0).title, "New");
    EXPECT_EQ(rows().tag(1).title, "B");
    EXPECT_EQ(rows().tag(2).title, "New");
    c.storeTagInAllRows(RowTagField::Album, "");
    for (int i = 0; i < rows().count(); ++i)
        EXPECT_EQ(rows().tag(i).album, "");
    // Removing a row takes its tags with it.
    c.chooseFunction(Converter);
    rows().setRows(
        {{"one", "", "MP3", "Unconverter", "/a.wav", RowModel::Tick::None, {"1", "", ""}, {}},
         {"two", "", "MP3", "Unconverter", "/b.wav", RowModel::Tick::None, {"2", "", ""}, {}},
         {"three", "", "MP3", "Unconverter", "/c.wav", RowModel::Tick::None, {"3", "", ""}, {}}});
    c.selectRows({1});
    c.removeSelectedRows();
    EXPECT_EQ(column(Col::ColPath), (QStringList{"/a.wav", "/c.wav"}));
    EXPECT_EQ(rows().tag(1).title, "3");
}

TEST_F(Window, SelectAndUnselectAllTickTheRows) {
    audioCd({{"A", "", "", 1, 0, 0}, {"B", "", "", 1, 0, 0}});
    MainController& c = start();
    c.commands().menuClick(CommandSurface::MenuItem::UnselectAll);
    EXPECT_FALSE(rows().isTicked(0));
    EXPECT_FALSE(rows().isTicked(1));
    EXPECT_EQ(rows().data(rows().index(0, 0), Qt::CheckStateRole), Qt::Unchecked);
    c.commands().menuClick(CommandSurface::MenuItem::SelectAll);
    EXPECT_TRUE(rows().isTicked(1));
}

TEST_F(Window, SkinClicksOpenTheMenusAndHelpItemsOpenPages) {
    audioCd({});
    MainController& c = start();
    auto* fileMenu = control<QMenu>("PopupMenu1");
    auto* helpMenu = control<QMenu>("PopupMenu3");
    skin->click("file");
    EXPECT_TRUE(fileMenu->isVisible());
    fileMenu->hide();
    skin->click("help");
    EXPECT_TRUE(helpMenu->isVisible());
    helpMenu->hide();
    QStringList captions;
    for (QAction* action : fileMenu->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(captions,
              (QStringList{"Add File", "Add Folder", "Remove", "Clear", "-", "Refresh", "FreeDB",
                           "-", "Start", "Stop", "-", "Settings...", "-", "Exit"}));
    c.commands().menuClick(CommandSurface::MenuItem::Content);
    c.commands().menuClick(CommandSurface::MenuItem::FlashDemos);
    c.commands().menuClick(CommandSurface::MenuItem::VisitWeb);
    ASSERT_EQ(shell.urls.size(), 3u);
    EXPECT_EQ(shell.urls[0], QUrl::fromLocalFile(dir.path() + "/help/Orvelle.html"));
    EXPECT_EQ(shell.urls[1].scheme(), "https");
    EXPECT_EQ(shell.urls[2].scheme(), "https");
    c.commands().menuClick(CommandSurface::MenuItem::About);
    auto* about = control<QDialog>("fm_about");
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), "About");
}

TEST_F(Window, ExitClosesTheWindow) {
    audioCd({});
    start().commands().menuClick(CommandSurface::MenuItem::Exit);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Window, FormatEditorOpensOnTheTargetCellOnly) {
    audioCd({{"A", "", "", 1, 0, 0}});
    MainController& c = start();
    c.setRowTarget(0, "OGG");
    auto* list = control<QTableView>("lv");
    auto* editor = control<QComboBox>("cb_or");
    const int y = list->visualRect(rows().index(0, 0)).center().y();
    // A press on a cell, then the list's double click on its row.
    const auto doubleClick = [&](int x) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(x, y));
        emit list->doubleClicked(list->indexAt(QPoint(x, y)));
    };
    const auto cellX = [&](Col col) { return list->visualRect(rows().index(0, col)).center().x(); };
    doubleClick(cellX(Col::ColTime));
    EXPECT_FALSE(editor->isVisible());
    doubleClick(cellX(Col::ColTarget));
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->currentText(), "OGG");
    editor->setCurrentIndex(4);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(rows().row(0).target, "RM");
}

TEST_F(Window, OutputFolderComesFromTheFolderWindow) {
    audioCd({});
    MainController& c = start();
    const QString chosen = dir.path();
    prompt.folderToChoose = chosen;
    c.chooseOutputFolder();
    EXPECT_EQ(c.options().outputPath, chosen);
    EXPECT_EQ(prompt.folderLayouts,
              std::vector<UserPrompt::FolderLayout>{UserPrompt::FolderLayout::OutputFolder});
    prompt.folderToChoose.clear();
    c.chooseOutputFolder();
    EXPECT_EQ(c.options().outputPath, chosen) << "Cancel changes nothing";
}

TEST_F(Window, TheCdPageFindsTheDrivesOffsetWhileTheSettingsAreOpen) {
    audioCd({{"One", "", "", 4, 0, 0}});
    MainController& c = start();
    const DriveOffsetAccess offsets = c.driveOffsetAccess();
    EXPECT_EQ(offsets.driveName(), "ACME CDRW-52X");
    c.close();
    QString said = QStringLiteral("not called");
    offsets.find(
        [&](std::optional<int> offset, const QString& text) {
            EXPECT_FALSE(offset);
            said = text;
        },
        [](int, const QString&) {});
    EXPECT_EQ(said, "The settings file is closed.");
}

TEST_F(Window, AnErrorInACommandGoesToTheErrorHandler) {
    audioCd({{"A", "", "", 1, 0, 0}});
    MainController& c = start();
    QStringList errors;
    c.setErrorHandler([&](const QString& message) { errors << message; });
    fakes.reader->failReadDisc = true;
    skin->click("refresh");
    EXPECT_EQ(errors, QStringList{"disc unreadable"});
    EXPECT_EQ(rows().count(), 1) << "the table stays as it was";
    fakes.reader->failReadDisc = false;
    fakes.reader->tracks = {{"B", "", "", 1, 0, 0}, {"C", "", "", 1, 0, 0}};
    skin->click("refresh");
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(column(Col::ColName), (QStringList{"B", "C"})) << "a build after a failed one runs";
}

} // namespace
