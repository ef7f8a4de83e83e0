#pragma once

#include <QAbstractTableModel>
#include <array>
#include <string_view>

// What the world table asks of the controller: the row count and one cell.
class WorldTableDataSource {
public:
    virtual int numberOfRowsInTableView() const = 0;
    // The value of record `rowIndex` under the key `identifier`; "" when it lacks the key.
    virtual std::string_view objectValueForTableColumn(std::string_view identifier,
                                                       int rowIndex) const = 0;

protected:
    ~WorldTableDataSource() = default;
};

// The world table's columns, each identified by the record key it shows.
// Passwords are never among them.
class WorldTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr std::array<std::string_view, 5> kColumnIdentifiers = {
        "World", "Type", "Character", "Host", "Port"};

    // How much of a value a cell and its tool tip show at most.
    static constexpr std::size_t kCellBytes = 256;
    static constexpr std::size_t kToolTipBytes = 1024;

    explicit WorldTableModel(const WorldTableDataSource& source, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Ask the data source again for everything.
    void reloadData();
    // Finer updates, which keep the table's selection on the rows it was on:
    // each runs `change` on the data source between the model's notices.
    template <class F>
    void insertLastRow(F&& change)
    {
        const int row = rowCount();
        beginInsertRows({}, row, row);
        change();
        endInsertRows();
    }
    template <class F>
    void deleteRow(int row, F&& change)
    {
        beginRemoveRows({}, row, row);
        change();
        endRemoveRows();
    }
    void rowChanged(int row);

private:
    const WorldTableDataSource& source_;
};
