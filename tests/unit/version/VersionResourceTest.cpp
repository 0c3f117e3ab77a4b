#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fixtures/HeldFile.h"
#include "platform/DateTime.h"
#include "support/TestSupport.h"
#include "version/cmp_TVersion.h"

using namespace qlry;
using qlry::test::ProgramDir;
using qlry::test::ScratchDir;

namespace {

std::string Fixture(const std::string& name) { return ProgramDir() + name; }

// A copy of a fixture in the scratch directory with a chosen last-write time.
std::string CopyWithDate(const ScratchDir& dir, const std::string& fixture, const std::string& name,
                         TDateTime date) {
    std::string path = dir.File(name);
    if (!::CopyFileA(Fixture(fixture).c_str(), path.c_str(), FALSE)) throw std::runtime_error("cannot copy " + fixture);
    if (!FileSetDateTime(path, date)) throw std::runtime_error("cannot date " + path);
    return path;
}

std::string TextFileWithDate(const ScratchDir& dir, const std::string& name, TDateTime date) {
    std::string path = dir.File(name);
    qlry::test::WriteFileBytes(path, "no version resource here");
    FileSetDateTime(path, date);
    return path;
}

const TDateTime kDay = EncodeDate(2001, 5, 6) + EncodeTime(10, 20, 30, 0);
const TDateTime kEarlier = kDay - 1;
const TDateTime kLater = kDay + 1;

} // namespace

TEST(VersionResource, ReadsFixedInformationAndTheUsualStringTable) {
    TVersionResource reader(nullptr);
    reader.SetFileName(Fixture("verfull.exe"));
    const TVersionInfo& info = reader.Info();
    EXPECT_EQ(info.FileVersion(), "1.2.0.45");  // never the table's own FileVersion text
    EXPECT_EQ(info.ProductVersion(), "3.4 Gold");  // the table's text replaces the fixed one
    EXPECT_EQ(info.Comment(), "A comment");
    EXPECT_EQ(info.CompanyName(), "Quillory Test Works");
    EXPECT_EQ(info.FileDescription(), "Version fixture");
    EXPECT_EQ(info.InternalName(), "verfull");
    EXPECT_EQ(info.LegalCopyright(), "(c) 1999 Nobody");
    EXPECT_EQ(info.LegalTradeMarks(), "None at all");
    EXPECT_EQ(info.OriginalFileName(), "verfull.exe");
    EXPECT_EQ(info.PrivateBuild(), "Private 7");
    EXPECT_EQ(info.ProductName(), "Fixture Product");
    EXPECT_EQ(info.SpecialBuild(), "Special 8");
    EXPECT_EQ(info.FileOS(), "Windows NT with 32 bit Windows");
    EXPECT_EQ(info.FileType(), "Application");
    EXPECT_EQ(info.FileSubType(), "");
    EXPECT_EQ(info.Language(), 0x09);
}

TEST(VersionResource, GermanOnlyTableIsReadOnlyWhenLanguageIsGerman) {
    TVersionResource reader(nullptr);
    reader.SetFileName(Fixture("vergerman.dll"));
    EXPECT_EQ(reader.Info().FileVersion(), "2.0.0.1");
    EXPECT_EQ(reader.Info().FileType(), "Dynamic-Link Library");
    EXPECT_EQ(reader.Info().FileOS(), "32 bit Windows");
    EXPECT_EQ(reader.Info().Language(), 0x07);
    EXPECT_EQ(reader.Info().CompanyName(), "");
    EXPECT_EQ(reader.Info().ProductName(), "");

    reader.SetLanguage(lnGerman);
    EXPECT_EQ(reader.Info().CompanyName(), "Beispiel GmbH");
    EXPECT_EQ(reader.Info().ProductName(), "Beispielprodukt");

    reader.SetCharacterSet(csUnicode);  // 040704B0 is not in the file
    EXPECT_EQ(reader.Info().CompanyName(), "");
    EXPECT_EQ(reader.Info().FileVersion(), "2.0.0.1");
}

TEST(VersionResource, CommentsUnderTheOtherKeyNameLeaveCommentEmpty) {
    TVersionResource reader(nullptr);
    reader.SetFileName(Fixture("vercomments.dll"));
    EXPECT_EQ(reader.Info().Comment(), "");
    EXPECT_EQ(reader.Info().CompanyName(), "Comments Inc");
}

TEST(VersionResource, SelfRegisteringLibraryReadsLikeAnyOther) {
    TVersionResource reader(nullptr);
    reader.SetFileName(Fixture("verolereg.dll"));
    EXPECT_EQ(reader.Info().FileVersion(), "4.0.1.2");
    EXPECT_EQ(reader.Info().FileDescription(), "Registers itself");
    EXPECT_EQ(reader.Info().FileOS(), "Windows 3.0 or later with MS-Dos");
}

TEST(VersionResource, FileKindsOfRealFiles) {
    struct Row {
        const char* file;
        const char* version;
        const char* os;
        const char* type;
        const char* subType;
    };
    const std::vector<Row> rows = {
        {"verdriver.dll", "5.0.0.0", "Unknown", "Device Driver", "Printer"},
        {"verfont.dll", "6.0.0.0", "32 bit OS/2 with Presentation Manager", "Font", "TrueType"},
        {"verodd.dll", "7.0.0.0", "Windows NT", "Unknown", ""},
        {"vervxd.dll", "8.0.0.0", "MS-Dos", "Virtual Device Driver", ""},
    };
    TVersionResource reader(nullptr);
    for (const Row& row : rows) {
        reader.SetFileName(Fixture(row.file));
        EXPECT_EQ(reader.Info().FileVersion(), row.version) << row.file;
        EXPECT_EQ(reader.Info().FileOS(), row.os) << row.file;
        EXPECT_EQ(reader.Info().FileType(), row.type) << row.file;
        EXPECT_EQ(reader.Info().FileSubType(), row.subType) << row.file;
    }
}

TEST(VersionResource, TextsOfTheFixedInformationValues) {
    const std::vector<std::pair<unsigned long, const char*>> oses = {
        {1, "Windows 3.0 or later"},
        {2, "16 bit OS/2 Presentation Manager"},
        {3, "32 bit OS/2 Presentation Manager"},
        {4, "32 bit Windows"},
        {0x10000, "MS-Dos"},
        {0x10001, "Windows 3.0 or later with MS-Dos"},
        {0x10004, "32 bit Windows with MS-Dos"},
        {0x20000, "16 bit OS/2"},
        {0x20002, "16 bit OS/2 with Presentation Manager"},
        {0x30000, "32 bit OS/2"},
        {0x30003, "32 bit OS/2 with Presentation Manager"},
        {0x40000, "Windows NT"},
        {0x40004, "Windows NT with 32 bit Windows"},
        {0, "Unknown"},
    };
    for (const auto& [value, text] : oses) EXPECT_EQ(FileOSText(value), text) << value;

    const std::vector<std::pair<unsigned long, const char*>> types = {
        {0, "Unknown"}, {1, "Application"}, {2, "Dynamic-Link Library"}, {3, "Device Driver"}, {4, "Font"},
        {5, "Virtual Device Driver"}, {6, "Unknown"}, {7, "Static-Link Library"}};
    for (const auto& [value, text] : types) EXPECT_EQ(FileTypeText(value), text) << value;

    const char* const drivers[] = {"Printer", "Keyboard", "Language", "Display",     "Mouse",
                                   "Network", "System",   "Installable", "Sound", "Communications"};
    for (unsigned long sub = 1; sub <= 10; ++sub) EXPECT_EQ(FileSubTypeText(3, sub), drivers[sub - 1]);
    EXPECT_EQ(FileSubTypeText(3, 11), "Unknown");
    EXPECT_EQ(FileSubTypeText(4, 1), "Raster");
    EXPECT_EQ(FileSubTypeText(4, 2), "Vector");
    EXPECT_EQ(FileSubTypeText(4, 0), "Unknown");
    EXPECT_EQ(FileSubTypeText(2, 3), "");
}

TEST(VersionResource, StringTableKeyParts) {
    const std::vector<std::pair<TVersionLanguage, int>> languages = {
        {lnArabic, 0x0401}, {lnUSEnglish, 0x0409}, {lnGerman, 0x0407}, {lnBahasa, 0x0421},
        {lnSimplifiedChinese, 2052}, {lnUKEnglish, 2057}, {lnSerboCroatian, 2074}, {lnCanadianFrench, 3084},
        {lnSwissFrench, 4108}};
    for (const auto& [language, id] : languages) EXPECT_EQ(LanguageIdentifier(language), id) << language;
    EXPECT_EQ(CodePage(csASCII), 0);
    EXPECT_EQ(CodePage(csUnicode), 1200);
    EXPECT_EQ(CodePage(csMultilingual), 1252);
    EXPECT_EQ(CodePage(csArabic), 1256);
    EXPECT_EQ(VersionLanguageInfo().Count(), 45);
}

TEST(VersionResource, MissingOrUnversionedFileLeavesEveryFieldEmpty) {
    ScratchDir dir;
    TVersionResource reader(nullptr);
    for (const std::string& file : {dir.File("not-there.dll"), TextFileWithDate(dir, "plain.txt", kDay)}) {
        reader.SetFileName(Fixture("verfull.exe"));
        ASSERT_EQ(reader.Info().CompanyName(), "Quillory Test Works");
        reader.SetFileName(file);
        EXPECT_EQ(reader.Info().FileVersion(), "") << file;
        EXPECT_EQ(reader.Info().CompanyName(), "") << file;
        EXPECT_EQ(reader.Info().FileOS(), "") << file;
        EXPECT_EQ(reader.Info().Language(), 0) << file;
    }
}

TEST(VersionResource, MadeWithoutFileNameReadsTheRunningProgram) {
    TVersionResource reader(nullptr);
    char own[MAX_PATH];
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    EXPECT_EQ(reader.FileName(), own);
    EXPECT_EQ(reader.Info().FileVersion(), "0.9.8.7");
    EXPECT_EQ(reader.Info().ProductName(), "Version suite");
    EXPECT_FALSE(reader.FileNameStored());
    reader.SetFileName(Fixture("verfull.exe"));
    EXPECT_TRUE(reader.FileNameStored());
    reader.SetFileName(own);
    EXPECT_FALSE(reader.FileNameStored());
}

TEST(VersionResource, PublishedPropertiesAreFoundByName) {
    const TClassInfo* info = FindClass("TVersionResource");
    ASSERT_NE(info, nullptr);
    TVersionResource reader(nullptr);
    info->FindProperty("FileName")->setString(reader, Fixture("vergerman.dll"));
    info->FindProperty("Language")->setOrdinal(reader, VersionLanguageInfo().Ordinal("lnGerman"));
    EXPECT_EQ(reader.Info().CompanyName(), "Beispiel GmbH");
    const TPropInfo* versionInfo = info->FindProperty("VersionInfo");
    ASSERT_NE(versionInfo, nullptr);
    auto* values = versionInfo->getObject(reader);
    EXPECT_EQ(values->ClassInfo()->FindProperty("FileVersion")->getString(*values), "2.0.0.1");
}

TEST(VersionComparison, CompareVersionsByFields) {
    struct Row {
        const char* v1;
        const char* v2;
        int expected;
    };
    const std::vector<Row> rows = {
        {"1.10", "1.9", 1},         {"1.b", "1.a", 1},           {"2", "10", 2},
        {"1.2", "1.2.0", 2},        {"1.2.0", "1.2", 1},         {"", "", 0},
        {"", "1", 2},               {"1", "", 1},                {"1.2.0.45", "1.2.0.45", 0},
        {"1.2.0.46", "1.2.0.45", 1}, {"1.2.0.44", "1.2.0.45", 2}, {"1.A", "1.a", 2},  // by character codes
        {"1.2a", "1.10", 1},        {"1.10a", "1.9", 2},         {"3.0", "2.99.99", 1},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TVersionResource::CompareVersions(row.v1, row.v2), row.expected) << row.v1 << " vs " << row.v2;
}

TEST(VersionComparison, IsFileNewerForEveryOverwriteMode) {
    ScratchDir dir;
    const std::string dest = CopyWithDate(dir, "verfull.exe", "dest.exe", kDay);  // version 1.2.0.45
    struct Row {
        TOverwriteType mode;
        const char* version;
        TDateTime date;
        std::string file;
        int expected;
    };
    const std::string missing = dir.File("missing.exe");
    const std::vector<Row> rows = {
        {owAlways, "0.1", kEarlier, dest, 2},
        {owAlways, "0.1", kEarlier, missing, 2},
        {owNever, "9.9", kLater, dest, 3},
        {owNever, "9.9", kLater, missing, 2},
        {owNever, "9.9", kLater, "", 2},
        {owVersion, "1.2.0.46", kEarlier, dest, 2},
        {owVersion, "1.2.0.45", kEarlier, dest, 1},
        {owVersion, "1.2.0.44", kLater, dest, 3},
        {owVersion, "", kLater, dest, 3},
        {owVersion, "1.0", kLater, missing, 2},  // a missing file has the empty version
        {owDate, "0.1", kEarlier, dest, 3},
        {owDate, "0.1", kDay, dest, 1},
        {owDate, "0.1", kLater, dest, 2},
        {owDate, "0.1", kLater, missing, 0},
        {owVersionDate, "1.2.0.46", kEarlier, dest, 2},
        {owVersionDate, "1.2.0.44", kLater, dest, 3},
        {owVersionDate, "1.2.0.45", kEarlier, dest, 3},
        {owVersionDate, "1.2.0.45", kDay, dest, 1},
        {owVersionDate, "1.2.0.45", kLater, dest, 2},
        {static_cast<TOverwriteType>(7), "1.0", kDay, dest, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TVersionResource::IsFileNewer(row.version, row.file, row.mode, row.date), row.expected)
            << "mode " << row.mode << " version '" << row.version << "' file " << row.file;
}

TEST(VersionComparison, IsFileNewerByNameForEveryOverwriteMode) {
    ScratchDir dir;
    const std::string old12 = CopyWithDate(dir, "verfull.exe", "old12.exe", kEarlier);  // 1.2.0.45
    const std::string day12 = CopyWithDate(dir, "verfull.exe", "day12.exe", kDay);
    const std::string new12 = CopyWithDate(dir, "verfull.exe", "new12.exe", kLater);
    const std::string old20 = CopyWithDate(dir, "vergerman.dll", "old20.dll", kEarlier);  // 2.0.0.1
    const std::string plain = TextFileWithDate(dir, "plain.txt", kDay);
    const std::string missing = dir.File("missing.exe");
    struct Row {
        TOverwriteType mode;
        std::string source, dest;
        int expected;
    };
    const std::vector<Row> rows = {
        {owAlways, old12, day12, 2},
        {owNever, old12, day12, 3},
        {owNever, old12, missing, 2},
        {owVersion, old20, day12, 2},
        {owVersion, day12, old20, 3},
        {owVersion, new12, old12, 1},
        {owVersion, plain, day12, 3},
        {owDate, old12, day12, 3},
        {owDate, new12, day12, 2},
        {owDate, day12, plain, 1},
        {owDate, missing, day12, 0},
        {owDate, day12, missing, 0},
        {owVersionDate, old20, new12, 2},
        {owVersionDate, new12, old20, 3},
        {owVersionDate, old12, day12, 3},
        {owVersionDate, new12, day12, 2},
        {owVersionDate, day12, day12, 1},
        {static_cast<TOverwriteType>(-1), day12, day12, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TVersionResource::IsFileNewerByName(row.source, row.dest, row.mode), row.expected)
            << "mode " << row.mode << " " << row.source << " -> " << row.dest;
}

TEST(VersionComparison, DestinationHeldOpenWithoutSharingCannotBeComparedByDate) {
    ScratchDir dir;
    const std::string source = TextFileWithDate(dir, "source.txt", kLater);
    const std::string dest = TextFileWithDate(dir, "dest.txt", kDay);
    qlry::test::FileHeldByAnotherProcess held(dest);
    EXPECT_EQ(TVersionResource::IsFileNewer("", dest, owDate, kLater), 0);
    EXPECT_EQ(TVersionResource::IsFileNewer("", dest, owVersionDate, kLater), 0);
    EXPECT_EQ(TVersionResource::IsFileNewerByName(source, dest, owDate), 0);
    EXPECT_EQ(TVersionResource::IsFileNewerByName(source, dest, owVersionDate), 0);
    EXPECT_EQ(TVersionResource::IsFileNewerByName(dest, source, owDate), 0);  // the source held
    // The modes that do not open the file still answer.
    EXPECT_EQ(TVersionResource::IsFileNewer("", dest, owNever, kLater), 3);
    EXPECT_EQ(TVersionResource::IsFileNewerByName(source, dest, owAlways), 2);
}

TEST(VersionComparison, StampOfTheSameFileComparesEqualAtTwoSecondSteps) {
    ScratchDir dir;
    const std::string file = TextFileWithDate(dir, "odd.txt", kDay + EncodeTime(0, 0, 1, 567));
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    TDateTime stamp = 0;
    ASSERT_TRUE(FileStampOf(handle, stamp));
    CloseHandle(handle);
    EXPECT_DOUBLE_EQ(stamp, kDay);  // 10:20:31.567 is kept as 10:20:30
    EXPECT_EQ(TVersionResource::IsFileNewer("", file, owDate, stamp), 1);
}

TEST(VersionComparison, ComparisonLeavesTheSharedReaderOnTheComparedFile) {
    FreeSharedVersionResource();
    const std::string dest = Fixture("verfull.exe");
    EXPECT_EQ(TVersionResource::IsFileNewer("1.0", dest, owVersion, 0), 3);
    EXPECT_EQ(SharedVersionResource().FileName(), dest);
    EXPECT_EQ(SharedVersionResource().Info().CompanyName(), "Quillory Test Works");
    FreeSharedVersionResource();
    EXPECT_EQ(FileVersionOf(Fixture("vergerman.dll")), "2.0.0.1");  // made again on demand
    FreeSharedVersionResource();
}
