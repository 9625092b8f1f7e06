#include "tools/demo/bitmap.h"

#include <gtest/gtest.h>

using namespace kav::demo;

TEST(Bitmap, RoundTripsPixelsWithRowPadding) {
    for (int width : {1, 2, 3, 4, 5, 148}) {
        Canvas c(width, 3, {1, 2, 3});
        c.point(width - 1, 0, {200, 100, 50});
        c.point(0, 2, {9, 8, 7});
        std::string bmp = c.toBmp();
        ASSERT_EQ(bmp.size(), 54u + ((width * 3 + 3) / 4 * 4) * 3u) << width;
        Canvas back = readBmp(bmp);
        ASSERT_EQ(back.width(), width);
        ASSERT_EQ(back.height(), 3);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < width; ++x) {
                Rgb a = c.pixel(x, y), b = back.pixel(x, y);
                EXPECT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << width << " " << x << "," << y;
            }
    }
}

TEST(Bitmap, HeaderIsAWindowsBitmapFile) {
    std::string bmp = Canvas(2, 2, {255, 0, 0}).toBmp();
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(std::uint8_t(bmp[2]), 54 + 16);           // file size, little-endian
    EXPECT_EQ(std::uint8_t(bmp[10]), 54);               // pixel data offset
    EXPECT_EQ(std::uint8_t(bmp[28]), 24);               // bits a pixel
    EXPECT_EQ(bmp.substr(54, 3), std::string("\0\0\xff", 3));  // blue, green, red
    EXPECT_THROW(readBmp("BM short"), std::runtime_error);
    EXPECT_THROW(readBmp(std::string(60, 'x')), std::runtime_error);
}

TEST(Bitmap, DrawingStaysInsideTheCanvas) {
    Canvas c(10, 10, {0, 0, 0});
    c.line(-5, -5, 20, 20, {255, 255, 255}, 3);
    c.fillCircle(9, 9, 30, {1, 1, 1});
    EXPECT_EQ(c.pixel(0, 0).r, 1);
    EXPECT_EQ(c.pixel(9, 9).r, 1);
}
