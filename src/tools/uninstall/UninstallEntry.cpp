#include "tools/uninstall/UninstallEntry.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace uninstall {

const char* const kUninstallRoot = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const kSharedDLLsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

bool RegKey::Open(HKEY root, const std::string& path, REGSAM access) {
    Close();
    if (RegOpenKeyExA(root, path.c_str(), 0, access, &key_) == ERROR_SUCCESS) return true;
    key_ = nullptr;
    return false;
}

void RegKey::Close() {
    if (key_) RegCloseKey(key_);
    key_ = nullptr;
}

namespace {

std::string Trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The number after Prefix in Name ("File12" -> 12); -1 when Name is not Prefix + digits.
// An empty suffix counts as 0 when AllowBare.
long NumberAfter(const std::string& name, const char* prefix, bool allowBare) {
    std::size_t length = lstrlenA(prefix);
    if (name.size() < length || CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, name.c_str(),
                                               static_cast<int>(length), prefix, static_cast<int>(length)) != CSTR_EQUAL)
        return -1;
    std::string digits = name.substr(length);
    if (digits.empty()) return allowBare ? 0 : -1;
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::atol(digits.c_str());
}

std::vector<std::string> SubKeyNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD length = sizeof name;
        LONG status = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

// The string values "File1", "File2", ... of a list key, in the order of their numbers.
// Every such value is read, also beyond "Entries": a write of "Entries" that failed
// leaves the last file listed but not counted.
std::vector<std::string> ListValues(HKEY root, const std::string& path) {
    std::vector<std::pair<long, std::string>> numbered;
    RegKey key;
    if (!key.Open(root, path, KEY_QUERY_VALUE)) return {};
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        std::vector<char> data(4096);
        DWORD dataLength = static_cast<DWORD>(data.size());
        LONG status = RegEnumValueA(key.Get(), index, name, &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &dataLength);
        if (status == ERROR_MORE_DATA) continue;  // no path is that long
        if (status != ERROR_SUCCESS) break;
        long number = NumberAfter(std::string(name, nameLength), "File", false);
        if (number < 0 || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
        std::string value(data.data(), std::min<std::size_t>(dataLength, data.size()));
        value.resize(std::min(value.size(), value.find('\0')));
        if (!Trimmed(value).empty()) numbered.emplace_back(number, value);
    }
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> values;
    for (auto& item : numbered) values.push_back(std::move(item.second));
    return values;
}

} // namespace

bool ReadUninstallEntry(const std::string& product, UninstallEntry& entry) {
    RegKey root;
    if (!root.Open(HKEY_LOCAL_MACHINE, kUninstallRoot, KEY_READ)) return false;
    std::string name;
    RegKey exact;
    if (!product.empty() && exact.Open(root.Get(), product, KEY_READ)) {
        name = product;
    } else {
        // The key is named by the untrimmed product name, the command line carries it trimmed.
        for (const std::string& candidate : SubKeyNames(root.Get()))
            if (!product.empty() && lstrcmpiA(Trimmed(candidate).c_str(), product.c_str()) == 0) {
                name = candidate;
                break;
            }
        if (name.empty()) return false;
    }
    entry = UninstallEntry{};
    entry.keyPath = std::string(kUninstallRoot) + "\\" + name;

    RegKey productKey;
    if (!productKey.Open(HKEY_LOCAL_MACHINE, entry.keyPath, KEY_READ)) return false;
    std::vector<std::pair<long, std::string>> lists;
    for (const std::string& sub : SubKeyNames(productKey.Get())) {
        long number = NumberAfter(sub, "Files", true);
        if (number >= 0) lists.emplace_back(number, sub);
    }
    std::sort(lists.begin(), lists.end());
    for (const auto& list : lists)
        for (std::string& file : ListValues(HKEY_LOCAL_MACHINE, entry.keyPath + "\\" + list.second))
            entry.files.push_back(std::move(file));

    for (const std::string& value : ListValues(HKEY_LOCAL_MACHINE, entry.keyPath + "\\ActiveX")) {
        std::size_t separator = value.rfind(';');
        ActiveXEntry server;
        if (separator == std::string::npos) {
            server.path = value;
            std::string extension = value.size() >= 4 ? value.substr(value.size() - 4) : "";
            server.executable = lstrcmpiA(extension.c_str(), ".EXE") == 0;
        } else {
            server.path = value.substr(0, separator);
            server.executable = Trimmed(value.substr(separator + 1)) == "1";
        }
        entry.activeX.push_back(server);
    }
    return true;
}

bool DeleteKeyTree(HKEY root, const std::string& path) {
    {
        RegKey key;
        if (!key.Open(root, path, KEY_READ)) return true;
        for (const std::string& sub : SubKeyNames(key.Get())) DeleteKeyTree(root, path + "\\" + sub);
    }
    return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
}

} // namespace uninstall
