#pragma once
// Record-view controls bound to one column of the current row. Each shows the
// binding's value after every change and hands what the user types to the
// binding, which decides the rest (edit mode, saving, refusals).
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "console/base/binding/table_binding.h"

namespace kav::console {

// A one-line box. It takes a text longer than the column holds as typed (a
// paste is never cut short); the binding refuses it at the post.
class BoundLineEdit : public QLineEdit {
public:
    BoundLineEdit(TableBinding& binding, std::string_view column, QWidget* parent = nullptr);

private:
    void showValue();
    TableBinding& binding_;
    int column_;
    BindingSubscription subscription_;
};

// A multi-line box for a memo column; Tab moves to the next box.
class BoundMemo : public QPlainTextEdit {
public:
    BoundMemo(TableBinding& binding, std::string_view column, QWidget* parent = nullptr);

private:
    void showValue();
    TableBinding& binding_;
    int column_;
    bool showing_ = false;
    BindingSubscription subscription_;
};

// A check box for a yes/no column.
class BoundCheckBox : public QCheckBox {
public:
    BoundCheckBox(TableBinding& binding, std::string_view column, const QString& caption, QWidget* parent = nullptr);

private:
    void showValue();
    TableBinding& binding_;
    int column_;
    BindingSubscription subscription_;
};

// A date-time box ("yyyy-MM-dd hh:mm:ss").
class BoundDateTimeEdit : public QDateTimeEdit {
public:
    BoundDateTimeEdit(TableBinding& binding, std::string_view column, QWidget* parent = nullptr);

private:
    void showValue();
    TableBinding& binding_;
    int column_;
    bool showing_ = false;
    BindingSubscription subscription_;
};

// A framed picture of a binary column, centred and not scaled; empty when the
// column is NULL or holds no picture Qt can read. The page's own buttons set
// and clear the picture through the binding.
class BoundPicture : public QLabel {
public:
    BoundPicture(TableBinding& binding, std::string_view column, QWidget* parent = nullptr);

private:
    void showValue();
    TableBinding& binding_;
    int column_;
    BindingSubscription subscription_;
};

// The row-position label: "记录号：" + row + "/" + count.
class PositionLabel : public QLabel {
public:
    explicit PositionLabel(TableBinding& binding, QWidget* parent = nullptr);

private:
    BindingSubscription subscription_;
};

}  // namespace kav::console
