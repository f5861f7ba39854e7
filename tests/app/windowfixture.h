#pragma once

#include "app/mainwindow.h"
#include "platform/inifile.h"
#include "support/fakecomponents.h"
#include "support/fakeprompt.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTemporaryDir>

// A main window on fake components, with a private settings file.
class WindowFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString settingsPath = dir.filePath(QStringLiteral("Orvelle.ini"));
    FakeComponents fakes;
    FakePrompt prompt;
    FakeShell shell;
    FakeSkin* skin = nullptr;
    std::unique_ptr<MainWindow> window;

    // Rips ask no server unless a test sets one up.
    WindowFixture() {
        storeInt("AccurateRip", "lookup", 0);
        storeInt("CTDB", "lookup", 0);
    }

    void TearDown() override {
        if (window && window->isVisible())
            window->close();
    }

    // One optical drive holding an audio CD with `tracks`.
    void audioCd(std::vector<FakeTrack> tracks) {
        fakes.layerDrives = {{QStringLiteral("/dev/sr0"), true, QStringLiteral("Audio CD")}};
        fakes.readerDrives = {{"0:1:0", "ACME", "CDRW-52X", "1.04"}};
        fakes.readerTracks = std::move(tracks);
    }

    void storeInt(const char* section, const char* key, int value) {
        IniFile(settingsPath).writeInteger(QLatin1String(section), QLatin1String(key), value);
    }

    // Creates the window and runs its start-up as showing it does.
    MainController& start() {
        auto skinObject = std::make_unique<FakeSkin>(
            fakes.log, QStringList{"start", "stop", "set", "file", "help", "play", "pb"});
        skin = skinObject.get();
        window = std::make_unique<MainWindow>(fakes.make(std::move(skinObject)), prompt, shell,
                                              settingsPath, dir.path());
        window->show();
        QCoreApplication::processEvents();
        EXPECT_TRUE(window->initialised());
        return window->controller();
    }

    RowModel& rows() { return window->controller().rows(); }
    // The texts of one column of the list, top to bottom.
    QStringList column(int column) {
        QStringList texts;
        for (int row = 0; row < rows().count(); ++row)
            texts << rows().data(rows().index(row, column)).toString();
        return texts;
    }
    // A control of the window, by the name it has always had.
    template <typename Widget> Widget* control(const char* name) {
        auto* widget = window->findChild<Widget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
};
