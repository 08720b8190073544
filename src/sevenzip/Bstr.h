// Wide strings handed across the library boundary. The library allocates and frees them with
// the C heap, as a 32-bit byte length followed by the wide characters and a terminating zero,
// and the pointer points at the characters; ours are laid out the same so either side can
// free what the other allocated.
#pragma once

#include "sevenzip/SevenZipInterfaces.h"

#include <string>
#include <string_view>

// A new BSTR holding text; null when memory runs out.
BSTR AllocBstr(std::wstring_view text);
void FreeBstr(BSTR bstr);
// The characters of a BSTR (which may contain zeros); empty for null.
std::wstring_view BstrText(BSTR bstr);
