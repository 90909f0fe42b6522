// modMutex: a named mutex that guards a single running instance of a program.
//
// A mutex is an flock'ed lock file in the user's runtime folder: held by the
// process that created it, released when the handle is destroyed or the
// process ends (the lock files are opened close-on-exec, so started programs
// never inherit a lock). The files themselves stay; removing a lock file that
// another process is about to lock would let two holders in.
#pragma once

#include <cstdint>
#include <string>

namespace tintext {

// Creates and holds the named mutex; returns its handle. Raises 183 when the
// name is held by another process or already created in this one; other
// failures raise the system error (errno number and SystemErrorText). An empty name
// makes an unnamed mutex that nobody else can find.
int32_t CreateInstanceMutex(const std::string& name);

// Releases the mutex. An unknown handle raises the system error EBADF.
void DestroyInstanceMutex(int32_t handle);

// True when the name is held, by another process or this one. Leaves nothing
// held; other failures raise the system error.
bool CheckInstanceMutex(const std::string& name);

// The folder of the lock files: "tintext-mutex" in $XDG_RUNTIME_DIR, or
// "/tmp/tintext-mutex-<uid>" without one; created private to the user when
// missing. Raises the system error when it cannot be made or is not ours.
std::string MutexFolder();

// The lock file name for a mutex name: letters, digits, "-" and "_" stay;
// every other byte becomes "%XX", so different names never share a file and
// separators cannot leave the folder. Long names end in a hash of the whole.
std::string MutexFileName(const std::string& name);

}  // namespace tintext
