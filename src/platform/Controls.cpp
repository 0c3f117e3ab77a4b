#include "platform/Controls.h"

#include <algorithm>
#include <set>

#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/Forms.h"

namespace qlry {

const TEnumInfo alignNames{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"};
const TEnumInfo alignmentNames{"taLeftJustify", "taRightJustify", "taCenter"};
const TEnumInfo borderStyleNames{"bsNone", "bsSingle"};

namespace {

TCursor globalCursor = crDefault;
// The control whose own-class window is being created: its first messages arrive
// before CreateWindowEx returns.
TWinControl* creatingControl = nullptr;
UINT nextControlId = 100;

class TCreatingControl {
public:
    explicit TCreatingControl(TWinControl* control) { creatingControl = control; }
    ~TCreatingControl() { creatingControl = nullptr; }
    TCreatingControl(const TCreatingControl&) = delete;
    TCreatingControl& operator=(const TCreatingControl&) = delete;
};

// Sets a flag for the length of a scope.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = previous_; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
    bool previous_;
};

// A paint cycle of a window.
class TPaintScope {
public:
    explicit TPaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~TPaintScope() { EndPaint(window_, &paint_); }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;
    HDC DC() const { return dc_; }
    const RECT& Area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

void RegisterOwnClass(const std::string& name) {
    static std::set<std::string> registered;
    if (registered.count(name)) return;
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ControlWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = name.c_str();
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) RaiseLastOSError();
    registered.insert(name);
}

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

bool HasFlag(TShiftState state, TShiftStateFlag flag) { return (state & (1u << flag)) != 0; }

} // namespace

HCURSOR CursorHandle(TCursor cursor) {
    LPCSTR id;
    switch (cursor) {
    case crNone: return nullptr;
    case crCross: id = reinterpret_cast<LPCSTR>(IDC_CROSS); break;
    case crIBeam: id = reinterpret_cast<LPCSTR>(IDC_IBEAM); break;
    case crSizeNESW: id = reinterpret_cast<LPCSTR>(IDC_SIZENESW); break;
    case crSizeNS: id = reinterpret_cast<LPCSTR>(IDC_SIZENS); break;
    case crSizeNWSE: id = reinterpret_cast<LPCSTR>(IDC_SIZENWSE); break;
    case crSizeWE: id = reinterpret_cast<LPCSTR>(IDC_SIZEWE); break;
    case crUpArrow: id = reinterpret_cast<LPCSTR>(IDC_UPARROW); break;
    case crHourGlass: id = reinterpret_cast<LPCSTR>(IDC_WAIT); break;
    case crNo: id = reinterpret_cast<LPCSTR>(IDC_NO); break;
    case crAppStart: id = reinterpret_cast<LPCSTR>(IDC_APPSTARTING); break;
    case crHelp: id = reinterpret_cast<LPCSTR>(IDC_HELP); break;
    case crHandPoint: id = reinterpret_cast<LPCSTR>(IDC_HAND); break;
    case crSizeAll: id = reinterpret_cast<LPCSTR>(IDC_SIZEALL); break;
    default: id = reinterpret_cast<LPCSTR>(IDC_ARROW); break;
    }
    return LoadCursorA(nullptr, id);
}

TCursor GlobalCursor() { return globalCursor; }

void SetGlobalCursor(TCursor cursor) {
    if (cursor == globalCursor) return;
    globalCursor = cursor;
    ::SetCursor(CursorHandle(cursor == crDefault ? crArrow : cursor));
}

TShiftState KeyboardShiftState() {
    TShiftState state = 0;
    if (GetKeyState(VK_SHIFT) < 0) state |= 1u << ssShift;
    if (GetKeyState(VK_MENU) < 0) state |= 1u << ssAlt;
    if (GetKeyState(VK_CONTROL) < 0) state |= 1u << ssCtrl;
    return state;
}

TWinControl* FindControl(HWND window) {
    if (!window) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return nullptr;
    return static_cast<TWinControl*>(GetPropA(window, ControlObjectProperty));
}

std::string WindowControlName(HWND window) {
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(window, ControlNameProperty)));
    if (!atom) return std::string();
    char name[256];
    UINT length = GlobalGetAtomNameA(atom, name, sizeof name);
    return std::string(name, length);
}

TCustomForm* NearestForm(const TControl* control) {
    for (; control; control = control->Parent())
        if (auto* form = dynamic_cast<TCustomForm*>(const_cast<TControl*>(control))) return form;
    return nullptr;
}

TCustomForm* GetParentForm(const TControl* control) {
    if (!control) return nullptr;
    while (control->Parent()) control = control->Parent();
    return dynamic_cast<TCustomForm*>(const_cast<TControl*>(control));
}

void Frame3D(HDC dc, RECT& rect, TColor topLeft, TColor bottomRight, int width) {
    TPenHandle light(CreatePen(PS_SOLID, 1, ColorToRGB(topLeft)));
    TPenHandle dark(CreatePen(PS_SOLID, 1, ColorToRGB(bottomRight)));
    for (int i = 0; i < width; ++i) {
        --rect.right;
        --rect.bottom;
        {
            TDCSelection pen(dc, light.Get());
            MoveToEx(dc, rect.left, rect.bottom, nullptr);
            LineTo(dc, rect.left, rect.top);
            LineTo(dc, rect.right, rect.top);
        }
        {
            TDCSelection pen(dc, dark.Get());
            MoveToEx(dc, rect.right, rect.top, nullptr);
            LineTo(dc, rect.right, rect.bottom);
            LineTo(dc, rect.left - 1, rect.bottom);
        }
        ++rect.left;
        ++rect.top;
    }
}

// --- TControl --------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this](TObject*) {
        if (!adoptingFont_) parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    if (parent_) parent_->RemoveControl(this);
}

const TClassInfo& TControl::StaticClassInfo() {
    static const TClassInfo info(
        "TControl", &TComponent::StaticClassInfo(), nullptr,
        {
            EnumProperty<TControl, TAlign>("Align", alignNames, &TControl::Align, &TControl::SetAlign, alNone),
            IntegerProperty<TControl>("Color", &TControl::Color, &TControl::SetColor),
            IntegerProperty<TControl>("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault),
            BooleanProperty<TControl>("Enabled", &TControl::Enabled, &TControl::SetEnabled, true),
            ObjectProperty<TControl>("Font", &TControl::FontObject),
            IntegerProperty<TControl>("Height", &TControl::Height, &TControl::SetHeight),
            StringProperty<TControl>("Hint", &TControl::Hint, &TControl::SetHint),
            IntegerProperty<TControl>("Left", &TControl::Left, &TControl::SetLeft),
            BooleanProperty<TControl>("ParentColor", &TControl::ParentColor, &TControl::SetParentColor),
            BooleanProperty<TControl>("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true),
            BooleanProperty<TControl>("ShowHint", &TControl::ShowHint, &TControl::SetShowHint, false),
            IntegerProperty<TControl>("Top", &TControl::Top, &TControl::SetTop),
            BooleanProperty<TControl>("Visible", &TControl::Visible, &TControl::SetVisible, true),
            IntegerProperty<TControl>("Width", &TControl::Width, &TControl::SetWidth),
            EventProperty<TControl>("OnClick", &TControl::OnClick),
            EventProperty<TControl>("OnDblClick", &TControl::OnDblClick),
            EventProperty<TControl>("OnMouseDown", &TControl::OnMouseDown),
            EventProperty<TControl>("OnMouseUp", &TControl::OnMouseUp),
        });
    return info;
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    for (TControl* p = parent; p; p = p->parent_)
        if (p == this) throw EInvalidOperation("A control cannot have itself or a child as its parent");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
    ParentChanged();
    if (parent_ && align_ != alNone) parent_->Realign();
    if (!IsWindowed()) Invalidate();
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* control = dynamic_cast<TWinControl*>(parent)) SetParent(control);
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetName(const std::string& name) {
    TComponent::SetName(name);
    if (auto* windowed = dynamic_cast<TWinControl*>(this); windowed && windowed->handle_) windowed->SetNameProperty();
}

void TControl::Loaded() { TComponent::Loaded(); }

void TControl::ParentChanged() {
    if (parentFont_) AdoptParentFont();
    if (parentColor_) AdoptParentColor();
}

void TControl::AdoptParentFont() {
    if (!parent_) return;
    TFlagScope adopting(adoptingFont_);
    font_.Assign(parent_->Font());
}

void TControl::AdoptParentColor() {
    if (!parent_ || parent_->color_ == color_) return;
    color_ = parent_->color_;
    ColorChanged();
}

void TControl::SetParentFont(bool parentFont) {
    parentFont_ = parentFont;
    if (parentFont_) AdoptParentFont();
}

void TControl::SetColor(TColor color) {
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    ColorChanged();
}

void TControl::SetParentColor(bool parentColor) {
    parentColor_ = parentColor;
    if (parentColor_) AdoptParentColor();
}

void TControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    Invalidate();  // the old place
    SetBoundsFields(left, top, width, height);
    Invalidate();  // the new one
}

void TControl::SetBoundsFields(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    BoundsChanged(resized);
}

void TControl::BoundsChanged(bool resized) {
    if (resized) Resize();
    RequestParentAlign();
}

void TControl::Resize() {
    if (OnResize && !IsLoading()) OnResize(this);
}

void TControl::RequestParentAlign() {
    if (parent_ && align_ != alNone) parent_->Realign();
}

int TControl::ClientWidth() const {
    RECT rect = ClientRect();
    return rect.right - rect.left;
}

int TControl::ClientHeight() const {
    RECT rect = ClientRect();
    return rect.bottom - rect.top;
}

void TControl::SetClientWidth(int width) { SetWidth(width_ - ClientWidth() + width); }

void TControl::SetClientHeight(int height) { SetHeight(height_ - ClientHeight() + height); }

POINT TControl::ClientToScreen(POINT point) const {
    if (auto* windowed = dynamic_cast<const TWinControl*>(this); windowed && windowed->handle_) {
        ::ClientToScreen(windowed->handle_, &point);
        return point;
    }
    if (!parent_) return point;
    return parent_->ClientToScreen(POINT{point.x + left_, point.y + top_});
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->Realign();
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    VisibleChanged();
}

void TControl::VisibleChanged() {
    if (!parent_) return;
    RECT bounds = BoundsRect();
    if (parent_->handle_) InvalidateRect(parent_->handle_, &bounds, TRUE);
    if (align_ != alNone) parent_->Realign();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    EnabledChanged();
}

void TControl::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    TextChanged();
}

void TControl::Invalidate() {
    if (!parent_ || !parent_->handle_) return;
    RECT bounds = BoundsRect();
    InvalidateRect(parent_->handle_, &bounds, TRUE);
}

void TControl::Update() {
    if (parent_) parent_->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::BringToFront() {
    if (parent_) parent_->ApplyZOrder(this, true);
}

void TControl::SendToBack() {
    if (parent_) parent_->ApplyZOrder(this, false);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

// --- TWinControl -----------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) { brush_.SetColor(Color()); }

TWinControl::~TWinControl() {
    destroying_ = true;
    DestroyHandle();
    // Child controls go with their parent, whoever owns them.
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        controls_.pop_back();
        child->parent_ = nullptr;
        delete child;
    }
}

const TClassInfo& TWinControl::StaticClassInfo() {
    static const TClassInfo info(
        "TWinControl", &TControl::StaticClassInfo(), nullptr,
        {
            IntegerProperty<TWinControl>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder),
            BooleanProperty<TWinControl>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop),
            EventProperty<TWinControl>("OnKeyDown", &TWinControl::OnKeyDown),
            EventProperty<TWinControl>("OnKeyPress", &TWinControl::OnKeyPress),
            EventProperty<TWinControl>("OnKeyUp", &TWinControl::OnKeyUp),
        });
    return info;
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_) return;
    if (Parent()) Parent()->HandleNeeded();  // creates this one too, as a child
    if (!handle_) CreateHandle();
}

void TWinControl::SetParentWindow(HWND window) {
    if (window == parentWindow_) return;
    parentWindow_ = window;
    if (handle_ && window && !Parent()) {
        LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
        SetWindowLongPtrA(handle_, GWL_STYLE, (style & ~WS_POPUP) | WS_CHILD);
        ::SetParent(handle_, window);
        UpdateBoundsFromWindow();
    }
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount()) throw EListError("List index out of bounds (%d)", {index});
    return controls_[index];
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (; control; control = control->Parent())
        if (control == this) return true;
    return false;
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed && windowed->tabOrder_ < 0) {
        int order = 0;
        for (TControl* sibling : controls_)
            if (sibling != control && dynamic_cast<TWinControl*>(sibling)) ++order;
        windowed->tabOrder_ = order;
    }
}

void TWinControl::RemoveControl(TControl* control) {
    auto found = std::find(controls_.begin(), controls_.end(), control);
    if (found == controls_.end()) return;
    controls_.erase(found);
    control->parent_ = nullptr;
    if (pressed_ == control) pressed_ = nullptr;
    if (!control->IsWindowed() && handle_) {
        RECT bounds = control->BoundsRect();
        InvalidateRect(handle_, &bounds, TRUE);
    }
    if (control->align_ != alNone) Realign();
}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0 && --alignDisabled_ == 0 && realignPending_) Realign();
}

void TWinControl::Realign() {
    if (controls_.empty()) return;
    if (alignDisabled_ > 0 || IsLoading() || aligning_ || destroying_) {
        realignPending_ = true;
        return;
    }
    TFlagScope aligning(aligning_);
    // A child that changes its own size while being placed (an auto-sized label)
    // asks again; a few passes settle it.
    for (int pass = 0; pass < 4; ++pass) {
        realignPending_ = false;
        RECT rect = ClientRect();
        AdjustClientRect(rect);
        AlignControls(rect);
        if (!realignPending_) break;
    }
    realignPending_ = false;
}

void TWinControl::AlignControls(RECT& rect) {
    for (TAlign kind : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> list;
        for (TControl* control : controls_)
            if (control->align_ == kind && control->visible_) list.push_back(control);
        // Controls of one kind keep the order of their positions.
        auto key = [kind](const TControl* c) {
            switch (kind) {
            case alTop: return c->top_;
            case alBottom: return -(c->top_ + c->height_);
            case alLeft: return c->left_;
            case alRight: return -(c->left_ + c->width_);
            default: return 0;
            }
        };
        std::stable_sort(list.begin(), list.end(), [&](const TControl* a, const TControl* b) { return key(a) < key(b); });
        for (TControl* control : list) {
            int width = std::max<int>(rect.right - rect.left, 0);
            int height = std::max<int>(rect.bottom - rect.top, 0);
            switch (kind) {
            case alTop:
                control->SetBounds(rect.left, rect.top, width, control->height_);
                rect.top += control->height_;
                break;
            case alBottom:
                control->SetBounds(rect.left, rect.bottom - control->height_, width, control->height_);
                rect.bottom -= control->height_;
                break;
            case alLeft:
                control->SetBounds(rect.left, rect.top, control->width_, height);
                rect.left += control->width_;
                break;
            case alRight:
                control->SetBounds(rect.right - control->width_, rect.top, control->width_, height);
                rect.right -= control->width_;
                break;
            default:
                control->SetBounds(rect.left, rect.top, width, height);
                break;
            }
        }
    }
}

RECT TWinControl::ClientRect() const {
    if (handle_) {
        RECT rect{};
        ::GetClientRect(handle_, &rect);
        return rect;
    }
    TCreateParams params;
    const_cast<TWinControl*>(this)->CreateParams(params);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, params.style, FALSE, params.exStyle);
    return RECT{0, 0, std::max<int>(width_ - (frame.right - frame.left), 0),
                std::max<int>(height_ - (frame.bottom - frame.top), 0)};
}

void TWinControl::SetTabStop(bool tabStop) {
    if (tabStop == tabStop_) return;
    tabStop_ = tabStop;
    if (handle_) {
        LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
        SetWindowLongPtrA(handle_, GWL_STYLE, tabStop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    }
}

bool TWinControl::CanFocus() const {
    for (const TControl* control = this; control; control = control->Parent()) {
        if (!control->Visible() || !control->Enabled()) return false;
        if (dynamic_cast<const TCustomForm*>(control)) break;
    }
    return true;
}

bool TWinControl::FocusableNow() const { return handle_ && IsWindowVisible(handle_) && IsWindowEnabled(handle_); }

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

void TWinControl::SetFocus() {
    if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
    HWND root = handle_ ? GetAncestor(handle_, GA_ROOT) : nullptr;
    if (FocusableNow() && GetActiveWindow() == root) {
        ::SetFocus(handle_);
        return;
    }
    TCustomForm* form = NearestForm(this);
    if (form && form != this) form->SetActiveControl(this);
    // A page living in another form's window: that form focuses it when activated.
    auto* rootForm = dynamic_cast<TCustomForm*>(FindControl(root));
    if (rootForm && rootForm != form && rootForm != this) rootForm->SetActiveControl(this);
}

void TWinControl::CollectTabStops(std::vector<TWinControl*>& list) {
    std::vector<TWinControl*> children;
    for (TControl* control : controls_)
        if (auto* windowed = dynamic_cast<TWinControl*>(control)) children.push_back(windowed);
    std::stable_sort(children.begin(), children.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->tabOrder_ < b->tabOrder_; });
    for (TWinControl* child : children) {
        if (!child->FocusableNow()) continue;
        if (child->tabStop_) list.push_back(child);
        child->CollectTabStops(list);
    }
}

void TWinControl::SelectNext(TWinControl* current, bool forward) {
    std::vector<TWinControl*> list;
    CollectTabStops(list);
    if (list.empty()) return;
    auto found = std::find(list.begin(), list.end(), current);
    std::size_t index;
    if (found == list.end()) index = forward ? 0 : list.size() - 1;
    else index = (static_cast<std::size_t>(found - list.begin()) + (forward ? 1 : list.size() - 1)) % list.size();
    list[index]->SetFocus();
}

LRESULT TWinControl::Perform(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(Handle(), message, wParam, lParam);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    if (handle_ && !IsIconic(handle_)) {
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        // The window may refuse a size; the fields follow the window.
        UpdateBoundsFromWindow();
    } else {
        SetBoundsFields(left, top, width, height);
    }
}

void TWinControl::UpdateBoundsFromWindow() {
    if (!handle_ || IsIconic(handle_)) return;
    RECT rect{};
    GetWindowRect(handle_, &rect);
    if (GetWindowLongPtrA(handle_, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetAncestor(handle_, GA_PARENT), reinterpret_cast<POINT*>(&rect), 2);
    SetBoundsFields(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void TWinControl::BoundsChanged(bool resized) {
    if (resized) Realign();
    TControl::BoundsChanged(resized);
}

void TWinControl::Invalidate() {
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Update() {
    if (handle_) UpdateWindow(handle_);
}

void TWinControl::ApplyZOrder(TControl* control, bool toFront) {
    auto found = std::find(controls_.begin(), controls_.end(), control);
    if (found == controls_.end()) return;
    controls_.erase(found);
    if (toFront) controls_.push_back(control);
    else controls_.insert(controls_.begin(), control);
    if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed && windowed->handle_)
        SetWindowPos(windowed->handle_, toFront ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    else control->Invalidate();
}

void TWinControl::BringToFront() {
    if (Parent()) TControl::BringToFront();
    else if (handle_) SetWindowPos(handle_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::SendToBack() {
    if (Parent()) TControl::SendToBack();
    else if (handle_) SetWindowPos(handle_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TWinControl::Showing() const { return handle_ && IsWindowVisible(handle_); }

void TWinControl::Loaded() {
    TControl::Loaded();
    if (realignPending_) Realign();
}

void TWinControl::CreateParams(TCreateParams& params) {
    params.caption = StoredText();
    params.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (Visible()) params.style |= WS_VISIBLE;
    if (!Enabled()) params.style |= WS_DISABLED;
    if (tabStop_) params.style |= WS_TABSTOP;
    params.x = left_;
    params.y = top_;
    params.width = width_;
    params.height = height_;
}

void TWinControl::CreateHandle() {
    if (handle_) return;
    TCreateParams params;
    CreateParams(params);
    bool child = (params.style & WS_CHILD) != 0;
    if (child && !params.parent) params.parent = Parent() ? Parent()->Handle() : parentWindow_;
    if (handle_) return;  // the parent's creation made this one
    if (child && !params.parent) throw EInvalidOperation("Control '%s' has no parent window", {Name()});
    ownClass_ = params.ownClass;
    if (ownClass_) {
        RegisterOwnClass(params.windowClass);
        defaultProc_ = DefWindowProcA;
    }
    HWND window;
    {
        TCreatingControl creating(params.ownClass ? this : nullptr);
        HMENU id = child ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nextControlId++)) : nullptr;
        window = CreateWindowExA(params.exStyle, params.windowClass.c_str(), params.caption.c_str(), params.style,
                                 params.x, params.y, params.width, params.height, params.parent, id,
                                 GetModuleHandleA(nullptr), nullptr);
    }
    if (!window) throw EOSError("Error creating window %s: %s", {Name(), SysErrorMessage(GetLastError())});
    if (!params.ownClass) {
        AttachWindow(window);
        defaultProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlWindowProc)));
    }
    // Later siblings lie on top, as the children list has them.
    if (child) SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    InitializeHandle();
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (auto* windowed = dynamic_cast<TWinControl*>(controls_[i]); windowed && !windowed->handle_)
            windowed->CreateHandle();
    UpdateBoundsFromWindow();
    Realign();
}

void TWinControl::InitializeHandle() {
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
}

void TWinControl::SaveWindowState() { StoreText(GetText()); }

void TWinControl::DestroyHandle() {
    if (!handle_) return;
    std::vector<TWinControl*> tree{this};
    for (std::size_t i = 0; i < tree.size(); ++i) {
        tree[i]->SaveWindowState();
        for (TControl* control : tree[i]->controls_)
            if (auto* windowed = dynamic_cast<TWinControl*>(control); windowed && windowed->handle_)
                tree.push_back(windowed);
    }
    HWND window = handle_;
    DestroyWindow(window);
    if (handle_) DetachWindow();  // not ours to destroy (another thread's)
}

void TWinControl::AttachWindow(HWND window) {
    handle_ = window;
    SetPropA(window, ControlObjectProperty, this);
    SetNameProperty();
}

void TWinControl::SetNameProperty() {
    if (nameAtom_) GlobalDeleteAtom(nameAtom_);
    nameAtom_ = Name().empty() ? 0 : GlobalAddAtomA(Name().c_str());
    if (nameAtom_) SetPropA(handle_, ControlNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(nameAtom_)));
    else RemovePropA(handle_, ControlNameProperty);
}

void TWinControl::DetachWindow() {
    HWND window = handle_;
    RemovePropA(window, ControlObjectProperty);
    RemovePropA(window, ControlNameProperty);
    if (nameAtom_) GlobalDeleteAtom(nameAtom_);
    nameAtom_ = 0;
    if (defaultProc_ && defaultProc_ != DefWindowProcA)
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc_));
    handle_ = nullptr;
}

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* control = static_cast<TWinControl*>(GetPropA(window, ControlObjectProperty));
    if (!control) {
        if (!creatingControl) return DefWindowProcA(window, message, wParam, lParam);
        control = creatingControl;
        creatingControl = nullptr;
        control->AttachWindow(window);
    }
    return CallbackGuard(control, LRESULT{0}, [&]() -> LRESULT { return control->Dispatch(message, wParam, lParam); });
}

LRESULT TWinControl::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY || message == QM_FREECANVASDC) FreeCanvasDC();
    if (message == QM_FREECANVASDC) return 0;
    if (message == WM_NCDESTROY) {
        HWND window = handle_;
        WNDPROC proc = defaultProc_;
        DetachWindow();
        return CallWindowProcA(proc, window, message, wParam, lParam);
    }
    // A control in its destructor has lost its overrides; let Windows finish.
    if (destroying_) return DefaultHandler(message, wParam, lParam);
    return WndProc(message, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(defaultProc_, handle_, message, wParam, lParam);
}

HBRUSH TWinControl::CtlColor(HDC dc) {
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    SetBkColor(dc, ColorToRGB(Color()));
    return brush_.Handle();
}

void TWinControl::PaintControls(HDC dc, const RECT& area) {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        TControl* control = controls_[i];
        if (control->IsWindowed() || !control->Visible()) continue;
        RECT bounds = control->BoundsRect();
        RECT overlap;
        if (!IntersectRect(&overlap, &bounds, &area)) continue;
        TSavedDC saved(dc);
        OffsetViewportOrgEx(dc, bounds.left, bounds.top, nullptr);
        IntersectClipRect(dc, 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top);
        control->PaintTo(dc);
    }
}

TControl* TWinControl::ControlAtPoint(int x, int y) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* control = *it;
        if (control->IsWindowed() || !control->Visible()) continue;
        RECT bounds = control->BoundsRect();
        if (PtInRect(&bounds, POINT{x, y})) return control;
    }
    return nullptr;
}

void TWinControl::HandleMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT point = PointOf(lParam);
    TControl* target = ControlAtPoint(point.x, point.y);
    int x = point.x, y = point.y;
    if (target) {
        x -= target->left_;
        y -= target->top_;
    } else {
        target = this;
    }
    TShiftState shift = KeyboardShiftState();
    TMouseButton button = (message == WM_RBUTTONDOWN || message == WM_RBUTTONUP) ? mbRight : mbLeft;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (button == mbLeft) pressed_ = target;
        target->MouseDown(button, shift, x, y);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        target->MouseUp(button, shift, x, y);
        if (button == mbLeft && pressed_ == target) {
            pressed_ = nullptr;
            target->Click();
        }
        break;
    case WM_LBUTTONDBLCLK:
        target->DblClick();
        break;
    }
}

bool TWinControl::HandleSetCursor(HWND window, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT) return false;
    TCursor cursor = GlobalCursor();
    if (cursor == crDefault) {
        if (window != handle_) return false;
        POINT point{};
        GetCursorPos(&point);
        ScreenToClient(handle_, &point);
        TControl* control = ControlAtPoint(point.x, point.y);
        cursor = control && control->Cursor() != crDefault ? control->Cursor() : Cursor();
        if (cursor == crDefault) return false;
    }
    ::SetCursor(CursorHandle(cursor));
    return true;
}

bool TWinControl::HandleKeyDown(WORD& key) {
    TShiftState shift = KeyboardShiftState();
    if (OnKeyDown) {
        OnKeyDown(this, key, shift);
        if (key == 0) return true;
    }
    if (WantsKey(key) || HasFlag(shift, ssCtrl) || HasFlag(shift, ssAlt)) return false;
    if (key == VK_TAB) {
        TWinControl* top = this;
        while (top->Parent()) top = top->Parent();
        top->SelectNext(this, !HasFlag(shift, ssShift));
        eatChar_ = true;
        return true;
    }
    if ((key == VK_RETURN || key == VK_ESCAPE) && HandleDialogKey(key)) {
        eatChar_ = true;
        return true;
    }
    return false;
}

namespace {
TWinControl* FindDialogKeyAnswer(TWinControl* container, WORD key, bool (*answers)(TWinControl*, WORD)) {
    for (int i = 0; i < container->ControlCount(); ++i) {
        auto* windowed = dynamic_cast<TWinControl*>(container->Controls(i));
        if (!windowed) continue;
        if (answers(windowed, key)) return windowed;
        if (TWinControl* found = FindDialogKeyAnswer(windowed, key, answers)) return found;
    }
    return nullptr;
}
} // namespace

bool TWinControl::HandleDialogKey(WORD key) {
    if (key == VK_RETURN && ClicksOnReturn()) {
        Click();
        return true;
    }
    auto answers = [](TWinControl* control, WORD k) {
        return control->AnswersDialogKey(k) && control->handle_ && IsWindowVisible(control->handle_) &&
               IsWindowEnabled(control->handle_);
    };
    // The form around the focus first, then the forms around that one.
    TWinControl* scope = NearestForm(this);
    if (!scope) {
        scope = this;
        while (scope->Parent()) scope = scope->Parent();
    }
    while (scope) {
        if (TWinControl* answer = FindDialogKeyAnswer(scope, key, answers)) {
            answer->Click();
            return true;
        }
        scope = scope->Parent() ? static_cast<TWinControl*>(NearestForm(scope->Parent())) : nullptr;
    }
    return false;
}

bool ReflectChildNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
        if (TWinControl* child = lParam ? FindControl(reinterpret_cast<HWND>(lParam)) : nullptr) {
            child->CommandNotify(HIWORD(wParam));
            result = 0;
            return true;
        }
        return false;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (TWinControl* child = FindControl(header->hwndFrom)) {
            result = child->Notify(header);
            return true;
        }
        return false;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        if (TWinControl* child = FindControl(reinterpret_cast<HWND>(lParam))) {
            result = reinterpret_cast<LRESULT>(child->CtlColor(reinterpret_cast<HDC>(wParam)));
            return true;
        }
        return false;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (TWinControl* child = item->CtlType != ODT_MENU ? FindControl(item->hwndItem) : nullptr) {
            child->DrawItem(*item);
            result = TRUE;
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // A notification from the window itself (a subclassed control reporting to its
    // own procedure) is not reflected back to it.
    bool fromChild = true;
    if (message == WM_NOTIFY) fromChild = reinterpret_cast<NMHDR*>(lParam)->hwndFrom != handle_;
    else if (message == WM_DRAWITEM) fromChild = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem != handle_;
    else fromChild = reinterpret_cast<HWND>(lParam) != handle_;
    LRESULT reflected = 0;
    if (fromChild && ReflectChildNotification(message, wParam, lParam, reflected)) return reflected;
    switch (message) {
    case WM_ERASEBKGND:
        if (ownClass_) {
            RECT rect{};
            ::GetClientRect(handle_, &rect);
            FillRect(reinterpret_cast<HDC>(wParam), &rect, brush_.Handle());
            return 1;
        }
        break;
    case WM_PAINT:
        if (ownClass_) {
            TPaintScope paint(handle_);
            PaintWindow(paint.DC());
            PaintControls(paint.DC(), paint.Area());
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        LRESULT result = DefaultHandler(message, wParam, lParam);
        UpdateBoundsFromWindow();
        return result;
    }
    case WM_SETCURSOR:
        if (HandleSetCursor(reinterpret_cast<HWND>(wParam), lParam)) return TRUE;
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_LBUTTONDBLCLK:
        if (ownClass_) HandleMouse(message, wParam, lParam);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        auto key = static_cast<WORD>(wParam);
        if (HandleKeyDown(key)) return 0;
        wParam = key;
        break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (OnKeyUp) {
            auto key = static_cast<WORD>(wParam);
            OnKeyUp(this, key, KeyboardShiftState());
            if (key == 0) return 0;
            wParam = key;
        }
        break;
    case WM_CHAR: {
        bool eat = eatChar_ && (wParam == '\t' || wParam == '\r' || wParam == 27);
        eatChar_ = false;
        if (eat) return 0;
        if (OnKeyPress) {
            char key = static_cast<char>(wParam);
            OnKeyPress(this, key);
            if (key == 0) return 0;
            wParam = static_cast<unsigned char>(key);
        }
        break;
    }
    }
    return DefaultHandler(message, wParam, lParam);
}

void TWinControl::FontChanged() {
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i]->ParentFont()) controls_[i]->AdoptParentFont();
    Invalidate();
}

void TWinControl::ColorChanged() {
    brush_.SetColor(Color());
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i]->ParentColor()) controls_[i]->AdoptParentColor();
    Invalidate();
}

void TWinControl::TextChanged() {
    if (ownClass_) Invalidate();
}

void TWinControl::VisibleChanged() {
    if (handle_) ShowWindow(handle_, Visible() ? SW_SHOWNOACTIVATE : SW_HIDE);
    if (Parent() && Align() != alNone) Parent()->Realign();
}

void TWinControl::EnabledChanged() {
    if (handle_) EnableWindow(handle_, Enabled());
    Invalidate();
}

void TWinControl::ParentChanged() {
    TControl::ParentChanged();
    if (!handle_) return;
    if (Parent() && Parent()->handle_) {
        LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
        if (!(style & WS_CHILD)) SetWindowLongPtrA(handle_, GWL_STYLE, (style & ~WS_POPUP) | WS_CHILD);
        ::SetParent(handle_, Parent()->handle_);
        SetWindowPos(handle_, HWND_TOP, left_, top_, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    } else {
        // Made again, with the right parent and style, when next needed.
        DestroyHandle();
    }
}

std::string TWinControl::GetText() const {
    if (!handle_) return StoredText();
    int length = GetWindowTextLengthA(handle_);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    int got = GetWindowTextA(handle_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return text;
}

void TWinControl::SetText(const std::string& text) {
    if (text == GetText()) return;
    StoreText(text);
    if (handle_) SetWindowTextA(handle_, text.c_str());
    TextChanged();
}

// --- TGraphicControl and TCustomControl ------------------------------------------------

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner) {}

const TClassInfo& TGraphicControl::StaticClassInfo() {
    static const TClassInfo info("TGraphicControl", &TControl::StaticClassInfo(), nullptr, {});
    return info;
}

void TGraphicControl::PaintTo(HDC dc) {
    TCanvasBinding binding(canvas_, dc);
    canvas_.Font()->Assign(Font());
    canvas_.Brush()->SetColor(Color());
    Paint();
}

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner) {}

const TClassInfo& TCustomControl::StaticClassInfo() {
    static const TClassInfo info("TCustomControl", &TWinControl::StaticClassInfo(), nullptr, {});
    return info;
}

TControlCanvas::~TControlCanvas() { FreeWindowDC(); }

void TControlCanvas::CreateHandle() {
    HWND window = control_->Handle();
    HDC dc = GetDC(window);
    if (!dc) return;
    window_ = window;
    windowDC_ = dc;
    SetHandle(dc);
    Font()->Assign(control_->Font());
    Brush()->SetColor(control_->Color());
    PostMessageA(window, QM_FREECANVASDC, 0, 0);
}

void TControlCanvas::FreeWindowDC() {
    // While a paint holds the canvas the borrowed context is already back.
    if (windowDC_) SetHandle(nullptr);
}

void TControlCanvas::HandleReleased(HDC dc) {
    if (dc != windowDC_) return;
    ReleaseDC(window_, dc);
    window_ = nullptr;
    windowDC_ = nullptr;
}

void TCustomControl::PaintWindow(HDC dc) {
    TCanvasBinding binding(canvas_, dc);
    canvas_.Font()->Assign(Font());
    canvas_.Brush()->SetColor(Color());
    Paint();
}

} // namespace qlry
