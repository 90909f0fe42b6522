#include "engine/definition_cache.h"

#include "engine/hld_loader.h"

namespace tintext {

const HldTree& DefinitionCache::Load(const std::string& path) {
    auto found = loaded_.find(path);
    if (found != loaded_.end()) return found->second;
    HldTree tree = LoadHld(path);
    return loaded_.emplace(path, std::move(tree)).first->second;
}

}  // namespace tintext
