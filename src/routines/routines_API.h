#pragma once
// Questions to Windows: its version, its directories, temporary and short file names.
#include <string>

namespace qlry {

enum TWindowsVersion { wvWin32s, wvWin9x, wvWinNT, wvWinNT35, wvUnknown };

// The 8.3 form of LongPath; empty when Windows cannot give one.
std::string GetShortPath(const std::string& longPath);
// Raises EAPIRoutines when Windows does not say.
TWindowsVersion GetWindowsVersion();
// A new unique name in the temporary directory, prefix "bat". Windows creates the file
// to reserve the name; unless Keep, it is deleted again. Raises EAPIRoutines.
std::string GetTempFile(bool keep);
std::string GetSystemDir();    // raises EAPIRoutines
std::string GetWindowsDir();   // raises EAPIRoutines

} // namespace qlry
