#pragma once
// A small drawing surface that saves itself as a Windows bitmap file (24 bits
// a pixel, rows bottom-up), for the pictures of the demo bank.
#include <cstdint>
#include <string>
#include <vector>

namespace kav::demo {

struct Rgb {
    std::uint8_t r, g, b;
};

class Canvas {
public:
    Canvas(int width, int height, Rgb background);
    int width() const { return width_; }
    int height() const { return height_; }
    Rgb pixel(int x, int y) const;
    // Points outside the canvas are left out.
    void point(int x, int y, Rgb colour);
    void line(int x0, int y0, int x1, int y1, Rgb colour, int thickness = 1);
    void fillRect(int x, int y, int w, int h, Rgb colour);
    void frameRect(int x, int y, int w, int h, Rgb colour);
    void fillCircle(int cx, int cy, int radius, Rgb colour);
    // A filled sector from angle a0 to a1 (degrees, clockwise from 12 o'clock).
    void fillSector(int cx, int cy, int radius, double a0, double a1, Rgb colour);
    // The bytes of a .bmp file.
    std::string toBmp() const;

private:
    int width_, height_;
    std::vector<Rgb> pixels_;  // top row first
};

// Reads back a 24-bit bitmap written by toBmp (for tests); throws
// std::runtime_error for anything else.
Canvas readBmp(const std::string& bytes);

}  // namespace kav::demo
