// A form with every control, as it appears on the screen. The test reads pixels back
// from the screen and leaves the picture in forms_screenshot.bmp beside the test
// program for a person to look at.
#include <string>

#include "FormsTestSupport.h"
#include "platform/Buttons.h"
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"

using namespace qlry;
using namespace qlry::test;

namespace {

template <class T>
T* Place(TForm& form, TWinControl* parent, const char* name, int left, int top, int width, int height) {
    auto* control = new T(&form);
    control->SetName(name);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

// The colour on the screen at a point of a control's client area.
COLORREF ScreenPixel(TBitmap& shot, const TForm& form, const TControl* control, int x, int y) {
    POINT point = control->ClientToScreen(POINT{x, y});
    return GetPixel(shot.DC(), point.x - form.Left(), point.y - form.Top());
}

int CountPixels(TBitmap& shot, const TForm& form, const TControl* control, COLORREF color) {
    int count = 0;
    for (int y = 0; y < control->Height(); ++y)
        for (int x = 0; x < control->Width(); ++x)
            if (ScreenPixel(shot, form, control, x, y) == color) ++count;
    return count;
}

} // namespace

TEST_F(FormsTest, FormWithEveryControlIsDrawnOnTheScreen) {
    TForm form;
    form.SetCaption("Every control");
    form.SetBorderStyle(bsDialog);
    form.SetBounds(20, 20, 760, 520);
    form.Font()->SetName("Arial");
    form.OnPaint = [&form](TObject*) {
        TCanvas* canvas = form.Canvas();
        canvas->Brush()->SetColor(clRed);
        canvas->FillRect(RECT{600, 400, 700, 440});
        canvas->Pen()->SetColor(clNavy);
        canvas->Brush()->SetColor(clYellow);
        canvas->Polygon({{620, 450}, {680, 450}, {650, 480}});
        canvas->Brush()->SetStyle(bsClear);
        canvas->Font()->SetStyle(FontStyle(fsBold));
        canvas->TextOut(600, 380, "Canvas text");
    };

    auto* top = Place<TPanel>(form, &form, "TopPanel", 0, 0, 0, 40);
    top->SetAlign(alTop);
    top->SetCaption("A raised panel with its caption");
    top->SetBevelInner(bvLowered);
    auto* label = Place<TLabel>(form, &form, "WrappedLabel", 10, 50, 220, 13);
    label->SetWordWrap(true);
    label->SetCaption("This program will install the software on your computer. Click Next to continue.");
    auto* button = Place<TButton>(form, &form, "PlainButton", 10, 110, 70, 25);
    button->SetCaption("&Browse");
    auto* bitBtn = Place<TBitBtn>(form, &form, "GlyphButton", 85, 110, 75, 33);
    bitBtn->SetKind(bkOK);
    bitBtn->Glyph()->LoadFromResourceName(nullptr, "QLRYTESTGLYPH");
    auto* disabled = Place<TBitBtn>(form, &form, "DisabledButton", 165, 110, 75, 33);
    disabled->SetCaption("< Previous");
    disabled->SetEnabled(false);
    auto* image = Place<TImage>(form, &form, "Picture", 10, 160, 80, 80);
    image->Picture()->Bitmap()->LoadFromResourceName(nullptr, "QLRYTESTPICTURE");
    image->SetCenter(true);
    auto* stretched = Place<TImage>(form, &form, "Stretched", 100, 160, 120, 60);
    stretched->Picture()->Assign(image->Picture());
    stretched->SetStretch(true);
    auto* progress = Place<TProgressBar>(form, &form, "Progress", 10, 250, 220, 18);
    progress->SetPosition(50);
    auto* list = Place<TListBox>(form, &form, "FolderListBox", 10, 280, 220, 80);
    list->SetSorted(true);
    for (const char* item : {"Startup", "Accessories", "Games"}) list->Items()->Add(item);
    list->SetItemIndex(1);
    auto* edit = Place<TEdit>(form, &form, "FolderEdit", 10, 370, 220, 21);
    edit->SetTextValue("Larkspan 7.030B");
    auto* rich = Place<TRichEdit>(form, &form, "Agreement", 250, 50, 230, 110);
    rich->SetReadOnly(true);
    rich->SetColor(clBtnFace);
    rich->SetScrollBars(ssVertical);
    rich->Lines()->SetText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 The license for this package is "
                           "{\\b bold} and {\\i italic}.\\par Second paragraph.}");
    auto* radio = Place<TRadioGroup>(form, &form, "RG", 250, 170, 250, 80);
    radio->SetCaption("Reboot windows");
    radio->Items()->Add("Yes, I would like to reboot windows");
    radio->Items()->Add("No, I would not like to reboot windows");
    radio->SetItemIndex(1);
    auto* group = Place<TGroupBox>(form, &form, "gbDirectory", 250, 260, 230, 60);
    group->SetCaption("Destination Directory");
    auto* inGroup = Place<TEdit>(form, group, "edDestDir", 10, 24, 210, 21);
    inGroup->SetTextValue("C:\\Program Files\\Larkspan");
    auto* check = Place<TCheckBox>(form, &form, "Check", 250, 330, 110, 17);
    check->SetCaption("A check box");
    check->SetChecked(true);
    auto* single = Place<TRadioButton>(form, &form, "Single", 370, 330, 110, 17);
    single->SetCaption("A radio button");
    auto* bevel = Place<TBevel>(form, &form, "Bevel1", 250, 355, 230, 9);
    bevel->SetShape(bsBottomLine);
    auto* tabs = Place<TTabControl>(form, &form, "Tabs", 510, 50, 235, 90);
    for (const char* tab : {"One", "Two", "Three"}) tabs->Tabs()->Add(tab);
    tabs->SetTabIndex(1);
    auto* pages = Place<TPageControl>(form, &form, "Pages", 510, 150, 235, 110);
    for (const char* caption : {"First sheet", "Second sheet"}) {
        auto* sheet = new TTabSheet(&form);
        sheet->SetCaption(caption);
        sheet->SetPageControl(pages);
        auto* sheetLabel = new TLabel(&form);
        sheetLabel->SetParent(sheet);
        sheetLabel->SetBounds(8, 8, 200, 13);
        sheetLabel->SetCaption(std::string("On the ") + caption);
    }
    pages->SetActivePageIndex(1);
    auto* shadowPanel = Place<TPanel>(form, &form, "Lowered", 510, 270, 235, 60);
    shadowPanel->SetBevelOuter(bvLowered);
    shadowPanel->SetColor(clWhite);
    shadowPanel->SetAlignment(taLeftJustify);
    shadowPanel->SetCaption("White panel, caption left");

    form.Show();
    // Windows that other suites left on the shared desktop (explorer folders closing
    // late) must not cover the form when the screen is read.
    CloseExplorerWindows();
    SetWindowPos(form.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    PumpFor(1500);  // the screen needs a moment after the windows appear

    TBitmap shot;
    shot.SetSize(form.Width(), form.Height());
    {
        TScreenDC screen;
        BitBlt(shot.DC(), 0, 0, form.Width(), form.Height(), screen.Get(), form.Left(), form.Top(), SRCCOPY);
    }
    shot.SaveToFile(ProgramDir() + "forms_screenshot.bmp");

    // The canvas painting of the form itself.
    EXPECT_EQ(ScreenPixel(shot, form, &form, 650, 420), RGB(255, 0, 0));
    EXPECT_EQ(ScreenPixel(shot, form, &form, 650, 460), RGB(255, 255, 0));
    // The centred picture: its blue quarter starts 16 pixels in.
    EXPECT_EQ(ScreenPixel(shot, form, image, 20, 20), RGB(0, 0, 255));
    EXPECT_EQ(ScreenPixel(shot, form, image, 60, 60), RGB(220, 0, 0));
    EXPECT_EQ(ScreenPixel(shot, form, image, 2, 2), ColorToRGB(clBtnFace));
    // A half-full bar: the left half differs from the right half.
    EXPECT_NE(ScreenPixel(shot, form, progress, 50, 9), ScreenPixel(shot, form, progress, 170, 9));
    // The glyph's tick is drawn, its magenta background is not.
    EXPECT_GT(CountPixels(shot, form, bitBtn, RGB(0, 128, 0)), 10);
    EXPECT_EQ(CountPixels(shot, form, bitBtn, RGB(255, 0, 255)), 0);
    // Text appears where the label, the edit and the rich edit are.
    EXPECT_GT(CountPixels(shot, form, label, ColorToRGB(clWindowText)), 50);
    EXPECT_GT(CountPixels(shot, form, edit, ColorToRGB(clWindowText)), 30);
    EXPECT_GT(CountPixels(shot, form, rich, RGB(0, 0, 0)), 50);
    EXPECT_EQ(ScreenPixel(shot, form, shadowPanel, 200, 40), RGB(255, 255, 255));
    EXPECT_TRUE(errors.empty());
}
