#pragma once
// The copy-progress window as an install-project component: where the window goes.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TCopyFileDlg : public TCustomBaseInstallDlg {
public:
    explicit TCopyFileDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
};

} // namespace qlry
