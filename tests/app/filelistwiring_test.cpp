#include "app/windowfixture.h"
#include "control/filelistcontrol.h"
#include "filelist/fileadder.h"
#include "filelist/formatswitch.h"
#include "filelist/testmedia.h"

#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTableView>

namespace {

using namespace TestMedia;
using Col = RowModel::Column;

const RowTag SongTag{"Song", "Singer", "Record"};

// The window in 'Converter', with a disc in the drive so that the way back
// to 'CD Ripper' has tracks to read.
class FileList : public WindowFixture {
protected:
    QTemporaryDir media;

    MainController& converter() {
        audioCd({{"Track", "", "", 1, 0, 0}, {"Other", "", "", 1, 0, 0}});
        MainController& c = start();
        c.chooseFunction(Converter);
        prompt.informations.clear();
        return c;
    }
    QString path(const QString& name) const { return media.filePath(name); }
    FileAdder& adder() { return window->controller().fileList().adder(); }
    // Runs a list command and waits until the batch it started is through.
    void addAndWait(const std::function<void()>& command) {
        QSignalSpy finished(&adder(), &FileAdder::finished);
        command();
        if (adder().isRunning()) {
            ASSERT_TRUE(finished.wait(60000));
        }
    }
    void addFiles(const QStringList& files) {
        prompt.filesToOpen = files;
        addAndWait([this] { window->controller().addFiles(); });
    }
    QList<RowTag> tags() {
        QList<RowTag> list;
        for (int row = 0; row < rows().count(); ++row)
            list << rows().tag(row);
        return list;
    }
};

TEST_F(FileList, AddFileMakesRowsOfAudioAndVideoAndRefusesText) {
    MainController& c = converter();
    c.chooseFormat(FormatWma);
    addFiles({audio(path("song.mp3"), 1.5, SongTag), video(path("clip.avi"), 1.5),
              write(path("notes.txt"), "no sound here\n")});

    EXPECT_EQ(column(Col::ColName), (QStringList{"song.mp3", "clip.avi"}));
    EXPECT_EQ(column(Col::ColTime), (QStringList{"00:00:01", "00:00:01"}));
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"WMA", "WMA"}));
    EXPECT_EQ(column(Col::ColStatus), (QStringList{"Unconverter", "Unconverter"}));
    EXPECT_EQ(column(Col::ColPath), (QStringList{path("song.mp3"), path("clip.avi")}));
    EXPECT_EQ(tags(), (QList<RowTag>{SongTag, RowTexts::VideoTag}));
    // Text is no media: one box names it, and no decoder is offered.
    EXPECT_TRUE(prompt.questions.isEmpty());
    ASSERT_EQ(prompt.informations.size(), 1);
    EXPECT_TRUE(prompt.informations[0].contains(path("notes.txt")));
    // The first row is selected, current, and its tags are shown.
    EXPECT_EQ(c.selectedRows(), QList<int>{0});
    EXPECT_EQ(c.state().currentRow, 0);
    EXPECT_EQ(c.shownTag(), SongTag);
    // A later batch leaves the user's selection alone.
    c.selectRows({1});
    addFiles({path("song.mp3")});
    EXPECT_EQ(rows().count(), 3);
    EXPECT_EQ(c.selectedRows(), QList<int>{1});
}

TEST_F(FileList, ARefusedFileInTheMiddleLeavesTheOthersWithTheirOwnTags) {
    converter();
    const RowTag first{"First", "A1", "B1"}, third{"Third", "A3", "B3"};
    addFiles({audio(path("a.mp3"), 1, first), write(path("b.mp3"), "not an mp3\n"),
              audio(path("c.ogg"), 1, third), audio(path("d.wav"), 1)});
    EXPECT_EQ(column(Col::ColName), (QStringList{"a.mp3", "c.ogg", "d.wav"}));
    EXPECT_EQ(tags(), (QList<RowTag>{first, third, RowTag{}}));
    ASSERT_EQ(prompt.informations.size(), 1);
    EXPECT_TRUE(prompt.informations[0].startsWith(RefusalTexts::AudioNotSupported));
}

TEST_F(FileList, CancelledDialogsChangeNothing) {
    MainController& c = converter();
    addFiles({audio(path("a.mp3"), 1, SongTag)});
    addFiles({});
    prompt.folderToChoose.clear();
    c.addFolder();
    EXPECT_EQ(column(Col::ColName), QStringList{"a.mp3"});
    EXPECT_EQ(tags(), QList<RowTag>{SongTag});
    EXPECT_EQ(prompt.folderLayouts,
              std::vector<UserPrompt::FolderLayout>{UserPrompt::FolderLayout::AddFolder});
    EXPECT_FALSE(adder().isRunning());
}

TEST_F(FileList, RemovingRowsKeepsEveryRowWithItsTags) {
    MainController& c = converter();
    QStringList files;
    QList<RowTag> made;
    for (int i = 0; i < 5; ++i) {
        made << RowTag{QStringLiteral("T%1").arg(i), QStringLiteral("A%1").arg(i), "B"};
        files << audio(path(QStringLiteral("%1.mp3").arg(i)), 0.5, made.last());
    }
    addFiles(files);
    ASSERT_EQ(rows().count(), 5);

    c.selectRows({});
    c.removeSelectedRows(); // nothing selected: nothing happens
    EXPECT_EQ(rows().count(), 5);

    c.selectRows({1, 3});
    c.state().currentRow = 4;
    c.removeSelectedRows();
    EXPECT_EQ(column(Col::ColName), (QStringList{"0.mp3", "2.mp3", "4.mp3"}));
    EXPECT_EQ(tags(), (QList<RowTag>{made[0], made[2], made[4]}));
    EXPECT_EQ(c.selectedRows(), QList<int>{0});
    EXPECT_EQ(c.state().currentRow, 0);
    EXPECT_EQ(c.shownTag(), made[0]);

    // One row left is not selected for the user, but the current row stays inside the list.
    c.selectRows({0, 1});
    c.state().currentRow = 2;
    c.removeSelectedRows();
    EXPECT_EQ(tags(), QList<RowTag>{made[4]});
    EXPECT_TRUE(c.selectedRows().isEmpty());
    EXPECT_EQ(c.state().currentRow, 0);

    c.clearList();
    EXPECT_EQ(rows().count(), 0);
    EXPECT_EQ(c.state().currentRow, -1);
}

TEST_F(FileList, FormatChoicesOverwriteTheEditorsAndSetRestoresTheFormat) {
    MainController& c = converter();
    addFiles({audio(path("a.wav"), 0.5), audio(path("b.wav"), 0.5)});
    auto* list = control<QTableView>("lv");
    auto* editor = control<QComboBox>("cb_or");
    const QRect target = list->visualRect(rows().index(1, Col::ColTarget));
    c.selectRows({1});
    list->setCurrentIndex(rows().index(1, 0));
    const auto doubleClick = [&](QPoint at) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        emit list->doubleClicked(list->indexAt(at));
    };
    doubleClick(list->visualRect(rows().index(1, Col::ColName)).center());
    EXPECT_FALSE(editor->isVisible());
    doubleClick(target.center());
    ASSERT_TRUE(editor->isVisible());
    editor->setCurrentIndex(FormatRm);
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"MP3", "MP3"})) << "Esc keeps the target";
    doubleClick(target.center());
    editor->setCurrentIndex(FormatRm);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"MP3", "RM"}));

    // FLAC and OPUS are formats like the others, in the group and in the editor.
    control<QWidget>("rg_format")->findChild<QRadioButton*>("item7")->click();
    EXPECT_EQ(c.options().format, FormatOpus);
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"OPUS", "OPUS"}));
    doubleClick(target.center());
    editor->setCurrentIndex(editor->findText("FLAC"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"OPUS", "FLAC"}));

    c.chooseFormat(FormatOgg);
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"OGG", "OGG"}));
    c.chooseFormat(FormatWav);
    c.setRowTarget(0, "RM");
    c.chooseFormat(FormatSet);
    EXPECT_EQ(c.options().format, FormatWav);
    EXPECT_EQ(column(Col::ColTarget), (QStringList{"WAV", "WAV"}));
    // New rows take the format selected now.
    addFiles({audio(path("c.wav"), 0.5)});
    EXPECT_EQ(column(Col::ColTarget).last(), "WAV");
}

TEST_F(FileList, SwitchingFunctionEmptiesTheListAndDropsTheBatch) {
    MainController& c = converter();
    addFiles({audio(path("a.wav"), 0.5)});
    c.chooseFunction(CdRipper);
    EXPECT_EQ(column(Col::ColName).size(), 2);
    EXPECT_FALSE(column(Col::ColPath).contains(path("a.wav")));
    c.chooseFunction(Converter);
    EXPECT_EQ(rows().count(), 0);
    EXPECT_EQ(c.state().currentRow, -1);

    // Files still waiting when the function changes never reach the CD's tracks.
    prompt.filesToOpen = {path("a.wav"), path("a.wav"), path("a.wav")};
    c.addFiles();
    c.chooseFunction(CdRipper);
    EXPECT_FALSE(adder().isRunning());
    QCoreApplication::processEvents();
    EXPECT_EQ(rows().count(), 2);
    EXPECT_FALSE(column(Col::ColPath).contains(path("a.wav")));
}

TEST_F(FileList, ADroppedFolderAddsItsOwnFilesOnlyAndOnlyInTheConverter) {
    MainController& c = converter();
    audio(path("a.mp3"), 0.5, SongTag);
    audio(path("b.wav"), 0.5);
    write(path("readme.txt"), "words\n");
    QDir(media.path()).mkdir("sub");
    audio(path("sub/c.mp3"), 0.5);

    // Through the list as a file manager drops it.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(media.path())});
    auto* viewport = control<QTableView>("lv")->viewport();
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    addAndWait([&] { QCoreApplication::sendEvent(viewport, &drop); });
    QStringList names = column(Col::ColName);
    names.sort();
    EXPECT_EQ(names, (QStringList{"a.mp3", "b.wav"}));
    EXPECT_TRUE(prompt.questions.isEmpty()) << "a folder passes over other files";

    c.chooseFunction(CdRipper);
    QDragEnterEvent refused(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &refused);
    EXPECT_FALSE(refused.isAccepted()) << "the CD's list takes no files";
    prompt.informations.clear();
    c.dropPaths({path("a.mp3")});
    EXPECT_EQ(prompt.informations, QStringList{ConverterFunctionMessage});
    EXPECT_FALSE(adder().isRunning());
}

TEST_F(FileList, ListCommandsWaitForARunningJob) {
    MainController& c = converter();
    addFiles({audio(path("a.wav"), 0.5)});
    c.state().jobRunning = true;
    prompt.filesToOpen = {path("a.wav")};
    c.addFiles();
    c.dropPaths({path("a.wav")});
    c.selectRows({0});
    c.removeSelectedRows();
    c.clearList();
    EXPECT_FALSE(adder().isRunning());
    EXPECT_EQ(rows().count(), 1);
    EXPECT_TRUE(prompt.informations.isEmpty());

    c.state().jobRunning = false;
    c.chooseFunction(CdRipper);
    c.state().jobRunning = true;
    c.tickAllRows(false);
    EXPECT_TRUE(rows().isTicked(0)) << "a rip reads the ticks as it goes";
}

TEST_F(FileList, TheListsMenuKeepsItsOrder) {
    converter();
    QStringList captions;
    for (QAction* action : control<QMenu>("PopupMenu2")->actions())
        captions << (action->isSeparator() ? QString() : action->text());
    EXPECT_EQ(captions, (QStringList{"Select All", "Unselect All", "", "Add File", "Add Folder",
                                     "Remove File", "Clear List", "", "Play", "Stop"}));
}

TEST_F(FileList, FilesFromTheCommandLineWaitForTheStartAndOpenTheConverter) {
    const QStringList arguments{"orvelle", "-style", "song.mp3", "file:///tmp/x%20y.wav",
                                "/abs/../abs/z.ogg"};
    EXPECT_EQ(commandLinePaths(arguments, "/home/u"),
              (QStringList{"/home/u/song.mp3", "/tmp/x y.wav", "/abs/z.ogg"}));

    audioCd({{"Track", "", "", 1, 0, 0}});
    audio(path("a.mp3"), 0.5, SongTag);
    auto skinObject = std::make_unique<FakeSkin>(fakes.log, QStringList{"pb"});
    window = std::make_unique<MainWindow>(fakes.make(std::move(skinObject)), prompt, shell,
                                          settingsPath, dir.path());
    window->controller().addFilesFromCommandLine({path("a.mp3")});
    EXPECT_EQ(rows().count(), 0) << "nothing before the window has started";
    addAndWait([this] {
        window->show();
        QCoreApplication::processEvents();
    });
    EXPECT_EQ(window->controller().options().function, Converter);
    EXPECT_EQ(column(Col::ColName), QStringList{"a.mp3"});
    EXPECT_EQ(window->controller().shownTag(), SongTag);
}

} // namespace
