// The setup's main window as the user sees it: maximised, covered by the backdrop, with
// the raised title. The test reads pixels back from the screen and leaves the picture in
// visual_screenshot.png beside the test program for a person to look at.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "VisualTestSupport.h"
#include "platform/Streams.h"
#include "support/WindowDriver.h"

using namespace qlry;
using namespace qlry::test;

namespace {

void PutBigEndian(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    PutBigEndian(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                                  static_cast<uInt>(body.size()))));
}

// The bitmap as an RGB PNG file.
void SavePng(TBitmap& bitmap, const std::string& fileName) {
    int width = bitmap.Width(), height = bitmap.Height();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    GetDIBits(bitmap.DC(), bitmap.Handle(), 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            const uint8_t* bgra = &pixels[(static_cast<std::size_t>(y) * width + x) * 4];
            rows += static_cast<char>(bgra[2]);
            rows += static_cast<char>(bgra[1]);
            rows += static_cast<char>(bgra[0]);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::string packed(packedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(rows.data()),
              static_cast<uLong>(rows.size()), 9);
    packed.resize(packedSize);

    std::string header;
    PutBigEndian(header, static_cast<uint32_t>(width));
    PutBigEndian(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB
    std::string file = "\x89PNG\r\n\x1a\n";
    PutChunk(file, "IHDR", header);
    PutChunk(file, "IDAT", packed);
    PutChunk(file, "IEND", "");
    WriteFileBytes(fileName, file);
}

void CaptureScreen(TBitmap& shot) {
    shot.SetSize(Screen()->Width(), Screen()->Height());
    TScreenDC screen;
    BitBlt(shot.DC(), 0, 0, shot.Width(), shot.Height(), screen.Get(), 0, 0, SRCCOPY);
}

COLORREF ScreenPixel(TBitmap& shot, const TControl* control, int x, int y) {
    POINT point = control->ClientToScreen(POINT{x, y});
    return GetPixel(shot.DC(), point.x, point.y);
}

int CountPixels(TBitmap& shot, const TControl* control, COLORREF color) {
    int count = 0;
    for (int y = 0; y < control->Height(); ++y)
        for (int x = 0; x < control->Width(); ++x)
            if (ScreenPixel(shot, control, x, y) == color) ++count;
    return count;
}

} // namespace

TEST_F(VisualTest, MaximisedMainWindowShowsGradientAndRaisedTitle) {
    TVisualForm form(nullptr, MainFormDescription("wsMaximized"));
    form.Show();
    CloseExplorerWindows();
    SetWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpFor(1500);  // the screen needs a moment after the window appears

    TBitmap shot;
    CaptureScreen(shot);
    SavePng(shot, ProgramDir() + "visual_screenshot.png");

    TBackdrop* backdrop = form.backdrop;
    TRotate3DLabel* label = form.title;
    EXPECT_EQ(form.WindowState(), wsMaximized);
    EXPECT_EQ(backdrop->Width(), form.ClientWidth());
    EXPECT_EQ(backdrop->Height(), form.ClientHeight());
    EXPECT_GT(backdrop->Height(), 453);
    EXPECT_EQ(label->Width(), backdrop->Width() - 2);

    // Blue at the top, black at the bottom, darkening all the way down; no bevel.
    int right = backdrop->Width() - 1, bottom = backdrop->Height() - 1;
    EXPECT_EQ(ScreenPixel(shot, backdrop, right, 0), RGB(0, 0, 255));
    EXPECT_EQ(ScreenPixel(shot, backdrop, 0, bottom), RGB(0, 0, 0));
    EXPECT_EQ(ScreenPixel(shot, backdrop, right, bottom), RGB(0, 0, 0));
    int previous = 256, rises = 0;
    for (int y = 0; y <= bottom; ++y) {
        COLORREF pixel = ScreenPixel(shot, backdrop, right, y);
        if (GetRValue(pixel) || GetGValue(pixel) || GetBValue(pixel) > previous) ++rises;
        previous = GetBValue(pixel);
    }
    EXPECT_EQ(rises, 0);

    // The title, raised: highlight, shade and text all show on the gradient.
    EXPECT_GT(CountPixels(shot, label, RGB(255, 255, 255)), 100);
    EXPECT_GT(CountPixels(shot, label, RGB(128, 128, 128)), 100);
    EXPECT_GT(CountPixels(shot, label, ColorToRGB(label->Font()->Color())), 200);

    // A new direction is painted at once, before any message is handled.
    backdrop->SetDirection(bdDown);
    CaptureScreen(shot);
    EXPECT_EQ(ScreenPixel(shot, backdrop, right, 0), RGB(0, 0, 0));
    EXPECT_EQ(ScreenPixel(shot, backdrop, right, bottom), RGB(0, 0, 255));
    EXPECT_TRUE(errors.empty());
}
