// The process-wide specifier lists, the creation of missing standard specifiers, and the
// companion specifier that a file container owns.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "PathsTestSupport.h"
#include "engine/exceptions_Quillory.h"
#include "model/cmp_TInstallContainer.h"
#include "platform/DescriptionReader.h"
#include "platform/Exceptions.h"

using namespace qlry;
using namespace qlry::test;

namespace {

const std::vector<std::string> standardClassesInOrder = {
    "TpsBDEDLL",         "TpsCommonFiles", "TpsContainerArchiveFile", "TpsContainerDestDir", "TpsDesktopMenu",
    "TpsInstallSource",  "TpsMainInstall", "TpsProgramFiles",         "TpsProgramMenu",      "TpsStartMenu",
    "TpsStartupMenu",    "TpsSystem",      "TpsMainArchiveFile",      "TpsWindow"};

// "ClassName:Name" of every specifier the owner holds, in the owner's order.
std::vector<std::string> SpecifiersOn(const TComponent& owner) {
    std::vector<std::string> found;
    for (int i = 0; i < owner.ComponentCount(); ++i)
        if (auto* specifier = dynamic_cast<TStandardPathSpecifier*>(owner.Components(i)))
            found.push_back(specifier->ClassName() + ":" + specifier->Name());
    return found;
}

int LiveInstancesOf(const std::string& className) {
    int count = 0;
    for (int i = 0; i < TPathSpecifierList::All().Count(); ++i)
        if (TPathSpecifierList::All().Items(i)->ClassName() == className) ++count;
    return count;
}

using StandardSpecifiers = PathsTest;

} // namespace

TEST_F(StandardSpecifiers, FirstInstallObjectOnADataModuleCreatesTheMissingOnesByTheirDefaultNames) {
    // Two the author placed, one of them under a name of his own.
    Make<TpsWindow>("WindowsDir");
    Make<TpsSystem>("psSystem");
    Make<TInstallDirectory>("Dir1");

    const std::vector<std::string> expected = {
        "TpsWindow:WindowsDir",
        "TpsSystem:psSystem",
        "TpsBDEDLL:psBDEDLL",
        "TpsCommonFiles:psCommonFiles",
        "TpsContainerArchiveFile:psContainerArchiveFile",
        "TpsContainerDestDir:psContainerDestDir",
        "TpsDesktopMenu:psDesktopMenu",
        "TpsInstallSource:psInstallSource",
        "TpsMainInstall:psMainInstall",
        "TpsProgramFiles:psProgramFiles",
        "TpsProgramMenu:psProgramMenu",
        "TpsStartMenu:psStartMenu",
        "TpsStartupMenu:psStartupMenu",
        "TpsMainArchiveFile:psMainArchiveFile",
    };
    EXPECT_EQ(SpecifiersOn(*Module()), expected);

    // Later install objects find every class present and add nothing.
    Make<TInstallFile>("File1");
    Make<TInstallGroup>("Group1");
    EXPECT_EQ(SpecifiersOn(*Module()), expected);
    for (const std::string& className : standardClassesInOrder) EXPECT_EQ(LiveInstancesOf(className), 1) << className;
}

TEST_F(StandardSpecifiers, InstallObjectOnAnOrdinaryComponentCreatesNone) {
    TComponent plainOwner(nullptr);
    auto* file = new TInstallFile(&plainOwner);
    file->SetName("File1");
    EXPECT_EQ(TPathSpecifierList::All().Count(), 0);
}

TEST_F(StandardSpecifiers, StoredSpecifiersAreNotDuplicatedWhenAProjectIsRead) {
    TDataModule project(nullptr);
    ReadDescription(&project,
                    "object Project2: TDataModule\n"
                    "  object MyProgramFiles: TpsProgramFiles\n"
                    "  end\n"
                    "  object psWindow: TpsWindow\n"
                    "  end\n"
                    "  object Dir1: TInstallDirectory\n"
                    "    DestDirType = MyProgramFiles\n"
                    "    DestDir = '\\App'\n"
                    "  end\n"
                    "end\n");
    for (const std::string& className : standardClassesInOrder) EXPECT_EQ(LiveInstancesOf(className), 1) << className;
    EXPECT_EQ(project.FindComponent("psProgramFiles"), nullptr);
    auto* dir = dynamic_cast<TInstallDirectory*>(project.FindComponent("Dir1"));
    ASSERT_NE(dir, nullptr);
    EXPECT_EQ(dir->DestDirType(), project.FindComponent("MyProgramFiles"));
    // Created while the project was read, yet complete: not left in the loading state.
    EXPECT_FALSE(project.FindComponent("psBDEDLL")->IsLoading());
}

TEST_F(StandardSpecifiers, ANameTakenOnTheOwnerMakesTheCreationRaise) {
    Make<TComponent>("psCommonFiles");
    EXPECT_EQ(MessageOf<EComponentError>([&] { EnsureStandardSpecifiers(Module()); }),
              "A component named psCommonFiles already exists");
    EXPECT_EQ(LiveInstancesOf("TpsCommonFiles"), 0);
    EXPECT_EQ(LiveInstancesOf("TpsBDEDLL"), 1);   // made before the clash
}

TEST_F(StandardSpecifiers, ListFailuresCarryTheirMessages) {
    EXPECT_EQ(TPathSpecifierList::Standard().Count(), 0);
    EXPECT_EQ(MessageOf<IEPathSpecifier>([] { TPathSpecifierList::Standard().Find<TpsContainerDestDir>(); }),
              "Could not find the path specifier");
    EXPECT_EQ(MessageOf<IEPathSpecifierList>([] { TPathSpecifierList::All().Add(nullptr); }),
              "Tried to add a nil object to the path specifier list");
    EXPECT_EQ(MessageOf<IEPathSpecifierClassList>([] { TPathSpecifierClassList::Instance().Add(nullptr); }),
              "Tried to add a nil object to the path specifier list");
    EXPECT_EQ(TPathSpecifierClassList::Instance().Count(), 14);
}

TEST_F(StandardSpecifiers, FindByClassAnswersTheFirstOfTheClassOrADescendant) {
    auto* files = Make<TpsProgramFiles>("psProgramFiles");
    auto* menu = Make<TpsProgramMenu>("psProgramMenu");
    auto* companion = Make<TpsFileContainer>("psFileContainer");
    EXPECT_EQ(TPathSpecifierList::Standard().Find<TpsProgramMenu>(), menu);
    EXPECT_EQ(TPathSpecifierList::Standard().Find<TStandardPathSpecifier>(), files);
    // A file container's specifier is in the list of all, not among the standard ones.
    EXPECT_EQ(TPathSpecifierList::All().Find<TpsFileContainer>(), companion);
    EXPECT_THROW(TPathSpecifierList::Standard().Find<TpsFileContainer>(), IEPathSpecifier);

    delete menu;
    EXPECT_THROW(TPathSpecifierList::Standard().Find<TpsProgramMenu>(), IEPathSpecifier);
}

TEST_F(StandardSpecifiers, TheRegisteredClassesAreTheFourteenInTheirFixedOrder) {
    const TPathSpecifierClassList& classes = TPathSpecifierClassList::Instance();
    std::vector<std::string> names;
    for (int i = 0; i < classes.Count(); ++i) names.push_back(classes.Items(i)->Name());
    EXPECT_EQ(names, standardClassesInOrder);
}

// --- the companion of a file container ----------------------------------------------

namespace {

using FileContainerSpecifier = PathsTest;

// The number in a "nameClash<n>" name; -1 for any other name.
int ClashNumber(const std::string& name) {
    std::smatch match;
    if (!std::regex_match(name, match, std::regex("nameClash([0-9]+)"))) return -1;
    return std::stoi(match[1]);
}

// Two directories, the stored companion of the second one named as the companion the
// first directory made for itself while the project was read.
const char* const storedCompanionProject =
    "object Project2: TDataModule\n"
    "  object Dir1: TInstallDirectory\n"
    "    Description = 'first'\n"
    "  end\n"
    "  object Dir2: TInstallDirectory\n"
    "    Description = 'second'\n"
    "  end\n"
    "  object psFileContainer: TpsFileContainer\n"
    "    FileContainer = Dir2\n"
    "  end\n"
    "end\n";

} // namespace

TEST_F(FileContainerSpecifier, AStoredCompanionKeepsItsNameAndReplacesTheOneTheContainerMade) {
    int previousClash = 0;
    for (int round = 0; round < 2; ++round) {
        TDataModule project(nullptr);
        ReadDescription(&project, storedCompanionProject);
        auto* dir1 = dynamic_cast<TFileContainer*>(project.FindComponent("Dir1"));
        auto* dir2 = dynamic_cast<TFileContainer*>(project.FindComponent("Dir2"));
        ASSERT_TRUE(dir1 && dir2);

        TpsFileContainer* stored = dir2->PathSpecifier();
        ASSERT_NE(stored, nullptr);
        EXPECT_EQ(stored->Name(), "psFileContainer");
        EXPECT_EQ(stored->FileContainer(), dir2);
        EXPECT_EQ(stored->ShortName(), "<second>");
        // Dir2's own companion is gone; Dir1's had to give up the name.
        EXPECT_EQ(project.FindComponent("psFileContainer1"), nullptr);
        ASSERT_NE(dir1->PathSpecifier(), nullptr);
        int clash = ClashNumber(dir1->PathSpecifier()->Name());
        EXPECT_GT(clash, previousClash) << dir1->PathSpecifier()->Name();
        previousClash = clash;
        EXPECT_EQ(dir1->PathSpecifier()->FileContainer(), dir1);
    }
}

TEST_F(FileContainerSpecifier, ANewContainerNamesItsCompanionByTheFirstFreeNumber) {
    Make<TComponent>("psFileContainer");
    Make<TComponent>("psFileContainer1");
    auto* dir = Make<TInstallDirectory>("Dir3");
    ASSERT_NE(dir->PathSpecifier(), nullptr);
    EXPECT_EQ(dir->PathSpecifier()->Name(), "psFileContainer2");
    EXPECT_FALSE(dir->PathSpecifier()->Creating());
}

TEST_F(FileContainerSpecifier, NamesAndPathFollowTheContainerUntilItIsGone) {
    auto* dir = Make<TInstallDirectory>("Dir1");
    dir->SetDescription("application");
    dir->SetDestDir("C:\\App\\");
    auto* link = Make<TInstallObject>("Link1");
    auto* spare = Make<TpsFileContainer>("SpareSpecifier");
    spare->SetFileContainer(dir);

    EXPECT_EQ(spare->LongName(), "Path into which application will be installed");
    EXPECT_EQ(spare->ShortName(), "<application>");
    EXPECT_EQ(spare->GetPath(link), "C:\\App");

    delete dir;
    EXPECT_EQ(spare->FileContainer(), nullptr);
    EXPECT_EQ(spare->LongName(), "Path specifier for unknown file container");
    EXPECT_EQ(spare->ShortName(), "Path specifier for unknown file container");
    EXPECT_EQ(spare->GetPath(link), "");
}
