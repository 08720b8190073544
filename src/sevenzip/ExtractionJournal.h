// The record of the files and folders an install writes, so that a failure leaves them as it
// found them: every folder and file it creates is noted, and every file it replaces is first
// moved aside under a temporary name beside it. A file the install removes is moved aside the
// same way, and a folder it removes goes only once the changes are final. Commit deletes the
// set-aside files and removes those folders; Rollback deletes what was created and moves the
// set-aside files back. The extraction fills it item by
// item; the installer uses the same record for the other files it writes.
//
// Each change is told to the recorder (when one is set) before it is made, so that a record
// kept on disk can undo the changes of a process that was killed part-way.
#pragma once

#include "rtl/Streams.h"
#include "rtl/SysUtils.h"

#include <functional>
#include <mutex>
#include <vector>

// The refusal of a link found where the folder (a Windows path) belongs.
AnsiString LinkedFolderMessage(const AnsiString& folder);

// A link stands where one of the install's folders belongs, or on the way to one. Nothing is
// written through it, and the install does not go on around it: someone may have planted it.
class ELinkedFolder : public EFCreateError {
public:
    using EFCreateError::EFCreateError;
};

class TExtractionJournal {
public:
    enum class Kind { Folder, NewFile, ReplacedFile, DroppedFolder };
    struct Entry {
        Kind kind;
        AnsiString path;     // a Windows path
        AnsiString setAside; // ReplacedFile only
    };
    using Recorder = std::function<void(const Entry&)>;

    TExtractionJournal() = default;
    TExtractionJournal(const TExtractionJournal&) = delete;
    TExtractionJournal& operator=(const TExtractionJournal&) = delete;

    // Told of each entry before its change is made; it may raise to stop the change.
    void SetRecorder(Recorder recorder) { recorder_ = std::move(recorder); }

    // Makes way for a new file at target (a Windows path): creates the folders it lacks (unless
    // createFolders is false) and moves an existing file aside. Returns the path to create: target,
    // spelt as the existing file was when one is replaced. Raises EFCreateError "Cannot create file
    // "<target>". <reason>" when the existing file cannot be moved (a loaded library gives the
    // file-in-use text), and ELinkedFolder with LinkedFolderMessage when a link stands where a
    // folder belongs or on the way to it. A link where the file belongs is moved aside like a file;
    // what it leads to is not touched. Several threads may call it at once.
    AnsiString PrepareFile(const AnsiString& target, bool createFolders = true);
    // Creates the folder and the folders above it that are missing; false when it cannot.
    // Raises as PrepareFile does for a link where a folder belongs.
    bool PrepareFolder(const AnsiString& folder);
    // Removes the file (or link) at path by moving it aside, so that Rollback puts it back and
    // Commit deletes it. False when there is no such file or it cannot be moved; it then stays.
    bool SetAside(const AnsiString& path);
    // Removes the folder at Commit, after the set-aside files, when it is empty then. Folders
    // go in the order they were dropped, so children are dropped before their parents.
    void DropFolder(const AnsiString& folder);
    // Takes an entry a killed run recorded, as though this journal had made the change.
    void Adopt(const Entry& entry) { entries_.push_back(entry); }

    // The changes are final: the set-aside files are deleted (a failure to delete one leaves
    // it behind, harmlessly), the dropped folders removed when empty, and the record emptied.
    void Commit();
    // Created files are deleted, set-aside files moved back and created folders removed when
    // empty, newest first, down to the first keep entries, which stay. A set-aside name that
    // does not exist (the move never happened) leaves the file in place. Never raises; what
    // cannot be undone stays.
    void Rollback(size_t keep = 0) noexcept;

    // The entries so far, oldest first; not while an extraction adds to them.
    const std::vector<Entry>& Entries() const { return entries_; }

    // Every file written, created or replaced, in the order they were prepared.
    std::vector<AnsiString> WrittenFiles() const;
    // Every folder created, parents before children.
    std::vector<AnsiString> CreatedFolders() const;

private:
    bool CreateMissingFolders(const AnsiString& folder);
    void Record(Entry entry);

    std::mutex lock_; // PrepareFile's, for extractions on several threads
    Recorder recorder_;
    std::vector<Entry> entries_;
};
