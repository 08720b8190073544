// Whether Qt will find a graphical display, checked before the application is created: without
// one, Qt's platform plug-in aborts the program with a core dump and a misleading hint.
#pragma once

// True when Qt's platform is chosen explicitly (QT_QPA_PLATFORM, or Qt's own "-platform"
// argument, e.g. offscreen or minimal), or when a display server answers: the Wayland socket
// WAYLAND_DISPLAY names, or the X server of DISPLAY (or of Qt's "-display" argument).
bool GraphicalDisplayAvailable(int argc, char* argv[]);

// Prints one line to standard error, in Chinese and English, saying that a display is needed
// and how to run without one, and returns false when there is none. A mode that shows no
// window (an unattended install chosen on the command line) does not call this: main() reads
// that switch first and runs Qt on the offscreen platform.
bool EnsureGraphicalDisplay(int argc, char* argv[]);

// The line EnsureGraphicalDisplay prints (UTF-8, as the terminal reads it).
extern const char* const kNoDisplayMessage;

// True once the X display the running application uses has gone away (the server ended, the
// session logged out). Qt notices only when it next handles events and then ends the program;
// an install that handles no events for a while asks here.
bool DisplayConnectionLost();
