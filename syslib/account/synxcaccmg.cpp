// Windows code of the account manager: SIDs in their text form, directory paths, domain controllers.
#include "syaccountapi.h"
#include "syaccountutil.h"
#include "syaccountwin.h"
#include "syadspath.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/sywinsec.h"
#include "syslib/network/synetworkmgt.h"

#include "framework/iastrutil.h"

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

// Directory paths from names and SIDs, and domain controllers.
namespace
{
void logLine(const iastring& text, int line)
{
    syslib::account::log(text, line);
}

// "WinNT" + components.
CSyADsPath winNT(std::initializer_list<iastring> components)
{
    CSyADsPath path;
    path.setWinNT(std::vector<iastring>(components));
    return path;
}

bool firstSubAuthorityIs32(PSID sid)
{
    return *::GetSidSubAuthorityCount(sid) > 0 && *::GetSidSubAuthority(sid, 0) == SECURITY_BUILTIN_DOMAIN_RID;
}

// The well-known names the path code builds SIDs for, so that the English name works on every system.
struct CWellKnown
{
    const wchar_t* name;
    const wchar_t* sidText; // null: built
    DWORD rid;              // domain-relative (0: built from NT authority sub-authorities below)
    DWORD sub0;
    DWORD sub1;
};

const CWellKnown wellKnown[] = {
    {L"administrators", nullptr, 0, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS},
    {L"domain admins", nullptr, DOMAIN_GROUP_RID_ADMINS, 0, 0},
    {L"domain users", nullptr, DOMAIN_GROUP_RID_USERS, 0, 0},
    {L"domain guests", nullptr, DOMAIN_GROUP_RID_GUESTS, 0, 0},
    {L"system", nullptr, 0, SECURITY_LOCAL_SYSTEM_RID, 0},
    {L"administrator", nullptr, DOMAIN_USER_RID_ADMIN, 0, 0},
    {L"everyone", L"S-1-1-0", 0, 0, 0},
    {L"dialup", L"S-1-5-1", 0, 0, 0},
    {L"network", L"S-1-5-2", 0, 0, 0},
    {L"batch", L"S-1-5-3", 0, 0, 0},
    {L"interactive", L"S-1-5-4", 0, 0, 0},
    {L"service", L"S-1-5-6", 0, 0, 0},
    {L"anonymous", L"S-1-5-7", 0, 0, 0},
    {L"self", L"S-1-5-10", 0, 0, 0},
    {L"principal self", L"S-1-5-10", 0, 0, 0},
    {L"authenticated users", L"S-1-5-11", 0, 0, 0},
    {L"terminal server users", L"S-1-5-13", 0, 0, 0},
    {L"local system", L"S-1-5-18", 0, 0, 0},
    {L"users", L"S-1-5-32-545", 0, 0, 0},
    {L"guests", L"S-1-5-32-546", 0, 0, 0},
    {L"power users", L"S-1-5-32-547", 0, 0, 0},
    {L"account operators", L"S-1-5-32-548", 0, 0, 0},
    {L"server operators", L"S-1-5-32-549", 0, 0, 0},
    {L"print operators", L"S-1-5-32-550", 0, 0, 0},
    {L"backup operators", L"S-1-5-32-551", 0, 0, 0},
    {L"replicator", L"S-1-5-32-552", 0, 0, 0},
    // Further accounts every system has under a name of its own language.
    {L"local", L"S-1-2-0", 0, 0, 0},
    {L"console logon", L"S-1-2-1", 0, 0, 0},
    {L"creator owner", L"S-1-3-0", 0, 0, 0},
    {L"creator group", L"S-1-3-1", 0, 0, 0},
    {L"owner rights", L"S-1-3-4", 0, 0, 0},
    {L"enterprise domain controllers", L"S-1-5-9", 0, 0, 0},
    {L"restricted", L"S-1-5-12", 0, 0, 0},
    {L"remote interactive logon", L"S-1-5-14", 0, 0, 0},
    {L"this organization", L"S-1-5-15", 0, 0, 0},
    {L"iusr", L"S-1-5-17", 0, 0, 0},
    {L"local service", L"S-1-5-19", 0, 0, 0},
    {L"network service", L"S-1-5-20", 0, 0, 0},
    {L"pre-windows 2000 compatible access", L"S-1-5-32-554", 0, 0, 0},
    {L"remote desktop users", L"S-1-5-32-555", 0, 0, 0},
    {L"network configuration operators", L"S-1-5-32-556", 0, 0, 0},
    {L"performance monitor users", L"S-1-5-32-558", 0, 0, 0},
    {L"performance log users", L"S-1-5-32-559", 0, 0, 0},
    {L"distributed com users", L"S-1-5-32-562", 0, 0, 0},
    {L"iis_iusrs", L"S-1-5-32-568", 0, 0, 0},
    {L"cryptographic operators", L"S-1-5-32-569", 0, 0, 0},
    {L"event log readers", L"S-1-5-32-573", 0, 0, 0},
    {L"remote management users", L"S-1-5-32-580", 0, 0, 0},
};

struct CSyHeapSidTraits
{
    typedef PSID type;
    static PSID invalid() { return nullptr; }
    static bool isValid(PSID sid) { return sid != nullptr; }
    static void free(PSID sid) { ::HeapFree(::GetProcessHeap(), 0, sid); }
};

// The domain SID plus rid, on the process heap; empty (reported) when it cannot be made.
syslib::CSyWinResource<CSyHeapSidTraits> domainRelativeSid(const iastring& domain, DWORD rid)
{
    syslib::CSyWinResource<CSyHeapSidTraits> result;
    const iastring dc = domain.empty() ? iastring() : GetDCName(domain);
    syslib::CSyNetApiBuffer buffer;
    const NET_API_STATUS status =
        syslib::accountApi().NetUserModalsGet(dc.empty() ? nullptr : dc.c_str(), 2, buffer.receive());
    if (status != NERR_Success)
    {
        SY_PRINT_OS_ERROR(status, L"NetUserModalsGet()", dc + L", 2");
        return result;
    }
    const PSID domainSid = reinterpret_cast<USER_MODALS_INFO_2*>(buffer.get())->usrmod2_domain_id;
    const UCHAR count = *::GetSidSubAuthorityCount(domainSid);
    const DWORD length = ::GetSidLengthRequired(count + 1);
    result.reset(::HeapAlloc(::GetProcessHeap(), 0, length));
    if (!result)
    {
        SY_PRINT_OS_ERROR(ERROR_NOT_ENOUGH_MEMORY, L"HeapAlloc()", syslib::toString(length));
        return result;
    }
    if (!::InitializeSid(result.get(), ::GetSidIdentifierAuthority(domainSid), count + 1))
    {
        SY_PRINT_OS_ERROR(::GetLastError(), L"InitializeSid()", iastring());
        result.reset();
        return result;
    }
    for (UCHAR i = 0; i < count; ++i)
        *::GetSidSubAuthority(result.get(), i) = *::GetSidSubAuthority(domainSid, i);
    *::GetSidSubAuthority(result.get(), count) = rid;
    return result;
}
} // namespace

iastring SyComputerName()
{
    wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    if (!::GetComputerNameW(buffer, &length))
    {
        SY_PRINT_OS_ERROR(::GetLastError(), L"GetComputerName", iastring());
        return iastring();
    }
    return iastring(buffer, length);
}

CSyADsPath::CSyADsPath(IADs* object)
{
    syslib::CSyBstr path;
    if (object != nullptr && SUCCEEDED(object->get_ADsPath(path.receive())) && path)
        *this = fromCompleteString(path.get());
}

CSyADsPath CSyADsPath::fromSID(void* sid, const iastring& server)
{
    SY_TRACE_FUNCTION(L"CSyADsPath::fromSID(PSID, const iastring &)");
    SY_TRACE_PARAMETERS(server);
    std::vector<wchar_t> name(2048);
    std::vector<wchar_t> domain(2048);
    DWORD nameLength = 2048;
    DWORD domainLength = 2048;
    SID_NAME_USE use = SidTypeInvalid;
    if (sid == nullptr || !::IsValidSid(sid) ||
        !syslib::accountApi().LookupAccountSidW(server.empty() ? nullptr : server.c_str(), sid, name.data(),
                                                &nameLength, domain.data(), &domainLength, &use))
    {
        syslib::printOSError(sid == nullptr ? ERROR_INVALID_SID : ::GetLastError(), L"LookupAccountSid()", __LINE__,
                             server, CMessage::LOG_WARNING, syThisSourceFile);
        return CSyADsPath();
    }
    const iastring account(name.data());
    CSyADsPath path;
    if (use == SidTypeWellKnownGroup || SySID::toStringSID(sid) == L"S-1-5-18")
    {
        logLine(L"Got a well-knowen account. I store only the account name.", __LINE__);
        path = winNT({account});
    }
    else if (firstSubAuthorityIs32(sid))
        path = winNT({server.empty() ? SyComputerName()
                                     : (server.compare(0, 2, L"\\\\") == 0 ? server.substr(2) : server),
                      account});
    else
        path = winNT({iastring(domain.data()), account});
    SY_TRACE_RETURN(SyADsPath::getFullPath(path));
    return path;
}

CSyADsPath CSyADsPath::fromString(const iastring& name)
{
    SY_TRACE_FUNCTION(L"CSyADsPath::fromString(const iastring &)");
    SY_TRACE_PARAMETERS(name);
    if (name.find(L"://") != iastring::npos)
        return fromCompleteString(name);
    const iastring slashed = stringSubstituteAll(name, L"/", L"\\");
    iastring domain;
    iastring account = slashed;
    const iastring::size_type backslash = slashed.find(L'\\');
    if (backslash != iastring::npos)
    {
        domain = slashed.substr(0, backslash);
        account = slashed.substr(backslash + 1);
    }
    CSyADsPath path;
    const iastring lower = stringToLower(account);
    const CWellKnown* known = nullptr;
    for (const CWellKnown& entry : wellKnown)
        if (lower == entry.name)
        {
            known = &entry;
            break;
        }
    if (known != nullptr)
    {
        if (known->sidText != nullptr)
        {
            syslib::CSyLocalMem<PSID> sid = SySID::fromStringSID(known->sidText);
            path = fromSID(sid.get(), iastring());
        }
        else if (known->rid != 0)
        {
            syslib::CSyWinResource<CSyHeapSidTraits> sid = domainRelativeSid(domain, known->rid);
            if (sid)
                path = fromSID(sid.get(), iastring());
        }
        else
        {
            SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
            syslib::CSyAllocatedSid sid;
            const BYTE count = known->sub1 ? 2 : 1;
            if (!::AllocateAndInitializeSid(&nt, count, known->sub0, known->sub1, 0, 0, 0, 0, 0, 0, sid.receive()))
                SY_PRINT_OS_ERROR(::GetLastError(), L"AllocateAndInitializeSid()", account);
            else
                path = fromSID(sid.get(), iastring());
        }
    }
    else if (!domain.empty())
    {
        if (stringToUpper(domain) == L"NT AUTHORITY")
        {
            logLine(L"domain is NT AUTHORITY. Store only the account name: " + name, __LINE__);
            path = winNT({account});
        }
        else
            path = winNT({domain, account});
    }
    else
    {
        std::vector<BYTE> sid;
        iastring found;
        SID_NAME_USE use = SidTypeInvalid;
        if (!syslib::account::lookupAccountName(account, sid, found, use))
            path = winNT({SyComputerName(), account});
        else if (use == SidTypeWellKnownGroup)
            path = winNT({account});
        else if (firstSubAuthorityIs32(sid.data()))
            path = winNT({SyComputerName(), account});
        else
            path = winNT({found, account});
    }
    logLine(L"Account " + name + L" has ADS path '" + SyADsPath::getFullPath(path) + L"'", __LINE__);
    return path;
}

iastring GetDCNameHelper(const iastring& domain)
{
    SY_TRACE_FUNCTION(L"GetDCNameHelper(const iastring &)");
    SY_TRACE_PARAMETERS(domain);
    const iastring shown = domain.empty() ? iastring(L"NULL") : domain;
    const wchar_t* domainArgument = domain.empty() ? nullptr : domain.c_str();
    syslib::CSyNetApiBuffer buffer;
    NET_API_STATUS status = syslib::accountApi().NetGetDCName(nullptr, domainArgument, buffer.receive());
    if (status != NERR_Success)
    {
        logLine(L"NetGetDCName(NULL, " + shown + L", ...) failed: " + syslib::toString(status), __LINE__);
        status = syslib::accountApi().NetGetAnyDCName(nullptr, domainArgument, buffer.receive());
    }
    if (status != NERR_Success)
    {
        logLine(L"NetGetAnyDCName(NULL, " + shown + L", ...) failed: " + syslib::toString(status), __LINE__);
        if (!domain.empty())
        {
            ISyNetworkMgt& network = *CSyslibFactory::getInstance()->getNetworkMgt();
            const iastring upper = stringToUpper(domain);
            iastring fullName;
            try
            {
                // Without a DNS domain there is no second name; that is no failure here.
                CUseTypeMapping quiet(syslib::getLogBook(), CMessage::LOG_ERROR, CMessage::LOG_INFO);
                fullName = network.getFullyQualifiedHostName();
            }
            catch (const ESyException&)
            {
            }
            if (upper != stringToUpper(network.getHostName()) && upper != stringToUpper(fullName))
                syslib::account::reportMessage(L"syslib.account.getDCNameFailed", {domain}, CMessage::LOG_WARNING,
                                               __LINE__);
        }
        SY_TRACE_RETURN(iastring());
        return iastring();
    }
    return SY_RETURN_TRACED(iastring(reinterpret_cast<const wchar_t*>(buffer.get())));
}

iastring GetDCName(const iastring& domainOrServer)
{
    SY_TRACE_FUNCTION(L"GetDCName(const iastring &)");
    SY_TRACE_PARAMETERS(domainOrServer);
    if (domainOrServer.find(L'\\') == iastring::npos)
        return SY_RETURN_TRACED(GetDCNameHelper(domainOrServer));
    syslib::CSyNetApiBuffer buffer;
    const NET_API_STATUS status = syslib::accountApi().NetServerGetInfo(const_cast<LMSTR>(domainOrServer.c_str()),
                                                                          101, buffer.receive());
    if (status != NERR_Success)
    {
        SY_PRINT_OS_ERROR(status, L"NetServerGetInfo", domainOrServer + L", 101");
        SY_TRACE_RETURN(iastring());
        return iastring();
    }
    if (reinterpret_cast<SERVER_INFO_101*>(buffer.get())->sv101_type & SV_TYPE_DOMAIN_BAKCTRL)
        return SY_RETURN_TRACED(GetDCNameHelper(iastring()));
    return SY_RETURN_TRACED(domainOrServer);
}
