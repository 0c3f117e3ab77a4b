#pragma once
// One file of an install project: compressed into its archive at build time; at install
// time read, decided on by its overwrite rule, extracted (beside the old file when that
// is in use) and registered.
#include <string>

#include "model/cmp_TInstallContainer.h"

namespace qlry {

class TStream;

class TCustomInstallFile : public TFileRelated {
public:
    explicit TCustomInstallFile(TComponent* owner);
    // The source given as a full path: IncludeFromDir and FileName through their writers.
    TCustomInstallFile(TComponent* owner, const std::string& fullPath);
    TCustomInstallFile(TComponent* owner, TInstallContainer* container, const std::string& fullPath);
    ~TCustomInstallFile() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    int RegisteredType() const override { return rankInstallFile; }
    void SetDestDir(const std::string& value) override;
    void SetDestDirType(TCustomPathSpecifier* value) override;
    void SetContainer(TInstallContainer* value) override;
    // Install: the decision, the extraction and the registrations.
    void ProcessObjects() override;
    void CompleteAfterRestart() override;
    void WriteUninstallInfo(const std::string& key) override;
    std::string GetArchivePath() const override;

    virtual void UserAbort();
    virtual void RegisterDLL();
    virtual void RegisterEXE();
    virtual void ReplaceFile();
    virtual void SetActiveX(bool value);
    virtual void SetDestName(const std::string& value);
    virtual void SetFileName(const std::string& value);
    virtual void SetFileType(TInstallFileType value);
    virtual void SetIncludeFromDir(const std::string& value);
    // Writing a state runs its operation; afterwards the state is ifsNone again.
    virtual void SetState(TInstallFileState value);
    virtual void Compress();
    virtual void Copy();
    virtual void ReadInfoFromArchive();
    virtual void ReadInfoFromFile();
    virtual bool IsSelfRegistering(const std::string& sourcePath) const;
    virtual void UpdateDLLCount();

    // Help registration, shared-DLL counting and ActiveX registration after an install.
    void FinishInstall();
    void RegisterActiveX();
    // The file is fetched from the net on its own, not with its container's archive.
    bool NeedsOwnDownload() const;
    // The 72-byte record of the build's file list.
    void WriteListRecord(TStream& stream) const;

    std::string SourcePath() const;
    std::string TargetPath() const;

    bool ActiveX() const { return activeX_; }
    const std::string& DestName() const { return destName_; }
    const std::string& FileName() const { return fileName_; }
    TInstallFileType FileType() const { return fileType_; }
    const std::string& IncludeFromDir() const { return includeFromDir_; }
    TOverwriteType OverwriteMode() const { return overwriteMode_; }
    void SetOverwriteMode(TOverwriteType value) { overwriteMode_ = value; }
    bool RegisterAsHelp() const { return registerAsHelp_; }
    void SetRegisterAsHelp(bool value) { registerAsHelp_ = value; }
    bool RunAfterInstall() const { return runAfterInstall_; }
    void SetRunAfterInstall(bool value) { runAfterInstall_ = value; }
    bool UpdateDLLCounter() const { return updateDLLCounter_; }
    void SetUpdateDLLCounter(bool value) { updateDLLCounter_ = value; }
    TInstallFileState State() const { return state_; }
    int UniqueID() const { return uniqueID_; }
    void SetUniqueID(int value) { uniqueID_ = value; }
    bool StoredInNetArchive() const { return storedInNetArchive_; }
    void SetStoredInNetArchive(bool value) { storedInNetArchive_ = value; }

    // Run-time information of the file, from its source or its archive.
    double FileDate = 0;
    int FileSize = 0;
    int CompressedSize = 0;
    std::string FileVersion;
    bool ExistedBefore = false;
    bool WillInstall = false;
    bool InUse = false;
    bool CompressedInBuild = false;
    std::string CompressedInto;

    TInstallFileNotifyEvent OnAfterCompress, OnAfterCopy, OnAfterInstall, OnBeforeCompress, OnBeforeCopy,
        OnBeforeInstall, OnReplacing;
    TInstallFileStatusEvent OnStatus;
    TInstallFileNewDiskEvent OnNewDisk;

    // What TInstallFile and TUninstallEXE publish.
    static std::vector<TPropInfo> FileProperties();

protected:
    void Loaded() override;
    void StoreState(TInstallFileState value) { state_ = value; }

private:
    // The values the property rules work on: the current ones with one of them changed.
    struct TSettings {
        TInstallContainer* container;
        std::string includeFromDir;
        bool activeX;
        TInstallFileType fileType;
        TCustomPathSpecifier* destDirType;
        std::string destName;
        std::string destDir;
        std::string fileName;
    };
    TSettings CurrentSettings() const;
    // A setting changed outside loading goes through the rules; while loading it is stored.
    template <class T>
    void ChangeSetting(T TSettings::*setting, const T& value, T& storage);
    void ApplyPropertyRules(TSettings next);

    void Install();
    void Extract(TQlryCompress& compressor);
    bool InstallsFromNetwork() const;
    std::string DownloadedArchive(const TFileRelated* object) const;
    bool UsesEngineArchive(const std::string& archive) const;
    void ReplaceAtRestart();
    void RegisterRenameBatch(const std::string& oldShort, const std::string& tempShort);
    void RelayStatus(const TlzhFileStats& stats);
    void NewDiskRequest(TQlryCompress& compressor, int disk, std::string& path);
    void Notify(int eventCode, TObject* po);
    void RunQuietly(TInstallFileState state, void (TCustomInstallFile::*steps)());
    void CompressSteps();
    void CopySteps();

    bool activeX_ = false;
    std::string destName_;
    std::string fileName_;
    TInstallFileType fileType_ = iftNormal;
    std::string includeFromDir_;
    TOverwriteType overwriteMode_ = owAlways;
    bool registerAsHelp_ = false;
    bool runAfterInstall_ = false;
    bool updateDLLCounter_ = false;
    TInstallFileState state_ = ifsNone;
    int uniqueID_ = 0;
    bool storedInNetArchive_ = false;
    TQlryCompress* activeCompressor_ = nullptr;
};

class TInstallFile : public TCustomInstallFile {
public:
    using TCustomInstallFile::TCustomInstallFile;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// Registers once more every file whose ActiveX registration failed and was set aside
// during the run, in order; a failure now raises.
void RetryFailedRegistrations();

// Adds Value as the next "File<N>" of the uninstall list Key\List, or of List1, List2, ...
// when a list cannot be read or written; after that many lists the write error is raised.
constexpr int uninstallFilesKeysTried = 100;
void WriteUninstallFileEntry(const std::string& key, const std::string& value, const std::string& list = "Files");

// The shared-DLL counters and the help-file list of the machine.
extern const char* const sharedDLLsKey;
extern const char* const helpFilesKey;

} // namespace qlry
