#include "platform/Exceptions.h"

#include <cxxabi.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "platform/TypeName.h"

namespace qlry {

std::string Exception::ClassName() const { return TypeName(typeid(*this)); }

std::string SysErrorMessage(unsigned long code) {
    char buffer[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(unsigned long code) {
    if (code == 0) throw EOSError("A call to an OS function failed");
    throw EOSError("System Error.  Code: %d.\r\n%s", {static_cast<int>(code), SysErrorMessage(code)});
}

} // namespace qlry
