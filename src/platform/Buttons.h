#pragma once
// A push button with a picture beside its caption. Kind gives the usual buttons their
// caption, modal result and Default/Cancel role in one setting.
#include "platform/Graphics.h"
#include "platform/StdCtrls.h"

namespace qlry {

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
extern const TEnumInfo bitBtnKindNames;
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
extern const TEnumInfo buttonLayoutNames;

class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind kind);
    // A strip of NumGlyphs pictures (up, disabled, ...); its bottom-left pixel's colour
    // is transparent.
    TBitmap* Glyph() { return &glyph_; }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    // -1 centres picture and caption together.
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);

    void Click() override;

protected:
    DWORD ButtonStyle() const override { return BS_OWNERDRAW; }
    void DrawItem(const DRAWITEMSTRUCT& item) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawContent(HDC dc, RECT rect, bool enabled);

    TBitBtnKind kind_ = bkCustom;
    TBitmap glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
};

} // namespace qlry
