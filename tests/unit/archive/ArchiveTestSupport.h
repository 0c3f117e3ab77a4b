#pragma once
// What the archive tests share: payloads, reading fields at byte offsets, and listing a
// directory tree to prove nothing was written where it should not be.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include <zlib.h>

#include "support/TestSupport.h"

namespace qlry::test {

inline std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

inline std::string TextBytes(std::size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line) text += "line " + std::to_string(line) + " of the payload\r\n";
    text.resize(size);
    return text;
}

inline int32_t Int32At(const std::string& bytes, std::size_t offset) {
    int32_t value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

inline void PutInt32(std::string& bytes, std::size_t offset, int32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
}

inline double DoubleAt(const std::string& bytes, std::size_t offset) {
    double value;
    std::memcpy(&value, bytes.data() + offset, 8);
    return value;
}

inline uint8_t ByteAt(const std::string& bytes, std::size_t offset) {
    return static_cast<uint8_t>(bytes.at(offset));
}

inline std::string ZlibCompress(const std::string& data, int level = 9) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), level);
    packed.resize(size);
    return packed;
}

inline std::string ZlibInflate(const std::string& packed, std::size_t expectedSize) {
    std::string data(expectedSize, '\0');
    uLongf size = static_cast<uLongf>(expectedSize);
    if (uncompress(reinterpret_cast<Bytef*>(data.data()), &size, reinterpret_cast<const Bytef*>(packed.data()),
                   static_cast<uLong>(packed.size())) != Z_OK)
        return "<inflate failed>";
    data.resize(size);
    return data;
}

// Every file and directory below Root, as paths relative to it.
inline void ListTree(const std::string& root, const std::string& relative, std::set<std::string>& entries) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((root + relative + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        entries.insert(relative + "\\" + name);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ListTree(root, relative + "\\" + name, entries);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

inline std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> entries;
    ListTree(root, "", entries);
    return entries;
}

} // namespace qlry::test
