#pragma once
// What the path tests share: registry values that are put back as they were, and a
// fixture that checks no specifier outlives its test.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/cmp_TPathSpecifier.h"
#include "platform/DataModule.h"
#include "support/TestSupport.h"

namespace qlry::test {

inline const char* const kShellFolders = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const char* const kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// One registry value as it was when the test began: it is restored (or deleted, with
// the keys the test had to create) when the test ends.
class SavedRegistryValue {
public:
    SavedRegistryValue(HKEY root, std::string key, std::string name)
        : root_(root), key_(std::move(key)), name_(std::move(name)) {
        firstMissingKey_ = FirstMissingKey();
        HKEY handle;
        if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return;
        DWORD size = 0;
        if (RegQueryValueExA(handle, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            std::string data(size, '\0');
            if (RegQueryValueExA(handle, name_.c_str(), nullptr, &type_, reinterpret_cast<BYTE*>(data.data()),
                                 &size) == ERROR_SUCCESS)
                saved_ = data.substr(0, size);
        }
        RegCloseKey(handle);
    }

    ~SavedRegistryValue() {
        if (!firstMissingKey_.empty()) {
            DeleteTree(firstMissingKey_);
            return;
        }
        HKEY handle;
        if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS) return;
        if (saved_)
            RegSetValueExA(handle, name_.c_str(), 0, type_, reinterpret_cast<const BYTE*>(saved_->data()),
                           static_cast<DWORD>(saved_->size()));
        else
            RegDeleteValueA(handle, name_.c_str());
        RegCloseKey(handle);
    }

    SavedRegistryValue(const SavedRegistryValue&) = delete;
    SavedRegistryValue& operator=(const SavedRegistryValue&) = delete;

    // nullopt removes the value.
    void Set(const std::optional<std::string>& value) const {
        HKEY handle;
        if (RegCreateKeyExA(root_, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) !=
            ERROR_SUCCESS)
            throw std::runtime_error("cannot open " + key_);
        if (value)
            RegSetValueExA(handle, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                           static_cast<DWORD>(value->size() + 1));
        else
            RegDeleteValueA(handle, name_.c_str());
        RegCloseKey(handle);
    }

private:
    // The shortest prefix of the key that does not exist yet; empty when the key exists.
    std::string FirstMissingKey() const {
        std::string::size_type end = 0;
        while (end != std::string::npos) {
            end = key_.find('\\', end + 1);
            std::string prefix = key_.substr(0, end);
            HKEY handle;
            if (RegOpenKeyExA(root_, prefix.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return prefix;
            RegCloseKey(handle);
        }
        return "";
    }

    void DeleteTree(const std::string& path) const {
        HKEY handle;
        if (RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
            char child[256];
            std::vector<std::string> children;
            for (DWORD i = 0;; ++i) {
                DWORD length = sizeof child;
                if (RegEnumKeyExA(handle, i, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                children.push_back(path + "\\" + child);
            }
            RegCloseKey(handle);
            for (const std::string& name : children) DeleteTree(name);
        }
        RegDeleteKeyA(root_, path.c_str());
    }

    HKEY root_;
    std::string key_;
    std::string name_;
    std::string firstMissingKey_;
    DWORD type_ = REG_SZ;
    std::optional<std::string> saved_;
};

// Each test builds its project on its own data module; afterwards no specifier may be
// left in the process-wide lists.
class PathsTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(TPathSpecifierList::All().Count(), 0) << "a specifier outlived an earlier test";
        module_ = std::make_unique<TDataModule>(nullptr);
        module_->SetName("Project");
    }

    void TearDown() override {
        module_.reset();
        EXPECT_EQ(TPathSpecifierList::All().Count(), 0);
        EXPECT_EQ(TPathSpecifierList::Standard().Count(), 0);
    }

    TDataModule* Module() const { return module_.get(); }

    template <class T>
    T* Make(const std::string& name) {
        auto* component = new T(module_.get());
        component->SetName(name);
        return component;
    }

    template <class T>
    T* Standard() const {
        return TPathSpecifierList::Standard().Find<T>();
    }

private:
    std::unique_ptr<TDataModule> module_;
};

} // namespace qlry::test
