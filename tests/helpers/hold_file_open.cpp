// Holds a file open without sharing until told to let go:
//   hold_file_open PATH READY_EVENT RELEASE_EVENT
// Signals READY_EVENT once the file is open and closes it when RELEASE_EVENT is set (or
// after a minute). Exits 1 when the file cannot be opened.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, argv[3]);
    if (ready) SetEvent(ready);
    if (release) WaitForSingleObject(release, 60000);
    CloseHandle(file);
    if (ready) CloseHandle(ready);
    if (release) CloseHandle(release);
    return 0;
}
