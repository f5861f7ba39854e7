#include "components/output/pcmlayout.h"

#include "components/componenterror.h"

namespace PcmLayout {

void check(const char* what, int sampleRate, int channels, int maxChannels) {
    if (sampleRate < MinRate || sampleRate > MaxRate || channels < 1 || channels > maxChannels)
        throw ComponentError(QStringLiteral("%1 cannot be %2 Hz with %3 channel(s).")
                                 .arg(QLatin1String(what))
                                 .arg(sampleRate)
                                 .arg(channels));
}

} // namespace PcmLayout
