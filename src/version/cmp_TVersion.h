#pragma once
// File version resources: the reader component and the overwrite comparisons.
//
// This unit has its own language enumeration for the string-table key. The translator has
// a class of the same name, so the enumeration is TVersionLanguage here, and
// qlry::version::TLanguage names it inside this unit's scope.
#include <windows.h>

#include <string>

#include "platform/Component.h"
#include "platform/DateTime.h"
#include "platform/Properties.h"

namespace qlry {

// The value names of the enumerations are functions, so that class tables built during
// static initialisation can use them.

// When an existing destination is replaced. The comparisons below are the one place that
// gives these modes their meaning.
enum TOverwriteType { owAlways, owNever, owVersion, owDate, owVersionDate };
const TEnumInfo& OverwriteTypeInfo();

enum TVersionLanguage {
    lnArabic, lnBulgarian, lnCatalan, lnTraditionalChinese, lnCzech, lnDanish, lnGerman, lnGreek, lnUSEnglish,
    lnCastilianSpanish, lnFinnish, lnFrench, lnHebrew, lnHungarian, lnIcelandic, lnItalian, lnJapanese, lnKorean,
    lnDutch, lnNorwegianBokmal, lnPolish, lnBrazilianPortuguese, lnRhaetoRomanic, lnRomanian, lnRussian,
    lnCroatoSerbian, lnSlovak, lnAlbanian, lnSwedish, lnThai, lnTurkish, lnUrdu, lnBahasa, lnSimplifiedChinese,
    lnSwissGerman, lnUKEnglish, lnMexicanSpanish, lnBelgianFrench, lnSwissItalian, lnBelgianDutch,
    lnNorwegianNynorsk, lnPortuguese, lnSerboCroatian, lnCanadianFrench, lnSwissFrench
};
const TEnumInfo& VersionLanguageInfo();

namespace version {
using TLanguage = TVersionLanguage;
}

enum TCharacterSet {
    csASCII, csJapan, csKorea, csTaiwan, csUnicode, csLatin2, csCyrillic, csMultilingual, csGreek, csTurkish,
    csHebrew, csArabic
};
const TEnumInfo& CharacterSetInfo();

// The Windows language identifier (1033 for lnUSEnglish) and the code page (1252 for
// csMultilingual) that make up a string-table key.
int LanguageIdentifier(TVersionLanguage language);
int CodePage(TCharacterSet characterSet);

// The texts of the fixed information's values.
std::string FileOSText(unsigned long os);
std::string FileTypeText(unsigned long type);
std::string FileSubTypeText(unsigned long type, unsigned long subType);  // empty unless driver or font

// The values read from one file. They come from the file each time and are never stored in
// a project.
class TVersionInfo : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    void Clear();

    const std::string& Comment() const { return comment_; }
    const std::string& CompanyName() const { return companyName_; }
    const std::string& FileDescription() const { return fileDescription_; }
    const std::string& FileVersion() const { return fileVersion_; }
    const std::string& InternalName() const { return internalName_; }
    const std::string& LegalCopyright() const { return legalCopyright_; }
    const std::string& LegalTradeMarks() const { return legalTradeMarks_; }
    const std::string& OriginalFileName() const { return originalFileName_; }
    // The primary language of the file's first translation; 0 when there is none.
    unsigned short Language() const { return language_; }
    const std::string& PrivateBuild() const { return privateBuild_; }
    const std::string& ProductName() const { return productName_; }
    const std::string& ProductVersion() const { return productVersion_; }
    const std::string& SpecialBuild() const { return specialBuild_; }
    const std::string& FileOS() const { return fileOS_; }
    const std::string& FileType() const { return fileType_; }
    const std::string& FileSubType() const { return fileSubType_; }

    void SetComment(const std::string& v) { comment_ = v; }
    void SetCompanyName(const std::string& v) { companyName_ = v; }
    void SetFileDescription(const std::string& v) { fileDescription_ = v; }
    void SetFileVersion(const std::string& v) { fileVersion_ = v; }
    void SetInternalName(const std::string& v) { internalName_ = v; }
    void SetLegalCopyright(const std::string& v) { legalCopyright_ = v; }
    void SetLegalTradeMarks(const std::string& v) { legalTradeMarks_ = v; }
    void SetOriginalFileName(const std::string& v) { originalFileName_ = v; }
    void SetLanguage(unsigned short v) { language_ = v; }
    void SetPrivateBuild(const std::string& v) { privateBuild_ = v; }
    void SetProductName(const std::string& v) { productName_ = v; }
    void SetProductVersion(const std::string& v) { productVersion_ = v; }
    void SetSpecialBuild(const std::string& v) { specialBuild_ = v; }
    void SetFileOS(const std::string& v) { fileOS_ = v; }
    void SetFileType(const std::string& v) { fileType_ = v; }
    void SetFileSubType(const std::string& v) { fileSubType_ = v; }

private:
    std::string comment_, companyName_, fileDescription_, fileVersion_, internalName_, legalCopyright_,
        legalTradeMarks_, originalFileName_;
    unsigned short language_ = 0;
    std::string privateBuild_, productName_, productVersion_, specialBuild_, fileOS_, fileType_, fileSubType_;
};

class TVersionResource : public TComponent {
public:
    // Reads the running program's own file.
    explicit TVersionResource(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    const std::string& FileName() const { return fileName_; }
    TVersionLanguage Language() const { return language_; }
    TCharacterSet CharacterSet() const { return characterSet_; }
    // Each setter stores the value and reads the file again.
    void SetFileName(const std::string& fileName);
    void SetLanguage(TVersionLanguage language);
    void SetCharacterSet(TCharacterSet characterSet);
    // A project keeps FileName only when it is not the running program's own file.
    bool FileNameStored() const { return fileNameStored_; }

    TVersionInfo* VersionInfo() { return &versionInfo_; }
    const TVersionInfo& Info() const { return versionInfo_; }

    // Fills VersionInfo from FileName; a missing or unversioned file leaves it empty.
    void Read();

    // 0 equal, 1 when V1 is newer, 2 when V1 is older.
    static int CompareVersions(const std::string& v1, const std::string& v2);
    // 0 no comparison possible, 1 same, 2 the source is newer (write it), 3 keep the
    // destination. The source is given by its version and date.
    static int IsFileNewer(const std::string& version, const std::string& fileName, TOverwriteType mode,
                           TDateTime date);
    // The same with the source given as a file.
    static int IsFileNewerByName(const std::string& source, const std::string& dest, TOverwriteType mode);

private:
    std::string fileName_;
    TVersionLanguage language_ = lnUSEnglish;
    TCharacterSet characterSet_ = csMultilingual;
    TVersionInfo versionInfo_;
    bool fileNameStored_ = false;
};

// The process's shared reader; made when it does not exist yet.
TVersionResource& SharedVersionResource();
// Frees the shared reader (at shutdown, or to start a test afresh).
void FreeSharedVersionResource();

// The FileVersion text of a file through the shared reader (which then describes that file).
std::string FileVersionOf(const std::string& fileName);

// A file's last-write stamp as a TDateTime in 2-second steps, the resolution at which
// archives and the overwrite rules compare dates. False when the stamp cannot be read.
bool FileStampOf(HANDLE file, TDateTime& stamp);

} // namespace qlry
