#pragma once
// Raw advapi32 helpers, so that the tests check the registry without the code under test.
#include <windows.h>

#include <string>

namespace qlry::test {

// The key every registry test of this suite works under (HKEY_CURRENT_USER).
inline const std::string kTestKey = "Software\\QlryRoutinesTest";

inline bool RawKeyExists(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

inline bool RawCreateKey(HKEY root, const std::string& path, DWORD options = REG_OPTION_NON_VOLATILE) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

inline void RawWriteString(HKEY root, const std::string& path, const std::string& name, const std::string& value) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

inline void RawWriteDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

// The value's text, or "<missing>" when it cannot be read as a string.
inline std::string RawReadString(HKEY root, const std::string& path, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1, type = 0;
    LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::string(buffer) : "<missing>";
}

inline void RawDeleteValue(HKEY root, const std::string& path, const std::string& name) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
}

// Removes Path with everything below it; a restrictive security descriptor is reset first.
inline void RawDeleteTree(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS) {
        SECURITY_DESCRIPTOR open;
        InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);   // a NULL DACL grants everything
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &open);
        RegCloseKey(key);
    }
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char name[256];
        for (;;) {
            DWORD length = sizeof name;
            if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            std::string child = path + "\\" + name;
            RawDeleteTree(root, child);
            if (RawKeyExists(root, child)) break;   // avoid looping on a key that stays
        }
        RegCloseKey(key);
    }
    RegDeleteKeyA(root, path.c_str());
}

// The suite's test key, empty at the start of each test and removed at its end.
class ScratchKey {
public:
    explicit ScratchKey(std::string path = kTestKey) : path_(std::move(path)) {
        RawDeleteTree(HKEY_CURRENT_USER, path_);
        RawCreateKey(HKEY_CURRENT_USER, path_);
    }
    ~ScratchKey() { RawDeleteTree(HKEY_CURRENT_USER, path_); }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;
    const std::string& Path() const { return path_; }          // relative to HKEY_CURRENT_USER
    std::string Absolute() const { return "\\" + path_; }      // as the routines take it
    std::string Sub(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

} // namespace qlry::test
