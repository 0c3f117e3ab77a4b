#pragma once
// The form of the destination page: the directory the product is installed into.
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/StdCtrls.h"

namespace qlry {

class TSelectDestinationForm : public TBaseInstallForm {
public:
    explicit TSelectDestinationForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void PrepareForm() override;

    // The object whose destination is chosen (the install component unless the dialog
    // names another).
    TInstallContainer* Target() const { return target_; }
    void SetTarget(TInstallContainer* value);

    void BrowseBtnClick();
    void EdDestDirChange();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TInstallContainer* target_ = nullptr;
    bool updating_ = false;
    TEdit* destDirEdit_ = nullptr;
    TGroupBox* directoryBox_ = nullptr;
};

} // namespace qlry
