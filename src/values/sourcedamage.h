#pragma once

#include <QString>
#include <QtGlobal>

// What a decoder learnt of a damaged source while it read it: its sound
// ended before the length its container declares, or some of it could not
// be decoded. The output still holds what could be read.
struct SourceDamage {
    int sampleRate = 0;
    qint64 declaredFrames = 0; // the length the container declares; 0 when it declares none
    qint64 endFrame = -1;      // where the sound ended early; -1 when it did not
    qint64 corruptFrame = -1;  // where undecodable data first came; -1 when none did

    bool isDamaged() const { return sampleRate > 0 && (endFrame >= 0 || corruptFrame >= 0); }
    // "The source ends at 0:00.52 of 0:03.00", or "The source holds damaged
    // data from 0:01.20"; empty when it is whole.
    QString text() const;
    // The same without its subject: "ends at 0:00.52 of 0:03.00", "damaged data from 0:01.20".
    QString shortText() const;
    // "0:03.00": minutes, seconds and hundredths.
    static QString timeText(qint64 frames, int sampleRate);
};
