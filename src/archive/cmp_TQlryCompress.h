#pragma once
// The archive: its member headers, the deflate stream that writes members, and the
// component that compresses, extracts, spreads archives over disks and copies files.
//
// Archive bytes (little-endian): a 5-byte start block (int32 member count, uint8 disk-set
// flag), then 172-byte member headers. A single file puts each header before its member's
// zlib stream; a disk set keeps all headers in a table on disk 1 and lets the members' data
// run on through the files <name>.1, <name>.2, ...
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "engine/exceptions_Quillory.h"
#include "platform/Component.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/Properties.h"
#include "platform/Streams.h"
#include "platform/Strings.h"
#include "version/cmp_TVersion.h"

// windows.h maps CopyFile to CopyFileA; TQlryCompress::CopyFile keeps its own name.
#undef CopyFile

namespace qlry {

// Errors of the deflate stream: "Invalid stream operation", and "error" for a failing zlib call.
QLRY_EXCEPTION(EZlibError, EStreamError);
QLRY_EXCEPTION(ECompressionError, EZlibError);
QLRY_EXCEPTION(EDecompressionError, EZlibError);

// A length byte and N bytes of text, the unused bytes zero.
template <int N>
struct TShortString {
    uint8_t length;
    char text[N];

    std::string Get() const { return std::string(text, length <= N ? length : N); }
    void Set(const std::string& value) {
        std::size_t count = value.size() < N ? value.size() : N;
        length = static_cast<uint8_t>(count);
        for (int i = 0; i < N; ++i) text[i] = static_cast<std::size_t>(i) < count ? value[i] : '\0';
    }
};

#pragma pack(push, 1)
// One member header exactly as it is stored.
struct TFileHeaderRecord {
    int32_t FileNumber;
    double FileDate;  // TDateTime, local time
    uint8_t LastDisk;
    uint8_t reserved1[3];
    int32_t DataEnd;  // inclusive
    TShortString<100> FileName;
    uint8_t reserved2[3];
    int32_t NextHeader;
    int32_t UncompressedSize;
    int32_t DataStart;
    int32_t CompressedSize;
    uint8_t FirstDisk;
    uint8_t reserved3[3];
    int32_t UniqueID;
    TShortString<20> FileVersion;
    uint8_t reserved4[3];
};
#pragma pack(pop)

constexpr int kFileHeaderSize = 172;
constexpr int kStartBlockSize = 5;
static_assert(sizeof(TFileHeaderRecord) == kFileHeaderSize);

class TFileHeader : public TObject {
public:
    TFileHeader() : Record{} {}

    // True when read from an archive, False for a source file not stored yet.
    bool InArchive = false;
    TFileHeaderRecord Record;

    std::string FileName() const { return Record.FileName.Get(); }
    std::string FileVersion() const { return Record.FileVersion.Get(); }

    // Fills the header from the source file named by Entry (the text before any ";").
    void BuildFromFile(const std::string& entry);
    void ReadFrom(TStream& stream);
    void WriteTo(TStream& stream) const;
};

// The headers of one archive, in archive order; the list owns them.
class TFileHeaders : public TObject {
public:
    int Count() const { return static_cast<int>(headers_.size()); }
    TFileHeader* FileHeaders(int index) const;
    // Refuses a header whose FileName is blank (and frees it).
    void Add(std::unique_ptr<TFileHeader> header);
    void Clear() { headers_.clear(); }
    void AddFiles(const TStrings& files, bool keep);
    // The first header for the entry's path, ignoring case; -1 when there is none.
    int IndexOfFile(const std::string& entry) const;
    int64_t TotalUncompressed() const;
    int64_t TotalCompressed() const;

    void ReadFromStream(TStream& stream, int64_t offset);
    // The start block, and for a disk set the whole header table.
    void WriteToStream(TStream& stream);

    bool DiskSet = false;

private:
    std::vector<std::unique_ptr<TFileHeader>> headers_;
};

// The path part of a file-list entry: the text before its first ";".
std::string EntryPath(const std::string& entry);

enum TCompressionLevel { colNone, colFastest, colDefault, colMax };
const TEnumInfo& CompressionLevelInfo();

// A stream over zlib's state and a destination or source stream.
class TCustomZlibStream : public TStream {
public:
    static constexpr int kBufferSize = 65536;
    std::function<void(TObject* sender)> OnProgress;

protected:
    explicit TCustomZlibStream(TStream& stream);
    void Progress();

    TStream& stream_;
    int64_t streamPosition_;
    z_stream zstream_;
    std::vector<Bytef> buffer_;
};

// Write-only: deflates what is written into one zlib stream on the destination.
class TCompressionStream : public TCustomZlibStream {
public:
    TCompressionStream(TCompressionLevel level, TStream& dest);
    // Ends zlib's state; a stream not finished leaves its zlib data incomplete.
    ~TCompressionStream() override;

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    // Only the position (the bytes taken so far) can be asked for.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // Writes the rest of the zlib stream. Separate from destruction because it raises the
    // progress event, whose handler may throw.
    void Finish();

private:
    void WriteBufferOut(uInt count);
    bool finished_ = false;
};

class TQlryCompress;
class TWriteBehindStream;

using TNotifyEvent = std::function<void(TObject* sender)>;

struct TlzhFileStats {
    uint8_t FilePercent = 0;
    int32_t FileBytesDone = 0;
    std::string FileName;
    int32_t CompressedSize = 0;
    uint8_t CompressionRatio = 0;
    int32_t UncompressedSize = 0;
    TFileHeaderRecord Header{};
    bool Done = false;
    uint8_t TotalPercent = 0;
    int32_t TotalBytesDone = 0;
    int32_t TotalCompressed = 0;
    uint8_t TotalRatio = 0;
    int32_t TotalUncompressed = 0;
};

using TlzhFileStatsEvent = std::function<void(TQlryCompress* compress, const TlzhFileStats& stats)>;
using TlzhNewDiskEvent = std::function<void(TQlryCompress* compress, int diskNumber, std::string& path)>;

// Round(a / b * 100), 0 when b is 0; kept within a byte.
uint8_t PercentOf(double a, double b);

class TQlryCompress : public TComponent {
public:
    explicit TQlryCompress(TComponent* owner);
    ~TQlryCompress() override;
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }

    bool Abort() const { return abort_; }
    void SetAbort(bool abort) { abort_ = abort; }
    const std::string& CompressedFile() const { return compressedFile_; }
    // Another archive (not just another disk of the same set) drops the loaded headers.
    void SetCompressedFile(const std::string& fileName);
    TCompressionLevel CompressionLevel() const { return compressionLevel_; }
    void SetCompressionLevel(TCompressionLevel level) { compressionLevel_ = level; }
    const std::string& ExtractDirectory() const { return extractDirectory_; }
    void SetExtractDirectory(const std::string& directory) { extractDirectory_ = directory; }
    TStrings* FilesToProcess() { return &filesToProcess_; }
    // Removes the blank entries from Files itself, then copies the rest.
    void SetFilesToProcess(TStrings* files);
    int Offset() const { return offset_; }
    void SetOffset(int offset) { offset_ = offset; }
    TOverwriteType Overwrite() const { return overwrite_; }
    void SetOverwrite(TOverwriteType overwrite) { overwrite_ = overwrite; }

    // The name (no directory) under which Extract writes the current member.
    const std::string& ExtractName() const { return extractName_; }
    void SetExtractName(const std::string& name) { extractName_ = name; }
    // Set by an OnBeforeExtracting or OnReplace handler to skip the current member.
    bool SkipFile() const { return skipFile_; }
    void SetSkipFile(bool skip) { skipFile_ = skip; }

    int FileCount();
    void GetFileStats(int index, TlzhFileStats& stats);
    // The header index of the member an install file stored; 0 when none did, -1 for an
    // identifier outside 0..1999.
    int IndexOfUniqueID(int id);
    const TFileHeaders& Headers() const { return headers_; }

    void Compress(bool append, int uniqueID);
    void Extract();
    void SpreadToDisks(const std::string& destDir, const std::string& fileName);
    void CopyFile(const std::string& source, const std::string& dest);

    // Called when a destination write comes up short.
    virtual void DoFullDisk();

    TNotifyEvent OnAborted;
    TlzhFileStatsEvent OnAfterAdding;
    TlzhFileStatsEvent OnBeforeAdding;
    TlzhFileStatsEvent OnAfterExtracting;  // never raised
    TlzhFileStatsEvent OnBeforeExtracting;
    TNotifyEvent OnFullDisk;
    TlzhFileStatsEvent OnListing;  // never raised
    TlzhNewDiskEvent OnNewDisk;
    TlzhFileStatsEvent OnReplace;
    TlzhFileStatsEvent OnStatus;

private:
    enum class TMode { idle, adding, extracting };
    using TFileStreamPtr = std::unique_ptr<TFileStream>;

    template <class Body>
    void RunOperation(bool quietOnEAbort, Body&& body);

    void ReadHeaders();
    void OpenDiskFile(TFileStreamPtr& stream, int disk, unsigned mode, std::string& fileName);
    void SetMemberStats(const TFileHeader& header);
    void InitTotals();
    void Status();

    void CompressMember();
    void AddStatus();
    void CompressEntry(TFileHeader& header, int index, TStream& archive, int uniqueID);

    void ExtractEntry(const std::string& entry);
    std::string ExtractTarget() const;
    void InflateMember(TWriteBehindStream& target, bool& streamEnded);
    int32_t ReadMemberInput(Bytef* buffer, int32_t size);

    int32_t CopyChunk(TFileStreamPtr& target, std::string& destDir, const std::string& fileName);

    TMode mode_ = TMode::idle;
    int currentDisk_ = 0;
    TStream* destFile_ = nullptr;
    TFileHeader* currentHeader_ = nullptr;
    TlzhFileStats stats_;
    bool headersLoaded_ = false;
    TFileStreamPtr sourceFile_;
    std::array<int, 2000> uniqueIDMap_{};

    bool abort_ = false;
    std::string compressedFile_;
    TCompressionLevel compressionLevel_ = colMax;
    std::string extractDirectory_;
    std::string extractName_;
    TFileHeaders headers_;
    TStringList filesToProcess_;
    int offset_ = 0;
    TOverwriteType overwrite_ = owAlways;
    bool skipFile_ = false;
};

} // namespace qlry
