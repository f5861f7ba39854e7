#include "app/radiogroup.h"
#include "app/windowfixture.h"
#include "dialogs/folderdialog.h"
#include "settings/mainkeys.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

using StartUp = WindowFixture;

const QString DataDiscAtStart = QStringLiteral("The disc is not Audio CD, Please take out disc!");
const QString NoDriveQuestion = QStringLiteral(
    "Can not detect CD-ROM device,download ASPI driver program and install it. it will probably "
    "fix the problems. Download it? ");

TEST_F(StartUp, RunsItsStepsInOrder) {
    audioCd({{"One", "", "", 3, 2, 1}});
    start();
    const CallLog& log = fakes.log;
    const QStringList order{"skin.LoadSkin",
                            "skin.ApplySkin",
                            "skin.ApplySkinForm Orvelle",
                            "grabber.Initialize",
                            "grabber.SetCurrentDrive 1",
                            "grabber.SetReadMode 1",
                            "grabber.SetRetryCount 1",
                            "grabber.SetErrorAction 0",
                            "grabber.ReadDisc",
                            "grabber.QueryFreeDB 1",
                            "AudioFileRead.ResetFormat -1"};
    int previous = -1;
    for (const QString& step : order) {
        const int at = log.indexOf(step);
        ASSERT_GE(at, 0) << step.toStdString() << " missing from "
                         << log.calls.join(", ").toStdString();
        EXPECT_GT(at, previous) << step.toStdString();
        previous = at;
    }
    EXPECT_EQ(log.calls.first(), "skin.LoadSkin " + dir.path() + "/mp3enc.dll");
    EXPECT_TRUE(prompt.informations.isEmpty());
    EXPECT_EQ(window->state.FreeDbQueryFlag, 1);
    EXPECT_NE(window->PositionSlider, nullptr);
    EXPECT_NE(window->PositionSliderView, nullptr);
}

TEST_F(StartUp, FirstRunShowsTheDefaults) {
    audioCd({});
    MainWindow& w = start();
    EXPECT_EQ(w.rg_function->itemIndex(), CdRipper);
    EXPECT_EQ(w.rg_format->itemIndex(), FormatMp3);
    EXPECT_TRUE(w.rb_none->isChecked());
    EXPECT_EQ(w.state.FolderScheme, 0);
    EXPECT_EQ(w.edt_dir->text(), defaultOutputPath());
    EXPECT_EQ(w.state.CurrentRow, -1) << "a disc without tracks leaves the table empty";
    EXPECT_EQ(w.lv->topLevelItemCount(), 0);
}

TEST_F(StartUp, StoredChoicesComeBack) {
    audioCd({});
    storeInt("Main", "Format", 3);
    storeInt("Main", "Output", 2);
    IniFile(settingsPath).writeString("Main", "Path", "/no/such/folder");
    MainWindow& w = start();
    EXPECT_EQ(w.rg_format->itemIndex(), FormatOgg);
    EXPECT_EQ(w.state.LastFormat, FormatOgg);
    EXPECT_TRUE(w.rb_album->isChecked());
    EXPECT_EQ(w.state.FolderScheme, 2);
    EXPECT_EQ(w.edt_dir->text(), "/no/such/folder") << "shown unchanged";
}

TEST_F(StartUp, AnUnknownFolderSchemeKeepsNoneSelected) {
    audioCd({});
    storeInt("Main", "Output", 9);
    MainWindow& w = start();
    EXPECT_EQ(w.state.FolderScheme, 9);
    EXPECT_TRUE(w.rb_none->isChecked());
}

TEST_F(StartUp, StoredChoicesOutsideTheirListsFallBackToTheDefaults) {
    audioCd({});
    storeInt("Main", "Function", 5);
    storeInt("Main", "Format", 5); // "SET" is a command, never a stored choice
    MainWindow& w = start();
    EXPECT_EQ(w.rg_function->itemIndex(), CdRipper);
    EXPECT_EQ(w.rg_format->itemIndex(), FormatMp3);
    EXPECT_EQ(w.state.LastFormat, FormatMp3);
    EXPECT_TRUE(prompt.informations.isEmpty()) << "no settings dialog at start";
}

TEST_F(StartUp, ConverterStartDoesNotReadTheDisc) {
    audioCd({{"One", "", "", 3, 2, 1}});
    storeInt("Main", "Function", Converter);
    MainWindow& w = start();
    EXPECT_EQ(fakes.log.indexOf("grabber.ReadDisc"), -1);
    EXPECT_EQ(fakes.log.indexOf("grabber.QueryFreeDB"), -1);
    EXPECT_EQ(w.state.FreeDbQueryFlag, 0);
    EXPECT_FALSE(w.cb_driver->isEnabled());
    // Switching to the CD side later queries with flag 0.
    w.rg_function->setItemIndex(CdRipper);
    EXPECT_EQ(fakes.grabber->lastQueryFlag, 0);
    EXPECT_EQ(w.lv->topLevelItemCount(), 1);
}

TEST_F(StartUp, OnlyDataDiscsAreReportedThreeTimesInTheCdFunction) {
    fakes.layerDrives = {{"/dev/sr0", true, "BACKUP_2019"}};
    fakes.grabberDrives = {{"0:1:0", "ACME", "DVD", "1.0"}};
    start();
    EXPECT_EQ(prompt.informations,
              (QStringList{DataDiscAtStart, MainWindow::NotAudioCd, MainWindow::NotAudioCd}));
    EXPECT_EQ(fakes.grabber->queries, 0);
}

TEST_F(StartUp, NoDisc_OrAnAudioCd_GivesNoMessage) {
    fakes.layerDrives = {{"/dev/sr0", false, ""}};
    fakes.grabberDrives = {{"0:1:0", "ACME", "DVD", "1.0"}};
    start();
    EXPECT_TRUE(prompt.informations.isEmpty());
}

TEST_F(StartUp, AMachineWithoutDrivesAsksOnceAndGoesOn) {
    prompt.questionAnswer = true;
    MainWindow& w = start();
    EXPECT_EQ(prompt.questions, QStringList{NoDriveQuestion});
    EXPECT_TRUE(prompt.informations.isEmpty()) << "no disc to take out, no disc to read";
    ASSERT_EQ(shell.urls.size(), 1u);
    EXPECT_EQ(shell.urls[0].fileName(), "Orvelle.html");
    EXPECT_EQ(shell.urls[0].fragment(), "cd-access");
    EXPECT_EQ(fakes.log.indexOf("grabber.Shutdown"), -1);
    EXPECT_EQ(w.cb_driver->count(), 0);
    EXPECT_GE(fakes.log.indexOf("AudioFileRead.ResetFormat -1"), 0) << "start-up went on";
    // The CD commands answer as for a machine whose drives hold no audio CD.
    w.commands.Skin1Click("freedb");
    EXPECT_EQ(prompt.informations, QStringList{MainWindow::NotAudioCd});
    EXPECT_TRUE(w.isVisible());
}

TEST_F(StartUp, TheNoDriveQuestionComesOnceUntilADriveIsSeenAgain) {
    const auto startAgain = [this] {
        window->close();
        start();
    };
    start();
    EXPECT_EQ(prompt.questions, QStringList{NoDriveQuestion});
    ASSERT_EQ(prompt.questionDefaults.size(), 1u);
    EXPECT_EQ(prompt.questionDefaults[0], IUserPrompt::Default::No);
    EXPECT_TRUE(IniFile(settingsPath).readBool("Drives", "NoDriveAsked", false));

    startAgain();
    EXPECT_EQ(prompt.questions.size(), 1) << "a second start without a drive is quiet";
    EXPECT_TRUE(shell.urls.empty());

    audioCd({});
    startAgain();
    EXPECT_EQ(prompt.questions.size(), 1);
    EXPECT_FALSE(IniFile(settingsPath).readBool("Drives", "NoDriveAsked", true));

    fakes.layerDrives.clear();
    fakes.grabberDrives.clear();
    startAgain();
    EXPECT_EQ(prompt.questions.size(), 2) << "the drive has gone since it was seen";
}

TEST_F(StartUp, RmCodecsAreListedAndTheStoredOneChosen) {
    audioCd({});
    fakes.rmCodecs = {"RealAudio 1.0", "AC-3"};
    storeInt("Rm", "format", 1);
    MainWindow& w = start();
    EXPECT_EQ(w.rmCodecNames, (QStringList{"RealAudio 1.0", "AC-3"}));
    EXPECT_EQ(w.rmCodecIndex, 1);
}

TEST_F(StartUp, ClosingWritesAllFourChoicesEvenUnchanged) {
    audioCd({});
    MainWindow& w = start();
    w.close();
    IniFile ini(settingsPath);
    EXPECT_TRUE(ini.hasKey("Main", "Function"));
    EXPECT_TRUE(ini.hasKey("Main", "Format"));
    EXPECT_TRUE(ini.hasKey("Main", "Output"));
    EXPECT_EQ(ini.readString("Main", "Path", ""), defaultOutputPath());
    EXPECT_EQ(w.settings(), nullptr) << "the settings file is released at close";
}

TEST_F(StartUp, ClosingSavesWhatTheUserChose) {
    audioCd({});
    MainWindow& w = start();
    w.rg_function->setItemIndex(Converter);
    w.rg_format->setItemIndex(FormatWma);
    w.rb_mix->setChecked(true);
    w.edt_dir->setText("/tmp/out");
    w.close();
    IniFile ini(settingsPath);
    EXPECT_EQ(ini.readInteger("Main", "Function", -1), 1);
    EXPECT_EQ(ini.readInteger("Main", "Format", -1), 2);
    EXPECT_EQ(ini.readInteger("Main", "Output", -1), 3);
    EXPECT_EQ(ini.readString("Main", "Path", ""), "/tmp/out");
}

TEST_F(StartUp, SetNeverStaysTheStoredFormat) {
    audioCd({});
    MainWindow& w = start();
    w.rg_format->setItemIndex(FormatWav);
    w.rg_format->setItemIndex(FormatSet);
    EXPECT_EQ(w.rg_format->itemIndex(), FormatWav);
    w.close();
    EXPECT_EQ(IniFile(settingsPath).readInteger("Main", "Format", -1), FormatWav);
}

} // namespace
