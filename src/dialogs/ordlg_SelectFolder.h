#pragma once
// The form of the program-folder page: the Start-menu folder that receives the links.
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/StdCtrls.h"

namespace qlry {

class TSelectFolderForm : public TBaseInstallForm {
public:
    explicit TSelectFolderForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void PrepareForm() override;
    // Without a link group there is nothing to choose.
    bool IsSkipped() override { return target_ == nullptr; }

    // The link group whose folder is chosen (the main link group unless the dialog names
    // another).
    TInstallContainer* Target() const { return target_; }
    void SetTarget(TInstallContainer* value);

    // The existing folders: Programs sub-directories, or Program Manager's groups on the
    // systems that keep them there.
    void FillList();
    void FolderListBoxClick();
    void FolderEditChange();
    void FormResize();

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TInstallContainer* target_ = nullptr;
    TEdit* folderEdit_ = nullptr;
    TListBox* folderList_ = nullptr;
};

} // namespace qlry
