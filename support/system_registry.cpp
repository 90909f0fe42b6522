// System: the registry methods the programs use, over the file-backed store.
// Every method reports failure through its result and never raises.
#include <optional>
#include <utility>
#include <vector>

#include "support/conversions.h"
#include "support/registry_access.h"
#include "support/registry_store.h"
#include "support/system.h"

namespace tintext {

namespace {

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

}  // namespace tintext
