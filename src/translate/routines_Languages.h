#pragma once
// The twenty language files that ship with the framework, carried in the program as
// RCDATA resources named by each language's ResName. An author can also load a file from
// disk with Strings()->LoadFromFile or paste its lines into the project description.
#include "translate/cmp_TTranslator.h"

namespace qlry {

// Fills Language's Strings with its shipped file (parsed once); false, with Strings left
// as they were, when the program carries no file for it.
bool LoadShippedLanguage(TLanguage& language);
// The shipped file of every language of Translator.
void LoadShippedLanguages(TTranslator& translator);

} // namespace qlry
