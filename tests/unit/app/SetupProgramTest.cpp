#include <gtest/gtest.h>

#include <windows.h>

#include "platform/Controls.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"

using namespace qlry::test;

namespace {
std::string SetupExe() { return ProgramDir() + "..\\setup.exe"; }

struct NamedSearch {
    DWORD processId;
    const char* name;
    HWND found;
};

BOOL CALLBACK MatchNamedChild(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<NamedSearch*>(data);
    if (!IsWindowVisible(window) || qlry::WindowControlName(window) != search->name) return TRUE;
    search->found = window;
    return FALSE;
}

// A visible control named Name in a window of the process (the wizard shows its pages
// inside its own window).
BOOL CALLBACK MatchInTopWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<NamedSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    EnumChildWindows(window, MatchNamedChild, data);
    return search->found ? FALSE : TRUE;
}

// A failed run of the shipped project shows the failure page first; its Finish button
// lets the error message follow. Answers the text of that message.
std::string FinishFailurePageAndReadMessage(ChildProcess& setup) {
    NamedSearch finish{setup.Id(), "FinishBtn", nullptr};
    for (int i = 0; i < 300 && !finish.found; ++i) {
        EnumWindows(MatchInTopWindow, reinterpret_cast<LPARAM>(&finish));
        if (!finish.found) Sleep(100);
    }
    if (!finish.found) return "<no failure page>";
    PostMessageA(finish.found, BM_CLICK, 0, 0);
    HWND box = WaitForWindow(setup.Id(), "#32770", 20000);
    if (!box) return "<no message box>";
    std::string text = MessageBoxText(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return text;
}
} // namespace

TEST(SetupProgram, InvalidParameterIsShownInTheStandardDisplayAndTheProgramEnds) {
    ChildProcess setup("\"" + SetupExe() + "\" -x");
    ASSERT_TRUE(setup.Started());
    HWND box = WaitForWindow(setup.Id(), "#32770", 20000);
    ASSERT_NE(box, nullptr) << "no message box appeared";
    EXPECT_EQ(MessageBoxText(box),
              "Invalid parameter <-x>. Valid command line parameters are: -b (Build), -d (Debug), -f (Transfer to "
              "floppies), -e (Called by self-extractor), -r (After reboot)");
    EXPECT_EQ(WindowText(box), "setup");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(setup.Wait(20000), 0);
}

TEST(SetupProgram, StartedWithoutTheLoadingProgramItsPathIsMissing) {
    ChildProcess setup("\"" + SetupExe() + "\"");
    ASSERT_TRUE(setup.Started());
    EXPECT_EQ(FinishFailurePageAndReadMessage(setup).substr(0, 60),
              "The path of the loading program was not passed correctly. If");
    EXPECT_EQ(setup.Wait(20000), 0);
}

TEST(SetupProgram, RunOnAnEmptyDistributionDirectoryEndsInTheFailurePages) {
    // The shipped project starts on activation; without its archives the run fails.
    ScratchDir distribution;
    ChildProcess setup("\"" + SetupExe() + "\" \"-s" + distribution.Path() + "\"");
    ASSERT_TRUE(setup.Started());
    std::string message = FinishFailurePageAndReadMessage(setup);
    EXPECT_NE(message.find("files.1"), std::string::npos) << message;
    EXPECT_EQ(setup.Wait(30000), 0) << "setup.exe did not end by itself";
}

TEST(SetupProgram, BuildOptionNeverStartsTheInstallation) {
    // Without a BUILD.INF beside it the build refuses in a plain message box and ends.
    ChildProcess setup("\"" + SetupExe() + "\" -b");
    ASSERT_TRUE(setup.Started());
    HWND box = WaitForWindow(setup.Id(), "#32770", 20000);
    ASSERT_NE(box, nullptr) << "no message box appeared";
    EXPECT_EQ(MessageBoxText(box),
              "Need to have a BUILD.INF file in this directory with the first line specifying the build directory");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(setup.Wait(30000), 0);
}
