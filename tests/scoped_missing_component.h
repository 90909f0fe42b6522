// Removes one of the program's components for the lifetime of a scope.
#pragma once

#include <string>
#include <utility>

#include "support/components.h"

namespace tintext {

// Removes a component for the lifetime of a scope.
class ScopedMissingComponent {
public:
    explicit ScopedMissingComponent(std::string progId) : progId_(std::move(progId)) {
        UnregisterComponent(progId_);
    }
    ~ScopedMissingComponent() { ResetComponents(); }
    ScopedMissingComponent(const ScopedMissingComponent&) = delete;
    ScopedMissingComponent& operator=(const ScopedMissingComponent&) = delete;

private:
    std::string progId_;
};

}  // namespace tintext
