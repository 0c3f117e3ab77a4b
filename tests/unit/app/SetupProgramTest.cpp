#include <gtest/gtest.h>

#include <windows.h>

#include "support/TestSupport.h"
#include "support/WindowDriver.h"

using namespace qlry::test;

namespace {
std::string SetupExe() { return ProgramDir() + "..\\setup.exe"; }
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
    HWND box = WaitForWindow(setup.Id(), "#32770", 20000);
    ASSERT_NE(box, nullptr) << "no message box appeared";
    EXPECT_EQ(MessageBoxText(box).substr(0, 60), "The path of the loading program was not passed correctly. If");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(setup.Wait(20000), 0);
}

TEST(SetupProgram, RunWithADistributionDirectoryStartsOnActivationAndEnds) {
    ScratchDir distribution;
    ChildProcess setup("\"" + SetupExe() + "\" \"-s" + distribution.Path() + "\"");
    ASSERT_TRUE(setup.Started());
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
