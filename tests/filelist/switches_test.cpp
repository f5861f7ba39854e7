#include "filelist/filekinds.h"
#include "filelist/formatswitch.h"

#include <gtest/gtest.h>

TEST(FileKinds, AudioByExtensionInAnyCaseAndEverythingElseIsAVideo) {
    for (const char* name : {"a.mp3", "/x/b.WAV", "c.Ogg", "d.wma", "e.raw", "f.VOX", "g.tar.mp3",
                             "a.FLAC", "b.opus", "c.m4a", "d.Aif", "e.caf", "f.webm"})
        EXPECT_FALSE(isVideoFile(QLatin1String(name))) << name;
    for (const char* name :
         {"clip.avi", "notes.txt", "noextension", "/dir.mp3/file", "a.mp3.bak", "a.flac.part"})
        EXPECT_TRUE(isVideoFile(QLatin1String(name))) << name;
    // A folder is narrower: only six video extensions are tried.
    for (const char* name : {"a.mpeg", "b.WMV", "c.avi", "d.mpg", "e.asx", "f.ASF"})
        EXPECT_TRUE(isFolderVideoFile(QLatin1String(name))) << name;
    for (const char* name : {"notes.txt", "a.mp4", "a.mkv", "a.mp3"})
        EXPECT_FALSE(isFolderVideoFile(QLatin1String(name))) << name;
}

TEST(FileKinds, DurationsInHoursMinutesAndSeconds) {
    EXPECT_EQ(formatDuration(3725000), QStringLiteral("01:02:05"));
    EXPECT_EQ(formatDuration(0), QStringLiteral("00:00:00"));
    EXPECT_EQ(formatDuration(999), QStringLiteral("00:00:00"));
    EXPECT_EQ(formatDuration(59999), QStringLiteral("00:00:59"));
    EXPECT_EQ(formatDuration(3600000 - 1), QStringLiteral("00:59:59"));
    EXPECT_EQ(formatDuration(100LL * 3600000), QStringLiteral("100:00:00"));
    EXPECT_EQ(formatDuration(-5), QStringLiteral("00:00:00"));
}

TEST(FileKinds, TheFiltersOfTheOpenDialogInTheirOrder) {
    const QString newer = QStringLiteral("*.flac;*.opus;*.oga;*.m4a;*.aac;*.mp4;*.aiff;*.aif;"
                                         "*.ape;*.wv;*.mka;*.webm;*.mp2;*.ac3;*.dts;*.caf;");
    const QList<OpenDialogFilter> filters = openDialogFilters();
    ASSERT_EQ(filters.size(), 17);
    // The program's own first filter comes first and is the one selected.
    EXPECT_EQ(filters[0].name, QStringLiteral("All Supported Files"));
    EXPECT_EQ(filters[0].patterns, QStringLiteral("*.mp3;*.wav;*.wma;*.ogg;") + newer +
                                       QStringLiteral("*.avi;*.mpeg;*.wmv;*.mpg;*.asf;*.asx;"));
    EXPECT_EQ(filters[1].name, QStringLiteral("All Supported Audio Files"));
    EXPECT_EQ(filters[1].patterns, QStringLiteral("*.mp3;*.wav;*.wma;*.ogg;*.raw;*.vox;") + newer);
    EXPECT_EQ(filters[2].name, QStringLiteral("All Supported Video File"));
    EXPECT_EQ(filters[6].name, QStringLiteral("RWA File(*.raw);"));
    EXPECT_EQ(filters[9].name, QStringLiteral("FLAC Files(*.flac)"));
    EXPECT_EQ(filters[15].patterns, QStringLiteral("*.mpeg;*mpg;"));
    EXPECT_EQ(filters[16].name, QStringLiteral("WMV(*.wmv,*.asf,*.asx);"));
    // Every kind the converter takes as audio is offered by the audio filter.
    for (const QString& pattern : filters[1].patterns.split(';', Qt::SkipEmptyParts))
        EXPECT_TRUE(isAudioFile(pattern.mid(2).toUpper().prepend("a."))) << pattern.toStdString();

    // Qt's form: one entry per filter, patterns in the last parentheses, by spaces.
    const QStringList entries = openDialogFilterText().split(QStringLiteral(";;"));
    ASSERT_EQ(entries.size(), 17);
    EXPECT_EQ(entries[3], QStringLiteral("WMA Files(*.wma) (*.wma)"));
    EXPECT_EQ(entries[15], QStringLiteral("MPEG(*.mpeg,*.mpg); (*.mpeg *mpg)"));
}

TEST(FormatSwitch, EachFormatHasOneTextAndBack) {
    const QStringList texts{"MP3", "WAV", "WMA", "OGG", "RM", "SET", "FLAC", "OPUS"};
    for (int format = 0; format < texts.size(); ++format) {
        EXPECT_EQ(formatText(format), texts[format]);
        if (format != FormatSet) {
            EXPECT_EQ(formatFromText(texts[format]), OutputFormat(format));
        }
    }
    for (const char* text : {"SET", "mp3", "", " RM", "WAV "})
        EXPECT_FALSE(formatFromText(QLatin1String(text))) << text;
    EXPECT_TRUE(formatText(FormatOpus + 1).isEmpty());
    EXPECT_TRUE(formatText(-1).isEmpty());
}

TEST(FormatSwitch, AChoiceTargetsItsFormat) {
    FormatChoice choice(FormatWav);
    const FormatChoice::Outcome ogg = choice.choose(FormatOgg);
    EXPECT_FALSE(ogg.showSettings);
    EXPECT_EQ(ogg.target, QStringLiteral("OGG"));
    EXPECT_EQ(choice.lastFormat(), FormatOgg);
}

TEST(FormatSwitch, SetShowsTheSettingsAndChoosesTheLastFormatAgain) {
    FormatChoice choice(FormatWav);
    const FormatChoice::Outcome set = choice.choose(FormatSet);
    EXPECT_TRUE(set.showSettings);
    EXPECT_EQ(set.format, FormatWav);
    EXPECT_EQ(set.target, QStringLiteral("WAV"));
    EXPECT_EQ(choice.lastFormat(), FormatWav);

    EXPECT_EQ(FormatChoice(FormatRm).choose(FormatSet).target, QStringLiteral("RM"));
    EXPECT_EQ(FormatChoice(FormatOpus).choose(FormatSet).target, QStringLiteral("OPUS"));
    // A stored value out of range starts at MP3.
    EXPECT_EQ(FormatChoice(9).lastFormat(), FormatMp3);
    EXPECT_EQ(FormatChoice(FormatSet).lastFormat(), FormatMp3);
}

TEST(FormatSwitch, ListCommandsBelongToTheConverter) {
    EXPECT_EQ(guardListCommand(Converter, false), ListCommandGuard::Run);
    EXPECT_EQ(guardListCommand(CdRipper, false), ListCommandGuard::ShowConverterMessage);
    EXPECT_EQ(guardListCommand(CdRipper, true), ListCommandGuard::RefuseSilently);
    EXPECT_EQ(guardListCommand(Converter, true), ListCommandGuard::RefuseSilently);
    EXPECT_EQ(ConverterFunctionMessage,
              QStringLiteral("This button member of \"converter\" function, Please choose "
                             "\"converter\" function"));
}

TEST(FormatSwitch, AfterRemovingRows) {
    // Two of five removed: the first of the three left becomes selected.
    AfterRemoval after = rowsRemoved(3, false, 4);
    EXPECT_TRUE(after.selectFirstRow);
    EXPECT_EQ(after.currentRow, 2);
    // One row left: not selected; the current row stays within the list.
    after = rowsRemoved(1, false, 3);
    EXPECT_FALSE(after.selectFirstRow);
    EXPECT_EQ(after.currentRow, 0);
    after = rowsRemoved(1, false, -1);
    EXPECT_EQ(after.currentRow, -1);
    after = rowsRemoved(0, false, 2);
    EXPECT_FALSE(after.selectFirstRow);
    EXPECT_EQ(after.currentRow, -1);
    EXPECT_FALSE(rowsRemoved(4, true, 1).selectFirstRow);
    EXPECT_EQ(rowsRemoved(4, true, 1).currentRow, 1);
}
