#pragma once

#include "jobs/pcmsource.h"

#include <QByteArray>
#include <QtGlobal>

// What a preview reads from. Whatever the component counts in (CD frames,
// sample frames, milliseconds), positions and lengths here are milliseconds,
// so that the slider and the steps mean the same for every kind of row.
// Failures raise ComponentError.
class PreviewSource : public PcmSource {
public:
    virtual qint64 lengthMs() const = 0;
    // Where the next block starts.
    virtual qint64 positionMs() const = 0;
    // The next block starts at `ms`, or as near to it as the source can.
    virtual void seek(qint64 ms) = 0;
    // How far the position is, for a copy's progress.
    int progress() const override;
    virtual int stepBackMs() const = 0;
    virtual int stepForwardMs() const = 0;
};
