// Times one program run inside the prefix, children included.
//   install_timer RESULT_FILE [-gone HKLM_KEY] [-file PATH] COMMAND LINE...
// Starts the command in a job and waits until every process of the job has ended, the
// registry key below HKEY_LOCAL_MACHINE (if given) is gone and the file (if given) exists.
// Writes "exit=<code> main_ms=<end of the started process> done_ms=<all conditions met>"
// and the processes still in the job when the started one ended to RESULT_FILE; exits
// with the command's exit code, or 124 after ten minutes.
#include <windows.h>

#include <cstdio>
#include <string>

// Declared for Vista and later by the headers; Wine has it.
extern "C" BOOL WINAPI QueryFullProcessImageNameA(HANDLE process, DWORD flags, LPSTR name, PDWORD size);

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool KeyGone(const std::string& key) {
    if (key.empty()) return true;
    HKEY handle;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return true;
    RegCloseKey(handle);
    return false;
}

bool FileThere(const std::string& path) {
    return path.empty() || GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD ActiveProcesses(HANDLE job) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr)) return 0;
    return info.ActiveProcesses;
}

// The rest of the command line after the first Count arguments, as typed.
const char* SkipArguments(const char* line, int count) {
    for (int i = 0; i < count; ++i) {
        while (*line == ' ' || *line == '\t') ++line;
        bool quoted = false;
        while (*line && (quoted || (*line != ' ' && *line != '\t'))) {
            if (*line == '"') quoted = !quoted;
            ++line;
        }
    }
    while (*line == ' ' || *line == '\t') ++line;
    return line;
}

// The image names of the processes still in the job.
std::string JobProcesses(HANDLE job) {
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR more[63];
    } ids = {};
    ids.list.NumberOfAssignedProcesses = 64;
    std::string names;
    if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr)) return names;
    for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i) {
        char image[MAX_PATH] = "?";
        DWORD size = MAX_PATH;
        if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE,
                                         static_cast<DWORD>(ids.list.ProcessIdList[i]))) {
            QueryFullProcessImageNameA(process, 0, image, &size);
            CloseHandle(process);
        }
        if (!names.empty()) names += ',';
        names += image;
    }
    return names;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: install_timer RESULT_FILE [-gone KEY] [-file PATH] COMMAND...\n");
        return 2;
    }
    std::string result = argv[1], key, file;
    int used = 2;
    while (used + 1 < argc && (std::string(argv[used]) == "-gone" || std::string(argv[used]) == "-file")) {
        (std::string(argv[used]) == "-gone" ? key : file) = argv[used + 1];
        used += 2;
    }
    std::string command = SkipArguments(GetCommandLineA(), used);

    // The first window of a prefix's session starts Wine's desktop process, which would join
    // the job and linger a second after the last window; start it here, outside the job.
    HWND window = CreateWindowExA(0, "STATIC", "install_timer", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);

    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double start = Now();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "install_timer: cannot start %s (%lu)\n", command.c_str(), GetLastError());
        return 2;
    }
    const bool inJob = job && AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);

    WaitForSingleObject(process.hProcess, 600000);
    const double mainEnd = Now();
    const std::string left = inJob ? JobProcesses(job) : std::string();
    DWORD code = 124;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    bool done = false;
    while (Now() - start < 600000) {
        if ((!inJob || ActiveProcesses(job) == 0) && KeyGone(key) && FileThere(file)) {
            done = true;
            break;
        }
        Sleep(5);
    }
    const double end = Now();
    if (job) CloseHandle(job);
    if (window) DestroyWindow(window);
    if (FILE* out = std::fopen(result.c_str(), "w")) {
        std::fprintf(out, "exit=%lu main_ms=%.0f done_ms=%.0f job=%d left=%s\n", code, mainEnd - start,
                     end - start, inJob ? 1 : 0, left.c_str());
        std::fclose(out);
    }
    return done ? static_cast<int>(code) : 124;
}
