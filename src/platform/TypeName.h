#pragma once
#include <string>
#include <typeinfo>

namespace qlry {
// The unqualified C++ name of a type ("TInstall" for qlry::TInstall).
std::string TypeName(const std::type_info& type);
}
