#pragma once
// The change-disk window: where the next disk of the archive is to be found.
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/StdCtrls.h"

namespace qlry {

class TChangeDiskForm : public TBaseChangeDiskForm {
public:
    explicit TChangeDiskForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    void FormShow();
    void BrowseBtnClick();
    void PathEditChange();

    TEdit* PathEdit() const { return pathEdit_; }
    TTranslateLabel* PromptDiskLabel() const { return promptLabel_; }

private:
    TEdit* pathEdit_ = nullptr;
    TTranslateLabel* promptLabel_ = nullptr;
    TTranslateBitBtn* installBtn_ = nullptr;
    bool updating_ = false;
};

} // namespace qlry
