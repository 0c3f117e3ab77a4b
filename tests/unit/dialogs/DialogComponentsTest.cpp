// Dialog components as parts of a project: the registries, their managers, loading
// from a description, translation of their forms.
#include <string>
#include <vector>

#include "DialogsTestSupport.h"
#include "dialogs/dlgcmp_TCopyFile.h"
#include "dialogs/dlgcmp_TLicenseDlg.h"
#include "dialogs/dlgcmp_TReadmeDlg.h"
#include "dialogs/dlgcmp_TWelcomeDlg.h"
#include "platform/DescriptionReader.h"
#include "translate/cmp_TTranslator.h"

using namespace qlry;
using namespace qlry::test;

TEST_F(DialogsTest, RegistriesAndManagersFollowTheLifeOfTheirDialogs) {
    TDialogManager* manager = AddManager("dmBefore", dmBeforeInstall);
    auto* readme = Add<TReadmeDlg>("Readme");
    auto* welcome = Add<TWelcomeDlg>("Welcome");
    auto* copy = Add<TCopyFileDlg>("Copy");  // no copy manager: none to join
    EXPECT_EQ(readme->DialogManager(), manager);
    EXPECT_EQ(welcome->DialogManager(), manager);
    EXPECT_EQ(copy->DialogManager(), nullptr);
    EXPECT_EQ(manager->Dialogs(), (std::vector<TCustomBaseInstallDlg*>{readme, welcome}));
    ASSERT_EQ(PageFormCount(), 2);
    EXPECT_EQ(PageForm(0)->Dialog, readme);  // in the order the dialogs were made
    EXPECT_EQ(PageForm(1)->Dialog, welcome);
    EXPECT_EQ(DCFList().size(), 1u);
    EXPECT_EQ(MessageOf<Exception>([] { PageForm(2); }), "2 is an invalid index in the BIFList");
    EXPECT_EQ(MessageOf<Exception>([] { PageForm(-1); }), "-1 is an invalid index in the BIFList");

    readme->Free();
    EXPECT_EQ(PageFormCount(), 1);
    EXPECT_EQ(manager->Dialogs(), std::vector<TCustomBaseInstallDlg*>{welcome});
    manager->Free();
    EXPECT_EQ(welcome->DialogManager(), nullptr);
    // A manager of another phase, or one outside the engine, is not found.
    AddManager("dmAfter", dmAfterGoodInstall);
    Add<TDialogManager>("Loose", false);
    EXPECT_EQ(FindDialogManager(dmBeforeInstall), nullptr);
    EXPECT_EQ(MessageOf<Exception>([&] { welcome->AssignDialogProperties(); }),
              "Cannot AssignDialogProperties for Welcome because the Dialog is Nil");
}

TEST(DialogsProject, ADescribedProjectKeepsItsDialogSettings) {
    TApplication application;
    TDataModule project(nullptr);
    ReadDescription(&project, R"(object Project: TDataModule
  object License: TLicenseDlg
    Container = Install1
    DialogManager = dmBefore
    Order = 25
    LicenseAgreement = ('First line' 'Second line')
    OverrideMainTranslator = True
    TranslateIntoLanguage = qlGerman
  end
  object CopyFile: TCopyFileDlg
    Container = Install1
    DialogManager = dmCopy
    Position = qdpTopRight
    Width = 500
  end
  object Install1: TInstall
    DestDir = '\Product'
    RunAutomatic = False
  end
  object dmBefore: TDialogManager
    Container = Install1
    Height = 400
    Position = qdpBottomLeft
  end
  object dmCopy: TDialogManager
    Container = Install1
    ManagerType = dmDuringCopyFiles
  end
end
)");
    auto* license = FindComponentAs<TLicenseDlg>(&project, "License");
    auto* copy = FindComponentAs<TCopyFileDlg>(&project, "CopyFile");
    auto* before = FindComponentAs<TDialogManager>(&project, "dmBefore");
    ASSERT_TRUE(license && copy && before);
    EXPECT_EQ(license->DialogManager(), before);
    EXPECT_EQ(before->Dialogs(), std::vector<TCustomBaseInstallDlg*>{license});
    EXPECT_EQ(license->Order(), 25);
    EXPECT_EQ(Lines(*license->LicenseAgreement()), (std::vector<std::string>{"First line", "Second line"}));
    EXPECT_TRUE(license->OverrideMainTranslator());
    EXPECT_EQ(license->TranslateIntoLanguage(), qlGerman);
    EXPECT_EQ(license->Container(), project.FindComponent("Install1"));
    EXPECT_EQ(copy->DialogManager(), project.FindComponent("dmCopy"));
    EXPECT_EQ(copy->Position(), qdpTopRight);
    EXPECT_EQ(copy->Width(), 500);
    EXPECT_EQ(copy->Height(), 146);  // the defaults of what was not stored
    EXPECT_EQ(copy->RelativeTopOffset(), 30);
    EXPECT_EQ(before->Height(), 400);
    EXPECT_EQ(before->Width(), 478);
    EXPECT_EQ(before->Position(), qdpBottomLeft);
    EXPECT_EQ(FindDialogManager(dmDuringCopyFiles), project.FindComponent("dmCopy"));
}

TEST_F(DialogsTest, PagesAreTranslatedByTextNumberIntoTheLanguageTheyAreGiven) {
    auto* translator = new TTranslator(&owner);
    translator->FindLanguage(qlEnglish)->Strings()->Add("5;Next >");
    translator->FindLanguage(qlGerman)->Strings()->Add("5;Weiter >");
    translator->FindLanguage(qlFrench)->Strings()->Add("5;Suivant >");
    translator->SetTranslateIntoLanguage(qlGerman);
    struct Row {
        bool override;
        const char* next;
        TQlryLanguage language;
    };
    const std::vector<Row> rows = {
        {false, "Weiter >", qlGerman},   // the main translator's language
        {true, "Suivant >", qlFrench},  // the dialog's own
    };
    AddManager("dmBefore", dmBeforeInstall);
    auto* welcome = Add<TWelcomeDlg>("Welcome");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.next);
        welcome->SetCurrentLanguage(qlEnglish);
        welcome->SetOverrideMainTranslator(row.override);
        welcome->SetTranslateIntoLanguage(qlFrench);
        std::string next;
        RunScripted([&] { engine->BroadcastInformationEvent(engine, DialogEvent::BeforeInstall, nullptr); },
                    {WaitForPage("Welcome"),
                     [&] {
                         next = WindowText(FindVisibleControl(VisibleWizard()->Handle(), "ProceedBtn"));
                         return true;
                     },
                     ClickOnPage("ProceedBtn")});
        EXPECT_EQ(next, row.next);
        EXPECT_EQ(welcome->CurrentLanguage(), row.language);
    }
}
