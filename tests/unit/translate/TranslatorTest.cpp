#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "engine/exceptions_Quillory.h"
#include "platform/DescriptionReader.h"
#include "platform/Exceptions.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"
#include "translate/cmp_TTranslator.h"

using namespace qlry;
using qlry::test::MessageOf;

namespace {

void SetLines(TLanguage& language, const std::vector<std::string>& lines) {
    TStringList source;
    for (const std::string& line : lines) source.Add(line);
    language.Strings()->Assign(&source);
}

struct Entry {
    int glid;
    std::string text;
    int lineIndex;
    bool operator==(const Entry&) const = default;
};

struct Memo {
    int glid;
    std::string text;   // the lines as one text
    int lineIndex;
    bool operator==(const Memo&) const = default;
};

std::vector<Entry> EntriesOf(const TLanguage& language) {
    std::vector<Entry> result;
    for (const auto& e : language.StringEntries()) result.push_back({e->GLID, e->Text(), e->LineIndex});
    return result;
}

std::vector<Memo> MemosOf(const TLanguage& language) {
    std::vector<Memo> result;
    for (const auto& m : language.Memos()) result.push_back({m->GLID, m->Lines.Text(), m->LineIndex});
    return result;
}

void PrintTo(const Entry& e, std::ostream* os) { *os << e.glid << ";[" << e.text << "]@" << e.lineIndex; }
void PrintTo(const Memo& m, std::ostream* os) { *os << "#" << m.glid << "[" << m.text << "]@" << m.lineIndex; }

struct ParseRow {
    const char* what;
    std::vector<std::string> lines;
    std::vector<Entry> entries;
    std::vector<Memo> memos;
};

} // namespace

TEST(LanguageFile, LinesBecomeTextAndMemoEntries) {
    const std::vector<ParseRow> rows = {
        {"text entry", {"10;Welcome"}, {{10, "Welcome", 0}}, {}},
        {"line trimmed, inner blanks kept", {"  10; Hello  "}, {{10, " Hello", 0}}, {}},
        {"text ends at the second ;", {"10;a;b"}, {{10, "a", 0}}, {}},
        {"comments and blanks skipped", {"* comment", "", "   ", "5;Next >"}, {{5, "Next >", 3}}, {}},
        {"memo with comment and blank inside",
         {"#12;", "  first line ", "* not a line", "", "second", "#", "6;Cancel"},
         {{6, "Cancel", 6}},
         {{12, "first line\r\nsecond\r\n", 0}}},
        {"memo opener without ;", {"#3", "x", "#"}, {}, {{3, "x\r\n", 0}}},
        {"memo still open at the end is dropped", {"1;a", "#2;", "dangling"}, {{1, "a", 0}}, {}},
        {"text cut at 255 characters", {"7;" + std::string(300, 'x')}, {{7, std::string(255, 'x'), 0}}, {}},
    };
    TTranslator translator(nullptr);
    TLanguage& language = *translator.FindLanguage(qlFrench);
    for (const ParseRow& row : rows) {
        SetLines(language, row.lines);
        EXPECT_EQ(EntriesOf(language), row.entries) << row.what;
        EXPECT_EQ(MemosOf(language), row.memos) << row.what;
    }
}

TEST(LanguageFile, FaultyFileRaisesWithLineIndexAndLeavesNoEntries) {
    const std::string noFormat = "does not have the proper format of GLID;Text";
    const std::vector<std::pair<std::vector<std::string>, std::string>> rows = {
        {{"#"}, "Found the end of memo marker # at line 0. Was not in a memo however"},
        {{"1;a", "", "#"}, "Found the end of memo marker # at line 2. Was not in a memo however"},
        {{"#x;"}, "The 0'th string (#x;) " + noFormat + " or .GLID;"},
        {{"abc"}, "The 0'th string (abc) " + noFormat + " or .GLID;"},
        {{"1;a", "  ;text  "}, "The 1'th string (;text) " + noFormat},
        {{"#;"}, "The 0'th string (#;) " + noFormat},
        {{"1;a", "2;   "}, "The 1'th string (2;) " + noFormat},
        {{"3;;b"}, "The 0'th string (3;;b) " + noFormat},
    };
    TTranslator translator(nullptr);
    TLanguage& language = *translator.FindLanguage(qlGerman);
    for (const auto& [lines, message] : rows) {
        SetLines(language, {"9;Weiter", "#4;", "Zeile", "#"});
        ASSERT_EQ(language.StringEntries().size(), 1u);
        EXPECT_EQ(MessageOf<Exception>([&] { SetLines(language, lines); }), message);
        EXPECT_TRUE(language.StringEntries().empty()) << message;
        EXPECT_TRUE(language.Memos().empty()) << message;
    }
}

TEST(LanguageFile, FaultyLoadedFileRaisesAndParsingStaysOn) {
    qlry::test::ScratchDir dir;
    qlry::test::WriteFileBytes(dir.File("qlriFrench.txt"), "10;Bienvenue\r\n#\r\n");
    TTranslator translator(nullptr);
    TLanguage& french = *translator.FindLanguage(qlFrench);
    EXPECT_EQ(MessageOf<Exception>([&] { french.Strings()->LoadFromFile(dir.File("qlriFrench.txt")); }),
              "Found the end of memo marker # at line 1. Was not in a memo however");
    EXPECT_TRUE(french.StringEntries().empty());
    EXPECT_TRUE(french.ParseEnabled());
    french.Strings()->Delete(1);
    french.Strings()->Add("11;Suivant");
    EXPECT_EQ(EntriesOf(french), (std::vector<Entry>{{10, "Bienvenue", 0}, {11, "Suivant", 1}}));
}

TEST(LanguageFile, DeleteMovesLaterTextEntriesUpAndReplacingKeepsEntries) {
    TTranslator translator(nullptr);
    TLanguage& language = *translator.FindLanguage(qlDutch);
    SetLines(language, {"1;een", "2;twee", "#3;", "regel", "#", "4;vier"});
    language.Strings()->Delete(1);
    EXPECT_EQ(EntriesOf(language), (std::vector<Entry>{{1, "een", 0}, {2, "twee", 1}, {4, "vier", 4}}));
    EXPECT_EQ(MemosOf(language), (std::vector<Memo>{{3, "regel\r\n", 2}}));
    language.Strings()->Put(0, "1;anders");
    EXPECT_EQ(language.FindStringByGLID(1)->Text(), "een");
    language.Strings()->Insert(0, "* now parsed again");
    EXPECT_EQ(EntriesOf(language), (std::vector<Entry>{{1, "anders", 1}, {4, "vier", 5}}));
}

TEST(LanguageFile, ParsingCanBeSwitchedOff) {
    TTranslator translator(nullptr);
    TLanguage& language = *translator.FindLanguage(qlDanish);
    language.SetParseEnabled(false);
    language.Strings()->Add("#");
    EXPECT_TRUE(language.StringEntries().empty());
    language.Strings()->Clear();
    language.SetParseEnabled(true);
    language.Strings()->BeginUpdate();
    language.Strings()->Add("#1;");
    language.Strings()->Add("x");
    language.Strings()->Add("#");
    language.Strings()->EndUpdate();
    EXPECT_EQ(MemosOf(language), (std::vector<Memo>{{1, "x\r\n", 0}}));
}

namespace {

class Translation : public testing::Test {
protected:
    void SetUp() override {
        SetLines(*translator.FindLanguage(qlEnglish),
                 {"10;Welcome", "20;File %s not found", "#30;", "Line one", "Line two", "#"});
        SetLines(*translator.FindLanguage(qlFrench),
                 {"10;Bienvenue", "20;Fichier %s introuvable", "#30;", "Ligne un", "#"});
        translator.SetTranslateIntoLanguage(qlFrench);
    }
    TTranslator translator{nullptr};
};

} // namespace

TEST_F(Translation, TextIsLookedUpInTheSourceAndTakenByNumberFromTheTarget) {
    EXPECT_EQ(translator.TranslateText(qlEnglish, "WELCOME"), "Bienvenue");
    EXPECT_EQ(translator.TranslateText(qlEnglish, "Goodbye"), "Goodbye");
    EXPECT_EQ(translator.TranslateText(qlGerman, "Welcome"), "Welcome");
    EXPECT_EQ(translator.TranslateText(qlFrench, "Bienvenue"), "Bienvenue");
    translator.SetTranslateIntoLanguage(qlEnglish);
    EXPECT_EQ(translator.TranslateText(qlFrench, "bienvenue"), "Welcome");
    translator.SetTranslateIntoLanguage(qlSpanish);
    EXPECT_EQ(translator.TranslateText(qlEnglish, "Welcome"), "Welcome");
}

TEST_F(Translation, NumberedTextComesFromTheTargetOnly) {
    EXPECT_EQ(translator.TranslateGLID(10, "anything"), "Bienvenue");
    EXPECT_EQ(translator.TranslateGLID(45, "Please insert disk number %d"), "Please insert disk number %d");
    SetLines(*translator.FindLanguage(qlFrench), {"45;Veuillez ins\xE9rer le disque %d"});
    EXPECT_EQ(translator.TranslateGLID(45, "x"), "Veuillez ins\xE9rer le disque %d");
}

TEST_F(Translation, MemoLinesAreReplacedWhenTheWholeMemoMatches) {
    TStringList lines, result;
    lines.Add("Line one");
    lines.Add("Line two");
    translator.TranslateLines(qlEnglish, lines, result);
    EXPECT_EQ(result.Text(), "Ligne un\r\n");
    lines.Delete(1);
    translator.TranslateLines(qlEnglish, lines, result);
    EXPECT_EQ(result.Text(), "Line one\r\n");
}

TEST_F(Translation, ExceptionMessagesAndFormatsAreTranslatedBeforeFormatting) {
    ASSERT_EQ(MainTranslator(), &translator);
    EXPECT_EQ(MessageOf<IException>([] { throw IEInstall("Welcome"); }), "Bienvenue");
    EXPECT_EQ(MessageOf<IException>([] { throw IEFileContainer("File %s not found", {"a.txt"}); }),
              "Fichier a.txt introuvable");
    EXPECT_EQ(TranslateString("File %s not found"), "Fichier %s introuvable");
}

TEST(MainTranslatorLifetime, FirstTranslatorIsMainUntilDestroyed) {
    ASSERT_EQ(MainTranslator(), nullptr);
    {
        TTranslator first(nullptr);
        TTranslator second(nullptr);
        EXPECT_EQ(MainTranslator(), &first);
        SetLines(*first.FindLanguage(qlEnglish), {"1;Disk full"});
        SetLines(*first.FindLanguage(qlGerman), {"1;Datentr\xE4ger voll"});
        first.SetTranslateIntoLanguage(qlGerman);
        EXPECT_EQ(MessageOf<IException>([] { throw IEInstall("Disk full"); }), "Datentr\xE4ger voll");
    }
    EXPECT_EQ(MainTranslator(), nullptr);
    EXPECT_EQ(MessageOf<IException>([] { throw IEInstall("Disk full"); }), "Disk full");
    EXPECT_EQ(TranslateString("Disk full"), "Disk full");
    EXPECT_EQ(TranslateControls(qlGerman, nullptr), qlGerman);
}

namespace {

class TTextHolder : public TComponent {
public:
    explicit TTextHolder(TComponent* owner) : TComponent(owner) {}
    static const TClassInfo& StaticClassInfo() {
        static const TClassInfo info(
            "TTextHolder", &TComponent::StaticClassInfo(), nullptr,
            {StringProperty<TTextHolder>("Caption", &TTextHolder::Caption, &TTextHolder::SetCaption),
             StringProperty<TTextHolder>("Hint", &TTextHolder::Hint, &TTextHolder::SetHint),
             IntegerProperty<TTextHolder>("GLID", &TTextHolder::Glid, &TTextHolder::SetGlid)});
        return info;
    }
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { caption_ = v; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& v) { hint_ = v; }
    int Glid() const { return glid_; }
    void SetGlid(int v) { glid_ = v; }

private:
    std::string caption_, hint_;
    int glid_ = 0;
};

} // namespace

TEST_F(Translation, ComponentTreeIsTranslatedAndAnswersTheLanguageItIsIn) {
    TTextHolder root(nullptr);
    root.SetName("Welcome");
    root.SetCaption("Welcome");
    auto* child = new TTextHolder(&root);
    child->SetCaption("welcome");
    child->SetHint("Unknown");
    auto* numbered = new TTextHolder(&root);
    numbered->SetGlid(20);
    numbered->SetCaption("Welcome");
    numbered->SetHint("Welcome");

    EXPECT_EQ(translator.TranslateComponent(qlEnglish, &root), qlFrench);
    EXPECT_EQ(root.Name(), "Welcome");
    EXPECT_EQ(root.Caption(), "Bienvenue");
    EXPECT_EQ(child->Caption(), "Bienvenue");
    EXPECT_EQ(child->Hint(), "Unknown");
    EXPECT_EQ(numbered->Caption(), "Fichier %s introuvable");
    EXPECT_EQ(numbered->Hint(), "Welcome");

    // A second translation starts from the language the texts are in now.
    EXPECT_EQ(translator.TranslateComponentInto(qlFrench, qlEnglish, &root), qlEnglish);
    EXPECT_EQ(root.Caption(), "Welcome");
    EXPECT_EQ(translator.TranslateIntoLanguage(), qlFrench);
    // A target without lines leaves the texts, and their language, as they were.
    EXPECT_EQ(TranslateControlsInto(qlEnglish, qlPolish, &root), qlEnglish);
    EXPECT_EQ(root.Caption(), "Welcome");
}

TEST_F(Translation, ControlsKeepVisibilityAndAutoSizeAndHaveTheirItemsTranslated) {
    TPanel panel(nullptr);
    panel.SetCaption("Welcome");
    auto* label = new TLabel(&panel);
    label->SetParent(&panel);
    label->SetAutoSize(true);
    label->SetCaption("Welcome");
    auto* hidden = new TLabel(&panel);
    hidden->SetParent(&panel);
    hidden->SetVisible(false);
    hidden->SetCaption("Welcome");
    auto* list = new TListBox(&panel);
    list->SetParent(&panel);
    list->Items()->Add("Welcome");
    list->Items()->Add("Other");
    // A sorted list (the program folders) takes its translated lines in their new order.
    auto* sorted = new TListBox(&panel);
    sorted->SetParent(&panel);
    sorted->SetSorted(true);
    sorted->Items()->Add("Welcome");
    sorted->Items()->Add("Accessories");
    sorted->Items()->Add("Games");
    auto* group = new TRadioGroup(&panel);
    group->SetParent(&panel);
    group->Items()->Add("welcome");

    EXPECT_EQ(translator.TranslateComponent(qlEnglish, &panel), qlFrench);
    EXPECT_EQ(panel.Caption(), "Bienvenue");
    EXPECT_EQ(label->Caption(), "Bienvenue");
    EXPECT_TRUE(label->AutoSize());
    EXPECT_TRUE(label->Visible());
    EXPECT_FALSE(hidden->Visible());
    EXPECT_EQ(hidden->Caption(), "Bienvenue");
    EXPECT_EQ(list->Items()->Text(), "Bienvenue\r\nOther\r\n");
    EXPECT_EQ(sorted->Items()->Text(), "Accessories\r\nBienvenue\r\nGames\r\n");
    EXPECT_EQ(group->Items()->Text(), "Bienvenue\r\n");
}

TEST_F(Translation, FontsFollowTheTargetOrEnglishWhenTheTargetIsEmpty) {
    TPanel panel(nullptr);
    auto* label = new TLabel(&panel);
    label->SetParent(&panel);
    label->Font()->SetName("Courier New");
    translator.SetTranslateIntoLanguage(qlJapanese);
    translator.ApplyFonts(&panel, true);
    EXPECT_EQ(label->Font()->Charset(), 128);
    EXPECT_EQ(panel.Font()->Charset(), 128);
    ApplyLanguageFonts(&panel);
    EXPECT_EQ(label->Font()->Charset(), 0);
    EXPECT_EQ(label->Font()->Name(), "Arial");
    SetLines(*translator.FindLanguage(qlRussian), {"10;x"});
    ApplyLanguageFontsOf(qlRussian, &panel);
    EXPECT_EQ(label->Font()->Charset(), 204);
    EXPECT_EQ(translator.TranslateIntoLanguage(), qlJapanese);
}

TEST(Translator, HasTwentyLanguagesAndFollowsTheUserLanguage) {
    TTranslator translator(nullptr);
    ASSERT_EQ(translator.LanguageCount(), 20);
    EXPECT_EQ(translator.Languages(0)->ResName(), "BM_LANG_SIMPCHINESE");
    EXPECT_EQ(translator.Languages(1)->LanguageFile(), "qlriChineseTraditional.txt");
    EXPECT_EQ(translator.Languages(19)->LanguageIdent(), qlVietnamese);
    EXPECT_EQ(translator.Languages(18)->LanguageFile(), "qlriSpanish.txt");
    EXPECT_EQ(translator.FindLanguage(qlUser), nullptr);
    EXPECT_EQ(translator.TranslateIntoLanguage(), qlUser);
    TLanguage* user = translator.FindLanguage(LanguageOfLangID(GetUserDefaultLangID()));
    EXPECT_EQ(translator.UserLanguage(), user);
    EXPECT_EQ(translator.TargetLanguage(), user);
}

TEST(Translator, ProjectDescriptionSetsLanguagesAndTarget) {
    TTranslator translator(nullptr);
    ReadDescription(&translator,
                    "object MainTranslator: TTranslator\n"
                    "  lgFrench.FontOverride = True\n"
                    "  lgFrench.Font.Name = 'Tahoma'\n"
                    "  lgFrench.Strings = (\n"
                    "    '10;Bienvenue'\n"
                    "    '#12;'\n"
                    "    'Ligne'\n"
                    "    '#')\n"
                    "  TranslateIntoLanguage = qlFrench\n"
                    "end\n");
    TLanguage& french = *translator.FindLanguage(qlFrench);
    EXPECT_EQ(translator.TranslateIntoLanguage(), qlFrench);
    EXPECT_TRUE(french.FontOverride());
    EXPECT_EQ(french.Font()->Name(), "Tahoma");
    EXPECT_EQ(EntriesOf(french), (std::vector<Entry>{{10, "Bienvenue", 0}}));
    EXPECT_EQ(MemosOf(french), (std::vector<Memo>{{12, "Ligne\r\n", 1}}));
}

TEST(LanguageTables, LanguageIdsMapToLanguages) {
    const std::vector<std::pair<unsigned, TQlryLanguage>> rows = {
        {0x0804, qlChineseSimplified}, {0x0404, qlChineseTraditional}, {0x0004, qlChineseSimplified},
        {0x0405, qlCzech},             {0x0406, qlDanish},             {0x0407, qlGerman},
        {0x0C07, qlGerman},            {0x0408, qlGreek},              {0x0C0A, qlSpanish},
        {0x040C, qlFrench},            {0x040D, qlHebrew},             {0x0410, qlItalian},
        {0x0411, qlJapanese},          {0x0412, qlKorean},             {0x0413, qlDutch},
        {0x0414, qlNorwegianBokmal},   {0x0814, qlNorwegianNynorsk},   {0x0415, qlPolish},
        {0x0416, qlPortugese},         {0x0419, qlRussian},            {0x042A, qlVietnamese},
        {0x0409, qlEnglish},           {0x041F, qlEnglish},            {0x0000, qlEnglish},
    };
    for (const auto& [id, language] : rows)
        EXPECT_EQ(LanguageOfLangID(id), language) << std::hex << id;
}

TEST(LanguageTables, CharsetsAndFontRules) {
    struct Row {
        TQlryLanguage language;
        int charset;
        std::string font;
        int minimum;
    };
    const std::vector<Row> rows = {
        {qlChineseSimplified, 134, "\xB7\x73\xB2\xD3\xA9\xFA\xC5", 9},
        {qlChineseTraditional, 136, "\xB7\x73\xB2\xD3\xA9\xFA\xC5", 9},
        {qlCzech, 238, "Arial", 8},
        {qlPolish, 238, "Arial", 8},
        {qlPortugese, 0, "Arial", 8},
        {qlJapanese, 128, "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E", 9},
        {qlKorean, 129, "\xB9\xD9\xC5\xC1", 9},
        {qlRussian, 204, "Arial", 8},
        {qlVietnamese, 163, "Arial", 8},
        {qlGerman, 0, "MS Sans Serif", 8},
        {qlGreek, 161, "SGreek", 8},
        {qlEnglish, 0, "Arial", 8},
    };
    TTranslator translator(nullptr);
    for (const Row& row : rows) {
        EXPECT_EQ(CharsetOf(row.language), row.charset) << row.language;
        TFont font;
        font.SetSize(6);
        ApplyLanguageFont(font, *translator.FindLanguage(row.language));
        EXPECT_EQ(font.Charset(), row.charset) << row.language;
        EXPECT_EQ(font.Name(), row.font) << row.language;
        EXPECT_EQ(font.Size(), row.minimum) << row.language;
    }
    EXPECT_EQ(CharsetOf(qlHebrew), 177);
    EXPECT_EQ(MessageOf<Exception>([] { CharsetOf(qlUser); }), "Unrecognized language");
    TFont large;
    large.SetSize(12);
    ApplyLanguageFont(large, *translator.FindLanguage(qlJapanese));
    EXPECT_EQ(large.Size(), 12);
}

TEST(LanguageTables, HebrewNeedsFontOverride) {
    TTranslator translator(nullptr);
    TLanguage& hebrew = *translator.FindLanguage(qlHebrew);
    TFont font;
    EXPECT_EQ(MessageOf<Exception>([&] { ApplyLanguageFont(font, hebrew); }), "Unrecognized language");
    EXPECT_EQ(font.Charset(), 177);
    hebrew.SetFontOverride(true);
    hebrew.Font()->SetName("David");
    hebrew.Font()->SetCharset(177);
    ApplyLanguageFont(font, hebrew);
    EXPECT_EQ(font.Name(), "David");
}
