#include "platform/Registry.h"

#include <cstring>

#include "platform/Exceptions.h"

namespace qlry {

bool IsPredefinedKey(HKEY key) {
    // The predefined handles are the reserved values from 0x80000000 up.
    auto value = reinterpret_cast<ULONG_PTR>(key);
    return value >= 0x80000000u && value <= 0x800000FFu;
}

void HKeyHolder::Reset(HKEY key) {
    if (key_ && !IsPredefinedKey(key_)) RegCloseKey(key_);
    key_ = key;
}

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM access) : access_(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY root) {
    if (root == rootKey_) return;
    CloseKey();
    rootKey_ = root;
}

bool TRegistry::IsRelative(const std::string& key) { return key.empty() || key[0] != '\\'; }

std::string TRegistry::SubKeyOf(const std::string& key) { return IsRelative(key) ? key : key.substr(1); }

HKEY TRegistry::BaseKeyFor(const std::string& key) const {
    return (IsRelative(key) && currentKey_) ? currentKey_ : rootKey_;
}

std::string TRegistry::PathAfterOpening(const std::string& key) const {
    if (!IsRelative(key) || !currentKey_) return key;
    if (key.empty()) return currentPath_;
    if (currentPath_.empty()) return key;
    return currentPath_ + "\\" + key;
}

void TRegistry::ChangeKey(HKEY key, const std::string& path) {
    CloseKey();
    currentKey_ = key;
    currentPath_ = path;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
    HKeyHolder opened;
    LONG result;
    if (canCreate && !key.empty())
        result = RegCreateKeyExA(BaseKeyFor(key), SubKeyOf(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 access_, nullptr, opened.Receive(), nullptr);
    else
        result = RegOpenKeyExA(BaseKeyFor(key), SubKeyOf(key).c_str(), 0, access_, opened.Receive());
    if (result != ERROR_SUCCESS) return false;
    std::string path = PathAfterOpening(key);
    ChangeKey(opened.Release(), path);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
    // Some keys grant reading values but not listing them; take what is granted.
    for (REGSAM rights : {static_cast<REGSAM>(KEY_READ), static_cast<REGSAM>(KEY_QUERY_VALUE)}) {
        HKeyHolder opened;
        if (RegOpenKeyExA(BaseKeyFor(key), SubKeyOf(key).c_str(), 0, rights, opened.Receive()) == ERROR_SUCCESS) {
            std::string path = PathAfterOpening(key);
            ChangeKey(opened.Release(), path);
            return true;
        }
    }
    return false;
}

bool TRegistry::KeyExists(const std::string& key) {
    // A key that refuses this object's rights still exists when it can be read.
    for (REGSAM rights : {access_, static_cast<REGSAM>(KEY_READ)}) {
        HKeyHolder probe;
        if (RegOpenKeyExA(BaseKeyFor(key), SubKeyOf(key).c_str(), 0, rights, probe.Receive()) == ERROR_SUCCESS)
            return true;
    }
    return false;
}

bool TRegistry::DeleteKey(const std::string& key) {
    return RegDeleteKeyA(BaseKeyFor(key), SubKeyOf(key).c_str()) == ERROR_SUCCESS;
}

void TRegistry::CloseKey() {
    if (!currentKey_) return;
    if (!lazyWrite_) RegFlushKey(currentKey_);
    if (!IsPredefinedKey(currentKey_)) RegCloseKey(currentKey_);
    currentKey_ = nullptr;
    currentPath_.clear();
}

bool TRegistry::CreateKey(const std::string& key) {
    HKeyHolder created;
    return RegCreateKeyExA(BaseKeyFor(key), SubKeyOf(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_,
                           nullptr, created.Receive(), nullptr) == ERROR_SUCCESS;
}

// Values live in the current key, or in the root key while none is open.
HKEY TRegistry::ValueKey() const { return currentKey_ ? currentKey_ : rootKey_; }

bool TRegistry::HasSubKeys() const {
    DWORD subKeys = 0;
    return RegQueryInfoKeyA(ValueKey(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys > 0;
}

std::vector<std::string> TRegistry::GetKeyNames() const {
    std::vector<std::string> names;
    char name[256];   // key names are at most 255 characters
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(ValueKey(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

bool TRegistry::QueryInfo(const std::string& name, DWORD& type, DWORD& size) const {
    size = 0;
    return RegQueryValueExA(ValueKey(), name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
}

bool TRegistry::ValueExists(const std::string& name) const {
    DWORD type, size;
    return QueryInfo(name, type, size);
}

bool TRegistry::DeleteValue(const std::string& name) {
    return RegDeleteValueA(ValueKey(), name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    DWORD maxLength = 0;
    if (RegQueryInfoKeyA(ValueKey(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxLength,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::string buffer(maxLength + 1, '\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumValueA(ValueKey(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

TRegDataType TRegistry::GetDataType(const std::string& name) const {
    DWORD type, size;
    if (!QueryInfo(name, type, size)) return rdUnknown;
    switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

int TRegistry::GetDataSize(const std::string& name) const {
    DWORD type, size;
    return QueryInfo(name, type, size) ? static_cast<int>(size) : -1;
}

void TRegistry::RaiseInvalidType(const std::string& name) {
    throw ERegistryException("Invalid data type for '%s'", {name});
}

void TRegistry::PutData(const std::string& name, DWORD type, const void* data, DWORD size) {
    if (RegSetValueExA(ValueKey(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '%s'", {name});
}

std::string TRegistry::ReadString(const std::string& name) const {
    // Most values fit the first buffer, so one call reads type and text together.
    std::string value(256, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(value.size());
    LONG result =
        RegQueryValueExA(ValueKey(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) return "";
    if (type != REG_SZ && type != REG_EXPAND_SZ) RaiseInvalidType(name);
    if (result == ERROR_MORE_DATA) {
        value.assign(size, '\0');
        if (RegQueryValueExA(ValueKey(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()),
                             &size) != ERROR_SUCCESS)
            throw ERegistryException("Failed to get data for '%s'", {name});
    }
    value.resize(size);
    // The stored size counts the terminating zero, when the writer stored one.
    value.resize(std::strlen(value.c_str()));
    return value;
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    PutData(name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
    PutData(name, REG_EXPAND_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

int TRegistry::ReadInteger(const std::string& name) const {
    DWORD type = REG_NONE, value = 0, size = sizeof value;
    if (RegQueryValueExA(ValueKey(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        RaiseInvalidType(name);
    return static_cast<int>(value);
}

void TRegistry::WriteInteger(const std::string& name, int value) {
    auto data = static_cast<DWORD>(value);
    PutData(name, REG_DWORD, &data, sizeof data);
}

bool TRegistry::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

double TRegistry::ReadFloat(const std::string& name) const {
    DWORD type = REG_NONE;
    double value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(ValueKey(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_BINARY || size != sizeof value)
        RaiseInvalidType(name);
    return value;
}

void TRegistry::WriteFloat(const std::string& name, double value) { PutData(name, REG_BINARY, &value, sizeof value); }

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufferSize) const {
    DWORD type, size;
    if (!QueryInfo(name, type, size) || type == REG_SZ || type == REG_EXPAND_SZ || type == REG_DWORD)
        RaiseInvalidType(name);
    if (size > static_cast<DWORD>(bufferSize < 0 ? 0 : bufferSize) ||
        RegQueryValueExA(ValueKey(), name.c_str(), nullptr, nullptr, static_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS)
        throw ERegistryException("Failed to get data for '%s'", {name});
    return static_cast<int>(size);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int bufferSize) {
    PutData(name, REG_BINARY, buffer, static_cast<DWORD>(bufferSize));
}

} // namespace qlry
