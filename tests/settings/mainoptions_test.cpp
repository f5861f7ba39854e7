#include "settings/mainkeys.h"
#include "settings/mainoptions.h"
#include "settings/settingsfile.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

class MainOptionsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    SettingsFile settings{dir.filePath(QStringLiteral("Orvelle.ini"))};
};

TEST_F(MainOptionsTest, AFirstRunGetsTheDefaults) {
    const MainOptions options = MainOptions::load(settings);
    EXPECT_EQ(options.function, CdRipper);
    EXPECT_EQ(options.format, FormatMp3);
    EXPECT_EQ(options.folderScheme, FolderScheme::None);
    EXPECT_EQ(options.outputPath, defaultOutputPath());
}

TEST_F(MainOptionsTest, ChoicesOutsideTheirListsFallBackAndAnUnknownSchemeIsKept) {
    settings.write(MainKeys::Function, 2);
    settings.write(MainKeys::Format, FormatSet);
    settings.write(MainKeys::Output, 7);
    const MainOptions options = MainOptions::load(settings);
    EXPECT_EQ(options.function, CdRipper);
    EXPECT_EQ(options.format, FormatMp3);
    EXPECT_EQ(int(options.folderScheme), 7);
    options.save(settings);
    EXPECT_EQ(settings.read(MainKeys::Output), 7);
    // FLAC and OPUS follow SET; what lies past them is no format either.
    for (const auto& [stored, loaded] : {std::pair{6, FormatFlac}, std::pair{7, FormatOpus},
                                         std::pair{8, FormatMp3}, std::pair{-1, FormatMp3}}) {
        settings.write(MainKeys::Format, stored);
        EXPECT_EQ(MainOptions::load(settings).format, loaded) << stored;
    }
}

TEST_F(MainOptionsTest, WhatIsSavedComesBack) {
    MainOptions options;
    options.function = Converter;
    options.format = FormatRm;
    options.folderScheme = FolderScheme::ArtistAlbum;
    options.outputPath = QStringLiteral("/srv/music out");
    options.save(settings);
    const MainOptions back = MainOptions::load(settings);
    EXPECT_EQ(back.function, Converter);
    EXPECT_EQ(back.format, FormatRm);
    EXPECT_EQ(back.folderScheme, FolderScheme::ArtistAlbum);
    EXPECT_EQ(back.outputPath, "/srv/music out");
}

} // namespace
