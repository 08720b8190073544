// Whether this machine has a Wine that can run the product's Windows programs. The product's
// programs are PE images of one machine type; Wine runs an image only with the Unix side built
// for it (the x86_64-unix or i386-unix folder of Wine's library folder).
#pragma once

#include "rtl/SysUtils.h"
#include "winapi/windef.h"

#include <string>

// A Chinese message saying what to install so that program (a Windows path) can run, and that
// the product is installed and can be started later; empty when it can run (or is no PE
// image, which needs no Wine).
AnsiString MissingWineMessage(const AnsiString& program);

// The machine type of the product's programs, as the build read it from the main program.
WORD ProductMachine();

// Whether the system root at root (a Linux path) can run programs of productMachine: a 32-bit
// root (the "#arch=win32" Wine writes into the root's system.reg, or WINEARCH=win32 for a root
// not made yet) runs no 64-bit program. Empty when it can; else a Chinese message that says so
// and what to do.
AnsiString RootArchitectureMessage(const std::string& root, WORD productMachine);
