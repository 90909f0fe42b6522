#include "support/dictionary.h"

#include <functional>

#include "support/components.h"
#include "support/conversions.h"
#include "support/error.h"

namespace tintext {

size_t Dictionary::KeyHash::operator()(const Key& k) const {
    if (const double* d = std::get_if<double>(&k)) {
        double v = *d == 0.0 ? 0.0 : *d;  // -0 and 0 are one key
        return std::hash<double>{}(v) ^ 0x9e3779b97f4a7c15ULL;
    }
    return std::hash<std::string>{}(std::get<std::string>(k));
}

Dictionary::Key Dictionary::MakeKey(const Value& key) {
    switch (key.kind()) {
        case Value::Kind::String: return key.AsString();
        case Value::Kind::Boolean:
        case Value::Kind::Byte:
        case Value::Kind::Integer:
        case Value::Kind::Long:
        case Value::Kind::Double: return key.NumberValue() == 0.0 ? 0.0 : key.NumberValue();
        case Value::Kind::Empty: return std::string();
        default: return SafeCStr(key);
    }
}

void Dictionary::Add(const Value& key, Value item) {
    Key k = MakeKey(key);
    if (index_.count(k)) {
        throw Error(err::DuplicateKey, kProgramSource, RuntimeErrorText(err::DuplicateKey));
    }
    index_.emplace(std::move(k), entries_.size());
    entries_.emplace_back(key, std::move(item));
}

Value Dictionary::Item(const Value& key) const {
    auto it = index_.find(MakeKey(key));
    return it == index_.end() ? Value() : entries_[it->second].second;
}

void Dictionary::Set(const Value& key, Value item) {
    Key k = MakeKey(key);
    auto it = index_.find(k);
    if (it != index_.end()) {
        entries_[it->second].second = std::move(item);
        return;
    }
    index_.emplace(std::move(k), entries_.size());
    entries_.emplace_back(key, std::move(item));
}

bool Dictionary::Exists(const Value& key) const { return index_.count(MakeKey(key)) != 0; }

std::vector<Value> Dictionary::Keys() const {
    std::vector<Value> keys;
    keys.reserve(entries_.size());
    for (const auto& e : entries_) keys.push_back(e.first);
    return keys;
}

std::vector<Value> Dictionary::Items() const {
    std::vector<Value> items;
    items.reserve(entries_.size());
    for (const auto& e : entries_) items.push_back(e.second);
    return items;
}

Value Dictionary::Name(int32_t position) const {
    if (position < 1 || position > Count()) return Value();
    return entries_[static_cast<size_t>(position - 1)].first;
}

Value Dictionary::ItemAt(int32_t position) const {
    if (position < 1 || position > Count()) return Value();
    return entries_[static_cast<size_t>(position - 1)].second;
}

DictionaryRef NewDictionary() {
    auto dict = std::dynamic_pointer_cast<Dictionary>(CreateObjectEx("Scripting.Dictionary"));
    if (!dict) throw Error(err::CannotCreateObject, "Ostrand", "CreateObject of [Scripting.Dictionary] failed.");
    return dict;
}

}  // namespace tintext
