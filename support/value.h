// Value: the variant that keyed collections hold and that tolerant conversions read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace tintext {

// Base of every component that a Value can refer to (keyed collections and the
// program's own components created by ProgID).
class Object {
public:
    virtual ~Object() = default;
    // The type name the program inspects, e.g. "IDictionary" for a keyed collection.
    virtual std::string TypeName() const = 0;
};

using ObjectRef = std::shared_ptr<Object>;
using Bytes = std::vector<uint8_t>;

struct EmptyValue {
    bool operator==(const EmptyValue&) const = default;
};
struct NullValue {
    bool operator==(const NullValue&) const = default;
};

// Kinds a value can hold. Byte, Integer (16-bit), Long (32-bit) and Double are
// kept apart because the registry chooses the stored type from them.
class Value {
public:
    enum class Kind { Empty, Null, Boolean, Byte, Integer, Long, Double, String, Bytes, Object };

    Value() = default;
    Value(EmptyValue) {}
    Value(NullValue v) : data_(v) {}
    Value(bool v) : data_(v) {}
    Value(uint8_t v) : data_(v) {}
    Value(int16_t v) : data_(v) {}
    Value(int32_t v) : data_(v) {}
    Value(double v) : data_(v) {}
    Value(std::string v) : data_(std::move(v)) {}
    Value(const char* v) : data_(std::string(v)) {}
    Value(Bytes v) : data_(std::move(v)) {}
    Value(ObjectRef v) : data_(std::move(v)) {}
    template <class T>
    Value(std::shared_ptr<T> v) : data_(ObjectRef(std::move(v))) {}

    static Value Null() { return Value(NullValue{}); }

    Kind kind() const { return static_cast<Kind>(data_.index()); }
    bool IsEmpty() const { return kind() == Kind::Empty; }
    bool IsNull() const { return kind() == Kind::Null; }
    bool IsObject() const { return kind() == Kind::Object; }
    bool IsNumeric() const;

    // "Empty", "Null", "Boolean", "Byte", "Integer", "Long", "Double", "String",
    // "Byte()" or the object's own type name.
    std::string TypeName() const;

    bool AsBool() const { return std::get<bool>(data_); }
    uint8_t AsByte() const { return std::get<uint8_t>(data_); }
    int16_t AsInteger() const { return std::get<int16_t>(data_); }
    int32_t AsLong() const { return std::get<int32_t>(data_); }
    double AsDouble() const { return std::get<double>(data_); }
    const std::string& AsString() const { return std::get<std::string>(data_); }
    const Bytes& AsBytes() const { return std::get<Bytes>(data_); }
    const ObjectRef& AsObject() const { return std::get<ObjectRef>(data_); }

    // The numeric value of a Boolean (True is -1) or number kind.
    double NumberValue() const;

    template <class T>
    std::shared_ptr<T> ObjectAs() const {
        if (!IsObject()) return nullptr;
        return std::dynamic_pointer_cast<T>(AsObject());
    }

    bool operator==(const Value& other) const = default;

private:
    std::variant<EmptyValue, NullValue, bool, uint8_t, int16_t, int32_t, double, std::string, Bytes,
                 ObjectRef>
        data_;
};

}  // namespace tintext
