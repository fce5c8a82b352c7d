// The library's exception tree. Header-only on purpose: a host catches these by type without the
// DLL exporting them (each module carries the type information; matching is by name).
#pragma once

#include "framework/iastring.h"
#include "syexport.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <ostream>

class EVantixException
{
public:
    EVantixException() : m_text(L"EVantixException: error text undefined") {}
    explicit EVantixException(const iastring& text) : m_text(text) {}
    EVantixException(const EVantixException&) = default;
    EVantixException& operator=(const EVantixException&) = default;
    virtual ~EVantixException() {}

    virtual const iastring& getText() const { return m_text; }

private:
    iastring m_text;
};

class ESyException : public EVantixException
{
public:
    enum eErrorType
    {
        NONE = 0,
        C_ERRNO = 1,
        WIN32_ERROR = 2,
        DCOM_HRESULT = 3,
        SPECIFIC_CODE = 4
    };

    ESyException() : m_code(0), m_errorType(NONE) {}
    explicit ESyException(const iastring& text) : EVantixException(text), m_code(0), m_errorType(NONE) {}
    ESyException(eErrorType type, int code) : m_code(code), m_errorType(type) {}
    ESyException(const iastring& text, eErrorType type, int code)
        : EVantixException(text), m_code(code), m_errorType(type)
    {
    }

    eErrorType getErrorType() const { return m_errorType; }
    int getCode() const { return m_code; }

private:
    int m_code;
    eErrorType m_errorType;
};

class ESyPrecondition : public ESyException
{
public:
    enum eSpecificCode
    {
        PARAMETER_NOT_VALID = 0,
        FUNCTION_NOT_SUPPORTED = 101
    };
    explicit ESyPrecondition(eSpecificCode code = PARAMETER_NOT_VALID) : ESyException(SPECIFIC_CODE, code) {}
};

// Holds its enumeration only; nothing throws it.
class ESyPreconditionGeneral : public ESyException
{
public:
    enum eSpecificCode
    {
        PRECONDITION_DOES_NOT_HOLD = 0
    };
};

class ESyTypeConversion : public ESyException
{
public:
    explicit ESyTypeConversion(const iastring& text) : ESyException(L"Type conversion failed for " + text) {}
};

class ESyTimer : public ESyException
{
public:
    enum eSpecificCode
    {
        SYSTEM_CALL_FAILED = 0
    };
    ESyTimer() : ESyException(SPECIFIC_CODE, SYSTEM_CALL_FAILED) {}
    ESyTimer(eErrorType type, int code) : ESyException(type, code) {}
};

class ESySystem : public ESyException
{
public:
    enum eSpecificCode
    {
        SYSTEM_CALL_FAILED = 0
    };
    ESySystem() : ESyException(SPECIFIC_CODE, SYSTEM_CALL_FAILED) {}
    ESySystem(eErrorType type, int code) : ESyException(type, code) {}
};

class ESyNetwork : public ESyException
{
public:
    enum eSpecificCode
    {
        SYSTEM_CALL_FAILED = 0,
        NETLIB_ERROR = 301
    };
    ESyNetwork(eErrorType type, int code) : ESyException(type, code) {}
};

class ESyNetworkSystemError : public ESyNetwork
{
public:
    ESyNetworkSystemError() : ESyNetwork(SPECIFIC_CODE, SYSTEM_CALL_FAILED) {}
    explicit ESyNetworkSystemError(int number) : ESyNetwork(C_ERRNO, number) {}
};

class ESyNetworkResolveError : public ESyNetwork
{
public:
    explicit ESyNetworkResolveError(int number) : ESyNetwork(C_ERRNO, number) {}
};

class ESyNetworkGetInfoFailed : public ESyNetwork
{
public:
    explicit ESyNetworkGetInfoFailed(int number) : ESyNetwork(C_ERRNO, number) {}
};

class ESyNetworkLibraryInitError : public ESyNetwork
{
public:
    explicit ESyNetworkLibraryInitError(int number) : ESyNetwork(C_ERRNO, number) {}
};

class ESyAccount : public ESyException
{
public:
    enum eSpecificCode
    {
        SYSTEM_CALL_FAILED = 0,
        CREATION_FAILED = 201,
        MODIFICATION_FAILED = 202,
        DELETION_FAILED = 203,
        CHECKPASSWORD_FAILED = 204,
        HASPASSWORD_FAILED = 205,
        SETPASSWORD_FAILED = 206,
        NOT_EXISTS = 207,
        EXISTS_WITH_OTHER_ID = 208,
        EXISTS = 209,
        NOTHING_TO_CHANGE = 210,
        ACL_ENTRY_NOT_FOUND = 211
    };
    ESyAccount(const iastring& text1, const iastring& text2, eErrorType type, int code)
        : ESyException(type, code), m_text1(text1), m_text2(text2)
    {
    }
    const iastring& getText1() const { return m_text1; }
    const iastring& getText2() const { return m_text2; }

private:
    iastring m_text1;
    iastring m_text2;
};

class ESyAccountNotExists : public ESyAccount
{
public:
    ESyAccountNotExists(const iastring& text1, const iastring& text2, eErrorType type, int code)
        : ESyAccount(text1, text2, type, code)
    {
    }
    ESyAccountNotExists(const iastring& text1, const iastring& text2) : ESyAccount(text1, text2, SPECIFIC_CODE, NOT_EXISTS) {}
};

class ESyAccountCreationFailed : public ESyAccount
{
public:
    ESyAccountCreationFailed(const iastring& text1, const iastring& text2, eErrorType type, int code)
        : ESyAccount(text1, text2, type, code)
    {
    }
};

class ESyAccountModificationFailed : public ESyAccount
{
public:
    ESyAccountModificationFailed(const iastring& text1, const iastring& text2, eErrorType type, int code)
        : ESyAccount(text1, text2, type, code)
    {
    }
};

class ESyAccountDeletionFailed : public ESyAccount
{
public:
    ESyAccountDeletionFailed(const iastring& text1, const iastring& text2, eErrorType type, int code)
        : ESyAccount(text1, text2, type, code)
    {
    }
    ESyAccountDeletionFailed(const iastring& text1, const iastring& text2) : ESyAccount(text1, text2, SPECIFIC_CODE, DELETION_FAILED) {}
};

class ESyAccountCheckPasswordFailed : public ESyAccount
{
public:
    ESyAccountCheckPasswordFailed(const iastring& text1, const iastring& text2, eErrorType type, int code)
        : ESyAccount(text1, text2, type, code)
    {
    }
};

class ESyAccountHasPasswordFailed : public ESyAccount
{
public:
    ESyAccountHasPasswordFailed(const iastring& text1, const iastring& text2, eErrorType type, int code)
        : ESyAccount(text1, text2, type, code)
    {
    }
};

class ESyAccountSetPasswordFailed : public ESyAccount
{
public:
    ESyAccountSetPasswordFailed(const iastring& text1, const iastring& text2, eErrorType type, int code)
        : ESyAccount(text1, text2, type, code)
    {
    }
};

class ESyAccountSystemCallFailed : public ESyAccount
{
public:
    ESyAccountSystemCallFailed(const iastring& text1, const iastring& text2, eErrorType type, int code)
        : ESyAccount(text1, text2, type, code)
    {
    }
    ESyAccountSystemCallFailed(const iastring& text1, const iastring& text2) : ESyAccount(text1, text2, SPECIFIC_CODE, SYSTEM_CALL_FAILED) {}
};

class ESyFileSystem : public ESyException
{
public:
    explicit ESyFileSystem(const iastring& path) : m_path(path) {}
    ESyFileSystem(const iastring& path, const iastring& text) : ESyException(text), m_path(path) {}
    ESyFileSystem(const iastring& path, eErrorType type, int code) : ESyException(type, code), m_path(path) {}
    const iastring& getPath() const { return m_path; }

private:
    iastring m_path;
};

class ESyFileNotFound : public ESyFileSystem
{
public:
    ESyFileNotFound() : ESyFileSystem(iastring()) {}
    explicit ESyFileNotFound(const iastring& path) : ESyFileSystem(path) {}
    ESyFileNotFound(const iastring& path, eErrorType type, int code) : ESyFileSystem(path, type, code) {}
};

class ESyFileCreate : public ESyFileSystem
{
public:
    ESyFileCreate() : ESyFileSystem(iastring()) {}
    explicit ESyFileCreate(const iastring& path) : ESyFileSystem(path) {}
    ESyFileCreate(const iastring& path, eErrorType type, int code) : ESyFileSystem(path, type, code) {}
};

class ESyFileDelete : public ESyFileSystem
{
public:
    explicit ESyFileDelete(const iastring& path) : ESyFileSystem(path) {}
    ESyFileDelete(const iastring& path, eErrorType type, int code) : ESyFileSystem(path, type, code) {}
};

class ESyFileRead : public ESyFileSystem
{
public:
    explicit ESyFileRead(const iastring& path) : ESyFileSystem(path) {}
};

class ESyFileWrite : public ESyFileSystem
{
public:
    explicit ESyFileWrite(const iastring& path) : ESyFileSystem(path) {}
    ESyFileWrite(const iastring& path, eErrorType type, int code) : ESyFileSystem(path, type, code) {}
};

class ESyPath : public ESyFileSystem
{
public:
    explicit ESyPath(const iastring& path) : ESyFileSystem(path, L"Bad path: " + path), m_badPath(path) {}
    const iastring& getBadPath() const { return m_badPath; }

private:
    iastring m_badPath;
};

class ESyNotEnoughPathComponentsToGoToParent : public ESyPath
{
public:
    explicit ESyNotEnoughPathComponentsToGoToParent(const iastring& path) : ESyPath(path) {}
};

class ESyCannotAppendPrefix : public ESyPath
{
public:
    explicit ESyCannotAppendPrefix(const iastring& path) : ESyPath(path) {}
};

class ESyCannotGetAbsolutePath : public ESyPath
{
public:
    explicit ESyCannotGetAbsolutePath(const iastring& path) : ESyPath(path) {}
};

class ESyPathComponent : public ESyFileSystem
{
public:
    explicit ESyPathComponent(const iastring& component)
        : ESyFileSystem(component, L"Bad path component: " + component), m_component(component)
    {
    }
    const iastring& getComponent() const { return m_component; }

private:
    iastring m_component;
};

class ESyForbiddenCharInPath : public ESyPathComponent
{
public:
    ESyForbiddenCharInPath(const iastring& component, iachar forbidden)
        : ESyPathComponent(component), m_forbidden(forbidden)
    {
    }
    iachar getForbiddenChar() const { return m_forbidden; }

private:
    iachar m_forbidden;
};

class ESySecurityDescError : public ESyException
{
public:
    explicit ESySecurityDescError(const iastring& text) : ESyException(text) {}
};

class ESyProcess : public ESyException
{
public:
    enum eSpecificCode
    {
        UNSPECIFIED_PROCESS_EX = 0
    };
    ESyProcess(const iastring& text, eErrorType type, int code) : ESyException(type, code), m_processText(text) {}
    const iastring& getText() const override { return m_processText; }

private:
    iastring m_processText;
};

class ESySysCallFailed : public ESyProcess
{
public:
    // With useErrno the current errno is the code and its runtime text is appended.
    ESySysCallFailed(const iastring& text, bool useErrno)
        : ESySysCallFailed(text, useErrno, useErrno ? errno : 0)
    {
    }

private:
    ESySysCallFailed(const iastring& text, bool useErrno, int savedErrno)
        : ESyProcess(useErrno ? text + L" " + errnoText(savedErrno) : text,
                     useErrno ? C_ERRNO : SPECIFIC_CODE, useErrno ? savedErrno : UNSPECIFIED_PROCESS_EX)
    {
    }
    static iastring errnoText(int number)
    {
        const char* text = std::strerror(number);
        iastring wide;
        for (const char* p = text ? text : ""; *p; ++p)
            wide += static_cast<iachar>(static_cast<unsigned char>(*p));
        return wide;
    }
};

#define SY_DECLARE_SYSCALL_EXCEPTION(name)                                                             \
    class name : public ESySysCallFailed                                                               \
    {                                                                                                  \
    public:                                                                                            \
        explicit name(bool useErrno) : ESySysCallFailed(L## #name, useErrno) {}                        \
        name(const iastring& text, bool useErrno) : ESySysCallFailed(text, useErrno) {}                \
    };
SY_DECLARE_SYSCALL_EXCEPTION(ESyPutenvError)
SY_DECLARE_SYSCALL_EXCEPTION(ESyCurrentDirError)
SY_DECLARE_SYSCALL_EXCEPTION(ESyChangeDir)
SY_DECLARE_SYSCALL_EXCEPTION(ESyInputError)
SY_DECLARE_SYSCALL_EXCEPTION(ESyOutputError)
#undef SY_DECLARE_SYSCALL_EXCEPTION

// Thrown by task code of the host; the task lists catch them, the library never throws them.
class ESyStartError : public ESyException
{
public:
    ESyStartError() {}
    explicit ESyStartError(const iastring& text) : ESyException(text) {}
};

class ESyCancelError : public ESyException
{
public:
    ESyCancelError() {}
    explicit ESyCancelError(const iastring& text) : ESyException(text) {}
};

class EUnmatchedDoubleQuote : public std::exception
{
public:
    const char* what() const noexcept override { return "Unmatched double quote"; }
};

SYSLIB_API std::wostream& operator<<(std::wostream& os, ESyException::eErrorType value);
SYSLIB_API std::wostream& operator<<(std::wostream& os, ESyPrecondition::eSpecificCode value);
SYSLIB_API std::wostream& operator<<(std::wostream& os, ESyPreconditionGeneral::eSpecificCode value);
SYSLIB_API std::wostream& operator<<(std::wostream& os, ESyAccount::eSpecificCode value);
SYSLIB_API std::wostream& operator<<(std::wostream& os, ESyTimer::eSpecificCode value);
SYSLIB_API std::wostream& operator<<(std::wostream& os, ESyProcess::eSpecificCode value);
SYSLIB_API std::wostream& operator<<(std::wostream& os, ESyNetwork::eSpecificCode value);
SYSLIB_API std::wostream& operator<<(std::wostream& os, ESySystem::eSpecificCode value);
