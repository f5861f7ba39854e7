#pragma once

#include <QString>

// Section "AccurateRip" keeps each drive model's read offset in samples
// under a key of its own, so that a drive set up once stays set up.
namespace DriveOffsetKeys {
inline constexpr const char* Section = "AccurateRip";
inline constexpr int MaxOffset = 3000; // samples either way

// "offset VENDOR PRODUCT", with anything an INI key cannot hold made "_".
inline QString keyFor(const QString& vendor, const QString& product) {
    QString key = QStringLiteral("offset %1 %2").arg(vendor.trimmed(), product.trimmed());
    for (QChar& c : key)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char(' ') &&
            c != QLatin1Char('-') && c != QLatin1Char('.') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    return key.trimmed();
}
} // namespace DriveOffsetKeys
