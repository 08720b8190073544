// Closing running product processes before the product's files are replaced. Processes
// are listed with Tool Help (kernel32) and inspected with PSAPI.dll, both bound by name at run
// time on first use.
#pragma once

#include "rtl/SysUtils.h"

#include "winapi/windef.h"

#include <vector>

// The pieces of text between separators, empty pieces included; an empty text gives none.
std::vector<AnsiString> SplitString(const AnsiString& text, const AnsiString& separator);

// The sum of the 1-based positions at which the "|"-separated entries of list occur in name
// (0 for an entry that does not, or is empty). Above 0 means name matches the list.
int CountNameMatches(const AnsiString& list, const AnsiString& name);

// One pass over the running processes: every process whose lower-cased name matches list and
// that can be opened and inspected is terminated. -1 when at least one was, else 0. The
// installer's own process is never terminated.
int KillProcessesByName(const AnsiString& list);

// Returns after at least milliseconds, processing window messages about every millisecond.
void WaitPumping(DWORD milliseconds);

// Forgets the bound Tool Help and PSAPI entry points (and frees PSAPI), so the next pass binds
// them again: tests hide the built-in modules in between.
void ResetProcessApiBindings();
