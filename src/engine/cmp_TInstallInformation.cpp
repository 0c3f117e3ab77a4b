#include "engine/cmp_TInstallInformation.h"

namespace qlry {

const TClassInfo& TInstallInformation::StaticClassInfo() {
    static const TClassInfo info(
        "TInstallInformation", nullptr, nullptr,
        {
            StringProperty<TInstallInformation>("CompanyName", &TInstallInformation::CompanyName,
                                                &TInstallInformation::SetCompanyName),
            StringProperty<TInstallInformation>("ProductName", &TInstallInformation::ProductName,
                                                &TInstallInformation::SetProductName),
            StringProperty<TInstallInformation>("Version", &TInstallInformation::Version,
                                                &TInstallInformation::SetVersion),
        });
    return info;
}

void TInstallInformation::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TInstallInformation*>(source)) {
        companyName_ = other->companyName_;
        productName_ = other->productName_;
        version_ = other->version_;
        return;
    }
    TPersistent::Assign(source);
}

} // namespace qlry
