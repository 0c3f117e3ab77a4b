#pragma once
// The application object: message loop, Terminate, and the one place every exception
// that escapes a handler or callback ends up.
#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "platform/Component.h"
#include "platform/Exceptions.h"

namespace qlry {

using TExceptionEvent = std::function<void(TObject* sender, const Exception& error)>;

class TApplication : public TComponent {
public:
    // The application of the process is the one most recently constructed and alive.
    explicit TApplication(TComponent* owner = nullptr);
    ~TApplication() override;

    void Initialize();
    // Processes messages until Terminate.
    void Run();
    // Dispatches every pending message, then returns.
    void ProcessMessages();
    // Waits for one message and dispatches it.
    void HandleMessage();
    void Terminate();
    bool Terminated() const { return terminated_; }

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    std::string ExeName() const;
    // The window that owns message boxes (the main form's window once there is one).
    HWND MainWindow() const { return mainWindow_; }
    void SetMainWindow(HWND window) { mainWindow_ = window; }

    // Call inside a catch block: hands the exception in flight to OnException, or to
    // the standard display when none is assigned. EAbort is silent.
    void HandleException(TObject* sender);
    // The standard display: a message box with the message, ended by a period.
    void ShowException(const Exception& error);

    TExceptionEvent OnException;

private:
    bool ProcessMessage();

    bool terminated_ = false;
    std::string title_;
    HWND mainWindow_ = nullptr;
    TApplication* previous_ = nullptr;
};

// The application of the process, or nullptr before one is constructed.
TApplication* Application();

// For long work that keeps the user waiting: the application's ProcessMessages, at most
// every few milliseconds, as each look into the queue is a trip to the window system.
void LetMessagesThrough();

// Inside a catch block: the application's HandleException, or the standard display
// when there is no application. Never throws.
void HandleCallbackException(TObject* sender) noexcept;

// Runs Body where no C++ exception may unwind: inside a window procedure or any other
// callback that Windows calls. An exception goes to the application's handler and
// Fallback is returned instead.
template <class Body, class Result>
Result CallbackGuard(TObject* sender, Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        HandleCallbackException(sender);
        return fallback;
    }
}

template <class Body>
void CallbackGuard(TObject* sender, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
        HandleCallbackException(sender);
    }
}

} // namespace qlry
