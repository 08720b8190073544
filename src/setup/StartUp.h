// Start-up of the installer before its message loop: application initialisation (COM
// included), the title, then the options, progress and finish windows in that order, each
// restored from its stored description and adjusted by its FormCreate. Only the options
// window, the main window, is shown, by the message loop.
#pragma once

void CreateSetupWindows();
