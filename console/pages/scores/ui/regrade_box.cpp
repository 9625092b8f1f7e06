#include "console/pages/scores/ui/regrade_box.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace mendrix::scores {

namespace {

QTableWidgetItem* cell(const std::string& text, bool changed = false) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    if (changed) {
        item->setForeground(Qt::red);
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
    }
    return item;
}

}  // namespace

bool showRegradeReview(QWidget* parent, const RegradeReview& review) {
    QDialog box(parent);
    box.setObjectName("RegradeReview");
    box.setWindowTitle(QString::fromStdString(review.title));
    box.resize(760, 460);
    auto* layout = new QVBoxLayout(&box);
    auto* summary = new QLabel(QString::fromStdString(review.summary), &box);
    summary->setObjectName("RegradeSummary");
    layout->addWidget(summary);

    auto* table = new QTableWidget(static_cast<int>(review.rows.size()), static_cast<int>(review.titles.size()), &box);
    table->setObjectName("RegradeTable");
    QStringList titles;
    for (const std::string& t : review.titles) titles << QString::fromStdString(t);
    table->setHorizontalHeaderLabels(titles);
    for (int r = 0; r < static_cast<int>(review.rows.size()); ++r) {
        const kav::regrade::TableRow& row = review.rows[r];
        int c = 0;
        table->setItem(r, c++, cell(row.admission));
        table->setItem(r, c++, cell(row.name));
        for (const kav::regrade::TableCell& part : row.parts) table->setItem(r, c++, cell(part.text, part.changed));
        table->setItem(r, c, cell(row.note));
    }
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);

    auto* buttons = new QDialogButtonBox(&box);
    if (review.asksToStore) {
        buttons->addButton(QString::fromUtf8("确定"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QString::fromUtf8("取消"), QDialogButtonBox::RejectRole);
    } else {
        buttons->addButton(QString::fromUtf8("关闭"), QDialogButtonBox::RejectRole);
    }
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    return box.exec() == QDialog::Accepted && review.asksToStore;
}

}  // namespace mendrix::scores
