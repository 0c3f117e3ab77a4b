#pragma once
// The change-disk window as an install-project component.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TChangeDiskDlg : public TCustomBaseInstallDlg {
public:
    explicit TChangeDiskDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
};

} // namespace qlry
