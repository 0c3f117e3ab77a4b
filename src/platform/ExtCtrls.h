#pragma once
// Panels, bevels, images, radio groups and timers.
#include <windows.h>

#include <vector>

#include "platform/Controls.h"
#include "platform/Graphics.h"
#include "platform/StdCtrls.h"
#include "platform/Strings.h"

namespace qlry {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
extern const TEnumInfo bevelCutNames;

// A container with an outer and an inner bevel, a border between them and a caption.
// Aligned children share the area inside the bevels and the border.
class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut cut);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut cut);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int width);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int width);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool FullRepaint() const { return fullRepaint_; }
    void SetFullRepaint(bool value) { fullRepaint_ = value; }
    bool Locked() const { return locked_; }
    void SetLocked(bool value) { locked_ = value; }

    void AdjustClientRect(RECT& rect) const override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    // The caption, drawn centred vertically in Rect.
    virtual void PaintCaption(RECT rect);

private:
    void FrameChanged();

    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TBorderStyle borderStyle_ = bsNone;
    TAlignment alignment_ = taCenter;
    bool fullRepaint_ = true;
    bool locked_ = false;
};

class TPanel : public TCustomPanel {
public:
    explicit TPanel(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
extern const TEnumInfo bevelShapeNames;
enum TBevelStyle { bsLowered, bsRaised };
extern const TEnumInfo bevelStyleNames;

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape shape);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle style);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

// Shows a picture: at its corner, centred, or stretched over the control.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TPicture* Picture() { return &picture_; }
    void SetPicture(const TPicture* picture) { picture_.Assign(picture); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool stretch);
    bool Center() const { return center_; }
    void SetCenter(bool center);
    // The control takes the picture's size.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    // The colour of the picture's bottom-left pixel is left out.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

protected:
    void Paint() override;

private:
    void PictureChanged();

    TPicture picture_;
    bool stretch_ = false;
    bool center_ = false;
    bool autoSize_ = false;
    bool transparent_ = false;
};

class TCustomRadioGroup;

class TRadioGroupStrings : public TStringList {
public:
    explicit TRadioGroupStrings(TCustomRadioGroup* group) : group_(group) {}

protected:
    void Changed() override;

private:
    TCustomRadioGroup* group_;
};

// A group box with one radio button per item, in Columns columns. Choosing an item (by
// a click or by setting ItemIndex) fires OnClick.
class TCustomRadioGroup : public TCustomGroupBox {
public:
    explicit TCustomRadioGroup(TComponent* owner);
    ~TCustomRadioGroup() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TStrings* Items() { return &items_; }
    void SetItems(const TStrings* items) { items_.Assign(items); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    int Columns() const { return columns_; }
    void SetColumns(int columns);
    // The button of item Index (for tests and drivers).
    TRadioButton* Button(int index) const { return buttons_.at(index); }
    void Loaded() override;

protected:
    friend class TRadioGroupStrings;
    void ItemsChanged();
    void AlignControls(RECT& rect) override;
    void FontChanged() override;

private:
    void ArrangeButtons();
    void ButtonClicked(TRadioButton* button);

    TRadioGroupStrings items_;
    std::vector<TRadioButton*> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
    bool updating_ = false;
};

class TRadioGroup : public TCustomRadioGroup {
public:
    explicit TRadioGroup(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// Fires OnTimer every Interval milliseconds while Enabled (and a handler is set).
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    int Interval() const { return interval_; }
    void SetInterval(int interval);
    void Loaded() override;

    TNotifyEvent OnTimer;

private:
    static LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void UpdateTimer();

    bool enabled_ = true;
    int interval_ = 1000;
    HWND window_ = nullptr;
    bool running_ = false;
};

} // namespace qlry
