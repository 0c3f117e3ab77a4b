// What the controls report when the user or the program changes them, and the states a
// form and the screen take.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "FormsTestSupport.h"
#include "platform/ComCtrls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

using namespace qlry;
using namespace qlry::test;

namespace {
template <class T>
T* Add(TForm& form, int left, int top, int width, int height) {
    auto* control = new T(&form);
    control->SetParent(&form);
    control->SetBounds(left, top, width, height);
    return control;
}

void ClickAt(HWND window, const RECT& rect) {
    LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageA(window, WM_LBUTTONUP, 0, point);
}
} // namespace

TEST_F(FormsTest, EditReportsEveryChangeOfItsText) {
    TForm form;
    auto* edit = Add<TEdit>(form, 10, 10, 200, 21);
    std::vector<std::string> seen;
    edit->OnChange = [&](TObject*) { seen.push_back(edit->Text()); };
    edit->SetTextValue("before the window");
    form.Show();
    edit->SetTextValue("by code");
    edit->SetTextValue("by code");  // no change, no report
    SendMessageA(edit->Handle(), EM_SETSEL, 7, 7);
    SendMessageA(edit->Handle(), WM_CHAR, 'x', 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"before the window", "by code", "by codex"}));

    edit->SetReadOnly(true);
    SendMessageA(edit->Handle(), WM_CHAR, 'y', 0);
    EXPECT_EQ(edit->Text(), "by codex");
    auto* limited = Add<TEdit>(form, 10, 40, 200, 21);
    limited->SetMaxLength(3);
    for (char c : std::string("abcd")) SendMessageA(limited->Handle(), WM_CHAR, c, 0);
    EXPECT_EQ(limited->Text(), "abc");
}

TEST_F(FormsTest, ChoicesMadeByCodeOrByClickFireTheirHandlers) {
    TForm form;
    form.SetBounds(10, 10, 500, 300);
    auto* group = Add<TRadioGroup>(form, 10, 10, 300, 60);
    group->Items()->Add("Yes, I would like to reboot windows");
    group->Items()->Add("No, I would not like to reboot windows");
    group->SetColumns(2);
    std::vector<int> choices;
    group->OnClick = [&](TObject*) { choices.push_back(group->ItemIndex()); };
    auto* check = Add<TCheckBox>(form, 10, 80, 100, 17);
    int checkClicks = 0;
    check->OnClick = [&](TObject*) { ++checkClicks; };
    auto* tabs = Add<TTabControl>(form, 10, 110, 300, 100);
    for (const char* tab : {"One", "Two", "Three"}) tabs->Tabs()->Add(tab);
    int changes = 0, askings = 0;
    tabs->OnChange = [&](TObject*) { ++changes; };
    tabs->OnChanging = [&](TObject*, bool& allow) { allow = ++askings > 1; };
    form.Show();

    group->SetItemIndex(1);
    group->SetItemIndex(1);
    EXPECT_EQ(choices, std::vector<int>{1});
    SendMessageA(group->Button(0)->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(choices, (std::vector<int>{1, 0}));
    EXPECT_EQ(SendMessageA(group->Button(1)->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_GT(group->Button(1)->Left(), group->Button(0)->Left());
    EXPECT_EQ(group->Button(1)->Top(), group->Button(0)->Top());

    SendMessageA(check->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(SendMessageA(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(checkClicks, 1);

    // From code the index changes silently; a click asks first and may be refused.
    tabs->SetTabIndex(2);
    EXPECT_EQ(tabs->TabIndex(), 2);
    EXPECT_EQ(changes, 0);
    RECT first{};
    SendMessageA(tabs->Handle(), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    ClickAt(tabs->Handle(), first);
    EXPECT_EQ(tabs->TabIndex(), 2);
    ClickAt(tabs->Handle(), first);
    EXPECT_EQ(tabs->TabIndex(), 0);
    EXPECT_EQ(askings, 2);
    EXPECT_EQ(changes, 1);
}

TEST_F(FormsTest, MaximisedFormFillsTheScreenAndItsBackdropFollows) {
    TForm form;
    form.SetBounds(192, 107, 696, 480);
    auto* backdrop = new TPanel(&form);
    backdrop->SetParent(&form);
    backdrop->SetAlign(alClient);
    int resizes = 0;
    form.OnResize = [&](TObject*) { ++resizes; };
    form.Show();
    form.SetWindowState(wsMaximized);
    EXPECT_TRUE(IsZoomed(form.Handle()));
    EXPECT_EQ(form.WindowState(), wsMaximized);
    EXPECT_GT(resizes, 0);
    EXPECT_GT(form.Width(), Screen()->Width() - 20);
    EXPECT_EQ(backdrop->Width(), form.ClientWidth());
    EXPECT_EQ(backdrop->Height(), form.ClientHeight());

    // Moved off the screen, as a hidden main form is.
    form.SetWindowState(wsNormal);
    EXPECT_EQ(form.Width(), 696);
    form.SetLeft(-2 * form.Width());
    form.SetTop(-2 * form.Height());
    RECT rect{};
    GetWindowRect(form.Handle(), &rect);
    EXPECT_EQ(rect.left, -2 * 696);
    EXPECT_EQ(rect.top, -2 * 480);
}

TEST_F(FormsTest, HourGlassShowsOverEveryWindowWhileTheScreenCursorIsSet) {
    TForm form;
    auto* button = Add<TButton>(form, 10, 10, 75, 25);
    auto* panel = Add<TPanel>(form, 100, 10, 100, 50);
    panel->SetCursor(crHandPoint);
    form.Show();
    auto askCursor = [](TWinControl* control) {
        ::SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        return SendMessageA(control->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(control->Handle()),
                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    };
    HCURSOR wait = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
    HCURSOR hand = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));

    Screen()->SetCursor(crHourGlass);
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_TRUE(askCursor(button));
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_TRUE(askCursor(panel));
    EXPECT_EQ(GetCursor(), wait);

    Screen()->SetCursor(crDefault);
    EXPECT_TRUE(askCursor(panel));
    EXPECT_EQ(GetCursor(), hand);
    EXPECT_EQ(Screen()->Width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(Screen()->Height(), GetSystemMetrics(SM_CYSCREEN));
}

TEST_F(FormsTest, TabMovesTheFocusInTabOrderAndSkipsWhatCannotTakeIt) {
    TForm form;
    auto* first = Add<TEdit>(form, 10, 70, 100, 21);
    auto* second = Add<TEdit>(form, 10, 10, 100, 21);
    auto* third = Add<TButton>(form, 10, 40, 75, 25);
    auto* disabled = Add<TButton>(form, 100, 40, 75, 25);
    first->SetTabOrder(0);
    second->SetTabOrder(1);
    disabled->SetTabOrder(2);
    third->SetTabOrder(3);
    disabled->SetEnabled(false);
    form.Show();
    EXPECT_TRUE(first->Focused());  // the first tab stop when nothing else is asked for
    auto pressTab = [](bool shift) {
        if (shift) {
            BYTE keys[256];
            GetKeyboardState(keys);
            keys[VK_SHIFT] = 0x80;
            SetKeyboardState(keys);
        }
        SendMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    pressTab(false);
    EXPECT_TRUE(second->Focused());
    pressTab(false);
    EXPECT_TRUE(third->Focused());
    pressTab(false);
    EXPECT_TRUE(first->Focused());
    pressTab(true);
    EXPECT_TRUE(third->Focused());
}

namespace {
LRESULT CALLBACK ForeignHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectChildNotification(message, wParam, lParam, result)) return result;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window of "someone else's", as the system's folder browser is.
class TForeignHost {
public:
    TForeignHost() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ForeignHostProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QlryTestForeignHost";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "QlryTestForeignHost", "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~TForeignHost() { DestroyWindow(window); }
    TForeignHost(const TForeignHost&) = delete;
    TForeignHost& operator=(const TForeignHost&) = delete;
    HWND window;
};
} // namespace

TEST_F(FormsTest, ControlsPlacedInAWindowOfSomeoneElsesStillReport) {
    TButton button(nullptr);
    TEdit edit(nullptr);
    TForeignHost host;
    ASSERT_NE(host.window, nullptr);
    int clicks = 0;
    button.OnClick = [&](TObject*) { ++clicks; };
    button.SetParentWindow(host.window);
    button.SetBounds(10, 10, 100, 25);
    button.SetCaption("Create folder");
    std::vector<std::string> released;
    edit.OnKeyUp = [&](TObject*, WORD&, TShiftState) { released.push_back(edit.Text()); };
    edit.SetParentWindow(host.window);
    edit.SetBounds(10, 50, 200, 21);
    edit.Show();
    button.Show();
    EXPECT_EQ(GetParent(button.Handle()), host.window);
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
    SendMessageA(edit.Handle(), WM_CHAR, 'C', 0);
    SendMessageA(edit.Handle(), WM_KEYUP, 'C', 0);
    EXPECT_EQ(released, std::vector<std::string>{"C"});
}
