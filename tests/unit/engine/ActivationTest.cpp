#include <gtest/gtest.h>

#include <windows.h>

#include "engine/cmp_TInstall.h"
#include "platform/Application.h"
#include "platform/CommandLine.h"
#include "platform/Forms.h"

using namespace qlry;

namespace {

// Counts the runs instead of installing.
class TCountingInstall : public TInstall {
public:
    using TInstall::TInstall;
    void Process() override { ++runs; }
    int runs = 0;
};

void PumpUntil(TApplication& application, const std::function<bool()>& done) {
    DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < 5000) {
        application.ProcessMessages();
        Sleep(10);
    }
}

} // namespace

TEST(EngineActivation, RunStartsOnFirstActivationOfTheMaximisedFormAndTheHandlerIsPutBack) {
    if (ParamCount() > 0) GTEST_SKIP() << "the engine reads the command line: pass gtest options as GTEST_* variables";
    TApplication application;
    application.Initialize();
    auto* form = new TForm(&application);
    int ownActivations = 0;
    form->OnActivate = [&](TObject* sender) {
        EXPECT_EQ(sender, form);
        ++ownActivations;
    };
    auto* engine = new TCountingInstall(form);
    TComponent* asComponent = engine;
    asComponent->Loading();
    asComponent->Loaded();
    EXPECT_EQ(engine->MainForm(), static_cast<TCustomForm*>(form));
    EXPECT_EQ(engine->runs, 0);  // loading alone starts nothing

    form->Show();
    PumpUntil(application, [&] { return engine->runs > 0; });
    EXPECT_EQ(engine->runs, 1);
    EXPECT_EQ(ownActivations, 1);
    EXPECT_EQ(form->WindowState(), wsMaximized);
    EXPECT_TRUE(IsZoomed(form->Handle()));

    // The form's own handler is back in place: a later activation reaches it, not the run.
    ASSERT_TRUE(form->OnActivate);
    form->OnActivate(form);
    EXPECT_EQ(ownActivations, 2);
    engine->ActivateInstall(form);
    EXPECT_EQ(engine->runs, 1);
    form->Free();
}

TEST(EngineActivation, HiddenMainFormIsMovedOffScreenAndNotMaximised) {
    if (ParamCount() > 0) GTEST_SKIP() << "the engine reads the command line: pass gtest options as GTEST_* variables";
    TApplication application;
    application.Initialize();
    auto* form = new TForm(&application);
    form->SetBounds(10, 10, 300, 200);
    auto* engine = new TCountingInstall(form);
    TComponent* asComponent = engine;
    asComponent->Loading();
    engine->SetHideMainForm(true);
    asComponent->Loaded();
    EXPECT_EQ(form->Left(), -600);
    EXPECT_EQ(form->Top(), -400);
    form->Free();
}
