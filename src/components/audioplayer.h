#pragma once

#include <QByteArray>
#include <QObject>

// Plays queued 16-bit PCM buffers. Events arrive on the GUI thread.
class AudioPlayer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioPlayer() override = default;

    virtual void setFormat(int sampleRate, int channels) = 0;
    virtual void startPlayback() = 0;
    virtual void stopPlayback() = 0;
    virtual void queueBuffer(const QByteArray& pcm) = 0;
    // Drops what is queued but not yet heard, so that a seek is heard at once.
    virtual void resetQueue() = 0;
    virtual int samplesToMs(qint64 samples) = 0;

signals:
    void onRequestOnLoadArray();
    void onEndArrayPlay();
    void onEndPlay();
    void onTimer(int currentSamples, int levelLeft, int levelRight);
};
