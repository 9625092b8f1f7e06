#pragma once
// The buttons that move a bound table: the six record-view buttons as one
// strip, and the grid's record navigator. Every press goes to the binding.
#include <QWidget>

#include "console/base/binding/table_binding.h"

class QAbstractButton;

namespace kav::console {

// "起点" "向前" "向后" "终点" "删除" "插入", in this order.
class NavigationStrip : public QWidget {
public:
    explicit NavigationStrip(TableBinding& binding, QWidget* parent = nullptr);
};

// First, prior, next, last, insert, delete (with the question), edit, post,
// cancel, refresh. Post and cancel are enabled while a row is being edited,
// edit while none is.
class GridNavigator : public QWidget {
public:
    explicit GridNavigator(TableBinding& binding, QWidget* parent = nullptr);

private:
    void showState();

    TableBinding& binding_;
    QAbstractButton *edit_, *post_, *cancel_;
    BindingSubscription subscription_;
};

}  // namespace kav::console
