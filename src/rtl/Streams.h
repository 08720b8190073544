// Seekable byte streams of the run-time library: the abstract TStream, THandleStream over a
// Windows file handle and TFileStream, which opens or creates the file it reads and writes.
#pragma once

#include "rtl/SysUtils.h"
#include "winapi/windef.h"

#include <cstdint>

enum TSeekOrigin : std::uint32_t { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class TStream {
public:
    virtual ~TStream() = default;
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;

    // Both move at most count bytes at the current position and return the count moved; a
    // stream that fails to move anything returns 0.
    virtual std::uint32_t Read(void* buffer, std::uint32_t count) = 0;
    virtual std::uint32_t Write(const void* buffer, std::uint32_t count) = 0;
    // Returns the new position, or -1 when the move failed (the position is then unchanged).
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, soBeginning); }
    virtual std::int64_t Size();
    // Raises EStreamError when the size cannot be set.
    virtual void SetSize(std::int64_t newSize) = 0;
};

// A stream over a file handle it does not own.
class THandleStream : public TStream {
public:
    explicit THandleStream(HANDLE handle) : handle_(handle) {}

    HANDLE Handle() const { return handle_; }

    std::uint32_t Read(void* buffer, std::uint32_t count) override;
    std::uint32_t Write(const void* buffer, std::uint32_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t newSize) override;

protected:
    HANDLE handle_;
};

// Open modes: one access mode combined with one share mode, or fmCreate alone.
constexpr std::uint16_t fmCreate = 0xFFFF;
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareCompat = 0x0000;
constexpr std::uint16_t fmShareExclusive = 0x0010;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyRead = 0x0030;
constexpr std::uint16_t fmShareDenyNone = 0x0040;

// A stream that owns the file it opened and closes it when destroyed. fmCreate creates the
// file or truncates an existing one for exclusive reading and writing; any other mode opens
// an existing file. Failures raise EFCreateError "Cannot create file "%s". %s" or
// EFOpenError "Cannot open file "%s". %s" with the path and the system's text.
class TFileStream : public THandleStream {
public:
    TFileStream(const AnsiString& fileName, std::uint16_t mode);
    ~TFileStream() override;

    const AnsiString& FileName() const { return fileName_; }

private:
    AnsiString fileName_;
};
