#include "platform/Streams.h"

#include <algorithm>
#include <cstring>

#include "platform/Exceptions.h"

namespace qlry {

// TStream ---------------------------------------------------------------------------

int64_t TStream::Size() {
    int64_t position = Seek(0, soFromCurrent);
    int64_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    const int32_t chunk = 0xF000;
    std::vector<char> buffer(static_cast<size_t>(std::min<int64_t>(count, chunk)));
    for (int64_t left = count; left > 0;) {
        int32_t piece = static_cast<int32_t>(std::min<int64_t>(left, chunk));
        source.ReadBuffer(buffer.data(), piece);
        WriteBuffer(buffer.data(), piece);
        left -= piece;
    }
    return count;
}

// THandleStream ---------------------------------------------------------------------

int32_t THandleStream::Read(void* buffer, int32_t count) {
    DWORD read = 0;
    if (count <= 0 || !ReadFile(handle_, buffer, static_cast<DWORD>(count), &read, nullptr)) return 0;
    return static_cast<int32_t>(read);
}

int32_t THandleStream::Write(const void* buffer, int32_t count) {
    DWORD written = 0;
    if (count <= 0 || !WriteFile(handle_, buffer, static_cast<DWORD>(count), &written, nullptr)) return 0;
    return static_cast<int32_t>(written);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin) {
    // SetFilePointer with a high part: SetFilePointerEx is missing on Windows 9x.
    LONG high = static_cast<LONG>(offset >> 32);
    DWORD low = SetFilePointer(handle_, static_cast<LONG>(offset & 0xFFFFFFFF), &high, static_cast<DWORD>(origin));
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return -1;
    return (static_cast<int64_t>(high) << 32) | low;
}

void THandleStream::SetSize(int64_t size) {
    if (Seek(size, soFromBeginning) != size || !SetEndOfFile(handle_)) RaiseLastOSError();
}

// TFileStream -----------------------------------------------------------------------

namespace {

bool OpenFlags(unsigned mode, DWORD& access, DWORD& share) {
    static const DWORD accessModes[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD shareModes[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    unsigned accessIndex = mode & 0x0F;
    unsigned shareIndex = (mode & 0xF0) >> 4;
    if ((mode & ~0xFFu) != 0 || accessIndex > 2 || shareIndex > 4) return false;
    access = accessModes[accessIndex];
    share = shareModes[shareIndex];
    return true;
}

std::string WithSystemText(std::string message, DWORD code) {
    std::string text = SysErrorMessage(code);
    return text.empty() ? message : message + ". " + text;
}

} // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode)
    : THandleStream(INVALID_HANDLE_VALUE), fileName_(fileName) {
    if (mode == fmCreate) {
        handle_ = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            throw EFCreateError(WithSystemText(Format("Cannot create file %s", {fileName}), GetLastError()));
        return;
    }
    DWORD access = 0, share = 0;
    if (OpenFlags(mode, access, share))
        handle_ = CreateFileA(fileName.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    else SetLastError(ERROR_INVALID_PARAMETER);
    if (handle_ == INVALID_HANDLE_VALUE)
        throw EFOpenError(WithSystemText(Format("Cannot open file %s", {fileName}), GetLastError()));
}

TFileStream::~TFileStream() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

// TMemoryStream ---------------------------------------------------------------------

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
    int64_t available = Size() - position_;
    if (count <= 0 || available <= 0) return 0;
    int32_t moved = static_cast<int32_t>(std::min<int64_t>(count, available));
    std::memcpy(buffer, data_.data() + position_, moved);
    position_ += moved;
    return moved;
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
    if (count <= 0) return 0;
    int64_t end = position_ + count;
    if (end > Size()) data_.resize(static_cast<size_t>(end));
    std::memcpy(data_.data() + position_, buffer, count);
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    int64_t base = origin == soFromBeginning ? 0 : origin == soFromCurrent ? position_ : Size();
    if (base + offset < 0) return -1;
    position_ = base + offset;
    return position_;
}

void TMemoryStream::SetSize(int64_t size) {
    data_.resize(static_cast<size_t>(size));
    if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
    std::vector<char>().swap(data_);
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    int64_t size = source.Size();
    SetSize(size);
    source.ReadBuffer(data_.data(), static_cast<int32_t>(size));
    position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToStream(TStream& dest) const {
    dest.WriteBuffer(data_.data(), static_cast<int32_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

// TStringStream ---------------------------------------------------------------------

TStringStream::TStringStream(const std::string& data) {
    WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
    SetPosition(0);
}

std::string TStringStream::DataString() const {
    return std::string(static_cast<const char*>(Memory()), Length());
}

} // namespace qlry
