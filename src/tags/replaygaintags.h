#pragma once

#include "values/tagextras.h"

#include <QList>
#include <QPair>
#include <QString>

// The REPLAYGAIN_* tags of the values present, as MP3 (TXXX), WMA
// (attributes) and Vorbis comments carry them, in the order track gain,
// track peak, album gain, album peak: ("REPLAYGAIN_TRACK_GAIN", "-6.52 dB"),
// ("REPLAYGAIN_TRACK_PEAK", "0.988831"). A value that is not a finite number
// (a meter that saw no sound it could measure) is left out, not written as
// "nan dB".
QList<QPair<QString, QString>> replayGainTags(const ReplayGainValues& values);
