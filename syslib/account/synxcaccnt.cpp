// Windows code shared by users and groups: binding to the directory object, existence, administrators.
#include "syaccountwin.h"

#include "framework/iastrutil.h"

#include <cstdio>
#include <cstring>

SY_SOURCE_FILE(L"synxcaccnt")

namespace
{
const iastring administratorsSid = L"S-1-5-32-544";

// The accounts services run as are users, although the lookup calls them well-known groups.
bool isUserSid(PSID sid, SID_NAME_USE use)
{
    if (use == SidTypeUser)
        return true;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(sid);
    if (*::GetSidSubAuthorityCount(sid) != 1 || std::memcmp(authority, &nt, sizeof(nt)) != 0)
        return false;
    const DWORD rid = *::GetSidSubAuthority(sid, 0);
    return rid == SECURITY_LOCAL_SYSTEM_RID || rid == SECURITY_LOCAL_SERVICE_RID || rid == SECURITY_NETWORK_SERVICE_RID;
}

bool isGroupUse(SID_NAME_USE use)
{
    return use == SidTypeGroup || use == SidTypeAlias || use == SidTypeWellKnownGroup;
}
} // namespace

namespace syslib
{
namespace account
{
iastring hresultText(HRESULT hr)
{
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

bool meansNotFound(HRESULT hr)
{
    return hr == HRESULT_FROM_WIN32(NERR_UserNotFound) || hr == HRESULT_FROM_WIN32(NERR_GroupNotFound) ||
           hr == HRESULT_FROM_WIN32(ERROR_NONE_MAPPED) || hr == HRESULT_FROM_WIN32(ERROR_NO_SUCH_USER) ||
           hr == HRESULT_FROM_WIN32(ERROR_NO_SUCH_ALIAS) || hr == HRESULT_FROM_WIN32(ERROR_NO_SUCH_GROUP) ||
           hr == static_cast<HRESULT>(0x80005004L) || // E_ADS_UNKNOWN_OBJECT
           hr == static_cast<HRESULT>(0x80072030L);   // ERROR_DS_NO_SUCH_OBJECT, from an LDAP bind
}

HRESULT bindParentContainer(const CSyADsPath& path, REFIID riid, void** object, iastring& containerPath)
{
    std::vector<iastring> candidates;
    std::vector<iastring> components = path.getComponents();
    if (!components.empty())
        components.erase(path.isLDAP() ? components.begin() : components.end() - 1);
    if (path.isLDAP())
    {
        iastring dn;
        for (const iastring& component : components)
            dn += (dn.empty() ? L"" : L",") + component;
        if (!path.getServer().empty())
            candidates.push_back(L"LDAP://" + path.getServer() + (path.getPort().empty() ? L"" : L":" + path.getPort()) +
                                 L"/" + dn);
        candidates.push_back(L"LDAP://" + dn);
    }
    else
    {
        if (components.empty())
            components.push_back(SyComputerName());
        iastring parent = L"WinNT:/";
        for (const iastring& component : components)
            parent += L"/" + component;
        candidates = {parent, parent + L",computer", parent + L",domain"};
        if (components.size() == 1 && stringToUpper(components[0]) != stringToUpper(SyComputerName()))
            candidates.push_back(L"WinNT://" + SyComputerName());
    }
    HRESULT hr = E_FAIL;
    iastring lastMessage;
    for (const iastring& candidate : candidates)
    {
        SY_TRACE_SYSCALL(L"ADsGetObject(" + candidate + L", ...)");
        hr = accountApi().ADsGetObject(candidate.c_str(), riid, object);
        SY_TRACE_SYSCALL_RETURNED();
        if (SUCCEEDED(hr))
        {
            containerPath = candidate;
            return hr;
        }
        lastMessage = getOSErrorText(static_cast<SyOSError>(hr));
        log(L"ADsGetObject(" + candidate + L", ...) failed. Message: " + lastMessage, __LINE__);
    }
    iastring all;
    for (const iastring& candidate : candidates)
        all += (all.empty() ? L"" : L", ") + candidate;
    log(iastring(L"ADsGetObject(x, ") + (riid == IID_IADsContainer ? L"IID_IADsContainer" : L"IID_IADs") +
            L", ...) failed for the following values of x: " + all + L". Last message: " + lastMessage +
            L". Set environment variable FLOW_TRACE to 'enabled' to see the other messages.",
        __LINE__);
    return hr;
}

CSyADsPath newAccountPath(const iastring& name, const wchar_t* signature, int line)
{
    const CSyADsPath path = CSyADsPath::fromString(name);
    if (path.isEmpty() || path.getComponents().size() < 2)
        throwParameterNotValid(L"name", signature, line);
    return path;
}

iastring accountNameOf(const CSyADsPath& path)
{
    const iastring relative = path.getLeaf();
    const iastring::size_type equals = relative.find(L'=');
    return equals == iastring::npos ? relative : relative.substr(equals + 1);
}

HRESULT createInParentContainer(const CSyADsPath& path, const wchar_t* className, REFIID riid, void** object)
{
    iastring containerPath;
    CSyComPtr<IADsContainer> container;
    HRESULT hr = bindParentContainer(path, IID_IADsContainer, container.receiveVoid(), containerPath);
    if (FAILED(hr))
        return hr;
    CSyComPtr<IDispatch> created;
    CSyBstr classText(::SysAllocString(className));
    CSyBstr name(::SysAllocString(path.getLeaf().c_str()));
    hr = container->Create(classText.get(), name.get(), created.receive());
    if (SUCCEEDED(hr))
        hr = created->QueryInterface(riid, object);
    if (FAILED(hr))
        log(L"pContainer->Create(" + iastring(className) + L", " + path.getLeaf() + L" failed.", __LINE__);
    return hr;
}

void waitForReplication(const iastring& kindWord, const iastring& name, ISyProgressObserver* observer,
                        const std::function<bool()>& replicated)
{
    const int attempts = 15;
    const iastring waiting = L"Waiting for replication of " + kindWord + L" " + name + L".";
    log(waiting, __LINE__);
    if (observer)
        observer->heading(waiting);
    for (int attempt = 1; attempt <= attempts; ++attempt)
    {
        if (replicated())
            return;
        accountApi().Sleep(60000);
        if (observer)
            observer->progress(toString(attempt), attempt * 100 / attempts);
    }
    log(L"Domain account " + name + L" has not been replicated after 15 minutes.", __LINE__);
}

HRESULT getTextProperty(IADs* object, const wchar_t* name, iastring& value)
{
    CSyBstr property(::SysAllocString(name));
    CSyVariant result;
    HRESULT hr = object->Get(property.get(), result.receive());
    VARIANT& got = result.get();
    if (SUCCEEDED(hr) && got.vt != VT_BSTR && got.vt != VT_EMPTY)
        hr = ::VariantChangeType(&got, &got, 0, VT_BSTR);
    if (SUCCEEDED(hr))
        value = got.vt == VT_BSTR && got.bstrVal ? got.bstrVal : L"";
    return hr;
}

HRESULT getNumberProperty(IADs* object, const wchar_t* name, long& value)
{
    CSyBstr property(::SysAllocString(name));
    CSyVariant result;
    HRESULT hr = object->Get(property.get(), result.receive());
    if (SUCCEEDED(hr))
        hr = ::VariantChangeType(&result.get(), &result.get(), 0, VT_I4);
    if (SUCCEEDED(hr))
        value = result.get().lVal;
    return hr;
}

HRESULT putTextProperty(IADs* object, const wchar_t* name, const iastring& text)
{
    CSyBstr property(::SysAllocString(name));
    CSyVariant value;
    value.get().vt = VT_BSTR;
    value.get().bstrVal = ::SysAllocString(text.c_str());
    return object->Put(property.get(), value.get());
}

HRESULT putNumberProperty(IADs* object, const wchar_t* name, long value)
{
    CSyBstr property(::SysAllocString(name));
    CSyVariant number;
    number.get().vt = VT_I4;
    number.get().lVal = value;
    return object->Put(property.get(), number.get());
}
} // namespace account
} // namespace syslib

using syslib::account::hresultText;
using syslib::account::meansNotFound;

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
    // Everyone is no user, NETWORK SERVICE no group: an account of the other kind is none of this kind.
    if (isUserSid(sid, use) != !isGroup() || (isGroup() && !isGroupUse(use)))
    {
        SY_TRACE_RETURN(L"false");
        return false;
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
    syslib::CSyVariant sid;
    syslib::CSyBstr property(::SysAllocString(L"objectSid"));
    if (SUCCEEDED(object->Get(property.get(), sid.receive())) && sid.get().vt == (VT_ARRAY | VT_UI1) &&
        sid.get().parray)
    {
        void* data = nullptr;
        if (SUCCEEDED(::SafeArrayAccessData(sid.get().parray, &data)))
        {
            const iastring text = ::IsValidSid(data) ? SySID::toStringSID(data) : iastring();
            ::SafeArrayUnaccessData(sid.get().parray);
            if (!text.empty())
                m_sSID = text;
        }
    }
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

void CSyAccountImpl::construct(bool create, const iastring& signature, const CUserData* data,
                               ISyProgressObserver* observer)
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
        addToOS(data, observer);
}

std::shared_ptr<CSyAccountImpl> accountImplOf(const PSyAccount& account)
{
    if (auto* user = dynamic_cast<CSyUser*>(account.get()))
        return user->impl();
    if (auto* group = dynamic_cast<CSyGroup*>(account.get()))
        return group->impl();
    return nullptr;
}

iastring CSyAccountImpl::getFullADsPath() const
{
    return SyADsPath::getFullPath(m_path.isEmpty() ? CSyADsPath::fromString(m_sName) : m_path);
}

iastring CSyAccountImpl::memberPath() const
{
    const CSyADsPath path = m_path.isEmpty() ? CSyADsPath::fromString(m_sName) : m_path;
    // "WinNT://NETWORK SERVICE" names a domain; the SID form names the account on every system.
    if (!m_sSID.empty() && path.isWinNT() && path.getComponents().size() == 1)
        return L"WinNT://" + m_sSID;
    return SyADsPath::getFullPath(path);
}

void CSyAccountImpl::requireBound(const iastring& signature) const
{
    if (!isBound())
        syslib::throwFunctionNotSupported(signature, __LINE__);
}

void CSyAccountImpl::reportSucceeded(const iastring& key, const iastring& what) const
{
    ILogBook& book = syslib::logBook();
    book.addArgument(what.empty() ? m_sName : toText());
    if (!what.empty())
        book.addArgument(what);
    book.messageWithFlag(key, true, CMessage::LOG_INFO, __LINE__);
}

void CSyAccountImpl::do_setMembership(const PSyGroup& pGroup)
{
    SY_TRACE_FUNCTION(L"CSyAccountImpl::do_setMembership(PSyGroup)");
    if (!pGroup)
        syslib::throwParameterEmpty(L"pGroup", L"CSyAccountImpl::do_setMembership(PSyGroup)", __LINE__);
    std::static_pointer_cast<CSyGroupImpl>(accountImplOf(PSyAccount(pGroup.get())))->changeMember(*this, true);
}

void CSyAccountImpl::do_cancelMembership(const PSyGroup& pGroup)
{
    SY_TRACE_FUNCTION(L"CSyAccountImpl::do_cancelMembership(PSyGroup)");
    if (!pGroup)
        syslib::throwParameterEmpty(L"pGroup", L"CSyAccountImpl::do_cancelMembership(PSyGroup)", __LINE__);
    std::static_pointer_cast<CSyGroupImpl>(accountImplOf(PSyAccount(pGroup.get())))->changeMember(*this, false);
}

void CSyAccountImpl::do_rename(const iastring& sNewName)
{
    SY_TRACE_FUNCTION(L"CSyAccountImpl::do_rename(IUnknown *, iastring)");
    SY_TRACE_PARAMETERS(sNewName);
    if (stringTrim(sNewName).empty())
        syslib::throwParameterEmpty(L"sNewName", L"CSyAccountImpl::do_rename(IUnknown *, iastring)", __LINE__);
    requireBound(L"CSyAccountImpl::do_rename(IUnknown *, iastring)");
    iastring containerPath;
    syslib::CSyComPtr<IADsContainer> container;
    HRESULT hr = syslib::account::bindParentContainer(m_path, IID_IADsContainer, container.receiveVoid(),
                                                      containerPath);
    syslib::CSyComPtr<IDispatch> moved;
    const iastring newLeaf = m_path.isLDAP() ? L"cn=" + sNewName : sNewName;
    if (SUCCEEDED(hr))
    {
        const iastring source = getFullADsPath();
        syslib::CSyBstr sourceText(::SysAllocString(source.c_str()));
        syslib::CSyBstr relative(::SysAllocString(newLeaf.c_str()));
        SY_TRACE_SYSCALL(L"IADsContainer::MoveHere(" + source + L", " + sNewName + L", ...)");
        hr = container->MoveHere(sourceText.get(), relative.get(), moved.receive());
        SY_TRACE_SYSCALL_RETURNED();
    }
    if (FAILED(hr))
        syslib::account::throwHresult<ESyAccountModificationFailed>(hr, L"syslib.account.modificationFailed", *this,
                                                                    __LINE__);
    syslib::CSyComPtr<IADs> object;
    if (moved && SUCCEEDED(moved->QueryInterface(IID_IADs, object.receiveVoid())))
        bind(object.get());
    else
    {
        m_sName = sNewName;
        m_path.setLeaf(newLeaf);
    }
    reportSucceeded(L"syslib.account.modificationSucceeded", L"name");
}

void CSyAccountImpl::do_remove()
{
    SY_TRACE_FUNCTION(L"CSyAccountImpl::do_remove(IUnknown *)");
    requireBound(L"CSyAccountImpl::do_remove(IUnknown *)");
    IADs* object = m_binding->m_object.get();
    syslib::CSyBstr objectClass;
    syslib::CSyBstr name;
    HRESULT hr = object->get_Class(objectClass.receive());
    if (FAILED(hr))
        syslib::account::log(L"IADs::get_Class failed.", __LINE__);
    else if (FAILED(hr = object->get_Name(name.receive())))
        syslib::account::log(L"IADs::get_Name failed.", __LINE__);
    iastring containerPath;
    syslib::CSyComPtr<IADsContainer> container;
    if (SUCCEEDED(hr))
        hr = syslib::account::bindParentContainer(m_path, IID_IADsContainer, container.receiveVoid(), containerPath);
    if (SUCCEEDED(hr))
    {
        const iastring call = iastring(objectClass.get()) + L", " + name.get();
        SY_TRACE_SYSCALL(L"IADsContainer::Delete(" + call + L")");
        hr = container->Delete(objectClass.get(), name.get());
        SY_TRACE_SYSCALL_RETURNED();
        if (FAILED(hr))
            syslib::account::log(L"IADsContainer::Delete(" + call + L") failed. ADs path of container: " +
                                     containerPath,
                                 __LINE__);
    }
    if (FAILED(hr))
        syslib::account::throwHresult<ESyAccountDeletionFailed>(hr, L"syslib.account.deletionFailed", *this,
                                                                __LINE__);
    CSyAccountCache::instance().deleteAccountImpl(m_sName, m_sSID, m_type);
    reportSucceeded(L"syslib.account.deletionSucceeded", iastring());
}

iastring CSyAccountImpl::getDescription()
{
    const wchar_t* signature = isGroup() ? L"iastring CSyGroupImpl::getDescription() const"
                                         : L"iastring CSyUserImpl::getDescription() const";
    SY_TRACE_FUNCTION_TEXT(signature);
    requireBound(signature);
    iastring description;
    const HRESULT hr = syslib::account::getTextProperty(m_binding->m_object.get(), L"description", description);
    if (FAILED(hr))
    {
        syslib::account::log(L"HRESULT=" + hresultText(hr), __LINE__);
        syslib::reportError(L"syslib.account.getPropertyFailed", {toText(), L"description"}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), L"description", ESyException::DCOM_HRESULT, static_cast<int>(hr));
    }
    syslib::account::log(iastring(className()) + L" " + m_sName + L" exists with parameter description", __LINE__);
    return SY_RETURN_TRACED(description);
}

void CSyAccountImpl::setDescription(const iastring& sNewDescription)
{
    const wchar_t* signature = isGroup() ? L"CSyGroupImpl::setDescription(iastring sNewDescription)"
                                         : L"CSyUserImpl::setDescription(iastring sNewDescription)";
    SY_TRACE_FUNCTION_TEXT(signature);
    SY_TRACE_PARAMETERS(sNewDescription);
    // A group's description can be changed, never cleared.
    if (isGroup() && stringTrim(sNewDescription).empty())
        syslib::throwParameterEmpty(L"sNewDescription", signature, __LINE__);
    requireBound(signature);
    IADs* object = m_binding->m_object.get();
    HRESULT hr = syslib::account::putTextProperty(object, L"Description", sNewDescription);
    if (SUCCEEDED(hr))
        hr = object->SetInfo();
    if (FAILED(hr))
        syslib::account::throwHresult<ESyAccountModificationFailed>(hr, L"syslib.account.modificationFailed", *this,
                                                                    __LINE__);
    reportSucceeded(L"syslib.account.modificationSucceeded", L"description");
}

bool CSyAccountImpl::do_isMember(const iastring& sName)
{
    SY_TRACE_FUNCTION(L"CSyAccountImpl::do_isMember(iastring)");
    SY_TRACE_PARAMETERS(sName);
    if (stringTrim(sName).empty())
        syslib::throwParameterEmpty(L"sName", L"CSyAccountImpl::do_isMember(iastring)", __LINE__);
    const iastring groupPath = SyADsPath::getFullPath(CSyADsPath::fromString(sName));
    const iastring ownPath = memberPath();
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
