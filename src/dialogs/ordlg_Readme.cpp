#include "dialogs/ordlg_Readme.h"

namespace qlry {

TReadmeForm::TReadmeForm(TComponent* owner) : TBaseInstallForm(owner) {
    SetDM(FindDialogManager(dmBeforeInstall));
    SetOrder(30);
    LoadPage("TREADMEFORM");
    text_ = FindComponentAs<TRichEdit>(this, "Information");
}

const TClassInfo& TReadmeForm::StaticClassInfo() {
    static const TClassInfo info("TReadmeForm", &TBaseInstallForm::StaticClassInfo(), FactoryOf<TReadmeForm>(), {});
    return info;
}

} // namespace qlry
