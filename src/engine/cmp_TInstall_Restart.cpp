// The engine's side of files replaced at the next start of Windows: the unfinished work
// kept in the install record.
#include "engine/cmp_TInstall.h"

#include "engine/exceptions_Quillory.h"
#include "platform/Registry.h"
#include "routines/cmp_TQlryRegistry.h"
#include "routines/routines_Registry.h"

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

} // namespace qlry
