#pragma once
// The author's side of an end-to-end build: a copy of the test setup program with its
// BUILD.INF in a scratch directory, the project's sources where its description names
// them, and a run that reports the message box it ended with.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "model/routines_ExpandPaths.h"
#include "platform/SysUtils.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"
#include "unit/build/BuildTestSupport.h"

namespace qlry::test {

// Where the test projects' descriptions take their files from.
inline const char* const projectSources = "C:\\qlry-build-test\\src";

class BuildProgram : public testing::Test {
protected:
    void SetUp() override {
        framework = QuilloryInfo::FrameworkDirectory(false);
        ForceDirectories(projectSources);
        WriteSource("readme.txt", "Read me first.\r\n");
        WriteSource("data.bin", std::string(5000, 'd'));
        WriteSource("presetup.txt", "runs before the setup\r\n");
        ForceDirectories(AuthorDir());
        ASSERT_TRUE(::CopyFileA((ProgramDir() + "build_setup.exe").c_str(), SetupProgram().c_str(), FALSE));
    }
    void TearDown() override {
        for (const char* name : {"readme.txt", "data.bin", "presetup.txt"})
            DeleteFile(std::string(projectSources) + "\\" + name);
        SetEnvironmentVariableA("QLRY_BUILD_PROJECT", nullptr);
    }

    void RequireFramework() {
        if (framework.empty()) GTEST_SKIP() << "no framework on the search path; scripts/install-framework installs it";
    }
    void WriteSource(const std::string& name, const std::string& bytes) {
        WriteFileBytes(std::string(projectSources) + "\\" + name, bytes);
    }
    std::string AuthorDir() const { return scratch.File("author"); }
    std::string SetupProgram() const { return AuthorDir() + "\\setup.exe"; }
    std::string Dist() const { return scratch.File("dist"); }
    void WriteBuildInf(const std::string& text) { WriteFileBytes(AuthorDir() + "\\BUILD.INF", text); }

    // Runs the setup program with Project and Arguments in WorkDir (the test's own when
    // empty); answers the text of the message box it showed (which is then dismissed), or
    // "" when it ended without one.
    std::string RunBuild(const std::string& project, const std::string& arguments, const std::string& workDir = "") {
        SetEnvironmentVariableA("QLRY_BUILD_PROJECT", project.c_str());
        char saved[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, saved);
        if (!workDir.empty()) SetCurrentDirectoryA(workDir.c_str());
        std::string command = "\"";
        command += SetupProgram();
        command += "\" ";
        command += arguments;
        ChildProcess setup(command);
        SetCurrentDirectoryA(saved);
        if (!setup.Started()) return "<not started>";
        std::string text;
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 120000) {
            if (HWND box = WaitForWindow(setup.Id(), "#32770", 200)) {
                text = MessageBoxText(box);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                break;
            }
            if (setup.Wait(0) >= 0) break;
        }
        const int code = setup.Wait(30000);
        if (code != 0) return text + " <exit " + std::to_string(code) + ">";
        return text;
    }

    ScratchDir scratch;
    std::string framework;
};

} // namespace qlry::test
