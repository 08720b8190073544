// The install action: what happens between the choice to install (the options window's install
// button, or the command line) and the install sequence. It takes the install lock, waits for
// the check of the carried resources, creates the install folder and writes the payload archive
// and the archive library into it. The windows and the command line report its errors each in
// their own way.
#pragma once

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

// Prepares state's install folder. Raises, before anything is written: Exception with
// RootArchitectureMessage() for a system root that cannot run the product, EInstallRunning with
// InstallRunningMessage(), EDamagedSetup with the damaged resource's message. Then starts the
// install's transaction (InstallTransaction.h), which first undoes what a killed run left, and
// takes up the earlier install's record. Raises Exception with the system's reason when the
// folder cannot be created, EFCreateError or EStreamError when a payload file cannot be written
// whole, and EDamagedSetup when the program does not carry one; the transaction has then undone
// what it changed.
void PerformInstallAction(const TInstallState& state);
