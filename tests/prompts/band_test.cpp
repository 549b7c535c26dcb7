// The header band painter, on a memory bitmap whose pixels the test reads back.
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/promptdialogs.h"

namespace {

// A 32-bit top-down DIB section selected into a memory DC.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    unsigned* pixels = nullptr;
    int width = 0;
    int height = 0;

    Canvas(int w, int h, COLORREF fill) : width(w), height(h)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<unsigned*>(bits);
        old = SelectObject(dc, bitmap);
        RECT all = {0, 0, w, h};
        HBRUSH brush = CreateSolidBrush(fill);
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        GdiFlush();
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // Grey level of the red channel at (x, y).
    int Red(int x, int y) const { return (int)((pixels[y * width + x] >> 16) & 0xFF); }
    COLORREF At(int x, int y) const
    {
        unsigned p = pixels[y * width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int CountNot(COLORREF colour, int x0, int y0, int x1, int y1) const
    {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) count += At(x, y) != colour;
        return count;
    }
};

TEST(PromptBand, GradientRunsFromWhiteOnTheLeftToLightGreyOnTheRight)
{
    Canvas canvas(300, 40, RGB(0, 0, 0));
    RECT band = {0, 0, 300, 40};
    int gradient = PaintPromptBand(canvas.dc, &band, "", 1, nullptr);
    GdiFlush();
    ASSERT_EQ(gradient, 1) << "msimg32.dll offers GradientFill on every supported system";
    EXPECT_GE(canvas.Red(0, 20), 0xFE) << "left edge white";
    EXPECT_NEAR(canvas.Red(299, 20), 0xEE, 1) << "right edge light grey";
    EXPECT_GT(canvas.Red(50, 20), canvas.Red(250, 20)) << "lighter on the left";
    EXPECT_EQ(canvas.At(150, 0), canvas.At(150, 39)) << "horizontal: each column is one colour";
}

TEST(PromptBand, WithoutGradientTheBandIsWhite)
{
    Canvas canvas(300, 40, RGB(0, 0, 0));
    RECT band = {0, 0, 300, 40};
    EXPECT_EQ(PaintPromptBand(canvas.dc, &band, "", 0, nullptr), 0);
    GdiFlush();
    EXPECT_EQ(canvas.CountNot(RGB(255, 255, 255), 0, 0, 300, 40), 0);
}

TEST(PromptBand, TextStartsAtItsOffsetAndTheLogoSitsAtTheRight)
{
    Canvas canvas(300, 40, RGB(0, 0, 0));
    // A red 24 x 24 logo.
    Canvas logoCanvas(24, 24, RGB(255, 0, 0));
    HBITMAP logo = CreateCompatibleBitmap(logoCanvas.dc, 24, 24);
    HDC logoDc = CreateCompatibleDC(logoCanvas.dc);
    HGDIOBJ oldLogo = SelectObject(logoDc, logo);
    BitBlt(logoDc, 0, 0, 24, 24, logoCanvas.dc, 0, 0, SRCCOPY);
    SelectObject(logoDc, oldLogo);
    DeleteDC(logoDc);

    RECT band = {0, 0, 300, 40};
    PaintPromptBand(canvas.dc, &band, "WWWW", 0, logo);
    GdiFlush();
    const COLORREF white = RGB(255, 255, 255);
    EXPECT_EQ(canvas.CountNot(white, 0, 0, 20, 40), 0) << "nothing left of x 20";
    EXPECT_EQ(canvas.CountNot(white, 0, 0, 200, 10), 0) << "nothing above y 10 in the text area";
    EXPECT_GT(canvas.CountNot(white, 20, 10, 120, 35), 20) << "the text is drawn from (20, 10)";
    EXPECT_EQ(canvas.At(270, 5), RGB(255, 0, 0)) << "logo top-left at (right - 30, 5)";
    EXPECT_EQ(canvas.At(293, 28), RGB(255, 0, 0)) << "logo is 24 x 24";
    EXPECT_EQ(canvas.At(294, 29), white) << "nothing of the logo beyond 24 x 24";
    EXPECT_EQ(canvas.At(269, 5), white);
    DeleteObject(logo);
}

}  // namespace
