#include "platform/IniFile.h"

#include <windows.h>

#include <vector>

#include "platform/Exceptions.h"
#include "platform/Strings.h"
#include "platform/SysUtils.h"

namespace qlry {

namespace {

// GetPrivateProfileStringA into a buffer that grows until the answer fits; it returns
// size - 1 (one value) or size - 2 (a list) when it had to cut.
std::string ProfileString(const char* section, const char* ident, const char* defaultValue, const std::string& file) {
    std::vector<char> buffer(2048);
    for (;;) {
        DWORD length = GetPrivateProfileStringA(section, ident, defaultValue, buffer.data(),
                                                static_cast<DWORD>(buffer.size()), file.c_str());
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 24)) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 4);
    }
}

// Splits a double-zero-terminated list of names into Strings.
void ReadNameList(const char* section, const std::string& file, TStrings& strings) {
    std::string list = ProfileString(section, nullptr, "", file);
    strings.BeginUpdate();
    try {
        strings.Clear();
        for (size_t start = 0; start < list.size();) {
            size_t end = list.find('\0', start);
            if (end == std::string::npos) end = list.size();
            if (end > start) strings.Add(list.substr(start, end - start));
            start = end + 1;
        }
    } catch (...) {
        strings.EndUpdate();
        throw;
    }
    strings.EndUpdate();
}

} // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const {
    return ProfileString(section.c_str(), ident.c_str(), defaultValue.c_str(), fileName_);
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
    if (!WritePrivateProfileStringA(section.c_str(), ident.c_str(), value.c_str(), fileName_.c_str()))
        throw EIniFileException("Unable to write to %s", {fileName_});
}

int TIniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const {
    return StrToIntDef(ReadString(section, ident, ""), defaultValue);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::ReadSection(const std::string& section, TStrings& strings) const {
    ReadNameList(section.c_str(), fileName_, strings);
}

void TIniFile::ReadSections(TStrings& strings) const { ReadNameList(nullptr, fileName_, strings); }

void TIniFile::ReadSectionValues(const std::string& section, TStrings& strings) const {
    TStringList keys;
    ReadSection(section, keys);
    strings.BeginUpdate();
    try {
        strings.Clear();
        for (int i = 0; i < keys.Count(); ++i) strings.Add(keys[i] + "=" + ReadString(section, keys[i], ""));
    } catch (...) {
        strings.EndUpdate();
        throw;
    }
    strings.EndUpdate();
}

bool TIniFile::SectionExists(const std::string& section) const {
    TStringList keys;
    ReadSection(section, keys);
    return keys.Count() > 0;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& ident) const {
    TStringList keys;
    ReadSection(section, keys);
    return keys.IndexOf(ident) >= 0;
}

void TIniFile::EraseSection(const std::string& section) {
    if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, fileName_.c_str()))
        throw EIniFileException("Unable to write to %s", {fileName_});
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    WritePrivateProfileStringA(section.c_str(), ident.c_str(), nullptr, fileName_.c_str());
}

void TIniFile::UpdateFile() { WritePrivateProfileStringA(nullptr, nullptr, nullptr, fileName_.c_str()); }

} // namespace qlry
