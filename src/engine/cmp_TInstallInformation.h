#pragma once
// The product information of an install project.
#include <string>

#include "platform/Component.h"
#include "platform/Properties.h"

namespace qlry {

class TInstallInformation : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void Assign(const TPersistent* source) override;

    const std::string& CompanyName() const { return companyName_; }
    void SetCompanyName(const std::string& value) { companyName_ = value; }
    // Names the Uninstall registry key and the default program folder.
    const std::string& ProductName() const { return productName_; }
    void SetProductName(const std::string& value) { productName_ = value; }
    const std::string& Version() const { return version_; }
    void SetVersion(const std::string& value) { version_ = value; }

private:
    std::string companyName_ = "My Company";
    std::string productName_ = "My product";
    std::string version_ = "1.0";
};

} // namespace qlry
