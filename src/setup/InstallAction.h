// The install action: what happens between the choice to install (the options window's install
// button, or the command line) and the install sequence. It checks the system root and the
// install folder, takes the install locks, waits for the check of the carried resources,
// creates the install folder and writes the payload archive and the archive library into it.
// The windows and the command line report its errors each in their own way.
#pragma once

#include "ForeignFolders.h"
#include "InstallState.h"

// Another installer holds the install lock of this system root or of this install folder.
class EInstallRunning : public Exception {
public:
    using Exception::Exception;
};

// The install folder is the root of a drive or of a file system: installing would scatter the
// product's files over it, and the uninstaller would empty it.
class EInstallFolderIsRoot : public Exception {
public:
    using Exception::Exception;
};

// The setup program's own carried files are damaged or missing: no install can succeed.
class EDamagedSetup : public Exception {
public:
    using Exception::Exception;
};

// The first half of the install action, which writes nothing but the system root's layout.
// Raises EForeignFolder when running as root over a system root or install folder another user
// controls (RefuseForeignFolders), Exception with UnusableRootMessage() for a root that cannot be used, with
// RootArchitectureMessage() for one that cannot run the product, EInstallFolderIsRoot for a
// drive or file-system root, and EInstallRunning with InstallRunningMessage() when another
// installer holds the root or the folder. Holding the locks already, it only checks again.
void LockInstall(const TInstallState& state);

// LockInstall, then prepares state's install folder. Raises, before anything is written,
// what LockInstall raises and EDamagedSetup with the damaged resource's message. Then starts the
// install's transaction (InstallTransaction.h), which first undoes what a killed run left, and
// takes up the earlier install's record. Raises Exception with the system's reason when the
// folder cannot be created, EFCreateError or EStreamError when a payload file cannot be written
// whole, and EDamagedSetup when the program does not carry one or the file written differs from
// it; the transaction has then undone what it changed. The files written are held open in
// HeldPayload() for the install sequence.
void PerformInstallAction(const TInstallState& state);

// Why the current system root cannot be used, naming it (GBK); empty when it can. Sets the
// root's layout up when missing, as every later step needs it.
AnsiString UnusableRootMessage();
