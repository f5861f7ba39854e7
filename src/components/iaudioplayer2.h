#pragma once

#include <QByteArray>
#include <QObject>

// Plays queued 16-bit PCM buffers. Events arrive on the GUI thread.
class IAudioPlayer2 : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~IAudioPlayer2() override = default;

    virtual void SetFormat(int sampleRate, int channels) = 0;
    virtual void StartPlayback() = 0;
    virtual void StopPlayback() = 0;
    virtual void QueueBuffer(const QByteArray& pcm) = 0;
    // Drops what is queued but not yet heard, so that a seek is heard at once.
    virtual void ResetQueue() = 0;
    virtual int SamplesToMs(qint64 samples) = 0;

signals:
    void OnRequestOnLoadArray();
    void OnEndArrayPlay();
    void OnEndPlay();
    void OnTimer(int currentSamples, int levelLeft, int levelRight);
};
