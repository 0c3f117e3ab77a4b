#include "app/main.h"

#include <functional>
#include <memory>

#include "engine/cmp_TInstall.h"
#include "engine/cmp_TInstallInformation.h"
#include "links/cmp_TInstallShellLink.h"
#include "model/cmp_TInstallContainer.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "platform/StdCtrls.h"

namespace qlry {

namespace {

const char* const productVersion = "7.030B";
const char* const borlandKey = "\\Software\\Borland\\";
const char* const hiddenComponents =
    "TNMEcho;TNMFinger;TNMFTP;TNMHTTP;TNMMsg;TNMMSGServ;TNMNNTP;TNMPOP3;THTML;TNMSMTP;TNMStrm;TNMStrmServ;TNMTime;"
    "TNMUDP;TNMURL;TNMUUProcessor;TNMPing;TNMTraceRt;TNMDayTime;TPowersock;TNMGeneralServer;";

template <class T>
T* Part(const TComponent& form, const char* name) {
    return dynamic_cast<T*>(form.FindComponent(name));
}

// Hides the old components on one palette, when that environment is there at all.
void HideOnPalette(TRegistry& registry, const std::string& palette) {
    if (registry.OpenKey(palette, false)) registry.WriteString("Internet.Hidden", hiddenComponents);
    registry.CloseKey();
}

void DeleteValueOf(TRegistry& registry, const std::string& key, const std::string& value) {
    if (registry.OpenKey(key, true)) registry.DeleteValue(value);
    registry.CloseKey();
}

} // namespace

TformMain::TformMain(TComponent* owner) : TForm(owner) {
    PublishMethod("Install1AfterInitialized",
                  TNotifyEvent([this](TObject* sender) { Install1AfterInitialized(sender); }));
    PublishMethod("Install1BeforeInstallObjects", TInstallContainerNotifyEvent([this](TInstallContainer* container) {
                      Install1BeforeInstallObjects(container);
                  }));
    InitFromDescription("TFORMMAIN");
}

const TClassInfo& TformMain::StaticClassInfo() {
    static const TClassInfo info("TformMain", &TForm::StaticClassInfo(), nullptr, {});
    return info;
}

void TformMain::Install1AfterInitialized(TObject*) {
    if (auto* label = Part<TCustomLabel>(*this, "ProductLabel"))
        label->SetCaption(label->Caption() + " " + productVersion);
    if (auto* engine = Part<TCustomInstall>(*this, "Install1")) engine->Information()->SetVersion(productVersion);
    if (auto* folder = Part<TMainLinkGroup>(*this, "MainFolder"))
        folder->SetDestDir(std::string("\\Larkspan ") + productVersion);
    auto registry = std::make_unique<TRegistry>();
    registry->SetRootKey(HKEY_CURRENT_USER);
    bool delphi5 = registry->KeyExists(std::string(borlandKey) + "Delphi\\5.0");
    if (auto* packages = Part<TFileRelated>(*this, "dirDelphi5")) packages->SetInclude(delphi5);
}

void TformMain::Install1BeforeInstallObjects(TInstallContainer*) {
    if (MessageDlg("Would you like to remove the NetMasters components from your palette?\r\n"
                   "The Borland / Inprise socket components will be left untouched.",
                   mtConfirmation, mbYesNo, 0) != mrYes)
        return;
    const std::string base = borlandKey;
    auto registry = std::make_unique<TRegistry>();
    registry->SetRootKey(HKEY_CURRENT_USER);
    HideOnPalette(*registry, base + "Delphi\\3.0\\Palette");
    HideOnPalette(*registry, base + "Delphi\\4.0\\Palette");
    if (registry->KeyExists(base + "Delphi\\5.0")) {
        DeleteValueOf(*registry, base + "Delphi\\5.0\\Known Packages", "$(DELPHI)\\Bin\\dclnmf50.bpl");
        DeleteValueOf(*registry, base + "Delphi\\5.0\\Palette", "Fastnet");
        DeleteValueOf(*registry, base + "Delphi\\5.0\\Palette Defaults", "Fastnet");
    }
    HideOnPalette(*registry, base + "C++Builder\\3.0\\Palette");
    HideOnPalette(*registry, base + "C++Builder\\4.0\\Palette");
}

} // namespace qlry
