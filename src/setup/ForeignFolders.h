// Root installing over other users' folders: a process running as root that writes under a
// folder another user owns, or may write to, could be led by that user to write anywhere
// (a link put in place of what root is about to write). Such folders are refused.
#pragma once

#include "rtl/SysUtils.h"

#include <string>

// A folder root would write under and another user controls.
class EForeignFolder : public Exception {
public:
    using Exception::Exception;
};

// Raises EForeignFolder with ForeignFolderMessage when this process runs as root and the
// folder at the Linux path, or its deepest existing ancestor, or any folder above that, is
// owned by another user or writable by one (group or others) without the sticky bit.
void RefuseForeignFolders(const std::string& linuxPath);

// RefuseForeignFolders for the system root, where it is, before anything makes its layout.
void RefuseForeignSystemRoot();

// The message for folder (a Linux path) owned by owner, naming both: writableByOthers when
// the owner is root but others may write to it.
AnsiString ForeignFolderMessage(const std::string& folder, const std::string& owner,
                                bool writableByOthers);
