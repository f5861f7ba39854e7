#include "app/windowfixture.h"
#include "settings/mainkeys.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

namespace {

using StartUp = WindowFixture;

const QString DataDiscAtStart = QLatin1String(MainController::DataDiscAtStart);
const QString NoDriveQuestion = QLatin1String(MainController::NoDriveQuestion);
const QString NotAudioCd = QLatin1String(MainController::NotAudioCd);

TEST_F(StartUp, RunsItsStepsInOrder) {
    audioCd({{"One", "", "", 3, 2, 1}});
    start();
    const CallLog& log = fakes.log;
    const QStringList order{
        "skin.LoadSkin",     "skin.ApplySkin",           "skin.ApplySkinForm Orvelle",
        "reader.Initialize", "reader.SetCurrentDrive 1", "ripper.SetReadSettings 1 1 0",
        "reader.ReadDisc",   "lookup.LookUpDisc"};
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
    EXPECT_NE(window->positionSlider(), nullptr);
    EXPECT_NE(window->positionSliderView(), nullptr);
}

// The FreeDB window's folder tree reads the file system: it and the settings
// dialog wait for the window's first frame; the release choice waits for a disc
// with several releases.
TEST_F(StartUp, TheHiddenWindowsFollowTheFirstFrame) {
    audioCd({});
    window = std::make_unique<MainWindow>(
        fakes.make(std::make_unique<FakeSkin>(fakes.log, QStringList{"pb"})), prompt, shell,
        settingsPath, dir.path());
    EXPECT_EQ(window->findChild<QDialog*>("FreeDbWindow"), nullptr);
    window->show();
    QCoreApplication::processEvents();
    EXPECT_NE(window->findChild<QDialog*>("FreeDbWindow"), nullptr);
    EXPECT_NE(window->settingsDialog(), nullptr);
    EXPECT_EQ(window->findChild<QDialog*>("ReleaseChoice"), nullptr);
}

TEST_F(StartUp, FirstRunShowsTheDefaults) {
    audioCd({});
    MainController& c = start();
    EXPECT_EQ(c.options().function, CdRipper);
    EXPECT_EQ(c.options().format, FormatMp3);
    EXPECT_TRUE(control<QRadioButton>("rb_none")->isChecked());
    EXPECT_EQ(c.options().folderScheme, FolderScheme::None);
    EXPECT_EQ(c.options().outputPath, defaultOutputPath());
    EXPECT_EQ(control<QLineEdit>("edt_dir")->text(), defaultOutputPath());
    EXPECT_EQ(c.state().currentRow, -1) << "a disc without tracks leaves the table empty";
    EXPECT_EQ(rows().count(), 0);
}

TEST_F(StartUp, StoredChoicesComeBack) {
    audioCd({});
    storeInt("Main", "Format", 3);
    storeInt("Main", "Output", 2);
    IniFile(settingsPath).writeString("Main", "Path", "/no/such/folder");
    MainController& c = start();
    EXPECT_EQ(c.options().format, FormatOgg);
    EXPECT_EQ(c.state().lastFormat, FormatOgg);
    EXPECT_TRUE(control<QRadioButton>("rb_album")->isChecked());
    EXPECT_TRUE(control<QWidget>("rg_format")->findChild<QRadioButton*>("item3")->isChecked())
        << "OGG in the format choice";
    EXPECT_EQ(c.options().folderScheme, FolderScheme::Album);
    EXPECT_EQ(control<QLineEdit>("edt_dir")->text(), "/no/such/folder") << "shown unchanged";
}

TEST_F(StartUp, AnUnknownFolderSchemeKeepsNoneSelected) {
    audioCd({});
    storeInt("Main", "Output", 9);
    MainController& c = start();
    EXPECT_EQ(int(c.options().folderScheme), 9);
    EXPECT_TRUE(control<QRadioButton>("rb_none")->isChecked());
    window->close();
    EXPECT_EQ(IniFile(settingsPath).readInteger("Main", "Output", -1), 9) << "given back as stored";
}

TEST_F(StartUp, StoredChoicesOutsideTheirListsFallBackToTheDefaults) {
    audioCd({});
    storeInt("Main", "Function", 5);
    storeInt("Main", "Format", 5); // "SET" is a command, never a stored choice
    MainController& c = start();
    EXPECT_EQ(c.options().function, CdRipper);
    EXPECT_EQ(c.options().format, FormatMp3);
    EXPECT_EQ(c.state().lastFormat, FormatMp3);
    EXPECT_TRUE(prompt.informations.isEmpty()) << "no settings dialog at start";
}

TEST_F(StartUp, ConverterStartDoesNotReadTheDisc) {
    audioCd({{"One", "", "", 3, 2, 1}});
    storeInt("Main", "Function", Converter);
    MainController& c = start();
    EXPECT_EQ(fakes.log.indexOf("reader.ReadDisc"), -1);
    EXPECT_EQ(fakes.log.indexOf("lookup.LookUpDisc"), -1);
    EXPECT_FALSE(control<QComboBox>("cb_driver")->isEnabled());
    // Switching to the CD side later reads the disc and looks it up.
    c.chooseFunction(CdRipper);
    EXPECT_EQ(fakes.lookup->lookups, 1);
    EXPECT_EQ(rows().count(), 1);
    EXPECT_TRUE(control<QComboBox>("cb_driver")->isEnabled());
}

TEST_F(StartUp, OnlyDataDiscsAreReportedThreeTimesInTheCdFunction) {
    fakes.layerDrives = {{"/dev/sr0", true, "BACKUP_2019"}};
    fakes.readerDrives = {{"0:1:0", "ACME", "DVD", "1.0"}};
    start();
    EXPECT_EQ(prompt.informations, (QStringList{DataDiscAtStart, NotAudioCd, NotAudioCd}));
    EXPECT_EQ(fakes.lookup->lookups, 0);
}

TEST_F(StartUp, NoDisc_OrAnAudioCd_GivesNoMessage) {
    fakes.layerDrives = {{"/dev/sr0", false, ""}};
    fakes.readerDrives = {{"0:1:0", "ACME", "DVD", "1.0"}};
    start();
    EXPECT_TRUE(prompt.informations.isEmpty());
}

TEST_F(StartUp, AMachineWithoutDrivesAsksOnceAndGoesOn) {
    prompt.questionAnswer = true;
    MainController& c = start();
    EXPECT_EQ(prompt.questions, QStringList{NoDriveQuestion});
    EXPECT_TRUE(prompt.informations.isEmpty()) << "no disc to take out, no disc to read";
    ASSERT_EQ(shell.urls.size(), 1u);
    EXPECT_EQ(shell.urls[0].fileName(), "Orvelle.html");
    EXPECT_EQ(shell.urls[0].fragment(), "cd-access");
    EXPECT_EQ(fakes.log.indexOf("reader.Shutdown"), -1);
    EXPECT_TRUE(c.drives().driveNames().isEmpty());
    EXPECT_EQ(control<QComboBox>("cb_driver")->count(), 0);
    // The CD commands answer as for a machine whose drives hold no audio CD.
    c.commands().skin1Click("freedb");
    EXPECT_EQ(prompt.informations, QStringList{NotAudioCd});
    EXPECT_TRUE(window->isVisible());
}

TEST_F(StartUp, TheNoDriveQuestionComesOnceUntilADriveIsSeenAgain) {
    const auto startAgain = [this] {
        window->close();
        start();
    };
    start();
    EXPECT_EQ(prompt.questions, QStringList{NoDriveQuestion});
    ASSERT_EQ(prompt.questionDefaults.size(), 1u);
    EXPECT_EQ(prompt.questionDefaults[0], UserPrompt::Default::No);
    EXPECT_TRUE(IniFile(settingsPath).readBool("Drives", "NoDriveAsked", false));

    startAgain();
    EXPECT_EQ(prompt.questions.size(), 1) << "a second start without a drive is quiet";
    EXPECT_TRUE(shell.urls.empty());

    audioCd({});
    startAgain();
    EXPECT_EQ(prompt.questions.size(), 1);
    EXPECT_FALSE(IniFile(settingsPath).readBool("Drives", "NoDriveAsked", true));

    fakes.layerDrives.clear();
    fakes.readerDrives.clear();
    startAgain();
    EXPECT_EQ(prompt.questions.size(), 2) << "the drive has gone since it was seen";
}

TEST_F(StartUp, RmCodecsAreListed) {
    audioCd({});
    fakes.rmCodecs = {"RealAudio 1.0", "AC-3"};
    MainController& c = start();
    EXPECT_EQ(c.rmCodecNames(), (QStringList{"RealAudio 1.0", "AC-3"}));
}

TEST_F(StartUp, ClosingWritesAllFourChoicesEvenUnchanged) {
    audioCd({});
    MainController& c = start();
    window->close();
    IniFile ini(settingsPath);
    EXPECT_TRUE(ini.hasKey("Main", "Function"));
    EXPECT_TRUE(ini.hasKey("Main", "Format"));
    EXPECT_TRUE(ini.hasKey("Main", "Output"));
    EXPECT_EQ(ini.readString("Main", "Path", ""), defaultOutputPath());
    EXPECT_EQ(c.settings(), nullptr) << "the settings file is released at close";
}

TEST_F(StartUp, ClosingSavesWhatTheUserChose) {
    audioCd({});
    MainController& c = start();
    c.chooseFunction(Converter);
    c.chooseFormat(FormatWma);
    control<QRadioButton>("rb_mix")->click();
    auto* path = control<QLineEdit>("edt_dir");
    path->selectAll();
    QTest::keyClicks(path, "/tmp/out");
    EXPECT_EQ(c.options().folderScheme, FolderScheme::ArtistAlbum);
    window->close();
    IniFile ini(settingsPath);
    EXPECT_EQ(ini.readInteger("Main", "Function", -1), 1);
    EXPECT_EQ(ini.readInteger("Main", "Format", -1), 2);
    EXPECT_EQ(ini.readInteger("Main", "Output", -1), 3);
    EXPECT_EQ(ini.readString("Main", "Path", ""), "/tmp/out");
}

TEST_F(StartUp, SetNeverStaysTheStoredFormat) {
    audioCd({});
    MainController& c = start();
    c.chooseFormat(FormatWav);
    c.chooseFormat(FormatSet);
    EXPECT_EQ(c.options().format, FormatWav);
    window->close();
    EXPECT_EQ(IniFile(settingsPath).readInteger("Main", "Format", -1), FormatWav);
}

} // namespace
