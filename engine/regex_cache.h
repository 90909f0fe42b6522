// The compiled patterns of one conversion, shared by its sections: the
// shipped definitions repeat many patterns in several sections (the code
// inside an f-string is Python again), and each compiles once.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "engine/regexp.h"

namespace tintext {

class RegexCache {
public:
    // The pattern compiled as a section reads it; raises what compiling
    // raises. The result lives as long as the cache. MultiLine stays off: a
    // loaded section keeps it as a truth value, whose text is never the "0"
    // that would switch it on.
    CompiledRegex& Get(const std::string& pattern, bool ignoreCase) {
        std::unique_ptr<CompiledRegex>& entry = compiled_[ignoreCase ? 1 : 0][pattern];
        if (!entry) {
            // Made before it is stored: a pattern that fails leaves no entry.
            auto made = std::make_unique<CompiledRegex>(pattern, ignoreCase, false);
            entry = std::move(made);
        }
        return *entry;
    }

private:
    std::unordered_map<std::string, std::unique_ptr<CompiledRegex>> compiled_[2];
};

}  // namespace tintext
