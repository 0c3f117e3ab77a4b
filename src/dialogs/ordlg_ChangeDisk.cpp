#include "dialogs/ordlg_ChangeDisk.h"

#include "dialogs/routines_FileSystem.h"

namespace qlry {

TChangeDiskForm::TChangeDiskForm(TComponent* owner) : TBaseChangeDiskForm(owner) {
    SetDM(FindDialogManager(dmChangeDisk));
    PublishMethod("FormShow", TNotifyEvent([this](TObject*) { FormShow(); }));
    PublishMethod("BrowseBtnClick", TNotifyEvent([this](TObject*) { BrowseBtnClick(); }));
    PublishMethod("PathEditChange", TNotifyEvent([this](TObject*) { PathEditChange(); }));
    PublishMethod("CancelBtnClick", TNotifyEvent([this](TObject*) { CancelDisk(); }));
    updating_ = true;
    InitFromDescription("TCHANGEDISKFORM");
    updating_ = false;
    pathEdit_ = FindComponentAs<TEdit>(this, "PathEdit");
    promptLabel_ = FindComponentAs<TTranslateLabel>(this, "PromptDiskLabel");
    installBtn_ = FindComponentAs<TTranslateBitBtn>(this, "InstallBtn");
}

const TClassInfo& TChangeDiskForm::StaticClassInfo() {
    static const TClassInfo info("TChangeDiskForm", &TBaseChangeDiskForm::StaticClassInfo(),
                                 FactoryOf<TChangeDiskForm>(), {});
    return info;
}

void TChangeDiskForm::FormShow() {
    updating_ = true;
    if (TDiskParameter* disk = DiskParameter()) {
        promptLabel_->SetCaption(Format(TranslateString("Please insert disk number %d"), {disk->DiskNumber}));
        pathEdit_->SetTextValue(disk->Path);
    }
    if (installBtn_ && installBtn_->CanFocus()) installBtn_->SetFocus();
    updating_ = false;
}

void TChangeDiskForm::BrowseBtnClick() {
    TOpenFolderDialog browser(nullptr);
    browser.SetShowCreateButton(false);
    browser.SetShowPathEdit(false);
    TDiskParameter* disk = DiskParameter();
    if (disk) browser.SetDirectory(disk->Path);
    if (browser.Execute() && disk) disk->Path = browser.Directory();
    updating_ = true;
    if (disk) pathEdit_->SetTextValue(disk->Path);
    updating_ = false;
}

void TChangeDiskForm::PathEditChange() {
    if (updating_ || !DiskParameter() || !pathEdit_) return;
    DiskParameter()->Path = pathEdit_->Text();
}

} // namespace qlry
