#pragma once
// The form of the success page.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TGoodInstallForm : public TBaseInstallForm {
public:
    explicit TGoodInstallForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void PrepareForm() override;
};

} // namespace qlry
