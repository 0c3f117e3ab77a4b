#include "dialogs/ordlg_InstallStatus.h"

namespace qlry {

TInstallStatusForm::TInstallStatusForm(TComponent* owner) : TForm(owner) {
    InitFromDescription("TINSTALLSTATUSFORM");
    back_ = FindComponentAs<TPanel>(this, "pnlBack");
    message_ = FindComponentAs<TPanel>(this, "pnlMessage");
    label_ = FindComponentAs<TLabel>(this, "lblMessage");
}

const TClassInfo& TInstallStatusForm::StaticClassInfo() {
    static const TClassInfo info("TInstallStatusForm", &TForm::StaticClassInfo(), FactoryOf<TInstallStatusForm>(), {});
    return info;
}

} // namespace qlry
