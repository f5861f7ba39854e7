#include "settings/mainchoices.h"

#include <QStringList>

namespace {

// By OutputFormat.
const char* const FormatTexts[] = {"MP3", "WAV", "WMA", "OGG", "RM", "SET", "FLAC", "OPUS"};
const char* const FormatNames[] = {"MP3", "WAV", "WMA", "Ogg", "RM", "SET", "FLAC", "Opus"};

} // namespace

QString formatText(int format) {
    if (format < FormatMp3 || format > FormatOpus)
        return {};
    return QLatin1String(FormatTexts[format]);
}

std::optional<OutputFormat> formatFromText(const QString& text) {
    for (OutputFormat format : ListedFormats)
        if (text == QLatin1String(FormatTexts[format]))
            return format;
    return std::nullopt;
}

QString formatName(OutputFormat format) {
    return isOutputFormat(format) ? QLatin1String(FormatNames[format]) : QString();
}

QVector<OutputFormat> formatsNamed(const QString& list) {
    QVector<OutputFormat> formats;
    for (const QString& name : list.split(QLatin1Char(','))) {
        const std::optional<OutputFormat> format = formatFromText(name.trimmed().toUpper());
        if (format && !formats.contains(*format))
            formats << *format;
    }
    return formats;
}

QString formatsText(const QVector<OutputFormat>& formats) {
    QStringList names;
    for (OutputFormat format : formats)
        names << formatText(format);
    return names.join(QLatin1Char(','));
}
