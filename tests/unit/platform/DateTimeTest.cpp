#include <gtest/gtest.h>

#include <vector>

#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "support/TestSupport.h"

namespace qlry {
namespace {

constexpr double kOneMillisecond = 1.0 / 86400000;

TEST(DateTime, DatesAndTimesEncodeToDaysSince30December1899) {
    struct Row {
        int year, month, day, hour, minute, second, msec;
        TDateTime expected;
    };
    std::vector<Row> rows = {
        {1899, 12, 30, 0, 0, 0, 0, 0.0},
        {2000, 1, 1, 12, 0, 0, 0, 36526.5},
        {1900, 1, 1, 0, 0, 0, 0, 2.0},
        {1900, 3, 1, 18, 0, 0, 0, 61.75},  // 1900 was no leap year
        {2000, 2, 29, 6, 0, 0, 0, 36585.25},
        {1899, 12, 29, 6, 0, 0, 0, -1.25},  // the time still counts forward from midnight
        {2107, 12, 31, 23, 59, 59, 999, 75971 + 86399999.0 / 86400000},
    };
    for (const Row& row : rows) {
        TDateTime date = EncodeDate(row.year, row.month, row.day);
        TDateTime time = EncodeTime(row.hour, row.minute, row.second, row.msec);
        TDateTime value = date >= 0 ? date + time : date - time;
        EXPECT_NEAR(value, row.expected, kOneMillisecond / 10) << row.year << "-" << row.month << "-" << row.day;

        int year, month, day, hour, minute, second, msec;
        DecodeDate(row.expected, year, month, day);
        DecodeTime(row.expected, hour, minute, second, msec);
        EXPECT_EQ((std::vector<int>{year, month, day, hour, minute, second, msec}),
                  (std::vector<int>{row.year, row.month, row.day, row.hour, row.minute, row.second, row.msec}));
    }
    EXPECT_EQ(DateTimeToSystemTime(36526.5).wDayOfWeek, 6);  // 1 January 2000 was a Saturday
}

TEST(DateTime, InvalidPartsRaise) {
    try {
        EncodeDate(1999, 2, 29);
        FAIL() << "29 February 1999 encoded";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
    EXPECT_THROW(EncodeDate(2000, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(FileDateToDateTime(0), EConvertError);  // month 0
}

TEST(DateTime, FileTimeSetFromADateTimeReadsBackWithinAMillisecond) {
    test::ScratchDir dir;
    std::string path = dir.File("stamped.txt");
    test::WriteFileBytes(path, "x");
    TDateTime stamp = EncodeDate(2003, 7, 15) + EncodeTime(13, 45, 27, 123);

    ASSERT_TRUE(FileSetDateTime(path, stamp));
    TDateTime read = 0;
    ASSERT_TRUE(FileGetDateTime(path, read));
    EXPECT_NEAR(read, stamp, kOneMillisecond);

    // The DOS date keeps two-second steps.
    int32_t dosDate = DateTimeToFileDate(stamp);
    EXPECT_EQ(FileAge(path), dosDate);
    EXPECT_NEAR(FileDateToDateTime(dosDate), EncodeDate(2003, 7, 15) + EncodeTime(13, 45, 26, 0), kOneMillisecond);
    EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);

    EXPECT_FALSE(FileGetDateTime(dir.File("missing.txt"), read));
    EXPECT_EQ(FileAge(dir.File("missing.txt")), -1);
    EXPECT_FALSE(FileSetDateTime(dir.File("missing.txt"), stamp));
}

TEST(DateTime, FileTimeConversionsAreInverse) {
    TDateTime stamp = EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 999);
    EXPECT_NEAR(FileTimeToDateTime(DateTimeToFileTime(stamp)), stamp, kOneMillisecond / 2);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    TDateTime local = FileTimeToDateTime(now);
    EXPECT_NEAR(local, Now(), 2.0 / 86400);
}

} // namespace
} // namespace qlry
