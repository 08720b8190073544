#include "sevenzip/CallbackErrorTrap.h"

#include <utility>

void CallbackErrorTrap::Clear() noexcept {
    std::lock_guard guard(lock_);
    pending_ = nullptr;
}

void CallbackErrorTrap::RaisePending() {
    std::exception_ptr error;
    {
        std::lock_guard guard(lock_);
        error = std::exchange(pending_, nullptr);
    }
    if (error)
        std::rethrow_exception(error);
}

void CallbackErrorTrap::Keep(std::exception_ptr error) noexcept {
    std::lock_guard guard(lock_);
    if (!pending_)
        pending_ = std::move(error);
}
