#pragma once
// The status window: one line about what the installation is doing now.
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace qlry {

class TInstallStatusForm : public TForm {
public:
    explicit TInstallStatusForm(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TPanel* BackPanel() const { return back_; }
    TPanel* MessagePanel() const { return message_; }
    TLabel* MessageLabel() const { return label_; }

private:
    TPanel* back_ = nullptr;
    TPanel* message_ = nullptr;
    TLabel* label_ = nullptr;
};

} // namespace qlry
