#pragma once
// The product title: a label whose text can be turned by an angle and given a raised,
// sunken or shadowed look.
#include <windows.h>

#include "platform/Controls.h"
#include "platform/Graphics.h"
#include "platform/StdCtrls.h"

namespace qlry {

enum T3DEffectShort { A3dNormal, A3dResit, A3dRaised, A3dShadowed };
extern const TEnumInfo effect3DNames;

// How a TRotate3DLabel draws its text. OnChange fires after a change that alters the look.
class TLabelStyle : public TPersistent {
public:
    TLabelStyle() = default;
    TLabelStyle(const TLabelStyle&) = delete;
    TLabelStyle& operator=(const TLabelStyle&) = delete;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // Degrees counter-clockwise; a value outside 0..359 becomes 0.
    int Angle() const { return angle_; }
    void SetAngle(int angle);
    T3DEffectShort AStyle3D() const { return style3D_; }
    void SetAStyle3D(T3DEffectShort style);
    TColor AShadeRightBottom() const { return shadeRightBottom_; }
    void SetAShadeRightBottom(TColor color);
    TColor AShadeLeftTop() const { return shadeLeftTop_; }
    // Ignored while AShadeLTSet holds the highlight at white.
    void SetAShadeLeftTop(TColor color);
    // True keeps the highlight white, remembering the colour it had; False gives that
    // colour back.
    bool AShadeLTSet() const { return shadeLTSet_; }
    void SetAShadeLTSet(bool value);
    int AHShadeOffSet() const { return hShadeOffset_; }
    void SetAHShadeOffSet(int offset);
    int AVShadeOffSet() const { return vShadeOffset_; }
    void SetAVShadeOffSet(int offset);

    void Assign(const TPersistent* source) override;

    TNotifyEvent OnChange;

private:
    void Changed();
    bool ShowsHighlight() const { return style3D_ == A3dResit || style3D_ == A3dRaised; }

    int angle_ = 0;
    T3DEffectShort style3D_ = A3dRaised;
    TColor shadeRightBottom_ = clGray;
    TColor shadeLeftTop_ = clWhite;
    bool shadeLTSet_ = false;
    TColor storedLeftTop_ = clWhite;
    int hShadeOffset_ = 5;
    int vShadeOffset_ = -5;
};

class TRotate3DLabel : public TCustomLabel {
public:
    explicit TRotate3DLabel(TComponent* owner);
    ~TRotate3DLabel() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TLabelStyle* LabelStyle() { return &labelStyle_; }
    // Copies Style.
    void SetLabelStyle(const TLabelStyle* style);
    // False: the label takes its parent's colour and fills its text's box with it,
    // without any 3D effect.
    bool MyTransparent() const { return myTransparent_; }
    void SetMyTransparent(bool value);

    // The cosine and sine of the angle of the last paint.
    double AngleCos() const { return cos_; }
    double AngleSin() const { return sin_; }

    // Tag -1 makes this the designated label; the one designated before gets Tag 0.
    void SetTag(int tag) override;
    // The label whose Tag is -1, or nullptr.
    static TRotate3DLabel* Designated();

protected:
    void Paint() override;

private:
    TLabelStyle labelStyle_;
    bool myTransparent_ = true;
    double cos_ = 1.0;
    double sin_ = 0.0;
    static constexpr double degreesToRadians = 3.14159265358979323846 / 180.0;
};

} // namespace qlry
