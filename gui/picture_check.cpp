#include "gui/picture_check.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace kav::gui {

using mendrix::bank::PictureCheck;

PictureCheck checkPicture(const std::string& bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The size from the header, before any pixel is decoded.
    const QSize size = reader.size();
    QImage image;
    if (reader.read(&image)) return {PictureCheck::Kind::Image, image.width(), image.height()};
    // A sound header whose pixels are more than the reader allocates.
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20;
    if (size.isValid() && limit > 0 && qint64(size.width()) * size.height() * 4 > limit)
        return {PictureCheck::Kind::TooLarge, size.width(), size.height()};
    return {};
}

}  // namespace kav::gui
