#pragma once
// The status window as an install-project component: a stack of status lines, the last
// one shown.
#include <string>

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/Strings.h"

namespace qlry {

class TInstallStatusDlg : public TCustomBaseInstallDlg {
public:
    explicit TInstallStatusDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
    void InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) override;
    // Each line is translated from English again.
    void Translate() override;

    const std::string& Message() const { return message_; }
    const TStringList& Lines() const { return lines_; }

private:
    void ShowMessageLine();

    std::string message_;
    TStringList lines_;
};

} // namespace qlry
