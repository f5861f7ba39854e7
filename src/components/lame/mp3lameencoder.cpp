#include "components/lame/mp3lameencoder.h"

#include "components/componenterror.h"
#include "settings/lookuptables.h"

#include <algorithm>
#include <cmath>
#include <QRegularExpression>
#include <QStringList>

namespace {

void checkRange(const char* what, int value, int low, int high) {
    if (value < low || value > high)
        throw ComponentError(QStringLiteral("The MP3 %1 %2 is outside %3 to %4.")
                                 .arg(QLatin1String(what))
                                 .arg(value)
                                 .arg(low)
                                 .arg(high));
}

void checkBitrate(const char* what, int kbps) {
    checkRange(what, kbps, 8, 320);
}

void checkFrequency(const char* what, int hz) {
    if (hz != -1)
        checkRange(what, hz, 0, 48000);
}

bool takesValue(const QString& name) {
    static const QStringList withValue{
        QStringLiteral("-b"),         QStringLiteral("-B"),
        QStringLiteral("-V"),         QStringLiteral("-q"),
        QStringLiteral("-m"),         QStringLiteral("-e"),
        QStringLiteral("--abr"),      QStringLiteral("--resample"),
        QStringLiteral("--lowpass"),  QStringLiteral("--lowpass-width"),
        QStringLiteral("--highpass"), QStringLiteral("--highpass-width"),
        QStringLiteral("--preset"),   QStringLiteral("--alt-preset")};
    return withValue.contains(name);
}

// Switches that only change what LAME's own program prints; the output stays
// the same, so a line copied from a LAME call keeps working.
bool onlyForTheTerminal(const QString& name) {
    static const QStringList names{QStringLiteral("-S"), QStringLiteral("--silent"),
                                   QStringLiteral("--quiet"), QStringLiteral("--verbose"),
                                   QStringLiteral("--nohist")};
    return names.contains(name);
}

// A refusal of the command line that already names the switch.
class SwitchError : public ComponentError {
public:
    using ComponentError::ComponentError;
};

[[noreturn]] void badValue(const QString& name, const QString& value) {
    throw SwitchError(
        QStringLiteral("\"%1\" is not a valid value for the LAME switch \"%2\".").arg(value, name));
}

int integerValue(const QString& name, const QString& value) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (!ok)
        badValue(name, value);
    return number;
}

// LAME takes frequencies in kHz, and small numbers as kHz even when Hz were meant.
int hertzValue(const QString& name, const QString& value) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || number < 0)
        badValue(name, value);
    return int(std::lround(number < 50 ? number * 1000 : number));
}

// -V takes fractions since LAME 3.98: 0 best .. 9.999.
double vbrQualityValue(const QString& name, const QString& value) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || !(number >= 0 && number < 10))
        badValue(name, value);
    return number;
}

} // namespace

QString Mp3LameEncoder::commandLineError(const QString& commandLine) {
    // Every switch checks only its own value, so a line that a fresh encoder
    // takes is taken after any other settings as well.
    Mp3LameEncoder scratch;
    try {
        scratch.SetCommandLine(commandLine);
    } catch (const ComponentError& error) {
        return error.message();
    }
    return {};
}

void Mp3LameEncoder::SetCommandLine(const QString& commandLine) {
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    const QStringList tokens = commandLine.split(whitespace, Qt::SkipEmptyParts);
    // A line that fails half-way must leave the settings as they were.
    const LameSettings saved = m_settings;
    try {
        for (int i = 0; i < tokens.size(); ++i) {
            QString name = tokens[i];
            QString value;
            if (!name.startsWith(QLatin1Char('-')) || name.size() < 2)
                throw ComponentError(
                    QStringLiteral("\"%1\" on the MP3 command line is not a LAME switch.")
                        .arg(name));
            if (!name.startsWith(QLatin1String("--")) && name.size() > 2) {
                value = name.mid(2); // "-b128" as well as "-b 128"
                name.truncate(2);
            } else if (takesValue(name)) {
                if (i + 1 >= tokens.size())
                    throw ComponentError(
                        QStringLiteral("The LAME switch \"%1\" needs a value.").arg(name));
                value = tokens[++i];
                // "--preset fast standard", "--preset cbr 192"
                if ((value == QLatin1String("fast") || value == QLatin1String("cbr")) &&
                    i + 1 < tokens.size())
                    value += QLatin1Char(' ') + tokens[++i];
            }
            try {
                applySwitch(name, value);
            } catch (const SwitchError&) {
                throw;
            } catch (const ComponentError& error) {
                // The setters' range messages do not know the switch: name it.
                const QString given = value.isEmpty() ? name : name + QLatin1Char(' ') + value;
                throw ComponentError(QStringLiteral("\"%1\" on the MP3 command line: %2")
                                         .arg(given, error.message()));
            }
        }
    } catch (...) {
        m_settings = saved;
        throw;
    }
}

void Mp3LameEncoder::applySwitch(const QString& name, const QString& value) {
    if (!takesValue(name) && !value.isEmpty())
        throw SwitchError(
            QStringLiteral("The LAME switch \"%1\" takes no value (\"%2\").").arg(name, value));
    if (name == QLatin1String("-b")) {
        SetBitrate(integerValue(name, value));
    } else if (name == QLatin1String("-B")) {
        SetVbrBitrate(integerValue(name, value));
    } else if (name == QLatin1String("-V")) {
        const double quality = vbrQualityValue(name, value);
        if (m_settings.vbrMethod < 0 || m_settings.abrBitrate > 0)
            chooseVbrMethod(std::max(m_settings.vbrMethod, 0));
        m_settings.vbrQuality = quality;
    } else if (name == QLatin1String("-v")) {
        chooseVbrMethod(0);
    } else if (name == QLatin1String("--vbr-old")) {
        chooseVbrMethod(1);
    } else if (name == QLatin1String("--vbr-new")) {
        chooseVbrMethod(2);
    } else if (name == QLatin1String("--vbr-mtrh")) {
        chooseVbrMethod(3);
    } else if (name == QLatin1String("--cbr")) {
        chooseVbrMethod(-1);
    } else if (name == QLatin1String("--abr")) {
        chooseAbr(integerValue(name, value));
    } else if (name == QLatin1String("-q")) {
        SetQuality(integerValue(name, value));
    } else if (name == QLatin1String("-h")) {
        SetQuality(2);
    } else if (name == QLatin1String("-f")) {
        SetQuality(7);
    } else if (name == QLatin1String("-m")) {
        // mono, stereo, joint, forced joint, dual; "a" (auto) is joint stereo since LAME 3.95
        static const QString modes = QStringLiteral("msjfd");
        int mode = value.size() == 1 ? int(modes.indexOf(value)) : -1;
        if (value == QLatin1String("a"))
            mode = 2;
        if (mode < 0)
            badValue(name, value);
        if (mode == 0)
            SetMono(1);
        else
            SetChannelMode(mode);
    } else if (name == QLatin1String("-a")) {
        SetMono(1);
    } else if (name == QLatin1String("--resample")) {
        SetSampleRate(hertzValue(name, value));
    } else if (name == QLatin1String("-t")) {
        SetWriteVbrHeader(0);
    } else if (name == QLatin1String("-p")) {
        SetCrc(1);
    } else if (name == QLatin1String("-c")) {
        m_settings.copyright = true;
    } else if (name == QLatin1String("-o")) {
        m_settings.original = false;
    } else if (name == QLatin1String("-k")) {
        m_settings.keepAllFrequencies = true;
        m_settings.lowpassFrequency = m_settings.highpassFrequency = -1;
    } else if (name == QLatin1String("-F")) {
        SetEnforceMinBitrate(1);
    } else if (name == QLatin1String("-e")) {
        static const QStringList emphases{QStringLiteral("n"), QStringLiteral("5"),
                                          QStringLiteral("c")};
        const int mode = int(emphases.indexOf(value));
        if (mode < 0)
            badValue(name, value);
        SetDeemphasis(mode);
    } else if (name == QLatin1String("--nores")) {
        SetBitReservoir(0);
    } else if (name == QLatin1String("--noshort")) {
        SetShortBlocks(0);
    } else if (name == QLatin1String("--short")) {
        SetShortBlocks(1);
    } else if (name == QLatin1String("--allow-diff-short") || name == QLatin1String("-d")) {
        SetAllowDiffBlocks(1);
    } else if (name == QLatin1String("--strictly-enforce-ISO")) {
        SetStrictIso(1);
    } else if (name == QLatin1String("--athonly")) {
        SetAthMode(1);
    } else if (name == QLatin1String("--noath")) {
        SetAthMode(2);
    } else if (name == QLatin1String("--athshort")) {
        SetAthMode(3);
    } else if (name == QLatin1String("--lowpass")) {
        SetLowpassFrequency(hertzValue(name, value));
    } else if (name == QLatin1String("--lowpass-width")) {
        SetLowpassWidth(hertzValue(name, value));
    } else if (name == QLatin1String("--highpass")) {
        SetHighpassFrequency(hertzValue(name, value));
    } else if (name == QLatin1String("--highpass-width")) {
        SetHighpassWidth(hertzValue(name, value));
    } else if (name == QLatin1String("--preset") || name == QLatin1String("--alt-preset")) {
        applyPreset(name, value);
    } else if (!onlyForTheTerminal(name)) {
        throw SwitchError(QStringLiteral("The LAME switch \"%1\" is not one that Orvelle's MP3 "
                                         "settings can take.")
                              .arg(name));
    }
}

void Mp3LameEncoder::applyPreset(const QString& name, const QString& value) {
    // The names of the settings dialog's two preset lists, in their order.
    static const QStringList presets{
        QStringLiteral("phone"),  QStringLiteral("sw"),    QStringLiteral("am"),
        QStringLiteral("fm"),     QStringLiteral("voice"), QStringLiteral("radio"),
        QStringLiteral("tape"),   QStringLiteral("hifi"),  QStringLiteral("cd"),
        QStringLiteral("studio"), QStringLiteral("r3mix")};
    static const QStringList altPresets{QStringLiteral("fast standard"), QStringLiteral("standard"),
                                        QStringLiteral("fast extreme"), QStringLiteral("extreme"),
                                        QStringLiteral("insane")};
    const QString key = value.toLower();
    bool isNumber = false;
    const int kbps = key.toInt(&isNumber);
    if (presets.contains(key)) {
        choosePreset(int(presets.indexOf(key)) + 1);
    } else if (altPresets.contains(key)) {
        chooseAltPreset(int(altPresets.indexOf(key)) + 1);
    } else if (key == QLatin1String("medium") || key == QLatin1String("fast medium")) {
        chooseVbrMethod(0); // what LAME's "medium" stands for: VBR at -V 4
        m_settings.vbrQuality = 4;
    } else if (isNumber) {
        chooseAbr(kbps); // "--preset 160": average bitrate
    } else if (key.startsWith(QLatin1String("cbr "))) {
        bool ok = false;
        const int cbr = key.mid(4).toInt(&ok);
        if (!ok)
            badValue(name, value);
        SetBitrate(cbr);
        chooseVbrMethod(-1);
    } else {
        badValue(name, value);
    }
}

void Mp3LameEncoder::endCommandLineChoices() {
    m_settings.abrBitrate = 0;
    m_settings.copyright = false;
    m_settings.original = true;
    m_settings.keepAllFrequencies = false;
}

void Mp3LameEncoder::choosePreset(int preset) {
    checkRange("preset", preset, 0, 11);
    m_settings.preset = preset;
    m_settings.altPreset = 0;
    m_settings.abrBitrate = 0;
}

void Mp3LameEncoder::chooseAltPreset(int altPreset) {
    checkRange("alternative preset", altPreset, 0, 5);
    m_settings.altPreset = altPreset;
    m_settings.preset = 0;
    m_settings.abrBitrate = 0;
}

void Mp3LameEncoder::chooseVbrMethod(int method) {
    checkRange("VBR method", method, -1, 3);
    m_settings.vbrMethod = method;
    m_settings.preset = m_settings.altPreset = 0;
    m_settings.abrBitrate = 0;
}

void Mp3LameEncoder::chooseAbr(int kbps) {
    checkBitrate("average bitrate", kbps);
    m_settings.abrBitrate = kbps;
    m_settings.preset = m_settings.altPreset = 0;
}

// A preset or a VBR method chosen from outside starts a new set-up.
void Mp3LameEncoder::SetPreset(int preset) {
    checkRange("preset", preset, 0, 11);
    endCommandLineChoices();
    choosePreset(preset);
}

void Mp3LameEncoder::SetAltPreset(int altPreset) {
    checkRange("alternative preset", altPreset, 0, 5);
    endCommandLineChoices();
    chooseAltPreset(altPreset);
}

// The plain-mode setters end a preset chosen before, so that turning presets
// off in the settings takes effect with the next file.
void Mp3LameEncoder::SetBitrate(int kbps) {
    checkBitrate("bitrate", kbps);
    m_settings.bitrate = kbps;
    m_settings.preset = m_settings.altPreset = 0;
}

void Mp3LameEncoder::SetVbrMethod(int method) {
    checkRange("VBR method", method, -1, 3);
    endCommandLineChoices();
    chooseVbrMethod(method);
}

void Mp3LameEncoder::SetVbrBitrate(int kbps) {
    checkBitrate("VBR bitrate", kbps);
    m_settings.vbrBitrate = kbps;
}

void Mp3LameEncoder::SetVbrQuality(int quality) {
    checkRange("VBR quality", quality, 0, 9);
    m_settings.vbrQuality = quality;
}

// A later channel mode ends mono output, as a later SetMono(1) ends stereo.
void Mp3LameEncoder::SetChannelMode(int mode) {
    checkRange("channel mode", mode, 0, 4);
    m_settings.channelMode = mode;
}

void Mp3LameEncoder::SetMono(int on) {
    if (on)
        m_settings.channelMode = 0;
    else if (m_settings.channelMode == 0)
        m_settings.channelMode = 1;
}

void Mp3LameEncoder::SetQuality(int quality) {
    checkRange("quality", quality, 0, 9);
    m_settings.quality = quality;
}

void Mp3LameEncoder::SetDeemphasis(int mode) {
    checkRange("de-emphasis", mode, 0, 2);
    m_settings.deemphasis = mode;
}

void Mp3LameEncoder::SetAthMode(int mode) {
    checkRange("ATH mode", mode, 0, 3);
    m_settings.athMode = mode;
}

void Mp3LameEncoder::SetLowpassFrequency(int hz) {
    checkFrequency("low-pass frequency", hz);
    m_settings.lowpassFrequency = hz;
}

void Mp3LameEncoder::SetHighpassFrequency(int hz) {
    checkFrequency("high-pass frequency", hz);
    m_settings.highpassFrequency = hz;
}

void Mp3LameEncoder::SetLowpassWidth(int hz) {
    checkFrequency("low-pass width", hz);
    m_settings.lowpassWidth = hz;
}

void Mp3LameEncoder::SetHighpassWidth(int hz) {
    checkFrequency("high-pass width", hz);
    m_settings.highpassWidth = hz;
}

void Mp3LameEncoder::SetSampleRate(int hz) {
    for (int rate : LookupTables::SampleRateTable)
        if (rate == hz) {
            m_settings.sampleRate = hz;
            return;
        }
    throw ComponentError(
        QStringLiteral("MP3 cannot be made at %1 Hz; it takes 8000 to 48000 Hz in the usual steps.")
            .arg(hz));
}

void Mp3LameEncoder::SetWriteVbrHeader(int on) {
    m_settings.writeVbrHeader = on != 0;
}
void Mp3LameEncoder::SetBitReservoir(int on) {
    m_settings.bitReservoir = on != 0;
}
void Mp3LameEncoder::SetAllowDiffBlocks(int on) {
    m_settings.allowDiffBlocks = on != 0;
}
void Mp3LameEncoder::SetShortBlocks(int on) {
    m_settings.shortBlocks = on != 0;
}
void Mp3LameEncoder::SetStrictIso(int on) {
    m_settings.strictIso = on != 0;
}
void Mp3LameEncoder::SetEnforceMinBitrate(int on) {
    m_settings.enforceMinBitrate = on != 0;
}
void Mp3LameEncoder::SetCrc(int on) {
    m_settings.crc = on != 0;
}
