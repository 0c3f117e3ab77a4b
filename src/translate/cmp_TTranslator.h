#pragma once
// The translator: twenty languages, each a list of numbered texts parsed from its
// language file, and the lookups that carry a text from one language into another.
#include <memory>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/Graphics.h"
#include "platform/Properties.h"
#include "platform/Strings.h"

namespace qlry {

enum TQlryLanguage {
    qlChineseSimplified,
    qlChineseTraditional,
    qlCzech,
    qlDanish,
    qlDutch,
    qlEnglish,
    qlFrench,
    qlGerman,
    qlGreek,
    qlHebrew,
    qlItalian,
    qlJapanese,
    qlKorean,
    qlNorwegianBokmal,
    qlNorwegianNynorsk,
    qlPolish,
    qlPortugese,
    qlRussian,
    qlSpanish,
    qlUser,
    qlVietnamese
};
extern const TEnumInfo qlryLanguageNames;

class TControl;
class TLanguage;
class TTranslator;

class TLanguageElement : public TObject {
public:
    int GLID = 0;
    TLanguage* Language = nullptr;
    // Index of the defining line in the language's Strings.
    int LineIndex = 0;
};

class TLanguageString : public TLanguageElement {
public:
    const std::string& Text() const { return text_; }
    // Longer texts are cut to 255 characters.
    void SetText(const std::string& text) { text_ = text.substr(0, 255); }

private:
    std::string text_;
};

class TLanguageMemo : public TLanguageElement {
public:
    TStringList Lines;
};

// The lines of a language file; a change re-parses the language.
class TLangFormatStrings : public TStringList {
public:
    explicit TLangFormatStrings(TLanguage* language) : language_(language) {}
    TLanguage* Language() const { return language_; }

    // Replacing one line keeps the parsed entries.
    void Put(int index, const std::string& text) override;
    // Keeps the parsed entries, moving text entries below the line up by one.
    void Delete(int index) override;
    void Assign(const TPersistent* source) override;
    void LoadFromFile(const std::string& fileName) override;

protected:
    void Changed() override;

private:
    template <class Body>
    void WithoutParse(Body&& body);

    TLanguage* language_;
    bool keepEntries_ = false;
};

class TLanguage : public TPersistent {
public:
    TLanguage(TTranslator* translator, TQlryLanguage ident, std::string resName, std::string languageFile);
    TLanguage(const TLanguage&) = delete;
    TLanguage& operator=(const TLanguage&) = delete;
    ~TLanguage() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TTranslator* Translator() const { return translator_; }
    const std::string& ResName() const { return resName_; }
    const std::string& LanguageFile() const { return languageFile_; }
    TFont* Font() { return &font_; }
    void SetFont(const TFont* font) { font_.Assign(font); }
    bool FontOverride() const { return fontOverride_; }
    void SetFontOverride(bool value) { fontOverride_ = value; }
    TQlryLanguage LanguageIdent() const { return ident_; }
    TLangFormatStrings* Strings() { return &strings_; }
    const TLangFormatStrings* Strings() const { return &strings_; }
    void SetStrings(const TStrings* lines) { strings_.Assign(lines); }
    bool ParseEnabled() const { return parseEnabled_; }
    void SetParseEnabled(bool value) { parseEnabled_ = value; }

    const std::vector<std::unique_ptr<TLanguageMemo>>& Memos() const { return memos_; }
    const std::vector<std::unique_ptr<TLanguageString>>& StringEntries() const { return stringEntries_; }

    void ClearElements();
    TLanguageString* FindStringByGLID(int glid) const;
    TLanguageMemo* FindMemoByGLID(int glid) const;
    // Compared without case, as Windows compares.
    TLanguageString* FindStringByText(const std::string& text) const;
    // The lines joined as one text, compared exactly.
    TLanguageMemo* FindMemoByText(const TStrings& lines) const;
    void Parse();

private:
    friend class TLangFormatStrings;
    void ShiftStringEntriesBelow(int deletedLine);
    void AddString(int glid, const std::string& text, int lineIndex);

    TTranslator* translator_;
    std::string resName_;
    std::string languageFile_;
    TFont font_;
    bool fontOverride_ = false;
    std::vector<std::unique_ptr<TLanguageMemo>> memos_;
    std::vector<std::unique_ptr<TLanguageString>> stringEntries_;
    TQlryLanguage ident_;
    TLangFormatStrings strings_;
    bool parseEnabled_ = true;
};

class TTranslator : public TComponent {
public:
    explicit TTranslator(TComponent* owner);
    ~TTranslator() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    TLanguage* Languages(int index) const { return languages_.at(index).get(); }
    int LanguageCount() const { return static_cast<int>(languages_.size()); }
    // nullptr for qlUser.
    TLanguage* FindLanguage(TQlryLanguage ident) const;
    // The language of the user's Windows settings; nullptr when it cannot be told.
    TLanguage* UserLanguage() const;
    TLanguage* TargetLanguage() const;

    TQlryLanguage TranslateIntoLanguage() const { return translateInto_; }
    void SetTranslateIntoLanguage(TQlryLanguage value) { translateInto_ = value; }

    std::string TranslateText(TQlryLanguage source, const std::string& text) const;
    std::string TranslateGLID(int glid, const std::string& text) const;
    void TranslateLines(TQlryLanguage source, const TStrings& lines, TStrings& result) const;
    // Translates the published texts of Component and of the components it owns (forms
    // excepted) and answers the language they are in afterwards.
    TQlryLanguage TranslateComponent(TQlryLanguage source, TComponent* component);
    TQlryLanguage TranslateComponentInto(TQlryLanguage source, TQlryLanguage target, TComponent* component);
    // The target language's font rules on Control and its child controls; English's when
    // the target has no lines, unless KeepLanguage.
    void ApplyFonts(TControl* control, bool keepLanguage);
    void ApplyFontsOf(TQlryLanguage target, TControl* control, bool keepLanguage);

private:
    bool TargetHasLines() const;
    void TranslateProperties(TQlryLanguage source, TComponent* component);

    std::vector<std::unique_ptr<TLanguage>> languages_;
    TQlryLanguage translateInto_ = qlUser;
};

// The first translator of the process, while it lives; nullptr otherwise.
TTranslator* MainTranslator();

// Through the main translator from English; Text itself without one.
std::string TranslateString(const std::string& text);
TQlryLanguage TranslateControls(TQlryLanguage current, TComponent* component);
TQlryLanguage TranslateControlsInto(TQlryLanguage current, TQlryLanguage target, TComponent* component);
void ApplyLanguageFonts(TControl* control);
void ApplyLanguageFontsOf(TQlryLanguage target, TControl* control);

TQlryLanguage LanguageOfLangID(unsigned langID);
// The font character set of a language; raises "Unrecognized language" for qlUser.
TFontCharset CharsetOf(TQlryLanguage ident);
// The font name of a language's built-in font rule, as bytes of the language's code page;
// raises "Unrecognized language" for Hebrew and qlUser.
std::string LanguageFontName(TQlryLanguage ident);
int LanguageMinimumFontSize(TQlryLanguage ident);
// Applies the language's font rule (or its Font with FontOverride) to Font.
void ApplyLanguageFont(TFont& font, TLanguage& language);

} // namespace qlry
