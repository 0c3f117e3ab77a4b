#include "links/cmp_TInstallShellLink.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <memory>

#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "links/cmp_TProgramManager.h"
#include "model/routines_ExpandPaths.h"
#include "platform/ComObj.h"
#include "platform/IniFile.h"
#include "platform/SysUtils.h"
#include "routines/routines_API.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"

namespace qlry {

namespace {

TMainLinkGroup* mainLinkGroup = nullptr;

template <class T>
bool IsA(const TObject* object) {
    const TClassInfo* info = object ? object->ClassInfo() : nullptr;
    return info && info->InheritsFrom(&T::StaticClassInfo());
}

// The uninstall program's class lives in the engine, above this unit; it is known by name.
bool IsUninstallProgram(const TObject* object) {
    for (const TClassInfo* info = object ? object->ClassInfo() : nullptr; info; info = info->Parent())
        if (info->Name() == "TUninstallEXE") return true;
    return false;
}

// The standard specifier of class T, or nullptr when none exists; Client hears of its end.
template <class T>
T* SharedSpecifier(TComponent* client) {
    const TPathSpecifierList& standard = TPathSpecifierList::Standard();
    for (int i = 0; i < standard.Count(); ++i) {
        if (!IsA<T>(standard.Items(i))) continue;
        client->FreeNotification(standard.Items(i));
        return static_cast<T*>(standard.Items(i));
    }
    return nullptr;
}

void EnsureObjectLinkSpecifier(TComponent* owner) {
    const TPathSpecifierList& all = TPathSpecifierList::All();
    for (int i = 0; i < all.Count(); ++i)
        if (IsA<TpsObjectLink>(all.Items(i))) return;
    std::unique_ptr<TpsObjectLink> created(new TpsObjectLink(owner));
    created->SetName("psObjectLink");
    created.release();
}

// Releases a COM interface on every path.
template <class I>
class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr() {
        if (pointer_) pointer_->Release();
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    I* operator->() const { return pointer_; }
    void** Out() { return reinterpret_cast<void**>(&pointer_); }

private:
    I* pointer_ = nullptr;
};

std::string ComErrorText(const EOleSysError& error) {
    switch (error.ErrorCode()) {
    case 0: return "";
    case E_UNEXPECTED: return TranslateExceptionText("Indicates an unexpected error occurred");
    case CLASS_E_NOAGGREGATION: return TranslateExceptionText("Indicates this class cannot be created as part of an aggregate");
    case REGDB_E_CLASSNOTREG:
        return TranslateExceptionText("Indicates that a specified class is not registered in the registration database");
    case E_OUTOFMEMORY: return TranslateExceptionText("Out of memory");
    case E_INVALIDARG: return TranslateExceptionText("Indicates one or more arguments are invalid");
    default: return error.Message();
    }
}

const char* const mustBeInMainFolder =
    "The TMainLinkGroup component must be the Container for TInstallMainLink and TSubLinkGroup components";

} // namespace

const TEnumInfo& MethodTypeNames() {
    static const TEnumInfo names{"mtAutoDetect", "mtShellLinkInterface", "mtProgramManager"};
    return names;
}

TMainLinkGroup* MainLinkGroup() { return mainLinkGroup; }

// ---------------------------------------------------------------------------------------
// Lists

TShellLinkGroupList& TShellLinkGroupList::SubGroups() {
    static TShellLinkGroupList list;
    return list;
}

void TShellLinkGroupList::Add(TCustomShellLinkGroup* group) {
    if (!group) throw IEShellLinkGroup("Cannot add a blank entry to the shell link group list");
    TList::Add(group);
}

TInstallShellLinkList& TInstallShellLinkList::AllLinks() {
    static TInstallShellLinkList list;
    return list;
}

TInstallShellLinkList& TInstallShellLinkList::MainLinks() {
    static TInstallShellLinkList list;
    return list;
}

void TInstallShellLinkList::Add(TCustomInstallShellLink* link) {
    if (!link) throw IEInstallShellLinkList("Cannot add a blank entry to the shell link list");
    TList::Add(link);
}

// ---------------------------------------------------------------------------------------
// Folders

TCustomShellLinkGroup::TCustomShellLinkGroup(TComponent* owner) : TInstallObject(owner) {}

const TClassInfo& TCustomShellLinkGroup::StaticClassInfo() {
    static const TClassInfo info("TCustomShellLinkGroup", &TInstallObject::StaticClassInfo(), nullptr, {});
    return info;
}

std::vector<TPropInfo> TCustomShellLinkGroup::FolderProperties() {
    return {ContainerProperty(), DestDirProperty(), IncludeProperty(), OnAfterProcessProperty(),
            OnBeforeProcessProperty()};
}

void TCustomShellLinkGroup::ProcessObjects() {
    BroadcastInformationEvent(this, ieLinkGroupStart, nullptr);
    ForceDirectories(GetDestPath());
    TInstallObject::ProcessObjects();
}

void TCustomShellLinkGroup::RemoveReference(TInstallContainer* object) {
    TInstallContainer::RemoveReference(object);
    if (!object || freeing_ || object != Container()) return;
    freeing_ = true;
    Free();
}

void TCustomShellLinkGroup::InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) {
    TInstallObject::InformationEvent(sender, eventCode, po);
    if (eventCode == ieProcessLinkGroup) Process();
}

TMainLinkGroup::TMainLinkGroup(TComponent* owner) : TCustomShellLinkGroup(owner) {
    if (mainLinkGroup) throw IEShellLinkGroup("You can only have one TMainLinkGroup component in your project");
    mainLinkGroup = this;
    StoreDestDirType(SharedSpecifier<TpsProgramMenu>(this));
    TCustomInstall* engine = CurrentInstall();
    StoreDestDir(engine ? "\\" + engine->Information()->ProductName() : "\\MainFolderName");
}

TMainLinkGroup::~TMainLinkGroup() {
    if (mainLinkGroup == this) mainLinkGroup = nullptr;
}

const TClassInfo& TMainLinkGroup::StaticClassInfo() {
    static const TClassInfo info("TMainLinkGroup", &TCustomShellLinkGroup::StaticClassInfo(),
                                 FactoryOf<TMainLinkGroup>(), FolderProperties());
    return info;
}

void TMainLinkGroup::SetDestDirType(TCustomPathSpecifier*) { StoreDestDirType(SharedSpecifier<TpsProgramMenu>(this)); }

// The folder's base never changes, so its DestDir stays meaningful under a new container.
void TMainLinkGroup::SetContainer(TInstallContainer* value) {
    std::string destDir = DestDir();
    TCustomShellLinkGroup::SetContainer(value);
    StoreDestDir(destDir);
    SetDestDirType(nullptr);
}

void TMainLinkGroup::Loaded() {
    // The Programs-menu specifier may have been read after this folder.
    if (!DestDirType()) SetDestDirType(nullptr);
    TCustomShellLinkGroup::Loaded();
}

TSubLinkGroup::TSubLinkGroup(TComponent* owner) : TCustomShellLinkGroup(owner) {
    if (!mainLinkGroup)
        throw IEShellLinkGroup("To create a TSubLinkGroup you must first have a TMainLinkGroup component in your project");
    AssignContainer(mainLinkGroup);
    SetDestDirType(nullptr);
    StoreDestDir("\\ASubGroup");
    TShellLinkGroupList::SubGroups().Add(this);
}

TSubLinkGroup::~TSubLinkGroup() { TShellLinkGroupList::SubGroups().Remove(this); }

const TClassInfo& TSubLinkGroup::StaticClassInfo() {
    static const TClassInfo info("TSubLinkGroup", &TCustomShellLinkGroup::StaticClassInfo(),
                                 FactoryOf<TSubLinkGroup>(), FolderProperties());
    return info;
}

void TSubLinkGroup::SetDestDirType(TCustomPathSpecifier*) {
    StoreDestDirType(SharedSpecifier<TpsContainerDestDir>(this));
}

void TSubLinkGroup::SetContainer(TInstallContainer* value) {
    if (!IsLoading()) {
        if (!value) value = mainLinkGroup;
        if (value != mainLinkGroup) throw IEShellLinkGroup(mustBeInMainFolder);
    }
    TCustomShellLinkGroup::SetContainer(value);
    SetDestDirType(nullptr);
}

// ---------------------------------------------------------------------------------------
// Links

TCustomInstallShellLink::TCustomInstallShellLink(TComponent* owner) : TInstallObject(owner) {
    SetDestDirType(nullptr);
    // While a project is read its own psObjectLink may still follow; Loaded looks again.
    if (!IsLoading() && IsFormOrDataModule(owner)) EnsureObjectLinkSpecifier(owner);
    TInstallShellLinkList::AllLinks().Add(this);
}

TCustomInstallShellLink::~TCustomInstallShellLink() {
    freeing_ = true;
    TInstallShellLinkList::AllLinks().Remove(this);
}

const TClassInfo& TCustomInstallShellLink::StaticClassInfo() {
    static const TClassInfo info("TCustomInstallShellLink", &TInstallObject::StaticClassInfo(), nullptr, {});
    return info;
}

std::vector<TPropInfo> TCustomInstallShellLink::LinkProperties() {
    using L = TCustomInstallShellLink;
    return {
        DestDirProperty(),
        IntegerProperty<L>("HotKey", &L::HotKey, &L::SetHotKey, 0),
        IncludeProperty(),
        StringProperty<L>("LinkName", &L::LinkName, &L::SetLinkName),
        EnumProperty<L, TMethodType>("Method", MethodTypeNames(), &L::Method, &L::SetMethod, mtAutoDetect),
        ComponentProperty<L, TInstallContainer>("ObjectLink", &L::ObjectLink, &L::SetObjectLink),
        StringProperty<L>("ObjectLocation", &L::ObjectLocation, &L::SetObjectLocation),
        ComponentProperty<L, TCustomPathSpecifier>("ObjectLocationType", &L::ObjectLocationType,
                                                   &L::SetObjectLocationType),
        StringProperty<L>("Parameters", &L::Parameters, &L::SetParameters),
        UninstallProperty(),
        OnAfterProcessProperty(),
        OnBeforeProcessProperty(),
    };
}

void TCustomInstallShellLink::Loaded() {
    if (IsFormOrDataModule(Owner())) EnsureObjectLinkSpecifier(Owner());
    if (!DestDirType()) SetDestDirType(nullptr);
    TInstallObject::Loaded();
}

void TCustomInstallShellLink::Notification(TComponent* component, TOperation operation) {
    TInstallObject::Notification(component, operation);
    if (operation == opRemove && component && component == objectLocationType_) objectLocationType_ = nullptr;
}

void TCustomInstallShellLink::SetDestDirType(TCustomPathSpecifier*) {
    StoreDestDirType(SharedSpecifier<TpsContainerDestDir>(this));
}

void TCustomInstallShellLink::RemoveReference(TInstallContainer* object) {
    TInstallContainer::RemoveReference(object);
    if (!object || freeing_) return;
    if (object != Container() && object != objectLink_) return;
    freeing_ = true;
    Free();
}

void TCustomInstallShellLink::InformationEvent(TInstallContainer* sender, int eventCode, TObject* po) {
    TInstallObject::InformationEvent(sender, eventCode, po);
    if (eventCode == ieProcessLink) Process();
}

std::string TCustomInstallShellLink::LinkFileName() const { return AddBackslash(GetDestPath()) + linkName_; }

std::string TCustomInstallShellLink::GetObjectPath() const {
    if (objectLocationType_)
        return objectLocationType_->GetPath(const_cast<TCustomInstallShellLink*>(this)) + objectLocation_;
    return RemoveBackslash(objectLocation_);
}

void TCustomInstallShellLink::SetLinkName(const std::string& value) {
    if (IsLoading()) {
        linkName_ = value;
        return;
    }
    std::string extension = UpperCase(ExtractFileExt(value));
    std::string name = value;
    if (extension == ".URL") {
        SetObjectLink(nullptr);
    } else if (extension != ".LNK") {
        std::string previous = ExtractFileExt(linkName_);
        name = ChangeFileExt(value, previous.empty() ? ".LNK" : previous);
    }
    linkName_ = name;
}

void TCustomInstallShellLink::SetObjectLink(TInstallContainer* value) {
    if (IsLoading()) {
        objectLink_ = value;
        return;
    }
    if (!value) {
        objectLink_ = nullptr;
        objectLocationType_ = nullptr;
        return;
    }
    TpsObjectLink* specifier = TPathSpecifierList::Standard().Find<TpsObjectLink>();
    objectLink_ = value;
    SetObjectLocationType(specifier);
    objectLocation_.clear();
    std::string name;
    if (auto* file = dynamic_cast<TCustomInstallFile*>(value))
        name = ChangeFileExt(file->DestName(), ".lnk");
    else if (auto* directory = dynamic_cast<TInstallDirectory*>(value))
        name = directory->Description() + ".lnk";
    else
        name = value->Name() + ".lnk";
    SetLinkName(name);
    if (!Container()) SetContainer(value);
}

void TCustomInstallShellLink::SetObjectLocation(const std::string& value) {
    objectLocation_ = value;
    if (IsLoading()) return;
    if (IsA<TpsObjectLink>(objectLocationType_)) objectLocation_.clear();
    if (!linkName_.empty() && linkName_ != ".LNK") return;
    std::string upper = UpperCase(value);
    // A web address becomes the name of a file: its slashes must not make folders.
    if (int at = Pos("HTTP://", upper))
        SetLinkName(MakeFileNameSafe(value.substr(at - 1 + 7)) + ".URL");
    else if (int at = Pos("FTP://", upper))
        SetLinkName(MakeFileNameSafe(value.substr(at - 1 + 6)) + ".URL");
    else
        SetLinkName(ChangeFileExt(ExtractFileName(value), ""));
}

void TCustomInstallShellLink::SetObjectLocationType(TCustomPathSpecifier* value) {
    if (!IsLoading() && value) {
        value->Validate(this);
        if (IsA<TpsObjectLink>(value)) objectLocation_.clear();
    }
    objectLocationType_ = value;
    if (value) FreeNotification(value);
}

void TCustomInstallShellLink::CreateLinkFolder() const { ForceDirectories(RemoveBackslash(GetDestPath())); }

void TCustomInstallShellLink::ProcessObjects() {
    linkCreated_ = false;
    if (Trim(linkName_).empty())
        throw IEInstallShellLink("The LinkName is blank for %s and therefore could not be installed", {Name()});
    if (objectLink_) {
        // A link to something this run did not install is left out without a word.
        if (!objectLink_->Processed()) return;
        if (IsUninstallProgram(objectLink_)) {
            TCustomInstall* engine = CurrentInstall();
            if (!engine)
                throw IEInstallShellLink("%s cannot perform operation because there is no TInstall component", {Name()});
            parameters_ = engine->Information()->ProductName();
        } else if (auto* folder = dynamic_cast<TCustomShellLinkGroup*>(objectLink_)) {
            ForceDirectories(folder->GetDestPath());
        }
    }
    if (UpperCase(ExtractFileExt(linkName_)) == ".URL") {
        CreateInternetShortcut();
    } else {
        switch (method_) {
        case mtShellLinkInterface: CreateShellLink(); break;
        case mtProgramManager: CreateProgramManagerItem(); break;
        case mtAutoDetect: {
            TWindowsVersion version = GetWindowsVersion();
            if (version == wvWin9x || version == wvWinNT)
                CreateShellLink();
            else
                CreateProgramManagerItem();
            break;
        }
        }
    }
    TInstallObject::ProcessObjects();
}

void TCustomInstallShellLink::CreateInternetShortcut() {
    CreateLinkFolder();
    TIniFile file(LinkFileName());
    file.WriteString("InternetShortcut", "URL", objectLocation_);
    file.UpdateFile();
    linkCreated_ = true;
}

void TCustomInstallShellLink::CreateShellLink() {
    try {
        CreateLinkFolder();
        std::string arguments = ExpandMetaVariables(parameters_, this);
        std::string target = GetObjectPath();
        TComPtr<IShellLinkA> link;
        OleCheck(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Out()));
        OleCheck(link->SetPath(target.c_str()));
        OleCheck(link->SetHotkey(hotKey_));
        OleCheck(link->SetArguments(arguments.c_str()));
        OleCheck(link->SetWorkingDirectory(RemoveBackslash(ExtractFilePath(target)).c_str()));
        TComPtr<IPersistFile> file;
        OleCheck(link->QueryInterface(IID_IPersistFile, file.Out()));
        // A name too long for the buffer would be saved cut off, somewhere else.
        wchar_t fileName[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, LinkFileName().c_str(), -1, fileName, MAX_PATH) == 0) RaiseLastOSError();
        OleCheck(file->Save(fileName, TRUE));
        linkCreated_ = true;
    } catch (const EOleSysError& error) {
        throw IEInstallShellLink(
            "The TCustomInstallShellLink %s name could not be installed. The following error was reported %s. Error "
            "code %d",
            {Name(), ComErrorText(error), static_cast<int>(error.ErrorCode())});
    } catch (const Exception& error) {
        throw IEInstallShellLink(
            "The TCustomInstallShellLink %s name could not be installed. The following error was reported %s",
            {Name(), error.Message()});
    }
}

// Program Manager groups stand for the folders of the Programs menu, so an item is made
// for a link whose folder lies in that menu: the link's own base, or the base of one of
// the link folders it sits in, is the Programs-menu specifier.
void TCustomInstallShellLink::CreateProgramManagerItem() {
    programManagerInfo_.Clear();
    bool inProgramsMenu = IsA<TpsProgramMenu>(DestDirType());
    for (TInstallContainer* node = Container(); !inProgramsMenu && IsA<TCustomShellLinkGroup>(node);
         node = static_cast<TCustomShellLinkGroup*>(node)->Container())
        inProgramsMenu = IsA<TpsProgramMenu>(node->DestDirType());
    if (!inProgramsMenu) return;
    std::string group = ProgramManagerGroup();
    std::string arguments = ExpandMetaVariables(parameters_, this);
    std::string target = GetObjectPath();
    std::string name = ChangeFileExt(linkName_, "");
    TProgramManager& manager = ProgramManager();
    manager.CreateGroup(group);
    if (manager.FindItem(name) >= 0) manager.ReplaceItem(name);
    // Without a selected group Program Manager is given nothing.
    bool groupSelected = !manager.CurrentGroup().empty();
    manager.AddItem("\"" + target + "\" " + arguments, name, "", "\"" + ExtractFileDir(target) + "\"", 0, "");
    programManagerInfo_.Assign(&manager.GroupInfo());
    linkCreated_ = groupSelected;
}

std::string TCustomInstallShellLink::ProgramManagerGroup() const {
    std::string group = ExtractFileName(RemoveBackslash(GetDestPath()));
    if (Trim(group).empty())
        throw IEInstallShellLink("The Program Manager group is blank for %s and therefore could not be installed",
                                 {Name()});
    return group;
}

void TCustomInstallShellLink::WriteUninstallInfo(const std::string& key) {
    if (linkCreated_) WriteUninstallFileEntry(key, LinkFileName());
}

TInstallMainLink::TInstallMainLink(TComponent* owner) : TCustomInstallShellLink(owner) {
    if (!mainLinkGroup)
        throw IEInstallShellLink(
            "To create a TInstallMainLink you must first have a TMainLinkGroup component in your project");
    AssignContainer(mainLinkGroup);
    SetDestDirType(nullptr);
    TInstallShellLinkList::MainLinks().Add(this);
}

TInstallMainLink::~TInstallMainLink() { TInstallShellLinkList::MainLinks().Remove(this); }

const TClassInfo& TInstallMainLink::StaticClassInfo() {
    static const TClassInfo info("TInstallMainLink", &TCustomInstallShellLink::StaticClassInfo(),
                                 FactoryOf<TInstallMainLink>(), LinkProperties());
    return info;
}

void TInstallMainLink::SetContainer(TInstallContainer* value) {
    if (!IsLoading() && value && value != mainLinkGroup) throw IEInstallShellLink(mustBeInMainFolder);
    TCustomInstallShellLink::SetContainer(mainLinkGroup);
    SetDestDirType(nullptr);
}

TInstallSubLink::TInstallSubLink(TComponent* owner) : TCustomInstallShellLink(owner) {
    TShellLinkGroupList& groups = TShellLinkGroupList::SubGroups();
    if (groups.Count() == 0)
        throw IEInstallShellLink(
            "To create a TInstallSubLink you must first have at least one TSubLinkGroup component in your project");
    AssignContainer(groups.Items(0));
    SetDestDirType(nullptr);
}

const TClassInfo& TInstallSubLink::StaticClassInfo() {
    static const TClassInfo info = [] {
        std::vector<TPropInfo> properties = LinkProperties();
        properties.push_back(ContainerProperty());
        return TClassInfo("TInstallSubLink", &TCustomInstallShellLink::StaticClassInfo(), FactoryOf<TInstallSubLink>(),
                          std::move(properties));
    }();
    return info;
}

void TInstallSubLink::SetContainer(TInstallContainer* value) {
    if (!IsLoading() && !IsA<TSubLinkGroup>(value))
        throw IEInstallShellLink("A TSubLinkGroup component must be the Container for TInstallSubLink components");
    TCustomInstallShellLink::SetContainer(value);
    SetDestDirType(nullptr);
}

// ---------------------------------------------------------------------------------------
// TpsObjectLink

TpsObjectLink::TpsObjectLink(TComponent* owner) : TStandardPathSpecifier(owner) { SetDefaultName("psObjectLink"); }

const TClassInfo& TpsObjectLink::StaticClassInfo() {
    static const TClassInfo info("TpsObjectLink", &TStandardPathSpecifier::StaticClassInfo(),
                                 FactoryOf<TpsObjectLink>(), {});
    return info;
}

void TpsObjectLink::Validate(TInstallContainer* object) const {
    auto* link = dynamic_cast<TCustomInstallShellLink*>(object);
    if (!link)
        throw IEPathSpecifier("%s must be a %s to use the %s path specifier",
                              {object ? object->Name() : std::string(), "TCustomInstallShellLink", "psObjectLink"});
    if (!link->ObjectLink())
        throw IEPathSpecifier("Cannot use ddObjectLink for %s unless you assign a value to ObjectLink", {link->Name()});
}

std::string TpsObjectLink::LongName() const { return "Path of the file or file group in the ObjectLink property"; }

std::string TpsObjectLink::GetPath(TInstallContainer* object) const {
    Validate(object);
    TInstallContainer* target = static_cast<TCustomInstallShellLink*>(object)->ObjectLink();
    if (auto* file = dynamic_cast<TCustomInstallFile*>(target))
        return RemoveBackslash(AddBackslash(file->GetDestPath()) + file->DestName());
    return RemoveBackslash(target->GetDestPath());
}


namespace {
const TClassRegistration registrations[] = {
    TClassRegistration(TMainLinkGroup::StaticClassInfo()),
    TClassRegistration(TSubLinkGroup::StaticClassInfo()),
    TClassRegistration(TInstallMainLink::StaticClassInfo()),
    TClassRegistration(TInstallSubLink::StaticClassInfo()),
    TClassRegistration(TpsObjectLink::StaticClassInfo()),
};
} // namespace

} // namespace qlry
