#include "WorldTableModel.h"

#include "ByteText.h"

WorldTableModel::WorldTableModel(const WorldTableDataSource& source, QObject* parent)
    : QAbstractTableModel(parent), source_(source)
{
}

int WorldTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : source_.numberOfRowsInTableView();
}

int WorldTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(kColumnIdentifiers.size());
}

QVariant WorldTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const std::string_view value = source_.objectValueForTableColumn(
        kColumnIdentifiers[static_cast<std::size_t>(index.column())], index.row());
    // A cell shows a few dozen characters; handing the view a huge value
    // (a script may hold a line of megabytes) makes it lay out every
    // character on each paint, and the window freezes.
    const std::size_t shown = role == Qt::ToolTipRole ? kToolTipBytes : kCellBytes;
    if (value.size() <= shown)
        return ByteText::toDisplay(value);
    return ByteText::toDisplay(value.substr(0, shown)) + QChar(0x2026);
}

QVariant WorldTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const std::string_view id = kColumnIdentifiers[static_cast<std::size_t>(section)];
    return QString::fromLatin1(id.data(), static_cast<qsizetype>(id.size()));
}

void WorldTableModel::reloadData()
{
    beginResetModel();
    endResetModel();
}

void WorldTableModel::rowChanged(int row)
{
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
