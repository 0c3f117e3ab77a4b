#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Exceptions.h"

using namespace qlry;

namespace {

constexpr UINT WM_THROW = WM_USER + 1;
constexpr UINT WM_COUNT = WM_USER + 2;
constexpr UINT WM_STOP = WM_USER + 3;
constexpr UINT WM_THROW_ABORT = WM_USER + 4;
int counted = 0;

LRESULT CALLBACK ThrowingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallbackGuard(nullptr, LRESULT{0}, [&]() -> LRESULT {
        switch (message) {
        case WM_THROW: throw EInvalidOperation("Handler failed %d", {static_cast<int>(wParam)});
        case WM_THROW_ABORT: throw EAbort("quiet");
        case WM_COUNT: ++counted; return 1;
        case WM_STOP: Application()->Terminate(); return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
        }
    });
}

class ApplicationLoop : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = ThrowingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QlryThrowingWindow";
        RegisterClassA(&windowClass);
        window = CreateWindowA("QlryThrowingWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        application.Initialize();
        application.OnException = [this](TObject*, const Exception& e) {
            seen.push_back(e.ClassName() + ": " + e.Message());
        };
        counted = 0;
    }
    void TearDown() override { DestroyWindow(window); }

    TApplication application;
    HWND window = nullptr;
    std::vector<std::string> seen;
};

} // namespace

TEST_F(ApplicationLoop, ExceptionInAWindowProcedureReachesTheHookAndTheLoopGoesOn) {
    PostMessageA(window, WM_THROW, 7, 0);
    PostMessageA(window, WM_THROW_ABORT, 0, 0);
    PostMessageA(window, WM_COUNT, 0, 0);
    PostMessageA(window, WM_STOP, 0, 0);
    PostMessageA(window, WM_COUNT, 0, 0);  // after Terminate: left in the queue
    application.Run();
    EXPECT_EQ(seen, (std::vector<std::string>{"EInvalidOperation: Handler failed 7"}));
    EXPECT_EQ(counted, 1);
    EXPECT_TRUE(application.Terminated());
    application.ProcessMessages();
    EXPECT_EQ(counted, 2);
}

TEST_F(ApplicationLoop, SentMessageThatThrowsReturnsTheFallback) {
    EXPECT_EQ(SendMessageA(window, WM_THROW, 1, 0), 0);
    EXPECT_EQ(SendMessageA(window, WM_COUNT, 0, 0), 1);
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(ApplicationLoop, NonLibraryExceptionsKeepTheirText) {
    CallbackGuard(nullptr, [] { throw std::runtime_error("plain C++ failure"); });
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "Exception: plain C++ failure");
}
