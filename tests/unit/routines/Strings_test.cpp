#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Strings.h"
#include "routines/routines_Strings.h"

namespace qlry {
namespace {

std::string Joined(const std::string& text, char separator) {
    TStringList list;
    list.Add("left over");
    SplitToList(text, separator, list);
    std::string joined = std::to_string(list.Count()) + ":";
    for (int i = 0; i < list.Count(); ++i) joined += "[" + list.Strings(i) + "]";
    return joined;
}

std::string AfterColonOf(const std::string& text) {
    std::string output = "unchanged";
    AfterColon(text, output);
    return output;
}

TEST(StringRoutines, EdgeCases) {
    struct Row {
        const char* call;
        std::string actual;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"AddBackslash('')", AddBackslash(""), ""},
        {"AddBackslash('C:')", AddBackslash("C:"), "C:\\"},
        {"AddBackslash('C:\\')", AddBackslash("C:\\"), "C:\\"},
        {"RemoveBackslash('C:\\dir\\')", RemoveBackslash("C:\\dir\\"), "C:\\dir"},
        {"RemoveBackslash('C:\\dir\\\\') removes one", RemoveBackslash("C:\\dir\\\\"), "C:\\dir\\"},
        {"RemoveBackslash('C:\\dir')", RemoveBackslash("C:\\dir"), "C:\\dir"},
        {"RemoveBackslash('')", RemoveBackslash(""), ""},
        {"CountTokens('a;b;')", std::to_string(CountTokens("a;b;", ';')), "2"},
        {"CountTokens('a;b')", std::to_string(CountTokens("a;b", ';')), "2"},
        {"CountTokens('')", std::to_string(CountTokens("", ';')), "0"},
        {"CountTokens(';')", std::to_string(CountTokens(";", ';')), "1"},
        {"CountTokens('a;;b')", std::to_string(CountTokens("a;;b", ';')), "3"},
        {"GetToken('abc;12', 2)", GetToken("abc;12", 2, ';'), "12"},
        {"GetToken('abc;12', 1)", GetToken("abc;12", 1, ';'), "abc"},
        {"GetToken('abc', 2)", GetToken("abc", 2, ';'), ""},
        {"GetToken('a;;b', 3)", GetToken("a;;b", 3, ';'), "b"},
        {"GetToken('a;b;', 3)", GetToken("a;b;", 3, ';'), ""},
        {"GetToken('abc', 0)", GetToken("abc", 0, ';'), ""},
        {"SplitToList('a;b;')", Joined("a;b;", ';'), "2:[a][b]"},
        {"SplitToList('a;;b')", Joined("a;;b", ';'), "3:[a][][b]"},
        {"SplitToList('') clears", Joined("", ';'), "0:"},
        {"SplitToList('x,y', ',')", Joined("x,y", ','), "2:[x][y]"},
        {"AfterColon('ftp:host:21')", AfterColonOf("ftp:host:21"), "host:21"},
        {"AfterColon('a:')", AfterColonOf("a:"), ""},
        {"AfterColon('no colon')", AfterColonOf("no colon"), "unchanged"},
        {"MakeFileNameSafe('srv1/pub:1')", MakeFileNameSafe("srv1/pub:1"), "srv1-pub1"},
        {"MakeFileNameSafe keeps dots and blanks", MakeFileNameSafe("my file.v2 .txt"), "my file.v2 .txt"},
        {"MakeFileNameSafe removes forbidden", MakeFileNameSafe("a\"b*c:d;e<f>g?h\\i|j"), "abcdefghij"},
        {"MakeFileNameSafe keeps characters above 127", MakeFileNameSafe("caf\xE9/\xFC"), "caf\xE9-\xFC"},
    };
    for (const Row& row : rows) EXPECT_EQ(row.actual, row.expected) << row.call;
}

} // namespace
} // namespace qlry
