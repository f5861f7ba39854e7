#pragma once

#include "components/iaudioplayer2.h"

#include <QElapsedTimer>
#include <QTimer>

class PcmQueue;
class QAudioSink;

// Plays queued 16-bit PCM through Qt Multimedia, pulling from the queue. When
// the machine has no audio output, a silent output takes the queue at the
// real rate instead, so that previews behave the same everywhere.
//
// Events: OnEndArrayPlay when a queued buffer has been taken to its end,
// OnRequestOnLoadArray when the output finds the queue empty, OnTimer every
// TimerIntervalMs while playing, and OnEndPlay once when the queue stayed
// empty and everything given has been played.
class AudioPlayer : public IAudioPlayer2 {
    Q_OBJECT
public:
    static constexpr int TimerIntervalMs = 50;

    explicit AudioPlayer(QObject* parent = nullptr);
    ~AudioPlayer() override;

    void SetFormat(int sampleRate, int channels) override;
    void StartPlayback() override;
    void StopPlayback() override;
    void QueueBuffer(const QByteArray& pcm) override;
    void ResetQueue() override;
    // `samples` counts 16-bit samples over all channels, as a byte count halved does.
    int SamplesToMs(qint64 samples) override;

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
    // The output restarts after ResetQueue; what it played before counts on.
    qint64 m_takenAtOutputStart = 0;
    qint64 m_playedBeforeOutputStart = 0;
    // The silent output's clock.
    QElapsedTimer m_silentClock;
    double m_silentCredit = 0;
    // Since when the queue has been empty with nothing more coming.
    QElapsedTimer m_dryFor;
};
