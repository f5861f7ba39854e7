#pragma once

#include "control/audiocomponentset.h"
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

class LoggingAudioFile : public NullAudioFile {
public:
    LoggingAudioFile(CallLog& log, QString name) : m_log(log), m_name(std::move(name)) {}
    void ResetFormat(int format) override {
        m_log.add(m_name + QStringLiteral(".ResetFormat %1").arg(format));
    }

private:
    CallLog& m_log;
    QString m_name;
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
    bool failReadDisc = false; // ReadDisc raises, as for an unreadable disc
    std::function<void(int track)> onSelectTrack;

    void Initialize() override { m_log.add(QStringLiteral("grabber.Initialize")); }
    void Shutdown() override { m_log.add(QStringLiteral("grabber.Shutdown")); }
    int GetDriveCount() override { return int(drives.size()); }
    void SetCurrentDrive(int drive) override {
        currentDrive = drive;
        m_log.add(QStringLiteral("grabber.SetCurrentDrive %1").arg(drive));
    }
    QString GetDriveVendor() override { return drive().vendor; }
    QString GetDriveProduct() override { return drive().product; }
    QString GetDriveRevision() override { return drive().revision; }
    QString GetDriveId() override { return drive().id; }
    void ReadDisc() override {
        m_log.add(QStringLiteral("grabber.ReadDisc"));
        if (failReadDisc)
            throw ComponentError(QStringLiteral("disc unreadable"));
        if (!tracksAfterNextRead.empty())
            tracks = std::exchange(tracksAfterNextRead, {});
    }
    int GetTrackCount() override { return int(tracks.size()); }
    void SelectTrack(int track) override {
        if (track < 0 || track >= int(tracks.size()))
            throw ComponentError(QStringLiteral("There is no track %1.").arg(track + 1));
        selectedTrack = track;
        if (onSelectTrack)
            onSelectTrack(track);
    }
    int GetTrackMinutes() override { return track().minutes; }
    int GetTrackSeconds() override { return track().seconds; }
    int GetTrackFrames() override { return track().frames; }
    QString GetTrackArtist() override { return track().artist; }
    QString GetTrackAlbum() override { return track().album; }
    QString GetTrackTitle() override { return track().title; }
    // Raw reads count CD frames; a track's length comes from its time.
    int rawPosition = 0;
    int GetTrackLength() override {
        const FakeTrack t = track();
        return (t.minutes * 60 + t.seconds) * 75 + t.frames;
    }
    void BeginRawRead() override {
        rawPosition = 0;
        m_log.add(QStringLiteral("grabber.BeginRawRead %1").arg(selectedTrack));
    }
    QByteArray ReadRawAudio(int frames) override {
        const int count = std::min(frames, GetTrackLength() - rawPosition);
        if (count <= 0)
            return {};
        rawPosition += count;
        return QByteArray(count * 2352, char(1));
    }
    void SeekRawRead(int frame) override {
        rawPosition = frame;
        m_log.add(QStringLiteral("grabber.SeekRawRead %1").arg(frame));
    }
    void EndRawRead() override { m_log.add(QStringLiteral("grabber.EndRawRead")); }
    void SetReadMode(int mode) override {
        m_log.add(QStringLiteral("grabber.SetReadMode %1").arg(mode));
    }
    void SetErrorAction(int action) override {
        m_log.add(QStringLiteral("grabber.SetErrorAction %1").arg(action));
    }
    void SetRetryCount(int retries) override {
        m_log.add(QStringLiteral("grabber.SetRetryCount %1").arg(retries));
    }
    void QueryFreeDB(IFreeDBInformation2*, int flag) override {
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
class FakeDriveLayer : public IDriveLayer {
public:
    struct Drive {
        QString path;
        bool readable;
        QString label;
    };
    std::vector<Drive> drives;

    QStringList CdDrives() override {
        QStringList paths;
        for (const auto& d : drives)
            paths << d.path;
        return paths;
    }
    bool VolumeLabel(const QString& drive, QString* label) override {
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
    void SetFormat(int rate, int channels) override {
        m_log.add(QStringLiteral("player.SetFormat %1 %2").arg(rate).arg(channels));
    }
    void StartPlayback() override { m_log.add(QStringLiteral("player.StartPlayback")); }
    void StopPlayback() override { m_log.add(QStringLiteral("player.StopPlayback")); }
    void ResetQueue() override { m_log.add(QStringLiteral("player.ResetQueue")); }
    void QueueBuffer(const QByteArray&) override { ++queued; }
    int queued = 0;
    void tick() { emit OnTimer(0, 0, 0); }

private:
    CallLog& m_log;
};

class FakeVideoFile : public NullVideoFile {
public:
    QStringList codecs;
    int GetRmCodecCount() override { return int(codecs.size()); }
    QString GetRmCodecName(int codec) override { return codecs.value(codec - 1); }
};

// A skin that logs its calls, has the objects it is told to have, and lets
// tests click them.
class FakeSkin : public ISkin, public ISkinForm {
    Q_OBJECT
public:
    class Object : public ISkinObject, public IPositionSlider, public IPositionSliderView {
    public:
        explicit Object(QString name) : m_name(std::move(name)) {}
        QString GetName() const override { return m_name; }
        IPositionSlider* QueryPositionSlider() override {
            return m_name == QLatin1String("pb") ? this : nullptr;
        }
        IPositionSliderView* QueryPositionSliderView() override {
            return m_name == QLatin1String("pb") ? this : nullptr;
        }
        int GetValue() const override { return value; }
        void SetValue(int v) override { value = v; }
        void Redraw() override { ++redraws; }
        int value = 0;
        int redraws = 0;

    private:
        QString m_name;
    };

    FakeSkin(CallLog& log, const QStringList& names) : m_log(log) {
        for (const QString& name : names)
            m_objects.emplace_back(std::make_unique<Object>(name));
    }

    void LoadSkin(const QString& path) override {
        m_log.add(QStringLiteral("skin.LoadSkin ") + path);
    }
    void ApplySkin(QWidget*) override { m_log.add(QStringLiteral("skin.ApplySkin")); }
    void ApplySkinForm(QWidget*, const QString& form) override {
        m_log.add(QStringLiteral("skin.ApplySkinForm ") + form);
    }
    ISkinForm* GetSkinnedForm(QWidget*) override { return this; }
    ISkinObject* GetSkinObject(const QString& name) override {
        for (auto& object : m_objects)
            if (object->GetName() == name)
                return object.get();
        return nullptr;
    }
    // A user's click on the named object (it need not be part of the skin).
    void click(const QString& name) {
        Object stray(name);
        ISkinObject* object = GetSkinObject(name);
        emit OnClick(object ? object : &stray);
    }
    void press(const QString& name) {
        Object stray(name);
        ISkinObject* object = GetSkinObject(name);
        emit OnMouseDown(object ? object : &stray, 1, 0, 0);
    }
    void release(const QString& name) {
        Object stray(name);
        ISkinObject* object = GetSkinObject(name);
        emit OnMouseUp(object ? object : &stray, 1, 0, 0);
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

    AudioComponentSet make(std::unique_ptr<ISkin> skin) {
        AudioComponentSet set;
        auto g = std::make_unique<FakeGrabber>(log);
        grabber = g.get();
        grabber->drives = grabberDrives;
        grabber->tracks = grabberTracks;
        set.AudioCDGrabber21 = std::move(g);
        set.FreeDBInformation21 = std::make_unique<NullFreeDbInformation>();
        auto p = std::make_unique<FakePlayer>(log);
        player = p.get();
        set.AudioPlayer21 = std::move(p);
        set.AudioFileRead =
            std::make_unique<LoggingAudioFile>(log, QStringLiteral("AudioFileRead"));
        set.Mp3LameEncoder = std::make_unique<NullLameEncoder>();
        auto v = std::make_unique<FakeVideoFile>();
        video = v.get();
        video->codecs = rmCodecs;
        set.VideoFile1 = std::move(v);
        set.Skin1 = std::move(skin);
        auto d = std::make_unique<FakeDriveLayer>();
        driveLayer = d.get();
        driveLayer->drives = layerDrives;
        set.DriveLayer = std::move(d);
        return set;
    }
};
