#include "model/routines_ExpandPaths.h"

#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

#include "engine/cmp_TInstall.h"
#include "model/cmp_TInstallContainer.h"
#include "platform/Strings.h"
#include "platform/SysUtils.h"
#include "routines/routines_API.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"

namespace qlry {

namespace {

const char* const shellFoldersKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const currentVersionKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const librarySearchPathKey = "\\Software\\Borland\\Delphi\\4.0\\Library";
const char* const delphiRootKey = "\\Software\\Borland\\Delphi\\4.0";
const char* const frameworkMarkerFile = "Q32V40.TXT";

// No registry string can hold a NUL, so this never comes back as a real value.
const std::string notStored("\0<none>", 7);

int lookupScopes = 0;
std::map<std::tuple<int, const char*, const char*>, std::string>& RememberedValues() {
    static std::map<std::tuple<int, const char*, const char*>, std::string> values;
    return values;
}

std::string ReadFolderValue(int root, const char* key, const char* name) {
    if (lookupScopes == 0) return RegReadString(root, key, name, notStored);
    auto [entry, added] = RememberedValues().try_emplace({root, key, name});
    if (added) entry->second = RegReadString(root, key, name, notStored);
    return entry->second;
}

// The value as stored, or the fallback when there is none. The fallback is built only
// when needed: the Windows directory may be unknown while the value is there.
std::string ReadFolder(int root, const char* key, const char* name, const std::function<std::string()>& fallback) {
    std::string value = ReadFolderValue(root, key, name);
    return RemoveBackslash(value == notStored ? fallback() : value);
}

std::string InWindowsDir(const char* name) { return AddBackslash(GetWindowsDir()) + name; }

std::string OnCurrentDrive(const char* path) { return AddBackslash(ExtractFileDrive(GetCurrentDir())) + path; }

[[noreturn]] void RaiseNoFrameworkPath() {
    throw IENoQuilloryPath("Cannot find the the Quillory directory on the VCL library search path");
}

std::string ContainerDestPath(TInstallContainer* object) {
    if (!object) throw EAICannotExpandContainerDirMV("Cannot expand the %c meta variable because the component is Nil");
    auto* item = dynamic_cast<TInstallObject*>(object);
    if (!item || !item->Container())
        throw EAICannotExpandContainerDirMV("Cannot expand the %c meta variable because the Container property is Nil");
    return item->Container()->GetDestPath();
}

std::string EngineDestPath() {
    TCustomInstall* engine = CurrentInstall();
    if (!engine)
        throw EAICannotExpandInstallDirMV("Cannot expand the %i meta variable because there is no TInstall component");
    return engine->GetDestPath();
}

// The text for the meta variable selected by Letter, before its trailing backslash goes;
// nothing for an unknown letter.
std::optional<std::string> MetaVariable(char letter, TInstallContainer* object) {
    switch (std::tolower(static_cast<unsigned char>(letter))) {
    case '%': return std::string(1, '%');
    case 'a':
        if (!object)
            throw EAICannotExpandContainerDirMV("Cannot expand the %a meta variable because the component is Nil");
        return object->GetDestPath();
    case 'b': return ProgramsFolder();
    case 'c': return ContainerDestPath(object);
    case 'd': return DesktopFolder();
    case 'f': return CommonFilesFolder();
    case 'i': return EngineDestPath();
    case 'm': return StartMenuFolder();
    case 'p': return ProgramFilesFolder();
    case 's': return GetSystemDir();
    case 'w': return GetWindowsDir();
    default: return std::nullopt;
    }
}

} // namespace

std::string StartMenuFolder() {
    return ReadFolder(rkCurrentUser, shellFoldersKey, "Start Menu", [] { return InWindowsDir("Startmen"); });
}

std::string ProgramsFolder() {
    return ReadFolder(rkCurrentUser, shellFoldersKey, "Programs",
                      [] { return AddBackslash(StartMenuFolder()) + "Programs"; });
}

std::string DesktopFolder() {
    return ReadFolder(rkCurrentUser, shellFoldersKey, "Desktop", [] { return InWindowsDir("Desktop"); });
}

std::string StartupFolder() {
    return ReadFolder(rkCurrentUser, shellFoldersKey, "Startup", [] { return InWindowsDir("Startup"); });
}

std::string ProgramFilesFolder() {
    return ReadFolder(rkLocalMachine, currentVersionKey, "ProgramFilesDir",
                      [] { return OnCurrentDrive("Program Files"); });
}

std::string CommonFilesFolder() {
    return ReadFolder(rkLocalMachine, currentVersionKey, "CommonFilesDir",
                      [] { return OnCurrentDrive("Program Files\\Common Files"); });
}

TFolderLookupScope::TFolderLookupScope() { ++lookupScopes; }

TFolderLookupScope::~TFolderLookupScope() {
    if (--lookupScopes == 0) RememberedValues().clear();
}

EAICannotExpandContainerDirMV::EAICannotExpandContainerDirMV(const std::string& message)
    : EAI(TranslateExceptionText(message)) {}

EAICannotExpandInstallDirMV::EAICannotExpandInstallDirMV(const std::string& message)
    : EAI(TranslateExceptionText(message)) {}

std::string ExpandMetaVariables(const std::string& text, TInstallContainer* object) {
    std::string result;
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result += text[i];
            continue;
        }
        if (++i == text.size()) break;   // a "%" at the very end is dropped
        if (std::optional<std::string> replacement = MetaVariable(text[i], object))
            result += RemoveBackslash(*replacement);
    }
    return result;
}

std::string QuilloryInfo::FrameworkDirectory(bool raiseIfMissing) {
    std::string searchPath = RegReadString(rkCurrentUser, librarySearchPathKey, "Search Path", "");
    if (Trim(searchPath).empty() && raiseIfMissing) RaiseNoFrameworkPath();
    TStringList entries;
    SplitToList(searchPath, ';', entries);
    std::string rootDir = RegReadString(rkLocalMachine, delphiRootKey, "RootDir", "");
    for (int i = 0; i < entries.Count(); ++i) {
        std::string entry = StringReplace(entries[i], "$(DELPHI)", rootDir, 0);
        entry = StringReplace(entry, "$(BCB)", rootDir, 0);
        if (FileExists(AddBackslash(entry) + frameworkMarkerFile)) return RemoveBackslash(entry);
    }
    if (raiseIfMissing) RaiseNoFrameworkPath();
    return "";
}

} // namespace qlry
