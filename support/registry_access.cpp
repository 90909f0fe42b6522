#include "support/registry_access.h"

#include <string_view>
#include <utility>

namespace tintext {

namespace {

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

}  // namespace

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

std::optional<KeyPath> ParseKeyPath(const std::string& path) {
    auto split = SplitRoot(path);
    if (!split) return std::nullopt;
    std::string_view rest = split->second;
    if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
    return SplitKeys(split->first, rest);
}

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

}  // namespace tintext
