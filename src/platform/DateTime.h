#pragma once
// TDateTime: days since 30 December 1899 in local time, the fraction being the time of
// day. For dates before that day the fraction still counts forward from midnight
// (-1.25 is 29 December 1899, 06:00).
#include <windows.h>

#include <cstdint>
#include <string>

namespace qlry {

using TDateTime = double;

// Raise EConvertError "Invalid argument to date encode" / "Invalid argument to time encode".
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
int DayOfWeek(TDateTime value);  // 1 = Sunday ... 7 = Saturday
bool IsLeapYear(int year);

TDateTime Now();
TDateTime Date();

TDateTime SystemTimeToDateTime(const SYSTEMTIME& time);
SYSTEMTIME DateTimeToSystemTime(TDateTime value);

// File times are UTC; TDateTime values are local. Milliseconds are kept, finer parts
// of a file time are dropped.
TDateTime FileTimeToDateTime(const FILETIME& fileTime);
FILETIME DateTimeToFileTime(TDateTime value);

// The 32-bit DOS date and time (2-second steps, years 1980 to 2107) that archives and
// FileAge use. Values outside that range give 0.
int32_t DateTimeToFileDate(TDateTime value);
// Raises EConvertError for a value that holds no valid date.
TDateTime FileDateToDateTime(int32_t fileDate);
// The DOS date and time of a file's last write, -1 when the file is not there.
int32_t FileAge(const std::string& fileName);

// A file's last-write time. False when the file cannot be found or read.
bool FileGetDateTime(const std::string& fileName, TDateTime& value);
bool FileGetDateTime(HANDLE file, TDateTime& value);
// Sets a file's last-write time. False (with GetLastError) when it cannot.
bool FileSetDateTime(const std::string& fileName, TDateTime value);
bool FileSetDateTime(HANDLE file, TDateTime value);

} // namespace qlry
