#pragma once
// Colours, fonts, brushes, pens, canvases over a device context, and bitmaps. GDI
// objects are created when first needed and live in holders that delete them.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Properties.h"

namespace qlry {

class TStream;

// --- Handle holders --------------------------------------------------------------------

// Owns one GDI object (font, brush, pen, bitmap) and deletes it.
template <class Handle>
class TGdiObject {
public:
    TGdiObject() = default;
    explicit TGdiObject(Handle handle) : handle_(handle) {}
    ~TGdiObject() { Reset(); }
    TGdiObject(TGdiObject&& other) noexcept : handle_(other.Release()) {}
    TGdiObject& operator=(TGdiObject&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(Handle handle = nullptr) {
        if (handle_) DeleteObject(handle_);
        handle_ = handle;
    }
    Handle Release() {
        Handle handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    Handle handle_ = nullptr;
};

using TFontHandle = TGdiObject<HFONT>;
using TBrushHandle = TGdiObject<HBRUSH>;
using TPenHandle = TGdiObject<HPEN>;
using TBitmapHandle = TGdiObject<HBITMAP>;
using TRegionHandle = TGdiObject<HRGN>;

// The screen's device context, for measuring text and creating compatible objects.
class TScreenDC {
public:
    TScreenDC() : dc_(GetDC(nullptr)) {}
    ~TScreenDC() { ReleaseDC(nullptr, dc_); }
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// A memory device context compatible with the screen.
class TMemoryDC {
public:
    TMemoryDC() : dc_(CreateCompatibleDC(nullptr)) {}
    ~TMemoryDC() { DeleteDC(dc_); }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a device context and selects the previous one back.
class TDCSelection {
public:
    TDCSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~TDCSelection() {
        if (previous_) SelectObject(dc_, previous_);
    }
    TDCSelection(const TDCSelection&) = delete;
    TDCSelection& operator=(const TDCSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Saves a device context's state and restores it.
class TSavedDC {
public:
    explicit TSavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    ~TSavedDC() { RestoreDC(dc_, saved_); }
    TSavedDC(const TSavedDC&) = delete;
    TSavedDC& operator=(const TSavedDC&) = delete;

private:
    HDC dc_;
    int saved_;
};

// --- Colours ---------------------------------------------------------------------------

// $00BBGGRR, or a system colour: the high bit set and the GetSysColor index below it.
using TColor = int32_t;

constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index)); }

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours become their current RGB value.
COLORREF ColorToRGB(TColor color);

// --- Font ------------------------------------------------------------------------------

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = unsigned;  // bit n = TFontStyle n
constexpr TFontStyles FontStyle(TFontStyle style) { return 1u << style; }
extern const TEnumInfo fontStyleNames;

using TFontCharset = int;

// Notifies the owner of a graphics object that it changed.
using TGraphicsChangeEvent = std::function<void(TObject* sender)>;

class TFont : public TPersistent {
public:
    TFont();
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    // Negative: the character height in pixels; positive: the cell height.
    int Height() const { return height_; }
    void SetHeight(int height);
    // Points at the screen's resolution.
    int Size() const;
    void SetSize(int size);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset charset);

    // The description a font handle is made from.
    LOGFONTA LogFont() const;
    // Created when first asked for; a change makes a new one.
    HFONT Handle() const;

    void Assign(const TPersistent* source) override;

    TGraphicsChangeEvent OnChange;

private:
    void Changed();

    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    TFontCharset charset_ = DEFAULT_CHARSET;
    mutable TFontHandle handle_;
};

// A new font of Font's description whose text runs Escapement tenths of a degree
// counter-clockwise from the horizontal; OutPrecision tells the font mapper which fonts
// may stand in (only TrueType fonts turn).
TFontHandle CreateRotatedFont(const TFont& font, int escapement, BYTE outPrecision = OUT_TT_ONLY_PRECIS);

// The size of Text in Font on the screen, and the font's line height.
SIZE TextExtentOf(const TFont& font, const std::string& text);
int LineHeightOf(const TFont& font);

// --- Brush and pen ---------------------------------------------------------------------

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
extern const TEnumInfo brushStyleNames;

class TBrush : public TPersistent {
public:
    TBrush() = default;
    TBrush(const TBrush&) = delete;
    TBrush& operator=(const TBrush&) = delete;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    HBRUSH Handle() const;
    void Assign(const TPersistent* source) override;

    TGraphicsChangeEvent OnChange;

private:
    void Changed();

    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    mutable TBrushHandle handle_;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
                pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };
extern const TEnumInfo penStyleNames;
extern const TEnumInfo penModeNames;

class TPen : public TPersistent {
public:
    TPen() = default;
    TPen(const TPen&) = delete;
    TPen& operator=(const TPen&) = delete;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);
    HPEN Handle() const;
    void Assign(const TPersistent* source) override;

    TGraphicsChangeEvent OnChange;

private:
    void Changed();

    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    mutable TPenHandle handle_;
};

// --- Canvas ----------------------------------------------------------------------------

class TBitmap;

// Drawing on a device context with the canvas's font, brush and pen. A canvas does not
// own the context it is given: it saves the context's state when it receives it and
// restores that state when it lets go, so its own GDI objects are never left selected.
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The context drawn on; a canvas without one asks CreateHandle for it.
    HDC Handle();
    bool HandleAllocated() const { return dc_ != nullptr; }
    void SetHandle(HDC dc);

    TFont* Font() { return &font_; }
    TBrush* Brush() { return &brush_; }
    TPen* Pen() { return &pen_; }

    void FillRect(const RECT& rect);
    void FrameRect(const RECT& rect);
    void Rectangle(int left, int top, int right, int bottom);
    void Ellipse(int left, int top, int right, int bottom);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    POINT PenPos();
    void Polygon(const std::vector<POINT>& points);
    void Polyline(const std::vector<POINT>& points);
    void TextOut(int x, int y, const std::string& text);
    // Text clipped to Rect.
    void TextRect(const RECT& rect, int x, int y, const std::string& text);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    void Draw(int x, int y, TBitmap& bitmap);
    void StretchDraw(const RECT& rect, TBitmap& bitmap);
    COLORREF Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    // Selects the current font, brush, pen and colours into the context, for drawing
    // on it directly.
    void RequireState();

protected:
    // Called when drawing starts without a context; descendants that can make one do.
    virtual void CreateHandle() {}
    // Called when the canvas lets go of a context (its state already restored).
    virtual void HandleReleased(HDC dc) {}

private:
    void ObjectChanged();

    HDC dc_ = nullptr;
    int savedState_ = 0;
    TFont font_;
    TBrush brush_;
    TPen pen_;
};

// --- Bitmap and picture ----------------------------------------------------------------

// A device-independent bitmap. Its canvas draws into it through a memory context that is
// made when first needed and dropped whenever the pixels are read or replaced.
class TBitmap : public TPersistent {
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    bool Empty() const { return !handle_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    // A new 32-bit bitmap of that size, filled white; 0 x 0 empties it.
    void SetSize(int width, int height);
    HBITMAP Handle() const { return handle_.Get(); }
    // Takes ownership of Bitmap.
    void SetHandle(HBITMAP bitmap);

    // A BITMAP resource of Module (the running program when null). Raises EResNotFound.
    void LoadFromResourceName(HINSTANCE module, const std::string& name);
    // A .bmp file's bytes. Raises EInvalidGraphic for anything else.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    void LoadFromBytes(const std::string& bytes);
    std::string SaveToBytes();

    // Published for descriptions: the name of a bitmap resource to load, and the whole
    // .bmp file as hexadecimal text.
    const std::string& ResourceName() const { return resourceName_; }
    void SetResourceName(const std::string& name);
    std::string Data() const;
    void SetData(const std::string& hex);

    TCanvas* Canvas();
    // A context with the bitmap selected, for drawing it elsewhere.
    HDC DC();
    // The colour of the bottom-left pixel: the transparent colour of glyphs.
    COLORREF BottomLeftColor();

    void Assign(const TPersistent* source) override;
    void Clear();

    TGraphicsChangeEvent OnChange;

private:
    friend class TBitmapCanvas;
    void LoadFromDIB(const BITMAPINFO* info, size_t infoSize, const void* bits, size_t bitsSize);
    void ReleaseDC();
    void Changed();

    TBitmapHandle handle_;
    int width_ = 0;
    int height_ = 0;
    std::string resourceName_;
    TMemoryDC* dc_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    TCanvas* canvas_ = nullptr;
};

QLRY_EXCEPTION(EInvalidGraphic, Exception);

// Draws Bitmap at Dest with every pixel of Transparent left out.
void DrawTransparent(HDC dest, int x, int y, int width, int height, TBitmap& bitmap, int sourceX, int sourceY,
                     COLORREF transparent);

// The picture of an image: a bitmap. Assigning copies it.
class TPicture : public TPersistent {
public:
    TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TBitmap* Bitmap() { return &bitmap_; }
    const TBitmap* Bitmap() const { return &bitmap_; }
    int Width() const { return bitmap_.Width(); }
    int Height() const { return bitmap_.Height(); }
    bool Empty() const { return bitmap_.Empty(); }
    void LoadFromFile(const std::string& fileName) { bitmap_.LoadFromFile(fileName); }
    void SaveToFile(const std::string& fileName) { bitmap_.SaveToFile(fileName); }
    // The bitmap's published Data and Resource, reachable as the picture's own.
    std::string Data() const { return bitmap_.Data(); }
    void SetData(const std::string& hex) { bitmap_.SetData(hex); }
    const std::string& ResourceName() const { return bitmap_.ResourceName(); }
    void SetResourceName(const std::string& name) { bitmap_.SetResourceName(name); }

    // A picture or a bitmap.
    void Assign(const TPersistent* source) override;

    TGraphicsChangeEvent OnChange;

private:
    TBitmap bitmap_;
};

} // namespace qlry
