#include "console/base/binding/ui/bound_editors.h"

#include <QPixmap>

#include "common/db/values.h"

namespace kav::console {
namespace {

QString textOf(const TableBinding& binding, int column) { return QString::fromStdString(binding.text(column)); }

// Stored date-times carry no zone: kept as UTC in Qt, so that no daylight-saving
// gap of the machine's zone can shift them.
QDateTime toQt(const DateTime& d) {
    return QDateTime(QDate(d.year, d.month, d.day), QTime(d.hour, d.minute, d.second, d.millisecond), Qt::UTC);
}

DateTime fromQt(const QDateTime& q) {
    QDate d = q.date();
    QTime t = q.time();
    return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec()};
}

}  // namespace

BoundLineEdit::BoundLineEdit(TableBinding& binding, std::string_view column, QWidget* parent)
    : QLineEdit(parent),
      binding_(binding),
      column_(binding.columnIndex(column)),
      subscription_(binding, [this](TableBinding::Change) { showValue(); }) {
    setReadOnly(binding.isReadOnly(column_));
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        binding_.setText(column_, text.toStdString());
    });
    showValue();
}

void BoundLineEdit::showValue() {
    QString shown = textOf(binding_, column_);
    if (text() != shown) setText(shown);  // leaves the caret alone while typing
}

BoundMemo::BoundMemo(TableBinding& binding, std::string_view column, QWidget* parent)
    : QPlainTextEdit(parent),
      binding_(binding),
      column_(binding.columnIndex(column)),
      subscription_(binding, [this](TableBinding::Change) { showValue(); }) {
    setTabChangesFocus(true);  // a tab in a question is never wanted; Tab moves on
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!showing_) binding_.setText(column_, toPlainText().toStdString());
    });
    showValue();
}

void BoundMemo::showValue() {
    QString shown = textOf(binding_, column_);
    if (toPlainText() == shown) return;
    showing_ = true;
    setPlainText(shown);
    showing_ = false;
}

BoundCheckBox::BoundCheckBox(TableBinding& binding, std::string_view column, const QString& caption, QWidget* parent)
    : QCheckBox(caption, parent),
      binding_(binding),
      column_(binding.columnIndex(column)),
      subscription_(binding, [this](TableBinding::Change) { showValue(); }) {
    connect(this, &QCheckBox::clicked, this, [this](bool checked) { binding_.setValue(column_, checked); });
    showValue();
}

void BoundCheckBox::showValue() {
    try {
        setChecked(db::readBoolean(binding_.value(column_)));
    } catch (const db::DbError&) {
        setChecked(false);  // a typed text that is no yes/no: the post will refuse it
    }
}

BoundDateTimeEdit::BoundDateTimeEdit(TableBinding& binding, std::string_view column, QWidget* parent)
    : QDateTimeEdit(parent),
      binding_(binding),
      column_(binding.columnIndex(column)),
      subscription_(binding, [this](TableBinding::Change) { showValue(); }) {
    setTimeSpec(Qt::UTC);
    setDisplayFormat(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    setMinimumDateTime(toQt(DateTime::zero()));
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& value) {
        if (!showing_) binding_.setValue(column_, fromQt(value));
    });
    showValue();
}

void BoundDateTimeEdit::showValue() {
    DateTime value;
    try {
        value = db::readDateTime(binding_.value(column_));
    } catch (const db::DbError&) {
        value = DateTime::zero();
    }
    if (dateTime() == toQt(value)) return;
    showing_ = true;
    setDateTime(toQt(value));
    showing_ = false;
}

BoundPicture::BoundPicture(TableBinding& binding, std::string_view column, QWidget* parent)
    : QLabel(parent),
      binding_(binding),
      column_(binding.columnIndex(column)),
      subscription_(binding, [this](TableBinding::Change) { showValue(); }) {
    setFrameShape(QFrame::Box);
    setAlignment(Qt::AlignCenter);
    setFixedSize(148, 120);
    showValue();
}

void BoundPicture::showValue() {
    db::Value value = binding_.value(column_);
    QPixmap picture;
    if (auto* bytes = std::get_if<db::Blob>(&value))
        picture.loadFromData(bytes->data(), static_cast<uint>(bytes->size()));
    setPixmap(picture);
}

PositionLabel::PositionLabel(TableBinding& binding, QWidget* parent)
    : QLabel(QString::fromStdString(binding.positionText()), parent),
      subscription_(binding, [this, &binding](TableBinding::Change) {
          setText(QString::fromStdString(binding.positionText()));
      }) {}

}  // namespace kav::console
