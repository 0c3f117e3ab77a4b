#pragma once
// Finds and works the windows of another process, as a person at the screen would.
#include <windows.h>

#include <string>

namespace qlry::test {

class ChildProcess {
public:
    explicit ChildProcess(const std::string& commandLine);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    DWORD Id() const { return process_.dwProcessId; }
    // The exit code, or -1 when the process is still running after TimeoutMs.
    int Wait(unsigned timeoutMs);

private:
    PROCESS_INFORMATION process_{};
};

// The first visible top-level window of the process whose class is ClassName (any
// class when empty), waiting up to TimeoutMs for it to appear.
HWND WaitForWindow(DWORD processId, const std::string& className, unsigned timeoutMs);
std::string WindowText(HWND window);
// The text of a message box: its static text control.
std::string MessageBoxText(HWND box);

// The Programs folder of the Start Menu, as the shell reports it.
std::string ShellProgramsFolder();
// Program Manager commands open folder windows in the desktop's explorer; close them all.
void CloseExplorerWindows();

} // namespace qlry::test
