#pragma once
// The form of the licence page: a read-only text the user reads before going on.
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/ComCtrls.h"

namespace qlry {

class TLicenseForm : public TBaseInstallForm {
public:
    explicit TLicenseForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void PrepareForm() override { PrepareButtons(); }

    TRichEdit* Agreement() const { return text_; }

private:
    TRichEdit* text_ = nullptr;
};

} // namespace qlry
