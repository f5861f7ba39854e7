#include "tags/replaygaintags.h"

#include "components/loudness/loudnessmeter.h"

#include <cmath>

QList<QPair<QString, QString>> replayGainTags(const ReplayGainValues& values) {
    QList<QPair<QString, QString>> tags;
    const auto add = [&tags](const char* name, const std::optional<double>& value, bool gain) {
        if (value && std::isfinite(*value))
            tags.append({QLatin1String(name),
                         gain ? ReplayGain::gainText(*value) : ReplayGain::peakText(*value)});
    };
    add("REPLAYGAIN_TRACK_GAIN", values.trackGain, true);
    add("REPLAYGAIN_TRACK_PEAK", values.trackPeak, false);
    add("REPLAYGAIN_ALBUM_GAIN", values.albumGain, true);
    add("REPLAYGAIN_ALBUM_PEAK", values.albumPeak, false);
    return tags;
}
