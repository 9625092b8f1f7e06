#include "console/base/binding/ui/navigators.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QToolButton>

namespace kav::console {

NavigationStrip::NavigationStrip(TableBinding& binding, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto add = [&](const char* caption, auto action) {
        auto* button = new QPushButton(QString::fromUtf8(caption), this);
        connect(button, &QPushButton::clicked, this, [target = &binding, action] { (target->*action)(); });
        layout->addWidget(button);
    };
    add("起点", &TableBinding::first);
    add("向前", &TableBinding::prior);
    add("向后", &TableBinding::next);
    add("终点", &TableBinding::last);
    add("删除", &TableBinding::remove);
    add("插入", &TableBinding::insert);
}

GridNavigator::GridNavigator(TableBinding& binding, QWidget* parent)
    : QWidget(parent), binding_(binding), subscription_(binding, [this](TableBinding::Change) { showState(); }) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto add = [&](const char* glyph, const char* hint, auto action) {
        auto* button = new QToolButton(this);
        button->setText(QString::fromUtf8(glyph));
        button->setToolTip(QString::fromUtf8(hint));
        button->setMinimumWidth(28);
        connect(button, &QToolButton::clicked, this, [this, action] { (binding_.*action)(); });
        layout->addWidget(button);
        return button;
    };
    add("|◀", "第一条", &TableBinding::first);
    add("◀", "上一条", &TableBinding::prior);
    add("▶", "下一条", &TableBinding::next);
    add("▶|", "最后一条", &TableBinding::last);
    add("+", "插入", &TableBinding::insert);
    add("−", "删除", &TableBinding::remove);
    edit_ = add("▲", "编辑", &TableBinding::beginEdit);
    post_ = add("✔", "保存", &TableBinding::post);
    cancel_ = add("✘", "取消", &TableBinding::cancel);
    add("↻", "刷新", &TableBinding::refresh);
    layout->addStretch();
    showState();
}

void GridNavigator::showState() {
    bool editing = binding_.isEditing();
    edit_->setEnabled(!editing);
    post_->setEnabled(editing);
    cancel_->setEnabled(editing);
}

}  // namespace kav::console
