#pragma once
// Painting the backdrop and the title label into bitmaps, and a form that reads the
// main window's layout from a description.
#include <windows.h>

#include <string>

#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "support/TestSupport.h"
#include "unit/forms/FormsTestSupport.h"
#include "visual/cmp_Rotate3DLabel.h"
#include "visual/cmp_TBackDrop.h"

namespace qlry::test {

// An application that records the exceptions reaching it.
class VisualTest : public FormsTest {};

// A backdrop that paints itself, through its own window's paint path, onto any context.
class TTestBackdrop : public TBackdrop {
public:
    using TBackdrop::TBackdrop;
    void PaintOn(HDC dc) { PaintWindow(dc); }
};

// A label painted the way its parent paints it, onto any context.
class TTestLabel : public TRotate3DLabel {
public:
    using TRotate3DLabel::TRotate3DLabel;
    void PaintOn(HDC dc) { PaintTo(dc); }
};

// A bitmap of the label's size filled with Background, with the label painted on it.
inline void PaintLabel(TTestLabel& label, TBitmap& bitmap, COLORREF background) {
    bitmap.SetSize(label.Width(), label.Height());
    TBrushHandle brush(CreateSolidBrush(background));
    RECT all{0, 0, label.Width(), label.Height()};
    FillRect(bitmap.DC(), &all, brush.Get());
    label.PaintOn(bitmap.DC());
}

inline COLORREF PixelAt(TBitmap& bitmap, int x, int y) { return GetPixel(bitmap.DC(), x, y); }

// The main window's layout as the setup's project gives it.
inline std::string MainFormDescription(const std::string& windowState) {
    return "object VisualForm: TVisualForm\n"
           "  Caption = 'Setup'\n"
           "  Left = 0\n"
           "  Top = 0\n"
           "  ClientWidth = 688\n"
           "  ClientHeight = 453\n"
           "  WindowState = " + windowState + "\n"
           "  object BackDrop: TBackdrop\n"
           "    Left = 0\n"
           "    Top = 0\n"
           "    Width = 688\n"
           "    Height = 453\n"
           "    TabOrder = 0\n"
           "    Tag = -1\n"
           "    object ProductLabel: TRotate3DLabel\n"
           "      Left = 1\n"
           "      Top = 1\n"
           "      Width = 686\n"
           "      Height = 65\n"
           "      Align = alTop\n"
           "      Caption = 'Larkspan 7.030B'\n"
           "      Font.Name = 'Arial'\n"
           "      Font.Height = -24\n"
           "      Font.Style = [fsBold]\n"
           "      ParentFont = False\n"
           "      LabelStyle.AShadeLTSet = False\n"
           "    end\n"
           "  end\n"
           "end\n";
}

class TVisualForm : public TForm {
public:
    TVisualForm(TComponent* owner, const std::string& description) : TForm(owner) {
        InitFromDescriptionText(description);
        backdrop = FindComponentAs<TBackdrop>(this, "BackDrop");
        title = FindComponentAs<TRotate3DLabel>(this, "ProductLabel");
    }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info("TVisualForm", &TForm::StaticClassInfo(), nullptr, {});
        return info;
    }
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TBackdrop* backdrop = nullptr;
    TRotate3DLabel* title = nullptr;
};

} // namespace qlry::test
