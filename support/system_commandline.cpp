#include "support/command_line_grammar.h"
#include "support/components.h"
#include "support/system.h"

namespace tintext {

// A failure to create the collection is reported to the user by CreateObjectEx.
DictionaryRef System::ParseCommandline(const std::string& cmd) { return ParseOptionText(cmd, CreateObjectEx); }

}  // namespace tintext
