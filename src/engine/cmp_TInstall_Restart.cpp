// The engine's side of files replaced at the next start of Windows: the unfinished work
// kept in the install record.
#include "engine/cmp_TInstall.h"

#include <windows.h>

#include "engine/exceptions_Quillory.h"
#include "platform/Application.h"
#include "platform/CommandLine.h"
#include "platform/Registry.h"
#include "platform/Strings.h"
#include "platform/SysUtils.h"
#include "routines/cmp_TQlryRegistry.h"
#include "routines/routines_API.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"
#include "translate/cmp_TTranslator.h"

namespace qlry {

namespace {

std::string UnfinishedKey() {
    if (InstallRecordKey().empty())
        throw IEInstall("The TInstall could not either write or read unfinished business from the registry");
    return InstallRecordKey() + "\\Unfinished";
}

} // namespace

void TCustomInstall::AddUnfinishedBusiness(const std::string& name, int action) {
    std::string key = UnfinishedKey();
    ++unfinishedCount_;
    RegWriteString(rkLocalMachine, key, name, std::to_string(action));
}

void TCustomInstall::ReadUnfinishedBusiness(TStrings& list) {
    list.Clear();
    std::string key = UnfinishedKey();
    TqlryRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(key, false)) return;
    for (const std::string& name : registry.GetValueNames()) list.Add(name + ";" + registry.ReadString(name));
}

void TCustomInstall::ClearUnfinishedBusiness() { RegDeleteKeyTree(rkLocalMachine, UnfinishedKey()); }

std::string TCustomInstall::RunOnceCommand() const {
    std::string source = SourceFileName();
    std::string command = "\"" + ParamStr(0) + "\" -r ";
    if (HasOption(ioSelfExtract)) command += "\"-e" + ExtractFileName(source) + "\" ";
    command += "\"-s" + RemoveBackslash(ExtractFilePath(source)) + "\"";
    if (HasOption(ioCleanup)) command += " -c";
    return command;
}

void TCustomInstall::RegisterRunOnce() {
    if (!RegisterRunOnceEntry("QuilloryUnfinished", RunOnceCommand(), true))
        throw IEInstall("Cannot register the install to be run on reboot in the RunOnce key in the registry");
}

void TCustomInstall::StoreLanguageForRestart() {
    if (TTranslator* translator = MainTranslator())
        RegWriteInteger(rkLocalMachine, InstallRecordKey(), "Language", translator->TranslateIntoLanguage());
}

namespace {

bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
              GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

} // namespace

void TCustomInstall::RebootWindows() {
    bool restarted = false;
    switch (GetWindowsVersion()) {
    case wvWin9x: restarted = ExitWindowsEx(EWX_REBOOT, 0); break;
    case wvWinNT: restarted = EnableShutdownPrivilege() && ExitWindowsEx(EWX_REBOOT, 0); break;
    default: break;
    }
    if (restarted) return;
    if (OnFailedReboot) {
        OnFailedReboot(this);
        return;
    }
    std::string text = TranslateString("Could not reboot windows. Please manually reboot windows.");
    std::string title = Application() ? Application()->Title() : std::string();
    MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), MB_OK);
}

void TCustomInstall::CompleteAfterRestart() {
    installing_ = true;
    InstallRecordKey() = FindInstallRecord(false);
    TStringList unfinished;
    // A record removed in the meantime leaves nothing to complete.
    if (!InstallRecordKey().empty()) {
        if (TTranslator* translator = MainTranslator())
            translator->SetTranslateIntoLanguage(static_cast<TQlryLanguage>(RegReadInteger(
                rkLocalMachine, InstallRecordKey(), "Language", translator->TranslateIntoLanguage())));
        ReadUnfinishedBusiness(unfinished);
        ClearUnfinishedBusiness();
    }
    for (int i = 0; i < unfinished.Count(); ++i) {
        const std::string& line = unfinished[i];
        std::size_t separator = line.find(';');
        std::string name = line.substr(0, separator);
        std::string action = separator == std::string::npos ? "" : line.substr(separator + 1);
        int code = 0;
        if (!TryStrToInt(action, code))
            throw IEInstall("There is an invalid entry for the unfinished install list %s", {line});
        if (code == 0) {
            TInstallContainerList& containers = TInstallContainerList::Instance();
            for (int c = 0; c < containers.Count(); ++c)
                if (SameText(containers.Items(c)->Name(), name)) containers.Items(c)->CompleteAfterRestart();
        } else if (code == 1) {
            DeleteFile(name);
        }
    }
    FinishSuccessfulRun();
}

} // namespace qlry
