// Layout of real windows: aligned children, auto-sized labels, forms read from
// descriptions, forms living inside other windows.
#include <memory>
#include <string>

#include "FormsTestSupport.h"
#include "platform/Buttons.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

using namespace qlry;
using namespace qlry::test;

namespace {

TPanel* AlignedPanel(TWinControl* parent, TAlign align, const char* name) {
    auto* panel = new TPanel(parent->Owner() ? parent->Owner() : parent);
    panel->SetName(name);
    panel->SetParent(parent);
    panel->SetAlign(align);
    return panel;
}

// The bounds the control holds and, for a control with a window, the window's own.
void ExpectBounds(TControl* control, int left, int top, int width, int height) {
    SCOPED_TRACE(control->Name());
    EXPECT_EQ(control->Left(), left);
    EXPECT_EQ(control->Top(), top);
    EXPECT_EQ(control->Width(), width);
    EXPECT_EQ(control->Height(), height);
    auto* windowed = dynamic_cast<TWinControl*>(control);
    if (!windowed || !windowed->HandleAllocated()) return;
    RECT rect{};
    GetWindowRect(windowed->Handle(), &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(windowed->Handle()), reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
}

class TTestDescForm : public TForm {
public:
    explicit TTestDescForm(TComponent* owner) : TForm(owner) {
        PublishMethod("FormCreate", TNotifyEvent([this](TObject*) { created = true; }));
        PublishMethod("OkBtnClick", TNotifyEvent([this](TObject*) { ++okClicks; }));
        InitFromDescription("TTestDescForm");
    }
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info("TTestDescForm", &TForm::StaticClassInfo(), nullptr, {});
        return info;
    }
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    bool created = false;
    int okClicks = 0;
};

} // namespace

TEST_F(FormsTest, AlignedPanelsShareTheClientAreaAndFollowAResize) {
    TForm form;
    form.SetClientWidth(400);
    form.SetClientHeight(300);
    TPanel* top = AlignedPanel(&form, alTop, "TopPanel");
    top->SetHeight(30);
    TPanel* bottom = AlignedPanel(&form, alBottom, "BottomPanel");
    bottom->SetHeight(40);
    TPanel* left = AlignedPanel(&form, alLeft, "LeftPanel");
    left->SetWidth(50);
    TPanel* right = AlignedPanel(&form, alRight, "RightPanel");
    right->SetWidth(60);
    TPanel* client = AlignedPanel(&form, alClient, "ClientPanel");
    TPanel* later = AlignedPanel(&form, alTop, "HiddenTopPanel");
    later->SetHeight(20);
    later->SetTop(100);  // below TopPanel once it shows
    later->Hide();
    form.Show();

    ExpectBounds(top, 0, 0, 400, 30);
    ExpectBounds(bottom, 0, 260, 400, 40);
    ExpectBounds(left, 0, 30, 50, 230);
    ExpectBounds(right, 340, 30, 60, 230);
    ExpectBounds(client, 50, 30, 290, 230);

    form.SetClientWidth(600);
    form.SetClientHeight(500);
    ExpectBounds(top, 0, 0, 600, 30);
    ExpectBounds(bottom, 0, 460, 600, 40);
    ExpectBounds(left, 0, 30, 50, 430);
    ExpectBounds(right, 540, 30, 60, 430);
    ExpectBounds(client, 50, 30, 490, 430);

    // A hidden aligned control takes no room; shown, it takes its place by its position.
    later->Show();
    ExpectBounds(top, 0, 0, 600, 30);
    ExpectBounds(later, 0, 30, 600, 20);
    ExpectBounds(client, 50, 50, 490, 410);

    // Children of a panel share what is inside its bevel and border.
    client->SetBorderWidth(8);
    auto* inner = new TPanel(&form);
    inner->SetParent(client);
    inner->SetAlign(alClient);
    ExpectBounds(inner, 9, 9, 490 - 18, 410 - 18);
}

TEST_F(FormsTest, WrappedAutoSizedLabelTakesTheHeightOfItsLines) {
    TForm form;
    form.SetClientWidth(1000);
    form.SetClientHeight(400);
    TPanel* column = AlignedPanel(&form, alLeft, "Column");
    column->SetWidth(120);
    column->SetBevelOuter(bvNone);
    auto* wrapped = new TLabel(&form);
    wrapped->SetParent(column);
    wrapped->SetWordWrap(true);
    wrapped->SetAlign(alTop);
    wrapped->SetCaption("It is strongly recommended that you exit all Windows programs before running this setup.");
    auto* below = new TLabel(&form);
    below->SetParent(column);
    below->SetTop(500);
    below->SetAlign(alTop);
    below->SetCaption("Next");
    form.Show();

    int line = LineHeightOf(*wrapped->Font());
    ASSERT_GT(line, 0);
    EXPECT_EQ(wrapped->Width(), 120);
    EXPECT_GE(wrapped->Height(), 4 * line);
    EXPECT_EQ(wrapped->Height() % line, 0);
    EXPECT_EQ(below->Top(), wrapped->Height());

    // Wider, the same text needs one line, and what follows moves up.
    column->SetWidth(900);
    EXPECT_EQ(wrapped->Height(), line);
    EXPECT_EQ(below->Top(), line);

    // Unwrapped, the label takes its text's size; empty, it keeps one line.
    auto* plain = new TLabel(&form);
    plain->SetParent(&form);
    plain->SetCaption("Total progress");
    EXPECT_EQ(plain->Width(), TextExtentOf(*plain->Font(), "Total progress").cx);
    EXPECT_EQ(plain->Height(), line);
    plain->SetCaption("");
    EXPECT_EQ(plain->Height(), line);

    // A right-justified label grows to the left.
    auto* right = new TLabel(&form);
    right->SetParent(&form);
    right->SetAlignment(taRightJustify);
    right->SetCaption("x");
    int rightEdge = right->Left() + right->Width();
    right->SetCaption("File progress");
    EXPECT_EQ(right->Left() + right->Width(), rightEdge);
}

TEST_F(FormsTest, FormReadFromADescriptionHasItsControlsCaptionsAndFonts) {
    auto form = std::make_unique<TTestDescForm>(nullptr);
    EXPECT_TRUE(form->created);
    EXPECT_EQ(form->Caption(), "Described form");
    EXPECT_EQ(form->BorderStyle(), bsDialog);
    EXPECT_EQ(form->BorderIcons(), 0u);
    EXPECT_EQ(form->ClientWidth(), 487);
    EXPECT_EQ(form->ClientHeight(), 300);
    EXPECT_EQ(form->Color(), clBtnFace);

    auto* bottom = FindComponentAs<TPanel>(form.get(), "BottomPanel");
    auto* clientPanel = FindComponentAs<TPanel>(form.get(), "ClientPanel");
    auto* ok = FindComponentAs<TButton>(form.get(), "OkBtn");
    auto* cancel = FindComponentAs<TBitBtn>(form.get(), "CancelBtn");
    auto* title = FindComponentAs<TLabel>(form.get(), "Title");
    auto* body = FindComponentAs<TLabel>(form.get(), "Body");
    auto* folders = FindComponentAs<TListBox>(form.get(), "Folders");
    auto* theme = FindComponentAs<TImage>(form.get(), "ThemeBitmap");
    ASSERT_TRUE(bottom && clientPanel && ok && cancel && title && body && folders && theme);
    EXPECT_EQ(theme->Width(), 48);  // the picture's size, through AutoSize
    EXPECT_EQ(theme->Picture()->Height(), 48);
    EXPECT_EQ(bottom->Parent(), form.get());
    EXPECT_EQ(ok->Parent(), bottom);
    EXPECT_EQ(cancel->Parent(), bottom);
    EXPECT_EQ(title->Parent(), clientPanel);
    EXPECT_EQ(ok->Owner(), form.get());

    EXPECT_EQ(title->Font()->Name(), "Arial");
    EXPECT_EQ(title->Font()->Height(), -16);
    EXPECT_EQ(title->Font()->Style(), FontStyle(fsBold));
    EXPECT_FALSE(title->ParentFont());
    // Body stores no font: it has its form's.
    EXPECT_TRUE(body->ParentFont());
    EXPECT_EQ(body->Font()->Name(), "Arial");
    EXPECT_EQ(body->Font()->Height(), -11);
    EXPECT_EQ(body->Font()->Charset(), 0);
    // A later change of the form's font reaches the controls that follow it, only those.
    form->Font()->SetCharset(EASTEUROPE_CHARSET);
    EXPECT_EQ(body->Font()->Charset(), EASTEUROPE_CHARSET);
    EXPECT_EQ(FindComponentAs<TPanel>(form.get(), "ClientPanel")->Font()->Charset(), EASTEUROPE_CHARSET);
    EXPECT_EQ(title->Font()->Charset(), 0);
    form->Font()->SetCharset(0);

    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_TRUE(ok->Default());
    EXPECT_EQ(cancel->Caption(), "Cancel");
    EXPECT_EQ(cancel->ModalResult(), mrCancel);
    EXPECT_TRUE(cancel->Cancel());

    // The layout as the aligned controls give it, before any window exists.
    EXPECT_EQ(bottom->Top(), 248);
    EXPECT_EQ(clientPanel->Height(), 248);
    EXPECT_EQ(title->Top(), 8);
    EXPECT_EQ(title->Width(), 487 - 16);
    EXPECT_EQ(body->Top(), 8 + title->Height());
    EXPECT_EQ(body->Height(), 2 * LineHeightOf(*body->Font()));

    form->Show();
    EXPECT_EQ(form->ClientWidth(), 487);
    // The canvas measures text outside painting too, in the form's font.
    EXPECT_EQ(form->Canvas()->TextWidth("Setup needs the next disk"),
              TextExtentOf(*form->Font(), "Setup needs the next disk").cx);
    EXPECT_EQ(form->Left(), (GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2);

    // The sorted list shows its lines in order.
    std::vector<std::string> shown;
    for (int i = 0; i < 3; ++i) {
        char text[32] = {};
        SendMessageA(folders->Handle(), LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        shown.push_back(text);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"alpha", "Mid", "Zeta"}));

    // Windows carry their controls' names; pressing one runs the handler the description named.
    HWND okWindow = FindChildByName(form->Handle(), "OkBtn");
    EXPECT_EQ(okWindow, ok->Handle());
    EXPECT_EQ(FindControl(okWindow), ok);
    SendMessageA(okWindow, BM_CLICK, 0, 0);
    EXPECT_EQ(form->okClicks, 1);
    EXPECT_EQ(form->ModalResult(), mrOk);
}

TEST_F(FormsTest, SortedListBoxKeepsItsOrderAndReportsTheClickedLine) {
    TForm form;
    auto* list = new TListBox(&form);
    list->SetParent(&form);
    list->SetBounds(0, 0, 200, 150);
    list->SetSorted(true);
    for (const char* name : {"Wine", "accessories", "Larkspan 7.030B", "Games"}) list->Items()->Add(name);
    std::vector<int> clicked;
    list->OnClick = [&](TObject*) { clicked.push_back(list->ItemIndex()); };
    form.Show();

    ASSERT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 4);
    char text[64] = {};
    SendMessageA(list->Handle(), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Games");
    EXPECT_EQ(list->Items()->Strings(2), "Larkspan 7.030B");

    RECT item{};
    SendMessageA(list->Handle(), LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item));
    LPARAM point = MAKELPARAM(item.left + 5, item.top + 2);
    SendMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(list->Handle(), WM_LBUTTONUP, 0, point);
    EXPECT_EQ(clicked, std::vector<int>{2});

    // A line added in front keeps the same line selected.
    list->Items()->Add("Alpha");
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_EQ(list->Items()->Strings(list->ItemIndex()), "Larkspan 7.030B");
}

TEST_F(FormsTest, FormGivenAParentIsAChildWindowInsideIt) {
    TForm container;
    container.SetBorderStyle(bsDialog);
    container.SetClientWidth(400);
    container.SetClientHeight(300);
    TPanel* display = AlignedPanel(&container, alClient, "DisplayPanel");
    display->SetBevelOuter(bvNone);
    container.Show();

    auto* page = new TForm(&container);
    page->SetBorderStyle(bsNone);
    page->SetParent(display);
    page->SetAlign(alClient);
    page->Show();
    HWND pageWindow = page->Handle();
    EXPECT_TRUE(GetWindowLongA(pageWindow, GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(GetParent(pageWindow), display->Handle());
    EXPECT_TRUE(IsWindowVisible(pageWindow));
    ExpectBounds(page, 0, 0, 400, 300);
    container.SetClientWidth(500);
    ExpectBounds(page, 0, 0, 500, 300);

    // A page living in a window that is not its parent control's, stacked over another.
    auto* first = new TForm(&container);
    auto* second = new TForm(&container);
    for (TForm* stacked : {first, second}) {
        stacked->SetBorderStyle(bsNone);
        stacked->SetParentWindow(container.Handle());
        stacked->SetBounds(10, 20, 100, 50);
        stacked->Show();
        EXPECT_TRUE(GetWindowLongA(stacked->Handle(), GWL_STYLE) & WS_CHILD);
        EXPECT_EQ(GetParent(stacked->Handle()), container.Handle());
        ExpectBounds(stacked, 10, 20, 100, 50);
    }
    first->BringToFront();
    EXPECT_EQ(GetWindow(container.Handle(), GW_CHILD), first->Handle());
    second->BringToFront();
    EXPECT_EQ(GetWindow(container.Handle(), GW_CHILD), second->Handle());
}
