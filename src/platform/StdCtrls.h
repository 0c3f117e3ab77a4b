#pragma once
// The standard controls: labels, push buttons, check boxes, radio buttons, edits, list
// boxes and group boxes.
#include <windows.h>

#include <string>

#include "platform/Controls.h"
#include "platform/Strings.h"

namespace qlry {

enum TTextLayout { tlTop, tlCenter, tlBottom };
extern const TEnumInfo textLayoutNames;
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
extern const TEnumInfo scrollStyleNames;

// A caption drawn on the parent's surface. With AutoSize the label takes the size of
// its text; with WordWrap as well it keeps its width and takes the height the wrapped
// text needs, also when its width changes later (a top-aligned label).
class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool autoSize);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout layout);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool show);

    // Takes the size of the text now (AutoSize only).
    void AdjustBounds();
    void Loaded() override;

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    void BoundsChanged(bool resized) override;
    // The DrawText flags for the caption.
    UINT TextFlags() const;
    std::string DrawnText() const;

private:
    void LookChanged();

    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    bool wordWrap_ = false;
    TTextLayout layout_ = tlTop;
    bool transparent_ = false;
    bool showAccelChar_ = true;
    bool adjusting_ = false;
    bool readjust_ = false;
};

class TLabel : public TCustomLabel {
public:
    explicit TLabel(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// A push button. A click first gives the form the button's ModalResult (which closes a
// modal form), then fires OnClick. Default buttons answer Return, Cancel buttons Escape.
class TButton : public TWinControl {
public:
    explicit TButton(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }

    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CommandNotify(WORD code) override;
    bool ClicksOnReturn() const override { return true; }
    bool AnswersDialogKey(WORD key) const override;
    virtual DWORD ButtonStyle() const;

private:
    bool default_ = false;
    bool cancel_ = false;
    TModalResult modalResult_ = mrNone;
};

// Check boxes and radio buttons: a click changes Checked, and a change of Checked (by
// the user or by code) fires OnClick.
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    bool Checked() const { return checked_; }
    virtual void SetChecked(bool checked);

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeHandle() override;
    virtual DWORD ButtonStyle() const = 0;
    // Shows the new state without firing OnClick.
    void ApplyChecked(bool checked);

private:
    bool checked_ = false;
};

class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

protected:
    DWORD ButtonStyle() const override { return BS_CHECKBOX; }
    void CommandNotify(WORD code) override;
};

// Checking one radio button unchecks the others of the same parent.
class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void SetChecked(bool checked) override;

protected:
    DWORD ButtonStyle() const override { return BS_RADIOBUTTON; }
    void CommandNotify(WORD code) override;
};

// A single-line edit. OnChange fires whenever the text changes, by typing or by code.
class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int length);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style) { borderStyle_ = style; }
    std::string PasswordChar() const { return passwordChar_ ? std::string(1, passwordChar_) : std::string(); }
    void SetPasswordChar(const std::string& value);
    void SelectAll();

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void InitializeHandle() override;
    void CommandNotify(WORD code) override;
    void TextChanged() override;
    virtual void Change();

private:
    int maxLength_ = 0;
    bool readOnly_ = false;
    TBorderStyle borderStyle_ = bsSingle;
    char passwordChar_ = 0;
};

class TListBox;

// The lines of a list box; every change is shown in its window.
class TListBoxStrings : public TStringList {
public:
    explicit TListBoxStrings(TListBox* listBox) : listBox_(listBox) {}

protected:
    void Changed() override;

private:
    TListBox* listBox_;
};

class TListBox : public TWinControl {
public:
    explicit TListBox(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TStrings* Items() { return &items_; }
    void SetItems(const TStrings* items) { items_.Assign(items); }
    bool Sorted() const { return items_.Sorted(); }
    void SetSorted(bool sorted) { items_.SetSorted(sorted); }
    // -1 when nothing is selected.
    int ItemIndex() const;
    void SetItemIndex(int index);
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle style) { borderStyle_ = style; }
    bool IntegralHeight() const { return integralHeight_; }
    void SetIntegralHeight(bool value) { integralHeight_ = value; }

protected:
    friend class TListBoxStrings;
    void CreateParams(TCreateParams& params) override;
    void InitializeHandle() override;
    void SaveWindowState() override;
    void CommandNotify(WORD code) override;
    void ItemsChanged();

private:
    void FillWindow();

    TListBoxStrings items_;
    int itemIndex_ = -1;
    TBorderStyle borderStyle_ = bsSingle;
    bool integralHeight_ = false;
};

// A frame with a caption around other controls.
class TCustomGroupBox : public TCustomControl {
public:
    explicit TCustomGroupBox(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void AdjustClientRect(RECT& rect) const override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
public:
    explicit TGroupBox(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

} // namespace qlry
