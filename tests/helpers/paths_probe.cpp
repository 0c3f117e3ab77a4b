// Loads a project whose engine reads this program's command line, then writes what the
// main archive and install source specifiers answer to the file named by the
// environment variable QLRY_PROBE_OUTPUT: "archive=<path>" or "archive!<class>: <message>",
// then "source=...", one a line.
#include <windows.h>

#include <fstream>
#include <functional>
#include <string>

#include "engine/cmp_TInstall.h"
#include "model/cmp_TPathSpecifier.h"
#include "platform/DataModule.h"
#include "platform/DescriptionReader.h"

using namespace qlry;

namespace {

const char* const project =
    "object Probe: TDataModule\n"
    "  object Install1: TInstall\n"
    "    RunAutomatic = False\n"
    "  end\n"
    "  object File1: TInstallFile\n"
    "    Container = Install1\n"
    "  end\n"
    "end\n";

std::string Answer(const std::function<std::string()>& query) {
    try {
        return "=" + query();
    } catch (const Exception& error) {
        return "!" + error.ClassName() + ": " + error.Message();
    }
}

} // namespace

int main() {
    char output[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("QLRY_PROBE_OUTPUT", output, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 2;
    std::ofstream answers(std::string(output, length), std::ios::binary);
    try {
        TDataModule module(nullptr);
        ReadDescription(&module, project);
        auto* file = dynamic_cast<TInstallContainer*>(module.FindComponent("File1"));
        const TPathSpecifierList& standard = TPathSpecifierList::Standard();
        answers << "archive" << Answer([&] { return standard.Find<TpsMainArchiveFile>()->GetPath(file); }) << "\n";
        answers << "source" << Answer([&] { return standard.Find<TpsInstallSource>()->GetPath(file); }) << "\n";
    } catch (const Exception& error) {
        answers << "failed: " << error.ClassName() << ": " << error.Message() << "\n";
        return 1;
    }
    return 0;
}
