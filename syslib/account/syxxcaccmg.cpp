// The account manager: finds accounts by name or SID through the account cache.
#include "syaccountimpl.h"
#include "syaccountiterimpl.h"
#include "syaccountmgtimpl.h"
#include "syaclimpl.h"
#include "syaccountutil.h"

#include "framework/iastrutil.h"

#include <cwctype>

SY_SOURCE_FILE(L"syxxcaccmg")

std::wostream& operator<<(std::wostream& os, ISyAccountMgt::eAccountType value)
{
    static const struct
    {
        int value;
        const wchar_t* name;
    } combined[] = {{ISyAccountMgt::LOCALUSER, L"LOCALUSER"},
                    {ISyAccountMgt::DOMAINUSER, L"DOMAINUSER"},
                    {ISyAccountMgt::LOCALGROUP, L"LOCALGROUP"},
                    {ISyAccountMgt::DOMAINGROUP, L"DOMAINGROUP"},
                    {ISyAccountMgt::DOMAINLOCALGROUP, L"DOMAINLOCALGROUP"},
                    {ISyAccountMgt::UNIVERSALGROUP, L"UNIVERSALGROUP"}};
    const int bits = static_cast<int>(value);
    bool any = false;
    for (const auto& entry : combined)
        if ((bits & entry.value) == entry.value)
        {
            os << (any ? L" " : L"") << entry.name;
            any = true;
        }
    if (any)
        os << L": ";
    static const wchar_t* const kinds[] = {L"NONE", L"USER", L"GROUP", L"USER GROUP"};
    static const wchar_t* const scopes[] = {L"MACHINELOCAL", L"UNIVERSAL", L"DOMAINLOCAL", L"DOMAINGLOBAL"};
    os << L"(" << kinds[bits & 3] << L" " << scopes[(bits >> 4) & 3];
    if (bits & ~0x33)
        os << L" unknown (" << (bits & ~0x33) << L")";
    return os << L")";
}

bool CSyAccountMgtImpl::isAccountId(const iastring& text)
{
    return text.size() > 2 && std::towupper(text[0]) == L'S' && text[1] == L'-' && text[2] >= L'0' && text[2] <= L'9';
}

iastring CSyAccountMgtImpl::getEveryoneSID()
{
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::getEveryoneSID()");
    return SY_RETURN_TRACED(L"S-1-1-0");
}

iastring CSyAccountMgtImpl::getAdministratorsSID()
{
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::getAdministratorsSID()");
    return SY_RETURN_TRACED(L"S-1-5-32-544");
}

iastring CSyAccountMgtImpl::getLocalSystemSID()
{
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::getLocalSystemSID()");
    return SY_RETURN_TRACED(L"S-1-5-18");
}

PSyAccount CSyAccountMgtImpl::getAccount(ISyAccountMgt::eAccountType type, const iastring& sNameOrSID)
{
    static const wchar_t* const signature =
        L"CSyAccountMgtImpl::getAccount(ISyAccountMgt::eAccountType, const iastring &)";
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::getAccount(ISyAccountMgt::eAccountType, const iastring &)");
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(syslib::toString(type) + L", " + sNameOrSID);
    if (stringTrim(sNameOrSID).empty())
        syslib::throwParameterEmpty(L"sNameOrSID", signature, __LINE__);
    switch (type & 3)
    {
    case ISyAccountMgt::USER:
        return PSyAccount(getUser(sNameOrSID).get());
    case ISyAccountMgt::GROUP:
        return PSyAccount(getGroup(sNameOrSID).get());
    case ISyAccountMgt::NONE:
        if (isExisting(ISyAccountMgt::USER, sNameOrSID))
            return PSyAccount(getUser(sNameOrSID).get());
        return PSyAccount(getGroup(sNameOrSID).get());
    default:
        return PSyAccount();
    }
}

bool CSyAccountMgtImpl::isExisting(ISyAccountMgt::eAccountType type, const iastring& sNameOrSID)
{
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::isExisting(ISyAccountMgt::eAccountType, const iastring &)");
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(syslib::toString(type) + L", " + sNameOrSID);
    bool exists = false;
    {
        CUseTypeMapping quiet(syslib::getLogBook(), CMessage::LOG_ERROR, CMessage::LOG_INFO);
        try
        {
            const PSyAccount account = getAccount(type, sNameOrSID);
            auto* user = dynamic_cast<CSyUser*>(account.get());
            auto* group = dynamic_cast<CSyGroup*>(account.get());
            if (user)
                exists = user->impl()->isExistingOnOS();
            else if (group)
                exists = group->impl()->isExistingOnOS();
        }
        catch (const EVantixException&)
        {
            exists = false;
        }
    }
    SY_TRACE_RETURN(exists ? L"true" : L"false");
    return exists;
}

PSyUser CSyAccountMgtImpl::getUser(const iastring& sNameOrSID)
{
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::getUser(const iastring &)");
    SY_TRACE_PARAMETERS(sNameOrSID);
    CUserData data;
    (isAccountId(sNameOrSID) ? data.m_id : data.m_name) = sNameOrSID;
    return PSyUser(new CSyUser(CSyAccountCache::instance().getUserImpl(data, false, nullptr)));
}

PSyGroup CSyAccountMgtImpl::getGroup(const iastring& sNameOrSID)
{
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::getGroup(const iastring &)");
    SY_TRACE_PARAMETERS(sNameOrSID);
    const bool isId = isAccountId(sNameOrSID);
    return PSyGroup(new CSyGroup(CSyAccountCache::instance().getGroupImpl(isId ? iastring() : sNameOrSID,
                                                                         isId ? sNameOrSID : iastring(), false,
                                                                         nullptr)));
}

PSyUser CSyAccountMgtImpl::createUser(const CUserData& data, ISyProgressObserver* observer)
{
    static const wchar_t* const signature = L"CSyAccountMgtImpl::createUser(const CUserData &, ISyProgressObserver *)";
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::createUser(const CUserData &, ISyProgressObserver *)");
    SY_TRACE_PARAMETERS(data.m_name);
    if (stringTrim(data.m_name).empty())
        syslib::throwParameterEmpty(L"data.m_name", signature, __LINE__);
    if (!stringTrim(data.m_id).empty())
        syslib::throwParameterNotValid(L"data.m_id", signature, __LINE__);
    return PSyUser(new CSyUser(CSyAccountCache::instance().getUserImpl(data, true, observer)));
}

PSyGroup CSyAccountMgtImpl::createGroup(const iastring& sName, const iastring& sSID, ISyProgressObserver* observer)
{
    static const wchar_t* const signature =
        L"CSyAccountMgtImpl::createGroup(const iastring &, const iastring &, ISyProgressObserver *)";
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::createGroup(const iastring &, const iastring &, ISyProgressObserver *)");
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(sName + L", " + sSID);
    if (stringTrim(sName).empty())
        syslib::throwParameterEmpty(L"sName", signature, __LINE__);
    if (!stringTrim(sSID).empty())
        syslib::throwParameterNotValid(L"sSID", signature, __LINE__);
    return PSyGroup(new CSyGroup(CSyAccountCache::instance().getGroupImpl(sName, iastring(), true, observer)));
}

PSyACL CSyAccountMgtImpl::getACL(SecurableObjectType objectType)
{
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::getACL(SecurableObjectType)");
    SY_TRACE_PARAMETERS(syslib::toString(objectType));
    if (!SySecurityImpl::rightsTable(objectType))
        syslib::throwParameterNotValid(L"objectType", L"CSyAccountMgtImpl::getACL(SecurableObjectType)", __LINE__);
    return PSyACL(new CSyACL(objectType, iastring()));
}

iastring CSyAccountMgtImpl::mapAccountName(const iastring& name)
{
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::mapAccountName(const iastring &)");
    SY_TRACE_PARAMETERS(name);
    return SY_RETURN_TRACED(name);
}

PSyAccountIterator CSyAccountMgtImpl::getAccounts(ISyAccountMgt::eAccountType type, const iastring& sPattern,
                                                  bool bCaseSensitive)
{
    SY_TRACE_FUNCTION(L"CSyAccountMgtImpl::getAccounts(ISyAccountMgt::eAccountType, iastring, bool)");
    SY_TRACE_PARAMETERS(syslib::toString(static_cast<int>(type)) + L", " + sPattern);
    return CSyComAccountIterator::overComputer(type, new CSyPatternFilter(type, sPattern, bCaseSensitive));
}
