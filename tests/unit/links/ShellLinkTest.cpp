// Start-menu folders and links, made for real in the Programs folder of the prefix and
// read back through the shell.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "links/cmp_TInstallShellLink.h"
#include "platform/DataModule.h"
#include "platform/DescriptionReader.h"
#include "platform/IniFile.h"
#include "platform/SysUtils.h"
#include "routines/routines_API.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"

using namespace qlry;
using namespace qlry::test;

namespace {

const char* const productName = "Qlry Links Test";
const std::string uninstallKey = std::string(uninstallKeyBase) + productName;

// The uninstall program as the engine will publish it: links know it by its class name.
class TUninstallProgram : public TCustomInstallFile {
public:
    using TCustomInstallFile::TCustomInstallFile;
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info("TUninstallEXE", &TCustomInstallFile::StaticClassInfo(), nullptr, {});
        return info;
    }
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void ProcessObjects() override { TInstallContainer::ProcessObjects(); }
};

// What the shell reads back from a saved link.
struct TLinkContents {
    std::string path, arguments, workingDirectory;
    WORD hotKey = 0;
};

TLinkContents LoadLink(const std::string& fileName) {
    TLinkContents contents;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return contents;
    IPersistFile* file = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, fileName.c_str(), -1, wide, MAX_PATH);
    if (file && SUCCEEDED(file->Load(wide, STGM_READ))) {
        char text[MAX_PATH * 2] = {};
        link->GetPath(text, sizeof text, nullptr, 0);
        contents.path = text;
        link->GetArguments(text, sizeof text);
        contents.arguments = text;
        link->GetWorkingDirectory(text, sizeof text);
        contents.workingDirectory = text;
        link->GetHotkey(&contents.hotKey);
    }
    if (file) file->Release();
    link->Release();
    return contents;
}

std::vector<std::string> UninstallFiles() {
    std::vector<std::string> files;
    int entries = StrToIntDef(RegReadString(rkLocalMachine, uninstallKey + "\\Files", "Entries", "0"), 0);
    for (int i = 1; i <= entries; ++i)
        files.push_back(RegReadString(rkLocalMachine, uninstallKey + "\\Files", "File" + IntToStr(i), ""));
    return files;
}

// Takes the shell link class out of the registry for a while, as a damaged system would.
class TShellLinkClassHidden {
public:
    TShellLinkClassHidden() {
        server_ = RegReadString(rkClassesRoot, key, "", "");
        threading_ = RegReadString(rkClassesRoot, key, "ThreadingModel", "");
        RegDeleteKeyA(HKEY_CLASSES_ROOT, key + 1);
    }
    ~TShellLinkClassHidden() {
        RegWriteString(rkClassesRoot, key, "", server_);
        RegWriteString(rkClassesRoot, key, "ThreadingModel", threading_);
    }
    TShellLinkClassHidden(const TShellLinkClassHidden&) = delete;
    TShellLinkClassHidden& operator=(const TShellLinkClassHidden&) = delete;

private:
    static constexpr const char* key = "\\CLSID\\{00021401-0000-0000-C000-000000000046}\\InprocServer32";
    std::string server_, threading_;
};

// A file the test puts in place itself; processing it only marks it installed.
class TPlacedFile : public TInstallFile {
public:
    using TInstallFile::TInstallFile;
    void ProcessObjects() override { TInstallContainer::ProcessObjects(); }
};

// An engine, its program folder with one sub-folder, and a directory of files in a
// scratch directory.
class ShellLinks : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyTree(rkLocalMachine, uninstallKey);
        owner = std::make_unique<TDataModule>(nullptr);
        engine = new TInstall(owner.get());
        engine->Information()->SetProductName(productName);
        mainFolder = new TMainLinkGroup(owner.get());
        mainFolder->SetName("MainFolder");
        mainFolder->SetContainer(engine);
        subFolder = new TSubLinkGroup(owner.get());
        subFolder->SetName("SubFolder");
        subFolder->SetDestDir("\\Extras");
        appDir = new TInstallDirectory(owner.get());
        appDir->SetName("AppDir");
        appDir->SetDescription("application");
        appDir->SetDestDir(scratch.Path());
    }
    void TearDown() override {
        owner.reset();
        RemoveTree(Folder());
        RegDeleteKeyTree(rkLocalMachine, uninstallKey);
    }

    static std::string Folder() { return ShellProgramsFolder() + "\\" + productName; }

    template <class F = TPlacedFile>
    F* MakeFile(const char* name, bool include = true) {
        auto* file = new F(owner.get());
        std::string componentName = std::string("if") + name;
        for (char& c : componentName)
            if (c == '.') c = '_';
        file->SetName(componentName);
        file->SetDestName(name);
        file->SetContainer(appDir);
        file->SetInclude(include);
        WriteFileBytes(scratch.File(name), "MZ");
        file->Process();
        return file;
    }
    template <class L = TInstallMainLink>
    L* MakeLink(const char* name, TInstallContainer* target = nullptr) {
        auto* link = new L(owner.get());
        link->SetName(name);
        if (target) link->SetObjectLink(target);
        return link;
    }
    void ProcessFolders() {
        mainFolder->Process();
        subFolder->Process();
    }

    ScratchDir scratch;
    std::unique_ptr<TDataModule> owner;
    TInstall* engine = nullptr;
    TMainLinkGroup* mainFolder = nullptr;
    TSubLinkGroup* subFolder = nullptr;
    TInstallDirectory* appDir = nullptr;
};

} // namespace

TEST_F(ShellLinks, ShellLinkIsSavedInTheProgramsFolderAndReadsBackThroughTheShell) {
    EXPECT_EQ(mainFolder->DestDir(), std::string("\\") + productName);
    TInstallFile* app = MakeFile("app.exe");
    TInstallMainLink* link = MakeLink("AppLink", app);
    link->SetParameters("-ini %w\\app.ini");
    link->SetHotKey((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'Q');
    TInstallSubLink* subLink = MakeLink<TInstallSubLink>("SubAppLink", app);
    subLink->SetLinkName("App in extras.lnk");
    subLink->SetMethod(mtShellLinkInterface);
    ProcessFolders();
    link->Process();
    subLink->Process();

    const std::string fileName = Folder() + "\\app.lnk";
    ASSERT_TRUE(SameText(link->LinkFileName(), fileName)) << link->LinkFileName();
    TLinkContents contents = LoadLink(fileName);
    EXPECT_TRUE(SameText(contents.path, scratch.File("app.exe"))) << contents.path;
    EXPECT_EQ(contents.arguments, "-ini " + RemoveBackslash(GetWindowsDir()) + "\\app.ini");
    EXPECT_TRUE(SameText(contents.workingDirectory, scratch.Path())) << contents.workingDirectory;
    EXPECT_EQ(contents.hotKey, (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'Q');
    EXPECT_TRUE(SameText(LoadLink(Folder() + "\\Extras\\App in extras.lnk").path, scratch.File("app.exe")));

    // A second run writes over the link that is there.
    link->SetParameters("-second");
    link->Process();
    EXPECT_EQ(LoadLink(fileName).arguments, "-second");
}

// Nothing in the program sends these; a project may, to run one folder or one link itself.
TEST_F(ShellLinks, EventsRunAFolderOrALinkOnItsOwn) {
    TInstallFile* app = MakeFile("app.exe");
    TInstallMainLink* link = MakeLink("AppLink", app);
    engine->BroadcastInformationEvent(engine, ieProcessLinkGroup, nullptr);
    EXPECT_TRUE(mainFolder->Processed());
    EXPECT_TRUE(DirectoryExists(Folder()));
    EXPECT_FALSE(subFolder->Processed());
    mainFolder->BroadcastInformationEvent(mainFolder, ieProcessLink, nullptr);
    EXPECT_TRUE(link->LinkCreated());
    EXPECT_TRUE(FileExistsOnDisk(Folder() + "\\app.lnk"));
}

TEST_F(ShellLinks, LinkToTheUninstallProgramGetsTheProductNameAsItsArgument) {
    auto* uninstaller = MakeFile<TUninstallProgram>("uninstall.exe");
    TInstallMainLink* link = MakeLink("UninstallLink", uninstaller);
    link->SetParameters("ignored");
    link->Process();
    EXPECT_EQ(LoadLink(Folder() + "\\uninstall.lnk").arguments, productName);
}

TEST_F(ShellLinks, InternetShortcutIsAnIniFileWhateverTheMethodAndLetterCase) {
    TInstallMainLink* link = MakeLink("SiteLink");
    link->SetLinkName("Support site.url");
    link->SetObjectLocation("http://www.example.com/support");
    link->SetMethod(mtProgramManager);
    link->Process();

    const std::string fileName = Folder() + "\\Support site.url";
    ASSERT_TRUE(FileExistsOnDisk(fileName));
    std::string text = ReadFileBytes(fileName);
    EXPECT_NE(text.find("[InternetShortcut]"), std::string::npos) << text;
    EXPECT_NE(text.find("URL=http://www.example.com/support"), std::string::npos) << text;
}

TEST_F(ShellLinks, LinkToAnObjectThatWasNotInstalledIsLeftOutSilently) {
    TInstallFile* skipped = MakeFile("skipped.exe", false);
    ASSERT_FALSE(skipped->Processed());
    TInstallMainLink* link = MakeLink("SkippedLink", skipped);
    ProcessFolders();
    EXPECT_NO_THROW(link->Process());
    EXPECT_FALSE(FileExistsOnDisk(Folder() + "\\skipped.lnk"));
    EXPECT_FALSE(link->LinkCreated());
    EXPECT_TRUE(UninstallFiles().empty());
}

TEST_F(ShellLinks, CreatedLinksAreListedForTheUninstallerAndFoldersAreNot) {
    RegWriteString(rkLocalMachine, uninstallKey + "\\Files", "Entries", "1");
    RegWriteString(rkLocalMachine, uninstallKey + "\\Files", "File1", "C:\\earlier\\file.txt");
    TInstallFile* app = MakeFile("app.exe");
    TInstallMainLink* link = MakeLink("AppLink", app);
    TInstallSubLink* site = MakeLink<TInstallSubLink>("SiteLink");
    site->SetObjectLocation("ftp://ftp.example.com");
    TInstallMainLink* notListed = MakeLink("NotListed", app);
    notListed->SetLinkName("Not listed.lnk");
    notListed->SetUninstall(false);
    ProcessFolders();
    link->Process();
    site->Process();
    notListed->Process();

    EXPECT_EQ(site->LinkName(), "ftp.example.com.URL");
    EXPECT_EQ(UninstallFiles(),
              (std::vector<std::string>{"C:\\earlier\\file.txt", app->TargetPath(), link->LinkFileName(),
                                        site->LinkFileName()}));
    EXPECT_TRUE(FileExistsOnDisk(site->LinkFileName()));
    EXPECT_TRUE(FileExistsOnDisk(Folder() + "\\Not listed.lnk"));
}

TEST_F(ShellLinks, EntriesThatAreNotANumberSendTheEntryToTheNextFilesKey) {
    RegWriteString(rkLocalMachine, uninstallKey + "\\Files", "Entries", "many");
    WriteUninstallFileEntry(uninstallKey, "C:\\x.lnk");
    EXPECT_EQ(RegReadString(rkLocalMachine, uninstallKey + "\\Files1", "File1", ""), "C:\\x.lnk");
    EXPECT_EQ(RegReadString(rkLocalMachine, uninstallKey + "\\Files1", "Entries", ""), "1");

    // A registry that refuses every key ends with its refusal, not an endless search.
    for (int i = 0; i < uninstallFilesKeysTried; ++i)
        RegWriteString(rkLocalMachine, uninstallKey + "\\Files" + (i ? IntToStr(i) : ""), "Entries", "x");
    EXPECT_NE(MessageOf<EIRCannotWriteValue>([] { WriteUninstallFileEntry(uninstallKey, "C:\\y.lnk"); }),
              "<no exception>");
}

TEST_F(ShellLinks, FailuresNameTheLink) {
    TInstallFile* app = MakeFile("app.exe");
    // A plain file where the program folder should be: the shell cannot save into it.
    WriteFileBytes(Folder(), "in the way");
    TInstallMainLink* blocked = MakeLink("Blocked", app);
    std::string message = MessageOf<IEInstallShellLink>([&] { blocked->Process(); });
    TInstallMainLink* blockedSite = MakeLink("BlockedSite");
    blockedSite->SetObjectLocation("http://www.example.com");
    EXPECT_EQ(MessageOf<EIniFileException>([&] { blockedSite->Process(); }),
              "Unable to write to " + blockedSite->LinkFileName());
    DeleteFile(Folder());
    EXPECT_EQ(message.rfind("The TCustomInstallShellLink Blocked name could not be installed. The following error "
                            "was reported ",
                            0),
              0u)
        << message;
    EXPECT_NE(message.find(". Error code -2147"), std::string::npos) << message;

    {
        TShellLinkClassHidden hidden;
        TInstallMainLink* unregistered = MakeLink("Unregistered", app);
        EXPECT_EQ(MessageOf<IEInstallShellLink>([&] { unregistered->Process(); }),
                  "The TCustomInstallShellLink Unregistered name could not be installed. The following error was "
                  "reported Indicates that a specified class is not registered in the registration database. Error "
                  "code -2147221164");
    }
    EXPECT_TRUE(SameText(RegReadString(rkClassesRoot, "\\CLSID\\{00021401-0000-0000-C000-000000000046}\\InprocServer32",
                                       "", ""),
                         "C:\\windows\\system32\\shell32.dll"));

    TInstallMainLink* tooLong = MakeLink("TooLong", app);
    tooLong->SetLinkName(std::string(300, 'n') + ".lnk");
    EXPECT_EQ(MessageOf<IEInstallShellLink>([&] { tooLong->Process(); })
                  .rfind("The TCustomInstallShellLink TooLong name could not be installed. The following error was "
                         "reported System Error.  Code: 122.",
                         0),
              0u);

    // The setter always leaves an extension; a link that never had a name is blank.
    TInstallMainLink* blank = MakeLink("Blank");
    EXPECT_EQ(MessageOf<IEInstallShellLink>([&] { blank->Process(); }),
              "The LinkName is blank for Blank and therefore could not be installed");

    auto* uninstaller = MakeFile<TUninstallProgram>("uninstall.exe");
    TInstallMainLink* noEngine = MakeLink("NoEngine", uninstaller);
    mainFolder->SetContainer(nullptr);
    engine->Free();
    EXPECT_EQ(MessageOf<IEInstallShellLink>([&] { noEngine->Process(); }),
              "NoEngine cannot perform operation because there is no TInstall component");
}

TEST_F(ShellLinks, LinksAndFoldersFreeThemselvesWhenWhatTheyNeedIsDestroyed) {
    TInstallFile* app = MakeFile("app.exe");
    MakeLink("AppLink", app);
    MakeLink<TInstallSubLink>("SubLink")->SetLinkName("Sub.lnk");
    MakeLink("FolderLink", subFolder);
    auto alive = [&](const char* name) { return owner->FindComponent(name) != nullptr; };
    ASSERT_EQ(TInstallShellLinkList::AllLinks().Count(), 3);

    // The directory takes its file with it, and the file its link.
    appDir->Free();
    EXPECT_FALSE(alive("ifapp_exe"));
    EXPECT_FALSE(alive("AppLink"));
    EXPECT_TRUE(alive("SubLink"));

    subFolder->Free();
    EXPECT_FALSE(alive("SubLink"));
    EXPECT_FALSE(alive("FolderLink"));
    EXPECT_EQ(TShellLinkGroupList::SubGroups().Count(), 0);

    MakeLink("LastLink")->SetLinkName("Last.lnk");
    engine->Free();
    EXPECT_FALSE(alive("MainFolder"));
    EXPECT_FALSE(alive("LastLink"));
    EXPECT_EQ(MainLinkGroup(), nullptr);
    EXPECT_EQ(TInstallShellLinkList::AllLinks().Count(), 0);
    EXPECT_EQ(TInstallShellLinkList::MainLinks().Count(), 0);
}

TEST_F(ShellLinks, SettersKeepNameTargetAndBaseConsistent) {
    TInstallFile* app = MakeFile("app.exe");
    auto* group = new TInstallGroup(owner.get());
    group->SetName("Group1");
    MakeLink("First")->Free();   // the first link brings the object-link specifier
    TCustomPathSpecifier* objectLink = TPathSpecifierList::Standard().Find<TpsObjectLink>();
    TCustomPathSpecifier* programFiles = TPathSpecifierList::Standard().Find<TpsProgramFiles>();
    struct Row {
        const char* what;
        std::function<void(TCustomInstallShellLink&)> act;
        std::string linkName;
        TInstallContainer* objectLink;
        TCustomPathSpecifier* locationType;
        std::string location;
    };
    const std::vector<Row> rows{
        {"name without extension", [](auto& l) { l.SetLinkName("Readme"); }, "Readme.LNK", nullptr, nullptr, ""},
        {"other extension", [](auto& l) { l.SetLinkName("Readme.txt"); }, "Readme.LNK", nullptr, nullptr, ""},
        {"keeps the previous extension",
         [](auto& l) {
             l.SetLinkName("Old.URL");
             l.SetLinkName("New.htm");
         },
         "New.URL", nullptr, nullptr, ""},
        {"file target", [&](auto& l) { l.SetObjectLink(app); }, "app.lnk", app, objectLink, ""},
        {"directory target", [&](auto& l) { l.SetObjectLink(appDir); }, "application.lnk", appDir, objectLink, ""},
        {"other target", [&](auto& l) { l.SetObjectLink(group); }, "Group1.lnk", group, objectLink, ""},
        {".url name drops the target",
         [&](auto& l) {
             l.SetObjectLink(app);
             l.SetLinkName("Web.url");
         },
         "Web.url", nullptr, nullptr, ""},
        {"nil target drops the base",
         [&](auto& l) {
             l.SetObjectLink(app);
             l.SetObjectLink(nullptr);
         },
         "app.lnk", nullptr, nullptr, ""},
        {"location beside a target is cleared",
         [&](auto& l) {
             l.SetObjectLink(app);
             l.SetObjectLocation("C:\\other.exe");
         },
         "app.lnk", app, objectLink, ""},
        {"http location", [](auto& l) { l.SetObjectLocation("Http://www.example.com"); }, "www.example.com.URL",
         nullptr, nullptr, "Http://www.example.com"},
        {"ftp location with a path", [](auto& l) { l.SetObjectLocation("see ftp://ftp.example.com/pub"); },
         "ftp.example.com-pub.URL", nullptr, nullptr, "see ftp://ftp.example.com/pub"},
        {"plain location", [](auto& l) { l.SetObjectLocation("C:\\Tools\\run.exe"); }, "run.LNK", nullptr, nullptr,
         "C:\\Tools\\run.exe"},
        {"location after the bare extension",
         [](auto& l) {
             l.SetLinkName(".LNK");
             l.SetObjectLocation("C:\\Tools\\run.exe");
         },
         "run.LNK", nullptr, nullptr, "C:\\Tools\\run.exe"},
        {"location keeps a given name",
         [](auto& l) {
             l.SetLinkName("Kept.LNK");
             l.SetObjectLocation("http://www.example.com");
         },
         "Kept.LNK", nullptr, nullptr, "http://www.example.com"},
        {"other base keeps the location",
         [&](auto& l) {
             l.SetObjectLocation("\\Tools\\run.exe");
             l.SetObjectLocationType(programFiles);
         },
         "run.LNK", nullptr, programFiles, "\\Tools\\run.exe"},
    };
    for (const Row& row : rows) {
        TInstallMainLink* link = MakeLink("RuleLink");
        row.act(*link);
        EXPECT_EQ(link->LinkName(), row.linkName) << row.what;
        EXPECT_EQ(link->ObjectLink(), row.objectLink) << row.what;
        EXPECT_EQ(link->ObjectLocationType(), row.locationType) << row.what;
        EXPECT_EQ(link->ObjectLocation(), row.location) << row.what;
        link->Free();
    }

    TInstallMainLink* link = MakeLink("RuleLink");
    EXPECT_EQ(MessageOf<IEPathSpecifier>([&] { link->SetObjectLocationType(objectLink); }),
              "Cannot use ddObjectLink for RuleLink unless you assign a value to ObjectLink");
    EXPECT_EQ(MessageOf<IEPathSpecifier>([&] { objectLink->Validate(appDir); }),
              "AppDir must be a TCustomInstallShellLink to use the psObjectLink path specifier");
    link->SetObjectLink(app);
    EXPECT_TRUE(SameText(link->GetObjectPath(), scratch.File("app.exe")));
    link->SetObjectLink(appDir);
    EXPECT_TRUE(SameText(link->GetObjectPath(), scratch.Path()));
}

TEST_F(ShellLinks, ProgramManagerRouteOpensTheGroupOfTheLinksFolder) {
    TInstallFile* app = MakeFile("app.exe");
    subFolder->SetDestDir("\\QlryPmLinks");
    TInstallSubLink* link = MakeLink<TInstallSubLink>("PmLink", app);
    link->SetMethod(mtProgramManager);
    const std::string group = ShellProgramsFolder() + "\\QlryPmLinks";
    link->Process();
    CloseExplorerWindows();
    EXPECT_TRUE(DirectoryExists(group));
    // Wine's Program Manager gives no group data, so no group is selected and no item is added.
    EXPECT_FALSE(link->LinkCreated());
    EXPECT_EQ(UninstallFiles(), std::vector<std::string>{app->TargetPath()});
    RemoveTree(group);
}

// Creation rules, from a project without any link folder.
class LinkCreation : public testing::Test {
protected:
    void TearDown() override { owner.reset(); }
    std::unique_ptr<TDataModule> owner = std::make_unique<TDataModule>(nullptr);
};

TEST_F(LinkCreation, EachKindNeedsItsFolderFirst) {
    auto* o = owner.get();
    EXPECT_EQ(MessageOf<IEInstallShellLink>([&] { new TInstallMainLink(o); }),
              "To create a TInstallMainLink you must first have a TMainLinkGroup component in your project");
    EXPECT_NE(MessageOf<IEShellLinkGroup>([&] { new TSubLinkGroup(o); }), "<no exception>");
    auto* mainFolder = new TMainLinkGroup(o);
    EXPECT_EQ(mainFolder->DestDir(), "\\MainFolderName");
    EXPECT_EQ(MessageOf<IEShellLinkGroup>([&] { new TMainLinkGroup(o); }),
              "You can only have one TMainLinkGroup component in your project");
    EXPECT_EQ(MessageOf<IEInstallShellLink>([&] { new TInstallSubLink(o); }),
              "To create a TInstallSubLink you must first have at least one TSubLinkGroup component in your project");

    auto* first = new TSubLinkGroup(o);
    new TSubLinkGroup(o);
    EXPECT_EQ(first->DestDir(), "\\ASubGroup");
    EXPECT_EQ(first->Container(), mainFolder);
    auto* mainLink = new TInstallMainLink(o);
    auto* subLink = new TInstallSubLink(o);
    EXPECT_EQ(mainLink->Container(), mainFolder);
    EXPECT_EQ(subLink->Container(), first);
    // Every link gets the object-link specifier on its owner.
    EXPECT_NE(dynamic_cast<TpsObjectLink*>(o->FindComponent("psObjectLink")), nullptr);

    const char* const mainFolderMessage =
        "The TMainLinkGroup component must be the Container for TInstallMainLink and TSubLinkGroup components";
    EXPECT_EQ(MessageOf<IEInstallShellLink>([&] { mainLink->SetContainer(first); }), mainFolderMessage);
    EXPECT_EQ(MessageOf<IEShellLinkGroup>([&] { first->SetContainer(first); }), mainFolderMessage);
    EXPECT_EQ(MessageOf<IEInstallShellLink>([&] { subLink->SetContainer(mainFolder); }),
              "A TSubLinkGroup component must be the Container for TInstallSubLink components");
    EXPECT_EQ(MessageOf<IEInstallShellLinkList>([] { TInstallShellLinkList::AllLinks().Add(nullptr); }),
              "Cannot add a blank entry to the shell link list");
    EXPECT_EQ(MessageOf<IEShellLinkGroup>([] { TShellLinkGroupList::SubGroups().Add(nullptr); }),
              "Cannot add a blank entry to the shell link group list");
    // The folders' and links' bases are fixed whatever is assigned.
    TCustomPathSpecifier* system = TPathSpecifierList::Standard().Find<TpsSystem>();
    mainFolder->SetDestDirType(system);
    first->SetDestDirType(system);
    subLink->SetDestDirType(system);
    EXPECT_NE(dynamic_cast<TpsProgramMenu*>(mainFolder->DestDirType()), nullptr);
    EXPECT_NE(dynamic_cast<TpsContainerDestDir*>(first->DestDirType()), nullptr);
    EXPECT_NE(dynamic_cast<TpsContainerDestDir*>(subLink->DestDirType()), nullptr);
}

// The classes as a project description names them; the object-link specifier is stored
// after the links that use it, and stored values are taken as they stand.
TEST_F(LinkCreation, ProjectDescriptionCreatesFoldersAndLinksWithTheirStoredValues) {
    ReadDescription(owner.get(), R"(object Project: TDataModule
  object MainFolder: TMainLinkGroup
    DestDir = '\My Product'
  end
  object Docs: TSubLinkGroup
    Container = MainFolder
    DestDir = '\Docs'
  end
  object HelpFile: TInstallFile
    DestName = 'help.hlp'
  end
  object HelpLink: TInstallMainLink
    LinkName = 'Help File.LNK'
    ObjectLink = HelpFile
    ObjectLocationType = psObjectLink
    HotKey = 1601
    Method = mtShellLinkInterface
  end
  object SiteLink: TInstallSubLink
    Container = Docs
    LinkName = 'Odd name'
    ObjectLocation = 'http://www.example.com'
    Parameters = '%i'
    Uninstall = False
  end
  object psObjectLink: TpsObjectLink
  end
end
)");
    auto* mainFolder = dynamic_cast<TMainLinkGroup*>(owner->FindComponent("MainFolder"));
    auto* docs = dynamic_cast<TSubLinkGroup*>(owner->FindComponent("Docs"));
    auto* help = dynamic_cast<TInstallMainLink*>(owner->FindComponent("HelpLink"));
    auto* site = dynamic_cast<TInstallSubLink*>(owner->FindComponent("SiteLink"));
    ASSERT_TRUE(mainFolder && docs && help && site);
    EXPECT_EQ(MainLinkGroup(), mainFolder);
    EXPECT_EQ(help->Container(), mainFolder);
    EXPECT_EQ(site->Container(), docs);
    EXPECT_EQ(help->ObjectLink(), owner->FindComponent("HelpFile"));
    EXPECT_EQ(help->ObjectLocationType(), owner->FindComponent("psObjectLink"));
    EXPECT_EQ(help->HotKey(), 1601);
    EXPECT_EQ(help->Method(), mtShellLinkInterface);
    EXPECT_EQ(site->LinkName(), "Odd name");
    EXPECT_EQ(site->ObjectLocation(), "http://www.example.com");
    EXPECT_EQ(site->Parameters(), "%i");
    EXPECT_FALSE(site->Uninstall());
    int objectLinkSpecifiers = 0;
    for (int i = 0; i < TPathSpecifierList::All().Count(); ++i)
        if (dynamic_cast<TpsObjectLink*>(TPathSpecifierList::All().Items(i))) ++objectLinkSpecifiers;
    EXPECT_EQ(objectLinkSpecifiers, 1);
    EXPECT_TRUE(SameText(docs->GetDestPath(), ShellProgramsFolder() + "\\My Product\\Docs")) << docs->GetDestPath();
}
