#include "version/cmp_TVersion.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "routines/routines_Strings.h"

namespace qlry {

const TEnumInfo& OverwriteTypeInfo() {
    static const TEnumInfo names{"owAlways", "owNever", "owVersion", "owDate", "owVersionDate"};
    return names;
}

const TEnumInfo& VersionLanguageInfo() {
    static const TEnumInfo names{
        "lnArabic", "lnBulgarian", "lnCatalan", "lnTraditionalChinese", "lnCzech", "lnDanish", "lnGerman",
        "lnGreek", "lnUSEnglish", "lnCastilianSpanish", "lnFinnish", "lnFrench", "lnHebrew", "lnHungarian",
        "lnIcelandic", "lnItalian", "lnJapanese", "lnKorean", "lnDutch", "lnNorwegianBokmal", "lnPolish",
        "lnBrazilianPortuguese", "lnRhaetoRomanic", "lnRomanian", "lnRussian", "lnCroatoSerbian", "lnSlovak",
        "lnAlbanian", "lnSwedish", "lnThai", "lnTurkish", "lnUrdu", "lnBahasa", "lnSimplifiedChinese",
        "lnSwissGerman", "lnUKEnglish", "lnMexicanSpanish", "lnBelgianFrench", "lnSwissItalian", "lnBelgianDutch",
        "lnNorwegianNynorsk", "lnPortuguese", "lnSerboCroatian", "lnCanadianFrench", "lnSwissFrench"};
    return names;
}

const TEnumInfo& CharacterSetInfo() {
    static const TEnumInfo names{"csASCII",    "csJapan",        "csKorea", "csTaiwan",  "csUnicode", "csLatin2",
                                 "csCyrillic", "csMultilingual", "csGreek", "csTurkish", "csHebrew",  "csArabic"};
    return names;
}

int LanguageIdentifier(TVersionLanguage language) {
    // The languages up to lnBahasa are numbered consecutively from Arabic's 0x0401.
    if (language <= lnBahasa) return 1025 + static_cast<int>(language);
    static const int others[] = {2052, 2055, 2057, 2058, 2060, 2064, 2067, 2068, 2070, 2074, 3084, 4108};
    return others[language - lnSimplifiedChinese];
}

int CodePage(TCharacterSet characterSet) {
    static const int pages[] = {0, 932, 949, 950, 1200, 1250, 1251, 1252, 1253, 1254, 1255, 1256};
    return pages[characterSet];
}

std::string FileOSText(unsigned long os) {
    switch (os) {
    case 0x1: return "Windows 3.0 or later";
    case 0x2: return "16 bit OS/2 Presentation Manager";
    case 0x3: return "32 bit OS/2 Presentation Manager";
    case 0x4: return "32 bit Windows";
    case 0x10000: return "MS-Dos";
    case 0x10001: return "Windows 3.0 or later with MS-Dos";
    case 0x10004: return "32 bit Windows with MS-Dos";
    case 0x20000: return "16 bit OS/2";
    case 0x20002: return "16 bit OS/2 with Presentation Manager";
    case 0x30000: return "32 bit OS/2";
    case 0x30003: return "32 bit OS/2 with Presentation Manager";
    case 0x40000: return "Windows NT";
    case 0x40004: return "Windows NT with 32 bit Windows";
    default: return "Unknown";
    }
}

std::string FileTypeText(unsigned long type) {
    switch (type) {
    case 1: return "Application";
    case 2: return "Dynamic-Link Library";
    case 3: return "Device Driver";
    case 4: return "Font";
    case 5: return "Virtual Device Driver";
    case 7: return "Static-Link Library";
    default: return "Unknown";
    }
}

std::string FileSubTypeText(unsigned long type, unsigned long subType) {
    static const char* const drivers[] = {"Printer", "Keyboard", "Language", "Display",   "Mouse",
                                          "Network", "System",   "Installable", "Sound", "Communications"};
    static const char* const fonts[] = {"Raster", "Vector", "TrueType"};
    if (type == 3) return subType >= 1 && subType <= 10 ? drivers[subType - 1] : "Unknown";
    if (type == 4) return subType >= 1 && subType <= 3 ? fonts[subType - 1] : "Unknown";
    return "";
}

// TVersionInfo ------------------------------------------------------------------------

const TClassInfo& TVersionInfo::StaticClassInfo() {
    using V = TVersionInfo;
    static const TClassInfo info(
        "TVersionInfo", nullptr, nullptr,
        {
            StringProperty<V>("Comment", &V::Comment, &V::SetComment),
            StringProperty<V>("CompanyName", &V::CompanyName, &V::SetCompanyName),
            StringProperty<V>("FileDescription", &V::FileDescription, &V::SetFileDescription),
            StringProperty<V>("FileVersion", &V::FileVersion, &V::SetFileVersion),
            StringProperty<V>("InternalName", &V::InternalName, &V::SetInternalName),
            StringProperty<V>("LegalCopyright", &V::LegalCopyright, &V::SetLegalCopyright),
            StringProperty<V>("LegalTradeMarks", &V::LegalTradeMarks, &V::SetLegalTradeMarks),
            StringProperty<V>("OriginalFileName", &V::OriginalFileName, &V::SetOriginalFileName),
            StringProperty<V>("PrivateBuild", &V::PrivateBuild, &V::SetPrivateBuild),
            StringProperty<V>("ProductName", &V::ProductName, &V::SetProductName),
            StringProperty<V>("ProductVersion", &V::ProductVersion, &V::SetProductVersion),
            StringProperty<V>("SpecialBuild", &V::SpecialBuild, &V::SetSpecialBuild),
            StringProperty<V>("FileOS", &V::FileOS, &V::SetFileOS),
            StringProperty<V>("FileType", &V::FileType, &V::SetFileType),
            StringProperty<V>("FileSubType", &V::FileSubType, &V::SetFileSubType),
        });
    return info;
}

void TVersionInfo::Clear() { *this = TVersionInfo(); }

// TVersionResource --------------------------------------------------------------------

namespace {

std::string RunningProgramFile() {
    char buffer[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    return std::string(buffer, length);
}

std::string VersionText(DWORD high, DWORD low) {
    return IntToStr(HIWORD(high)) + "." + IntToStr(LOWORD(high)) + "." + IntToStr(HIWORD(low)) + "." +
           IntToStr(LOWORD(low));
}

// Only executables (all of them start with "MZ") carry version information. Asking
// Windows about any other file maps it twice only to find nothing, and a build asks for
// every file; a file that cannot be read here is left to Windows to answer.
bool MayHoldResources(const std::string& fileName) {
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    char magic[2] = {};
    DWORD read = 0;
    BOOL ok = ReadFile(file, magic, sizeof magic, &read, nullptr);
    CloseHandle(file);
    return !ok || (read == 2 && magic[0] == 'M' && magic[1] == 'Z');
}

// The loaded version information of one file.
class VersionBlock {
public:
    explicit VersionBlock(const std::string& fileName) {
        if (!MayHoldResources(fileName)) return;
        DWORD handle = 0;
        DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
        if (size == 0) return;
        data_.resize(size);
        if (!GetFileVersionInfoA(fileName.c_str(), 0, size, data_.data())) data_.clear();
    }
    bool Loaded() const { return !data_.empty(); }

    bool Query(const std::string& path, void*& value, UINT& length) {
        value = nullptr;
        length = 0;
        return VerQueryValueA(data_.data(), path.c_str(), &value, &length) && value;
    }

    bool QueryText(const std::string& path, std::string& text) {
        void* value;
        UINT length;
        if (!Query(path, value, length)) return false;
        // The length counts the terminating zero when there is one.
        const char* chars = static_cast<const char*>(value);
        std::string found(chars, length);
        found.resize(std::strlen(found.c_str()));
        text = found;
        return true;
    }

private:
    std::vector<char> data_;
};

} // namespace

TVersionResource::TVersionResource(TComponent* owner) : TComponent(owner) {
    fileName_ = RunningProgramFile();
    Read();
}

const TClassInfo& TVersionResource::StaticClassInfo() {
    using R = TVersionResource;
    static const TClassInfo info(
        "TVersionResource", &TComponent::StaticClassInfo(), FactoryOf<R>(),
        {
            StringProperty<R>("FileName", &R::FileName, &R::SetFileName),
            EnumProperty<R, TVersionLanguage>("Language", VersionLanguageInfo(), &R::Language, &R::SetLanguage,
                                              lnUSEnglish),
            EnumProperty<R, TCharacterSet>("CharacterSet", CharacterSetInfo(), &R::CharacterSet, &R::SetCharacterSet,
                                           csMultilingual),
            ObjectProperty<R>("VersionInfo", &R::VersionInfo),
        });
    return info;
}

void TVersionResource::SetFileName(const std::string& fileName) {
    fileName_ = fileName;
    fileNameStored_ = fileName != RunningProgramFile();
    Read();
}

void TVersionResource::SetLanguage(TVersionLanguage language) {
    language_ = language;
    Read();
}

void TVersionResource::SetCharacterSet(TCharacterSet characterSet) {
    characterSet_ = characterSet;
    Read();
}

void TVersionResource::Read() {
    versionInfo_.Clear();
    VersionBlock block(fileName_);
    if (!block.Loaded()) return;

    void* value;
    UINT length;
    if (!block.Query("\\", value, length) || length < sizeof(VS_FIXEDFILEINFO)) return;
    const VS_FIXEDFILEINFO fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);

    if (block.Query("\\VarFileInfo\\Translation", value, length) && length == 4)
        versionInfo_.SetLanguage(static_cast<unsigned short>(*static_cast<const WORD*>(value) & 0x3FF));

    versionInfo_.SetFileVersion(VersionText(fixed.dwFileVersionMS, fixed.dwFileVersionLS));
    versionInfo_.SetProductVersion(VersionText(fixed.dwProductVersionMS, fixed.dwProductVersionLS));
    versionInfo_.SetFileOS(FileOSText(fixed.dwFileOS));
    versionInfo_.SetFileType(FileTypeText(fixed.dwFileType));
    versionInfo_.SetFileSubType(FileSubTypeText(fixed.dwFileType, fixed.dwFileSubtype));

    // The key comes from the component's settings, not from the file's own translation.
    const std::string prefix = "\\StringFileInfo\\" + IntToHex(LanguageIdentifier(language_), 4) +
                               IntToHex(CodePage(characterSet_), 4) + "\\";
    using Setter = void (TVersionInfo::*)(const std::string&);
    static const std::pair<const char*, Setter> keys[] = {
        {"Comment", &TVersionInfo::SetComment},
        {"CompanyName", &TVersionInfo::SetCompanyName},
        {"FileDescription", &TVersionInfo::SetFileDescription},
        {"InternalName", &TVersionInfo::SetInternalName},
        {"LegalCopyright", &TVersionInfo::SetLegalCopyright},
        {"LegalTradeMarks", &TVersionInfo::SetLegalTradeMarks},
        {"OriginalFileName", &TVersionInfo::SetOriginalFileName},
        {"PrivateBuild", &TVersionInfo::SetPrivateBuild},
        {"ProductName", &TVersionInfo::SetProductName},
        {"ProductVersion", &TVersionInfo::SetProductVersion},
        {"SpecialBuild", &TVersionInfo::SetSpecialBuild},
    };
    for (const auto& [key, set] : keys) {
        std::string text;
        if (block.QueryText(prefix + key, text)) (versionInfo_.*set)(text);
    }
}

int TVersionResource::CompareVersions(const std::string& v1, const std::string& v2) {
    for (int index = 1;; ++index) {
        std::string f1 = GetToken(v1, index, '.');
        std::string f2 = GetToken(v2, index, '.');
        if (f1.empty() && f2.empty()) return 0;
        if (f2.empty()) return 1;
        if (f1.empty()) return 2;
        int n1, n2;
        if (TryStrToInt(f1, n1) && TryStrToInt(f2, n2)) {
            if (n2 > n1) return 2;
            if (n2 < n1) return 1;
        } else {
            int order = CompareStr(f1, f2);
            if (order < 0) return 2;
            if (order > 0) return 1;
        }
    }
}

namespace {

int ByVersion(const std::string& version, const std::string& fileName) {
    switch (TVersionResource::CompareVersions(version, FileVersionOf(fileName))) {
    case 0: return 1;
    case 1: return 2;
    default: return 3;
    }
}

int ByDate(TDateTime date, TDateTime fileDate) {
    if (date < fileDate) return 3;
    if (date > fileDate) return 2;
    return 1;
}

// The stamp of a file opened for reading with sharing allowed; False when it cannot be opened.
bool StampOfFile(const std::string& fileName, TDateTime& stamp) {
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = FileStampOf(file, stamp);
    CloseHandle(file);
    return ok;
}

int ByFileDate(const std::string& fileName, TDateTime date) {
    TDateTime fileDate;
    if (!StampOfFile(fileName, fileDate)) return 0;
    return ByDate(date, fileDate);
}

bool ExistingDestination(const std::string& fileName) { return !Trim(fileName).empty() && FileExists(fileName); }

} // namespace

int TVersionResource::IsFileNewer(const std::string& version, const std::string& fileName, TOverwriteType mode,
                                  TDateTime date) {
    SharedVersionResource();
    switch (mode) {
    case owAlways: return 2;
    case owNever: return ExistingDestination(fileName) ? 3 : 2;
    case owVersion: return ByVersion(version, fileName);
    case owDate: return ByFileDate(fileName, date);
    case owVersionDate: {
        int result = ByVersion(version, fileName);
        return result == 1 ? ByFileDate(fileName, date) : result;
    }
    default: return 0;
    }
}

int TVersionResource::IsFileNewerByName(const std::string& source, const std::string& dest, TOverwriteType mode) {
    SharedVersionResource();
    auto byDates = [&]() {
        try {
            // Both files are held open while they are compared, the source first.
            std::unique_ptr<TFileStream> sourceFile, destFile;
            auto open = [](const std::string& name) {
                try {
                    return std::make_unique<TFileStream>(name, fmOpenRead | fmShareDenyNone);
                } catch (const EFOpenError&) {
                    throw EFOpenError("Cannot open %s in TVersionResource.IsFileNewerByName", {name});
                }
            };
            sourceFile = open(source);
            destFile = open(dest);
            TDateTime sourceDate, destDate;
            if (!FileStampOf(sourceFile->Handle(), sourceDate) || !FileStampOf(destFile->Handle(), destDate))
                return 0;
            return ByDate(sourceDate, destDate);
        } catch (const EFOpenError&) {
            return 0;
        }
    };
    switch (mode) {
    case owAlways: return 2;
    case owNever: return ExistingDestination(dest) ? 3 : 2;
    case owVersion: return ByVersion(FileVersionOf(source), dest);
    case owDate: return byDates();
    case owVersionDate: {
        int result = ByVersion(FileVersionOf(source), dest);
        return result == 1 ? byDates() : result;
    }
    default: return 0;
    }
}

// The shared reader -------------------------------------------------------------------

namespace {
std::unique_ptr<TVersionResource>& SharedReader() {
    static std::unique_ptr<TVersionResource> reader;
    return reader;
}
} // namespace

TVersionResource& SharedVersionResource() {
    auto& reader = SharedReader();
    if (!reader) reader = std::make_unique<TVersionResource>(nullptr);
    return *reader;
}

void FreeSharedVersionResource() { SharedReader().reset(); }

std::string FileVersionOf(const std::string& fileName) {
    TVersionResource& reader = SharedVersionResource();
    reader.SetFileName(fileName);
    return reader.Info().FileVersion();
}

bool FileStampOf(HANDLE file, TDateTime& stamp) {
    FILETIME lastWrite, local;
    WORD date = 0, time = 0;
    if (!GetFileTime(file, nullptr, nullptr, &lastWrite)) return false;
    if (FileTimeToLocalFileTime(&lastWrite, &local) && FileTimeToDosDateTime(&local, &date, &time)) {
        try {
            stamp = FileDateToDateTime(static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time));
            return true;
        } catch (const EConvertError&) {
        }
    }
    // Outside the years a DOS stamp can hold: the finer value still compares consistently.
    stamp = FileTimeToDateTime(lastWrite);
    return true;
}

} // namespace qlry

namespace {
const qlry::TClassRegistration versionResourceRegistration(qlry::TVersionResource::StaticClassInfo());
}
