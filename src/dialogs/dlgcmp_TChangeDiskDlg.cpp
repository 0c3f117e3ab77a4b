#include "dialogs/dlgcmp_TChangeDiskDlg.h"

#include "dialogs/ordlg_ChangeDisk.h"

namespace qlry {

namespace {
const TClassRegistration registration(TChangeDiskDlg::StaticClassInfo());
}

TChangeDiskDlg::TChangeDiskDlg(TComponent* owner) : TCustomBaseInstallDlg(owner) {
    RegisterChangeDiskForm(TChangeDiskForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmChangeDisk));
}

const TClassInfo& TChangeDiskDlg::StaticClassInfo() {
    static const TClassInfo info("TChangeDiskDlg", &TCustomBaseInstallDlg::StaticClassInfo(),
                                 FactoryOf<TChangeDiskDlg>(),
                                 {
                                     AutoSetFontProperty(),
                                     AutoTranslateProperty(),
                                     ContainerProperty(),
                                     DialogManagerProperty(),
                                     OverrideMainTranslatorProperty(),
                                     ThemeBitmapProperty(),
                                     TranslateIntoLanguageProperty(),
                                 });
    return info;
}

const TClassInfo& TChangeDiskDlg::FormClass() const { return TChangeDiskForm::StaticClassInfo(); }

} // namespace qlry
