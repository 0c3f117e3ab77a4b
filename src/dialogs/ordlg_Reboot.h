#pragma once
// The form of the reboot page: whether Windows is restarted now.
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/ExtCtrls.h"

namespace qlry {

class TRebootForm : public TBaseInstallForm {
public:
    explicit TRebootForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void PrepareForm() override;

    TRadioGroup* RG() const { return radioGroup_; }
    void RGClick();

private:
    TRadioGroup* radioGroup_ = nullptr;
    bool updating_ = false;
};

} // namespace qlry
