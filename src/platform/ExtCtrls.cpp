#include "platform/ExtCtrls.h"

#include <algorithm>

#include "platform/Application.h"
#include "platform/Exceptions.h"

namespace qlry {

const TEnumInfo bevelCutNames{"bvNone", "bvLowered", "bvRaised", "bvSpace"};
const TEnumInfo bevelShapeNames{"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"};
const TEnumInfo bevelStyleNames{"bsLowered", "bsRaised"};

namespace {
void BevelColors(TBevelCut cut, TColor face, TColor& topLeft, TColor& bottomRight) {
    switch (cut) {
    case bvLowered:
        topLeft = clBtnShadow;
        bottomRight = clBtnHighlight;
        break;
    case bvRaised:
        topLeft = clBtnHighlight;
        bottomRight = clBtnShadow;
        break;
    default:
        topLeft = bottomRight = face;
        break;
    }
}

void Line(HDC dc, TColor color, int x1, int y1, int x2, int y2) {
    TPenHandle pen(CreatePen(PS_SOLID, 1, ColorToRGB(color)));
    TDCSelection selected(dc, pen.Get());
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}
} // namespace

// --- TCustomPanel ----------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) { SetBoundsFields(0, 0, 185, 41); }

const TClassInfo& TCustomPanel::StaticClassInfo() {
    static const TClassInfo info(
        "TCustomPanel", &TCustomControl::StaticClassInfo(), nullptr,
        {
            EnumProperty<TCustomPanel, TAlignment>("Alignment", alignmentNames, &TCustomPanel::Alignment,
                                                   &TCustomPanel::SetAlignment, taCenter),
            EnumProperty<TCustomPanel, TBevelCut>("BevelInner", bevelCutNames, &TCustomPanel::BevelInner,
                                                  &TCustomPanel::SetBevelInner, bvNone),
            EnumProperty<TCustomPanel, TBevelCut>("BevelOuter", bevelCutNames, &TCustomPanel::BevelOuter,
                                                  &TCustomPanel::SetBevelOuter, bvRaised),
            IntegerProperty<TCustomPanel>("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth, 1),
            EnumProperty<TCustomPanel, TBorderStyle>("BorderStyle", borderStyleNames, &TCustomPanel::BorderStyle,
                                                     &TCustomPanel::SetBorderStyle, bsNone),
            IntegerProperty<TCustomPanel>("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth, 0),
            StringProperty<TCustomPanel>("Caption", &TCustomPanel::Caption, &TCustomPanel::SetCaption),
            BooleanProperty<TCustomPanel>("FullRepaint", &TCustomPanel::FullRepaint, &TCustomPanel::SetFullRepaint, true),
            BooleanProperty<TCustomPanel>("Locked", &TCustomPanel::Locked, &TCustomPanel::SetLocked, false),
            EventProperty<TControl>("OnResize", &TControl::OnResize),
        });
    return info;
}

void TCustomPanel::FrameChanged() {
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut cut) {
    if (cut == bevelOuter_) return;
    bevelOuter_ = cut;
    FrameChanged();
}

void TCustomPanel::SetBevelInner(TBevelCut cut) {
    if (cut == bevelInner_) return;
    bevelInner_ = cut;
    FrameChanged();
}

void TCustomPanel::SetBevelWidth(int width) {
    width = std::max(width, 1);
    if (width == bevelWidth_) return;
    bevelWidth_ = width;
    FrameChanged();
}

void TCustomPanel::SetBorderWidth(int width) {
    width = std::max(width, 0);
    if (width == borderWidth_) return;
    borderWidth_ = width;
    FrameChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle style) {
    if (style == borderStyle_) return;
    borderStyle_ = style;
    if (HandleAllocated()) {
        LONG_PTR exStyle = GetWindowLongPtrA(Handle(), GWL_EXSTYLE);
        exStyle = style == bsSingle ? (exStyle | WS_EX_CLIENTEDGE) : (exStyle & ~WS_EX_CLIENTEDGE);
        SetWindowLongPtrA(Handle(), GWL_EXSTYLE, exStyle);
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    FrameChanged();
}

void TCustomPanel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Invalidate();
}

void TCustomPanel::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.exStyle |= WS_EX_CONTROLPARENT;
    if (borderStyle_ == bsSingle) params.exStyle |= WS_EX_CLIENTEDGE;
}

void TCustomPanel::AdjustClientRect(RECT& rect) const {
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone) inset += bevelWidth_;
    if (bevelInner_ != bvNone) inset += bevelWidth_;
    InflateRect(&rect, -inset, -inset);
}

void TCustomPanel::Paint() {
    HDC dc = Canvas()->Handle();
    RECT rect = ClientRect();
    TColor topLeft, bottomRight;
    if (bevelOuter_ != bvNone) {
        BevelColors(bevelOuter_, Color(), topLeft, bottomRight);
        Frame3D(dc, rect, topLeft, bottomRight, bevelWidth_);
    }
    Frame3D(dc, rect, Color(), Color(), borderWidth_);
    if (bevelInner_ != bvNone) {
        BevelColors(bevelInner_, Color(), topLeft, bottomRight);
        Frame3D(dc, rect, topLeft, bottomRight, bevelWidth_);
    }
    PaintCaption(rect);
}

void TCustomPanel::PaintCaption(RECT rect) {
    std::string caption = Caption();
    if (caption.empty()) return;
    Canvas()->RequireState();
    HDC dc = Canvas()->Handle();
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS;
    if (alignment_ == taCenter) flags |= DT_CENTER;
    else if (alignment_ == taRightJustify) flags |= DT_RIGHT;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &rect, flags);
}

TPanel::TPanel(TComponent* owner) : TCustomPanel(owner) {}

const TClassInfo& TPanel::StaticClassInfo() {
    static const TClassInfo info("TPanel", &TCustomPanel::StaticClassInfo(), FactoryOf<TPanel>(), {});
    return info;
}

// --- TBevel ----------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) { SetBoundsFields(0, 0, 50, 50); }

const TClassInfo& TBevel::StaticClassInfo() {
    static const TClassInfo info(
        "TBevel", &TGraphicControl::StaticClassInfo(), FactoryOf<TBevel>(),
        {
            EnumProperty<TBevel, TBevelShape>("Shape", bevelShapeNames, &TBevel::Shape, &TBevel::SetShape, bsBox),
            EnumProperty<TBevel, TBevelStyle>("Style", bevelStyleNames, &TBevel::Style, &TBevel::SetStyle, bsLowered),
        });
    return info;
}

void TBevel::SetShape(TBevelShape shape) {
    if (shape == shape_) return;
    shape_ = shape;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle style) {
    if (style == style_) return;
    style_ = style;
    Invalidate();
}

void TBevel::Paint() {
    HDC dc = Canvas()->Handle();
    TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    int width = Width(), height = Height();
    switch (shape_) {
    case bsBox: {
        RECT rect{0, 0, width, height};
        Frame3D(dc, rect, first, second, 1);
        break;
    }
    case bsFrame: {
        RECT outer{0, 0, width - 1, height - 1};
        Frame3D(dc, outer, first, first, 1);
        RECT inner{1, 1, width, height};
        Frame3D(dc, inner, second, second, 1);
        break;
    }
    case bsTopLine:
        Line(dc, first, 0, 0, width, 0);
        Line(dc, second, 0, 1, width, 1);
        break;
    case bsBottomLine:
        Line(dc, first, 0, height - 2, width, height - 2);
        Line(dc, second, 0, height - 1, width, height - 1);
        break;
    case bsLeftLine:
        Line(dc, first, 0, 0, 0, height);
        Line(dc, second, 1, 0, 1, height);
        break;
    case bsRightLine:
        Line(dc, first, width - 2, 0, width - 2, height);
        Line(dc, second, width - 1, 0, width - 1, height);
        break;
    case bsSpacer:
        break;
    }
}

// --- TImage ----------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
    SetBoundsFields(0, 0, 105, 105);
    picture_.OnChange = [this](TObject*) { PictureChanged(); };
}

const TClassInfo& TImage::StaticClassInfo() {
    static const TClassInfo info(
        "TImage", &TGraphicControl::StaticClassInfo(), FactoryOf<TImage>(),
        {
            BooleanProperty<TImage>("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize, false),
            BooleanProperty<TImage>("Center", &TImage::Center, &TImage::SetCenter, false),
            ObjectProperty<TImage>("Picture", &TImage::Picture),
            BooleanProperty<TImage>("Stretch", &TImage::Stretch, &TImage::SetStretch, false),
            BooleanProperty<TImage>("Transparent", &TImage::Transparent, &TImage::SetTransparent, false),
        });
    return info;
}

void TImage::PictureChanged() {
    if (autoSize_ && !picture_.Empty()) SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
    Invalidate();
}

void TImage::SetStretch(bool stretch) {
    stretch_ = stretch;
    Invalidate();
}

void TImage::SetCenter(bool center) {
    center_ = center;
    Invalidate();
}

void TImage::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    PictureChanged();
}

void TImage::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Invalidate();
}

void TImage::Paint() {
    if (picture_.Empty()) return;
    TBitmap& bitmap = *picture_.Bitmap();
    int width = Width(), height = Height();
    if (stretch_) {
        Canvas()->StretchDraw(RECT{0, 0, width, height}, bitmap);
        return;
    }
    int x = center_ ? (width - bitmap.Width()) / 2 : 0;
    int y = center_ ? (height - bitmap.Height()) / 2 : 0;
    if (transparent_)
        DrawTransparent(Canvas()->Handle(), x, y, bitmap.Width(), bitmap.Height(), bitmap, 0, 0,
                        bitmap.BottomLeftColor());
    else
        Canvas()->Draw(x, y, bitmap);
}

// --- Radio groups ----------------------------------------------------------------------

void TRadioGroupStrings::Changed() {
    TStringList::Changed();
    group_->ItemsChanged();
}

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner) : TCustomGroupBox(owner), items_(this) {}

TCustomRadioGroup::~TCustomRadioGroup() {
    // The buttons are child controls and go with the group's window.
    buttons_.clear();
}

const TClassInfo& TCustomRadioGroup::StaticClassInfo() {
    static const TClassInfo info(
        "TCustomRadioGroup", &TCustomGroupBox::StaticClassInfo(), nullptr,
        {
            IntegerProperty<TCustomRadioGroup>("Columns", &TCustomRadioGroup::Columns, &TCustomRadioGroup::SetColumns, 1),
            IntegerProperty<TCustomRadioGroup>("ItemIndex", &TCustomRadioGroup::ItemIndex,
                                               &TCustomRadioGroup::SetItemIndex, -1),
            StringsProperty<TCustomRadioGroup>("Items", &TCustomRadioGroup::Items),
        });
    return info;
}

void TCustomRadioGroup::ItemsChanged() {
    while (static_cast<int>(buttons_.size()) > items_.Count()) {
        TRadioButton* button = buttons_.back();
        buttons_.pop_back();
        delete button;
    }
    while (static_cast<int>(buttons_.size()) < items_.Count()) {
        auto* button = new TRadioButton(this);
        button->OnClick = [this, button](TObject*) { ButtonClicked(button); };
        button->SetParent(this);
        buttons_.push_back(button);
    }
    updating_ = true;
    for (int i = 0; i < items_.Count(); ++i) {
        buttons_[i]->SetCaption(items_.Strings(i));
        buttons_[i]->SetChecked(i == itemIndex_);
    }
    updating_ = false;
    if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
    ArrangeButtons();
}

void TCustomRadioGroup::SetItemIndex(int index) {
    if (IsLoading()) {
        itemIndex_ = index;
        return;
    }
    if (index < -1 || index >= items_.Count()) index = -1;
    if (index == itemIndex_) return;
    itemIndex_ = index;
    updating_ = true;
    for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->SetChecked(static_cast<int>(i) == index);
    updating_ = false;
    if (index >= 0) Click();
}

void TCustomRadioGroup::ButtonClicked(TRadioButton* button) {
    if (updating_ || !button->Checked()) return;
    auto found = std::find(buttons_.begin(), buttons_.end(), button);
    if (found == buttons_.end()) return;
    itemIndex_ = static_cast<int>(found - buttons_.begin());
    Click();
}

void TCustomRadioGroup::SetColumns(int columns) {
    columns = std::clamp(columns, 1, 16);
    if (columns == columns_) return;
    columns_ = columns;
    ArrangeButtons();
}

void TCustomRadioGroup::Loaded() {
    TCustomGroupBox::Loaded();
    updating_ = true;
    if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
    for (std::size_t i = 0; i < buttons_.size(); ++i) buttons_[i]->SetChecked(static_cast<int>(i) == itemIndex_);
    updating_ = false;
}

void TCustomRadioGroup::AlignControls(RECT& rect) {
    TCustomGroupBox::AlignControls(rect);
    ArrangeButtons();
}

void TCustomRadioGroup::FontChanged() {
    TCustomGroupBox::FontChanged();
    ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons() {
    if (buttons_.empty()) return;
    RECT area = ClientRect();
    AdjustClientRect(area);
    int count = static_cast<int>(buttons_.size());
    int rows = (count + columns_ - 1) / columns_;
    int columnWidth = std::max<int>((area.right - area.left - 4) / columns_, 0);
    int rowHeight = std::max<int>((area.bottom - area.top) / rows, 0);
    for (int i = 0; i < count; ++i) {
        int column = i / rows, row = i % rows;
        buttons_[i]->SetBounds(area.left + 4 + column * columnWidth, area.top + row * rowHeight,
                               std::max(columnWidth - 4, 0), rowHeight);
    }
}

TRadioGroup::TRadioGroup(TComponent* owner) : TCustomRadioGroup(owner) {}

const TClassInfo& TRadioGroup::StaticClassInfo() {
    static const TClassInfo info("TRadioGroup", &TCustomRadioGroup::StaticClassInfo(), FactoryOf<TRadioGroup>(), {});
    return info;
}

// --- TTimer ----------------------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    if (window_) DestroyWindow(window_);
}

const TClassInfo& TTimer::StaticClassInfo() {
    static const TClassInfo info(
        "TTimer", &TComponent::StaticClassInfo(), FactoryOf<TTimer>(),
        {
            BooleanProperty<TTimer>("Enabled", &TTimer::Enabled, &TTimer::SetEnabled, true),
            IntegerProperty<TTimer>("Interval", &TTimer::Interval, &TTimer::SetInterval, 1000),
            EventProperty<TTimer>("OnTimer", &TTimer::OnTimer),
        });
    return info;
}

void TTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    UpdateTimer();
}

void TTimer::SetInterval(int interval) {
    interval_ = std::max(interval, 0);
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

LRESULT CALLBACK TTimer::TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_TIMER) return DefWindowProcA(window, message, wParam, lParam);
    auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (timer && timer->OnTimer) CallbackGuard(timer, [&] { timer->OnTimer(timer); });
    return 0;
}

void TTimer::UpdateTimer() {
    if (IsLoading()) return;
    if (running_) {
        KillTimer(window_, 1);
        running_ = false;
    }
    if (!enabled_ || interval_ == 0) return;
    if (!window_) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = &TTimer::TimerWindowProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = "QlryTimer";
            RegisterClassA(&windowClass);
            registered = true;
        }
        window_ = CreateWindowExA(0, "QlryTimer", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
        if (!window_) RaiseLastOSError();
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    if (!SetTimer(window_, 1, static_cast<UINT>(interval_), nullptr)) throw EOutOfMemory("Not enough timers available");
    running_ = true;
}

namespace {
const TClassRegistration panelRegistration(TPanel::StaticClassInfo());
const TClassRegistration bevelRegistration(TBevel::StaticClassInfo());
const TClassRegistration imageRegistration(TImage::StaticClassInfo());
const TClassRegistration radioGroupRegistration(TRadioGroup::StaticClassInfo());
const TClassRegistration timerRegistration(TTimer::StaticClassInfo());
} // namespace

} // namespace qlry
