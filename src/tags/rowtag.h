#pragma once

#include <QString>
#include <QVector>

// The title, artist and album of one row of the list.
struct RowTag {
    QString Title;
    QString Artist;
    QString Album;
};

// Entry i belongs to row i of the list.
using RowTags = QVector<RowTag>;
