#include "engine/cmp_TUninstallEXE.h"

#include "engine/cmp_TInstall.h"
#include "engine/exceptions_Quillory.h"
#include "model/routines_ExpandPaths.h"
#include "platform/SysUtils.h"
#include "routines/routines_Registry.h"
#include "routines/routines_Strings.h"

namespace qlry {

TUninstallEXE::TUninstallEXE(TComponent* owner) : TCustomInstallFile(owner) {
    SetNet(true);
    if (!IsDesigning()) return;
    try {
        std::string framework = QuilloryInfo::FrameworkDirectory(false);
        if (!framework.empty() && FileExists(AddBackslash(framework) + "uninstall.exe")) {
            SetIncludeFromDir(RemoveBackslash(framework));
            SetFileName("uninstall.exe");
            SetDestName("uninstall.exe");
        }
    } catch (const Exception&) {
        // Without the framework directory the author points it at the program.
    }
}

TUninstallEXE::~TUninstallEXE() {
    if (TCustomInstall* engine = CurrentInstall()) engine->BuildInfo()->AddUninstallOnCreate = false;
}

const TClassInfo& TUninstallEXE::StaticClassInfo() {
    static const TClassInfo info = [] {
        std::vector<TPropInfo> properties = FileProperties();
        for (TPropInfo& property : properties)
            if (property.name == "Net") property.ordinalDefault = 1;
        properties.push_back(OrderProperty());
        properties.push_back(EnumProperty<TCustomInstallFile, TInstallFileState>(
            "State", InstallFileStateNames(), &TCustomInstallFile::State, &TCustomInstallFile::SetState, ifsNone));
        return TClassInfo("TUninstallEXE", &TCustomInstallFile::StaticClassInfo(), FactoryOf<TUninstallEXE>(),
                          std::move(properties));
    }();
    return info;
}

void TUninstallEXE::WriteUninstallInfo(const std::string& key) {
    TCustomInstall* engine = CurrentInstall();
    if (!engine)
        throw IEUninstallEXE(
            "%s could not write information about the uninstall to the registry because there was no TInstall "
            "component",
            {Name()});
    std::string product = Trim(engine->Information()->ProductName());
    RegWriteString(rkLocalMachine, key, "DisplayName", product);
    RegWriteString(rkLocalMachine, key, "UninstallString", AddBackslash(GetDestPath()) + DestName() + " " + product);
}

namespace {
const TClassRegistration uninstallRegistration(TUninstallEXE::StaticClassInfo());
} // namespace

} // namespace qlry
