#include "platform/Graphics.h"

#include <cstring>

#include "platform/Exceptions.h"
#include "platform/Streams.h"

namespace qlry {

COLORREF ColorToRGB(TColor color) {
    if (color < 0) return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color) & 0xFFFFFF;
}

namespace {
int ScreenPixelsPerInch() {
    TScreenDC screen;
    return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

template <class T>
const T* SourceAs(const TPersistent* source) {
    return dynamic_cast<const T*>(source);
}
} // namespace

// --- TFont -----------------------------------------------------------------------------

const TEnumInfo fontStyleNames{"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

TFont::TFont() = default;

const TClassInfo& TFont::StaticClassInfo() {
    static const TClassInfo info("TFont", nullptr, nullptr,
                                 {
                                     IntegerProperty<TFont>("Charset", &TFont::Charset, &TFont::SetCharset),
                                     IntegerProperty<TFont>("Color", &TFont::Color, &TFont::SetColor),
                                     IntegerProperty<TFont>("Height", &TFont::Height, &TFont::SetHeight),
                                     StringProperty<TFont>("Name", &TFont::Name, &TFont::SetName),
                                     IntegerProperty<TFont>("Size", &TFont::Size, &TFont::SetSize),
                                     SetProperty<TFont>("Style", fontStyleNames, &TFont::Style, &TFont::SetStyle),
                                 });
    return info;
}

void TFont::Changed() {
    // The old handle stays alive until everyone who selected it has taken the new one.
    TFontHandle old = std::move(handle_);
    if (OnChange) OnChange(this);
}

void TFont::SetName(const std::string& name) {
    if (name == name_ || name.empty()) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, ScreenPixelsPerInch()); }

void TFont::SetSize(int size) { SetHeight(-MulDiv(size, ScreenPixelsPerInch(), 72)); }

void TFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetCharset(TFontCharset charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

LOGFONTA TFont::LogFont() const {
    LOGFONTA font{};
    font.lfHeight = height_;
    font.lfWeight = (style_ & FontStyle(fsBold)) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (style_ & FontStyle(fsItalic)) ? TRUE : FALSE;
    font.lfUnderline = (style_ & FontStyle(fsUnderline)) ? TRUE : FALSE;
    font.lfStrikeOut = (style_ & FontStyle(fsStrikeOut)) ? TRUE : FALSE;
    font.lfCharSet = static_cast<BYTE>(charset_);
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH;
    std::strncpy(font.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
    return font;
}

HFONT TFont::Handle() const {
    if (!handle_) {
        LOGFONTA font = LogFont();
        handle_.Reset(CreateFontIndirectA(&font));
    }
    return handle_.Get();
}

TFontHandle CreateRotatedFont(const TFont& font, int escapement, BYTE outPrecision) {
    LOGFONTA description = font.LogFont();
    description.lfEscapement = escapement;
    description.lfOutPrecision = outPrecision;
    return TFontHandle(CreateFontIndirectA(&description));
}

void TFont::Assign(const TPersistent* source) {
    const TFont* font = SourceAs<TFont>(source);
    if (!font) {
        TPersistent::Assign(source);
        return;
    }
    if (font == this) return;
    bool same = font->name_ == name_ && font->height_ == height_ && font->style_ == style_ &&
                font->color_ == color_ && font->charset_ == charset_;
    name_ = font->name_;
    height_ = font->height_;
    style_ = font->style_;
    color_ = font->color_;
    charset_ = font->charset_;
    if (!same) Changed();
}

SIZE TextExtentOf(const TFont& font, const std::string& text) {
    TScreenDC screen;
    TDCSelection selected(screen.Get(), font.Handle());
    SIZE size{};
    GetTextExtentPoint32A(screen.Get(), text.data(), static_cast<int>(text.size()), &size);
    return size;
}

int LineHeightOf(const TFont& font) {
    TScreenDC screen;
    TDCSelection selected(screen.Get(), font.Handle());
    TEXTMETRICA metrics{};
    GetTextMetricsA(screen.Get(), &metrics);
    return metrics.tmHeight;
}

// --- TBrush ----------------------------------------------------------------------------

const TEnumInfo brushStyleNames{"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"};

const TClassInfo& TBrush::StaticClassInfo() {
    static const TClassInfo info(
        "TBrush", nullptr, nullptr,
        {
            IntegerProperty<TBrush>("Color", &TBrush::Color, &TBrush::SetColor),
            EnumProperty<TBrush, TBrushStyle>("Style", brushStyleNames, &TBrush::Style, &TBrush::SetStyle, bsSolid),
        });
    return info;
}

void TBrush::Changed() {
    TBrushHandle old = std::move(handle_);
    if (OnChange) OnChange(this);
}

void TBrush::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

HBRUSH TBrush::Handle() const {
    if (!handle_) {
        static const int hatches[] = {0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
        HBRUSH brush;
        if (style_ == bsClear) {
            LOGBRUSH hollow{BS_HOLLOW, 0, 0};
            brush = CreateBrushIndirect(&hollow);
        } else if (style_ == bsSolid) {
            brush = CreateSolidBrush(ColorToRGB(color_));
        } else {
            brush = CreateHatchBrush(hatches[style_], ColorToRGB(color_));
        }
        handle_.Reset(brush);
    }
    return handle_.Get();
}

void TBrush::Assign(const TPersistent* source) {
    const TBrush* brush = SourceAs<TBrush>(source);
    if (!brush) {
        TPersistent::Assign(source);
        return;
    }
    if (brush == this) return;
    color_ = brush->color_;
    style_ = brush->style_;
    Changed();
}

// --- TPen ------------------------------------------------------------------------------

const TEnumInfo penStyleNames{"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"};
const TEnumInfo penModeNames{"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy",
                             "pmMergePenNot", "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge",
                             "pmNotMerge", "pmMask", "pmNotMask", "pmXor", "pmNotXor"};

const TClassInfo& TPen::StaticClassInfo() {
    static const TClassInfo info(
        "TPen", nullptr, nullptr,
        {
            IntegerProperty<TPen>("Color", &TPen::Color, &TPen::SetColor),
            EnumProperty<TPen, TPenMode>("Mode", penModeNames, &TPen::Mode, &TPen::SetMode, pmCopy),
            EnumProperty<TPen, TPenStyle>("Style", penStyleNames, &TPen::Style, &TPen::SetStyle, psSolid),
            IntegerProperty<TPen>("Width", &TPen::Width, &TPen::SetWidth, 1),
        });
    return info;
}

void TPen::Changed() {
    TPenHandle old = std::move(handle_);
    if (OnChange) OnChange(this);
}

void TPen::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TPen::SetWidth(int width) {
    if (width == width_) return;
    width_ = width;
    Changed();
}

void TPen::SetStyle(TPenStyle style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TPen::SetMode(TPenMode mode) {
    if (mode == mode_) return;
    mode_ = mode;
    Changed();
}

HPEN TPen::Handle() const {
    if (!handle_) {
        static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        handle_.Reset(CreatePen(styles[style_], width_, ColorToRGB(color_)));
    }
    return handle_.Get();
}

void TPen::Assign(const TPersistent* source) {
    const TPen* pen = SourceAs<TPen>(source);
    if (!pen) {
        TPersistent::Assign(source);
        return;
    }
    if (pen == this) return;
    color_ = pen->color_;
    width_ = pen->width_;
    style_ = pen->style_;
    mode_ = pen->mode_;
    Changed();
}

// --- TCanvas ---------------------------------------------------------------------------

TCanvas::TCanvas() {
    auto changed = [this](TObject*) { ObjectChanged(); };
    font_.OnChange = changed;
    brush_.OnChange = changed;
    pen_.OnChange = changed;
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
    if (!dc_) CreateHandle();
    if (!dc_) throw EInvalidOperation("Canvas does not allow drawing");
    return dc_;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == dc_) return;
    HDC old = dc_;
    if (old) RestoreDC(old, savedState_);
    dc_ = dc;
    savedState_ = dc_ ? SaveDC(dc_) : 0;
    if (old) HandleReleased(old);
}

void TCanvas::ObjectChanged() {
    // Take the new objects before the old ones are deleted.
    if (dc_) RequireState();
}

void TCanvas::RequireState() {
    HDC dc = Handle();
    SelectObject(dc, font_.Handle());
    SelectObject(dc, brush_.Handle());
    SelectObject(dc, pen_.Handle());
    static const int modes[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                                R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,
                                R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN, R2_NOTXORPEN};
    SetROP2(dc, modes[pen_.Mode()]);
    SetTextColor(dc, ColorToRGB(font_.Color()));
    SetBkColor(dc, ColorToRGB(brush_.Color()));
    SetBkMode(dc, brush_.Style() == bsClear ? TRANSPARENT : OPAQUE);
}

void TCanvas::FillRect(const RECT& rect) {
    RequireState();
    ::FillRect(dc_, &rect, brush_.Handle());
}

void TCanvas::FrameRect(const RECT& rect) {
    RequireState();
    ::FrameRect(dc_, &rect, brush_.Handle());
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    RequireState();
    ::Rectangle(dc_, left, top, right, bottom);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    RequireState();
    ::Ellipse(dc_, left, top, right, bottom);
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
    RequireState();
    ::LineTo(dc_, x, y);
}

POINT TCanvas::PenPos() {
    POINT point{};
    GetCurrentPositionEx(Handle(), &point);
    return point;
}

void TCanvas::Polygon(const std::vector<POINT>& points) {
    if (points.empty()) return;
    RequireState();
    ::Polygon(dc_, points.data(), static_cast<int>(points.size()));
}

void TCanvas::Polyline(const std::vector<POINT>& points) {
    if (points.empty()) return;
    RequireState();
    ::Polyline(dc_, points.data(), static_cast<int>(points.size()));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    RequireState();
    ::TextOutA(dc_, x, y, text.data(), static_cast<int>(text.size()));
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const std::string& text) {
    RequireState();
    UINT options = ETO_CLIPPED | (brush_.Style() != bsClear ? ETO_OPAQUE : 0);
    ExtTextOutA(dc_, x, y, options, &rect, text.data(), static_cast<UINT>(text.size()), nullptr);
}

SIZE TCanvas::TextExtent(const std::string& text) {
    RequireState();
    SIZE size{};
    GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::Draw(int x, int y, TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    RequireState();
    BitBlt(dc_, x, y, bitmap.Width(), bitmap.Height(), bitmap.DC(), 0, 0, SRCCOPY);
}

void TCanvas::StretchDraw(const RECT& rect, TBitmap& bitmap) {
    if (bitmap.Empty()) return;
    RequireState();
    int previous = SetStretchBltMode(dc_, HALFTONE);
    SetBrushOrgEx(dc_, 0, 0, nullptr);
    StretchBlt(dc_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, bitmap.DC(), 0, 0,
               bitmap.Width(), bitmap.Height(), SRCCOPY);
    SetStretchBltMode(dc_, previous);
}

COLORREF TCanvas::Pixel(int x, int y) { return GetPixel(Handle(), x, y); }

void TCanvas::SetPixel(int x, int y, TColor color) { ::SetPixel(Handle(), x, y, ColorToRGB(color)); }

// --- TBitmap ---------------------------------------------------------------------------

class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}

protected:
    void CreateHandle() override {
        if (!bitmap_->Empty()) SetHandle(bitmap_->DC());
    }

private:
    TBitmap* bitmap_;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    ReleaseDC();
    delete canvas_;
}

const TClassInfo& TBitmap::StaticClassInfo() {
    static const TClassInfo info("TBitmap", nullptr, nullptr,
                                 {
                                     StringProperty<TBitmap>("Data", &TBitmap::Data, &TBitmap::SetData),
                                     StringProperty<TBitmap>("Resource", &TBitmap::ResourceName, &TBitmap::SetResourceName),
                                 });
    return info;
}

void TBitmap::ReleaseDC() {
    if (canvas_) canvas_->SetHandle(nullptr);
    if (dc_) {
        SelectObject(dc_->Get(), previousBitmap_);
        delete dc_;
        dc_ = nullptr;
        previousBitmap_ = nullptr;
    }
}

HDC TBitmap::DC() {
    if (!dc_) {
        dc_ = new TMemoryDC;
        previousBitmap_ = SelectObject(dc_->Get(), handle_.Get());
    }
    return dc_->Get();
}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) canvas_ = new TBitmapCanvas(this);
    return canvas_;
}

void TBitmap::Changed() {
    if (OnChange) OnChange(this);
}

void TBitmap::Clear() {
    if (Empty()) return;
    ReleaseDC();
    handle_.Reset();
    width_ = height_ = 0;
    Changed();
}

void TBitmap::SetHandle(HBITMAP bitmap) {
    ReleaseDC();
    handle_.Reset(bitmap);
    BITMAP info{};
    if (bitmap && GetObjectA(bitmap, sizeof info, &info)) {
        width_ = info.bmWidth;
        height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    } else {
        width_ = height_ = 0;
    }
    Changed();
}

namespace {
// A top-down 32-bit DIB section.
HBITMAP CreateDib32(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    TScreenDC screen;
    return CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

size_t ColorTableSize(const BITMAPINFOHEADER& header) {
    size_t entries = header.biClrUsed;
    if (entries == 0 && header.biBitCount <= 8) entries = size_t{1} << header.biBitCount;
    size_t size = entries * sizeof(RGBQUAD);
    if (header.biSize == sizeof(BITMAPINFOHEADER) && header.biCompression == BI_BITFIELDS) size += 3 * sizeof(DWORD);
    return size;
}
} // namespace

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_ && !Empty()) return;
    ReleaseDC();
    if (width <= 0 || height <= 0) {
        handle_.Reset();
        width_ = height_ = 0;
        Changed();
        return;
    }
    void* bits = nullptr;
    HBITMAP bitmap = CreateDib32(width, height, &bits);
    if (!bitmap) throw EOutOfMemory("Out of system resources");
    std::memset(bits, 0xFF, static_cast<size_t>(width) * height * 4);
    handle_.Reset(bitmap);
    width_ = width;
    height_ = height;
    Changed();
}

void TBitmap::LoadFromDIB(const BITMAPINFO* info, size_t infoSize, const void* bits, size_t bitsSize) {
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (infoSize < sizeof(BITMAPINFOHEADER) || header.biSize < sizeof(BITMAPINFOHEADER) || header.biWidth <= 0 ||
        header.biHeight == 0 || header.biSize + ColorTableSize(header) > infoSize)
        throw EInvalidGraphic("Bitmap image is not valid");
    int width = header.biWidth;
    int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    void* target = nullptr;
    TBitmapHandle bitmap(CreateDib32(width, height, &target));
    if (!bitmap) throw EOutOfMemory("Out of system resources");
    TScreenDC screen;
    // SetDIBits converts every format GDI knows (palettes, bit fields, RLE) to ours.
    if (!SetDIBits(screen.Get(), bitmap.Get(), 0, height, bits, info, DIB_RGB_COLORS))
        throw EInvalidGraphic("Bitmap image is not valid");
    (void)bitsSize;
    ReleaseDC();
    handle_ = std::move(bitmap);
    width_ = width;
    height_ = height;
    Changed();
}

void TBitmap::LoadFromResourceName(HINSTANCE module, const std::string& name) {
    if (!module) module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data) throw EResNotFound("Resource %s not found", {name});
    size_t size = SizeofResource(module, resource);
    auto* info = reinterpret_cast<const BITMAPINFO*>(data);
    if (size < sizeof(BITMAPINFOHEADER)) throw EInvalidGraphic("Bitmap image is not valid");
    size_t headerSize = info->bmiHeader.biSize + ColorTableSize(info->bmiHeader);
    if (headerSize > size) throw EInvalidGraphic("Bitmap image is not valid");
    LoadFromDIB(info, headerSize, data + headerSize, size - headerSize);
}

void TBitmap::SetResourceName(const std::string& name) {
    LoadFromResourceName(nullptr, name);
    resourceName_ = name;
}

void TBitmap::LoadFromBytes(const std::string& bytes) {
    if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) || bytes[0] != 'B' || bytes[1] != 'M')
        throw EInvalidGraphic("Bitmap image is not valid");
    BITMAPFILEHEADER file;
    std::memcpy(&file, bytes.data(), sizeof file);
    size_t infoStart = sizeof(BITMAPFILEHEADER);
    if (file.bfOffBits < infoStart || file.bfOffBits > bytes.size()) throw EInvalidGraphic("Bitmap image is not valid");
    // Copied so that the header is aligned for GDI.
    std::string info = bytes.substr(infoStart, file.bfOffBits - infoStart);
    std::string bits = bytes.substr(file.bfOffBits);
    LoadFromDIB(reinterpret_cast<const BITMAPINFO*>(info.data()), info.size(), bits.data(), bits.size());
}

std::string TBitmap::SaveToBytes() {
    if (Empty()) return std::string();
    ReleaseDC();  // GetDIBits needs the bitmap out of every context
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width_;
    header.biHeight = height_;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    size_t stride = ((static_cast<size_t>(width_) * 3 + 3) / 4) * 4;
    header.biSizeImage = static_cast<DWORD>(stride * height_);
    std::string pixels(header.biSizeImage, '\0');
    TScreenDC screen;
    if (!GetDIBits(screen.Get(), handle_.Get(), 0, height_, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
                   DIB_RGB_COLORS))
        throw EInvalidGraphic("Bitmap image is not valid");
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&header), sizeof header);
    bytes += pixels;
    return bytes;
}

void TBitmap::LoadFromStream(TStream& stream) {
    std::string bytes;
    char buffer[8192];
    for (;;) {
        int32_t got = stream.Read(buffer, sizeof buffer);
        if (got <= 0) break;
        bytes.append(buffer, got);
    }
    LoadFromBytes(bytes);
}

void TBitmap::SaveToStream(TStream& stream) {
    std::string bytes = SaveToBytes();
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void TBitmap::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TBitmap::SaveToFile(const std::string& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

std::string TBitmap::Data() const {
    std::string bytes = const_cast<TBitmap*>(this)->SaveToBytes();
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

void TBitmap::SetData(const std::string& hex) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string bytes;
    int high = -1;
    for (char c : hex) {
        int value = nibble(c);
        if (value < 0) {
            if (static_cast<unsigned char>(c) <= ' ') continue;
            throw EInvalidGraphic("Bitmap image is not valid");
        }
        if (high < 0) {
            high = value;
        } else {
            bytes += static_cast<char>(high * 16 + value);
            high = -1;
        }
    }
    if (bytes.empty()) {
        Clear();
        return;
    }
    LoadFromBytes(bytes);
}

COLORREF TBitmap::BottomLeftColor() {
    if (Empty()) return 0;
    return GetPixel(DC(), 0, height_ - 1);
}

void TBitmap::Assign(const TPersistent* source) {
    if (const auto* picture = dynamic_cast<const TPicture*>(source)) source = picture->Bitmap();
    const TBitmap* bitmap = SourceAs<TBitmap>(source);
    if (!bitmap) {
        TPersistent::Assign(source);
        return;
    }
    if (bitmap == this) return;
    if (bitmap->Empty()) {
        Clear();
        return;
    }
    auto* from = const_cast<TBitmap*>(bitmap);
    void* bits = nullptr;
    TBitmapHandle copy(CreateDib32(from->width_, from->height_, &bits));
    if (!copy) throw EOutOfMemory("Out of system resources");
    {
        TMemoryDC target;
        TDCSelection selected(target.Get(), copy.Get());
        BitBlt(target.Get(), 0, 0, from->width_, from->height_, from->DC(), 0, 0, SRCCOPY);
    }
    ReleaseDC();
    handle_ = std::move(copy);
    width_ = from->width_;
    height_ = from->height_;
    resourceName_ = from->resourceName_;
    Changed();
}

void DrawTransparent(HDC dest, int x, int y, int width, int height, TBitmap& bitmap, int sourceX, int sourceY,
                     COLORREF transparent) {
    if (bitmap.Empty() || width <= 0 || height <= 0) return;
    HDC source = bitmap.DC();
    // A monochrome mask: 1 where the transparent colour is.
    TBitmapHandle mask(CreateBitmap(width, height, 1, 1, nullptr));
    TMemoryDC maskDC;
    TDCSelection maskSelected(maskDC.Get(), mask.Get());
    COLORREF previousBack = SetBkColor(source, transparent);
    BitBlt(maskDC.Get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);
    SetBkColor(source, previousBack);
    // Image pixels where the mask is 0, the destination where it is 1.
    COLORREF previousDestBack = SetBkColor(dest, RGB(255, 255, 255));
    COLORREF previousDestText = SetTextColor(dest, RGB(0, 0, 0));
    BitBlt(dest, x, y, width, height, source, sourceX, sourceY, SRCINVERT);
    BitBlt(dest, x, y, width, height, maskDC.Get(), 0, 0, SRCAND);
    BitBlt(dest, x, y, width, height, source, sourceX, sourceY, SRCINVERT);
    SetBkColor(dest, previousDestBack);
    SetTextColor(dest, previousDestText);
}

// --- TPicture --------------------------------------------------------------------------

TPicture::TPicture() {
    bitmap_.OnChange = [this](TObject*) {
        if (OnChange) OnChange(this);
    };
}

const TClassInfo& TPicture::StaticClassInfo() {
    static const TClassInfo info(
        "TPicture", nullptr, nullptr,
        {
            ObjectProperty<TPicture>("Bitmap", static_cast<TBitmap* (TPicture::*)()>(&TPicture::Bitmap)),
            StringProperty<TPicture>("Data", &TPicture::Data, &TPicture::SetData),
            StringProperty<TPicture>("Resource", &TPicture::ResourceName, &TPicture::SetResourceName),
        });
    return info;
}

void TPicture::Assign(const TPersistent* source) {
    if (!source) {
        bitmap_.Clear();
        return;
    }
    if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
        if (picture != this) bitmap_.Assign(picture->Bitmap());
        return;
    }
    if (dynamic_cast<const TBitmap*>(source)) {
        bitmap_.Assign(source);
        return;
    }
    TPersistent::Assign(source);
}

} // namespace qlry
