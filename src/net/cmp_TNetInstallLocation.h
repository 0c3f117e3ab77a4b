#pragma once
// A network install location: where the archives of a net distribution are fetched.
#include <string>

#include "platform/Component.h"
#include "platform/Properties.h"

namespace qlry {

class TCustomNetInstallLocation : public TComponent {
public:
    explicit TCustomNetInstallLocation(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

} // namespace qlry
