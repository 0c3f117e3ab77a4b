#pragma once
// The install object tree: containers and the objects they contain, the registries of
// live objects, the UniqueID table of install files, and the file-related classes.
#include <functional>
#include <string>
#include <vector>

#include "archive/cmp_TQlryCompress.h"
#include "engine/types_Quillory.h"
#include "platform/Component.h"
#include "platform/Properties.h"
#include "version/cmp_TVersion.h"

namespace qlry {

class TCustomPathSpecifier;
class TpsFileContainer;
class TCustomNetInstallLocation;
class TInstallContainer;
class TFileContainer;
class TCustomInstallFile;

using TNotifyEvent = std::function<void(TObject* sender)>;
using TInstallContainerNotifyEvent = std::function<void(TInstallContainer* container)>;
using TAfterInstallObjectsEvent = std::function<void(TInstallContainer* container, bool wasAborted)>;
using TInstallFileStatusEvent =
    std::function<void(TCustomInstallFile* installFile, int filePercentDone, int totalPercentDone)>;
using TInstallFileNewDiskEvent = std::function<void(TCustomInstallFile* installFile, int newDisk, std::string& path)>;
using TInstallFileNotifyEvent = std::function<void(TCustomInstallFile* installFile)>;
using TDataReceivedEvent = std::function<void(TObject* sender, const std::string& fileName, int bytes,
                                              int totalBytes, int fileSize, const char* buffer)>;

// The parameter of status-line events.
class TMessageParameter : public TObject {
public:
    explicit TMessageParameter(std::string message) : Message(std::move(message)) {}
    std::string Message;
};

// Where a disk is wanted; handlers may change Path.
class TDiskParameter : public TObject {
public:
    int DiskNumber = 0;
    std::string Path;
};

class TDownloadStatusParameter : public TObject {
public:
    TDownloadStatusParameter(std::string fileName, int bytes, int totalBytes, int fileSize);
    int Bytes = 0;
    std::string FileName;
    int FileSize = 0;
    int TotalBytes = 0;
    int PercentDone = 0;
};

class TFileStatusParameter : public TObject {
public:
    int FileBytesDone = 0;
    int FilePercentDone = 0;
    std::string FileName;
    TlzhFileStats Stats;
    int TotalBytesDone = 0;
    int TotalPercentDone = 0;
};

// Round(part / whole * 100) with halves to even; 0 when whole is 0.
int PercentDone(int part, int whole);

// Codes broadcast down to contained objects (negative) and sent up to containers
// (positive) by files and file containers.
enum TFileEventCode {
    ieFileStatus = -998,
    ieReplacing = -997,
    ieProcessingDone = -996,
    ieNewDisk = -993,
    ieInstallObjects = -992,
    ieDownloadStatus = -988,
    icAfterInstallFile = 1001,
    icBeforeInstallFile = 1002,
    icReplacing = 1003,
    icBeforeCompressFile = 1004,
    icAfterCompressFile = 1005,
    icBeforeCopyFile = 1006,
    icAfterCopyFile = 1007,
    icInstallStatus = 1008,
    icCompressStatus = 1009,
    icCopyStatus = 1010,
    icNewDisk = 1011,
    icContainerStart = 1012,
    icContainerEnd = 1013,
    icDownloadStatus = 1014,
    icFileAborted = 1015,
    icFileSkipped = 1016,
};

// Codes the engine broadcasts to its dialogs at the phases of a run.
enum TPhaseEventCode {
    ieNotifyGoodInstall = -995,
    ieNotifyBadInstall = -994,
    ieReboot = -987,
    ieBeforeReadArchiveInfo = -984,
    ieAfterReadArchiveInfo = -983,
    ieBeforeInstall = -980,
    ieAfterGoodInstall = -979,
    ieAfterBadInstall = -978,
};

// Compress options, one byte.
using TCompressOptions = uint8_t;
constexpr TCompressOptions coArchivesToBuildDir = 2;
constexpr TCompressOptions coForceNetFilesLocal = 8;
constexpr TCompressOptions coForceFilesNet = 16;
constexpr TCompressOptions coIncludeAll = 32;

// The one compressor of the process, without owner: every file extracts through it, and
// its Abort flag (set by the copy dialog's Cancel) ends an install run as aborted.
TQlryCompress& SharedCompressor();

// Event codes of the tree itself; the other codes belong to the files and dialogs.
enum TTreeEventCode {
    ecBeforeProcess = -990,
    ecSelectedForProcess = -999,
    ecAfterProcess = -989,
    ecShowStatusMessage = -974,
    ecHideStatusMessage = -973,
};

// The uninstall entry of a product lives under this key followed by its product name.
extern const char* const uninstallKeyBase;

class TInstallContainer : public TComponent {
public:
    explicit TInstallContainer(TComponent* owner);
    ~TInstallContainer() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    virtual int FileContainerCount() const;
    virtual TFileContainer* GetFileContainer(int index) const;
    virtual void SetDestDir(const std::string& value);
    virtual void SetDestDirType(TCustomPathSpecifier* value);
    virtual void RemoveReference(TInstallContainer* object);
    virtual void ShowStatusMessage(const std::string& message);
    virtual void DoInformationEventControl(TInstallContainer* sender, int eventCode, TObject* po);
    virtual void InformationEvent(TInstallContainer* sender, int eventCode, TObject* po);
    virtual std::string GetDestPath() const;
    virtual int RegisteredType() const;
    virtual void AddObject(TInstallContainer* object);
    virtual void Process();
    virtual void ProcessObjects();
    virtual bool IsSelected() const;
    virtual void CompleteAfterRestart();
    virtual void Retranslate();
    virtual void RemoveObject(TInstallContainer* object);
    virtual void WriteUninstallInfo(const std::string& key);

    int ObjectCount() const { return static_cast<int>(objects_.size()); }
    TInstallContainer* Objects(int index) const;
    int CountOfClass(const TClassInfo& type) const;
    TInstallContainer* Comp(int index, const TClassInfo& type) const;
    template <class T>
    int CountOf() const { return CountOfClass(T::StaticClassInfo()); }
    template <class T>
    T* CompOf(int index) const { return static_cast<T*>(Comp(index, T::StaticClassInfo())); }
    void FreeObjectsOfClass(const TClassInfo& type);
    void BroadcastInformationEvent(TInstallContainer* sender, int eventCode, TObject* po);
    void HideStatusMessage();
    void SetCurrentInstallType(TInstallType type);

    bool ProcessWithContainer() const { return processWithContainer_; }
    bool Include() const { return include_; }
    void SetInclude(bool value) { include_ = value; }
    bool Processed() const { return processed_; }
    TInstallType CurrentInstallType() const { return currentInstallType_; }
    bool Uninstall() const { return uninstall_; }
    void SetUninstall(bool value) { uninstall_ = value; }
    const std::string& DestDir() const { return destDir_; }
    TCustomPathSpecifier* DestDirType() const { return destDirType_; }
    TInstallTypeSet InstallTypes() const { return installTypes_; }
    // An empty set is stored as [itFull].
    void SetInstallTypes(TInstallTypeSet value);
    int Order() const { return order_; }
    void SetOrder(int value) { order_ = value; }
    bool DestDirTypeAssigned() const { return destDirTypeAssigned_; }
    bool DestDirTypeDefaulted() const { return destDirTypeDefaulted_; }

    TInstallContainerNotifyEvent OnAfterProcess;
    TInstallContainerNotifyEvent OnBeforeProcess;

    // The published properties, one builder each; every concrete class lists the ones
    // it publishes.
    static TPropInfo IncludeProperty();
    static TPropInfo UninstallProperty();
    static TPropInfo DestDirProperty();
    static TPropInfo DestDirTypeProperty();
    static TPropInfo InstallTypesProperty(TInstallTypeSet declaredDefault);
    static TPropInfo OrderProperty();
    static TPropInfo OnAfterProcessProperty();
    static TPropInfo OnBeforeProcessProperty();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    void SetProcessWithContainer(bool value) { processWithContainer_ = value; }
    void SetProcessed(bool value) { processed_ = value; }
    void SetDestDirTypeDefaulted(bool value) { destDirTypeDefaulted_ = value; }
    void MarkDestDirTypeAssigned() { destDirTypeAssigned_ = true; }
    // Stores a value without the setter's rules (for setters of descendants).
    void StoreDestDir(const std::string& value) { destDir_ = value; }
    void StoreDestDirType(TCustomPathSpecifier* value) { destDirType_ = value; }
    // The body of Process, without the TInstallObject guard.
    void ProcessSteps();

private:
    bool processWithContainer_ = false;
    std::vector<TInstallContainer*> objects_;
    bool include_ = true;
    bool processed_ = false;
    TInstallType currentInstallType_ = itFull;
    bool uninstall_ = true;
    std::string destDir_;
    TCustomPathSpecifier* destDirType_ = nullptr;
    TInstallTypeSet installTypes_ = InstallTypeSet({itFull, itDefault, itCompact});
    int order_ = -1;
    bool destDirTypeAssigned_ = false;
    bool destDirTypeDefaulted_ = false;
};

class TInstallObject : public TInstallContainer {
public:
    explicit TInstallObject(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    void RemoveReference(TInstallContainer* object) override;
    void Process() override;
    virtual void SetContainer(TInstallContainer* value);

    TInstallContainer* Container() const { return container_; }
    bool ContainerAssigned() const { return containerAssigned_; }
    bool ContainerDefaulted() const { return containerDefaulted_; }

    static TPropInfo ContainerProperty();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    // The TInstallObject setter without the rules of descendants.
    void AssignContainer(TInstallContainer* value);
    void MarkContainerAssigned() { containerAssigned_ = true; }

private:
    bool containerAssigned_ = false;
    bool containerDefaulted_ = false;
    TInstallContainer* container_ = nullptr;
};

class TFileRelated : public TInstallObject {
public:
    explicit TFileRelated(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    void SetContainer(TInstallContainer* value) override;
    virtual void DataReceived(TObject* sender, const std::string& fileName, int bytes, int totalBytes, int fileSize,
                              const char* buffer);
    virtual void DownloadArchive();
    virtual bool ArchiveIsLocal() const;
    virtual void StoreLocalFile(const std::string& path);
    virtual void SetArchiveFile(const std::string& value);
    virtual void SetArchiveFileType(TCustomPathSpecifier* value);
    virtual void SetNet(bool value) { net_ = value; }
    virtual void SetNetLocation(TCustomNetInstallLocation* value) { netLocation_ = value; }
    virtual std::string GetArchivePath() const;

    // The recorded local copy of this object's archive, when it still exists.
    bool GetLocalFile(std::string& path) const;

    bool ArchiveFileTypeAssigned() const { return archiveFileTypeAssigned_; }
    const std::string& LocalArchive() const { return localArchive_; }
    void SetLocalArchive(const std::string& value) { localArchive_ = value; }
    TlzhCommand AddToArchive() const { return addToArchive_; }
    void SetAddToArchive(TlzhCommand value) { addToArchive_ = value; }
    bool InfoRead() const { return infoRead_; }
    void SetInfoRead(bool value) { infoRead_ = value; }
    const std::string& ArchiveFile() const { return archiveFile_; }
    TCustomPathSpecifier* ArchiveFileType() const { return archiveFileType_; }
    bool Net() const { return net_; }
    TCustomNetInstallLocation* NetLocation() const { return netLocation_; }

    TDataReceivedEvent OnDataReceived;

    static TPropInfo AddToArchiveProperty();
    static TPropInfo ArchiveFileProperty();
    static TPropInfo ArchiveFileTypeProperty();
    static TPropInfo NetProperty();
    static TPropInfo NetLocationProperty();
    static TPropInfo OnDataReceivedProperty();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void StoreArchiveFile(const std::string& value) { archiveFile_ = value; }
    void StoreArchiveFileType(TCustomPathSpecifier* value) { archiveFileType_ = value; }
    void StoreNetLocation(TCustomNetInstallLocation* value) { netLocation_ = value; }

private:
    bool archiveFileTypeAssigned_ = false;
    bool archiveFileTypeDefaulted_ = false;
    std::string localArchive_;
    TlzhCommand addToArchive_ = lzcOverwrite;
    bool infoRead_ = false;
    std::string archiveFile_;
    TCustomPathSpecifier* archiveFileType_ = nullptr;
    bool net_ = true;
    TCustomNetInstallLocation* netLocation_ = nullptr;
};

class TFileContainer : public TFileRelated {
public:
    explicit TFileContainer(TComponent* owner);
    ~TFileContainer() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int RegisteredType() const override { return rankFileContainer; }
    void DoInformationEventControl(TInstallContainer* sender, int eventCode, TObject* po) override;
    void ProcessObjects() override;
    virtual bool OwnsPathSpecifier() const { return true; }
    virtual void DoNewDisk(TCustomInstallFile* installFile, TDiskParameter* diskParameter);
    virtual void DoReplacing(TCustomInstallFile* installFile);
    virtual void DoStatus(TCustomInstallFile* installFile, TFileStatusParameter* statusParameter);
    virtual int GetFilesSize(bool includeAll, bool recursive) const;
    virtual void ProcessState(TInstallFileState state);
    virtual void CopyFiles();
    virtual void FreeFiles();
    virtual void Compress(TCompressOptions options);
    virtual int GetCompressedSize(bool includeAll) const;
    virtual std::string GetLocalArchivePath() const;
    virtual int OwnFilesSize(bool includeAll) const { return GetFilesSize(includeAll, false); }
    virtual int TotalFilesSize(bool includeAll) const { return GetFilesSize(includeAll, true); }
    virtual void ReadArchiveInfo();
    virtual void ReadSourceInfo();
    virtual bool HasNetFilesToFetch() const;

    bool HasNetFiles() const;

    int FileCount() const;
    TCustomInstallFile* Files(int index) const;
    TCustomInstallFile* FindFileBySource(const std::string& path) const;

    int TotalSize() const { return totalSize_; }
    void SetTotalSize(int value) { totalSize_ = value; }
    int BytesDone() const { return bytesDone_; }
    void SetBytesDone(int value) { bytesDone_ = value; }
    const std::string& Description() const { return description_; }
    void SetDescription(const std::string& value) { description_ = value; }
    TInstallFileState State() const { return state_; }
    void SetState(TInstallFileState value) { state_ = value; }
    bool AfterInstallObjectsEnabled() const { return afterInstallObjectsEnabled_; }
    void SetAfterInstallObjectsEnabled(bool value) { afterInstallObjectsEnabled_ = value; }
    TpsFileContainer* PathSpecifier() const { return pathSpecifier_; }
    // The companion mechanism: a stored companion that finishes loading takes over.
    void AdoptPathSpecifier(TpsFileContainer* specifier);

    TInstallFileStatusEvent OnStatus;
    TInstallFileNewDiskEvent OnNewDisk;
    TInstallFileNotifyEvent OnReplacing;
    TAfterInstallObjectsEvent OnAfterInstallObjects;
    TInstallContainerNotifyEvent OnBeforeInstallObjects;

    static TPropInfo DescriptionProperty();
    static TPropInfo OnStatusProperty();
    static TPropInfo OnNewDiskProperty();
    static TPropInfo OnReplacingProperty();
    static TPropInfo OnAfterInstallObjectsProperty();
    static TPropInfo OnBeforeInstallObjectsProperty();
    // What groups and directories publish.
    static std::vector<TPropInfo> ContainerProperties();

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // Creates the companion specifier; called by the constructors of the concrete
    // containers, whose OwnsPathSpecifier answer is known only there.
    void CreateCompanion();

private:
    void HandleStatus(TObject* po);
    void HandleNewDisk(TObject* po);
    void HandleFinishedFile(TObject* po);
    void CompressRun(TCompressOptions options);
    void CompressObject(TFileRelated* object, TCompressOptions options, const std::string& archiveDir);
    void PointAtArchive(TFileRelated* object, TCompressOptions options, const std::string& archiveDir);
    void DeleteArchive(const std::string& path) const;

    int totalSize_ = 0;
    int bytesDone_ = 0;
    std::string description_;
    TInstallFileState state_ = ifsNone;
    bool afterInstallObjectsEnabled_ = true;
    TpsFileContainer* pathSpecifier_ = nullptr;
};

class TInstallGroupDialogOptions : public TPersistent {
public:
    TInstallGroupDialogOptions();
    ~TInstallGroupDialogOptions() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void Assign(const TPersistent* source) override;

    bool AllowChangeDir() const { return allowChangeDir_; }
    void SetAllowChangeDir(bool value) { allowChangeDir_ = value; }
    bool AllowExcludeInclude() const { return allowExcludeInclude_; }
    void SetAllowExcludeInclude(bool value) { allowExcludeInclude_ = value; }
    bool DisplayDirectory() const { return displayDirectory_; }
    void SetDisplayDirectory(bool value) { displayDirectory_ = value; }
    bool ShowRegardlessOfInclude() const { return showRegardlessOfInclude_; }
    void SetShowRegardlessOfInclude(bool value) { showRegardlessOfInclude_ = value; }
    class TStringList* Description() const { return description_; }
    // The small icon is kept as the bytes of an icon file.
    const std::string& SmallIcon() const { return smallIcon_; }
    void SetSmallIcon(const std::string& value) { smallIcon_ = value; }

private:
    bool allowChangeDir_ = true;
    bool allowExcludeInclude_ = true;
    bool displayDirectory_ = true;
    bool showRegardlessOfInclude_ = true;
    class TStringList* description_;
    std::string smallIcon_;
};

class TCustomInstallGroup : public TFileContainer {
public:
    explicit TCustomInstallGroup(TComponent* owner);
    ~TCustomInstallGroup() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int RegisteredType() const override { return rankInstallGroup; }
    void SetContainer(TInstallContainer* value) override;

    TInstallGroupDialogOptions* DialogOptions() const { return dialogOptions_; }
    void SetDialogOptions(const TInstallGroupDialogOptions* value) { dialogOptions_->Assign(value); }

private:
    TInstallGroupDialogOptions* dialogOptions_;
};

class TInstallGroup : public TCustomInstallGroup {
public:
    explicit TInstallGroup(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

class TInstallDirectory : public TFileContainer {
public:
    explicit TInstallDirectory(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    virtual void RemoveMissingFiles();
};

// Every live TInstallContainer, in order of construction.
class TInstallContainerList {
public:
    static TInstallContainerList& Instance();
    void Add(TInstallContainer* object);
    void Remove(TInstallContainer* object);
    int Count() const { return static_cast<int>(items_.size()); }
    TInstallContainer* Items(int index) const { return items_.at(index); }

private:
    std::vector<TInstallContainer*> items_;
};

class TCustomInstallFileList {
public:
    // Every live install file.
    static TCustomInstallFileList& AllFiles();
    // Files whose ActiveX registration failed while failures are collected.
    static TCustomInstallFileList& FailedRegistrations();
    void Add(TCustomInstallFile* file);
    void Remove(TCustomInstallFile* file);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    TCustomInstallFile* Items(int index) const { return items_.at(index); }

private:
    std::vector<TCustomInstallFile*> items_;
};

// Whether ActiveX registration failures are raised (True) or collected for a retry.
bool& RegistrationErrorsFatal();

// The identifiers of install files: 2000 slots, the lowest free one taken at
// construction, reset once by the first file that finishes loading.
class TUniqueIDTable {
public:
    static constexpr int slotCount = 2000;
    static TUniqueIDTable& Instance();
    // The lowest free slot, marked used; 0 without marking when all are used.
    int Take();
    void Release(int id);
    void MarkUsed(int id);
    bool Used(int id) const;
    // The first loaded file of the process clears every slot once.
    void ResetOnceAfterLoading();
    // A fresh table, as at process start.
    void Clear();

private:
    bool used_[slotCount] = {};
    bool resetAfterLoading_ = false;
};

// The location an object's archives come from: its own, its container's, or the default.
TCustomNetInstallLocation* GetNetLocation(const TFileRelated* object);
// The local sub-directory that holds the archives of the object's net location.
std::string GetNetArchiveSubdir(const TFileRelated* object);

// Whether Owner is a form or a data module (install containers need one to create the
// standard path specifiers on).
bool IsFormOrDataModule(const TComponent* owner);

} // namespace qlry

// The install files complete the tree.
#include "model/cmp_TInstallFile.h"
