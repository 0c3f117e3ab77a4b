// The DDE client against the Program Manager that Wine's shell serves.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "platform/Application.h"
#include "platform/Dde.h"
#include "platform/Strings.h"
#include "platform/SysUtils.h"

#include "support/WindowDriver.h"

using namespace qlry;
using qlry::test::CloseExplorerWindows;
using qlry::test::ShellProgramsFolder;

namespace {

class ProgramManager : public testing::Test {
protected:
    void SetUp() override {
        programs = ShellProgramsFolder();
        ASSERT_FALSE(programs.empty());
        RemoveDir(programs + "\\QlryDdeTest");
        ForceDirectories(programs + "\\QlryDdeProbe");
    }
    void TearDown() override {
        CloseExplorerWindows();
        RemoveDir(programs + "\\QlryDdeTest");
        RemoveDir(programs + "\\QlryDdeProbe");
    }

    static bool HasLine(const std::string& text, const std::string& line) {
        TStringList lines;
        lines.SetText(text);
        return lines.IndexOf(line) >= 0;
    }

    TApplication application;
    std::string programs;
};

} // namespace

TEST_F(ProgramManager, GroupsAreListedAndCreateGroupMakesTheFolder) {
    TDdeClientConv conversation(nullptr);
    ASSERT_TRUE(conversation.SetLink("PROGMAN", "PROGMAN"));
    EXPECT_TRUE(conversation.Connected());
    EXPECT_TRUE(HasLine(conversation.RequestData("Groups"), "QlryDdeProbe"));

    EXPECT_TRUE(conversation.ExecuteMacro("[CreateGroup(QlryDdeTest)]", false));
    EXPECT_TRUE(DirectoryExists(programs + "\\QlryDdeTest"));
    EXPECT_TRUE(HasLine(conversation.RequestData("Groups"), "QlryDdeTest"));
    // A command the server does not know is refused, and the next one still works.
    EXPECT_FALSE(conversation.ExecuteMacro("[NoSuchCommand(x)]", false));
    EXPECT_TRUE(conversation.ExecuteMacro("[ShowGroup(QlryDdeTest,8)]", false));
}

TEST_F(ProgramManager, ServiceThatNobodyOffersCannotBeLinked) {
    TDdeClientConv conversation(nullptr);
    EXPECT_FALSE(conversation.SetLink("QlryNoSuchService", "Nothing"));
    EXPECT_FALSE(conversation.Connected());
    EXPECT_FALSE(conversation.ExecuteMacro("[CreateGroup(QlryDdeTest)]", false));
    EXPECT_EQ(conversation.RequestData("Groups"), "");
    EXPECT_FALSE(DirectoryExists(programs + "\\QlryDdeTest"));

    // In manual mode SetLink only names the server; OpenLink then connects.
    TDdeClientConv manual(nullptr);
    manual.SetConnectMode(ddeManual);
    EXPECT_TRUE(manual.SetLink("PROGMAN", "PROGMAN"));
    EXPECT_FALSE(manual.Connected());
    EXPECT_TRUE(manual.OpenLink());
    manual.CloseLink();
    EXPECT_FALSE(manual.Connected());
}
