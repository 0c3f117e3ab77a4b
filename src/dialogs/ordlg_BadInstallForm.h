#pragma once
// The form of the failure page.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TBadInstallForm : public TBaseInstallForm {
public:
    explicit TBadInstallForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void PrepareForm() override;
};

} // namespace qlry
