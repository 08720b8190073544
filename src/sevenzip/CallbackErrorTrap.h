// Errors raised inside our callbacks never unwind through the library: the trap catches them,
// the callback returns a failing code, and the operation that called the library raises the
// first caught error once the library has returned. Callbacks may run on the library's worker
// threads, hence the lock.
#pragma once

#include "winapi/windef.h"

#include <exception>
#include <mutex>

class CallbackErrorTrap {
public:
    // Runs a callback's body; an error it raises is kept and E_FAIL returned instead.
    template <class Body> HRESULT Run(Body&& body) noexcept {
        try {
            return body();
        } catch (...) {
            Keep(std::current_exception());
            return E_FAIL;
        }
    }

    // Forgets any error kept from an earlier library call.
    void Clear() noexcept;
    // Raises the kept error, if any, and forgets it.
    void RaisePending();

private:
    void Keep(std::exception_ptr error) noexcept;

    std::mutex lock_;
    std::exception_ptr pending_;
};
