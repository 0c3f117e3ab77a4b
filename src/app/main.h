#pragma once
// The main form: the carrier of the install project, read from its description when the
// form is created.
#include "platform/Forms.h"

namespace qlry {

class TformMain : public TForm {
public:
    explicit TformMain(TComponent* owner);
    static const TClassInfo& StaticClassInfo();
    const TClassInfo* ClassInfo() const override { return &StaticClassInfo(); }
};

} // namespace qlry
