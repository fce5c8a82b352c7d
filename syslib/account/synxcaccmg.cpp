// Windows code of the account manager: SIDs in their text form.
#include "syslib/common/sytrace.h"
#include "syslib/common/sywinsec.h"

#include <sddl.h>

SY_SOURCE_FILE(L"synxcaccmg")

namespace SySID
{
iastring toStringSID(PSID sid)
{
    SY_TRACE_FUNCTION(L"SySID::toStringSID(PSID)");
    if (sid == nullptr || !::IsValidSid(sid))
    {
        syslib::reportError(L"syslib.account.invalidSID", {}, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    syslib::CSyLocalMem<wchar_t*> text;
    if (!::ConvertSidToStringSidW(sid, text.receive()))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"ConvertSidToStringSid", iastring());
        throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    return SY_RETURN_TRACED(iastring(text.get()));
}

syslib::CSyLocalMem<PSID> fromStringSID(const iastring& text)
{
    SY_TRACE_FUNCTION(L"SySID::fromStringSID(const iastring &)");
    SY_TRACE_PARAMETERS(text);
    syslib::CSyLocalMem<PSID> sid;
    if (!::ConvertStringSidToSidW(text.c_str(), sid.receive()))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"ConvertStringSidToSid", text);
        throw ESyException(ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    return sid;
}
} // namespace SySID
