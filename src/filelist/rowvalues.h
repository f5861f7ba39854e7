#pragma once

#include "values/rowtag.h"

#include <QMetaType>
#include <QString>

// What one row of the converter's list holds when a file is added.
struct RowValues {
    QString caption; // the file's name without its folder, extension kept
    QString time;    // formatDuration of the file's duration
    QString target;  // the output format's text: "MP3", "WAV", "WMA", "OGG" or "RM"
    QString status;  // "Unconverter" until the row is converted
    QString path;    // the source file's full path
    RowTag tag;
    int durationMs = 0;

    bool operator==(const RowValues& other) const {
        return caption == other.caption && time == other.time && target == other.target &&
               status == other.status && path == other.path && tag == other.tag &&
               durationMs == other.durationMs;
    }
};
Q_DECLARE_METATYPE(RowValues)

namespace RowTexts {
// The status of a row that has not been converted yet (sic: the list has always said so).
inline const QString Unconverted = QStringLiteral("Unconverter");
// A video's tags: it has none that Orvelle reads.
inline const RowTag VideoTag{QStringLiteral("Unknown Title"), QStringLiteral("Unknown Artist"),
                             QStringLiteral("Unknown Album")};
} // namespace RowTexts
