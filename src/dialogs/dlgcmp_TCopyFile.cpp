#include "dialogs/dlgcmp_TCopyFile.h"

#include "dialogs/ordlg_CopyFile.h"

namespace qlry {

namespace {
const TClassRegistration registration(TCopyFileDlg::StaticClassInfo());
}

TCopyFileDlg::TCopyFileDlg(TComponent* owner) : TCustomBaseInstallDlg(owner) {
    SetHeight(146);
    SetPosition(qdpBottomCenter);
    SetRelativeTopOffset(30);
    SetWidth(474);
    RegisterCopyForm(TCopyFileForm::StaticClassInfo(), this, 0);
    SetDialogManager(FindDialogManager(dmDuringCopyFiles));
}

const TClassInfo& TCopyFileDlg::StaticClassInfo() {
    static const TClassInfo info("TCopyFileDlg", &TCustomBaseInstallDlg::StaticClassInfo(), FactoryOf<TCopyFileDlg>(),
                                 {
                                     AutoSetFontProperty(),
                                     AutoTranslateProperty(),
                                     ContainerProperty(),
                                     DialogManagerProperty(),
                                     HeightProperty(146),
                                     OverrideMainTranslatorProperty(),
                                     PositionProperty(qdpBottomCenter),
                                     RelativeLeftOffsetProperty(),
                                     RelativeTopOffsetProperty(30),
                                     ThemeBitmapProperty(),
                                     TranslateIntoLanguageProperty(),
                                     WidthProperty(474),
                                 });
    return info;
}

const TClassInfo& TCopyFileDlg::FormClass() const { return TCopyFileForm::StaticClassInfo(); }

} // namespace qlry
