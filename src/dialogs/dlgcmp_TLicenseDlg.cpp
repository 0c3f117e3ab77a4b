#include "dialogs/dlgcmp_TLicenseDlg.h"

#include "dialogs/ordlg_License.h"

namespace qlry {

namespace {
const TClassRegistration registration(TLicenseDlg::StaticClassInfo());
}

TLicenseDlg::TLicenseDlg(TComponent* owner) : TBaseInstallDlg(owner), lines_(std::make_unique<TStringList>()) {
    SetOrder(20);
    RegisterPageForm(TLicenseForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmBeforeInstall));
}

const TClassInfo& TLicenseDlg::StaticClassInfo() {
    static const TClassInfo info("TLicenseDlg", &TBaseInstallDlg::StaticClassInfo(), FactoryOf<TLicenseDlg>(),
                                 PageProperties({StringsProperty<TLicenseDlg>("LicenseAgreement", &TLicenseDlg::LicenseAgreement)}));
    return info;
}

const TClassInfo& TLicenseDlg::FormClass() const { return TLicenseForm::StaticClassInfo(); }

void TLicenseDlg::AssignDialogProperties() {
    TBaseInstallDlg::AssignDialogProperties();
    AssignPageProperties();
    if (auto* form = dynamic_cast<TLicenseForm*>(Form()))
        if (form->Agreement()) form->Agreement()->Lines()->Assign(lines_.get());
}

} // namespace qlry
