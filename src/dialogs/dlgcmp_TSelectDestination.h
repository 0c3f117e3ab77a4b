#pragma once
// The destination page as an install-project component; its Container is the object
// whose destination the user chooses.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TSelectDestinationDlg : public TBaseInstallDlg {
public:
    explicit TSelectDestinationDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
    int OwnEvent() const override { return DialogEvent::SelectDestination; }
    void AssignDialogProperties() override;
    bool ShowDialog() override;
};

} // namespace qlry
