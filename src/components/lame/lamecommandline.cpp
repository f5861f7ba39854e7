#include "components/lame/lamecommandline.h"

#include "components/componenterror.h"
#include "settings/lookuptables.h"

#include <algorithm>
#include <cmath>
#include <QRegularExpression>
#include <QStringList>

namespace {

int checkRange(const char* what, int value, int low, int high) {
    if (value < low || value > high)
        throw ComponentError(QStringLiteral("The MP3 %1 %2 is outside %3 to %4.")
                                 .arg(QLatin1String(what))
                                 .arg(value)
                                 .arg(low)
                                 .arg(high));
    return value;
}

int checkBitrate(const char* what, int kbps) {
    return checkRange(what, kbps, 8, 320);
}

// -1: off, or LAME's choice.
int checkFrequency(const char* what, int hz) {
    return hz == -1 ? hz : checkRange(what, hz, 0, 48000);
}

int checkSampleRate(int hz) {
    for (int rate : LookupTables::SampleRateTable)
        if (rate == hz)
            return hz;
    throw ComponentError(
        QStringLiteral("MP3 cannot be made at %1 Hz; it takes 8000 to 48000 Hz in the usual steps.")
            .arg(hz));
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

// Reads a command line onto the settings it was given.
class LameSwitches {
public:
    explicit LameSwitches(LameSettings& settings) : m_settings(settings) {}
    void apply(const QString& commandLine);

private:
    void applySwitch(const QString& name, const QString& value);
    void applyPreset(const QString& name, const QString& value);
    // The mode choices of the command line, which keep its other switches.
    void choosePreset(int preset);
    void chooseAltPreset(int altPreset);
    void chooseVbrMethod(int method);
    void chooseAbr(int kbps);

    LameSettings& m_settings;
};

} // namespace

void applyLameCommandLine(LameSettings& settings, const QString& commandLine) {
    LameSwitches(settings).apply(commandLine);
}

QString lameCommandLineError(const QString& commandLine) {
    // Every switch checks only its own value, so a line that fresh settings
    // take is taken after any other settings as well.
    LameSettings scratch;
    try {
        applyLameCommandLine(scratch, commandLine);
    } catch (const ComponentError& error) {
        return error.message();
    }
    return {};
}

void checkLameSettings(const LameSettings& s) {
    checkRange("preset", s.preset, 0, 11);
    checkRange("alternative preset", s.altPreset, 0, 5);
    checkBitrate("bitrate", s.bitrate);
    checkBitrate("VBR bitrate", s.vbrBitrate);
    checkRange("VBR quality", int(s.vbrQuality), 0, 9);
    checkRange("VBR method", s.vbrMethod, -1, 3);
    checkRange("channel mode", s.channelMode, 0, 4);
    checkRange("quality", s.quality, 0, 9);
    checkRange("de-emphasis", s.deemphasis, 0, 2);
    checkRange("ATH mode", s.athMode, 0, 3);
    checkFrequency("low-pass frequency", s.lowpassFrequency);
    checkFrequency("high-pass frequency", s.highpassFrequency);
    checkFrequency("low-pass width", s.lowpassWidth);
    checkFrequency("high-pass width", s.highpassWidth);
    checkSampleRate(s.sampleRate);
}

void LameSwitches::apply(const QString& commandLine) {
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

void LameSwitches::applySwitch(const QString& name, const QString& value) {
    if (!takesValue(name) && !value.isEmpty())
        throw SwitchError(
            QStringLiteral("The LAME switch \"%1\" takes no value (\"%2\").").arg(name, value));
    if (name == QLatin1String("-b")) {
        m_settings.bitrate = checkBitrate("bitrate", integerValue(name, value));
        m_settings.preset = m_settings.altPreset = 0; // a constant bitrate ends a preset
    } else if (name == QLatin1String("-B")) {
        m_settings.vbrBitrate = checkBitrate("VBR bitrate", integerValue(name, value));
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
        m_settings.quality = checkRange("quality", integerValue(name, value), 0, 9);
    } else if (name == QLatin1String("-h")) {
        m_settings.quality = 2;
    } else if (name == QLatin1String("-f")) {
        m_settings.quality = 7;
    } else if (name == QLatin1String("-m")) {
        // mono, stereo, joint, forced joint, dual; "a" (auto) is joint stereo since LAME 3.95
        static const QString modes = QStringLiteral("msjfd");
        int mode = value.size() == 1 ? int(modes.indexOf(value)) : -1;
        if (value == QLatin1String("a"))
            mode = 2;
        if (mode < 0)
            badValue(name, value);
        if (mode == 0)
            m_settings.channelMode = 0;
        else
            m_settings.channelMode = mode;
    } else if (name == QLatin1String("-a")) {
        m_settings.channelMode = 0;
    } else if (name == QLatin1String("--resample")) {
        m_settings.sampleRate = checkSampleRate(hertzValue(name, value));
    } else if (name == QLatin1String("-t")) {
        m_settings.writeVbrHeader = false;
    } else if (name == QLatin1String("-p")) {
        m_settings.crc = true;
    } else if (name == QLatin1String("-c")) {
        m_settings.copyright = true;
    } else if (name == QLatin1String("-o")) {
        m_settings.original = false;
    } else if (name == QLatin1String("-k")) {
        m_settings.keepAllFrequencies = true;
        m_settings.lowpassFrequency = m_settings.highpassFrequency = -1;
    } else if (name == QLatin1String("-F")) {
        m_settings.enforceMinBitrate = true;
    } else if (name == QLatin1String("-e")) {
        static const QStringList emphases{QStringLiteral("n"), QStringLiteral("5"),
                                          QStringLiteral("c")};
        const int mode = int(emphases.indexOf(value));
        if (mode < 0)
            badValue(name, value);
        m_settings.deemphasis = mode;
    } else if (name == QLatin1String("--nores")) {
        m_settings.bitReservoir = false;
    } else if (name == QLatin1String("--noshort")) {
        m_settings.shortBlocks = false;
    } else if (name == QLatin1String("--short")) {
        m_settings.shortBlocks = true;
    } else if (name == QLatin1String("--allow-diff-short") || name == QLatin1String("-d")) {
        m_settings.allowDiffBlocks = true;
    } else if (name == QLatin1String("--strictly-enforce-ISO")) {
        m_settings.strictIso = true;
    } else if (name == QLatin1String("--athonly")) {
        m_settings.athMode = 1;
    } else if (name == QLatin1String("--noath")) {
        m_settings.athMode = 2;
    } else if (name == QLatin1String("--athshort")) {
        m_settings.athMode = 3;
    } else if (name == QLatin1String("--lowpass")) {
        m_settings.lowpassFrequency = checkFrequency("low-pass frequency", hertzValue(name, value));
    } else if (name == QLatin1String("--lowpass-width")) {
        m_settings.lowpassWidth = checkFrequency("low-pass width", hertzValue(name, value));
    } else if (name == QLatin1String("--highpass")) {
        m_settings.highpassFrequency =
            checkFrequency("high-pass frequency", hertzValue(name, value));
    } else if (name == QLatin1String("--highpass-width")) {
        m_settings.highpassWidth = checkFrequency("high-pass width", hertzValue(name, value));
    } else if (name == QLatin1String("--preset") || name == QLatin1String("--alt-preset")) {
        applyPreset(name, value);
    } else if (!onlyForTheTerminal(name)) {
        throw SwitchError(QStringLiteral("The LAME switch \"%1\" is not one that Orvelle's MP3 "
                                         "settings can take.")
                              .arg(name));
    }
}

void LameSwitches::applyPreset(const QString& name, const QString& value) {
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
        m_settings.bitrate = checkBitrate("bitrate", cbr);
        chooseVbrMethod(-1);
    } else {
        badValue(name, value);
    }
}

void LameSwitches::choosePreset(int preset) {
    checkRange("preset", preset, 0, 11);
    m_settings.preset = preset;
    m_settings.altPreset = 0;
    m_settings.abrBitrate = 0;
}

void LameSwitches::chooseAltPreset(int altPreset) {
    checkRange("alternative preset", altPreset, 0, 5);
    m_settings.altPreset = altPreset;
    m_settings.preset = 0;
    m_settings.abrBitrate = 0;
}

void LameSwitches::chooseVbrMethod(int method) {
    checkRange("VBR method", method, -1, 3);
    m_settings.vbrMethod = method;
    m_settings.preset = m_settings.altPreset = 0;
    m_settings.abrBitrate = 0;
}

void LameSwitches::chooseAbr(int kbps) {
    checkBitrate("average bitrate", kbps);
    m_settings.abrBitrate = kbps;
    m_settings.preset = m_settings.altPreset = 0;
}
