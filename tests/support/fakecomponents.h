#pragma once

#include "components/componenterror.h"
#include "control/audiocomponentset.h"
#include "support/nullcomponents.h"

#include <algorithm>
#include <functional>
#include <QHash>
#include <utility>

#include <QStringList>
#include <vector>

// A call log shared by the fakes, so that tests can check the order of calls
// across components.
struct CallLog {
    QStringList calls;
    void add(const QString& call) { calls << call; }
    int indexOf(const QString& prefix) const {
        for (int i = 0; i < calls.size(); ++i)
            if (calls[i].startsWith(prefix))
                return i;
        return -1;
    }
};

struct FakeTrack {
    QString title;
    QString artist;
    QString album;
    int minutes = 0;
    int seconds = 0;
    int frames = 0;
};

struct FakeDrive {
    QString id, vendor, product, revision;
};

// A disc reader with scripted drives and tracks that logs what it is asked.
class FakeDiscReader : public NullDiscReader {
    Q_OBJECT
public:
    explicit FakeDiscReader(CallLog& log) : m_log(log) {}

    std::vector<FakeDrive> drives;
    std::vector<FakeTrack> tracks;
    int currentDriveNumber = 0;
    // What the disc holds once it is read again (a disc change); empty: no change.
    std::vector<FakeTrack> tracksAfterNextRead;
    bool failReadDisc = false;        // readDisc raises, as for an unreadable disc
    std::function<void()> onReadDisc; // runs as a read ends, as the event loop might

    void initialize() override { m_log.add(QStringLiteral("reader.Initialize")); }
    void shutdown() override { m_log.add(QStringLiteral("reader.Shutdown")); }
    int driveCount() override { return int(drives.size()); }
    void setCurrentDrive(int drive) override {
        currentDriveNumber = drive;
        m_log.add(QStringLiteral("reader.SetCurrentDrive %1").arg(drive));
    }
    DriveInfo currentDrive() override {
        const FakeDrive d = currentDriveNumber >= 1 && currentDriveNumber <= int(drives.size())
                                ? drives[currentDriveNumber - 1]
                                : FakeDrive{};
        return {d.id, d.vendor, d.product, d.revision};
    }
    // The tracks one after the other, CD-TEXT as scripted; the disc's album
    // and artist are the first track's.
    Disc readDisc() override {
        m_log.add(QStringLiteral("reader.ReadDisc"));
        if (failReadDisc)
            throw ComponentError(QStringLiteral("disc unreadable"));
        if (!tracksAfterNextRead.empty())
            tracks = std::exchange(tracksAfterNextRead, {});
        QVector<DiscTrack> texts;
        for (const FakeTrack& t : tracks)
            texts << DiscTrack{0, (t.minutes * 60 + t.seconds) * 75 + t.frames, true, t.title,
                               t.artist};
        Disc disc = discOf(texts);
        disc.drive = currentDrive().id;
        if (!tracks.empty())
            disc.album = tracks.front().album;
        if (onReadDisc)
            onReadDisc();
        return disc;
    }

private:
    CallLog& m_log;
};

// A ripper that logs its settings and what a preview reads: a track of ones.
class FakeTrackRipper : public NullTrackRipper {
    Q_OBJECT
public:
    explicit FakeTrackRipper(CallLog& log) : m_log(log) {}

    void setReadSettings(const ReadSettings& settings) override {
        m_log.add(QStringLiteral("ripper.SetReadSettings %1 %2 %3")
                      .arg(int(settings.mode))
                      .arg(settings.retries)
                      .arg(int(settings.errorAction)));
    }
    std::unique_ptr<TrackStream> open(const Disc& disc, RipRange range) override {
        int track = 0;
        while (track < disc.tracks.size() && disc.tracks[track].start != range.first)
            ++track;
        m_log.add(QStringLiteral("ripper.Open %1").arg(track));
        return std::make_unique<OnesStream>(
            range.frames,
            [this](int frame) { m_log.add(QStringLiteral("ripper.Seek %1").arg(frame)); },
            [this] { m_log.add(QStringLiteral("ripper.Close")); });
    }

private:
    CallLog& m_log;
};

// A lookup that counts what it is asked and finds what a test puts in `record`.
class FakeDiscLookup : public NullDiscLookup {
    Q_OBJECT
public:
    explicit FakeDiscLookup(CallLog& log) : m_log(log) {}

    int lookups = 0;
    std::optional<DiscRecord> record;

    void lookUpDisc(const DiscLayout&, const DiscInformation&) override {
        ++lookups;
        m_log.add(QStringLiteral("lookup.LookUpDisc"));
    }
    std::optional<DiscRecord> found(const CdToc&) const override { return record; }

private:
    CallLog& m_log;
};

// Drives with scripted volume labels; an empty optional label means no disc.
class FakeDriveLayer : public DriveLayer {
public:
    struct Drive {
        QString path;
        bool readable;
        QString label;
    };
    std::vector<Drive> drives;

    QStringList cdDrives() override {
        QStringList paths;
        for (const auto& d : drives)
            paths << d.path;
        return paths;
    }
    bool volumeLabel(const QString& drive, QString* label) override {
        for (const auto& d : drives)
            if (d.path == drive && d.readable) {
                *label = d.label;
                return true;
            }
        return false;
    }
};

// A player that logs the calls that matter to a preview and lets tests play
// its events.
class FakePlayer : public NullPlayer {
    Q_OBJECT
public:
    explicit FakePlayer(CallLog& log) : m_log(log) {}
    void setFormat(int rate, int channels) override {
        m_log.add(QStringLiteral("player.SetFormat %1 %2").arg(rate).arg(channels));
    }
    void startPlayback() override { m_log.add(QStringLiteral("player.StartPlayback")); }
    void stopPlayback() override { m_log.add(QStringLiteral("player.StopPlayback")); }
    void resetQueue() override { m_log.add(QStringLiteral("player.ResetQueue")); }
    void queueBuffer(const QByteArray&) override { ++queued; }
    int queued = 0;
    void tick() { emit onTimer(0, 0, 0); }

private:
    CallLog& m_log;
};

class FakeVideoFile : public NullVideoFile {
public:
    QStringList codecs;
    int getRmCodecCount() override { return int(codecs.size()); }
    QString getRmCodecName(int codec) override { return codecs.value(codec - 1); }
};

// A skin that logs its calls, has the objects it is told to have, and lets
// tests click them.
class FakeSkin : public Skin, public SkinForm {
    Q_OBJECT
public:
    class Object : public SkinObject, public IPositionSlider, public IPositionSliderView {
    public:
        explicit Object(QString name) : m_name(std::move(name)) {}
        QString getName() const override { return m_name; }
        IPositionSlider* queryPositionSlider() override {
            return m_name == QLatin1String("pb") ? this : nullptr;
        }
        IPositionSliderView* queryPositionSliderView() override {
            return m_name == QLatin1String("pb") ? this : nullptr;
        }
        int getValue() const override { return value; }
        void setValue(int v) override { value = v; }
        void redraw() override { ++redraws; }
        int value = 0;
        int redraws = 0;

    private:
        QString m_name;
    };

    FakeSkin(CallLog& log, const QStringList& names) : m_log(log) {
        for (const QString& name : names)
            m_objects.emplace_back(std::make_unique<Object>(name));
    }

    void loadSkin(const QString& path) override {
        m_log.add(QStringLiteral("skin.LoadSkin ") + path);
    }
    void applySkin(QWidget*) override { m_log.add(QStringLiteral("skin.ApplySkin")); }
    void applySkinForm(QWidget*, const QString& form) override {
        m_log.add(QStringLiteral("skin.ApplySkinForm ") + form);
    }
    SkinForm* getSkinnedForm(QWidget*) override { return this; }
    SkinObject* getSkinObject(const QString& name) override {
        for (auto& object : m_objects)
            if (object->getName() == name)
                return object.get();
        return nullptr;
    }
    // A user's click on the named object (it need not be part of the skin).
    void click(const QString& name) {
        Object stray(name);
        SkinObject* object = getSkinObject(name);
        emit onClick(object ? object : &stray);
    }
    void press(const QString& name) {
        Object stray(name);
        SkinObject* object = getSkinObject(name);
        emit onMouseDown(object ? object : &stray, 1, 0, 0);
    }
    void release(const QString& name) {
        Object stray(name);
        SkinObject* object = getSkinObject(name);
        emit onMouseUp(object ? object : &stray, 1, 0, 0);
    }

private:
    CallLog& m_log;
    std::vector<std::unique_ptr<Object>> m_objects;
};

// The whole set, with the fakes reachable for scripting.
struct FakeComponents {
    CallLog log;
    // What the reader made by make() holds.
    std::vector<FakeDrive> readerDrives;
    std::vector<FakeTrack> readerTracks;
    std::vector<FakeDriveLayer::Drive> layerDrives;
    QStringList rmCodecs;
    FakeDiscReader* reader = nullptr;
    FakeTrackRipper* ripper = nullptr;
    FakeDiscLookup* lookup = nullptr;
    FakeDriveLayer* driveLayer = nullptr;
    FakeVideoFile* video = nullptr;
    FakePlayer* player = nullptr;

    AudioComponentSet make(std::unique_ptr<Skin> skin) {
        AudioComponentSet set;
        auto r = std::make_unique<FakeDiscReader>(log);
        reader = r.get();
        reader->drives = readerDrives;
        reader->tracks = readerTracks;
        set.discReader = std::move(r);
        auto t = std::make_unique<FakeTrackRipper>(log);
        ripper = t.get();
        set.trackRipper = std::move(t);
        auto l = std::make_unique<FakeDiscLookup>(log);
        lookup = l.get();
        set.discLookup = std::move(l);
        set.discInformation = std::make_unique<NullDiscInformation>();
        auto p = std::make_unique<FakePlayer>(log);
        player = p.get();
        set.audioPlayer = std::move(p);
        auto v = std::make_unique<FakeVideoFile>();
        video = v.get();
        video->codecs = rmCodecs;
        set.rmWriter = std::move(v);
        set.skin = std::move(skin);
        auto d = std::make_unique<FakeDriveLayer>();
        driveLayer = d.get();
        driveLayer->drives = layerDrives;
        set.driveLayer = std::move(d);
        return set;
    }
};
