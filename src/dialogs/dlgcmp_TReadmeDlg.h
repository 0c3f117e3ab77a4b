#pragma once
// The readme page as an install-project component, holding the text it shows.
#include <memory>

#include "dialogs/dlgcmp_TBaseDlg.h"
#include "platform/Strings.h"

namespace qlry {

class TReadmeDlg : public TBaseInstallDlg {
public:
    explicit TReadmeDlg(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const TClassInfo& FormClass() const override;
    int OwnEvent() const override { return DialogEvent::Readme; }
    void AssignDialogProperties() override;

    TStrings* ReadmeText() const { return lines_.get(); }
    void SetReadmeText(const TStrings* value) { lines_->Assign(value); }

private:
    std::unique_ptr<TStringList> lines_;
};

} // namespace qlry
