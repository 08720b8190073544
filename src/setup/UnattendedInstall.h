// The install driven from the command line: /VERYSILENT runs the install sequence with no
// window (on Qt's offscreen platform, so no display is needed), /SILENT shows only the progress
// window. Both take the options window's defaults unless a switch says otherwise, and end with
// an exit code (CommandLine.h). Progress lines go to standard error when it is a terminal or
// a log is written.
#pragma once

#include "CommandLine.h"

// Runs the install the command line asks for and returns the exit code. The application
// object must exist; /SILENT creates the progress window here, /VERYSILENT no window at all.
int RunUnattendedInstall(const TCommandLine& line);
