#pragma once

#include "components/audioreader.h"
#include "components/componenterror.h"
#include "platform/muldiv.h"
#include "support/nullcomponents.h"

#include <algorithm>
#include <QList>
#include <QStringList>
#include <vector>

// Scripted components for the preview controller. Each source keeps its state
// in a struct the test owns, since the controller makes and drops the readers.

class FakePlayer : public AudioPlayer {
public:
    QStringList calls;
    QList<QByteArray> queued;

    void setFormat(int rate, int channels) override {
        calls << QStringLiteral("SetFormat %1 %2").arg(rate).arg(channels);
    }
    void startPlayback() override { calls << QStringLiteral("StartPlayback"); }
    void stopPlayback() override { calls << QStringLiteral("StopPlayback"); }
    void queueBuffer(const QByteArray& pcm) override {
        calls << QStringLiteral("QueueBuffer");
        queued << pcm;
    }
    void resetQueue() override { calls << QStringLiteral("ResetQueue"); }
    int samplesToMs(qint64) override { return 0; }

    void wantMore() { emit onEndArrayPlay(); }
    void tick() { emit onTimer(0, 0, 0); }
    void end() { emit onEndPlay(); }
};

// A file of `length` sample frames; a path containing "missing" does not open.
struct FakeAudio {
    qint64 length = 441000;
    qint64 decodable = -1; // frames that really decode, when the length is only an estimate
    int rate = 44100;
    int channels = 2;
    qint64 position = 0;
    bool open = false;
    bool failReads = false;
    int opens = 0;
    int reads = 0;
    QList<qint64> seeks;
};

class FakeAudioFile : public AudioReader {
public:
    explicit FakeAudioFile(FakeAudio& state) : s(state) {}
    void open(const QString& path) override {
        if (path.contains(QLatin1String("missing")))
            throw ComponentError(QStringLiteral("Cannot open %1").arg(path));
        s.open = true;
        s.position = 0;
        ++s.opens;
    }
    QByteArray read(int frames) override {
        ++s.reads;
        if (s.failReads)
            throw ComponentError(QStringLiteral("The file cannot be read any further."));
        const qint64 end = s.decodable >= 0 ? s.decodable : s.length;
        const qint64 count = std::min<qint64>(frames, end - s.position);
        if (count <= 0)
            return {};
        s.position += count;
        return QByteArray(int(count) * getBlockAlign(), char(1));
    }
    void seek(qint64 frame) override {
        s.seeks << frame;
        s.position = frame;
    }
    qint64 getLength() override { return s.length; }
    int getDurationMs() override { return int(s.length * 1000 / s.rate); }
    int getBlockAlign() override { return s.channels * 2; }
    int getChannels() override { return s.channels; }
    int getSampleRate() override { return s.rate; }
    void close() override { s.open = false; }
    bool getIsOpen() override { return s.open; }

private:
    FakeAudio& s;
};

struct FakeVideo {
    int durationMs = 60000;
    int rate = 22050;
    int channels = 1;
    int positionMs = 0;
    bool open = false;
    QList<int> seeks;
};

class FakeVideoFile : public NullVideoFile {
public:
    explicit FakeVideoFile(FakeVideo& state) : s(state) {}
    void open(const QString&) override {
        s.open = true;
        s.positionMs = 0;
    }
    QByteArray readAudio(int bytes) override {
        if (s.positionMs >= s.durationMs)
            return {};
        s.positionMs += int(mulDiv(bytes, 1000, s.rate * s.channels * 2));
        return QByteArray(bytes, char(1));
    }
    void seek(int positionMs) override {
        s.seeks << positionMs;
        s.positionMs = positionMs;
    }
    int getChannels() override { return s.channels; }
    int getSampleRate() override { return s.rate; }
    int getPositionMs() override { return s.positionMs; }
    int getDurationMs() override { return s.durationMs; }
    void close() override { s.open = false; }

private:
    FakeVideo& s;
};

// A ripper of a disc whose tracks are only lengths in CD frames.
class FakeCdTracks : public NullTrackRipper {
public:
    std::vector<int> tracks;
    bool reading = false;
    QList<int> seeks;

    Disc disc() const {
        QVector<DiscTrack> lengths;
        for (int frames : tracks)
            lengths << DiscTrack{0, frames, true, {}, {}};
        return discOf(lengths);
    }
    std::unique_ptr<TrackStream> open(const Disc&, RipRange range) override {
        reading = true;
        return std::make_unique<OnesStream>(
            range.frames, [this](int frame) { seeks << frame; }, [this] { reading = false; });
    }
};
