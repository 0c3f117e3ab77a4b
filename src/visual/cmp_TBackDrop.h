#pragma once
// The gradient backdrop that covers the setup's main window. It paints nothing but the
// gradient; the title and any other children are drawn on top of it.
#include <windows.h>

#include "platform/ExtCtrls.h"
#include "platform/Graphics.h"

namespace qlry {

enum TDirection { bdUp, bdDown, bdLeft, bdRight, bdHorzIn, bdHorzOut, bdVertIn, bdVertOut };
extern const TEnumInfo directionNames;

class TBackdrop : public TCustomPanel {
public:
    explicit TBackdrop(TComponent* owner);
    ~TBackdrop() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TDirection Direction() const { return direction_; }
    void SetDirection(TDirection direction);
    TColor StartColor() const { return startColor_; }
    void SetStartColor(TColor color);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor color);

    // Tag -1 makes this the designated backdrop; the one designated before gets Tag 0.
    void SetTag(int tag) override;
    // The backdrop whose Tag is -1, or nullptr.
    static TBackdrop* Designated();

    // Another backdrop's Direction, colours and Align.
    void Assign(const TPersistent* source) override;

protected:
    void Paint() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // One gradient from From to To: 256 bands, or 128 mirrored pairs when Symmetric;
    // the bands run across the width when Vertical, else down the height.
    void GradientPass(TColor from, TColor to, bool symmetric, bool vertical);
    void LookChanged();

    TDirection direction_ = bdUp;
    TColor startColor_ = clBlue;
    TColor endColor_ = clBlack;
};

} // namespace qlry
