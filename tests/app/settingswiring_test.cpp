// The settings dialog as the window reaches it: the "set" command, the file
// menu, the 'SET' format item, and the command line that MP3 output takes.
#include "app/radiogroup.h"
#include "app/windowfixture.h"
#include "settings/encodersettings.h"
#include "settings/ui/settingsdialog.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

class SettingsWiring : public WindowFixture {
protected:
    SettingsDialog* dialog() {
        SettingsDialog* made = window->settingsDialog();
        EXPECT_NE(made, nullptr);
        return made;
    }
    // Opens the dialog by `open`, checks that it shows, and closes it again.
    void expectOpensBy(const std::function<void()>& open, const char* how) {
        ASSERT_FALSE(dialog()->isVisible()) << how;
        open();
        EXPECT_TRUE(dialog()->isVisible()) << how;
        EXPECT_TRUE(dialog()->isModal()) << how;
        dialog()->reject();
        EXPECT_FALSE(dialog()->isVisible()) << how;
    }
    void clickFormat(int item) {
        control<RadioGroup>("rg_format")->findChildren<QRadioButton*>().at(item)->click();
    }
};

TEST_F(SettingsWiring, TheDialogOpensFromSetTheFileMenuAndTheFormatItem) {
    audioCd({{"A", "", "", 1, 0, 0}, {"B", "", "", 1, 0, 0}});
    MainController& c = start();
    expectOpensBy([&] { skin->click("set"); }, "set");
    EXPECT_EQ(dialog()->windowTitle(), "Set MP3 General") << "the first showing";
    expectOpensBy([&] { control<QAction>("Settings1")->trigger(); }, "file menu");

    clickFormat(FormatWav);
    c.setRowTarget(1, "OGG");
    expectOpensBy([&] { clickFormat(FormatSet); }, "SET");
    // 'SET' is no format: WAV is chosen again, for every row.
    EXPECT_EQ(control<RadioGroup>("rg_format")->itemIndex(), FormatWav);
    EXPECT_EQ(c.options().format, FormatWav);
    EXPECT_EQ(column(RowModel::ColTarget), (QStringList{"WAV", "WAV"}));
    EXPECT_TRUE(prompt.informations.isEmpty());
}

TEST_F(SettingsWiring, NeitherDuringAJobNorAfterTheClose) {
    MainController& c = start();
    c.state().jobRunning = true;
    skin->click("set");
    control<QAction>("Settings1")->trigger();
    c.chooseFormat(FormatSet);
    EXPECT_FALSE(dialog()->isVisible());
    c.state().jobRunning = false;

    window->close();
    ASSERT_EQ(c.settings(), nullptr);
    c.showSettingsDialog(); // it would write a released settings file
    EXPECT_FALSE(dialog()->isVisible());
}

TEST_F(SettingsWiring, ClosingTheWindowClosesAnOpenDialogUnsaved) {
    MainController& c = start();
    skin->click("set");
    dialog()->findChild<QPushButton*>("Button2")->click(); // Default: nothing written yet
    window->close();
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_EQ(c.settings(), nullptr);
    EXPECT_EQ(IniFile(settingsPath).readInteger("wav", "frequency", -99), -99);
}

TEST_F(SettingsWiring, OkHandsTheCdReadingOptionsToTheGrabber) {
    audioCd({{"A", "", "", 1, 0, 0}});
    start();
    skin->click("set");
    dialog()->showSettingsPage(10);
    dialog()->findChild<QRadioButton*>("cd_g2")->click();
    fakes.log.calls.clear();
    dialog()->findChild<QPushButton*>("Ok")->click();
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_EQ(IniFile(settingsPath).readInteger("Format", "mode", -1), 2);
    // As stored, as the start-up hands them over.
    EXPECT_EQ(fakes.log.calls, (QStringList{"ripper.SetReadSettings 2 5 0"}));
}

TEST_F(SettingsWiring, TheCommandLineReachesMp3OutputWithoutOk) {
    MainController& c = start();
    EXPECT_EQ(c.mp3CommandLine(), QString());
    skin->click("set");
    dialog()->findChild<QPlainTextEdit*>("txtCommLine")->setPlainText("-b 96 -q 2");
    dialog()->reject();
    EXPECT_EQ(c.mp3CommandLine(), "-b 96 -q 2");
    // What a job reads when it starts.
    EXPECT_EQ(EncoderSettings::read(*c.settings(), c.mp3CommandLine()).mp3.commandLine,
              "-b 96 -q 2");
    skin->click("set"); // a later showing reloads everything else, not the command line
    EXPECT_EQ(c.mp3CommandLine(), "-b 96 -q 2");
}

} // namespace
