// The 7-Zip library's object model as this program uses it: identifiers, property values,
// wide strings and the interfaces exchanged with the library, in the library's slot order.
// On Linux the library's wide character is wchar_t (4 bytes) and its methods are declared
// not to throw, so every method here is noexcept: nothing may unwind through the library.
#pragma once

#include "winapi/windef.h"

#include <cstdint>

using UInt32 = std::uint32_t;
using Int32 = std::int32_t;
using UInt64 = std::uint64_t;
using Int64 = std::int64_t;
using PROPID = std::uint32_t;
using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
// A library string: wide characters preceded by a 32-bit byte length (see Bstr.h).
using BSTR = wchar_t*;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_FILETIME = 64,
};

struct PROPVARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        char cVal;
        unsigned char bVal;
        short iVal;
        unsigned short uiVal;
        std::int32_t lVal;
        std::uint32_t ulVal;
        int intVal;
        unsigned uintVal;
        Int64 hVal;
        UInt64 uhVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
    };
};

// Interface ids: {23170F69-40C1-278A-0000-00gg00ii0000}, group gg, number ii.
constexpr IID SevenZipIid(BYTE group, BYTE number) {
    return {0x23170F69, 0x40C1, 0x278A, {0, 0, 0, group, 0, number, 0, 0}};
}

// The 7z format handler.
inline constexpr CLSID CLSID_CFormat7z = {
    0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};

inline constexpr IID IID_IProgress = SevenZipIid(0x00, 0x05);
inline constexpr IID IID_ISequentialInStream = SevenZipIid(0x03, 0x01);
inline constexpr IID IID_ISequentialOutStream = SevenZipIid(0x03, 0x02);
inline constexpr IID IID_IInStream = SevenZipIid(0x03, 0x03);
inline constexpr IID IID_IOutStream = SevenZipIid(0x03, 0x04);
inline constexpr IID IID_IStreamGetSize = SevenZipIid(0x03, 0x06);
inline constexpr IID IID_IOutStreamFlush = SevenZipIid(0x03, 0x07);
inline constexpr IID IID_ICryptoGetTextPassword = SevenZipIid(0x05, 0x10);
inline constexpr IID IID_IArchiveOpenCallback = SevenZipIid(0x06, 0x10);
inline constexpr IID IID_IArchiveExtractCallback = SevenZipIid(0x06, 0x20);
inline constexpr IID IID_IArchiveOpenVolumeCallback = SevenZipIid(0x06, 0x30);
inline constexpr IID IID_IArchiveOpenSetSubArchiveName = SevenZipIid(0x06, 0x50);
inline constexpr IID IID_IInArchive = SevenZipIid(0x06, 0x60);

// Item properties.
constexpr PROPID kpidPath = 3;
constexpr PROPID kpidName = 4;
constexpr PROPID kpidIsDir = 6;
constexpr PROPID kpidSize = 7;
constexpr PROPID kpidEncrypted = 15;
constexpr PROPID kpidBlock = 27;

// Ask modes of IArchiveExtractCallback::GetStream.
constexpr Int32 kExtract = 0;
constexpr Int32 kTest = 1;
constexpr Int32 kSkip = 2;

// Per-item operation results of IArchiveExtractCallback::SetOperationResult.
constexpr Int32 kOK = 0;
constexpr Int32 kUnsupportedMethod = 1;
constexpr Int32 kDataError = 2;
constexpr Int32 kCRCError = 3;
constexpr Int32 kUnavailable = 4;
constexpr Int32 kUnexpectedEnd = 5;
constexpr Int32 kDataAfterEnd = 6;
constexpr Int32 kIsNotArc = 7;
constexpr Int32 kHeadersError = 8;
constexpr Int32 kWrongPassword = 9;

// Item count meaning "all items" for IInArchive::Extract.
constexpr UInt32 kAllItems = 0xFFFFFFFF;

struct ISequentialInStream : IUnknown {
    virtual HRESULT Read(void* data, UInt32 size, UInt32* processedSize) noexcept = 0;
};

struct ISequentialOutStream : IUnknown {
    virtual HRESULT Write(const void* data, UInt32 size, UInt32* processedSize) noexcept = 0;
};

struct IInStream : ISequentialInStream {
    virtual HRESULT Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept = 0;
};

struct IOutStream : ISequentialOutStream {
    virtual HRESULT Seek(Int64 offset, UInt32 seekOrigin, UInt64* newPosition) noexcept = 0;
    virtual HRESULT SetSize(UInt64 newSize) noexcept = 0;
};

struct IStreamGetSize : IUnknown {
    virtual HRESULT GetSize(UInt64* size) noexcept = 0;
};

struct IOutStreamFlush : IUnknown {
    virtual HRESULT Flush() noexcept = 0;
};

struct IProgress : IUnknown {
    virtual HRESULT SetTotal(UInt64 total) noexcept = 0;
    virtual HRESULT SetCompleted(const UInt64* completeValue) noexcept = 0;
};

struct ICryptoGetTextPassword : IUnknown {
    virtual HRESULT CryptoGetTextPassword(BSTR* password) noexcept = 0;
};

struct IArchiveOpenCallback : IUnknown {
    virtual HRESULT SetTotal(const UInt64* files, const UInt64* bytes) noexcept = 0;
    virtual HRESULT SetCompleted(const UInt64* files, const UInt64* bytes) noexcept = 0;
};

struct IArchiveExtractCallback : IProgress {
    virtual HRESULT GetStream(UInt32 index, ISequentialOutStream** outStream,
                              Int32 askExtractMode) noexcept = 0;
    virtual HRESULT PrepareOperation(Int32 askExtractMode) noexcept = 0;
    virtual HRESULT SetOperationResult(Int32 opRes) noexcept = 0;
};

struct IArchiveOpenVolumeCallback : IUnknown {
    virtual HRESULT GetProperty(PROPID propID, PROPVARIANT* value) noexcept = 0;
    virtual HRESULT GetStream(const wchar_t* name, IInStream** inStream) noexcept = 0;
};

struct IArchiveOpenSetSubArchiveName : IUnknown {
    virtual HRESULT SetSubArchiveName(const wchar_t* name) noexcept = 0;
};

struct IInArchive : IUnknown {
    virtual HRESULT Open(IInStream* stream, const UInt64* maxCheckStartPosition,
                         IArchiveOpenCallback* openCallback) noexcept = 0;
    virtual HRESULT Close() noexcept = 0;
    virtual HRESULT GetNumberOfItems(UInt32* numItems) noexcept = 0;
    virtual HRESULT GetProperty(UInt32 index, PROPID propID, PROPVARIANT* value) noexcept = 0;
    virtual HRESULT Extract(const UInt32* indices, UInt32 numItems, Int32 testMode,
                            IArchiveExtractCallback* extractCallback) noexcept = 0;
    virtual HRESULT GetArchiveProperty(PROPID propID, PROPVARIANT* value) noexcept = 0;
    virtual HRESULT GetNumberOfProperties(UInt32* numProps) noexcept = 0;
    virtual HRESULT GetPropertyInfo(UInt32 index, BSTR* name, PROPID* propID,
                                    VARTYPE* varType) noexcept = 0;
    virtual HRESULT GetNumberOfArchiveProperties(UInt32* numProps) noexcept = 0;
    virtual HRESULT GetArchivePropertyInfo(UInt32 index, BSTR* name, PROPID* propID,
                                           VARTYPE* varType) noexcept = 0;
};

// The library's object factory export.
using CreateObjectFunc = HRESULT (*)(const GUID* classId, const GUID* interfaceId, void** object);
