#pragma once
// The main form: the carrier of the install project, read from its description when the
// form is created. Its two handlers adapt the project at run time: the version shown and
// recorded, the Delphi 5 packages, and the old components on the palettes.
#include "platform/Forms.h"

namespace qlry {

class TInstallContainer;

class TformMain : public TForm {
public:
    explicit TformMain(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // Install1.OnAfterInitialized: the real version, and the Delphi 5 packages only where
    // Delphi 5 is installed.
    void Install1AfterInitialized(TObject* sender);
    // Install1.OnBeforeInstallObjects: offers to take the old socket components off the
    // palettes of the development environments.
    void Install1BeforeInstallObjects(TInstallContainer* container);
};

} // namespace qlry
