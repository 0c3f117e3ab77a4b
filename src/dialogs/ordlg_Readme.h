#pragma once
// The form of the readme page: a read-only text the user reads before going on.
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/ComCtrls.h"

namespace qlry {

class TReadmeForm : public TBaseInstallForm {
public:
    explicit TReadmeForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void PrepareForm() override { PrepareButtons(); }

    TRichEdit* Information() const { return text_; }

private:
    TRichEdit* text_ = nullptr;
};

} // namespace qlry
