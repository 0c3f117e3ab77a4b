#pragma once
// The user's standard folders, the %-meta variables of link parameters, and the
// framework's own directory on a developer's machine.
#include <string>

#include "engine/exceptions_Quillory.h"

namespace qlry {

class TInstallContainer;

// Each answers the registry's value (also when it is empty) or the default built from
// the Windows directory or the current drive, with one trailing backslash removed.
std::string StartMenuFolder();
std::string ProgramsFolder();
std::string DesktopFolder();
std::string StartupFolder();
std::string ProgramFilesFolder();
std::string CommonFilesFolder();

// While one of these lives, each folder's registry value is read once and remembered:
// installing one file asks for its folders many times, and nothing changes them meanwhile.
// The defaults are still built each time, as they follow the current directory.
class TFolderLookupScope {
public:
    TFolderLookupScope();
    ~TFolderLookupScope();
    TFolderLookupScope(const TFolderLookupScope&) = delete;
    TFolderLookupScope& operator=(const TFolderLookupScope&) = delete;
};

// The message is translated before it is raised.
class EAICannotExpandContainerDirMV : public EAI {
public:
    explicit EAICannotExpandContainerDirMV(const std::string& message);
};

class EAICannotExpandInstallDirMV : public EAI {
public:
    explicit EAICannotExpandInstallDirMV(const std::string& message);
};

// Replaces %a %b %c %d %f %i %m %p %s %w (any case) and %% in Text; a "%" before any
// other character is dropped together with it. Object may be nullptr.
std::string ExpandMetaVariables(const std::string& text, TInstallContainer* object);

class QuilloryInfo {
public:
    // The first directory of the library search path that holds the marker file
    // Q32V40.TXT; "" or IENoQuilloryPath when there is none.
    static std::string FrameworkDirectory(bool raiseIfMissing);
};

} // namespace qlry
