#pragma once
// The class library's registry object over advapi32: one root key, at most one open
// (current) key, and typed reads and writes of its values. A key path that begins with
// "\" is absolute (relative to the root key); any other path is relative to the current
// key, or to the root key when none is open.
#include <windows.h>

#include <string>
#include <vector>

namespace qlry {

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// Owns one registry handle and closes it on every path. Predefined root handles are
// never closed.
class HKeyHolder {
public:
    HKeyHolder() = default;
    explicit HKeyHolder(HKEY key) : key_(key) {}
    ~HKeyHolder() { Reset(); }
    HKeyHolder(const HKeyHolder&) = delete;
    HKeyHolder& operator=(const HKeyHolder&) = delete;

    HKEY Get() const { return key_; }
    HKEY* Receive() { Reset(); return &key_; }
    HKEY Release() { HKEY key = key_; key_ = nullptr; return key; }
    void Reset(HKEY key = nullptr);
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

bool IsPredefinedKey(HKEY key);

class TRegistry {
public:
    TRegistry();
    explicit TRegistry(REGSAM access);
    virtual ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return rootKey_; }
    void SetRootKey(HKEY root);                  // closes the open key
    HKEY CurrentKey() const { return currentKey_; }
    const std::string& CurrentPath() const { return currentPath_; }
    REGSAM Access() const { return access_; }
    void SetAccess(REGSAM access) { access_ = access; }
    // When False, closing a key flushes it to disk first.
    bool LazyWrite() const { return lazyWrite_; }
    void SetLazyWrite(bool lazyWrite) { lazyWrite_ = lazyWrite; }

    // Opens Key with Access (creating it when CanCreate) and makes it the current key.
    virtual bool OpenKey(const std::string& key, bool canCreate);
    bool OpenKeyReadOnly(const std::string& key);
    virtual bool KeyExists(const std::string& key);
    virtual bool DeleteKey(const std::string& key);
    void CloseKey();
    // Creates Key without making it current; True when it exists afterwards.
    bool CreateKey(const std::string& key);
    bool HasSubKeys() const;
    std::vector<std::string> GetKeyNames() const;

    bool ValueExists(const std::string& name) const;
    bool DeleteValue(const std::string& name);
    std::vector<std::string> GetValueNames() const;
    TRegDataType GetDataType(const std::string& name) const;
    int GetDataSize(const std::string& name) const;   // -1 when the value does not exist

    // A missing value reads as ""; a value of another type raises ERegistryException.
    std::string ReadString(const std::string& name) const;
    void WriteString(const std::string& name, const std::string& value);
    void WriteExpandString(const std::string& name, const std::string& value);
    // Missing or wrongly typed values raise ERegistryException "Invalid data type for '%s'".
    int ReadInteger(const std::string& name) const;
    void WriteInteger(const std::string& name, int value);
    bool ReadBool(const std::string& name) const;
    void WriteBool(const std::string& name, bool value);
    double ReadFloat(const std::string& name) const;   // REG_BINARY of 8 bytes
    void WriteFloat(const std::string& name, double value);
    // Copies the data into Buffer and returns its size; raises when it does not fit.
    int ReadBinaryData(const std::string& name, void* buffer, int bufferSize) const;
    void WriteBinaryData(const std::string& name, const void* buffer, int bufferSize);

protected:
    static bool IsRelative(const std::string& key);
    // The sub-key text to pass to Win32: Key without its leading "\" when absolute.
    static std::string SubKeyOf(const std::string& key);
    // The handle a path is relative to: the current key for a relative path while one is
    // open, the root key otherwise.
    HKEY BaseKeyFor(const std::string& key) const;
    // The current path after opening Key from the present state.
    std::string PathAfterOpening(const std::string& key) const;
    // Makes an opened handle the current key (closing the previous one).
    void ChangeKey(HKEY key, const std::string& path);

private:
    HKEY ValueKey() const;
    void PutData(const std::string& name, DWORD type, const void* data, DWORD size);
    bool QueryInfo(const std::string& name, DWORD& type, DWORD& size) const;
    [[noreturn]] static void RaiseInvalidType(const std::string& name);

    HKEY rootKey_ = HKEY_CURRENT_USER;
    HKEY currentKey_ = nullptr;
    std::string currentPath_;
    REGSAM access_ = KEY_ALL_ACCESS;
    bool lazyWrite_ = true;
};

} // namespace qlry
