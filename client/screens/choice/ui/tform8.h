#pragma once
// The picture window "本题相应图形": the picture of the question shown on the
// multiple-choice screen, in a picture control that fills the window. The
// screen hands it the picture whenever it shows a question.
#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "common/db/database.h"

namespace kavlor {

class TForm8 : public QWidget {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    // The bytes of the picture file (a Windows bitmap as the console stores
    // it, or any format Qt reads); empty when the question has no picture.
    void setPicture(const kav::db::Blob& bytes);
    // Whether the picture could be decoded (false for no picture).
    bool hasImage() const { return !picture_.isNull(); }
    const QPixmap& picture() const { return picture_; }
    QLabel* Image1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();
    kav::db::Blob bytes_;
    QPixmap picture_;
};

}  // namespace kavlor
