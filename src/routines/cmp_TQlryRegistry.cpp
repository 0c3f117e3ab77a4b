#include "routines/cmp_TQlryRegistry.h"

#include <vector>

namespace qlry {

namespace {

const REGSAM kOpenRights = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

std::vector<std::string> SubKeyNames(HKEY key) {
    std::vector<std::string> names;
    char name[256];   // key names are at most 255 characters
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

// Depth first: Windows refuses to delete a key that still has sub-keys.
bool DeleteTree(HKEY base, const std::string& subKey) {
    {
        HKeyHolder key;
        if (RegOpenKeyExA(base, subKey.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) == ERROR_SUCCESS) {
            for (const std::string& name : SubKeyNames(key.Get())) DeleteTree(key.Get(), name);
        }
    }
    return RegDeleteKeyA(base, subKey.c_str()) == ERROR_SUCCESS;
}

} // namespace

bool TqlryRegistry::OpenKey(const std::string& key, bool canCreate) {
    HKEY base = BaseKeyFor(key);
    std::string subKey = SubKeyOf(key);
    HKeyHolder opened;
    LONG result;
    // Opened first and created only when missing: asking whether it exists first would cost
    // one more trip to the registry for every value written.
    result = RegOpenKeyExA(base, subKey.c_str(), 0, kOpenRights, opened.Receive());
    if (result == ERROR_FILE_NOT_FOUND && canCreate && !key.empty())
        result = RegCreateKeyExA(base, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                 opened.Receive(), nullptr);
    if (result != ERROR_SUCCESS) return false;
    std::string path = PathAfterOpening(key);
    ChangeKey(opened.Release(), path);
    return true;
}

bool TqlryRegistry::KeyExists(const std::string& key) {
    HKeyHolder probe;
    return RegOpenKeyExA(BaseKeyFor(key), SubKeyOf(key).c_str(), 0, KEY_READ, probe.Receive()) == ERROR_SUCCESS;
}

bool TqlryRegistry::DeleteKey(const std::string& key) { return DeleteTree(BaseKeyFor(key), SubKeyOf(key)); }

} // namespace qlry
