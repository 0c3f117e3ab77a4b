// The front of every distributed setup.exe. Finds setup.1 through the 56-byte trailer at
// the end of its own file (inside itself, or beside itself), unpacks the setup program and
// the presetup files into a fresh temporary directory and starts the setup program from
// there:
//   "<temp>\<setup>" "-s<distribution directory>" "-c<started file>"                 (setup.1 beside)
//   "<temp>\<setup>" "-s<distribution directory>" "-e<started file>" -c              (self-extracting)
// followed by -f when the user asked for *TODISK. The second parameter carries the name
// of the file the distribution was started from. The setup removes its temporary copy
// itself at the end of its run, so the loader ends at once and holds nothing there; only
// for the floppy transfer, which leaves the copy behind, it waits and removes it.
#include <windows.h>

#include "tools/loader/SetupArchive.h"

using namespace loader;

namespace {

constexpr DWORD kTrailerSize = 56;
const char kCaption[] = "Setup";

void Fail(const char* format, const char* argument, int number = 0) {
    char text[1024];
    wsprintfA(text, format, argument, number);
    MessageBoxA(nullptr, text, kCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TASKMODAL);
}

uint32_t UInt32At(const unsigned char* bytes, int offset) {
    return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
           (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

bool SameBytes(const unsigned char* bytes, const char* text, int count) {
    for (int i = 0; i < count; ++i)
        if (bytes[i] != static_cast<unsigned char>(text[i])) return false;
    return true;
}

// The parameters after the program's own name; True when one of them is *TODISK.
bool WantsFloppies() {
    const char* line = GetCommandLineA();
    bool first = true;
    while (*line) {
        while (*line == ' ' || *line == '\t') ++line;
        if (!*line) break;
        char parameter[MAX_PATH];
        int length = 0;
        bool quoted = false;
        while (*line && (quoted || (*line != ' ' && *line != '\t'))) {
            if (*line == '"') quoted = !quoted;
            else if (length < MAX_PATH - 1) parameter[length++] = *line;
            ++line;
        }
        parameter[length] = '\0';
        if (!first && lstrcmpiA(parameter, "*TODISK") == 0) return true;
        first = false;
    }
    return false;
}

// A new empty directory under the temporary directory.
bool CreateTemporaryDirectory(const char* tempRoot, char (&directory)[MAX_PATH]) {
    DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (lstrlenA(tempRoot) + 12 >= MAX_PATH) return false;
        wsprintfA(directory, "%sQLRY%04X", tempRoot, static_cast<unsigned>((seed + attempt) & 0xFFFF));
        if (CreateDirectoryA(directory, nullptr)) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

int Run() {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    int nameStart = 0;
    for (int i = 0; self[i]; ++i)
        if (self[i] == '\\') nameStart = i + 1;
    char distribution[MAX_PATH];
    lstrcpynA(distribution, self, nameStart > 0 ? nameStart : 1);  // without the trailing backslash
    const char* startedName = self + nameStart;

    FileHandle own(CreateFileA(self, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                               nullptr));
    DWORD high = 0;
    DWORD ownSize = own.Valid() ? GetFileSize(own.Get(), &high) : 0;
    unsigned char trailer[kTrailerSize];
    DWORD read = 0;
    bool haveTrailer = own.Valid() && high == 0 && ownSize != INVALID_FILE_SIZE && ownSize >= kTrailerSize &&
                       SetFilePointer(own.Get(), static_cast<LONG>(ownSize - kTrailerSize), nullptr, FILE_BEGIN) !=
                           INVALID_SET_FILE_POINTER &&
                       ReadFile(own.Get(), trailer, kTrailerSize, &read, nullptr) && read == kTrailerSize &&
                       trailer[0] == 14;
    bool selfExtracting = haveTrailer && SameBytes(trailer + 1, "SELFEXTRACTING", 14);
    if (!selfExtracting && !(haveTrailer && SameBytes(trailer + 1, "NOTSELFEXTRACT", 14))) {
        Fail("The setup program %s is damaged: the information that locates its setup files is missing. "
             "Please obtain a new copy of the installation.",
             self);
        return 1;
    }

    char archivePath[MAX_PATH];
    FileHandle beside;
    ByteRange range{};
    if (selfExtracting) {
        lstrcpyA(archivePath, self);
        uint32_t first = UInt32At(trailer, 16);
        uint32_t last = UInt32At(trailer, 20);
        // setup.1 must lie inside the file, ahead of the trailer.
        if (last < first || last >= ownSize - kTrailerSize) {
            Fail("The setup file %s is damaged. Please obtain a new copy of the installation.", archivePath);
            return 1;
        }
        range = ByteRange{own.Get(), first, last - first + 1};
    } else {
        if (lstrlenA(distribution) + 9 >= MAX_PATH) return 1;
        wsprintfA(archivePath, "%s\\setup.1", distribution);
        own.Close();
        beside.Reset(
            CreateFileA(archivePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD size = beside.Valid() ? GetFileSize(beside.Get(), &high) : 0;
        if (!beside.Valid() || size == INVALID_FILE_SIZE || high != 0) {
            Fail("The setup file %s is missing or cannot be opened.", archivePath);
            return 1;
        }
        range = ByteRange{beside.Get(), 0, size};
    }

    char tempRoot[MAX_PATH];
    DWORD tempLength = GetTempPathA(MAX_PATH, tempRoot);
    if (tempLength == 0 || tempLength >= MAX_PATH) lstrcpyA(tempRoot, "C:\\");
    char directory[MAX_PATH];
    if (!CreateTemporaryDirectory(tempRoot, directory)) {
        Fail("Cannot create a temporary directory in %s.", tempRoot);
        return 1;
    }
    char setupName[MAX_PATH] = "";
    char failedPath[MAX_PATH] = "";
    ExtractResult result = ExtractArchive(range, directory, setupName, failedPath);
    own.Close();
    beside.Close();
    if (result != ExtractResult::ok) {
        RemoveExtracted(directory);
        if (result == ExtractResult::damaged)
            Fail("The setup file %s is damaged. Please obtain a new copy of the installation.", archivePath);
        else
            Fail("Cannot write %s. The disk may be full.", failedPath);
        return 1;
    }

    bool floppies = WantsFloppies();
    char program[MAX_PATH];
    wsprintfA(program, "%s\\%s", directory, setupName);
    char commandLine[4 * MAX_PATH + 64];
    if (selfExtracting)
        wsprintfA(commandLine, "\"%s\" \"-s%s\" \"-e%s\" -c", program, distribution, startedName);
    else
        wsprintfA(commandLine, "\"%s\" \"-s%s\" \"-c%s\"", program, distribution, startedName);
    if (floppies) lstrcatA(commandLine, " -f");

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // The setup runs from the temporary root, not from its own directory: the batch file
    // that removes that directory at the end inherits the setup's current directory.
    if (!CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, tempRoot, &startup, &process)) {
        int error = static_cast<int>(GetLastError());
        RemoveExtracted(directory);
        Fail("Cannot start the setup program %s (error %d).", program, error);
        return 1;
    }
    CloseHandle(process.hThread);
    if (floppies) {
        WaitForSingleObject(process.hProcess, INFINITE);
        RemoveExtracted(directory);
    }
    CloseHandle(process.hProcess);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return Run(); }
