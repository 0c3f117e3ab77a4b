// The title label's style rules, and its text read back from bitmaps it painted.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "VisualTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

constexpr COLORREF background = RGB(0, 128, 0);
const char* const title = "Larkspan 7.030B";

TTestLabel* TitleLabel(TForm& form, int width, int height, TAlignment alignment) {
    auto* label = new TTestLabel(&form);
    label->SetBounds(0, 0, width, height);
    label->SetCaption(title);
    label->Font()->SetHeight(-24);
    label->Font()->SetColor(clBlack);
    label->SetAlignment(alignment);
    return label;
}

// Where the caption's unturned text sits in the label, from its own measure.
POINT TextOrigin(const TRotate3DLabel& label) {
    SIZE size = TextExtentOf(*label.Font(), label.Caption());
    int x = 0;
    if (label.Alignment() == taRightJustify) x = label.Width() - size.cx;
    else if (label.Alignment() == taCenter) x = label.Width() / 2 - size.cx / 2;
    return POINT{x, label.Height() / 2 - size.cy / 2};
}

// The caption drawn once, black on white, at Origin: which pixels its glyphs touch at
// all, and which they cover fully (smoothed edges are neither fully one nor the other).
struct TextMask {
    int width = 0, height = 0;
    std::vector<char> ink, solid;
    bool Ink(int x, int y) const { return Inside(x, y) && ink[y * width + x]; }
    bool Solid(int x, int y) const { return Inside(x, y) && solid[y * width + x]; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

TextMask MaskOf(const TRotate3DLabel& label, POINT origin) {
    TBitmap bitmap;
    bitmap.SetSize(label.Width(), label.Height());
    HDC dc = bitmap.DC();
    TFontHandle font = CreateRotatedFont(*label.Font(), 0);
    {
        TDCSelection selection(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        std::string caption = label.Caption();
        TextOutA(dc, origin.x, origin.y, caption.data(), static_cast<int>(caption.size()));
    }
    TextMask mask;
    mask.width = label.Width();
    mask.height = label.Height();
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            COLORREF pixel = GetPixel(dc, x, y);
            mask.ink.push_back(pixel != RGB(255, 255, 255));
            mask.solid.push_back(pixel == RGB(0, 0, 0));
        }
    return mask;
}

struct Layer {
    COLORREF color;
    int dx, dy;
};

// Checks a painted label against copies of Mask drawn in order at their offsets: a pixel
// no copy touches keeps the background; a pixel that the last copy to touch it covers
// fully has that copy's colour. Answers how many pixels each copy decides.
std::vector<int> CheckLayers(TBitmap& bitmap, const TextMask& mask, POINT origin, const std::vector<Layer>& layers) {
    std::vector<int> decided(layers.size(), 0);
    int wrong = 0;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            int top = -1;
            for (int j = 0; j < static_cast<int>(layers.size()); ++j)
                if (mask.Ink(x - layers[j].dx, y - layers[j].dy)) top = j;
            COLORREF pixel = PixelAt(bitmap, x, y);
            if (top < 0) {
                if (pixel != background && wrong++ < 5) ADD_FAILURE() << "stray pixel at " << x << "," << y;
            } else if (mask.Solid(x - layers[top].dx, y - layers[top].dy)) {
                ++decided[top];
                if (pixel != layers[top].color && wrong++ < 5)
                    ADD_FAILURE() << "layer " << top << " missing at " << x << "," << y << ": " << std::hex << pixel;
            }
        }
    EXPECT_EQ(wrong, 0);
    return decided;
}

} // namespace

TEST_F(VisualTest, AngleOutsideZeroTo359BecomesZero) {
    const std::vector<std::pair<int, int>> cases = {{0, 0}, {45, 45}, {359, 359}, {360, 0}, {370, 0}, {-10, 0}, {-1, 0}};
    for (auto [angle, expected] : cases) {
        TLabelStyle style;
        style.SetAngle(123);
        style.SetAngle(angle);
        EXPECT_EQ(style.Angle(), expected) << angle;
    }
}

TEST_F(VisualTest, StyleChangeFiresOnlyWhenTheLookChanges) {
    struct Case {
        const char* what;
        std::function<void(TLabelStyle&)> prepare;
        std::function<void(TLabelStyle&)> change;
        bool fires;
    };
    auto none = [](TLabelStyle&) {};
    auto shadowed = [](TLabelStyle& s) { s.SetAStyle3D(A3dShadowed); };
    auto redHighlight = [](TLabelStyle& s) { s.SetAShadeLeftTop(clRed); };
    const std::vector<Case> cases = {
        {"angle", none, [](TLabelStyle& s) { s.SetAngle(90); }, true},
        {"same angle", none, [](TLabelStyle& s) { s.SetAngle(0); }, false},
        {"angle out of range on zero", none, [](TLabelStyle& s) { s.SetAngle(400); }, false},
        {"effect", none, [](TLabelStyle& s) { s.SetAStyle3D(A3dResit); }, true},
        {"shade colour", none, [](TLabelStyle& s) { s.SetAShadeRightBottom(clBlue); }, true},
        {"highlight colour", none, [](TLabelStyle& s) { s.SetAShadeLeftTop(clRed); }, true},
        {"shadow offset, raised", none, [](TLabelStyle& s) { s.SetAHShadeOffSet(2); }, false},
        {"shadow offset, shadowed", shadowed, [](TLabelStyle& s) { s.SetAHShadeOffSet(2); }, true},
        {"vertical shadow offset, raised", none, [](TLabelStyle& s) { s.SetAVShadeOffSet(2); }, false},
        {"vertical shadow offset, shadowed", shadowed, [](TLabelStyle& s) { s.SetAVShadeOffSet(2); }, true},
        {"white highlight held white", none, [](TLabelStyle& s) { s.SetAShadeLTSet(true); }, false},
        {"red highlight held white, raised", redHighlight, [](TLabelStyle& s) { s.SetAShadeLTSet(true); }, true},
        {"red highlight held white, sunken",
         [](TLabelStyle& s) { s.SetAShadeLeftTop(clRed); s.SetAStyle3D(A3dResit); },
         [](TLabelStyle& s) { s.SetAShadeLTSet(true); }, true},
        {"red highlight held white, shadowed",
         [](TLabelStyle& s) { s.SetAShadeLeftTop(clRed); s.SetAStyle3D(A3dShadowed); },
         [](TLabelStyle& s) { s.SetAShadeLTSet(true); }, false},
        {"red highlight given back, raised",
         [](TLabelStyle& s) { s.SetAShadeLeftTop(clRed); s.SetAShadeLTSet(true); },
         [](TLabelStyle& s) { s.SetAShadeLTSet(false); }, true},
        {"highlight colour while held", [](TLabelStyle& s) { s.SetAShadeLTSet(true); },
         [](TLabelStyle& s) { s.SetAShadeLeftTop(clRed); }, false},
        {"assign", none, [](TLabelStyle& s) { TLabelStyle other; s.Assign(&other); }, true},
    };
    for (const Case& c : cases) {
        TLabelStyle style;
        c.prepare(style);
        int changes = 0;
        style.OnChange = [&changes](TObject*) { ++changes; };
        c.change(style);
        EXPECT_EQ(changes, c.fires ? 1 : 0) << c.what;
    }
}

TEST_F(VisualTest, HeldHighlightIsWhiteAndItsColourComesBack) {
    TLabelStyle style;
    EXPECT_FALSE(style.AShadeLTSet());
    style.SetAShadeLeftTop(clRed);
    style.SetAShadeLTSet(true);
    EXPECT_EQ(style.AShadeLeftTop(), clWhite);
    style.SetAShadeLeftTop(clBlue);  // ignored while held
    EXPECT_EQ(style.AShadeLeftTop(), clWhite);
    style.SetAShadeLTSet(true);  // again: the remembered red survives
    style.SetAShadeLTSet(false);
    EXPECT_EQ(style.AShadeLeftTop(), clRed);

    // A copy takes every value, and the held colour with them.
    TLabelStyle source;
    source.SetAngle(12);
    source.SetAStyle3D(A3dShadowed);
    source.SetAShadeRightBottom(clNavy);
    source.SetAShadeLeftTop(clYellow);
    source.SetAHShadeOffSet(-2);
    source.SetAVShadeOffSet(3);
    source.SetAShadeLTSet(true);
    TLabelStyle copy;
    copy.Assign(&source);
    EXPECT_EQ(copy.Angle(), 12);
    EXPECT_EQ(copy.AStyle3D(), A3dShadowed);
    EXPECT_EQ(copy.AShadeRightBottom(), clNavy);
    EXPECT_EQ(copy.AShadeLeftTop(), clWhite);
    EXPECT_EQ(copy.AHShadeOffSet(), -2);
    EXPECT_EQ(copy.AVShadeOffSet(), 3);
    EXPECT_TRUE(copy.AShadeLTSet());
    copy.SetAShadeLTSet(false);
    EXPECT_EQ(copy.AShadeLeftTop(), clYellow);
}

TEST_F(VisualTest, NewTitleLabelIsATransparentBoldArialRaisedLabel) {
    TForm form;
    TRotate3DLabel label(&form);
    EXPECT_TRUE(label.Transparent());
    EXPECT_FALSE(label.AutoSize());
    EXPECT_EQ(label.Font()->Name(), "Arial");
    EXPECT_EQ(label.Font()->Style(), FontStyle(fsBold));
    EXPECT_TRUE(label.MyTransparent());
    EXPECT_EQ(label.AngleCos(), 1.0);
    EXPECT_EQ(label.AngleSin(), 0.0);
    const TLabelStyle* style = label.LabelStyle();
    EXPECT_EQ(style->Angle(), 0);
    EXPECT_EQ(style->AStyle3D(), A3dRaised);
    EXPECT_EQ(style->AShadeRightBottom(), 0x808080);
    EXPECT_EQ(style->AShadeLeftTop(), 0xFFFFFF);
    EXPECT_FALSE(style->AShadeLTSet());
    EXPECT_EQ(style->AHShadeOffSet(), 5);
    EXPECT_EQ(style->AVShadeOffSet(), -5);

    TLabelStyle other;
    other.SetAngle(33);
    label.SetLabelStyle(&other);
    EXPECT_EQ(label.LabelStyle()->Angle(), 33);
    EXPECT_NE(label.LabelStyle(), &other);
}

// The shipped title (raised, no angle) is drawn three times: white one pixel up and
// left, grey one pixel down and right, then in the font's colour. The other effects
// and alignments move and colour the copies their own way.
TEST_F(VisualTest, EffectsDrawTheCaptionAtTheirOffsets) {
    struct Case {
        const char* what;
        T3DEffectShort effect;
        TAlignment alignment;
        std::vector<Layer> layers;  // in drawing order
    };
    const COLORREF white = RGB(255, 255, 255), grey = RGB(128, 128, 128), black = RGB(0, 0, 0);
    const std::vector<Case> cases = {
        {"raised, left", A3dRaised, taLeftJustify, {{white, -1, -1}, {grey, 1, 1}, {black, 0, 0}}},
        {"sunken, centred", A3dResit, taCenter, {{white, 1, 1}, {grey, -1, -1}, {black, 0, 0}}},
        {"shadowed, right", A3dShadowed, taRightJustify, {{grey, 5, -5}, {black, 0, 0}}},
        {"normal, centred", A3dNormal, taCenter, {{black, 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TForm form;
        TTestLabel* label = TitleLabel(form, 320, 65, c.alignment);
        label->LabelStyle()->SetAStyle3D(c.effect);
        TBitmap bitmap;
        PaintLabel(*label, bitmap, background);
        POINT origin = TextOrigin(*label);
        std::vector<int> decided = CheckLayers(bitmap, MaskOf(*label, origin), origin, c.layers);
        for (std::size_t j = 0; j < decided.size(); ++j) EXPECT_GT(decided[j], 20) << "layer " << j;
    }
}

TEST_F(VisualTest, AngleTurnsTheTextAroundTheLabelsCentre) {
    TForm form;
    auto paint = [&](int angle, TBitmap& bitmap) {
        TTestLabel* label = TitleLabel(form, 260, 260, taCenter);
        label->LabelStyle()->SetAStyle3D(A3dNormal);
        label->LabelStyle()->SetAngle(angle);
        PaintLabel(*label, bitmap, background);
        return label;
    };
    auto same = [](TBitmap& a, TBitmap& b) {
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (PixelAt(a, x, y) != PixelAt(b, x, y)) return false;
        return true;
    };
    TBitmap level, over, under, upright;
    paint(0, level);
    paint(370, over);
    paint(-10, under);
    TTestLabel* turned = paint(90, upright);
    EXPECT_TRUE(same(level, over));
    EXPECT_TRUE(same(level, under));
    EXPECT_NEAR(turned->AngleCos(), 0.0, 1e-9);
    EXPECT_NEAR(turned->AngleSin(), 1.0, 1e-9);

    // Turned upright, the text runs up the middle of the label.
    RECT box{1000, 1000, -1, -1};
    for (int y = 0; y < upright.Height(); ++y)
        for (int x = 0; x < upright.Width(); ++x)
            if (PixelAt(upright, x, y) != background) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    SIZE text = TextExtentOf(*turned->Font(), title);
    EXPECT_GT(box.bottom - box.top, text.cx - 12);
    EXPECT_LT(box.right - box.left, text.cy + 2);
    EXPECT_NEAR((box.left + box.right) / 2.0, 130, 6);
    EXPECT_NEAR((box.top + box.bottom) / 2.0, 130, 6);
}

TEST_F(VisualTest, OpaqueTitleFillsItsBoxInTheParentsColourWithout3D) {
    TForm form;
    auto* panel = new TPanel(&form);
    panel->SetColor(clYellow);
    TTestLabel* label = TitleLabel(form, 320, 65, taCenter);
    label->SetParent(panel);
    label->SetMyTransparent(false);
    EXPECT_EQ(label->Color(), clYellow);
    EXPECT_FALSE(label->MyTransparent());
    TBitmap bitmap;
    PaintLabel(*label, bitmap, background);

    // The box: the text's size and 10 by 7 pixels more, centred.
    SIZE text = TextExtentOf(*label->Font(), title);
    int cx = 160, cy = 32, halfW = (text.cx + 10) / 2, halfH = (text.cy + 7) / 2;
    const COLORREF yellow = RGB(255, 255, 0);
    EXPECT_EQ(PixelAt(bitmap, cx - halfW, cy - halfH), yellow);
    EXPECT_EQ(PixelAt(bitmap, cx + halfW, cy + halfH), yellow);
    EXPECT_EQ(PixelAt(bitmap, cx - halfW, cy + halfH), yellow);
    EXPECT_EQ(PixelAt(bitmap, cx - halfW - 1, cy), background);
    EXPECT_EQ(PixelAt(bitmap, cx + halfW + 1, cy), background);
    EXPECT_EQ(PixelAt(bitmap, cx, cy - halfH - 1), background);
    EXPECT_EQ(PixelAt(bitmap, cx, cy + halfH + 1), background);

    // Only the text itself, in the font's colour: no highlight, no shade.
    POINT origin = TextOrigin(*label);
    TextMask mask = MaskOf(*label, origin);
    int black = 0, shades = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            COLORREF pixel = PixelAt(bitmap, x, y);
            if (pixel == RGB(255, 255, 255) || pixel == RGB(128, 128, 128)) ++shades;
            if (mask.Solid(x, y) && pixel == RGB(0, 0, 0)) ++black;
        }
    EXPECT_EQ(shades, 0);
    EXPECT_GT(black, 100);
}
