#include <functional>
#include <vector>

#include "engine/exceptions_Quillory.h"
#include "routines/routines_Strings.h"
#include "unit/files/FilesTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

class PropertyRules : public InstallFiles {
public:
    TCustomPathSpecifier* Specifier(const char* name) const {
        return dynamic_cast<TCustomPathSpecifier*>(owner->FindComponent(name));
    }
};

struct RuleCase {
    const char* what;
    std::function<void(TInstallFile&, PropertyRules&)> change;
    const char* destName;
    bool activeX;
    TInstallFileType fileType;
    bool dllCounter;
    TOverwriteType overwrite;
    const char* destDir;
    const char* destDirType;
    bool help;
};

} // namespace

TEST_F(PropertyRules, TypeDestinationAndOverwriteModeFollowTheFileNameAndDestination) {
    auto base = [](const char* name) {
        return [name](TInstallFile& f, PropertyRules& t) { f.SetDestDirType(t.Specifier(name)); };
    };
    auto then = [](auto first, auto second) {
        return [first, second](TInstallFile& f, PropertyRules& t) {
            first(f, t);
            second(f, t);
        };
    };
    auto name = [](const char* fileName) { return [fileName](TInstallFile& f, PropertyRules&) { f.SetFileName(fileName); }; };
    auto type = [](TInstallFileType t) { return [t](TInstallFile& f, PropertyRules&) { f.SetFileType(t); }; };
    const std::vector<RuleCase> cases = {
        {"a.txt to b.ocx", name("b.ocx"), "b.ocx", true, iftSystemWideDLL, true, owVersionDate, "", "TpsSystem", false},
        {"help file", name("setup.hlp"), "setup.hlp", false, iftNormal, false, owAlways, "", "TpsContainerDestDir", true},
        {"help contents", name("setup.cnt"), "setup.cnt", false, iftNormal, false, owAlways, "", "TpsContainerDestDir",
         true},
        {"self-registering source",
         [](TInstallFile& f, PropertyRules&) {
             f.SetIncludeFromDir(RemoveBackslash(ProgramDir()));
             f.SetFileName("verolereg.dll");
         },
         "verolereg.dll", true, iftSystemWideDLL, true, owVersionDate, "", "TpsSystem", false},
        {"dll into the system directory", then(name("x.dll"), base("psSystem")), "x.dll", false, iftSystemWideDLL, true,
         owVersionDate, "", "TpsSystem", false},
        {"dll into the Windows directory", then(name("x.dll"), base("psWindow")), "x.dll", false, iftNormal, false,
         owVersionDate, "", "TpsWindow", false},
        {"bll into the BDE directory", then(name("x.bll"), base("psBDEDLL")), "x.bll", false, iftNormal, false,
         owVersionDate, "", "TpsBDEDLL", false},
        {"text into the Windows directory", base("psWindow"), "a.txt", false, iftNormal, false, owAlways, "",
         "TpsWindow", false},
        {"just a DLL", type(iftJustADLL), "a.txt", false, iftJustADLL, false, owVersionDate, "", "TpsContainerDestDir",
         false},
        {"application-specific DLL", type(iftApplicationSpecificDLL), "a.txt", false, iftApplicationSpecificDLL, false,
         owVersionDate, "\\System", "TpsMainInstall", false},
        {"vendor-shared DLL", type(iftVendorSharedDLL), "a.txt", false, iftVendorSharedDLL, true, owVersionDate,
         "\\System", "TpsCommonFiles", false},
        {"system-wide DLL", type(iftSystemWideDLL), "a.txt", false, iftSystemWideDLL, true, owVersionDate, "",
         "TpsSystem", false},
        {"only DestName", [](TInstallFile& f, PropertyRules&) { f.SetDestName("other.ocx"); }, "other.ocx", false,
         iftNormal, false, owAlways, "", "TpsContainerDestDir", false},
        {"only DestName of an OCX",
         [](TInstallFile& f, PropertyRules&) {
             f.SetFileName("b.ocx");
             f.SetOverwriteMode(owNever);
             f.SetDestName("b.1");
         },
         "b.1", true, iftSystemWideDLL, true, owNever, "", "TpsSystem", false},
    };
    for (const RuleCase& row : cases) {
        SCOPED_TRACE(row.what);
        TInstallFile* file = AddFile("a.txt", "text");
        row.change(*file, *this);
        EXPECT_EQ(file->DestName(), row.destName);
        EXPECT_EQ(file->ActiveX(), row.activeX);
        EXPECT_EQ(file->FileType(), row.fileType);
        EXPECT_EQ(file->UpdateDLLCounter(), row.dllCounter);
        EXPECT_EQ(file->OverwriteMode(), row.overwrite);
        EXPECT_EQ(file->DestDir(), row.destDir);
        ASSERT_NE(file->DestDirType(), nullptr);
        EXPECT_EQ(file->DestDirType()->ClassName(), row.destDirType);
        EXPECT_EQ(file->RegisterAsHelp(), row.help);
        file->Free();
    }
}

TEST_F(PropertyRules, ADuplicateSourceOrAContainerThatHoldsNoFilesIsRefused) {
    TInstallFile* first = AddFile("a.txt", "text");
    TInstallFile* second = AddFile("b.txt", "text");
    EXPECT_EQ(MessageOf<IEfcDuplicateFile>([&] { second->SetFileName("A.TXT"); }),
              "There is already a file with the name :" + SourceDir() + "\\A.TXT");
    EXPECT_EQ(second->FileName(), "b.txt");

    auto* other = new TInstallDirectory(owner.get());
    other->SetName("Dir2");
    auto* twin = new TInstallFile(owner.get(), other, SourceDir() + "\\a.txt");
    twin->SetName("Twin");
    EXPECT_EQ(MessageOf<IEfcDuplicateFile>([&] { twin->SetContainer(dir); }),
              "There is already a file with the name :" + SourceDir() + "\\a.txt");
    EXPECT_EQ(twin->Container(), other);

    auto* links = new TInstallObject(owner.get());
    EXPECT_EQ(MessageOf<IECustomInstallFile>([&] { first->SetContainer(links); }),
              "The following TInstallFile component if1 requires the Container property to be a component descended "
              "from the TFileContainer component");
    EXPECT_EQ(first->Container(), dir);
}

TEST_F(PropertyRules, AFileMadeFromAFullPathSplitsItIntoDirectoryAndName) {
    TInstallFile file(owner.get(), dir, "C:\\Source\\Bin\\Tool.ocx");
    EXPECT_EQ(file.IncludeFromDir(), "C:\\Source\\Bin");
    EXPECT_EQ(file.FileName(), "Tool.ocx");
    EXPECT_EQ(file.DestName(), "Tool.ocx");
    EXPECT_TRUE(file.ActiveX());
    EXPECT_EQ(file.SourcePath(), "C:\\Source\\Bin\\Tool.ocx");
    EXPECT_EQ(file.Container(), dir);
}
