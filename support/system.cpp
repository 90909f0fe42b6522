#include "support/system.h"

#include "support/components.h"

namespace tintext {

System::System() : strings2_(std::dynamic_pointer_cast<Strings2>(CreateObjectEx("Ostrand.Strings2"))) {}

}  // namespace tintext
