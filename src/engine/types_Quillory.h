#pragma once
// The enumerations that several subsystems share.
#include <cstdint>
#include <initializer_list>

#include "platform/Properties.h"

namespace qlry {

// The value names of each enumeration are functions, not globals, so that class tables
// built during static initialisation can use them.

enum TInstallType { itFull, itDefault, itCompact, itCustom };
const TEnumInfo& InstallTypeNames();

// A set of install types in one byte: bit n stands for the type of ordinal n.
using TInstallTypeSet = unsigned;
constexpr TInstallTypeSet InstallTypeBit(TInstallType type) { return 1u << type; }
constexpr TInstallTypeSet InstallTypeSet(std::initializer_list<TInstallType> types) {
    TInstallTypeSet set = 0;
    for (TInstallType type : types) set |= InstallTypeBit(type);
    return set;
}
constexpr bool Contains(TInstallTypeSet set, TInstallType type) { return (set & InstallTypeBit(type)) != 0; }
constexpr TInstallTypeSet allInstallTypes = InstallTypeSet({itFull, itDefault, itCompact, itCustom});

enum TInstallFileType { iftNormal, iftJustADLL, iftApplicationSpecificDLL, iftVendorSharedDLL, iftSystemWideDLL };
const TEnumInfo& InstallFileTypeNames();

enum TInstallFileState { ifsNone, ifsCompress, ifsInstall, ifsCopying };
const TEnumInfo& InstallFileStateNames();

enum TlzhCommand { lzcOverwrite, lzcOnlyAdd };
const TEnumInfo& LzhCommandNames();

// The ranks by which a container orders the objects it contains and the run processes
// whole kinds of objects.
enum TRegisteredRank {
    rankInstallGroup = 500,
    rankFileContainer = 1000,
    rankInstallFile = 2000,
    rankLinkFolder = 7000,
    rankLink = 8000,
    rankDialog = 9000,
};

} // namespace qlry
