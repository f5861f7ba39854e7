#include "filelist/fileadder.h"
#include "filelist/filekinds.h"
#include "filelist/folderentries.h"
#include "filelist/testmedia.h"
#include "support/fakeprompt.h"
#include "tags/tagdispatch.h"
#include "tags/tagerror.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace TestMedia;

namespace {

const QUrl HelpFile = QUrl::fromLocalFile(QStringLiteral("/opt/orvelle/help/Orvelle.html"));

// Answers like FakePrompt and writes every box into the same log as the rows,
// so that a test sees their order. A box is modal: while it is open the event
// loop runs, as under a real message box, and a second box must not appear.
class LoggingPrompt : public FakePrompt {
public:
    QStringList* log = nullptr;
    bool spinEventLoop = false;
    int open = 0;
    int mostOpenAtOnce = 0;

    void information(const QString& text) override {
        box(QStringLiteral("info: ") + text);
        FakePrompt::information(text);
    }
    bool question(const QString& text, Default button = Default::Yes) override {
        box(QStringLiteral("question: ") + text);
        return FakePrompt::question(text, button);
    }

private:
    void box(const QString& entry) {
        *log << entry;
        ++open;
        mostOpenAtOnce = std::max(mostOpenAtOnce, open);
        if (spinEventLoop)
            for (int i = 0; i < 5; ++i)
                QCoreApplication::processEvents();
        --open;
    }
};

class FileAdderTest : public ::testing::Test {
protected:
    FileAdderTest() {
        prompt.log = &log;
        adder.setHelpFile(HelpFile);
        QObject::connect(&adder, &FileAdder::rowAccepted, [this](const RowValues& row) {
            rows.push_back(row);
            log << QStringLiteral("row: ") + row.caption;
        });
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    const RowValues* row(const QString& caption) const {
        for (const RowValues& r : rows)
            if (r.caption == caption)
                return &r;
        return nullptr;
    }
    QStringList captions() const {
        QStringList list;
        for (const RowValues& r : rows)
            list << r.caption;
        return list;
    }
    void addNow(const QStringList& files) {
        adder.addFiles(files);
        adder.runToEnd();
    }

    QTemporaryDir dir;
    LoggingPrompt prompt;
    FakeShell shell;
    FileAdder adder{prompt, shell};
    std::vector<RowValues> rows;
    QStringList log;
};

const RowTag SongTag{QStringLiteral("Song Títle"), QStringLiteral("Артист"),
                     QStringLiteral("The Album")};

TEST_F(FileAdderTest, AudioVideoAndTextInOneBatch) {
    addNow({audio(path("song.mp3"), 2.5, SongTag), video(path("clip.avi"), 2.5),
            write(path("notes.txt"), "just some notes\n")});

    ASSERT_EQ(captions(), (QStringList{"song.mp3", "clip.avi"}));
    const RowValues& song = rows[0];
    EXPECT_EQ(song.tag, SongTag);
    EXPECT_EQ(song.time, QStringLiteral("00:00:02"));
    EXPECT_EQ(song.target, QStringLiteral("MP3"));
    EXPECT_EQ(song.status, QStringLiteral("Unconverter"));
    EXPECT_EQ(song.path, path("song.mp3"));
    EXPECT_EQ(rows[1].tag, (RowTag{"Unknown Title", "Unknown Artist", "Unknown Album"}));
    EXPECT_EQ(rows[1].time, QStringLiteral("00:00:02"));
    // A text file is neither sound nor video by its content: it is listed as
    // not supported, with no question about decoders.
    EXPECT_TRUE(prompt.questions.isEmpty());
    ASSERT_EQ(prompt.informations.size(), 1);
    EXPECT_TRUE(prompt.informations[0].startsWith(RefusalTexts::AudioNotSupported + "\n\n"));
    EXPECT_TRUE(prompt.informations[0].contains(path("notes.txt")));
    EXPECT_TRUE(shell.urls.empty());
}

// Media without a sound Orvelle can decode asks about decoders at once; the
// unsupported files come in one box at the end of the batch.
TEST_F(FileAdderTest, BrokenFilesBringTheirOwnMessageAndYesOpensTheManual) {
    silentVideo(path("broken.wma"));
    write(path("broken.mp3"), "this is not an mp3 file at all\n");
    silentVideo(path("broken.asf"));
    prompt.questionAnswer = true;
    addNow({path("broken.wma"), path("broken.mp3"), path("broken.asf")});

    EXPECT_TRUE(rows.empty());
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log.mid(0, 2), (QStringList{"question: " + RefusalTexts::WmaQuestion,
                                          "question: " + RefusalTexts::VideoQuestion}));
    EXPECT_TRUE(log[2].startsWith("info: This Audio file is not supported!\n\n"));
    EXPECT_TRUE(log[2].contains(path("broken.mp3")));
    ASSERT_EQ(shell.urls.size(), 2u);
    EXPECT_EQ(shell.urls[0].toLocalFile(), HelpFile.toLocalFile());
    EXPECT_EQ(shell.urls[0].fragment(), QStringLiteral("audio-codecs"));
    EXPECT_EQ(shell.urls[1].fragment(), QStringLiteral("video-codecs"));
}

TEST_F(FileAdderTest, EveryRowKeepsItsOwnTags) {
    const RowTag first{"First", "A1", "B1"}, third{"Third", "A3", "B3"};
    // The second of three is refused; a .wav after an .mp3 has no tags of its own.
    addNow({audio(path("1.mp3"), 1, first), write(path("2.mp3"), randomBytes(3000, 4)),
            audio(path("3.ogg"), 1, third), audio(path("4.wav"), 1),
            audio(path("5.wma"), 1, {"Fifth", "", "B5"})});

    ASSERT_EQ(captions(), (QStringList{"1.mp3", "3.ogg", "4.wav", "5.wma"}));
    EXPECT_EQ(rows[0].tag, first);
    EXPECT_EQ(rows[1].tag, third);
    EXPECT_EQ(rows[2].tag, RowTag{});
    EXPECT_EQ(rows[3].tag, (RowTag{"Fifth", "", "B5"}));
    ASSERT_EQ(prompt.informations.size(), 1);
    EXPECT_TRUE(prompt.informations[0].contains(path("2.mp3")));
}

TEST_F(FileAdderTest, ATagThatCannotBeReadLeavesTheRowWithEmptyTags) {
    auto acceptance = std::make_unique<FileAcceptance>(
        FileAcceptance::ffmpegAudio(), FileAcceptance::ffmpegVideo(), [](const QString& file) {
            if (file.endsWith(QLatin1String("bad.ogg")))
                throw TagError(QStringLiteral("Cannot open ") + file + QStringLiteral(": no"));
            return readRowTags(file);
        });
    adder.setAcceptance(std::move(acceptance));
    const RowTag tag{"T", "A", "B"};
    addNow({audio(path("bad.ogg"), 1, tag), audio(path("good.ogg"), 1, tag)});

    ASSERT_EQ(captions(), (QStringList{"bad.ogg", "good.ogg"}));
    EXPECT_EQ(rows[0].tag, RowTag{});
    EXPECT_EQ(rows[1].tag, tag);
    EXPECT_TRUE(log.filter(QStringLiteral("info")).isEmpty());
}

TEST_F(FileAdderTest, EverySupportedKindIsAcceptedWithItsRealDuration) {
    const RowTag tag{"Tt", "Aa", "Bb"};
    struct Case {
        QString file;
        int durationMs;
        RowTag tag;
    };
    const std::vector<Case> cases{
        {audio(path("a.mp3"), 3, tag), 3000, tag},
        {audio(path("a.wav"), 3, tag), 3000, {}},
        {audio(path("a.ogg"), 3, tag), 3000, tag},
        {audio(path("a.wma"), 3, tag), 3000, tag},
        {raw(path("a.raw"), 3), 3000, {}},
        {Vox(path("a.vox"), 3), 3000, {}},
        {audio(path("UPPER.MP3"), 1, tag), 1000, tag},
        {video(path("v.avi"), 3), 3000, RowTexts::VideoTag},
        {video(path("v.mpeg"), 3), 3000, RowTexts::VideoTag},
        {video(path("v.mpg"), 3), 3000, RowTexts::VideoTag},
        {video(path("v.wmv"), 3), 3000, RowTexts::VideoTag},
        {video(path("v.asf"), 3), 3000, RowTexts::VideoTag},
        {playlist(path("v.asx"), path("v.wmv")), 3000, RowTexts::VideoTag},
    };
    QStringList files;
    for (const Case& c : cases)
        files << c.file;
    adder.setTargetSource([] { return QStringLiteral("OGG"); });
    addNow(files);

    EXPECT_TRUE(log.filter(QStringLiteral("info")).isEmpty()) << log.join('\n').toStdString();
    EXPECT_TRUE(log.filter(QStringLiteral("question")).isEmpty()) << log.join('\n').toStdString();
    ASSERT_EQ(rows.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(rows[i].caption.toStdString());
        EXPECT_EQ(rows[i].caption, QFileInfo(cases[i].file).fileName());
        EXPECT_NEAR(rows[i].durationMs, cases[i].durationMs, 120);
        EXPECT_EQ(rows[i].time, formatDuration(rows[i].durationMs));
        EXPECT_EQ(rows[i].tag, cases[i].tag);
        EXPECT_EQ(rows[i].target, QStringLiteral("OGG"));
    }
}

TEST_F(FileAdderTest, DamagedFilesAreRefusedWithTheirMessage) {
    const QByteArray mp3 = read(audio(path("good.mp3"), 2));
    const QByteArray ogg = read(audio(path("good.ogg"), 2));
    const QByteArray wav = read(audio(path("good.wav"), 2));
    const QStringList audio{
        write(path("empty.mp3"), {}),
        write(path("empty.wav"), {}),
        write(path("empty.raw"), {}),
        write(path("cut.mp3"), mp3.left(120)),
        write(path("cut.ogg"), ogg.left(60)),
        write(path("cut.wav"), wav.left(40)),
        write(path("text.mp3"), "Dear diary, today I renamed a letter to .mp3\n"),
        write(path("noise.ogg"), randomBytes(20000, 5)),
        path("missing.mp3"),
    };
    const QStringList wma{write(path("noise.wma"), randomBytes(20000, 6)),
                          write(path("empty.wma"), {})};
    const QStringList video{write(path("empty.avi"), {}), write(path("noise.mpg"), "\x00\x00\x01")};
    prompt.questionAnswer = true;
    addNow(audio + wma + video);

    EXPECT_TRUE(rows.empty()) << captions().join(' ').toStdString();
    // None of them holds media: one box names them all, and no decoder is offered.
    ASSERT_EQ(prompt.informations.size(), 1);
    const QString box = prompt.informations[0];
    EXPECT_TRUE(box.startsWith(RefusalTexts::AudioNotSupported)) << box.toStdString();
    for (const QString& file : audio + wma + video)
        EXPECT_TRUE(box.contains(file)) << file.toStdString();
    EXPECT_TRUE(prompt.questions.isEmpty()) << prompt.questions.join('|').toStdString();
    EXPECT_TRUE(shell.urls.empty());

    // A long list stops after fifteen files and says how many more there are.
    QStringList many;
    for (int i = 1; i <= 17; ++i)
        many << QStringLiteral("/music/%1.txt").arg(i);
    const QStringList lines = RefusalTexts::unsupportedFilesText(many).split('\n');
    EXPECT_EQ(lines.size(), 2 + 15 + 1);
    EXPECT_EQ(lines[2], QStringLiteral("/music/1.txt"));
    EXPECT_EQ(lines[16], QStringLiteral("/music/15.txt"));
    EXPECT_EQ(lines.last(), QStringLiteral("\u2026and 2 more."));
}

TEST_F(FileAdderTest, AFolderAddsOnlyItsOwnFilesOfTheTwoClasses) {
    const RowTag tag{"In", "Folder", "Top"};
    audio(path("one.mp3"), 1, tag);
    video(path("two.avi"), 1);
    write(path("notes.txt"), "passed over without a word\n");
    write(path(".hidden.wav"), read(audio(path("seen.wav"), 1)));
    ASSERT_TRUE(QDir(dir.path()).mkpath("sub/deeper"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("folder.mp3"));
    audio(path("sub/inner.mp3"), 1, tag);
    audio(path("sub/deeper/deepest.mp3"), 1, tag);

    adder.addFolder(dir.path());
    adder.runToEnd();
    QStringList sorted = captions();
    sorted.sort();
    EXPECT_EQ(sorted, (QStringList{".hidden.wav", "one.mp3", "seen.wav", "two.avi"}));
    EXPECT_TRUE(log.filter(QStringLiteral("info")).isEmpty());
    EXPECT_TRUE(log.filter(QStringLiteral("question")).isEmpty());
    // The order is the directory's own.
    QStringList listed;
    for (const QString& entry : folderEntries(dir.path()))
        listed << QFileInfo(entry).fileName();
    EXPECT_EQ(captions(), listed);

    // The command line may ask for the sub-folders too.
    rows.clear();
    adder.addFolder(dir.path(), true);
    adder.runToEnd();
    EXPECT_EQ(rows.size(), 6u);
    EXPECT_NE(row("deepest.mp3"), nullptr);
}

TEST_F(FileAdderTest, DroppedFilesAndFoldersAreTakenAsAddFileAndAddFolderTakeThem) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("dropped"));
    audio(path("dropped/in.mp3"), 1);
    write(path("dropped/readme.txt"), "in a folder: passed over\n");
    addNow({});
    adder.addDropped({audio(path("loose.wav"), 1), path("dropped"),
                      write(path("loose.txt"), "as a file: tried as a video\n")});
    adder.runToEnd();
    EXPECT_EQ(captions(), (QStringList{"loose.wav", "in.mp3"}));
    ASSERT_EQ(prompt.informations.size(), 1);
    EXPECT_TRUE(prompt.informations[0].contains(path("loose.txt")));
    EXPECT_TRUE(prompt.questions.isEmpty());
}

TEST_F(FileAdderTest, TenBrokenFilesAskOneBoxAtATimeThenTheGoodOnesAreAdded) {
    QStringList good;
    for (int i = 0; i < 3; ++i)
        good << QFileInfo(audio(path(QStringLiteral("good%1.mp3").arg(i)), 1)).fileName();
    for (int i = 0; i < 4; ++i)
        write(path(QStringLiteral("bad%1.mp3").arg(i)), randomBytes(2000, 10 + i));
    for (int i = 0; i < 3; ++i)
        silentVideo(path(QStringLiteral("bad%1.wma").arg(i)));
    for (int i = 0; i < 3; ++i)
        silentVideo(path(QStringLiteral("bad%1.asf").arg(i)));
    prompt.spinEventLoop = true;
    QSignalSpy finished(&adder, &FileAdder::finished);

    adder.addFolder(dir.path());
    // More paths dropped while the first boxes are open join the end of the batch.
    QMetaObject::invokeMethod(
        &adder, [this] { adder.addFiles({path("good0.mp3")}); }, Qt::QueuedConnection);
    EXPECT_TRUE(adder.isRunning());
    EXPECT_TRUE(rows.empty()); // nothing is tested before the event loop runs
    ASSERT_TRUE(finished.wait(20000));

    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(prompt.mostOpenAtOnce, 1);
    EXPECT_EQ(prompt.informations.size(), 1); // the four .mp3 in one box
    EXPECT_EQ(prompt.questions.size(), 6);
    QStringList added = captions();
    EXPECT_EQ(added.takeLast(), QStringLiteral("good0.mp3"));
    added.sort();
    EXPECT_EQ(added, good);
    EXPECT_FALSE(adder.isRunning());
}

TEST_F(FileAdderTest, CancelDropsTheFilesNotTestedYet) {
    for (int i = 0; i < 4; ++i)
        write(path(QStringLiteral("bad%1.mp3").arg(i)), "no sound\n");
    QSignalSpy finished(&adder, &FileAdder::finished);
    QObject::connect(&adder, &FileAdder::fileRefused, [this] { adder.cancel(); });
    adder.addFiles({path("bad0.mp3"), path("bad1.mp3"), path("bad2.mp3")});
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(prompt.informations.size(), 1);
    EXPECT_EQ(finished.count(), 1);

    // A cancelled adder takes the next batch as usual.
    adder.addFiles({path("bad3.mp3")});
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(prompt.informations.size(), 1 + 1);
}

TEST_F(FileAdderTest, EachRowGetsTheFormatSelectedWhenItIsAdded) {
    QString target = QStringLiteral("WAV");
    adder.setTargetSource([&target] { return target; });
    QObject::connect(&adder, &FileAdder::rowAccepted, [&target] { target = QStringLiteral("RM"); });
    addNow({audio(path("a.wav"), 1), audio(path("b.wav"), 1)});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].target, QStringLiteral("WAV"));
    EXPECT_EQ(rows[1].target, QStringLiteral("RM"));
}

} // namespace

TEST(Manual, HasTheSectionsTheRefusalsOpen) {
    QFile manual(qEnvironmentVariable("ORVELLE_TEST_SOURCE_DIR") +
                 QStringLiteral("/help/Orvelle.html"));
    ASSERT_TRUE(manual.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(manual.readAll());
    for (const QString& anchor :
         {RefusalTexts::AudioCodecsAnchor, RefusalTexts::VideoCodecsAnchor}) {
        EXPECT_TRUE(text.contains(QStringLiteral("id=\"%1\"").arg(anchor))) << anchor.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("href=\"#%1\"").arg(anchor)));
    }
    EXPECT_TRUE(text.contains(QStringLiteral("libavcodec-extra")));
}
