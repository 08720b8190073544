// One install per system root: an install into another folder than the one the product's
// uninstall entry names moves the product there. Once the new copy is complete, and before the
// install commits, the earlier copy goes, inside the install's transaction, so that a failure
// or a cancel puts it back byte for byte. What goes is what the earlier copy's own uninstall
// list names and the new install has not made again: its files and folders, its links and its
// launchers. A file the user added stays, and so does the folder that holds it. Registry values
// need no removing: the install writes (or deletes) the same Run value and entry itself.
#pragma once

#include "InstalledItems.h"

#include "rtl/SysUtils.h"

// True when the two Windows folders (ending in a backslash or not) are one folder on disk, or
// are spelt alike when either cannot be found.
bool IsSameFolder(const AnsiString& a, const AnsiString& b);

// Removes what the uninstall list in earlierFolder (a Windows path ending in a backslash)
// names and current does not, newest first: files and links moved aside, folders removed at
// the commit when empty then. Only the list's files and folders inside earlierFolder (and the
// Start-menu folders), ".lnk" links and launcher, menu and icon files are taken: anything
// else a list names is no install's of ours.
void RemoveEarlierCopy(const AnsiString& earlierFolder, const TInstalledItems& current);
