// The archive reader's interface as callers see it, and the callbacks they hand it. Errors
// are raised as Exception; 8-bit strings are GBK, wide strings are the library's wchar_t.
#pragma once

#include "sevenzip/ExtractionJournal.h"

#include "rtl/Streams.h"
#include "sevenzip/ComPtr.h"
#include "sevenzip/SevenZipInterfaces.h"

#include <string>

inline constexpr IID IID_I7zArchiveReader = {
    0x022CF785, 0x3ECE, 0x46EF, {0x97, 0x55, 0x29, 0x1F, 0xA8, 0x4C, 0xC6, 0xC9}};

// Each returns 0 on success; user is the pointer given with the callback, handed back as is.
// Asked for the archive password when none is known.
using PasswordCallback = HRESULT (*)(void* user, std::wstring& password);
// Called first with total = true and the number of bytes the extraction will unpack, then with
// total = false and the running count unpacked so far. A non-zero result stops the extraction.
// The 7z handler reports progress on the thread that called the extraction.
using ProgressCallback = HRESULT (*)(void* user, bool total, Int64 value);
// Supplies the output stream for one item (a new reference, or null to skip the item's data).
// The library may call it from one of its worker threads.
using ItemStreamCallback = HRESULT (*)(void* user, UInt32 index, ISequentialOutStream** outStream);

struct I7zArchiveReader : IUnknown {
    virtual void OpenFile(const AnsiString& path) = 0;
    virtual void OpenStream(IInStream* stream) = 0;
    // Closes the archive; the next open asks for the password again.
    virtual void Close() = 0;
    virtual UInt32 NumberOfItems() = 0;
    virtual std::wstring ItemPath(UInt32 index) = 0;
    virtual std::wstring ItemName(UInt32 index) = 0;
    virtual Int32 ItemSize(UInt32 index) = 0;
    virtual bool ItemIsFolder(UInt32 index) = 0;
    virtual ComPtr<IInArchive> InArchive() = 0;
    virtual void ExtractItem(UInt32 index, TStream* stream, bool test) = 0;
    // items must be in ascending order.
    virtual void ExtractItems(const UInt32* items, UInt32 count, bool test, void* user,
                              ItemStreamCallback callback) = 0;
    virtual void ExtractAll(bool test, void* user, ItemStreamCallback callback) = 0;
    // Writes every item as a file under the folder, creating the folders on the way. All or
    // nothing: when it raises, the files it created are gone and the ones it replaced are back.
    virtual void ExtractTo(const AnsiString& folder) = 0;
    // The same, adding to journal the record of what was written, for the caller to commit or
    // roll back (also after a failure: the journal then holds what the extraction had made).
    virtual void ExtractTo(const AnsiString& folder, TExtractionJournal& journal) = 0;
    virtual void SetPasswordCallback(void* user, PasswordCallback callback) = 0;
    // An empty password leaves no password known.
    virtual void SetPassword(const std::wstring& password) = 0;
    virtual void SetProgressCallback(void* user, ProgressCallback callback) = 0;
    virtual void SetClassId(const CLSID& classId) = 0;
    virtual CLSID ClassId() = 0;
};
