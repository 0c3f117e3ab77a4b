#pragma once
// Controls over real windows. A TControl has bounds, alignment, visibility, text, font
// and colour; a TWinControl owns a window (created when first needed) and the list of
// its child controls, lays out its aligned children whenever its client area changes,
// and reflects the notifications its child windows send back to the controls that sent
// them. Controls without a window (labels, bevels, images) are painted by their parent.
//
// Finding controls from outside: every control window carries two window properties.
// "QlryName" holds a global atom whose text is the control's component Name (read it
// with GlobalGetAtomNameA((ATOM)(UINT_PTR)GetPropA(hwnd, "QlryName"), ...)), so a
// driver program in another process can find a control by name; "QlryControl" is the
// TWinControl* inside this process (FindControl). Controls without a window have
// neither; a radio group's buttons are the group window's BUTTON children in item order.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Graphics.h"
#include "platform/Properties.h"

namespace qlry {

class TWinControl;
class TCustomForm;

using TNotifyEvent = std::function<void(TObject* sender)>;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
extern const TEnumInfo alignNames;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
extern const TEnumInfo alignmentNames;

// Both the form border styles and the two-valued border of panels and edits.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
extern const TEnumInfo borderStyleNames;  // bsNone, bsSingle

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
// The system cursor for a cursor value (the arrow for crDefault and unknown values).
HCURSOR CursorHandle(TCursor cursor);

enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = unsigned;  // bit n = TShiftStateFlag n
TShiftState KeyboardShiftState();
enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;
using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;

// The result a modal form ends with; the values are those of the system's dialog ids.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;
constexpr TModalResult mrAll = mrNo + 1;
constexpr TModalResult mrNoToAll = mrAll + 1;
constexpr TModalResult mrYesToAll = mrNoToAll + 1;

// The cursor the whole program shows (crDefault: each control's own); Screen sets it.
TCursor GlobalCursor();
void SetGlobalCursor(TCursor cursor);

// The names of the window properties described above.
constexpr const char* ControlNameProperty = "QlryName";
constexpr const char* ControlObjectProperty = "QlryControl";

// The window procedure of every control window (own classes and subclassed ones).
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// For a window that is not a control's (a system dialog given controls of ours, its
// procedure subclassed): hands Message to the child control it comes from when it is a
// notification (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR..., WM_DRAWITEM). True, with the
// answer in Result, when it was one.
bool ReflectChildNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// The control of a window of this process, or nullptr.
TWinControl* FindControl(HWND window);
// The component Name a control window carries (any process), or "".
std::string WindowControlName(HWND window);

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);
    // The reader's nesting: an enclosing control becomes the parent.
    void SetParentComponent(TComponent* parent) override;
    TComponent* GetParentComponent() const override;
    void SetName(const std::string& name) override;
    void Loaded() override;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    virtual void SetBounds(int left, int top, int width, int height);
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
    // The area children are placed in, in the control's own coordinates.
    virtual RECT ClientRect() const { return RECT{0, 0, width_, height_}; }
    int ClientWidth() const;
    int ClientHeight() const;
    virtual void SetClientWidth(int width);
    virtual void SetClientHeight(int height);
    // Client coordinates of this control to those of the screen.
    POINT ClientToScreen(POINT point) const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so are all its parents.
    virtual bool Showing() const;
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // Caption and Text are one value: what the control shows.
    std::string Caption() const { return GetText(); }
    void SetCaption(const std::string& caption) { SetText(caption); }
    std::string Text() const { return GetText(); }
    void SetTextValue(const std::string& text) { SetText(text); }

    TFont* Font() { return &font_; }
    const TFont* Font() const { return &font_; }
    // Published form of Font for the property table.
    TFont* FontObject() { return &font_; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& hint) { hint_ = hint; }
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool showHint) { showHint_ = showHint; }
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor) { cursor_ = cursor; }

    virtual void Invalidate();
    virtual void Update();
    void Repaint();
    void Refresh() { Repaint(); }
    virtual void BringToFront();
    virtual void SendToBack();
    virtual void Click();
    virtual void DblClick();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

protected:
    friend class TWinControl;
    virtual std::string GetText() const { return text_; }
    virtual void SetText(const std::string& text);
    // The stored text, without asking the window.
    const std::string& StoredText() const { return text_; }
    void StoreText(const std::string& text) { text_ = text; }
    // Sets the flag without showing or hiding anything (a form starts hidden).
    void StoreVisible(bool visible) { visible_ = visible; }

    virtual void TextChanged() { Invalidate(); }
    virtual void FontChanged() { Invalidate(); }
    virtual void ColorChanged() { Invalidate(); }
    virtual void VisibleChanged();
    virtual void EnabledChanged() { Invalidate(); }
    // After the bounds fields changed; Resized when the size did.
    virtual void BoundsChanged(bool resized);
    virtual void ParentChanged();
    virtual bool IsWindowed() const { return false; }
    // Controls without a window paint into their parent's context, whose origin is
    // moved to the control's corner and clipped to its bounds.
    virtual void PaintTo(HDC dc) {}
    virtual void Resize();
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

    // Stores new bounds and reports them, without touching any window.
    void SetBoundsFields(int left, int top, int width, int height);
    void RequestParentAlign();
    // Applies the parent's font (or colour) when this control follows it.
    void AdoptParentFont();
    void AdoptParentColor();

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;

private:
    TWinControl* parent_ = nullptr;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    std::string text_;
    TFont font_;
    bool parentFont_ = true;
    bool adoptingFont_ = false;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    std::string hint_;
    bool showHint_ = false;
    TCursor cursor_ = crDefault;
};

// A control that owns a window.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // The window, created (with its parents') when first asked for.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    // A window of someone else's to live in, for a control without a parent control.
    HWND ParentWindow() const { return parentWindow_; }
    void SetParentWindow(HWND window);

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;
    bool ContainsControl(const TControl* control) const;

    // Lays out the aligned children now.
    void Realign();
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();
    RECT ClientRect() const override;
    // The part of the client area that aligned children share.
    virtual void AdjustClientRect(RECT& rect) const {}

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop);
    int TabOrder() const { return tabOrder_; }
    void SetTabOrder(int tabOrder) { tabOrder_ = tabOrder; }
    // Visible and enabled, and so are its parents up to its form (whose window may not
    // be on the screen yet: a form in its OnShow).
    virtual bool CanFocus() const;
    bool Focused() const;
    // Focuses the control now when its window is on the screen in the active window;
    // otherwise it becomes the active control of its forms and takes the focus when
    // they are activated. Raises EInvalidOperation when it cannot be focused.
    virtual void SetFocus();
    // Moves the focus to the next (or previous) tab stop of this window's tree.
    void SelectNext(TWinControl* current, bool forward);

    // The background brush in the control's colour.
    TBrush* Brush() { return &brush_; }
    LRESULT Perform(UINT message, WPARAM wParam, LPARAM lParam);

    void SetBounds(int left, int top, int width, int height) override;
    void Invalidate() override;
    void Update() override;
    void BringToFront() override;
    void SendToBack() override;
    bool Showing() const override;
    void Loaded() override;

    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    struct TCreateParams {
        // The layer's own classes are registered on demand; other classes are the
        // system's, and their windows are subclassed.
        std::string windowClass = "QlryWindow";
        bool ownClass = true;
        std::string caption;
        DWORD style = 0;
        DWORD exStyle = 0;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        HWND parent = nullptr;  // a child without one gets its parent control's window
    };
    virtual void CreateParams(TCreateParams& params);
    // Creates the window, then the windows of the children.
    virtual void CreateHandle();
    // After the window exists: give it what the control holds (font, state).
    virtual void InitializeHandle();
    void DestroyHandle();
    // Before the window goes: keep what only the window knows.
    virtual void SaveWindowState();

    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    // Notifications the parent window reflects back to this control.
    virtual void CommandNotify(WORD code) {}
    virtual LRESULT Notify(NMHDR* header) { return 0; }
    virtual HBRUSH CtlColor(HDC dc);
    virtual void DrawItem(const DRAWITEMSTRUCT& item) {}
    // Windows of the layer's own class paint here, then their windowless children.
    virtual void PaintWindow(HDC dc) {}
    void PaintControls(HDC dc, const RECT& area);
    // Places the aligned children in Rect, shrinking it as they take their share.
    virtual void AlignControls(RECT& rect);
    // Keys this control keeps instead of treating them as dialog keys.
    virtual bool WantsKey(WORD key) const { return false; }
    // A focused control that Return clicks (a button).
    virtual bool ClicksOnReturn() const { return false; }
    // Default and Cancel buttons answer Return and Escape for their form.
    virtual bool AnswersDialogKey(WORD key) const { return false; }
    // Gives back a context the control's canvas borrowed.
    virtual void FreeCanvasDC() {}

    void FontChanged() override;
    void ColorChanged() override;
    void TextChanged() override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    void BoundsChanged(bool resized) override;
    void ParentChanged() override;
    bool IsWindowed() const override { return true; }
    std::string GetText() const override;
    void SetText(const std::string& text) override;

    bool OwnWindowClass() const { return ownClass_; }
    // Reads the window's bounds into the fields.
    void UpdateBoundsFromWindow();

private:
    friend class TControl;
    friend LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    friend bool ReflectChildNotification(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void AttachWindow(HWND window);
    void DetachWindow();
    void SetNameProperty();
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleKeyDown(WORD& key);
    bool HandleDialogKey(WORD key);
    TControl* ControlAtPoint(int x, int y) const;
    void HandleMouse(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleSetCursor(HWND window, LPARAM lParam);
    void CollectTabStops(std::vector<TWinControl*>& list);
    bool FocusableNow() const;
    void ApplyZOrder(TControl* control, bool toFront);

    HWND handle_ = nullptr;
    HWND parentWindow_ = nullptr;
    WNDPROC defaultProc_ = nullptr;
    bool ownClass_ = false;
    ATOM nameAtom_ = 0;
    std::vector<TControl*> controls_;
    int alignDisabled_ = 0;
    bool aligning_ = false;
    bool realignPending_ = false;
    bool tabStop_ = false;
    int tabOrder_ = -1;
    TBrush brush_;
    bool destroying_ = false;
    bool eatChar_ = false;
    TControl* pressed_ = nullptr;
};

// The canvas of a control with its own window. Outside painting it borrows the window's
// context when first drawn on (to measure text, say) and gives it back once the
// messages queued by then are handled.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(TWinControl* control) : control_(control) {}
    ~TControlCanvas() override;
    void FreeWindowDC();

protected:
    void CreateHandle() override;
    void HandleReleased(HDC dc) override;

private:
    TWinControl* control_;
    HWND window_ = nullptr;
    HDC windowDC_ = nullptr;
};

// A control without a window, painted by its parent on the parent's surface.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    TCanvas* Canvas() { return &canvas_; }

protected:
    virtual void Paint() {}
    void PaintTo(HDC dc) override;

private:
    TCanvas canvas_;
};

// A control with a window of the layer's own class that paints itself on a canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    TCanvas* Canvas() { return &canvas_; }

protected:
    virtual void Paint() {}
    void PaintWindow(HDC dc) override;
    void FreeCanvasDC() override { canvas_.FreeWindowDC(); }

private:
    TControlCanvas canvas_{this};
};

// Posted to a control's window when its canvas borrows the window's context.
constexpr UINT QM_FREECANVASDC = WM_APP + 0x3A8;

// Binds a canvas to a context for the length of a paint.
class TCanvasBinding {
public:
    TCanvasBinding(TCanvas& canvas, HDC dc) : canvas_(canvas) { canvas_.SetHandle(dc); }
    ~TCanvasBinding() { canvas_.SetHandle(nullptr); }
    TCanvasBinding(const TCanvasBinding&) = delete;
    TCanvasBinding& operator=(const TCanvasBinding&) = delete;

private:
    TCanvas& canvas_;
};

// The outermost form that contains Control (or is Control), or nullptr.
TCustomForm* GetParentForm(const TControl* control);
// The nearest form that contains Control (or is Control), or nullptr.
TCustomForm* NearestForm(const TControl* control);

// Draws a 3D frame: TopLeft along the top and left edges, BottomRight along the others,
// Width pixels deep; Rect shrinks by the frame.
void Frame3D(HDC dc, RECT& rect, TColor topLeft, TColor bottomRight, int width);

} // namespace qlry
