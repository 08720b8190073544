// Start-up of the installer before its message loop: application initialisation (COM
// included), the title, then the options, progress and finish windows in that order, each
// restored from its stored description and adjusted by its FormCreate. Only the options
// window, the main window, is shown, by the message loop.
#pragma once

#include "CommandLine.h"

#include <optional>

// Resource name of the product's icon (the ICO file of the product's programs).
inline constexpr char kProductIconResource[] = "MAINICON";

// The product's icon for every window and message box, shown by the window manager beside
// the title; a build without the icon resource (the tests') leaves Qt's default. Sets the icon
// that InitializeSetupApplication started decoding, waiting for it if need be; once.
void UseProductIcon();

// The application as every run needs it, windows or none: the classes the stored descriptions
// name, COM and the dialogs, the title and the carried glyphs; the product's icon starts
// decoding, for UseProductIcon.
void InitializeSetupApplication();

// InitializeSetupApplication, then the three windows, and the product's icon before any window
// or error box shows.
void CreateSetupWindows();

// The switches' choices as the options window's starting values, for a run with windows: /DIR's
// folder in the folder box (as given, without the product folder a browse appends), and the
// boxes of the NO-switches unticked. The user can still change them before installing.
void TakeSwitchesAsStartingValues(const TCommandLine& line);

// Reads the switches before Qt starts. Returns the exit code when the run ends here (help
// printed, or a bad switch reported on standard error); otherwise fills line and, for
// /VERYSILENT, selects Qt's offscreen platform so that no display is needed.
std::optional<int> ReadSwitches(int argc, char* argv[], TCommandLine& line);
