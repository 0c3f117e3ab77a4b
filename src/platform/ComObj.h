#pragma once
// COM for the program: the apartment of the main thread, opened when the program starts,
// and the test that turns a failed COM result into an exception.
#include <windows.h>

#include "platform/Exceptions.h"

namespace qlry {

// A failed COM call; the message is the system's text for the code.
class EOleSysError : public EOleError {
public:
    EOleSysError(const std::string& message, HRESULT errorCode) : EOleError(message), errorCode_(errorCode) {}
    HRESULT ErrorCode() const { return errorCode_; }

private:
    HRESULT errorCode_;
};

// Raises EOleSysError when Result is a failure code; success codes (S_FALSE too) pass.
void OleCheck(HRESULT result);

} // namespace qlry
