#pragma once
// Dialog components and dialog managers: the install objects that describe the setup's
// windows, the three registries that map form classes to them, and the base classes of
// the dialog forms.
#include <memory>
#include <string>
#include <vector>

#include "engine/types_Quillory.h"
#include "model/cmp_TInstallContainer.h"
#include "platform/Buttons.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "translate/cmp_TTranslateControls.h"

namespace qlry {

class TDialogManager;
class TCustomBaseInstallDlg;
class TBaseDuringCopyForm;
class TBaseFormContainer;

enum TManagerType { dmBeforeInstall, dmAfterGoodInstall, dmAfterBadInstall, dmDuringCopyFiles, dmChangeDisk, dmReboot };
const TEnumInfo& ManagerTypeNames();

// A 3 x 3 grid: the value div 3 is the row (centre, bottom, top), mod 3 the column
// (left, centre, right).
enum TQuilloryDialogPosition {
    qdpCenterLeft,
    qdpCenter,
    qdpCenterRight,
    qdpBottomLeft,
    qdpBottomCenter,
    qdpBottomRight,
    qdpTopLeft,
    qdpTopCenter,
    qdpTopRight
};
const TEnumInfo& QuilloryDialogPositionNames();

// The information events that start dialogs (the file events are the model's).
namespace DialogEvent {
constexpr int NotifyGoodInstall = ieNotifyGoodInstall;
constexpr int NotifyBadInstall = ieNotifyBadInstall;
constexpr int LinkGroupStart = -991;
constexpr int Reboot = ieReboot;
constexpr int Welcome = -982;
constexpr int License = -981;
constexpr int BeforeInstall = ieBeforeInstall;
constexpr int AfterGoodInstall = ieAfterGoodInstall;
constexpr int AfterBadInstall = ieAfterBadInstall;
constexpr int Readme = -977;
constexpr int SelectDestination = -966;
} // namespace DialogEvent

// The top-left corner of a Width x Height window placed on a ScreenWidth x ScreenHeight
// screen by Position and the offsets. Centred values are rounded to nearest (halves to
// even), or truncated toward zero when Truncate is set (the wizard window).
POINT DialogPlacement(TQuilloryDialogPosition position, int screenWidth, int screenHeight, int width, int height,
                      int leftOffset, int topOffset, int captionHeight, bool truncate);

// --- Form registries ---------------------------------------------------------------------

// A form class and the dialog component that shows it (or none: a standalone form).
struct TFormEntry {
    const TClassInfo* FormClass = nullptr;
    TCustomBaseInstallDlg* Dialog = nullptr;
    int Value = 0;
};
using TBIFEntry = TFormEntry;
using TDCFEntry = TFormEntry;
using TBCDFEntry = TFormEntry;
using TFormEntryList = std::vector<TFormEntry*>;

// The pages of wizards, the copy-phase forms and the change-disk forms, in the order the
// dialog components were created.
TFormEntryList& BIFList();
TFormEntryList& DCFList();
TFormEntryList& BCDFList();

TBIFEntry* RegisterPageForm(const TClassInfo& formClass, TCustomBaseInstallDlg* dialog, int value);
TDCFEntry* RegisterCopyForm(const TClassInfo& formClass, TCustomBaseInstallDlg* dialog, int value);
TBCDFEntry* RegisterChangeDiskForm(const TClassInfo& formClass, TCustomBaseInstallDlg* dialog, int value);
void UnregisterPageForm(TBIFEntry* entry);
void UnregisterCopyForm(TDCFEntry* entry);
void UnregisterChangeDiskForm(TBCDFEntry* entry);
int PageFormCount();
TBIFEntry* PageForm(int index);

// The first dialog manager of that type contained by the current install component.
TDialogManager* FindDialogManager(TManagerType managerType);
// The manager whose wizard or change-disk form is being built; nullptr otherwise.
TDialogManager* CurrentDialogManager();

// The engine's answer to "really cancel?"; yes when there is no engine.
bool QueryUserAbort();

// Creates a form of a registered form class.
TCustomForm* CreateRegisteredForm(const TClassInfo& formClass, TComponent* owner);

// --- Dialog components -----------------------------------------------------------------

class TCustomBaseInstallDlg : public TInstallObject {
public:
    explicit TCustomBaseInstallDlg(TComponent* owner);
    ~TCustomBaseInstallDlg() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    virtual void SetDialogManager(TDialogManager* value);
    virtual void SetThemeBitmap(const TPicture* value);
    // Fonts and texts of Form through the translator.
    virtual void Translate();
    // Prepares Form for showing; raises when there is no form.
    virtual void AssignDialogProperties();
    // Shows the dialog on its own.
    virtual bool Execute();
    // Creates, shows modally and frees the form; a result other than OK raises EAIUserAbort.
    virtual bool ShowDialog();
    virtual const TClassInfo& FormClass() const = 0;
    virtual bool CanExecute() { return true; }
    // The information event that runs the dialog on its own when it has no manager (0: none).
    virtual int OwnEvent() const { return 0; }

    void RemoveReference(TInstallContainer* object) override;
    int RegisteredType() const override { return rankDialog; }
    void Retranslate() override { Translate(); }
    void InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) override;

    // Puts the dialog's theme picture (or the engine's) into Target.
    void AssignThemePicture(TPicture* target);

    bool AutoSetFont() const { return autoSetFont_; }
    void SetAutoSetFont(bool value) { autoSetFont_ = value; }
    bool AutoTranslate() const { return autoTranslate_; }
    void SetAutoTranslate(bool value) { autoTranslate_ = value; }
    TQlryLanguage CurrentLanguage() const { return currentLanguage_; }
    void SetCurrentLanguage(TQlryLanguage value) { currentLanguage_ = value; }
    TCustomForm* Form() const { return form_; }
    void SetForm(TCustomForm* form);
    TDialogManager* DialogManager() const { return dialogManager_; }
    int Height() const { return height_; }
    void SetHeight(int value) { height_ = value; }
    bool OverrideMainTranslator() const { return overrideMainTranslator_; }
    void SetOverrideMainTranslator(bool value) { overrideMainTranslator_ = value; }
    TQuilloryDialogPosition Position() const { return position_; }
    void SetPosition(TQuilloryDialogPosition value) { position_ = value; }
    int RelativeLeftOffset() const { return relativeLeftOffset_; }
    void SetRelativeLeftOffset(int value) { relativeLeftOffset_ = value; }
    int RelativeTopOffset() const { return relativeTopOffset_; }
    void SetRelativeTopOffset(int value) { relativeTopOffset_ = value; }
    TQlryLanguage TranslateIntoLanguage() const { return translateIntoLanguage_; }
    void SetTranslateIntoLanguage(TQlryLanguage value) { translateIntoLanguage_ = value; }
    TPicture* ThemeBitmap() const { return themeBitmap_.get(); }
    int Width() const { return width_; }
    void SetWidth(int value) { width_ = value; }

    TNotifyEvent OnAfterExecute;
    TNotifyEvent OnBeforeExecute;

    // Property builders for the concrete classes' tables.
    static TPropInfo AutoSetFontProperty();
    static TPropInfo AutoTranslateProperty();
    static TPropInfo DialogManagerProperty();
    static TPropInfo HeightProperty(int declaredDefault);
    static TPropInfo OverrideMainTranslatorProperty();
    static TPropInfo PositionProperty(TQuilloryDialogPosition declaredDefault);
    static TPropInfo RelativeLeftOffsetProperty();
    static TPropInfo RelativeTopOffsetProperty(int declaredDefault);
    static TPropInfo ThemeBitmapProperty();
    static TPropInfo TranslateIntoLanguageProperty();
    static TPropInfo WidthProperty(int declaredDefault);
    static TPropInfo OnAfterExecuteProperty();
    static TPropInfo OnBeforeExecuteProperty();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool autoSetFont_ = true;
    bool autoTranslate_ = true;
    TQlryLanguage currentLanguage_ = qlEnglish;
    TCustomForm* form_ = nullptr;
    TDialogManager* dialogManager_ = nullptr;
    int height_ = 0;
    bool overrideMainTranslator_ = false;
    TQuilloryDialogPosition position_ = qdpCenter;
    int relativeLeftOffset_ = 0;
    int relativeTopOffset_ = 0;
    TQlryLanguage translateIntoLanguage_ = qlUser;
    std::unique_ptr<TPicture> themeBitmap_;
    int width_ = 0;
};

// The base of the wizard-page dialogs: publishes the common settings.
class TBaseInstallDlg : public TCustomBaseInstallDlg {
public:
    explicit TBaseInstallDlg(TComponent* owner) : TCustomBaseInstallDlg(owner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    // The table a page dialog publishes: the common settings plus its own.
    static std::vector<TPropInfo> PageProperties(std::vector<TPropInfo> own = {});

protected:
    // What every page dialog's AssignDialogProperties adds: BackBtn hidden, ProceedBtn
    // (and FinishBtn) closing a standalone showing with OK, the theme picture.
    void AssignPageProperties();
};

// --- Dialog manager --------------------------------------------------------------------

class TDialogManager : public TInstallObject {
public:
    explicit TDialogManager(TComponent* owner);
    ~TDialogManager() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    virtual void RunWizard();
    virtual void ShowChangeDisk(TObject* po);
    virtual void AddDialog(TCustomBaseInstallDlg* dialog);
    virtual void RemoveDialog(TCustomBaseInstallDlg* dialog);

    void RemoveReference(TInstallContainer* object) override;
    int RegisteredType() const override { return rankDialog; }
    void InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) override;

    void CloseCopyForms();
    void CreateCopyForms();
    void UpdateCopyForms(TFileStatusParameter* fileStatus, TDownloadStatusParameter* downloadStatus);

    const std::vector<TBaseDuringCopyForm*>& DuringCopyForms() const { return duringCopyForms_; }
    const std::vector<TCustomBaseInstallDlg*>& Dialogs() const { return dialogs_; }
    int Height() const { return height_; }
    void SetHeight(int value) { height_ = value; }
    TManagerType ManagerType() const { return managerType_; }
    void SetManagerType(TManagerType value) { managerType_ = value; }
    TQuilloryDialogPosition Position() const { return position_; }
    void SetPosition(TQuilloryDialogPosition value) { position_ = value; }
    int RelativeLeftOffset() const { return relativeLeftOffset_; }
    void SetRelativeLeftOffset(int value) { relativeLeftOffset_ = value; }
    int RelativeTopOffset() const { return relativeTopOffset_; }
    void SetRelativeTopOffset(int value) { relativeTopOffset_ = value; }
    int Width() const { return width_; }
    void SetWidth(int value) { width_ = value; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    std::vector<TBaseDuringCopyForm*> duringCopyForms_;
    std::vector<TCustomBaseInstallDlg*> dialogs_;
    int height_ = 395;
    TManagerType managerType_ = dmBeforeInstall;
    TQuilloryDialogPosition position_ = qdpCenter;
    int relativeLeftOffset_ = 0;
    int relativeTopOffset_ = 0;
    int width_ = 478;
};

// --- Base forms ------------------------------------------------------------------------

// A wizard page. Owned by a form (the wizard container), it lives as a borderless child
// window of that form.
class TBaseInstallForm : public TBaseQuilloryForm {
public:
    explicit TBaseInstallForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TCustomBaseInstallDlg* DC() const { return dc_; }
    void SetDC(TCustomBaseInstallDlg* value);
    TDialogManager* DM() const { return dm_; }
    void SetDM(TDialogManager* value);
    int Order() const { return order_; }
    void SetOrder(int value) { order_ = value; }

    virtual bool IsFirstPage();
    virtual bool IsLastPage();
    virtual void PageLeaving() {}
    virtual void CancelWithoutAsking();
    virtual void NextPage();
    virtual void PreviousPage();
    virtual void ActivatePage();
    virtual bool IsSkipped() { return false; }
    virtual void CancelInstall();

    // The controls of the common page layout (nullptr where a page has none).
    TTranslateBitBtn* BackBtn() const { return backBtn_; }
    TTranslateBitBtn* ProceedBtn() const { return proceedBtn_; }
    TTranslateBitBtn* CancelBtn() const { return cancelBtn_; }
    TTranslateBitBtn* FinishBtn() const { return finishBtn_; }
    TImage* ThemeImage() const { return themeImage_; }

protected:
    // Reads the page's description and, inside a form, turns the page into a child window.
    void LoadPage(const std::string& resourceName);
    // What every page's PrepareForm does: BackBtn unless first, focus on ProceedBtn.
    void PrepareButtons();
    // The completion pages' buttons: Next unless last, Finish in its place on the last
    // page; the focus on Next, or on Finish when FocusFinish.
    void PrepareFinishButtons(bool focusFinish);
    void Notification(TComponent* component, TOperation operation) override;
    TBaseFormContainer* WizardContainer() const;

private:
    TCustomBaseInstallDlg* dc_ = nullptr;
    TDialogManager* dm_ = nullptr;
    int order_ = 0;
    TTranslateBitBtn* backBtn_ = nullptr;
    TTranslateBitBtn* proceedBtn_ = nullptr;
    TTranslateBitBtn* cancelBtn_ = nullptr;
    TTranslateBitBtn* finishBtn_ = nullptr;
    TImage* themeImage_ = nullptr;
};

class TBaseDuringCopyForm : public TBaseQuilloryForm {
public:
    explicit TBaseDuringCopyForm(TComponent* owner) : TBaseQuilloryForm(owner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TDialogManager* DM() const { return dm_; }
    void SetDM(TDialogManager* value);

    // Asks the engine, then stops the extraction and marks the run as aborted.
    virtual void CancelCopy();
    virtual void UpdateStatus(TFileStatusParameter* fileStatus, TDownloadStatusParameter* downloadStatus) {}

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TDialogManager* dm_ = nullptr;
};

class TBaseChangeDiskForm : public TBaseQuilloryForm {
public:
    explicit TBaseChangeDiskForm(TComponent* owner) : TBaseQuilloryForm(owner) {}
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TDiskParameter* DiskParameter() const { return diskParameter_; }
    void SetDiskParameter(TDiskParameter* value) { diskParameter_ = value; }
    TDialogManager* DM() const { return dm_; }
    void SetDM(TDialogManager* value);

    virtual void CancelDisk();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TDiskParameter* diskParameter_ = nullptr;
    TDialogManager* dm_ = nullptr;
};

} // namespace qlry
