#include "dialogs/ordlg_License.h"

namespace qlry {

TLicenseForm::TLicenseForm(TComponent* owner) : TBaseInstallForm(owner) {
    SetDM(FindDialogManager(dmBeforeInstall));
    SetOrder(20);
    LoadPage("TLICENSEFORM");
    text_ = FindComponentAs<TRichEdit>(this, "Agreement");
}

const TClassInfo& TLicenseForm::StaticClassInfo() {
    static const TClassInfo info("TLicenseForm", &TBaseInstallForm::StaticClassInfo(), FactoryOf<TLicenseForm>(), {});
    return info;
}

} // namespace qlry
