#include "dialogs/dlgcmp_TSelectFolder.h"

#include "dialogs/ordlg_SelectFolder.h"

namespace qlry {

namespace {

const TClassRegistration registration(TSelectFolderDlg::StaticClassInfo());

} // namespace

bool IsShellLinkGroup(const TInstallContainer* object) {
    return dynamic_cast<const TCustomShellLinkGroup*>(object) != nullptr;
}

TSelectFolderDlg::TSelectFolderDlg(TComponent* owner) : TBaseInstallDlg(owner) {
    SetOrder(60);
    RegisterPageForm(TSelectFolderForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmBeforeInstall));
    if (TInstallContainer* group = MainLinkGroup()) SetContainer(group);
}

const TClassInfo& TSelectFolderDlg::StaticClassInfo() {
    static const TClassInfo info("TSelectFolderDlg", &TBaseInstallDlg::StaticClassInfo(), FactoryOf<TSelectFolderDlg>(),
                                 PageProperties());
    return info;
}

const TClassInfo& TSelectFolderDlg::FormClass() const { return TSelectFolderForm::StaticClassInfo(); }

TInstallContainer* TSelectFolderDlg::LinkGroup() const {
    TInstallContainer* container = Container();
    if (container && !IsShellLinkGroup(container))
        throw Exception(TranslateString("The container for %s must be a TCustomShellLinkGroup"), {Name()});
    return container;
}

void TSelectFolderDlg::AssignDialogProperties() {
    TBaseInstallDlg::AssignDialogProperties();
    AssignPageProperties();
    if (auto* form = dynamic_cast<TSelectFolderForm*>(Form())) {
        form->SetTarget(LinkGroup());
        form->PrepareForm();
        if (form->BackBtn()) form->BackBtn()->SetVisible(false);
    }
}

bool TSelectFolderDlg::ShowDialog() {
    if (!LinkGroup())
        throw Exception(TranslateString("Cannot run this dialog %s with a blank Container property"), {Name()});
    return TBaseInstallDlg::ShowDialog();
}

} // namespace qlry
