#include "sevenzip/T7zInArchive.h"

#include "rtl/FileUtils.h"
#include "sevenzip/Bstr.h"
#include "sevenzip/ItemPaths.h"
#include "sevenzip/LibraryResult.h"
#include "sevenzip/ParallelDecoding.h"
#include "sevenzip/PropVariant.h"
#include "sevenzip/T7zStream.h"
#include "winapi/Gbk.h"

#include <cwctype>
#include <memory>
#include <set>
#include <utility>

namespace {

// How far into a file the library looks for the start of an archive.
constexpr UInt64 kMaxCheckStartPosition = 1 << 20;

// Sets a field for the duration of one library call and clears it afterwards, also when the
// call raises.
template <class T> class ScopedField {
public:
    ScopedField(T& field, T value) : field_(field) { field_ = std::move(value); }
    ~ScopedField() { field_ = T{}; }
    ScopedField(const ScopedField&) = delete;
    ScopedField& operator=(const ScopedField&) = delete;

private:
    T& field_;
};

// What the user can do about a damaged package: fetch it again.
AnsiString DamagedPackageText() {
    return gbk::Literal("安装包已损坏，请重新下载。");
}

// The library's 7z decoder has no password check: a wrong key shows as a data or CRC error
// of an encrypted item, indistinguishable from damaged encrypted data.
AnsiString WrongPasswordOrDamagedText() {
    return gbk::Literal("密码错误，或安装包已损坏。");
}

// Why an item failed, in words a user can act on.
AnsiString OperationResultText(Int32 result, bool encrypted) {
    if (encrypted && (result == kDataError || result == kCRCError))
        return WrongPasswordOrDamagedText();
    switch (result) {
    case kWrongPassword:
        return gbk::Literal("密码错误。");
    case kUnsupportedMethod:
        return gbk::Literal("不支持的压缩方法。");
    case kDataError:
        return gbk::Literal("数据错误。") + DamagedPackageText();
    case kCRCError:
        return gbk::Literal("CRC 校验错误。") + DamagedPackageText();
    case kUnavailable:
        return gbk::Literal("数据不可用。") + DamagedPackageText();
    case kUnexpectedEnd:
        return gbk::Literal("数据意外结束。") + DamagedPackageText();
    case kDataAfterEnd:
        return gbk::Literal("数据结尾之后还有多余的数据。") + DamagedPackageText();
    case kIsNotArc:
        return gbk::Literal("不是压缩包。") + DamagedPackageText();
    case kHeadersError:
        return gbk::Literal("文件头错误。") + DamagedPackageText();
    default:
        return gbk::Literal("未知错误 ") + std::to_string(result);
    }
}

} // namespace

T7zInArchive::T7zInArchive(const AnsiString& libraryPath)
    : T7zArchive(libraryPath), libraryPath_(libraryPath), decoderThreads_(UsableProcessors()),
      errorTrap_(std::make_shared<CallbackErrorTrap>()) {}

// The handler goes first (releasing the archive's input stream and so closing the file); the
// library is unloaded afterwards by ~T7zPlugin.
T7zInArchive::~T7zInArchive() {
    handler_.Reset();
}

HRESULT T7zInArchive::QueryInterface(REFIID iid, void** object) noexcept {
    return AnswerQuery(
        iid, object,
        {{IID_IUnknown, static_cast<I7zArchiveReader*>(this)},
         {IID_I7zArchiveReader, static_cast<I7zArchiveReader*>(this)},
         {IID_IArchiveOpenCallback, static_cast<IArchiveOpenCallback*>(this)},
         {IID_IArchiveExtractCallback, static_cast<IArchiveExtractCallback*>(this)},
         {IID_IProgress, static_cast<IArchiveExtractCallback*>(this)},
         {IID_ICryptoGetTextPassword, static_cast<ICryptoGetTextPassword*>(this)},
         {IID_IArchiveOpenVolumeCallback, static_cast<IArchiveOpenVolumeCallback*>(this)},
         {IID_IArchiveOpenSetSubArchiveName, static_cast<IArchiveOpenSetSubArchiveName*>(this)}});
}

// Reader operations.

void T7zInArchive::OpenFile(const AnsiString& path) {
    auto file = std::make_unique<TFileStream>(path, fmOpenRead | fmShareDenyNone);
    ComPtr<IInStream> input(new T7zStream(file.get(), soOwned, errorTrap_));
    file.release();
    OpenStream(input.Get());
    archivePath_ = path;
}

void T7zInArchive::OpenStream(IInStream* stream) {
    archivePath_.clear();
    ComPtr<IInArchive> handler = InArchive();
    errorTrap_->Clear();
    passwordAsked_ = false;
    passwordGiven_ = false;
    HRESULT result =
        handler->Open(stream, &kMaxCheckStartPosition, static_cast<IArchiveOpenCallback*>(this));
    errorTrap_->RaisePending();
    if (result != S_OK)
        handler_.Reset(); // a failed open leaves no archive to read
    // S_FALSE: the library found no readable archive, because it is cut short or damaged or,
    // when its header is encrypted, because the password did not decrypt it.
    if (result == S_FALSE) {
        if (passwordAsked_ && !passwordGiven_)
            throw Exception(gbk::Literal("打开安装包需要密码。"));
        throw Exception(passwordGiven_ ? WrongPasswordOrDamagedText() : DamagedPackageText());
    }
    CheckLibraryResult(result);
}

void T7zInArchive::Close() {
    archivePath_.clear();
    passwordKnown_ = false;
    subArchiveMode_ = false;
    if (handler_) {
        handler_->Close();
        handler_.Reset();
    }
}

UInt32 T7zInArchive::NumberOfItems() {
    UInt32 count = 0;
    CheckLibraryResult(OpenedHandler()->GetNumberOfItems(&count));
    return count;
}

std::wstring T7zInArchive::ItemPath(UInt32 index) {
    PropVariantHolder value;
    OpenedHandler()->GetProperty(index, kpidPath, &value);
    return PropVariantToWide(value.Value());
}

std::wstring T7zInArchive::ItemName(UInt32 index) {
    PropVariantHolder value;
    OpenedHandler()->GetProperty(index, kpidName, &value);
    return PropVariantToWide(value.Value());
}

Int32 T7zInArchive::ItemSize(UInt32 index) {
    PropVariantHolder value;
    OpenedHandler()->GetProperty(index, kpidSize, &value);
    return PropVariantToInt32(value.Value());
}

bool T7zInArchive::ItemIsFolder(UInt32 index) {
    PropVariantHolder value;
    OpenedHandler()->GetProperty(index, kpidIsDir, &value);
    return PropVariantToBool(value.Value());
}

bool T7zInArchive::ItemIsEncrypted(UInt32 index) {
    PropVariantHolder value;
    OpenedHandler()->GetProperty(index, kpidEncrypted, &value);
    return PropVariantToBool(value.Value());
}

std::optional<UInt32> T7zInArchive::ItemBlock(UInt32 index) {
    PropVariantHolder value;
    OpenedHandler()->GetProperty(index, kpidBlock, &value);
    if (value.Value().vt != VT_UI4)
        return std::nullopt;
    return value.Value().ulVal;
}

UInt64 T7zInArchive::ItemUnpackedSize(UInt32 index) {
    PropVariantHolder value;
    OpenedHandler()->GetProperty(index, kpidSize, &value);
    return value.Value().vt == VT_UI8 ? value.Value().uhVal : 0;
}

ComPtr<IInArchive> T7zInArchive::InArchive() {
    if (!handler_)
        CreateObject(T7zArchive::ClassId(), IID_IInArchive,
                     reinterpret_cast<void**>(handler_.Out()));
    return handler_;
}

void T7zInArchive::ExtractItem(UInt32 index, TStream* stream, bool test) {
    ScopedField target(targetStream_, stream);
    RunExtract(&index, 1, test);
}

void T7zInArchive::ExtractItems(const UInt32* items, UInt32 count, bool test, void* user,
                                ItemStreamCallback callback) {
    ScopedField itemStream(itemStreamCallback_, callback);
    ScopedField itemStreamUser(itemStreamUser_, user);
    RunExtract(items, count, test);
}

void T7zInArchive::ExtractAll(bool test, void* user, ItemStreamCallback callback) {
    ScopedField itemStream(itemStreamCallback_, callback);
    ScopedField itemStreamUser(itemStreamUser_, user);
    RunExtract(nullptr, kAllItems, test);
}

void T7zInArchive::ExtractTo(const AnsiString& folder) {
    TExtractionJournal journal;
    try {
        ExtractTo(folder, journal);
    } catch (...) {
        // The library has released the last item's stream by now, so its file can go.
        journal.Rollback();
        throw;
    }
    journal.Commit();
}

void T7zInArchive::ExtractTo(const AnsiString& folder, TExtractionJournal& journal) {
    const auto sets = DecoderItemSets();
    if (sets.size() > 1)
        ExtractInParallel(sets, folder, journal);
    else
        ExtractItemsTo(nullptr, kAllItems, folder, journal);
}

void T7zInArchive::ExtractItemsTo(const UInt32* items, UInt32 count, const AnsiString& folder,
                                  TExtractionJournal& journal) {
    bool hasDelimiter = gbk::EndsWithBackslash(folder) || (!folder.empty() && folder.back() == '/');
    ScopedField extractFolder(extractFolder_, hasDelimiter ? folder : folder + "\\");
    ScopedField journalField(journal_, &journal);
    RunExtract(items, count, false);
}

std::vector<std::vector<UInt32>> T7zInArchive::DecoderItemSets() {
    // Other readers can open only a file, and must not ask the password callback from their
    // threads.
    if (decoderThreads_ < 2 || archivePath_.empty() || (!passwordKnown_ && passwordCallback_))
        return {};
    const UInt32 count = NumberOfItems();
    std::vector<std::optional<UInt32>> blockOf(count);
    std::vector<UInt64> blockSizes;
    std::set<std::wstring> targets; // names match without regard to case, either separator
    for (UInt32 item = 0; item < count; ++item) {
        std::wstring target = ItemPath(item);
        for (wchar_t& c : target)
            c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        if (!targets.insert(std::move(target)).second)
            return {};
        blockOf[item] = ItemBlock(item);
        if (!blockOf[item])
            continue;
        if (*blockOf[item] >= blockSizes.size())
            blockSizes.resize(*blockOf[item] + 1);
        blockSizes[*blockOf[item]] += ItemUnpackedSize(item);
    }
    const auto dealt = DealBlocks(blockSizes, decoderThreads_);
    std::vector<size_t> decoderOf(blockSizes.size());
    for (size_t decoder = 0; decoder < dealt.size(); ++decoder)
        for (size_t block : dealt[decoder])
            decoderOf[block] = decoder;
    // Items without data need no decoder; the first set takes them.
    std::vector<std::vector<UInt32>> sets(std::max<size_t>(dealt.size(), 1));
    for (UInt32 item = 0; item < count; ++item)
        sets[blockOf[item] ? decoderOf[*blockOf[item]] : 0].push_back(item);
    return sets;
}

void T7zInArchive::ExtractInParallel(const std::vector<std::vector<UInt32>>& sets,
                                     const AnsiString& folder, TExtractionJournal& journal) {
    const CLSID classId = T7zArchive::ClassId();
    const std::wstring password = passwordKnown_ ? password_ : std::wstring();
    DecodeInParallel(
        sets,
        [&](const std::vector<UInt32>& items, void* user, ProgressCallback progress) {
            ComPtr<T7zInArchive> reader(new T7zInArchive(libraryPath_));
            reader->SetClassId(classId);
            reader->SetPassword(password);
            reader->SetProgressCallback(user, progress);
            reader->OpenFile(archivePath_);
            reader->ExtractItemsTo(items.data(), static_cast<UInt32>(items.size()), folder,
                                   journal);
        },
        progressUser_, progressCallback_);
}

void T7zInArchive::SetPasswordCallback(void* user, PasswordCallback callback) {
    passwordUser_ = user;
    passwordCallback_ = callback;
}

void T7zInArchive::SetPassword(const std::wstring& password) {
    password_ = password;
    passwordKnown_ = !password.empty();
}

void T7zInArchive::SetProgressCallback(void* user, ProgressCallback callback) {
    progressUser_ = user;
    progressCallback_ = callback;
}

IInArchive* T7zInArchive::OpenedHandler() {
    if (!handler_)
        throw Exception(gbk::Literal("压缩包尚未打开"));
    return handler_.Get();
}

void T7zInArchive::RunExtract(const UInt32* indices, UInt32 count, bool test) {
    IInArchive* handler = OpenedHandler();
    errorTrap_->Clear();
    firstFailedItem_.reset();
    HRESULT result =
        handler->Extract(indices, count, test ? 1 : 0, static_cast<IArchiveExtractCallback*>(this));
    errorTrap_->RaisePending();
    CheckLibraryResult(result);
    if (firstFailedItem_)
        RaiseItemFailure(*firstFailedItem_);
}

void T7zInArchive::RaiseItemFailure(const FailedItem& item) {
    throw Exception(gbk::Literal("解压文件“") + MessageText(ItemPath(item.index)) +
                    gbk::Literal("”失败：") +
                    OperationResultText(item.result, ItemIsEncrypted(item.index)));
}

// Library callbacks.

HRESULT T7zInArchive::SetTotal(const UInt64*, const UInt64*) noexcept {
    return S_OK;
}

HRESULT T7zInArchive::SetCompleted(const UInt64*, const UInt64*) noexcept {
    return S_OK;
}

HRESULT T7zInArchive::SetTotal(UInt64 total) noexcept {
    return ReportProgress(true, total);
}

HRESULT T7zInArchive::SetCompleted(const UInt64* completeValue) noexcept {
    if (!completeValue)
        return S_OK;
    return ReportProgress(false, *completeValue);
}

HRESULT T7zInArchive::ReportProgress(bool total, UInt64 value) {
    if (!progressCallback_)
        return S_OK;
    return errorTrap_->Run(
        [&] { return progressCallback_(progressUser_, total, static_cast<Int64>(value)); });
}

HRESULT T7zInArchive::GetStream(UInt32 index, ISequentialOutStream** outStream,
                                Int32 askExtractMode) noexcept {
    return errorTrap_->Run([&]() -> HRESULT {
        currentItem_ = index;
        if (askExtractMode != kExtract)
            return S_OK;
        if (targetStream_) {
            *outStream = new T7zStream(targetStream_, soReference, errorTrap_);
            (*outStream)->AddRef();
            return S_OK;
        }
        if (itemStreamCallback_)
            return itemStreamCallback_(itemStreamUser_, index, outStream);
        if (!extractFolder_.empty())
            return CreateItemFile(index, outStream);
        return S_OK;
    });
}

HRESULT T7zInArchive::CreateItemFile(UInt32 index, ISequentialOutStream** outStream) {
    if (ItemIsFolder(index))
        return S_OK;
    const AnsiString target =
        journal_->PrepareFile(extractFolder_ + ItemTargetPath(ItemPath(index)));
    auto file = std::make_unique<TFileStream>(target, fmCreate);
    *outStream = new T7zStream(file.get(), soOwned, errorTrap_);
    file.release();
    (*outStream)->AddRef();
    return S_OK;
}

HRESULT T7zInArchive::PrepareOperation(Int32) noexcept {
    return S_OK;
}

HRESULT T7zInArchive::SetOperationResult(Int32 opRes) noexcept {
    // The library goes on after a failed item; the extraction reports it once it returns.
    if (opRes != kOK && !firstFailedItem_)
        firstFailedItem_ = FailedItem{currentItem_, opRes};
    return S_OK;
}

HRESULT T7zInArchive::CryptoGetTextPassword(BSTR* password) noexcept {
    return errorTrap_->Run([&]() -> HRESULT {
        passwordAsked_ = true;
        if (passwordKnown_) {
            *password = AllocBstr(password_);
            passwordGiven_ = *password != nullptr;
            return *password ? S_OK : E_OUTOFMEMORY;
        }
        if (!passwordCallback_)
            return S_FALSE;
        std::wstring given;
        HRESULT result = passwordCallback_(passwordUser_, given);
        if (result == S_OK) {
            *password = AllocBstr(given);
            password_ = std::move(given);
            passwordKnown_ = true;
            passwordGiven_ = true;
        }
        return result;
    });
}

HRESULT T7zInArchive::GetProperty(PROPID, PROPVARIANT*) noexcept {
    return S_OK;
}

HRESULT T7zInArchive::GetStream(const wchar_t*, IInStream**) noexcept {
    return S_OK;
}

HRESULT T7zInArchive::SetSubArchiveName(const wchar_t* name) noexcept {
    return errorTrap_->Run([&] {
        subArchiveMode_ = true;
        subArchiveName_ = name ? name : L"";
        return S_OK;
    });
}
