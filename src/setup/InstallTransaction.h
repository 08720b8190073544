// One install as one transaction: from the payload write on, every change the run makes (files
// and folders created, files replaced, registry values and keys) is recorded before it is made,
// in memory and in the record on disk (InstallJournal.h). A failed required step, a signal
// (SIGTERM, SIGINT, SIGHUP, SIGQUIT), the user's cancel or a lost display undoes the changes
// newest first, so the machine is as it was: no product, or the earlier install byte for byte.
// A run that was killed outright leaves its record; the next run undoes it (or, when the record
// says every change was made, finishes it) before it starts its own.
//
// The install record (InstalledItems.h) is what the uninstaller removes; this is what the
// installer undoes. Outside a transaction (a tool or test calling one step alone) the steps
// make their changes directly.
#pragma once

#include "InstallJournal.h"

#include "rtl/SysUtils.h"
#include "sevenzip/ExtractionJournal.h"

#include <atomic>
#include <functional>
#include <set>
#include <utility>
#include <vector>

// The install was stopped by a signal, a lost display or the user, and has been undone.
class ECancelled : public Exception {
public:
    using Exception::Exception;
};

// The text of ECancelled.
AnsiString CancelledMessage();

class TInstallTransaction {
public:
    TInstallTransaction() = default;
    TInstallTransaction(const TInstallTransaction&) = delete;
    TInstallTransaction& operator=(const TInstallTransaction&) = delete;

    // Undoes or finishes what a killed run recorded in the system root, then starts recording
    // this run's changes there, and lets the four signals and the end of the process cancel.
    // Raises Exception when the record cannot be written. Called with the install lock held.
    void Begin();
    bool Active() const { return active_; }

    // Makes way for a file the install writes at path (a Windows path): an existing file is
    // moved aside, recorded first; no folder is created. Returns the path to write. A path
    // prepared once in this transaction is returned as it is.
    AnsiString PrepareFile(const AnsiString& path);
    // Creates the folder and its missing parents, each recorded first; false when it cannot.
    bool PrepareFolder(const AnsiString& folder);
    // Removes the file (an earlier copy's) by moving it aside, recorded first, so that a
    // rollback puts it back byte for byte. False when it is not there or cannot be moved.
    bool RemoveFile(const AnsiString& path);
    // Removes the folder when the install commits, if it is empty then.
    void RemoveFolderAtCommit(const AnsiString& folder);
    // The record the extraction adds its files to.
    TExtractionJournal& Files() { return files_; }
    // Runs step (the extraction, with its many files) with its records written without waiting
    // for the disk each time; they are flushed together when it ends.
    void WithBatchedRecords(const std::function<void()>& step);
    // Records a registry value's data (or its absence) before the install writes or deletes it;
    // the first record of a value in a run is the one that counts.
    void PrepareRegistryValue(const AnsiString& key, const AnsiString& name);
    // Records that the key did not exist, when it does not, before the install creates it.
    void PrepareRegistryKey(const AnsiString& key);

    // Makes step, one of the install's extras (a shortcut, a launcher): when it raises, what it
    // had changed is undone, its message is kept for the user, and the install goes on. A link
    // on the way to its folder (ELinkedFolder) and a cancel are raised on: the install stops.
    // Outside a transaction its error is raised.
    void AttemptExtra(const std::function<void()>& step);
    // The messages of the extras that could not be made, in order.
    const std::vector<AnsiString>& FailedExtras() const { return failedExtras_; }

    // Asks the running install to stop at its next step (the user's cancel, a signal).
    void RequestCancel() { cancelRequested_ = true; }
    bool CancelRequested() const;
    // Raises ECancelled when a cancel was asked for.
    void ThrowIfCancelled() const;

    // Every change is made: the set-aside files are deleted and the record removed.
    void Commit();
    // Undoes every change, newest first. Never raises.
    void Rollback() noexcept;
    // True after a rollback that a cancel caused.
    bool WasCancelled() const { return wasCancelled_; }

private:
    void Record(const TInstallJournal::Record& record, bool sync);
    void RecordFileEntry(const TExtractionJournal::Entry& entry);
    void End() noexcept;

    bool active_ = false;
    bool batched_ = false;
    bool wasCancelled_ = false;
    std::atomic<bool> cancelRequested_{false};
    TInstallJournal journal_;
    TExtractionJournal files_;
    std::set<AnsiString> preparedFiles_;
    std::set<std::pair<AnsiString, AnsiString>> preparedValues_;
    std::vector<TInstallJournal::Record> registryUndo_; // in the order recorded
    std::vector<AnsiString> failedExtras_;
};

// The transaction of this process's install.
TInstallTransaction& InstallTransaction();

// Undoes or finishes the changes recorded in the journal at the Linux path by a run that was
// killed, and removes the record. Nothing happens when there is none.
void RecoverInterruptedInstall(const std::string& journalPath);
