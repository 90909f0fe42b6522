// The definitions one worker of a run over many files has loaded, with
// their compiled patterns, so that each is read and compiled once however
// many files use it. Not shared between threads: one per worker.
#pragma once

#include <map>
#include <string>

#include "engine/hld_tree.h"
#include "engine/regex_cache.h"

namespace tintext {

class DefinitionCache {
public:
    // The definition at `path`, loaded on first use; raises what LoadHld
    // raises (and again on the next call: a failure is not kept).
    const HldTree& Load(const std::string& path);
    // Patterns compiled so far, keyed by their text, for every definition.
    RegexCache& Regexes() { return regexes_; }

private:
    std::map<std::string, HldTree> loaded_;
    RegexCache regexes_;
};

}  // namespace tintext
