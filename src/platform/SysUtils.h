#pragma once
// Small string, number, path and file routines of the class library. Positions are
// 1-based as in the class library (0 = not found).
#include <windows.h>

#include <cstdint>
#include <string>

// windows.h maps DeleteFile to DeleteFileA; ours must keep its own name in every unit.
#undef DeleteFile

namespace qlry {

// Numbers
std::string IntToStr(int64_t value);
std::string IntToHex(int value, int digits);          // 32-bit pattern, upper case
std::string IntToHex64(int64_t value, int digits);
// Decimal, or hexadecimal after "$" or "0x"; leading blanks allowed. Raises EConvertError
// "'%s' is not a valid integer value".
int StrToInt(const std::string& text);
int StrToIntDef(const std::string& text, int defaultValue);
bool TryStrToInt(const std::string& text, int& value);

// Text
std::string Trim(const std::string& text);        // removes characters <= ' '
std::string TrimLeft(const std::string& text);
std::string TrimRight(const std::string& text);
std::string UpperCase(const std::string& text);   // ASCII letters only
std::string LowerCase(const std::string& text);
std::string AnsiUpperCase(const std::string& text);  // the ANSI code page's letters
std::string AnsiLowerCase(const std::string& text);
int CompareText(const std::string& a, const std::string& b);  // ASCII, ignoring case
bool SameText(const std::string& a, const std::string& b);
int CompareStr(const std::string& a, const std::string& b);
int AnsiCompareText(const std::string& a, const std::string& b);  // CompareStringA, ignoring case
int AnsiCompareStr(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);
int Pos(const std::string& sub, const std::string& text);
int LastDelimiter(const std::string& delimiters, const std::string& text);
std::string QuotedStr(const std::string& text);  // 'text' with inner quotes doubled

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplace(const std::string& text, const std::string& oldPattern, const std::string& newPattern,
                          unsigned flags);

// Paths
std::string ExtractFilePath(const std::string& fileName);  // up to and including the last '\' or ':'
std::string ExtractFileDir(const std::string& fileName);   // the same without a trailing '\' (roots keep it)
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);   // with the dot
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
std::string ExtractFileDrive(const std::string& fileName);  // "C:" or "\\server\share"
std::string ExpandFileName(const std::string& fileName);

// Files and directories
bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& directory);
bool CreateDir(const std::string& directory);
bool ForceDirectories(const std::string& directory);  // creates missing parents too
bool RemoveDir(const std::string& directory);
bool DeleteFile(const std::string& fileName);
bool RenameFile(const std::string& oldName, const std::string& newName);
std::string GetCurrentDir();
int64_t FileSize(const std::string& fileName);  // -1 when the file is not there
int64_t DiskFree(const std::string& path);      // bytes free on the drive of path; -1 on failure

} // namespace qlry
