// T7zInArchive: the archive reader. It owns one handler object of the library, offers callers
// I7zArchiveReader and answers every callback the library asks of it while opening and
// extracting: open progress, extraction with its progress, the password, volumes and the
// sub-archive name.
#pragma once

#include "sevenzip/CallbackErrorTrap.h"
#include "sevenzip/ComPtr.h"
#include "sevenzip/I7zArchiveReader.h"
#include "sevenzip/T7zArchive.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class T7zInArchive final : public T7zArchive,
                           public I7zArchiveReader,
                           public IArchiveOpenCallback,
                           public IArchiveExtractCallback,
                           public ICryptoGetTextPassword,
                           public IArchiveOpenVolumeCallback,
                           public IArchiveOpenSetSubArchiveName {
public:
    explicit T7zInArchive(const AnsiString& libraryPath);

    HRESULT QueryInterface(REFIID iid, void** object) noexcept override;
    ULONG AddRef() noexcept override { return AddRefObject(); }
    ULONG Release() noexcept override { return ReleaseObject(); }

    // I7zArchiveReader
    void OpenFile(const AnsiString& path) override;
    void OpenStream(IInStream* stream) override;
    void Close() override;
    UInt32 NumberOfItems() override;
    std::wstring ItemPath(UInt32 index) override;
    std::wstring ItemName(UInt32 index) override;
    Int32 ItemSize(UInt32 index) override;
    bool ItemIsFolder(UInt32 index) override;
    ComPtr<IInArchive> InArchive() override;
    void ExtractItem(UInt32 index, TStream* stream, bool test) override;
    void ExtractItems(const UInt32* items, UInt32 count, bool test, void* user,
                      ItemStreamCallback callback) override;
    void ExtractAll(bool test, void* user, ItemStreamCallback callback) override;
    void ExtractTo(const AnsiString& folder) override;
    void ExtractTo(const AnsiString& folder, TExtractionJournal& journal) override;
    void SetPasswordCallback(void* user, PasswordCallback callback) override;
    void SetPassword(const std::wstring& password) override;
    void SetProgressCallback(void* user, ProgressCallback callback) override;
    void SetClassId(const CLSID& classId) override { T7zArchive::SetClassId(classId); }
    CLSID ClassId() override { return T7zArchive::ClassId(); }

    // How many threads ExtractTo decodes on at most; at first, the usable processors. More than
    // one are used only for an archive opened by path whose password is known (or not needed).
    void SetDecoderThreads(unsigned threads) { decoderThreads_ = threads; }
    // Writes the items (ascending) as files under folder, noting them in journal, which is
    // neither committed nor rolled back here.
    void ExtractItemsTo(const UInt32* items, UInt32 count, const AnsiString& folder,
                        TExtractionJournal& journal);

    // IArchiveOpenCallback
    HRESULT SetTotal(const UInt64* files, const UInt64* bytes) noexcept override;
    HRESULT SetCompleted(const UInt64* files, const UInt64* bytes) noexcept override;
    // IProgress, IArchiveExtractCallback
    HRESULT SetTotal(UInt64 total) noexcept override;
    HRESULT SetCompleted(const UInt64* completeValue) noexcept override;
    HRESULT GetStream(UInt32 index, ISequentialOutStream** outStream,
                      Int32 askExtractMode) noexcept override;
    HRESULT PrepareOperation(Int32 askExtractMode) noexcept override;
    HRESULT SetOperationResult(Int32 opRes) noexcept override;
    // ICryptoGetTextPassword
    HRESULT CryptoGetTextPassword(BSTR* password) noexcept override;
    // IArchiveOpenVolumeCallback
    HRESULT GetProperty(PROPID propID, PROPVARIANT* value) noexcept override;
    HRESULT GetStream(const wchar_t* name, IInStream** inStream) noexcept override;
    // IArchiveOpenSetSubArchiveName
    HRESULT SetSubArchiveName(const wchar_t* name) noexcept override;

private:
    struct FailedItem {
        UInt32 index;
        Int32 result;
    };

    ~T7zInArchive() override;

    IInArchive* OpenedHandler();
    bool ItemIsEncrypted(UInt32 index);
    // The solid block that holds the item's data; none for an item without data.
    std::optional<UInt32> ItemBlock(UInt32 index);
    UInt64 ItemUnpackedSize(UInt32 index);
    // The items per decoder thread: each solid block's items go to one thread. At most one set
    // when more threads cannot be used or would not help, or when two items land on one file
    // (the later must be written last).
    std::vector<std::vector<UInt32>> DecoderItemSets();
    // The items of sets extracted by readers of their own, one per thread, opened on the same
    // archive file with the same library, class and password.
    void ExtractInParallel(const std::vector<std::vector<UInt32>>& sets, const AnsiString& folder,
                           TExtractionJournal& journal);
    // Runs the handler's Extract with this reader as its callback and raises, in this order,
    // an error a callback raised, a failing result, or the first item that failed.
    void RunExtract(const UInt32* indices, UInt32 count, bool test);
    HRESULT CreateItemFile(UInt32 index, ISequentialOutStream** outStream);
    HRESULT ReportProgress(bool total, UInt64 value);
    [[noreturn]] void RaiseItemFailure(const FailedItem& item);

    const AnsiString libraryPath_;
    AnsiString archivePath_; // the archive opened by OpenFile; empty for OpenStream
    unsigned decoderThreads_;
    ComPtr<IInArchive> handler_;
    PasswordCallback passwordCallback_ = nullptr;
    void* passwordUser_ = nullptr;
    ProgressCallback progressCallback_ = nullptr;
    void* progressUser_ = nullptr;
    TStream* targetStream_ = nullptr;
    bool passwordKnown_ = false;
    // Whether the library asked for a password during the current open, and got one.
    bool passwordAsked_ = false;
    bool passwordGiven_ = false;
    std::wstring password_;
    bool subArchiveMode_ = false;
    std::wstring subArchiveName_;
    ItemStreamCallback itemStreamCallback_ = nullptr;
    void* itemStreamUser_ = nullptr;
    AnsiString extractFolder_;
    TExtractionJournal* journal_ = nullptr; // set while ExtractTo runs

    std::shared_ptr<CallbackErrorTrap> errorTrap_;
    UInt32 currentItem_ = 0;
    std::optional<FailedItem> firstFailedItem_;
};
