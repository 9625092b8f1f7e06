#include "console/base/binding/ui/bound_grid.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>

namespace kav::console {
namespace {

constexpr int kWidestColumnCharacters = 20;

// Cell editors that keep to the column: a multi-line box for a memo (a
// one-line box would lose its lines, Tab moves on), else Qt's own.
class BoundCellDelegate : public QStyledItemDelegate {
public:
    BoundCellDelegate(TableBinding& binding, BoundTableModel& model, QObject* parent)
        : QStyledItemDelegate(parent), binding_(binding), model_(model) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        int column = model_.tableColumn(index.column());
        if (!isMemo(column)) return QStyledItemDelegate::createEditor(parent, option, index);
        auto* memo = new QPlainTextEdit(parent);
        memo->setTabChangesFocus(true);
        return memo;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* memo = qobject_cast<QPlainTextEdit*>(editor))
            memo->setPlainText(index.data(Qt::EditRole).toString());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        if (auto* memo = qobject_cast<QPlainTextEdit*>(editor))
            model->setData(index, memo->toPlainText(), Qt::EditRole);
        else
            QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    bool isMemo(int column) const { return binding_.definition().columns.at(column).type == db::ColumnType::Memo; }

    TableBinding& binding_;
    BoundTableModel& model_;
};

}  // namespace

BoundTableModel::BoundTableModel(TableBinding& binding, const std::vector<GridColumn>& columns, QObject* parent)
    : QAbstractTableModel(parent), binding_(binding) {
    for (const GridColumn& c : columns) {
        columns_.push_back(binding.columnIndex(c.column));
        captions_.push_back(c.caption);
    }
}

int BoundTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : binding_.rowCount(); }

int BoundTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant BoundTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != kSortRole)) return {};
    const int column = columns_.at(index.column());
    const QString text = QString::fromStdString(binding_.cellText(index.row() + 1, column));
    if (role != kSortRole) return text;
    switch (binding_.definition().columns.at(column).type) {
        case db::ColumnType::AutoNumber:
        case db::ColumnType::Int16:
        case db::ColumnType::Int32: {
            bool number = false;
            const qlonglong value = text.toLongLong(&number);
            return number ? QVariant(value) : QVariant();
        }
        default: return text;
    }
}

QVariant BoundTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return captions_.value(section);
    // The row indicator: the current row, marked "*" while it is being inserted.
    if (section + 1 != binding_.currentRow()) return QString();
    return binding_.isInserting() ? QStringLiteral("*") : QStringLiteral("▶");
}

Qt::ItemFlags BoundTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && !binding_.isReadOnly(columns_.at(index.column()))) f |= Qt::ItemIsEditable;
    return f;
}

bool BoundTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.row() + 1 != binding_.currentRow()) return false;
    int column = columns_.at(index.column());
    std::string typed = value.toString().toStdString();
    if (typed != binding_.text(column)) binding_.setText(column, std::move(typed));
    return true;
}

void BoundTableModel::bindingChanged(TableBinding::Change change) {
    if (change == TableBinding::Change::Rows) {
        beginResetModel();
        endResetModel();
        return;
    }
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

BoundGrid::BoundGrid(TableBinding& binding, const std::vector<GridColumn>& columns, QWidget* parent)
    : QTableView(parent),
      binding_(binding),
      model_(new BoundTableModel(binding, columns, this)),
      subscription_(binding, [this](TableBinding::Change change) {
          model_->bindingChanged(change);
          if (change == TableBinding::Change::Rows) resizeColumnsToContents();
          showCurrentRow();
      }) {
    setModel(model_);
    setItemDelegate(new BoundCellDelegate(binding, *model_, this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setMinimumSectionSize(fontMetrics().horizontalAdvance(QStringLiteral("字字字")));
    // A long stem or option sized to its contents would push the later columns off the screen.
    horizontalHeader()->setMaximumSectionSize(fontMetrics().horizontalAdvance(QString(kWidestColumnCharacters, u'字')));
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { currentRowChanged(current); });
    resizeColumnsToContents();
    showCurrentRow();
}

void BoundGrid::sortByHeader() {
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSortRole(BoundTableModel::kSortRole);
    sorted_->setSourceModel(model_);
    setModel(sorted_);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { currentRowChanged(current); });
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);  // in table order until a click
    setSortingEnabled(true);
    showCurrentRow();
}

QModelIndex BoundGrid::shown(const QModelIndex& source) const { return sorted_ ? sorted_->mapFromSource(source) : source; }

int BoundGrid::tableRow(const QModelIndex& viewIndex) const {
    return (sorted_ ? sorted_->mapToSource(viewIndex) : viewIndex).row() + 1;
}

void BoundGrid::currentRowChanged(const QModelIndex& current) {
    // When the save is refused the cursor stays, and the binding's notice
    // brings the grid back to its row.
    if (!showing_ && current.isValid()) binding_.moveToRow(tableRow(current));
}

void BoundGrid::showCurrentRow() {
    int row = binding_.currentRow() - 1;
    if (row < 0 || row >= model_->rowCount()) return;
    int column = std::max(currentIndex().column(), 0);
    showing_ = true;
    const QModelIndex current = shown(model_->index(row, column));
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(current);  // a row added after the last is brought into view
    showing_ = false;
}

}  // namespace kav::console
