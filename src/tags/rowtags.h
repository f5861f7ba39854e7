#pragma once

#include "values/rowtag.h"

#include <QList>

// The tags of the list's rows: entry i belongs to row i. It may hold more
// entries than the list has rows; those carry no meaning.
class RowTags {
public:
    int size() const { return int(m_tags.size()); }
    // Grows (with empty tags) or shrinks to exactly 'count' entries.
    void resize(int count);
    RowTag& operator[](int row) { return m_tags[row]; }
    const RowTag& at(int row) const { return m_tags.at(row); }
    void append(const RowTag& tag) { m_tags.append(tag); }
    void insert(int row, const RowTag& tag) { m_tags.insert(row, tag); }
    void removeAt(int row) { m_tags.removeAt(row); }
    void clear() { m_tags.clear(); }

    // A tag edit lost the focus: its text goes into that field of the selected
    // rows; the other rows keep theirs.
    void storeInRows(RowTagField field, const QString& text, const QList<int>& selectedRows);
    // An "All" button: the edit's text, empty or not, goes into that field of
    // each of the list's rowCount rows.
    void storeInAllRows(RowTagField field, const QString& text, int rowCount);

private:
    void store(int row, RowTagField field, const QString& text);

    QList<RowTag> m_tags;
};
