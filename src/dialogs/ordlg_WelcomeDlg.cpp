#include "dialogs/ordlg_WelcomeDlg.h"

namespace qlry {

TWelcomeForm::TWelcomeForm(TComponent* owner) : TBaseInstallForm(owner) {
    SetDM(FindDialogManager(dmBeforeInstall));
    SetOrder(5);
    LoadPage("TWELCOMEFORM");
}

const TClassInfo& TWelcomeForm::StaticClassInfo() {
    static const TClassInfo info("TWelcomeForm", &TBaseInstallForm::StaticClassInfo(), FactoryOf<TWelcomeForm>(), {});
    return info;
}

void TWelcomeForm::PrepareForm() { PrepareButtons(); }

} // namespace qlry
