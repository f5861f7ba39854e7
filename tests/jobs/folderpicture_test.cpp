#include "jobs/folderpicture.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

TEST(FolderPicture, SavesOnceAndNeverOverwrites) {
    using Outcome = FolderPictureResult::Outcome;
    const QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(70000, '\x11');
    const QByteArray png("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16);
    QTemporaryDir dir;
    const QString folder = dir.path();

    // The type comes from the bytes, whatever the caller says.
    FolderPictureResult result = saveFolderPicture(folder, {png, "image/jpeg"});
    EXPECT_EQ(result.outcome, Outcome::Saved);
    EXPECT_EQ(result.path, folder + "/folder.png");
    EXPECT_EQ(contents(folder + "/folder.png"), png);
    // Another row of the album: the picture is there, in either form.
    result = saveFolderPicture(folder + "/", {jpeg, "image/jpeg"});
    EXPECT_EQ(result.outcome, Outcome::AlreadyThere);
    EXPECT_EQ(result.path, folder + "/folder.png");
    EXPECT_EQ(contents(folder + "/folder.jpg"), "(none)");

    // A user's own folder.jpg, even a link to elsewhere, stays as it was.
    QDir(folder).remove("folder.png");
    ASSERT_TRUE(QFile::link(folder + "/mine.jpg", folder + "/folder.jpg"));
    EXPECT_EQ(saveFolderPicture(folder, {jpeg, {}}).outcome, Outcome::AlreadyThere);
    EXPECT_FALSE(QFile::exists(folder + "/mine.jpg"));

    QDir(folder).remove("folder.jpg");
    result = saveFolderPicture(folder, {"GIF89a", "image/gif"});
    EXPECT_EQ(result.outcome, Outcome::NotSaved);
    EXPECT_EQ(result.error, "the cover is not a JPEG or PNG picture");
    result = saveFolderPicture(folder + "/gone", {jpeg, "image/jpeg"});
    EXPECT_EQ(result.outcome, Outcome::NotSaved);
    EXPECT_TRUE(result.error.startsWith("Cannot create ")) << result.error.toStdString();

    EXPECT_EQ(saveFolderPicture(folder, {jpeg, {}}).outcome, Outcome::Saved);
    EXPECT_EQ(contents(folder + "/folder.jpg"), jpeg);
    // No part file is left behind.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"folder.jpg"});
}
