// One install per system root and per install folder at a time. Both locks are advisory locks
// (flock), so they go with the process however it ends and are not inherited by the programs
// the installer starts. The root's lock is on the root's own folder. The folder's lock is on a
// file in /tmp named after a hash of the folder's canonical Linux path: two installers for
// different roots reach the same folder through Z: or a drive link, and the folder itself may
// not exist yet, so no folder of either root can carry it. Both are taken by the install action
// before anything is written and held to the end of the process.
#pragma once

#include "rtl/SysUtils.h"

#include <string>

// Takes the lock for the current system root, or confirms this process holds it already.
// false only when another process holds it: a root that cannot be made or opened is left to
// the install's own steps, which say why.
bool TryLockInstall();

// Takes the lock for the install folder at linuxFolder, or confirms this process holds it
// already. false only when another process holds it; a lock file that cannot be opened (one
// made by a user whose files this one may not read) is no refusal.
bool TryLockInstallFolder(const std::string& linuxFolder);

// Lets go of both locks (tests; the process's end does it otherwise).
void UnlockInstall();

// The message shown when another install holds a lock (GBK).
AnsiString InstallRunningMessage();
