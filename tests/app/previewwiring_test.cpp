// Preview from the window's side: the commands reach the preview controller,
// its reports reach the rows, the state and the skin's slider.
#include "app/windowfixture.h"
#include "cd/discimage.h"
#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdioripper.h"
#include "components/player/qtaudioplayer.h"
#include "control/previewcontrol.h"
#include "settings/settingsfile.h"

#include <QFile>
#include <QtEndian>
#include <QTest>

namespace {

// One second of 16-bit mono silence at 22 050 Hz.
void writeSilentWav(const QString& path) {
    const quint32 rate = 22050;
    QByteArray wav("RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0", 24);
    const auto put = [&wav](quint32 value, int bytes) {
        char le[4];
        qToLittleEndian(value, le);
        wav.append(le, bytes);
    };
    put(rate, 4);
    put(rate * 2, 4);
    put(2, 2);
    put(16, 2);
    wav.append("data");
    put(rate * 2, 4);
    wav.append(QByteArray(int(rate) * 2, '\0'));
    qToLittleEndian(quint32(wav.size() - 8), wav.data() + 4);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(wav);
}

RowModel::Row fileRow(const QString& caption, const QString& path) {
    RowModel::Row row;
    row.caption = caption;
    row.sourcePath = path;
    return row;
}

class PreviewWiring : public WindowFixture {
protected:
    // A disc of two 10-second tracks (750 CD frames each), the window on it.
    MainController& startOnTwoTracks() {
        audioCd({{"One", "Ann", "First", 0, 10, 0}, {"Two", "Bob", "Second", 0, 10, 0}});
        MainController& c = start();
        c.selectRows({0});
        c.showRowTags();
        return c;
    }
    FakeSkin::Object& slider() {
        return *static_cast<FakeSkin::Object*>(skin->getSkinObject("pb"));
    }
    void dragSliderTo(int value) {
        skin->press("pb");
        slider().value = value;
        skin->release("pb");
    }
    QStringList statuses() { return column(RowModel::ColStatus); }
    QStringList calls(const QString& prefix) {
        return fakes.log.calls.filter(QRegularExpression("^" + QRegularExpression::escape(prefix)));
    }
};

TEST_F(PreviewWiring, PlayStartsFromTheSliderAndPlayAgainPauses) {
    MainController& c = startOnTwoTracks();
    dragSliderTo(465); // nothing plays: the next start takes it
    EXPECT_TRUE(calls("ripper.Seek").isEmpty());
    c.selectRows({1});
    skin->click("play"); // the selected row becomes current first
    EXPECT_EQ(c.state().currentRow, 1);
    EXPECT_TRUE(c.state().playbackActive);
    EXPECT_EQ(calls("ripper.Seek"), QStringList{"ripper.Seek 375"}); // 5 000 ms
    EXPECT_EQ(calls("player.SetFormat"), QStringList{"player.SetFormat 44100 2"});
    EXPECT_EQ(fakes.player->queued, 2);
    EXPECT_EQ(statuses().at(1), "Playing");
    EXPECT_EQ(c.shownTag().title, "Two");

    const int redraws = slider().redraws;
    fakes.player->tick(); // the slider follows what was read past 5 000 ms
    const int followed = slider().value;
    EXPECT_GT(followed, 465);
    EXPECT_GT(slider().redraws, redraws);
    skin->click("play");
    EXPECT_FALSE(c.state().playbackActive);
    EXPECT_EQ(statuses().at(1), "Pause");
    EXPECT_EQ(slider().value, followed);

    skin->click("play");
    skin->click("playstop");
    EXPECT_FALSE(c.state().playbackActive);
    EXPECT_EQ(statuses().at(1), "Stop Play");
    EXPECT_EQ(slider().value, 0);
}

TEST_F(PreviewWiring, NoPreviewDuringAJob) {
    MainController& c = startOnTwoTracks();
    c.state().jobRunning = true;
    c.playOrPause();
    c.preview().playOrPause();
    EXPECT_FALSE(c.state().playbackActive);
    EXPECT_TRUE(calls("ripper.Open").isEmpty());
    EXPECT_EQ(statuses().at(0), RowModel::Unconverted);
}

TEST_F(PreviewWiring, NextAndPreviousStopAtTheEndsAndOnlyWhilePlaying) {
    MainController& c = startOnTwoTracks();
    skin->click("next"); // stopped: nothing
    EXPECT_EQ(c.state().currentRow, 0);
    skin->click("play");
    skin->click("break");   // row 0: the surface's guard
    c.previewPreviousRow(); // and the preview's own
    EXPECT_EQ(c.state().currentRow, 0);
    skin->click("next");
    EXPECT_EQ(c.state().currentRow, 1);
    EXPECT_EQ(statuses(), (QStringList{"Stop Play", "Playing"}));
    EXPECT_EQ(c.shownTag().title, "Two");
    skin->click("next"); // the last row
    EXPECT_EQ(c.state().currentRow, 1);
    EXPECT_EQ(statuses(), (QStringList{"Stop Play", "Playing"}));
    EXPECT_EQ(calls("ripper.Open"), (QStringList{"ripper.Open 0", "ripper.Open 1"}));
    skin->click("play"); // paused: previous does nothing either
    skin->click("break");
    EXPECT_EQ(c.state().currentRow, 1);
}

TEST_F(PreviewWiring, DraggingTheSliderWhilePausedOnlyMovesTheNextStart) {
    MainController& c = startOnTwoTracks();
    skin->click("play");
    skin->click("play");
    fakes.log.calls.clear();
    dragSliderTo(930);
    EXPECT_TRUE(c.state().sliderFollowsPlayback);
    EXPECT_TRUE(calls("ripper.Seek").isEmpty());
    EXPECT_TRUE(calls("player.ResetQueue").isEmpty());
    skin->click("play");
    EXPECT_EQ(calls("ripper.Seek"), QStringList{"ripper.Seek 750"});

    // While playing, letting go seeks and drops what is queued.
    fakes.log.calls.clear();
    dragSliderTo(0);
    EXPECT_EQ(calls("ripper.Seek"), QStringList{"ripper.Seek 0"});
    EXPECT_EQ(calls("player.ResetQueue"), QStringList{"player.ResetQueue"});
}

TEST_F(PreviewWiring, ARebuildOrTheCloseStopsAPlayingPreviewFirst) {
    MainController& c = startOnTwoTracks();
    skin->click("play");
    fakes.log.calls.clear();
    emit c.drives().lookupLoaded(); // FreeDB's titles arrive
    const int stop = fakes.log.indexOf("ripper.Close");
    ASSERT_GE(stop, 0);
    EXPECT_LT(stop, fakes.log.indexOf("reader.ReadDisc"));
    EXPECT_FALSE(c.state().playbackActive);

    skin->click("play");
    fakes.log.calls.clear();
    window->close();
    EXPECT_FALSE(c.state().playbackActive);
    EXPECT_EQ(calls("player.StopPlayback"), QStringList{"player.StopPlayback"});
}

TEST_F(PreviewWiring, ConverterRowsPlayTheirFileByKindAndAFailureIsShown) {
    MainController& c = start();
    c.chooseFunction(Converter);
    const QString missing = dir.filePath("missing.wav");
    c.rows().append(fileRow("missing.wav", missing));
    c.rows().append(fileRow("clip.AVI", "/v/clip.AVI"));
    const auto first = c.preview().previewRow(0);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->kind, PreviewKind::AudioFile);
    EXPECT_EQ(first->path, missing);
    EXPECT_EQ(c.preview().previewRow(1)->kind, PreviewKind::VideoFile);
    EXPECT_FALSE(c.preview().previewRow(2));
    EXPECT_FALSE(c.preview().previewRow(-1));

    c.selectRows({0});
    c.showRowTags();
    skin->click("play");
    EXPECT_FALSE(c.state().playbackActive);
    EXPECT_EQ(prompt.informations.size(), 1);
    EXPECT_EQ(statuses().at(0), "Stop Play");
}

TEST_F(PreviewWiring, RemovingOrClearingRowsStopsTheirPreview) {
    MainController& c = start();
    c.chooseFunction(Converter);
    const QString path = dir.filePath("quiet.wav");
    writeSilentWav(path);
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        c.rows().append(fileRow(name, path));

    c.selectRows({2});
    c.showRowTags();
    skin->click("play");
    ASSERT_TRUE(c.state().playbackActive) << prompt.informations.join('\n').toStdString();
    EXPECT_EQ(calls("player.SetFormat"), QStringList{"player.SetFormat 22050 1"});
    c.selectRows({0});
    skin->click("remove"); // the playing row moves up: its index would name another
    EXPECT_FALSE(c.state().playbackActive);
    EXPECT_EQ(statuses(), (QStringList{RowModel::Unconverted, "Stop Play"}));

    c.selectRows({1});
    c.showRowTags();
    skin->click("play");
    ASSERT_TRUE(c.state().playbackActive);
    skin->click("clear");
    EXPECT_FALSE(c.state().playbackActive);
    EXPECT_EQ(c.rows().count(), 0);
}

// The window on the real disc reader, ripper and player: a disc image's track plays from
// the slider's place to its end, and the slider with it.
TEST(PreviewPlaythrough, ADiscImageTrackPlaysToTheEndInTheWindow) {
    QTemporaryDir dir;
    const QString settingsPath = dir.filePath("Orvelle.ini");
    const int realDrives = int(CdDriveList::scan(SettingsFile(settingsPath)).size());
    DiscImage disc;
    disc.tracks = {{75, 0, false, "One", {}}, {150, 0, false, "Two", {}}};
    SettingsFile(settingsPath)
        .ini()
        .writeString("Drives", "image1", disc.write(dir.path(), "disc"));

    CallLog log;
    FakePrompt prompt;
    FakeShell shell;
    AudioComponentSet set;
    auto reader = std::make_unique<CdioDiscReader>(settingsPath);
    set.trackRipper = std::make_unique<CdioRipper>(*reader);
    set.discReader = std::move(reader);
    set.discLookup = std::make_unique<NullDiscLookup>();
    set.discInformation = std::make_unique<NullDiscInformation>();
    set.audioPlayer = std::make_unique<QtAudioPlayer>();
    set.rmWriter = std::make_unique<NullVideoFile>();
    auto skinObject = std::make_unique<FakeSkin>(log, QStringList{"play", "pb"});
    FakeSkin* skin = skinObject.get();
    set.skin = std::move(skinObject);
    set.driveLayer = std::make_unique<CdioDriveLayer>(settingsPath);
    MainWindow window(std::move(set), prompt, shell, settingsPath, dir.path());
    window.show();
    QCoreApplication::processEvents();
    MainController& c = window.controller();
    if (realDrives > 0)
        c.chooseDrive(realDrives);
    ASSERT_EQ(c.rows().count(), 2);

    auto& slider = *static_cast<FakeSkin::Object*>(skin->getSkinObject("pb"));
    QList<int> values;
    QObject::connect(&c.preview().preview(), &PreviewController::sliderMoved,
                     [&](int value) { values << value; });
    skin->press("pb");
    slider.value = 465;
    skin->release("pb");
    c.selectRows({1});
    skin->click("play");
    ASSERT_TRUE(c.state().playbackActive);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !c.state().playbackActive; }, 30000));
    EXPECT_EQ(c.rows().row(1).status, "Stop Play");
    ASSERT_GE(values.size(), 2);
    EXPECT_EQ(values[values.size() - 2], 930) << "the slider reached the end";
    EXPECT_EQ(slider.value, 0);
    EXPECT_TRUE(prompt.informations.isEmpty()) << prompt.informations.join('\n').toStdString();
    window.close();
}

} // namespace
