#include "platform/TypeName.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace qlry {

std::string TypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                      std::free);
    std::string name = status == 0 && demangled ? demangled.get() : type.name();
    auto colons = name.rfind("::");
    return colons == std::string::npos ? name : name.substr(colons + 2);
}

} // namespace qlry
