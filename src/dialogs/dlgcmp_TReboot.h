#pragma once
// The reboot page as an install-project component.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TRebootDlg : public TBaseInstallDlg {
public:
    explicit TRebootDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
    int OwnEvent() const override { return DialogEvent::Reboot; }
    void AssignDialogProperties() override;
};

} // namespace qlry
