// T7zStream lets the library use a run-time stream: one adapter answers all six of the
// library's stream interfaces over one wrapped stream, forwarding every call unbuffered.
#pragma once

#include "rtl/Streams.h"
#include "sevenzip/CallbackErrorTrap.h"
#include "sevenzip/ComObject.h"
#include "sevenzip/SevenZipInterfaces.h"

#include <cstdint>
#include <memory>

enum TStreamOwnership : std::uint8_t { soReference = 0, soOwned = 1 };

class T7zStream final : public ComObject,
                        public IOutStreamFlush,
                        public IOutStream,
                        public IStreamGetSize,
                        public IInStream {
public:
    // An owned stream is freed with the adapter. An error the wrapped stream raises is handed
    // to errorTrap when one is given, so the operation that called the library raises it;
    // either way the call returns E_FAIL rather than unwinding through the library.
    T7zStream(TStream* stream, TStreamOwnership ownership,
              std::shared_ptr<CallbackErrorTrap> errorTrap = nullptr);

    HRESULT QueryInterface(REFIID iid, void** object) noexcept override;
    ULONG AddRef() noexcept override { return AddRefObject(); }
    ULONG Release() noexcept override { return ReleaseObject(); }

    HRESULT Read(void* data, UInt32 size, UInt32* processedSize) noexcept override;
    HRESULT Write(const void* data, UInt32 size, UInt32* processedSize) noexcept override;
    HRESULT Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept override;
    HRESULT SetSize(UInt64 newSize) noexcept override;
    HRESULT GetSize(UInt64* size) noexcept override;
    HRESULT Flush() noexcept override;

private:
    ~T7zStream() override;

    template <class Body> HRESULT Forward(Body&& body) noexcept;

    TStream* const stream_;
    const TStreamOwnership ownership_;
    const std::shared_ptr<CallbackErrorTrap> errorTrap_;
};
