#include "dialogs/ordlg_Reboot.h"

#include "engine/cmp_TInstall.h"

namespace qlry {

TRebootForm::TRebootForm(TComponent* owner) : TBaseInstallForm(owner) {
    SetDM(FindDialogManager(dmReboot));
    SetOrder(10);
    PublishMethod("RGClick", TNotifyEvent([this](TObject*) { RGClick(); }));
    updating_ = true;
    LoadPage("TREBOOTFORM");
    updating_ = false;
    radioGroup_ = FindComponentAs<TRadioGroup>(this, "RG");
}

const TClassInfo& TRebootForm::StaticClassInfo() {
    static const TClassInfo info("TRebootForm", &TBaseInstallForm::StaticClassInfo(), FactoryOf<TRebootForm>(), {});
    return info;
}

void TRebootForm::PrepareForm() {
    PrepareFinishButtons(false);
    if (!radioGroup_) return;
    updating_ = true;
    radioGroup_->SetItemIndex(1);
    if (TCustomInstall* engine = CurrentInstall(); engine && engine->Reboot()) radioGroup_->SetItemIndex(0);
    updating_ = false;
}

void TRebootForm::RGClick() {
    if (updating_ || !radioGroup_) return;
    if (TCustomInstall* engine = CurrentInstall()) engine->SetReboot(radioGroup_->ItemIndex() == 0);
}

} // namespace qlry
