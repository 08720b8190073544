// What one install has created, recorded as each step makes it: the uninstaller removes exactly
// these and nothing else, so a file or folder the user added is never touched.
//
// The record is saved into the install folder as the uninstall list, "UnInstall.lst", which the
// product's uninstaller (a Windows program) reads. Its format:
//   - UTF-8 text, lines ending in LF, no byte-order mark;
//   - first line "VostrelUninstallList 1";
//   - then one entry per line, fields separated by one TAB, in the order they were made:
//       file<TAB>C:\Program Files\Vostrel\mervo.exe      a file the install wrote
//       folder<TAB>C:\Program Files\Vostrel\Modules     a folder the install created
//       link<TAB>C:\users\me\Desktop\Talvimo.lnk         a shell link
//       launcher<TAB>Z:\home\me\.local\share\...\x.desktop a desktop launcher, menu or icon file
//       regvalue<TAB>HKLM\SOFTWARE\...\Run<TAB>mervo    a registry value (key, value name)
//       regkey<TAB>HKLM\SOFTWARE\...\Uninstall\Talvimo  a registry key with all its values
//   - paths are Windows paths (Linux files through drive Z:), keys start with "HKLM\".
// An uninstaller removes the entries in reverse order, and a folder only when it is empty.
#pragma once

#include "rtl/SysUtils.h"

#include <vector>

class TInstalledItems {
public:
    enum class Kind { File, Folder, Link, Launcher, RegistryValue, RegistryKey };
    struct Item {
        Kind kind;
        AnsiString path; // GBK: a Windows path, or a registry key below HKEY_LOCAL_MACHINE
        AnsiString name; // GBK: the value name of a RegistryValue, else empty
    };

    void AddFile(const AnsiString& path) { Add(Kind::File, path); }
    void AddFolder(const AnsiString& path) { Add(Kind::Folder, path); }
    void AddLink(const AnsiString& path) { Add(Kind::Link, path); }
    void AddLauncher(const AnsiString& path) { Add(Kind::Launcher, path); }
    void AddRegistryValue(const AnsiString& key, const AnsiString& name) {
        Add(Kind::RegistryValue, key, name);
    }
    void AddRegistryKey(const AnsiString& key) { Add(Kind::RegistryKey, key); }
    // Records a folder before every other entry, so that the uninstaller takes it last, once
    // what this install put into it is gone.
    void AddFolderFirst(const AnsiString& path);

    const std::vector<Item>& Items() const { return items_; }
    void Clear() { items_.clear(); }

    // The uninstall list's text, UTF-8 as above. Raises when an entry is not valid GBK.
    std::string ListText() const;
    // Adds the entries of the list file at fileName (a Windows path), an earlier install's
    // record, in their order; a missing file or one that is not a whole list adds nothing.
    void LoadFromFile(const AnsiString& fileName);
    // Writes the list whole as fileName (a Windows path), replacing the earlier one; raises
    // EFCreateError "Cannot create file "<fileName>". <reason>" when it cannot.
    void SaveToFile(const AnsiString& fileName) const;

private:
    // An entry already recorded (a reinstall writing the same file twice) is kept once.
    void Add(Kind kind, const AnsiString& path, const AnsiString& name = AnsiString());

    std::vector<Item> items_;
};

// The file name of the uninstall list inside the install folder.
inline constexpr const char* kUninstallListName = "UnInstall.lst";

// The record of this process's install: one install per run, shared by the steps that create
// things and by the step that saves the list.
TInstalledItems& InstalledItems();
