#include "values/pcmformat.h"

#include <QCoreApplication>
#include <QStringList>

namespace {

QString rateText(int rate) {
    return QCoreApplication::translate("PcmFormat", "%1 kHz").arg(rate / 1000.0, 0, 'g', 6);
}

QString channelText(int channels) {
    switch (channels) {
    case 1:
        return QCoreApplication::translate("PcmFormat", "mono");
    case 2:
        return QCoreApplication::translate("PcmFormat", "stereo");
    case 6:
        return QStringLiteral("5.1");
    case 7:
        return QStringLiteral("6.1");
    case 8:
        return QStringLiteral("7.1");
    default:
        return QCoreApplication::translate("PcmFormat", "%1 channels").arg(channels);
    }
}

} // namespace

quint32 PcmFormat::speakers() const {
    if (channelMask != 0)
        return channelMask;
    // Front centre for one channel, front left and right for two; more need the source's word.
    return channels == 1 ? 0x4 : channels == 2 ? 0x3 : 0;
}

QString PcmFormat::text(bool withBits) const {
    QStringList parts{rateText(sampleRate)};
    if (withBits)
        parts << (type == SampleType::Float32
                      ? QCoreApplication::translate("PcmFormat", "32-bit float")
                      : QCoreApplication::translate("PcmFormat", "%1-bit").arg(bits));
    parts << channelText(channels);
    return parts.join(QLatin1Char(' '));
}

namespace PcmText {

QString conversion(const PcmFormat& from, const PcmFormat& to, bool withBits) {
    const bool sameBits = !withBits || (from.type == to.type && from.bits == to.bits) ||
                          (from.bits <= 16 && to.type == SampleType::Int16 && to.bits == 16);
    if (from.sampleRate == to.sampleRate && from.channels == to.channels && sameBits)
        return {};
    return QCoreApplication::translate("PcmFormat", "Converted from %1 to %2")
        .arg(from.text(withBits), to.text(withBits));
}

} // namespace PcmText
