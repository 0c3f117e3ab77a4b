#pragma once
// A running program cannot delete its own file. The uninstaller therefore leaves a copy
// of itself in the temporary directory that waits for it to end, deletes it and the
// directories that leaves empty, and then ends; the copy is opened delete-on-close and
// its handle handed to the copy itself, so it disappears when the copy ends.
#include <string>

namespace uninstall {

// Starts the copy; False when it cannot be started (the uninstaller's file then stays).
bool StartSelfRemoval();

// The copy's side: True when the command line is the copy's, after its work is done.
bool RunSelfRemovalCopy(const std::string& parameters);

} // namespace uninstall
