// Whether this machine has a Wine that can run the product's Windows programs. The product's
// programs are PE images of one machine type; Wine runs an image only with the Unix side built
// for it (the x86_64-unix or i386-unix folder of Wine's library folder).
#pragma once

#include "rtl/SysUtils.h"

// A Chinese message saying what to install so that program (a Windows path) can run, and that
// the product is installed and can be started later; empty when it can run (or is no PE
// image, which needs no Wine).
AnsiString MissingWineMessage(const AnsiString& program);
