// The message of the error an action raises, for tests that check failure texts.
#pragma once

#include "rtl/SysUtils.h"

#include <utility>

namespace testing_support {

// The raised error's message (GBK), or "<no error>" when the action raised none.
template <class Action> AnsiString RaisedMessage(Action&& action) {
    try {
        std::forward<Action>(action)();
    } catch (const Exception& error) {
        return error.Message();
    }
    return "<no error>";
}

} // namespace testing_support
