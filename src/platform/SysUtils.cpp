#include "platform/SysUtils.h"

#include <cstdio>

#include "platform/Exceptions.h"

namespace qlry {

// Numbers ---------------------------------------------------------------------------

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(int value, int digits) { return Format("%.*x", {digits, static_cast<uint32_t>(value)}); }

std::string IntToHex64(int64_t value, int digits) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%0*llX", digits < 0 ? 0 : digits > 16 ? 16 : digits,
                  static_cast<unsigned long long>(value));
    return buffer;
}

bool TryStrToInt(const std::string& text, int& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;
    // Decimal stops at the Integer range; hexadecimal may use all 32 bits.
    uint64_t limit = base == 16 ? 0xFFFFFFFFu : negative ? 0x80000000u : 0x7FFFFFFFu;
    uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit) return false;
    }
    uint32_t bits = static_cast<uint32_t>(magnitude);
    value = static_cast<int>(negative ? 0u - bits : bits);
    return true;
}

int StrToInt(const std::string& text) {
    int value = 0;
    if (!TryStrToInt(text, value)) throw EConvertError("'%s' is not a valid integer value", {text});
    return value;
}

int StrToIntDef(const std::string& text, int defaultValue) {
    int value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

// Text ------------------------------------------------------------------------------

static bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string TrimLeft(const std::string& text) {
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start])) ++start;
    return text.substr(start);
}

std::string TrimRight(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    return text.substr(0, end);
}

std::string Trim(const std::string& text) { return TrimLeft(TrimRight(text)); }

static char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
static char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string UpperCase(const std::string& text) {
    std::string result = text;
    for (char& c : result) c = AsciiUpper(c);
    return result;
}

std::string LowerCase(const std::string& text) {
    std::string result = text;
    for (char& c : result) c = AsciiLower(c);
    return result;
}

std::string AnsiUpperCase(const std::string& text) {
    std::string result = text;
    if (!result.empty()) CharUpperBuffA(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

std::string AnsiLowerCase(const std::string& text) {
    std::string result = text;
    if (!result.empty()) CharLowerBuffA(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

int CompareText(const std::string& a, const std::string& b) {
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        int difference = static_cast<unsigned char>(AsciiUpper(a[i])) - static_cast<unsigned char>(AsciiUpper(b[i]));
        if (difference != 0) return difference;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

bool SameText(const std::string& a, const std::string& b) { return a.size() == b.size() && CompareText(a, b) == 0; }

int CompareStr(const std::string& a, const std::string& b) {
    int order = a.compare(b);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

static int CompareWithLocale(DWORD flags, const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), static_cast<int>(a.size()), b.data(),
                          static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

int AnsiCompareText(const std::string& a, const std::string& b) { return CompareWithLocale(NORM_IGNORECASE, a, b); }
int AnsiCompareStr(const std::string& a, const std::string& b) { return CompareWithLocale(0, a, b); }
bool AnsiSameText(const std::string& a, const std::string& b) { return AnsiCompareText(a, b) == 0; }

int Pos(const std::string& sub, const std::string& text) {
    if (sub.empty()) return 0;
    size_t at = text.find(sub);
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

int LastDelimiter(const std::string& delimiters, const std::string& text) {
    size_t at = text.find_last_of(delimiters);
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

std::string QuotedStr(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        if (c == '\'') result += '\'';
        result += c;
    }
    return result + "'";
}

std::string StringReplace(const std::string& text, const std::string& oldPattern, const std::string& newPattern,
                          unsigned flags) {
    if (oldPattern.empty()) return text;
    bool ignoreCase = (flags & rfIgnoreCase) != 0;
    std::string searched = ignoreCase ? AnsiUpperCase(text) : text;
    std::string pattern = ignoreCase ? AnsiUpperCase(oldPattern) : oldPattern;
    std::string result;
    size_t from = 0;
    for (;;) {
        size_t at = searched.find(pattern, from);
        if (at == std::string::npos) break;
        result.append(text, from, at - from).append(newPattern);
        from = at + pattern.size();
        if (!(flags & rfReplaceAll)) break;
    }
    return result.append(text, from, std::string::npos);
}

// Paths -----------------------------------------------------------------------------

std::string ExtractFilePath(const std::string& fileName) {
    return fileName.substr(0, LastDelimiter("\\:", fileName));
}

std::string ExtractFileDir(const std::string& fileName) {
    size_t length = LastDelimiter("\\:", fileName);
    // "C:\" and "\\" keep their backslash: without it they would name something else.
    if (length > 1 && fileName[length - 1] == '\\' && fileName[length - 2] != '\\' && fileName[length - 2] != ':')
        --length;
    return fileName.substr(0, length);
}

std::string ExtractFileName(const std::string& fileName) {
    return fileName.substr(LastDelimiter("\\:", fileName));
}

std::string ExtractFileExt(const std::string& fileName) {
    int at = LastDelimiter(".\\:", fileName);
    return at > 0 && fileName[at - 1] == '.' ? fileName.substr(at - 1) : std::string();
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
    int at = LastDelimiter(".\\:", fileName);
    size_t stemLength = at > 0 && fileName[at - 1] == '.' ? at - 1 : fileName.size();
    return fileName.substr(0, stemLength) + extension;
}

std::string ExtractFileDrive(const std::string& fileName) {
    if (fileName.size() >= 2 && fileName[1] == ':') return fileName.substr(0, 2);
    if (fileName.size() >= 2 && fileName[0] == '\\' && fileName[1] == '\\') {
        size_t server = fileName.find('\\', 2);
        if (server == std::string::npos) return fileName;
        size_t share = fileName.find('\\', server + 1);
        return fileName.substr(0, share);
    }
    return "";
}

std::string ExpandFileName(const std::string& fileName) {
    std::string buffer(MAX_PATH, '\0');
    char* filePart = nullptr;
    DWORD length = GetFullPathNameA(fileName.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetFullPathNameA(fileName.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &filePart);
    }
    buffer.resize(length < buffer.size() ? length : 0);
    return buffer;
}

// Files and directories -------------------------------------------------------------

bool FileExists(const std::string& fileName) {
    DWORD attributes = GetFileAttributesA(fileName.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& directory) {
    DWORD attributes = GetFileAttributesA(directory.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& directory) { return CreateDirectoryA(directory.c_str(), nullptr) != FALSE; }

bool ForceDirectories(const std::string& directory) {
    std::string dir = directory;
    while (dir.size() > 1 && dir.back() == '\\') dir.pop_back();
    if (dir.empty() || dir == "\\") return DirectoryExists(directory);
    if (DirectoryExists(dir)) return true;
    if (dir == ExtractFileDrive(dir)) return false;  // a drive or share that is not there
    std::string parent = ExtractFilePath(dir);
    // A name that ends in a colon inside the path ("C:\\Program Filesc:") is its own parent.
    if (parent == dir) return false;
    if (!parent.empty() && !ForceDirectories(parent)) return false;
    return CreateDir(dir) || DirectoryExists(dir);
}

bool RemoveDir(const std::string& directory) { return RemoveDirectoryA(directory.c_str()) != FALSE; }

bool DeleteFile(const std::string& fileName) { return DeleteFileA(fileName.c_str()) != FALSE; }

bool RenameFile(const std::string& oldName, const std::string& newName) {
    return MoveFileA(oldName.c_str(), newName.c_str()) != FALSE;
}

std::string GetCurrentDir() {
    std::string buffer(MAX_PATH, '\0');
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    }
    buffer.resize(length < buffer.size() ? length : 0);
    return buffer;
}

int64_t FileSize(const std::string& fileName) {
    if (fileName.find_first_of("*?") != std::string::npos) return -1;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(fileName.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return -1;
    FindClose(find);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int64_t DiskFree(const std::string& path) {
    std::string drive = ExtractFileDrive(ExpandFileName(path));
    std::string root = drive.empty() ? std::string() : drive + "\\";
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(root.empty() ? nullptr : root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        return -1;
    return static_cast<int64_t>(freeClusters) * sectorsPerCluster * bytesPerSector;
}

} // namespace qlry
