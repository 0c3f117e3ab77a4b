#include "routines/routines_Registry.h"

#include <iterator>
#include <vector>

#include "platform/SysUtils.h"
#include "routines/cmp_TQlryRegistry.h"

namespace qlry {

namespace {

const HKEY kRootKeys[] = {HKEY_CLASSES_ROOT,  HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER,
                          HKEY_DYN_DATA,      HKEY_LOCAL_MACHINE,  HKEY_USERS};
const int kRootKeyCount = static_cast<int>(std::size(kRootKeys));

} // namespace

int RootKeyIndex(HKEY key, int defaultIndex) {
    for (int index = 0; index < kRootKeyCount; ++index)
        if (kRootKeys[index] == key) return index;
    return defaultIndex;
}

void SetRootKeyIndex(TRegistry& registry, int root) {
    if (root >= 0 && root < kRootKeyCount) registry.SetRootKey(kRootKeys[root]);
}

void RegWriteString(int root, const std::string& key, const std::string& name, const std::string& value) {
    TqlryRegistry registry;
    SetRootKeyIndex(registry, root);
    try {
        if (registry.OpenKey(key, true)) {
            registry.WriteString(name, value);
            return;
        }
    } catch (const ERegistryException&) {
    }
    throw EIRCannotWriteValue("Cannot install into registry. Key: %s Ident: %s Value %s", {key, name, value});
}

void RegWriteInteger(int root, const std::string& key, const std::string& name, int value) {
    TqlryRegistry registry;
    SetRootKeyIndex(registry, root);
    try {
        if (registry.OpenKey(key, true)) {
            registry.WriteInteger(name, value);
            return;
        }
    } catch (const ERegistryException&) {
    }
    throw EIRCannotWriteValue(key);
}

namespace {

// Opens Key without creating it, positioned on an existing value Name.
bool OpenForReading(TqlryRegistry& registry, int root, const std::string& key, const std::string& name) {
    SetRootKeyIndex(registry, root);
    return registry.OpenKey(key, false) && registry.ValueExists(name);
}

} // namespace

std::string RegReadString(int root, const std::string& key, const std::string& name, const std::string& defaultValue) {
    TqlryRegistry registry;
    try {
        if (OpenForReading(registry, root, key, name)) return registry.ReadString(name);
    } catch (const ERegistryException&) {
    }
    return defaultValue;
}

int RegReadInteger(int root, const std::string& key, const std::string& name, int defaultValue) {
    TqlryRegistry registry;
    try {
        if (OpenForReading(registry, root, key, name)) return registry.ReadInteger(name);
    } catch (const ERegistryException&) {
    }
    return defaultValue;
}

void RegDeleteKeyTree(int root, const std::string& key) {
    // A blank key would open the root itself and empty the whole hive.
    if (Trim(key).find_first_not_of('\\') == std::string::npos) return;
    try {
        TqlryRegistry registry;
        SetRootKeyIndex(registry, root);
        if (!registry.OpenKey(key, false)) return;
        std::vector<std::string> names = registry.GetKeyNames();
        registry.CloseKey();
        for (const std::string& name : names) RegDeleteKeyTree(root, key + "\\" + name);
        registry.DeleteKey(key);
    } catch (const std::exception&) {
        // Removing what can be removed is all that is asked.
    }
}

bool RegisterRunOnceEntry(const std::string& name, const std::string& commandLine, bool unique) {
    TqlryRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", true)) return false;
    std::string valueName = name;
    if (unique)
        for (int suffix = 1; registry.ValueExists(valueName); ++suffix) valueName = name + std::to_string(suffix);
    registry.SetLazyWrite(false);
    try {
        registry.WriteString(valueName, commandLine);
    } catch (const ERegistryException&) {
        return false;
    }
    registry.CloseKey();
    return true;
}

} // namespace qlry
