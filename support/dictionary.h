// Dictionary: the program's one container, an insertion-ordered keyed collection.
// Text keys compare exactly (letter case included); numeric keys compare by
// value; a text key never equals a numeric one. Absent keys read as Empty.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "support/value.h"

namespace tintext {

class Dictionary : public Object {
public:
    // typeName: "Dictionary" for the platform's dictionary, "IDictionary" for the
    // maker's component (which the registry tree operations recognise by name).
    explicit Dictionary(std::string typeName = "Dictionary") : typeName_(std::move(typeName)) {}

    std::string TypeName() const override { return typeName_; }

    // Appends a pair; a key that is already present fails with error 457 and
    // leaves the collection unchanged.
    void Add(const Value& key, Value item);
    // The value under the key, or Empty when the key is absent.
    Value Item(const Value& key) const;
    // Replaces the value under the key, or appends the pair when it is absent.
    void Set(const Value& key, Value item);
    bool Exists(const Value& key) const;
    int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
    // The keys in insertion order, indexed from 0.
    std::vector<Value> Keys() const;
    std::vector<Value> Items() const;

    // Access by position, counting from 1 in insertion order (the maker's
    // component); out-of-range positions read as Empty.
    Value Name(int32_t position) const;
    Value ItemAt(int32_t position) const;

    // Ordered pairs, for enumeration.
    const std::vector<std::pair<Value, Value>>& Entries() const { return entries_; }

private:
    // Normalised key: a number (by value) or a text (exact).
    using Key = std::variant<double, std::string>;
    struct KeyHash {
        size_t operator()(const Key& k) const;
    };
    static Key MakeKey(const Value& key);

    std::string typeName_;
    std::vector<std::pair<Value, Value>> entries_;
    std::unordered_map<Key, size_t, KeyHash> index_;
};

using DictionaryRef = std::shared_ptr<Dictionary>;

// A new empty "Scripting.Dictionary", made through CreateObjectEx.
DictionaryRef NewDictionary();

}  // namespace tintext
