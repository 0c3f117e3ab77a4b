#pragma once
#include <string>

namespace qlry {

class TComponent;

// Names Component BaseName, or BaseName1, BaseName2, ... when the owner already has a
// component of that name. A BaseName that is no valid name raises EComponentError.
void SetUniqueName(TComponent& component, const std::string& baseName);

} // namespace qlry
