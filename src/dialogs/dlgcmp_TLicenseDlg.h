#pragma once
// The licence page as an install-project component, holding the text it shows.
#include <memory>

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/Strings.h"

namespace qlry {

class TLicenseDlg : public TBaseInstallDlg {
public:
    explicit TLicenseDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
    int OwnEvent() const override { return DialogEvent::License; }
    void AssignDialogProperties() override;

    TStrings* LicenseAgreement() const { return lines_.get(); }
    void SetLicenseAgreement(const TStrings* value) { lines_->Assign(value); }

private:
    std::unique_ptr<TStringList> lines_;
};

} // namespace qlry
