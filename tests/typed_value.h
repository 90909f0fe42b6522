// "KIND:TEXT" as a value, for the tables of tests/data: text, bool, byte,
// int, long, double, bytes (hex pairs), object (an empty dictionary), empty
// and null.
#pragma once

#include <memory>
#include <string>

#include "support/dictionary.h"
#include "support/value.h"

namespace tintext::testing {

inline Value Typed(const std::string& typed) {
    const std::string kind = typed.substr(0, typed.find(':')), text = typed.substr(typed.find(':') + 1);
    if (kind == "null") return Value::Null();
    if (kind == "empty") return Value();
    if (kind == "object") return Value(std::make_shared<Dictionary>());
    if (kind == "bool") return Value(text == "true");
    if (kind == "byte") return Value(static_cast<uint8_t>(std::stoi(text)));
    if (kind == "int") return Value(static_cast<int16_t>(std::stoi(text)));
    if (kind == "long") return Value(static_cast<int32_t>(std::stol(text)));
    if (kind == "double") return Value(std::stod(text));
    if (kind != "bytes") return Value(text);
    Bytes bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return Value(bytes);
}

}  // namespace tintext::testing
