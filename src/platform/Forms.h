#pragma once
// Forms: top-level windows shown modeless or modal, or child windows inside another
// window (a wizard page in its container). A form class reads its layout from a
// description resource in its constructor:
//
//   class TMyForm : public TForm {
//   public:
//       explicit TMyForm(TComponent* owner) : TForm(owner) {
//           PublishMethod("OkClick", TNotifyEvent([this](TObject*) { ... }));
//           InitFromDescription("TMyForm");   // object MyForm: TMyForm ... end
//           okButton_ = FindComponentAs<TButton>(this, "OkBtn");
//       }
//       static const TClassInfo& StaticClassInfo();   // named "TMyForm", parent TForm
//       const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
//   };
//
// The description's root is the form itself; its handlers must be published before it
// is read.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Controls.h"

namespace qlry {

enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
extern const TEnumInfo positionNames;
extern const TEnumInfo formBorderStyleNames;
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = unsigned;  // bit n = TBorderIcon n
constexpr TBorderIcons BorderIcon(TBorderIcon icon) { return 1u << icon; }
extern const TEnumInfo borderIconNames;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
extern const TEnumInfo windowStateNames;
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// The component Name of Owner's components as a T, or nullptr when there is none of
// that name and class.
template <class T>
T* FindComponentAs(const TComponent* owner, const std::string& name) {
    return owner ? dynamic_cast<T*>(owner->FindComponent(name)) : nullptr;
}

class TCustomForm : public TWinControl {
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // Shows the form and runs a message loop until ModalResult is set and the form
    // agrees to close; hides it and answers the result. Every other window of the
    // program is disabled meanwhile.
    TModalResult ShowModal();
    // A modal form ends with mrCancel unless a result is already set; a modeless one
    // asks OnCloseQuery and OnClose and then does what the close action says.
    void Close();
    bool CloseQuery();
    // Frees the form once the messages already queued for it are handled.
    void Release();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }
    bool Modal() const { return modal_; }
    bool Active() const;

    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state);
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    TCanvas* Canvas() { return &canvas_; }
    void SetClientWidth(int width) override;
    void SetClientHeight(int height) override;

    // Stored in descriptions, without effect here.
    bool Scaled() const { return scaled_; }
    void SetScaled(bool scaled) { scaled_ = scaled; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }
    bool OldCreateOrder() const { return oldCreateOrder_; }
    void SetOldCreateOrder(bool value) { oldCreateOrder_ = value; }
    int TextHeight() const { return textHeight_; }
    void SetTextHeight(int value) { textHeight_ = value; }

    void Loaded() override;
    void SetParent(TWinControl* parent) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    // Held as a plain member: the install engine saves it and puts its own in its place.
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    // Reads the form's description resource (root: this form), lays it out and fires
    // OnCreate; a description that makes the form visible shows it.
    void InitFromDescription(const std::string& resourceName);
    // The same from description text.
    void InitFromDescriptionText(const std::string& text);

    virtual void DoCreate();
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);
    virtual void Activate();
    virtual void Deactivate();
    virtual void Paint();

    void CreateParams(TCreateParams& params) override;
    void CreateHandle() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void VisibleChanged() override;
    void PaintWindow(HDC dc) override;
    void Notification(TComponent* component, TOperation operation) override;
    // OnDestroy fires here, while a derived form is still whole.
    void BeforeDestruction() override { FireDestroy(); }
    void FreeCanvasDC() override { canvas_.FreeWindowDC(); }
    bool IsChildForm() const { return Parent() || ParentWindow(); }

private:
    void AfterDescription();
    void ApplyPosition();
    void ShowWindowNow();
    void CloseModal();
    void FocusActiveControl();
    void RememberFocus();
    void FireDestroy();
    void UpdateFrameStyle();

    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    TPosition position_ = poDesigned;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = BorderIcon(biSystemMenu) | BorderIcon(biMinimize) | BorderIcon(biMaximize);
    TWindowState windowState_ = wsNormal;
    TWinControl* activeControl_ = nullptr;
    TControlCanvas canvas_{this};
    bool scaled_ = true;
    int pixelsPerInch_ = 96;
    bool oldCreateOrder_ = false;
    int textHeight_ = 13;
    int pendingClientWidth_ = -1;
    int pendingClientHeight_ = -1;
    bool destroyFired_ = false;
    bool releasing_ = false;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent* owner = nullptr);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// The form whose closing ends the program and whose window owns the others.
TCustomForm* MainForm();
void SetMainForm(TCustomForm* form);

// The screen: its size, the program's cursor and the forms that exist.
class TScreen {
public:
    int Width() const;
    int Height() const;
    int PixelsPerInch() const;
    TCursor Cursor() const { return GlobalCursor(); }
    void SetCursor(TCursor cursor) { SetGlobalCursor(cursor); }
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int index) const { return forms_.at(index); }
    TCustomForm* ActiveForm() const;

private:
    friend class TCustomForm;
    std::vector<TCustomForm*> forms_;
};

TScreen* Screen();

} // namespace qlry
