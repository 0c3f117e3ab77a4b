// One installation from the engine's start to the end of the process: the phases, their
// events and broadcasts, the failure path and the clean-up.
#include "engine/cmp_TInstall.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "engine/exceptions_Quillory.h"
#include "net/cmp_TNetInstallLocation.h"
#include "platform/Application.h"
#include "platform/CommandLine.h"
#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/Lists.h"
#include "platform/Streams.h"
#include "platform/Strings.h"
#include "platform/SysUtils.h"
#include "routines/routines_API.h"
#include "routines/routines_Strings.h"

#undef DeleteFile

namespace qlry {

namespace {

const char* const missingSourcePathMessage =
    "The path of the loading program was not passed correctly. If you are running your install project in the IDE, "
    "then you need to add two command line parameters. In Run | Parameters | \"Run Parameters\", type in: -d "
    "\"-sBUILDPATH\" where BUILDPATH is the path into which you built the distributables. Example: -d \"-sC:\\My "
    "Build\".";

struct TPhase {
    int registeredType;
    const char* statusText;
};

// What follows the file tree, in this order; only links and their folders exist here.
const TPhase afterFilePhases[] = {
    {2750, "Installing ODBC drivers..."},
    {2875, "Installing ODBC sources..."},
    {3000, "Installing Borland Database Engine aliases..."},
    {rankLinkFolder, "Installing shell links..."},
    {rankLink, "Installing shell links..."},
    {4000, "Installing INI files..."},
    {8500, "Installing registry keys..."},
    {8700, ""},
};

void TerminateApplication() {
    if (TApplication* application = Application()) application->Terminate();
}

// The line that quotes a path for the command interpreter.
std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

} // namespace

TDateTime& StartTime() {
    static TDateTime start = 0;
    return start;
}

// ---------------------------------------------------------------------------------------
// The run

void TCustomInstall::Process() {
    aborted_ = false;
    StartTime() = Now();
    RegistrationErrorsFatal() = false;
    TCustomInstallFileList::FailedRegistrations().Clear();
    unfinishedCount_ = 0;
    runCleanupBatch_ = false;
    installing_ = true;

    if (useLoadingProgram_ && !HasOption(ioSourcePath)) throw IEInstall(missingSourcePathMessage);
    InstallRecordKey() = FindInstallRecord(true);
    ClearUnfinishedBusiness();
    if (HasOption(ioSelfExtract)) SharedCompressor().SetOffset(ReadSelfExtractTrailer(GetArchivePath()).Files1Start);
    ReadArchiveInfo();
    if (OnAfterInitialized) OnAfterInitialized(this);
    BroadcastInformationEvent(this, ieBeforeInstall, nullptr);
    // A failure inside a dialog's own event handling has taken the failure path already.
    if (aborted_) return;

    try {
        TFileContainer::Process();
        RetryFailedRegistrations();
        for (const TPhase& phase : afterFilePhases) InstallRegisteredType(phase.registeredType, phase.statusText);
    } catch (...) {
        if (OnAfterInstallObjects) OnAfterInstallObjects(this, SharedCompressor().Abort());
        throw;
    }
    if (OnAfterInstallObjects) OnAfterInstallObjects(this, SharedCompressor().Abort());

    if (unfinishedCount_ > 0 || reboot_) RegisterRunOnce();
    bool rebootWanted = reboot_;
    if (rebootWanted) StoreLanguageForRestart();
    if (reboot_) {
        BroadcastInformationEvent(this, ieReboot, nullptr);
        if (reboot_ && OnBeforeReboot) OnBeforeReboot(this, reboot_);
        if (reboot_) {
            RebootWindows();
            TerminateApplication();
        }
    }
    // The success pages and the clean-up belong to the run after the restart.
    if (rebootWanted) {
        TerminateApplication();
        return;
    }
    FinishSuccessfulRun();
}

void TCustomInstall::FinishSuccessfulRun() {
    NotifyGoodInstall();
    CleanupTemporaryCopy();
    DeleteInstallRecord();
    if (runAutomatic_) Shutdown();
    RunFilesAfterInstall();
    installing_ = false;
}

void TCustomInstall::ReadArchiveInfo() {
    if (archiveInfoRead_) return;
    if (OnBeforeReadArchiveInfo) OnBeforeReadArchiveInfo(this);
    BroadcastInformationEvent(this, ieBeforeReadArchiveInfo, nullptr);
    TCursor savedCursor = mainForm_ ? mainForm_->Cursor() : crDefault;
    if (mainForm_) mainForm_->SetCursor(crHourGlass);
    ShowStatusMessage("Reading file information...");
    try {
        TFileContainer::ReadArchiveInfo();
        if (distributeType_ != dtTraditional) ReadRemoteFileList();
    } catch (...) {
        if (mainForm_) mainForm_->SetCursor(savedCursor);
        HideStatusMessage();
        throw;
    }
    if (mainForm_) mainForm_->SetCursor(savedCursor);
    HideStatusMessage();
    archiveInfoRead_ = true;
    SetInfoRead(true);
    if (OnAfterReadArchiveInfo) OnAfterReadArchiveInfo(this);
    BroadcastInformationEvent(this, ieAfterReadArchiveInfo, nullptr);
}

void TCustomInstall::ReadFileList(const std::string& fileName) {
    const char* const message = "Cannot read the remote list of files: %s";
    TFileStream stream(fileName, fmOpenRead | fmShareDenyNone);
    int32_t count = 0;
    if (stream.Read(&count, 4) != 4 || count < 0) throw IEInstall(message, {fileName});
    TCustomInstallFileList& files = TCustomInstallFileList::AllFiles();
    for (int32_t i = 0; i < count; ++i) {
        char record[72];
        if (stream.Read(record, sizeof record) != sizeof record) throw IEInstall(message, {fileName});
        int32_t size;
        double date;
        std::memcpy(&size, record, 4);
        std::memcpy(&date, record + 4, 8);
        std::string name(record + 12, strnlen(record + 12, 40));
        std::string version(record + 52, strnlen(record + 52, 20));
        for (int f = 0; f < files.Count(); ++f) {
            TCustomInstallFile* file = files.Items(f);
            if (!SameText(file->Name(), name)) continue;
            file->FileSize = size;
            file->FileDate = date;
            file->FileVersion = version.substr(0, 19);
            break;
        }
    }
}

void TCustomInstall::ReadRemoteFileList() {
    std::string local = GetTempFile(true);
    struct TRemoveAfterwards {
        std::string path;
        ~TRemoveAfterwards() { DeleteFile(path); }
    } removeAfterwards{local};
    if (!NetLocation()) throw IEInstall("Cannot read the remote list of files: %s", {local});
    NetLocation()->Download("filelist.lst", local);
    ReadFileList(local);
}

void TCustomInstall::InstallRegisteredType(int registeredType, const std::string& statusText) {
    bool lineShown = false;
    TInstallContainerList& containers = TInstallContainerList::Instance();
    try {
        for (int i = 0; i < containers.Count(); ++i) {
            TInstallContainer* container = containers.Items(i);
            if (container->RegisteredType() != registeredType) continue;
            if (!Trim(statusText).empty() && !lineShown) {
                ShowStatusMessage(statusText);
                lineShown = true;
            }
            container->Process();
        }
    } catch (...) {
        if (lineShown) HideStatusMessage();
        throw;
    }
    if (lineShown) HideStatusMessage();
}

// ---------------------------------------------------------------------------------------
// The ends of a run

void TCustomInstall::NotifyGoodInstall() {
    if (OnBeforeNotifyGoodInstall) OnBeforeNotifyGoodInstall(this);
    BroadcastInformationEvent(this, ieNotifyGoodInstall, nullptr);
    BroadcastInformationEvent(this, ieAfterGoodInstall, nullptr);
    if (OnAfterNotifyGoodInstall) OnAfterNotifyGoodInstall(this);
}

void TCustomInstall::NotifyBadInstall() {
    if (OnBeforeNotifyBadInstall) OnBeforeNotifyBadInstall(this);
    BroadcastInformationEvent(this, ieNotifyBadInstall, nullptr);
    BroadcastInformationEvent(this, ieAfterBadInstall, nullptr);
    if (OnAfterNotifyBadInstall) OnAfterNotifyBadInstall(this);
}

void TCustomInstall::CleanupTemporaryCopy() {
    if (!useLoadingProgram_ || HasOption(ioDebug) || !HasOption(ioCleanup) || IsDesigning()) return;
    bool continueCleanup = true;
    if (OnBeforeCleanup) OnBeforeCleanup(this, continueCleanup);
    if (!continueCleanup) return;
    std::string program = ParamStr(0);
    std::string programDir = RemoveBackslash(ExtractFilePath(program));
    for (int i = 0; i < presetupFiles_->Count(); ++i)
        DeleteFile(AddBackslash(programDir) + ExtractFileName(presetupFiles_->Strings(i)));
    if (RunningInsideLibrary()) return;
    cleanupBatch_ = ChangeFileExt(GetTempFile(false), ".bat");
    // The program is still running when the batch starts, so it waits until the program
    // file can go. DELTREE is the Windows 9x way, RMDIR /S that of NT; each system ignores
    // the other's line.
    TStringList lines;
    lines.Add("@echo off");
    lines.Add("set n=0");
    lines.Add(":wait");
    lines.Add("erase " + Quoted(program));
    lines.Add("if not exist " + Quoted(program) + " goto gone");
    lines.Add("set /a n=n+1");
    lines.Add("if %n% lss 3000 goto wait");
    lines.Add(":gone");
    lines.Add("deltree /y " + Quoted(programDir));
    lines.Add("rmdir /s /q " + Quoted(programDir));
    lines.Add("erase " + Quoted(ChangeFileExt(cleanupBatch_, ".PIF")));
    lines.Add("erase " + Quoted(cleanupBatch_));
    lines.SaveToFile(cleanupBatch_);
    runCleanupBatch_ = true;
}

void TCustomInstall::RunFilesAfterInstall() {
    TCustomInstallFileList& files = TCustomInstallFileList::AllFiles();
    std::vector<TCustomInstallFile*> snapshot;
    for (int i = 0; i < files.Count(); ++i) snapshot.push_back(files.Items(i));
    for (TCustomInstallFile* file : snapshot) {
        if (!file->RunAfterInstall()) continue;
        bool defaultAction = true;
        if (OnBeforeRunFile) OnBeforeRunFile(this, file, defaultAction);
        if (file->RunAfterInstall() && defaultAction) WinExec(Quoted(file->TargetPath()).c_str(), SW_SHOW);
    }
}

void TCustomInstall::HandleException(TObject*, const Exception& error) {
    TApplication* application = Application();
    if (!installing_) {
        if (application) application->ShowException(error);
        return;
    }
    installing_ = false;
    aborted_ = true;
    try {
        NotifyBadInstall();
        if (dynamic_cast<const EAIUserAbort*>(&error)) {
            CleanupTemporaryCopy();
            DeleteInstallRecord();
            if (runAutomatic_) Shutdown();
        } else {
            if (application) application->ShowException(error);
            Shutdown();
        }
    } catch (const std::exception&) {
        // The run has failed already; what goes wrong on the way out changes nothing.
    }
    if (runAutomatic_) TerminateApplication();
}

bool TCustomInstall::QueryUserAbort() {
    bool quitOut = true;
    if (OnUserAbort) OnUserAbort(this, quitOut);
    return quitOut;
}

void TCustomInstall::Shutdown() {
    bool quitOut = true;
    if (OnBeforeShutdown) OnBeforeShutdown(this, quitOut);
    if (quitOut) TerminateApplication();
}

} // namespace qlry
