#pragma once
// The framework's registry object: opens keys with only the rights it needs (so that
// HKEY_LOCAL_MACHINE keys open without full access) and deletes keys with all their
// sub-keys.
#include <string>

#include "platform/Registry.h"

namespace qlry {

class TqlryRegistry : public TRegistry {
public:
    using TRegistry::TRegistry;

    // Opens with KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY; a key that is missing
    // and may be created is created with KEY_ALL_ACCESS. A key that refuses write rights
    // does not open, not even for reading.
    bool OpenKey(const std::string& key, bool canCreate) override;
    // True when Key can be opened for reading.
    bool KeyExists(const std::string& key) override;
    // Deletes Key and everything below it; the current key stays as it was.
    bool DeleteKey(const std::string& key) override;
};

} // namespace qlry
