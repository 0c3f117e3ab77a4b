#include "tools/uninstall/SelfRemoval.h"

#include <windows.h>

#include <cstdlib>

#include "tools/uninstall/Removal.h"

namespace uninstall {

namespace {
const char kCopySwitch[] = "/QLRYREMOVESELF";
}

bool StartSelfRemoval() {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    char tempDir[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, tempDir)) return false;
    char copy[MAX_PATH];
    if (!GetTempFileNameA(tempDir, "qun", 0, copy)) return false;
    if (!CopyFileA(self, copy, FALSE)) {
        DeleteFileA(copy);
        return false;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    // Windows 9x knows no FILE_SHARE_DELETE: there the copy still removes the original
    // but stays behind in the temporary directory itself.
    HANDLE copyFile = CreateFileA(copy, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, &inheritable, OPEN_EXISTING,
                                  FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    HANDLE me = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &me, SYNCHRONIZE, TRUE, 0)) {
        if (copyFile != INVALID_HANDLE_VALUE) CloseHandle(copyFile);
        else DeleteFileA(copy);
        return false;
    }
    std::string commandLine = std::string("\"") + copy + "\" " + kCopySwitch + " " +
                              std::to_string(reinterpret_cast<uintptr_t>(me)) + " \"" + self + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    bool started = CreateProcessA(copy, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, tempDir, &startup,
                                  &process);
    CloseHandle(me);
    // The copy holds its own inherited handle; ours may go (and with it the file, when the
    // copy could not be started).
    if (copyFile != INVALID_HANDLE_VALUE) CloseHandle(copyFile);
    else if (!started) DeleteFileA(copy);
    if (!started) return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool RunSelfRemovalCopy(const std::string& parameters) {
    std::string switchText = kCopySwitch;
    if (parameters.compare(0, switchText.size(), switchText) != 0) return false;
    std::string rest = parameters.substr(switchText.size());
    char* end = nullptr;
    auto original = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoul(rest.c_str(), &end, 10)));
    std::string path = end ? end : "";
    std::size_t open = path.find('"');
    std::size_t close = open == std::string::npos ? open : path.find('"', open + 1);
    if (open == std::string::npos || close == std::string::npos) return true;
    path = path.substr(open + 1, close - open - 1);

    if (original) {
        WaitForSingleObject(original, 60000);
        CloseHandle(original);
    }
    // The image may stay mapped for a moment after the process has ended.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (DeleteFileA(path.c_str())) break;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) break;
        Sleep(100);
    }
    ProtectedFolders folders;
    RemoveEmptyDirectories(DirectoryOf(path), folders, nullptr);
    return true;
}

} // namespace uninstall
