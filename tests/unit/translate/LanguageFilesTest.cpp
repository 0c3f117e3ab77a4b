// The language files that ship with the framework, loaded from the program's resources:
// each must parse, carry every number the dialogs use and every text English has, and
// keep the placeholders of the English text, or a translated dialog or message breaks.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/exceptions_Quillory.h"
#include "platform/DescriptionReader.h"
#include "platform/ExtCtrls.h"
#include "platform/StdCtrls.h"
#include "platform/SysUtils.h"
#include "support/TestSupport.h"
#include "translate/cmp_TTranslator.h"
#include "translate/routines_Languages.h"

using namespace qlry;
using qlry::test::MessageOf;

namespace {

// The numbers the framework's dialog forms carry, with the wording the forms are made with.
const std::map<int, std::string> dialogTexts = {
    {2, "Please read the following License Agreement."},
    {3, "By clicking on the Next button below, you agree to all terms stated in the License Agreement. You may "
        "cancel the installation by clicking on the Cancel button."},
    {4, "< Previous"},
    {5, "Next >"},
    {6, "Cancel"},
    {8, "Please read the information below before you install this software on your computer."},
    {10, "This program will install the software on your computer."},
    {11, "It is strongly recommended that you exit all Windows programs before running this setup. If you need to "
         "close any programs, click Cancel to quit the setup and then close the programs."},
    {12, "Click Next to continue with the installation."},
    {14, "Processing"},
    {15, "File progress"},
    {16, "Total progress"},
    {26, "&Browse"},
    {38, "The software has been properly installed. You may start the software by clicking on the icon."},
    {41, "Setup will add program icons to the Program Folder listed below. You may type a new folder name, or "
         "select from the E&xisting Folders list."},
    {42, "&Program Folder"},
    {43, "E&xisting Folders"},
    {45, "Please insert disk number %d"},
    {46, "If the files on this disk can be found in another location, for example, in another drive, enter its "
         "full path or click the Browse button to select its path."},
    {47, "Path:"},
    {48, "&Browse..."},
    {49, "Proceed"},
    {52, "Several components could not be installed on your system because they were in use. For the installation "
         "to proceed, you will need to reboot your computer. If you decide not to reboot now, the software will "
         "probably not work until you do reboot."},
    {60, "This software has not been properly installed and will not work correctly if you try to use it."},
    {72, "Finish"},
    {85, "Which directory do you want to install this program into?"},
    {86, "To install to the directory displayed below, click Next."},
    {87, "To install to a different directory, click Browse and select another directory."},
};

// The format specifications of a text in order ("%s", "%d", "%%"...).
std::vector<std::string> PlaceholdersOf(const std::string& text) {
    std::vector<std::string> result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') continue;
        size_t end = i + 1;
        while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '-' ||
                                     text[end] == '.' || text[end] == ':'))
            ++end;
        if (end < text.size()) ++end;
        result.push_back(text.substr(i, end - i));
        i = end - 1;
    }
    return result;
}

std::set<int> GlidsOf(const TLanguage& language) {
    std::set<int> result;
    for (const auto& entry : language.StringEntries()) result.insert(entry->GLID);
    return result;
}

class ShippedLanguages : public testing::Test {
protected:
    void SetUp() override {
        for (int index = 0; index < translator.LanguageCount(); ++index) {
            TLanguage& language = *translator.Languages(index);
            bool loaded = false;
            ASSERT_NO_THROW(loaded = LoadShippedLanguage(language)) << language.LanguageFile();
            ASSERT_TRUE(loaded) << language.LanguageFile();
        }
    }
    TLanguage& Language(TQlryLanguage ident) { return *translator.FindLanguage(ident); }

    TTranslator translator{nullptr};
};

} // namespace

TEST_F(ShippedLanguages, EveryFileDefinesTheDialogTextsAndEveryEnglishNumber) {
    const TLanguage& english = Language(qlEnglish);
    for (const auto& [glid, wording] : dialogTexts) {
        const TLanguageString* entry = english.FindStringByGLID(glid);
        ASSERT_NE(entry, nullptr) << glid;
        EXPECT_EQ(entry->Text(), wording) << glid;
    }
    const std::set<int> englishGlids = GlidsOf(english);
    for (int index = 0; index < translator.LanguageCount(); ++index) {
        const TLanguage& language = *translator.Languages(index);
        const std::string& file = language.LanguageFile();
        EXPECT_EQ(GlidsOf(language), englishGlids) << file;
        EXPECT_TRUE(language.Memos().empty()) << file;
        for (const auto& entry : language.StringEntries()) {
            // A text that reached the 255-character cut or held a second ";" would come
            // back shorter than its line.
            const std::string line = Trim((*language.Strings())[entry->LineIndex]);
            EXPECT_EQ(entry->Text(), line.substr(line.find(';') + 1)) << file << " " << entry->GLID;
            // A form whose texts are in this language is translated again by wording: two
            // entries with one wording would give the second one's controls the first's number.
            EXPECT_EQ(language.FindStringByText(entry->Text())->GLID, entry->GLID) << file << " " << entry->GLID;
        }
    }
}

TEST_F(ShippedLanguages, PlaceholdersMatchTheEnglishEntryByEntry) {
    for (const auto& englishEntry : Language(qlEnglish).StringEntries()) {
        const std::vector<std::string> expected = PlaceholdersOf(englishEntry->Text());
        for (int index = 0; index < translator.LanguageCount(); ++index) {
            const TLanguage& language = *translator.Languages(index);
            const TLanguageString* entry = language.FindStringByGLID(englishEntry->GLID);
            ASSERT_NE(entry, nullptr) << language.LanguageFile() << " " << englishEntry->GLID;
            EXPECT_EQ(PlaceholdersOf(entry->Text()), expected) << language.LanguageFile() << " " << englishEntry->GLID;
        }
    }
}

TEST_F(ShippedLanguages, EnglishHoldsTheFrameworksOwnMessages) {
    const TLanguage& english = Language(qlEnglish);
    EXPECT_NE(english.FindStringByText(EAIUserAbort().Message()), nullptr);
    for (const char* text : {"Reading file information...", "Installing shell links...",
                             "Could not reboot windows. Please manually reboot windows.", "Please insert disk #%d",
                             "The disk is full", "Welcome", "Yes, I would like to reboot windows"})
        EXPECT_NE(english.FindStringByText(text), nullptr) << text;
}

TEST_F(ShippedLanguages, GermanAndJapaneseTranslateTextsNumbersAndMessages) {
    translator.SetTranslateIntoLanguage(qlGerman);
    EXPECT_EQ(translator.TranslateText(qlEnglish, "next >"), "Weiter >");
    EXPECT_EQ(translator.TranslateText(qlEnglish, "Not a framework text"), "Not a framework text");
    EXPECT_EQ(translator.TranslateGLID(45, "x"), "Bitte legen Sie Datentr\xE4ger Nummer %d ein");
    EXPECT_EQ(MessageOf<IException>([] { throw IEInstall("Cannot read the remote list of files: %s", {"C:\\f.lst"}); }),
              "Die Dateiliste auf dem Server kann nicht gelesen werden: C:\\f.lst");
    EXPECT_EQ(TranslateString("Reading file information..."), "Dateiinformationen werden gelesen...");

    translator.SetTranslateIntoLanguage(qlJapanese);
    EXPECT_EQ(translator.TranslateText(qlEnglish, "Cancel"), "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b");
    EXPECT_EQ(translator.TranslateGLID(45, "x"),
              "\x83\x66\x83\x42\x83\x58\x83\x4e %d \x82\xf0\x91\x7d\x93\xfc\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82"
              "\xa2");
    // Authors add their own memos (licence, readme) to a shipped file.
    TLangFormatStrings& english = *Language(qlEnglish).Strings();
    for (const char* line : {"#500;", "Read me first.", "#"}) english.Add(line);
    TLangFormatStrings& japanese = *Language(qlJapanese).Strings();
    for (const char* line : {"#500;", "\x8e\x9f", "#"}) japanese.Add(line);
    TStringList lines, result;
    lines.Add("Read me first.");
    translator.TranslateLines(qlEnglish, lines, result);
    EXPECT_EQ(result.Text(), "\x8e\x9f\r\n");
    EXPECT_EQ(translator.TranslateText(qlEnglish, "Next >"), "\x8e\x9f\x82\xd6 >");
}

TEST_F(ShippedLanguages, FormIsTranslatedIntoJapaneseAndFromJapaneseIntoGerman) {
    TPanel panel(nullptr);
    panel.SetCaption("Welcome");
    auto* label = new TLabel(&panel);
    label->SetParent(&panel);
    label->SetCaption("Please insert disk number %d");
    auto* group = new TRadioGroup(&panel);
    group->SetParent(&panel);
    group->Items()->Add("Yes, I would like to reboot windows");

    EXPECT_EQ(translator.TranslateComponentInto(qlEnglish, qlJapanese, &panel), qlJapanese);
    EXPECT_EQ(panel.Caption(), "\x82\xe6\x82\xa4\x82\xb1\x82\xbb");
    EXPECT_EQ(group->Items()->Text(), "\x82\xcd\x82\xa2\x81\x41\x8d\xa1\x82\xb7\x82\xae Windows \x82\xf0\x8d\xc4\x8b"
                                      "\x4e\x93\xae\x82\xb5\x82\xdc\x82\xb7\r\n");
    // The texts are now looked up by their Japanese wording.
    EXPECT_EQ(translator.TranslateComponentInto(qlJapanese, qlGerman, &panel), qlGerman);
    EXPECT_EQ(panel.Caption(), "Willkommen");
    EXPECT_EQ(label->Caption(), "Bitte legen Sie Datentr\xE4ger Nummer %d ein");
    EXPECT_EQ(group->Items()->Text(), "Ja, Windows jetzt neu starten\r\n");
}

TEST(ShippedLanguageFile, LoadsFromDiskLikeFromTheResource) {
    TTranslator translator(nullptr);
    TLanguage& fromResource = *translator.FindLanguage(qlRussian);
    ASSERT_TRUE(LoadShippedLanguage(fromResource));
    qlry::test::ScratchDir dir;
    const std::string path = dir.File(fromResource.LanguageFile());
    qlry::test::WriteFileBytes(path, fromResource.Strings()->Text());
    TLanguage& fromDisk = *translator.FindLanguage(qlPolish);
    fromDisk.Strings()->LoadFromFile(path);
    ASSERT_EQ(fromDisk.StringEntries().size(), fromResource.StringEntries().size());
    // "Cancel" in code page 1251.
    EXPECT_EQ(fromDisk.FindStringByGLID(6)->Text(), "\xCE\xF2\xEC\xE5\xED\xE0");
}

TEST(ShippedLanguageFile, ProjectDescriptionCarriesAShippedFileLineForLine) {
    HRSRC resource = FindResourceA(nullptr, "QLRYTESTGERMANPROJECT", RT_RCDATA);
    ASSERT_NE(resource, nullptr);
    const std::string description(static_cast<const char*>(LockResource(LoadResource(nullptr, resource))),
                                  SizeofResource(nullptr, resource));
    TTranslator described(nullptr);
    ReadDescription(&described, description);
    TTranslator shipped(nullptr);
    ASSERT_TRUE(LoadShippedLanguage(*shipped.FindLanguage(qlGerman)));
    const TLanguage& german = *described.FindLanguage(qlGerman);
    EXPECT_EQ(german.Strings()->Text(), shipped.FindLanguage(qlGerman)->Strings()->Text());
    EXPECT_EQ(german.StringEntries().size(), shipped.FindLanguage(qlGerman)->StringEntries().size());
    EXPECT_EQ(described.TranslateText(qlEnglish, "< Previous"), "< Previous");  // no English lines
    EXPECT_EQ(described.TranslateGLID(4, "< Previous"), "< Zur\xFC" "ck");
}

TEST(ShippedLanguageFile, HebrewNeedsFontOverrideOnceItHasLines) {
    TTranslator translator(nullptr);
    TPanel form(nullptr);
    TLanguage& hebrew = *translator.FindLanguage(qlHebrew);
    // Without lines the form keeps English's font rules.
    ApplyLanguageFontsOf(qlHebrew, &form);
    EXPECT_EQ(form.Font()->Name(), "Arial");
    ASSERT_TRUE(LoadShippedLanguage(hebrew));
    EXPECT_EQ(MessageOf<Exception>([&] { ApplyLanguageFontsOf(qlHebrew, &form); }), "Unrecognized language");
    hebrew.SetFontOverride(true);
    hebrew.Font()->SetName("David");
    hebrew.Font()->SetCharset(177);
    ApplyLanguageFontsOf(qlHebrew, &form);
    EXPECT_EQ(form.Font()->Name(), "David");
    EXPECT_EQ(translator.TranslateComponentInto(qlEnglish, qlHebrew, &form), qlHebrew);
}

TEST(LanguageFile, MemoBodiesTakeEveryOtherLineLiterally) {
    struct Row {
        const char* what;
        std::vector<std::string> lines;
        std::string memo;  // the memo's lines as one text; "-" for no memo
        size_t entries;
    };
    const std::vector<Row> rows = {
        {"opener and entry inside a memo are lines", {"#12;", "#5;opener", "10;entry", "  #  "},
         "#5;opener\r\n10;entry\r\n", 0},
        {"empty memo", {"#7;", "#"}, "", 0},
        {"memo closed, then entries again", {"#7;x", "a", "#", "8;b"}, "a\r\n", 1},
        {"negative number", {"-3;minus"}, "-", 1},
    };
    TTranslator translator(nullptr);
    TLanguage& language = *translator.FindLanguage(qlItalian);
    for (const Row& row : rows) {
        TStringList source;
        for (const std::string& line : row.lines) source.Add(line);
        language.SetStrings(&source);
        if (std::string(row.memo) == "-") {
            EXPECT_TRUE(language.Memos().empty()) << row.what;
        } else {
            ASSERT_EQ(language.Memos().size(), 1u) << row.what;
            EXPECT_EQ(language.Memos()[0]->Lines.Text(), row.memo) << row.what;
        }
        EXPECT_EQ(language.StringEntries().size(), row.entries) << row.what;
    }
    EXPECT_EQ(language.FindStringByGLID(-3)->Text(), "minus");
}
