// The one seam through which tests drive GetTickCount and Sleep.
#pragma once

#include "windef.h"

namespace winapi {

class Clock {
public:
    virtual ~Clock() = default;
    virtual DWORD TickCount() = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
};

// Replaces the system clock; nullptr restores it.
void SetClock(Clock* clock);

} // namespace winapi
