#pragma once

#include <QString>

// The tags a row of the list carries into its output file: the three the
// window edits, and the year a disc database gave.
struct RowTag {
    QString Title;
    QString Artist;
    QString Album;
    QString Year = {}; // "1987"; empty when none is known

    bool operator==(const RowTag& other) const {
        return Title == other.Title && Artist == other.Artist && Album == other.Album &&
               Year == other.Year;
    }
    bool operator!=(const RowTag& other) const { return !(*this == other); }
};

// Which of a row's tags a tag edit and its "All" button change.
enum class RowTagField { Title, Artist, Album };
