#include "app/main.h"


namespace qlry {

TformMain::TformMain(TComponent* owner) : TForm(owner) { InitFromDescription("TFORMMAIN"); }

const TClassInfo& TformMain::StaticClassInfo() {
    static const TClassInfo info("TformMain", &TForm::StaticClassInfo(), nullptr, {});
    return info;
}

} // namespace qlry
