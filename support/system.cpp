// System: the object, and its command-line and shell methods.
#include "support/system.h"

#include "support/command_line_grammar.h"
#include "support/components.h"
#include "support/job_environment.h"
#include "support/shell_hooks.h"

namespace tintext {

System::System() : System(Env()) {}

System::System(JobEnvironment& reportTo) : System(reportTo, ProgramComponent) {}

System::System(JobEnvironment& reportTo, const ComponentCreator& create)
    : reportTo_(&reportTo),
      create_(create),
      strings2_(std::dynamic_pointer_cast<Strings2>(create_("Ostrand.Strings2", reportTo))) {}

// A failure to create the collection is reported to the user by CreateObjectEx.
DictionaryRef System::ParseCommandline(const std::string& cmd) {
    return ParseOptionText(cmd, [this](const std::string& progId) { return create_(progId, *reportTo_); });
}

Value System::ShellOpen(const std::string& target) {
    if (target.empty()) return Value();
    return Value(OpenWithDesktop(target));
}

Value System::Hyperlink(const std::string& url) {
    ShellOpen(url);
    return Value();
}

}  // namespace tintext
