// Ripping and converting from the main window, started and stopped through
// the commands a click reaches, on the real disc reader (a disc image), reader
// and writers.
#include "app/mainwindow.h"
#include "cd/discimage.h"
#include "components/audioreader.h"
#include "components/cdio/cddrivelist.h"
#include "components/cdio/cdiodiscreader.h"
#include "components/cdio/cdiodrivelayer.h"
#include "components/cdio/cdioripper.h"
#include "components/ffmpeg/videofile.h"
#include "control/jobcontrol.h"
#include "settings/settingsfile.h"
#include "support/fakecomponents.h"
#include "support/fakeprompt.h"
#include "support/httptestserver.h"
#include "support/mediatools.h"
#include "support/referencesums.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

namespace {

using Col = RowModel::Column;
using Item = CommandSurface::MenuItem;

// The fifteen option controls that a job disables.
const char* const OptionControls[] = {"rg_function", "rg_format", "edt_dir",  "edt_tital",
                                      "edt_Artist",  "edt_album", "bt_dir",   "rb_artist",
                                      "rb_album",    "rb_mix",    "bu_tital", "bt_artist",
                                      "bt_album",    "cb_driver", "rb_none"};

// 16-bit PCM as a RIFF/WAVE file.
void writeWav(const QString& path, int rate, int channels, const QByteArray& pcm) {
    QByteArray header("RIFF");
    const auto u32 = [&header](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        header.append(b, 4);
    };
    const auto u16 = [&header](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        header.append(b, 2);
    };
    u32(36 + pcm.size());
    header.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * channels * 2);
    u16(channels * 2);
    u16(16);
    header.append("data");
    u32(pcm.size());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(header + pcm);
}

// A tone's samples: every sample differs from its neighbours.
QByteArray tone(int frames, int channels) {
    QByteArray pcm(frames * channels * 2, Qt::Uninitialized);
    for (int i = 0; i < frames * channels; ++i)
        qToLittleEndian<qint16>(qint16((i * 997) % 20000 - 10000), pcm.data() + 2 * i);
    return pcm;
}

// A source that never ends, so that Stop always comes in the middle of its row.
class EndlessReader : public AudioReader {
public:
    void seek(qint64) override {}
    int getDurationMs() override { return 0; }
    int getBlockAlign() override { return 4; }
    int getChannels() override { return 2; }
    int getSampleRate() override { return 44100; }
    void open(const QString&) override { m_open = true; }
    QByteArray read(int frames) override { return QByteArray(frames * 4, '\1'); }
    qint64 getLength() override { return qint64(1) << 40; }
    void close() override { m_open = false; }
    bool getIsOpen() override { return m_open; }

private:
    bool m_open = false;
};

// What the desktop hears of each job: its progress never goes back.
struct RecordingWatcher : JobWatcher {
    void jobStarted(JobOutcome::Kind kind, int rows) override {
        calls << QStringLiteral("started %1 %2").arg(int(kind)).arg(rows);
        fraction = 0;
    }
    void jobProgressed(double now, int left) override {
        EXPECT_GE(now, fraction);
        fraction = now;
        rowsLeft = left;
    }
    void jobEnded(const JobOutcome& outcome) override {
        calls << QStringLiteral("ended: %1 rows, %2 written, %3 failed, %4 accurate%5%6 in %7")
                     .arg(outcome.rows)
                     .arg(outcome.finished)
                     .arg(outcome.failed)
                     .arg(outcome.accurate)
                     .arg(outcome.verified ? ", verified" : "", outcome.stopped ? ", stopped" : "",
                          outcome.folder.isEmpty() ? QStringLiteral("no folder")
                                                   : QDir::cleanPath(outcome.folder));
    }
    QStringList calls;
    double fraction = -1;
    int rowsLeft = -1;
};

class JobWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        out = dir.filePath(QStringLiteral("out"));
        realDrives = CdDriveList::scan(SettingsFile(settingsPath())).size();
        // Rips ask no server unless a test sets one up.
        SettingsFile(settingsPath()).ini().writeInteger("AccurateRip", "lookup", 0);
        SettingsFile(settingsPath()).ini().writeInteger("CTDB", "lookup", 0);
    }

    void TearDown() override {
        scopeOwner.reset();
        if (window)
            window->close();
    }

    QString settingsPath() const { return dir.filePath(QStringLiteral("Orvelle.ini")); }

    // Section "Main", key "Jobs": files converted side by side.
    void setRowsAtOnce(int rows) {
        SettingsFile(settingsPath())
            .ini()
            .writeInteger(QStringLiteral("Main"), QStringLiteral("Jobs"), rows);
    }

    void addImage(const DiscImage& image) {
        const QString cue = image.write(dir.path(), QStringLiteral("disc"));
        SettingsFile(settingsPath())
            .ini()
            .writeString(QStringLiteral("Drives"), QStringLiteral("image1"), cue);
    }

    MainController& start(bool realVideo = false) {
        AudioComponentSet set;
        auto cdio = std::make_unique<CdioDiscReader>(settingsPath());
        reader = cdio.get();
        set.trackRipper = std::make_unique<CdioRipper>(*cdio);
        set.discReader = std::move(cdio);
        set.discLookup = std::make_unique<NullDiscLookup>();
        set.discInformation = std::make_unique<NullDiscInformation>();
        set.audioPlayer = std::make_unique<NullPlayer>();
        if (realVideo)
            set.rmWriter = std::make_unique<VideoFile>();
        else
            set.rmWriter = std::make_unique<NullVideoFile>();
        set.skin = std::make_unique<FakeSkin>(log, QStringList{QStringLiteral("pb")});
        set.driveLayer = std::make_unique<CdioDriveLayer>(settingsPath());
        window =
            std::make_unique<MainWindow>(std::move(set), prompt, shell, settingsPath(), dir.path());
        window->show();
        QCoreApplication::processEvents();
        MainController& c = window->controller();
        c.setOutputPath(out);
        c.jobs().setWatcher(&watcher);
        return c;
    }

    MainController& startConverter(bool realVideo = false) {
        MainController& c = start(realVideo);
        c.chooseFunction(Converter);
        return c;
    }

    void addRow(const QString& path, const QString& target, const RowTag& tag) {
        RowModel::Row row;
        row.caption = QFileInfo(path).fileName();
        row.target = target;
        row.sourcePath = path;
        row.tag = tag;
        rows().append(row);
    }

    // Runs what the job set off until it is over.
    void waitForEnd(QSignalSpy& ended) {
        ASSERT_TRUE(ended.count() > 0 || ended.wait(60000));
        EXPECT_FALSE(window->controller().state().jobRunning);
    }

    RowModel& rows() { return window->controller().rows(); }
    QStringList statuses() {
        QStringList texts;
        for (int row = 0; row < rows().count(); ++row)
            texts << rows().data(rows().index(row, Col::ColStatus)).toString();
        return texts;
    }
    bool enabled(const char* name) {
        auto* widget = window->findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget && widget->isEnabled();
    }
    QStringList outputFiles() { return QDir(out).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir dir;
    QString out;
    int realDrives = 0;
    CallLog log;
    FakePrompt prompt;
    FakeShell shell;
    RecordingWatcher watcher;
    CdioDiscReader* reader = nullptr;
    std::unique_ptr<MainWindow> window;
    // Ends the tests' own connections before the window goes.
    std::unique_ptr<QObject> scopeOwner = std::make_unique<QObject>();
    QObject& scope = *scopeOwner;
};

DiscImage threeTracks() {
    DiscImage disc;
    disc.album = QStringLiteral("Tones");
    disc.artist = QStringLiteral("Generator");
    disc.tracks = {{150, 0, false, QStringLiteral("First"), {}},
                   {120, 0, false, QStringLiteral("Op. 2"), {}},
                   {90, 0, false, QStringLiteral("Third"), {}}};
    return disc;
}

TEST_F(JobWindow, RipOfTheTickedTracksToWavAndMp3) {
    const DiscImage disc = threeTracks();
    addImage(disc);
    MainController& c = start();
    c.chooseDrive(realDrives);
    ASSERT_EQ(rows().count(), 3);
    c.setRowTarget(0, QStringLiteral("WAV"));
    rows().setData(rows().index(2, Col::ColName), Qt::Unchecked, Qt::CheckStateRole);

    QStringList shownTitles;
    QStringList disabledWhileRunning;
    QObject::connect(&c, &MainController::tagShown, &scope, [&](const RowTag& tag) {
        if (!c.state().jobRunning)
            return;
        shownTitles << tag.title;
        for (const char* name : OptionControls)
            if (!enabled(name))
                disabledWhileRunning << QLatin1String(name);
    });
    QSignalSpy ended(&c.jobs(), &JobControl::ended);
    c.commands().skin1Click(QStringLiteral("start"));
    EXPECT_TRUE(c.state().jobRunning);
    EXPECT_TRUE(enabled("lv")) << "the list stays enabled";
    waitForEnd(ended);

    EXPECT_EQ(shownTitles, (QStringList{"First", "Op. 2"}));
    EXPECT_EQ(disabledWhileRunning.size(), 2 * 15);
    for (const char* name : OptionControls)
        EXPECT_TRUE(enabled(name)) << name;

    EXPECT_EQ(statuses(), (QStringList{"Finish", "Finish", "Unconverter"}));
    EXPECT_EQ(outputFiles(), (QStringList{"First.wav", "Op. 2.mp3", "Tones.log"}));
    EXPECT_EQ(wavData(out + QStringLiteral("/First.wav")), disc.trackBytes(0));
    EXPECT_GT(QFileInfo(out + QStringLiteral("/Op. 2.mp3")).size(), 1000);
    ASSERT_EQ(shell.folders.size(), 1);
    EXPECT_EQ(QDir::cleanPath(shell.folders[0]), QDir::cleanPath(out));
    EXPECT_TRUE(prompt.informations.isEmpty()) << prompt.informations.join('|').toStdString();
}

// Each ripped row shows its verdict beside "Finish", ticked when either
// database vouches for it, and the closing message counts both.
TEST_F(JobWindow, ARipShowsEachRowsVerdictAndTheCount) {
    const DiscImage disc = threeTracks();
    addImage(disc);
    HttpTestServer server;
    SettingsFile settings(settingsPath());
    for (const char* section : {"AccurateRip", "CTDB"}) {
        settings.ini().writeInteger(section, "lookup", 1);
        settings.ini().writeString(section, "server", server.address());
    }
    MainController& c = start();
    c.chooseDrive(realDrives);
    const AccurateRipId id = c.drives().disc().layout.accurateRipId();
    ArChunk chunk{3, id.id1, id.id2, id.freedb, {}};
    ReferenceSums::Disc whole;
    for (int track = 0; track < 3; ++track) {
        const QByteArray pcm = disc.trackBytes(track);
        ArTrackChecksum sums(pcm.size() / 4, track == 0, track == 2);
        sums.add(pcm.constData(), pcm.size());
        chunk.tracks << ArTrackEntry{5, sums.v1() ^ (track >= 1 ? 1u : 0u), 0};
        whole.audio += pcm;
        whole.ends << whole.audio.size();
    }
    // AccurateRip vouches for track 1, CTDB for track 2, neither for track 3.
    QVector<quint32> crcs = ReferenceSums::ctdbTrackCrcs(whole);
    crcs[0] ^= 1;
    crcs[2] ^= 1;
    const QByteArray ctdb = ReferenceSums::ctdbReply({{0, 3, crcs}});
    server.respond = [&](const QByteArray& request) {
        return HttpTestServer::http(
            200, request.startsWith("GET /lookup2.php") ? ctdb : HttpTestServer::dbar({chunk}));
    };
    for (int row : {0, 1, 2})
        c.setRowTarget(row, QStringLiteral("WAV"));
    QSignalSpy ended(&c.jobs(), &JobControl::ended);
    c.commands().menuClick(Item::Start);
    waitForEnd(ended);
    EXPECT_EQ(statuses(),
              (QStringList{QStringLiteral("Finish \u2713 5"), QStringLiteral("Finish \u2713 3"),
                           QStringLiteral("Finish \u2717")}));
    EXPECT_EQ(rows().data(rows().index(1, Col::ColStatus), Qt::ToolTipRole).toString(),
              QStringLiteral("AccurateRip: mismatch\naccurate in CTDB (confidence 3 of 3)"));
    EXPECT_EQ(prompt.informations, QStringList{"2 of 3 tracks accurate (AccurateRip 1, CTDB 1)."});
    EXPECT_TRUE(outputFiles().contains(QStringLiteral("Tones.log")));
    EXPECT_EQ(rows().data(rows().index(0, Col::ColStatus), Qt::AccessibleTextRole),
              "Finish, accurate, 5 agree");
    EXPECT_EQ(rows().data(rows().index(1, Col::ColStatus), Qt::AccessibleTextRole),
              "Finish, accurate, 3 agree");
    EXPECT_EQ(rows().data(rows().index(2, Col::ColStatus), Qt::AccessibleTextRole),
              "Finish, not accurate");
    EXPECT_EQ(watcher.calls, (QStringList{"started 0 3", "ended: 3 rows, 3 written, 0 failed, "
                                                         "2 accurate, verified in " +
                                                             QDir::cleanPath(out)}));
    EXPECT_EQ(watcher.fraction, 1.0);
    EXPECT_EQ(watcher.rowsLeft, 0);
}

TEST_F(JobWindow, ADiscChangeDuringARipWaitsForTheJobsEnd) {
    addImage(threeTracks());
    MainController& c = start();
    c.chooseDrive(realDrives);
    for (int row : {1, 2})
        rows().setData(rows().index(row, Col::ColName), Qt::Unchecked, Qt::CheckStateRole);
    QStringList statusChanges;
    QList<bool> resetsWhileRunning;
    bool changed = false;
    QObject::connect(&rows(), &QAbstractItemModel::dataChanged, &scope,
                     [&](const QModelIndex& from) {
                         if (from.column() == Col::ColStatus)
                             statusChanges << rows().row(from.row()).status;
                     });
    QObject::connect(&rows(), &QAbstractItemModel::modelReset, &scope,
                     [&] { resetsWhileRunning << c.state().jobRunning; });
    QObject::connect(&c, &MainController::tagShown, &scope, [&] {
        if (!c.state().jobRunning || changed)
            return;
        changed = true;
        emit reader->mediaChanged();
        emit c.drives().lookupLoaded();
    });
    QSignalSpy ended(&c.jobs(), &JobControl::ended);
    c.commands().menuClick(Item::Start);
    waitForEnd(ended);

    EXPECT_EQ(statusChanges.last(), "Finish") << "the row the job wrote to was still there";
    EXPECT_EQ(resetsWhileRunning, QList<bool>{false}) << "read again once, after the job";
    EXPECT_EQ(statuses(), (QStringList{"Unconverter", "Unconverter", "Unconverter"}));
}

TEST_F(JobWindow, ConversionWithAFailingRowEndsWithOneBoxAndTheFolder) {
    MainController& c = startConverter();
    const QString first = dir.filePath(QStringLiteral("first.wav"));
    const QString second = dir.filePath(QStringLiteral("second.wav"));
    const QString broken = dir.filePath(QStringLiteral("broken.mp3"));
    writeWav(first, 44100, 2, tone(44100, 2));
    writeWav(second, 22050, 1, tone(30000, 1));
    QFile junk(broken);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(5000, 'x'));
    junk.close();
    addRow(first, QStringLiteral("WAV"), {QStringLiteral("One"), QStringLiteral("A"), {}});
    addRow(broken, QStringLiteral("MP3"), {});
    addRow(second, QStringLiteral("OGG"), {QStringLiteral("Two"), {}, {}});

    QStringList shownTitles;
    QObject::connect(&c, &MainController::tagShown, &scope, [&](const RowTag& tag) {
        if (c.state().jobRunning)
            shownTitles << tag.title;
    });
    QSignalSpy ended(&c.jobs(), &JobControl::ended);
    c.commands().menuClick(Item::Start);
    waitForEnd(ended);

    EXPECT_EQ(shownTitles, (QStringList{"One", "", "Two"}));
    EXPECT_EQ(statuses(), (QStringList{"Finish", "Error", "Finish"}));
    EXPECT_EQ(outputFiles(), (QStringList{"first.wav", "second.ogg"}))
        << "the failed row leaves no file";
    EXPECT_EQ(wavData(out + QStringLiteral("/first.wav")), tone(44100, 2));
    EXPECT_GT(QFileInfo(out + QStringLiteral("/second.ogg")).size(), 1000);
    ASSERT_EQ(prompt.informations.size(), 1);
    const QStringList lines = prompt.informations[0].split(QLatin1Char('\n'));
    EXPECT_EQ(lines[0], JobControl::FailuresHeading);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("broken.mp3: "))) << lines[2].toStdString();
    EXPECT_GT(lines[2].size(), 13) << "with its reason";
    ASSERT_EQ(shell.folders.size(), 1);
    EXPECT_EQ(QDir::cleanPath(shell.folders[0]), QDir::cleanPath(out));
    EXPECT_EQ(watcher.calls, (QStringList{"started 1 3", "ended: 3 rows, 2 written, 1 failed, "
                                                         "0 accurate in " +
                                                             QDir::cleanPath(out)}));

    // The same list again: new files beside the old ones, no box.
    prompt.informations.clear();
    rows().removeRows({1});
    QSignalSpy again(&c.jobs(), &JobControl::ended);
    c.commands().skin1Click(QStringLiteral("start"));
    waitForEnd(again);
    EXPECT_EQ(outputFiles(),
              (QStringList{"01_first.wav", "01_second.ogg", "first.wav", "second.ogg"}));
    EXPECT_TRUE(prompt.informations.isEmpty());
}

// A source cut short still gives its file, marked in its Status with the
// reason in the tooltip and listed when the job ends; with the setting it
// fails instead and leaves nothing.
TEST_F(JobWindow, ADamagedSourceIsMarkedListedOrFailedAsSet) {
    MainController& c = startConverter();
    const QString whole = dir.filePath(QStringLiteral("whole.flac"));
    ASSERT_TRUE(
        MediaTools::ffmpeg({"-f", "lavfi", "-i", "anoisesrc=d=3:r=44100", "-c:a", "flac", whole}));
    QFile file(whole);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString cut = dir.filePath(QStringLiteral("cut.flac"));
    QFile damaged(cut);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(file.readAll().left(int(file.size() / 5)));
    damaged.close();
    addRow(cut, QStringLiteral("WAV"), {});
    addRow(whole, QStringLiteral("WAV"), {});

    for (const bool required : {false, true}) {
        SCOPED_TRACE(required);
        SettingsFile(settingsPath()).ini().writeInteger("Main", "RequireComplete", required);
        prompt.informations.clear();
        QSignalSpy ended(&c.jobs(), &JobControl::ended);
        c.commands().menuClick(Item::Start);
        waitForEnd(ended);
        EXPECT_EQ(statuses(), (QStringList{required ? "Error" : "Finish !", "Finish"}));
        const QString why =
            rows().data(rows().index(0, Col::ColStatus), Qt::ToolTipRole).toString();
        ASSERT_EQ(prompt.informations.size(), 1);
        const QStringList lines = prompt.informations[0].split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 3);
        EXPECT_TRUE(lines[2].startsWith("cut.flac: The source ends at 0:00."))
            << lines[2].toStdString();
        EXPECT_TRUE(lines[2].contains(" of 0:03.00")) << lines[2].toStdString();
        if (!required) {
            EXPECT_TRUE(QRegularExpression("^The source ends at 0:00\\.\\d\\d of 0:03\\.00$")
                            .match(why)
                            .hasMatch())
                << why.toStdString();
            EXPECT_EQ(outputFiles(), (QStringList{"cut.wav", "whole.wav"}));
        } else {
            EXPECT_EQ(lines[0], JobControl::FailuresHeading);
            EXPECT_EQ(outputFiles(), (QStringList{"01_whole.wav", "cut.wav", "whole.wav"}))
                << "the failed row leaves no file";
        }
    }
}

TEST_F(JobWindow, StopInTheMiddleEndsTheRowAndStartsNoOther) {
    MainController& c = startConverter();
    setRowsAtOnce(1);
    JobParts parts = JobParts::real();
    parts.audioReader = [] { return std::make_unique<EndlessReader>(); };
    c.jobs().setParts(parts);
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        addRow(dir.filePath(QLatin1String(name)), QStringLiteral("MP3"),
               {QStringLiteral("T"), QStringLiteral("A"), QStringLiteral("B")});
    QObject::connect(
        &rows(), &QAbstractItemModel::dataChanged, &scope, [&](const QModelIndex& from) {
            if (from.column() == Col::ColStatus && rows().row(from.row()).status.endsWith('%'))
                c.commands().skin1Click(QStringLiteral("stop"));
        });
    QSignalSpy ended(&c.jobs(), &JobControl::ended);
    c.commands().skin1Click(QStringLiteral("start"));
    waitForEnd(ended);

    EXPECT_EQ(statuses(), (QStringList{"Finish", "Unconverter", "Unconverter"}));
    EXPECT_EQ(outputFiles(), QStringList{"a.mp3"});
    EXPECT_GT(QFileInfo(out + QStringLiteral("/a.mp3")).size(), 0) << "the partial file stays";
    EXPECT_TRUE(shell.folders.isEmpty()) << "stopped before the last row";
    EXPECT_TRUE(prompt.informations.isEmpty());
    EXPECT_EQ(watcher.calls,
              (QStringList{"started 1 3", "ended: 3 rows, 1 written, 0 failed, 0 accurate, "
                                          "stopped in no folder"}));
    EXPECT_LT(watcher.fraction, 1.0);
    for (const char* name : OptionControls)
        EXPECT_EQ(enabled(name), name != std::string("cb_driver"))
            << name << ": the drive list belongs to the CD function";
}

// With two files at once, Stop ends both running rows and starts no third.
TEST_F(JobWindow, StopEndsEveryRowRunningSideBySide) {
    MainController& c = startConverter();
    setRowsAtOnce(2);
    JobParts parts = JobParts::real();
    parts.audioReader = [] { return std::make_unique<EndlessReader>(); };
    c.jobs().setParts(parts);
    for (const char* name : {"a.wav", "b.wav", "c.wav"})
        addRow(dir.filePath(QLatin1String(name)), QStringLiteral("WAV"), {});
    QSet<int> showing;
    QObject::connect(
        &rows(), &QAbstractItemModel::dataChanged, &scope, [&](const QModelIndex& from) {
            if (from.column() != Col::ColStatus || !rows().row(from.row()).status.endsWith('%'))
                return;
            showing.insert(from.row());
            if (showing.size() == 2)
                c.commands().skin1Click(QStringLiteral("stop"));
        });
    QSignalSpy ended(&c.jobs(), &JobControl::ended);
    c.commands().skin1Click(QStringLiteral("start"));
    waitForEnd(ended);

    EXPECT_EQ(statuses(), (QStringList{"Finish", "Finish", "Unconverter"}));
    EXPECT_EQ(outputFiles(), (QStringList{"a.wav", "b.wav"}));
}

// A row takes its Target and the settings as they are when the job reaches
// it: changed while the first row runs, they count for the rows after it.
TEST_F(JobWindow, EachRowTakesItsTargetAndTheSettingsWhenItStarts) {
    setRowsAtOnce(1);
    SettingsFile settings(settingsPath());
    settings.ini().writeInteger("mp3", "bitrate", 9); // 128 kbps
    settings.ini().writeInteger("Rm", "format", 0);   // the first RM codec
    MainController& c = startConverter(true);
    ASSERT_GE(c.rmCodecNames().size(), 2);
    const QStringList names{"a", "b", "c", "d"};
    const QStringList targets{"MP3", "MP3", "MP3", "RM"};
    for (int i = 0; i < 4; ++i) {
        writeWav(dir.filePath(names[i] + ".wav"), 44100, 2, tone(44100, 2));
        addRow(dir.filePath(names[i] + ".wav"), targets[i], {});
    }
    QObject::connect(&rows(), &QAbstractItemModel::dataChanged, &scope, [&](const QModelIndex& at) {
        if (at.row() != 0 || at.column() != Col::ColStatus || !rows().row(0).status.endsWith('%'))
            return;
        c.setRowTarget(1, QStringLiteral("WAV"));
        settings.ini().writeInteger("mp3", "bitrate", 14); // 320 kbps
        settings.ini().writeInteger("Rm", "format", 1);
    });
    QSignalSpy ended(&c.jobs(), &JobControl::ended);
    c.commands().menuClick(Item::Start);
    waitForEnd(ended);

    EXPECT_EQ(outputFiles(), (QStringList{"a.mp3", "b.wav", "c.mp3", "d.rm"}));
    EXPECT_EQ(MediaTools::probe(out + "/a.mp3").bitRate, 128000);
    EXPECT_EQ(MediaTools::probe(out + "/c.mp3").bitRate, 320000);
    EXPECT_EQ(MediaTools::probe(out + "/d.rm").codec, "ac3");
}

TEST_F(JobWindow, StartIsRefusedWhilePlayingWithoutAFolderAndWithoutRows) {
    MainController& c = startConverter();
    c.commands().skin1Click(QStringLiteral("start"));
    EXPECT_TRUE(prompt.informations.isEmpty()) << "no rows: nothing, without a message";

    addRow(dir.filePath(QStringLiteral("a.wav")), QStringLiteral("WAV"), {});
    c.state().playbackActive = true;
    c.commands().menuClick(Item::Start);
    EXPECT_EQ(prompt.informations, QStringList{MainController::StopPlayingFirst});
    c.state().playbackActive = false;

    prompt.informations.clear();
    c.setOutputPath(QStringLiteral("  "));
    c.commands().menuClick(Item::Start);
    EXPECT_EQ(prompt.informations, QStringList{MainController::NoOutputFolder});
    EXPECT_FALSE(c.state().jobRunning);
    EXPECT_EQ(statuses(), QStringList{"Unconverter"});
    EXPECT_TRUE(enabled("rg_format"));
    EXPECT_TRUE(shell.folders.isEmpty());
}

} // namespace
