// The install record: how a setup program finds its own state again, by the date and size
// of its file, after a restart or when it is started once more.
#include "engine/cmp_TInstall.h"

#include <windows.h>

#include <cmath>

#include "platform/CommandLine.h"
#include "platform/DateTime.h"
#include "platform/Exceptions.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"
#include "routines/cmp_TQlryRegistry.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"

#undef DeleteFile

namespace qlry {

const char* const installRecordsKey = "\\SOFTWARE\\Quillory\\Install";

namespace {

struct TProgramStamp {
    std::string fileName;
    TDateTime date = 0;
    int size = 0;
};

bool StampOfRunningProgram(TProgramStamp& stamp) {
    stamp.fileName = RunningInsideLibrary() ? ModuleFileName() : ParamStr(0);
    HANDLE file = CreateFileA(stamp.fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    stamp.size = static_cast<int>(GetFileSize(file, nullptr));
    bool dated = FileGetDateTime(file, stamp.date);
    CloseHandle(file);
    return dated;
}

// Whether the record under Key describes the program of Stamp; unreadable records do not.
bool RecordMatches(const std::string& key, const TProgramStamp& stamp) {
    TqlryRegistry record;
    record.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!record.OpenKey(key, false)) return false;
    try {
        record.ReadString("Path");
        double date = record.ReadFloat("CreationDate");
        int size = record.ReadInteger("Size");
        return std::fabs(date - stamp.date) < 1e-7 && size == stamp.size;
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

std::string TCustomInstall::FindInstallRecord(bool create) {
    TProgramStamp stamp;
    if (!StampOfRunningProgram(stamp)) return "";
    TqlryRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.SetLazyWrite(false);
    if (!registry.OpenKey(installRecordsKey, true)) return "";
    std::vector<std::string> names = registry.GetKeyNames();
    registry.CloseKey();

    for (const std::string& name : names) {
        std::string key = std::string(installRecordsKey) + "\\" + name;
        if (!RecordMatches(key, stamp)) continue;
        try {
            TqlryRegistry record;
            record.SetRootKey(HKEY_LOCAL_MACHINE);
            record.SetLazyWrite(false);
            if (!record.OpenKey(key, false)) return "";
            record.WriteFloat("LastRunDate", StartTime());
            record.WriteString("Path", stamp.fileName);
        } catch (const Exception&) {
            return "";
        }
        return key;
    }
    if (!create) return "";

    auto taken = [&](const std::string& name) {
        for (const std::string& existing : names)
            if (SameText(existing, name)) return true;
        return false;
    };
    int n = 0;
    while (taken("Install" + std::to_string(n))) ++n;
    std::string key = std::string(installRecordsKey) + "\\Install" + std::to_string(n);
    try {
        TqlryRegistry record;
        record.SetRootKey(HKEY_LOCAL_MACHINE);
        record.SetLazyWrite(false);
        if (!record.OpenKey(key, true)) return "";
        record.WriteString("Path", stamp.fileName);
        record.WriteFloat("LastRunDate", StartTime());
        record.WriteFloat("CreationDate", stamp.date);
        record.WriteInteger("Size", stamp.size);
        if (HasOption(ioSelfExtract))
            record.WriteString("SelfExtract", AddBackslash(OptionArg(ioSourcePath)) + OptionArg(ioSelfExtract));
        record.CloseKey();
    } catch (const Exception&) {
        return "";
    }
    return key;
}

void TCustomInstall::DeleteInstallRecord() {
    const std::string key = InstallRecordKey();
    if (key.empty()) return;
    TqlryRegistry record;
    record.SetRootKey(HKEY_LOCAL_MACHINE);
    if (record.OpenKey(key, false)) {
        for (const std::string& name : record.GetKeyNames()) {
            std::string local = RegReadString(rkLocalMachine, key + "\\" + name, "LocalFile", "");
            if (!Trim(local).empty()) DeleteFile(local);
            RegDeleteKeyTree(rkLocalMachine, key + "\\" + name);
        }
        record.CloseKey();
        RegDeleteKeyTree(rkLocalMachine, key);
    }
    auto removeWhenEmpty = [](const std::string& path) {
        TqlryRegistry parent;
        parent.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!parent.OpenKey(path, false)) return false;
        bool empty = parent.GetKeyNames().empty();
        parent.CloseKey();
        if (empty) RegDeleteKeyTree(rkLocalMachine, path);
        return empty;
    };
    if (removeWhenEmpty(installRecordsKey)) removeWhenEmpty("\\Software\\Quillory");
}

} // namespace qlry
