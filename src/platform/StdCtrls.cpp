#include "platform/StdCtrls.h"

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/Forms.h"

namespace qlry {

const TEnumInfo textLayoutNames{"tlTop", "tlCenter", "tlBottom"};
const TEnumInfo scrollStyleNames{"ssNone", "ssHorizontal", "ssVertical", "ssBoth"};

namespace {
class TFlag {
public:
    explicit TFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlag() { flag_ = false; }
    TFlag(const TFlag&) = delete;
    TFlag& operator=(const TFlag&) = delete;

private:
    bool& flag_;
};
} // namespace

// --- TCustomLabel ----------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBoundsFields(0, 0, 65, 17);
    SetParentColor(true);
}

const TClassInfo& TCustomLabel::StaticClassInfo() {
    static const TClassInfo info(
        "TCustomLabel", &TGraphicControl::StaticClassInfo(), nullptr,
        {
            EnumProperty<TCustomLabel, TAlignment>("Alignment", alignmentNames, &TCustomLabel::Alignment,
                                                   &TCustomLabel::SetAlignment, taLeftJustify),
            BooleanProperty<TCustomLabel>("AutoSize", &TCustomLabel::AutoSize, &TCustomLabel::SetAutoSize, true),
            StringProperty<TCustomLabel>("Caption", &TCustomLabel::Caption, &TCustomLabel::SetCaption),
            EnumProperty<TCustomLabel, TTextLayout>("Layout", textLayoutNames, &TCustomLabel::Layout,
                                                    &TCustomLabel::SetLayout, tlTop),
            BooleanProperty<TCustomLabel>("ShowAccelChar", &TCustomLabel::ShowAccelChar,
                                          &TCustomLabel::SetShowAccelChar, true),
            BooleanProperty<TCustomLabel>("Transparent", &TCustomLabel::Transparent, &TCustomLabel::SetTransparent,
                                          false),
            BooleanProperty<TCustomLabel>("WordWrap", &TCustomLabel::WordWrap, &TCustomLabel::SetWordWrap, false),
        });
    return info;
}

void TCustomLabel::LookChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetAlignment(TAlignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool autoSize) {
    if (autoSize == autoSize_) return;
    autoSize_ = autoSize;
    LookChanged();
}

void TCustomLabel::SetWordWrap(bool wordWrap) {
    if (wordWrap == wordWrap_) return;
    wordWrap_ = wordWrap;
    LookChanged();
}

void TCustomLabel::SetLayout(TTextLayout layout) {
    if (layout == layout_) return;
    layout_ = layout;
    Invalidate();
}

void TCustomLabel::SetTransparent(bool transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool show) {
    if (show == showAccelChar_) return;
    showAccelChar_ = show;
    LookChanged();
}

void TCustomLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::TextChanged() { LookChanged(); }

void TCustomLabel::FontChanged() { LookChanged(); }

void TCustomLabel::BoundsChanged(bool resized) {
    TGraphicControl::BoundsChanged(resized);
    // A wrapped label needs another height whenever its width changes.
    if (resized && wordWrap_) AdjustBounds();
}

UINT TCustomLabel::TextFlags() const {
    UINT flags = DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    if (!showAccelChar_) flags |= DT_NOPREFIX;
    if (alignment_ == taRightJustify) flags |= DT_RIGHT;
    else if (alignment_ == taCenter) flags |= DT_CENTER;
    return flags;
}

std::string TCustomLabel::DrawnText() const {
    std::string text = Caption();
    // An empty label still measures one line.
    if (text.empty() || (showAccelChar_ && text == "&")) text += ' ';
    return text;
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize_ || IsLoading()) return;
    if (adjusting_) {
        readjust_ = true;
        return;
    }
    TFlag adjusting(adjusting_);
    for (int pass = 0; pass < 3; ++pass) {
        readjust_ = false;
        std::string text = DrawnText();
        RECT rect{0, 0, wordWrap_ ? Width() : 0, 0};
        {
            TScreenDC screen;
            TDCSelection font(screen.Get(), Font()->Handle());
            DrawTextA(screen.Get(), text.c_str(), static_cast<int>(text.size()), &rect, TextFlags() | DT_CALCRECT);
        }
        int width = wordWrap_ ? Width() : rect.right;
        int left = Left();
        if (alignment_ == taRightJustify && !wordWrap_) left += Width() - width;
        SetBounds(left, Top(), width, rect.bottom);
        if (!readjust_) break;
    }
}

void TCustomLabel::Paint() {
    Canvas()->RequireState();
    HDC dc = Canvas()->Handle();
    RECT rect{0, 0, Width(), Height()};
    if (!transparent_) Canvas()->FillRect(rect);
    std::string text = DrawnText();
    UINT flags = TextFlags();
    if (layout_ != tlTop) {
        RECT measure = rect;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &measure, flags | DT_CALCRECT);
        int free = rect.bottom - (measure.bottom - measure.top);
        rect.top += layout_ == tlCenter ? free / 2 : free;
    }
    SetBkMode(dc, TRANSPARENT);
    if (Enabled()) {
        SetTextColor(dc, ColorToRGB(Font()->Color()));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
    } else {
        // Disabled text: a highlight copy below and to the right of the grey one.
        OffsetRect(&rect, 1, 1);
        SetTextColor(dc, ColorToRGB(clBtnHighlight));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
        OffsetRect(&rect, -1, -1);
        SetTextColor(dc, ColorToRGB(clBtnShadow));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags);
    }
}

TLabel::TLabel(TComponent* owner) : TCustomLabel(owner) {}

const TClassInfo& TLabel::StaticClassInfo() {
    static const TClassInfo info("TLabel", &TCustomLabel::StaticClassInfo(), FactoryOf<TLabel>(), {});
    return info;
}

// --- TButton ---------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    SetBoundsFields(0, 0, 75, 25);
    SetTabStop(true);
}

const TClassInfo& TButton::StaticClassInfo() {
    static const TClassInfo info(
        "TButton", &TWinControl::StaticClassInfo(), FactoryOf<TButton>(),
        {
            BooleanProperty<TButton>("Cancel", &TButton::Cancel, &TButton::SetCancel, false),
            StringProperty<TButton>("Caption", &TButton::Caption, &TButton::SetCaption),
            BooleanProperty<TButton>("Default", &TButton::Default, &TButton::SetDefault, false),
            IntegerProperty<TButton>("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, mrNone),
        });
    return info;
}

DWORD TButton::ButtonStyle() const { return default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; }

void TButton::SetDefault(bool value) {
    if (value == default_) return;
    default_ = value;
    if (HandleAllocated()) SendMessageA(Handle(), BM_SETSTYLE, ButtonStyle(), TRUE);
}

void TButton::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.windowClass = "BUTTON";
    params.ownClass = false;
    params.style = (params.style & ~WS_CLIPCHILDREN) | ButtonStyle();
}

void TButton::CommandNotify(WORD code) {
    if (code == BN_CLICKED) Click();
}

bool TButton::AnswersDialogKey(WORD key) const {
    return (key == VK_RETURN && default_) || (key == VK_ESCAPE && cancel_);
}

void TButton::Click() {
    if (modalResult_ != mrNone)
        if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
    TWinControl::Click();
}

// --- Check boxes and radio buttons -----------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    SetBoundsFields(0, 0, 97, 17);
    SetTabStop(true);
    SetParentColor(true);
}

const TClassInfo& TButtonControl::StaticClassInfo() {
    static const TClassInfo info(
        "TButtonControl", &TWinControl::StaticClassInfo(), nullptr,
        {
            StringProperty<TButtonControl>("Caption", &TButtonControl::Caption, &TButtonControl::SetCaption),
            BooleanProperty<TButtonControl>("Checked", &TButtonControl::Checked, &TButtonControl::SetChecked, false),
        });
    return info;
}

void TButtonControl::ApplyChecked(bool checked) {
    checked_ = checked;
    if (HandleAllocated()) SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TButtonControl::SetChecked(bool checked) {
    if (checked == checked_) return;
    ApplyChecked(checked);
    if (!IsLoading()) Click();
}

void TButtonControl::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.windowClass = "BUTTON";
    params.ownClass = false;
    params.style = (params.style & ~WS_CLIPCHILDREN) | ButtonStyle();
}

void TButtonControl::InitializeHandle() {
    TWinControl::InitializeHandle();
    SendMessageA(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {}

const TClassInfo& TCheckBox::StaticClassInfo() {
    static const TClassInfo info("TCheckBox", &TButtonControl::StaticClassInfo(), FactoryOf<TCheckBox>(), {});
    return info;
}

void TCheckBox::CommandNotify(WORD code) {
    if (code == BN_CLICKED) SetChecked(!Checked());
}

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {}

const TClassInfo& TRadioButton::StaticClassInfo() {
    static const TClassInfo info("TRadioButton", &TButtonControl::StaticClassInfo(), FactoryOf<TRadioButton>(), {});
    return info;
}

void TRadioButton::SetChecked(bool checked) {
    if (checked == Checked()) return;
    ApplyChecked(checked);
    if (!checked) return;
    if (Parent()) {
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            auto* sibling = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
            if (sibling && sibling != this && sibling->Checked()) sibling->ApplyChecked(false);
        }
    }
    if (!IsLoading()) Click();
}

void TRadioButton::CommandNotify(WORD code) {
    if (code == BN_CLICKED) SetChecked(true);
    else if (code == BN_DOUBLECLICKED) DblClick();
}

// --- TEdit -----------------------------------------------------------------------------

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    SetBoundsFields(0, 0, 121, 21);
    SetTabStop(true);
    SetColor(clWindow);
}

const TClassInfo& TEdit::StaticClassInfo() {
    static const TClassInfo info(
        "TEdit", &TWinControl::StaticClassInfo(), FactoryOf<TEdit>(),
        {
            EnumProperty<TEdit, TBorderStyle>("BorderStyle", borderStyleNames, &TEdit::BorderStyle,
                                              &TEdit::SetBorderStyle, bsSingle),
            IntegerProperty<TEdit>("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength, 0),
            StringProperty<TEdit>("PasswordChar", &TEdit::PasswordChar, &TEdit::SetPasswordChar),
            BooleanProperty<TEdit>("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly, false),
            StringProperty<TEdit>("Text", &TEdit::Text, &TEdit::SetTextValue),
            EventProperty<TEdit>("OnChange", &TEdit::OnChange),
        });
    return info;
}

void TEdit::SetMaxLength(int length) {
    maxLength_ = std::max(length, 0);
    if (HandleAllocated()) SendMessageA(Handle(), EM_LIMITTEXT, maxLength_, 0);
}

void TEdit::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0);
}

void TEdit::SetPasswordChar(const std::string& value) {
    passwordChar_ = value.empty() ? 0 : value[0];
    if (HandleAllocated()) {
        SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_), 0);
        Invalidate();
    }
}

void TEdit::SelectAll() {
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETSEL, 0, -1);
}

void TEdit::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.windowClass = "EDIT";
    params.ownClass = false;
    params.style = (params.style & ~WS_CLIPCHILDREN) | ES_AUTOHSCROLL;
    if (readOnly_) params.style |= ES_READONLY;
    if (passwordChar_) params.style |= ES_PASSWORD;
    if (borderStyle_ == bsSingle) params.exStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::InitializeHandle() {
    TWinControl::InitializeHandle();
    SendMessageA(Handle(), EM_LIMITTEXT, maxLength_, 0);
    if (passwordChar_) SendMessageA(Handle(), EM_SETPASSWORDCHAR, static_cast<unsigned char>(passwordChar_), 0);
}

void TEdit::CommandNotify(WORD code) {
    if (code == EN_CHANGE) Change();
}

void TEdit::TextChanged() {
    // With a window, the window reports the change itself.
    if (!HandleAllocated()) Change();
}

void TEdit::Change() {
    if (OnChange && !IsLoading()) OnChange(this);
}

// --- TListBox --------------------------------------------------------------------------

void TListBoxStrings::Changed() {
    TStringList::Changed();
    listBox_->ItemsChanged();
}

TListBox::TListBox(TComponent* owner) : TWinControl(owner), items_(this) {
    SetBoundsFields(0, 0, 121, 97);
    SetTabStop(true);
    SetColor(clWindow);
}

const TClassInfo& TListBox::StaticClassInfo() {
    static const TClassInfo info(
        "TListBox", &TWinControl::StaticClassInfo(), FactoryOf<TListBox>(),
        {
            EnumProperty<TListBox, TBorderStyle>("BorderStyle", borderStyleNames, &TListBox::BorderStyle,
                                                 &TListBox::SetBorderStyle, bsSingle),
            BooleanProperty<TListBox>("IntegralHeight", &TListBox::IntegralHeight, &TListBox::SetIntegralHeight, false),
            IntegerProperty<TListBox>("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex),
            StringsProperty<TListBox>("Items", &TListBox::Items),
            BooleanProperty<TListBox>("Sorted", &TListBox::Sorted, &TListBox::SetSorted, false),
        });
    return info;
}

int TListBox::ItemIndex() const {
    if (!HandleAllocated()) return itemIndex_;
    return static_cast<int>(SendMessageA(const_cast<TListBox*>(this)->Handle(), LB_GETCURSEL, 0, 0));
}

void TListBox::SetItemIndex(int index) {
    if (index < -1 || index >= items_.Count()) index = -1;
    itemIndex_ = index;
    if (HandleAllocated()) SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TListBox::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    params.windowClass = "LISTBOX";
    params.ownClass = false;
    params.style = (params.style & ~WS_CLIPCHILDREN) | WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
    if (!integralHeight_) params.style |= LBS_NOINTEGRALHEIGHT;
    if (borderStyle_ == bsSingle) params.exStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::FillWindow() {
    HWND window = Handle();
    SendMessageA(window, WM_SETREDRAW, FALSE, 0);
    SendMessageA(window, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items_.Count(); ++i)
        SendMessageA(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items_.Strings(i).c_str()));
    SendMessageA(window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window, nullptr, TRUE);
}

void TListBox::InitializeHandle() {
    TWinControl::InitializeHandle();
    FillWindow();
    if (itemIndex_ >= 0) SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(itemIndex_), 0);
}

void TListBox::SaveWindowState() {
    TWinControl::SaveWindowState();
    itemIndex_ = ItemIndex();
}

void TListBox::ItemsChanged() {
    if (!HandleAllocated()) {
        if (itemIndex_ >= items_.Count()) itemIndex_ = -1;
        return;
    }
    // The selected line stays selected wherever it moved to.
    int selected = ItemIndex();
    std::string selectedText;
    if (selected >= 0) {
        LRESULT length = SendMessageA(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(selected), 0);
        selectedText.assign(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, '\0');
        SendMessageA(Handle(), LB_GETTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(selectedText.data()));
        selectedText.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
    }
    FillWindow();
    SetItemIndex(selected >= 0 ? items_.IndexOf(selectedText) : -1);
}

void TListBox::CommandNotify(WORD code) {
    if (code == LBN_SELCHANGE) Click();
    else if (code == LBN_DBLCLK) DblClick();
}

// --- Group boxes -----------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TCustomControl(owner) {
    SetBoundsFields(0, 0, 185, 105);
    SetParentColor(true);
}

const TClassInfo& TCustomGroupBox::StaticClassInfo() {
    static const TClassInfo info(
        "TCustomGroupBox", &TCustomControl::StaticClassInfo(), nullptr,
        {
            StringProperty<TCustomGroupBox>("Caption", &TCustomGroupBox::Caption, &TCustomGroupBox::SetCaption),
        });
    return info;
}

void TCustomGroupBox::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.exStyle |= WS_EX_CONTROLPARENT;
}

void TCustomGroupBox::AdjustClientRect(RECT& rect) const {
    rect.top += LineHeightOf(*Font());
    InflateRect(&rect, -2, -2);
}

void TCustomGroupBox::Paint() {
    Canvas()->RequireState();
    HDC dc = Canvas()->Handle();
    int lineHeight = LineHeightOf(*Font());
    RECT frame{0, lineHeight / 2, Width(), Height()};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    std::string caption = Caption();
    if (caption.empty()) return;
    RECT text{8, 0, 8, lineHeight};
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_SINGLELINE | DT_CALCRECT);
    text.right += 4;
    Canvas()->FillRect(text);
    OffsetRect(&text, 2, 0);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_SINGLELINE);
}

TGroupBox::TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}

const TClassInfo& TGroupBox::StaticClassInfo() {
    static const TClassInfo info("TGroupBox", &TCustomGroupBox::StaticClassInfo(), FactoryOf<TGroupBox>(), {});
    return info;
}

namespace {
const TClassRegistration labelRegistration(TLabel::StaticClassInfo());
const TClassRegistration buttonRegistration(TButton::StaticClassInfo());
const TClassRegistration checkBoxRegistration(TCheckBox::StaticClassInfo());
const TClassRegistration radioButtonRegistration(TRadioButton::StaticClassInfo());
const TClassRegistration editRegistration(TEdit::StaticClassInfo());
const TClassRegistration listBoxRegistration(TListBox::StaticClassInfo());
const TClassRegistration groupBoxRegistration(TGroupBox::StaticClassInfo());
} // namespace

} // namespace qlry
