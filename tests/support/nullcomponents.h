#pragma once

#include "cd/discinformation.h"
#include "cd/disclookup.h"
#include "components/audioplayer.h"
#include "components/audiowriter.h"
#include "components/drivelayer.h"
#include "components/trackripper.h"
#include "components/videoreader.h"

#include <algorithm>
#include <functional>

// Stand-ins for components a build has not got: no drive, nothing decodable,
// no output format, no sound. Each failing call says so in plain words.

class NullDiscReader : public DiscReader {
    Q_OBJECT
public:
    using DiscReader::DiscReader;
    void initialize() override {}
    void shutdown() override {}
    int driveCount() override { return 0; }
    void setCurrentDrive(int) override {}
    DriveInfo currentDrive() override { return {}; }
    Disc readDisc() override { return {}; }
};

class NullTrackRipper : public TrackRipper {
    Q_OBJECT
public:
    using TrackRipper::TrackRipper;
    void setReadSettings(const ReadSettings&) override {}
    int readOffset(const Disc&) override { return 0; }
    void rip(const Disc&, RipRange, std::shared_ptr<RipSink>) override;
    void abort() override {}
    std::unique_ptr<TrackStream> open(const Disc&, RipRange) override;
};

// A disc of these audio tracks one after the other, its layout to match.
inline Disc discOf(QVector<DiscTrack> tracks) {
    Disc disc;
    int start = 0;
    for (DiscTrack& track : tracks) {
        track.start = start;
        disc.layout.tracks << LayoutTrack{start, true};
        start += std::max(track.frames, 1);
    }
    disc.layout.leadout = start;
    disc.tracks = std::move(tracks);
    return disc;
}

// A track of ones, as the fake rippers hand it out; the callbacks hear of
// every seek and of the end.
class OnesStream : public TrackStream {
public:
    OnesStream(int frames, std::function<void(int frame)> seeked, std::function<void()> closed)
        : m_frames(frames), m_seeked(std::move(seeked)), m_closed(std::move(closed)) {}
    ~OnesStream() override { m_closed(); }
    int length() const override { return m_frames; }
    QByteArray read(int frames) override {
        const int count = std::min(frames, m_frames - m_position);
        if (count <= 0)
            return {};
        m_position += count;
        return QByteArray(count * 2352, char(1));
    }
    void seek(int frame) override {
        m_seeked(frame);
        m_position = frame;
    }

private:
    int m_frames;
    int m_position = 0;
    std::function<void(int)> m_seeked;
    std::function<void()> m_closed;
};

// Knows no disc: every lookup fails.
class NullDiscLookup : public DiscLookup {
    Q_OBJECT
public:
    using DiscLookup::DiscLookup;
    void lookUpDisc(const DiscLayout&, const DiscInformation&) override {
        emit lookupStatusChanged(LookupStatus::ConnectionFailed);
    }
    void cancel() override {}
    void chooseRelease(int) override {}
    std::optional<DiscRecord> found(const CdToc&) const override { return std::nullopt; }
};

class NullVideoFile : public VideoReader, public RmWriter {
public:
    void open(const QString& path) override;
    QByteArray readAudio(int) override { return {}; }
    void seek(int) override {}
    int getChannels() override { return 2; }
    int getSampleRate() override { return 44100; }
    int getPositionMs() override { return 0; }
    int getDurationMs() override { return 0; }
    qint64 getPosition() override { return 0; }
    qint64 getLength() override { return 0; }
    void close() override {}
    void setVideoStream(int) override {}
    void setVideoBitrate(int) override {}
    void setRmAudioCodec(int) override {}
    void setAudioInputFormat(int, int) override {}
    void createOutput(const QString& path, int) override;
    void writeAudio(const QByteArray&) override {}
    int getRmCodecCount() override { return 0; }
    QString getRmCodecName(int) override { return {}; }
};

class NullPlayer : public AudioPlayer {
    Q_OBJECT
public:
    using AudioPlayer::AudioPlayer;
    void setFormat(int, int) override {}
    void startPlayback() override {}
    void stopPlayback() override {}
    void queueBuffer(const QByteArray&) override {}
    void resetQueue() override {}
    int samplesToMs(qint64) override { return 0; }
};

class NullDiscInformation : public DiscInformation {
public:
    QString server() const override { return {}; }
    int port() const override { return 80; }
    int timeoutMs() const override { return 10000; }
    QString proxy() const override { return {}; }
    Source lookupSource() const override { return Source::ServerOnly; }
    QString cachePath() const override { return {}; }
};

class NullDriveLayer : public DriveLayer {
public:
    QStringList cdDrives() override { return {}; }
    bool volumeLabel(const QString&, QString*) override { return false; }
};
