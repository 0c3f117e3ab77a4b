#include "platform/ComCtrls.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "platform/Application.h"
#include "platform/Exceptions.h"

namespace qlry {

namespace {
void InitCommonControlsOnce() {
    static bool done = false;
    if (done) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    done = true;
}

// The rich edit library stays loaded for the life of the process: its windows may
// outlive any one control.
void LoadRichEditLibrary() {
    static HMODULE library = LoadLibraryA("riched20.dll");
    if (!library) throw EOSError("Cannot load riched20.dll: %s", {SysErrorMessage(GetLastError())});
}

struct TStreamSource {
    const std::string* text;
    std::size_t position;
};

DWORD CALLBACK StreamInCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
    auto* source = reinterpret_cast<TStreamSource*>(cookie);
    return CallbackGuard(nullptr, DWORD{1}, [&]() -> DWORD {
        std::size_t left = source->text->size() - source->position;
        std::size_t chunk = std::min<std::size_t>(left, static_cast<std::size_t>(count));
        std::copy_n(source->text->data() + source->position, chunk, buffer);
        source->position += chunk;
        *done = static_cast<LONG>(chunk);
        return 0;
    });
}
} // namespace

// --- TProgressBar ----------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) { SetBoundsFields(0, 0, 150, 16); }

const TClassInfo& TProgressBar::StaticClassInfo() {
    static const TClassInfo info(
        "TProgressBar", &TWinControl::StaticClassInfo(), FactoryOf<TProgressBar>(),
        {
            IntegerProperty<TProgressBar>("Max", &TProgressBar::Max, &TProgressBar::SetMax, 100),
            IntegerProperty<TProgressBar>("Min", &TProgressBar::Min, &TProgressBar::SetMin, 0),
            IntegerProperty<TProgressBar>("Position", &TProgressBar::Position, &TProgressBar::SetPosition, 0),
            BooleanProperty<TProgressBar>("Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth, false),
            IntegerProperty<TProgressBar>("Step", &TProgressBar::Step, &TProgressBar::SetStep, 10),
        });
    return info;
}

void TProgressBar::SetMin(int min) {
    min_ = min;
    if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, min_, max_);
}

void TProgressBar::SetMax(int max) {
    max_ = max;
    if (HandleAllocated()) SendMessageA(Handle(), PBM_SETRANGE32, min_, max_);
}

int TProgressBar::Position() const {
    if (!HandleAllocated()) return position_;
    return static_cast<int>(SendMessageA(const_cast<TProgressBar*>(this)->Handle(), PBM_GETPOS, 0, 0));
}

void TProgressBar::SetPosition(int position) {
    if (!IsLoading()) position = std::clamp(position, std::min(min_, max_), std::max(min_, max_));
    position_ = position;
    if (HandleAllocated()) SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetStep(int step) {
    step_ = step;
    if (HandleAllocated()) SendMessageA(Handle(), PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
}

void TProgressBar::CreateParams(TCreateParams& params) {
    InitCommonControlsOnce();
    TWinControl::CreateParams(params);
    params.windowClass = PROGRESS_CLASSA;
    params.ownClass = false;
    params.style &= ~WS_CLIPCHILDREN;
    if (smooth_) params.style |= PBS_SMOOTH;
}

void TProgressBar::InitializeHandle() {
    TWinControl::InitializeHandle();
    SendMessageA(Handle(), PBM_SETRANGE32, min_, max_);
    SendMessageA(Handle(), PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
    SendMessageA(Handle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

// --- TCustomRichEdit -------------------------------------------------------------------

void TRichEditStrings::Changed() {
    TStringList::Changed();
    edit_->LinesChanged();
}

TCustomRichEdit::TCustomRichEdit(TComponent* owner) : TWinControl(owner), lines_(this) {
    SetBoundsFields(0, 0, 185, 89);
    SetTabStop(true);
    SetColor(clWindow);
}

const TClassInfo& TCustomRichEdit::StaticClassInfo() {
    static const TClassInfo info(
        "TCustomRichEdit", &TWinControl::StaticClassInfo(), nullptr,
        {
            EnumProperty<TCustomRichEdit, TBorderStyle>("BorderStyle", borderStyleNames, &TCustomRichEdit::BorderStyle,
                                                        &TCustomRichEdit::SetBorderStyle, bsSingle),
            StringsProperty<TCustomRichEdit>("Lines", &TCustomRichEdit::Lines),
            BooleanProperty<TCustomRichEdit>("PlainText", &TCustomRichEdit::PlainText, &TCustomRichEdit::SetPlainText,
                                             false),
            BooleanProperty<TCustomRichEdit>("ReadOnly", &TCustomRichEdit::ReadOnly, &TCustomRichEdit::SetReadOnly,
                                             false),
            EnumProperty<TCustomRichEdit, TScrollStyle>("ScrollBars", scrollStyleNames, &TCustomRichEdit::ScrollBars,
                                                        &TCustomRichEdit::SetScrollBars, ssNone),
            BooleanProperty<TCustomRichEdit>("WordWrap", &TCustomRichEdit::WordWrap, &TCustomRichEdit::SetWordWrap,
                                             true),
        });
    return info;
}

void TCustomRichEdit::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETREADONLY, readOnly, 0);
}

void TCustomRichEdit::SetWordWrap(bool wordWrap) {
    wordWrap_ = wordWrap;
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETTARGETDEVICE, 0, wordWrap ? 0 : 1);
}

void TCustomRichEdit::SetPlainText(bool plainText) {
    plainText_ = plainText;
    if (HandleAllocated()) ShowLines();
}

void TCustomRichEdit::CreateParams(TCreateParams& params) {
    LoadRichEditLibrary();
    TWinControl::CreateParams(params);
    params.windowClass = RICHEDIT_CLASSA;
    params.ownClass = false;
    params.style = (params.style & ~WS_CLIPCHILDREN) | ES_MULTILINE | ES_NOHIDESEL;
    if (readOnly_) params.style |= ES_READONLY;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) params.style |= WS_VSCROLL;
    else params.style |= ES_AUTOVSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) params.style |= WS_HSCROLL;
    if (!wordWrap_) params.style |= ES_AUTOHSCROLL;
    if (borderStyle_ == bsSingle) params.exStyle |= WS_EX_CLIENTEDGE;
}

void TCustomRichEdit::InitializeHandle() {
    TWinControl::InitializeHandle();
    SendMessageA(Handle(), EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
    SendMessageA(Handle(), EM_SETTARGETDEVICE, 0, wordWrap_ ? 0 : 1);
    ShowLines();
}

void TCustomRichEdit::ColorChanged() {
    TWinControl::ColorChanged();
    if (HandleAllocated()) SendMessageA(Handle(), EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
}

void TCustomRichEdit::LinesChanged() {
    if (HandleAllocated()) ShowLines();
}

void TCustomRichEdit::ShowLines() {
    std::string text = lines_.Text();
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    bool rich = !plainText_ && text.compare(0, 5, "{\\rtf") == 0;
    TStreamSource source{&text, 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = StreamInCallback;
    SendMessageA(Handle(), EM_STREAMIN, rich ? SF_RTF : SF_TEXT, reinterpret_cast<LPARAM>(&stream));
}

TRichEdit::TRichEdit(TComponent* owner) : TCustomRichEdit(owner) {}

const TClassInfo& TRichEdit::StaticClassInfo() {
    static const TClassInfo info("TRichEdit", &TCustomRichEdit::StaticClassInfo(), FactoryOf<TRichEdit>(), {});
    return info;
}

// --- TCustomTabControl -----------------------------------------------------------------

void TTabStrings::Changed() {
    TStringList::Changed();
    control_->TabsChanged();
}

TCustomTabControl::TCustomTabControl(TComponent* owner) : TWinControl(owner), tabs_(this) {
    SetBoundsFields(0, 0, 289, 193);
    SetTabStop(true);
}

const TClassInfo& TCustomTabControl::StaticClassInfo() {
    static const TClassInfo info(
        "TCustomTabControl", &TWinControl::StaticClassInfo(), nullptr,
        {
            IntegerProperty<TCustomTabControl>("TabIndex", &TCustomTabControl::TabIndex, &TCustomTabControl::SetTabIndex,
                                               -1),
            StringsProperty<TCustomTabControl>("Tabs", &TCustomTabControl::Tabs),
            EventProperty<TCustomTabControl>("OnChange", &TCustomTabControl::OnChange),
            EventProperty<TCustomTabControl>("OnChanging", &TCustomTabControl::OnChanging),
        });
    return info;
}

int TCustomTabControl::TabIndex() const {
    if (!HandleAllocated()) return tabIndex_;
    return static_cast<int>(SendMessageA(const_cast<TCustomTabControl*>(this)->Handle(), TCM_GETCURSEL, 0, 0));
}

void TCustomTabControl::SetTabIndex(int index) {
    if (!IsLoading() && (index < -1 || index >= tabs_.Count())) index = -1;
    tabIndex_ = index;
    if (HandleAllocated()) SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void TCustomTabControl::CreateParams(TCreateParams& params) {
    InitCommonControlsOnce();
    TWinControl::CreateParams(params);
    params.windowClass = WC_TABCONTROLA;
    params.ownClass = false;
    params.exStyle |= WS_EX_CONTROLPARENT;
}

void TCustomTabControl::FillTabs() {
    HWND window = Handle();
    SendMessageA(window, TCM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < tabs_.Count(); ++i) {
        std::string text = tabs_.Strings(i);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageA(window, TCM_INSERTITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
}

void TCustomTabControl::InitializeHandle() {
    TWinControl::InitializeHandle();
    FillTabs();
    SendMessageA(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(tabIndex_), 0);
}

void TCustomTabControl::SaveWindowState() {
    TWinControl::SaveWindowState();
    tabIndex_ = TabIndex();
}

void TCustomTabControl::TabsChanged() {
    if (HandleAllocated()) {
        int index = TabIndex();
        FillTabs();
        SetTabIndex(index < tabs_.Count() ? index : tabs_.Count() - 1);
    } else if (tabIndex_ >= tabs_.Count()) {
        tabIndex_ = tabs_.Count() - 1;
    }
    Realign();
}

void TCustomTabControl::AdjustClientRect(RECT& rect) const {
    if (HandleAllocated()) SendMessageA(const_cast<TCustomTabControl*>(this)->Handle(), TCM_ADJUSTRECT, FALSE,
                                        reinterpret_cast<LPARAM>(&rect));
}

LRESULT TCustomTabControl::Notify(NMHDR* header) {
    switch (header->code) {
    case TCN_SELCHANGING:
        return CanChange() ? FALSE : TRUE;
    case TCN_SELCHANGE:
        tabIndex_ = TabIndex();
        Change();
        return 0;
    default:
        return 0;
    }
}

bool TCustomTabControl::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TCustomTabControl::Change() {
    if (OnChange) OnChange(this);
}

TTabControl::TTabControl(TComponent* owner) : TCustomTabControl(owner) {}

const TClassInfo& TTabControl::StaticClassInfo() {
    static const TClassInfo info("TTabControl", &TCustomTabControl::StaticClassInfo(), FactoryOf<TTabControl>(), {});
    return info;
}

// --- TPageControl ----------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TCustomControl(owner) {}

TTabSheet::~TTabSheet() {
    if (pageControl_) pageControl_->RemovePage(this);
    pageControl_ = nullptr;
}

const TClassInfo& TTabSheet::StaticClassInfo() {
    static const TClassInfo info(
        "TTabSheet", &TCustomControl::StaticClassInfo(), FactoryOf<TTabSheet>(),
        {
            StringProperty<TTabSheet>("Caption", &TTabSheet::Caption, &TTabSheet::SetCaption),
            ComponentProperty<TTabSheet, TPageControl>("PageControl", &TTabSheet::PageControl,
                                                       &TTabSheet::SetPageControl),
        });
    return info;
}

void TTabSheet::SetPageControl(TPageControl* control) { SetParent(control); }

int TTabSheet::PageIndex() const {
    if (!pageControl_) return -1;
    auto& pages = pageControl_->pages_;
    auto found = std::find(pages.begin(), pages.end(), this);
    return found == pages.end() ? -1 : static_cast<int>(found - pages.begin());
}

void TTabSheet::ParentChanged() {
    TCustomControl::ParentChanged();
    auto* control = dynamic_cast<TPageControl*>(Parent());
    if (control == pageControl_) return;
    if (pageControl_) pageControl_->RemovePage(this);
    pageControl_ = control;
    if (pageControl_) pageControl_->InsertPage(this);
}

void TTabSheet::TextChanged() {
    TCustomControl::TextChanged();
    if (pageControl_) pageControl_->UpdateTabs();
}

TPageControl::TPageControl(TComponent* owner) : TCustomTabControl(owner) {}

TPageControl::~TPageControl() {
    // The sheets outlive this part of the control (they go with the window control),
    // so they must not call back into it.
    for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
    pages_.clear();
}

const TClassInfo& TPageControl::StaticClassInfo() {
    static const TClassInfo info(
        "TPageControl", &TCustomTabControl::StaticClassInfo(), FactoryOf<TPageControl>(),
        {
            ComponentProperty<TPageControl, TTabSheet>("ActivePage", &TPageControl::ActivePage,
                                                       &TPageControl::SetActivePage),
        });
    return info;
}

TTabSheet* TPageControl::ActivePage() const {
    int index = TabIndex();
    return index >= 0 && index < PageCount() ? pages_[index] : nullptr;
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (IsLoading()) {
        pendingActive_ = page;
        return;
    }
    auto found = std::find(pages_.begin(), pages_.end(), page);
    SetActivePageIndex(found == pages_.end() ? -1 : static_cast<int>(found - pages_.begin()));
}

void TPageControl::SetActivePageIndex(int index) {
    SetTabIndex(index);
    ShowActivePage();
}

void TPageControl::Loaded() {
    TCustomTabControl::Loaded();
    if (pendingActive_) SetActivePage(pendingActive_);
    pendingActive_ = nullptr;
    ShowActivePage();
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    UpdateTabs();
    if (TabIndex() < 0) SetTabIndex(0);
    ShowActivePage();
}

void TPageControl::RemovePage(TTabSheet* page) {
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    if (pendingActive_ == page) pendingActive_ = nullptr;
    UpdateTabs();
    ShowActivePage();
}

void TPageControl::UpdateTabs() {
    Tabs()->BeginUpdate();
    Tabs()->Clear();
    for (TTabSheet* page : pages_) Tabs()->Add(page->Caption());
    Tabs()->EndUpdate();
}

void TPageControl::Change() {
    ShowActivePage();
    TCustomTabControl::Change();
}

void TPageControl::ShowActivePage() {
    TTabSheet* active = ActivePage();
    for (TTabSheet* page : pages_) page->SetVisible(page == active);
    if (active) active->BringToFront();
}

void TPageControl::AlignControls(RECT& rect) {
    for (TTabSheet* page : pages_)
        page->SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    TCustomTabControl::AlignControls(rect);
}

namespace {
const TClassRegistration progressBarRegistration(TProgressBar::StaticClassInfo());
const TClassRegistration richEditRegistration(TRichEdit::StaticClassInfo());
const TClassRegistration tabControlRegistration(TTabControl::StaticClassInfo());
const TClassRegistration tabSheetRegistration(TTabSheet::StaticClassInfo());
const TClassRegistration pageControlRegistration(TPageControl::StaticClassInfo());
} // namespace

} // namespace qlry
