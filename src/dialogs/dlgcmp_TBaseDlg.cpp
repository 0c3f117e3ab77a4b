#include "dialogs/dlgcmp_TBaseDlg.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

#include "dialogs/dlgcmp_TBaseContainer.h"
#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "platform/Application.h"
#include "platform/Lists.h"

namespace qlry {

namespace {

TDialogManager* currentDialogManager = nullptr;

// Clears the current manager however the operation that set it ends.
class TCurrentManagerScope {
public:
    explicit TCurrentManagerScope(TDialogManager* manager) { currentDialogManager = manager; }
    ~TCurrentManagerScope() { currentDialogManager = nullptr; }
    TCurrentManagerScope(const TCurrentManagerScope&) = delete;
    TCurrentManagerScope& operator=(const TCurrentManagerScope&) = delete;
};

// Frees a component when the scope ends.
class TFreeOnExit {
public:
    explicit TFreeOnExit(TComponent* component) : component_(component) {}
    ~TFreeOnExit() {
        if (component_) component_->Free();
    }
    TFreeOnExit(const TFreeOnExit&) = delete;
    TFreeOnExit& operator=(const TFreeOnExit&) = delete;

private:
    TComponent* component_;
};

TFormEntry* AppendEntry(TFormEntryList& list, const TClassInfo& formClass, TCustomBaseInstallDlg* dialog, int value) {
    auto* entry = new TFormEntry{&formClass, dialog, value};
    list.push_back(entry);
    return entry;
}

void RemoveEntry(TFormEntryList& list, TFormEntry* entry) {
    auto found = std::find(list.begin(), list.end(), entry);
    if (found == list.end()) return;
    list.erase(found);
    delete entry;
}

void RemoveEntriesOf(TFormEntryList& list, const TCustomBaseInstallDlg* dialog) {
    for (auto it = list.begin(); it != list.end();) {
        if ((*it)->Dialog == dialog) {
            delete *it;
            it = list.erase(it);
        } else {
            ++it;
        }
    }
}

// Halves to the even neighbour, as the platform's rounding does.
int RoundHalfEven(double value) {
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    std::fesetround(previous);
    return static_cast<int>(rounded);
}

} // namespace

const TEnumInfo& ManagerTypeNames() {
    static const TEnumInfo names{"dmBeforeInstall", "dmAfterGoodInstall", "dmAfterBadInstall",
                                 "dmDuringCopyFiles", "dmChangeDisk", "dmReboot"};
    return names;
}

const TEnumInfo& QuilloryDialogPositionNames() {
    static const TEnumInfo names{"qdpCenterLeft", "qdpCenter",       "qdpCenterRight",
                                 "qdpBottomLeft", "qdpBottomCenter", "qdpBottomRight",
                                 "qdpTopLeft",    "qdpTopCenter",    "qdpTopRight"};
    return names;
}

POINT DialogPlacement(TQuilloryDialogPosition position, int screenWidth, int screenHeight, int width, int height,
                      int leftOffset, int topOffset, int captionHeight, bool truncate) {
    auto centred = [truncate](int screen, int size) {
        if (truncate) return static_cast<int>(std::trunc(static_cast<float>(screen) / 2.0f - static_cast<float>(size) / 2.0f));
        return RoundHalfEven(screen / 2.0 - size / 2.0);
    };
    POINT corner{};
    switch (static_cast<int>(position) % 3) {
    case 0: corner.x = leftOffset; break;
    case 1: corner.x = centred(screenWidth, width) + leftOffset; break;
    default: corner.x = screenWidth - width - leftOffset; break;
    }
    switch (static_cast<int>(position) / 3) {
    case 0: corner.y = centred(screenHeight, height) + topOffset; break;
    case 1: corner.y = screenHeight - captionHeight - height - topOffset; break;
    default: corner.y = topOffset; break;
    }
    return corner;
}

// --- Registries ------------------------------------------------------------------------

TFormEntryList& BIFList() {
    static TFormEntryList list;
    return list;
}

TFormEntryList& DCFList() {
    static TFormEntryList list;
    return list;
}

TFormEntryList& BCDFList() {
    static TFormEntryList list;
    return list;
}

TBIFEntry* RegisterPageForm(const TClassInfo& formClass, TCustomBaseInstallDlg* dialog, int value) {
    return AppendEntry(BIFList(), formClass, dialog, value);
}

TDCFEntry* RegisterCopyForm(const TClassInfo& formClass, TCustomBaseInstallDlg* dialog, int value) {
    return AppendEntry(DCFList(), formClass, dialog, value);
}

TBCDFEntry* RegisterChangeDiskForm(const TClassInfo& formClass, TCustomBaseInstallDlg* dialog, int value) {
    return AppendEntry(BCDFList(), formClass, dialog, value);
}

void UnregisterPageForm(TBIFEntry* entry) { RemoveEntry(BIFList(), entry); }
void UnregisterCopyForm(TDCFEntry* entry) { RemoveEntry(DCFList(), entry); }
void UnregisterChangeDiskForm(TBCDFEntry* entry) { RemoveEntry(BCDFList(), entry); }

int PageFormCount() { return static_cast<int>(BIFList().size()); }

TBIFEntry* PageForm(int index) {
    if (index < 0 || index >= PageFormCount())
        throw Exception(TranslateString("%d is an invalid index in the BIFList"), {index});
    TBIFEntry* entry = BIFList()[index];
    if (!entry) throw Exception(TranslateString("The %d 'th entry in the BIFList is NIL"), {index});
    return entry;
}

TDialogManager* FindDialogManager(TManagerType managerType) {
    TInstallContainerList& all = TInstallContainerList::Instance();
    TCustomInstall* engine = CurrentInstall();
    for (int i = 0; i < all.Count(); ++i) {
        auto* manager = dynamic_cast<TDialogManager*>(all.Items(i));
        if (manager && manager->ManagerType() == managerType && manager->Container() == engine) return manager;
    }
    return nullptr;
}

TDialogManager* CurrentDialogManager() { return currentDialogManager; }

bool QueryUserAbort() {
    TCustomInstall* engine = CurrentInstall();
    return !engine || engine->QueryUserAbort();
}

TCustomForm* CreateRegisteredForm(const TClassInfo& formClass, TComponent* owner) {
    TComponent* created = formClass.Create(owner);
    auto* form = dynamic_cast<TCustomForm*>(created);
    if (!form) {
        if (created) created->Free();
        throw EInvalidCast("%s is not a form class", {formClass.Name()});
    }
    return form;
}

// --- TCustomBaseInstallDlg -------------------------------------------------------------

TCustomBaseInstallDlg::TCustomBaseInstallDlg(TComponent* owner)
    : TInstallObject(owner), themeBitmap_(std::make_unique<TPicture>()) {
    SetInstallTypes(allInstallTypes);
    SetOrder(0);
}

TCustomBaseInstallDlg::~TCustomBaseInstallDlg() {
    RemoveEntriesOf(BIFList(), this);
    RemoveEntriesOf(DCFList(), this);
    RemoveEntriesOf(BCDFList(), this);
    if (dialogManager_) dialogManager_->RemoveDialog(this);
    SetForm(nullptr);
}

const TClassInfo& TCustomBaseInstallDlg::StaticClassInfo() {
    static const TClassInfo info("TCustomBaseInstallDlg", &TInstallObject::StaticClassInfo(), nullptr, {});
    return info;
}

TPropInfo TCustomBaseInstallDlg::AutoSetFontProperty() {
    return BooleanProperty<TCustomBaseInstallDlg>("AutoSetFont", &TCustomBaseInstallDlg::AutoSetFont,
                                                  &TCustomBaseInstallDlg::SetAutoSetFont, true);
}

TPropInfo TCustomBaseInstallDlg::AutoTranslateProperty() {
    return BooleanProperty<TCustomBaseInstallDlg>("AutoTranslate", &TCustomBaseInstallDlg::AutoTranslate,
                                                  &TCustomBaseInstallDlg::SetAutoTranslate, true);
}

TPropInfo TCustomBaseInstallDlg::DialogManagerProperty() {
    return ComponentProperty<TCustomBaseInstallDlg, TDialogManager>(
        "DialogManager", &TCustomBaseInstallDlg::DialogManager, &TCustomBaseInstallDlg::SetDialogManager);
}

TPropInfo TCustomBaseInstallDlg::HeightProperty(int declaredDefault) {
    return IntegerProperty<TCustomBaseInstallDlg>("Height", &TCustomBaseInstallDlg::Height,
                                                  &TCustomBaseInstallDlg::SetHeight, declaredDefault);
}

TPropInfo TCustomBaseInstallDlg::OverrideMainTranslatorProperty() {
    return BooleanProperty<TCustomBaseInstallDlg>("OverrideMainTranslator",
                                                  &TCustomBaseInstallDlg::OverrideMainTranslator,
                                                  &TCustomBaseInstallDlg::SetOverrideMainTranslator, false);
}

TPropInfo TCustomBaseInstallDlg::PositionProperty(TQuilloryDialogPosition declaredDefault) {
    return EnumProperty<TCustomBaseInstallDlg, TQuilloryDialogPosition>(
        "Position", QuilloryDialogPositionNames(), &TCustomBaseInstallDlg::Position,
        &TCustomBaseInstallDlg::SetPosition, declaredDefault);
}

TPropInfo TCustomBaseInstallDlg::RelativeLeftOffsetProperty() {
    return IntegerProperty<TCustomBaseInstallDlg>("RelativeLeftOffset", &TCustomBaseInstallDlg::RelativeLeftOffset,
                                                  &TCustomBaseInstallDlg::SetRelativeLeftOffset, 0);
}

TPropInfo TCustomBaseInstallDlg::RelativeTopOffsetProperty(int declaredDefault) {
    return IntegerProperty<TCustomBaseInstallDlg>("RelativeTopOffset", &TCustomBaseInstallDlg::RelativeTopOffset,
                                                  &TCustomBaseInstallDlg::SetRelativeTopOffset, declaredDefault);
}

TPropInfo TCustomBaseInstallDlg::ThemeBitmapProperty() {
    return ObjectProperty<TCustomBaseInstallDlg>("ThemeBitmap", &TCustomBaseInstallDlg::ThemeBitmap);
}

TPropInfo TCustomBaseInstallDlg::TranslateIntoLanguageProperty() {
    return EnumProperty<TCustomBaseInstallDlg, TQlryLanguage>(
        "TranslateIntoLanguage", qlryLanguageNames, &TCustomBaseInstallDlg::TranslateIntoLanguage,
        &TCustomBaseInstallDlg::SetTranslateIntoLanguage, qlUser);
}

TPropInfo TCustomBaseInstallDlg::WidthProperty(int declaredDefault) {
    return IntegerProperty<TCustomBaseInstallDlg>("Width", &TCustomBaseInstallDlg::Width,
                                                  &TCustomBaseInstallDlg::SetWidth, declaredDefault);
}

TPropInfo TCustomBaseInstallDlg::OnAfterExecuteProperty() {
    return EventProperty<TCustomBaseInstallDlg>("OnAfterExecute", &TCustomBaseInstallDlg::OnAfterExecute);
}

TPropInfo TCustomBaseInstallDlg::OnBeforeExecuteProperty() {
    return EventProperty<TCustomBaseInstallDlg>("OnBeforeExecute", &TCustomBaseInstallDlg::OnBeforeExecute);
}

void TCustomBaseInstallDlg::SetDialogManager(TDialogManager* value) {
    if (value == dialogManager_) return;
    if (value) value->AddDialog(this);
    if (dialogManager_) dialogManager_->RemoveDialog(this);
    dialogManager_ = value;
}

void TCustomBaseInstallDlg::SetThemeBitmap(const TPicture* value) { themeBitmap_->Assign(value); }

void TCustomBaseInstallDlg::SetForm(TCustomForm* form) {
    if (form == form_) return;
    if (form_) RemoveFreeNotification(form_);
    form_ = form;
    if (form_) FreeNotification(form_);
}

void TCustomBaseInstallDlg::Notification(TComponent* component, TOperation operation) {
    TInstallObject::Notification(component, operation);
    if (operation == opRemove && component == form_) form_ = nullptr;
}

void TCustomBaseInstallDlg::RemoveReference(TInstallContainer* object) {
    TInstallObject::RemoveReference(object);
    // The manager is going away: nothing of it may be called any more.
    if (object && object == static_cast<TInstallContainer*>(dialogManager_)) dialogManager_ = nullptr;
}

void TCustomBaseInstallDlg::InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) {
    TInstallObject::InformationEvent(sender, eventCode, po);
    if (!dialogManager_ && OwnEvent() != 0 && eventCode == OwnEvent()) Execute();
}

void TCustomBaseInstallDlg::Translate() {
    if (!form_ || !MainTranslator()) return;
    if (autoSetFont_) {
        if (overrideMainTranslator_) ApplyLanguageFontsOf(translateIntoLanguage_, form_);
        else ApplyLanguageFonts(form_);
    }
    if (autoTranslate_) {
        currentLanguage_ = overrideMainTranslator_
                               ? TranslateControlsInto(currentLanguage_, translateIntoLanguage_, form_)
                               : TranslateControls(currentLanguage_, form_);
    }
}

void TCustomBaseInstallDlg::AssignDialogProperties() {
    if (!form_)
        throw Exception(TranslateString("Cannot AssignDialogProperties for %s because the Dialog is Nil"), {Name()});
    if (auto* framework = dynamic_cast<TBaseQuilloryForm*>(form_)) {
        framework->SetAutoSetFont(autoSetFont_);
        framework->SetAutoTranslate(autoTranslate_);
        framework->SetContainer(Container());
        framework->SetOverrideMainTranslator(overrideMainTranslator_);
        framework->SetTranslateIntoLanguage(translateIntoLanguage_);
    }
    if (auto* page = dynamic_cast<TBaseInstallForm*>(form_)) page->SetDC(this);
    Translate();
}

bool TCustomBaseInstallDlg::Execute() {
    try {
        if (OnBeforeExecute) OnBeforeExecute(this);
        const bool result = ShowDialog();
        if (TApplication* application = Application()) application->ProcessMessages();
        if (OnAfterExecute) OnAfterExecute(this);
        return result;
    } catch (const EAbort&) {
        return false;
    }
}

bool TCustomBaseInstallDlg::ShowDialog() {
    if (!CanExecute()) return true;
    TCustomForm* form = CreateRegisteredForm(FormClass(), Application());
    TFreeOnExit freeForm(form);
    SetForm(form);
    AssignDialogProperties();
    if (form->ShowModal() != mrOk) throw EAIUserAbort();
    return true;
}

void TCustomBaseInstallDlg::AssignThemePicture(TPicture* target) {
    if (!target) return;
    if (themeBitmap_->Bitmap()->Empty()) {
        if (TCustomInstall* engine = CurrentInstall()) target->Assign(engine->DialogThemeBitmap());
    } else {
        target->Bitmap()->Assign(themeBitmap_->Bitmap());
    }
}

// --- TBaseInstallDlg -------------------------------------------------------------------

const TClassInfo& TBaseInstallDlg::StaticClassInfo() {
    static const TClassInfo info("TBaseInstallDlg", &TCustomBaseInstallDlg::StaticClassInfo(), nullptr, {});
    return info;
}

std::vector<TPropInfo> TBaseInstallDlg::PageProperties(std::vector<TPropInfo> own) {
    std::vector<TPropInfo> properties{
        AutoSetFontProperty(),
        AutoTranslateProperty(),
        ContainerProperty(),
        DialogManagerProperty(),
        OrderProperty(),
        OverrideMainTranslatorProperty(),
        ThemeBitmapProperty(),
        TranslateIntoLanguageProperty(),
        OnAfterExecuteProperty(),
        OnBeforeExecuteProperty(),
    };
    for (TPropInfo& property : own) properties.push_back(std::move(property));
    return properties;
}

void TBaseInstallDlg::AssignPageProperties() {
    auto* page = dynamic_cast<TBaseInstallForm*>(Form());
    if (!page) return;
    if (page->BackBtn()) page->BackBtn()->SetVisible(false);
    if (page->ProceedBtn()) page->ProceedBtn()->SetModalResult(mrOk);
    if (page->FinishBtn()) page->FinishBtn()->SetModalResult(mrOk);
    if (page->ThemeImage()) AssignThemePicture(page->ThemeImage()->Picture());
}

// --- TDialogManager --------------------------------------------------------------------

namespace {
const TClassRegistration managerRegistration(TDialogManager::StaticClassInfo());
}

TDialogManager::TDialogManager(TComponent* owner) : TInstallObject(owner) {}

TDialogManager::~TDialogManager() {
    for (TCustomBaseInstallDlg* dialog : std::vector<TCustomBaseInstallDlg*>(dialogs_)) dialog->SetDialogManager(nullptr);
    for (TBaseDuringCopyForm* form : duringCopyForms_) RemoveFreeNotification(form);
}

const TClassInfo& TDialogManager::StaticClassInfo() {
    static const TClassInfo info(
        "TDialogManager", &TInstallObject::StaticClassInfo(), FactoryOf<TDialogManager>(),
        {
            ContainerProperty(),
            IntegerProperty<TDialogManager>("Height", &TDialogManager::Height, &TDialogManager::SetHeight, 395),
            EnumProperty<TDialogManager, TManagerType>("ManagerType", ManagerTypeNames(), &TDialogManager::ManagerType,
                                                       &TDialogManager::SetManagerType, dmBeforeInstall),
            EnumProperty<TDialogManager, TQuilloryDialogPosition>("Position", QuilloryDialogPositionNames(),
                                                                  &TDialogManager::Position,
                                                                  &TDialogManager::SetPosition, qdpCenter),
            IntegerProperty<TDialogManager>("RelativeLeftOffset", &TDialogManager::RelativeLeftOffset,
                                            &TDialogManager::SetRelativeLeftOffset, 0),
            IntegerProperty<TDialogManager>("RelativeTopOffset", &TDialogManager::RelativeTopOffset,
                                            &TDialogManager::SetRelativeTopOffset, 0),
            IntegerProperty<TDialogManager>("Width", &TDialogManager::Width, &TDialogManager::SetWidth, 478),
        });
    return info;
}

void TDialogManager::AddDialog(TCustomBaseInstallDlg* dialog) {
    if (!dialog) throw Exception(TranslateString("Cannot add a NIL Dialog to the Dialog Manager %s"), {Name()});
    dialogs_.push_back(dialog);
}

void TDialogManager::RemoveDialog(TCustomBaseInstallDlg* dialog) {
    dialogs_.erase(std::remove(dialogs_.begin(), dialogs_.end(), dialog), dialogs_.end());
}

void TDialogManager::RemoveReference(TInstallContainer* object) {
    // Compared by address: a departing dialog is no longer whole enough to ask its class.
    auto found = std::find_if(dialogs_.begin(), dialogs_.end(),
                              [object](TCustomBaseInstallDlg* dialog) { return static_cast<TInstallContainer*>(dialog) == object; });
    if (found != dialogs_.end()) {
        dialogs_.erase(found);
        return;
    }
    TInstallObject::RemoveReference(object);
}

void TDialogManager::Notification(TComponent* component, TOperation operation) {
    TInstallObject::Notification(component, operation);
    if (operation != opRemove) return;
    duringCopyForms_.erase(std::remove(duringCopyForms_.begin(), duringCopyForms_.end(), component),
                           duringCopyForms_.end());
}

void TDialogManager::InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) {
    TInstallObject::InformationEvent(sender, eventCode, po);
    switch (eventCode) {
    case DialogEvent::BeforeInstall:
        if (managerType_ == dmBeforeInstall) RunWizard();
        break;
    case DialogEvent::AfterGoodInstall:
        if (managerType_ == dmAfterGoodInstall) RunWizard();
        break;
    case DialogEvent::AfterBadInstall:
        if (managerType_ == dmAfterBadInstall) RunWizard();
        break;
    case DialogEvent::Reboot:
        if (managerType_ == dmReboot) RunWizard();
        break;
    case ieFileStatus:
        if (managerType_ == dmDuringCopyFiles) {
            if (!po) throw IException("%s got a nil PO parameter", {Name()});
            auto* status = dynamic_cast<TFileStatusParameter*>(po);
            if (!status) throw IException("The PO object passed to %s is not a TFileStatusParameter object", {Name()});
            UpdateCopyForms(status, nullptr);
        }
        break;
    case ieDownloadStatus:
        if (managerType_ == dmDuringCopyFiles) {
            if (!po) throw IException("%s got a nil PO parameter", {Name()});
            auto* status = dynamic_cast<TDownloadStatusParameter*>(po);
            if (!status)
                throw IException("The PO object passed to %s is not a TDownloadStatusParameter object", {Name()});
            UpdateCopyForms(nullptr, status);
        }
        break;
    case ieProcessingDone:
        if (managerType_ == dmDuringCopyFiles) CloseCopyForms();
        break;
    case ieNewDisk:
        if (managerType_ == dmChangeDisk) ShowChangeDisk(po);
        break;
    default:
        break;
    }
}

void TDialogManager::RunWizard() {
    TCurrentManagerScope scope(this);
    auto* container = new TBaseFormContainer(Application());
    TFreeOnExit freeContainer(container);
    container->SetPosition(poDesigned);
    container->SetHeight(height_);
    container->SetWidth(width_);
    container->SetPosition(position_, relativeLeftOffset_, relativeTopOffset_);
    if (container->CollectPages() == 0) return;
    if (container->ShowModal() == mrCancel) throw EAIUserAbort();
    if (TCustomForm* main = MainForm()) main->Repaint();
    if (TApplication* application = Application()) application->ProcessMessages();
}

void TDialogManager::ShowChangeDisk(TObject* po) {
    if (BCDFList().empty()) return;
    TCustomForm* form = CreateRegisteredForm(*BCDFList().front()->FormClass, Application());
    TFreeOnExit freeForm(form);
    TCurrentManagerScope scope(this);
    auto* diskForm = dynamic_cast<TBaseChangeDiskForm*>(form);
    if (!diskForm || diskForm->DM() != this) return;
    if (!po)
        throw Exception(TranslateString("The ParameterObject is Nil in the TDialogManager. Cannot show the change disk form"));
    auto* list = dynamic_cast<TList*>(po);
    if (!list) throw Exception(TranslateString("TChangeDiskDlg--PO is not a TList object"));
    if (list->Count() < 2) throw Exception(TranslateString("TChangeDiskDlg--Not engouh parameters for status event"));
    auto* file = dynamic_cast<TCustomInstallFile*>(static_cast<TObject*>(list->Items(0)));
    if (!file) throw Exception("TChangeDiskDlg says bad first parameter");
    auto* disk = dynamic_cast<TDiskParameter*>(static_cast<TObject*>(list->Items(1)));
    if (!disk) throw Exception("TChangeDiskDlg says bad second parameter");
    file->SetTag(1);
    diskForm->SetDiskParameter(disk);
    diskForm->PrepareForm();
    diskForm->TranslateForm();
    if (diskForm->ShowModal() == mrCancel) throw EAIUserAbort();
}

void TDialogManager::CreateCopyForms() {
    for (TDCFEntry* entry : std::vector<TDCFEntry*>(DCFList())) {
        TCustomForm* form = CreateRegisteredForm(*entry->FormClass, Application());
        auto* copyForm = dynamic_cast<TBaseDuringCopyForm*>(form);
        if (!copyForm || copyForm->DM() != this) {
            form->Free();
            continue;
        }
        if (TCustomBaseInstallDlg* dialog = entry->Dialog) {
            dialog->SetForm(copyForm);
            POINT corner = DialogPlacement(dialog->Position(), Screen()->Width(), Screen()->Height(), dialog->Width(),
                                           dialog->Height(), dialog->RelativeLeftOffset(), dialog->RelativeTopOffset(),
                                           GetSystemMetrics(SM_CYCAPTION), false);
            copyForm->SetBounds(corner.x, corner.y, dialog->Width(), dialog->Height());
        }
        copyForm->PrepareForm();
        copyForm->TranslateForm();
        copyForm->Show();
        FreeNotification(copyForm);
        duringCopyForms_.push_back(copyForm);
    }
}

void TDialogManager::UpdateCopyForms(TFileStatusParameter* fileStatus, TDownloadStatusParameter* downloadStatus) {
    if (duringCopyForms_.empty()) CreateCopyForms();
    for (TBaseDuringCopyForm* form : std::vector<TBaseDuringCopyForm*>(duringCopyForms_))
        form->UpdateStatus(fileStatus, downloadStatus);
}

void TDialogManager::CloseCopyForms() {
    std::vector<TBaseDuringCopyForm*> forms;
    forms.swap(duringCopyForms_);
    for (TBaseDuringCopyForm* form : forms) {
        RemoveFreeNotification(form);
        form->Close();
    }
}

// --- TBaseInstallForm ------------------------------------------------------------------

TBaseInstallForm::TBaseInstallForm(TComponent* owner) : TBaseQuilloryForm(owner) {
    PublishMethod("BackBtnClick", TNotifyEvent([this](TObject*) { PreviousPage(); }));
    PublishMethod("ProceedBtnClick", TNotifyEvent([this](TObject*) { NextPage(); }));
    PublishMethod("CancelBtnClick", TNotifyEvent([this](TObject*) { CancelInstall(); }));
    if (auto* ownerForm = dynamic_cast<TCustomForm*>(owner)) SetParentWindow(ownerForm->Handle());
}

const TClassInfo& TBaseInstallForm::StaticClassInfo() {
    static const TClassInfo info(
        "TBaseInstallForm", &TBaseQuilloryForm::StaticClassInfo(), nullptr,
        {
            ComponentProperty<TBaseInstallForm, TCustomBaseInstallDlg>("DC", &TBaseInstallForm::DC,
                                                                       &TBaseInstallForm::SetDC),
            ComponentProperty<TBaseInstallForm, TDialogManager>("DM", &TBaseInstallForm::DM, &TBaseInstallForm::SetDM),
            IntegerProperty<TBaseInstallForm>("Order", &TBaseInstallForm::Order, &TBaseInstallForm::SetOrder, 0),
        });
    return info;
}

void TBaseInstallForm::LoadPage(const std::string& resourceName) {
    InitFromDescription(resourceName);
    backBtn_ = FindComponentAs<TTranslateBitBtn>(this, "BackBtn");
    proceedBtn_ = FindComponentAs<TTranslateBitBtn>(this, "ProceedBtn");
    cancelBtn_ = FindComponentAs<TTranslateBitBtn>(this, "CancelBtn");
    finishBtn_ = FindComponentAs<TTranslateBitBtn>(this, "FinishBtn");
    themeImage_ = FindComponentAs<TImage>(this, "ThemeBitmap");
    if (themeImage_ && themeImage_->Picture()->Empty())
        if (TCustomInstall* engine = CurrentInstall()) themeImage_->Picture()->Assign(engine->DialogThemeBitmap());
    if (auto* ownerForm = dynamic_cast<TCustomForm*>(Owner())) {
        SetVisible(false);
        SetPosition(poDefault);
        SetBorderIcons(0);
        SetBorderStyle(bsNone);
        HandleNeeded();
        SetBounds(0, 0, ownerForm->ClientWidth(), ownerForm->Height());
    }
}

void TBaseInstallForm::SetDC(TCustomBaseInstallDlg* value) {
    if (value == dc_) return;
    if (dc_) RemoveFreeNotification(dc_);
    dc_ = value;
    if (dc_) FreeNotification(dc_);
}

void TBaseInstallForm::SetDM(TDialogManager* value) {
    if (value == dm_) return;
    if (dm_) RemoveFreeNotification(dm_);
    dm_ = value;
    if (dm_) FreeNotification(dm_);
}

void TBaseInstallForm::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove) {
        if (component == dc_) dc_ = nullptr;
        if (component == dm_) dm_ = nullptr;
        if (component == backBtn_) backBtn_ = nullptr;
        if (component == proceedBtn_) proceedBtn_ = nullptr;
        if (component == cancelBtn_) cancelBtn_ = nullptr;
        if (component == finishBtn_) finishBtn_ = nullptr;
        if (component == themeImage_) themeImage_ = nullptr;
    }
    TBaseQuilloryForm::Notification(component, operation);
}

TBaseFormContainer* TBaseInstallForm::WizardContainer() const { return dynamic_cast<TBaseFormContainer*>(Owner()); }

bool TBaseInstallForm::IsFirstPage() {
    TBaseFormContainer* container = WizardContainer();
    return container && container->IsFirstPage();
}

bool TBaseInstallForm::IsLastPage() {
    TBaseFormContainer* container = WizardContainer();
    return container && container->IsLastPage();
}

void TBaseInstallForm::CancelWithoutAsking() {
    if (TBaseFormContainer* container = WizardContainer()) container->SetModalResult(mrCancel);
    else SetModalResult(mrCancel);
}

void TBaseInstallForm::NextPage() {
    if (TBaseFormContainer* container = WizardContainer()) container->NextPage();
}

void TBaseInstallForm::PreviousPage() {
    if (TBaseFormContainer* container = WizardContainer()) container->PreviousPage();
}

void TBaseInstallForm::ActivatePage() {
    if (!dynamic_cast<TCustomForm*>(Owner())) return;
    PrepareForm();
    BringToFront();
}

void TBaseInstallForm::CancelInstall() {
    if (QueryUserAbort()) CancelWithoutAsking();
}

void TBaseInstallForm::PrepareButtons() {
    if (backBtn_) backBtn_->SetVisible(!IsFirstPage());
    if (proceedBtn_ && proceedBtn_->Visible() && Visible() && proceedBtn_->CanFocus()) proceedBtn_->SetFocus();
}

void TBaseInstallForm::PrepareFinishButtons(bool focusFinish) {
    if (backBtn_) backBtn_->SetVisible(!IsFirstPage());
    if (proceedBtn_) proceedBtn_->SetVisible(!IsLastPage());
    const bool proceedShown = proceedBtn_ && proceedBtn_->Visible();
    if (finishBtn_) finishBtn_->SetVisible(!proceedShown);
    TWinControl* focus = nullptr;
    if (proceedShown) focus = proceedBtn_;
    else if (focusFinish && finishBtn_ && finishBtn_->Visible()) focus = finishBtn_;
    if (focus && Visible() && focus->CanFocus()) focus->SetFocus();
}

// --- Copy-phase and change-disk bases --------------------------------------------------

const TClassInfo& TBaseDuringCopyForm::StaticClassInfo() {
    static const TClassInfo info("TBaseDuringCopyForm", &TBaseQuilloryForm::StaticClassInfo(), nullptr,
                                 {ComponentProperty<TBaseDuringCopyForm, TDialogManager>(
                                     "DM", &TBaseDuringCopyForm::DM, &TBaseDuringCopyForm::SetDM)});
    return info;
}

void TBaseDuringCopyForm::SetDM(TDialogManager* value) {
    if (value == dm_) return;
    if (dm_) RemoveFreeNotification(dm_);
    dm_ = value;
    if (dm_) FreeNotification(dm_);
}

void TBaseDuringCopyForm::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component == dm_) dm_ = nullptr;
    TBaseQuilloryForm::Notification(component, operation);
}

void TBaseDuringCopyForm::CancelCopy() {
    if (!QueryUserAbort()) return;
    SharedCompressor().SetAbort(true);
    if (TCustomInstall* engine = CurrentInstall()) engine->SetAborted(true);
    SetModalResult(mrCancel);
}

const TClassInfo& TBaseChangeDiskForm::StaticClassInfo() {
    static const TClassInfo info("TBaseChangeDiskForm", &TBaseQuilloryForm::StaticClassInfo(), nullptr,
                                 {ComponentProperty<TBaseChangeDiskForm, TDialogManager>(
                                     "DM", &TBaseChangeDiskForm::DM, &TBaseChangeDiskForm::SetDM)});
    return info;
}

void TBaseChangeDiskForm::SetDM(TDialogManager* value) {
    if (value == dm_) return;
    if (dm_) RemoveFreeNotification(dm_);
    dm_ = value;
    if (dm_) FreeNotification(dm_);
}

void TBaseChangeDiskForm::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component == dm_) dm_ = nullptr;
    TBaseQuilloryForm::Notification(component, operation);
}

void TBaseChangeDiskForm::CancelDisk() {
    if (QueryUserAbort()) SetModalResult(mrCancel);
}

} // namespace qlry
