#pragma once
// The install engine: the root of the install tree, the project's settings, the command
// line and the choice of the run mode.
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "engine/cmp_TInstallInformation.h"
#include "model/cmp_TInstallContainer.h"
#include "platform/DateTime.h"
#include "platform/Strings.h"

namespace qlry {

class TCustomInstall;
class TCustomForm;
class TPicture;
class Exception;

enum TDistributeType { dtTraditional, dtWeb, dtTraditionalNet };
const TEnumInfo& DistributeTypeNames();

enum TInstallOption { ioBuild, ioFloppies, ioDebug, ioSelfExtract, ioAfterReboot, ioSourcePath, ioCleanup };
constexpr int installOptionCount = 7;

using TRebootWindowsEvent = std::function<void(TCustomInstall* install, bool& continueReboot)>;
using TBeforeRunFileEvent =
    std::function<void(TCustomInstall* install, TCustomInstallFile* fileToRun, bool& defaultAction)>;
using TUserAbortEvent = std::function<void(TCustomInstall* install, bool& quitOut)>;
using TCleanupEvent = std::function<void(TCustomInstall* install, bool& continueCleanup)>;
using TInstallNotifyHook = std::function<void(TCustomInstall* sender)>;

// Build settings stored with the project; no step of the program reads them.
class TBuildInfo : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
    void Assign(const TPersistent* source) override;

    bool AddUninstallOnCreate = true;
    std::string AppName;
    std::string AppURL;
    std::string BuildDirectory = "c:\\build";
    std::string CredentialsFile;
    std::string OCXName = "setup.ocx";
    std::string PrivateKeyFile;
    bool SignCode = false;
    std::string URLPath;
};

class TCustomInstall : public TFileContainer {
public:
    explicit TCustomInstall(TComponent* owner);
    ~TCustomInstall() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    bool OwnsPathSpecifier() const override { return false; }
    void SetNetLocation(TCustomNetInstallLocation* value) override;

    // The registry record of this setup program, found by its file's date and size; with
    // Create, made when there is none. Empty when there is none or the registry refuses.
    virtual std::string FindInstallRecord(bool create);
    // Removes the record with the downloaded archive copies it names.
    virtual void DeleteInstallRecord();
    virtual void ParseCommandLine();
    virtual void SetAutoMaximizeWindow(bool value);
    virtual void SetBuildInfo(const TBuildInfo* value);
    virtual void SetDistributeType(TDistributeType value);
    virtual void SetHideMainForm(bool value);
    virtual void SetPresetupFiles(const TStrings* value);
    virtual void SetUseLoadingProgram(bool value);

    // The work left for the run after the restart, kept in the install record: action 0
    // completes the component of that name, action 1 deletes the file of that path.
    virtual void AddUnfinishedBusiness(const std::string& name, int action);
    // Lines "name;action".
    virtual void ReadUnfinishedBusiness(TStrings& list);
    virtual void ClearUnfinishedBusiness();
    int UnfinishedCount() const { return unfinishedCount_; }

    // The application's exception handler while the engine exists.
    virtual void HandleException(TObject* sender, const Exception& error);

    // The handler put on the main form's OnActivate.
    void ActivateInstall(TObject* sender);
    // The file the distribution was started from, for the restart command.
    std::string SourceFileName() const;

    bool AutoMaximizeWindow() const { return autoMaximizeWindow_; }
    TBuildInfo* BuildInfo() const { return buildInfo_.get(); }
    TPicture* DialogThemeBitmap() const { return dialogThemeBitmap_.get(); }
    void SetDialogThemeBitmap(const TPicture* value);
    TDistributeType DistributeType() const { return distributeType_; }
    bool HideMainForm() const { return hideMainForm_; }
    TInstallInformation* Information() const { return information_.get(); }
    void SetInformation(const TInstallInformation* value);
    TStringList* PresetupFiles() const { return presetupFiles_.get(); }
    bool Reboot() const { return reboot_; }
    void SetReboot(bool value) { reboot_ = value; }
    bool RunAutomatic() const { return runAutomatic_; }
    void SetRunAutomatic(bool value) { runAutomatic_ = value; }
    bool UseLoadingProgram() const { return useLoadingProgram_; }

    bool HasOption(TInstallOption option) const { return (options_ & (1u << option)) != 0; }
    const std::string& OptionArg(TInstallOption option) const { return optionArgs_[option]; }
    const std::string& SourceDir() const { return sourceDir_; }
    TCustomForm* MainForm() const { return mainForm_; }
    bool Activated() const { return activated_; }
    bool Installing() const { return installing_; }
    void SetInstalling(bool value) { installing_ = value; }
    bool Aborted() const { return aborted_; }
    void SetAborted(bool value) { aborted_ = value; }

    TNotifyEvent OnAfterInitialized;
    TNotifyEvent OnBeforeReadArchiveInfo, OnAfterReadArchiveInfo;
    TNotifyEvent OnBeforeNotifyGoodInstall, OnAfterNotifyGoodInstall;
    TNotifyEvent OnBeforeNotifyBadInstall, OnAfterNotifyBadInstall;
    TRebootWindowsEvent OnBeforeReboot;
    TNotifyEvent OnFailedReboot;
    TBeforeRunFileEvent OnBeforeRunFile;
    TUserAbortEvent OnBeforeShutdown;
    TUserAbortEvent OnUserAbort;
    TCleanupEvent OnBeforeCleanup;
    // Fired when the engine is destroyed; nothing in the program assigns it.
    TInstallNotifyHook OnDestroyHook;

    // The whole installation: records, archive information, the wizard, the file tree,
    // the retried registrations, links, the restart or the success pages.
    void Process() override;
    void ReadArchiveInfo() override;
    void CompleteAfterRestart() override;
    // Processes every install container of one registered type, under a status line.
    virtual void InstallRegisteredType(int registeredType, const std::string& statusText);
    virtual void NotifyGoodInstall();
    virtual void NotifyBadInstall();
    virtual void CleanupTemporaryCopy();
    virtual void RunFilesAfterInstall();
    // Whether the user may really cancel.
    virtual bool QueryUserAbort();
    virtual void Shutdown();
    // The RunOnce command that starts this setup again after the restart.
    virtual void RegisterRunOnce();
    virtual void RebootWindows();
    std::string RunOnceCommand() const;
    // Takes size, date and version of each listed file from a build's "filelist.lst".
    void ReadFileList(const std::string& fileName);

    // ---- Distribution building (-b) and the floppy transfer (-f), in cmp_TInstall_Build.cpp
    // The last 56 bytes of every setup.exe: where the appended setup.1 and files.1 lie, first
    // and last byte inclusive; all 0 for "NOTSELFEXTRACT", files.1's 0 when none was appended.
    struct TSelfExtractTrailer {
        std::string Marker;
        uint32_t Setup1Start = 0, Setup1End = 0, Files1Start = 0, Files1End = 0;
    };
    static constexpr int selfExtractTrailerSize = 56;
    virtual void BuildDistribution(const std::string& exeName, const std::string& buildDir, bool standAlone);
    virtual void CreateSetupArchive(const std::string& buildDir, const std::string& exeName);
    void CreateSetupProgram(const std::string& buildDir, const std::string& exeName);
    void WriteFileList();
    void MakeSelfExtracting(const std::string& setupExe, const std::string& setup1, const std::string& files1);
    void MarkNotSelfExtracting(const std::string& fileName);
    // IEInstall when the file cannot be opened or is shorter than a trailer.
    static TSelfExtractTrailer ReadSelfExtractTrailer(const std::string& fileName);
    // The compressor's new-disk question during the floppy transfer; Cancel raises.
    void AskForDisk(int diskNumber);
    // Clears every install file's marks of an earlier build first.
    void Compress(TCompressOptions options) override;
    // Fired at fixed points of a build and a transfer; nothing in the program assigns them.
    TInstallNotifyHook OnBeforeCreateSetupArchive, OnAfterCreateSetupArchive;
    TInstallNotifyHook OnBeforeCopySetupProgram, OnAfterCopySetupProgram;
    TInstallNotifyHook OnAfterCreateSetupProgram, OnAfterCompressDistribution;
    TInstallNotifyHook OnBeforeMakeSelfExtracting, OnAfterMakeSelfExtracting;
    std::function<void(TCustomInstall* sender, const TlzhFileStats& stats)> OnFloppyStatus;
    // ---- end of distribution building

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

    // The mode bodies; each is a separate stage of the system.
    virtual void BuildFromInfoFile();
    virtual void TransferToFloppies(const std::string& drive);

private:
    void ReadRemoteFileList();
    // Success pages, clean-up, the end of the program and the files to run.
    void FinishSuccessfulRun();
    void StoreLanguageForRestart();
    void ChooseRunMode();
    void StartNormalMode();
    void ResumeAfterRestart();
    TCustomForm* FindMainForm() const;

    bool autoMaximizeWindow_ = true;
    std::unique_ptr<TBuildInfo> buildInfo_;
    std::unique_ptr<TPicture> dialogThemeBitmap_;
    TDistributeType distributeType_ = dtTraditional;
    bool hideMainForm_ = false;
    std::unique_ptr<TInstallInformation> information_;
    std::unique_ptr<TStringList> presetupFiles_;
    bool reboot_ = false;
    bool runAutomatic_ = true;
    bool useLoadingProgram_ = true;

    unsigned options_ = 0;
    std::array<std::string, installOptionCount> optionArgs_;
    std::string sourceDir_;
    TCustomForm* mainForm_ = nullptr;
    std::function<void(TObject*)> savedOnActivate_;
    bool activated_ = false;
    bool installing_ = false;
    bool aborted_ = false;
    int unfinishedCount_ = 0;
    std::string cleanupBatch_;
    bool runCleanupBatch_ = false;
    bool archiveInfoRead_ = false;
};

class TInstall : public TCustomInstall {
public:
    explicit TInstall(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

// The engine of the process, or nullptr.
TCustomInstall* CurrentInstall();

// The registry path of the running setup's install record; empty when there is none.
std::string& InstallRecordKey();
// The file of the running module: the library when the framework runs inside one.
std::string ModuleFileName();
bool RunningInsideLibrary();

// When the current installation run started.
TDateTime& StartTime();
// Where the install records of setup programs are kept.
extern const char* const installRecordsKey;

} // namespace qlry
