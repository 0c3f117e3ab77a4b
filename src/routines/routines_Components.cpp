#include "routines/routines_Components.h"

#include "platform/Component.h"
#include "platform/Exceptions.h"

namespace qlry {

void SetUniqueName(TComponent& component, const std::string& baseName) {
    std::string candidate = baseName;
    for (int suffix = 1;; ++suffix) {
        try {
            component.SetName(candidate);
            return;
        } catch (const EComponentError&) {
            // Only a duplicate is worth another number; a bad name stays bad.
            if (!IsValidIdent(candidate)) throw;
        }
        candidate = baseName + std::to_string(suffix);
    }
}

} // namespace qlry
