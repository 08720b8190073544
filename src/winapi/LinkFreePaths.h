// Files the install writes are reached without following links. A path is split at its
// starting point, the deepest folder the user chose or the system gives (the system root, the
// home folder, the XDG base folders and folders the caller trusts), which is opened as it is,
// links included; every folder below it is opened from the one above with no link followed.
// The only links allowed below a starting point are the user folders of the Wine profile
// (Desktop, Documents, ...), which Wine itself makes as links to the user's XDG folders.
// A link anywhere else on the way is refused (ELOOP), so that nothing is written into the
// folder it leads to, whoever planted it.
#pragma once

#include "FileDescriptor.h"

#include <optional>
#include <string>

namespace winapi {

// The folder holding the last component of a path, held open, and that component's name.
struct ParentFolder {
    FileDescriptor folder;
    std::string name;
};

// Opens the folder that holds the last component of the absolute Linux path. Returns 0, or the
// errno value of the failure: ELOOP for a link on the way, ENOENT for a missing folder.
int OpenParentFolder(const std::string& path, ParentFolder& parent);

// The first link on the way to the last component of the absolute Linux path that
// OpenParentFolder refuses, when there is one.
std::optional<std::string> LinkOnTheWayTo(const std::string& path);

// Whether a link at the absolute Linux path is the user's own, followed rather than refused: a
// starting point or a user folder of the Wine profile.
bool IsUsersOwnLink(const std::string& path);

// Makes the folder (an absolute Linux path) a starting point: links at it and above it are the
// user's own.
void TrustFolder(const std::string& folder);

// Creates a new file "<name>.XXXXXX" (six random letters and digits) in the held folder, for
// writing only, mode 0600; returns its descriptor and sets temporaryName, or -1 with errno set.
int CreateTemporaryIn(int folder, const std::string& name, std::string& temporaryName);

} // namespace winapi
