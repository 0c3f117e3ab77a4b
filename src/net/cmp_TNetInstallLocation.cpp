#include "net/cmp_TNetInstallLocation.h"

namespace qlry {

TCustomNetInstallLocation::TCustomNetInstallLocation(TComponent* owner) : TComponent(owner) {}

const TClassInfo& TCustomNetInstallLocation::StaticClassInfo() {
    static const TClassInfo info("TCustomNetInstallLocation", &TComponent::StaticClassInfo(), nullptr, {});
    return info;
}

} // namespace qlry
