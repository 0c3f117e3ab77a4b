#include "visual/cmp_Rotate3DLabel.h"

#include <cmath>
#include <string>

#include "platform/Properties.h"

namespace qlry {

const TEnumInfo effect3DNames{"A3dNormal", "A3dResit", "A3dRaised", "A3dShadowed"};

namespace {
TRotate3DLabel* designatedLabel = nullptr;

int Trunc(double value) { return static_cast<int>(std::trunc(value)); }
} // namespace

// --- TLabelStyle -----------------------------------------------------------------------

const TClassInfo& TLabelStyle::StaticClassInfo() {
    static const TClassInfo info(
        "TLabelStyle", nullptr, nullptr,
        {
            IntegerProperty<TLabelStyle>("Angle", &TLabelStyle::Angle, &TLabelStyle::SetAngle, 0),
            EnumProperty<TLabelStyle, T3DEffectShort>("AStyle3D", effect3DNames, &TLabelStyle::AStyle3D,
                                                      &TLabelStyle::SetAStyle3D, A3dRaised),
            IntegerProperty<TLabelStyle>("AShadeRightBottom", &TLabelStyle::AShadeRightBottom,
                                         &TLabelStyle::SetAShadeRightBottom, clGray),
            IntegerProperty<TLabelStyle>("AShadeLeftTop", &TLabelStyle::AShadeLeftTop, &TLabelStyle::SetAShadeLeftTop,
                                         clWhite),
            // Stored only when False, although a new style starts False.
            BooleanProperty<TLabelStyle>("AShadeLTSet", &TLabelStyle::AShadeLTSet, &TLabelStyle::SetAShadeLTSet, true),
            IntegerProperty<TLabelStyle>("AHShadeOffSet", &TLabelStyle::AHShadeOffSet, &TLabelStyle::SetAHShadeOffSet, 5),
            IntegerProperty<TLabelStyle>("AVShadeOffSet", &TLabelStyle::AVShadeOffSet, &TLabelStyle::SetAVShadeOffSet, -5),
            EventProperty<TLabelStyle>("OnChange", &TLabelStyle::OnChange),
        });
    return info;
}

void TLabelStyle::Changed() {
    if (OnChange) OnChange(this);
}

void TLabelStyle::SetAngle(int angle) {
    if (angle < 0 || angle > 359) angle = 0;
    if (angle == angle_) return;
    angle_ = angle;
    Changed();
}

void TLabelStyle::SetAStyle3D(T3DEffectShort style) {
    if (style == style3D_) return;
    style3D_ = style;
    Changed();
}

void TLabelStyle::SetAShadeRightBottom(TColor color) {
    if (color == shadeRightBottom_) return;
    shadeRightBottom_ = color;
    Changed();
}

void TLabelStyle::SetAShadeLeftTop(TColor color) {
    if (shadeLTSet_ || color == shadeLeftTop_) return;
    shadeLeftTop_ = color;
    Changed();
}

void TLabelStyle::SetAShadeLTSet(bool value) {
    // Setting it twice must not overwrite the remembered colour with white.
    if (value == shadeLTSet_) return;
    shadeLTSet_ = value;
    if (value) {
        storedLeftTop_ = shadeLeftTop_;
        shadeLeftTop_ = clWhite;
    } else {
        shadeLeftTop_ = storedLeftTop_;
    }
    // The highlight changes colour either way, unless the remembered one was white.
    if (ShowsHighlight() && ColorToRGB(storedLeftTop_) != ColorToRGB(clWhite)) Changed();
}

void TLabelStyle::SetAHShadeOffSet(int offset) {
    if (offset == hShadeOffset_) return;
    hShadeOffset_ = offset;
    if (style3D_ == A3dShadowed) Changed();
}

void TLabelStyle::SetAVShadeOffSet(int offset) {
    if (offset == vShadeOffset_) return;
    vShadeOffset_ = offset;
    if (style3D_ == A3dShadowed) Changed();
}

void TLabelStyle::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TLabelStyle*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    angle_ = other->angle_;
    style3D_ = other->style3D_;
    shadeRightBottom_ = other->shadeRightBottom_;
    shadeLeftTop_ = other->shadeLeftTop_;
    shadeLTSet_ = other->shadeLTSet_;
    storedLeftTop_ = other->storedLeftTop_;
    hShadeOffset_ = other->hShadeOffset_;
    vShadeOffset_ = other->vShadeOffset_;
    Changed();
}

// --- TRotate3DLabel --------------------------------------------------------------------

TRotate3DLabel::TRotate3DLabel(TComponent* owner) : TCustomLabel(owner) {
    SetTransparent(true);
    SetAutoSize(false);
    Font()->SetName("Arial");
    Font()->SetStyle(FontStyle(fsBold));
    labelStyle_.OnChange = [this](TObject*) { Invalidate(); };
    SetMyTransparent(true);
}

TRotate3DLabel::~TRotate3DLabel() {
    if (designatedLabel == this) designatedLabel = nullptr;
}

const TClassInfo& TRotate3DLabel::StaticClassInfo() {
    static const TClassInfo info(
        "TRotate3DLabel", &TCustomLabel::StaticClassInfo(), FactoryOf<TRotate3DLabel>(),
        {
            ObjectProperty<TRotate3DLabel>("LabelStyle", &TRotate3DLabel::LabelStyle),
            BooleanProperty<TRotate3DLabel>("MyTransparent", &TRotate3DLabel::MyTransparent,
                                            &TRotate3DLabel::SetMyTransparent, true),
        });
    return info;
}

TRotate3DLabel* TRotate3DLabel::Designated() { return designatedLabel; }

void TRotate3DLabel::SetTag(int tag) {
    TCustomLabel::SetTag(tag);
    if (tag == -1) {
        TRotate3DLabel* previous = designatedLabel;
        designatedLabel = this;
        if (previous && previous != this) previous->SetTag(0);
    } else if (designatedLabel == this) {
        designatedLabel = nullptr;
    }
}

void TRotate3DLabel::SetLabelStyle(const TLabelStyle* style) {
    labelStyle_.Assign(style);
    Invalidate();
}

void TRotate3DLabel::SetMyTransparent(bool value) {
    myTransparent_ = value;
    if (!value && Parent()) SetColor(Parent()->Color());
    Invalidate();
}

void TRotate3DLabel::Paint() {
    int angle = labelStyle_.Angle();
    double theta = angle * degreesToRadians;
    cos_ = std::cos(theta);
    sin_ = std::sin(theta);
    double c = cos_, s = sin_;
    T3DEffectShort effect = myTransparent_ ? labelStyle_.AStyle3D() : A3dNormal;
    int highlightOffset = 0, shadeOffset = 0;
    if (effect == A3dResit) {
        highlightOffset = 1;
        shadeOffset = -1;
    } else if (effect == A3dRaised) {
        highlightOffset = -1;
        shadeOffset = 1;
    }

    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsClear);
    TFontHandle rotated = CreateRotatedFont(*canvas->Font(), angle * 10);

    std::string caption = Caption();
    SIZE extent = canvas->TextExtent(caption);
    int w = extent.cx, h = extent.cy;
    int cx = Width() / 2, cy = Height() / 2;
    int x = 0;
    if (Alignment() == taRightJustify) x = Width() - w;
    else if (Alignment() == taCenter) x = cx - Trunc(w / 2.0 * c) - Trunc(h / 2.0 * s);
    int y = Trunc(w / 2.0 * s) + cy - Trunc(h / 2.0 * c);

    if (!myTransparent_) {
        // The text's box, turned with it and a few pixels larger.
        double halfW = (w + 10) / 2.0, halfH = (h + 7) / 2.0;
        int wc = Trunc(halfW * c), ws = Trunc(halfW * s), hc = Trunc(halfH * c), hs = Trunc(halfH * s);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(Color());
        canvas->Pen()->SetColor(Color());
        canvas->Polygon({{cx - wc - hs, cy + ws - hc},
                         {cx + wc - hs, cy - ws - hc},
                         {cx + wc + hs, cy - ws + hc},
                         {cx - wc + hs, cy + ws + hc}});
        canvas->Brush()->SetStyle(bsClear);
    }

    canvas->RequireState();
    HDC dc = canvas->Handle();
    TDCSelection selection(dc, rotated.Get());
    auto draw = [&](TColor color, int left, int top) {
        SetTextColor(dc, ColorToRGB(color));
        TextOutA(dc, left, top, caption.data(), static_cast<int>(caption.size()));
    };
    if (effect == A3dResit || effect == A3dRaised)
        draw(labelStyle_.AShadeLeftTop(), x + highlightOffset, y + highlightOffset);
    if (effect == A3dShadowed)
        draw(labelStyle_.AShadeRightBottom(), x + labelStyle_.AHShadeOffSet(), y + labelStyle_.AVShadeOffSet());
    else if (effect == A3dResit || effect == A3dRaised)
        draw(labelStyle_.AShadeRightBottom(), x + shadeOffset, y + shadeOffset);
    draw(Font()->Color(), x, y);
}

namespace {
const TClassRegistration rotate3DLabelRegistration(TRotate3DLabel::StaticClassInfo());
} // namespace

} // namespace qlry
