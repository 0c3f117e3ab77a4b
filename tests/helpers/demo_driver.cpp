// Plays the user of a setup run: starts the setup, and on every page it shows takes a
// picture of the screen and presses the page's default button (Finish, Next or Install),
// answers the palette question with its default (Yes) and any other message box with OK,
// until the setup ends. Then it writes what the run left behind: the files below the
// product directory, the program folder's links, the uninstall entry and the help
// registrations.
//
//   demo_driver.exe [-watch] OUTDIR PRODUCTDIR FOLDER SETUP [ARGUMENTS...]
//
// With -watch a person at the screen does the clicking; the driver only takes the
// pictures and writes the summary.
// Pictures go to OUTDIR as NN-<page>.bmp, the summary to OUTDIR\summary.txt; FOLDER is
// the program folder's name below the Start menu's Programs. The exit code is the
// setup's, or 3 when it did not end within ten minutes.
#include <windows.h>
#include <tlhelp32.h>
#include <shlobj.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

std::string ControlName(HWND window) {
    auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(window, "QlryName")));
    if (!atom) return "";
    char name[256] = {};
    GlobalGetAtomNameA(atom, name, sizeof name);
    return name;
}

std::string ClassOf(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

struct TopSearch {
    DWORD process;
    std::vector<HWND> windows;
};

BOOL CALLBACK VisitTop(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<TopSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window)) search->windows.push_back(window);
    return TRUE;
}

struct ChildSearch {
    std::vector<HWND> windows;
};

BOOL CALLBACK VisitChild(HWND window, LPARAM parameter) {
    if (IsWindowVisible(window)) reinterpret_cast<ChildSearch*>(parameter)->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> VisibleChildren(HWND parent) {
    ChildSearch search;
    EnumChildWindows(parent, VisitChild, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

// The window the user would work on now: a message box first, else an enabled window
// other than the main form (the one that covers the screen).
HWND ActiveWindowOf(DWORD process, std::string& kind) {
    TopSearch search{process, {}};
    EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.windows)
        if (ClassOf(window) == "#32770") {
            kind = "message";
            return window;
        }
    for (HWND window : search.windows)
        if (IsWindowEnabled(window) && ControlName(window) != "formMain") {
            kind = "page";
            return window;
        }
    return nullptr;
}

// Which page a window shows: its own name and those of the visible forms inside it.
std::string PageKey(HWND window) {
    std::string key = ControlName(window);
    if (key.empty()) key = TextOf(window);
    for (HWND child : VisibleChildren(window))
        if (ClassOf(child) == "QlryForm") key += "+" + ControlName(child);
    return key;
}

HWND FindButton(HWND window, const char* name) {
    for (HWND child : VisibleChildren(window))
        if (ControlName(child) == name && IsWindowEnabled(child)) return child;
    return nullptr;
}

void SaveScreen(const std::string& path) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    DWORD stride = (width * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * height;
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
        std::fwrite(bits, stride * height, 1, out);
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

std::string SafeName(std::string text) {
    for (char& c : text)
        if (!(isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_')) c = '_';
    return text.substr(0, 60);
}

std::string FileDate(const WIN32_FIND_DATAA& data) {
    SYSTEMTIME time{};
    FileTimeToSystemTime(&data.ftLastWriteTime, &time);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}

void ListTree(FILE* out, const std::string& directory, int& count, const std::string& filter = "*") {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((directory + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> subdirectories;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            subdirectories.push_back(name);
        } else {
            ++count;
            std::fprintf(out, "  %s  %10lu  %s\\%s\n", FileDate(data).c_str(), data.nFileSizeLow, directory.c_str(),
                         name.c_str());
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    for (const std::string& name : subdirectories) ListTree(out, directory + "\\" + name, count, filter);
}

void DumpKey(FILE* out, HKEY root, const std::string& key, const std::string& indent) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        std::fprintf(out, "%s(no key %s)\n", indent.c_str(), key.c_str());
        return;
    }
    for (DWORD i = 0;; ++i) {
        char name[512] = {};
        BYTE value[2048] = {};
        DWORD nameSize = sizeof name, valueSize = sizeof value - 1, type = 0;
        if (RegEnumValueA(handle, i, name, &nameSize, nullptr, &type, value, &valueSize) != ERROR_SUCCESS) break;
        if (type == REG_SZ) std::fprintf(out, "%s%s = %s\n", indent.c_str(), name, reinterpret_cast<char*>(value));
        else std::fprintf(out, "%s%s (type %lu)\n", indent.c_str(), name, type);
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        char name[512] = {};
        DWORD size = sizeof name;
        if (RegEnumKeyExA(handle, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.push_back(name);
    }
    RegCloseKey(handle);
    for (const std::string& subkey : subkeys) {
        std::fprintf(out, "%s[%s]\n", indent.c_str(), subkey.c_str());
        DumpKey(out, root, key + "\\" + subkey, indent + "  ");
    }
}

void WriteSummary(const std::string& path, const std::string& productDir, const std::string& folder,
                  const std::vector<std::string>& pages, int exitCode) {
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return;
    std::fprintf(out, "Setup ended with exit code %d after %u pages:\n", exitCode, static_cast<unsigned>(pages.size()));
    for (const std::string& page : pages) std::fprintf(out, "  %s\n", page.c_str());
    int files = 0;
    std::fprintf(out, "\nFiles below %s:\n", productDir.c_str());
    ListTree(out, productDir, files);
    std::fprintf(out, "  (%d files)\n", files);

    char programs[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE);
    std::string linkRoot = std::string(programs) + "\\" + folder;
    DWORD attributes = GetFileAttributesA(linkRoot.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, FALSE);
        linkRoot = std::string(programs) + "\\" + folder;
    }
    int links = 0;
    std::fprintf(out, "\nLinks in the program folder %s:\n", linkRoot.c_str());
    ListTree(out, linkRoot, links);
    std::fprintf(out, "  (%d links)\n", links);

    std::fprintf(out, "\nUninstall entry:\n");
    DumpKey(out, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Larkspan", "  ");
    std::fprintf(out, "\nHelp registrations:\n");
    DumpKey(out, HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\Help", "  ");
    std::fprintf(out, "\nPalettes of the development environments (HKCU\\Software\\Borland):\n");
    DumpKey(out, HKEY_CURRENT_USER, "Software\\Borland", "  ");
    std::fclose(out);
}

} // namespace

// The first running process that Parent started; 0 when there is none.
DWORD ChildOf(DWORD parent) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD child = 0;
    for (BOOL more = Process32First(snapshot, &entry); more && !child; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parent) child = entry.th32ProcessID;
    CloseHandle(snapshot);
    return child;
}

int main(int argc, char** argv) {
    bool watch = argc > 1 && std::string(argv[1]) == "-watch";
    if (watch) {
        --argc;
        ++argv;
    }
    if (argc < 5) {
        std::fprintf(stderr, "usage: demo_driver [-watch] OUTDIR PRODUCTDIR FOLDER SETUP [ARGUMENTS...]\n");
        return 2;
    }
    std::string outDir = argv[1], productDir = argv[2], folder = argv[3];
    std::string command = std::string("\"") + argv[4] + "\"";
    for (int i = 5; i < argc; ++i) command += std::string(" \"") + argv[i] + "\"";
    CreateDirectoryA(outDir.c_str(), nullptr);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    // The setup's own output (a crash report, say) goes where the driver's goes.
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "demo_driver: cannot start %s (error %lu)\n", command.c_str(), GetLastError());
        return 2;
    }
    std::printf("demo_driver: started %s (process %lu)\n", command.c_str(), process.dwProcessId);
    std::fflush(stdout);

    std::vector<std::string> pages;
    std::string lastKey;
    DWORD lastPress = 0, start = GetTickCount();
    int exitCode = 3;
    // A distributed setup.exe is the loading program: it starts the setup from a temporary
    // copy and ends. The driver then follows that setup.
    bool followedChild = false;
    for (;;) {
        if (WaitForSingleObject(process.hProcess, 200) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process.hProcess, &code);
            exitCode = static_cast<int>(code);
            if (!followedChild && code == 0) {
                DWORD child = ChildOf(process.dwProcessId);
                HANDLE handle = child ? OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, child) : nullptr;
                if (handle) {
                    CloseHandle(process.hProcess);
                    process.hProcess = handle;
                    process.dwProcessId = child;
                    followedChild = true;
                    std::printf("demo_driver: following the setup the loader started (process %lu)\n", child);
                    std::fflush(stdout);
                    continue;
                }
            }
            break;
        }
        if (GetTickCount() - start > 600000) {
            std::fprintf(stderr, "demo_driver: the setup did not end within ten minutes\n");
            TerminateProcess(process.hProcess, 3);
            break;
        }
        std::string kind;
        HWND window = ActiveWindowOf(process.dwProcessId, kind);
        if (!window) continue;
        std::string key = kind == "message" ? "message:" + TextOf(window) : PageKey(window);
        bool fresh = key != lastKey;
        if (!fresh && (watch || GetTickCount() - lastPress < 5000)) continue;
        if (fresh) {
            // Let the page finish painting before the picture.
            Sleep(800);
            if (ActiveWindowOf(process.dwProcessId, kind) != window) continue;
            char number[8];
            std::snprintf(number, sizeof number, "%02u", static_cast<unsigned>(pages.size() + 1));
            std::string label = kind == "message" ? "message" : ControlName(window);
            for (HWND child : VisibleChildren(window))
                if (ClassOf(child) == "QlryForm" && !ControlName(child).empty()) label = ControlName(child);
            SaveScreen(outDir + "\\" + number + "-" + SafeName(label) + ".bmp");
            std::string description = label + ": " + TextOf(window);
            if (kind == "message") {
                char text[1024] = {};
                GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
                description = std::string("message box: ") + text;
            }
            pages.push_back(description);
            std::printf("demo_driver: page %s\n", description.c_str());
            std::fflush(stdout);
            lastKey = key;
        }
        if (watch) continue;
        HWND target = nullptr;
        if (kind == "message") {
            // The default of the palette question is Yes (QLRY_DEMO_PALETTE=No answers No);
            // any other box is acknowledged.
            char answer[8] = {};
            GetEnvironmentVariableA("QLRY_DEMO_PALETTE", answer, sizeof answer);
            target = GetDlgItem(window, std::string(answer) == "No" ? IDNO : IDYES);
            if (!target) target = GetDlgItem(window, IDOK);
        } else {
            for (const char* name : {"FinishBtn", "ProceedBtn", "InstallBtn"})
                if ((target = FindButton(window, name))) break;
        }
        if (target) {
            PostMessageA(target, BM_CLICK, 0, 0);
            lastPress = GetTickCount();
        }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    WriteSummary(outDir + "\\summary.txt", productDir, folder, pages, exitCode);
    std::printf("demo_driver: setup ended with exit code %d\n", exitCode);
    return exitCode;
}
