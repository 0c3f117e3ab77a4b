#include "routines/routines_API.h"

#include <windows.h>

#include "engine/exceptions_Quillory.h"
#include "platform/Format.h"

namespace qlry {

std::string GetShortPath(const std::string& longPath) {
    char buffer[401];
    DWORD length = GetShortPathNameA(longPath.c_str(), buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return "";
    return std::string(buffer, length);
}

TWindowsVersion GetWindowsVersion() {
    OSVERSIONINFOA info{};
    static_assert(sizeof info == 148, "the classic version structure");
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) throw EAPIRoutines("Could not get information about the current version of Windows");
    std::string version = Format("%d.%d", {info.dwMajorVersion, info.dwMinorVersion});
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s: return wvWin32s;
    case VER_PLATFORM_WIN32_WINDOWS: return wvWin9x;
    case VER_PLATFORM_WIN32_NT: return version.find("3.5") != std::string::npos ? wvWinNT35 : wvWinNT;
    default: return wvUnknown;
    }
}

std::string GetTempFile(bool keep) {
    char tempDir[261];
    char name[MAX_PATH] = {};
    DWORD dirLength = GetTempPathA(sizeof tempDir, tempDir);
    if (dirLength == 0 || dirLength >= sizeof tempDir || GetTempFileNameA(tempDir, "bat", 0, name) == 0 ||
        name[0] == '\0')
        throw EAPIRoutines("Cannot create a temporary file");
    if (!keep) DeleteFileA(name);
    return name;
}

std::string GetSystemDir() {
    char buffer[261];
    UINT length = GetSystemDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        throw EAPIRoutines("Could not retrieve the system directroy from windows");
    return std::string(buffer, length);
}

std::string GetWindowsDir() {
    char buffer[261];
    UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        throw EAPIRoutines("Could not retrieve the windows directory from windows");
    return std::string(buffer, length);
}

} // namespace qlry
