#include "dialogs/dlgcmp_TGoodInstallationDlg.h"

#include "dialogs/ordlg_GoodInstallForm.h"

namespace qlry {

namespace {
const TClassRegistration registration(TGoodInstallationDlg::StaticClassInfo());
}

TGoodInstallationDlg::TGoodInstallationDlg(TComponent* owner) : TBaseInstallDlg(owner) {
    SetOrder(10);
    RegisterPageForm(TGoodInstallForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmAfterGoodInstall));
}

const TClassInfo& TGoodInstallationDlg::StaticClassInfo() {
    static const TClassInfo info("TGoodInstallationDlg", &TBaseInstallDlg::StaticClassInfo(), FactoryOf<TGoodInstallationDlg>(), PageProperties());
    return info;
}

const TClassInfo& TGoodInstallationDlg::FormClass() const { return TGoodInstallForm::StaticClassInfo(); }

void TGoodInstallationDlg::AssignDialogProperties() {
    TBaseInstallDlg::AssignDialogProperties();
    AssignPageProperties();
}

} // namespace qlry
