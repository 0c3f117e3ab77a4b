#pragma once
// The form of the welcome page.
#include "dialogs/dlgcmp_TBaseDlg.h"

namespace qlry {

class TWelcomeForm : public TBaseInstallForm {
public:
    explicit TWelcomeForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void PrepareForm() override;
};

} // namespace qlry
