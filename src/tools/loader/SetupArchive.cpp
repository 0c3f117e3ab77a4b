#include "tools/loader/SetupArchive.h"

#include <zlib.h>

namespace loader {

namespace {

constexpr DWORD kStartBlock = 5;
constexpr DWORD kHeaderSize = 172;
constexpr DWORD kChunk = 16384;

int32_t Int32At(const unsigned char* bytes, int offset) {
    return static_cast<int32_t>(bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
                                (static_cast<uint32_t>(bytes[offset + 3]) << 24));
}

// Reads exactly Count bytes at Position of the range; Position + Count must lie inside it.
bool ReadAt(const ByteRange& range, DWORD position, void* buffer, DWORD count) {
    if (position > range.size || count > range.size - position) return false;
    LONG high = 0;
    if (SetFilePointer(range.file, static_cast<LONG>(range.start + position), &high, FILE_BEGIN) ==
            INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    DWORD read = 0;
    return ReadFile(range.file, buffer, count, &read, nullptr) && read == count;
}

bool WriteAll(HANDLE file, const unsigned char* bytes, DWORD count) {
    DWORD written = 0;
    return WriteFile(file, bytes, count, &written, nullptr) && written == count;
}

bool SameText(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

bool IsDeviceName(const char* name) {
    char base[MAX_PATH];
    int length = 0;
    while (name[length] && name[length] != '.' && length < MAX_PATH - 1) {
        base[length] = name[length];
        ++length;
    }
    base[length] = '\0';
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
    for (const char* device : devices)
        if (SameText(base, device)) return true;
    if (length == 4 && base[3] >= '0' && base[3] <= '9') {
        base[3] = '\0';
        if (SameText(base, "COM") || SameText(base, "LPT")) return true;
    }
    return false;
}

struct Inflater {
    z_stream stream{};
    bool open = false;
    ~Inflater() {
        if (open) inflateEnd(&stream);
    }
};

// Inflates the member's CompressedSize bytes at DataStart into Target; the stream must
// end exactly there and give exactly UncompressedSize bytes.
ExtractResult InflateMember(const ByteRange& range, DWORD dataStart, DWORD compressedSize, DWORD uncompressedSize,
                            HANDLE target) {
    unsigned char input[kChunk];
    unsigned char output[kChunk];
    Inflater inflater;
    if (inflateInit(&inflater.stream) != Z_OK) return ExtractResult::damaged;
    inflater.open = true;
    DWORD consumed = 0;
    DWORD produced = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (inflater.stream.avail_in == 0) {
            if (consumed == compressedSize) return ExtractResult::damaged;  // the stream does not end
            DWORD count = compressedSize - consumed < kChunk ? compressedSize - consumed : kChunk;
            if (!ReadAt(range, dataStart + consumed, input, count)) return ExtractResult::damaged;
            consumed += count;
            inflater.stream.next_in = input;
            inflater.stream.avail_in = count;
        }
        inflater.stream.next_out = output;
        inflater.stream.avail_out = kChunk;
        status = inflate(&inflater.stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) return ExtractResult::damaged;
        DWORD count = kChunk - inflater.stream.avail_out;
        if (count > uncompressedSize - produced) return ExtractResult::damaged;
        produced += count;
        if (count && !WriteAll(target, output, count)) return ExtractResult::cannotWrite;
    }
    if (produced != uncompressedSize || inflater.stream.avail_in != 0 || consumed != compressedSize)
        return ExtractResult::damaged;
    return ExtractResult::ok;
}

} // namespace

bool MemberFileName(const char* storedPath, int length, char (&name)[MAX_PATH]) {
    int start = 0;
    for (int i = 0; i < length; ++i)
        if (storedPath[i] == '\\' || storedPath[i] == '/' || storedPath[i] == ':') start = i + 1;
    int count = length - start;
    if (count <= 0 || count >= MAX_PATH) return false;
    for (int i = 0; i < count; ++i) {
        unsigned char c = static_cast<unsigned char>(storedPath[start + i]);
        if (c < ' ' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|') return false;
        name[i] = static_cast<char>(c);
    }
    name[count] = '\0';
    // Windows drops trailing dots and blanks, so "..." or "x. " would name something else.
    char last = name[count - 1];
    if (last == '.' || last == ' ') return false;
    return !IsDeviceName(name);
}

ExtractResult ExtractArchive(const ByteRange& range, const char* directory, char (&firstMember)[MAX_PATH],
                             char (&failedPath)[MAX_PATH]) {
    unsigned char block[kStartBlock];
    if (!ReadAt(range, 0, block, kStartBlock)) return ExtractResult::damaged;
    int32_t count = Int32At(block, 0);
    // setup.1 is always one file holding at least the setup program; every member takes
    // a header, which bounds the count by the archive's size.
    if (block[4] != 0 || count <= 0 || static_cast<DWORD>(count) > (range.size - kStartBlock) / kHeaderSize)
        return ExtractResult::damaged;
    DWORD position = kStartBlock;
    for (int32_t index = 0; index < count; ++index) {
        unsigned char header[kHeaderSize];
        if (!ReadAt(range, position, header, kHeaderSize)) return ExtractResult::damaged;
        int32_t dataEnd = Int32At(header, 16);
        int32_t nextHeader = Int32At(header, 124);
        int32_t uncompressed = Int32At(header, 128);
        int32_t dataStart = Int32At(header, 132);
        int32_t compressed = Int32At(header, 136);
        int nameLength = header[20];
        if (nameLength > 100 || uncompressed < 0 || compressed <= 0 ||
            dataStart < static_cast<int32_t>(position + kHeaderSize) ||
            static_cast<DWORD>(dataStart) > range.size || static_cast<DWORD>(compressed) > range.size - dataStart ||
            static_cast<int64_t>(dataEnd) != static_cast<int64_t>(dataStart) + compressed - 1)
            return ExtractResult::damaged;
        // Each header lies beyond the one before, so a damaged chain cannot loop.
        if (index + 1 < count && (nextHeader <= static_cast<int32_t>(position) ||
                                  static_cast<DWORD>(nextHeader) > range.size - kHeaderSize))
            return ExtractResult::damaged;

        char name[MAX_PATH];
        if (!MemberFileName(reinterpret_cast<const char*>(header + 21), nameLength, name))
            return ExtractResult::damaged;
        if (index == 0) lstrcpyA(firstMember, name);
        if (lstrlenA(directory) + 1 + lstrlenA(name) >= MAX_PATH) return ExtractResult::damaged;
        wsprintfA(failedPath, "%s\\%s", directory, name);
        FileHandle target(CreateFileA(failedPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                      nullptr));
        if (!target.Valid()) return ExtractResult::cannotWrite;
        ExtractResult result = InflateMember(range, static_cast<DWORD>(dataStart), static_cast<DWORD>(compressed),
                                             static_cast<DWORD>(uncompressed), target.Get());
        if (result != ExtractResult::ok) return result;
        position = static_cast<DWORD>(nextHeader);
    }
    failedPath[0] = '\0';
    return ExtractResult::ok;
}

void RemoveExtracted(const char* directory) {
    char pattern[MAX_PATH];
    if (lstrlenA(directory) + 3 >= MAX_PATH) return;
    wsprintfA(pattern, "%s\\*", directory);
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            char path[MAX_PATH];
            if (lstrlenA(directory) + 1 + lstrlenA(data.cFileName) >= MAX_PATH) continue;
            wsprintfA(path, "%s\\%s", directory, data.cFileName);
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path);
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(directory);
}

} // namespace loader
