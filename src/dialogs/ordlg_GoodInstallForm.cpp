#include "dialogs/ordlg_GoodInstallForm.h"

namespace qlry {

TGoodInstallForm::TGoodInstallForm(TComponent* owner) : TBaseInstallForm(owner) {
    SetDM(FindDialogManager(dmAfterGoodInstall));
    SetOrder(10);
    LoadPage("TGOODINSTALLFORM");
}

const TClassInfo& TGoodInstallForm::StaticClassInfo() {
    static const TClassInfo info("TGoodInstallForm", &TBaseInstallForm::StaticClassInfo(), FactoryOf<TGoodInstallForm>(), {});
    return info;
}

void TGoodInstallForm::PrepareForm() { PrepareFinishButtons(true); }

} // namespace qlry
