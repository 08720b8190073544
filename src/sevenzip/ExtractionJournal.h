// The record of one extraction into a folder, so that a failed extraction leaves the folder as
// it found it: every folder and file it creates is noted, and every file it replaces is first
// moved aside under a temporary name beside it. Commit deletes the set-aside files; Rollback
// deletes what was created and moves the set-aside files back.
#pragma once

#include "rtl/SysUtils.h"

#include <mutex>
#include <vector>

// The refusal of a link found where the folder (a Windows path) belongs.
AnsiString LinkedFolderMessage(const AnsiString& folder);

class TExtractionJournal {
public:
    TExtractionJournal() = default;
    TExtractionJournal(const TExtractionJournal&) = delete;
    TExtractionJournal& operator=(const TExtractionJournal&) = delete;

    // Makes way for a new file at target (a Windows path): creates the folders it lacks and
    // moves an existing file aside. Returns the path to create: target, spelt as the existing
    // file was when one is replaced. Raises EFCreateError "Cannot create file "<target>". <reason>"
    // when the existing file cannot be moved (a loaded library gives the file-in-use text), and
    // EFCreateError with LinkedFolderMessage when a link stands where a folder belongs. A link
    // where the file belongs is moved aside like a file; what it leads to is not touched.
    // Several threads may call it at once.
    AnsiString PrepareFile(const AnsiString& target);
    // The extraction succeeded: the set-aside files are deleted (a failure to delete one leaves
    // it behind, harmlessly). Nothing is rolled back after this.
    void Commit();
    // The extraction failed: created files are deleted, set-aside files moved back and created
    // folders removed, newest first. Never raises; what cannot be undone stays.
    void Rollback() noexcept;

    // Every file the extraction wrote, created or replaced, in the order it wrote them.
    std::vector<AnsiString> WrittenFiles() const;
    // Every folder the extraction created, parents before children.
    std::vector<AnsiString> CreatedFolders() const;

private:
    enum class Kind { Folder, NewFile, ReplacedFile };
    struct Entry {
        Kind kind;
        AnsiString path;
        AnsiString setAside; // ReplacedFile only
    };

    void CreateMissingFolders(const AnsiString& folder);

    std::mutex lock_; // PrepareFile's, for extractions on several threads
    std::vector<Entry> entries_;
};
