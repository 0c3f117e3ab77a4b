#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

using namespace qlry::test;

namespace {

std::string Invalid(const std::string& parameter) {
    return "IException: Invalid parameter <" + parameter +
           ">. Valid command line parameters are: -b (Build), -d (Debug), -f (Transfer to floppies), -e (Called by "
           "self-extractor), -r (After reboot)";
}

// What the engine of a fresh process makes of Arguments.
std::string EngineReport(const std::string& arguments) {
    ScratchDir dir;
    std::string out = dir.File("report.txt");
    SetEnvironmentVariableA("QLRY_PROBE_OUT", out.c_str());
    int code = RunProcess("\"" + ProgramDir() + "engine_probe.exe\" " + arguments);
    SetEnvironmentVariableA("QLRY_PROBE_OUT", nullptr);
    if (code != 0) return "exit code " + std::to_string(code);
    return ReadFileBytes(out);
}

} // namespace

TEST(EngineCommandLine, OptionsArgumentsAndMessages) {
    std::string here = ProgramDir();
    here.pop_back();
    struct Case {
        std::string arguments;
        std::string report;
    };
    const std::vector<Case> cases = {
        {"", "source=[" + here + "] mode=none"},
        {"-x", Invalid("-x")},
        {"*x", "source=[" + here + "] mode=none"},
        {"-", Invalid("-")},
        {"x", Invalid("x")},
        {"*TODISK", "source=[" + here + "] mode=none"},
        {"-B", "b=[] source=[" + here + "] mode=build"},
        {"*b", "b=[] source=[" + here + "] mode=build"},
        {"-d", "IEInstall: You forgot to pass in the build directory. In Run | Parameters, follow this format: -d "
               "\"-sC:\\My Build\""},
        {"-d \"-s   \"", "IEInstall: You forgot to pass in the build directory. In Run | Parameters, follow this "
                         "format: -d \"-sC:\\My Build\""},
        {"-d \"-sC:\\My Build\"", "d=[] S=[C:\\My Build] source=[C:\\My Build] mode=none"},
        {"-b -r", "b=[] r=[] source=[" + here + "] mode=build"},
        {"-r -sD:\\dist -sE:\\later", "r=[] S=[E:\\later] source=[E:\\later] mode=after restart"},
        {"-f -eSetup.exe -c", "f=[] e=[Setup.exe] c=[] source=[" + here + "] mode=floppies a:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(EngineReport(c.arguments), c.report);
    }
}
