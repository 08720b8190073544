// One install per system root: an install into another folder than the one the product's
// uninstall entry names moves the product there. Once the new copy is complete, and before the
// install commits, the earlier copy goes, inside the install's transaction, so that a failure
// or a cancel puts it back byte for byte. What goes is what the earlier copy's own uninstall
// list names and the new install has not made again: its files and folders, its links and its
// launchers. A file the user added stays, and so does the folder that holds it. The folders it
// made elsewhere (for launchers and icons) now hold the new copy's and pass to its record.
// Registry values need no removing: the install writes (or deletes) the same Run value and
// entry itself.
#pragma once

#include "InstalledItems.h"

#include "rtl/SysUtils.h"

// True when the two Windows folders (ending in a backslash or not) are one folder on disk, or
// are spelt alike when either cannot be found.
bool IsSameFolder(const AnsiString& a, const AnsiString& b);

// Removes what the uninstall list in earlierFolder (a Windows path ending in a backslash)
// names and current does not, newest first: files and links moved aside, its folders removed
// at the commit when empty then. Only the list's files inside earlierFolder, ".lnk" links and
// launcher, menu and icon files are taken: anything else a list names is no install's of ours.
// The list's folders inside and above earlierFolder are removed; its others (made for
// launchers and icons) are recorded first in current, in their order.
void RemoveEarlierCopy(const AnsiString& earlierFolder, TInstalledItems& current);
