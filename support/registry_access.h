// What System's registry methods share: registry path text read into its
// root, keys and value name, and stored values as the program reads them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "support/registry_file.h"
#include "support/value.h"

namespace tintext {

struct KeyPath {
    RegRoot root;
    std::vector<std::string> names;  // empty: the root itself
};

struct ValuePath {
    KeyPath key;
    std::string valueName;  // empty: the key's unnamed default value
};

// Root, key path and value name: the value name is the text after the last
// "\"; nullopt for a path that names no root or holds a name the registry refuses.
std::optional<ValuePath> ParseValuePath(const std::string& path);

// Root and key path of the key methods; a final "\" is dropped.
std::optional<KeyPath> ParseKeyPath(const std::string& path);

// The key below top with these names, or nullptr.
template <class Key>
Key* FindKey(Key& top, const std::vector<std::string>& names) {
    Key* key = &top;
    for (const std::string& name : names)
        if (!(key = key->FindSubkey(name))) return nullptr;
    return key;
}

// The stored value as the program sees it; nullopt for the types it does not read.
std::optional<Value> ReadStoredValue(const RegValue& stored);

}  // namespace tintext
