// The engine's build side: the distribution written from the author's project (-b), the
// trailer that ties a setup.exe to its archives, the published file list, and the copy of
// a self-extracting setup onto floppy disks (-f).
#include "engine/cmp_TInstall.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/exceptions_Quillory.h"
#include "model/routines_ExpandPaths.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/Forms.h"
#include "platform/Format.h"
#include "platform/Streams.h"
#include "platform/SysUtils.h"
#include "routines/routines_Strings.h"

namespace qlry {

namespace {

using TTrailer = TCustomInstall::TSelfExtractTrailer;

const char* const selfExtractingMarker = "SELFEXTRACTING";
const char* const notSelfExtractMarker = "NOTSELFEXTRACT";
constexpr int markerLength = 14;
const char* const frameworkKeyText = "\\Software\\Brennick\\Q32V40";
const char* const loaderFileName = "QuilloryLoadProgram.exe";
constexpr int copyBlock = 8192;

void Fire(const TInstallNotifyHook& hook, TCustomInstall* engine) {
    if (hook) hook(engine);
}

std::string RunningProgram() {
    char buffer[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, length);
}

void PutInt32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t GetInt32(const unsigned char* at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

// Appends the trailer at the end of Stream; answers the bytes written.
int32_t WriteTrailer(TStream& stream, const TTrailer& trailer) {
    unsigned char bytes[TCustomInstall::selfExtractTrailerSize] = {};
    bytes[0] = markerLength;
    for (int i = 0; i < markerLength && i < static_cast<int>(trailer.Marker.size()); ++i)
        bytes[1 + i] = static_cast<unsigned char>(trailer.Marker[i]);
    PutInt32(bytes + 16, trailer.Setup1Start);
    PutInt32(bytes + 20, trailer.Setup1End);
    PutInt32(bytes + 24, trailer.Files1Start);
    PutInt32(bytes + 28, trailer.Files1End);
    stream.Seek(0, soFromEnd);
    return stream.Write(bytes, sizeof bytes);
}

// Copies Count bytes from Source's position to Target's, a block at a time with messages
// let through after each; answers the bytes that reached Target.
int64_t CopyBlocks(TStream& source, TStream& target, int64_t count) {
    std::vector<char> buffer(copyBlock);
    int64_t done = 0;
    while (done < count) {
        int32_t wanted = static_cast<int32_t>(std::min<int64_t>(copyBlock, count - done));
        int32_t read = source.Read(buffer.data(), wanted);
        if (read <= 0) break;
        int32_t written = target.Write(buffer.data(), read);
        done += written > 0 ? written : 0;
        LetMessagesThrough();
        if (written < read) break;
    }
    return done;
}

// Appends the whole of File to Target; the first and last offsets it got, or False when
// it could not be read or did not fit.
bool AppendWhole(TStream& target, const std::string& file, uint32_t& first, uint32_t& last) {
    std::unique_ptr<TFileStream> source;
    try {
        source = std::make_unique<TFileStream>(file, fmOpenRead | fmShareDenyWrite);
    } catch (const EStreamError&) {
        return false;
    }
    const int64_t size = source->Size();
    const int64_t start = target.Seek(0, soFromEnd);
    if (start < 0 || CopyBlocks(*source, target, size) < size) return false;
    first = static_cast<uint32_t>(start);
    last = static_cast<uint32_t>(start + size - 1);
    return true;
}

// The options each distribution type compresses with (coArchivesToBuildDir, 4, the net
// choice, coIncludeAll); 4 does nothing but stays in the stored value.
TCompressOptions BuildOptions(TDistributeType type) {
    switch (type) {
    case dtWeb: return coArchivesToBuildDir | 4 | coForceFilesNet | coIncludeAll;
    case dtTraditionalNet: return coArchivesToBuildDir | 4 | coIncludeAll;
    default: return coArchivesToBuildDir | 4 | coForceNetFilesLocal | coIncludeAll;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// Build mode

void TCustomInstall::BuildFromInfoFile() {
    struct TEnd {
        ~TEnd() {
            if (TApplication* application = Application()) application->Terminate();
        }
    } end;
    try {
        const std::string program = RunningProgram();
        const std::string info = ExtractFilePath(program) + "BUILD.INF";
        if (!FileExists(info))
            throw IEInstall(
                "Need to have a BUILD.INF file in this directory with the first line specifying the build directory");
        TStringList lines;
        lines.LoadFromFile(info);
        if (lines.Count() == 0)
            throw IEInstall("Must be 1 line in BUILD.INF. This line should specify the build directory");
        BuildDistribution(program, lines[0], true);
    } catch (const Exception& error) {
        ShowMessage(error.Message());
    }
}

void TCustomInstall::BuildDistribution(const std::string& exeName, const std::string& buildDir, bool standAlone) {
    if (standAlone && !useLoadingProgram_)
        throw IEInstall(
            "Cannot build a stand alone executable if the UseLoadingProgram property of the TInstall is set to False");
    // An empty build directory is the current one; the archives need a directory part.
    const std::string dir = Trim(buildDir).empty() ? GetCurrentDir() : buildDir;
    const std::string setupExe = AddBackslash(dir) + "setup.exe";
    const std::string setup1 = AddBackslash(dir) + "setup.1";
    const std::string files1 = AddBackslash(dir) + "files.1";

    CreateSetupProgram(dir, exeName);
    Fire(OnAfterCreateSetupProgram, this);

    TCustomPathSpecifier* savedType = ArchiveFileType();
    const std::string savedFile = ArchiveFile();
    auto restore = [&] {
        StoreArchiveFileType(savedType);
        StoreArchiveFile(savedFile);
    };
    StoreArchiveFileType(nullptr);
    StoreArchiveFile(files1);
    try {
        Compress(BuildOptions(distributeType_));
        if (distributeType_ == dtWeb || distributeType_ == dtTraditionalNet) WriteFileList();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    Fire(OnAfterCompressDistribution, this);

    if (standAlone) {
        Fire(OnBeforeMakeSelfExtracting, this);
        MakeSelfExtracting(setupExe, setup1, files1);
        Fire(OnAfterMakeSelfExtracting, this);
    } else {
        MarkNotSelfExtracting(setupExe);
    }
}

void TCustomInstall::CreateSetupProgram(const std::string& buildDir, const std::string& exeName) {
    if (!useLoadingProgram_) {
        ForceDirectories(buildDir);
        const std::string target = AddBackslash(buildDir) + ExtractFileName(exeName);
        Fire(OnBeforeCopySetupProgram, this);
        if (!::CopyFileA(exeName.c_str(), target.c_str(), FALSE))
            throw IEInstall("Cannot copy the installation application from %s to %s", {exeName, target});
        Fire(OnAfterCopySetupProgram, this);
        return;
    }
    auto diskFull = [] {
        return IEInstall("The disk that you have specified has been determined to be either too full or is corrupt "
                        "while trying to copy the SETUP.1 archive file. You should probably clear all files off of "
                        "the drive. Minimally, you should leave enough space on the drive for the SETUP.1 archive "
                        "file.");
    };
    try {
        CreateSetupArchive(buildDir, exeName);
    } catch (const EqcDiskFull&) {
        throw diskFull();
    } catch (const EWriteError&) {
        // The archive writer reports a full disk as a failed stream write.
        throw diskFull();
    }
    const std::string framework = QuilloryInfo::FrameworkDirectory(false);
    if (framework.empty())
        throw IEInstall("The HKEY_LOCAL_MACHINE | %s key in the registry is either missing or points to an invalid "
                        "Quillory directory",
                        {frameworkKeyText});
    const std::string loader = framework + "\\" + loaderFileName;
    if (!FileExists(loader)) throw IEInstall("The loader program %s was not found", {loader});
    const std::string setupExe = AddBackslash(buildDir) + "setup.exe";
    if (!::CopyFileA(loader.c_str(), setupExe.c_str(), FALSE))
        throw IEInstall("Cannot copy the loading program from %s to %s", {loader, setupExe});
}

void TCustomInstall::CreateSetupArchive(const std::string& buildDir, const std::string& exeName) {
    Fire(OnBeforeCreateSetupArchive, this);
    if (Trim(exeName).empty()) throw IEInstall("Cannot create setup file. Executable is blank");
    if (!FileExists(exeName)) throw IEInstall("TInstall: Cannot find the executable file %s", {exeName});
    const std::string setup1 = AddBackslash(buildDir) + "setup.1";

    // Each file goes in through a temporary install file outside the tree, as a project's
    // own files do, so setup.1 is an ordinary archive.
    auto compressOne = [&](const std::string& path, TlzhCommand command) {
        std::unique_ptr<TInstallFile> file(new TInstallFile(Owner()));
        file->SetNet(false);
        file->SetIncludeFromDir(RemoveBackslash(ExtractFilePath(path)));
        file->SetFileName(ExtractFileName(path));
        file->SetAddToArchive(command);
        file->SetArchiveFileType(nullptr);
        file->SetArchiveFile(setup1);
        file->Compress();
    };
    compressOne(exeName, lzcOverwrite);
    for (int i = 0; i < presetupFiles_->Count(); ++i) {
        const std::string line = presetupFiles_->Strings(i);
        if (!Trim(line).empty()) compressOne(line, lzcOnlyAdd);
    }
    Fire(OnAfterCreateSetupArchive, this);
}

void TCustomInstall::Compress(TCompressOptions options) {
    TCustomInstallFileList& files = TCustomInstallFileList::AllFiles();
    for (int i = 0; i < files.Count(); ++i) {
        TCustomInstallFile* file = files.Items(i);
        file->CompressedInBuild = false;
        file->CompressedInto.clear();
        file->SetStoredInNetArchive(false);
    }
    TFileContainer::Compress(options);
}

void TCustomInstall::WriteFileList() {
    const std::string dir = RemoveBackslash(ExtractFilePath(ArchiveFile())) + "\\" + GetNetArchiveSubdir(this);
    ForceDirectories(dir);
    std::vector<TCustomInstallFile*> listed;
    TCustomInstallFileList& files = TCustomInstallFileList::AllFiles();
    for (int i = 0; i < files.Count(); ++i)
        if (files.Items(i)->CompressedInBuild) listed.push_back(files.Items(i));
    TFileStream stream(dir + "\\" + "filelist.lst", fmCreate);
    const int32_t count = static_cast<int32_t>(listed.size());
    stream.WriteBuffer(&count, sizeof count);
    for (TCustomInstallFile* file : listed) file->WriteListRecord(stream);
}

// ---------------------------------------------------------------------------------------
// The trailer

void TCustomInstall::MakeSelfExtracting(const std::string& setupExe, const std::string& setup1,
                                        const std::string& files1) {
    TFileStream stream(setupExe, fmOpenReadWrite | fmShareDenyWrite);
    const char* const message = "Cannot create the self-extracting exe because %s could not be loaded onto %s";
    TTrailer trailer;
    trailer.Marker = selfExtractingMarker;
    if (!AppendWhole(stream, setup1, trailer.Setup1Start, trailer.Setup1End))
        throw IEInstall(message, {setup1, setupExe});
    if (FileExists(files1) && !AppendWhole(stream, files1, trailer.Files1Start, trailer.Files1End))
        throw IEInstall(message, {files1, setupExe});
    if (WriteTrailer(stream, trailer) < selfExtractTrailerSize)
        throw IEInstall("Cannot add the self-extract info header to %s", {setupExe});
}

void TCustomInstall::MarkNotSelfExtracting(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenReadWrite | fmShareDenyWrite);
    TTrailer trailer;
    trailer.Marker = notSelfExtractMarker;
    if (WriteTrailer(stream, trailer) < selfExtractTrailerSize)
        throw IEInstall("Cannot add the self-extract info header to %s", {fileName});
}

TCustomInstall::TSelfExtractTrailer TCustomInstall::ReadSelfExtractTrailer(const std::string& fileName) {
    auto failure = [&] {
        return IEInstall("Could not read the extraction info from the archive file %s when trying to find the "
                         "correct offset into the self extracting file",
                         {fileName});
    };
    std::unique_ptr<TFileStream> stream;
    try {
        stream = std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyNone);
    } catch (const EStreamError&) {
        throw failure();
    }
    unsigned char bytes[selfExtractTrailerSize];
    if (stream->Size() < selfExtractTrailerSize || stream->Seek(-selfExtractTrailerSize, soFromEnd) < 0 ||
        stream->Read(bytes, selfExtractTrailerSize) < selfExtractTrailerSize)
        throw failure();
    TTrailer trailer;
    trailer.Marker.assign(reinterpret_cast<const char*>(bytes + 1), std::min<int>(bytes[0], markerLength));
    trailer.Setup1Start = GetInt32(bytes + 16);
    trailer.Setup1End = GetInt32(bytes + 20);
    trailer.Files1Start = GetInt32(bytes + 24);
    trailer.Files1End = GetInt32(bytes + 28);
    return trailer;
}

// ---------------------------------------------------------------------------------------
// Floppy mode

void TCustomInstall::TransferToFloppies(const std::string& drive) {
    struct TEnd {
        ~TEnd() {
            Screen()->SetCursor(crDefault);
            if (TApplication* application = Application()) {
                application->ProcessMessages();
                application->Terminate();
            }
        }
    } end;
    Screen()->SetCursor(crHourGlass);
    if (TApplication* application = Application()) application->ProcessMessages();
    try {
        if (!HasOption(ioSelfExtract))
            throw IEInstall("Sorry... You can only transfer this installation to floppies through the "
                            "self-extracting file. Usage example: setup.exe *TODISK");
        const std::string source = GetArchivePath();
        const TTrailer trailer = ReadSelfExtractTrailer(source);
        ShowStatusMessage("Transferring this installation to floppies. Please wait...");
        try {
            TFileStream input(source, fmOpenRead | fmShareDenyNone);
            const std::string setupExe = AddBackslash(drive) + "setup.exe";
            {
                TFileStream output(setupExe, fmCreate);
                if (CopyBlocks(input, output, trailer.Setup1Start) < trailer.Setup1Start)
                    throw IEInstall("Cannot create setup.exe on the A drive. Probably not enough room");
            }
            MarkNotSelfExtracting(setupExe);
            TFileStream output(AddBackslash(drive) + "setup.1", fmCreate);
            const int64_t length = static_cast<int64_t>(trailer.Setup1End) - trailer.Setup1Start + 1;
            input.Seek(trailer.Setup1Start, soFromBeginning);
            if (CopyBlocks(input, output, length) < length)
                throw IEInstall("Cannot create setup.1 on the A drive. Probably not enough room");
        } catch (...) {
            HideStatusMessage();
            throw;
        }
        HideStatusMessage();

        // A setup built from a project without files carries no files.1 (both offsets 0):
        // there is nothing to spread, and reading headers at offset 0 would read the loader.
        if (trailer.Files1End != 0) {
            TQlryCompress& compressor = SharedCompressor();
            struct THandlers {
                TQlryCompress& compressor;
                ~THandlers() {
                    compressor.OnNewDisk = nullptr;
                    compressor.OnStatus = nullptr;
                }
            } handlers{compressor};
            compressor.OnNewDisk = [this](TQlryCompress*, int disk, std::string&) { AskForDisk(disk); };
            compressor.OnStatus = [this](TQlryCompress*, const TlzhFileStats& stats) {
                if (OnFloppyStatus) OnFloppyStatus(this, stats);
            };
            compressor.SetOffset(static_cast<int>(trailer.Files1Start));
            compressor.SetCompressedFile(source);
            compressor.SpreadToDisks(drive, "files.1");
        }
    } catch (const Exception& error) {
        ShowMessage(error.Message());
    }
}

void TCustomInstall::AskForDisk(int diskNumber) {
    struct TCursorBack {
        TCursor saved = Screen()->Cursor();
        ~TCursorBack() { Screen()->SetCursor(saved); }
    } cursorBack;
    Screen()->SetCursor(crDefault);
    if (MessageDlg(Format("Please insert disk %d", {diskNumber}), mtConfirmation, mbOKCancel, 0) != mrOk)
        throw IEInstall("Aborted by user");
}

} // namespace qlry
