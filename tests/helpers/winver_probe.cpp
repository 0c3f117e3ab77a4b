// Exits with the ordinal of the Windows version this process was started under, or 100
// when it cannot be told.
#include "routines/routines_API.h"

int main() {
    try {
        return static_cast<int>(qlry::GetWindowsVersion());
    } catch (...) {
        return 100;
    }
}
