#pragma once
// The program-folder page as an install-project component; its Container is the link
// group whose folder the user chooses, the project's main link group unless set.
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "links/cmp_TInstallShellLink.h"

namespace qlry {

bool IsShellLinkGroup(const TInstallContainer* object);

class TSelectFolderDlg : public TBaseInstallDlg {
public:
    explicit TSelectFolderDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
    int OwnEvent() const override { return DialogEvent::LinkGroupStart; }
    void AssignDialogProperties() override;
    bool ShowDialog() override;

    // The Container as a link group; raises when it is something else.
    TInstallContainer* LinkGroup() const;
};

} // namespace qlry
