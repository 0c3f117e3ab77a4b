#include "tools/uninstall/Removal.h"

#include <shlobj.h>

#include <algorithm>

namespace uninstall {

namespace {

std::string WithoutBackslash(std::string path) {
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    return path;
}

std::string Upper(std::string text) {
    if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The long form of an existing path; the path itself where Windows has no long-name call
// (Windows 95, NT 4) or the path does not exist.
std::string LongForm(const std::string& path) {
    using GetLongPathNameAFn = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);
    static auto getLong = reinterpret_cast<GetLongPathNameAFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetLongPathNameA")));
    char buffer[MAX_PATH];
    if (getLong) {
        DWORD length = getLong(path.c_str(), buffer, MAX_PATH);
        if (length > 0 && length < MAX_PATH) return std::string(buffer, length);
    }
    return path;
}

std::string ErrorText(DWORD error) {
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' ' ||
                                message.back() == '.'))
        message.pop_back();
    if (message.empty()) message = "error " + std::to_string(error);
    return message;
}

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Gives back this installation's use of a shared file. True when another installation
// still counts it, so that the file stays. The counter is named by the file's short or
// long path, whichever the installation found first.
bool StillShared(HKEY shared, const std::string& path) {
    if (!shared) return false;
    std::vector<std::string> names;
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH && lstrcmpiA(shortPath, path.c_str()) != 0) names.emplace_back(shortPath, length);
    names.push_back(path);
    for (const std::string& name : names) {
        DWORD type = 0;
        DWORD count = 0;
        DWORD size = sizeof count;
        if (RegQueryValueExA(shared, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof count)
            continue;
        if (count > 1) {
            --count;
            RegSetValueExA(shared, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
            return true;
        }
        RegDeleteValueA(shared, name.c_str());
        return false;
    }
    return false;
}

// Runs with the server's directory as the current one, as its registration did.
class InDirectory {
public:
    explicit InDirectory(const std::string& directory) {
        GetCurrentDirectoryA(MAX_PATH, previous_);
        SetCurrentDirectoryA(directory.c_str());
    }
    ~InDirectory() { SetCurrentDirectoryA(previous_); }

private:
    char previous_[MAX_PATH] = {};
};

// Empty on success, else why it failed.
std::string UnregisterLibrary(const std::string& path) {
    OleInitialize(nullptr);
    std::string failure;
    {
        InDirectory directory(DirectoryOf(path));
        HMODULE library = LoadLibraryA(path.c_str());
        if (!library) {
            failure = "cannot be loaded (" + ErrorText(GetLastError()) + ")";
        } else {
            using Entry = HRESULT(STDAPICALLTYPE*)();
            auto unregister =
                reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, "DllUnregisterServer")));
            if (!unregister) failure = "has no DllUnregisterServer";
            else if (HRESULT result = unregister(); FAILED(result))
                failure = "DllUnregisterServer returned " + std::to_string(static_cast<long>(result));
            FreeLibrary(library);
        }
    }
    OleUninitialize();
    return failure;
}

std::string UnregisterExecutable(const std::string& path) {
    std::string commandLine = "\"" + path + "\" /UNREGSERVER";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    std::string directory = DirectoryOf(path);
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                        &startup, &process))
        return "cannot be started (" + ErrorText(GetLastError()) + ")";
    std::string failure;
    // The program must have ended before its file can be deleted.
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        failure = "did not end after /UNREGSERVER";
    } else {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        if (code != 0) failure = "/UNREGSERVER ended with code " + std::to_string(code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return failure;
}

void DeleteListed(const std::string& path, RemovalReport& report) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        DWORD error = GetLastError();
        if (IsGone(error)) ++report.alreadyGone;
        else report.notRemoved.push_back(path + " (" + ErrorText(error) + ")");
        return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        report.notRemoved.push_back(path + " (a directory, not a file)");
        return;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileA(path.c_str())) {
        ++report.removed;
        return;
    }
    DWORD error = GetLastError();
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), attributes);
    report.notRemoved.push_back(path + " (" + ErrorText(error) + ")");
}

// Entries are always full paths; anything else would be taken relative to the current
// directory, where no file of the installation is.
bool IsFullPath(const std::string& path) {
    bool drive = path.size() > 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    return drive || path.rfind("\\\\", 0) == 0;
}

bool IsRoot(const std::string& directory) {
    if (directory.size() <= 3 && directory.size() >= 2 && directory[1] == ':') return true;
    if (directory.rfind("\\\\", 0) == 0) {  // \\server\share
        std::size_t server = directory.find('\\', 2);
        return server == std::string::npos || directory.find('\\', server + 1) == std::string::npos;
    }
    return directory.empty() || directory == "\\";
}

} // namespace

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return "";
    return path.substr(0, slash);
}

ProtectedFolders::ProtectedFolders() {
    static const int kFolders[] = {
        CSIDL_DESKTOP,         CSIDL_PROGRAMS,         CSIDL_PERSONAL,          CSIDL_FAVORITES,
        CSIDL_STARTUP,         CSIDL_RECENT,           CSIDL_SENDTO,            CSIDL_STARTMENU,
        CSIDL_DESKTOPDIRECTORY, CSIDL_NETHOOD,         CSIDL_FONTS,             CSIDL_TEMPLATES,
        CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTUP,    CSIDL_COMMON_DESKTOPDIRECTORY,
        CSIDL_APPDATA,         CSIDL_PRINTHOOD,        CSIDL_LOCAL_APPDATA,     CSIDL_COMMON_FAVORITES,
        CSIDL_COMMON_APPDATA,  CSIDL_WINDOWS,          CSIDL_SYSTEM,            CSIDL_PROGRAM_FILES,
        CSIDL_MYPICTURES,      CSIDL_PROFILE,          CSIDL_PROGRAM_FILES_COMMON, CSIDL_COMMON_TEMPLATES,
        CSIDL_COMMON_DOCUMENTS, CSIDL_ADMINTOOLS,      CSIDL_COMMON_ADMINTOOLS};
    for (int folder : kFolders) {
        LPITEMIDLIST list = nullptr;
        if (SHGetSpecialFolderLocation(nullptr, folder, &list) != S_OK || !list) continue;
        char path[MAX_PATH] = {};
        if (SHGetPathFromIDListA(list, path)) Add(path);
        CoTaskMemFree(list);
    }
    char path[MAX_PATH];
    if (GetWindowsDirectoryA(path, MAX_PATH)) Add(path);
    if (GetSystemDirectoryA(path, MAX_PATH)) Add(path);
    if (GetTempPathA(MAX_PATH, path)) Add(path);
    RegKey current;
    if (current.Open(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", KEY_QUERY_VALUE))
        for (const char* name : {"ProgramFilesDir", "CommonFilesDir"}) {
            DWORD size = sizeof path;
            DWORD type = 0;
            if (RegQueryValueExA(current.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) ==
                    ERROR_SUCCESS &&
                type == REG_SZ && size > 1 && size <= sizeof path) {
                path[size - 1] = '\0';
                Add(path);
            }
        }
}

void ProtectedFolders::Add(const std::string& directory) {
    if (directory.empty()) return;
    folders_.insert(Upper(WithoutBackslash(directory)));
    folders_.insert(Upper(WithoutBackslash(LongForm(directory))));
}

bool ProtectedFolders::Contains(const std::string& directory) const {
    std::string plain = WithoutBackslash(directory);
    if (IsRoot(plain)) return true;
    return folders_.count(Upper(plain)) || folders_.count(Upper(WithoutBackslash(LongForm(plain))));
}

void RemoveEmptyDirectories(const std::string& directory, const ProtectedFolders& folders,
                            std::vector<std::string>* removed) {
    std::string current = WithoutBackslash(directory);
    while (!folders.Contains(current)) {
        if (RemoveDirectoryA(current.c_str())) {
            if (removed) removed->push_back(current);
        } else if (!IsGone(GetLastError())) {
            return;  // not empty, or in use
        }
        std::string parent = DirectoryOf(current);
        if (parent.empty() || parent.size() >= current.size()) return;
        current = parent;
    }
}

RemovalReport RemoveInstallation(const UninstallEntry& entry) {
    RemovalReport report;
    RegKey shared;
    shared.Open(HKEY_LOCAL_MACHINE, kSharedDLLsKey, KEY_QUERY_VALUE | KEY_SET_VALUE);

    // Decide first which files go: a shared file still counted elsewhere stays, and an
    // ActiveX server that stays keeps its registration.
    std::vector<std::string> doomed;
    std::vector<const ActiveXEntry*> toUnregister;
    for (const ActiveXEntry& server : entry.activeX) {
        if (!IsFullPath(server.path)) {
            report.notRemoved.push_back(server.path + " (not a full path)");
            continue;
        }
        if (StillShared(shared.Get(), server.path)) {
            report.keptShared.push_back(server.path);
            continue;
        }
        toUnregister.push_back(&server);
        doomed.push_back(server.path);
    }
    for (const std::string& file : entry.files) {
        if (!IsFullPath(file)) report.notRemoved.push_back(file + " (not a full path)");
        else if (StillShared(shared.Get(), file)) report.keptShared.push_back(file);
        else doomed.push_back(file);
    }

    // All servers are unregistered while every file they may need is still there.
    for (const ActiveXEntry* server : toUnregister) {
        if (GetFileAttributesA(server->path.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        std::string failure =
            server->executable ? UnregisterExecutable(server->path) : UnregisterLibrary(server->path);
        if (!failure.empty()) report.notUnregistered.push_back(server->path + " (" + failure + ")");
    }

    std::vector<std::string> directories;
    for (const std::string& file : doomed) {
        DeleteListed(file, report);
        directories.push_back(DirectoryOf(file));
    }
    // Deepest first, so that a parent is tried after its emptied children.
    std::sort(directories.begin(), directories.end(),
              [](const std::string& a, const std::string& b) {
                  return a.size() != b.size() ? a.size() > b.size() : lstrcmpiA(a.c_str(), b.c_str()) < 0;
              });
    directories.erase(std::unique(directories.begin(), directories.end(),
                                  [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }),
                      directories.end());
    ProtectedFolders folders;
    for (const std::string& directory : directories)
        if (!directory.empty()) RemoveEmptyDirectories(directory, folders, &report.removedDirectories);

    report.entryLeft = !DeleteKeyTree(HKEY_LOCAL_MACHINE, entry.keyPath);
    return report;
}

} // namespace uninstall
