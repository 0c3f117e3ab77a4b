#include "engine/types_Quillory.h"

namespace qlry {

const TEnumInfo& InstallTypeNames() {
    static const TEnumInfo names{"itFull", "itDefault", "itCompact", "itCustom"};
    return names;
}

const TEnumInfo& InstallFileTypeNames() {
    static const TEnumInfo names{"iftNormal", "iftJustADLL", "iftApplicationSpecificDLL", "iftVendorSharedDLL",
                                 "iftSystemWideDLL"};
    return names;
}

const TEnumInfo& InstallFileStateNames() {
    static const TEnumInfo names{"ifsNone", "ifsCompress", "ifsInstall", "ifsCopying"};
    return names;
}

const TEnumInfo& LzhCommandNames() {
    static const TEnumInfo names{"lzcOverwrite", "lzcOnlyAdd"};
    return names;
}

} // namespace qlry
