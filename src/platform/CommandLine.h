#pragma once
// The program's parameters, split as Windows programs conventionally do: blanks separate
// parameters, double quotes group blanks into one and are themselves dropped.
#include <string>
#include <vector>

namespace qlry {

std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// ParamStr(0) is the program's own name; parameters start at 1.
int ParamCount();
std::string ParamStr(int index);

} // namespace qlry
