#include "filelist/rowmodel.h"

#include <algorithm>

namespace {

QString& field(RowTag& tag, RowTagField which) {
    switch (which) {
    case RowTagField::Artist:
        return tag.artist;
    case RowTagField::Album:
        return tag.album;
    case RowTagField::Title:
        break;
    }
    return tag.title;
}

} // namespace

RowModel::Row RowModel::rowOf(const RowValues& values) {
    Row row;
    row.caption = values.caption;
    row.time = values.time;
    row.target = values.target;
    row.status = values.status;
    row.sourcePath = values.path;
    row.tag = values.tag;
    return row;
}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows.size();
}

int RowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !valid(index.row()))
        return {};
    const Row& row = m_rows[index.row()];
    if (role == Qt::DisplayRole || role == Qt::EditRole || role == Qt::ToolTipRole) {
        if (role == Qt::ToolTipRole && index.column() == ColStatus)
            return row.statusDetail.isEmpty() ? row.status : row.statusDetail;
        if (role == Qt::ToolTipRole && index.column() != ColName)
            return {};
        switch (index.column()) {
        case ColName:
            return row.caption;
        case ColTime:
            return row.time;
        case ColTarget:
            return row.target;
        case ColStatus:
            return row.status;
        case ColPath:
            return row.sourcePath;
        default:
            return {};
        }
    }
    if (role == Qt::CheckStateRole && index.column() == ColName && row.tick != Tick::None)
        return row.tick == Tick::Ticked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::AccessibleTextRole && index.column() == ColStatus)
        return row.statusSpoken.isEmpty() ? row.status : row.statusSpoken;
    if (role == Qt::AccessibleDescriptionRole && index.column() == ColStatus)
        return row.statusDetail;
    return {};
}

bool RowModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !valid(index.row()))
        return false;
    Row& row = m_rows[index.row()];
    if (role == Qt::CheckStateRole && index.column() == ColName && row.tick != Tick::None) {
        row.tick = value.toInt() == Qt::Checked ? Tick::Ticked : Tick::Unticked;
        changed(index.row(), ColName);
        return true;
    }
    if (role == Qt::EditRole && index.column() == ColTarget) {
        setTarget(index.row(), value.toString());
        return true;
    }
    return false;
}

Qt::ItemFlags RowModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !valid(index.row()))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == ColName && m_rows[index.row()].tick != Tick::None)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const captions[] = {"File  Name", "Time", "Target", "Status", "Path"};
    return section >= 0 && section < ColumnCount ? QLatin1String(captions[section]) : QVariant();
}

void RowModel::setRows(QVector<Row> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void RowModel::append(const Row& row) {
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size());
    m_rows.append(row);
    endInsertRows();
}

void RowModel::removeRows(QList<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the last, so that the earlier numbers still hold.
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (!valid(*it))
            continue;
        beginRemoveRows(QModelIndex(), *it, *it);
        m_rows.removeAt(*it);
        endRemoveRows();
    }
}

void RowModel::clear() {
    setRows({});
}

void RowModel::changed(int row, int column) {
    const QModelIndex at = index(row, column);
    emit dataChanged(at, at);
}

void RowModel::setTarget(int row, const QString& target) {
    if (!valid(row))
        return;
    m_rows[row].target = target;
    changed(row, ColTarget);
}

void RowModel::setAllTargets(const QString& target) {
    for (int row = 0; row < m_rows.size(); ++row)
        m_rows[row].target = target;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, ColTarget), index(m_rows.size() - 1, ColTarget));
}

void RowModel::setStatus(int row, const QString& status, const QString& detail,
                         const QString& spoken) {
    if (!valid(row))
        return;
    m_rows[row].status = status;
    m_rows[row].statusDetail = detail;
    m_rows[row].statusSpoken = spoken;
    changed(row, ColStatus);
}

void RowModel::tickAll(bool ticked) {
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].tick == Tick::None)
            continue;
        m_rows[row].tick = ticked ? Tick::Ticked : Tick::Unticked;
        changed(row, ColName);
    }
}

void RowModel::storeTag(RowTagField which, const QString& text, const QList<int>& rows) {
    for (int row : rows)
        if (valid(row))
            field(m_rows[row].tag, which) = text;
}

void RowModel::storeTagInAllRows(RowTagField which, const QString& text) {
    for (Row& row : m_rows)
        field(row.tag, which) = text;
}
