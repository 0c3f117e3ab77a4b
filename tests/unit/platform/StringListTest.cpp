#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Strings.h"
#include "support/TestSupport.h"

namespace qlry {
namespace {

using test::Lines;

TEST(StringList, SortedListInsertsInPlaceAndFindsWithoutCase) {
    TStringList list;
    list.SetSorted(true);
    for (const char* fruit : {"pear", "Apple", "fig", "banana"}) list.Add(fruit);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Apple", "banana", "fig", "pear"}));

    int index = -1;
    EXPECT_TRUE(list.Find("FIG", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("cherry", index));
    EXPECT_EQ(index, 2);  // where it would go
    EXPECT_EQ(list.IndexOf("PEAR"), 3);
    EXPECT_EQ(list.IndexOf("plum"), -1);
    EXPECT_THROW(list.Insert(0, "kiwi"), EStringListError);

    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("PEAR"), -1);
}

TEST(StringList, UnsortedIndexOfIgnoresCaseButNotHyphens) {
    TStringList list;
    list.SetText("Hello\r\nco-op\r\n");
    EXPECT_EQ(list.IndexOf("hELLO"), 0);
    EXPECT_EQ(list.IndexOf("CO-OP"), 1);
    EXPECT_EQ(list.IndexOf("coop"), -1);
}

TEST(StringList, DuplicatesModeDecidesWhatAddingAKnownLineDoes) {
    struct Row {
        TDuplicates mode;
        int expectedCount;
        bool raises;
    };
    for (const Row& row : std::vector<Row>{{dupIgnore, 2, false}, {dupAccept, 3, false}, {dupError, 2, true}}) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(row.mode);
        list.Add("b");
        list.Add("a");
        try {
            int index = list.Add("B");
            EXPECT_FALSE(row.raises);
            EXPECT_EQ(index, 1);
        } catch (const EStringListError& e) {
            EXPECT_TRUE(row.raises);
            EXPECT_EQ(e.Message(), "String list does not allow duplicates");
        }
        EXPECT_EQ(list.Count(), row.expectedCount) << "mode " << row.mode;
    }
}

TEST(StringList, TextSplitsAtCrLfOrCrlfAndEndsEveryLineWithCrlf) {
    struct Row {
        std::string input;
        std::vector<std::string> lines;
    };
    std::vector<Row> rows = {
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"\n\r", {"", ""}},
        {"", {}},
        {"single", {"single"}},
    };
    for (const Row& row : rows) {
        TStringList list;
        list.SetText(row.input);
        EXPECT_EQ(Lines(list), row.lines) << row.input;
        std::string expectedText;
        for (const std::string& line : row.lines) expectedText += line + "\r\n";
        EXPECT_EQ(list.Text(), expectedText);
    }
}

TEST(StringList, NamesAndValuesWorkOnNameEqualsValueLines) {
    TStringList list;
    list.SetText("Path=C:\\App\r\nplain\r\nMode=a=b\r\n");
    EXPECT_EQ(list.Values("PATH"), "C:\\App");
    EXPECT_EQ(list.Values("mode"), "a=b");
    EXPECT_EQ(list.Values("plain"), "");
    EXPECT_EQ(list.Names(2), "Mode");
    EXPECT_EQ(list.IndexOfName("Mode"), 2);

    list.SetValue("path", "D:\\");
    list.SetValue("New", "1");
    list.SetValue("Mode", "");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"path=D:\\", "plain", "New=1"}));
}

TEST(StringList, CommaTextQuotesOnlyWhatNeedsIt) {
    TStringList list;
    list.SetText("a\r\nb c\r\nd\"e\r\n\r\n");
    EXPECT_EQ(list.CommaText(), "a,\"b c\",\"d\"\"e\",\"\"");
    TStringList back;
    back.SetCommaText(list.CommaText());
    EXPECT_TRUE(back.Equals(list));
    back.SetCommaText(" x , y z,,\"q\"");
    EXPECT_EQ(Lines(back), (std::vector<std::string>{"x", "y", "z", "", "q"}));
}

TEST(StringList, FileRoundTripKeepsTheRawBytes) {
    test::ScratchDir dir;
    TStringList list;
    list.Add("caf\xE9");
    list.Add("");
    list.Add("end");
    list.SaveToFile(dir.File("lines.txt"));
    EXPECT_EQ(test::ReadFileBytes(dir.File("lines.txt")), "caf\xE9\r\n\r\nend\r\n");

    TStringList loaded;
    loaded.LoadFromFile(dir.File("lines.txt"));
    EXPECT_TRUE(loaded.Equals(list));
}

TEST(StringList, IndexOutsideTheListRaises) {
    TStringList list;
    list.Add("only");
    try {
        list.Strings(1);
        FAIL() << "no exception";
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (1)");
    }
    EXPECT_THROW(list.Delete(-1), EStringListError);
    EXPECT_THROW(list.Insert(2, "x"), EStringListError);
}

// A list that counts its change hooks, as a language list that re-parses would see them.
class CountingList : public TStringList {
public:
    int changing = 0;
    int changed = 0;

protected:
    void Changing() override {
        ++changing;
        TStringList::Changing();
    }
    void Changed() override {
        ++changed;
        TStringList::Changed();
    }
};

TEST(StringList, EveryChangeFiresTheHooksOnceAndAnUpdateBlockOnce) {
    test::ScratchDir dir;
    test::WriteFileBytes(dir.File("in.txt"), "x\r\ny\r\n");
    TStringList other;
    other.SetText("p\r\nq\r\n");
    TObject marker;

    struct Row {
        const char* operation;
        std::function<void(TStringList&)> run;
    };
    std::vector<Row> rows = {
        {"Add", [](TStringList& l) { l.Add("d"); }},
        {"AddObject", [&](TStringList& l) { l.AddObject("d", &marker); }},
        {"Insert", [](TStringList& l) { l.Insert(1, "d"); }},
        {"Delete", [](TStringList& l) { l.Delete(0); }},
        {"Put", [](TStringList& l) { l.Put(0, "z"); }},
        {"PutObject", [&](TStringList& l) { l.PutObject(0, &marker); }},
        {"Clear", [](TStringList& l) { l.Clear(); }},
        {"SetText", [](TStringList& l) { l.SetText("1\r\n2\r\n"); }},
        {"SetCommaText", [](TStringList& l) { l.SetCommaText("1,2"); }},
        {"Sort", [](TStringList& l) { l.Sort(); }},
        {"Exchange", [](TStringList& l) { l.Exchange(0, 2); }},
        {"Move", [](TStringList& l) { l.Move(0, 2); }},
        {"Assign", [&](TStringList& l) { l.Assign(&other); }},
        {"AddStrings", [&](TStringList& l) { l.AddStrings(other); }},
        {"SetValue", [](TStringList& l) { l.SetValue("k", "v"); }},
        {"LoadFromFile", [&](TStringList& l) { l.LoadFromFile(dir.File("in.txt")); }},
        {"update block", [](TStringList& l) {
             l.BeginUpdate();
             l.Add("d");
             l.BeginUpdate();
             l.Delete(0);
             l.EndUpdate();
             l.Put(0, "z");
             l.EndUpdate();
         }},
    };
    for (const Row& row : rows) {
        CountingList list;
        list.SetText("c\r\nb\r\na\r\n");
        int events = 0;
        list.OnChange = [&](TObject* sender) {
            EXPECT_EQ(sender, &list);
            ++events;
        };
        list.changing = list.changed = 0;
        row.run(list);
        EXPECT_EQ(list.changing, 1) << row.operation;
        EXPECT_EQ(list.changed, 1) << row.operation;
        EXPECT_EQ(events, 1) << row.operation;
    }
}

} // namespace
} // namespace qlry
