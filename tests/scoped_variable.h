// Sets an environment variable (or removes it, given no value) for a scope.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace tintext::testing {

class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = ::getenv(name)) old_ = old;
        Set(value);
    }
    ~ScopedVariable() { Set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

    void Set(const std::optional<std::string>& value) const {
        if (value) ::setenv(name_, value->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace tintext::testing
