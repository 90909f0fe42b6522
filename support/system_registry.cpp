// System's registry methods over the file-backed store. Every method reports
// failure through its result and never raises.
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "support/components.h"
#include "support/conversions.h"
#include "support/registry_store.h"
#include "support/system.h"

namespace tintext {

namespace {

// The registry's enumeration buffers hold 2000 characters of name and 2000
// bytes of data; a value that does not fit ends the enumeration of its key.
constexpr size_t kEnumerationBuffer = 2000;

struct KeyPath {
    RegRoot root;
    std::vector<std::string> names;  // empty: the root itself
};

struct ValuePath {
    KeyPath key;
    std::string valueName;  // empty: the key's unnamed default value
};

// The root named before the first "\" (long or short name, any letter case)
// and the text after it.
std::optional<std::pair<RegRoot, std::string>> SplitRoot(const std::string& path) {
    size_t slash = path.find('\\');
    std::optional<RegRoot> root = RegRootFromName(std::string_view(path).substr(0, slash));
    if (!root) return std::nullopt;
    return std::make_pair(*root, slash == std::string::npos ? std::string() : path.substr(slash + 1));
}

std::optional<KeyPath> SplitKeys(RegRoot root, std::string_view keyPath) {
    KeyPath result{root, {}};
    if (keyPath.empty()) return result;
    while (true) {
        size_t slash = keyPath.find('\\');
        std::string_view name = keyPath.substr(0, slash);
        if (!IsValidKeyName(name) || result.names.size() == kMaxKeyDepth) return std::nullopt;
        result.names.emplace_back(name);
        if (slash == std::string_view::npos) return result;
        keyPath.remove_prefix(slash + 1);
    }
}

// Root, key path and value name: the value name is the text after the last "\".
std::optional<ValuePath> ParseValuePath(const std::string& path) {
    auto split = SplitRoot(path);
    if (!split) return std::nullopt;
    const std::string& rest = split->second;
    size_t last = rest.rfind('\\');
    if (last == std::string::npos) return std::nullopt;  // the value would lie directly under the root
    std::string valueName = rest.substr(last + 1);
    if (!IsValidValueName(valueName)) return std::nullopt;
    auto key = SplitKeys(split->first, std::string_view(rest).substr(0, last));
    if (!key) return std::nullopt;
    return ValuePath{std::move(*key), std::move(valueName)};
}

// Root and key path of the key methods; a final "\" is dropped.
std::optional<KeyPath> ParseKeyPath(const std::string& path) {
    auto split = SplitRoot(path);
    if (!split) return std::nullopt;
    std::string_view rest = split->second;
    if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
    return SplitKeys(split->first, rest);
}

template <class Key>
Key* FindKey(Key& top, const std::vector<std::string>& names) {
    Key* key = &top;
    for (const std::string& name : names)
        if (!(key = key->FindSubkey(name))) return nullptr;
    return key;
}

// The stored value as the program sees it; nullopt for the types it does not read.
std::optional<Value> ReadStoredValue(const RegValue& stored) {
    switch (stored.type) {
        case regtype::Sz: return Value(stored.data);
        case regtype::Binary: return Value(Bytes(stored.data.begin(), stored.data.end()));
        case regtype::Dword: {
            if (stored.data.size() != 4) return std::nullopt;
            uint32_t n = 0;
            for (size_t i = 4; i-- > 0;) n = n * 256 + static_cast<uint8_t>(stored.data[i]);
            return Value(static_cast<int32_t>(n));
        }
        default: return std::nullopt;
    }
}

// Whole numbers of the three small kinds become REG_DWORD, byte arrays
// REG_BINARY, everything else REG_SZ through its text form.
RegValue ToStoredValue(const std::string& name, const Value& value) {
    RegValue stored{name, regtype::Sz, {}};
    switch (value.kind()) {
        case Value::Kind::Long:
        case Value::Kind::Integer:
        case Value::Kind::Byte: {
            auto n = static_cast<uint32_t>(SafeCLng(value));
            stored.type = regtype::Dword;
            for (int i = 0; i < 4; ++i) stored.data += static_cast<char>((n >> (8 * i)) & 0xFF);
            break;
        }
        case Value::Kind::Bytes:
            stored.type = regtype::Binary;
            stored.data.assign(value.AsBytes().begin(), value.AsBytes().end());
            break;
        default: stored.data = SafeCStr(value); break;
    }
    return stored;
}

size_t StoredSize(const RegValue& stored) {
    return stored.data.size() + (stored.type == regtype::Sz ? 1 : 0);  // text counts its NUL
}

// Subkeys first, each its own tree, then the values that can be read. Raises
// when a name is added twice or the component cannot be created.
DictionaryRef BuildTree(const RegKey& key) {
    auto tree = std::dynamic_pointer_cast<Dictionary>(CreateObjectEx("Ostrand.Dictionary"));
    if (!tree) return nullptr;
    for (const RegKey& sub : key.subkeys) {
        DictionaryRef child = BuildTree(sub);
        if (!child) return nullptr;
        tree->Add(Value(sub.name), Value(child));
    }
    for (const RegValue& stored : key.values) {
        if (stored.name.size() >= kEnumerationBuffer || StoredSize(stored) > kEnumerationBuffer) break;
        if (std::optional<Value> value = ReadStoredValue(stored)) tree->Add(Value(stored.name), std::move(*value));
    }
    return tree;
}

bool WriteTree(System& system, const Value& tree, const std::string& key, std::vector<const Dictionary*>& walk) {
    auto dict = tree.ObjectAs<Dictionary>();
    // A tree that holds itself cannot be walked to an end.
    if (!dict || walk.size() > kMaxKeyDepth || std::find(walk.begin(), walk.end(), dict.get()) != walk.end())
        return false;
    walk.push_back(dict.get());
    bool result = true;
    for (int32_t i = 1; i <= dict->Count(); ++i) {
        std::string path = key + "\\" + SafeCStr(dict->Name(i));
        Value item = dict->ItemAt(i);
        result = item.TypeName() == "IDictionary" ? WriteTree(system, item, path, walk) : system.RegWrite(path, item);
    }
    walk.pop_back();
    return result;
}

// One value to store: the key's names below the root, and the value.
struct Assignment {
    std::vector<std::string> keyNames;
    RegValue value;
};

constexpr size_t kRootCount = 4;
static_assert(static_cast<size_t>(RegRoot::Users) + 1 == kRootCount, "one slot per root");

// Sets the values in the keys; whether any stored value changed.
bool Assign(RegKey& top, const std::vector<Assignment>& assignments) {
    bool changed = false;
    for (const Assignment& a : assignments) {
        RegKey* target = &top;
        for (const std::string& name : a.keyNames) target = &target->SubkeyOrCreate(name);
        const RegValue* old = target->FindValue(a.value.name);
        if (old && old->type == a.value.type && old->data == a.value.data) continue;
        target->SetValue(a.value);
        changed = true;
    }
    return changed;
}

// The values go into the root's file in one locked update, and only when one
// differs from what is stored: a first look without the lock (readers always
// see a whole file) saves the lock and the write when nothing would change.
bool StoreAssignments(RegRoot root, const std::vector<Assignment>& assignments) {
    RegKey current = LoadRegistryRoot(root);
    if (!Assign(current, assignments)) return true;
    bool looked = false, changed = false;
    bool stored = UpdateRegistryRoot(root, [&](RegKey& top) {
        looked = true;
        return changed = Assign(top, assignments);
    });
    // Under the lock another writer may have stored the same values meanwhile.
    return stored || (looked && !changed);
}

}  // namespace

Value System::RegRead(const std::string& key) { return RegReadValues({key}).front(); }

bool System::RegWrite(const std::string& key, const Value& value) { return RegWriteValues({{key, value}}); }

std::vector<Value> System::RegReadValues(const std::vector<std::string>& keys) {
    std::vector<Value> values(keys.size(), Value::Null());
    try {
        // Each root's file is read when a path first names it.
        std::optional<RegKey> roots[kRootCount];
        for (size_t i = 0; i < keys.size(); ++i) {
            std::optional<ValuePath> path = ParseValuePath(keys[i]);
            if (!path) continue;
            std::optional<RegKey>& top = roots[static_cast<size_t>(path->key.root)];
            if (!top) top = LoadRegistryRoot(path->key.root);
            const RegKey* found = FindKey(*top, path->key.names);
            const RegValue* stored = found ? found->FindValue(path->valueName) : nullptr;
            if (!stored) continue;
            if (std::optional<Value> value = ReadStoredValue(*stored)) values[i] = std::move(*value);
        }
    } catch (...) {
        // Values not read by then stay Null.
    }
    return values;
}

bool System::RegWriteValues(const std::vector<std::pair<std::string, Value>>& entries) {
    try {
        std::vector<Assignment> assignments[kRootCount];
        for (const auto& [key, value] : entries) {
            std::optional<ValuePath> path = ParseValuePath(key);
            if (!path) return false;
            RegValue stored = ToStoredValue(path->valueName, value);
            assignments[static_cast<size_t>(path->key.root)].push_back({std::move(path->key.names), std::move(stored)});
        }
        bool result = true;
        for (size_t root = 0; root < kRootCount; ++root) {
            if (!assignments[root].empty()) result = StoreAssignments(static_cast<RegRoot>(root), assignments[root]) && result;
        }
        return result;
    } catch (...) {
        return false;
    }
}

bool System::RegDelete(const std::string& key) {
    try {
        std::optional<ValuePath> path = ParseValuePath(key);
        if (!path) return false;
        return UpdateRegistryRoot(path->key.root, [&](RegKey& top) {
            RegKey* target = FindKey(top, path->key.names);
            return target && target->RemoveValue(path->valueName);
        });
    } catch (...) {
        return false;
    }
}

bool System::RegDeleteTree(const std::string& key) {
    try {
        std::optional<KeyPath> path = ParseKeyPath(key);
        // A whole root is not deleted: the path must name a key below it.
        if (!path || path->names.empty()) return false;
        return UpdateRegistryRoot(path->root, [&](RegKey& top) {
            std::vector<std::string> parentNames(path->names.begin(), path->names.end() - 1);
            RegKey* parent = FindKey(top, parentNames);
            return parent && parent->RemoveSubkey(path->names.back());
        });
    } catch (...) {
        return false;
    }
}

DictionaryRef System::RegReadTree(const std::string& key) {
    try {
        std::optional<KeyPath> path = ParseKeyPath(key);
        if (!path) return nullptr;
        RegKey top = LoadRegistryRoot(path->root);
        const RegKey* found = FindKey(top, path->names);
        return found ? BuildTree(*found) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

bool System::RegWriteTree(const Value& tree, const std::string& key) {
    try {
        std::vector<const Dictionary*> walk;
        return WriteTree(*this, tree, key, walk);
    } catch (...) {
        return false;
    }
}

}  // namespace tintext
