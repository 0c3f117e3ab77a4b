#include "dialogs/dlgcmp_TWelcomeDlg.h"

#include "dialogs/ordlg_WelcomeDlg.h"

namespace qlry {

namespace {
const TClassRegistration registration(TWelcomeDlg::StaticClassInfo());
}

TWelcomeDlg::TWelcomeDlg(TComponent* owner) : TBaseInstallDlg(owner) {
    SetOrder(10);
    RegisterPageForm(TWelcomeForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmBeforeInstall));
}

const TClassInfo& TWelcomeDlg::StaticClassInfo() {
    static const TClassInfo info("TWelcomeDlg", &TBaseInstallDlg::StaticClassInfo(), FactoryOf<TWelcomeDlg>(), PageProperties());
    return info;
}

const TClassInfo& TWelcomeDlg::FormClass() const { return TWelcomeForm::StaticClassInfo(); }

void TWelcomeDlg::AssignDialogProperties() {
    TBaseInstallDlg::AssignDialogProperties();
    AssignPageProperties();
}

} // namespace qlry
