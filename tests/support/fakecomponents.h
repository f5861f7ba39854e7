#pragma once

#include "components/audiocomponentset.h"
#include "components/componenterror.h"
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

// A grabber with scripted drives and tracks that logs every call it gets.
class FakeGrabber : public NullCdGrabber {
    Q_OBJECT
public:
    explicit FakeGrabber(CallLog& log) : m_log(log) {}

    std::vector<FakeDrive> drives;
    std::vector<FakeTrack> tracks;
    int currentDrive = 0;
    int selectedTrack = -1;
    int queries = 0;
    int lastQueryFlag = -99;
    // What the disc holds once it is read again (a disc change); empty: no change.
    std::vector<FakeTrack> tracksAfterNextRead;
    bool failReadDisc = false; // readDisc raises, as for an unreadable disc
    std::function<void(int track)> onSelectTrack;

    void initialize() override { m_log.add(QStringLiteral("grabber.Initialize")); }
    void shutdown() override { m_log.add(QStringLiteral("grabber.Shutdown")); }
    int getDriveCount() override { return int(drives.size()); }
    void setCurrentDrive(int drive) override {
        currentDrive = drive;
        m_log.add(QStringLiteral("grabber.SetCurrentDrive %1").arg(drive));
    }
    QString getDriveVendor() override { return drive().vendor; }
    QString getDriveProduct() override { return drive().product; }
    QString getDriveRevision() override { return drive().revision; }
    QString getDriveId() override { return drive().id; }
    void readDisc() override {
        m_log.add(QStringLiteral("grabber.ReadDisc"));
        if (failReadDisc)
            throw ComponentError(QStringLiteral("disc unreadable"));
        if (!tracksAfterNextRead.empty())
            tracks = std::exchange(tracksAfterNextRead, {});
    }
    int getTrackCount() override { return int(tracks.size()); }
    void selectTrack(int track) override {
        if (track < 0 || track >= int(tracks.size()))
            throw ComponentError(QStringLiteral("There is no track %1.").arg(track + 1));
        selectedTrack = track;
        if (onSelectTrack)
            onSelectTrack(track);
    }
    int getTrackMinutes() override { return track().minutes; }
    int getTrackSeconds() override { return track().seconds; }
    int getTrackFrames() override { return track().frames; }
    QString getTrackArtist() override { return track().artist; }
    QString getTrackAlbum() override { return track().album; }
    QString getTrackTitle() override { return track().title; }
    // Raw reads count CD frames; a track's length comes from its time.
    int rawPosition = 0;
    int getTrackLength() override {
        const FakeTrack t = track();
        return (t.minutes * 60 + t.seconds) * 75 + t.frames;
    }
    void beginRawRead() override {
        rawPosition = 0;
        m_log.add(QStringLiteral("grabber.BeginRawRead %1").arg(selectedTrack));
    }
    QByteArray readRawAudio(int frames) override {
        const int count = std::min(frames, getTrackLength() - rawPosition);
        if (count <= 0)
            return {};
        rawPosition += count;
        return QByteArray(count * 2352, char(1));
    }
    void seekRawRead(int frame) override {
        rawPosition = frame;
        m_log.add(QStringLiteral("grabber.SeekRawRead %1").arg(frame));
    }
    void endRawRead() override { m_log.add(QStringLiteral("grabber.EndRawRead")); }
    void setReadMode(int mode) override {
        m_log.add(QStringLiteral("grabber.SetReadMode %1").arg(mode));
    }
    void setErrorAction(int action) override {
        m_log.add(QStringLiteral("grabber.SetErrorAction %1").arg(action));
    }
    void setRetryCount(int retries) override {
        m_log.add(QStringLiteral("grabber.SetRetryCount %1").arg(retries));
    }
    void queryFreeDB(DiscInfoLookup*, int flag) override {
        ++queries;
        lastQueryFlag = flag;
        m_log.add(QStringLiteral("grabber.QueryFreeDB %1").arg(flag));
    }

private:
    FakeDrive drive() const {
        return currentDrive >= 1 && currentDrive <= int(drives.size()) ? drives[currentDrive - 1]
                                                                       : FakeDrive{};
    }
    FakeTrack track() const {
        return selectedTrack >= 0 && selectedTrack < int(tracks.size()) ? tracks[selectedTrack]
                                                                        : FakeTrack{};
    }
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
    // What the grabber made by make() holds.
    std::vector<FakeDrive> grabberDrives;
    std::vector<FakeTrack> grabberTracks;
    std::vector<FakeDriveLayer::Drive> layerDrives;
    QStringList rmCodecs;
    FakeGrabber* grabber = nullptr;
    FakeDriveLayer* driveLayer = nullptr;
    FakeVideoFile* video = nullptr;
    FakePlayer* player = nullptr;

    AudioComponentSet make(std::unique_ptr<Skin> skin) {
        AudioComponentSet set;
        auto g = std::make_unique<FakeGrabber>(log);
        grabber = g.get();
        grabber->drives = grabberDrives;
        grabber->tracks = grabberTracks;
        set.cdGrabber = std::move(g);
        set.discInfoLookup = std::make_unique<NullFreeDbInformation>();
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
