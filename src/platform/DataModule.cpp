#include "platform/DataModule.h"

namespace qlry {

const TClassInfo& TDataModule::StaticClassInfo() {
    static const TClassInfo info("TDataModule", &TComponent::StaticClassInfo(), FactoryOf<TDataModule>(), {});
    return info;
}

namespace {
const TClassRegistration registration(TDataModule::StaticClassInfo());
}

} // namespace qlry
