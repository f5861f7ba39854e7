#pragma once

#include "components/audioplayer.h"
#include "components/audiowriter.h"
#include "components/cdgrabber.h"
#include "components/discinfolookup.h"
#include "components/drivelayer.h"
#include "components/videoreader.h"

// Stand-ins for components a build has not got: no drive, nothing decodable,
// no output format, no sound. Each failing call says so in plain words.

class NullCdGrabber : public CdGrabber {
    Q_OBJECT
public:
    using CdGrabber::CdGrabber;
    void initialize() override {}
    void shutdown() override {}
    int getDriveCount() override { return 0; }
    void setCurrentDrive(int) override {}
    QString getDriveVendor() override { return {}; }
    QString getDriveProduct() override { return {}; }
    QString getDriveRevision() override { return {}; }
    QString getDriveId() override { return {}; }
    void readDisc() override {}
    int getTrackCount() override { return 0; }
    void selectTrack(int) override {}
    int getTrackLength() override { return 0; }
    int getTrackMinutes() override { return 0; }
    int getTrackSeconds() override { return 0; }
    int getTrackFrames() override { return 0; }
    QString getTrackArtist() override { return {}; }
    QString getTrackAlbum() override { return {}; }
    QString getTrackTitle() override { return {}; }
    void setReadMode(int) override {}
    void setErrorAction(int) override {}
    void setRetryCount(int) override {}
    void grabToFile(const QString&, std::shared_ptr<AudioWriter>) override;
    void abortGrab() override {}
    void startReading() override {}
    void stopReading() override {}
    void beginRawRead() override;
    QByteArray readRawAudio(int) override { return {}; }
    void seekRawRead(int) override {}
    void endRawRead() override {}
    void queryFreeDB(DiscInfoLookup*, int) override { emit onFreeDBQueryStatus(-1); }
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

class NullFreeDbInformation : public DiscInfoLookup {
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
