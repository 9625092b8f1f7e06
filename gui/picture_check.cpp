#include "gui/picture_check.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <cstdlib>

namespace kav::gui {

using mendrix::bank::PictureCheck;

namespace {

// A little-endian field of the header; 0 where the file ends before it.
std::uint32_t little(const std::string& bytes, std::size_t at, int width) {
    if (bytes.size() < at + static_cast<std::size_t>(width)) return 0;
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Qt's readers fill the rows of a BMP or a JPEG whose file ends early with
// garbage and call it read: whether the bytes reach the picture's end.
bool wholeBmp(const std::string& bytes) {
    if (bytes.size() < 26) return false;
    const std::uint64_t pixelsAt = little(bytes, 10, 4), headerSize = little(bytes, 14, 4);
    std::uint64_t width, height, bitCount, compression = 0;
    if (headerSize == 12) {  // the old core header: 16-bit sizes
        width = little(bytes, 18, 2);
        height = little(bytes, 20, 2);
        bitCount = little(bytes, 24, 2);
    } else {
        if (bytes.size() < 34) return false;
        width = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(little(bytes, 18, 4)))));
        height = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(little(bytes, 22, 4)))));
        bitCount = little(bytes, 28, 2);
        compression = little(bytes, 30, 4);
    }
    constexpr std::uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
    if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields) {
        // Run-length rows have no fixed size: the stored image size is the least they take.
        const std::uint64_t imageSize = headerSize >= 40 ? little(bytes, 34, 4) : 0;
        return bytes.size() >= pixelsAt + imageSize;
    }
    const std::uint64_t stride = (width * bitCount + 31) / 32 * 4;
    return bytes.size() >= pixelsAt + stride * height;
}

// A JPEG ends with its end-of-image marker after the scan's start.
bool wholeJpeg(const std::string& bytes) {
    const auto scan = bytes.find("\xFF\xDA");
    const auto end = bytes.rfind("\xFF\xD9");
    return scan != std::string::npos && end != std::string::npos && end > scan;
}

}  // namespace

PictureCheck checkPicture(const std::string& bytes) {
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The size from the header, before any pixel is decoded.
    const QSize size = reader.size();
    const QByteArray format = reader.format();
    QImage image;
    if (reader.read(&image)) {
        const bool whole = format == "bmp" ? wholeBmp(bytes) : format == "jpeg" ? wholeJpeg(bytes) : true;
        return {whole ? PictureCheck::Kind::Image : PictureCheck::Kind::Truncated, image.width(), image.height()};
    }
    // A sound header whose pixels are more than the reader allocates.
    const qint64 limit = qint64(QImageReader::allocationLimit()) << 20;
    if (size.isValid() && limit > 0 && qint64(size.width()) * size.height() * 4 > limit)
        return {PictureCheck::Kind::TooLarge, size.width(), size.height()};
    // A sound header whose pixels the reader could not decode: cut short or damaged.
    if (size.isValid() && size.width() > 0 && size.height() > 0)
        return {PictureCheck::Kind::Truncated, size.width(), size.height()};
    return {};
}

}  // namespace kav::gui
