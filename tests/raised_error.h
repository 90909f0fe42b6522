// The error a call raises, for tests of what fails and how.
#pragma once

#include <functional>

#include "support/error.h"

namespace tintext::testing {

// The error raised; number 0 and "no error" when the call returns.
inline Error Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const Error& e) {
        return e;
    }
    return Error(0, "", "no error");
}

}  // namespace tintext::testing
