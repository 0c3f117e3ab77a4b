// The backdrop's gradient, read back pixel by pixel from a bitmap it painted, and its
// properties.
#include <memory>
#include <string>
#include <vector>

#include "VisualTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

// A backdrop of the given size painted into a bitmap.
void PaintBackdrop(TTestBackdrop& backdrop, TBitmap& bitmap, int width, int height) {
    backdrop.SetBounds(0, 0, width, height);
    bitmap.SetSize(width, height);
    backdrop.PaintOn(bitmap.DC());
}

struct GradientCase {
    TDirection direction;
    TColor start;
    TColor end;
    int size;       // along the gradient
    int position;   // a row, or a column for the left, right and vertical directions
    COLORREF expected;
};

bool RunsAcrossColumns(TDirection direction) {
    return direction == bdLeft || direction == bdRight || direction == bdVertIn || direction == bdVertOut;
}

} // namespace

TEST_F(VisualTest, BlueToBlackOver256RowsPaintsOneRowPerStep) {
    TForm owner;
    TTestBackdrop backdrop(&owner);
    TBitmap bitmap;
    PaintBackdrop(backdrop, bitmap, 40, 256);
    EXPECT_EQ(PixelAt(bitmap, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(bitmap, 39, 255), RGB(0, 0, 0));
    for (int row = 0; row < 256; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(PixelAt(bitmap, 0, row), RGB(0, 0, 255 - row));
        EXPECT_EQ(PixelAt(bitmap, 39, row), RGB(0, 0, 255 - row));
    }
}

TEST_F(VisualTest, EveryDirectionPaintsItsGradient) {
    const TColor blue = clBlue, black = clBlack, red = clRed;
    const std::vector<GradientCase> cases = {
        {bdUp, blue, black, 256, 128, RGB(0, 0, 127)},
        {bdDown, blue, black, 256, 0, RGB(0, 0, 0)},
        {bdDown, blue, black, 256, 255, RGB(0, 0, 255)},
        {bdLeft, blue, black, 256, 0, RGB(0, 0, 255)},
        {bdLeft, blue, black, 256, 255, RGB(0, 0, 0)},
        {bdRight, blue, black, 256, 0, RGB(0, 0, 0)},
        {bdRight, blue, black, 256, 200, RGB(0, 0, 200)},
        // Symmetric passes: 128 steps from the edges to the middle.
        {bdHorzIn, blue, black, 256, 0, RGB(0, 0, 0)},
        {bdHorzIn, blue, black, 256, 1, RGB(0, 0, 2)},
        {bdHorzIn, blue, black, 256, 127, RGB(0, 0, 255)},
        {bdHorzIn, blue, black, 256, 128, RGB(0, 0, 255)},
        {bdHorzIn, blue, black, 256, 254, RGB(0, 0, 2)},
        {bdHorzIn, blue, black, 256, 255, RGB(0, 0, 0)},
        {bdHorzOut, blue, black, 256, 0, RGB(0, 0, 255)},
        {bdHorzOut, blue, black, 256, 1, RGB(0, 0, 253)},
        {bdHorzOut, blue, black, 256, 128, RGB(0, 0, 0)},
        {bdHorzOut, blue, black, 256, 255, RGB(0, 0, 255)},
        {bdVertIn, blue, black, 256, 0, RGB(0, 0, 255)},
        {bdVertIn, blue, black, 256, 127, RGB(0, 0, 0)},
        {bdVertIn, blue, black, 256, 255, RGB(0, 0, 255)},
        {bdVertOut, blue, black, 256, 0, RGB(0, 0, 0)},
        {bdVertOut, blue, black, 256, 128, RGB(0, 0, 255)},
        // MulDiv rounds both the band edges and the colour steps: on 100 pixels the
        // first and last steps are too thin to show, and the middle steps fall short.
        {bdUp, blue, black, 100, 0, RGB(0, 0, 254)},
        {bdUp, blue, black, 100, 99, RGB(0, 0, 1)},
        {bdHorzIn, blue, black, 100, 0, RGB(0, 0, 2)},
        {bdHorzIn, blue, black, 100, 49, RGB(0, 0, 253)},
        {bdHorzIn, blue, black, 100, 50, RGB(0, 0, 253)},
        {bdHorzIn, blue, black, 100, 99, RGB(0, 0, 2)},
        {bdHorzOut, blue, black, 100, 49, RGB(0, 0, 2)},
        {bdVertIn, blue, black, 100, 50, RGB(0, 0, 2)},
        // Each channel on its own way.
        {bdUp, red, blue, 256, 64, RGB(191, 0, 64)},
        {bdLeft, static_cast<TColor>(0x20C040), static_cast<TColor>(0xE04080), 256, 255, RGB(0x80, 0x40, 0xE0)},
        // System colours count by their current value.
        {bdUp, clBtnFace, clBtnFace, 256, 100, ColorToRGB(clBtnFace)},
        {bdDown, clWindow, clBlack, 256, 255, ColorToRGB(clWindow)},
    };
    TForm owner;
    for (const GradientCase& c : cases) {
        SCOPED_TRACE(directionNames.Name(c.direction) + " size " + std::to_string(c.size) + " at " +
                     std::to_string(c.position));
        TTestBackdrop backdrop(&owner);
        backdrop.SetDirection(c.direction);
        backdrop.SetStartColor(c.start);
        backdrop.SetEndColor(c.end);
        TBitmap bitmap;
        bool columns = RunsAcrossColumns(c.direction);
        PaintBackdrop(backdrop, bitmap, columns ? c.size : 8, columns ? 8 : c.size);
        // The band spans the whole other dimension.
        for (int across : {0, 7}) {
            int x = columns ? c.position : across;
            int y = columns ? across : c.position;
            EXPECT_EQ(PixelAt(bitmap, x, y), c.expected);
        }
    }
}

// Exactly so where no band edge falls on half a pixel: MulDiv rounds halves up, which
// moves such an edge one way in the top half and the other way in the bottom half.
TEST_F(VisualTest, SymmetricGradientIsAMirrorImage) {
    TForm owner;
    for (TDirection direction : {bdHorzIn, bdHorzOut}) {
        for (int size : {257, 453, 768}) {
            SCOPED_TRACE(directionNames.Name(direction) + " " + std::to_string(size));
            TTestBackdrop backdrop(&owner);
            backdrop.SetDirection(direction);
            TBitmap bitmap;
            PaintBackdrop(backdrop, bitmap, 4, size);
            int mismatches = 0;
            for (int row = 0; row < size; ++row)
                if (PixelAt(bitmap, 2, row) != PixelAt(bitmap, 2, size - 1 - row)) ++mismatches;
            EXPECT_EQ(mismatches, 0);
        }
    }
}

TEST_F(VisualTest, BackdropStartsBlueToBlackUpOverTheWholeClient) {
    TForm form;
    TBackdrop backdrop(&form);
    EXPECT_EQ(backdrop.Direction(), bdUp);
    EXPECT_EQ(backdrop.StartColor(), static_cast<TColor>(0xFF0000));
    EXPECT_EQ(backdrop.EndColor(), 0);
    EXPECT_EQ(backdrop.Align(), alClient);
    EXPECT_EQ(backdrop.Tag(), 0);
}

TEST_F(VisualTest, AssigningABackdropCopiesItsGradientAndAlign) {
    TForm form;
    TBackdrop source(&form), target(&form);
    source.SetDirection(bdVertOut);
    source.SetStartColor(clRed);
    source.SetEndColor(clYellow);
    source.SetAlign(alTop);
    source.SetTag(7);
    target.Assign(&source);
    EXPECT_EQ(target.Direction(), bdVertOut);
    EXPECT_EQ(target.StartColor(), clRed);
    EXPECT_EQ(target.EndColor(), clYellow);
    EXPECT_EQ(target.Align(), alTop);
    EXPECT_EQ(target.Tag(), 0);
    TFont font;
    EXPECT_EQ(MessageOf<EConvertError>([&] { target.Assign(&font); }), "Cannot assign a TFont to a TBackdrop");
}

// Tag -1 designates one backdrop (and, separately, one title label) at a time.
template <class T>
void CheckDesignation() {
    TForm form;
    auto* first = new T(&form);
    auto* second = new T(&form);
    EXPECT_EQ(T::Designated(), nullptr);
    first->SetTag(-1);
    EXPECT_EQ(T::Designated(), first);
    // Through the component's own Tag, as a description sets it.
    static_cast<TComponent*>(second)->SetTag(-1);
    EXPECT_EQ(T::Designated(), second);
    EXPECT_EQ(first->Tag(), 0);
    EXPECT_EQ(second->Tag(), -1);
    first->SetTag(3);
    EXPECT_EQ(T::Designated(), second);
    second->Free();
    EXPECT_EQ(T::Designated(), nullptr);
    EXPECT_EQ(first->Tag(), 3);
    first->SetTag(-1);
    first->SetTag(0);
    EXPECT_EQ(T::Designated(), nullptr);
}

TEST_F(VisualTest, TagMinusOneDesignatesOneBackdropAndOneLabel) {
    {
        SCOPED_TRACE("backdrop");
        CheckDesignation<TBackdrop>();
    }
    {
        SCOPED_TRACE("label");
        CheckDesignation<TRotate3DLabel>();
    }
    // Both kinds at once: designating a label leaves the backdrop designated.
    TForm form;
    auto* backdrop = new TBackdrop(&form);
    auto* label = new TRotate3DLabel(&form);
    backdrop->SetTag(-1);
    label->SetTag(-1);
    EXPECT_EQ(TBackdrop::Designated(), backdrop);
    EXPECT_EQ(TRotate3DLabel::Designated(), label);
    EXPECT_EQ(backdrop->Tag(), -1);
}

TEST_F(VisualTest, MainFormDescriptionCreatesBackdropAndTitle) {
    TVisualForm form(nullptr, MainFormDescription("wsNormal"));
    ASSERT_NE(form.backdrop, nullptr);
    ASSERT_NE(form.title, nullptr);
    EXPECT_EQ(form.backdrop->ClassName(), "TBackdrop");
    EXPECT_EQ(form.title->ClassName(), "TRotate3DLabel");
    EXPECT_EQ(form.title->Parent(), form.backdrop);
    EXPECT_EQ(TBackdrop::Designated(), form.backdrop);
    // The backdrop fills the client; the title spans it inside the panel's one-pixel
    // bevel, which the backdrop keeps for layout but does not paint.
    EXPECT_EQ(form.backdrop->Align(), alClient);
    EXPECT_EQ(form.backdrop->Width(), 688);
    EXPECT_EQ(form.backdrop->Height(), 453);
    EXPECT_EQ(form.title->Left(), 1);
    EXPECT_EQ(form.title->Top(), 1);
    EXPECT_EQ(form.title->Width(), 686);
    EXPECT_EQ(form.title->Height(), 65);
    EXPECT_EQ(form.title->Caption(), "Larkspan 7.030B");
    EXPECT_EQ(form.title->Font()->Name(), "Arial");
    EXPECT_EQ(form.title->Font()->Height(), -24);
    EXPECT_EQ(form.title->Font()->Style(), FontStyle(fsBold));
    EXPECT_FALSE(form.title->ParentFont());
    EXPECT_FALSE(form.title->LabelStyle()->AShadeLTSet());
    EXPECT_EQ(form.title->LabelStyle()->AStyle3D(), A3dRaised);
    EXPECT_TRUE(form.title->MyTransparent());
    EXPECT_EQ(form.title->Alignment(), taLeftJustify);
    EXPECT_TRUE(errors.empty());
}

TEST_F(VisualTest, DescriptionSetsEveryPropertyOfBackdropAndStyle) {
    const std::string description =
        "object VisualForm: TVisualForm\n"
        "  object BackDrop: TBackdrop\n"
        "    Direction = bdVertIn\n"
        "    StartColor = $00FF00\n"
        "    EndColor = $0000FF\n"
        "    Align = alNone\n"
        "    object ProductLabel: TRotate3DLabel\n"
        "      Caption = 'Turned'\n"
        "      Alignment = taCenter\n"
        "      MyTransparent = False\n"
        "      LabelStyle.Angle = 30\n"
        "      LabelStyle.AStyle3D = A3dShadowed\n"
        "      LabelStyle.AShadeRightBottom = $FF00FF\n"
        "      LabelStyle.AShadeLeftTop = $00FFFF\n"
        "      LabelStyle.AHShadeOffSet = -3\n"
        "      LabelStyle.AVShadeOffSet = 4\n"
        "      LabelStyle.AShadeLTSet = True\n"
        "    end\n"
        "  end\n"
        "end\n";
    TVisualForm form(nullptr, description);
    EXPECT_EQ(form.backdrop->Direction(), bdVertIn);
    EXPECT_EQ(form.backdrop->StartColor(), 0x00FF00);
    EXPECT_EQ(form.backdrop->EndColor(), 0x0000FF);
    EXPECT_EQ(form.backdrop->Align(), alNone);
    TLabelStyle* style = form.title->LabelStyle();
    EXPECT_EQ(form.title->Alignment(), taCenter);
    EXPECT_FALSE(form.title->MyTransparent());
    EXPECT_EQ(style->Angle(), 30);
    EXPECT_EQ(style->AStyle3D(), A3dShadowed);
    EXPECT_EQ(style->AShadeRightBottom(), 0xFF00FF);
    EXPECT_EQ(style->AHShadeOffSet(), -3);
    EXPECT_EQ(style->AVShadeOffSet(), 4);
    EXPECT_TRUE(style->AShadeLTSet());
    EXPECT_EQ(style->AShadeLeftTop(), clWhite);
    style->SetAShadeLTSet(false);
    EXPECT_EQ(style->AShadeLeftTop(), 0x00FFFF);
}
