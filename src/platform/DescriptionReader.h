#pragma once
// Reads a component description, the text form in which projects and forms are stored:
//
//   object formMain: TformMain
//     Caption = 'Setup'#13#10'second line'
//     Install.Font.Name = 'Arial'       (dotted names reach nested objects)
//     InstallTypes = [itFull, itDefault]
//     Lines = ('one' 'two')
//     OnActivate = FormActivate         (a method the root publishes)
//     object Install1: TInstall
//       Container = Group1              (resolved after the whole text is read)
//     end
//   end
//
// The root's own properties are set on the given root; every nested object is created
// through the class registry with the root as owner and its enclosing object as parent
// component, in the loading state. After the whole text is read, component references
// and handlers are resolved, then every component, the root first, gets Loaded in
// creation order. A malformed description raises EParserError naming the line.
#include <string>

namespace qlry {

class TComponent;

void ReadDescription(TComponent* root, const std::string& text);

// Reads the RCDATA resource Name of the running program.
void ReadDescriptionResource(TComponent* root, const std::string& resourceName);

} // namespace qlry
