// One install per system root at a time. The lock is an advisory lock (flock) on the system
// root's own folder, so it creates no file and goes with the process however it ends; it is
// not inherited by the programs the installer starts. It is taken by the install action
// before anything is written, and by the command line before the payload is written.
#pragma once

#include "rtl/SysUtils.h"

// Takes the lock for the current system root, or confirms this process holds it already.
// false only when another process holds it: a root that cannot be made or opened is left to
// the install's own steps, which say why.
bool TryLockInstall();

// Lets go of the lock (tests; the process's end does it otherwise).
void UnlockInstall();

// The message shown when another install holds the lock (GBK).
AnsiString InstallRunningMessage();
