#include "support/WindowDriver.h"

#include <shlobj.h>

namespace qlry::test {

ChildProcess::ChildProcess(const std::string& commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_))
        process_ = {};
}

ChildProcess::~ChildProcess() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

int ChildProcess::Wait(unsigned timeoutMs) {
    if (!process_.hProcess || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}

namespace {
struct Search {
    DWORD processId;
    std::string className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    char className[256] = {};
    GetClassNameA(window, className, sizeof className);
    if (!search->className.empty() && search->className != className) return TRUE;
    search->found = window;
    return FALSE;
}
} // namespace

HWND WaitForWindow(DWORD processId, const std::string& className, unsigned timeoutMs) {
    DWORD start = GetTickCount();
    do {
        Search search{processId, className, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

std::string WindowText(HWND window) {
    char text[4096] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string MessageBoxText(HWND box) {
    char text[4096] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

std::string ShellProgramsFolder() {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, CSIDL_PROGRAMS, FALSE);
    return path;
}

void CloseExplorerWindows() {
    for (int round = 0; round < 50; ++round) {
        HWND window = FindWindowA("ExplorerWClass", nullptr);
        if (!window) return;
        PostMessageA(window, WM_CLOSE, 0, 0);
        Sleep(100);
    }
}

} // namespace qlry::test
