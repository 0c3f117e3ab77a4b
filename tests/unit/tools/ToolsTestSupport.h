#pragma once
// What the loader and uninstaller tests share: the built programs, environment variables
// for a child process, message boxes of a child, and waiting for files to go.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"
#include "support/WindowDriver.h"

namespace qlry::test {

inline std::string BuildDir() { return ProgramDir() + "..\\"; }

// Sets variables for the processes started while it lives; restores them afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<std::string, std::string>> values) {
        for (const auto& [name, value] : values) {
            char old[4096];
            DWORD length = GetEnvironmentVariableA(name.c_str(), old, sizeof old);
            saved_.push_back({name, length ? std::string(old, length) : std::string(), length != 0});
            SetEnvironmentVariableA(name.c_str(), value.c_str());
        }
    }
    ~ScopedEnvironment() {
        for (const Saved& saved : saved_)
            SetEnvironmentVariableA(saved.name.c_str(), saved.existed ? saved.value.c_str() : nullptr);
    }

private:
    struct Saved {
        std::string name, value;
        bool existed;
    };
    std::vector<Saved> saved_;
};

// The text of the next message box of Process, answered with Button; "<no message box>"
// when none appears.
inline std::string AnswerMessageBox(const ChildProcess& process, int button, unsigned timeoutMs = 20000) {
    HWND box = WaitForWindow(process.Id(), "#32770", timeoutMs);
    if (!box) return "<no message box>";
    std::string text = MessageBoxText(box);
    PostMessageA(box, WM_COMMAND, button, 0);
    // Gone before the caller looks for the next box, which would otherwise find this one.
    DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box) && GetTickCount() - start < timeoutMs) Sleep(20);
    return text;
}

// True once Path does not exist any more (a program's image may be released a moment
// after the program ended).
inline bool GoneWithin(const std::string& path, unsigned timeoutMs) {
    DWORD start = GetTickCount();
    while (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(100);
    }
    return true;
}

inline bool DirectoryExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace qlry::test
