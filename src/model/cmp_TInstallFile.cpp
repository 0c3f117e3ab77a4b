#include "model/cmp_TInstallFile.h"

#include <windows.h>
#include <ole2.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "model/cmp_TPathSpecifier.h"
#include "platform/Application.h"
#include "platform/DateTime.h"
#include "platform/Format.h"
#include "platform/IniFile.h"
#include "platform/Lists.h"
#include "platform/Registry.h"
#include "platform/Streams.h"
#include "platform/Strings.h"
#include "platform/SysUtils.h"
#include "routines/cmp_TQlryRegistry.h"
#include "routines/routines_API.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"
#include "translate/cmp_TTranslator.h"

#undef CopyFile
#undef DeleteFile

namespace qlry {

const char* const sharedDLLsKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char* const helpFilesKey = "\\SOFTWARE\\Microsoft\\Windows\\Help";

namespace {

const char* const blankDestinationMessage =
    "Cannot compress,copy, or install the following file because it's destination directory is blank. File is :%s";
const char* const blankArchiveMessage =
    "Cannot either compress or decompress the following file because it's archive file property is blank. File is :%s";

template <class T>
bool IsA(const TObject* object) {
    const TClassInfo* info = object ? object->ClassInfo() : nullptr;
    return info && info->InheritsFrom(&T::StaticClassInfo());
}

bool IsLibraryExtension(const std::string& ext) {
    return ext.size() == 4 && (ext == ".DLL" || ext == ".OCX" || ext == ".BLL" || ext == ".EXE");
}

// The current directory for the lifetime of the object; a failing change is ignored.
class TCurrentDirectory {
public:
    explicit TCurrentDirectory(const std::string& directory) {
        char buffer[MAX_PATH + 1];
        DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
        if (length > 0 && length < sizeof buffer) saved_.assign(buffer, length);
        SetCurrentDirectoryA(directory.c_str());
    }
    ~TCurrentDirectory() {
        if (!saved_.empty()) SetCurrentDirectoryA(saved_.c_str());
    }
    TCurrentDirectory(const TCurrentDirectory&) = delete;
    TCurrentDirectory& operator=(const TCurrentDirectory&) = delete;

private:
    std::string saved_;
};

class TOleSession {
public:
    TOleSession() : initialised_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~TOleSession() {
        if (initialised_) OleUninitialize();
    }
    TOleSession(const TOleSession&) = delete;
    TOleSession& operator=(const TOleSession&) = delete;

private:
    bool initialised_;
};

class TLibrary {
public:
    explicit TLibrary(const std::string& path) : module_(LoadLibraryA(path.c_str())) {}
    ~TLibrary() {
        if (module_) FreeLibrary(module_);
    }
    TLibrary(const TLibrary&) = delete;
    TLibrary& operator=(const TLibrary&) = delete;
    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

// Clears the handlers an install file put on a compressor, however the file's work ends:
// they point back at the file.
class TCompressorHooks {
public:
    explicit TCompressorHooks(TQlryCompress& compressor) : compressor_(compressor) {}
    ~TCompressorHooks() {
        compressor_.OnNewDisk = nullptr;
        compressor_.OnStatus = nullptr;
        compressor_.OnAborted = nullptr;
    }
    TCompressorHooks(const TCompressorHooks&) = delete;
    TCompressorHooks& operator=(const TCompressorHooks&) = delete;

private:
    TQlryCompress& compressor_;
};

TCustomInstall* Engine() { return CurrentInstall(); }

// Without an engine, a file counts as part of a traditional distribution with net files.
TDistributeType DistributionType() {
    TCustomInstall* engine = Engine();
    return engine ? engine->DistributeType() : dtTraditionalNet;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Construction

TCustomInstallFile::TCustomInstallFile(TComponent* owner) : TFileRelated(owner) {
    SetInclude(true);
    SetNet(false);
    TCustomInstallFileList::AllFiles().Add(this);
    uniqueID_ = TUniqueIDTable::Instance().Take();
}

TCustomInstallFile::TCustomInstallFile(TComponent* owner, const std::string& fullPath)
    : TCustomInstallFile(owner) {
    SetIncludeFromDir(RemoveBackslash(ExtractFilePath(fullPath)));
    SetFileName(ExtractFileName(fullPath));
}

TCustomInstallFile::TCustomInstallFile(TComponent* owner, TInstallContainer* container, const std::string& fullPath)
    : TCustomInstallFile(owner, fullPath) {
    SetContainer(container);
}

TCustomInstallFile::~TCustomInstallFile() {
    TCustomInstallFileList::AllFiles().Remove(this);
    TCustomInstallFileList::FailedRegistrations().Remove(this);
    TUniqueIDTable::Instance().Release(uniqueID_);
}

const TClassInfo& TCustomInstallFile::StaticClassInfo() {
    static const TClassInfo info("TCustomInstallFile", &TFileRelated::StaticClassInfo(), nullptr, {});
    return info;
}

std::vector<TPropInfo> TCustomInstallFile::FileProperties() {
    using F = TCustomInstallFile;
    return {
        BooleanProperty<F>("ActiveX", &F::ActiveX, &F::SetActiveX, false),
        AddToArchiveProperty(),
        ArchiveFileProperty(),
        ArchiveFileTypeProperty(),
        ContainerProperty(),
        DestDirProperty(),
        DestDirTypeProperty(),
        StringProperty<F>("DestName", &F::DestName, &F::SetDestName),
        StringProperty<F>("FileName", &F::FileName, &F::SetFileName),
        EnumProperty<F, TInstallFileType>("FileType", InstallFileTypeNames(), &F::FileType, &F::SetFileType, iftNormal),
        IncludeProperty(),
        StringProperty<F>("IncludeFromDir", &F::IncludeFromDir, &F::SetIncludeFromDir),
        InstallTypesProperty(allInstallTypes),
        NetProperty(),
        NetLocationProperty(),
        EnumProperty<F, TOverwriteType>("OverwriteMode", OverwriteTypeInfo(), &F::OverwriteMode, &F::SetOverwriteMode,
                                        owAlways),
        BooleanProperty<F>("RegisterAsHelp", &F::RegisterAsHelp, &F::SetRegisterAsHelp, false),
        BooleanProperty<F>("RunAfterInstall", &F::RunAfterInstall, &F::SetRunAfterInstall, false),
        UninstallProperty(),
        IntegerProperty<F>("UniqueID", &F::UniqueID, &F::SetUniqueID),
        BooleanProperty<F>("UpdateDLLCounter", &F::UpdateDLLCounter, &F::SetUpdateDLLCounter, false),
        EventProperty<F>("OnAfterCompress", &F::OnAfterCompress),
        EventProperty<F>("OnAfterCopy", &F::OnAfterCopy),
        EventProperty<F>("OnAfterInstall", &F::OnAfterInstall),
        EventProperty<F>("OnBeforeCompress", &F::OnBeforeCompress),
        EventProperty<F>("OnBeforeCopy", &F::OnBeforeCopy),
        EventProperty<F>("OnBeforeInstall", &F::OnBeforeInstall),
        EventProperty<F>("OnReplacing", &F::OnReplacing),
        EventProperty<F>("OnStatus", &F::OnStatus),
        EventProperty<F>("OnNewDisk", &F::OnNewDisk),
        OnAfterProcessProperty(),
        OnBeforeProcessProperty(),
    };
}

void TCustomInstallFile::Loaded() {
    TUniqueIDTable& table = TUniqueIDTable::Instance();
    table.ResetOnceAfterLoading();
    table.MarkUsed(uniqueID_);
    TFileRelated::Loaded();
}

std::string TCustomInstallFile::SourcePath() const { return AddBackslash(includeFromDir_) + fileName_; }

std::string TCustomInstallFile::TargetPath() const { return AddBackslash(GetDestPath()) + destName_; }

// ---------------------------------------------------------------------------------------
// Property rules

TCustomInstallFile::TSettings TCustomInstallFile::CurrentSettings() const {
    return {Container(), includeFromDir_, activeX_, fileType_, DestDirType(), destName_, DestDir(), fileName_};
}

template <class T>
void TCustomInstallFile::ChangeSetting(T TSettings::*setting, const T& value, T& storage) {
    if (IsLoading()) {
        storage = value;
        return;
    }
    TSettings next = CurrentSettings();
    next.*setting = value;
    ApplyPropertyRules(next);
}

void TCustomInstallFile::SetActiveX(bool value) { ChangeSetting(&TSettings::activeX, value, activeX_); }

void TCustomInstallFile::SetDestName(const std::string& value) { ChangeSetting(&TSettings::destName, value, destName_); }

void TCustomInstallFile::SetFileName(const std::string& value) { ChangeSetting(&TSettings::fileName, value, fileName_); }

void TCustomInstallFile::SetFileType(TInstallFileType value) { ChangeSetting(&TSettings::fileType, value, fileType_); }

void TCustomInstallFile::SetIncludeFromDir(const std::string& value) {
    ChangeSetting(&TSettings::includeFromDir, value, includeFromDir_);
}

void TCustomInstallFile::SetDestDir(const std::string& value) {
    if (IsLoading()) {
        TFileRelated::SetDestDir(value);
        return;
    }
    TSettings next = CurrentSettings();
    next.destDir = value;
    ApplyPropertyRules(next);
}

void TCustomInstallFile::SetDestDirType(TCustomPathSpecifier* value) {
    MarkDestDirTypeAssigned();
    if (IsLoading()) {
        TFileRelated::SetDestDirType(value);
        return;
    }
    TSettings next = CurrentSettings();
    next.destDirType = value;
    ApplyPropertyRules(next);
}

void TCustomInstallFile::SetContainer(TInstallContainer* value) {
    MarkContainerAssigned();
    if (IsLoading()) {
        TFileRelated::SetContainer(value);
        return;
    }
    TSettings next = CurrentSettings();
    next.container = value;
    ApplyPropertyRules(next);
}

// Keeps file type, destination and overwrite mode consistent with the file's extension
// and destination.
void TCustomInstallFile::ApplyPropertyRules(TSettings next) {
    const TSettings entry = CurrentSettings();
    bool containerChanged = next.container != entry.container;
    bool destDirTypeChanged = next.destDirType != entry.destDirType;
    bool fileNameChanged = !SameText(next.fileName, entry.fileName);
    bool includeFromDirChanged = !SameText(next.includeFromDir, entry.includeFromDir);

    if (containerChanged && next.container && !IsA<TFileContainer>(next.container))
        throw IECustomInstallFile("The following TInstallFile component %s requires the Container property to be a "
                                  "component descended from the TFileContainer component",
                                  {Name()});
    // Files without a name yet cannot clash.
    if (next.container && !Trim(next.fileName).empty() &&
        (fileNameChanged || containerChanged || includeFromDirChanged)) {
        std::string path = AddBackslash(next.includeFromDir) + next.fileName;
        TCustomInstallFile* found = static_cast<TFileContainer*>(next.container)->FindFileBySource(path);
        if (found && found != this) throw IEfcDuplicateFile("There is already a file with the name :%s", {path});
    }
    if (fileNameChanged && !Trim(next.fileName).empty()) next.destName = next.fileName;

    std::string ext = UpperCase(ExtractFileExt(next.fileName));
    if (fileNameChanged || includeFromDirChanged) {
        registerAsHelp_ = ext == ".HLP" || ext == ".CNT";
        bool selfRegistering = false;
        if (ext != ".OCX") {
            try {
                selfRegistering = IsSelfRegistering(AddBackslash(next.includeFromDir) + next.fileName);
            } catch (const std::exception&) {
                selfRegistering = false;
            }
        }
        next.activeX = ext == ".OCX" || selfRegistering;
    }
    if (next.activeX && !activeX_) next.fileType = iftSystemWideDLL;
    if (destDirTypeChanged && IsLibraryExtension(ext)) {
        if (IsA<TpsWindow>(next.destDirType) || IsA<TpsBDEDLL>(next.destDirType))
            overwriteMode_ = owVersionDate;
        else if (IsA<TpsSystem>(next.destDirType))
            next.fileType = iftSystemWideDLL;
    }
    if (next.fileType != fileType_) {
        switch (next.fileType) {
        case iftJustADLL:
        case iftApplicationSpecificDLL: overwriteMode_ = owVersionDate; break;
        case iftVendorSharedDLL:
        case iftSystemWideDLL:
            updateDLLCounter_ = true;
            overwriteMode_ = owVersionDate;
            break;
        default: break;
        }
    }

    if (destDirTypeChanged) TFileRelated::SetDestDirType(next.destDirType);
    if (containerChanged) TFileRelated::SetContainer(next.container);

    TPathSpecifierList& standard = TPathSpecifierList::Standard();
    switch (next.fileType) {
    case iftApplicationSpecificDLL:
        next.destDir = "\\System";
        TFileRelated::SetDestDirType(standard.Find<TpsMainInstall>());
        break;
    case iftVendorSharedDLL:
        next.destDir = "\\System";
        TFileRelated::SetDestDirType(standard.Find<TpsCommonFiles>());
        break;
    case iftSystemWideDLL:
        next.destDir.clear();
        TFileRelated::SetDestDirType(standard.Find<TpsSystem>());
        break;
    default: break;
    }

    includeFromDir_ = next.includeFromDir;
    fileName_ = next.fileName;
    // A new container has just set the destination directory itself; only a value that
    // was asked for, or that the rules chose, replaces it.
    if (next.destDir != entry.destDir || !containerChanged) TFileRelated::SetDestDir(next.destDir);
    destName_ = next.destName;
    fileType_ = next.fileType;
    activeX_ = next.activeX;
}

// ---------------------------------------------------------------------------------------
// Archive and source information

bool TCustomInstallFile::NeedsOwnDownload() const {
    return NetLocation() || overwriteMode_ == owVersion || overwriteMode_ == owDate || overwriteMode_ == owVersionDate;
}

bool TCustomInstallFile::InstallsFromNetwork() const {
    TDistributeType type = DistributionType();
    return type == dtWeb || (type == dtTraditionalNet && Net());
}

// The local copy of Object's downloaded archive; empty when it has not been downloaded.
std::string TCustomInstallFile::DownloadedArchive(const TFileRelated* object) const {
    if (!Trim(object->LocalArchive()).empty()) return object->LocalArchive();
    std::string path;
    if (object->GetLocalFile(path)) return path;
    return "";
}

std::string TCustomInstallFile::GetArchivePath() const {
    if (state_ == ifsInstall && InstallsFromNetwork()) {
        if (NeedsOwnDownload()) {
            std::string own = DownloadedArchive(this);
            if (!own.empty()) return own;
        }
        if (auto* container = dynamic_cast<TFileContainer*>(Container())) {
            std::string shared = DownloadedArchive(container);
            if (!shared.empty()) return shared;
        }
    }
    return TFileRelated::GetArchivePath();
}

bool TCustomInstallFile::UsesEngineArchive(const std::string& archive) const {
    TCustomInstall* engine = Engine();
    return engine && SameText(engine->GetArchivePath(), archive);
}

void TCustomInstallFile::ReadInfoFromFile() {
    std::string source = SourcePath();
    try {
        TFileStream stream(source, fmOpenRead | fmShareDenyNone);
        TDateTime stamp = 0;
        if (FileStampOf(stream.Handle(), stamp)) FileDate = stamp;
        FileSize = static_cast<int>(stream.Size());
    } catch (const EFOpenError&) {
        throw IECustomInstallFile(
            "Could not open or find the following file when trying to read the Size, Date, and Version :%s", {source});
    }
    FileVersion = FileVersionOf(source).substr(0, 20);
}

void TCustomInstallFile::ReadInfoFromArchive() {
    TCustomInstall* engine = Engine();
    if (engine && engine->Installing() && InfoRead()) return;

    std::string archive;
    TDistributeType type = DistributionType();
    if (type == dtTraditional || (type == dtTraditionalNet && !Net())) {
        archive = GetArchivePath();
    } else if (NeedsOwnDownload() && !DownloadedArchive(this).empty()) {
        archive = DownloadedArchive(this);
    } else {
        auto* container = dynamic_cast<TFileContainer*>(Container());
        if (!container)
            throw IECustomInstallFile("%s cannot perform ReadInfoFromArchive because either no container is assigned "
                                      "or the container is not TFileContainer",
                                      {Name()});
        archive = DownloadedArchive(container);
        // The information comes with the download.
        if (archive.empty()) return;
    }
    if (Trim(archive).empty()) throw IECustomInstallFile(blankArchiveMessage, {fileName_});

    std::unique_ptr<TQlryCompress> own;
    TQlryCompress* compressor = &SharedCompressor();
    if (!UsesEngineArchive(archive)) {
        own = std::make_unique<TQlryCompress>(nullptr);
        compressor = own.get();
    }
    compressor->SetCompressedFile(archive);
    int index = compressor->IndexOfUniqueID(uniqueID_);
    if (index < 0) return;
    TlzhFileStats stats;
    compressor->GetFileStats(index, stats);
    CompressedSize = stats.CompressedSize;
    FileDate = stats.Header.FileDate;
    FileSize = stats.UncompressedSize;
    FileVersion = stats.Header.FileVersion.Get();
    SetInfoRead(true);
}

void TCustomInstallFile::WriteListRecord(TStream& stream) const {
    char record[72] = {};
    int32_t size = FileSize;
    double date = FileDate;
    std::memcpy(record, &size, 4);
    std::memcpy(record + 4, &date, 8);
    std::strncpy(record + 12, Name().c_str(), 39);
    std::strncpy(record + 52, FileVersion.c_str(), 19);
    stream.WriteBuffer(record, sizeof record);
}

// ---------------------------------------------------------------------------------------
// Notifications

void TCustomInstallFile::Notify(int eventCode, TObject* po) {
    if (Container()) Container()->DoInformationEventControl(this, eventCode, po);
}

void TCustomInstallFile::RelayStatus(const TlzhFileStats& stats) {
    TFileStatusParameter parameter;
    parameter.FileBytesDone = stats.FileBytesDone;
    parameter.FilePercentDone = stats.FilePercent;
    parameter.FileName = fileName_;
    parameter.Stats = stats;
    parameter.TotalBytesDone = stats.TotalBytesDone;
    parameter.TotalPercentDone = stats.TotalPercent;
    if (OnStatus) OnStatus(this, parameter.FilePercentDone, parameter.TotalPercentDone);
    BroadcastInformationEvent(this, ieFileStatus, &parameter);
    TList list;
    list.Add(static_cast<TObject*>(this));
    list.Add(static_cast<TObject*>(&parameter));
    int code = state_ == ifsCompress ? icCompressStatus : state_ == ifsCopying ? icCopyStatus : icInstallStatus;
    Notify(code, &list);
}

void TCustomInstallFile::NewDiskRequest(TQlryCompress& compressor, int disk, std::string& compressorPath) {
    SetTag(0);
    struct TTagReset {
        TCustomInstallFile* file;
        ~TTagReset() { file->SetTag(0); }
    } tagReset{this};

    TDiskParameter parameter;
    parameter.DiskNumber = disk;
    parameter.Path = RemoveBackslash(ExtractFilePath(GetArchivePath()));
    if (OnNewDisk) {
        std::string path = parameter.Path;
        OnNewDisk(this, disk, path);
        parameter.Path = path;
    }
    TList list;
    list.Add(static_cast<TObject*>(this));
    list.Add(static_cast<TObject*>(&parameter));
    BroadcastInformationEvent(this, ieNewDisk, &list);
    Notify(icNewDisk, &list);
    if (!OnNewDisk && Tag() == 0) {
        std::string text = Format(TranslateString("Please insert disk #%d"), {disk});
        HWND owner = GetActiveWindow();
        if (MessageBoxA(owner, text.c_str(), Application()->Title().c_str(), MB_OKCANCEL | MB_ICONINFORMATION) ==
            IDCANCEL)
            compressor.SetAbort(true);
    }
    compressorPath = RemoveBackslash(parameter.Path);
    try {
        TPathSpecifierList::Standard().Find<TpsMainArchiveFile>()->SetArchiveDirOverride(compressorPath);
    } catch (const Exception&) {
        // A project without the main archive specifier has nothing to redirect.
    }
}

void TCustomInstallFile::UserAbort() { throw EAIUserAbort(); }

// ---------------------------------------------------------------------------------------
// Compress and copy

void TCustomInstallFile::SetState(TInstallFileState value) {
    switch (value) {
    case ifsCompress: Compress(); break;
    case ifsInstall: Process(); break;
    case ifsCopying: Copy(); break;
    default: break;
    }
    state_ = ifsNone;
}

// Runs Steps under State; an EAbort ends them quietly, and every way out ends the state
// and tells the listeners.
void TCustomInstallFile::RunQuietly(TInstallFileState state, void (TCustomInstallFile::*steps)()) {
    state_ = state;
    auto end = [this] {
        state_ = ifsNone;
        BroadcastInformationEvent(this, ieProcessingDone, nullptr);
    };
    try {
        (this->*steps)();
    } catch (const EAbort&) {
    } catch (...) {
        state_ = ifsNone;
        try {
            BroadcastInformationEvent(this, ieProcessingDone, nullptr);
        } catch (...) {
            // The operation's own failure is the one to report.
        }
        throw;
    }
    end();
}

void TCustomInstallFile::Compress() { RunQuietly(ifsCompress, &TCustomInstallFile::CompressSteps); }

void TCustomInstallFile::CompressSteps() {
    if (OnBeforeCompress) OnBeforeCompress(this);
    Notify(icBeforeCompressFile, this);
    std::string archive = GetArchivePath();
    if (Trim(archive).empty()) throw IECustomInstallFile(blankArchiveMessage, {fileName_});
    if (!Include()) return;
    ForceDirectories(RemoveBackslash(ExtractFilePath(archive)));
    TQlryCompress& compressor = SharedCompressor();
    TCompressorHooks hooks(compressor);
    compressor.SetCompressedFile(archive);
    compressor.OnAborted = [this](TObject*) { UserAbort(); };
    compressor.OnStatus = [this](TQlryCompress*, const TlzhFileStats& stats) { RelayStatus(stats); };
    TStringList files;
    files.Add(SourcePath());
    compressor.SetFilesToProcess(&files);
    compressor.Compress(AddToArchive() == lzcOnlyAdd, uniqueID_);
    CompressedInBuild = true;
    CompressedInto = compressor.CompressedFile();
    if (OnAfterCompress) OnAfterCompress(this);
    Notify(icAfterCompressFile, this);
}

void TCustomInstallFile::Copy() { RunQuietly(ifsCopying, &TCustomInstallFile::CopySteps); }

void TCustomInstallFile::CopySteps() {
    if (OnBeforeCopy) OnBeforeCopy(this);
    Notify(icBeforeCopyFile, this);
    if (!Include()) return;
    std::string destination = GetDestPath();
    if (Trim(destination).empty()) throw IECustomInstallFile(blankDestinationMessage, {Name()});
    ForceDirectories(destination);
    TQlryCompress& compressor = SharedCompressor();
    TCompressorHooks hooks(compressor);
    compressor.OnStatus = [this](TQlryCompress*, const TlzhFileStats& stats) { RelayStatus(stats); };
    compressor.SetOverwrite(overwriteMode_);
    compressor.CopyFile(SourcePath(), TargetPath());
    if (OnAfterCopy) OnAfterCopy(this);
    Notify(icAfterCopyFile, this);
}

// ---------------------------------------------------------------------------------------
// Install

void TCustomInstallFile::ProcessObjects() { Install(); }

void TCustomInstallFile::Install() {
    InUse = false;
    try {
        Notify(icBeforeInstallFile, this);
        if (OnBeforeInstall) OnBeforeInstall(this);
    } catch (const EAbort&) {
        Notify(icFileAborted, this);
        return;
    }
    if (Trim(GetDestPath()).empty()) throw IECustomInstallFile(blankDestinationMessage, {Name()});

    std::string target = TargetPath();
    ExistedBefore = FileExists(target);
    WillInstall = false;
    if (!ExistedBefore) {
        WillInstall = true;
    } else {
        int comparison = TVersionResource::IsFileNewer(FileVersion, target, overwriteMode_, FileDate);
        WillInstall = comparison == 0 || comparison == 2;
    }
    if (WillInstall) {
        try {
            ReplaceFile();
        } catch (const EAbort&) {
            WillInstall = false;
        }
    }
    if (!WillInstall) {
        Notify(icFileSkipped, this);
        FinishInstall();
        if (OnAfterInstall) OnAfterInstall(this);
        Notify(icAfterInstallFile, this);
        TInstallContainer::ProcessObjects();
        return;
    }

    std::string localCopy;
    if (GetLocalFile(localCopy)) SetLocalArchive(localCopy);
    std::unique_ptr<TQlryCompress> own;
    TQlryCompress* compressor = &SharedCompressor();
    if (InstallsFromNetwork()) {
        auto* container = dynamic_cast<TFileContainer*>(Container());
        if (NeedsOwnDownload())
            DownloadArchive();
        else if (container && !container->ArchiveIsLocal())
            container->DownloadArchive();
        own = std::make_unique<TQlryCompress>(nullptr);
    } else {
        // The archive path is looked at as it will be during extraction.
        state_ = ifsInstall;
        bool shared = UsesEngineArchive(GetArchivePath());
        state_ = ifsNone;
        if (!shared) own = std::make_unique<TQlryCompress>(nullptr);
    }
    if (own) compressor = own.get();
    Extract(*compressor);
}

void TCustomInstallFile::Extract(TQlryCompress& compressor) {
    struct TStateReset {
        TCustomInstallFile* file;
        ~TStateReset() { file->state_ = ifsNone; }
    } stateReset{this};
    state_ = ifsInstall;
    ForceDirectories(GetDestPath());
    std::string archive = GetArchivePath();
    if (Trim(archive).empty()) throw IECustomInstallFile(blankArchiveMessage, {fileName_});
    {
        TCompressorHooks hooks(compressor);
        compressor.SetCompressedFile(archive);
        compressor.SetExtractDirectory(GetDestPath());
        compressor.SetExtractName(destName_);
        compressor.SetOverwrite(overwriteMode_);
        compressor.OnAborted = [this](TObject*) { UserAbort(); };
        compressor.OnNewDisk = [this](TQlryCompress* sender, int disk, std::string& path) {
            NewDiskRequest(*sender, disk, path);
        };
        compressor.OnStatus = [this](TQlryCompress*, const TlzhFileStats& stats) { RelayStatus(stats); };
        TStringList files;
        files.Add(SourcePath());
        compressor.SetFilesToProcess(&files);
        compressor.Extract();
        FinishInstall();
        if (OnAfterInstall) OnAfterInstall(this);
        Notify(icAfterInstallFile, this);
        TInstallContainer::ProcessObjects();
    }
    if (compressor.Abort()) SharedCompressor().SetAbort(true);
    try {
        BroadcastInformationEvent(this, ieProcessingDone, nullptr);
    } catch (...) {
        compressor.SetAbort(true);
        throw;
    }
}

// ---------------------------------------------------------------------------------------
// Making way for the new file

void TCustomInstallFile::ReplaceFile() {
    if (OnReplacing) OnReplacing(this);
    BroadcastInformationEvent(this, ieReplacing, this);
    Notify(icReplacing, this);
    WillInstall = true;
    std::string target = TargetPath();
    if (!FileExists(target)) return;
    if (DeleteFile(target)) return;
    ReplaceAtRestart();
}

// The old file is in use: the new one is extracted beside it and moved over it at the
// next start of Windows.
void TCustomInstallFile::ReplaceAtRestart() {
    InUse = true;
    std::string oldTarget = TargetPath();
    std::string directory = AddBackslash(GetDestPath());
    std::string tempName;
    for (int n = 1;; ++n) {
        tempName = ChangeFileExt(destName_, "." + std::to_string(n));
        if (!FileExists(directory + tempName)) break;
    }
    SetDestName(tempName);
    std::string oldShort = GetShortPath(oldTarget);
    std::string tempShort = AddBackslash(ExtractFilePath(oldShort)) + tempName;
    TCustomInstall* engine = Engine();

    if (GetWindowsVersion() == wvWin9x) {
        TIniFile wininit(AddBackslash(GetWindowsDir()) + "WININIT.INI");
        wininit.WriteString("Rename", oldShort, tempShort);
        if (engine) engine->SetReboot(true);
        return;
    }
    if (engine) engine->SetReboot(true);
    // Without REPLACE_EXISTING the rename at boot would find the old file still there and
    // leave it in place.
    if (MoveFileExA((directory + tempName).c_str(), oldTarget.c_str(),
                    MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) ||
        !engine)
        return;
    RegisterRenameBatch(oldShort, tempShort);
}

void TCustomInstallFile::RegisterRenameBatch(const std::string& oldShort, const std::string& tempShort) {
    std::string batPath = ChangeFileExt(GetTempFile(false), ".bat");
    TStringList lines;
    lines.Add("erase " + oldShort);
    lines.Add("move " + tempShort + " " + oldShort);
    lines.SaveToFile(batPath);
    Engine()->AddUnfinishedBusiness(batPath, 1);
    if (!RegisterRunOnceEntry("QuilloryBatFile", batPath, true))
        throw IECustomInstallFile(
            "%s cannot register a routine in the register to move the files after the computer is reboot", {Name()});
}

// ---------------------------------------------------------------------------------------
// Registrations

void TCustomInstallFile::FinishInstall() {
    if (registerAsHelp_) RegWriteString(rkLocalMachine, helpFilesKey, UpperCase(destName_), GetDestPath());
    if (updateDLLCounter_) UpdateDLLCount();
    TCustomInstall* engine = Engine();
    if (InUse && engine) {
        // Registered after the restart, when the new file is in place.
        engine->AddUnfinishedBusiness(Name(), 0);
        return;
    }
    if (!activeX_) return;
    try {
        RegisterActiveX();
    } catch (const Exception&) {
        if (RegistrationErrorsFatal()) throw;
        TCustomInstallFileList::FailedRegistrations().Add(this);
    }
}

void TCustomInstallFile::CompleteAfterRestart() {
    if (activeX_) RegisterActiveX();
}

void TCustomInstallFile::UpdateDLLCount() {
    TqlryRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.SetLazyWrite(false);
    if (!registry.OpenKey(sharedDLLsKey, true))
        throw IECustomInstallFile(
            "Could not open the key SharedDLLs key in the registry. File component %s. GetLastError return: %d",
            {Name(), static_cast<int>(GetLastError())});
    auto countUnder = [&](const std::string& valueName, int& count) {
        if (!registry.ValueExists(valueName) || registry.GetDataType(valueName) != rdInteger) return false;
        count = registry.ReadInteger(valueName);
        return true;
    };
    std::string target = TargetPath();
    std::string shortTarget = GetShortPath(target);
    int count = 0;
    if (countUnder(shortTarget, count)) {
        registry.WriteInteger(shortTarget, count + 1);
        return;
    }
    if (!countUnder(target, count)) count = 0;
    registry.WriteInteger(target, count + 1);
}

bool TCustomInstallFile::IsSelfRegistering(const std::string& sourcePath) const {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(sourcePath.c_str(), &handle);
    if (size == 0) return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(sourcePath.c_str(), 0, size, data.data())) return false;
    void* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &translation, &length) || length < 4)
        return false;
    WORD language = static_cast<WORD*>(translation)[0];
    WORD codePage = static_cast<WORD*>(translation)[1];
    char key[64];
    wsprintfA(key, "\\StringFileInfo\\%04X%04X\\OLESelfRegister", language, codePage);
    void* value = nullptr;
    return VerQueryValueA(data.data(), key, &value, &length) != 0;
}

void TCustomInstallFile::RegisterActiveX() {
    if (UpperCase(ExtractFileExt(fileName_)) == ".EXE")
        RegisterEXE();
    else
        RegisterDLL();
}

void TCustomInstallFile::RegisterDLL() {
    std::string path = AddBackslash(GetDestPath()) + destName_;
    if (Trim(GetDestPath() + destName_).empty() || !FileExists(path))
        throw IECustomInstallFile(blankDestinationMessage, {Name()});
    // The directory and OLE are given back on every way out, so that a failed server
    // leaves the rest of the run as it was.
    TOleSession ole;
    TCurrentDirectory directory(GetDestPath());
    TLibrary library(path);
    if (!library.Get())
        throw IECustomInstallFile("Could not register the ActiveX component, %s, because the LoadLibrary(%s) "
                                  "procedure returned a value of 0. The file component is %s. The following value is "
                                  "the value of the GetLastError function: %d",
                                  {path, path, Name(), static_cast<int>(GetLastError())});
    using TRegisterServer = HRESULT(__stdcall*)();
    auto registerServer = reinterpret_cast<TRegisterServer>(GetProcAddress(library.Get(), "DllRegisterServer"));
    if (!registerServer)
        throw IECustomInstallFile("Could not register the ActiveX component, %s, because the DllRegisterServer "
                                  "function could not be found. The file component is %s. The following value is the "
                                  "value of the GetLastError function: %d",
                                  {path, Name(), static_cast<int>(GetLastError())});
    HRESULT result = registerServer();
    if (result != 0)
        throw IECustomInstallFile("Could not register the ActiveX component, %s, because the DllRegisterServer "
                                  "function returned a value of %d. The file component is %s",
                                  {path, static_cast<int>(result), Name()});
}

void TCustomInstallFile::RegisterEXE() {
    std::string path = AddBackslash(GetDestPath()) + destName_;
    if (Trim(GetDestPath() + destName_).empty() || !FileExists(path))
        throw IECustomInstallFile(blankDestinationMessage, {Name()});
    TCurrentDirectory directory(GetDestPath());
    // Quoted, so that a path with spaces cannot start another program.
    std::string command = "\"" + path + "\" /REGSERVER";
    UINT result = WinExec(command.c_str(), SW_HIDE);
    if (result < 32)
        throw IECustomInstallFile("Could not register the ActiveX component, %s, because the WinExec(%s,SW_HIDE) "
                                  "function returned a value < 32. The file component is %s. The following value is "
                                  "the value of the GetLastError function: %d",
                                  {path, path, Name(), static_cast<int>(GetLastError())});
}

void RetryFailedRegistrations() {
    TCustomInstallFileList& failed = TCustomInstallFileList::FailedRegistrations();
    std::vector<TCustomInstallFile*> files;
    for (int i = 0; i < failed.Count(); ++i) files.push_back(failed.Items(i));
    for (TCustomInstallFile* file : files) file->RegisterActiveX();
}

// ---------------------------------------------------------------------------------------
// Uninstall entry

namespace {

// Adds Value as the next "File" entry of the list key; false when the key cannot be
// opened for writing, its "Entries" is not a count or a write fails. One open key for
// all of it: this runs once for every installed file.
bool AppendToFileList(const std::string& listKey, const std::string& value) {
    TqlryRegistry registry;
    SetRootKeyIndex(registry, rkLocalMachine);
    try {
        if (!registry.OpenKey(listKey, true)) return false;
        int entries = 0;
        std::string stored = registry.ValueExists("Entries") ? registry.ReadString("Entries") : "0";
        if (!TryStrToInt(stored, entries) || entries < 0) return false;
        registry.WriteString("File" + std::to_string(entries + 1), value);
        registry.WriteString("Entries", std::to_string(entries + 1));
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}

} // namespace

void WriteUninstallFileEntry(const std::string& key, const std::string& value, const std::string& list) {
    std::string listKey;
    for (int attempt = 0; attempt < uninstallFilesKeysTried; ++attempt) {
        listKey = AddBackslash(key) + list + (attempt == 0 ? std::string() : std::to_string(attempt));
        if (AppendToFileList(listKey, value)) return;
    }
    throw EIRCannotWriteValue("Cannot install into registry. Key: %s Ident: %s Value %s", {listKey, "File", value});
}

void TCustomInstallFile::WriteUninstallInfo(const std::string& key) {
    if (activeX_) {
        bool executable = UpperCase(ExtractFileExt(fileName_)) == ".EXE";
        WriteUninstallFileEntry(key, TargetPath() + ";" + (executable ? "1" : "0"), "ActiveX");
    } else {
        WriteUninstallFileEntry(key, TargetPath());
    }
}

// ---------------------------------------------------------------------------------------

const TClassInfo& TInstallFile::StaticClassInfo() {
    static const TClassInfo info("TInstallFile", &TCustomInstallFile::StaticClassInfo(), FactoryOf<TInstallFile>(),
                                 FileProperties());
    return info;
}

namespace {
const TClassRegistration fileRegistration(TInstallFile::StaticClassInfo());
} // namespace

} // namespace qlry
