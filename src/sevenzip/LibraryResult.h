// How the library's result codes become errors: a failing code raises Exception with the
// system's text for the code (empty when the system has none); the code itself is not kept.
#pragma once

#include "winapi/windef.h"

// For CreateObject: only negative codes fail.
void CheckCreateResult(HRESULT result);
// For every other library call whose result is tested: any non-zero code fails, S_FALSE too.
void CheckLibraryResult(HRESULT result);
