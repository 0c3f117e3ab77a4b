#pragma once
// A non-visual container of components, the other kind of root besides a form.
#include "platform/Component.h"
#include "platform/Properties.h"

namespace qlry {

class TDataModule : public TComponent {
public:
    using TComponent::TComponent;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

} // namespace qlry
