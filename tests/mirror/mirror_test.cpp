#include "mirror/mirrorplan.h"
#include "mirror/mirrorstate.h"
#include "mirror/treewalker.h"
#include "support/mediatools.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    MediaTools::writeAll(path, "x");
}

} // namespace

TEST(TreeWalker, ReadsOneFolderAStepInNameOrderAndReportsWhatItCannotEnter) {
    QTemporaryDir dir;
    const QString root = dir.path();
    for (const char* name : {"top.flac", "b/2.flac", "b/1.flac", "a/x/3.wav", ".hidden/4.flac",
                             "out/5.flac", "locked/6.flac"})
        touch(root + "/" + name);
    ASSERT_EQ(::symlink(".", QFile::encodeName(root + "/loop").constData()), 0);
    const QByteArray badName = QFile::encodeName(root) + "/bad\xff.flac";
    ::close(::open(badName.constData(), O_CREAT | O_WRONLY, 0644)); // no QString can name it
    QFile::setPermissions(root + "/locked", QFileDevice::Permissions());
    TreeWalker::FolderId out;
    ASSERT_TRUE(TreeWalker::idOf(root + "/out", &out));

    TreeWalker walker(root, {out});
    QStringList found, problems;
    std::vector<TreeWalker::File> files;
    std::vector<TreeWalker::Problem> seen;
    ASSERT_TRUE(walker.step(&files, &seen));
    ASSERT_EQ(files.size(), 1u); // the root's own listing, nothing below it yet
    EXPECT_EQ(files[0].size, 1);
    while (walker.step(&files, &seen)) {
    }
    for (const TreeWalker::File& file : files)
        found << file.relative;
    for (const TreeWalker::Problem& problem : seen)
        problems << QFileInfo(problem.path).fileName() + (problem.unread ? "!" : "");
    // Root reads every folder; anyone else is refused the locked one.
    const bool locked = ::geteuid() != 0;
    QStringList expectedFiles{"top.flac", "a/x/3.wav", "b/1.flac", "b/2.flac"};
    QStringList expected{QFileInfo(QFile::decodeName(badName)).fileName(), "loop"};
    if (locked)
        expected.insert(1, "locked!");
    else
        expectedFiles << "locked/6.flac";
    EXPECT_EQ(found, expectedFiles);
    EXPECT_EQ(problems, expected);
    QFile::setPermissions(root + "/locked",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST(MirrorState, KeepsRecordsAndSetsADamagedFileAsideForANewOne) {
    const MirrorState::Record record{"/music/A/01 x.flac", "/phone/A/01 x.opus", 123456789,
                                     1796760541705472314,  "OPUS 128,0,10",      true,
                                     1796761447845};
    const auto same = [](const MirrorState::Record& a, const MirrorState::Record& b) {
        return a.source == b.source && a.output == b.output && a.size == b.size &&
               a.modified == b.modified && a.settings == b.settings && a.finished == b.finished &&
               a.started == b.started;
    };
    struct Damage {
        const char* name;
        std::function<QByteArray(const QByteArray&)> apply;
    };
    const std::vector<Damage> damages{
        {"garbage", [](const QByteArray& bytes) { return QByteArray(bytes.size(), '\x5a'); }},
        {"cut short", [](const QByteArray& bytes) { return bytes.left(1500); }},
        {"pages overwritten",
         [](const QByteArray& bytes) {
             QByteArray damaged = bytes;
             for (int i = 100; i < damaged.size(); i += 7)
                 damaged[i] = char(i);
             return damaged;
         }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        QTemporaryDir dir;
        const QString file = dir.filePath(MirrorState::FileName);
        {
            MirrorState state(dir.path());
            state.save(record);
            state.save({"/music/B/gone.flac", "", 1, 2, "copy", false, 3});
        }
        {
            MirrorState state(dir.path());
            EXPECT_TRUE(state.setAside().isEmpty());
            const std::optional<MirrorState::Record> found = state.find(record.source);
            ASSERT_TRUE(found);
            EXPECT_TRUE(same(*found, record));
            EXPECT_FALSE(state.find("/music/A"));
            state.forget("/music/B/gone.flac");
            int count = 0;
            state.forEach([&count](const MirrorState::Record&) { ++count; });
            EXPECT_EQ(count, 1);
        }
        QFile::remove(file + "-wal");
        MediaTools::writeAll(file, damage.apply(MediaTools::readAll(file)));
        MirrorState state(dir.path());
        EXPECT_TRUE(state.setAside().contains("set aside")) << state.setAside().toStdString();
        EXPECT_FALSE(state.find(record.source));
        state.save(record);
        EXPECT_TRUE(state.find(record.source));
        EXPECT_EQ(QDir(dir.path())
                      .entryList({QStringLiteral(".orvelle-mirror.sqlite.damaged-*")},
                                 QDir::Files | QDir::Hidden)
                      .size(),
                  1);
    }
}

TEST(MirrorPlan, ConvertsAudioCopiesTheTargetFormatLossyOnRequestAndTheExtraKinds) {
    struct Case {
        const char* relative;
        OutputFormat format;
        bool copyLossy;
        MirrorAction action;
        const char* output;
    };
    const Case cases[] = {
        {"A/B/01 x.flac", FormatOpus, false, MirrorAction::Convert, "A/B/01 x.opus"},
        {"A/x.mp3", FormatOpus, false, MirrorAction::Convert, "A/x.opus"},
        {"A/x.mp3", FormatOpus, true, MirrorAction::Copy, "A/x.mp3"},
        {"A/x.WMA", FormatOgg, true, MirrorAction::Copy, "A/x.WMA"},
        {"A/x.OPUS", FormatOpus, false, MirrorAction::Copy, "A/x.OPUS"},
        {"x.flac", FormatFlac, false, MirrorAction::Copy, "x.flac"},
        {"x.wav", FormatFlac, true, MirrorAction::Convert, "x.flac"},
        {"A/v1.0 take", FormatMp3, false, MirrorAction::Leave, ""},
        {"A/cover.JPG", FormatOpus, false, MirrorAction::Copy, "A/cover.JPG"},
        {"A/x.lrc", FormatOpus, false, MirrorAction::Leave, ""},
        {"A/x.avi", FormatOpus, false, MirrorAction::Leave, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.relative);
        MirrorChoices choices;
        choices.format = c.format;
        choices.copyLossy = c.copyLossy;
        EXPECT_EQ(mirrorActionFor(c.relative, choices), c.action);
        if (c.action != MirrorAction::Leave) {
            EXPECT_EQ(mirrorOutputName(c.relative, c.action, c.format), c.output);
        }
    }
    EXPECT_EQ(extensionList(" jpg,PNG,.lrc,,jpg"), QStringList({"jpg", "png", "lrc"}));
}
