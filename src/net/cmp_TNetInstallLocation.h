#pragma once
// A network install location: where the archives of a net distribution are fetched.
#include <string>

#include "platform/Component.h"
#include "platform/Properties.h"

namespace qlry {

enum TInternetProtocol { ipFTP, ipHTTP };

class TCustomNetInstallLocation : public TComponent {
public:
    explicit TCustomNetInstallLocation(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    // The server part of the login; what local archive sub-directories are named after.
    const std::string& HostName() const { return hostName_; }
    void SetHostName(const std::string& value) { hostName_ = value; }
    const std::string& Directory() const { return directory_; }
    void SetDirectory(const std::string& value) { directory_ = value; }
    TInternetProtocol Protocol() const { return protocol_; }
    void SetProtocol(TInternetProtocol value) { protocol_ = value; }

private:
    std::string hostName_;
    std::string directory_;
    TInternetProtocol protocol_ = ipHTTP;
};

} // namespace qlry
