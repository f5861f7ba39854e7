#pragma once

#include <QString>

// The tags a row of the list carries into its output file: the three the
// window edits, and the year a disc database gave.
struct RowTag {
    QString title;
    QString artist;
    QString album;
    QString year = {}; // "1987"; empty when none is known

    bool operator==(const RowTag& other) const {
        return title == other.title && artist == other.artist && album == other.album &&
               year == other.year;
    }
    bool operator!=(const RowTag& other) const { return !(*this == other); }
};

// Which of a row's tags a tag edit and its "All" button change.
enum class RowTagField { Title, Artist, Album };
