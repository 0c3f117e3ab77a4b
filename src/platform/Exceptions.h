#pragma once
// The class library's exception tree. Every exception carries only its message; ClassName
// gives the C++ class name without namespace, as the standard display and tests use it.
#include <exception>
#include <initializer_list>
#include <string>

#include "platform/Format.h"

namespace qlry {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    Exception(const std::string& format, std::initializer_list<FormatArg> args)
        : message_(qlry::Format(format, args)) {}
    ~Exception() override = default;

    const std::string& Message() const { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    const char* what() const noexcept override { return message_.c_str(); }
    std::string ClassName() const;

private:
    std::string message_;
};

// Declares an exception class that only passes its message on.
#define QLRY_EXCEPTION(Name, Base) \
    class Name : public Base {     \
    public:                        \
        using Base::Base;          \
    }

QLRY_EXCEPTION(EAbort, Exception);             // silent: the standard display ignores it
QLRY_EXCEPTION(EConvertError, Exception);
QLRY_EXCEPTION(EInOutError, Exception);
QLRY_EXCEPTION(EOSError, Exception);
QLRY_EXCEPTION(EOutOfMemory, Exception);
QLRY_EXCEPTION(EInvalidOperation, Exception);
QLRY_EXCEPTION(EInvalidCast, Exception);
QLRY_EXCEPTION(EListError, Exception);
QLRY_EXCEPTION(EStringListError, Exception);
QLRY_EXCEPTION(EComponentError, Exception);
QLRY_EXCEPTION(EPropertyError, Exception);
QLRY_EXCEPTION(EClassNotFound, Exception);
QLRY_EXCEPTION(EStreamError, Exception);
QLRY_EXCEPTION(EFCreateError, EStreamError);
QLRY_EXCEPTION(EFOpenError, EStreamError);
QLRY_EXCEPTION(EReadError, EStreamError);
QLRY_EXCEPTION(EWriteError, EStreamError);
QLRY_EXCEPTION(EParserError, Exception);       // malformed description
QLRY_EXCEPTION(EResNotFound, Exception);
QLRY_EXCEPTION(ERegistryException, Exception);
QLRY_EXCEPTION(EIniFileException, Exception);
QLRY_EXCEPTION(EDdeError, Exception);
QLRY_EXCEPTION(EOleError, Exception);

// Raises EOSError with the system's text for GetLastError() (or the given code).
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(unsigned long code);
std::string SysErrorMessage(unsigned long code);

} // namespace qlry
