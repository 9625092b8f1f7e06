#pragma once
// The grid view of a bound table: a QTableView over a model that reads every
// row through the cursor's snapshot without moving it. Selecting another row
// moves the cursor through the binding (which first saves the pending change);
// a cell edit is typed into the binding like any bound field.
#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <optional>
#include <string>
#include <vector>

#include "console/base/binding/table_binding.h"

namespace kav::console {

struct GridColumn {
    std::string column;  // the table's column name
    QString caption;     // the heading shown
};

class BoundTableModel : public QAbstractTableModel {
public:
    // A cell as it sorts: a number column's value as a number (an empty cell
    // before every number), any other column's text by its characters.
    static constexpr int kSortRole = Qt::UserRole;

    BoundTableModel(TableBinding& binding, const std::vector<GridColumn>& columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Only the current row takes edits: the grid moves the cursor first.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    int tableColumn(int gridColumn) const { return columns_.at(gridColumn); }
    void bindingChanged(TableBinding::Change change);

private:
    TableBinding& binding_;
    std::vector<int> columns_;  // table column of each grid column
    QStringList captions_;
};

class BoundGrid : public QTableView {
public:
    BoundGrid(TableBinding& binding, const std::vector<GridColumn>& columns, QWidget* parent = nullptr);
    BoundTableModel* boundModel() const { return model_; }
    // A click on a heading sorts the rows shown by that column (again: the
    // other way); the table and its row numbers keep their order.
    void sortByHeader();

private:
    void currentRowChanged(const QModelIndex& current);
    void showCurrentRow();
    QModelIndex shown(const QModelIndex& source) const;  // the view's index of a model index
    int tableRow(const QModelIndex& viewIndex) const;    // 1-based

    TableBinding& binding_;
    BoundTableModel* model_;
    QSortFilterProxyModel* sorted_ = nullptr;
    bool showing_ = false;  // the grid follows the cursor; not a user's move
    BindingSubscription subscription_;
};

}  // namespace kav::console
