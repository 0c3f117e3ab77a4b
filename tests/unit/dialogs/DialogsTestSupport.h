#pragma once
// What the dialog tests share: an engine on a data module with its application, and a
// script of steps that works the windows on the screen while a modal dialog runs, as a
// person at the keyboard would (finding buttons by their control names, clicking,
// typing).
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/dlgcmp_TBaseContainer.h"
#include "dialogs/dlgcmp_TBaseDlg.h"
#include "engine/cmp_TInstall.h"
#include "platform/Application.h"
#include "platform/DataModule.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "support/TestSupport.h"
#include "support/WindowDriver.h"

namespace qlry::test {

struct TWindowSearch {
    const std::string* text;
    HWND found;
};

inline BOOL CALLBACK MatchCaption(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<TWindowSearch*>(data);
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    if (!IsWindowVisible(window) || *s->text != text) return TRUE;
    s->found = window;
    return FALSE;
}

inline BOOL CALLBACK MatchControlName(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<TWindowSearch*>(data);
    if (!IsWindowVisible(window) || WindowControlName(window) != *s->text) return TRUE;
    s->found = window;
    return FALSE;
}

inline BOOL CALLBACK MatchSystemDialog(HWND window, LPARAM data) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (!IsWindowVisible(window) || std::string(className) != "#32770") return TRUE;
    reinterpret_cast<TWindowSearch*>(data)->found = window;
    return FALSE;
}

// The visible system dialog of this thread (the folder browser), or nullptr.
inline HWND FindSystemDialog() {
    TWindowSearch search{nullptr, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchSystemDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The first visible top-level window of this thread with that caption.
inline HWND FindTopWindow(const std::string& caption) {
    TWindowSearch search{&caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The visible window below Parent whose control carries Name (pages behind the current
// one are hidden, so this is the current page's control).
inline HWND FindVisibleControl(HWND parent, const std::string& name) {
    TWindowSearch search{&name, nullptr};
    EnumChildWindows(parent, MatchControlName, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The visible wizard window, or nullptr.
inline TBaseFormContainer* VisibleWizard() {
    for (int i = 0; i < Screen()->FormCount(); ++i)
        if (auto* wizard = dynamic_cast<TBaseFormContainer*>(Screen()->Forms(i)))
            if (wizard->HandleAllocated() && IsWindowVisible(wizard->Handle())) return wizard;
    return nullptr;
}

inline void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

// Replaces the text of an edit key by key.
inline void TypeInto(HWND edit, const std::string& text) {
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

// Copies a window from the screen into a bitmap file beside the test program.
inline void SaveScreenshot(HWND window, const std::string& name) {
    RECT rect{};
    GetWindowRect(window, &rect);
    TBitmap shot;
    shot.SetSize(rect.right - rect.left, rect.bottom - rect.top);
    {
        TScreenDC screen;
        BitBlt(shot.DC(), 0, 0, shot.Width(), shot.Height(), screen.Get(), rect.left, rect.top, SRCCOPY);
    }
    shot.SaveToFile(ProgramDir() + "dialogs_" + name + ".bmp");
}

// Steps run one after the other from a timer, inside whatever modal loop is running.
// A step answers true when it has done its work; it is asked again until then. A step
// that does not get done in time fails the script, which then ends the modal wizard or
// dialog it is stuck in.
class TScript {
public:
    using Step = std::function<bool()>;

    explicit TScript(std::vector<Step> steps, DWORD stepTimeoutMs = 8000)
        : steps_(std::move(steps)), timer_(nullptr), timeout_(stepTimeoutMs) {
        started_ = GetTickCount();
        timer_.SetInterval(60);
        timer_.OnTimer = [this](TObject*) { Tick(); };
    }

    bool Done() const { return next_ >= steps_.size(); }
    // Lets the remaining steps run once the modal loop is over.
    void Finish(DWORD ms = 3000) {
        const DWORD start = GetTickCount();
        while (!Done() && failure_.empty() && GetTickCount() - start < ms) {
            Application()->ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
    const std::string& Failure() const { return failure_; }

private:
    void Tick() {
        if (busy_ || Done() || !failure_.empty()) return;
        busy_ = true;
        bool stepDone = false;
        try {
            stepDone = steps_[next_]();
        } catch (const std::exception& e) {
            failure_ = std::string("step raised: ") + e.what();
        }
        busy_ = false;
        if (stepDone) {
            ++next_;
            started_ = GetTickCount();
        } else if (failure_.empty() && GetTickCount() - started_ > timeout_) {
            failure_ = "step " + std::to_string(next_) + " was not done in time";
        }
        if (!failure_.empty()) Unstick();
    }

    void Unstick() {
        timer_.SetEnabled(false);
        for (int i = 0; i < Screen()->FormCount(); ++i) {
            TCustomForm* form = Screen()->Forms(i);
            if (form->Modal()) form->SetModalResult(mrAbort);
        }
        if (HWND active = GetActiveWindow(); active && !FindControl(active)) PostMessageA(active, WM_COMMAND, IDCANCEL, 0);
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    TTimer timer_;
    DWORD timeout_;
    DWORD started_ = 0;
    bool busy_ = false;
    std::string failure_;
};

// An engine on a data module, with the application the dialogs need. Exceptions that
// reach the application are recorded instead of shown.
class DialogsTest : public testing::Test {
protected:
    void SetUp() override {
        application.Initialize();
        engine = new TInstall(&owner);
        engine->SetDestDir("\\Test Product");
        application.OnException = [this](TObject*, const Exception& error) {
            errors.push_back(error.ClassName() + ": " + error.Message());
        };
    }

    // An object of the project, contained by the engine unless Contained is false.
    template <class T>
    T* Add(const std::string& name, bool contained = true) {
        auto* object = new T(&owner);
        object->SetName(name);
        if (contained) object->SetContainer(engine);
        return object;
    }

    TDialogManager* AddManager(const std::string& name, TManagerType type) {
        auto* manager = Add<TDialogManager>(name);
        manager->SetManagerType(type);
        return manager;
    }

    // Runs Body (which shows something modal) while Script works the screen.
    void RunScripted(const std::function<void()>& body, std::vector<TScript::Step> steps) {
        TScript script(std::move(steps));
        body();
        EXPECT_EQ(script.Failure(), "");
        EXPECT_TRUE(script.Done());
    }

    TApplication application;
    TDataModule owner{nullptr};
    TInstall* engine = nullptr;
    std::vector<std::string> errors;
};

// A step: the current page of the visible wizard has the caption Caption.
inline TScript::Step WaitForPage(const std::string& caption) {
    return [caption] {
        TBaseFormContainer* wizard = VisibleWizard();
        return wizard && wizard->CurrentPage() && wizard->Caption() == caption &&
               IsWindowVisible(wizard->CurrentPage()->Handle());
    };
}

// A step: clicks the current page's control Name.
inline TScript::Step ClickOnPage(const std::string& name) {
    return [name] {
        TBaseFormContainer* wizard = VisibleWizard();
        HWND button = wizard ? FindVisibleControl(wizard->Handle(), name) : nullptr;
        if (!button || !IsWindowEnabled(button)) return false;
        Click(button);
        return true;
    };
}

// A step that waits.
inline TScript::Step Pause(DWORD ms) {
    auto start = std::make_shared<DWORD>(0);
    return [start, ms] {
        if (!*start) *start = GetTickCount();
        return GetTickCount() - *start >= ms;
    };
}

// A step: a screenshot of the visible wizard once it has been painted.
inline TScript::Step ShootWizard(const std::string& name) {
    auto first = std::make_shared<DWORD>(0);
    return [name, first] {
        TBaseFormContainer* wizard = VisibleWizard();
        if (!wizard) return false;
        if (!*first) *first = GetTickCount();
        if (GetTickCount() - *first < 700) return false;
        SaveScreenshot(wizard->Handle(), name);
        return true;
    };
}

} // namespace qlry::test

namespace qlry::test {

inline BOOL CALLBACK MatchEditChild(HWND window, LPARAM data) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (!IsWindowVisible(window) || _stricmp(className, "Edit") != 0) return TRUE;
    reinterpret_cast<TWindowSearch*>(data)->found = window;
    return FALSE;
}

// The first visible edit below Parent.
inline HWND FindEdit(HWND parent) {
    TWindowSearch search{nullptr, nullptr};
    EnumChildWindows(parent, MatchEditChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Types Text into an edit and lets the last key go, as a person's typing ends.
inline void TypeAndRelease(HWND edit, const std::string& text) {
    TypeInto(edit, text);
    SendMessageA(edit, WM_KEYUP, 'X', 0xC0000001);
}

} // namespace qlry::test
