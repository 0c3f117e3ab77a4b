#include "dialogs/dlgcmp_TReboot.h"

#include "dialogs/ordlg_Reboot.h"

namespace qlry {

namespace {
const TClassRegistration registration(TRebootDlg::StaticClassInfo());
}

TRebootDlg::TRebootDlg(TComponent* owner) : TBaseInstallDlg(owner) {
    SetOrder(10);
    RegisterPageForm(TRebootForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmReboot));
}

const TClassInfo& TRebootDlg::StaticClassInfo() {
    static const TClassInfo info("TRebootDlg", &TBaseInstallDlg::StaticClassInfo(), FactoryOf<TRebootDlg>(),
                                 PageProperties());
    return info;
}

const TClassInfo& TRebootDlg::FormClass() const { return TRebootForm::StaticClassInfo(); }

void TRebootDlg::AssignDialogProperties() {
    TBaseInstallDlg::AssignDialogProperties();
    AssignPageProperties();
    if (auto* form = dynamic_cast<TRebootForm*>(Form())) {
        form->PrepareForm();
        if (form->BackBtn()) form->BackBtn()->SetVisible(false);
    }
}

} // namespace qlry
