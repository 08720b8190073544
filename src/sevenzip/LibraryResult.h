// How the library's result codes become errors: a failing code raises Exception with the
// system's text for the code (or the code itself when the system has no text).
#pragma once

#include "winapi/windef.h"

// For every library call whose result is tested: any non-zero code fails, S_FALSE too.
void CheckLibraryResult(HRESULT result);
