// A helper program of the player (updater, error reporter, converter, ...). The demo product
// links every such file from this one object, each with its own version resource and data; it
// has no work to do in the demo and ends at once with success.
// windows.h comes first: the other Windows headers rely on its types.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    return 0;
}
