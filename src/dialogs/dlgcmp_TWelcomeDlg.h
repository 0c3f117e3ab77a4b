#pragma once
// The welcome page as an install-project component.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TWelcomeDlg : public TBaseInstallDlg {
public:
    explicit TWelcomeDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
    int OwnEvent() const override { return DialogEvent::Welcome; }
    void AssignDialogProperties() override;
};

} // namespace qlry
