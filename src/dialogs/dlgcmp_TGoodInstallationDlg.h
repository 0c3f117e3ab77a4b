#pragma once
// The success page as an install-project component.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TGoodInstallationDlg : public TBaseInstallDlg {
public:
    explicit TGoodInstallationDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
    int OwnEvent() const override { return DialogEvent::NotifyGoodInstall; }
    void AssignDialogProperties() override;
};

} // namespace qlry
