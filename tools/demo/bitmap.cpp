#include "tools/demo/bitmap.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace kav::demo {

namespace {

void put16(std::string& out, std::uint32_t v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
std::uint32_t get(const std::string& in, std::size_t at, int bytes) {
    if (at + bytes > in.size()) throw std::runtime_error("bitmap too short");
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | std::uint8_t(in[at + i]);
    return v;
}

constexpr std::uint32_t kFileHeader = 14, kInfoHeader = 40;

std::uint32_t rowBytes(int width) { return (std::uint32_t(width) * 3 + 3) & ~3u; }

}  // namespace

Canvas::Canvas(int width, int height, Rgb background)
    : width_(width), height_(height), pixels_(std::size_t(width) * height, background) {
    if (width <= 0 || height <= 0) throw std::invalid_argument("a canvas needs a positive size");
}

Rgb Canvas::pixel(int x, int y) const { return pixels_.at(std::size_t(y) * width_ + x); }

void Canvas::point(int x, int y, Rgb colour) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[std::size_t(y) * width_ + x] = colour;
}

void Canvas::line(int x0, int y0, int x1, int y1, Rgb colour, int thickness) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    for (;;) {
        for (int i = 0; i < thickness; ++i)
            for (int j = 0; j < thickness; ++j) point(x0 + i - thickness / 2, y0 + j - thickness / 2, colour);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
}

void Canvas::fillRect(int x, int y, int w, int h, Rgb colour) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) point(i, j, colour);
}

void Canvas::frameRect(int x, int y, int w, int h, Rgb colour) {
    line(x, y, x + w - 1, y, colour);
    line(x, y + h - 1, x + w - 1, y + h - 1, colour);
    line(x, y, x, y + h - 1, colour);
    line(x + w - 1, y, x + w - 1, y + h - 1, colour);
}

void Canvas::fillCircle(int cx, int cy, int radius, Rgb colour) {
    for (int j = -radius; j <= radius; ++j)
        for (int i = -radius; i <= radius; ++i)
            if (i * i + j * j <= radius * radius) point(cx + i, cy + j, colour);
}

void Canvas::fillSector(int cx, int cy, int radius, double a0, double a1, Rgb colour) {
    for (int j = -radius; j <= radius; ++j)
        for (int i = -radius; i <= radius; ++i) {
            if (i * i + j * j > radius * radius) continue;
            double angle = std::atan2(double(i), double(-j)) * 180.0 / std::numbers::pi;
            if (angle < 0) angle += 360.0;
            if (angle >= a0 && angle < a1) point(cx + i, cy + j, colour);
        }
}

std::string Canvas::toBmp() const {
    const std::uint32_t row = rowBytes(width_), image = row * std::uint32_t(height_);
    std::string out;
    out.reserve(kFileHeader + kInfoHeader + image);
    out += "BM";
    put32(out, kFileHeader + kInfoHeader + image);
    put32(out, 0);
    put32(out, kFileHeader + kInfoHeader);
    put32(out, kInfoHeader);
    put32(out, std::uint32_t(width_));
    put32(out, std::uint32_t(height_));  // positive: bottom row first
    put16(out, 1);                       // planes
    put16(out, 24);                      // bits a pixel
    put32(out, 0);                       // no compression
    put32(out, image);
    put32(out, 2835);  // 72 dots an inch
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = height_ - 1; y >= 0; --y) {
        std::size_t start = out.size();
        for (int x = 0; x < width_; ++x) {
            Rgb p = pixel(x, y);
            out += char(p.b);
            out += char(p.g);
            out += char(p.r);
        }
        out.append(row - (out.size() - start), '\0');
    }
    return out;
}

Canvas readBmp(const std::string& bytes) {
    if (bytes.size() < kFileHeader + kInfoHeader || bytes.compare(0, 2, "BM") != 0)
        throw std::runtime_error("not a bitmap file");
    int width = int(get(bytes, 18, 4)), height = int(get(bytes, 22, 4));
    if (get(bytes, 28, 2) != 24 || get(bytes, 30, 4) != 0 || width <= 0 || height <= 0)
        throw std::runtime_error("not an uncompressed 24-bit bitmap");
    std::uint32_t offset = get(bytes, 10, 4), row = rowBytes(width);
    if (offset + std::uint64_t(row) * height > bytes.size()) throw std::runtime_error("bitmap too short");
    Canvas c(width, height, {0, 0, 0});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::size_t at = offset + std::size_t(height - 1 - y) * row + std::size_t(x) * 3;
            c.point(x, y, {std::uint8_t(bytes[at + 2]), std::uint8_t(bytes[at + 1]), std::uint8_t(bytes[at])});
        }
    return c;
}

}  // namespace kav::demo
