// Portable code only: names of the exception enumerations.
#include "syexcept.h"
#include "syenumio.h"

using syslib::CSyEnumName;
using syslib::writeEnumName;

std::wostream& operator<<(std::wostream& os, ESyException::eErrorType value)
{
    static const CSyEnumName names[] = {{ESyException::NONE, L"NONE"},
                                        {ESyException::C_ERRNO, L"C_ERRNO"},
                                        {ESyException::WIN32_ERROR, L"WIN32_ERROR"},
                                        {ESyException::DCOM_HRESULT, L"DCOM_HRESULT"},
                                        {ESyException::SPECIFIC_CODE, L"SPECIFIC_CODE"}};
    return writeEnumName(os, value, names);
}

std::wostream& operator<<(std::wostream& os, ESyPrecondition::eSpecificCode value)
{
    static const CSyEnumName names[] = {{ESyPrecondition::PARAMETER_NOT_VALID, L"PARAMETER_NOT_VALID"},
                                        {ESyPrecondition::FUNCTION_NOT_SUPPORTED, L"FUNCTION_NOT_SUPPORTED"}};
    return writeEnumName(os, value, names);
}

std::wostream& operator<<(std::wostream& os, ESyPreconditionGeneral::eSpecificCode value)
{
    static const CSyEnumName names[] = {
        {ESyPreconditionGeneral::PRECONDITION_DOES_NOT_HOLD, L"PRECONDITION_DOES_NOT_HOLD"}};
    return writeEnumName(os, value, names);
}

std::wostream& operator<<(std::wostream& os, ESyAccount::eSpecificCode value)
{
    static const CSyEnumName names[] = {{ESyAccount::SYSTEM_CALL_FAILED, L"SYSTEM_CALL_FAILED"},
                                        {ESyAccount::CREATION_FAILED, L"CREATION_FAILED"},
                                        {ESyAccount::MODIFICATION_FAILED, L"MODIFICATION_FAILED"},
                                        {ESyAccount::DELETION_FAILED, L"DELETION_FAILED"},
                                        {ESyAccount::CHECKPASSWORD_FAILED, L"CHECKPASSWORD_FAILED"},
                                        {ESyAccount::HASPASSWORD_FAILED, L"HASPASSWORD_FAILED"},
                                        {ESyAccount::SETPASSWORD_FAILED, L"SETPASSWORD_FAILED"},
                                        {ESyAccount::NOT_EXISTS, L"NOT_EXISTS"},
                                        {ESyAccount::EXISTS_WITH_OTHER_ID, L"EXISTS_WITH_OTHER_ID"},
                                        {ESyAccount::EXISTS, L"EXISTS"},
                                        {ESyAccount::NOTHING_TO_CHANGE, L"NOTHING_TO_CHANGE"},
                                        {ESyAccount::ACL_ENTRY_NOT_FOUND, L"ACL_ENTRY_NOT_FOUND"}};
    return writeEnumName(os, value, names);
}

std::wostream& operator<<(std::wostream& os, ESyTimer::eSpecificCode value)
{
    static const CSyEnumName names[] = {{ESyTimer::SYSTEM_CALL_FAILED, L"SYSTEM_CALL_FAILED"}};
    return writeEnumName(os, value, names);
}

std::wostream& operator<<(std::wostream& os, ESyProcess::eSpecificCode value)
{
    static const CSyEnumName names[] = {{ESyProcess::UNSPECIFIED_PROCESS_EX, L"UNSPECIFIED_PROCESS_EX"}};
    return writeEnumName(os, value, names);
}

std::wostream& operator<<(std::wostream& os, ESyNetwork::eSpecificCode value)
{
    static const CSyEnumName names[] = {{ESyNetwork::SYSTEM_CALL_FAILED, L"SYSTEM_CALL_FAILED"},
                                        {ESyNetwork::NETLIB_ERROR, L"NETLIB_ERROR"}};
    return writeEnumName(os, value, names);
}

std::wostream& operator<<(std::wostream& os, ESySystem::eSpecificCode value)
{
    static const CSyEnumName names[] = {{ESySystem::SYSTEM_CALL_FAILED, L"SYSTEM_CALL_FAILED"}};
    return writeEnumName(os, value, names);
}
