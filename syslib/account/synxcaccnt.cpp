// Windows code shared by users and groups: binding to the directory object, existence, administrators.
#include "syaccountapi.h"
#include "syaccountimpl.h"
#include "syaccountutil.h"
#include "syslib/common/sywinsec.h"

#include "framework/iastrutil.h"

#include <cstdio>

SY_SOURCE_FILE(L"synxcaccnt")

// COM for the creating thread for the object's whole life, and the directory object bound.
class CSyAccountBinding
{
public:
    CSyAccountBinding() : m_initialized(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~CSyAccountBinding()
    {
        m_object.reset();
        if (m_initialized)
            ::CoUninitialize();
    }
    CSyAccountBinding(const CSyAccountBinding&) = delete;
    CSyAccountBinding& operator=(const CSyAccountBinding&) = delete;

    syslib::CSyComPtr<IADs> m_object;

private:
    bool m_initialized;
};

namespace
{
iastring hresultText(HRESULT hr)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// What the directory answers for an account that is not there.
bool meansNotFound(HRESULT hr)
{
    return hr == HRESULT_FROM_WIN32(NERR_UserNotFound) || hr == HRESULT_FROM_WIN32(NERR_GroupNotFound) ||
           hr == HRESULT_FROM_WIN32(ERROR_NONE_MAPPED) || hr == HRESULT_FROM_WIN32(ERROR_NO_SUCH_USER) ||
           hr == HRESULT_FROM_WIN32(ERROR_NO_SUCH_ALIAS) || hr == HRESULT_FROM_WIN32(ERROR_NO_SUCH_GROUP) ||
           hr == static_cast<HRESULT>(0x80005004L); // E_ADS_UNKNOWN_OBJECT
}

const iastring administratorsSid = L"S-1-5-32-544";
} // namespace

CSyAccountImpl::CSyAccountImpl(const iastring& name, const iastring& sid, ISyAccountMgt::eAccountType kind)
    : m_sName(name), m_sSID(sid), m_type(kind), m_binding(new CSyAccountBinding())
{
}

CSyAccountImpl::~CSyAccountImpl() {}

const wchar_t* CSyAccountImpl::className() const
{
    return (m_type & 3) == ISyAccountMgt::GROUP ? L"group" : L"user";
}

iastring CSyAccountImpl::toText() const
{
    const bool group = (m_type & 3) == ISyAccountMgt::GROUP;
    return iastring(group ? L"group=\"" : L"user=\"") + m_sName + (group ? L"\" gid=\"" : L"\" uid=\"") + m_sSID +
           L"\"";
}

bool CSyAccountImpl::isBound() const
{
    return static_cast<bool>(m_binding->m_object);
}

bool CSyAccountImpl::init(const iastring& sName)
{
    SY_TRACE_FUNCTION(L"CSyAccountImpl::init(const iastring &)");
    SY_TRACE_PARAMETERS(sName);
    BYTE sid[256];
    DWORD sidLength = sizeof(sid);
    wchar_t domain[510];
    DWORD domainLength = 510;
    SID_NAME_USE use = SidTypeInvalid;
    if (!syslib::accountApi().LookupAccountNameW(nullptr, sName.c_str(), sid, &sidLength, domain, &domainLength, &use))
    {
        const DWORD error = ::GetLastError();
        if (error == ERROR_NONE_MAPPED)
        {
            SY_TRACE_RETURN(L"false");
            return false;
        }
        SY_PRINT_OS_ERROR(error, L"LookupAccountName", sName);
        syslib::reportError(L"common.fatalSystemError", {L"ErrorNo", syslib::toString(error)}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), iastring(), ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    const iastring::size_type cut = sName.find_last_of(L"/\\");
    m_sName = cut == iastring::npos ? sName : sName.substr(cut + 1);
    if (m_sSID.empty())
        m_sSID = SySID::toStringSID(sid);
    m_sDomain = domain;
    m_type = static_cast<ISyAccountMgt::eAccountType>((m_type & 3) |
                                                      (use == SidTypeWellKnownGroup ? ISyAccountMgt::UNIVERSAL : 0));
    SY_TRACE_RETURN(L"true");
    return true;
}

bool CSyAccountImpl::isExistingOnOS()
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? iastring(L"CSy") + ((m_type & 3) == ISyAccountMgt::GROUP ? L"Group" : L"User") +
                                                     L"Impl::isExistingOnOS()"
                                               : iastring());
    const bool group = (m_type & 3) == ISyAccountMgt::GROUP;
    CSyADsPath path;
    if (!m_sSID.empty())
    {
        syslib::CSyLocalMem<PSID> sid = SySID::fromStringSID(m_sSID);
        path = CSyADsPath::fromSID(sid.get(), iastring());
    }
    else
        path = CSyADsPath::fromString(m_sName);
    if (path.isEmpty())
    {
        syslib::reportError(L"syslib.account.conversionFailed",
                            {L"SyADsPath::getFullPath(iastring)", L"ADs path", group ? L"group name" : L"user name"},
                            __LINE__);
        throw ESyAccountSystemCallFailed(toText(), iastring());
    }
    bool exists = false;
    if (path.isWinNT() && path.getComponents().size() == 1)
    {
        // A well-known account: no directory object, the name is all there is.
        exists = init(path.getLeaf());
        if (exists)
            m_path = path;
    }
    else
    {
        if (path.isWinNT())
        {
            iastring leaf = path.getLeaf();
            const iastring::size_type comma = leaf.rfind(L',');
            if (comma != iastring::npos)
                leaf.resize(comma);
            path.setLeaf(leaf + L"," + className());
        }
        const iastring full = SyADsPath::getFullPath(path);
        syslib::CSyComPtr<IADs> object;
        SY_TRACE_SYSCALL(L"ADsGetObject(" + full + L", IID_IADs, ...)");
        const HRESULT hr = syslib::accountApi().ADsGetObject(full.c_str(), IID_IADs, object.receiveVoid());
        SY_TRACE_SYSCALL_RETURNED();
        if (SUCCEEDED(hr))
        {
            bind(object.get());
            exists = true;
        }
        else if (!meansNotFound(hr))
        {
            syslib::account::log(L"HRESULT=" + hresultText(hr), __LINE__);
            syslib::reportError(L"syslib.account.existenceCheckFailed", {toText()}, __LINE__);
            throw ESyAccountSystemCallFailed(toText(), iastring(), ESyException::DCOM_HRESULT, static_cast<int>(hr));
        }
    }
    syslib::account::log(iastring(L"existence check for ") + className() + L" " + m_sName + L" returned " +
                             (exists ? L"true." : L"false."),
                         __LINE__);
    return exists;
}

void CSyAccountImpl::bind(IADs* object)
{
    object->AddRef();
    m_binding->m_object = syslib::CSyComPtr<IADs>(object);
    syslib::CSyBstr name;
    if (SUCCEEDED(object->get_Name(name.receive())) && name)
        m_sName = name.get();
    VARIANT sid;
    ::VariantInit(&sid);
    syslib::CSyBstr property(::SysAllocString(L"objectSid"));
    if (SUCCEEDED(object->Get(property.get(), &sid)) && sid.vt == (VT_ARRAY | VT_UI1) && sid.parray)
    {
        void* data = nullptr;
        if (SUCCEEDED(::SafeArrayAccessData(sid.parray, &data)))
        {
            if (::IsValidSid(data))
                m_sSID = SySID::toStringSID(data);
            ::SafeArrayUnaccessData(sid.parray);
        }
    }
    ::VariantClear(&sid);
    m_path = CSyADsPath(object);
    const std::vector<iastring>& components = m_path.getComponents();
    if (m_path.isWinNT() && components.size() >= 2)
        m_sDomain = components[components.size() - 2];
    const bool local = stringToUpper(m_sDomain) == stringToUpper(SyComputerName());
    if ((m_type & 3) == ISyAccountMgt::GROUP)
        m_type = local ? ISyAccountMgt::LOCALGROUP : ISyAccountMgt::DOMAINGROUP;
    else
        m_type = local ? ISyAccountMgt::LOCALUSER : ISyAccountMgt::DOMAINUSER;
}

void CSyAccountImpl::construct(bool create, const iastring& signature)
{
    if (m_sName.empty() && m_sSID.empty())
        syslib::throwParameterEmpty(L"name or ID", signature, __LINE__);
    const bool exists = isExistingOnOS();
    if (exists && create)
    {
        syslib::reportError(L"syslib.account.isExistingOnOsSucceededTrue", {toText()}, __LINE__);
        throw ESyAccount(toText(), iastring(), ESyException::SPECIFIC_CODE, ESyAccount::EXISTS);
    }
    if (!exists && !create)
    {
        syslib::account::reportMessage(L"syslib.account.isExistingOnOsSucceededFalse", {toText()},
                                       CMessage::LOG_WARNING, __LINE__);
        throw ESyAccountNotExists(toText(), iastring());
    }
    if (!exists)
    {
        // Creating accounts comes with the user and group operations.
        syslib::throwFunctionNotSupported((m_type & 3) == ISyAccountMgt::GROUP
                                              ? L"CSyGroupImpl::addToOS(ISyProgressObserver *)"
                                              : L"CSyUserImpl::addToOS(const CUserData &, ISyProgressObserver *)",
                                          __LINE__);
    }
}

CSyUserImpl::CSyUserImpl(const CUserData& data, bool create, ISyProgressObserver*)
    : CSyAccountImpl(data.m_name, data.m_id, ISyAccountMgt::LOCALUSER)
{
    SY_TRACE_CONSTRUCTOR(L"CSyUserImpl::CSyUserImpl(const CUserData& data, bool create)");
    construct(create, L"CSyUserImpl::CSyUserImpl(const CUserData& data, bool create)");
}

CSyGroupImpl::CSyGroupImpl(const iastring& sName, const iastring& sSID, bool create, ISyProgressObserver*)
    : CSyAccountImpl(sName, sSID, ISyAccountMgt::LOCALGROUP)
{
    SY_TRACE_CONSTRUCTOR(L"CSyGroupImpl::CSyGroupImpl(iastring sName, iastring sSID, bool bCreate)");
    construct(create, L"CSyGroupImpl::CSyGroupImpl(iastring sName, iastring sSID, bool bCreate)");
}

bool CSyAccountImpl::do_isMember(const iastring& sName)
{
    SY_TRACE_FUNCTION(L"CSyAccountImpl::do_isMember(iastring)");
    SY_TRACE_PARAMETERS(sName);
    if (stringTrim(sName).empty())
        syslib::throwParameterEmpty(L"sName", L"CSyAccountImpl::do_isMember(iastring)", __LINE__);
    const iastring groupPath = SyADsPath::getFullPath(CSyADsPath::fromString(sName));
    const iastring ownPath = SyADsPath::getFullPath(m_path.isEmpty() ? CSyADsPath::fromString(m_sName) : m_path);
    syslib::CSyComPtr<IADsGroup> group;
    HRESULT hr = syslib::accountApi().ADsGetObject(groupPath.c_str(), IID_IADsGroup, group.receiveVoid());
    VARIANT_BOOL member = VARIANT_FALSE;
    if (SUCCEEDED(hr))
    {
        syslib::CSyBstr path(::SysAllocString(ownPath.c_str()));
        hr = group->IsMember(path.get(), &member);
    }
    if (FAILED(hr))
    {
        syslib::account::log(L"HRESULT=" + hresultText(hr), __LINE__);
        syslib::reportError(L"syslib.account.isMemberFailed", {toText(), sName}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), sName, ESyException::DCOM_HRESULT, static_cast<int>(hr));
    }
    syslib::account::log(L"Account " + m_sName + (member ? L" is member of group \"" : L" is not member of group \"") +
                             sName + L"\"",
                         __LINE__);
    return member != VARIANT_FALSE;
}

int CSyAccountImpl::isRootFor(const iastring& adminsSid, bool domain)
{
    const iastring which = domain ? L"domain admins" : L"local admins";
    if (stringToUpper(m_sSID) == stringToUpper(adminsSid))
    {
        syslib::account::log(domain ? L"*this == the domain administrators group ==> return true."
                                    : L"*this == the local administrators group ==> return true.",
                             __LINE__);
        return 1;
    }
    syslib::CSyLocalMem<PSID> account = SySID::fromStringSID(m_sSID);
    syslib::CSyLocalMem<PSID> admins = SySID::fromStringSID(adminsSid);
    const eTokenMembership membership =
        syslib::getTokenGroupMembership(CSyWinSid(account.get()), CSyWinSid(admins.get()));
    const iastring prefix = L"*this is the token user of either the current thread or the current process token and "
                            L"the " + which + L" group is ";
    if (membership == IS_MEMBER)
    {
        syslib::account::log(prefix + L"a member of the enabled token groups ==> return true.", __LINE__);
        return 1;
    }
    if (membership == NOT_MEMBER)
    {
        syslib::account::log(prefix + L"not a member of the enabled token groups ==> return false.", __LINE__);
        return 0;
    }
    return -1;
}

bool CSyAccountImpl::do_isRoot()
{
    SY_TRACE_FUNCTION(L"CSyAccountImpl::do_isRoot()");
    if (m_sSID.empty())
    {
        syslib::reportError(L"syslib.account.isRootFailed", {toText()}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), iastring());
    }
    const int answer = isRootFor(administratorsSid, false);
    if (answer >= 0)
    {
        SY_TRACE_RETURN(answer ? L"true" : L"false");
        return answer == 1;
    }
    const iastring adminsName = CSyADsPath::fromString(L"administrators").getLeaf();
    if ((m_type & 3) == ISyAccountMgt::GROUP)
    {
        syslib::account::log(L"Account " + m_sName +
                                 L" is neither a user nor identical to the local administrators group. The only thing "
                                 L"I can do (with reasonable performance) is to call do_isMember which checks only "
                                 L"direct group membership.",
                             __LINE__);
        return do_isMember(adminsName);
    }
    const iastring computer = SyComputerName();
    if (computer.empty())
    {
        syslib::reportError(L"syslib.account.isRootFailed", {toText()}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), iastring(), ESyException::WIN32_ERROR,
                                         static_cast<int>(::GetLastError()));
    }
    const iastring server = L"\\\\" + computer;
    syslib::CSyNetApiBuffer buffer;
    DWORD read = 0;
    DWORD total = 0;
    const NET_API_STATUS status = syslib::accountApi().NetUserGetLocalGroups(
        server.c_str(), m_sName.c_str(), 0, LG_INCLUDE_INDIRECT, buffer.receive(), MAX_PREFERRED_LENGTH, &read, &total);
    if (status != NERR_Success)
    {
        SY_PRINT_OS_ERROR(status, L"NetUserGetLocalGroups", server + L", " + m_sName);
        syslib::reportError(L"syslib.account.isRootFailed", {toText()}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), iastring(), ESyException::WIN32_ERROR, static_cast<int>(status));
    }
    const LOCALGROUP_USERS_INFO_0* groups = reinterpret_cast<const LOCALGROUP_USERS_INFO_0*>(buffer.get());
    iastring list;
    for (DWORD i = 0; i < read; ++i)
    {
        const iastring group = groups[i].lgrui0_name ? groups[i].lgrui0_name : L"";
        if (stringToUpper(group) == stringToUpper(adminsName))
        {
            syslib::account::log(L"NetUserGetLocalGroups says that account " + m_sName +
                                     L" is directly or indirectly member of group " + adminsName,
                                 __LINE__);
            SY_TRACE_RETURN(L"true");
            return true;
        }
        list += (i ? L", " : L"") + group;
    }
    syslib::account::log(L"NetUserGetLocalGroups says that account " + m_sName +
                             L" is not a local administrator account. It is neither directly nor indirectly member of "
                             L"group " + adminsName + L". It is (directly or indirectly) member of the following groups: " +
                             list,
                         __LINE__);
    SY_TRACE_RETURN(L"false");
    return false;
}

bool CSyAccountImpl::do_isRoot(const iastring& sDomain)
{
    SY_TRACE_FUNCTION(L"CSyAccountImpl::do_isRoot(iastring)");
    SY_TRACE_PARAMETERS(sDomain);
    if (stringTrim(sDomain).empty())
        syslib::throwParameterEmpty(L"sDomain", L"CSyAccountImpl::do_isRoot(iastring)", __LINE__);
    if (m_sSID.empty())
    {
        syslib::reportError(L"syslib.account.isRootFailed", {toText()}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), iastring());
    }
    CSyWinSid domainSid;
    const iastring dc = GetDCName(sDomain);
    if (!dc.empty())
    {
        syslib::CSyNetApiBuffer server;
        syslib::CSyNetApiBuffer modals;
        NET_API_STATUS status = syslib::accountApi().NetServerGetInfo(const_cast<LMSTR>(dc.c_str()), 101,
                                                                      server.receive());
        if (status != NERR_Success)
            SY_PRINT_OS_ERROR(status, L"NetServerGetInfo", L"NERR");
        else if ((status = syslib::accountApi().NetUserModalsGet(dc.c_str(), 2, modals.receive())) != NERR_Success)
            SY_PRINT_OS_ERROR(status, L"NetUserModalsGet", L"NERR");
        else
            domainSid = CSyWinSid(reinterpret_cast<USER_MODALS_INFO_2*>(modals.get())->usrmod2_domain_id);
    }
    CSyWinSid adminsSid;
    if (!domainSid.isEmpty())
    {
        syslib::account::log(L"Got domain SID from the domain controller: " + SySID::toStringSID(domainSid.get()),
                             __LINE__);
        syslib::appendRid(adminsSid, domainSid, DOMAIN_GROUP_RID_ADMINS);
        syslib::account::log(L"Domain admins SID is: " + SySID::toStringSID(adminsSid.get()), __LINE__);
    }
    else
    {
        // The account's own domain: its SID without the last sub-authority.
        syslib::CSyLocalMem<PSID> own = SySID::fromStringSID(m_sSID);
        const UCHAR count = *::GetSidSubAuthorityCount(own.get());
        std::vector<BYTE> bytes(::GetSidLengthRequired(count > 0 ? count - 1 : 0));
        ::InitializeSid(bytes.data(), ::GetSidIdentifierAuthority(own.get()), count > 0 ? count - 1 : 0);
        for (UCHAR i = 0; i + 1 < count; ++i)
            *::GetSidSubAuthority(bytes.data(), i) = *::GetSidSubAuthority(own.get(), i);
        syslib::appendRid(adminsSid, CSyWinSid(bytes.data()), DOMAIN_GROUP_RID_ADMINS);
        syslib::account::log(L"Could not get the domain SID from a domain controller. Using domain admins SID: " +
                                 SySID::toStringSID(adminsSid.get()),
                             __LINE__);
    }
    const bool root = isRootFor(SySID::toStringSID(adminsSid.get()), true) == 1;
    SY_TRACE_RETURN(root ? L"true" : L"false");
    return root;
}
