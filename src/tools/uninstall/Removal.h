#pragma once
// Taking an installation apart: shared-file counters, ActiveX unregistration, the listed
// files, and the directories their removal left empty. Only listed files are deleted;
// directories go only when empty, and never the system's own folders.
#include <set>
#include <string>
#include <vector>

#include "tools/uninstall/UninstallEntry.h"

namespace uninstall {

struct RemovalReport {
    int removed = 0;
    int alreadyGone = 0;
    std::vector<std::string> keptShared;          // still counted by other installations
    std::vector<std::string> notRemoved;          // path and reason
    std::vector<std::string> notUnregistered;     // path and reason
    std::vector<std::string> removedDirectories;
    bool entryLeft = false;
};

// The folders that stay even when an uninstall leaves them empty: drive roots, the
// Windows and system directories, Program Files, the temporary directory and the
// shell's standard folders (Desktop, Start Menu, Programs, StartUp, ...).
class ProtectedFolders {
public:
    ProtectedFolders();
    bool Contains(const std::string& directory) const;

private:
    void Add(const std::string& directory);
    std::set<std::string> folders_;  // upper case, no trailing backslash
};

// Removes every file of Entry (ActiveX servers unregistered first), then the directories
// that became empty, then the entry itself.
RemovalReport RemoveInstallation(const UninstallEntry& entry);

// Removes Directory and, climbing up, each parent that is left empty, stopping at a
// protected folder.
void RemoveEmptyDirectories(const std::string& directory, const ProtectedFolders& folders,
                            std::vector<std::string>* removed);

std::string DirectoryOf(const std::string& path);

} // namespace uninstall
