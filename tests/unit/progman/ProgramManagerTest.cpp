// Program Manager groups and items over DDE: Wine's own server for what it offers, and a
// small server of our own that keeps group data, which Wine's does not return.
#include <gtest/gtest.h>

#include <windows.h>
#include <ddeml.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "links/cmp_TProgramManager.h"
#include "platform/Application.h"
#include "platform/Dde.h"
#include "platform/SysUtils.h"
#include "support/TestSupport.h"

#include "support/WindowDriver.h"

using namespace qlry;
using qlry::test::CloseExplorerWindows;
using qlry::test::ShellProgramsFolder;
using qlry::test::MessageOf;

namespace {

bool HasLine(const TStrings& lines, const std::string& line) { return lines.IndexOf(line) >= 0; }

// A Program Manager of our own on a thread of its own, under another service name.
// It keeps each group's data text: a group line, then one line per item.
class TFakeProgramManager {
public:
    static constexpr const char* service = "QlryFakeProgman";

    TFakeProgramManager() {
        current_ = this;
        thread_ = std::thread([this] { Run(); });
        WaitForSingleObject(ready_, 10000);
    }
    ~TFakeProgramManager() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
        CloseHandle(ready_);
        current_ = nullptr;
    }

    std::map<std::string, std::vector<std::string>> groups;
    std::vector<std::string> commands;

private:
    void Run() {
        threadId_ = GetCurrentThreadId();
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        DdeInitializeA(&instance_, &Callback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0);
        HSZ name = DdeCreateStringHandleA(instance_, service, CP_WINANSI);
        DdeNameService(instance_, name, nullptr, DNS_REGISTER);
        SetEvent(ready_);
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        DdeNameService(instance_, name, nullptr, DNS_UNREGISTER);
        DdeFreeStringHandle(instance_, name);
        DdeUninitialize(instance_);
    }

    static std::string Unquoted(std::string text) {
        if (text.size() > 1 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
        return text;
    }
    static std::vector<std::string> Split(const std::string& text) {
        std::vector<std::string> fields(1);
        for (char c : text) {
            if (c == ',') fields.emplace_back();
            else fields.back() += c;
        }
        return fields;
    }
    static std::string NameOf(const std::string& line) { return Unquoted(Split(line)[0]); }

    std::string Request(const std::string& item) const {
        std::string text;
        if (item == "Groups") {
            for (const auto& [group, lines] : groups) text += group + "\r\n";
            return text;
        }
        auto group = groups.find(item);
        if (group == groups.end()) return "";
        text = "\"" + item + "\",C:\\" + item + ".grp," + std::to_string(group->second.size()) + "\r\n";
        for (const std::string& line : group->second) text += line + "\r\n";
        return text;
    }

    bool Execute(const std::string& command) {
        commands.push_back(command);
        size_t open = command.find('(');
        if (command.front() != '[' || open == std::string::npos || command.substr(command.size() - 2) != ")]")
            return false;
        std::string verb = command.substr(1, open - 1);
        std::string arguments = command.substr(open + 1, command.size() - open - 3);
        std::vector<std::string> fields = Split(arguments);
        if (verb == "CreateGroup") {
            groups[Unquoted(arguments)];
            return true;
        }
        if (verb == "ShowGroup") {
            selected_ = Unquoted(fields[0]);
            return groups.count(selected_) > 0;
        }
        if (verb == "AddItem") {
            // Like Program Manager: the program must exist.
            std::string program = fields[0].substr(0, fields[0].find(fields[0].front() == '"' ? '"' : ' ', 1) + 1);
            if (fields.size() != 8 || GetFileAttributesA(Unquoted(program).c_str()) == INVALID_FILE_ATTRIBUTES) return false;
            std::vector<std::string>& items = groups[selected_];
            std::string line = "\"" + fields[1] + "\",\"" + fields[0] + "\"," + fields[6] + "," + fields[2] + ",0,0," +
                               fields[3] + "," + fields[7];
            items.insert(items.begin() + std::min(replaced_, items.size()), line);
            replaced_ = SIZE_MAX;
            return true;
        }
        if (verb == "ReplaceItem") {
            std::vector<std::string>& items = groups[selected_];
            for (size_t index = 0; index < items.size(); ++index) {
                if (NameOf(items[index]) != Unquoted(arguments)) continue;
                items.erase(items.begin() + index);
                replaced_ = index;
                return true;
            }
        }
        return false;
    }

    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV, HSZ topic, HSZ item, HDDEDATA data, ULONG_PTR,
                                      ULONG_PTR) {
        TFakeProgramManager& self = *current_;
        switch (type) {
        case XTYP_CONNECT: return reinterpret_cast<HDDEDATA>(TRUE);
        case XTYP_REQUEST: {
            if (format != CF_TEXT) return nullptr;
            std::string text = self.Request(self.StringOf(item));
            if (text.empty()) return nullptr;
            return DdeCreateDataHandle(self.instance_, reinterpret_cast<BYTE*>(text.data()),
                                       static_cast<DWORD>(text.size() + 1), 0, item, CF_TEXT, 0);
        }
        case XTYP_EXECUTE: {
            std::string command(DdeGetData(data, nullptr, 0, 0), '\0');
            DdeGetData(data, reinterpret_cast<BYTE*>(command.data()), static_cast<DWORD>(command.size()), 0);
            command.resize(strlen(command.c_str()));
            return reinterpret_cast<HDDEDATA>(self.Execute(command) ? DDE_FACK : DDE_FNOTPROCESSED);
        }
        default: return nullptr;
        }
    }

    std::string StringOf(HSZ handle) const {
        char text[256] = {};
        DdeQueryStringA(instance_, handle, text, sizeof text, CP_WINANSI);
        return text;
    }

    static inline TFakeProgramManager* current_ = nullptr;
    HANDLE ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread thread_;
    DWORD threadId_ = 0;
    DWORD instance_ = 0;
    std::string selected_;
    size_t replaced_ = SIZE_MAX;
};

class TProgramManagerOf : public TProgramManager {
public:
    explicit TProgramManagerOf(const std::string& service) : TProgramManager(nullptr, service) {}
};

} // namespace

class WineProgramManager : public testing::Test {
protected:
    void TearDown() override {
        CloseExplorerWindows();
        DeleteFile(Programs() + "\\QlryPmGroup\\Tool.lnk");
        RemoveDir(Programs() + "\\QlryPmGroup");
    }
    std::string Programs() const { return ShellProgramsFolder(); }

    TApplication application;
    qlry::test::ScratchDir scratch;
};

TEST_F(WineProgramManager, CreateGroupMakesTheProgramsFolderThatGetGroupsThenLists) {
    TProgramManager& manager = ProgramManager();
    manager.CreateGroup("");
    EXPECT_TRUE(manager.Connected());

    manager.CreateGroup("QlryPmGroup");
    EXPECT_TRUE(DirectoryExists(Programs() + "\\QlryPmGroup"));
    TStringList groups;
    manager.GetGroups(groups);
    EXPECT_TRUE(HasLine(groups, "QlryPmGroup"));
    // A second CreateGroup opens the group that is there.
    EXPECT_NO_THROW(manager.CreateGroup("QlryPmGroup"));

    // Wine's server returns no data for a group, so no group is selected and items are
    // neither added nor replaced.
    EXPECT_EQ(manager.CurrentGroup(), "");
    EXPECT_EQ(manager.ItemCount(), 0);
    qlry::test::WriteFileBytes(scratch.File("tool.exe"), "MZ");
    manager.AddItem("\"" + scratch.File("tool.exe") + "\"", "Tool", "", "\"" + scratch.Path() + "\"", 0, "");
    EXPECT_NO_THROW(manager.ReplaceItem("Tool"));
    EXPECT_FALSE(FileExists(Programs() + "\\QlryPmGroup\\Tool.lnk"));
}

// The commands TProgramManager builds, taken from our own server, do what they should in
// Wine's: a shortcut appears, is replaced, and a missing program is refused.
TEST_F(WineProgramManager, ItemCommandsAreUnderstoodByWinesProgramManager) {
    qlry::test::WriteFileBytes(scratch.File("tool.exe"), "MZ");
    std::vector<std::string> commands;
    {
        TFakeProgramManager server;
        TProgramManagerOf manager(TFakeProgramManager::service);
        manager.CreateGroup("QlryPmGroup");
        manager.AddItem("\"" + scratch.File("tool.exe") + "\"", "Tool", "", "\"" + scratch.Path() + "\"", 0, "");
        manager.ReplaceItem("Tool");
        commands = server.commands;
    }
    ASSERT_EQ(commands.size(), 5u);  // CreateGroup, ShowGroup, AddItem, ShowGroup, ReplaceItem

    TDdeClientConv wine(nullptr);
    ASSERT_TRUE(wine.SetLink("PROGMAN", "PROGMAN"));
    const std::string link = Programs() + "\\QlryPmGroup\\Tool.lnk";
    EXPECT_TRUE(wine.ExecuteMacro(commands[0], false));
    EXPECT_TRUE(DirectoryExists(Programs() + "\\QlryPmGroup"));
    EXPECT_TRUE(wine.ExecuteMacro(commands[1], false));
    EXPECT_TRUE(wine.ExecuteMacro(commands[2], false));
    EXPECT_TRUE(FileExists(link));
    EXPECT_TRUE(wine.ExecuteMacro(commands[3], false));
    EXPECT_TRUE(wine.ExecuteMacro(commands[4], false));
    EXPECT_FALSE(FileExists(link));
    EXPECT_FALSE(wine.ExecuteMacro(commands[4], false));

    DeleteFile(scratch.File("tool.exe"));
    EXPECT_FALSE(wine.ExecuteMacro(commands[2], false));
    EXPECT_FALSE(FileExists(link));
}

class OwnProgramManager : public testing::Test {
protected:
    void SetUp() override { qlry::test::WriteFileBytes(scratch.File("tool.exe"), "MZ"); }
    std::string Tool() const { return std::string("\"").append(scratch.File("tool.exe")).append("\""); }

    TApplication application;
    qlry::test::ScratchDir scratch;
    TFakeProgramManager server;
    TProgramManagerOf manager{TFakeProgramManager::service};
};

TEST_F(OwnProgramManager, AddedItemsAreReadBackFieldByField) {
    manager.CreateGroup("Tools");
    EXPECT_EQ(server.commands[0], "[CreateGroup(\"Tools\")]");
    EXPECT_EQ(manager.CurrentGroup(), "Tools");
    EXPECT_EQ(manager.ItemCount(), 0);

    server.commands.clear();
    manager.AddItem(Tool(), "Help", "Ctrl+H", "C:\\work", 3, "C:\\icons.dll");
    manager.AddItem(Tool() + " /x", "Tool", "", "", 0, "");
    EXPECT_EQ(server.commands[0], "[ShowGroup(Tools,8)]");
    EXPECT_EQ(server.commands[1], "[AddItem(" + Tool() + ",Help,C:\\icons.dll,3,,,C:\\work,Ctrl+H)]");

    ASSERT_EQ(manager.ItemCount(), 2);
    EXPECT_EQ(manager.ItemName(1), "Help");
    EXPECT_EQ(manager.ItemField(1, 1), "Help");
    // The command line loses one more quote at each end: only the leading one here.
    EXPECT_EQ(manager.ItemCommandLine(2), scratch.File("tool.exe") + "\" /x");
    EXPECT_EQ(manager.ItemDirectory(1), "C:\\work");
    EXPECT_EQ(manager.ItemIconPath(1), "C:\\icons.dll");
    EXPECT_EQ(manager.ItemX(1), "0");
    EXPECT_EQ(manager.ItemY(1), "0");
    EXPECT_EQ(manager.ItemIconIndex(1), "3");
    EXPECT_EQ(manager.ItemHotKey(1), "Ctrl+H");
    // Line 0 describes the group, not an item; there is no line past the last item.
    EXPECT_EQ(manager.ItemField(0, 1), "");
    EXPECT_EQ(manager.ItemField(3, 1), "");
    EXPECT_EQ(manager.ItemName(-1), "");

    EXPECT_EQ(manager.FindItem("Tool"), 2);
    EXPECT_EQ(manager.FindItem("Help"), 1);
    EXPECT_EQ(manager.FindItem("HELP"), -1);
    EXPECT_EQ(manager.FindItem(""), -1);

    TStringList groups;
    manager.GetGroups(groups);
    EXPECT_TRUE(HasLine(groups, "Tools"));
}

TEST_F(OwnProgramManager, ReplacedItemsPlaceIsTakenByTheNextAddedItem) {
    manager.CreateGroup("Tools");
    manager.AddItem(Tool(), "One", "", "", 0, "");
    manager.AddItem(Tool(), "Two", "", "", 0, "");
    manager.AddItem(Tool(), "Three", "", "", 0, "");
    manager.ReplaceItem("Two");
    EXPECT_EQ(server.commands.back(), "[ReplaceItem(\"Two\")]");
    EXPECT_EQ(manager.ItemCount(), 2);
    EXPECT_EQ(manager.FindItem("Two"), -1);
    manager.AddItem(Tool() + " /new", "Two", "", "", 0, "");
    EXPECT_EQ(manager.FindItem("Two"), 2);
    EXPECT_EQ(manager.ItemName(3), "Three");
}

TEST_F(OwnProgramManager, RefusedCommandsRaiseTheirExceptions) {
    manager.CreateGroup("Tools");
    const std::string addItem = "[AddItem(\"C:\\missing.exe\",100% Tool,,0,,,,)]";
    EXPECT_EQ(MessageOf<EAIPMCannotAddItem>([&] { manager.AddItem("\"C:\\missing.exe\"", "100% Tool", "", "", 0, ""); }),
              "The TProgramManager object was unable to add the following program item: 100% Tool to the following "
              "group: Tools. The arguments passed to  Program Manager were: " + addItem);
    EXPECT_EQ(MessageOf<EAIPMCannotReplaceItem>([&] { manager.ReplaceItem("Nothing"); }),
              "The TProgramManager object was unable to replace the following program item: Nothing to the following "
              "group: Tools");

    // The group went away behind our back.
    server.groups.erase("Tools");
    try {
        manager.AddItem(Tool(), "Tool", "", "", 0, "");
        ADD_FAILURE() << "no exception";
    } catch (const EAIPMCannotOpenGroup& error) {
        EXPECT_EQ(error.GroupName(), "Tools");
        EXPECT_NE(error.Message().find("Tools"), std::string::npos);
    }

    // A group that returns no data selects nothing: items are then left alone.
    manager.SelectGroup("Unknown");
    EXPECT_EQ(manager.CurrentGroup(), "");
    server.commands.clear();
    manager.AddItem(Tool(), "Tool", "", "", 0, "");
    manager.ReplaceItem("Tool");
    EXPECT_TRUE(server.commands.empty());
}

TEST(ProgramManagerLink, ServerThatIsNotThereCannotBeOpened) {
    TApplication application;
    TProgramManagerOf manager("QlryNobodyServesThis");
    EXPECT_EQ(MessageOf<EAIPMCannotOpen>([&] { manager.CreateGroup("Tools"); }),
              "The TProgramManager object was unable to establish a link with Program Manager");
    EXPECT_FALSE(manager.Connected());
    TStringList groups;
    EXPECT_THROW(manager.GetGroups(groups), EAIPMCannotOpen);
}
