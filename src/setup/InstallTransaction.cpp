#include "InstallTransaction.h"

#include "CommandLine.h"
#include "InstalledItems.h"

#include "rtl/Registry.h"

#include "winapi/Gbk.h"
#include "winapi/RegistryFile.h"
#include "winapi/SystemRoot.h"
#include "winapi/WholeFile.h"
#include "winapi/kernel32.h"

#include <array>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

// The signals that ask a terminal program, or a session that ends, to stop.
constexpr std::array kCancelSignals = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
std::array<struct sigaction, kCancelSignals.size()> previousActions{};
volatile std::sig_atomic_t receivedSignal = 0;

void OnCancelSignal(int signal) {
    receivedSignal = signal;
}

void CatchCancelSignals() {
    receivedSignal = 0;
    struct sigaction action {};
    action.sa_handler = OnCancelSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < kCancelSignals.size(); ++i)
        sigaction(kCancelSignals[i], &action, &previousActions[i]);
}

void RestoreSignals() {
    for (size_t i = 0; i < kCancelSignals.size(); ++i)
        sigaction(kCancelSignals[i], &previousActions[i], nullptr);
}

// The display went away (the window system ends the process), or the program ended with the
// install part-way: the changes are undone and the run ends as cancelled.
void UndoAtExit() {
    TInstallTransaction& transaction = InstallTransaction();
    if (!transaction.Active())
        return;
    transaction.RequestCancel();
    transaction.Rollback();
    std::_Exit(kExitCancelled);
}

AnsiString Gbk(const std::string& utf8) {
    return gbk::FromUtf8(utf8).value_or(utf8);
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

TInstallJournal::Record FileRecord(const TExtractionJournal::Entry& entry) {
    switch (entry.kind) {
    case TExtractionJournal::Kind::Folder:
        return {"folder", gbk::ToUtf8OrAsIs(entry.path)};
    case TExtractionJournal::Kind::NewFile:
        return {"new", gbk::ToUtf8OrAsIs(entry.path)};
    case TExtractionJournal::Kind::DroppedFolder:
        return {"dropfolder", gbk::ToUtf8OrAsIs(entry.path)};
    case TExtractionJournal::Kind::ReplacedFile:
        break;
    }
    return {"replaced", gbk::ToUtf8OrAsIs(entry.path), gbk::ToUtf8OrAsIs(entry.setAside)};
}

std::optional<TExtractionJournal::Entry> FileEntry(const TInstallJournal::Record& record) {
    if (record.size() == 2 && record[0] == "folder")
        return TExtractionJournal::Entry{TExtractionJournal::Kind::Folder, Gbk(record[1]), {}};
    if (record.size() == 2 && record[0] == "new")
        return TExtractionJournal::Entry{TExtractionJournal::Kind::NewFile, Gbk(record[1]), {}};
    if (record.size() == 2 && record[0] == "dropfolder")
        return TExtractionJournal::Entry{
            TExtractionJournal::Kind::DroppedFolder, Gbk(record[1]), {}};
    if (record.size() == 3 && record[0] == "replaced")
        return TExtractionJournal::Entry{TExtractionJournal::Kind::ReplacedFile, Gbk(record[1]),
                                         Gbk(record[2])};
    return std::nullopt;
}

// Puts back what a registry record says was there before. Never raises: what cannot be put
// back stays as the install left it.
void UndoRegistryRecord(const TInstallJournal::Record& record) noexcept {
    try {
        TRegistry registry(KEY_ALL_ACCESS);
        if (record.size() == 2 && record[0] == "regkey") {
            registry.DeleteKey(Gbk(record[1]));
        } else if (record.size() == 4 && record[0] == "regvalue") {
            if (registry.OpenKey(Gbk(record[1]), false))
                registry.DeleteValue(Gbk(record[2]));
        } else if (record.size() == 5 && record[0] == "regvalue") {
            if (registry.OpenKey(Gbk(record[1]), true))
                registry.WriteValue(Gbk(record[2]), {static_cast<DWORD>(std::stoul(record[3])),
                                                     FromHex(record[4])});
        }
        registry.CloseKey();
    } catch (...) {
    }
}

// Removes what writers of a killed run left beside a file it recorded.
void RemoveTemporariesBeside(const AnsiString& path) {
    if (const auto linux = winapi::ToLinuxPath(path))
        winapi::RemoveDeadTemporaries(*linux);
}

} // namespace

AnsiString CancelledMessage() {
    return gbk::Literal("安装已取消，已恢复到安装前的状态。");
}

void RecoverInterruptedInstall(const std::string& journalPath) {
    const auto records = TInstallJournal::Read(journalPath);
    if (!records)
        return;
    const bool committed =
        !records->empty() && records->back() == TInstallJournal::Record{"commit"};
    TExtractionJournal files;
    std::vector<TInstallJournal::Record> registry;
    for (const TInstallJournal::Record& record : *records) {
        if (auto entry = FileEntry(record)) {
            RemoveTemporariesBeside(entry->path);
            files.Adopt(*entry);
        } else if (record[0] == "regkey" || record[0] == "regvalue") {
            registry.push_back(record);
        }
    }
    if (committed) {
        files.Commit();
    } else {
        for (auto it = registry.rbegin(); it != registry.rend(); ++it)
            UndoRegistryRecord(*it);
        files.Rollback();
    }
    unlink(journalPath.c_str());
    winapi::SyncFolderOf(journalPath);
}

void TInstallTransaction::Begin() {
    if (const auto root = winapi::SystemRootPath()) {
        const std::string path = *root + "/" + kInstallJournalName;
        RecoverInterruptedInstall(path);
        journal_.Create(path);
    }
    files_.SetRecorder([this](const TExtractionJournal::Entry& entry) { RecordFileEntry(entry); });
    preparedFiles_.clear();
    preparedValues_.clear();
    registryUndo_.clear();
    failedExtras_.clear();
    cancelRequested_ = false;
    wasCancelled_ = false;
    active_ = true;
    CatchCancelSignals();
    static const bool atExitSet = std::atexit(UndoAtExit) == 0;
    (void)atExitSet;
}

void TInstallTransaction::Record(const TInstallJournal::Record& record, bool sync) {
    if (journal_.IsOpen())
        journal_.Append(record, sync && !batched_);
}

void TInstallTransaction::RecordFileEntry(const TExtractionJournal::Entry& entry) {
    Record(FileRecord(entry), true);
    // What the install creates is the uninstaller's to remove once empty.
    if (entry.kind == TExtractionJournal::Kind::Folder)
        InstalledItems().AddFolder(entry.path);
}

void TInstallTransaction::WithBatchedRecords(const std::function<void()>& step) {
    batched_ = true;
    try {
        step();
    } catch (...) {
        batched_ = false;
        journal_.Sync();
        throw;
    }
    batched_ = false;
    journal_.Sync();
}

AnsiString TInstallTransaction::PrepareFile(const AnsiString& path) {
    if (!active_) {
        TExtractionJournal direct;
        const AnsiString target = direct.PrepareFile(path, false);
        direct.Commit();
        return target;
    }
    if (preparedFiles_.count(path))
        return path;
    const AnsiString target = files_.PrepareFile(path, false);
    preparedFiles_.insert(path);
    return target;
}

bool TInstallTransaction::PrepareFolder(const AnsiString& folder) {
    if (active_)
        return files_.PrepareFolder(folder);
    TExtractionJournal direct;
    direct.SetRecorder(
        [](const TExtractionJournal::Entry& entry) { InstalledItems().AddFolder(entry.path); });
    const bool made = direct.PrepareFolder(folder);
    direct.Commit();
    return made;
}

bool TInstallTransaction::RemoveFile(const AnsiString& path) {
    if (!active_)
        return DeleteFileA(path.c_str());
    return files_.SetAside(path);
}

void TInstallTransaction::RemoveFolderAtCommit(const AnsiString& folder) {
    if (!active_)
        RemoveDirectoryA(folder.c_str());
    else
        files_.DropFolder(folder);
}

void TInstallTransaction::PrepareRegistryValue(const AnsiString& key, const AnsiString& name) {
    if (!active_ || !preparedValues_.insert({key, name}).second)
        return;
    TRegistry registry(KEY_QUERY_VALUE);
    std::optional<winapi::RegistryValue> previous;
    if (registry.OpenKey(key, false))
        previous = registry.ReadValue(name);
    registry.CloseKey();
    TInstallJournal::Record record{"regvalue", gbk::ToUtf8OrAsIs(key), gbk::ToUtf8OrAsIs(name)};
    if (previous) {
        record.push_back(std::to_string(previous->type));
        record.push_back(Hex(previous->data));
    } else {
        record.push_back("-");
    }
    Record(record, true);
    registryUndo_.push_back(std::move(record));
}

void TInstallTransaction::PrepareRegistryKey(const AnsiString& key) {
    if (!active_ || TRegistry(KEY_QUERY_VALUE).KeyExists(key))
        return;
    TInstallJournal::Record record{"regkey", gbk::ToUtf8OrAsIs(key)};
    Record(record, true);
    registryUndo_.push_back(std::move(record));
}

void TInstallTransaction::AttemptExtra(const std::function<void()>& step) {
    if (!active_) {
        step();
        return;
    }
    const size_t mark = files_.Entries().size();
    try {
        step();
    } catch (const ECancelled&) {
        throw;
    } catch (const ELinkedFolder&) {
        throw;
    } catch (const Exception& e) {
        // The extra is made whole or not at all; an earlier install's file comes back.
        for (size_t i = mark; i < files_.Entries().size(); ++i)
            preparedFiles_.erase(files_.Entries()[i].path);
        files_.Rollback(mark);
        failedExtras_.push_back(e.Message());
    }
}

bool TInstallTransaction::CancelRequested() const {
    return active_ && (cancelRequested_ || receivedSignal != 0);
}

void TInstallTransaction::ThrowIfCancelled() const {
    if (active_ && CancelRequested())
        throw ECancelled(CancelledMessage());
}

void TInstallTransaction::Commit() {
    if (!active_)
        return;
    // From here on a later run finishes this one rather than undoing it.
    Record({"commit"}, true);
    files_.Commit();
    journal_.Remove();
    const int signal = receivedSignal;
    End();
    // A signal that came while the install completed ends the program as it asked.
    if (signal != 0)
        std::raise(signal);
}

void TInstallTransaction::Rollback() noexcept {
    if (!active_)
        return;
    for (auto it = registryUndo_.rbegin(); it != registryUndo_.rend(); ++it)
        UndoRegistryRecord(*it);
    files_.Rollback();
    journal_.Remove();
    InstalledItems().Clear();
    wasCancelled_ = CancelRequested();
    End();
}

void TInstallTransaction::End() noexcept {
    active_ = false;
    files_.SetRecorder({});
    RestoreSignals();
    receivedSignal = 0;
}

TInstallTransaction& InstallTransaction() {
    static TInstallTransaction transaction;
    return transaction;
}
