#include "rtl/Streams.h"

#include "rtl/SysErrorMessage.h"
#include "winapi/kernel32.h"

std::int64_t TStream::Size() {
    std::int64_t position = Seek(0, soCurrent);
    std::int64_t size = Seek(0, soEnd);
    Seek(position, soBeginning);
    return size;
}

std::uint32_t THandleStream::Read(void* buffer, std::uint32_t count) {
    DWORD moved = 0;
    if (!ReadFile(handle_, buffer, count, &moved, nullptr))
        return 0;
    return moved;
}

std::uint32_t THandleStream::Write(const void* buffer, std::uint32_t count) {
    DWORD moved = 0;
    if (!WriteFile(handle_, buffer, count, &moved, nullptr))
        return 0;
    return moved;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    LONG high = static_cast<LONG>(offset >> 32);
    SetLastError(ERROR_SUCCESS);
    DWORD low = SetFilePointer(handle_, static_cast<LONG>(offset & 0xFFFFFFFF), &high, origin);
    // INVALID_SET_FILE_POINTER is also a valid low half; only the last error tells them apart.
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS)
        return -1;
    return (static_cast<std::int64_t>(high) << 32) | low;
}

void THandleStream::SetSize(std::int64_t newSize) {
    Seek(newSize, soBeginning);
    if (!SetEndOfFile(handle_))
        throw EStreamError(SysErrorMessage(GetLastError()));
}

namespace {

HANDLE OpenExistingFile(const AnsiString& fileName, std::uint16_t mode) {
    static constexpr DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static constexpr DWORD share[] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE};
    unsigned accessIndex = mode & 3;
    unsigned shareIndex = (mode & 0xF0) >> 4;
    if (accessIndex > 2 || shareIndex > 4) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileA(fileName.c_str(), access[accessIndex], share[shareIndex], nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// "<verb> file "<path>". <system's text for the last error>"
AnsiString FileErrorMessage(const char* verb, const AnsiString& fileName) {
    return AnsiString(verb) + " file \"" + fileName + "\". " + SysErrorMessage(GetLastError());
}

} // namespace

TFileStream::TFileStream(const AnsiString& fileName, std::uint16_t mode)
    : THandleStream(INVALID_HANDLE_VALUE), fileName_(fileName) {
    if (mode == fmCreate) {
        handle_ = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE)
            throw EFCreateError(FileErrorMessage("Cannot create", fileName));
    } else {
        handle_ = OpenExistingFile(fileName, mode);
        if (handle_ == INVALID_HANDLE_VALUE)
            throw EFOpenError(FileErrorMessage("Cannot open", fileName));
    }
}

TFileStream::~TFileStream() {
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
}
