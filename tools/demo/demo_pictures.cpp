#include "tools/demo/demo_pictures.h"

#include <cmath>
#include <numbers>

#include "tools/demo/bitmap.h"

namespace kav::demo {

namespace {

constexpr int kWidth = 148, kHeight = 120;
constexpr Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kBlue{40, 90, 200}, kGrey{120, 120, 120};

// A computer of a network drawing: a small screen on a stand.
void computer(Canvas& c, int cx, int cy) {
    c.fillRect(cx - 9, cy - 7, 18, 12, kBlue);
    c.frameRect(cx - 9, cy - 7, 18, 12, kBlack);
    c.fillRect(cx - 2, cy + 5, 4, 3, kGrey);
    c.fillRect(cx - 6, cy + 8, 12, 2, kGrey);
}

std::string star() {
    Canvas c(kWidth, kHeight, kWhite);
    const int hx = kWidth / 2, hy = kHeight / 2;
    for (int k = 0; k < 6; ++k) {
        double a = k * std::numbers::pi / 3;
        int x = hx + int(std::lround(48 * std::cos(a))), y = hy + int(std::lround(42 * std::sin(a)));
        c.line(hx, hy, x, y, kBlack);
        computer(c, x, y);
    }
    c.fillRect(hx - 12, hy - 6, 24, 12, kGrey);  // the hub
    c.frameRect(hx - 12, hy - 6, 24, 12, kBlack);
    return c.toBmp();
}

std::string bus() {
    Canvas c(kWidth, kHeight, kWhite);
    const int busY = 60;
    c.line(8, busY, kWidth - 9, busY, kBlack, 3);
    c.fillRect(4, busY - 4, 5, 9, kBlack);  // terminators
    c.fillRect(kWidth - 9, busY - 4, 5, 9, kBlack);
    for (int k = 0; k < 5; ++k) {
        int x = 22 + k * 26, up = k % 2 == 0;
        int y = up ? 28 : 92;
        c.line(x, busY, x, y, kBlack);
        computer(c, x, y);
    }
    return c.toBmp();
}

std::string ring() {
    Canvas c(kWidth, kHeight, kWhite);
    const int hx = kWidth / 2, hy = kHeight / 2, n = 6;
    int xs[n], ys[n];
    for (int k = 0; k < n; ++k) {
        double a = k * 2 * std::numbers::pi / n - std::numbers::pi / 2;
        xs[k] = hx + int(std::lround(50 * std::cos(a)));
        ys[k] = hy + int(std::lround(44 * std::sin(a)));
    }
    for (int k = 0; k < n; ++k) c.line(xs[k], ys[k], xs[(k + 1) % n], ys[(k + 1) % n], kBlack, 2);
    for (int k = 0; k < n; ++k) computer(c, xs[k], ys[k]);
    return c.toBmp();
}

std::string tree() {
    Canvas c(kWidth, kHeight, kWhite);
    const int top = 16, mid = 56, low = 98;
    const int midX[2] = {40, 108};
    for (int m : midX) {
        c.line(kWidth / 2, top, m, mid, kBlack);
        for (int d : {-20, 0, 20}) {
            c.line(m, mid, m + d, low, kBlack);
            computer(c, m + d, low);
        }
        c.fillRect(m - 10, mid - 5, 20, 10, kGrey);
        c.frameRect(m - 10, mid - 5, 20, 10, kBlack);
    }
    c.fillRect(kWidth / 2 - 12, top - 6, 24, 12, kGrey);
    c.frameRect(kWidth / 2 - 12, top - 6, 24, 12, kBlack);
    return c.toBmp();
}

std::string pie() {
    Canvas c(kWidth, kHeight, kWhite);
    const Rgb colours[] = {{220, 60, 50}, {60, 140, 220}, {250, 190, 40}, {90, 180, 90}};
    const double shares[] = {40, 25, 20, 15};  // per cent
    double from = 0;
    for (int k = 0; k < 4; ++k) {
        double to = from + shares[k] * 3.6;
        c.fillSector(60, 60, 46, from, to, colours[k]);
        from = to;
    }
    for (int k = 0; k < 4; ++k) {  // the legend
        c.fillRect(118, 30 + k * 16, 10, 10, colours[k]);
        c.frameRect(118, 30 + k * 16, 10, 10, kBlack);
    }
    return c.toBmp();
}

}  // namespace

std::string pictureBmp(Picture picture) {
    switch (picture) {
        case Picture::None: return {};
        case Picture::StarTopology: return star();
        case Picture::BusTopology: return bus();
        case Picture::RingTopology: return ring();
        case Picture::TreeTopology: return tree();
        case Picture::PieChart: return pie();
    }
    return {};
}

std::string holidayPhotoBmp() {
    Canvas c(160, 120, {135, 200, 250});
    c.fillCircle(128, 26, 14, {255, 220, 60});  // the sun
    for (int x = 0; x < 160; ++x) {             // hills
        int h = 70 + int(std::lround(12 * std::sin(x / 18.0)));
        c.line(x, h, x, 119, {70, 160, 80});
    }
    c.fillRect(0, 100, 160, 20, {60, 110, 200});  // a lake
    return c.toBmp();
}

}  // namespace kav::demo
