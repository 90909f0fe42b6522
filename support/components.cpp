#include "support/components.h"

#include <map>

#include "support/ascii_text.h"
#include "support/dictionary.h"
#include "support/error.h"
#include "support/file_system_object.h"
#include "support/job_environment.h"
#include "support/strings2_component.h"

namespace tintext {

namespace {

using Table = std::map<std::string, ComponentFactory>;  // keyed by lower-case ProgID

Table DefaultTable() {
    Table table;
    table["scripting.dictionary"] = [] { return std::make_shared<Dictionary>("Dictionary"); };
    table["ostrand.dictionary"] = [] { return std::make_shared<Dictionary>("IDictionary"); };
    table["scripting.filesystemobject"] = [] { return std::make_shared<FileSystemObject>(); };
    table["ostrand.strings2"] = [] { return std::make_shared<Strings2>(); };
    return table;
}

Table& Components() {
    static Table table = DefaultTable();
    return table;
}

void ShowErrorTo(JobEnvironment& environment, const std::string& message) {
    environment.MessageBox("Message:\r\n" + message, MsgButtons::Ok, MsgIcon::Exclamation, "");
}

}  // namespace

void RegisterComponent(const std::string& progId, ComponentFactory factory) {
    Components()[ToLowerAscii(progId)] = std::move(factory);
}

void UnregisterComponent(const std::string& progId) { Components().erase(ToLowerAscii(progId)); }

void ResetComponents() { Components() = DefaultTable(); }

ObjectRef CreateObject(const std::string& progId) {
    auto it = Components().find(ToLowerAscii(progId));
    ObjectRef object = it == Components().end() ? nullptr : it->second();
    if (!object) {
        throw Error(err::CannotCreateObject, kProgramSource, RuntimeErrorText(err::CannotCreateObject));
    }
    return object;
}

ObjectRef CreateObjectEx(const std::string& progId, JobEnvironment& reportTo) {
    try {
        return CreateObject(progId);
    } catch (const Error& caught) {
        std::string text = "CreateObject of [" + progId + "] failed.";
        ShowErrorTo(reportTo, text);
        throw Error(err::CannotCreateObject, "Ostrand", text, caught.HelpFile(), caught.HelpContext());
    }
}

ObjectRef ProgramComponent(const std::string& progId, JobEnvironment& reportTo) {
    return CreateObjectEx(progId, reportTo);
}

ObjectRef CreateObjectEx(const std::string& progId) { return CreateObjectEx(progId, Env()); }

void ShowError(const std::string& message) { ShowErrorTo(Env(), message); }

}  // namespace tintext
