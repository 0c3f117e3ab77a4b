#include "engine/cmp_TInstall.h"

#include <windows.h>

#include "engine/exceptions_Quillory.h"
#include "model/cmp_TPathSpecifier.h"
#include "net/cmp_TNetInstallLocation.h"
#include "platform/Application.h"
#include "platform/CommandLine.h"
#include "platform/DataModule.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/SysUtils.h"
#include "routines/routines_Components.h"
#include "routines/routines_Strings.h"

namespace qlry {

namespace {

TCustomInstall* currentInstall = nullptr;

const char* const invalidParameterMessage =
    "Invalid parameter <%s>. Valid command line parameters are: -b (Build), -d (Debug), -f (Transfer to "
    "floppies), -e (Called by self-extractor), -r (After reboot)";

// The option each letter selects; -1 for a letter that selects none.
int OptionOfLetter(char letter) {
    switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'B': return ioBuild;
    case 'F': return ioFloppies;
    case 'D': return ioDebug;
    case 'E': return ioSelfExtract;
    case 'R': return ioAfterReboot;
    case 'S': return ioSourcePath;
    case 'C': return ioCleanup;
    default: return -1;
    }
}

template <class T>
bool IsA(const TObject* object) {
    const TClassInfo* info = object ? object->ClassInfo() : nullptr;
    return info && info->InheritsFrom(&T::StaticClassInfo());
}

} // namespace

std::string ModuleFileName() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ModuleFileName), &module);
    char buffer[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, buffer, MAX_PATH);
    return std::string(buffer, length);
}

bool RunningInsideLibrary() {
    char exe[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    return !SameText(std::string(exe, length), ModuleFileName());
}

TCustomInstall* CurrentInstall() { return currentInstall; }

std::string& InstallRecordKey() {
    static std::string key;
    return key;
}

const TEnumInfo& DistributeTypeNames() {
    static const TEnumInfo names{"dtTraditional", "dtWeb", "dtTraditionalNet"};
    return names;
}

// ---------------------------------------------------------------------------------------
// TBuildInfo

const TClassInfo& TBuildInfo::StaticClassInfo() {
    using B = TBuildInfo;
    auto text = [](const char* name, std::string B::*field) {
        TPropInfo p;
        p.name = name;
        p.kind = TPropKind::String;
        p.getString = [field](const TObject& o) { return static_cast<const B&>(o).*field; };
        p.setString = [field](TObject& o, const std::string& v) { static_cast<B&>(o).*field = v; };
        return p;
    };
    auto flag = [](const char* name, bool B::*field, bool defaultValue) {
        TPropInfo p;
        p.name = name;
        p.kind = TPropKind::Boolean;
        p.getOrdinal = [field](const TObject& o) { return static_cast<int64_t>(static_cast<const B&>(o).*field); };
        p.setOrdinal = [field](TObject& o, int64_t v) { static_cast<B&>(o).*field = v != 0; };
        p.ordinalDefault = defaultValue ? 1 : 0;
        return p;
    };
    static const TClassInfo info("TBuildInfo", nullptr, nullptr,
                                 {
                                     flag("AddUninstallOnCreate", &B::AddUninstallOnCreate, true),
                                     text("AppName", &B::AppName),
                                     text("AppURL", &B::AppURL),
                                     text("BuildDirectory", &B::BuildDirectory),
                                     text("CredentialsFile", &B::CredentialsFile),
                                     text("OCXName", &B::OCXName),
                                     text("PrivateKeyFile", &B::PrivateKeyFile),
                                     flag("SignCode", &B::SignCode, false),
                                     text("URLPath", &B::URLPath),
                                 });
    return info;
}

void TBuildInfo::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TBuildInfo*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    AddUninstallOnCreate = other->AddUninstallOnCreate;
    AppName = other->AppName;
    AppURL = other->AppURL;
    BuildDirectory = other->BuildDirectory;
    CredentialsFile = other->CredentialsFile;
    OCXName = other->OCXName;
    PrivateKeyFile = other->PrivateKeyFile;
    SignCode = other->SignCode;
    URLPath = other->URLPath;
}

// ---------------------------------------------------------------------------------------
// Construction and destruction

TCustomInstall::TCustomInstall(TComponent* owner) : TFileContainer(owner) {
    SetInstallTypes(InstallTypeSet({itFull}));
    if (currentInstall)
        throw IEInstall("The TInstall component does not currently support the use of 2 TInstall components in the "
                        "same project");
    if (!IsA<TCustomForm>(owner) && !IsA<TDataModule>(owner))
        throw IEInstall("The Owner of the TInstall component must either be a class of type TCustomForm (Delphi 3) "
                        "or TForm (Delphi 2.0,C++Builder 1.0)");
    buildInfo_ = std::make_unique<TBuildInfo>();
    dialogThemeBitmap_ = std::make_unique<TPicture>();
    dialogThemeBitmap_->SetResourceName("INSTALLTHEME1");
    information_ = std::make_unique<TInstallInformation>();
    presetupFiles_ = std::make_unique<TStringList>();
    StoreArchiveFileType(TPathSpecifierList::Standard().Find<TpsMainArchiveFile>());
    StoreArchiveFile("");
    StoreDestDirType(TPathSpecifierList::Standard().Find<TpsProgramFiles>());
    StoreDestDir("\\MyApplication");
    SetDescription("TInstall component");
    // The engine fires its own after the links are made.
    SetAfterInstallObjectsEnabled(false);
    currentInstall = this;
    if (TApplication* application = Application()) {
        application->OnException = [this](TObject* sender, const Exception& error) { HandleException(sender, error); };
    }
}

TCustomInstall::~TCustomInstall() {
    if (OnDestroyHook) OnDestroyHook(this);
    auto* form = dynamic_cast<TForm*>(mainForm_);
    if (form && !form->IsDestroying() && savedOnActivate_) form->OnActivate = savedOnActivate_;
    if (currentInstall == this) currentInstall = nullptr;
    if (TApplication* application = Application()) application->OnException = nullptr;
    if (runCleanupBatch_) WinExec(cleanupBatch_.c_str(), SW_HIDE);
}

const TClassInfo& TCustomInstall::StaticClassInfo() {
    static const TClassInfo info("TCustomInstall", &TFileContainer::StaticClassInfo(), nullptr, {});
    return info;
}

// ---------------------------------------------------------------------------------------
// Settings

void TCustomInstall::SetAutoMaximizeWindow(bool value) {
    autoMaximizeWindow_ = value;
    if (value && !IsLoading()) hideMainForm_ = false;
}

void TCustomInstall::SetHideMainForm(bool value) {
    hideMainForm_ = value;
    if (value && !IsLoading()) autoMaximizeWindow_ = false;
}

void TCustomInstall::SetBuildInfo(const TBuildInfo* value) { buildInfo_->Assign(value); }

void TCustomInstall::SetDialogThemeBitmap(const TPicture* value) { dialogThemeBitmap_->Assign(value); }

void TCustomInstall::SetInformation(const TInstallInformation* value) { information_->Assign(value); }

void TCustomInstall::SetDistributeType(TDistributeType value) {
    if (!IsLoading()) {
        if (!IsDesigning()) throw IEInstall("DistributeType can only be set at design-time");
        if (!NetLocation() && value != dtTraditional)
            throw IEInstallNetLocNil(
                "Must assign a net location via the NetLocation property before you can set the distribute type");
    }
    distributeType_ = value;
}

void TCustomInstall::SetNetLocation(TCustomNetInstallLocation* value) {
    TFileContainer::SetNetLocation(value);
    SetEngineNetLocation(value);
    if (!value) distributeType_ = dtTraditional;
}

void TCustomInstall::SetPresetupFiles(const TStrings* value) {
    // The assigned list itself loses its blank lines, then is copied.
    auto* list = const_cast<TStrings*>(value);
    for (int i = list->Count() - 1; i >= 0; --i)
        if (Trim(list->Strings(i)).empty()) list->Delete(i);
    presetupFiles_->Assign(list);
}

void TCustomInstall::SetUseLoadingProgram(bool value) {
    useLoadingProgram_ = value;
    if (value && !IsLoading()) {
        StoreArchiveFileType(TPathSpecifierList::Standard().Find<TpsMainArchiveFile>());
        StoreArchiveFile("");
    }
}

// ---------------------------------------------------------------------------------------
// Command line, loading and the run modes

void TCustomInstall::ParseCommandLine() {
    options_ = 0;
    for (std::string& argument : optionArgs_) argument.clear();
    for (int i = 1; i <= ParamCount(); ++i) {
        std::string parameter = ParamStr(i);
        if (parameter.size() < 2 || (parameter[0] != '-' && parameter[0] != '*'))
            throw IException(invalidParameterMessage, {parameter});
        int option = OptionOfLetter(parameter[1]);
        if (option < 0) {
            if (parameter[0] == '-') throw IException(invalidParameterMessage, {parameter});
            continue;  // meant for the loading program, such as *TODISK
        }
        options_ |= 1u << option;
        optionArgs_[option] = parameter.substr(2);
    }
}

void TCustomInstall::Loaded() {
    TFileContainer::Loaded();
    if (IsDesigning()) return;
    ParseCommandLine();
    if (HasOption(ioDebug) && (!HasOption(ioSourcePath) || Trim(OptionArg(ioSourcePath)).empty()))
        throw IEInstall("You forgot to pass in the build directory. In Run | Parameters, follow this format: -d "
                        "\"-sC:\\My Build\"");
    sourceDir_ = HasOption(ioSourcePath) ? OptionArg(ioSourcePath) : RemoveBackslash(ExtractFilePath(ModuleFileName()));
    InstallRecordKey() = FindInstallRecord(false);
    std::string localArchive;
    if (GetLocalFile(localArchive)) SetLocalArchive(localArchive);
    mainForm_ = FindMainForm();
    if (!mainForm_ && runAutomatic_)
        throw IEInstall("Application.MainForm is undefined and the TInstall is not on a form. Therefore, therefore the "
                        "TInstall can't run the installation automatically");
    SetCurrentInstallType(itFull);
    if (Contains(InstallTypes(), itDefault)) SetCurrentInstallType(itDefault);
    else if (Contains(InstallTypes(), itCompact)) SetCurrentInstallType(itCompact);
    else if (Contains(InstallTypes(), itFull)) SetCurrentInstallType(itFull);
    ChooseRunMode();
}

TCustomForm* TCustomInstall::FindMainForm() const {
    if (TCustomForm* form = qlry::MainForm()) return form;
    return dynamic_cast<TCustomForm*>(Owner());
}

void TCustomInstall::ChooseRunMode() {
    if (HasOption(ioBuild)) BuildFromInfoFile();
    else if (HasOption(ioFloppies)) TransferToFloppies("a:");
    else if (HasOption(ioAfterReboot)) ResumeAfterRestart();
    else if (mainForm_) StartNormalMode();
}

void TCustomInstall::ResumeAfterRestart() {
    try {
        CompleteAfterRestart();
    } catch (const Exception& error) {
        // The resumed run fails like any run: failure pages, then the message.
        HandleException(this, error);
    }
}

void TCustomInstall::StartNormalMode() {
    if (auto* form = dynamic_cast<TForm*>(mainForm_)) {
        savedOnActivate_ = form->OnActivate;
        form->OnActivate = [this](TObject* sender) { ActivateInstall(sender); };
    }
    if (hideMainForm_) {
        mainForm_->SetLeft(-2 * mainForm_->Width());
        mainForm_->SetTop(-2 * mainForm_->Height());
    }
}

void TCustomInstall::ActivateInstall(TObject*) {
    if (activated_) return;
    if (savedOnActivate_) savedOnActivate_(Owner());
    activated_ = true;
    if (mainForm_ && autoMaximizeWindow_) {
        mainForm_->SetWindowState(wsMaximized);
        mainForm_->Refresh();
    }
    if (!runAutomatic_) return;
    auto* form = dynamic_cast<TForm*>(mainForm_);
    if (form && Owner() && !Owner()->IsDestroying() && savedOnActivate_) form->OnActivate = savedOnActivate_;
    Process();
}

std::string TCustomInstall::SourceFileName() const {
    if (RunningInsideLibrary()) return ModuleFileName();
    if (HasOption(ioSelfExtract)) return GetArchivePath();
    if (useLoadingProgram_) {
        // The loading program passes the name behind the option letter of its second
        // parameter ("-c<name>"), since every parameter must be an option.
        std::string second = ParamStr(2);
        if (second.size() > 2 && (second[0] == '-' || second[0] == '*')) second = second.substr(2);
        return sourceDir_ + "\\" + second;
    }
    return ParamStr(0);
}

void TCustomInstall::Notification(TComponent* component, TOperation operation) {
    TFileContainer::Notification(component, operation);
    if (operation == opRemove && component && component == mainForm_) mainForm_ = nullptr;
}

// ---------------------------------------------------------------------------------------
// TInstall

TInstall::TInstall(TComponent* owner) : TCustomInstall(owner) {}

const TClassInfo& TInstall::StaticClassInfo() {
    using I = TCustomInstall;
    static const TClassInfo info = [] {
        std::vector<TPropInfo> properties = {
            BooleanProperty<I>("AutoMaximizeWindow", &I::AutoMaximizeWindow, &I::SetAutoMaximizeWindow, true),
            ObjectProperty<I>("BuildInfo", &I::BuildInfo),
            DestDirProperty(),
            DestDirTypeProperty(),
            ObjectProperty<I>("DialogThemeBitmap", &I::DialogThemeBitmap),
            EnumProperty<I, TDistributeType>("DistributeType", DistributeTypeNames(), &I::DistributeType,
                                             &I::SetDistributeType, dtTraditional),
            BooleanProperty<I>("HideMainForm", &I::HideMainForm, &I::SetHideMainForm, false),
            ObjectProperty<I>("Information", &I::Information),
            InstallTypesProperty(InstallTypeSet({itFull})),
            NetLocationProperty(),
            StringsProperty<I>("PresetupFiles", &I::PresetupFiles),
            BooleanProperty<I>("Reboot", &I::Reboot, &I::SetReboot, false),
            BooleanProperty<I>("RunAutomatic", &I::RunAutomatic, &I::SetRunAutomatic, true),
            BooleanProperty<I>("UseLoadingProgram", &I::UseLoadingProgram, &I::SetUseLoadingProgram, true),
            EventProperty<I>("OnAfterInitialized", &I::OnAfterInitialized),
            EventProperty<I>("OnBeforeReadArchiveInfo", &I::OnBeforeReadArchiveInfo),
            EventProperty<I>("OnAfterReadArchiveInfo", &I::OnAfterReadArchiveInfo),
            OnBeforeInstallObjectsProperty(),
            OnAfterInstallObjectsProperty(),
            EventProperty<I>("OnBeforeNotifyGoodInstall", &I::OnBeforeNotifyGoodInstall),
            EventProperty<I>("OnAfterNotifyGoodInstall", &I::OnAfterNotifyGoodInstall),
            EventProperty<I>("OnBeforeNotifyBadInstall", &I::OnBeforeNotifyBadInstall),
            EventProperty<I>("OnAfterNotifyBadInstall", &I::OnAfterNotifyBadInstall),
            EventProperty<I>("OnBeforeReboot", &I::OnBeforeReboot),
            EventProperty<I>("OnFailedReboot", &I::OnFailedReboot),
            EventProperty<I>("OnBeforeRunFile", &I::OnBeforeRunFile),
            EventProperty<I>("OnBeforeShutdown", &I::OnBeforeShutdown),
            EventProperty<I>("OnUserAbort", &I::OnUserAbort),
            EventProperty<I>("OnBeforeCleanup", &I::OnBeforeCleanup),
            OnNewDiskProperty(),
            OnReplacingProperty(),
            OnStatusProperty(),
        };
        return TClassInfo("TInstall", &TCustomInstall::StaticClassInfo(), FactoryOf<TInstall>(),
                          std::move(properties));
    }();
    return info;
}

namespace {
const TClassRegistration installRegistration(TInstall::StaticClassInfo());
}

} // namespace qlry
