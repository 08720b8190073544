// The install's record on disk: one line per change, written before the change is made, so
// that a run killed at any point (SIGKILL, power loss) leaves what a later run needs to undo
// its changes. It lives in the system root, beside the registry files, under the install lock.
//
// Format: UTF-8 text, lines ending in LF; the first line "VostrelInstallJournal 1", then one
// record per line, fields separated by one TAB. A last line without its LF is a record cut
// short by the kill and is not read. The records the installer writes:
//   folder<TAB><path>                     a folder it creates
//   new<TAB><path>                        a file it creates
//   replaced<TAB><path><TAB><set-aside>   a file it moves aside, to write its own or to remove it
//   dropfolder<TAB><path>                 a folder it removes at the commit, when empty then
//   regkey<TAB><key>                      a key below HKLM it creates
//   regvalue<TAB><key><TAB><name><TAB>-   a value it writes that did not exist
//   regvalue<TAB><key><TAB><name><TAB><type><TAB><hex data>   a value it changes, as it was
//   commit                                every change is made; only the set-aside files remain
// Paths are Windows paths, keys below HKEY_LOCAL_MACHINE.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TInstallJournal {
public:
    using Record = std::vector<std::string>; // UTF-8 fields

    TInstallJournal() = default;
    TInstallJournal(const TInstallJournal&) = delete;
    TInstallJournal& operator=(const TInstallJournal&) = delete;
    ~TInstallJournal();

    // Starts a new, empty record at the Linux path, replacing any there. Raises Exception with
    // the system's reason when it cannot be written.
    void Create(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    // Adds a record; with sync, it is on the disk when this returns. Raises when it cannot be
    // written, so that a change is never made unrecorded.
    void Append(const Record& record, bool sync);
    // Flushes the records appended without sync.
    void Sync();
    // Deletes the record: nothing remains to be undone.
    void Remove();

    // The whole records of the file at path; nullopt when there is none or it is not a record
    // of ours.
    static std::optional<std::vector<Record>> Read(const std::string& path);

private:
    int fd_ = -1;
    std::string path_;
};

// The TAB-separated fields of one line of a record (the journal's or the uninstall list's).
std::vector<std::string> SplitTabFields(std::string_view line);

// The file name of the record inside the system root.
inline constexpr const char* kInstallJournalName = "talvimo-install.journal";
