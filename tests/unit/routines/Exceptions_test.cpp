#include <gtest/gtest.h>

#include <map>
#include <string>
#include <type_traits>

#include "engine/exceptions_Quillory.h"
#include "routines/routines_Registry.h"

namespace qlry {
namespace {

template <class Derived, class Base>
constexpr bool kIs = std::is_base_of_v<Base, Derived>;

// The nesting the handlers rely on when they catch by family.
static_assert(kIs<EqcDiskFull, EQlryCompress> && kIs<EqcAborted, EQlryCompress> &&
              kIs<EQlryCompress, EQuilloryAbnormal> && kIs<EAPIRoutines, EQuilloryAbnormal> &&
              kIs<EQuilloryAbnormal, ECustomQuilloryAbnormal> && kIs<ECustomQuilloryAbnormal, Exception>);
static_assert(kIs<IException, ECustomQuilloryAbnormal> && !kIs<IException, EQuilloryAbnormal>);
static_assert(kIs<IEInstallNetLocNil, IEInstall> && kIs<IEFileRel_NoNetLocation, IEFileRelated> &&
              kIs<IEfcDuplicateFile, IEFileContainer> && kIs<IEFileContainer, IEFileRelated>);
static_assert(kIs<IEInstallContainer, IException> && kIs<IENoQuilloryPath, IException> &&
              kIs<IECustomInstallFile, IException> && kIs<IECustomInstallFileList, IException> &&
              kIs<IEContainerList, IException> && kIs<IEInstallGroup, IException> &&
              kIs<IEPathSpecifier, IException> && kIs<IEPathSpecifierList, IException> &&
              kIs<IEPathSpecifierClassList, IException> && kIs<IEInstallShellLink, IException> &&
              kIs<IEShellLinkGroup, IException> && kIs<IEInstallShellLinkList, IException> &&
              kIs<IEUninstallEXE, IException>);
static_assert(kIs<EAIUserAbort, EAI> && kIs<EAIPMCannotOpen, EAIPMError> && kIs<EAIPMCannotOpenGroup, EAIPMError> &&
              kIs<EAIPMCannotCreateGroup, EAIPMError> && kIs<EAIPMCannotAddItem, EAIPMError> &&
              kIs<EAIPMCannotReplaceItem, EAIPMError> && kIs<EAIPMError, EAI> && kIs<EAI, Exception> &&
              !kIs<EAI, ECustomQuilloryAbnormal>);
static_assert(kIs<EIRCannotWriteValue, Exception> && !kIs<EIRCannotWriteValue, ECustomQuilloryAbnormal>);
static_assert(std::is_default_constructible_v<EAIUserAbort> &&
              !std::is_constructible_v<EAIUserAbort, std::string>);

// Installs a translation table for one test.
class Translation {
public:
    explicit Translation(std::map<std::string, std::string> table) {
        IExceptionTranslator() = [table](const std::string& text) {
            auto found = table.find(text);
            return found == table.end() ? text : found->second;
        };
    }
    ~Translation() { IExceptionTranslator() = nullptr; }
};

TEST(ComponentExceptions, TranslateTheFormatBeforeFormatting) {
    Translation german({{"%s cannot delete the archive file %s", "%s kann die Archivdatei %s nicht entfernen"},
                        {"DistributeType can only be set at design-time", "Nur zur Entwurfszeit"}});
    IEfcDuplicateFile formatted("%s cannot delete the archive file %s", {"Group1", "C:\\a.1"});
    EXPECT_EQ(formatted.Message(), "Group1 kann die Archivdatei C:\\a.1 nicht entfernen");
    EXPECT_EQ(formatted.ClassName(), "IEfcDuplicateFile");
    EXPECT_EQ(IEInstall("DistributeType can only be set at design-time").Message(), "Nur zur Entwurfszeit");
    EXPECT_EQ(IEInstall("Not in the table").Message(), "Not in the table");
    // Other families are not translated.
    EXPECT_EQ(EAPIRoutines("DistributeType can only be set at design-time").Message(),
              "DistributeType can only be set at design-time");
}

TEST(ComponentExceptions, WithoutATranslatorTextsStayEnglish) {
    EXPECT_EQ(IEPathSpecifier("Could not find %s", {"x"}).Message(), "Could not find x");
    EXPECT_EQ(EAIUserAbort().Message(), "Installation aborted by the user");
}

TEST(ProgramManagerExceptions, MessagesNameTheirGroupAndItem) {
    EXPECT_EQ(EAIPMError().Message(), "The TProgramManager object was unable to communicate with Program Manager");
    EXPECT_EQ(EAIPMCannotOpen().Message(),
              "The TProgramManager object was unable to establish a link with Program Manager");
    EXPECT_NE(EAIPMCannotOpenGroup("Tools").Message().find("Tools"), std::string::npos);
    EXPECT_NE(EAIPMCannotCreateGroup("Tools").Message().find("Tools"), std::string::npos);
    EXPECT_EQ(EAIPMCannotAddItem("Tools", "[AddItem(x)]", "100% Pure").Message(),
              "The TProgramManager object was unable to add the following program item: 100% Pure to the "
              "following group: Tools. The arguments passed to  Program Manager were: [AddItem(x)]");
    EXPECT_EQ(EAIPMCannotReplaceItem("Tools", "Help").Message(),
              "The TProgramManager object was unable to replace the following program item: Help to the "
              "following group: Tools");
}

} // namespace
} // namespace qlry
