#pragma once
// The error model: every failure is an exception that carries a UTF-16 message.
// Class names matter: the start-up error box shows them.

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    const std::wstring& Message() const noexcept { return FMessage; }
    // UTF-8 copy of the message, for std::exception users (tests, logs).
    const char* what() const noexcept override { return FNarrow.c_str(); }
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    std::wstring FMessage;
    std::string FNarrow;
};

#define PAGES2PDF_EXCEPTION(Name, Base)                                         \
    class Name : public Base {                                                  \
    public:                                                                     \
        using Base::Base;                                                       \
        const char* ClassName() const noexcept override { return #Name; }      \
    }

// Silent: the error display shows nothing for it.
PAGES2PDF_EXCEPTION(EAbort, Exception);
PAGES2PDF_EXCEPTION(EZipException, Exception);
PAGES2PDF_EXCEPTION(EStreamError, Exception);
PAGES2PDF_EXCEPTION(EFileStreamError, EStreamError);
PAGES2PDF_EXCEPTION(EFOpenError, EFileStreamError);
PAGES2PDF_EXCEPTION(EFCreateError, EFileStreamError);
PAGES2PDF_EXCEPTION(EFilerError, EStreamError);
PAGES2PDF_EXCEPTION(EReadError, EFilerError);
PAGES2PDF_EXCEPTION(EWriteError, EFilerError);
PAGES2PDF_EXCEPTION(EListError, Exception);
PAGES2PDF_EXCEPTION(EZLibError, Exception);
PAGES2PDF_EXCEPTION(EZDecompressionError, EZLibError);
// Encoding's error: nothing encodes here, kept beside its decoding twin so EZLibError names both.
PAGES2PDF_EXCEPTION(EZCompressionError, EZLibError);
PAGES2PDF_EXCEPTION(EArgumentException, Exception);
PAGES2PDF_EXCEPTION(EPathTooLongException, Exception);
PAGES2PDF_EXCEPTION(ENotSupportedException, Exception);
PAGES2PDF_EXCEPTION(EDirectoryNotFoundException, Exception);

// An I/O failure with the system error code that caused it.
class EInOutError : public Exception {
public:
    EInOutError(std::wstring message, int errorCode = 0)
        : Exception(std::move(message)), ErrorCode(errorCode) {}
    const char* ClassName() const noexcept override { return "EInOutError"; }
    int ErrorCode;
};

#undef PAGES2PDF_EXCEPTION
