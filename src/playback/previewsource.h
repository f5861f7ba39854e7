#pragma once

#include <QByteArray>
#include <QtGlobal>

// What a preview reads from. Whatever the component counts in (CD frames,
// sample frames, milliseconds), positions and lengths here are milliseconds,
// so that the slider and the steps mean the same for every kind of row.
// Failures raise ComponentError.
class PreviewSource {
public:
    virtual ~PreviewSource() = default;

    virtual void open() = 0;
    virtual void close() = 0;
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    virtual qint64 lengthMs() const = 0;
    // Where the next block starts.
    virtual qint64 positionMs() const = 0;
    // The next block starts at `ms`, or as near to it as the source can.
    virtual void seek(qint64 ms) = 0;
    // About a tenth of a second of 16-bit PCM; empty at the end.
    virtual QByteArray readBlock() = 0;
    virtual int stepBackMs() const = 0;
    virtual int stepForwardMs() const = 0;
};
