#include "platform/Application.h"

#include <windows.h>

namespace qlry {

namespace {
TApplication* current = nullptr;

// The exception in flight as the class library's Exception; other C++ exceptions keep
// their text.
template <class Handler>
void WithCurrentException(Handler&& handler) {
    try {
        throw;
    } catch (const Exception& error) {
        handler(error);
    } catch (const std::exception& error) {
        handler(Exception(error.what()));
    } catch (...) {
        handler(Exception("Unknown exception"));
    }
}

void DisplayError(HWND owner, const std::string& title, const Exception& error) {
    std::string text = error.Message();
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    MessageBoxA(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}
} // namespace

TApplication::TApplication(TComponent* owner) : TComponent(owner), previous_(current) {
    current = this;
    title_ = ExeName();
    auto slash = title_.find_last_of('\\');
    if (slash != std::string::npos) title_.erase(0, slash + 1);
    auto dot = title_.rfind('.');
    if (dot != std::string::npos) title_.erase(dot);
}

TApplication::~TApplication() {
    if (current == this) current = previous_;
}

TApplication* Application() { return current; }

void TApplication::Initialize() {
    terminated_ = false;
    // A quit message left by an earlier Terminate would end the next loop at once.
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

std::string TApplication::ExeName() const {
    char buffer[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    return std::string(buffer, length);
}

bool TApplication::ProcessMessage() {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    if (message.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}

void TApplication::ProcessMessages() {
    while (ProcessMessage()) {
    }
}

void LetMessagesThrough() {
    constexpr DWORD kInterval = 10;
    static DWORD last = GetTickCount() - kInterval;
    const DWORD now = GetTickCount();
    if (now - last < kInterval) return;
    last = now;
    if (TApplication* application = Application()) application->ProcessMessages();
}

void TApplication::HandleMessage() {
    if (!ProcessMessage() && !terminated_) WaitMessage();
}

void TApplication::Run() {
    while (!terminated_) HandleMessage();
}

void TApplication::Terminate() {
    if (!terminated_) PostQuitMessage(0);
    terminated_ = true;
}

void TApplication::HandleException(TObject* sender) {
    WithCurrentException([&](const Exception& error) {
        if (dynamic_cast<const EAbort*>(&error)) return;
        if (OnException) OnException(sender, error);
        else ShowException(error);
    });
}

void TApplication::ShowException(const Exception& error) { DisplayError(mainWindow_, title_, error); }

void HandleCallbackException(TObject* sender) noexcept {
    try {
        if (current) {
            current->HandleException(sender);
        } else {
            WithCurrentException([](const Exception& error) {
                if (!dynamic_cast<const EAbort*>(&error)) DisplayError(nullptr, "Error", error);
            });
        }
    } catch (...) {
        // A failing handler must not unwind into Windows either.
    }
}

} // namespace qlry
