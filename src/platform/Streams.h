#pragma once
// Byte streams: the abstract stream, streams over a file handle or a named file, and
// streams in memory.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Component.h"

namespace qlry {

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// TFileStream modes: one access mode combined with one share mode, or fmCreate alone.
constexpr unsigned fmCreate = 0xFFFF;
constexpr unsigned fmOpenRead = 0x0000;
constexpr unsigned fmOpenWrite = 0x0001;
constexpr unsigned fmOpenReadWrite = 0x0002;
constexpr unsigned fmShareCompat = 0x0000;
constexpr unsigned fmShareExclusive = 0x0010;
constexpr unsigned fmShareDenyWrite = 0x0020;
constexpr unsigned fmShareDenyRead = 0x0030;
constexpr unsigned fmShareDenyNone = 0x0040;

class TStream : public TObject {
public:
    // Read and Write return the number of bytes moved (0 on failure).
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    virtual int32_t Write(const void* buffer, int32_t count) = 0;
    // Returns the new position, or -1 when the stream cannot move there.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t position) { Seek(position, soFromBeginning); }
    virtual int64_t Size();
    virtual void SetSize(int64_t size) {}

    // Raise EReadError "Stream read error" / EWriteError "Stream write error" when fewer
    // than count bytes move.
    void ReadBuffer(void* buffer, int32_t count);
    void WriteBuffer(const void* buffer, int32_t count);
    // Copies count bytes from source's position; count 0 copies the whole of source from
    // its start. Returns the number of bytes copied.
    int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a handle that someone else owns.
class THandleStream : public TStream {
public:
    explicit THandleStream(HANDLE handle) : handle_(handle) {}
    HANDLE Handle() const { return handle_; }

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // Raises EOSError when the file cannot be cut or extended.
    void SetSize(int64_t size) override;

protected:
    HANDLE handle_;
};

// A named file, opened or created in the constructor and closed in the destructor.
// Raises EFCreateError "Cannot create file %s" or EFOpenError "Cannot open file %s".
class TFileStream : public THandleStream {
public:
    TFileStream(const std::string& fileName, unsigned mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

class TMemoryStream : public TStream {
public:
    void* Memory() { return data_.data(); }
    const void* Memory() const { return data_.data(); }

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t size) override;

    void Clear();
    // Replaces the contents with the whole of source; the position goes to 0.
    void LoadFromStream(TStream& source);
    void LoadFromFile(const std::string& fileName);
    void SaveToStream(TStream& dest) const;
    void SaveToFile(const std::string& fileName) const;

protected:
    size_t Length() const { return data_.size(); }

private:
    std::vector<char> data_;
    int64_t position_ = 0;
};

// A memory stream seen as a byte string.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(const std::string& data = std::string());
    std::string DataString() const;
};

} // namespace qlry
