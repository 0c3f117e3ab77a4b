// Plays the setup program that the loading program starts:
//   fake_setup <whatever the loader passes>
// Writes three lines to the file named by QLRY_FAKE_SETUP_RECORD: its command line, its
// current directory and its own file name. When QLRY_FAKE_SETUP_WAIT names an event it
// then waits for that event (up to a minute) before it ends.
#include <windows.h>

#include <string>

int main() {
    char record[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("QLRY_FAKE_SETUP_RECORD", record, MAX_PATH)) return 2;
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, directory);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string text = std::string(GetCommandLineA()) + "\r\n" + directory + "\r\n" + self + "\r\n";
    // Written under a temporary name and renamed, so that a reader never sees half of it.
    std::string partial = std::string(record) + ".part";
    HANDLE file = CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExA(partial.c_str(), record, MOVEFILE_REPLACE_EXISTING);

    char eventName[MAX_PATH] = {};
    if (GetEnvironmentVariableA("QLRY_FAKE_SETUP_WAIT", eventName, MAX_PATH)) {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, eventName);
        if (event) {
            WaitForSingleObject(event, 60000);
            CloseHandle(event);
        }
    }
    return 0;
}
