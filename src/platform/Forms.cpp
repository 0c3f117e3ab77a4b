#include "platform/Forms.h"

#include <algorithm>

#include "platform/Application.h"
#include "platform/DescriptionReader.h"
#include "platform/Exceptions.h"

namespace qlry {

const TEnumInfo positionNames{"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly",
                              "poScreenCenter", "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"};
const TEnumInfo formBorderStyleNames{"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"};
const TEnumInfo borderIconNames{"biSystemMenu", "biMinimize", "biMaximize", "biHelp"};
const TEnumInfo windowStateNames{"wsNormal", "wsMinimized", "wsMaximized"};

namespace {

// Private messages of form windows. Activation is reported after Windows has finished
// activating the window, so a handler may open modal forms of its own.
constexpr UINT QM_ACTIVATE = WM_APP + 0x3A0;
constexpr UINT QM_DEACTIVATE = WM_APP + 0x3A1;
constexpr UINT QM_RELEASE = WM_APP + 0x3A2;

TCustomForm* mainForm = nullptr;

// Disables every enabled, visible top-level window of the thread except one, and
// enables them again.
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND except) : except_(except) {
        EnumThreadWindows(GetCurrentThreadId(), &TDisabledWindows::Visit, reinterpret_cast<LPARAM>(this));
    }
    ~TDisabledWindows() {
        for (HWND window : windows_)
            if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;

private:
    static BOOL CALLBACK Visit(HWND window, LPARAM parameter) {
        auto* self = reinterpret_cast<TDisabledWindows*>(parameter);
        if (window != self->except_ && IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            self->windows_.push_back(window);
        }
        return TRUE;
    }

    HWND except_;
    std::vector<HWND> windows_;
};

void WaitForMessage() {
    if (TApplication* application = Application()) {
        application->HandleMessage();
        return;
    }
    MSG message;
    if (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool Terminated() { return Application() && Application()->Terminated(); }

} // namespace

TCustomForm* MainForm() { return mainForm; }

void SetMainForm(TCustomForm* form) {
    mainForm = form;
    if (TApplication* application = Application())
        application->SetMainWindow(form && form->HandleAllocated() ? form->Handle() : nullptr);
}

TScreen* Screen() {
    static TScreen screen;
    return &screen;
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }

int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

int TScreen::PixelsPerInch() const {
    TScreenDC screen;
    return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

TCustomForm* TScreen::ActiveForm() const {
    return dynamic_cast<TCustomForm*>(FindControl(GetActiveWindow()));
}

// --- TCustomForm -----------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    StoreVisible(false);
    SetBoundsFields(0, 0, 320, 240);
    Screen()->forms_.push_back(this);
}

TCustomForm::~TCustomForm() {
    FireDestroy();
    auto& forms = Screen()->forms_;
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    if (mainForm == this) SetMainForm(nullptr);
}

const TClassInfo& TCustomForm::StaticClassInfo() {
    static const TClassInfo info(
        "TCustomForm", &TWinControl::StaticClassInfo(), nullptr,
        {
            ComponentProperty<TCustomForm, TWinControl>("ActiveControl", &TCustomForm::ActiveControl,
                                                        &TCustomForm::SetActiveControl),
            SetProperty<TCustomForm>("BorderIcons", borderIconNames, &TCustomForm::BorderIcons,
                                     &TCustomForm::SetBorderIcons, 7),
            EnumProperty<TCustomForm, TFormBorderStyle>("BorderStyle", formBorderStyleNames, &TCustomForm::BorderStyle,
                                                        &TCustomForm::SetBorderStyle, bsSizeable),
            StringProperty<TCustomForm>("Caption", &TCustomForm::Caption, &TCustomForm::SetCaption),
            IntegerProperty<TCustomForm>("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight),
            IntegerProperty<TCustomForm>("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth),
            BooleanProperty<TCustomForm>("OldCreateOrder", &TCustomForm::OldCreateOrder, &TCustomForm::SetOldCreateOrder),
            IntegerProperty<TCustomForm>("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch),
            EnumProperty<TCustomForm, TPosition>("Position", positionNames, &TCustomForm::Position,
                                                 &TCustomForm::SetPosition, poDesigned),
            BooleanProperty<TCustomForm>("Scaled", &TCustomForm::Scaled, &TCustomForm::SetScaled, true),
            IntegerProperty<TCustomForm>("TextHeight", &TCustomForm::TextHeight, &TCustomForm::SetTextHeight),
            EnumProperty<TCustomForm, TWindowState>("WindowState", windowStateNames, &TCustomForm::WindowState,
                                                    &TCustomForm::SetWindowState, wsNormal),
            EventProperty<TCustomForm>("OnActivate", &TCustomForm::OnActivate),
            EventProperty<TCustomForm>("OnClose", &TCustomForm::OnClose),
            EventProperty<TCustomForm>("OnCloseQuery", &TCustomForm::OnCloseQuery),
            EventProperty<TCustomForm>("OnCreate", &TCustomForm::OnCreate),
            EventProperty<TCustomForm>("OnDeactivate", &TCustomForm::OnDeactivate),
            EventProperty<TCustomForm>("OnDestroy", &TCustomForm::OnDestroy),
            EventProperty<TCustomForm>("OnHide", &TCustomForm::OnHide),
            EventProperty<TCustomForm>("OnPaint", &TCustomForm::OnPaint),
            EventProperty<TControl>("OnResize", &TControl::OnResize),
            EventProperty<TCustomForm>("OnShow", &TCustomForm::OnShow),
        });
    return info;
}

void TCustomForm::InitFromDescription(const std::string& resourceName) {
    ReadDescriptionResource(this, resourceName);
    AfterDescription();
}

void TCustomForm::InitFromDescriptionText(const std::string& text) {
    ReadDescription(this, text);
    AfterDescription();
}

void TCustomForm::AfterDescription() {
    Realign();
    DoCreate();
    if (Visible()) VisibleChanged();
}

void TCustomForm::Loaded() {
    TWinControl::Loaded();
    // The client size waits for the border style, whatever order they were stored in.
    if (pendingClientWidth_ >= 0) TControl::SetClientWidth(pendingClientWidth_);
    if (pendingClientHeight_ >= 0) TControl::SetClientHeight(pendingClientHeight_);
    pendingClientWidth_ = pendingClientHeight_ = -1;
}

void TCustomForm::SetClientWidth(int width) {
    if (IsLoading()) pendingClientWidth_ = width;
    else TControl::SetClientWidth(width);
}

void TCustomForm::SetClientHeight(int height) {
    if (IsLoading()) pendingClientHeight_ = height;
    else TControl::SetClientHeight(height);
}

void TCustomForm::SetParent(TWinControl* parent) {
    if (parent == Parent()) return;
    bool wasTopLevel = HandleAllocated() && !IsChildForm();
    // A top-level window does not become a child window in place: it is made again.
    if (wasTopLevel && parent) DestroyHandle();
    TWinControl::SetParent(parent);
    if (Visible() && Parent() && Parent()->HandleAllocated()) HandleNeeded();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    UpdateFrameStyle();
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
    if (icons == borderIcons_) return;
    borderIcons_ = icons;
    UpdateFrameStyle();
}

void TCustomForm::UpdateFrameStyle() {
    if (!HandleAllocated()) return;
    TCreateParams params;
    CreateParams(params);
    HWND window = Handle();
    LONG_PTR visible = GetWindowLongPtrA(window, GWL_STYLE) & (WS_VISIBLE | WS_MAXIMIZE | WS_MINIMIZE);
    SetWindowLongPtrA(window, GWL_STYLE, static_cast<LONG_PTR>(params.style) | visible);
    SetWindowLongPtrA(window, GWL_EXSTYLE, params.exStyle);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    Realign();
}

void TCustomForm::SetWindowState(TWindowState state) {
    if (state == windowState_) return;
    windowState_ = state;
    if (HandleAllocated() && Visible() && !IsChildForm()) {
        static const int commands[] = {SW_RESTORE, SW_MINIMIZE, SW_MAXIMIZE};
        ShowWindow(Handle(), commands[state]);
    }
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (control != activeControl_) {
        if (activeControl_) RemoveFreeNotification(activeControl_);
        activeControl_ = control;
        if (control) FreeNotification(control);
    }
    if (!control || IsLoading() || !Active() || !control->HandleAllocated()) return;
    HWND window = control->Handle();
    if (IsWindowVisible(window) && IsWindowEnabled(window)) ::SetFocus(window);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component == activeControl_) activeControl_ = nullptr;
    TWinControl::Notification(component, operation);
}

bool TCustomForm::Active() const {
    HWND active = GetActiveWindow();
    return active && HandleAllocated() && active == const_cast<TCustomForm*>(this)->Handle();
}

void TCustomForm::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.windowClass = "QlryForm";
    params.ownClass = true;
    bool child = IsChildForm();
    params.style = WS_CLIPCHILDREN;
    params.exStyle = WS_EX_CONTROLPARENT;
    if (child) params.style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (!Enabled()) params.style |= WS_DISABLED;
    bool caption = true;
    switch (borderStyle_) {
    case bsNone:
        caption = false;
        if (!child) params.style |= WS_POPUP;
        break;
    case bsSingle:
    case bsToolWindow:
        params.style |= WS_CAPTION;
        break;
    case bsSizeable:
    case bsSizeToolWin:
        params.style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        params.style |= WS_CAPTION | (child ? 0 : WS_POPUP);
        params.exStyle |= WS_EX_DLGMODALFRAME;
        break;
    }
    if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) params.exStyle |= WS_EX_TOOLWINDOW;
    if (caption && (borderIcons_ & BorderIcon(biSystemMenu))) {
        params.style |= WS_SYSMENU;
        bool fullFrame = borderStyle_ == bsSingle || borderStyle_ == bsSizeable;
        if (fullFrame && (borderIcons_ & BorderIcon(biMinimize))) params.style |= WS_MINIMIZEBOX;
        if (fullFrame && (borderIcons_ & BorderIcon(biMaximize))) params.style |= WS_MAXIMIZEBOX;
    }
    // Top-level forms are owned by the main form, so they stay above it.
    if (!child && mainForm && mainForm != this && mainForm->HandleAllocated()) params.parent = mainForm->Handle();
}

void TCustomForm::CreateHandle() {
    TWinControl::CreateHandle();
    if (mainForm == this && Application()) Application()->SetMainWindow(Handle());
    if (Visible()) ShowWindowNow();
}

void TCustomForm::ShowWindowNow() {
    int command = SW_SHOWNORMAL;
    if (IsChildForm()) command = SW_SHOW;
    else if (windowState_ == wsMaximized) command = SW_SHOWMAXIMIZED;
    else if (windowState_ == wsMinimized) command = SW_SHOWMINIMIZED;
    ShowWindow(Handle(), command);
}

void TCustomForm::ApplyPosition() {
    if (IsChildForm()) return;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    auto centreOn = [this](int left, int top, int width, int height) {
        SetBounds(std::max(left + (width - Width()) / 2, 0), std::max(top + (height - Height()) / 2, 0), Width(),
                  Height());
    };
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
        centreOn(0, 0, screenWidth, screenHeight);
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* around = position_ == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
        if (!around) around = mainForm;
        if (around && around != this && around->Visible())
            centreOn(around->Left(), around->Top(), around->Width(), around->Height());
        else
            centreOn(0, 0, screenWidth, screenHeight);
        break;
    }
    default:
        break;
    }
}

void TCustomForm::VisibleChanged() {
    if (IsLoading()) return;  // shown, if at all, once the description is read
    if (Visible()) {
        DoShow();
        ApplyPosition();
        bool hadHandle = HandleAllocated();
        HandleNeeded();  // a new window shows itself
        if (hadHandle) ShowWindowNow();
    } else {
        if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
        DoHide();
    }
    if (Parent() && Align() != alNone) Parent()->Realign();
}

TModalResult TCustomForm::ShowModal() {
    if (Visible() || !Enabled() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) ReleaseCapture();
    HWND previousActive = GetActiveWindow();
    modalResult_ = mrNone;
    modal_ = true;
    struct TModalFlag {
        bool& flag;
        ~TModalFlag() { flag = false; }
    } modalFlag{modal_};
    {
        TDisabledWindows disabled(Handle());
        Show();
        while (modalResult_ == mrNone || !HandleAllocated()) {
            if (!HandleAllocated() || Terminated()) {
                // The window went away (its owner was destroyed) or the program ends.
                if (modalResult_ == mrNone) modalResult_ = mrCancel;
                break;
            }
            WaitForMessage();
            if (modalResult_ != mrNone) CloseModal();
        }
    }
    // The other windows are enabled again before this one hides, so the activation
    // goes back to one of them.
    TModalResult result = modalResult_;
    Hide();
    if (previousActive && IsWindow(previousActive) && IsWindowVisible(previousActive)) SetActiveWindow(previousActive);
    return result;
}

void TCustomForm::CloseModal() {
    TCloseAction action = caHide;
    if (!CloseQuery()) action = caNone;
    else DoClose(action);
    switch (action) {
    case caNone:
        modalResult_ = mrNone;
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

void TCustomForm::Close() {
    if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (mainForm == this && Application()) {
        Application()->Terminate();
        return;
    }
    switch (action) {
    case caHide: Hide(); break;
    case caMinimize: SetWindowState(wsMinimized); break;
    case caFree: Release(); break;
    default: break;
    }
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Release() {
    if (releasing_) return;
    releasing_ = true;
    PostMessageA(Handle(), QM_RELEASE, 0, 0);
}

void TCustomForm::FireDestroy() {
    if (destroyFired_) return;
    destroyFired_ = true;
    if (!OnDestroy) return;
    try {
        OnDestroy(this);
    } catch (...) {
        HandleCallbackException(this);
    }
}

void TCustomForm::DoCreate() {
    if (OnCreate) OnCreate(this);
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TCustomForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Paint() {
    if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(HDC dc) {
    TCanvasBinding binding(canvas_, dc);
    canvas_.Font()->Assign(Font());
    canvas_.Brush()->SetColor(Color());
    Paint();
}

void TCustomForm::FocusActiveControl() {
    TWinControl* control = activeControl_;
    if (control && control != this && control->HandleAllocated() && IsWindowVisible(control->Handle()) &&
        IsWindowEnabled(control->Handle())) {
        ::SetFocus(control->Handle());
        return;
    }
    HWND before = GetFocus();
    SelectNext(nullptr, true);
    if (GetFocus() == before || !IsChild(Handle(), GetFocus())) ::SetFocus(Handle());
}

void TCustomForm::RememberFocus() {
    HWND focus = GetFocus();
    if (!focus || !IsChild(Handle(), focus)) return;
    for (HWND window = focus; window && window != Handle(); window = GetAncestor(window, GA_PARENT)) {
        if (TWinControl* control = FindControl(window)) {
            if (control->TabStop()) {
                SetActiveControl(control);
                return;
            }
        }
    }
}

LRESULT TCustomForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            if (!HIWORD(wParam)) FocusActiveControl();
            PostMessageA(Handle(), QM_ACTIVATE, 0, 0);
        } else {
            RememberFocus();
            PostMessageA(Handle(), QM_DEACTIVATE, 0, 0);
        }
        return 0;
    case QM_ACTIVATE:
        if (Active()) Activate();
        return 0;
    case QM_DEACTIVATE:
        if (!Active()) Deactivate();
        return 0;
    case QM_RELEASE:
        FireDestroy();
        Free();  // nothing of this form may be touched after this
        return 0;
    case WM_SETFOCUS:
        if (activeControl_ && activeControl_ != this && activeControl_->HandleAllocated() &&
            IsWindowVisible(activeControl_->Handle())) {
            ::SetFocus(activeControl_->Handle());
            return 0;
        }
        break;
    case WM_SIZE:
        if (!IsChildForm()) {
            if (wParam == SIZE_MAXIMIZED) windowState_ = wsMaximized;
            else if (wParam == SIZE_MINIMIZED) windowState_ = wsMinimized;
            else if (wParam == SIZE_RESTORED) windowState_ = wsNormal;
        }
        break;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

// --- TForm -----------------------------------------------------------------------------

TForm::TForm(TComponent* owner) : TCustomForm(owner) {}

const TClassInfo& TForm::StaticClassInfo() {
    static const TClassInfo info("TForm", &TCustomForm::StaticClassInfo(), FactoryOf<TForm>(), {});
    return info;
}

namespace {
const TClassRegistration formRegistration(TForm::StaticClassInfo());
}

} // namespace qlry
