#pragma once
// The failure page as an install-project component.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TBadInstallationDlg : public TBaseInstallDlg {
public:
    explicit TBadInstallationDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
    int OwnEvent() const override { return DialogEvent::NotifyBadInstall; }
    void AssignDialogProperties() override;
};

} // namespace qlry
