#include "archive/cmp_TQlryCompress.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/Application.h"
#include "platform/SysUtils.h"
#include "routines/routines_Strings.h"

namespace qlry {

namespace {

// zlib is asked for the interface it was first written against; it checks only the major
// version and the size of its stream record.
const char kZlibVersion[] = "1.0.4";
constexpr int kZStreamSize = 56;
static_assert(sizeof(z_stream) == kZStreamSize);

constexpr int32_t kSourcePiece = 61440;
constexpr int32_t kInflateInput = 65536;
constexpr int32_t kInflateOutput = 4096;
constexpr int32_t kCopyPiece = 8192;
constexpr int32_t kWriteBehind = 65536;
constexpr int kMaxUniqueID = 1999;

const char kHeadersCorrupt[] =
    "Could not read the file headers for the compressed file. The Archive file could possible be corrupt";
const char kHeadersNotWritten[] = "Could not write the file headers for the compressed file";
const char kAborted[] = "Operation aborted by user";
const char kCannotCreate[] = "Cannot create the file %s";
const char kCannotOpenArchive[] = "Cannot open the compressed file %s";
const char kSizeMismatch[] =
    "The decompressed file's size does not match with the actual size of the file.  The file is %s";

// Runs Cleanup when the scope ends, also by an exception.
template <class Cleanup>
class Finally {
public:
    explicit Finally(Cleanup cleanup) : cleanup_(std::move(cleanup)) {}
    ~Finally() { cleanup_(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    Cleanup cleanup_;
};

// Positions and sizes are int32 fields: an archive cannot grow past 2 GB.
int32_t StoredPosition(int64_t value) {
    if (value < 0 || value > INT32_MAX) throw EQlryCompress(kHeadersNotWritten);
    return static_cast<int32_t>(value);
}

std::unique_ptr<TFileStream> OpenForReading(const std::string& fileName) {
    return std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyNone);
}

// A directory with all its parents; an empty path is the run-time library's error.
void ForceDirectoriesOrFail(const std::string& directory) {
    if (directory.empty()) throw EInOutError("Unable to create directory");
    ForceDirectories(directory);
}

// The file name after the last separator. Forward slashes count too: Windows treats them
// as separators, so a name must not carry a directory through them.
std::string NamePart(const std::string& path) {
    std::string::size_type separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

// A name that Windows would not open as a plain file inside the directory: nothing left
// after dropping trailing dots and blanks, or a device name.
bool IsPlainFileName(const std::string& name) {
    std::string base = name;
    while (!base.empty() && (base.back() == '.' || base.back() == ' ')) base.pop_back();
    if (base.empty()) return false;
    std::string stem = UpperCase(Trim(base.substr(0, base.find('.'))));
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : devices)
        if (stem == device) return false;
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
        stem[3] <= '9')
        return false;
    return true;
}

// ".<disk>", the extension of a disk file of a set.
std::string DiskExtension(int disk) {
    std::string extension(1, '.');
    extension += IntToStr(disk);
    return extension;
}

void ZCheck(int code, bool compressing) {
    if (code >= 0) return;
    if (compressing) throw ECompressionError("error");
    throw EDecompressionError("error");
}

int ZlibLevel(TCompressionLevel level) {
    switch (level) {
    case colNone: return 0;
    case colFastest: return 1;
    case colDefault: return -1;
    default: return 9;
    }
}

// Paths compared without regard to case, byte by byte: the locale's comparison would let
// characters it gives no weight (a zero byte, say) make two different names equal.
bool SamePath(const std::string& a, const std::string& b) { return AnsiUpperCase(a) == AnsiUpperCase(b); }

} // namespace

// Collects the 4 KB pieces of inflate output into larger writes: under Wine a write call per
// 4 KB costs more than inflating the 4 KB. Inflate writes straight into its buffer.
class TWriteBehindStream : public TStream {
public:
    explicit TWriteBehindStream(TStream& dest) : dest_(dest), buffer_(kWriteBehind) {}

    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void* data, int32_t count) override {
        if (count <= 0) return 0;
        int32_t lost = 0;
        if (count > kWriteBehind) {
            lost = Flush();
            lost += count - std::max(dest_.Write(data, count), 0);
        } else {
            std::memcpy(Reserve(count, lost), data, static_cast<std::size_t>(count));
            used_ += count;
        }
        return count - std::min(count, lost);
    }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override {
        Flush();
        return dest_.Seek(offset, origin);
    }

    // Room for Count more bytes, flushing first when there is not enough; Lost tells how many
    // bytes that flush could not write.
    char* Reserve(int32_t count, int32_t& lost) {
        lost = used_ + count > kWriteBehind ? Flush() : 0;
        return buffer_.data() + used_;
    }
    // Keeps the Count bytes put at the reserved place.
    void Commit(int32_t count) { used_ += count; }

    // Writes what is held; the number of bytes the destination did not take.
    int32_t Flush() {
        if (used_ == 0) return 0;
        int32_t written = std::max(dest_.Write(buffer_.data(), used_), 0);
        int32_t lost = used_ - written;
        used_ = 0;
        return lost;
    }

private:
    TStream& dest_;
    std::vector<char> buffer_;
    int32_t used_ = 0;
};

uint8_t PercentOf(double a, double b) {
    if (b == 0) return 0;
    double percent = std::nearbyint(a / b * 100);
    return static_cast<uint8_t>(std::clamp(percent, 0.0, 255.0));
}

std::string EntryPath(const std::string& entry) { return entry.substr(0, entry.find(';')); }

// TFileHeader -------------------------------------------------------------------------

void TFileHeader::BuildFromFile(const std::string& entry) {
    Record.FileName.Set(EntryPath(entry));
    const std::string fileName = FileName();  // the stored, possibly cut, path is the one opened
    {
        std::unique_ptr<TFileStream> file;
        try {
            file = OpenForReading(fileName);
        } catch (const EFOpenError&) {
            throw EQlryCompress("Cannot open the file %s", {fileName});
        }
        TDateTime stamp = 0;
        FileStampOf(file->Handle(), stamp);
        Record.FileDate = stamp;
        Record.UncompressedSize = static_cast<int32_t>(file->Size());
    }
    Record.FileVersion.Set(FileVersionOf(fileName));
}

void TFileHeader::ReadFrom(TStream& stream) {
    if (stream.Read(&Record, kFileHeaderSize) != kFileHeaderSize)
        throw EQlryCompress(kHeadersCorrupt);
    InArchive = true;
}

void TFileHeader::WriteTo(TStream& stream) const {
    if (stream.Write(&Record, kFileHeaderSize) != kFileHeaderSize) throw EQlryCompress(kHeadersNotWritten);
}

// TFileHeaders ------------------------------------------------------------------------

TFileHeader* TFileHeaders::FileHeaders(int index) const {
    if (index < 0 || index >= Count())
        throw EQlryCompress("%d is an invalid TFileHeader index in TFileHeaders.GetFileHeaders", {index});
    return headers_[index].get();
}

void TFileHeaders::Add(std::unique_ptr<TFileHeader> header) {
    if (!header || Trim(header->FileName()).empty()) throw EQlryCompress("Tried to add an invalid file header");
    headers_.push_back(std::move(header));
}

void TFileHeaders::AddFiles(const TStrings& files, bool keep) {
    if (!keep) Clear();
    for (int i = 0; i < files.Count(); ++i) {
        auto header = std::make_unique<TFileHeader>();
        header->BuildFromFile(files[i]);
        header->Record.FileNumber = i + 1;
        Add(std::move(header));
    }
}

int TFileHeaders::IndexOfFile(const std::string& entry) const {
    const std::string path = EntryPath(entry);
    for (int i = 0; i < Count(); ++i)
        if (SamePath(headers_[i]->FileName(), path)) return i;
    return -1;
}

int64_t TFileHeaders::TotalUncompressed() const {
    int64_t total = 0;
    for (const auto& header : headers_) total += header->Record.UncompressedSize;
    return total;
}

int64_t TFileHeaders::TotalCompressed() const {
    int64_t total = 0;
    for (const auto& header : headers_) total += header->Record.CompressedSize;
    return total;
}

void TFileHeaders::ReadFromStream(TStream& stream, int64_t offset) {
    Clear();
    int32_t memberCount = 0;
    uint8_t diskSet = 0;
    stream.Seek(offset, soFromBeginning);
    if (stream.Read(&memberCount, 4) != 4 || stream.Read(&diskSet, 1) != 1)
        throw EQlryCompress("Could not read the file header count for the compressed file");
    DiskSet = diskSet != 0;
    int64_t position = stream.Position();
    for (int32_t i = 0; i < memberCount; ++i) {
        // Each header must point past itself: in both layouts the next header follows it, and
        // a pointer backwards would walk the same bytes for as long as the count says.
        if (stream.Seek(position, soFromBeginning) != position) throw EQlryCompress(kHeadersCorrupt);
        auto header = std::make_unique<TFileHeader>();
        header->ReadFrom(stream);
        int64_t next = offset + header->Record.NextHeader;
        if (next < position + kFileHeaderSize && i + 1 < memberCount) throw EQlryCompress(kHeadersCorrupt);
        position = next;
        Add(std::move(header));
    }
}

void TFileHeaders::WriteToStream(TStream& stream) {
    stream.Seek(0, soFromBeginning);
    int32_t memberCount = Count();
    uint8_t diskSet = DiskSet ? 1 : 0;
    if (stream.Write(&memberCount, 4) != 4 || stream.Write(&diskSet, 1) != 1) throw EQlryCompress(kHeadersNotWritten);
    if (!DiskSet) return;
    for (const auto& header : headers_) {
        header->Record.NextHeader = StoredPosition(stream.Position() + kFileHeaderSize);
        header->WriteTo(stream);
    }
}

// The deflate stream --------------------------------------------------------------------

TCustomZlibStream::TCustomZlibStream(TStream& stream)
    : stream_(stream), streamPosition_(stream.Position()), zstream_{}, buffer_(kBufferSize) {}

void TCustomZlibStream::Progress() {
    if (OnProgress) OnProgress(this);
}

TCompressionStream::TCompressionStream(TCompressionLevel level, TStream& dest) : TCustomZlibStream(dest) {
    zstream_.next_out = buffer_.data();
    zstream_.avail_out = kBufferSize;
    ZCheck(deflateInit2_(&zstream_, ZlibLevel(level), Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY, kZlibVersion,
                         kZStreamSize),
           true);
}

TCompressionStream::~TCompressionStream() { deflateEnd(&zstream_); }

int32_t TCompressionStream::Read(void*, int32_t) { throw ECompressionError("Invalid stream operation"); }

int64_t TCompressionStream::Seek(int64_t offset, TSeekOrigin origin) {
    if (offset == 0 && origin == soFromCurrent) return static_cast<int64_t>(zstream_.total_in);
    throw ECompressionError("Invalid stream operation");
}

void TCompressionStream::WriteBufferOut(uInt count) {
    stream_.WriteBuffer(buffer_.data(), static_cast<int32_t>(count));
    zstream_.next_out = buffer_.data();
    zstream_.avail_out = kBufferSize;
}

int32_t TCompressionStream::Write(const void* buffer, int32_t count) {
    if (stream_.Position() != streamPosition_) stream_.Seek(streamPosition_, soFromBeginning);
    zstream_.next_in = static_cast<Bytef*>(const_cast<void*>(buffer));
    zstream_.avail_in = static_cast<uInt>(count);
    while (zstream_.avail_in > 0) {
        ZCheck(deflate(&zstream_, Z_NO_FLUSH), true);
        if (zstream_.avail_out == 0) {
            WriteBufferOut(kBufferSize);
            streamPosition_ = stream_.Position();
            Progress();
        }
    }
    return count;
}

void TCompressionStream::Finish() {
    if (finished_) return;
    finished_ = true;
    if (stream_.Position() != streamPosition_) stream_.Seek(streamPosition_, soFromBeginning);
    zstream_.next_in = nullptr;
    zstream_.avail_in = 0;
    for (;;) {
        int code = deflate(&zstream_, Z_FINISH);
        ZCheck(code, true);
        if (code == Z_STREAM_END) break;
        if (zstream_.avail_out == 0) {
            WriteBufferOut(kBufferSize);
            streamPosition_ = stream_.Position();
            Progress();
        }
    }
    uInt left = kBufferSize - zstream_.avail_out;
    if (left > 0) {
        WriteBufferOut(left);
        streamPosition_ = stream_.Position();
    }
}

// TQlryCompress ---------------------------------------------------------------------------

const TEnumInfo& CompressionLevelInfo() {
    static const TEnumInfo names{"colNone", "colFastest", "colDefault", "colMax"};
    return names;
}

TQlryCompress::TQlryCompress(TComponent* owner) : TComponent(owner) {}

TQlryCompress::~TQlryCompress() = default;

const TClassInfo& TQlryCompress::StaticClassInfo() {
    using C = TQlryCompress;
    static const TClassInfo info(
        "TQlryCompress", &TComponent::StaticClassInfo(), FactoryOf<C>(),
        {
            BooleanProperty<C>("Abort", &C::Abort, &C::SetAbort, false),
            StringProperty<C>("CompressedFile", &C::CompressedFile, &C::SetCompressedFile),
            EnumProperty<C, TCompressionLevel>("CompressionLevel", CompressionLevelInfo(), &C::CompressionLevel,
                                               &C::SetCompressionLevel, colMax),
            StringProperty<C>("ExtractDirectory", &C::ExtractDirectory, &C::SetExtractDirectory),
            StringsProperty<C>("FilesToProcess", static_cast<TStrings* (C::*)()>(&C::FilesToProcess)),
            IntegerProperty<C>("Offset", &C::Offset, &C::SetOffset, 0),
            EnumProperty<C, TOverwriteType>("Overwrite", OverwriteTypeInfo(), &C::Overwrite, &C::SetOverwrite,
                                            owAlways),
            EventProperty<C>("OnAborted", &C::OnAborted),
            EventProperty<C>("OnAfterAdding", &C::OnAfterAdding),
            EventProperty<C>("OnBeforeAdding", &C::OnBeforeAdding),
            EventProperty<C>("OnAfterExtracting", &C::OnAfterExtracting),
            EventProperty<C>("OnBeforeExtracting", &C::OnBeforeExtracting),
            EventProperty<C>("OnFullDisk", &C::OnFullDisk),
            EventProperty<C>("OnListing", &C::OnListing),
            EventProperty<C>("OnNewDisk", &C::OnNewDisk),
            EventProperty<C>("OnReplace", &C::OnReplace),
            EventProperty<C>("OnStatus", &C::OnStatus),
        });
    return info;
}

void TQlryCompress::SetCompressedFile(const std::string& fileName) {
    if (SamePath(fileName, compressedFile_)) return;
    if (headersLoaded_ && !SamePath(ChangeFileExt(fileName, ".1"), ChangeFileExt(compressedFile_, ".1")))
        headersLoaded_ = false;
    compressedFile_ = fileName;
}

void TQlryCompress::SetFilesToProcess(TStrings* files) {
    for (int i = files->Count() - 1; i >= 0; --i)
        if (Trim((*files)[i]).empty()) files->Delete(i);
    filesToProcess_.Assign(files);
}

template <class Body>
void TQlryCompress::RunOperation(bool quietOnEAbort, Body&& body) {
    try {
        body();
    } catch (const EqcAborted&) {
        if (OnAborted) OnAborted(this);
    } catch (const EAbort&) {
        if (quietOnEAbort) return;
        abort_ = true;
        throw;
    } catch (...) {
        abort_ = true;
        throw;
    }
}

void TQlryCompress::DoFullDisk() {
    if (OnFullDisk) OnFullDisk(this);
    else throw EqcDiskFull("The disk is full");
}

void TQlryCompress::Status() {
    if (OnStatus) OnStatus(this, stats_);
}

void TQlryCompress::SetMemberStats(const TFileHeader& header) {
    stats_.FileName = header.FileName();
    stats_.UncompressedSize = header.Record.UncompressedSize;
    stats_.CompressedSize = header.Record.CompressedSize;
    stats_.Header = header.Record;
    stats_.FileBytesDone = 0;
    stats_.FilePercent = 0;
    stats_.Done = false;
    stats_.CompressionRatio = PercentOf(stats_.CompressedSize, stats_.UncompressedSize);
}

void TQlryCompress::InitTotals() {
    stats_.TotalBytesDone = 0;
    stats_.TotalPercent = 0;
    stats_.Done = false;
    stats_.TotalUncompressed = static_cast<int32_t>(headers_.TotalUncompressed());
    stats_.TotalCompressed = static_cast<int32_t>(headers_.TotalCompressed());
    stats_.TotalRatio = PercentOf(stats_.TotalCompressed, stats_.TotalUncompressed);
}

void TQlryCompress::ReadHeaders() {
    TFileStreamPtr file;
    if (!FileExists(compressedFile_)) throw EQlryCompress(kCannotOpenArchive, {compressedFile_});
    try {
        file = OpenForReading(compressedFile_);
    } catch (const EFOpenError&) {
        throw EQlryCompress(kCannotOpenArchive, {compressedFile_});
    }
    try {
        uniqueIDMap_.fill(0);
        headers_.ReadFromStream(*file, offset_);
        for (int i = 0; i < headers_.Count(); ++i) {
            int id = headers_.FileHeaders(i)->Record.UniqueID;
            if (id >= 0 && id <= kMaxUniqueID) uniqueIDMap_[id] = i;
        }
    } catch (...) {
        throw EQlryCompress(kHeadersCorrupt);
    }
    headersLoaded_ = true;
}

void TQlryCompress::OpenDiskFile(TFileStreamPtr& stream, int disk, unsigned mode, std::string& fileName) {
    for (int attempt = 1; attempt <= 4; ++attempt) {
        stream.reset();
        if (headers_.DiskSet) fileName = ChangeFileExt(fileName, DiskExtension(disk));
        if (!FileExists(fileName)) {
            if (!OnNewDisk) throw EQlryCompress("Could not open the correct disk file %d", {disk});
            std::string path = RemoveBackslash(ExtractFilePath(fileName));
            OnNewDisk(this, disk, path);
            fileName = AddBackslash(path) + ExtractFileName(fileName);
        }
        if (FileExists(fileName)) {
            try {
                stream = std::make_unique<TFileStream>(fileName, mode);
            } catch (const EStreamError&) {
                throw EQlryCompress(kCannotOpenArchive, {fileName});
            }
            return;
        }
    }
    throw EQlryCompress(kCannotOpenArchive, {fileName});
}

int TQlryCompress::FileCount() {
    if (!headersLoaded_ && mode_ != TMode::adding) ReadHeaders();
    return headers_.Count();
}

void TQlryCompress::GetFileStats(int index, TlzhFileStats& stats) {
    if (index < 0 || index >= FileCount())
        throw EQlryCompress("Tried to access the %dth file. This file is not defined", {index});
    InitTotals();
    SetMemberStats(*headers_.FileHeaders(index));
    stats = stats_;
}

int TQlryCompress::IndexOfUniqueID(int id) {
    if (!headersLoaded_) ReadHeaders();
    if (id < 0 || id > kMaxUniqueID) return -1;
    return uniqueIDMap_[id];
}

// Compress --------------------------------------------------------------------------------

void TQlryCompress::Compress(bool append, int uniqueID) {
    RunOperation(true, [&] {
        TFileStreamPtr archive;
        Finally cleanup([&] {
            destFile_ = nullptr;
            sourceFile_.reset();
            archive.reset();
            filesToProcess_.Clear();
            mode_ = TMode::idle;
            // The headers in memory now describe what this run made of them, not the file.
            headersLoaded_ = false;
        });
        abort_ = false;
        mode_ = TMode::adding;
        headers_.DiskSet = false;
        offset_ = 0;
        ForceDirectoriesOrFail(ExtractFileDir(compressedFile_));

        const bool appending = append && FileExists(compressedFile_);
        try {
            archive = std::make_unique<TFileStream>(compressedFile_,
                                                    appending ? fmOpenReadWrite | fmShareDenyNone : fmCreate);
        } catch (const EStreamError&) {
            throw EQlryCompress(kCannotCreate, {compressedFile_});
        }
        if (appending) headers_.ReadFromStream(*archive, 0);
        headers_.AddFiles(filesToProcess_, appending);
        headers_.WriteToStream(*archive);
        archive->Seek(0, soFromEnd);

        InitTotals();
        // The totals of this run are those of the members it adds, not of those already stored.
        int64_t adding = 0;
        for (int i = 0; i < headers_.Count(); ++i)
            if (!headers_.FileHeaders(i)->InArchive) adding += headers_.FileHeaders(i)->Record.UncompressedSize;
        stats_.TotalUncompressed = static_cast<int32_t>(adding);
        stats_.TotalRatio = 0;
        stats_.TotalCompressed = 0;

        for (int i = 0; i < headers_.Count(); ++i) {
            TFileHeader& header = *headers_.FileHeaders(i);
            if (!header.InArchive) CompressEntry(header, i, *archive, uniqueID);
        }
    });
}

void TQlryCompress::CompressEntry(TFileHeader& header, int index, TStream& archive, int uniqueID) {
    currentHeader_ = &header;
    try {
        sourceFile_ = OpenForReading(header.FileName());
    } catch (const EFOpenError&) {
        throw EQlryCompress("Cannot open the file %s", {header.FileName()});
    }
    const int64_t headerPosition = archive.Position();
    header.WriteTo(archive);
    header.Record.DataStart = StoredPosition(headerPosition + kFileHeaderSize);

    destFile_ = &archive;
    CompressMember();
    destFile_ = nullptr;
    stats_.TotalCompressed += stats_.CompressedSize;

    const int64_t end = archive.Position();
    header.Record.DataEnd = StoredPosition(end - 1);
    header.Record.NextHeader = StoredPosition(end);
    header.Record.CompressedSize = StoredPosition(end - header.Record.DataStart);
    header.Record.UniqueID = uniqueID;
    if (uniqueID >= 0 && uniqueID <= kMaxUniqueID) uniqueIDMap_[uniqueID] = index;

    archive.Seek(headerPosition, soFromBeginning);
    header.WriteTo(archive);
    archive.Seek(end, soFromBeginning);

    stats_.Header = header.Record;
    if (OnAfterAdding) OnAfterAdding(this, stats_);
    sourceFile_.reset();
}

void TQlryCompress::CompressMember() {
    SetMemberStats(*currentHeader_);
    stats_.CompressedSize = 0;
    if (OnBeforeAdding) OnBeforeAdding(this, stats_);

    int64_t bytesRead = 0;
    {
        TCompressionStream deflater(compressionLevel_, *destFile_);
        deflater.OnProgress = [this](TObject*) { AddStatus(); };
        std::vector<char> piece(kSourcePiece);
        sourceFile_->Seek(0, soFromBeginning);
        for (int32_t count; (count = sourceFile_->Read(piece.data(), kSourcePiece)) > 0;) {
            deflater.WriteBuffer(piece.data(), count);
            bytesRead += count;
        }
        deflater.Finish();
    }
    // The member holds what was read, also when the file changed since its header was built.
    currentHeader_->Record.UncompressedSize = StoredPosition(bytesRead);
    stats_.UncompressedSize = currentHeader_->Record.UncompressedSize;

    stats_.Done = true;
    AddStatus();
    stats_.Done = false;
    stats_.CompressionRatio = PercentOf(stats_.CompressedSize, stats_.UncompressedSize);
}

void TQlryCompress::AddStatus() {
    if (abort_) throw EqcAborted(kAborted);
    LetMessagesThrough();
    if (!destFile_) throw EQlryCompress("AddStatus has Nil DestFile");
    int32_t bytesDone = static_cast<int32_t>(sourceFile_->Position());
    stats_.TotalBytesDone += bytesDone - stats_.FileBytesDone;
    stats_.FileBytesDone = bytesDone;
    stats_.CompressedSize = static_cast<int32_t>(destFile_->Position() - currentHeader_->Record.DataStart);
    stats_.CompressionRatio = PercentOf(stats_.CompressedSize, stats_.UncompressedSize);
    stats_.FilePercent = PercentOf(stats_.FileBytesDone, stats_.UncompressedSize);
    stats_.TotalPercent = PercentOf(stats_.TotalBytesDone, stats_.TotalUncompressed);
    Status();
}

// Extract ---------------------------------------------------------------------------------

void TQlryCompress::Extract() {
    Finally cleanup([&] {
        filesToProcess_.Clear();
        extractName_.clear();
    });
    RunOperation(true, [&] {
        abort_ = false;
        mode_ = TMode::extracting;
        if (!headersLoaded_) ReadHeaders();
        currentDisk_ = 0;
        InitTotals();
        for (int i = 0; i < filesToProcess_.Count(); ++i) ExtractEntry(filesToProcess_[i]);
    });
}

std::string TQlryCompress::ExtractTarget() const { return AddBackslash(extractDirectory_) + extractName_; }

void TQlryCompress::ExtractEntry(const std::string& entry) {
    skipFile_ = false;
    const int index = headers_.IndexOfFile(entry);
    if (index < 0) throw EQlryCompress("The file <%s> was not found in the archive <%s>", {entry, compressedFile_});
    currentHeader_ = headers_.FileHeaders(index);
    const TFileHeaderRecord& header = currentHeader_->Record;
    SetMemberStats(*currentHeader_);

    if (Trim(extractName_).empty()) extractName_ = NamePart(currentHeader_->FileName());
    if (OnBeforeExtracting) OnBeforeExtracting(this, stats_);
    extractName_ = NamePart(extractName_);
    std::string target = ExtractTarget();

    bool write = true;
    // A device name is never looked at as an existing destination; it is refused below.
    if (IsPlainFileName(extractName_) && FileExists(target)) {
        int comparison = TVersionResource::IsFileNewer(currentHeader_->FileVersion(), target, overwrite_,
                                                       header.FileDate);
        if (comparison == 0) throw EQlryCompress("Error comparing file versions in TQlryCompress");
        if (comparison == 1 || comparison == 3) write = false;
        else if (OnReplace) {
            OnReplace(this, stats_);
            extractName_ = NamePart(extractName_);
            target = ExtractTarget();
        }
    }
    if (skipFile_) write = false;
    if (!write) {
        stats_.Done = true;
        Status();
        // The next member must not inherit this one's name.
        extractName_.clear();
        return;
    }

    // Positions that no archive writer produces would send the reader anywhere in the file.
    const bool oneDisk = header.FirstDisk == header.LastDisk;
    if (header.DataStart < 0 || header.DataEnd < 0 || header.UncompressedSize < 0 || header.CompressedSize < 0 ||
        header.FirstDisk > header.LastDisk || (oneDisk && header.DataEnd < header.DataStart))
        throw EQlryCompress(kHeadersCorrupt);
    if (!IsPlainFileName(extractName_)) throw EQlryCompress(kCannotCreate, {target});

    OpenDiskFile(sourceFile_, header.FirstDisk == 0 ? 1 : header.FirstDisk, fmOpenRead | fmShareDenyNone,
                 compressedFile_);
    currentDisk_ = header.FirstDisk;
    Finally closeSource([&] { sourceFile_.reset(); });

    ForceDirectoriesOrFail(ExtractFileDir(target));
    TFileStreamPtr targetFile;
    try {
        targetFile = std::make_unique<TFileStream>(target, fmCreate);
    } catch (const EStreamError&) {
        throw EQlryCompress(kCannotCreate, {target});
    }
    TWriteBehindStream targetWriter(*targetFile);
    destFile_ = &targetWriter;
    try {
        sourceFile_->Seek(static_cast<int64_t>(offset_) + header.DataStart, soFromBeginning);
        bool streamEnded = false;
        InflateMember(targetWriter, streamEnded);
        if (targetWriter.Flush() > 0) DoFullDisk();
        stats_.Done = true;
        Status();
        if (targetFile->Size() != header.UncompressedSize)
            throw EQlryCompress(kSizeMismatch, {currentHeader_->FileName()});
        // All bytes there but the zlib stream (and its check sum) incomplete.
        if (!streamEnded) throw EDecompressionError("error");
        if (!FileSetDateTime(targetFile->Handle(), header.FileDate))
            throw EQlryCompress("Cannot set the date of the file just extracted.");
    } catch (...) {
        // A destination that did not come out whole must not look as if it had.
        destFile_ = nullptr;
        targetFile.reset();
        DeleteFile(target);
        throw;
    }
    destFile_ = nullptr;
    targetFile.reset();
    extractName_.clear();
}

int32_t TQlryCompress::ReadMemberInput(Bytef* buffer, int32_t size) {
    const TFileHeaderRecord& header = currentHeader_->Record;
    if (currentDisk_ == header.LastDisk) {
        const int64_t last = static_cast<int64_t>(offset_) + header.DataEnd;
        const int64_t position = sourceFile_->Position();
        if (position > last) return 0;
        size = static_cast<int32_t>(std::min<int64_t>(size, last - position + 1));
    }
    return sourceFile_->Read(buffer, size);
}

void TQlryCompress::InflateMember(TWriteBehindStream& target, bool& streamEnded) {
    const TFileHeaderRecord& header = currentHeader_->Record;
    z_stream zstream{};
    ZCheck(inflateInit_(&zstream, kZlibVersion, kZStreamSize), false);
    Finally end([&] { inflateEnd(&zstream); });
    std::vector<Bytef> input(kInflateInput);

    const int passes = header.LastDisk - currentDisk_ + 1;
    for (int pass = 0; pass < passes && !streamEnded; ++pass) {
        for (;;) {
            // The 4 KB output buffer is the next free part of the write-behind buffer.
            int32_t lost = 0;
            zstream.next_out = reinterpret_cast<Bytef*>(target.Reserve(kInflateOutput, lost));
            zstream.avail_out = kInflateOutput;
            while (zstream.avail_out > 0 && !streamEnded) {
                if (zstream.avail_in == 0) {
                    int32_t count = ReadMemberInput(input.data(), kInflateInput);
                    if (count <= 0) break;
                    zstream.next_in = input.data();
                    zstream.avail_in = static_cast<uInt>(count);
                }
                int code = inflate(&zstream, Z_NO_FLUSH);
                ZCheck(code, false);
                if (code == Z_STREAM_END) streamEnded = true;
            }
            const int32_t produced = kInflateOutput - static_cast<int32_t>(zstream.avail_out);

            if (abort_) throw EqcAborted(kAborted);
            LetMessagesThrough();

            if (produced == 0) {
                if (lost > 0) DoFullDisk();
                break;
            }
            target.Commit(produced);
            const int32_t written = produced - std::min(produced, lost);
            if (written < produced) DoFullDisk();
            stats_.FileBytesDone += written;
            stats_.TotalBytesDone += written;
            stats_.FilePercent = PercentOf(stats_.FileBytesDone, stats_.UncompressedSize);
            stats_.TotalPercent = PercentOf(stats_.TotalBytesDone, stats_.TotalUncompressed);
            Status();
            // More output than the header promises: stop before it fills the disk.
            if (stats_.FileBytesDone > header.UncompressedSize)
                throw EQlryCompress(kSizeMismatch, {currentHeader_->FileName()});
        }
        // This disk file is used up.
        if (currentDisk_ < header.LastDisk && !streamEnded) {
            ++currentDisk_;
            OpenDiskFile(sourceFile_, currentDisk_, fmOpenRead | fmShareDenyNone, compressedFile_);
            sourceFile_->Seek(0, soFromBeginning);
        }
    }
}

// SpreadToDisks ---------------------------------------------------------------------------

void TQlryCompress::SpreadToDisks(const std::string& destDir, const std::string& fileName) {
    RunOperation(false, [&] {
        TFileStreamPtr target;
        std::string directory = destDir;
        const std::string name = ExtractFileName(fileName);
        Finally cleanup([&] {
            target.reset();
            sourceFile_.reset();
            // The headers now describe the disk set (or half of it), not CompressedFile.
            headersLoaded_ = false;
        });
        abort_ = false;
        if (!headersLoaded_) ReadHeaders();
        currentDisk_ = 1;
        headers_.DiskSet = true;
        InitTotals();

        try {
            sourceFile_ = std::make_unique<TFileStream>(compressedFile_, fmOpenReadWrite | fmShareDenyNone);
        } catch (const EStreamError&) {
            throw EQlryCompress(kCannotOpenArchive, {compressedFile_});
        }
        std::string targetName = AddBackslash(directory) + name;
        try {
            target = std::make_unique<TFileStream>(targetName, fmCreate);
        } catch (const EStreamError&) {
            throw EQlryCompress(kCannotCreate, {targetName});
        }
        headers_.WriteToStream(*target);

        for (int i = 0; i < headers_.Count(); ++i) {
            currentHeader_ = headers_.FileHeaders(i);
            TFileHeaderRecord& header = currentHeader_->Record;
            SetMemberStats(*currentHeader_);
            sourceFile_->Seek(static_cast<int64_t>(header.DataStart) + offset_, soFromBeginning);
            header.DataStart = StoredPosition(target->Position());
            header.FirstDisk = static_cast<uint8_t>(currentDisk_);
            while (CopyChunk(target, directory, name) != 0) {
            }
            header.DataEnd = StoredPosition(target->Position() - 1);
            header.LastDisk = static_cast<uint8_t>(currentDisk_);
        }

        std::string firstDisk = AddBackslash(directory) + name;
        OpenDiskFile(target, 1, fmOpenReadWrite | fmShareDenyNone, firstDisk);
        headers_.WriteToStream(*target);
    });
}

int32_t TQlryCompress::CopyChunk(TFileStreamPtr& target, std::string& destDir, const std::string& fileName) {
    if (abort_) throw EqcAborted(kAborted);
    const int64_t last = static_cast<int64_t>(offset_) + currentHeader_->Record.DataEnd;
    const int64_t position = sourceFile_->Position();
    if (position > last) return 0;
    char buffer[kCopyPiece];
    const int32_t wanted = static_cast<int32_t>(std::min<int64_t>(kCopyPiece, last - position + 1));
    const int32_t read = sourceFile_->Read(buffer, wanted);
    LetMessagesThrough();

    const int64_t before = target->Position();
    int32_t written = target->Write(buffer, read);
    if (written < read) {
        // A write that fails part-way may still have put bytes on the disk; count what is there
        // so that nothing is stored twice.
        written = static_cast<int32_t>(std::clamp<int64_t>(target->Position() - before, 0, read));
        target.reset();
        ++currentDisk_;
        if (!OnNewDisk)
            throw EQlryCompress(
                "There was no event handler for the OnNewDisk event, therefore no new disk could be inserted");
        OnNewDisk(this, currentDisk_, destDir);
        std::string diskName = AddBackslash(destDir) + ChangeFileExt(fileName, DiskExtension(currentDisk_));
        try {
            target = std::make_unique<TFileStream>(diskName, fmCreate);
        } catch (const EStreamError&) {
            throw EQlryCompress(kCannotCreate, {diskName});
        }
        if (target->Write(buffer + written, read - written) < read - written)
            throw EQlryCompress("There is too little space on this disk to operate");
    }
    stats_.FileBytesDone += read;
    stats_.FilePercent = PercentOf(stats_.FileBytesDone, stats_.CompressedSize);
    stats_.TotalBytesDone += read;
    stats_.TotalPercent = PercentOf(stats_.TotalBytesDone, stats_.TotalCompressed);
    Status();
    return read;
}

// CopyFile --------------------------------------------------------------------------------

void TQlryCompress::CopyFile(const std::string& source, const std::string& dest) {
    abort_ = false;
    offset_ = 0;
    extractDirectory_ = ExtractFileDir(dest);
    extractName_ = ExtractFileName(dest);
    std::string destination = dest;

    bool write = true;
    if (FileExists(destination)) {
        int comparison = TVersionResource::IsFileNewerByName(source, destination, overwrite_);
        if (comparison == 0) throw EQlryCompress("Error comparing file versions in TQlryCompress");
        if (comparison == 1 || comparison == 3) write = false;
        else if (OnReplace) {
            OnReplace(this, TlzhFileStats{});
            extractName_ = NamePart(extractName_);
            destination = ExtractTarget();
        }
    }
    if (skipFile_ || !write) return;

    TlzhFileStats stats;
    stats.FileName = source;
    TDateTime stamp = 0;
    const bool haveStamp = FileGetDateTime(source, stamp);
    std::vector<char> buffer(kCopyPiece);

    TFileStreamPtr sourceFile, destFile;
    try {
        sourceFile = OpenForReading(source);
    } catch (const EFOpenError&) {
        throw EQlryCompress("Cannot open the file %s", {source});
    }
    try {
        destFile = std::make_unique<TFileStream>(destination, fmCreate);
    } catch (const EStreamError&) {
        throw EQlryCompress(kCannotCreate, {destination});
    }
    const int64_t size = sourceFile->Size();
    for (;;) {
        if (abort_) return;
        const int32_t read = sourceFile->Read(buffer.data(), kCopyPiece);
        if (read > 0 && destFile->Write(buffer.data(), read) < read) DoFullDisk();
        stats.FileBytesDone += read;
        stats.TotalBytesDone += read;
        stats.FilePercent = PercentOf(stats.FileBytesDone, static_cast<double>(size));
        stats.TotalPercent = stats.FilePercent;
        if (OnStatus) OnStatus(this, stats);
        LetMessagesThrough();
        if (read < kCopyPiece) {
            if (haveStamp) FileSetDateTime(destFile->Handle(), stamp);
            stats.Done = true;
            if (OnStatus) OnStatus(this, stats);
            return;
        }
    }
}

} // namespace qlry

namespace {
const qlry::TClassRegistration compressRegistration(qlry::TQlryCompress::StaticClassInfo());
}
