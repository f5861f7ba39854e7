#include "settings/mainchoices.h"

namespace {

// By OutputFormat.
const char* const FormatTexts[] = {"MP3", "WAV", "WMA", "OGG", "RM", "SET", "FLAC", "OPUS"};

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
