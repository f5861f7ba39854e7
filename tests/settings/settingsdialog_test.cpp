#include "cd/drivesession.h"
#include "components/output/outputwriter.h"
#include "components/output/writerfactory.h"
#include "settings/mainkeys.h"
#include "settings/settingsfile.h"
#include "settings/ui/cdreadingpage.h"
#include "settings/ui/settingsdialog.h"
#include "support/fakeprompt.h"
#include "support/nullcomponents.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

namespace {

class RecordingRipper : public NullTrackRipper {
public:
    QStringList calls;
    void setReadSettings(const ReadSettings& s) override {
        calls << QStringLiteral("mode %1").arg(int(s.mode))
              << QStringLiteral("retries %1").arg(s.retries)
              << QStringLiteral("stop %1").arg(int(s.errorAction));
    }
};

class SettingsDialogTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Orvelle.ini"));
    SettingsFile settings{path};
    FakePrompt prompt;
    RecordingRipper ripper;
    std::unique_ptr<SettingsDialog> dialog = make(settings, {"RA 14.4", "Cook"});

    std::unique_ptr<SettingsDialog> make(SettingsFile& file, const QStringList& codecs) {
        return std::make_unique<SettingsDialog>(
            file, codecs, prompt, [this, &file] { applyCdReadingOptions(file, ripper); });
    }

    template <class T> T* control(const char* name) {
        T* widget = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QComboBox* list(const char* name) { return control<QComboBox>(name); }
    QCheckBox* check(const char* name) { return control<QCheckBox>(name); }
    QSpinBox* spin(const char* name) { return control<QSpinBox>(name); }
    QRadioButton* item(const char* group, int index) {
        return control<QGroupBox>(group)->findChild<QRadioButton*>(
            QStringLiteral("item%1").arg(index));
    }
    int chosen(const char* group) {
        const auto buttons = control<QGroupBox>(group)->findChildren<QRadioButton*>();
        for (const QRadioButton* button : buttons)
            if (button->isChecked())
                return button->objectName().mid(4).toInt();
        return -1;
    }

    void store(const char* section, const char* key, const QString& value) {
        settings.ini().writeString(QLatin1String(section), QLatin1String(key), value);
    }
    int stored(const char* section, const char* key) {
        return settings.ini().readInteger(QLatin1String(section), QLatin1String(key), -99);
    }
    QByteArray fileBytes() {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void clickNode(int node) {
        auto* tree = control<QTreeWidget>("TreeView1");
        QTreeWidgetItemIterator it(tree);
        for (int i = 0; i < node; ++i)
            ++it;
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(*it).center());
    }
    QString shownPage() { return control<QStackedWidget>("pages")->currentWidget()->objectName(); }
    void clickOk() { control<QPushButton>("Ok")->click(); }
};

TEST_F(SettingsDialogTest, TheTreeHasFifteenNodesEachShowingItsPageUnderItsTitle) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Settings"));
    // By node number; FLAC and OPUS (13, 14) stand in the tree after OGG.
    const char* texts[] = {"MP3 ",       "General",      "VBR",  "Filtering", "Expert ",
                           "Presets",    "Command Line", "WAV",  "WMA/RM",    "OGG",
                           "CD Setings", "FreeDB",       "Jobs", "FLAC",      "OPUS"};
    const char* pages[] = {"gb_mp3general", "gb_mp3general", "gb_mp3vbr",  "gb_filter", "gb_expert",
                           "gb_presets",    "gb_command",    "gb_wav",     "gb_wma",    "gb_ogg",
                           "gb_cdset",      "gb_freedb",     "gb_general", "gb_flac",   "gb_opus"};
    const char* titles[] = {"Set MP3 General",
                            "Set MP3 General",
                            "Set MP3 VBR",
                            "Set MP3 Filter",
                            "Set MP3 Expert",
                            "Set MP3 Presets",
                            "Set MP3 Command Line",
                            "Set WAV Format",
                            "Set WMA/RM Format",
                            "Set OGG Format",
                            "Set CD",
                            "Set Freedb",
                            "Set Jobs",
                            "Set FLAC Format",
                            "Set OPUS Format"};
    const int treeOrder[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 14, 10, 11, 12};
    auto* tree = control<QTreeWidget>("TreeView1");
    EXPECT_EQ(tree->topLevelItemCount(), 9);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 6);
    QTreeWidgetItemIterator it(tree);
    for (int i : treeOrder) {
        ASSERT_TRUE(*it);
        EXPECT_EQ((*it)->text(0), QLatin1String(texts[i]));
        dialog->showSettingsPage(i);
        EXPECT_EQ(dialog->windowTitle(), QLatin1String(titles[i]));
        EXPECT_EQ(shownPage(), QLatin1String(pages[i]));
        ++it;
    }
    dialog->showSettingsPage(15);
    dialog->showSettingsPage(-1);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Set Jobs"));
    EXPECT_EQ(dialog->shownNode(), 12);
}

// "Jobs" holds 0 for one row per core; the page shows it as such, keeps a
// count as it is, and pulls a stored value outside its range to the nearest end.
TEST_F(SettingsDialogTest, TheGeneralPageEditsTheRowsConvertedAtOnce) {
    QSpinBox* jobs = spin("se_jobs");
    dialog->show();
    EXPECT_EQ(jobs->value(), 0);
    EXPECT_EQ(jobs->text(), QStringLiteral("One per core"));
    dialog->reject();

    store("Main", "Jobs", "3");
    dialog->show();
    EXPECT_EQ(jobs->value(), 3);
    jobs->setValue(1);
    clickOk();
    EXPECT_EQ(stored("Main", "Jobs"), 1);
    EXPECT_EQ(conversionRowsAtOnce(settings), 1);

    store("Main", "Jobs", "-4");
    dialog->show();
    EXPECT_EQ(jobs->value(), 0);
    store("Main", "Jobs", "500");
    dialog->reject();
    dialog->show();
    EXPECT_EQ(jobs->value(), MainKeys::MaxJobs);
    control<QPushButton>("Button2")->click();
    EXPECT_EQ(jobs->value(), 0);
    clickOk();
    EXPECT_EQ(stored("Main", "Jobs"), 0);
}

// Stored values outside a control's range show its nearest end or the key's
// default; Ok writes what the pages show, Default their factory values.
TEST_F(SettingsDialogTest, TheFlacAndOpusPagesEditTheirSections) {
    store("flac", "level", "8");
    store("opus", "bitrate", "600");
    store("opus", "mode", "2");
    store("opus", "complexity", "-3");
    dialog->show();
    auto* level = control<QComboBox>("cb_flac_level");
    auto* mode = control<QComboBox>("cb_opus_mode");
    EXPECT_EQ(level->currentIndex(), 8);
    EXPECT_EQ(spin("se_opus_bitrate")->value(), 510);
    EXPECT_EQ(mode->currentText(), QStringLiteral("CBR"));
    EXPECT_EQ(spin("ud_opus_complexity")->value(), 0);
    level->setCurrentIndex(2);
    spin("se_opus_bitrate")->setValue(6);
    clickOk();
    EXPECT_EQ(stored("flac", "level"), 2);
    EXPECT_EQ(stored("opus", "bitrate"), 6);
    EXPECT_EQ(stored("opus", "mode"), 2);
    dialog->show();
    control<QPushButton>("Button2")->click();
    clickOk();
    EXPECT_EQ(stored("flac", "level"), 5);
    EXPECT_EQ(stored("opus", "bitrate"), 128);
    EXPECT_EQ(stored("opus", "mode"), 0);
    EXPECT_EQ(stored("opus", "complexity"), 10);
}

TEST(ConversionRowsAtOnce, ZeroAndNonsenseMeanOnePerCoreAndCountsAreBounded) {
    const int cores = std::max(QThread::idealThreadCount(), 1);
    EXPECT_EQ(conversionRowsAtOnce(0), std::min(cores, MainKeys::MaxJobs));
    EXPECT_EQ(conversionRowsAtOnce(-2), std::min(cores, MainKeys::MaxJobs));
    EXPECT_EQ(conversionRowsAtOnce(1), 1);
    EXPECT_EQ(conversionRowsAtOnce(5), 5);
    EXPECT_EQ(conversionRowsAtOnce(1000), MainKeys::MaxJobs);
}

TEST_F(SettingsDialogTest, OpensFirstOnMp3GeneralThenOnThePageLastClicked) {
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Set MP3 General"));
    EXPECT_EQ(control<QTreeWidget>("TreeView1")->currentItem()->text(0), QStringLiteral("MP3 "));
    EXPECT_EQ(shownPage(), QStringLiteral("gb_mp3general"));

    clickNode(8);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Set WMA/RM Format"));
    // The keyboard moves the selection but leaves the page.
    QTest::keyClick(control<QTreeWidget>("TreeView1"), Qt::Key_Down);
    EXPECT_EQ(control<QTreeWidget>("TreeView1")->currentItem()->text(0), QStringLiteral("OGG"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Set WMA/RM Format"));
    EXPECT_EQ(shownPage(), QStringLiteral("gb_wma"));
    clickNode(3);
    EXPECT_EQ(shownPage(), QStringLiteral("gb_filter"));

    dialog->hide();
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Set MP3 Filter"));
}

TEST_F(SettingsDialogTest, AnEmptyFileShowsTheDialogDefaultsAndShowingWritesNothing) {
    dialog->show();
    EXPECT_EQ(list("cb_mp3_bitrate")->currentText(), QStringLiteral("128 Kbps"));
    EXPECT_EQ(list("cb_mp3_frequency")->currentText(), QStringLiteral("44100 Hz"));
    EXPECT_EQ(list("cb_mp3_channel")->currentText(), QStringLiteral("Stereo"));
    EXPECT_EQ(spin("ud_mp3_quality")->value(), 5);
    EXPECT_TRUE(check("ck_mp3_VBR")->isChecked());
    EXPECT_EQ(spin("udLFiltF")->value(), 15160);
    EXPECT_EQ(list("cb_wma")->currentText(), QStringLiteral("WMA9 44KHz, 128Kbps, Stereo, CBR"));
    EXPECT_TRUE(control<QRadioButton>("cd_g0")->isChecked()); // the dialog's "Burst Mode"
    EXPECT_EQ(spin("ud_retries")->value(), 5);
    EXPECT_TRUE(control<QRadioButton>("cd_a1")->isChecked());
    EXPECT_EQ(chosen("rg_freedbserver"), 1);
    EXPECT_EQ(control<QLineEdit>("edt_port")->text(), QStringLiteral("80"));
    EXPECT_EQ(control<QLineEdit>("edt_timeout")->text(), QStringLiteral("10000"));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(SettingsDialogTest, OkWritesEveryKeyInTableOrderThenHandsTheCdSettingsOn) {
    dialog->show();
    clickOk();
    EXPECT_FALSE(dialog->isVisible());

    QStringList lines;
    for (const QByteArray& line : fileBytes().split('\n'))
        if (!line.trimmed().isEmpty())
            lines << QString::fromUtf8(line.trimmed());
    const QStringList expected{"[mp3]",
                               "bitrate=9",
                               "channel=1",
                               "frequency=7",
                               "quality=5",
                               "[MP3VBR]",
                               "Coding Method=0",
                               "vbr bitrate=9",
                               "vbr quality=5",
                               "vbrck=1",
                               "semb=0",
                               "[MP3Filt]",
                               "chHFilt=0",
                               "chLFilt=0",
                               "udHFiltF=30",
                               "udHFiltW=5",
                               "udLFiltF=15160",
                               "udLFiltW=750",
                               "[MP3Expert]",
                               "Bit=1",
                               "short=1",
                               "allow=0",
                               "comply=0",
                               "crc=0",
                               "ath=0",
                               "de=0",
                               "[MP3Prest]",
                               "preset=0",
                               "alt=0",
                               "rg_prest=0",
                               "rg_alt=0",
                               "[wav]",
                               "mode=3",
                               "bit=1",
                               "channel=1",
                               "frequency=7",
                               "[wma]",
                               "format=9",
                               "[Rm]",
                               "format=0",
                               "[ogg]",
                               "channel=1",
                               "frequency=7",
                               "bitrate=9",
                               "max bitrate=9",
                               "min bitrate=9",
                               "quality=300",
                               "oggvbr=0",
                               "oggquality=0",
                               "[Format]",
                               "mode=0",
                               "retries=5",
                               "stop=0",
                               "hiddentrack=1",
                               "cuesheet=1",
                               "deemphasis=1",
                               "image=0",
                               "[Freedb]",
                               "site=0",
                               "toserver=1",
                               "port=80",
                               "timeout=10000",
                               "proxy=",
                               "[MusicBrainz]",
                               "source=2",
                               "[Main]",
                               "Jobs=0",
                               "RequireComplete=0",
                               "AlsoMake=",
                               "ReplayGainRip=2",
                               "ReplayGainConvert=1",
                               "ReplayGainPeak=sample",
                               "[flac]",
                               "level=5",
                               "[opus]",
                               "bitrate=128",
                               "mode=0",
                               "complexity=10"};
    EXPECT_EQ(lines, expected);
    // The ripper gets the stored values, numbered as at start-up.
    EXPECT_EQ(ripper.calls, (QStringList{"mode 0", "retries 5", "stop 0"}));
}

// Every key holds a valid value other than its default, most of them at an end
// of their range: Ok after showing writes the file back unchanged, and Default
// then Ok writes what an empty file would, but for WAV's 48000 Hz.
TEST_F(SettingsDialogTest, EveryKeyRoundTripsAndDefaultResetsEveryKey) {
    const std::pair<const char*, const char*> sections[] = {
        {"mp3", "bitrate=14;channel=4;frequency=0;quality=9"},
        {"MP3VBR", "Coding Method=4;vbr bitrate=0;vbr quality=0;vbrck=0;semb=1"},
        {"MP3Filt", "chHFilt=1;chLFilt=1;udHFiltF=48000;udHFiltW=0;udLFiltF=16000;udLFiltW=500"},
        {"MP3Expert", "Bit=0;short=0;allow=1;comply=1;crc=1;ath=3;de=2"},
        {"MP3Prest", "preset=1;alt=1;rg_prest=10;rg_alt=4"},
        {"wav", "mode=2;bit=0;channel=0;frequency=8"},
        {"wma", "format=22"}, // shares its text with 20
        {"Rm", "format=1"},
        {"ogg", "channel=0;frequency=8;bitrate=14;max bitrate=14;min bitrate=0;quality=1000;"
                "oggvbr=1;oggquality=1"},
        {"Format", "mode=3;retries=32;stop=2;hiddentrack=0;cuesheet=2;deemphasis=0;image=1"},
        {"Freedb", "site=0;toserver=2;port=8880;timeout=3000;proxy=cache:3128"},
        {"MusicBrainz", "source=0"},
        {"Main", "Jobs=64;RequireComplete=1;AlsoMake=WAV,FLAC,OPUS;ReplayGainRip=0;"
                 "ReplayGainConvert=2;ReplayGainPeak=true"},
        {"flac", "level=0"},
        {"opus", "bitrate=510;mode=2;complexity=0"}};
    for (const auto& [section, keys] : sections)
        for (const QString& pair : QString::fromLatin1(keys).split(QLatin1Char(';')))
            store(section, pair.section(QLatin1Char('='), 0, 0).toLatin1().constData(),
                  pair.section(QLatin1Char('='), 1));
    const QByteArray stored = fileBytes();
    dialog->show();
    clickOk();
    EXPECT_EQ(fileBytes().toStdString(), stored.toStdString());

    SettingsFile empty(dir.filePath(QStringLiteral("empty.ini")));
    dialog = make(empty, {"RA 14.4", "Cook"});
    dialog->show();
    clickOk();
    QFile file(empty.path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray defaults =
        file.readAll().replace("frequency=7\n\n[wma]", "frequency=8\n\n[wma]");
    dialog = make(settings, {"RA 14.4", "Cook"});
    dialog->show();
    control<QPushButton>("Button2")->click();
    clickOk();
    EXPECT_EQ(fileBytes().toStdString(), defaults.toStdString());
}

TEST_F(SettingsDialogTest, CdChoicesAreStoredFromThePendingValues) {
    store("Format", "mode", "7"); // beyond the list: shows the default
    dialog->show();
    EXPECT_TRUE(control<QRadioButton>("cd_g0")->isChecked());
    control<QRadioButton>("cd_g2")->click();
    control<QRadioButton>("cd_a3")->click();
    clickOk();
    EXPECT_EQ(stored("Format", "mode"), 2);
    EXPECT_EQ(stored("Format", "stop"), 2);
    EXPECT_EQ(ripper.calls, (QStringList{"mode 2", "retries 5", "stop 2"}));
}

// The CD page shows the drive's read offset, finds it without blocking, with
// its progress and a Cancel, and Ok keeps it under the drive's key; a disc
// image has none to set.
TEST_F(SettingsDialogTest, TheCdPageShowsFindsAndStoresTheDrivesReadOffset) {
    const QString key = QStringLiteral("offset ACME CDRW-52X");
    QString drive = key;
    DriveOffsetAccess::Found pending;
    DriveOffsetAccess::Progress progress;
    int cancels = 0;
    dialog->cdReadingPage().setDriveOffsetAccess(
        {[&] { return drive; }, [] { return QStringLiteral("ACME CDRW-52X"); },
         [&](DriveOffsetAccess::Found found, DriveOffsetAccess::Progress step) {
             pending = std::move(found);
             progress = std::move(step);
             return DriveOffsetAccess::Cancel([&] { ++cancels; });
         }});
    store("AccurateRip", key.toUtf8().constData(), "-12");
    dialog->show();
    QSpinBox* offset = spin("edt_offset");
    auto* find = control<QPushButton>("btn_findoffset");
    auto* cancel = control<QPushButton>("btn_canceloffset");
    EXPECT_EQ(offset->value(), -12);
    find->click();
    EXPECT_FALSE(find->isEnabled()) << "one search at a time";
    ASSERT_TRUE(pending && progress);
    progress(50, QStringLiteral("Compared 2 of 4 tracks."));
    EXPECT_EQ(control<QProgressBar>("pb_offset")->value(), 50);
    EXPECT_EQ(control<QLabel>("lbl_offsetstatus")->text(), "Compared 2 of 4 tracks.");
    cancel->click();
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(find->isEnabled());
    pending(48, QStringLiteral("too late"));
    EXPECT_EQ(offset->value(), -12) << "a cancelled search's answer does not count";

    find->click();
    EXPECT_FALSE(cancel->isHidden());
    pending(667, QStringLiteral("Read offset +667 found in 3 of 3 tracks."));
    EXPECT_TRUE(cancel->isHidden());
    EXPECT_EQ(offset->value(), 667);
    EXPECT_EQ(control<QLabel>("lbl_offsetstatus")->text(),
              QStringLiteral("Read offset +667 found in 3 of 3 tracks."));
    clickOk();
    EXPECT_EQ(stored("AccurateRip", key.toUtf8().constData()), 667);

    drive.clear();
    dialog->show();
    EXPECT_FALSE(offset->isEnabled());
    EXPECT_FALSE(find->isEnabled());
    clickOk();
    EXPECT_EQ(stored("AccurateRip", key.toUtf8().constData()), 667);
}

TEST_F(SettingsDialogTest, DefaultWritesNothingUntilOkAndCancelClosesWithoutSaving) {
    store("mp3", "bitrate", "3");
    store("wav", "frequency", "2");
    store("Freedb", "proxy", "proxy.example:3128");
    const QByteArray before = fileBytes();

    dialog->show();
    control<QPushButton>("Button2")->click();
    EXPECT_EQ(list("cb_mp3_bitrate")->currentIndex(), 9);
    EXPECT_EQ(list("cb_wav_frequency")->currentIndex(), 8);
    EXPECT_EQ(control<QLineEdit>("edt_proxy")->text(), QString());
    control<QPushButton>("Cancel")->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(ripper.calls.isEmpty());

    dialog->show(); // the file again, not the edits left without Ok
    EXPECT_EQ(list("cb_mp3_bitrate")->currentIndex(), 3);
    control<QPushButton>("Button2")->click();
    clickOk();
    EXPECT_EQ(stored("wav", "frequency"), 8); // 48000 Hz, though an empty file means 44100 Hz
    EXPECT_EQ(stored("mp3", "bitrate"), 9);
}

TEST_F(SettingsDialogTest, StoredValuesOutOfRangeLoadAsTheNearestChoiceOrTheDefault) {
    store("mp3", "bitrate", "20");
    store("mp3", "channel", "-1");
    store("mp3", "quality", "12");
    store("MP3Filt", "udHFiltF", "50000");
    store("MP3Filt", "udLFiltW", "-5");
    store("MP3Prest", "rg_prest", "15");
    store("MP3Prest", "rg_alt", "-1");
    store("wav", "mode", "-3");
    store("wma", "format", "47");
    store("Rm", "format", "2");
    store("ogg", "quality", "5000");
    store("Format", "retries", "0");
    store("Format", "stop", "-2");
    store("Freedb", "site", "4");
    store("Freedb", "toserver", "7");
    dialog->show();
    clickOk();
    EXPECT_EQ(stored("mp3", "bitrate"), 9);
    EXPECT_EQ(stored("mp3", "channel"), 1);
    EXPECT_EQ(stored("mp3", "quality"), 9);
    EXPECT_EQ(stored("MP3Filt", "udHFiltF"), 48000);
    EXPECT_EQ(stored("MP3Filt", "udLFiltW"), 0);
    EXPECT_EQ(stored("MP3Prest", "rg_prest"), 10);
    EXPECT_EQ(stored("MP3Prest", "rg_alt"), 0);
    EXPECT_EQ(stored("wav", "mode"), 3);
    EXPECT_EQ(stored("wma", "format"), 9);
    EXPECT_EQ(stored("Rm", "format"), 0);
    EXPECT_EQ(stored("ogg", "quality"), 1000);
    EXPECT_EQ(stored("Format", "retries"), 1);
    EXPECT_EQ(stored("Format", "stop"), 0);
    EXPECT_EQ(stored("Freedb", "site"), 0);
    EXPECT_EQ(stored("Freedb", "toserver"), 2);
}

TEST_F(SettingsDialogTest, EnablingRulesFollowTheirControls) {
    dialog->show();
    EXPECT_FALSE(list("cb_mp3_vbr")->isEnabled());
    EXPECT_FALSE(check("ck_mp3_semb")->isEnabled());
    list("cb_mp3vbrcm")->setCurrentIndex(4);
    EXPECT_TRUE(list("cb_mp3_vbr")->isEnabled());
    EXPECT_TRUE(spin("ud_mp3_vbr")->isEnabled());
    EXPECT_TRUE(check("ck_mp3_VBR")->isEnabled());

    EXPECT_FALSE(spin("udHFiltW")->isEnabled());
    check("chHFilt")->click();
    EXPECT_TRUE(spin("udHFiltF")->isEnabled());
    EXPECT_TRUE(spin("udHFiltW")->isEnabled());
    EXPECT_TRUE(control<QWidget>("lbHFiltW")->isEnabled());
    EXPECT_FALSE(spin("udLFiltF")->isEnabled());

    EXPECT_FALSE(list("cb_wav_bit")->isEnabled());
    item("rb_cdmode", 2)->click();
    EXPECT_TRUE(list("cb_wav_bit")->isEnabled());
    item("rb_cdmode", 1)->click();
    EXPECT_FALSE(list("cb_wav_frequency")->isEnabled());

    check("ck_oggvbr")->click();
    EXPECT_FALSE(check("ck_oggquality")->isEnabled());
    EXPECT_TRUE(list("cb_ogg_minbit")->isEnabled());
    EXPECT_FALSE(spin("ud_ogg_quality")->isEnabled());
    check("ck_oggvbr")->click();
    check("ck_oggquality")->click();
    EXPECT_FALSE(check("ck_oggvbr")->isEnabled());
    EXPECT_FALSE(list("cb_ogg_maxbit")->isEnabled());
    EXPECT_TRUE(spin("ud_ogg_quality")->isEnabled());

    check("ck_preset")->click();
    EXPECT_TRUE(control<QWidget>("rg_prest")->isEnabled());
    EXPECT_FALSE(check("ck_alt")->isEnabled());
    EXPECT_FALSE(control<QWidget>("rg_alt")->isEnabled());

    // Default brings the rules back with the values.
    control<QPushButton>("Button2")->click();
    EXPECT_FALSE(list("cb_mp3_vbr")->isEnabled());
    EXPECT_FALSE(spin("udHFiltF")->isEnabled());
    EXPECT_FALSE(control<QWidget>("rg_prest")->isEnabled());
    EXPECT_TRUE(check("ck_oggvbr")->isEnabled());
}

TEST_F(SettingsDialogTest, APresetPairStoredByHandShowsBothLockedUntilDefault) {
    store("MP3Prest", "preset", "1");
    store("MP3Prest", "alt", "2"); // any non-zero number is true
    store("MP3Prest", "rg_alt", "3");
    dialog->show();
    EXPECT_TRUE(check("ck_preset")->isChecked());
    EXPECT_TRUE(check("ck_alt")->isChecked());
    EXPECT_FALSE(check("ck_preset")->isEnabled());
    EXPECT_FALSE(check("ck_alt")->isEnabled());
    EXPECT_TRUE(control<QWidget>("rg_prest")->isEnabled());
    EXPECT_TRUE(control<QWidget>("rg_alt")->isEnabled());
    EXPECT_EQ(chosen("rg_alt"), 3);

    control<QPushButton>("Button2")->click();
    EXPECT_FALSE(check("ck_preset")->isChecked());
    EXPECT_FALSE(check("ck_alt")->isChecked());
    EXPECT_TRUE(check("ck_preset")->isEnabled());
    EXPECT_TRUE(check("ck_alt")->isEnabled());
    EXPECT_FALSE(control<QWidget>("rg_prest")->isEnabled());
    EXPECT_EQ(chosen("rg_alt"), 0);
}

TEST_F(SettingsDialogTest, NumberFieldsTakeANonDigitAsBackspace) {
    dialog->show();
    auto* port = control<QLineEdit>("edt_port");
    port->clear();
    QTest::keyClick(port, Qt::Key_5);
    EXPECT_EQ(port->text(), QStringLiteral("5"));
    QTest::keyClick(port, Qt::Key_A);
    EXPECT_EQ(port->text(), QString());

    auto* timeout = control<QLineEdit>("edt_timeout");
    timeout->setCursorPosition(2);
    QTest::keyClicks(timeout, QStringLiteral("x"));
    EXPECT_EQ(timeout->text(), QStringLiteral("1000"));
    QTest::keyClick(timeout, Qt::Key_End);
    QTest::keyClicks(timeout, QStringLiteral("5"));
    EXPECT_EQ(timeout->text(), QStringLiteral("10005"));

    check("ck_oggquality")->click();
    auto* quality = spin("ud_ogg_quality");
    quality->selectAll();
    QTest::keyClicks(quality, QStringLiteral("25-"));
    EXPECT_EQ(control<QLineEdit>("edt_ogg_quality")->text(), QStringLiteral("2"));

    // Pasted text is not filtered and is stored as it stands.
    control<QLineEdit>("edt_proxy")->setText(QStringLiteral("cache:8080"));
    port->setText(QStringLiteral("80a"));
    clickOk();
    EXPECT_EQ(settings.ini().readString(QStringLiteral("Freedb"), QStringLiteral("port"), {}),
              QStringLiteral("80a"));
    EXPECT_EQ(settings.ini().readString(QStringLiteral("Freedb"), QStringLiteral("timeout"), {}),
              QStringLiteral("10005"));
    EXPECT_EQ(stored("ogg", "quality"), 2);
}

TEST_F(SettingsDialogTest, WmaTextNamingNoProfileStoresMinusOne) {
    dialog->show();
    auto* wma = list("cb_wma");
    wma->setEditText(QStringLiteral("WMA9 44KHz, 100Kbps"));
    clickOk();
    EXPECT_EQ(stored("wma", "format"), -1);

    dialog->show(); // -1 shows the default profile again
    EXPECT_EQ(wma->currentIndex(), 9);
    wma->setCurrentIndex(22); // shares its text with 20
    clickOk();
    EXPECT_EQ(stored("wma", "format"), 22);

    dialog->show();
    wma->lineEdit()->selectAll();
    QTest::keyClicks(wma->lineEdit(), QStringLiteral("WMA9 22KHz, 20Kbps, Mono, CBR"));
    clickOk();
    EXPECT_EQ(stored("wma", "format"), 25);
}

TEST_F(SettingsDialogTest, AnEmptyRmCodecListStoresMinusOne) {
    dialog = make(settings, {});
    dialog->show();
    clickOk();
    EXPECT_EQ(stored("Rm", "format"), -1);
    dialog->setRmCodecNames({"RA 14.4", "Cook"});
    dialog->show();
    EXPECT_EQ(list("cmbRMCodecs")->currentIndex(), 0);
}

TEST_F(SettingsDialogTest, ARefusedWriteIsShownAndTheDialogStaysOpen) {
    // A file where a folder should be: no one, root included, can write below it.
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsFile unwritable(dir.filePath(QStringLiteral("blocker/Orvelle.ini")));
    dialog = make(unwritable, {"Cook"});
    dialog->show();
    clickOk();
    EXPECT_EQ(prompt.informations,
              QStringList{QStringLiteral("Unable to write to ") + unwritable.path()});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(ripper.calls.isEmpty());
}

TEST_F(SettingsDialogTest, TheCommandLineReachesMp3OutputWithoutOkAndOutlivesEveryShowing) {
    dialog->show();
    auto* text = control<QPlainTextEdit>("txtCommLine");
    QTest::keyClicks(text, QStringLiteral("-b 192 -m m"));
    control<QPushButton>("Cancel")->click();
    EXPECT_FALSE(QFile::exists(path));

    const LameSettings lame =
        lameSettingsFor(EncoderSettings::read(settings, dialog->commandLine()).mp3);
    EXPECT_EQ(lame.bitrate, 192);
    EXPECT_EQ(lame.channelMode, 0);

    dialog->show();
    control<QPushButton>("Button2")->click();
    EXPECT_EQ(dialog->commandLine(), QStringLiteral("-b 192 -m m"));
}

TEST_F(SettingsDialogTest, ACommandLineTheEncoderWouldRefuseIsNamedAndNothingIsWritten) {
    dialog->show();
    clickNode(7);
    control<QPlainTextEdit>("txtCommLine")->setPlainText(QStringLiteral("-V 2 --bogus"));
    clickOk();
    ASSERT_EQ(prompt.informations.size(), 1);
    EXPECT_TRUE(prompt.informations[0].contains(QStringLiteral("--bogus")));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Set MP3 Command Line"));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(ripper.calls.isEmpty());

    // Cancel does not let it through either: the line reaches MP3 output unsaved.
    clickNode(0);
    dialog->close();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(prompt.informations.size(), 2);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Set MP3 Command Line"));

    control<QPlainTextEdit>("txtCommLine")->setPlainText(QStringLiteral("-V 2 --vbr-new"));
    clickOk();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(stored("mp3", "bitrate"), 9);
}

} // namespace
