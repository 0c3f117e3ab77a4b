#include "visual/cmp_TBackDrop.h"

#include "platform/Properties.h"

namespace qlry {

const TEnumInfo directionNames{"bdUp",   "bdDown",    "bdLeft",  "bdRight",
                               "bdHorzIn", "bdHorzOut", "bdVertIn", "bdVertOut"};

namespace {
TBackdrop* designatedBackdrop = nullptr;
} // namespace

TBackdrop::TBackdrop(TComponent* owner) : TCustomPanel(owner) { SetAlign(alClient); }

TBackdrop::~TBackdrop() {
    if (designatedBackdrop == this) designatedBackdrop = nullptr;
}

const TClassInfo& TBackdrop::StaticClassInfo() {
    static const TClassInfo info(
        "TBackdrop", &TCustomPanel::StaticClassInfo(), FactoryOf<TBackdrop>(),
        {
            EnumProperty<TBackdrop, TDirection>("Direction", directionNames, &TBackdrop::Direction,
                                                &TBackdrop::SetDirection, bdUp),
            IntegerProperty<TBackdrop>("EndColor", &TBackdrop::EndColor, &TBackdrop::SetEndColor, clBlack),
            IntegerProperty<TBackdrop>("StartColor", &TBackdrop::StartColor, &TBackdrop::SetStartColor, clBlue),
        });
    return info;
}

TBackdrop* TBackdrop::Designated() { return designatedBackdrop; }

void TBackdrop::SetTag(int tag) {
    TCustomPanel::SetTag(tag);
    if (tag == -1) {
        TBackdrop* previous = designatedBackdrop;
        designatedBackdrop = this;
        if (previous && previous != this) previous->SetTag(0);
    } else if (designatedBackdrop == this) {
        designatedBackdrop = nullptr;
    }
}

void TBackdrop::LookChanged() { Repaint(); }

void TBackdrop::SetDirection(TDirection direction) {
    if (direction == direction_) return;
    direction_ = direction;
    LookChanged();
}

void TBackdrop::SetStartColor(TColor color) {
    if (color == startColor_) return;
    startColor_ = color;
    LookChanged();
}

void TBackdrop::SetEndColor(TColor color) {
    if (color == endColor_) return;
    endColor_ = color;
    LookChanged();
}

void TBackdrop::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TBackdrop*>(source);
    if (!other) {
        TCustomPanel::Assign(source);
        return;
    }
    direction_ = other->direction_;
    endColor_ = other->endColor_;
    startColor_ = other->startColor_;
    SetAlign(other->Align());
    Invalidate();
}

LRESULT TBackdrop::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The gradient covers every pixel: erasing first would only make it flicker.
    if (message == WM_ERASEBKGND) return 1;
    return TCustomPanel::WndProc(message, wParam, lParam);
}

void TBackdrop::Paint() {
    switch (direction_) {
    case bdUp: GradientPass(startColor_, endColor_, false, false); break;
    case bdDown: GradientPass(endColor_, startColor_, false, false); break;
    case bdLeft: GradientPass(startColor_, endColor_, false, true); break;
    case bdRight: GradientPass(endColor_, startColor_, false, true); break;
    case bdHorzIn: GradientPass(endColor_, startColor_, true, false); break;
    case bdHorzOut: GradientPass(startColor_, endColor_, true, false); break;
    case bdVertIn: GradientPass(startColor_, endColor_, true, true); break;
    case bdVertOut: GradientPass(endColor_, startColor_, true, true); break;
    }
}

void TBackdrop::GradientPass(TColor from, TColor to, bool symmetric, bool vertical) {
    COLORREF first = ColorToRGB(from);
    COLORREF last = ColorToRGB(to);
    int red = GetRValue(first), green = GetGValue(first), blue = GetBValue(first);
    int deltaRed = GetRValue(last) - red;
    int deltaGreen = GetGValue(last) - green;
    int deltaBlue = GetBValue(last) - blue;

    TCanvas* canvas = Canvas();
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetMode(pmCopy);
    canvas->Brush()->SetStyle(bsSolid);
    int steps = symmetric ? 127 : 255;
    int extent = vertical ? Width() : Height();
    auto band = [&](int from, int to) {
        return vertical ? RECT{from, 0, to, Height()} : RECT{0, from, Width(), to};
    };
    for (int i = 0; i <= steps; ++i) {
        // MulDiv rounds: the last step lands exactly on the second colour.
        COLORREF color = RGB(static_cast<BYTE>(red + MulDiv(i, deltaRed, steps)),
                             static_cast<BYTE>(green + MulDiv(i, deltaGreen, steps)),
                             static_cast<BYTE>(blue + MulDiv(i, deltaBlue, steps)));
        canvas->Brush()->SetColor(static_cast<TColor>(color));
        canvas->FillRect(band(MulDiv(i, extent, 256), MulDiv(i + 1, extent, 256)));
        if (symmetric) canvas->FillRect(band(MulDiv(255 - i, extent, 256), MulDiv(256 - i, extent, 256)));
    }
}

namespace {
const TClassRegistration backdropRegistration(TBackdrop::StaticClassInfo());
} // namespace

} // namespace qlry
