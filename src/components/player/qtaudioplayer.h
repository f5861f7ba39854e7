#pragma once

#include "components/audioplayer.h"

#include <QElapsedTimer>
#include <QTimer>

class PcmQueue;
class QAudioSink;

// Plays queued 16-bit PCM through Qt Multimedia, pulling from the queue. When
// the machine has no audio output, a silent output takes the queue at the
// real rate instead, so that previews behave the same everywhere.
//
// Events: onEndArrayPlay when a queued buffer has been taken to its end,
// onRequestOnLoadArray when the output finds the queue empty, onTimer every
// TimerIntervalMs while playing, and onEndPlay once when the queue stayed
// empty and everything given has been played.
class QtAudioPlayer : public AudioPlayer {
    Q_OBJECT
public:
    static constexpr int TimerIntervalMs = 50;

    explicit QtAudioPlayer(QObject* parent = nullptr);
    ~QtAudioPlayer() override;

    void setFormat(int sampleRate, int channels) override;
    void startPlayback() override;
    void stopPlayback() override;
    void queueBuffer(const QByteArray& pcm) override;
    void resetQueue() override;
    // `samples` counts 16-bit samples over all channels, as a byte count halved does.
    int samplesToMs(qint64 samples) override;

    // Whether the playback started last is the silent one.
    bool isSilent() const { return m_sink == nullptr; }

private:
    void onTick();
    void onRanDry();
    void startOutput();
    void stopOutput();
    qint64 playedByOutput() const;
    int bytesPerSecond() const { return m_sampleRate * m_channels * 2; }

    PcmQueue* m_queue;
    QAudioSink* m_sink = nullptr;
    QTimer m_timer;
    int m_sampleRate = 44100;
    int m_channels = 2;
    bool m_playing = false;
    // The output restarts after resetQueue; what it played before counts on.
    qint64 m_takenAtOutputStart = 0;
    qint64 m_playedBeforeOutputStart = 0;
    // The silent output's clock.
    QElapsedTimer m_silentClock;
    double m_silentCredit = 0;
    // Since when the queue has been empty with nothing more coming.
    QElapsedTimer m_dryFor;
};
