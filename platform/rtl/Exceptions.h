#pragma once
// The exception classes the program and the class-library layer raise. Every
// one carries its message as Windows-1250 text; what() gives those bytes.

#include <exception>
#include <utility>

#include "platform/rtl/System.h"

class Exception : public std::exception {
public:
    Exception() = default;
    explicit Exception(AnsiString message) : FMessage(std::move(message)) {}
    ~Exception() override = default;

    const AnsiString& Message() const noexcept { return FMessage; }
    void SetMessage(AnsiString message) { FMessage = std::move(message); }
    const char* what() const noexcept override { return FMessage.c_str(); }

    // Lets a handler that catches a base class re-raise the exact class later.
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    AnsiString FMessage;
};

#define VEMLOR_DECLARE_EXCEPTION(Name, Base)                                   \
    class Name : public Base {                                                 \
    public:                                                                    \
        using Base::Base;                                                      \
        const char* ClassName() const noexcept override { return #Name; }     \
    }

// Raised to unwind quietly: the application's handler shows nothing for it.
VEMLOR_DECLARE_EXCEPTION(EAbort, Exception);
VEMLOR_DECLARE_EXCEPTION(EConvertError, Exception);
VEMLOR_DECLARE_EXCEPTION(EListError, Exception);
VEMLOR_DECLARE_EXCEPTION(EStringListError, EListError);
VEMLOR_DECLARE_EXCEPTION(EStreamError, Exception);
VEMLOR_DECLARE_EXCEPTION(EFilerError, EStreamError);
VEMLOR_DECLARE_EXCEPTION(EReadError, EFilerError);
VEMLOR_DECLARE_EXCEPTION(EWriteError, EFilerError);
VEMLOR_DECLARE_EXCEPTION(EFOpenError, EStreamError);
VEMLOR_DECLARE_EXCEPTION(EFCreateError, EStreamError);
VEMLOR_DECLARE_EXCEPTION(EOutOfMemory, Exception);
VEMLOR_DECLARE_EXCEPTION(EOutOfResources, Exception);
VEMLOR_DECLARE_EXCEPTION(EDatabaseError, Exception);
VEMLOR_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
VEMLOR_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
VEMLOR_DECLARE_EXCEPTION(EInvalidOperation, Exception);
VEMLOR_DECLARE_EXCEPTION(EInvalidCast, Exception);
VEMLOR_DECLARE_EXCEPTION(EComponentError, Exception);
VEMLOR_DECLARE_EXCEPTION(EPropertyError, Exception);
VEMLOR_DECLARE_EXCEPTION(EIniFileException, Exception);
VEMLOR_DECLARE_EXCEPTION(EVariantError, Exception);
VEMLOR_DECLARE_EXCEPTION(ERangeError, Exception);
VEMLOR_DECLARE_EXCEPTION(EResNotFound, Exception);

// An operating-system I/O failure; ErrorCode is the errno value behind it.
class EInOutError : public Exception {
public:
    EInOutError(AnsiString message, int errorCode = 0)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    const char* ClassName() const noexcept override { return "EInOutError"; }
    int ErrorCode;
};
