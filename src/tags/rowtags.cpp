#include "tags/rowtags.h"

void RowTags::resize(int count) {
    m_tags.resize(count < 0 ? 0 : count);
}

void RowTags::store(int row, RowTagField field, const QString& text) {
    if (row < 0)
        return;
    if (row >= size())
        resize(row + 1);
    RowTag& tag = m_tags[row];
    switch (field) {
    case RowTagField::Title:
        tag.title = text;
        break;
    case RowTagField::Artist:
        tag.artist = text;
        break;
    case RowTagField::Album:
        tag.album = text;
        break;
    }
}

void RowTags::storeInRows(RowTagField field, const QString& text, const QList<int>& selectedRows) {
    for (int row : selectedRows)
        store(row, field, text);
}

void RowTags::storeInAllRows(RowTagField field, const QString& text, int rowCount) {
    for (int row = 0; row < rowCount; ++row)
        store(row, field, text);
}
