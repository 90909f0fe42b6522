// System: the registry methods that neither program calls. Every method
// reports failure through its result and never raises.
#include <algorithm>
#include <optional>
#include <vector>

#include "support/components.h"
#include "support/conversions.h"
#include "support/registry_access.h"
#include "support/registry_store.h"
#include "support/system.h"

namespace tintext {

namespace {

// The registry's enumeration buffers hold 2000 characters of name and 2000
// bytes of data; a value that does not fit ends the enumeration of its key.
constexpr size_t kEnumerationBuffer = 2000;

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

}  // namespace

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

Value System::GetDefaultExchangeProfile() {
    Value profile = RegRead(
        "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
        "Subsystem\\Profiles\\DefaultProfile");
    if (profile.IsNull()) {
        profile = RegRead("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows Messaging Subsystem\\Profiles\\DefaultProfile");
    }
    return profile;
}

}  // namespace tintext
