#pragma once
// Reading setup.1: the members of a single-file archive, each one zlib stream, unpacked
// into one directory. Nothing outside the archive's byte range is read and nothing
// outside the directory is written, whatever the archive holds.
#include <windows.h>

#include <cstdint>

namespace loader {

// An open file handle that closes itself.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close() { Reset(INVALID_HANDLE_VALUE); }
    void Reset(HANDLE handle) {
        if (Valid()) CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

// Bytes [Start, Start + Size) of a file.
struct ByteRange {
    HANDLE file;
    DWORD start;
    DWORD size;
};

enum class ExtractResult { ok, damaged, cannotWrite };

// Unpacks every member of the archive in Range into Directory (no trailing backslash).
// FirstMember receives the file name of the first member, the setup program. On failure
// FailedPath names the file that could not be written.
ExtractResult ExtractArchive(const ByteRange& range, const char* directory, char (&firstMember)[MAX_PATH],
                             char (&failedPath)[MAX_PATH]);

// The file-name part of an archive member's stored path, refused (False) when nothing
// usable is left: empty, "." or "..", or a device name such as CON or LPT1.
bool MemberFileName(const char* storedPath, int length, char (&name)[MAX_PATH]);

// Deletes the files directly inside Directory, then the directory itself.
void RemoveExtracted(const char* directory);

} // namespace loader
