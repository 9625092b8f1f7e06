#pragma once
// The client's pictures, drawn at run time: the splash picture, the
// instructions background, the login photo and the client's icon.
#include <QPixmap>
#include <QSize>

namespace kavlor::artwork {

QPixmap splash(QSize size);
QPixmap instructionsBackground(QSize size);
QPixmap photo(QSize size);
QPixmap clientIcon(int size);
// The application-wide font with Chinese glyphs.
void applyClientFont();

}  // namespace kavlor::artwork
