#pragma once
// The program's failure classes. Every failure is one of these exceptions; the
// application's default handler shows its message, and the start-up handler
// also names its class. The names are those the users' support staff know
// from the error boxes, so they are kept as they are.

#include <cstdint>
#include <exception>
#include <string>

namespace dwindle {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& message() const noexcept { return message_; }
    // The class name shown by the start-up failure box ("Exception EIBClientError ...").
    virtual const char* className() const noexcept { return "Exception"; }

private:
    std::string message_;
};

#define DWINDLE_EXCEPTION_CLASS(Name, Base)                                   \
    class Name : public Base {                                                \
    public:                                                                   \
        using Base::Base;                                                     \
        const char* className() const noexcept override { return #Name; }     \
    };

// The silent failure: the default handler drops it without a message.
DWINDLE_EXCEPTION_CLASS(EAbort, Exception)
DWINDLE_EXCEPTION_CLASS(EOutOfMemory, Exception)

// Stream failures.
DWINDLE_EXCEPTION_CLASS(EStreamError, Exception)
DWINDLE_EXCEPTION_CLASS(EFOpenError, EStreamError)
DWINDLE_EXCEPTION_CLASS(EReadError, EStreamError)
DWINDLE_EXCEPTION_CLASS(EWriteError, EStreamError)

// Picture failures.
DWINDLE_EXCEPTION_CLASS(EInvalidGraphic, Exception)
DWINDLE_EXCEPTION_CLASS(EInvalidGraphicOperation, Exception)

// Database failures.
DWINDLE_EXCEPTION_CLASS(EDatabaseError, Exception)

#undef DWINDLE_EXCEPTION_CLASS

// An operating-system failure, with the system's error code.
class EOSError : public Exception {
public:
    EOSError(std::string message, int errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
    const char* className() const noexcept override { return "EOSError"; }
    int errorCode() const noexcept { return errorCode_; }

private:
    int errorCode_;
};

// A fatal codec failure: "JPEG error #%d" with libjpeg's message code.
class EJPEG : public EInvalidGraphic {
public:
    explicit EJPEG(int code) : EInvalidGraphic("JPEG error #" + std::to_string(code)), code_(code) {}
    const char* className() const noexcept override { return "EJPEG"; }
    int code() const noexcept { return code_; }

private:
    int code_;
};

// A failure of the database client or server. Carries the SQL code and the
// engine's error code, which the window does not show.
class EIBError : public EDatabaseError {
public:
    EIBError(std::string message, long sqlCode = 0, long iboErrorCode = 0)
        : EDatabaseError(std::move(message)), sqlCode_(sqlCode), iboErrorCode_(iboErrorCode) {}
    const char* className() const noexcept override { return "EIBError"; }
    long sqlCode() const noexcept { return sqlCode_; }
    long iboErrorCode() const noexcept { return iboErrorCode_; }

private:
    long sqlCode_;
    long iboErrorCode_;
};

class EIBInterBaseError : public EIBError {
public:
    using EIBError::EIBError;
    const char* className() const noexcept override { return "EIBInterBaseError"; }
};

// SQL code -551: the user lacks a permission.
class EIBInterBaseRoleError : public EIBInterBaseError {
public:
    using EIBInterBaseError::EIBInterBaseError;
    const char* className() const noexcept override { return "EIBInterBaseRoleError"; }
};

// The client library cannot be used at all (not found).
class EIBClientError : public EIBError {
public:
    using EIBError::EIBError;
    const char* className() const noexcept override { return "EIBClientError"; }
};

} // namespace dwindle
