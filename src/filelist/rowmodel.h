#pragma once

#include "filelist/rowvalues.h"
#include "values/rowtag.h"

#include <QAbstractTableModel>
#include <QList>
#include <QVector>

// The rows of the list: what each shows (caption, time, target format,
// status), where it comes from (a file's path; empty for a CD track), whether
// it is ticked, and the tags it carries into its output file. A row and its
// tags come and go together.
class RowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColName = 0, ColTime, ColTarget, ColStatus, ColPath, ColumnCount };
    // CD tracks have a tick box; converter rows have none.
    enum class Tick { None, Ticked, Unticked };

    static constexpr const char* Unconverted = "Unconverter";

    struct Row {
        QString caption;
        QString time;
        QString target;
        QString status = QLatin1String(Unconverted);
        QString sourcePath;
        Tick tick = Tick::None;
        RowTag tag;
        QString statusDetail; // the status at length, as its tooltip; empty: the status itself
        // CD rows: the disc's track, from 0, or Disc::HiddenTrack; -1
        // where the row's place in the list is its track.
        int track = -1;
        QString statusSpoken{}; // the status in words, where it has marks; empty: the status itself
    };

    // The row a file added to the list makes.
    static Row rowOf(const RowValues& values);

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    int count() const { return m_rows.size(); }
    const Row& row(int index) const { return m_rows.at(index); }
    const QVector<Row>& rows() const { return m_rows; }

    // Puts `rows` in place of all rows at once.
    void setRows(QVector<Row> rows);
    void append(const Row& row);
    // Removes the given rows (in any order; repeats and rows outside the list are ignored).
    void removeRows(QList<int> rows);
    void clear();

    void setTarget(int row, const QString& target);
    void setAllTargets(const QString& target);
    // spoken: the status in words for a screen reader, where it shows marks.
    void setStatus(int row, const QString& status, const QString& detail = {},
                   const QString& spoken = {});
    // Ticks or unticks every row that has a tick box.
    void tickAll(bool ticked);
    bool isTicked(int row) const { return m_rows.at(row).tick == Tick::Ticked; }

    const RowTag& tag(int row) const { return m_rows.at(row).tag; }
    // A tag edit's text into that field of the given rows; the others keep theirs.
    void storeTag(RowTagField field, const QString& text, const QList<int>& rows);
    // An "All" button: the text, empty or not, into that field of every row.
    void storeTagInAllRows(RowTagField field, const QString& text);

private:
    bool valid(int row) const { return row >= 0 && row < m_rows.size(); }
    void changed(int row, int column);

    QVector<Row> m_rows;
};
