#pragma once
// What the build suite's tests share: the framework's search path set for the length of a
// test, the trailer read straight from the bytes, and the members of an archive.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "routines/routines_Registry.h"

namespace qlry::test {

inline const char* const librarySearchKey = "\\Software\\Borland\\Delphi\\4.0\\Library";

// Sets the library search path through which a build finds the framework, and puts the
// previous value back (or removes it) at the end.
class SearchPathOverride {
public:
    explicit SearchPathOverride(const std::string& value)
        : saved_(RegReadString(rkCurrentUser, librarySearchKey, "Search Path", missing)) {
        RegWriteString(rkCurrentUser, librarySearchKey, "Search Path", value);
    }
    ~SearchPathOverride() {
        if (saved_ != missing) {
            RegWriteString(rkCurrentUser, librarySearchKey, "Search Path", saved_);
            return;
        }
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, librarySearchKey + 1, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "Search Path");
            RegCloseKey(key);
        }
    }
    SearchPathOverride(const SearchPathOverride&) = delete;
    SearchPathOverride& operator=(const SearchPathOverride&) = delete;

private:
    static constexpr const char* missing = "\x01<missing>";
    std::string saved_;
};

// The last 56 bytes of a setup.exe, taken apart by offset.
struct RawTrailer {
    int markerLength = -1;
    std::string marker;
    int zeroAfterMarker = -1;
    uint32_t setup1Start = 0, setup1End = 0, files1Start = 0, files1End = 0;
    bool tailZero = false;
};

inline uint32_t LittleEndian32(const std::string& bytes, std::size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

inline RawTrailer TrailerOf(const std::string& file) {
    RawTrailer trailer;
    if (file.size() < 56) return trailer;
    const std::string t = file.substr(file.size() - 56);
    trailer.markerLength = static_cast<unsigned char>(t[0]);
    trailer.marker = t.substr(1, 14);
    trailer.zeroAfterMarker = static_cast<unsigned char>(t[15]);
    trailer.setup1Start = LittleEndian32(t, 16);
    trailer.setup1End = LittleEndian32(t, 20);
    trailer.files1Start = LittleEndian32(t, 24);
    trailer.files1End = LittleEndian32(t, 28);
    trailer.tailZero = t.substr(32) == std::string(24, '\0');
    return trailer;
}

// "name#uniqueID" for each member of the archive, in archive order.
inline std::vector<std::string> MembersOf(const std::string& archive) {
    TQlryCompress compress(nullptr);
    compress.SetCompressedFile(archive);
    std::vector<std::string> members;
    const int count = compress.FileCount();
    for (int i = 0; i < count; ++i) {
        const TFileHeader* header = compress.Headers().FileHeaders(i);
        std::string name = header->FileName();
        const std::size_t slash = name.find_last_of('\\');
        if (slash != std::string::npos) name.erase(0, slash + 1);
        members.push_back(name + "#" + std::to_string(header->Record.UniqueID));
    }
    return members;
}

} // namespace qlry::test
