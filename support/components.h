// Creation of the program's own components by ProgID, with one uniform
// failure report, and the message box that report uses.
#pragma once

#include <functional>
#include <string>

#include "support/value.h"

namespace tintext {

class JobEnvironment;

// Creates the component with the given ProgID (letter case ignored). On
// failure shows "Message:" CR LF "CreateObject of [X] failed." through
// `reportTo` and raises error 429 with source "Ostrand".
ObjectRef CreateObjectEx(const std::string& progId, JobEnvironment& reportTo);
// The same, reporting through Env().
ObjectRef CreateObjectEx(const std::string& progId);

// How code that is handed its services creates components: by ProgID,
// reporting a failure through the given environment.
using ComponentCreator = std::function<ObjectRef(const std::string& progId, JobEnvironment& reportTo)>;
// The program's own components (CreateObjectEx on the table below).
ObjectRef ProgramComponent(const std::string& progId, JobEnvironment& reportTo);

// Creates a component without the failure report: an unknown ProgID raises
// the platform's error 429 directly.
ObjectRef CreateObject(const std::string& progId);

// Shows "Message:" CR LF + message with the exclamation icon and an empty caption.
void ShowError(const std::string& message);

using ComponentFactory = std::function<ObjectRef()>;

// The table of components, for tests that need a component to be missing or
// different (see tests/scoped_missing_component.h). Registering replaces;
// unregistering a ProgID makes creating it fail.
void RegisterComponent(const std::string& progId, ComponentFactory factory);
void UnregisterComponent(const std::string& progId);
// Restores the program's own table.
void ResetComponents();

}  // namespace tintext
