#include "translate/cmp_TTranslator.h"

#include <windows.h>

#include <utility>

#include "engine/exceptions_Quillory.h"
#include "platform/Exceptions.h"
#include "platform/ComCtrls.h"
#include "platform/Controls.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "platform/SysUtils.h"
#include "routines/routines_Strings.h"

namespace qlry {

const TEnumInfo qlryLanguageNames{
    "qlChineseSimplified", "qlChineseTraditional", "qlCzech",   "qlDanish",          "qlDutch",
    "qlEnglish",           "qlFrench",             "qlGerman",  "qlGreek",           "qlHebrew",
    "qlItalian",           "qlJapanese",           "qlKorean",  "qlNorwegianBokmal", "qlNorwegianNynorsk",
    "qlPolish",            "qlPortugese",          "qlRussian", "qlSpanish",         "qlUser",
    "qlVietnamese"};

namespace {

struct LanguageRow {
    TQlryLanguage ident;
    const char* property;
    const char* resName;
    const char* file;
};

const LanguageRow languageRows[] = {
    {qlChineseSimplified, "lgChineseSimplified", "BM_LANG_SIMPCHINESE", "qlriChineseSimplified.txt"},
    {qlChineseTraditional, "lgChineseTraditional", "BM_LANG_CHINESE_TRADITIONAL", "qlriChineseTraditional.txt"},
    {qlCzech, "lgCzech", "BM_LANG_CZECH", "qlriCzech.txt"},
    {qlDanish, "lgDanish", "BM_LANG_DANISH", "qlriDanish.txt"},
    {qlDutch, "lgDutch", "BM_LANG_DUTCH", "qlriDutch.txt"},
    {qlEnglish, "lgEnglish", "BM_LANG_ENGLISH", "qlriEnglish.txt"},
    {qlFrench, "lgFrench", "BM_LANG_FRENCH", "qlriFrench.txt"},
    {qlGerman, "lgGerman", "BM_LANG_GERMAN", "qlriGerman.txt"},
    {qlGreek, "lgGreek", "BM_LANG_GREEK", "qlriGreek.txt"},
    {qlHebrew, "lgHebrew", "BM_LANG_HEBREW", "qlriHebrew.txt"},
    {qlItalian, "lgItalian", "BM_LANG_ITALIAN", "qlriItalian.txt"},
    {qlJapanese, "lgJapanese", "BM_LANG_JAPANESE", "qlriJapanese.txt"},
    {qlKorean, "lgKorean", "BM_LANG_KOREAN", "qlriKorean.txt"},
    {qlNorwegianBokmal, "lgNorwegianBokmal", "BM_LANG_NORWEGIAN_BOKMAL", "qlriNorwegianBokmal.txt"},
    {qlNorwegianNynorsk, "lgNorwegianNynorsk", "BM_LANG_NORWEGIAN_NYNORSK", "qlriNorwegianNynorsk.txt"},
    {qlPolish, "lgPolish", "BM_LANG_POLISH", "qlriPolish.txt"},
    {qlPortugese, "lgPortugese", "BM_LANG_PORTUGESE", "qlriPortugese.txt"},
    {qlRussian, "lgRussian", "BM_LANG_RUSSIAN", "qlriRussian.txt"},
    {qlSpanish, "lgSpanish", "BM_LANG_SPANISH", "qlriSpanish.txt"},
    {qlVietnamese, "lgVietnamese", "BM_LANG_VIETNAMESE", "qlriVietnamese.txt"},
};
constexpr int languageRowCount = sizeof(languageRows) / sizeof(languageRows[0]);

TTranslator* mainTranslator = nullptr;

[[noreturn]] void RaiseUnrecognizedLanguage() { throw Exception("Unrecognized language"); }

[[noreturn]] void RaiseNotGlidText(int lineIndex, const std::string& line) {
    throw Exception("The %d'th string (%s) does not have the proper format of GLID;Text", {lineIndex, line});
}

int ParseGlid(const std::string& glidText, int lineIndex, const std::string& line) {
    if (glidText.empty()) RaiseNotGlidText(lineIndex, line);
    int glid = 0;
    if (!TryStrToInt(glidText, glid))
        throw Exception("The %d'th string (%s) does not have the proper format of GLID;Text or .GLID;",
                        {lineIndex, line});
    return glid;
}

} // namespace

// --- TLangFormatStrings ----------------------------------------------------------------

template <class Body>
void TLangFormatStrings::WithoutParse(Body&& body) {
    const bool saved = keepEntries_;
    keepEntries_ = true;
    try {
        body();
    } catch (...) {
        keepEntries_ = saved;
        throw;
    }
    keepEntries_ = saved;
}

void TLangFormatStrings::Put(int index, const std::string& text) {
    WithoutParse([&] { TStringList::Put(index, text); });
}

void TLangFormatStrings::Delete(int index) {
    WithoutParse([&] { TStringList::Delete(index); });
    language_->ShiftStringEntriesBelow(index);
}

void TLangFormatStrings::Assign(const TPersistent* source) {
    language_->SetParseEnabled(false);
    try {
        TStringList::Assign(source);
    } catch (...) {
        language_->SetParseEnabled(true);
        throw;
    }
    language_->SetParseEnabled(true);
    language_->Parse();
}

void TLangFormatStrings::LoadFromFile(const std::string& fileName) {
    language_->SetParseEnabled(false);
    try {
        TStringList::LoadFromFile(fileName);
    } catch (...) {
        language_->SetParseEnabled(true);
        throw;
    }
    language_->SetParseEnabled(true);
    language_->Parse();
}

void TLangFormatStrings::Changed() {
    TStringList::Changed();
    if (!keepEntries_ && language_->ParseEnabled()) language_->Parse();
}

// --- TLanguage -------------------------------------------------------------------------

TLanguage::TLanguage(TTranslator* translator, TQlryLanguage ident, std::string resName, std::string languageFile)
    : translator_(translator),
      resName_(std::move(resName)),
      languageFile_(std::move(languageFile)),
      ident_(ident),
      strings_(this) {}

TLanguage::~TLanguage() = default;

namespace {

// A stored value is ignored: the translator fixes each language's identity.
TPropInfo ReadOnlyLanguageIdent() {
    TPropInfo p;
    p.name = "LanguageIdent";
    p.kind = TPropKind::Enumeration;
    p.enumInfo = &qlryLanguageNames;
    p.getOrdinal = [](const TObject& o) {
        return static_cast<int64_t>(static_cast<const TLanguage&>(o).LanguageIdent());
    };
    p.setOrdinal = [](TObject&, int64_t) {};
    return p;
}

} // namespace

const TClassInfo& TLanguage::StaticClassInfo() {
    static const TClassInfo info(
        "TLanguage", nullptr, nullptr,
        {
            ObjectProperty<TLanguage>("Font", static_cast<TFont* (TLanguage::*)()>(&TLanguage::Font)),
            BooleanProperty<TLanguage>("FontOverride", &TLanguage::FontOverride, &TLanguage::SetFontOverride),
            ReadOnlyLanguageIdent(),
            StringsProperty<TLanguage>("Strings",
                                       static_cast<TLangFormatStrings* (TLanguage::*)()>(&TLanguage::Strings)),
        });
    return info;
}

void TLanguage::ClearElements() {
    memos_.clear();
    stringEntries_.clear();
}

TLanguageString* TLanguage::FindStringByGLID(int glid) const {
    for (const auto& entry : stringEntries_)
        if (entry->GLID == glid) return entry.get();
    return nullptr;
}

TLanguageMemo* TLanguage::FindMemoByGLID(int glid) const {
    for (const auto& memo : memos_)
        if (memo->GLID == glid) return memo.get();
    return nullptr;
}

TLanguageString* TLanguage::FindStringByText(const std::string& text) const {
    for (const auto& entry : stringEntries_)
        if (AnsiSameText(entry->Text(), text)) return entry.get();
    return nullptr;
}

TLanguageMemo* TLanguage::FindMemoByText(const TStrings& lines) const {
    const std::string wanted = lines.Text();
    for (const auto& memo : memos_)
        if (memo->Lines.Text() == wanted) return memo.get();
    return nullptr;
}

void TLanguage::AddString(int glid, const std::string& text, int lineIndex) {
    auto entry = std::make_unique<TLanguageString>();
    entry->GLID = glid;
    entry->Language = this;
    entry->LineIndex = lineIndex;
    entry->SetText(text);
    stringEntries_.push_back(std::move(entry));
}

void TLanguage::Parse() {
    ClearElements();
    std::unique_ptr<TLanguageMemo> openMemo;
    try {
        for (int index = 0; index < strings_.Count(); ++index) {
            const std::string line = Trim(strings_[index]);
            if (line.empty()) continue;
            if (line == "#") {
                if (!openMemo) throw Exception("Found the end of memo marker # at line %d. Was not in a memo however",
                                               {index});
                memos_.push_back(std::move(openMemo));
            } else if (line[0] == '*') {
                continue;
            } else if (openMemo) {
                openMemo->Lines.Add(line);
            } else if (line[0] == '#') {
                const int glid = ParseGlid(GetToken(line, 1, ';').substr(1), index, line);
                openMemo = std::make_unique<TLanguageMemo>();
                openMemo->GLID = glid;
                openMemo->Language = this;
                openMemo->LineIndex = index;
            } else {
                const int glid = ParseGlid(GetToken(line, 1, ';'), index, line);
                const std::string text = GetToken(line, 2, ';');
                if (Trim(text).empty()) RaiseNotGlidText(index, line);
                AddString(glid, text, index);
            }
        }
    } catch (...) {
        openMemo.reset();
        ClearElements();
        throw;
    }
}

void TLanguage::ShiftStringEntriesBelow(int deletedLine) {
    for (const auto& entry : stringEntries_)
        if (entry->LineIndex > deletedLine) --entry->LineIndex;
}

// --- TTranslator -----------------------------------------------------------------------

TTranslator::TTranslator(TComponent* owner) : TComponent(owner) {
    for (const LanguageRow& row : languageRows)
        languages_.push_back(std::make_unique<TLanguage>(this, row.ident, row.resName, row.file));
    if (!mainTranslator) {
        mainTranslator = this;
        IExceptionTranslator() = [](const std::string& text) { return TranslateString(text); };
    }
}

TTranslator::~TTranslator() {
    if (mainTranslator == this) {
        mainTranslator = nullptr;
        IExceptionTranslator() = nullptr;
    }
}

namespace {

template <int Index>
TPropInfo LanguageProperty() {
    TPropInfo p;
    p.name = languageRows[Index].property;
    p.kind = TPropKind::Object;
    p.getObject = [](TObject& o) -> TPersistent* { return static_cast<TTranslator&>(o).Languages(Index); };
    return p;
}

template <int... Index>
std::vector<TPropInfo> TranslatorProperties(std::integer_sequence<int, Index...>) {
    std::vector<TPropInfo> properties{LanguageProperty<Index>()...};
    properties.push_back(EnumProperty<TTranslator, TQlryLanguage>(
        "TranslateIntoLanguage", qlryLanguageNames, &TTranslator::TranslateIntoLanguage,
        &TTranslator::SetTranslateIntoLanguage, qlUser));
    return properties;
}

} // namespace

const TClassInfo& TTranslator::StaticClassInfo() {
    static const TClassInfo info("TTranslator", &TComponent::StaticClassInfo(), FactoryOf<TTranslator>(),
                                 TranslatorProperties(std::make_integer_sequence<int, languageRowCount>()));
    return info;
}

static const TClassRegistration registration(TTranslator::StaticClassInfo());

TLanguage* TTranslator::FindLanguage(TQlryLanguage ident) const {
    for (const auto& language : languages_)
        if (language->LanguageIdent() == ident) return language.get();
    return nullptr;
}

TLanguage* TTranslator::UserLanguage() const {
    try {
        return FindLanguage(LanguageOfLangID(GetUserDefaultLangID()));
    } catch (...) {
        return nullptr;
    }
}

TLanguage* TTranslator::TargetLanguage() const {
    return translateInto_ == qlUser ? UserLanguage() : FindLanguage(translateInto_);
}

namespace {

TLanguage* SourceLanguageOf(const TTranslator& translator, TQlryLanguage source) {
    return source == qlUser ? translator.UserLanguage() : translator.FindLanguage(source);
}

} // namespace

std::string TTranslator::TranslateText(TQlryLanguage source, const std::string& text) const {
    TLanguage* from = SourceLanguageOf(*this, source);
    TLanguage* into = TargetLanguage();
    if (!from || !into) return text;
    const TLanguageString* known = from->FindStringByText(text);
    if (!known) return text;
    const TLanguageString* translated = into->FindStringByGLID(known->GLID);
    return translated ? translated->Text() : text;
}

std::string TTranslator::TranslateGLID(int glid, const std::string& text) const {
    TLanguage* into = TargetLanguage();
    const TLanguageString* translated = into ? into->FindStringByGLID(glid) : nullptr;
    return translated ? translated->Text() : text;
}

void TTranslator::TranslateLines(TQlryLanguage source, const TStrings& lines, TStrings& result) const {
    result.Assign(&lines);
    TLanguage* from = SourceLanguageOf(*this, source);
    TLanguage* into = TargetLanguage();
    if (!from || !into) return;
    const TLanguageMemo* known = from->FindMemoByText(lines);
    if (!known) return;
    if (const TLanguageMemo* translated = into->FindMemoByGLID(known->GLID)) result.Assign(&translated->Lines);
}

bool TTranslator::TargetHasLines() const {
    TLanguage* into = TargetLanguage();
    return into && into->Strings()->Count() > 0;
}

void TTranslator::TranslateProperties(TQlryLanguage source, TComponent* component) {
    const TClassInfo* info = component->ClassInfo();
    if (!info) return;
    // A control that carries a text number takes its caption by number, its other texts stay.
    const TPropInfo* glid = info->FindProperty("GLID");
    if (glid && glid->kind == TPropKind::Integer) {
        const int64_t number = glid->getOrdinal(*component);
        if (number > 0) {
            const TPropInfo* caption = info->FindProperty("Caption");
            if (caption && caption->kind == TPropKind::String)
                caption->setString(*component,
                                   TranslateGLID(static_cast<int>(number), caption->getString(*component)));
        }
        if (number != 0) return;
    }
    for (const TPropInfo* property : info->AllProperties()) {
        if (property->kind != TPropKind::String || SameText(property->name, "Name")) continue;
        const std::string value = property->getString(*component);
        if (!Trim(value).empty()) property->setString(*component, TranslateText(source, value));
    }
}

namespace {

void TranslateItems(const TTranslator& translator, TQlryLanguage source, TStrings& items) {
    items.BeginUpdate();
    try {
        auto* list = dynamic_cast<TStringList*>(&items);
        for (int index = 0; index < items.Count(); ++index) {
            std::string text = translator.TranslateText(source, items[index]);
            if (text == items[index]) continue;
            // A sorted list (the program folders, say) takes the new text at its own place.
            if (list && list->Sorted()) {
                TObject* object = list->Objects(index);
                list->Delete(index);
                list->AddObject(text, object);
            } else {
                items.Put(index, text);
            }
        }
    } catch (...) {
        items.EndUpdate();
        throw;
    }
    items.EndUpdate();
}

// Hides a control while its texts change and restores it, and a label's auto-size,
// afterwards, also when the translation fails.
class HiddenWhileTranslated {
public:
    explicit HiddenWhileTranslated(TComponent* component)
        : control_(dynamic_cast<TControl*>(component)), label_(dynamic_cast<TCustomLabel*>(component)) {
        if (control_) {
            wasVisible_ = control_->Visible();
            if (!dynamic_cast<TCustomForm*>(control_) && !dynamic_cast<TImage*>(control_)) control_->SetVisible(false);
        }
        if (label_) {
            autoSize_ = label_->AutoSize();
            label_->SetAutoSize(false);
        }
    }
    ~HiddenWhileTranslated() {
        if (label_) label_->SetAutoSize(autoSize_);
        if (!control_) return;
        if (control_->Visible() != wasVisible_) control_->SetVisible(wasVisible_);
        if (auto* windowed = dynamic_cast<TWinControl*>(control_)) windowed->Realign();
    }
    HiddenWhileTranslated(const HiddenWhileTranslated&) = delete;
    HiddenWhileTranslated& operator=(const HiddenWhileTranslated&) = delete;

private:
    TControl* control_;
    TCustomLabel* label_;
    bool wasVisible_ = false;
    bool autoSize_ = false;
};

bool HasNumber(const TComponent* component) {
    const TClassInfo* info = component->ClassInfo();
    const TPropInfo* glid = info ? info->FindProperty("GLID") : nullptr;
    return glid && glid->kind == TPropKind::Integer && glid->getOrdinal(*component) != 0;
}

} // namespace

TQlryLanguage TTranslator::TranslateComponent(TQlryLanguage source, TComponent* component) {
    if (!component) return source;
    HiddenWhileTranslated hidden(component);
    TranslateProperties(source, component);
    if (!HasNumber(component)) {
        if (auto* memo = dynamic_cast<TCustomRichEdit*>(component)) {
            TStringList lines;
            TranslateLines(source, *memo->Lines(), lines);
            if (!lines.Equals(*memo->Lines())) memo->Lines()->Assign(&lines);
        } else if (auto* list = dynamic_cast<TListBox*>(component)) {
            TranslateItems(*this, source, *list->Items());
        } else if (auto* group = dynamic_cast<TCustomRadioGroup*>(component)) {
            TranslateItems(*this, source, *group->Items());
        }
    }
    for (int index = 0; index < component->ComponentCount(); ++index) {
        TComponent* owned = component->Components(index);
        if (!dynamic_cast<TCustomForm*>(owned)) TranslateComponent(source, owned);
    }
    return TargetHasLines() ? translateInto_ : source;
}

namespace {

void ApplyLanguageFontToTree(TControl& control, TLanguage& language) {
    ApplyLanguageFont(*control.Font(), language);
    if (auto* windowed = dynamic_cast<TWinControl*>(&control))
        for (int index = 0; index < windowed->ControlCount(); ++index)
            ApplyLanguageFontToTree(*windowed->Controls(index), language);
}

} // namespace

void TTranslator::ApplyFonts(TControl* control, bool keepLanguage) {
    if (!control) return;
    TLanguage* language = TargetLanguage();
    if (!keepLanguage && !TargetHasLines()) language = FindLanguage(qlEnglish);
    if (language) ApplyLanguageFontToTree(*control, *language);
}

void TTranslator::ApplyFontsOf(TQlryLanguage target, TControl* control, bool keepLanguage) {
    const TQlryLanguage saved = translateInto_;
    translateInto_ = target;
    try {
        ApplyFonts(control, keepLanguage);
    } catch (...) {
        translateInto_ = saved;
        throw;
    }
    translateInto_ = saved;
}

TQlryLanguage TTranslator::TranslateComponentInto(TQlryLanguage source, TQlryLanguage target,
                                                  TComponent* component) {
    const TQlryLanguage saved = translateInto_;
    translateInto_ = target;
    try {
        const TQlryLanguage result = TranslateComponent(source, component);
        translateInto_ = saved;
        return result;
    } catch (...) {
        translateInto_ = saved;
        throw;
    }
}

// --- Process-wide routines -------------------------------------------------------------

TTranslator* MainTranslator() { return mainTranslator; }

std::string TranslateString(const std::string& text) {
    return mainTranslator ? mainTranslator->TranslateText(qlEnglish, text) : text;
}

TQlryLanguage TranslateControls(TQlryLanguage current, TComponent* component) {
    return mainTranslator ? mainTranslator->TranslateComponent(current, component) : current;
}

TQlryLanguage TranslateControlsInto(TQlryLanguage current, TQlryLanguage target, TComponent* component) {
    return mainTranslator ? mainTranslator->TranslateComponentInto(current, target, component) : current;
}

void ApplyLanguageFonts(TControl* control) {
    if (mainTranslator) mainTranslator->ApplyFonts(control, false);
}

void ApplyLanguageFontsOf(TQlryLanguage target, TControl* control) {
    if (mainTranslator) mainTranslator->ApplyFontsOf(target, control, false);
}

TQlryLanguage LanguageOfLangID(unsigned langID) {
    const unsigned primary = langID & 0x3FF;
    const unsigned sub = (langID >> 10) & 0x3F;
    switch (primary) {
    case 0x04: return sub == 1 ? qlChineseTraditional : qlChineseSimplified;
    case 0x05: return qlCzech;
    case 0x06: return qlDanish;
    case 0x07: return qlGerman;
    case 0x08: return qlGreek;
    case 0x0A: return qlSpanish;
    case 0x0C: return qlFrench;
    case 0x0D: return qlHebrew;
    case 0x10: return qlItalian;
    case 0x11: return qlJapanese;
    case 0x12: return qlKorean;
    case 0x13: return qlDutch;
    case 0x14: return sub == 1 ? qlNorwegianBokmal : qlNorwegianNynorsk;
    case 0x15: return qlPolish;
    case 0x16: return qlPortugese;
    case 0x19: return qlRussian;
    case 0x2A: return qlVietnamese;
    default: return qlEnglish;
    }
}

TFontCharset CharsetOf(TQlryLanguage ident) {
    switch (ident) {
    case qlChineseSimplified: return 134;
    case qlChineseTraditional: return 136;
    case qlCzech:
    case qlPolish: return 238;
    // Greek letters need the Greek set, and Portuguese its Western letters (a, o with tilde):
    // in the ANSI and East European sets they came out as other letters.
    case qlGreek: return 161;
    case qlHebrew: return 177;
    case qlJapanese: return 128;
    case qlKorean: return 129;
    case qlRussian: return 204;
    case qlVietnamese: return 163;
    case qlUser: RaiseUnrecognizedLanguage();
    default: return 0;
    }
}

std::string LanguageFontName(TQlryLanguage ident) {
    switch (ident) {
    case qlChineseSimplified:
    case qlChineseTraditional: return "\xB7\x73\xB2\xD3\xA9\xFA\xC5";
    case qlGerman: return "MS Sans Serif";
    case qlGreek: return "SGreek";
    case qlJapanese: return "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
    case qlKorean: return "\xB9\xD9\xC5\xC1";
    case qlHebrew:
    case qlUser: RaiseUnrecognizedLanguage();
    default: return "Arial";
    }
}

int LanguageMinimumFontSize(TQlryLanguage ident) {
    switch (ident) {
    case qlChineseSimplified:
    case qlChineseTraditional:
    case qlJapanese:
    case qlKorean: return 9;
    default: return 8;
    }
}

void ApplyLanguageFont(TFont& font, TLanguage& language) {
    if (language.FontOverride()) {
        font.Assign(language.Font());
        return;
    }
    const TQlryLanguage ident = language.LanguageIdent();
    font.SetCharset(CharsetOf(ident));
    font.SetName(LanguageFontName(ident));
    const int minimum = LanguageMinimumFontSize(ident);
    if (font.Size() < minimum) font.SetSize(minimum);
}

} // namespace qlry
