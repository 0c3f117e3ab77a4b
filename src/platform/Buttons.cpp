#include "platform/Buttons.h"

#include "platform/Forms.h"

namespace qlry {

const TEnumInfo bitBtnKindNames{"bkCustom", "bkOK",   "bkCancel", "bkHelp",   "bkYes", "bkNo",
                                "bkClose",  "bkAbort", "bkRetry", "bkIgnore", "bkAll"};
const TEnumInfo buttonLayoutNames{"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"};

namespace {
struct TKindDefaults {
    const char* caption;
    TModalResult result;
};

const TKindDefaults kindDefaults[] = {
    {"", mrNone},          {"OK", mrOk},         {"Cancel", mrCancel}, {"&Help", mrNone},
    {"&Yes", mrYes},       {"&No", mrNo},        {"&Close", mrNone},   {"Abort", mrAbort},
    {"&Retry", mrRetry},   {"&Ignore", mrIgnore}, {"&All", mrAll},
};
} // namespace

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {
    glyph_.OnChange = [this](TObject*) { Invalidate(); };
}

const TClassInfo& TBitBtn::StaticClassInfo() {
    static const TClassInfo info(
        "TBitBtn", &TButton::StaticClassInfo(), FactoryOf<TBitBtn>(),
        {
            ObjectProperty<TBitBtn>("Glyph", &TBitBtn::Glyph),
            EnumProperty<TBitBtn, TBitBtnKind>("Kind", bitBtnKindNames, &TBitBtn::Kind, &TBitBtn::SetKind, bkCustom),
            EnumProperty<TBitBtn, TButtonLayout>("Layout", buttonLayoutNames, &TBitBtn::Layout, &TBitBtn::SetLayout,
                                                 blGlyphLeft),
            IntegerProperty<TBitBtn>("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin, -1),
            IntegerProperty<TBitBtn>("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs, 1),
            IntegerProperty<TBitBtn>("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing, 4),
        });
    return info;
}

void TBitBtn::SetKind(TBitBtnKind kind) {
    if (kind == kind_) return;
    kind_ = kind;
    if (kind == bkCustom) return;
    SetDefault(kind == bkOK || kind == bkYes);
    SetCancel(kind == bkCancel || kind == bkNo);
    // A stored caption wins over the kind's while loading.
    if (!IsLoading() || Caption().empty()) SetCaption(kindDefaults[kind].caption);
    SetModalResult(kindDefaults[kind].result);
}

void TBitBtn::SetNumGlyphs(int count) {
    numGlyphs_ = count < 1 ? 1 : count > 4 ? 4 : count;
    Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout layout) {
    layout_ = layout;
    Invalidate();
}

void TBitBtn::SetMargin(int margin) {
    margin_ = margin;
    Invalidate();
}

void TBitBtn::SetSpacing(int spacing) {
    spacing_ = spacing;
    Invalidate();
}

void TBitBtn::Click() {
    if (kind_ == bkClose) {
        if (TCustomForm* form = GetParentForm(this)) form->Close();
        TWinControl::Click();
        return;
    }
    TButton::Click();
}

LRESULT TBitBtn::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // An owner-drawn button takes a fast second click as a double click and no click.
    if (message == WM_LBUTTONDBLCLK) message = WM_LBUTTONDOWN;
    return TButton::WndProc(message, wParam, lParam);
}

void TBitBtn::DrawContent(HDC dc, RECT rect, bool enabled) {
    std::string caption = Caption();
    RECT textRect{0, 0, rect.right - rect.left, 0};
    {
        TDCSelection font(dc, Font()->Handle());
        DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &textRect, DT_CALCRECT | DT_SINGLELINE);
    }
    int glyphWidth = glyph_.Empty() ? 0 : glyph_.Width() / numGlyphs_;
    int glyphHeight = glyph_.Empty() ? 0 : glyph_.Height();
    int textWidth = textRect.right, textHeight = textRect.bottom;
    bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    int spacing = glyphWidth && !caption.empty() ? spacing_ : 0;
    int totalWidth = horizontal ? glyphWidth + spacing + textWidth : std::max(glyphWidth, textWidth);
    int totalHeight = horizontal ? std::max(glyphHeight, textHeight) : glyphHeight + spacing + textHeight;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    int x = rect.left + (margin_ >= 0 && horizontal ? margin_ : (width - totalWidth) / 2);
    int y = rect.top + (margin_ >= 0 && !horizontal ? margin_ : (height - totalHeight) / 2);
    int glyphX = x, glyphY = y, textX = x, textY = y;
    switch (layout_) {
    case blGlyphLeft:
        glyphY = y + (totalHeight - glyphHeight) / 2;
        textX = x + glyphWidth + spacing;
        textY = y + (totalHeight - textHeight) / 2;
        break;
    case blGlyphRight:
        textY = y + (totalHeight - textHeight) / 2;
        glyphX = x + textWidth + spacing;
        glyphY = y + (totalHeight - glyphHeight) / 2;
        break;
    case blGlyphTop:
        glyphX = x + (totalWidth - glyphWidth) / 2;
        textX = x + (totalWidth - textWidth) / 2;
        textY = y + glyphHeight + spacing;
        break;
    case blGlyphBottom:
        textX = x + (totalWidth - textWidth) / 2;
        glyphX = x + (totalWidth - glyphWidth) / 2;
        glyphY = y + textHeight + spacing;
        break;
    }
    if (glyphWidth) {
        int index = !enabled && numGlyphs_ > 1 ? 1 : 0;
        DrawTransparent(dc, glyphX, glyphY, glyphWidth, glyphHeight, glyph_, index * glyphWidth, 0,
                        glyph_.BottomLeftColor());
    }
    RECT text{textX, textY, textX + textWidth, textY + textHeight};
    TDCSelection font(dc, Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    if (enabled) {
        SetTextColor(dc, ColorToRGB(Font()->Color()));
        DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_SINGLELINE);
    } else {
        OffsetRect(&text, 1, 1);
        SetTextColor(dc, ColorToRGB(clBtnHighlight));
        DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_SINGLELINE);
        OffsetRect(&text, -1, -1);
        SetTextColor(dc, ColorToRGB(clBtnShadow));
        DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text, DT_SINGLELINE);
    }
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT rect = item.rcItem;
    bool pushed = (item.itemState & ODS_SELECTED) != 0;
    bool focused = (item.itemState & ODS_FOCUS) != 0;
    bool enabled = (item.itemState & ODS_DISABLED) == 0;
    if (Default() || focused) {
        // The default button wears a dark outer frame.
        FrameRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&rect, -1, -1);
    }
    DrawFrameControl(dc, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    RECT content = rect;
    InflateRect(&content, -2, -2);
    if (pushed) OffsetRect(&content, 1, 1);
    DrawContent(dc, content, enabled);
    if (focused) {
        RECT focus = rect;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

namespace {
const TClassRegistration bitBtnRegistration(TBitBtn::StaticClassInfo());
}

} // namespace qlry
