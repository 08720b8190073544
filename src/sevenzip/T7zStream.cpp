#include "sevenzip/T7zStream.h"

#include "rtl/SysErrorMessage.h"
#include "winapi/Gbk.h"
#include "winapi/kernel32.h"

namespace {

// A stream that takes fewer bytes than offered has failed (a full disk, most often); the text
// names the file so the user knows where the space ran out.
[[noreturn]] void RaiseWriteFailure(TStream* stream) {
    const DWORD error = GetLastError();
    const AnsiString reason = error != ERROR_SUCCESS ? SysErrorMessage(error) : AnsiString();
    if (auto* file = dynamic_cast<TFileStream*>(stream))
        throw EStreamError(gbk::Literal("写入文件“") + file->FileName() + gbk::Literal("”失败：") +
                           reason);
    throw EStreamError(gbk::Literal("写入数据失败：") + reason);
}

} // namespace

T7zStream::T7zStream(TStream* stream, TStreamOwnership ownership,
                     std::shared_ptr<CallbackErrorTrap> errorTrap)
    : stream_(stream), ownership_(ownership), errorTrap_(std::move(errorTrap)) {}

T7zStream::~T7zStream() {
    if (ownership_ == soOwned)
        delete stream_;
}

HRESULT T7zStream::QueryInterface(REFIID iid, void** object) noexcept {
    // The sequential interfaces are the first slots of their extended ones, so they share
    // the extended table.
    return AnswerQuery(iid, object,
                       {{IID_IUnknown, static_cast<IInStream*>(this)},
                        {IID_IOutStreamFlush, static_cast<IOutStreamFlush*>(this)},
                        {IID_IOutStream, static_cast<IOutStream*>(this)},
                        {IID_ISequentialOutStream, static_cast<IOutStream*>(this)},
                        {IID_IStreamGetSize, static_cast<IStreamGetSize*>(this)},
                        {IID_IInStream, static_cast<IInStream*>(this)},
                        {IID_ISequentialInStream, static_cast<IInStream*>(this)}});
}

template <class Body> HRESULT T7zStream::Forward(Body&& body) noexcept {
    if (errorTrap_)
        return errorTrap_->Run(body);
    try {
        return body();
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT T7zStream::Read(void* data, UInt32 size, UInt32* processedSize) noexcept {
    return Forward([&] {
        UInt32 moved = stream_->Read(data, size);
        if (processedSize)
            *processedSize = moved;
        return S_OK;
    });
}

HRESULT T7zStream::Write(const void* data, UInt32 size, UInt32* processedSize) noexcept {
    return Forward([&] {
        SetLastError(ERROR_SUCCESS);
        UInt32 moved = stream_->Write(data, size);
        if (moved < size)
            RaiseWriteFailure(stream_);
        if (processedSize)
            *processedSize = moved;
        return S_OK;
    });
}

HRESULT T7zStream::Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept {
    return Forward([&] {
        stream_->Seek(offset, static_cast<TSeekOrigin>(seekOrigin));
        if (newPosition)
            *newPosition = static_cast<UInt64>(stream_->Position());
        return S_OK;
    });
}

HRESULT T7zStream::SetSize(UInt64 newSize) noexcept {
    return Forward([&] {
        stream_->SetSize(static_cast<Int64>(newSize));
        return S_OK;
    });
}

HRESULT T7zStream::GetSize(UInt64* size) noexcept {
    return Forward([&] {
        if (size)
            *size = static_cast<UInt64>(stream_->Size());
        return S_OK;
    });
}

HRESULT T7zStream::Flush() noexcept {
    return S_OK;
}
