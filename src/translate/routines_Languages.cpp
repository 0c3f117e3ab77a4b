#include "translate/routines_Languages.h"

#include <windows.h>

#include <string>

namespace qlry {

bool LoadShippedLanguage(TLanguage& language) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, language.ResName().c_str(), RT_RCDATA);
    if (!resource) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return false;
    // Resources stay mapped with the module; nothing to release.
    language.Strings()->SetText(std::string(static_cast<const char*>(bytes), SizeofResource(module, resource)));
    return true;
}

void LoadShippedLanguages(TTranslator& translator) {
    for (int index = 0; index < translator.LanguageCount(); ++index) LoadShippedLanguage(*translator.Languages(index));
}

} // namespace qlry
