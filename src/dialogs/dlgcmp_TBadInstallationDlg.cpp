#include "dialogs/dlgcmp_TBadInstallationDlg.h"

#include "dialogs/ordlg_BadInstallForm.h"

namespace qlry {

namespace {
const TClassRegistration registration(TBadInstallationDlg::StaticClassInfo());
}

TBadInstallationDlg::TBadInstallationDlg(TComponent* owner) : TBaseInstallDlg(owner) {
    SetOrder(10);
    RegisterPageForm(TBadInstallForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmAfterBadInstall));
}

const TClassInfo& TBadInstallationDlg::StaticClassInfo() {
    static const TClassInfo info("TBadInstallationDlg", &TBaseInstallDlg::StaticClassInfo(), FactoryOf<TBadInstallationDlg>(), PageProperties());
    return info;
}

const TClassInfo& TBadInstallationDlg::FormClass() const { return TBadInstallForm::StaticClassInfo(); }

void TBadInstallationDlg::AssignDialogProperties() {
    TBaseInstallDlg::AssignDialogProperties();
    AssignPageProperties();
}

} // namespace qlry
