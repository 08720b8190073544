// Whether a Wine server runs for a system root. Such a server holds the registry in memory and
// saves it over system.reg, so the layer must then change the registry through Wine itself.
// The server is found as Wine finds it: in the folder "server-<dev>-<inode>" (the root folder's
// device and inode in hex) of the server root, where the running server holds a write lock on
// the first byte of "lock".
#pragma once

#include <string>
#include <vector>

namespace winapi {

// The folders a server for the root may use, most likely first: Debian's Wine uses
// /run/user/<uid>/wine when /run/user/<uid> exists, else $TMPDIR (or /tmp) joined with the name
// recorded in <root>/wineserver; upstream Wine uses /tmp/.wine-<uid>. Empty when the root
// cannot be examined.
std::vector<std::string> WineServerFolders(const std::string& root);

// True while a server holds the lock in one of those folders.
bool WineServerRunning(const std::string& root);

} // namespace winapi
