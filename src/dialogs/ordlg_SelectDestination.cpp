#include "dialogs/ordlg_SelectDestination.h"

#include "dialogs/routines_FileSystem.h"
#include "engine/cmp_TInstall.h"
#include "platform/SysUtils.h"
#include "routines/routines_Strings.h"

namespace qlry {

namespace {

// Removes again, however browsing ends, a directory made only so that the browser could
// open inside it (its last level only).
class TBrowseStartDirectory {
public:
    explicit TBrowseStartDirectory(const std::string& path) {
        const std::string trimmed = Trim(path);
        if (trimmed.empty() || DirectoryExists(trimmed)) return;
        ForceDirectories(path);
        path_ = path;
    }
    ~TBrowseStartDirectory() {
        if (!path_.empty()) RemoveDir(path_);
    }
    TBrowseStartDirectory(const TBrowseStartDirectory&) = delete;
    TBrowseStartDirectory& operator=(const TBrowseStartDirectory&) = delete;

private:
    std::string path_;
};

} // namespace

TSelectDestinationForm::TSelectDestinationForm(TComponent* owner) : TBaseInstallForm(owner) {
    SetDM(FindDialogManager(dmBeforeInstall));
    SetOrder(45);
    SetTarget(CurrentInstall());
    PublishMethod("BrowseBtnClick", TNotifyEvent([this](TObject*) { BrowseBtnClick(); }));
    PublishMethod("edDestDirChange", TNotifyEvent([this](TObject*) { EdDestDirChange(); }));
    updating_ = true;  // the description fills the edit
    LoadPage("TSELECTDESTINATIONFORM");
    updating_ = false;
    destDirEdit_ = FindComponentAs<TEdit>(this, "edDestDir");
    directoryBox_ = FindComponentAs<TGroupBox>(this, "gbDirectory");
}

const TClassInfo& TSelectDestinationForm::StaticClassInfo() {
    static const TClassInfo info("TSelectDestinationForm", &TBaseInstallForm::StaticClassInfo(),
                                 FactoryOf<TSelectDestinationForm>(), {});
    return info;
}

void TSelectDestinationForm::SetTarget(TInstallContainer* value) {
    if (value == target_) return;
    if (target_) RemoveFreeNotification(target_);
    target_ = value;
    if (target_) FreeNotification(target_);
}

void TSelectDestinationForm::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove) {
        if (component == target_) target_ = nullptr;
        if (component == destDirEdit_) destDirEdit_ = nullptr;
        if (component == directoryBox_) directoryBox_ = nullptr;
    }
    TBaseInstallForm::Notification(component, operation);
}

void TSelectDestinationForm::PrepareForm() {
    updating_ = true;
    if (BackBtn()) BackBtn()->SetVisible(!IsFirstPage());
    const std::string path = target_ ? target_->GetDestPath() : std::string();
    if (directoryBox_) directoryBox_->SetVisible(!path.empty());
    if (destDirEdit_) destDirEdit_->SetTextValue(path);
    updating_ = false;
    if (ProceedBtn() && ProceedBtn()->Visible() && Visible() && ProceedBtn()->CanFocus()) ProceedBtn()->SetFocus();
}

void TSelectDestinationForm::EdDestDirChange() {
    if (updating_ || !target_ || !destDirEdit_) return;
    // The typed text is taken literally as the destination.
    target_->SetDestDirType(nullptr);
    target_->SetDestDir(destDirEdit_->Text());
}

void TSelectDestinationForm::BrowseBtnClick() {
    if (!target_) return;
    TOpenFolderDialog browser(nullptr);
    const std::string path = target_->GetDestPath();
    TBrowseStartDirectory startDirectory(path);
    browser.SetDirectory(Trim(path));
    if (!browser.Execute()) return;
    target_->SetDestDirType(nullptr);
    target_->SetDestDir(RemoveBackslash(browser.Directory()));
    updating_ = true;
    if (destDirEdit_) destDirEdit_->SetTextValue(target_->DestDir());
    updating_ = false;
}

} // namespace qlry
