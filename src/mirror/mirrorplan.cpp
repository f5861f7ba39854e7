#include "mirror/mirrorplan.h"

#include "filelist/filekinds.h"
#include "jobs/outputnaming.h"
#include "settings/encodersettings.h"

#include <QFileInfo>

namespace {

QString extensionOf(const QString& fileName) {
    return QFileInfo(fileName).suffix().toLower();
}

// The extensions that already hold the target format: copied, never encoded again.
bool holdsFormat(const QString& extension, OutputFormat format) {
    return QLatin1Char('.') + extension == outputExtension(format);
}

QString numbers(std::initializer_list<int> values) {
    QStringList parts;
    for (const int value : values)
        parts << QString::number(value);
    return parts.join(QLatin1Char(','));
}

} // namespace

bool isLossyFile(const QString& fileName) {
    static const QStringList lossy{"mp3", "mp2", "ogg", "opus", "aac",
                                   "m4a", "wma", "ac3", "dts",  "webm"};
    return lossy.contains(extensionOf(fileName));
}

MirrorAction mirrorActionFor(const QString& fileName, const MirrorChoices& choices) {
    const QString extension = extensionOf(fileName);
    if (isAudioFile(fileName)) {
        if (holdsFormat(extension, choices.format) || (choices.copyLossy && isLossyFile(fileName)))
            return MirrorAction::Copy;
        return MirrorAction::Convert;
    }
    return choices.copyExtra.contains(extension) ? MirrorAction::Copy : MirrorAction::Leave;
}

QString mirrorOutputName(const QString& relative, MirrorAction action, OutputFormat format) {
    if (action != MirrorAction::Convert)
        return relative;
    const int slash = relative.lastIndexOf(QLatin1Char('/'));
    const QString name = relative.mid(slash + 1);
    return relative.left(slash + 1) +
           outputFileName(OutputNameSource{name, false, 0, name}, format);
}

QString conversionSettingsText(OutputFormat format, const EncoderSettings& e, GainMode gain,
                               PeakKind peak) {
    QString encoder;
    switch (format) {
    case FormatMp3: {
        const EncoderSettings::Mp3& m = e.mp3;
        encoder =
            numbers({m.usePreset,        m.useAltPreset,      m.preset,       m.altPreset,
                     m.vbrHeader,        m.enforceMinBitrate, m.crc,          m.allowDiffBlocks,
                     m.bitReservoir,     m.shortBlocks,       m.strictIso,    m.highpassFrequency,
                     m.lowpassFrequency, m.highpassWidth,     m.lowpassWidth, m.vbrMethod,
                     m.athMode,          m.channel,           m.deemphasis,   m.quality,
                     m.vbrQuality,       m.bitrate,           m.vbrBitrate,   m.sampleRate}) +
            QLatin1Char(',') + m.commandLine;
        break;
    }
    case FormatWav:
        encoder = numbers({e.wav.asSource, e.wav.sampleRate, e.wav.channels, e.wav.bits});
        break;
    case FormatWma:
        encoder = numbers({e.wmaProfile});
        break;
    case FormatOgg:
        encoder = numbers({e.ogg.sampleRate, e.ogg.channels, e.ogg.bitrate, e.ogg.minBitrate,
                           e.ogg.maxBitrate, e.ogg.quality, e.ogg.vbr, e.ogg.qualityMode});
        break;
    case FormatFlac:
        encoder = numbers({e.flac.level});
        break;
    case FormatOpus:
        encoder = numbers({e.opus.bitrate, int(e.opus.mode), e.opus.complexity});
        break;
    default:
        encoder = numbers({e.rmFormat});
        break;
    }
    return QStringLiteral("%1 %2 gain=%3,%4")
        .arg(formatText(format), encoder)
        .arg(int(gain))
        .arg(peak == PeakKind::True ? 1 : 0);
}

QString copySettingsText() {
    return QStringLiteral("copy");
}

QStringList extensionList(const QString& text) {
    QStringList list;
    for (QString part : text.split(QLatin1Char(','))) {
        part = part.trimmed().toLower();
        while (part.startsWith(QLatin1Char('.')))
            part.remove(0, 1);
        if (!part.isEmpty() && !list.contains(part))
            list << part;
    }
    return list;
}
