#include "dialogs/dlgcmp_TReadmeDlg.h"

#include "dialogs/ordlg_Readme.h"

namespace qlry {

namespace {
const TClassRegistration registration(TReadmeDlg::StaticClassInfo());
}

TReadmeDlg::TReadmeDlg(TComponent* owner) : TBaseInstallDlg(owner), lines_(std::make_unique<TStringList>()) {
    SetOrder(30);
    RegisterPageForm(TReadmeForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmBeforeInstall));
}

const TClassInfo& TReadmeDlg::StaticClassInfo() {
    static const TClassInfo info("TReadmeDlg", &TBaseInstallDlg::StaticClassInfo(), FactoryOf<TReadmeDlg>(),
                                 PageProperties({StringsProperty<TReadmeDlg>("ReadmeText", &TReadmeDlg::ReadmeText)}));
    return info;
}

const TClassInfo& TReadmeDlg::FormClass() const { return TReadmeForm::StaticClassInfo(); }

void TReadmeDlg::AssignDialogProperties() {
    TBaseInstallDlg::AssignDialogProperties();
    AssignPageProperties();
    if (auto* form = dynamic_cast<TReadmeForm*>(Form()))
        if (form->Information()) form->Information()->Lines()->Assign(lines_.get());
}

} // namespace qlry
