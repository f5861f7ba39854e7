#pragma once

#include "tags/rowtag.h"

#include <QMetaType>
#include <QString>

// What one row of the converter's list holds when a file is added.
struct RowValues {
    QString Caption; // the file's name without its folder, extension kept
    QString Time;    // FormatDuration of the file's duration
    QString Target;  // the output format's text: "MP3", "WAV", "WMA", "OGG" or "RM"
    QString Status;  // "Unconverter" until the row is converted
    QString Path;    // the source file's full path
    RowTag Tag;
    int DurationMs = 0;

    bool operator==(const RowValues& other) const {
        return Caption == other.Caption && Time == other.Time && Target == other.Target &&
               Status == other.Status && Path == other.Path && Tag == other.Tag &&
               DurationMs == other.DurationMs;
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
