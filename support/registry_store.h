// The registry store: one text file per root (see registry_file.h) in the
// folder $TINTEXT_REGISTRY_DIR, else $XDG_CONFIG_HOME/tintext/registry (with
// the usual ~/.config fallback). Every root is per user: there is no
// machine-wide file.
//
// Readers see a whole file, never a half-written one: writers replace the
// file by renaming a complete, flushed copy over it, under an flock'ed lock
// file, after re-reading it, so two processes writing at once lose nothing.
// A damaged file is reported once on stderr, read as empty, and kept as
// <file>.corrupt-<time> before the first write replaces it.
#pragma once

#include <functional>
#include <string>

#include "support/registry_file.h"

namespace tintext {

std::string RegistryFolder();
std::string RegistryFilePath(RegRoot root);

// The keys of the root as stored now; empty when there is no file or it cannot be read.
RegKey LoadRegistryRoot(RegRoot root);

// Runs change on the root's keys under the store's lock; when it returns true
// the result is stored. Returns whether the change succeeded and was stored.
bool UpdateRegistryRoot(RegRoot root, const std::function<bool(RegKey&)>& change);

}  // namespace tintext
