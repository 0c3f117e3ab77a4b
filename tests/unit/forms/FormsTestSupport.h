#pragma once
// What the forms tests share: an application whose exception hook records what reaches
// it, pumping messages for a while, and finding control windows by their names.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Controls.h"
#include "platform/Exceptions.h"

namespace qlry::test {

// Dispatches messages until Done answers true or Milliseconds pass; answers Done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds = 3000) {
    DWORD start = GetTickCount();
    for (;;) {
        Application()->ProcessMessages();
        if (done()) return true;
        if (GetTickCount() - start > milliseconds) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

struct TNameSearch {
    const std::string* name;
    HWND found;
};

inline BOOL CALLBACK VisitNamedChild(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<TNameSearch*>(parameter);
    if (WindowControlName(window) != *search->name) return TRUE;
    search->found = window;
    return FALSE;
}

// The first window below Parent whose control carries Name.
inline HWND FindChildByName(HWND parent, const std::string& name) {
    TNameSearch search{&name, nullptr};
    EnumChildWindows(parent, VisitNamedChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class FormsTest : public testing::Test {
protected:
    void SetUp() override {
        application.Initialize();
        application.OnException = [this](TObject*, const Exception& error) {
            errors.push_back(error.ClassName() + ": " + error.Message());
        };
    }

    TApplication application;
    std::vector<std::string> errors;
};

} // namespace qlry::test
