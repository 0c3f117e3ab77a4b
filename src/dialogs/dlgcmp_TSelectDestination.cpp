#include "dialogs/dlgcmp_TSelectDestination.h"

#include "dialogs/ordlg_SelectDestination.h"

namespace qlry {

namespace {
const TClassRegistration registration(TSelectDestinationDlg::StaticClassInfo());
}

TSelectDestinationDlg::TSelectDestinationDlg(TComponent* owner) : TBaseInstallDlg(owner) {
    SetOrder(45);
    RegisterPageForm(TSelectDestinationForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmBeforeInstall));
}

const TClassInfo& TSelectDestinationDlg::StaticClassInfo() {
    static const TClassInfo info("TSelectDestinationDlg", &TBaseInstallDlg::StaticClassInfo(),
                                 FactoryOf<TSelectDestinationDlg>(), PageProperties());
    return info;
}

const TClassInfo& TSelectDestinationDlg::FormClass() const { return TSelectDestinationForm::StaticClassInfo(); }

void TSelectDestinationDlg::AssignDialogProperties() {
    TBaseInstallDlg::AssignDialogProperties();
    AssignPageProperties();
    if (auto* form = dynamic_cast<TSelectDestinationForm*>(Form())) {
        form->SetTarget(Container());
        form->PrepareForm();
        if (form->BackBtn()) form->BackBtn()->SetVisible(false);
    }
}

bool TSelectDestinationDlg::ShowDialog() {
    if (!Container())
        throw Exception(TranslateString("Cannot run this dialog %s with a blank Container property"), {Name()});
    return TBaseInstallDlg::ShowDialog();
}

} // namespace qlry
