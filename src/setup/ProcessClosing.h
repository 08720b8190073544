// Closing running product processes before the product's files are replaced. Processes
// are listed with Tool Help (kernel32) and inspected with PSAPI.dll, both bound by name at run
// time on first use.
#pragma once

#include "rtl/SysUtils.h"

#include "winapi/windef.h"

#include <vector>

// The pieces of text between separators, empty pieces included; an empty text gives none.
std::vector<AnsiString> SplitString(const AnsiString& text, const AnsiString& separator);

// True when name equals one of the "|"-separated entries of list, byte for byte. An empty entry
// matches nothing, so a process without a name is never taken for one on the list.
bool ListHoldsName(const AnsiString& list, const AnsiString& name);

// One pass over the running processes of this system: every process whose lower-cased file
// name is on list and that can be opened and inspected is terminated. -1 when at least one
// was, else 0. The installer's own process is never terminated, nor are other users'
// processes or programs Wine runs for another system root (the Windows layer neither lists
// nor opens those).
int KillProcessesByName(const AnsiString& list);

// Returns after at least milliseconds, processing window messages about every millisecond.
void WaitPumping(DWORD milliseconds);

// Forgets the bound Tool Help and PSAPI entry points (and frees PSAPI), so the next pass binds
// them again: tests hide the built-in modules in between.
void ResetProcessApiBindings();
