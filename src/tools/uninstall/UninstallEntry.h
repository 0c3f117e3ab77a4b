#pragma once
// The product's Uninstall entry under HKEY_LOCAL_MACHINE: its lists of installed files
// and links ("Files", "Files1", ...) and of ActiveX servers ("ActiveX", "path;1" for an
// executable, "path;0" for a library).
#include <windows.h>

#include <string>
#include <vector>

namespace uninstall {

class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    bool Open(HKEY root, const std::string& path, REGSAM access);
    void Close();
    HKEY Get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

extern const char* const kUninstallRoot;  // "Software\Microsoft\Windows\CurrentVersion\Uninstall"
extern const char* const kSharedDLLsKey;

struct ActiveXEntry {
    std::string path;
    bool executable;
};

struct UninstallEntry {
    std::string keyPath;  // below HKEY_LOCAL_MACHINE, without a leading backslash
    std::vector<std::string> files;
    std::vector<ActiveXEntry> activeX;
};

// Finds the entry of Product (also one whose key name carries blanks around the name)
// and reads its lists; False when there is no entry.
bool ReadUninstallEntry(const std::string& product, UninstallEntry& entry);

// Deletes the key with everything below it; False when something stays.
bool DeleteKeyTree(HKEY root, const std::string& path);

} // namespace uninstall
