#include "dialogs/ordlg_BadInstallForm.h"

namespace qlry {

TBadInstallForm::TBadInstallForm(TComponent* owner) : TBaseInstallForm(owner) {
    SetDM(FindDialogManager(dmAfterBadInstall));
    SetOrder(10);
    LoadPage("TBADINSTALLFORM");
}

const TClassInfo& TBadInstallForm::StaticClassInfo() {
    static const TClassInfo info("TBadInstallForm", &TBaseInstallForm::StaticClassInfo(), FactoryOf<TBadInstallForm>(), {});
    return info;
}

void TBadInstallForm::PrepareForm() { PrepareFinishButtons(true); }

} // namespace qlry
