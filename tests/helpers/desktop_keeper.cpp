// Keeps the shared virtual desktop alive for a whole test run:
//   desktop_keeper
// Wine closes the desktop a moment after its last program ends; a suite that starts in
// that moment meets a desktop that is going away. A hidden window holds it until the
// server is stopped.
#include <windows.h>

int main() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "QlryDesktopKeeper";
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, windowClass.lpszClassName, "", WS_POPUP, 0, 0, 1, 1,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window) return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}
