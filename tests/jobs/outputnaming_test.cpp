#include "jobs/joberror.h"
#include "jobs/outputnaming.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// While set, the no-replace rename answers as on a file system without it.
std::atomic<bool> noReplaceUnsupported{false};
} // namespace

// The core library is static: this definition takes the place of the C library's.
extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                         unsigned int flags) noexcept {
    if (noReplaceUnsupported && (flags & RENAME_NOREPLACE) != 0) {
        errno = EINVAL;
        return -1;
    }
    return int(::syscall(SYS_renameat2, fromFolder, from, toFolder, to, flags));
}

namespace {

OutputNameSource cdRow(const QString& title, int track = 0) {
    return {title, true, track, {}};
}

OutputNameSource fileRow(const QString& name, const QString& source = {}) {
    return {name, false, 0, source.isEmpty() ? QStringLiteral("/music/") + name : source};
}

class NamingTest : public ::testing::Test {
protected:
    QString root() const { return dir.path() + QStringLiteral("/out"); }
    OutputPath build(const OutputNameSource& row, OutputFormat format = FormatMp3,
                     FolderScheme scheme = FolderScheme::None, const RowTag& tag = {}) {
        return buildOutputPath(root(), scheme, tag, row, format);
    }
    void touch(const QString& path, const QByteArray& content = "keep") {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QTemporaryDir dir;
};

TEST(sanitizeName, RemovesTheNineCharactersAndControlsOnly) {
    EXPECT_EQ(sanitizeName(QStringLiteral("a*b?c|d:e\"f/g\\h<i>j")), "abcdefghij");
    EXPECT_EQ(sanitizeName(QStringLiteral(" Vol. 2. Ünïcödé 日本 ")), " Vol. 2. Ünïcödé 日本 ");
    EXPECT_EQ(sanitizeName(QStringLiteral("tab\there\nnew\x7f")), "tabherenew");
    EXPECT_EQ(sanitizeName(QStringLiteral("*?|")), "");
}

TEST(OutputFormats, ExtensionsAndTwoDigits) {
    EXPECT_EQ(outputExtension(FormatWma), ".wma");
    EXPECT_EQ(outputExtension(FormatRm), ".rm");
    EXPECT_EQ(formatTwoDigits(7), "07");
    EXPECT_EQ(formatTwoDigits(100), "100");
}

TEST(outputFileName, CdTitlesKeepTheirDotsFileNamesChangeTheirExtension) {
    EXPECT_EQ(outputFileName(cdRow("Track01"), FormatMp3), "Track01.mp3");
    EXPECT_EQ(outputFileName(cdRow("Op. 27"), FormatMp3), "Op. 27.mp3");
    EXPECT_EQ(outputFileName(cdRow("No. 5 in C"), FormatOgg), "No. 5 in C.ogg");
    EXPECT_EQ(outputFileName(cdRow("Vol. 2."), FormatMp3), "Vol. 2.mp3");
    EXPECT_EQ(outputFileName(cdRow("What? Why: Now"), FormatWav), "What Why Now.wav");
    EXPECT_EQ(outputFileName(cdRow("Ends in blanks . . "), FormatRm), "Ends in blanks.rm");
    EXPECT_EQ(outputFileName(fileRow("song.wav"), FormatOgg), "song.ogg");
    EXPECT_EQ(outputFileName(fileRow("live.at.home.mp3"), FormatWma), "live.at.home.wma");
    EXPECT_EQ(outputFileName(fileRow("noextension"), FormatWav), "noextension.wav");
    // File names keep what Linux allows in them.
    EXPECT_EQ(outputFileName(fileRow("What? Now.wav"), FormatMp3), "What? Now.mp3");
}

TEST(outputFileName, EmptyOrHiddenNamesGetAVisibleOne) {
    for (const char* title : {"", "...", "?*:", " . . ", "/", ".."})
        EXPECT_EQ(outputFileName(cdRow(QString::fromUtf8(title), 2), FormatMp3), "Track03.mp3")
            << title;
    EXPECT_EQ(outputFileName(cdRow(".hidden"), FormatMp3), "hidden.mp3");
    EXPECT_EQ(outputFileName(cdRow("../../x"), FormatMp3), "x.mp3");
    EXPECT_EQ(outputFileName(fileRow(".hidden.wav"), FormatOgg), "hidden.ogg");
    EXPECT_EQ(outputFileName(fileRow(".wav", QStringLiteral("/m/take two.wav")), FormatOgg),
              "take two.ogg");
}

TEST_F(NamingTest, SpecifiedPathsAndFolders) {
    EXPECT_EQ(build(cdRow("Track03")).path, root() + "/Track03.mp3");
    EXPECT_EQ(
        buildOutputPath(root() + "/", FolderScheme::None, {}, cdRow("Track04"), FormatMp3).folder,
        root() + "/");

    const OutputPath nested =
        build(cdRow("x"), FormatWav, FolderScheme::ArtistAlbum, {"T", "Me/You", "Live: 1991?"});
    EXPECT_EQ(nested.folder, root() + "/MeYou/Live 1991/");
    EXPECT_EQ(nested.path, root() + "/MeYou/Live 1991/x.wav");
    EXPECT_TRUE(QFileInfo(nested.part).isFile());

    EXPECT_EQ(build(cdRow("y"), FormatMp3, FolderScheme::Artist, {"T", "*?", "Alb"}).folder,
              root() + "/");
    EXPECT_EQ(build(cdRow("y"), FormatMp3, FolderScheme::Album, {"T", "Art", "Alb"}).folder,
              root() + "/Alb/");
    EXPECT_EQ(build(cdRow("y"), FormatMp3, FolderScheme::None, {"T", "Art", "Alb"}).folder,
              root() + "/");
}

TEST_F(NamingTest, WholeMissingPathIsCreated) {
    const QString deep = dir.path() + "/New/Sub/Deeper";
    const OutputPath out =
        buildOutputPath(deep, FolderScheme::Artist, {"", "Band", ""}, cdRow("a"), FormatMp3);
    EXPECT_EQ(out.path, deep + "/Band/a.mp3");
    EXPECT_TRUE(QFileInfo::exists(out.part));
}

TEST_F(NamingTest, UnusableFoldersAreReported) {
    EXPECT_THROW(buildOutputFolder(QString(), FolderScheme::None, {}), JobError);
    EXPECT_THROW(buildOutputFolder(QStringLiteral("  "), FolderScheme::None, {}), JobError);
    touch(dir.path() + "/afile");
    EXPECT_THROW(buildOutputFolder(dir.path() + "/afile/sub", FolderScheme::None, {}), JobError);
}

TEST_F(NamingTest, CollisionsCountOnAndNothingIsEverEmptied) {
    QDir().mkpath(root());
    for (const char* name : {"Track01.mp3", "01_Track01.mp3", "02_Track01.mp3"})
        touch(root() + "/" + name);
    EXPECT_EQ(build(cdRow("Track01")).path, root() + "/03_Track01.mp3");
    // The name is taken the moment it is chosen: the next row gets the next one.
    EXPECT_EQ(build(cdRow("Track01")).path, root() + "/04_Track01.mp3");
    for (const char* name : {"Track01.mp3", "01_Track01.mp3", "02_Track01.mp3"}) {
        QFile kept(root() + "/" + name);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), "keep");
    }
    EXPECT_FALSE(QFileInfo::exists(root() + "/03_Track01.mp3")) << "only complete files get a name";

    // A folder of that name is not a free file name either.
    QDir().mkpath(root() + "/Song.ogg");
    EXPECT_EQ(build(cdRow("Song"), FormatOgg).path, root() + "/01_Song.ogg");

    // The counter runs past 99 without losing a digit.
    for (int i = 1; i <= 99; ++i)
        touch(root() + QStringLiteral("/%1_Many.wav").arg(formatTwoDigits(i)));
    touch(root() + "/Many.wav");
    EXPECT_EQ(build(cdRow("Many"), FormatWav).path, root() + "/100_Many.wav");
}

TEST_F(NamingTest, NamesFitInto255BytesOnACharacterBoundary) {
    const QString longTitle = QString(300, QChar(0x00E9)); // two bytes each in UTF-8
    const QString first = QFileInfo(build(cdRow(longTitle)).path).fileName();
    const QString second = QFileInfo(build(cdRow(longTitle)).path).fileName();
    EXPECT_LE(first.toUtf8().size(), MaxNameBytes);
    EXPECT_GE(first.toUtf8().size(), MaxNameBytes - 1);
    EXPECT_TRUE(first.endsWith(".mp3"));
    EXPECT_TRUE(second.startsWith("01_"));
    EXPECT_TRUE(second.endsWith(".mp3"));
    EXPECT_LE(second.toUtf8().size(), MaxNameBytes);
    EXPECT_EQ(QString::fromUtf8(second.toUtf8()), second); // no broken character

    // Characters outside the basic plane are four bytes and never split.
    EXPECT_EQ(cutToUtf8Bytes(QStringLiteral("a😀b"), 4), "a");
    EXPECT_EQ(cutToUtf8Bytes(QStringLiteral("a😀b"), 5), QStringLiteral("a😀"));
    EXPECT_EQ(cutToUtf8Bytes(QStringLiteral("日本"), 5), QStringLiteral("日"));

    const OutputPath deep = build(cdRow("t"), FormatMp3, FolderScheme::ArtistAlbum,
                                  {"", QString(300, 'a'), QString(300, QChar(0x65E5))});
    for (const QString& part : QDir(root()).relativeFilePath(deep.path).split('/'))
        EXPECT_LE(part.toUtf8().size(), MaxNameBytes);
    EXPECT_TRUE(QFileInfo::exists(deep.part));
    EXPECT_LE(QFileInfo(deep.part).fileName().toUtf8().size(), MaxNameBytes);
}

TEST_F(NamingTest, TextsFromDiscOrServerNeverLeaveTheOutputFolder) {
    const QStringList hostile{"../../x", "..",  "/etc/passwd", "a/../b", "C:\\Windows",
                              ".hidden", "...", " . ",         "~",      QString(300, 'z')};
    QDir().mkpath(root());
    const QString canonicalRoot = QFileInfo(root()).canonicalFilePath() + '/';
    for (const QString& text : hostile) {
        SCOPED_TRACE(text.left(20).toStdString());
        for (const FolderScheme scheme : {FolderScheme::Artist, FolderScheme::ArtistAlbum}) {
            const OutputPath out = build(cdRow(text, 4), FormatOgg, scheme, {text, text, text});
            EXPECT_TRUE(QFileInfo(out.part).canonicalFilePath().startsWith(canonicalRoot))
                << out.path.toStdString();
            EXPECT_TRUE(QFileInfo(out.part).isFile());
            for (const QString& part : QDir(root()).relativeFilePath(out.path).split('/')) {
                EXPECT_FALSE(part.startsWith('.')) << part.toStdString();
                EXPECT_NE(part, "..");
            }
        }
    }
    EXPECT_EQ(build(cdRow("x"), FormatMp3, FolderScheme::Artist, {"", "C:\\Windows", ""}).folder,
              root() + "/CWindows/");
    EXPECT_EQ(build(cdRow("x"), FormatMp3, FolderScheme::Artist, {"", "a/../b", ""}).folder,
              root() + "/a..b/");
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/x.ogg"));
}

// A part file holds its name; a finished file takes the next free name when
// its own was taken meanwhile, never replacing a file or following a link,
// also where the file system has no no-replace rename.
TEST_F(NamingTest, APartFileHoldsItsNameAndIsNamedWithoutReplacingAnything) {
    for (const bool unsupported : {false, true}) {
        SCOPED_TRACE(unsupported);
        const QString folder = root() + (unsupported ? "/old" : "/new");
        const OutputPath first =
            buildOutputPath(folder, FolderScheme::None, {}, cdRow("Op. 27"), FormatMp3);
        EXPECT_EQ(QFileInfo(first.part).fileName(), ".Op. 27.mp3." + partOwner() + ".orvelle-part");
        EXPECT_EQ(buildOutputPath(folder, FolderScheme::None, {}, cdRow("Op. 27"), FormatMp3).path,
                  folder + "/01_Op. 27.mp3");
        touch(first.path, "someone's");
        ASSERT_TRUE(QFile::link(first.path, folder + "/01_Op. 27.mp3"));
        noReplaceUnsupported = unsupported;
        EXPECT_EQ(commitOutputFile(first.path), folder + "/02_Op. 27.mp3");
        noReplaceUnsupported = false;
        QFile kept(first.path);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), "someone's");
        EXPECT_FALSE(QFileInfo::exists(first.part));
    }
}

// A part file stays while its owner runs; what a process that is gone left
// goes, when its name is exactly a part name and it is not an input of the job.
TEST_F(NamingTest, PartFilesOfProcessesThatAreGoneAreRemoved) {
    QDir().mkpath(root());
    const QString own = QFileInfo(build(cdRow("running")).part).fileName();
    const std::pair<QString, bool> cases[] = {
        {".killed.mp3.4194303-1.orvelle-part", false},           // no such process
        {".again.mp3." + partOwner() + "1.orvelle-part", false}, // its id, another start
        {".tagging.mp3.4194303-1.orvelle-part.Ab12Cd", true},    // something after the suffix
        {".take.2024-05.orvelle-part.flac", true},               // a user's own file
        {".source.wav.4194303-1.orvelle-part", true},            // an input of the job
        {own, true},                                             // a live owner
        {".odd.mp3.x-1.orvelle-part", true},                     // no owner mark
        {"visible.mp3.4194303-1.orvelle-part", true},            // not a part name
    };
    for (const auto& [name, stays] : cases)
        if (name != own)
            touch(root() + "/" + name);
    // A link named like a part file is not a file of ours.
    ASSERT_TRUE(QFile::link(own, root() + "/.link.mp3.4194303-1.orvelle-part"));
    buildOutputPath(root(), FolderScheme::None, {}, cdRow("next"), FormatMp3,
                    fileIdsOf({root() + "/.source.wav.4194303-1.orvelle-part"}));
    for (const auto& [name, stays] : cases)
        EXPECT_EQ(QFileInfo::exists(root() + "/" + name), stays) << name.toStdString();
    EXPECT_TRUE(QFileInfo(root() + "/.link.mp3.4194303-1.orvelle-part").isSymLink());
}

} // namespace
