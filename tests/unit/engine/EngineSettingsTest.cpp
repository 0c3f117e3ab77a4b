#include <gtest/gtest.h>

#include <memory>

#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "model/cmp_TPathSpecifier.h"
#include "platform/DataModule.h"

using namespace qlry;

TEST(EngineConstruction, OnlyOneEngineAndOnlyOnAFormOrDataModule) {
    TDataModule owner(nullptr);
    auto* first = new TInstall(&owner);
    try {
        new TInstall(&owner);
        FAIL() << "a second engine was created";
    } catch (const IEInstall& e) {
        EXPECT_EQ(e.Message(),
                  "The TInstall component does not currently support the use of 2 TInstall components in the same "
                  "project");
    }
    EXPECT_EQ(CurrentInstall(), first);
    first->Free();
    EXPECT_EQ(CurrentInstall(), nullptr);

    TComponent plain(nullptr);
    try {
        new TInstall(&plain);
        FAIL() << "an engine on a plain component was created";
    } catch (const IEInstall& e) {
        EXPECT_EQ(e.Message(),
                  "The Owner of the TInstall component must either be a class of type TCustomForm (Delphi 3) or TForm "
                  "(Delphi 2.0,C++Builder 1.0)");
    }
    EXPECT_EQ(plain.ComponentCount(), 0);
    EXPECT_EQ(CurrentInstall(), nullptr);
}

TEST(EngineConstruction, DefaultsOfANewEngine) {
    TDataModule owner(nullptr);
    auto* engine = new TInstall(&owner);
    EXPECT_EQ(engine->DestDir(), "\\MyApplication");
    EXPECT_EQ(engine->DestDirType(), dynamic_cast<TCustomPathSpecifier*>(owner.FindComponent("psProgramFiles")));
    EXPECT_EQ(engine->ArchiveFileType(), dynamic_cast<TCustomPathSpecifier*>(owner.FindComponent("psMainArchiveFile")));
    EXPECT_EQ(engine->Description(), "TInstall component");
    EXPECT_EQ(engine->InstallTypes(), InstallTypeSet({itFull}));
    EXPECT_TRUE(engine->RunAutomatic());
    EXPECT_TRUE(engine->UseLoadingProgram());
    EXPECT_EQ(engine->Information()->CompanyName(), "My Company");
    EXPECT_EQ(engine->Information()->ProductName(), "My product");
    EXPECT_EQ(engine->Information()->Version(), "1.0");
    EXPECT_EQ(engine->BuildInfo()->BuildDirectory, "c:\\build");
    EXPECT_EQ(engine->PathSpecifier(), nullptr);  // the engine has no companion specifier
}

TEST(EngineSettings, HideMainFormAndAutoMaximizeClearEachOtherOnlyOutsideLoading) {
    TDataModule owner(nullptr);
    auto* engine = new TInstall(&owner);
    engine->SetHideMainForm(true);
    EXPECT_FALSE(engine->AutoMaximizeWindow());
    engine->SetAutoMaximizeWindow(true);
    EXPECT_FALSE(engine->HideMainForm());

    engine->Loading();
    engine->SetHideMainForm(true);
    engine->SetAutoMaximizeWindow(true);
    EXPECT_TRUE(engine->HideMainForm());
    EXPECT_TRUE(engine->AutoMaximizeWindow());
}

TEST(EngineSettings, DistributeTypeIsFixedWhenTheProjectIsAuthored) {
    TDataModule owner(nullptr);
    auto* engine = new TInstall(&owner);
    try {
        engine->SetDistributeType(dtWeb);
        FAIL();
    } catch (const IEInstall& e) {
        EXPECT_EQ(e.Message(), "DistributeType can only be set at design-time");
    }
    owner.SetDesigning(true);
    try {
        engine->SetDistributeType(dtWeb);
        FAIL();
    } catch (const IEInstallNetLocNil& e) {
        EXPECT_EQ(e.Message(),
                  "Must assign a net location via the NetLocation property before you can set the distribute type");
    }
    engine->SetDistributeType(dtTraditional);
    EXPECT_EQ(engine->DistributeType(), dtTraditional);
}

TEST(EngineSettings, PresetupFilesDropBlankLinesOfTheAssignedList) {
    TDataModule owner(nullptr);
    auto* engine = new TInstall(&owner);
    TStringList list;
    list.SetText("readme.txt\r\n   \r\n\r\nsetup.ini\r\n");
    engine->SetPresetupFiles(&list);
    EXPECT_EQ(engine->PresetupFiles()->Text(), "readme.txt\r\nsetup.ini\r\n");
    EXPECT_EQ(list.Count(), 2);
}
