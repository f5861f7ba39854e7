#pragma once

#include "components/iaudiocdgrabber2.h"
#include "components/iaudiofile2.h"
#include "components/iaudiofile2lameenc.h"
#include "components/iaudioplayer2.h"
#include "components/idrivelayer.h"
#include "components/ifreedbinformation2.h"
#include "components/ivideofile.h"

// Stand-ins for components a build has not got: no drive, nothing decodable,
// no output format, no sound. Each failing call says so in plain words.

class NullAudioFile : public IAudioFile2 {
public:
    void Open(const QString& path) override;
    QByteArray Read(int) override { return {}; }
    void Seek(qint64) override {}
    qint64 GetLength() override { return 0; }
    int GetDurationMs() override { return 0; }
    int GetBlockAlign() override { return 4; }
    int GetChannels() override { return 2; }
    int GetSampleRate() override { return 44100; }
    void Close() override {}
    bool GetIsOpen() override { return false; }
    void Create(const QString& path) override;
    void Write(const QByteArray&) override {}
    void SetInputFormat(int, int) override {}
    void SetWavFormat(int, int, int) override {}
    void SetMp3Encoder(IAudioFile2LameEnc*) override {}
    void SetOggFormat(int, int, int, int, int, int) override {}
    void SetWmaProfile(int) override {}
    void ResetFormat(int) override {}
};

class NullCdGrabber : public IAudioCDGrabber2 {
    Q_OBJECT
public:
    using IAudioCDGrabber2::IAudioCDGrabber2;
    void Initialize() override {}
    void Shutdown() override {}
    int GetDriveCount() override { return 0; }
    void SetCurrentDrive(int) override {}
    QString GetDriveVendor() override { return {}; }
    QString GetDriveProduct() override { return {}; }
    QString GetDriveRevision() override { return {}; }
    QString GetDriveId() override { return {}; }
    void ReadDisc() override {}
    int GetTrackCount() override { return 0; }
    void SelectTrack(int) override {}
    int GetTrackLength() override { return 0; }
    int GetTrackMinutes() override { return 0; }
    int GetTrackSeconds() override { return 0; }
    int GetTrackFrames() override { return 0; }
    QString GetTrackArtist() override { return {}; }
    QString GetTrackAlbum() override { return {}; }
    QString GetTrackTitle() override { return {}; }
    void SetReadMode(int) override {}
    void SetErrorAction(int) override {}
    void SetRetryCount(int) override {}
    void GrabToFile(const QString&, std::shared_ptr<IAudioFile2>) override;
    void AbortGrab() override {}
    void StartReading() override {}
    void StopReading() override {}
    void BeginRawRead() override;
    QByteArray ReadRawAudio(int) override { return {}; }
    void SeekRawRead(int) override {}
    void EndRawRead() override {}
    void QueryFreeDB(IFreeDBInformation2*, int) override { emit OnFreeDBQueryStatus(-1); }
};

class NullVideoFile : public IVideoFile {
public:
    void Open(const QString& path) override;
    QByteArray ReadAudio(int) override { return {}; }
    void Seek(int) override {}
    int GetChannels() override { return 2; }
    int GetSampleRate() override { return 44100; }
    int GetPositionMs() override { return 0; }
    int GetDurationMs() override { return 0; }
    qint64 GetPosition() override { return 0; }
    qint64 GetLength() override { return 0; }
    void Close() override {}
    void SetVideoStream(int) override {}
    void SetVideoBitrate(int) override {}
    void SetRmAudioCodec(int) override {}
    void SetAudioInputFormat(int, int) override {}
    void CreateOutput(const QString& path, int) override;
    void WriteAudio(const QByteArray&) override {}
    int GetRmCodecCount() override { return 0; }
    QString GetRmCodecName(int) override { return {}; }
};

class NullLameEncoder : public IAudioFile2LameEnc {
public:
    void SetCommandLine(const QString&) override {}
    void SetPreset(int) override {}
    void SetAltPreset(int) override {}
    void SetVbrBitrate(int) override {}
    void SetVbrQuality(int) override {}
    void SetVbrMethod(int) override {}
    void SetChannelMode(int) override {}
    void SetQuality(int) override {}
    void SetWriteVbrHeader(int) override {}
    void SetBitReservoir(int) override {}
    void SetAllowDiffBlocks(int) override {}
    void SetShortBlocks(int) override {}
    void SetDeemphasis(int) override {}
    void SetStrictIso(int) override {}
    void SetEnforceMinBitrate(int) override {}
    void SetAthMode(int) override {}
    void SetLowpassFrequency(int) override {}
    void SetHighpassFrequency(int) override {}
    void SetLowpassWidth(int) override {}
    void SetHighpassWidth(int) override {}
    void SetCrc(int) override {}
    void SetSampleRate(int) override {}
    void SetMono(int) override {}
    void SetBitrate(int) override {}
    LameSettings GetSettings() const override { return {}; }
};

class NullPlayer : public IAudioPlayer2 {
    Q_OBJECT
public:
    using IAudioPlayer2::IAudioPlayer2;
    void SetFormat(int, int) override {}
    void StartPlayback() override {}
    void StopPlayback() override {}
    void QueueBuffer(const QByteArray&) override {}
    void ResetQueue() override {}
    int SamplesToMs(qint64) override { return 0; }
};

class NullFreeDbInformation : public IFreeDBInformation2 {
public:
    QString Server() const override { return {}; }
    int Port() const override { return 80; }
    int TimeoutMs() const override { return 10000; }
    QString Proxy() const override { return {}; }
    Source LookupSource() const override { return Source::ServerOnly; }
    QString CachePath() const override { return {}; }
};

class NullDriveLayer : public IDriveLayer {
public:
    QStringList CdDrives() override { return {}; }
    bool VolumeLabel(const QString&, QString*) override { return false; }
};
