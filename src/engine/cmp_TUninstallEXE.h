#pragma once
// The project file item that installs the uninstall program and writes the Windows
// uninstall entry that starts it.
#include "model/cmp_TInstallContainer.h"

namespace qlry {

class TUninstallEXE : public TCustomInstallFile {
public:
    explicit TUninstallEXE(TComponent* owner);
    ~TUninstallEXE() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    void WriteUninstallInfo(const std::string& key) override;
};

} // namespace qlry
