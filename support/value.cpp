#include "support/value.h"

namespace tintext {

bool Value::IsNumeric() const {
    switch (kind()) {
        case Kind::Byte:
        case Kind::Integer:
        case Kind::Long:
        case Kind::Double: return true;
        default: return false;
    }
}

std::string Value::TypeName() const {
    switch (kind()) {
        case Kind::Empty: return "Empty";
        case Kind::Null: return "Null";
        case Kind::Boolean: return "Boolean";
        case Kind::Byte: return "Byte";
        case Kind::Integer: return "Integer";
        case Kind::Long: return "Long";
        case Kind::Double: return "Double";
        case Kind::String: return "String";
        case Kind::Bytes: return "Byte()";
        case Kind::Object: return AsObject() ? AsObject()->TypeName() : "Nothing";
    }
    return {};
}

double Value::NumberValue() const {
    switch (kind()) {
        case Kind::Boolean: return AsBool() ? -1.0 : 0.0;
        case Kind::Byte: return AsByte();
        case Kind::Integer: return AsInteger();
        case Kind::Long: return AsLong();
        case Kind::Double: return AsDouble();
        default: return 0.0;
    }
}

}  // namespace tintext
