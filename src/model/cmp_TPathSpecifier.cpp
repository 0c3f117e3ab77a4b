#include "model/cmp_TPathSpecifier.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "model/cmp_TInstallContainer.h"
#include "model/routines_ExpandPaths.h"
#include "platform/SysUtils.h"
#include "routines/routines_API.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"

namespace qlry {

namespace {

// Set when the lists are destroyed at process end; a plain flag outlives them.
bool listsGone = false;

std::string NameOf(const TComponent* component) { return component ? component->Name() : std::string(); }

TInstallContainer* ContainerOf(TInstallContainer* object) {
    auto* item = dynamic_cast<TInstallObject*>(object);
    return item ? item->Container() : nullptr;
}

void RequireInstallObject(const TCustomPathSpecifier& specifier, TInstallContainer* object) {
    if (!dynamic_cast<TInstallObject*>(object))
        throw IEPathSpecifier("%s must be a %s to use the %s path specifier",
                              {NameOf(object), "TInstallObject", specifier.DefaultName()});
}

void RequireEngine(TInstallContainer* object) {
    if (!CurrentInstall())
        throw IEPathSpecifier("There is no TInstall component so the path specifier could not be expanded for %s",
                              {NameOf(object)});
}

bool IsEngine(const TInstallContainer* object) { return dynamic_cast<const TCustomInstall*>(object) != nullptr; }

// A renamed component's new name: "nameClash" and the next number of the process,
// with a further number when even that is taken.
std::string NextClashName(const TComponent& owner) {
    static int clashCounter = 0;
    std::string base = "nameClash" + IntToStr(++clashCounter);
    if (!owner.FindComponent(base)) return base;
    for (int suffix = 1;; ++suffix)
        if (!owner.FindComponent(base + IntToStr(suffix))) return base + IntToStr(suffix);
}

bool HasLiveInstanceOf(const TClassInfo& type) {
    const TPathSpecifierList& all = TPathSpecifierList::All();
    for (int i = 0; i < all.Count(); ++i)
        if (all.Items(i)->ClassInfo()->InheritsFrom(&type)) return true;
    return false;
}

} // namespace

// TCustomPathSpecifier ------------------------------------------------------------------

TCustomPathSpecifier::TCustomPathSpecifier(TComponent* owner) : TComponent(owner) {
    if (TPathSpecifierList::Exist()) TPathSpecifierList::All().Add(this);
}

TCustomPathSpecifier::~TCustomPathSpecifier() {
    if (TPathSpecifierList::Exist()) TPathSpecifierList::All().Remove(this);
}

const TClassInfo& TCustomPathSpecifier::StaticClassInfo() {
    static const TClassInfo info("TCustomPathSpecifier", &TComponent::StaticClassInfo(),
                                 FactoryOf<TCustomPathSpecifier>(), {});
    return info;
}

void TCustomPathSpecifier::Validate(TInstallContainer* object) const {}

std::string TCustomPathSpecifier::LongName() const { return "Unspecified"; }

std::string TCustomPathSpecifier::LongNameFor(TInstallContainer* object) const { return LongName(); }

std::string TCustomPathSpecifier::GetPath(TInstallContainer* object) const {
    std::string path;
    if (OnGetPath) OnGetPath(object, path);
    return path;
}

std::string TCustomPathSpecifier::ShortName() const { return LongName(); }

std::string TCustomPathSpecifier::ShortNameFor(TInstallContainer* object) const { return LongNameFor(object); }

// TStandardPathSpecifier ----------------------------------------------------------------

TStandardPathSpecifier::TStandardPathSpecifier(TComponent* owner) : TCustomPathSpecifier(owner) {
    if (TPathSpecifierList::Exist()) TPathSpecifierList::Standard().Add(this);
}

TStandardPathSpecifier::~TStandardPathSpecifier() {
    if (TPathSpecifierList::Exist()) TPathSpecifierList::Standard().Remove(this);
}

const TClassInfo& TStandardPathSpecifier::StaticClassInfo() {
    static const TClassInfo info("TStandardPathSpecifier", &TCustomPathSpecifier::StaticClassInfo(),
                                 FactoryOf<TStandardPathSpecifier>(), {});
    return info;
}

// The standard classes: names first, one line each ----------------------------------------

#define QLRY_DEFINE_STANDARD(Class, defaultName, longName, shortName)                                    \
    Class::Class(TComponent* owner) : TStandardPathSpecifier(owner) { SetDefaultName(defaultName); }   \
    const TClassInfo& Class::StaticClassInfo() {                                                       \
        static const TClassInfo info(#Class, &TStandardPathSpecifier::StaticClassInfo(), FactoryOf<Class>(), {}); \
        return info;                                                                                   \
    }                                                                                                  \
    std::string Class::LongName() const { return longName; }                                           \
    std::string Class::ShortName() const { return shortName; }

QLRY_DEFINE_STANDARD(TpsBDEDLL, "psBDEDLL", "Borland Database Engine DLL Path", "BDE DLL")
QLRY_DEFINE_STANDARD(TpsCommonFiles, "psCommonFiles",
                     "Path of the common files directory under the program files directory", "Common files")
QLRY_DEFINE_STANDARD(TpsContainerArchiveFile, "psContainerArchiveFile", "Path to the archive file of the container",
                     "Container archive file")
QLRY_DEFINE_STANDARD(TpsContainerDestDir, "psContainerDestDir", "Path of the group (container)",
                     "Path of the group (container)")
QLRY_DEFINE_STANDARD(TpsDesktopMenu, "psDesktopMenu", "Path of the Desktop", "Desktop")
QLRY_DEFINE_STANDARD(TpsInstallSource, "psInstallSource", "Path from which the user ran the install",
                     "Install source")
QLRY_DEFINE_STANDARD(TpsMainInstall, "psMainInstall", "Main installation directory", "Main install dir")
QLRY_DEFINE_STANDARD(TpsMainArchiveFile, "psMainArchiveFile",
                     "Archive containing most or all non-internet installation files", "Main archive")
QLRY_DEFINE_STANDARD(TpsProgramFiles, "psProgramFiles", "Path of the program files directory", "Program files")
QLRY_DEFINE_STANDARD(TpsProgramMenu, "psProgramMenu", "Path of the Programs folder under the Start Menu",
                     "Program menu")
QLRY_DEFINE_STANDARD(TpsStartMenu, "psStartMenu", "Path of Start Menu", "Start menu")
QLRY_DEFINE_STANDARD(TpsStartupMenu, "psStartupMenu",
                     "Path of the Startup folder in the Programs folder under the Start Menu", "Startup menu")
QLRY_DEFINE_STANDARD(TpsSystem, "psSystem", "Path of system directory", "System dir")
QLRY_DEFINE_STANDARD(TpsWindow, "psWindow", "Path of the Windows directory", "Windows dir")

#undef QLRY_DEFINE_STANDARD

// The folders: they serve every object -----------------------------------------------------

#define QLRY_ACCEPTS_ALL(Class) \
    void Class::Validate(TInstallContainer*) const {}

QLRY_ACCEPTS_ALL(TpsBDEDLL)
QLRY_ACCEPTS_ALL(TpsCommonFiles)
QLRY_ACCEPTS_ALL(TpsDesktopMenu)
QLRY_ACCEPTS_ALL(TpsProgramFiles)
QLRY_ACCEPTS_ALL(TpsProgramMenu)
QLRY_ACCEPTS_ALL(TpsStartMenu)
QLRY_ACCEPTS_ALL(TpsStartupMenu)
QLRY_ACCEPTS_ALL(TpsSystem)
QLRY_ACCEPTS_ALL(TpsWindow)

#undef QLRY_ACCEPTS_ALL

// The first directory of the BDE's DLL path; the BDE's usual place when none is recorded.
std::string TpsBDEDLL::GetPath(TInstallContainer*) const {
    std::string dllPath = RegReadString(rkLocalMachine, "\\Software\\Borland\\Database Engine", "DLLPath", "");
    std::string first = GetToken(dllPath, 1, ';');
    if (first.empty()) return AddBackslash(ProgramFilesFolder()) + "Borland\\Common Files\\BDE";
    return first;
}

std::string TpsCommonFiles::GetPath(TInstallContainer*) const { return RemoveBackslash(CommonFilesFolder()); }
std::string TpsDesktopMenu::GetPath(TInstallContainer*) const { return RemoveBackslash(DesktopFolder()); }
std::string TpsProgramFiles::GetPath(TInstallContainer*) const { return RemoveBackslash(ProgramFilesFolder()); }
std::string TpsProgramMenu::GetPath(TInstallContainer*) const { return RemoveBackslash(ProgramsFolder()); }
std::string TpsStartMenu::GetPath(TInstallContainer*) const { return RemoveBackslash(StartMenuFolder()); }
std::string TpsStartupMenu::GetPath(TInstallContainer*) const { return RemoveBackslash(StartupFolder()); }
std::string TpsSystem::GetPath(TInstallContainer*) const { return RemoveBackslash(GetSystemDir()); }
std::string TpsWindow::GetPath(TInstallContainer*) const { return RemoveBackslash(GetWindowsDir()); }

// The container's archive ------------------------------------------------------------------

void TpsContainerArchiveFile::Validate(TInstallContainer* object) const {
    RequireInstallObject(*this, object);
    TInstallContainer* container = ContainerOf(object);
    if (!container)
        throw IEPathSpecifier("Cannot use ddContainerArchiveFile for %s unless you assign a Container",
                              {NameOf(object)});
    if (!dynamic_cast<TFileRelated*>(container))
        throw IEPathSpecifier(
            "Cannot use the ddContainerArchiveFile path specifier for %s because the Container is not a "
            "TFileRelated descendant",
            {NameOf(object)});
}

std::string TpsContainerArchiveFile::GetPath(TInstallContainer* object) const {
    Validate(object);
    return RemoveBackslash(static_cast<TFileRelated*>(ContainerOf(object))->GetArchivePath());
}

// The container's directory ----------------------------------------------------------------

void TpsContainerDestDir::Validate(TInstallContainer* object) const {
    RequireInstallObject(*this, object);
    if (!ContainerOf(object))
        throw IEPathSpecifier("Cannot use ddContainerDestDir for %s unless you assign a Container", {NameOf(object)});
}

std::string TpsContainerDestDir::GetPath(TInstallContainer* object) const {
    Validate(object);
    return RemoveBackslash(ContainerOf(object)->GetDestPath());
}

std::string TpsContainerDestDir::LongNameFor(TInstallContainer* object) const {
    try {
        Validate(object);
        TInstallContainer* container = ContainerOf(object);
        if (IsEngine(container)) return "Main installation directory";
        if (auto* group = dynamic_cast<TCustomInstallGroup*>(container))
            return Format("Path of the <%s> group", {group->Description()});
        if (auto* directory = dynamic_cast<TFileContainer*>(container))
            return Format("Path of the <%s> directory", {directory->Description()});
        return Format("Path of the <%s> group", {container->Name()});
    } catch (const Exception&) {
        return LongName();
    }
}

std::string TpsContainerDestDir::ShortNameFor(TInstallContainer* object) const {
    try {
        Validate(object);
        TInstallContainer* container = ContainerOf(object);
        if (IsEngine(container)) return "Main installation directory";
        if (auto* fileContainer = dynamic_cast<TFileContainer*>(container))
            return Format("<%s>", {fileContainer->Description()});
        return Format("<%s>", {container->Name()});
    } catch (const Exception&) {
        return LongName();
    }
}

// What the engine knows --------------------------------------------------------------------

void TpsInstallSource::Validate(TInstallContainer* object) const { RequireEngine(object); }

std::string TpsInstallSource::GetPath(TInstallContainer* object) const {
    Validate(object);
    return RemoveBackslash(CurrentInstall()->SourceDir());
}

void TpsMainInstall::Validate(TInstallContainer* object) const {
    RequireEngine(object);
    if (IsEngine(object)) throw IEPathSpecifier("Cannot use the ddMainInstallDir path specifier for a TInstall component");
}

std::string TpsMainInstall::GetPath(TInstallContainer* object) const {
    Validate(object);
    return RemoveBackslash(CurrentInstall()->GetDestPath());
}

void TpsMainArchiveFile::Validate(TInstallContainer* object) const { RequireEngine(object); }

std::string TpsMainArchiveFile::GetPath(TInstallContainer* object) const {
    Validate(object);
    const TCustomInstall& engine = *CurrentInstall();
    if (engine.HasOption(ioSelfExtract)) {
        const std::string& exeName = engine.OptionArg(ioSelfExtract);
        if (Trim(exeName).empty())
            throw IEInstall("You forgot to pass in the name of the self-extracting executable. "
                            "Usage example: \"-eSetup.exe\"");
        return AddBackslash(engine.SourceDir()) + exeName;
    }
    // After a disk change the archive continues where that disk was found.
    const std::string& directory = Trim(archiveDirOverride_).empty() ? engine.SourceDir() : archiveDirOverride_;
    return AddBackslash(directory) + "files.1";
}

// TpsFileContainer --------------------------------------------------------------------------

TpsFileContainer::TpsFileContainer(TComponent* owner) : TCustomPathSpecifier(owner) {}

const TClassInfo& TpsFileContainer::StaticClassInfo() {
    static const TClassInfo info("TpsFileContainer", &TCustomPathSpecifier::StaticClassInfo(),
                                 FactoryOf<TpsFileContainer>(),
                                 {ComponentProperty<TpsFileContainer, TFileContainer>(
                                     "FileContainer", &TpsFileContainer::FileContainer,
                                     &TpsFileContainer::SetFileContainer)});
    return info;
}

void TpsFileContainer::Validate(TInstallContainer* object) const {
    if (dynamic_cast<TFileContainer*>(object) || dynamic_cast<TCustomInstallGroup*>(object) ||
        dynamic_cast<TCustomInstallFile*>(object))
        throw IEPathSpecifier("A file container cannot reference another file container or group");
}

std::string TpsFileContainer::LongName() const {
    if (!fileContainer_) return "Path specifier for unknown file container";
    return "Path into which " + fileContainer_->Description() + " will be installed";
}

std::string TpsFileContainer::ShortName() const {
    if (!fileContainer_) return "Path specifier for unknown file container";
    return "<" + fileContainer_->Description() + ">";
}

std::string TpsFileContainer::GetPath(TInstallContainer* object) const {
    Validate(object);
    return fileContainer_ ? fileContainer_->GetDestPath() : std::string();
}

void TpsFileContainer::SetFileContainer(TFileContainer* value) {
    fileContainer_ = value;
    // The container may have another owner; it must still tell us when it goes.
    if (value) FreeNotification(value);
}

// A stored companion keeps its stored name: whoever took it meanwhile (usually the
// companion the container made for itself while loading) is renamed out of the way.
void TpsFileContainer::SetName(const std::string& name) {
    if (creating_ || !IsLoading()) {
        TCustomPathSpecifier::SetName(name);
        return;
    }
    try {
        TCustomPathSpecifier::SetName(name);
    } catch (const Exception&) {
        TComponent* holder = Owner() ? Owner()->FindComponent(name) : nullptr;
        if (!holder || holder == this) return;
        try {
            holder->SetName(NextClashName(*Owner()));
            TCustomPathSpecifier::SetName(name);
        } catch (const Exception&) {
        }
    }
}

void TpsFileContainer::Loaded() {
    TCustomPathSpecifier::Loaded();
    if (fileContainer_ && fileContainer_->PathSpecifier() && fileContainer_->PathSpecifier() != this)
        fileContainer_->AdoptPathSpecifier(this);
}

void TpsFileContainer::Notification(TComponent* component, TOperation operation) {
    TCustomPathSpecifier::Notification(component, operation);
    if (operation == opRemove && fileContainer_ && component == fileContainer_) fileContainer_ = nullptr;
}

// The lists ---------------------------------------------------------------------------------

TPathSpecifierList::~TPathSpecifierList() { listsGone = true; }

TPathSpecifierList& TPathSpecifierList::All() {
    static TPathSpecifierList list;
    return list;
}

TPathSpecifierList& TPathSpecifierList::Standard() {
    static TPathSpecifierList list;
    return list;
}

bool TPathSpecifierList::Exist() { return !listsGone; }

void TPathSpecifierList::Add(TCustomPathSpecifier* specifier) {
    if (!specifier) throw IEPathSpecifierList("Tried to add a nil object to the path specifier list");
    items_.push_back(specifier);
}

void TPathSpecifierList::Remove(TCustomPathSpecifier* specifier) {
    items_.erase(std::remove(items_.begin(), items_.end(), specifier), items_.end());
}

TCustomPathSpecifier* TPathSpecifierList::FindByClass(const TClassInfo& type) const {
    for (TCustomPathSpecifier* specifier : items_)
        if (specifier->ClassInfo()->InheritsFrom(&type)) return specifier;
    throw IEPathSpecifier("Could not find the path specifier");
}

TPathSpecifierClassList& TPathSpecifierClassList::Instance() {
    static TPathSpecifierClassList list;
    return list;
}

void TPathSpecifierClassList::Add(const TClassInfo* type) {
    if (!type) throw IEPathSpecifierClassList("Tried to add a nil object to the path specifier list");
    items_.push_back(type);
}

void EnsureStandardSpecifiers(TComponent* owner) {
    if (!TPathSpecifierList::Exist()) return;
    const TPathSpecifierClassList& classes = TPathSpecifierClassList::Instance();
    for (int i = 0; i < classes.Count(); ++i) {
        const TClassInfo& type = *classes.Items(i);
        if (HasLiveInstanceOf(type)) continue;
        std::unique_ptr<TComponent> created(type.Create(owner));
        // A name taken on the owner raises; the unnamed specifier goes again.
        created->SetName(static_cast<TCustomPathSpecifier&>(*created).DefaultName());
        created.release();
    }
}

namespace {

const TClassRegistration registrations[] = {
    TClassRegistration(TCustomPathSpecifier::StaticClassInfo()),
    TClassRegistration(TStandardPathSpecifier::StaticClassInfo()),
    TClassRegistration(TpsFileContainer::StaticClassInfo()),
    TClassRegistration(TpsBDEDLL::StaticClassInfo()),
    TClassRegistration(TpsCommonFiles::StaticClassInfo()),
    TClassRegistration(TpsContainerArchiveFile::StaticClassInfo()),
    TClassRegistration(TpsContainerDestDir::StaticClassInfo()),
    TClassRegistration(TpsDesktopMenu::StaticClassInfo()),
    TClassRegistration(TpsInstallSource::StaticClassInfo()),
    TClassRegistration(TpsMainInstall::StaticClassInfo()),
    TClassRegistration(TpsMainArchiveFile::StaticClassInfo()),
    TClassRegistration(TpsProgramFiles::StaticClassInfo()),
    TClassRegistration(TpsProgramMenu::StaticClassInfo()),
    TClassRegistration(TpsStartMenu::StaticClassInfo()),
    TClassRegistration(TpsStartupMenu::StaticClassInfo()),
    TClassRegistration(TpsSystem::StaticClassInfo()),
    TClassRegistration(TpsWindow::StaticClassInfo()),
};

// The unit's start: the lists exist before any specifier can need them, and the
// standard classes are registered in their fixed order.
struct TPathSpecifierUnit {
    TPathSpecifierUnit() {
        TPathSpecifierList::All();
        TPathSpecifierList::Standard();
        for (const TClassInfo* type : {
                 &TpsBDEDLL::StaticClassInfo(), &TpsCommonFiles::StaticClassInfo(),
                 &TpsContainerArchiveFile::StaticClassInfo(), &TpsContainerDestDir::StaticClassInfo(),
                 &TpsDesktopMenu::StaticClassInfo(), &TpsInstallSource::StaticClassInfo(),
                 &TpsMainInstall::StaticClassInfo(), &TpsProgramFiles::StaticClassInfo(),
                 &TpsProgramMenu::StaticClassInfo(), &TpsStartMenu::StaticClassInfo(),
                 &TpsStartupMenu::StaticClassInfo(), &TpsSystem::StaticClassInfo(),
                 &TpsMainArchiveFile::StaticClassInfo(), &TpsWindow::StaticClassInfo()})
            TPathSpecifierClassList::Instance().Add(type);
    }
};

const TPathSpecifierUnit pathSpecifierUnit;

} // namespace

} // namespace qlry
