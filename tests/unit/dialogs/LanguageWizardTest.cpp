// The wizard in the languages of the shipped language files: the welcome page comes up
// with its texts translated and readable, and with qlUser in the language of the user's
// Windows settings.
#include <cstdlib>

#include "dialogs/dlgcmp_TWelcomeDlg.h"
#include "engine/exceptions_Quillory.h"
#include "support/WindowDriver.h"
#include "translate/cmp_TTranslator.h"
#include "translate/routines_Languages.h"
#include "unit/dialogs/DialogsTestSupport.h"

using namespace qlry;
using namespace qlry::test;

namespace {

struct LanguageCase {
    TQlryLanguage language;
    const char* name;
};

// Shows the welcome page in the translator's language, answers what it says, cancels.
std::string WelcomeCaption(TCustomInstall* engine, const std::string& screenshot) {
    std::string caption;
    TScript script({
        [&] {
            TBaseFormContainer* wizard = VisibleWizard();
            if (!wizard || !wizard->CurrentPage() || !IsWindowVisible(wizard->CurrentPage()->Handle())) return false;
            caption = wizard->Caption();
            return true;
        },
        ShootWizard(screenshot),
        ClickOnPage("CancelBtn"),
    });
    try {
        engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr);
    } catch (const EAIUserAbort&) {
    }
    return script.Failure().empty() ? caption : "<" + script.Failure() + ">";
}

} // namespace

TEST_F(DialogsTest, TheWizardAppearsInEachShippedLanguage) {
    auto* translator = new TTranslator(&owner);
    translator->SetName("MainTranslator");
    LoadShippedLanguages(*translator);
    AddManager("dmBefore", dmBeforeInstall);
    Add<TWelcomeDlg>("Welcome");
    for (const LanguageCase& row : {LanguageCase{qlGerman, "German"}, LanguageCase{qlFrench, "French"},
                                    LanguageCase{qlPolish, "Polish"}, LanguageCase{qlRussian, "Russian"},
                                    LanguageCase{qlJapanese, "Japanese"},
                                    LanguageCase{qlChineseSimplified, "ChineseSimplified"}}) {
        SCOPED_TRACE(row.name);
        translator->SetTranslateIntoLanguage(row.language);
        std::string expected = translator->TranslateText(qlEnglish, "Welcome");
        ASSERT_NE(expected, "Welcome");
        EXPECT_EQ(WelcomeCaption(engine, std::string("wizard_") + row.name), expected);
    }
}

// Run on its own by ctest (dialogs_user_language) as a Polish user: Wine takes the user's
// locale from the environment the program starts in.
TEST_F(DialogsTest, AUserWhoseWindowsIsPolishSeesThePolishWizard) {
    if (!std::getenv("QLRY_USER_LANGUAGE_CHILD")) GTEST_SKIP() << "runs only as the Polish user";
    auto* translator = new TTranslator(&owner);
    translator->SetName("MainTranslator");
    LoadShippedLanguages(*translator);
    translator->SetTranslateIntoLanguage(qlUser);
    AddManager("dmBefore", dmBeforeInstall);
    Add<TWelcomeDlg>("Welcome");
    ASSERT_EQ(translator->TargetLanguage(), translator->FindLanguage(qlPolish));
    EXPECT_EQ(WelcomeCaption(engine, "wizard_user_polish"), translator->TranslateText(qlEnglish, "Welcome"));
}
