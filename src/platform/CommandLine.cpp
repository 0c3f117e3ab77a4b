#include "platform/CommandLine.h"

#include <windows.h>

namespace qlry {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> parameters;
    std::size_t pos = 0;
    for (;;) {
        while (pos < commandLine.size() && static_cast<unsigned char>(commandLine[pos]) <= ' ') ++pos;
        if (pos >= commandLine.size()) break;
        std::string parameter;
        bool quoted = false;
        while (pos < commandLine.size() && (quoted || static_cast<unsigned char>(commandLine[pos]) > ' ')) {
            if (commandLine[pos] == '"') quoted = !quoted;
            else parameter += commandLine[pos];
            ++pos;
        }
        parameters.push_back(parameter);
    }
    return parameters;
}

int ParamCount() {
    auto parameters = SplitCommandLine(GetCommandLineA());
    return parameters.empty() ? 0 : static_cast<int>(parameters.size()) - 1;
}

std::string ParamStr(int index) {
    if (index == 0) {
        char buffer[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
        return std::string(buffer, length);
    }
    auto parameters = SplitCommandLine(GetCommandLineA());
    return index > 0 && index < static_cast<int>(parameters.size()) ? parameters[index] : std::string();
}

} // namespace qlry
