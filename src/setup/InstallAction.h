// The install action: what happens between the choice to install (the options window's install
// button, or the command line) and the install sequence. It takes the install lock, waits for
// the check of the carried resources, creates the install folder and writes the payload archive
// and the archive library into it. The windows and the command line report its errors each in
// their own way.
#pragma once

#include "ForeignFolders.h"
#include "InstallState.h"

// Another installer holds the install lock of this system root.
class EInstallRunning : public Exception {
public:
    using Exception::Exception;
};

// The setup program's own carried files are damaged or missing: no install can succeed.
class EDamagedSetup : public Exception {
public:
    using Exception::Exception;
};

// Prepares state's install folder. Raises, before anything is written: EForeignFolder when
// running as root over a folder another user controls (RefuseForeignFolders), Exception with
// RootArchitectureMessage() for a system root that cannot run the product, EInstallRunning with
// InstallRunningMessage(), EDamagedSetup with the damaged resource's message. Then raises
// Exception with the system's reason when the folder cannot be created, EFCreateError or
// EStreamError when a payload file cannot be written whole, and EDamagedSetup when the program
// does not carry one or the file written differs from it. The files written are held open in
// HeldPayload() for the install sequence.
void PerformInstallAction(const TInstallState& state);
