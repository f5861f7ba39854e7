#pragma once

#include <QString>

// The three tags a row of the list carries into its output file.
struct RowTag {
    QString Title;
    QString Artist;
    QString Album;

    bool operator==(const RowTag& other) const {
        return Title == other.Title && Artist == other.Artist && Album == other.Album;
    }
    bool operator!=(const RowTag& other) const { return !(*this == other); }
};

// Which of a row's tags a tag edit and its "All" button change.
enum class RowTagField { Title, Artist, Album };
