#include "platform/DateTime.h"

#include <cmath>

#include "platform/Exceptions.h"

namespace qlry {

namespace {

constexpr int64_t kMSecsPerDay = 86400000;
constexpr int64_t kUnixToDateTimeDays = 25569;    // 1 January 1970 as a TDateTime
constexpr int64_t kFileTimeToDateTimeDays = 109205;  // days from 1 January 1601 to 30 December 1899

// A TDateTime split into whole days and milliseconds since midnight.
struct TimeStamp {
    int64_t days;
    int64_t msecs;
};

TimeStamp ToTimeStamp(TDateTime value) {
    double whole = std::trunc(value);
    TimeStamp stamp{static_cast<int64_t>(whole), std::llround(std::fabs(value - whole) * kMSecsPerDay)};
    if (stamp.msecs >= kMSecsPerDay) {
        stamp.msecs -= kMSecsPerDay;
        stamp.days += value < 0 ? -1 : 1;
    }
    return stamp;
}

TDateTime FromTimeStamp(int64_t days, int64_t msecs) {
    double fraction = static_cast<double>(msecs) / kMSecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

// Civil date <-> days since 1 January 1970 in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<int64_t>(dayOfEra) - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    year = static_cast<int>(static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2));
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

bool ValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool ValidTime(int hour, int minute, int second, int millisecond) {
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 && millisecond >= 0 &&
           millisecond < 1000;
}

int64_t DayNumber(int year, int month, int day) {
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kUnixToDateTimeDays;
}

int64_t MSecsOfDay(int hour, int minute, int second, int millisecond) {
    return ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
}

uint64_t ToTicks(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

FILETIME FromTicks(uint64_t ticks) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFF);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            DWORD error = GetLastError();  // callers report the failure that came before
            CloseHandle(handle_);
            SetLastError(error);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

bool FindLastWrite(const std::string& fileName, FILETIME& lastWrite) {
    if (fileName.find_first_of("*?") != std::string::npos) return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(fileName.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    lastWrite = data.ftLastWriteTime;
    return true;
}

} // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

TDateTime EncodeDate(int year, int month, int day) {
    if (!ValidDate(year, month, day)) throw EConvertError("Invalid argument to date encode");
    return static_cast<TDateTime>(DayNumber(year, month, day));
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    if (!ValidTime(hour, minute, second, millisecond)) throw EConvertError("Invalid argument to time encode");
    return static_cast<double>(MSecsOfDay(hour, minute, second, millisecond)) / kMSecsPerDay;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    CivilFromDays(ToTimeStamp(value).days - kUnixToDateTimeDays, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
    int64_t msecs = ToTimeStamp(value).msecs;
    millisecond = static_cast<int>(msecs % 1000);
    second = static_cast<int>(msecs / 1000 % 60);
    minute = static_cast<int>(msecs / 60000 % 60);
    hour = static_cast<int>(msecs / 3600000);
}

int DayOfWeek(TDateTime value) {
    // 30 December 1899 was a Saturday.
    int64_t days = ToTimeStamp(value).days;
    return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

TDateTime Now() {
    SYSTEMTIME time;
    GetLocalTime(&time);
    return SystemTimeToDateTime(time);
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime SystemTimeToDateTime(const SYSTEMTIME& time) {
    if (!ValidDate(time.wYear, time.wMonth, time.wDay)) throw EConvertError("Invalid argument to date encode");
    if (!ValidTime(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds))
        throw EConvertError("Invalid argument to time encode");
    return FromTimeStamp(DayNumber(time.wYear, time.wMonth, time.wDay),
                         MSecsOfDay(time.wHour, time.wMinute, time.wSecond, time.wMilliseconds));
}

SYSTEMTIME DateTimeToSystemTime(TDateTime value) {
    SYSTEMTIME time{};
    int year, month, day, hour, minute, second, millisecond;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, millisecond);
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wDayOfWeek = static_cast<WORD>(DayOfWeek(value) - 1);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    time.wMilliseconds = static_cast<WORD>(millisecond);
    return time;
}

TDateTime FileTimeToDateTime(const FILETIME& fileTime) {
    FILETIME local;
    if (!FileTimeToLocalFileTime(&fileTime, &local)) local = fileTime;
    int64_t msecs = static_cast<int64_t>(ToTicks(local) / 10000);
    return FromTimeStamp(msecs / kMSecsPerDay - kFileTimeToDateTimeDays, msecs % kMSecsPerDay);
}

FILETIME DateTimeToFileTime(TDateTime value) {
    TimeStamp stamp = ToTimeStamp(value);
    int64_t msecs = (stamp.days + kFileTimeToDateTimeDays) * kMSecsPerDay + stamp.msecs;
    FILETIME local = FromTicks(msecs > 0 ? static_cast<uint64_t>(msecs) * 10000 : 0);
    FILETIME utc;
    if (!LocalFileTimeToFileTime(&local, &utc)) utc = local;
    return utc;
}

int32_t DateTimeToFileDate(TDateTime value) {
    int year, month, day, hour, minute, second, millisecond;
    DecodeDate(value, year, month, day);
    if (year < 1980 || year > 2107) return 0;
    DecodeTime(value, hour, minute, second, millisecond);
    uint32_t date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    uint32_t time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second >> 1));
    return static_cast<int32_t>((date << 16) | time);
}

TDateTime FileDateToDateTime(int32_t fileDate) {
    uint32_t bits = static_cast<uint32_t>(fileDate);
    uint32_t date = bits >> 16, time = bits & 0xFFFF;
    int year = static_cast<int>(date >> 9) + 1980, month = (date >> 5) & 15, day = date & 31;
    int hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
    return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, 0);
}

int32_t FileAge(const std::string& fileName) {
    FILETIME lastWrite, local;
    WORD date = 0, time = 0;
    if (!FindLastWrite(fileName, lastWrite) || !FileTimeToLocalFileTime(&lastWrite, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return -1;
    return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

bool FileGetDateTime(const std::string& fileName, TDateTime& value) {
    FILETIME lastWrite;
    if (!FindLastWrite(fileName, lastWrite)) return false;
    value = FileTimeToDateTime(lastWrite);
    return true;
}

bool FileGetDateTime(HANDLE file, TDateTime& value) {
    FILETIME lastWrite;
    if (!GetFileTime(file, nullptr, nullptr, &lastWrite)) return false;
    value = FileTimeToDateTime(lastWrite);
    return true;
}

bool FileSetDateTime(const std::string& fileName, TDateTime value) {
    FileHandle file(CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.Get() != INVALID_HANDLE_VALUE && FileSetDateTime(file.Get(), value);
}

bool FileSetDateTime(HANDLE file, TDateTime value) {
    FILETIME lastWrite = DateTimeToFileTime(value);
    return SetFileTime(file, nullptr, nullptr, &lastWrite) != FALSE;
}

} // namespace qlry
