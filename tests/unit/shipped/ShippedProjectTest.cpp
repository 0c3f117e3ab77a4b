// The shipped install project: what its description brings to life, and the two
// handlers of the main form that adapt it at run time.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "app/main.h"
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "engine/cmp_TInstall.h"
#include "engine/cmp_TInstallInformation.h"
#include "engine/cmp_TUninstallEXE.h"
#include "links/cmp_TInstallShellLink.h"
#include "model/cmp_TInstallContainer.h"
#include "model/cmp_TInstallFile.h"
#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/ExtCtrls.h"
#include "platform/Registry.h"
#include "platform/StdCtrls.h"
#include "visual/cmp_Rotate3DLabel.h"
#include "visual/cmp_TBackDrop.h"

using namespace qlry;

namespace {

const std::string borland = "\\Software\\Borland\\";
const std::string hidden =
    "TNMEcho;TNMFinger;TNMFTP;TNMHTTP;TNMMsg;TNMMSGServ;TNMNNTP;TNMPOP3;THTML;TNMSMTP;TNMStrm;TNMStrmServ;TNMTime;"
    "TNMUDP;TNMURL;TNMUUProcessor;TNMPing;TNMTraceRt;TNMDayTime;TPowersock;TNMGeneralServer;";

// Keys below HKCU\Software\Borland that a test creates; removed again, with nothing the
// prefix had before (the framework's library path lives there too).
class BorlandKeys {
public:
    ~BorlandKeys() {
        for (auto it = created_.rbegin(); it != created_.rend(); ++it) RegDeleteKeyA(HKEY_CURRENT_USER, it->c_str());
    }
    // Creates Key (relative to HKCU) and the missing keys above it, remembering which were new.
    void Create(const std::string& key) {
        std::string path;
        std::size_t start = 0;
        while (start <= key.size()) {
            std::size_t slash = key.find('\\', start);
            path = key.substr(0, slash);
            HKEY handle = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &handle) == ERROR_SUCCESS) {
                RegCloseKey(handle);
            } else {
                ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                          &handle, nullptr),
                          ERROR_SUCCESS);
                RegCloseKey(handle);
                created_.push_back(path);
            }
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
    }
    void SetValue(const std::string& key, const std::string& name, const std::string& value) {
        Create(key);
        HKEY handle = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &handle), ERROR_SUCCESS);
        RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
        RegCloseKey(handle);
    }

private:
    std::vector<std::string> created_;
};

bool KeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

// The value's text, or "<none>".
std::string ValueOf(const std::string& key, const std::string& name) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "<none>";
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    LONG result = RegQueryValueExA(handle, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS ? std::string(buffer) : std::string("<none>");
}

std::string Rel(const std::string& key) { return key.substr(1); }

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

BOOL CALLBACK VisitBox(HWND window, LPARAM parameter) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (!IsWindowVisible(window) || std::string(name) != "#32770") return TRUE;
    *reinterpret_cast<HWND*>(parameter) = window;
    return FALSE;
}

// Answers the next message box of this thread with Button, and keeps its text.
class TBoxAnswer {
public:
    explicit TBoxAnswer(int button) : timer_(nullptr) {
        timer_.SetInterval(50);
        timer_.OnTimer = [this, button](TObject*) {
            HWND box = nullptr;
            EnumThreadWindows(GetCurrentThreadId(), VisitBox, reinterpret_cast<LPARAM>(&box));
            if (!box) return;
            HWND target = GetDlgItem(box, button);
            if (!target) return;
            char text[512] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            shownText = text;
            timer_.SetEnabled(false);
            PostMessageA(target, BM_CLICK, 0, 0);
        };
    }
    std::string shownText;

private:
    TTimer timer_;
};

class ShippedProject : public testing::Test {
protected:
    void SetUp() override {
        application.Initialize();
        form = std::make_unique<TformMain>(&application);
    }
    void TearDown() override { form.reset(); }

    template <class T>
    T* Get(const char* name) {
        auto* component = dynamic_cast<T*>(form->FindComponent(name));
        EXPECT_NE(component, nullptr) << name;
        return component;
    }
    std::map<std::string, int> ClassCounts() const {
        std::map<std::string, int> counts;
        for (int i = 0; i < form->ComponentCount(); ++i) ++counts[form->Components(i)->ClassInfo()->Name()];
        return counts;
    }

    TApplication application;
    std::unique_ptr<TformMain> form;
};

} // namespace

TEST_F(ShippedProject, LoadsEveryComponentOfTheProduct) {
    std::map<std::string, int> counts = ClassCounts();
    const std::map<std::string, int> expected = {
        {"TBackdrop", 1},        {"TRotate3DLabel", 1},   {"TInstall", 1},         {"TTranslator", 1},
        {"TpsFileContainer", 46}, {"TInstallGroup", 1},   {"TInstallDirectory", 45}, {"TInstallFile", 221},
        {"TUninstallEXE", 1},    {"TMainLinkGroup", 1},   {"TpsObjectLink", 1},    {"TSubLinkGroup", 5},
        {"TInstallMainLink", 7}, {"TInstallSubLink", 40}, {"TDialogManager", 6},   {"TWelcomeDlg", 1},
        {"TLicenseDlg", 1},      {"TReadmeDlg", 1},       {"TSelectDestinationDlg", 1}, {"TSelectFolderDlg", 1},
        {"TCopyFileDlg", 1},     {"TChangeDiskDlg", 1},   {"TGoodInstallationDlg", 1}, {"TBadInstallationDlg", 1},
        {"TRebootDlg", 1},       {"TInstallStatusDlg", 1},
    };
    for (const auto& [name, count] : expected) EXPECT_EQ(counts[name], count) << name;
    for (const char* standard : {"BDEDLL", "CommonFiles", "ContainerArchiveFile", "ContainerDestDir", "DesktopMenu",
                                 "InstallSource", "MainInstall", "ProgramFiles", "ProgramMenu", "StartMenu",
                                 "StartupMenu", "System", "MainArchiveFile", "Window"})
        EXPECT_EQ(counts[std::string("Tps") + standard], 1) << standard;
    int total = 0;
    for (const auto& [name, count] : counts) total += count;
    EXPECT_EQ(total, 2 + 14 + 1 + 1 + 46 + 1 + 45 + 221 + 1 + 1 + 1 + 5 + 7 + 40 + 6 + 11);
}

TEST_F(ShippedProject, FormEngineAndTreeKeepTheirStoredSettings) {
    EXPECT_EQ(form->Caption(), "Larkspan");
    EXPECT_EQ(form->Width(), 696);
    EXPECT_EQ(form->Height(), 480);
    auto* label = Get<TRotate3DLabel>("ProductLabel");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->Caption(), "Larkspan");
    EXPECT_EQ(label->Parent(), Get<TBackdrop>("BackDrop"));
    EXPECT_EQ(label->Align(), alTop);

    auto* engine = Get<TInstall>("Install1");
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->DestDir(), "c:\\Vorne");
    // A full path of its own: no base folder in front of it.
    EXPECT_EQ(engine->GetDestPath(), "c:\\Vorne");
    EXPECT_EQ(Get<TFileContainer>("Directory22")->GetDestPath(), "c:\\Vorne\\Larkspan");
    EXPECT_EQ(Get<TFileContainer>("FileGroup4")->GetDestPath(), "c:\\Vorne\\Larkspan\\Demos");
    EXPECT_EQ(engine->Information()->CompanyName(), "Vorne World");
    EXPECT_EQ(engine->Information()->ProductName(), "Larkspan");
    EXPECT_EQ(engine->Information()->Version(), "7.000");
    EXPECT_TRUE(engine->UseLoadingProgram());
    EXPECT_FALSE(engine->Reboot());
    EXPECT_EQ(engine->DialogThemeBitmap()->Width(), 117);
    EXPECT_EQ(engine->DialogThemeBitmap()->Height(), 290);
    EXPECT_TRUE(engine->OnAfterInitialized);
    EXPECT_TRUE(engine->OnBeforeInstallObjects);

    // The tree: directories below their parents, the Delphi 5 packages stored left out.
    struct Row {
        const char* name;
        const char* container;
        const char* destDir;
        int files;
    };
    const std::vector<Row> rows = {
        {"idMiscellaneous", "Install1", "\\Uninstall", 1}, {"FileGroup2", "Group1", "\\Larkspan", 38},
        {"FileGroup4", "FileGroup2", "\\Demos", 6},       {"Directory", "FileGroup2", "\\Documentation", 1},
        {"Directory21", "FileGroup2", "", 2},             {"dirDelphi5", "FileGroup2", "", 2},
        {"Directory25", "FileGroup2", "", 3},             {"Directory32", "FileGroup2", "\\Help", 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* directory = Get<TFileContainer>(row.name);
        ASSERT_TRUE(directory);
        EXPECT_EQ(directory->Container()->Name(), row.container);
        EXPECT_EQ(directory->DestDir(), row.destDir);
        EXPECT_EQ(directory->FileCount(), row.files);
    }
    EXPECT_FALSE(Get<TInstallDirectory>("dirDelphi5")->Include());
    EXPECT_EQ(Get<TInstallDirectory>("Directory25")->Description(), "CBulider4");

    // Files: distinct IDs in 1..234, both help files registered, one unit from the net.
    std::set<int> ids;
    int help = 0, net = 0;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        auto* file = dynamic_cast<TInstallFile*>(form->Components(i));
        if (!file) continue;
        EXPECT_EQ(file->FileName(), file->DestName());
        EXPECT_EQ(file->IncludeFromDir().rfind("C:\\Larkspan\\Source\\Larkspan", 0), 0u) << file->Name();
        ids.insert(file->UniqueID());
        EXPECT_GE(file->UniqueID(), 1);
        EXPECT_LE(file->UniqueID(), 234);
        help += file->RegisterAsHelp() ? 1 : 0;
        net += file->Net() ? 1 : 0;
    }
    EXPECT_EQ(ids.size(), 221u);
    EXPECT_EQ(help, 2);
    EXPECT_EQ(net, 1);

    auto* uninstaller = Get<TUninstallEXE>("ifUninstallEXE");
    ASSERT_TRUE(uninstaller);
    EXPECT_EQ(uninstaller->Container(), Get<TInstallContainer>("idMiscellaneous"));
    EXPECT_EQ(uninstaller->DestName(), "uninstall.exe");
    EXPECT_FALSE(uninstaller->Net());
}

TEST_F(ShippedProject, LinksAndDialogsHangWhereTheyBelong) {
    auto* folder = Get<TMainLinkGroup>("MainFolder");
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->DestDir(), "\\Larkspan 7.000");
    std::map<std::string, int> perFolder;
    int objectLinks = 0;
    for (int i = 0; i < form->ComponentCount(); ++i) {
        auto* link = dynamic_cast<TCustomInstallShellLink*>(form->Components(i));
        if (!link) continue;
        ++perFolder[link->Container() ? link->Container()->Name() : "<none>"];
        bool shortcut = EndsWith(link->LinkName(), ".LNK");
        EXPECT_TRUE(shortcut || EndsWith(link->LinkName(), ".URL")) << link->LinkName();
        if (shortcut) {
            ++objectLinks;
            EXPECT_NE(dynamic_cast<TCustomInstallFile*>(link->ObjectLink()), nullptr) << link->LinkName();
        } else {
            EXPECT_EQ(link->ObjectLocation().rfind("http://", 0), 0u) << link->LinkName();
        }
    }
    EXPECT_EQ(perFolder["MainFolder"], 7);
    EXPECT_EQ(perFolder["SubLinkGroup"], 5);
    EXPECT_EQ(perFolder["SubLinkGroup1"], 24);
    EXPECT_EQ(perFolder["SubLinkGroup2"], 3);
    EXPECT_EQ(perFolder["SubLinkGroup3"], 3);
    EXPECT_EQ(perFolder["SubLinkGroup5"], 5);
    EXPECT_EQ(objectLinks, 1 + 2 + 24 + 3 + 5);

    struct Row {
        const char* dialog;
        const char* manager;
        TManagerType type;
    };
    const std::vector<Row> rows = {
        {"WelcomeDlg", "DialogManager", dmBeforeInstall},         {"SelectFolderDlg", "DialogManager", dmBeforeInstall},
        {"GoodInstallationDlg", "DialogManager1", dmAfterGoodInstall},
        {"BadInstallationDlg", "DialogManager2", dmAfterBadInstall},
        {"CopyFileDlg", "DialogManager3", dmDuringCopyFiles},     {"ChangeDiskDlg", "DialogManager4", dmChangeDisk},
        {"RebootDlg", "DialogManager5", dmReboot},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dialog);
        auto* dialog = Get<TCustomBaseInstallDlg>(row.dialog);
        ASSERT_TRUE(dialog);
        ASSERT_TRUE(dialog->DialogManager());
        EXPECT_EQ(dialog->DialogManager()->Name(), row.manager);
        EXPECT_EQ(dialog->DialogManager()->ManagerType(), row.type);
    }
    EXPECT_EQ(Get<TCustomBaseInstallDlg>("SelectFolderDlg")->Container(), folder);
    EXPECT_EQ(Get<TCustomBaseInstallDlg>("SelectDestinationDlg")->Order(), 45);
}

TEST_F(ShippedProject, AfterInitializedShowsTheRealVersionAndFollowsDelphi5) {
    for (bool delphi5 : {false, true}) {
        SCOPED_TRACE(delphi5 ? "with Delphi 5" : "without Delphi 5");
        BorlandKeys keys;
        std::string key = Rel(borland + "Delphi\\5.0");
        if (delphi5) keys.Create(key);
        ASSERT_EQ(KeyExists(key), delphi5) << "the prefix already has Delphi 5";
        // One engine per process: the old form goes before the new one comes.
        form.reset();
        form = std::make_unique<TformMain>(&application);
        auto* engine = Get<TInstall>("Install1");
        ASSERT_TRUE(engine);
        engine->OnAfterInitialized(engine);
        EXPECT_EQ(Get<TRotate3DLabel>("ProductLabel")->Caption(), "Larkspan 7.030B");
        EXPECT_EQ(engine->Information()->Version(), "7.030B");
        EXPECT_EQ(Get<TMainLinkGroup>("MainFolder")->DestDir(), "\\Larkspan 7.030B");
        EXPECT_EQ(Get<TInstallDirectory>("dirDelphi5")->Include(), delphi5);
        EXPECT_TRUE(Get<TInstallDirectory>("Directory22")->Include());
    }
}

TEST_F(ShippedProject, PaletteQuestionNoLeavesTheRegistryAlone) {
    BorlandKeys keys;
    const std::string d3 = Rel(borland + "Delphi\\3.0\\Palette");
    const std::string d5 = Rel(borland + "Delphi\\5.0");
    keys.Create(d3);
    keys.SetValue(d5 + "\\Palette", "Fastnet", "TNMFTP");
    auto* engine = Get<TInstall>("Install1");
    ASSERT_TRUE(engine);
    TBoxAnswer answer(IDNO);
    engine->OnBeforeInstallObjects(engine);
    EXPECT_EQ(answer.shownText,
              "Would you like to remove the NetMasters components from your palette?\r\nThe Borland / Inprise socket "
              "components will be left untouched.");
    EXPECT_EQ(ValueOf(d3, "Internet.Hidden"), "<none>");
    EXPECT_EQ(ValueOf(d5 + "\\Palette", "Fastnet"), "TNMFTP");
    EXPECT_FALSE(KeyExists(d5 + "\\Known Packages"));
}

TEST_F(ShippedProject, PaletteQuestionYesHidesTheOldComponentsWhereTheEnvironmentIs) {
    BorlandKeys keys;
    const std::string d3 = Rel(borland + "Delphi\\3.0\\Palette");
    const std::string d4 = Rel(borland + "Delphi\\4.0\\Palette");
    const std::string d5 = Rel(borland + "Delphi\\5.0");
    const std::string cb3 = Rel(borland + "C++Builder\\3.0\\Palette");
    const std::string cb4 = Rel(borland + "C++Builder\\4.0\\Palette");
    ASSERT_FALSE(KeyExists(cb4)) << "the prefix already has C++Builder 4";
    keys.Create(d3);
    keys.Create(d4);
    keys.Create(cb3);
    keys.SetValue(d5 + "\\Known Packages", "$(DELPHI)\\Bin\\dclnmf50.bpl", "NetMasters Fastnet Tools");
    keys.SetValue(d5 + "\\Known Packages", "$(DELPHI)\\Bin\\dclusr50.bpl", "Borland User Components");
    keys.SetValue(d5 + "\\Palette", "Fastnet", "TNMFTP;TNMHTTP");
    keys.SetValue(d5 + "\\Palette", "Internet", "TClientSocket");
    keys.Create(d5 + "\\Palette Defaults");
    keys.SetValue(d5 + "\\Palette Defaults", "Fastnet", "TNMFTP");

    auto* engine = Get<TInstall>("Install1");
    ASSERT_TRUE(engine);
    TBoxAnswer answer(IDYES);
    engine->OnBeforeInstallObjects(engine);
    EXPECT_FALSE(answer.shownText.empty());
    for (const std::string& palette : {d3, d4, cb3}) EXPECT_EQ(ValueOf(palette, "Internet.Hidden"), hidden) << palette;
    // A palette that is not there is not made.
    EXPECT_FALSE(KeyExists(cb4));
    EXPECT_EQ(ValueOf(d5 + "\\Known Packages", "$(DELPHI)\\Bin\\dclnmf50.bpl"), "<none>");
    EXPECT_EQ(ValueOf(d5 + "\\Known Packages", "$(DELPHI)\\Bin\\dclusr50.bpl"), "Borland User Components");
    EXPECT_EQ(ValueOf(d5 + "\\Palette", "Fastnet"), "<none>");
    EXPECT_EQ(ValueOf(d5 + "\\Palette", "Internet"), "TClientSocket");
    EXPECT_EQ(ValueOf(d5 + "\\Palette Defaults", "Fastnet"), "<none>");
    EXPECT_EQ(ValueOf(d5 + "\\Palette", "Internet.Hidden"), "<none>");
}

TEST_F(ShippedProject, PaletteQuestionYesWithoutDelphi5MakesNoDelphi5Keys) {
    BorlandKeys keys;
    const std::string d5 = Rel(borland + "Delphi\\5.0");
    ASSERT_FALSE(KeyExists(d5)) << "the prefix already has Delphi 5";
    auto* engine = Get<TInstall>("Install1");
    ASSERT_TRUE(engine);
    TBoxAnswer answer(IDYES);
    engine->OnBeforeInstallObjects(engine);
    EXPECT_FALSE(answer.shownText.empty());
    EXPECT_FALSE(KeyExists(d5));
}
