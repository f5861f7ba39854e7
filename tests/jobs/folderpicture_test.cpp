#include "components/output/outputreservation.h"
#include "jobs/folderpicture.h"
#include "support/mediatools.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(FolderPicture, SavesOnceAndNeverOverwrites) {
    using Outcome = FolderPictureResult::Outcome;
    QTemporaryDir dir;
    const QString folder = dir.path();
    ASSERT_TRUE(MediaTools::ffmpeg({"-f", "lavfi", "-i", "testsrc=size=300x300", "-frames:v", "1",
                                    folder + "/c.jpeg", "-frames:v", "1", folder + "/c.png"}));
    QFile jpegFile(folder + "/c.jpeg"), pngFile(folder + "/c.png");
    ASSERT_TRUE(jpegFile.open(QIODevice::ReadOnly) && pngFile.open(QIODevice::ReadOnly));
    const QByteArray jpeg = jpegFile.readAll(), png = pngFile.readAll();
    ASSERT_TRUE(jpegFile.remove() && pngFile.remove());
    const auto held = std::make_shared<const OutputFolder>(folder);
    const auto contents = [&folder](const QString& name) {
        QFile file(folder + name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    };
    // The type comes from the bytes, whatever the caller says; another row of
    // the album finds the picture there, in either form.
    EXPECT_EQ(saveFolderPicture(held, {png, "image/jpeg"}).path, folder + "/folder.png");
    const FolderPictureResult again = saveFolderPicture(held, {jpeg, "image/jpeg"});
    EXPECT_EQ(std::make_pair(again.outcome, again.path),
              std::make_pair(Outcome::AlreadyThere, folder + "/folder.png"));
    EXPECT_EQ(contents("/folder.png") + contents("/folder.jpg"), png + "(none)");
    // A user's own folder.jpg, even a dangling link, stays as it was.
    QDir(folder).remove("folder.png");
    ASSERT_TRUE(QFile::link(folder + "/mine.jpg", folder + "/folder.jpg"));
    EXPECT_EQ(saveFolderPicture(held, {jpeg, {}}).outcome, Outcome::AlreadyThere);
    EXPECT_FALSE(QFile::exists(folder + "/mine.jpg"));
    QDir(folder).remove("folder.jpg");
    ASSERT_TRUE(QDir(folder).mkdir("gone"));
    const auto gone = std::make_shared<const OutputFolder>(folder + "/gone");
    ASSERT_TRUE(QDir(folder).rmdir("gone"));
    EXPECT_TRUE(saveFolderPicture(gone, {jpeg, {}}).error.startsWith("Cannot create "));
    EXPECT_EQ(saveFolderPicture(held, {jpeg, {}}).outcome, Outcome::Saved);
    EXPECT_EQ(contents("/folder.jpg"), jpeg);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList{"folder.jpg"}); // no part file is left behind
}
