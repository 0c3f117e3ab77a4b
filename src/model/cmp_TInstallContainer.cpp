#include "model/cmp_TInstallContainer.h"

#include <algorithm>

#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "model/cmp_TPathSpecifier.h"
#include "model/routines_ExpandPaths.h"
#include "net/cmp_TNetInstallLocation.h"
#include "platform/Controls.h"
#include "platform/DataModule.h"
#include "platform/DateTime.h"
#include "platform/Lists.h"
#include "platform/Forms.h"
#include "platform/Strings.h"
#include "platform/SysUtils.h"
#include "routines/routines_API.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"

namespace qlry {

const char* const uninstallKeyBase = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

namespace {

bool IsA(const TObject* object, const TClassInfo& type) {
    const TClassInfo* info = object ? object->ClassInfo() : nullptr;
    return info && info->InheritsFrom(&type);
}

template <class T>
bool IsA(const TObject* object) {
    return IsA(object, T::StaticClassInfo());
}

} // namespace

bool IsFormOrDataModule(const TComponent* owner) {
    if (!owner) return false;
    return dynamic_cast<const TDataModule*>(owner) || dynamic_cast<const TCustomForm*>(owner);
}

// ---------------------------------------------------------------------------------------
// Registries

TInstallContainerList& TInstallContainerList::Instance() {
    static TInstallContainerList list;
    return list;
}

void TInstallContainerList::Add(TInstallContainer* object) {
    if (!object) throw IEContainerList("Cannot add a blank entry to the TInstallContainerList object");
    items_.push_back(object);
}

void TInstallContainerList::Remove(TInstallContainer* object) {
    items_.erase(std::remove(items_.begin(), items_.end(), object), items_.end());
}

TCustomInstallFileList& TCustomInstallFileList::AllFiles() {
    static TCustomInstallFileList list;
    return list;
}

TCustomInstallFileList& TCustomInstallFileList::FailedRegistrations() {
    static TCustomInstallFileList list;
    return list;
}

void TCustomInstallFileList::Add(TCustomInstallFile* file) {
    if (!file) throw IECustomInstallFileList("Cannot add a blank entry to the TCustomInstallFileList object");
    items_.push_back(file);
}

void TCustomInstallFileList::Remove(TCustomInstallFile* file) {
    items_.erase(std::remove(items_.begin(), items_.end(), file), items_.end());
}

bool& RegistrationErrorsFatal() {
    static bool fatal = true;
    return fatal;
}

TUniqueIDTable& TUniqueIDTable::Instance() {
    static TUniqueIDTable table;
    return table;
}

int TUniqueIDTable::Take() {
    for (int id = 0; id < slotCount; ++id) {
        if (!used_[id]) {
            used_[id] = true;
            return id;
        }
    }
    return 0;
}

void TUniqueIDTable::Release(int id) {
    if (id >= 0 && id < slotCount) used_[id] = false;
}

void TUniqueIDTable::MarkUsed(int id) {
    if (id >= 0 && id < slotCount) used_[id] = true;
}

bool TUniqueIDTable::Used(int id) const { return id >= 0 && id < slotCount && used_[id]; }

void TUniqueIDTable::ResetOnceAfterLoading() {
    if (resetAfterLoading_) return;
    std::fill(std::begin(used_), std::end(used_), false);
    resetAfterLoading_ = true;
}

void TUniqueIDTable::Clear() {
    std::fill(std::begin(used_), std::end(used_), false);
    resetAfterLoading_ = false;
}

// ---------------------------------------------------------------------------------------
// TInstallContainer

TInstallContainer::TInstallContainer(TComponent* owner) : TComponent(owner) {
    if (IsFormOrDataModule(owner)) EnsureStandardSpecifiers(owner);
    TInstallContainerList::Instance().Add(this);
}

TInstallContainer::~TInstallContainer() {
    auto& registry = TInstallContainerList::Instance();
    // First out of every list, so that no container that is re-sorted below meets this
    // half-destroyed object; then every object drops its references to it.
    for (int i = 0; i < registry.Count(); ++i) registry.Items(i)->RemoveObject(this);
    for (int i = registry.Count() - 1; i >= 0; --i) {
        if (i >= registry.Count()) continue;
        TInstallContainer* other = registry.Items(i);
        if (other != this) other->RemoveReference(this);
    }
    registry.Remove(this);
}

const TClassInfo& TInstallContainer::StaticClassInfo() {
    static const TClassInfo info("TInstallContainer", &TComponent::StaticClassInfo(), nullptr, {});
    return info;
}

TPropInfo TInstallContainer::IncludeProperty() {
    return BooleanProperty<TInstallContainer>("Include", &TInstallContainer::Include, &TInstallContainer::SetInclude,
                                              true);
}

TPropInfo TInstallContainer::UninstallProperty() {
    return BooleanProperty<TInstallContainer>("Uninstall", &TInstallContainer::Uninstall,
                                              &TInstallContainer::SetUninstall, true);
}

TPropInfo TInstallContainer::DestDirProperty() {
    return StringProperty<TInstallContainer>("DestDir", &TInstallContainer::DestDir, &TInstallContainer::SetDestDir);
}

TPropInfo TInstallContainer::DestDirTypeProperty() {
    return ComponentProperty<TInstallContainer, TCustomPathSpecifier>("DestDirType", &TInstallContainer::DestDirType,
                                                                      &TInstallContainer::SetDestDirType);
}

TPropInfo TInstallContainer::InstallTypesProperty(TInstallTypeSet declaredDefault) {
    return SetProperty<TInstallContainer>("InstallTypes", InstallTypeNames(), &TInstallContainer::InstallTypes,
                                          &TInstallContainer::SetInstallTypes, declaredDefault);
}

TPropInfo TInstallContainer::OrderProperty() {
    return IntegerProperty<TInstallContainer>("Order", &TInstallContainer::Order, &TInstallContainer::SetOrder);
}

TPropInfo TInstallContainer::OnAfterProcessProperty() {
    return EventProperty<TInstallContainer>("OnAfterProcess", &TInstallContainer::OnAfterProcess);
}

TPropInfo TInstallContainer::OnBeforeProcessProperty() {
    return EventProperty<TInstallContainer>("OnBeforeProcess", &TInstallContainer::OnBeforeProcess);
}

int TInstallContainer::FileContainerCount() const { return CountOf<TFileContainer>(); }

TFileContainer* TInstallContainer::GetFileContainer(int index) const { return CompOf<TFileContainer>(index); }

void TInstallContainer::SetDestDir(const std::string& value) { destDir_ = value; }

void TInstallContainer::SetDestDirType(TCustomPathSpecifier* value) {
    destDirTypeAssigned_ = true;
    if (!IsLoading() && value) value->Validate(this);
    destDirType_ = value;
}

void TInstallContainer::SetInstallTypes(TInstallTypeSet value) {
    installTypes_ = value == 0 ? InstallTypeSet({itFull}) : value;
}

// Only install objects are ever contained, so removing whatever is asked for is the same
// as removing install objects; and it must not ask the object its class, because a
// dying object has already lost its own.
void TInstallContainer::RemoveReference(TInstallContainer* object) { RemoveObject(object); }

void TInstallContainer::ShowStatusMessage(const std::string& message) {
    TMessageParameter parameter(message);
    BroadcastInformationEvent(this, ecShowStatusMessage, &parameter);
}

void TInstallContainer::HideStatusMessage() { BroadcastInformationEvent(this, ecHideStatusMessage, nullptr); }

void TInstallContainer::DoInformationEventControl(TInstallContainer*, int, TObject*) {}

void TInstallContainer::InformationEvent(TInstallContainer*, int, TObject*) {}

std::string TInstallContainer::GetDestPath() const {
    if (destDirType_) return RemoveBackslash(destDirType_->GetPath(const_cast<TInstallContainer*>(this)) + destDir_);
    return RemoveBackslash(destDir_);
}

int TInstallContainer::RegisteredType() const { throw IEInstallContainer("Class must declare a registered type"); }

void TInstallContainer::AddObject(TInstallContainer* object) {
    if (!object) throw IEInstallContainer("Cannot add a blank base helper component to %s", {Name()});
    if (object == this) throw IEInstallContainer("Circular reference");
    if (auto* self = dynamic_cast<TInstallObject*>(this)) {
        for (TInstallContainer* node = self->Container(); node;) {
            if (node == object) throw IEInstallContainer("Circular reference");
            auto* nodeObject = dynamic_cast<TInstallObject*>(node);
            node = nodeObject ? nodeObject->Container() : nullptr;
        }
    }
    std::size_t position = objects_.size();
    std::string upperClass = UpperCase(object->ClassName());
    if (upperClass == "TINSTALLBDE") {
        position = 0;
    } else {
        int rank = object->RegisteredType();
        for (std::size_t i = 0; i < objects_.size(); ++i) {
            if (objects_[i]->RegisteredType() >= rank) {
                position = i;
                break;
            }
        }
    }
    objects_.insert(objects_.begin() + static_cast<std::ptrdiff_t>(position), object);
}

void TInstallContainer::RemoveObject(TInstallContainer* object) {
    if (!object) return;
    auto found = std::find(objects_.begin(), objects_.end(), object);
    if (found != objects_.end()) objects_.erase(found);
}

TInstallContainer* TInstallContainer::Objects(int index) const {
    if (index < 0 || index >= ObjectCount())
        throw IEInstallContainer(
            "Tried to reference a helper component in the following component: %s. The following index was used: %d",
            {Name(), index});
    return objects_[index];
}

int TInstallContainer::CountOfClass(const TClassInfo& type) const {
    return static_cast<int>(
        std::count_if(objects_.begin(), objects_.end(), [&](TInstallContainer* object) { return IsA(object, type); }));
}

TInstallContainer* TInstallContainer::Comp(int index, const TClassInfo& type) const {
    int seen = 0;
    for (TInstallContainer* object : objects_) {
        if (!IsA(object, type)) continue;
        if (seen++ == index) return object;
    }
    throw IEInstallContainer(
        "Bad call to the Comp procedure which returns a TInstallObject for a TInstallContainer component. The "
        "parameters are probably reversed. Index: %d, ComponentType: %d",
        {index, static_cast<int>(reinterpret_cast<intptr_t>(&type))});
}

void TInstallContainer::FreeObjectsOfClass(const TClassInfo& type) {
    for (int i = ObjectCount() - 1; i >= 0; --i) {
        if (i >= ObjectCount()) continue;
        if (IsA(objects_[i], type)) objects_[i]->Free();
    }
}

void TInstallContainer::BroadcastInformationEvent(TInstallContainer* sender, int eventCode, TObject* po) {
    std::vector<TInstallContainer*> listeners = objects_;
    for (TInstallContainer* object : listeners) {
        if (std::find(objects_.begin(), objects_.end(), object) == objects_.end()) continue;
        if (object->RegisteredType() >= rankInstallFile) object->InformationEvent(sender, eventCode, po);
    }
}

void TInstallContainer::SetCurrentInstallType(TInstallType type) {
    for (TInstallContainer* object : objects_) object->SetCurrentInstallType(type);
    currentInstallType_ = type;
}

bool TInstallContainer::IsSelected() const {
    if (!include_) return false;
    return currentInstallType_ == itCustom || Contains(installTypes_, currentInstallType_);
}

void TInstallContainer::Process() { ProcessSteps(); }

// Every object of a run asks for the standard folders, many times each; the scope reads
// them from the registry once for the whole pass (nested passes share it).
void TInstallContainer::ProcessSteps() {
    TFolderLookupScope folders;
    try {
        if (OnBeforeProcess) OnBeforeProcess(this);
        BroadcastInformationEvent(this, ecBeforeProcess, nullptr);
        if (!include_) return;
        BroadcastInformationEvent(this, ecSelectedForProcess, nullptr);
        if (currentInstallType_ != itCustom && !Contains(installTypes_, currentInstallType_)) return;
        ProcessObjects();
        processed_ = true;
        TCustomInstall* engine = CurrentInstall();
        if (engine && uninstall_) WriteUninstallInfo(uninstallKeyBase + engine->Information()->ProductName());
        if (OnAfterProcess) OnAfterProcess(this);
        BroadcastInformationEvent(this, ecAfterProcess, nullptr);
    } catch (const EAbort&) {
        // An abort ends this object's processing quietly; its container goes on.
    }
}

void TInstallContainer::ProcessObjects() {
    processed_ = true;
    std::vector<TInstallContainer*> snapshot = objects_;
    for (TInstallContainer* object : snapshot) {
        if (std::find(objects_.begin(), objects_.end(), object) == objects_.end()) continue;
        if (object->ProcessWithContainer()) object->Process();
    }
}

void TInstallContainer::CompleteAfterRestart() {}

void TInstallContainer::Retranslate() {}

void TInstallContainer::WriteUninstallInfo(const std::string&) {}

void TInstallContainer::Loaded() {
    if (destDirTypeDefaulted_ && !destDirTypeAssigned_) SetDestDirType(nullptr);
    destDirTypeDefaulted_ = false;
    TComponent::Loaded();
}

void TInstallContainer::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component && component == destDirType_) destDirType_ = nullptr;
}

// ---------------------------------------------------------------------------------------
// TInstallObject

TInstallObject::TInstallObject(TComponent* owner) : TInstallContainer(owner) {}

const TClassInfo& TInstallObject::StaticClassInfo() {
    static const TClassInfo info("TInstallObject", &TInstallContainer::StaticClassInfo(), nullptr, {});
    return info;
}

TPropInfo TInstallObject::ContainerProperty() {
    return ComponentProperty<TInstallObject, TInstallContainer>("Container", &TInstallObject::Container,
                                                                &TInstallObject::SetContainer);
}

void TInstallObject::RemoveReference(TInstallContainer* object) {
    TInstallContainer::RemoveReference(object);
    if (object && object == container_) SetContainer(nullptr);
}

void TInstallObject::Process() {
    TCustomInstall* engine = CurrentInstall();
    if (engine && engine->Installing() && container_ && !container_->Processed()) return;
    TInstallContainer::Process();
}

void TInstallObject::SetContainer(TInstallContainer* value) { AssignContainer(value); }

void TInstallObject::AssignContainer(TInstallContainer* value) {
    containerAssigned_ = true;
    if (value == container_) return;
    if (value) value->AddObject(this);
    if (container_) container_->RemoveObject(this);
    container_ = value;
    if (IsLoading()) return;
    if (value) {
        StoreDestDirType(TPathSpecifierList::Standard().Find<TpsContainerDestDir>());
        StoreDestDir("");
    } else if (IsA<TpsContainerDestDir>(DestDirType())) {
        StoreDestDirType(nullptr);
    }
}

void TInstallObject::Loaded() {
    if (containerDefaulted_ && !containerAssigned_) SetContainer(nullptr);
    containerDefaulted_ = false;
    TInstallContainer::Loaded();
}

void TInstallObject::Notification(TComponent* component, TOperation operation) {
    TInstallContainer::Notification(component, operation);
}

// ---------------------------------------------------------------------------------------
// TFileRelated

TFileRelated::TFileRelated(TComponent* owner) : TInstallObject(owner) { SetProcessWithContainer(true); }

const TClassInfo& TFileRelated::StaticClassInfo() {
    static const TClassInfo info("TFileRelated", &TInstallObject::StaticClassInfo(), nullptr, {});
    return info;
}

TPropInfo TFileRelated::AddToArchiveProperty() {
    return EnumProperty<TFileRelated, TlzhCommand>("AddToArchive", LzhCommandNames(), &TFileRelated::AddToArchive,
                                                   &TFileRelated::SetAddToArchive, lzcOverwrite);
}

TPropInfo TFileRelated::ArchiveFileProperty() {
    return StringProperty<TFileRelated>("ArchiveFile", &TFileRelated::ArchiveFile, &TFileRelated::SetArchiveFile);
}

TPropInfo TFileRelated::ArchiveFileTypeProperty() {
    return ComponentProperty<TFileRelated, TCustomPathSpecifier>("ArchiveFileType", &TFileRelated::ArchiveFileType,
                                                                 &TFileRelated::SetArchiveFileType);
}

TPropInfo TFileRelated::NetProperty() {
    return BooleanProperty<TFileRelated>("Net", &TFileRelated::Net, &TFileRelated::SetNet);
}

TPropInfo TFileRelated::NetLocationProperty() {
    return ComponentProperty<TFileRelated, TCustomNetInstallLocation>("NetLocation", &TFileRelated::NetLocation,
                                                                      &TFileRelated::SetNetLocation);
}

TPropInfo TFileRelated::OnDataReceivedProperty() {
    return EventProperty<TFileRelated>("OnDataReceived", &TFileRelated::OnDataReceived);
}

void TFileRelated::SetContainer(TInstallContainer* value) {
    MarkContainerAssigned();
    if (value == Container()) return;
    AssignContainer(value);
    if (IsLoading()) return;
    if (IsA<TFileRelated>(value)) {
        archiveFileType_ = TPathSpecifierList::Standard().Find<TpsContainerArchiveFile>();
        archiveFile_.clear();
    } else if (IsA<TpsContainerArchiveFile>(archiveFileType_)) {
        archiveFileType_ = nullptr;
    }
}

void TFileRelated::DataReceived(TObject*, const std::string& fileName, int bytes, int totalBytes, int fileSize,
                                const char* buffer) {
    TDownloadStatusParameter parameter(fileName, bytes, totalBytes, fileSize);
    if (OnDataReceived) OnDataReceived(this, fileName, bytes, totalBytes, fileSize, buffer);
    BroadcastInformationEvent(this, ieDownloadStatus, &parameter);
    if (Container()) Container()->DoInformationEventControl(this, icDownloadStatus, &parameter);
}

void TFileRelated::DownloadArchive() {
    std::string path;
    if (GetLocalFile(path)) {
        localArchive_ = path;
        return;
    }
    TCustomNetInstallLocation* location = GetNetLocation(this);
    if (!location) throw Exception("Could not find a net install location for %s", {Name()});
    if (!TCustomNetInstallLocation::IsLoginFilledIn(location->LoginInformation())) {
        if (netLocation_)
            throw IEFileRelated("%s could not install itself because the TNetLocation component's properties, in the "
                                "NetLocation property, have not been filled in",
                                {Name()});
        throw IEFileRelated("%s could not install itself because the LoginInformation property of the TInstall "
                            "component has not been properly filled in",
                            {Name()});
    }
    localArchive_ = ChangeFileExt(GetTempFile(true), ".1");
    location->DataTarget = [this](TObject* sender, const std::string& fileName, int bytes, int totalBytes,
                                  int fileSize, const char* buffer) {
        DataReceived(sender, fileName, bytes, totalBytes, fileSize, buffer);
    };
    struct TUnhook {
        TCustomNetInstallLocation* location;
        ~TUnhook() { location->DataTarget = nullptr; }
    };
    {
        TUnhook unhook{location};
        location->Download(Name() + ".1", localArchive_);
    }
    if (NetAborted) {
        DeleteFile(localArchive_);
        localArchive_.clear();
        throw EAIUserAbort();
    }
    if (!IsDesigning()) StoreLocalFile(localArchive_);
}

bool TFileRelated::ArchiveIsLocal() const {
    if (!Trim(localArchive_).empty()) return true;
    std::string path;
    return GetLocalFile(path);
}

// Without a record key (before a run has found its record) there is no record to read;
// the key would otherwise be one named after the object right under HKEY_LOCAL_MACHINE.
bool TFileRelated::GetLocalFile(std::string& path) const {
    if (Trim(Name()).empty() || Trim(InstallRecordKey()).empty()) return false;
    std::string value = RegReadString(rkLocalMachine, AddBackslash(InstallRecordKey()) + Name(), "LocalFile", "");
    if (Trim(value).empty() || !FileExists(value)) return false;
    path = value;
    return true;
}

void TFileRelated::StoreLocalFile(const std::string& path) {
    if (Trim(Name()).empty() || Trim(path).empty() || Trim(InstallRecordKey()).empty()) return;
    try {
        RegWriteString(rkLocalMachine, AddBackslash(InstallRecordKey()) + Name(), "LocalFile", path);
    } catch (const EIRCannotWriteValue&) {
        // The record only saves a later download; the run goes on without it.
    }
}

void TFileRelated::SetArchiveFile(const std::string& value) {
    if (IsLoading()) {
        archiveFile_ = value;
    } else if (IsA<TpsContainerArchiveFile>(archiveFileType_) || IsA<TpsMainArchiveFile>(archiveFileType_)) {
        archiveFile_.clear();
    } else {
        archiveFile_ = value;
    }
}

void TFileRelated::SetArchiveFileType(TCustomPathSpecifier* value) {
    archiveFileTypeAssigned_ = true;
    if (!IsLoading() && value) {
        value->Validate(this);
        if (IsA<TpsContainerArchiveFile>(value) || IsA<TpsMainArchiveFile>(value)) archiveFile_.clear();
    }
    archiveFileType_ = value;
}

std::string TFileRelated::GetArchivePath() const {
    if (archiveFileType_)
        return RemoveBackslash(archiveFileType_->GetPath(const_cast<TFileRelated*>(this)) + archiveFile_);
    return RemoveBackslash(archiveFile_);
}

void TFileRelated::Loaded() {
    if (archiveFileTypeDefaulted_ && !archiveFileTypeAssigned_) SetArchiveFileType(nullptr);
    archiveFileTypeDefaulted_ = false;
    TInstallObject::Loaded();
    std::string path;
    if (GetLocalFile(path)) localArchive_ = path;
}

void TFileRelated::Notification(TComponent* component, TOperation operation) {
    TInstallObject::Notification(component, operation);
    if (operation != opRemove || !component) return;
    if (component == netLocation_) SetNetLocation(nullptr);
    if (component == archiveFileType_) archiveFileType_ = nullptr;
}

// ---------------------------------------------------------------------------------------
// TFileContainer

TFileContainer::TFileContainer(TComponent* owner) : TFileRelated(owner) {}

TFileContainer::~TFileContainer() {
    FreeFiles();
    if (pathSpecifier_ && !pathSpecifier_->IsDestroying()) {
        TpsFileContainer* companion = pathSpecifier_;
        pathSpecifier_ = nullptr;
        companion->Free();
    }
}

const TClassInfo& TFileContainer::StaticClassInfo() {
    static const TClassInfo info("TFileContainer", &TFileRelated::StaticClassInfo(), nullptr, {});
    return info;
}

TPropInfo TFileContainer::DescriptionProperty() {
    return StringProperty<TFileContainer>("Description", &TFileContainer::Description, &TFileContainer::SetDescription);
}

TPropInfo TFileContainer::OnStatusProperty() { return EventProperty<TFileContainer>("OnStatus", &TFileContainer::OnStatus); }

TPropInfo TFileContainer::OnNewDiskProperty() {
    return EventProperty<TFileContainer>("OnNewDisk", &TFileContainer::OnNewDisk);
}

TPropInfo TFileContainer::OnReplacingProperty() {
    return EventProperty<TFileContainer>("OnReplacing", &TFileContainer::OnReplacing);
}

TPropInfo TFileContainer::OnAfterInstallObjectsProperty() {
    return EventProperty<TFileContainer>("OnAfterInstallObjects", &TFileContainer::OnAfterInstallObjects);
}

TPropInfo TFileContainer::OnBeforeInstallObjectsProperty() {
    return EventProperty<TFileContainer>("OnBeforeInstallObjects", &TFileContainer::OnBeforeInstallObjects);
}

std::vector<TPropInfo> TFileContainer::ContainerProperties() {
    return {
        AddToArchiveProperty(),
        ArchiveFileProperty(),
        ArchiveFileTypeProperty(),
        ContainerProperty(),
        DescriptionProperty(),
        DestDirProperty(),
        DestDirTypeProperty(),
        IncludeProperty(),
        InstallTypesProperty(allInstallTypes),
        NetLocationProperty(),
        OnAfterInstallObjectsProperty(),
        OnAfterProcessProperty(),
        OnBeforeInstallObjectsProperty(),
        OnBeforeProcessProperty(),
        OnDataReceivedProperty(),
        OnNewDiskProperty(),
        OnReplacingProperty(),
        OnStatusProperty(),
    };
}

void TFileContainer::CreateCompanion() {
    if (!OwnsPathSpecifier()) return;
    auto* companion = new TpsFileContainer(Owner());
    companion->SetCreating(true);
    std::string name = "psFileContainer";
    for (int suffix = 1; Owner() && Owner()->FindComponent(name); ++suffix) name = "psFileContainer" + IntToStr(suffix);
    companion->SetName(name);
    companion->SetCreating(false);
    companion->SetFileContainer(this);
    pathSpecifier_ = companion;
}

void TFileContainer::AdoptPathSpecifier(TpsFileContainer* specifier) {
    if (specifier == pathSpecifier_) return;
    TpsFileContainer* previous = pathSpecifier_;
    pathSpecifier_ = specifier;
    if (previous && !previous->IsDestroying()) previous->Free();
}

void TFileContainer::FreeFiles() {
    for (int i = FileCount() - 1; i >= 0; --i) {
        if (i < FileCount()) Files(i)->Free();
    }
}

int TFileContainer::FileCount() const { return CountOf<TCustomInstallFile>(); }

TCustomInstallFile* TFileContainer::Files(int index) const { return CompOf<TCustomInstallFile>(index); }

TCustomInstallFile* TFileContainer::FindFileBySource(const std::string& path) const {
    for (int i = 0; i < FileCount(); ++i) {
        TCustomInstallFile* file = Files(i);
        if (SameText(AddBackslash(file->IncludeFromDir()) + file->FileName(), path)) return file;
    }
    return nullptr;
}

void TFileContainer::Notification(TComponent* component, TOperation operation) {
    TFileRelated::Notification(component, operation);
    if (operation == opRemove && component && component == pathSpecifier_) pathSpecifier_ = nullptr;
}

// ---------------------------------------------------------------------------------------
// Parameters, net archive names

int PercentDone(int part, int whole) {
    if (whole == 0) return 0;
    // Integer arithmetic, so that exact halves such as 5/200 are seen as halves.
    int64_t numerator = static_cast<int64_t>(part) * 100;
    int64_t denominator = whole;
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    int64_t quotient = numerator / denominator;
    int64_t remainder = numerator % denominator;
    if (remainder < 0) {
        --quotient;
        remainder += denominator;
    }
    if (2 * remainder > denominator || (2 * remainder == denominator && quotient % 2 != 0)) ++quotient;
    return static_cast<int>(quotient);
}

TDownloadStatusParameter::TDownloadStatusParameter(std::string fileName, int bytes, int totalBytes, int fileSize)
    : Bytes(bytes), FileName(std::move(fileName)), FileSize(fileSize), TotalBytes(totalBytes),
      PercentDone(qlry::PercentDone(totalBytes, fileSize)) {}

TQlryCompress& SharedCompressor() {
    static TQlryCompress compressor(nullptr);
    return compressor;
}

namespace {

TCustomNetInstallLocation* DefaultNetLocation() {
    TCustomInstall* engine = CurrentInstall();
    return engine ? engine->NetLocation() : nullptr;
}

TCustomInstallFile* AsInstallFile(void* item) {
    return dynamic_cast<TCustomInstallFile*>(static_cast<TObject*>(item));
}

TList* StatusList(TObject* po) {
    auto* list = dynamic_cast<TList*>(po);
    if (!list) throw IEFileContainer("DoInformationEventControl--PO is not a TList object");
    if (list->Count() < 2) throw IEFileContainer("DoInformationEventControl--Not engouh parameters for status event");
    return list;
}

bool NeedsPO(int eventCode) {
    return eventCode == icReplacing || (eventCode >= icInstallStatus && eventCode <= icNewDisk) ||
           (eventCode >= icDownloadStatus && eventCode <= icFileSkipped);
}

// The hourglass for the lifetime of the object.
class THourglass {
public:
    THourglass() : saved_(Screen()->Cursor()) { Screen()->SetCursor(crHourGlass); }
    ~THourglass() { Screen()->SetCursor(saved_); }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;

private:
    TCursor saved_;
};

} // namespace

TCustomNetInstallLocation* GetNetLocation(const TFileRelated* object) {
    if (object->NetLocation()) return object->NetLocation();
    if (IsA<TCustomInstallFile>(object) && object->Container()) {
        auto* container = dynamic_cast<TFileContainer*>(object->Container());
        if (!container) return nullptr;
        return container->NetLocation() ? container->NetLocation() : DefaultNetLocation();
    }
    return DefaultNetLocation();
}

std::string GetNetArchiveSubdir(const TFileRelated* object) {
    TCustomNetInstallLocation* location = GetNetLocation(object);
    if (!location) throw IEFileRel_NoNetLocation("Could not find a net install location for %s", {object->Name()});
    std::string directory;
    if (!Trim(location->Directory()).empty())
        directory = MakeFileNameSafe(location->Directory());
    else
        directory = location->Protocol() == ipFTP ? "FTP Root directory" : "HTTP Root directory";
    return MakeFileNameSafe(location->HostName()) + "\\" + directory;
}

// ---------------------------------------------------------------------------------------
// TFileContainer: information events

void TFileContainer::DoInformationEventControl(TInstallContainer*, int eventCode, TObject* po) {
    // Reports outside a run belong to no total and go no further.
    if (state_ == ifsNone) return;
    if (!po && NeedsPO(eventCode)) throw IEFileContainer("%s got a nil PO parameter", {Name()});
    switch (eventCode) {
    case icReplacing: {
        auto* file = dynamic_cast<TCustomInstallFile*>(po);
        if (!file) throw IEFileContainer("DoInformationEventControl parameter is not TInstallFile");
        DoReplacing(file);
        break;
    }
    case icInstallStatus:
    case icCompressStatus:
    case icCopyStatus: HandleStatus(po); break;
    case icNewDisk: HandleNewDisk(po); break;
    case icDownloadStatus: {
        auto* parameter = dynamic_cast<TDownloadStatusParameter*>(po);
        if (!parameter)
            throw IEFileContainer("The PO object passed to %s is not a TDownloadStatusParameter object", {Name()});
        if (OnDataReceived)
            OnDataReceived(this, parameter->FileName, parameter->Bytes, parameter->TotalBytes, parameter->FileSize,
                           nullptr);
        BroadcastInformationEvent(this, ieDownloadStatus, parameter);
        break;
    }
    case icFileAborted:
    case icFileSkipped: HandleFinishedFile(po); break;
    default: break;
    }
    if (Container()) Container()->DoInformationEventControl(this, eventCode, po);
}

void TFileContainer::HandleStatus(TObject* po) {
    TList* list = StatusList(po);
    TCustomInstallFile* file = AsInstallFile(list->Items(0));
    if (!file) throw IEFileContainer("DoInformationEventControl says bad first parameter");
    auto* parameter = dynamic_cast<TFileStatusParameter*>(static_cast<TObject*>(list->Items(1)));
    if (!parameter) throw IEFileContainer("DoInformationEventControl says bad second parameter");
    int total = bytesDone_ + parameter->FileBytesDone;
    parameter->TotalBytesDone = total;
    parameter->TotalPercentDone = PercentDone(total, totalSize_);
    DoStatus(file, parameter);
    if (parameter->Stats.Done) bytesDone_ += parameter->Stats.UncompressedSize;
}

void TFileContainer::HandleNewDisk(TObject* po) {
    TList* list = StatusList(po);
    TCustomInstallFile* file = AsInstallFile(list->Items(0));
    if (!file) throw IEFileContainer("DoInformationEventControl says bad %d parameter", {1});
    auto* disk = dynamic_cast<TDiskParameter*>(static_cast<TObject*>(list->Items(1)));
    if (!disk) throw IEFileContainer("DoInformationEventControl says bad %d parameter", {2});
    DoNewDisk(file, disk);
    BroadcastInformationEvent(this, ieNewDisk, po);
}

void TFileContainer::HandleFinishedFile(TObject* po) {
    auto* file = dynamic_cast<TCustomInstallFile*>(po);
    if (!file) throw IEFileContainer("DoInformationEventControl says bad first parameter");
    TFileStatusParameter parameter;
    parameter.FileBytesDone = file->FileSize;
    parameter.FilePercentDone = 100;
    parameter.FileName = file->FileName();
    parameter.TotalBytesDone = bytesDone_ + file->FileSize;
    parameter.TotalPercentDone = PercentDone(parameter.TotalBytesDone, totalSize_);
    DoStatus(file, &parameter);
    bytesDone_ += file->FileSize;
}

void TFileContainer::DoStatus(TCustomInstallFile* installFile, TFileStatusParameter* statusParameter) {
    if (OnStatus) OnStatus(installFile, statusParameter->FilePercentDone, statusParameter->TotalPercentDone);
    BroadcastInformationEvent(this, ieFileStatus, statusParameter);
}

void TFileContainer::DoReplacing(TCustomInstallFile* installFile) {
    if (OnReplacing) OnReplacing(installFile);
    BroadcastInformationEvent(this, ieReplacing, installFile);
}

void TFileContainer::DoNewDisk(TCustomInstallFile* installFile, TDiskParameter* diskParameter) {
    std::string path = diskParameter->Path;
    if (OnNewDisk) {
        OnNewDisk(installFile, diskParameter->DiskNumber, path);
        // The file then leaves its own disk prompt out.
        installFile->SetTag(1);
    }
    diskParameter->Path = path;
}

// ---------------------------------------------------------------------------------------
// TFileContainer: sizes and queries

int TFileContainer::GetFilesSize(bool includeAll, bool recursive) const {
    int size = 0;
    for (int i = 0; i < FileCount(); ++i) {
        TCustomInstallFile* file = Files(i);
        if (includeAll || file->IsSelected()) size += file->FileSize;
    }
    if (!recursive) return size;
    for (int i = 0; i < FileContainerCount(); ++i) {
        TFileContainer* container = GetFileContainer(i);
        if (includeAll || container->IsSelected()) size += container->TotalFilesSize(includeAll);
    }
    return size;
}

int TFileContainer::GetCompressedSize(bool includeAll) const {
    int size = 0;
    for (int i = 0; i < FileCount(); ++i) {
        TCustomInstallFile* file = Files(i);
        if (includeAll || file->IsSelected()) size += file->CompressedSize;
    }
    for (int i = 0; i < FileContainerCount(); ++i) {
        TFileContainer* container = GetFileContainer(i);
        if (includeAll || container->IsSelected()) size += container->GetCompressedSize(includeAll);
    }
    return size;
}

bool TFileContainer::HasNetFiles() const {
    for (int i = 0; i < FileCount(); ++i)
        if (Files(i)->Net()) return true;
    return false;
}

bool TFileContainer::HasNetFilesToFetch() const {
    TCustomInstall* engine = CurrentInstall();
    if ((engine ? engine->DistributeType() : dtTraditionalNet) == dtTraditional) return false;
    for (int i = 0; i < FileCount(); ++i) {
        TCustomInstallFile* file = Files(i);
        if (file->Net() && file->Include() && !file->NetLocation()) return true;
    }
    return false;
}

std::string TFileContainer::GetLocalArchivePath() const {
    std::string path;
    if (!GetLocalFile(path))
        throw IEFileContainer(
            "%s has not yet downloaded the archive file and therefore cannot retrieve the path of the archive file",
            {Name()});
    return path;
}

void TFileContainer::ReadArchiveInfo() {
    THourglass hourglass;
    for (int i = 0; i < FileCount(); ++i) Files(i)->ReadInfoFromArchive();
    for (int i = 0; i < FileContainerCount(); ++i) GetFileContainer(i)->ReadArchiveInfo();
    SetInfoRead(true);
}

void TFileContainer::ReadSourceInfo() {
    for (int i = 0; i < FileCount(); ++i) Files(i)->ReadInfoFromFile();
    for (int i = 0; i < FileContainerCount(); ++i) GetFileContainer(i)->ReadSourceInfo();
}

// ---------------------------------------------------------------------------------------
// TFileContainer: runs

namespace {

// Ends a container's compress or copy run however it leaves.
class TRunEnd {
public:
    TRunEnd(TFileContainer* container, TInstallFileState state) : container_(container) { container->SetState(state); }
    ~TRunEnd() {
        container_->SetState(ifsNone);
        try {
            container_->BroadcastInformationEvent(container_, ieProcessingDone, nullptr);
        } catch (...) {
            // A listener failing here must not hide the run's own outcome.
        }
    }
    TRunEnd(const TRunEnd&) = delete;
    TRunEnd& operator=(const TRunEnd&) = delete;

private:
    TFileContainer* container_;
};

void SendToContainer(TFileContainer* container, int eventCode) {
    if (container->Container()) container->Container()->DoInformationEventControl(container, eventCode, container);
}

} // namespace

void TFileContainer::ProcessObjects() {
    state_ = ifsInstall;
    TCursor savedCursor = Screen()->Cursor();
    Screen()->SetCursor(crHourGlass);
    auto finish = [&] {
        Screen()->SetCursor(savedCursor);
        bool aborted = SharedCompressor().Abort();
        try {
            BroadcastInformationEvent(this, ieProcessingDone, nullptr);
            if (afterInstallObjectsEnabled_ && OnAfterInstallObjects) OnAfterInstallObjects(this, aborted);
        } catch (...) {
            state_ = ifsNone;
            throw;
        }
        state_ = ifsNone;
    };
    try {
        std::string path;
        if (GetLocalFile(path)) SetLocalArchive(path);
        ReadArchiveInfo();
        BroadcastInformationEvent(this, ieInstallObjects, nullptr);
        SendToContainer(this, icContainerStart);
        totalSize_ = TotalFilesSize(false);
        bytesDone_ = 0;
        if (OnBeforeInstallObjects) OnBeforeInstallObjects(this);
        TFileRelated::ProcessObjects();
        SendToContainer(this, icContainerEnd);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TFileContainer::Compress(TCompressOptions options) {
    if ((options & coForceNetFilesLocal) && (options & coForceFilesNet))
        throw IEFileContainer("Cannot pass both coForceNetFilesLocal and coForceFilesNet to Compress");
    TRunEnd runEnd(this, ifsCompress);
    TFolderLookupScope folders;
    CompressRun(options);
}

void TFileContainer::CompressRun(TCompressOptions options) {
    if (OnBeforeProcess) OnBeforeProcess(this);
    if (!Include()) return;
    SendToContainer(this, icContainerStart);
    ReadSourceInfo();
    totalSize_ = TotalFilesSize((options & coIncludeAll) != 0);
    bytesDone_ = 0;
    std::string archiveDir = RemoveBackslash(ExtractFilePath(GetArchivePath()));
    try {
        SetLocalArchive(archiveDir + "\\" + GetNetArchiveSubdir(this) + "\\" + Name() + ".1");
    } catch (const IEFileRel_NoNetLocation&) {
        if (!(options & coForceNetFilesLocal)) throw;
    }
    if (AddToArchive() == lzcOverwrite) DeleteArchive(ChangeFileExt(GetArchivePath(), ".1"));
    if (HasNetFiles() || ((options & coForceFilesNet) && FileCount() > 0)) DeleteArchive(LocalArchive());
    std::vector<TInstallContainer*> snapshot;
    for (int i = 0; i < ObjectCount(); ++i) snapshot.push_back(Objects(i));
    for (TInstallContainer* object : snapshot) {
        // An earlier object's handlers may have freed or moved this one.
        bool stillHere = false;
        for (int i = 0; i < ObjectCount() && !stillHere; ++i) stillHere = Objects(i) == object;
        if (!stillHere) continue;
        if (auto* related = dynamic_cast<TFileRelated*>(object)) CompressObject(related, options, archiveDir);
    }
    if (OnAfterProcess) OnAfterProcess(this);
    SendToContainer(this, icContainerEnd);
}

void TFileContainer::DeleteArchive(const std::string& path) const {
    if (FileExists(path) && !DeleteFile(path))
        throw IEFileContainer("%s cannot delete the archive file %s", {Name(), path});
}

void TFileContainer::CompressObject(TFileRelated* object, TCompressOptions options, const std::string& archiveDir) {
    TlzhCommand savedAddToArchive = object->AddToArchive();
    std::string savedArchiveFile = object->ArchiveFile();
    TCustomPathSpecifier* savedArchiveFileType = object->ArchiveFileType();
    bool savedInclude = object->Include();
    auto restore = [&] {
        object->SetAddToArchive(savedAddToArchive);
        object->SetArchiveFileType(savedArchiveFileType);
        object->SetArchiveFile(savedArchiveFile);
        object->SetInclude(savedInclude);
    };
    try {
        if (!object->Include() && (options & coIncludeAll)) object->SetInclude(true);
        PointAtArchive(object, options, archiveDir);
        if (auto* container = dynamic_cast<TFileContainer*>(object))
            container->Compress(options);
        else if (auto* file = dynamic_cast<TCustomInstallFile*>(object))
            file->Compress();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TFileContainer::PointAtArchive(TFileRelated* object, TCompressOptions options, const std::string& archiveDir) {
    auto* file = dynamic_cast<TCustomInstallFile*>(object);
    bool net = file && !(options & coForceNetFilesLocal) && (object->Net() || (options & coForceFilesNet));
    if (net) {
        auto ownArchive = [&] { return archiveDir + "\\" + GetNetArchiveSubdir(object) + "\\" + object->Name() + ".1"; };
        bool own = object->NetLocation() != nullptr;
        object->SetAddToArchive(own ? lzcOverwrite : lzcOnlyAdd);
        object->SetArchiveFileType(nullptr);
        object->SetArchiveFile(own || file->NeedsOwnDownload() ? ownArchive() : LocalArchive());
        file->SetStoredInNetArchive(true);
        return;
    }
    TCustomPathSpecifier* type = object->ArchiveFileType();
    if (IsA<TpsContainerArchiveFile>(type)) {
        object->SetAddToArchive(lzcOnlyAdd);
    } else if (IsA<TpsInstallSource>(type)) {
        TCustomInstall* engine = CurrentInstall();
        std::string base = engine ? engine->GetArchivePath() : GetArchivePath();
        object->SetArchiveFile(RemoveBackslash(ExtractFilePath(base)) + object->ArchiveFile());
        object->SetAddToArchive(lzcOverwrite);
        object->SetArchiveFileType(nullptr);
    } else if (options & coArchivesToBuildDir) {
        std::string path = object->GetArchivePath();
        std::string withoutDrive = path;
        AfterColon(path, withoutDrive);
        if (withoutDrive.empty() || withoutDrive[0] != '\\') withoutDrive = "\\" + withoutDrive;
        // The type goes first: with a main-archive type the name setter would store nothing.
        object->SetArchiveFileType(nullptr);
        object->SetArchiveFile(archiveDir + withoutDrive);
        object->SetAddToArchive(lzcOverwrite);
    }
}

void TFileContainer::CopyFiles() {
    TRunEnd runEnd(this, ifsCopying);
    TFolderLookupScope folders;
    if (OnBeforeProcess) OnBeforeProcess(this);
    if (!Include()) return;
    SendToContainer(this, icContainerStart);
    ReadSourceInfo();
    totalSize_ = TotalFilesSize(false);
    bytesDone_ = 0;
    for (int i = 0; i < FileCount(); ++i) Files(i)->Copy();
    for (int i = 0; i < FileContainerCount(); ++i) GetFileContainer(i)->CopyFiles();
    if (OnAfterProcess) OnAfterProcess(this);
    SendToContainer(this, icContainerEnd);
}

void TFileContainer::ProcessState(TInstallFileState state) {
    try {
        switch (state) {
        case ifsCompress: Compress(0); break;
        case ifsInstall: Process(); break;
        case ifsCopying: CopyFiles(); break;
        case ifsNone: break;
        }
    } catch (...) {
        state_ = ifsNone;
        throw;
    }
    state_ = ifsNone;
}

// ---------------------------------------------------------------------------------------
// Groups and directories

TInstallGroupDialogOptions::TInstallGroupDialogOptions() : description_(new TStringList) {}

TInstallGroupDialogOptions::~TInstallGroupDialogOptions() { delete description_; }

const TClassInfo& TInstallGroupDialogOptions::StaticClassInfo() {
    using O = TInstallGroupDialogOptions;
    static const TClassInfo info(
        "TInstallGroupDialogOptions", nullptr, nullptr,
        {
            BooleanProperty<O>("AllowChangeDir", &O::AllowChangeDir, &O::SetAllowChangeDir, true),
            BooleanProperty<O>("AllowExcludeInclude", &O::AllowExcludeInclude, &O::SetAllowExcludeInclude, true),
            StringsProperty<O>("Description", &O::Description),
            BooleanProperty<O>("DisplayDirectory", &O::DisplayDirectory, &O::SetDisplayDirectory, true),
            BooleanProperty<O>("ShowRegardlessOfInclude", &O::ShowRegardlessOfInclude, &O::SetShowRegardlessOfInclude,
                               true),
            StringProperty<O>("SmallIcon", &O::SmallIcon, &O::SetSmallIcon),
        });
    return info;
}

void TInstallGroupDialogOptions::Assign(const TPersistent* source) {
    auto* other = dynamic_cast<const TInstallGroupDialogOptions*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    allowChangeDir_ = other->allowChangeDir_;
    allowExcludeInclude_ = other->allowExcludeInclude_;
    displayDirectory_ = other->displayDirectory_;
    showRegardlessOfInclude_ = other->showRegardlessOfInclude_;
    description_->Assign(other->description_);
    smallIcon_ = other->smallIcon_;
}

TCustomInstallGroup::TCustomInstallGroup(TComponent* owner)
    : TFileContainer(owner), dialogOptions_(new TInstallGroupDialogOptions) {
    CreateCompanion();
}

TCustomInstallGroup::~TCustomInstallGroup() { delete dialogOptions_; }

const TClassInfo& TCustomInstallGroup::StaticClassInfo() {
    static const TClassInfo info("TCustomInstallGroup", &TFileContainer::StaticClassInfo(), nullptr, {});
    return info;
}

void TCustomInstallGroup::SetContainer(TInstallContainer* value) {
    if (value && !IsA<TCustomInstall>(value) && !IsA<TCustomInstallGroup>(value))
        throw IEInstallGroup(
            "A TInstallGroup component can only be contained by a TInstall, or another TInstallGroup component");
    if (!value) value = CurrentInstall();
    TFileRelated::SetContainer(value);
}

TInstallGroup::TInstallGroup(TComponent* owner) : TCustomInstallGroup(owner) {}

const TClassInfo& TInstallGroup::StaticClassInfo() {
    static const TClassInfo info = [] {
        std::vector<TPropInfo> properties = ContainerProperties();
        properties.push_back(ObjectProperty<TInstallGroup>("DialogOptions", &TInstallGroup::DialogOptions));
        return TClassInfo("TInstallGroup", &TCustomInstallGroup::StaticClassInfo(), FactoryOf<TInstallGroup>(),
                          std::move(properties));
    }();
    return info;
}

TInstallDirectory::TInstallDirectory(TComponent* owner) : TFileContainer(owner) { CreateCompanion(); }

const TClassInfo& TInstallDirectory::StaticClassInfo() {
    static const TClassInfo info("TInstallDirectory", &TFileContainer::StaticClassInfo(),
                                 FactoryOf<TInstallDirectory>(), ContainerProperties());
    return info;
}

void TInstallDirectory::RemoveMissingFiles() {
    for (int i = FileCount() - 1; i >= 0; --i) {
        if (i >= FileCount()) continue;
        TCustomInstallFile* file = Files(i);
        if (!FileExists(AddBackslash(file->IncludeFromDir()) + file->FileName())) {
            RemoveObject(file);
            file->Free();
        }
    }
}

namespace {
const TClassRegistration groupRegistration(TInstallGroup::StaticClassInfo());
const TClassRegistration directoryRegistration(TInstallDirectory::StaticClassInfo());
} // namespace

} // namespace qlry
