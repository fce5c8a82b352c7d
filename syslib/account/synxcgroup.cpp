// Windows code of a group account: creation, members, the groups of a domain group.
#include "syaccountiterimpl.h"
#include "syaccountwin.h"

#include "framework/iacontaineriter.h"
#include "framework/iastrutil.h"

SY_SOURCE_FILE(L"synxcgroup")

using syslib::account::hresultText;
using syslib::account::throwHresult;

namespace
{
const LONG globalSecurityGroup = static_cast<LONG>(0x80000002); // ADS_GROUP_TYPE_GLOBAL_GROUP | SECURITY_ENABLED

} // namespace

CSyGroupImpl::CSyGroupImpl(const iastring& sName, const iastring& sSID, bool create, ISyProgressObserver* observer)
    : CSyAccountImpl(sName, sSID, ISyAccountMgt::LOCALGROUP)
{
    SY_TRACE_CONSTRUCTOR(L"CSyGroupImpl::CSyGroupImpl(iastring sName, iastring sSID, bool bCreate)");
    construct(create, L"CSyGroupImpl::CSyGroupImpl(iastring sName, iastring sSID, bool bCreate)", nullptr, observer);
}

CSyGroupImpl::CSyGroupImpl(IADs* object) : CSyAccountImpl(iastring(), iastring(), ISyAccountMgt::LOCALGROUP)
{
    bind(object);
}

void CSyGroupImpl::addToOS(const CUserData*, ISyProgressObserver* observer)
{
    SY_TRACE_FUNCTION(L"CSyGroupImpl::addToOS(ISyProgressObserver *)");
    const CSyADsPath path = syslib::account::newAccountPath(m_sName, L"CSyGroupImpl::addToOS(void)", __LINE__);
    syslib::CSyComPtr<IADsGroup> group;
    HRESULT hr = syslib::account::createInParentContainer(path, L"Group", IID_IADsGroup, group.receiveVoid());
    if (SUCCEEDED(hr) && path.isLDAP())
    {
        if (FAILED(hr = syslib::account::putTextProperty(group.get(), L"sAMAccountName",
                                                         syslib::account::accountNameOf(path))))
            syslib::account::log(L"m_pADsGroup->Put(CComBSTR(\"sAMAccountName\"), ...) failed.", __LINE__);
        else if (FAILED(hr = syslib::account::putNumberProperty(group.get(), L"groupType", globalSecurityGroup)))
            syslib::account::log(L"m_pADsGroup->Put(CComBSTR(\"groupType\"), ...) failed.", __LINE__);
    }
    if (SUCCEEDED(hr))
        hr = group->SetInfo();
    if (FAILED(hr))
        throwHresult<ESyAccountCreationFailed>(hr, L"syslib.account.creationFailed", *this, __LINE__);
    syslib::CSyComPtr<IADs> object;
    group->QueryInterface(IID_IADs, object.receiveVoid());
    bind(object.get());
    syslib::account::log(L"Group " + m_sName + L" has been created successfully.", __LINE__);
    if (isDomainAccount())
        syslib::account::waitForReplication(L"group", m_sName, observer, [this] {
            DWORD sidLength = 0;
            DWORD domainLength = 0;
            SID_NAME_USE use = SidTypeInvalid;
            if (!syslib::accountApi().LookupAccountNameW(nullptr, m_sName.c_str(), nullptr, &sidLength, nullptr,
                                                         &domainLength, &use) &&
                ::GetLastError() == ERROR_INSUFFICIENT_BUFFER)
            {
                syslib::account::log(L"LookupAccountName for group " + m_sName +
                                         L" returned ERROR_INSUFFICIENT_BUFFER. I assume that the group is "
                                         L"replicated now.",
                                     __LINE__);
                return true;
            }
            syslib::account::log(L"Still waiting for replication of group " + m_sName + L".", __LINE__);
            return false;
        });
    syslib::logBook().addArgument(m_sName);
    syslib::logBook().messageWithFlag(L"syslib.account.creationSucceeded", true, CMessage::LOG_INFO, __LINE__);
}

void CSyGroupImpl::changeMember(const PSyAccount& pAccount, bool add)
{
    const wchar_t* signature =
        add ? L"CSyGroupImpl::addMember(PSyAccount pAccount)" : L"CSyGroupImpl::removeMember(PSyAccount pAccount)";
    SY_TRACE_FUNCTION_TEXT(signature);
    const std::shared_ptr<CSyAccountImpl> member = accountImplOf(pAccount);
    if (!member)
        syslib::throwParameterEmpty(L"pAccount", signature, __LINE__);
    changeMember(*member, add);
}

void CSyGroupImpl::changeMember(CSyAccountImpl& member, bool add)
{
    const wchar_t* signature =
        add ? L"CSyGroupImpl::addMember(PSyAccount pAccount)" : L"CSyGroupImpl::removeMember(PSyAccount pAccount)";
    if (stringTrim(member.getName()).empty())
    {
        syslib::reportError(L"common.attributeEmpty", {L"CSyAccountImpl::m_sName", signature}, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    requireBound(signature);
    const iastring memberPath = member.memberPath();
    // Members are changed through the WinNT provider, which takes accounts of any domain.
    CSyADsPath winNT = m_path;
    if (m_path.isLDAP())
        winNT.setWinNT({m_sDomain, m_sName});
    const iastring groupPath = SyADsPath::getFullPath(winNT) + L",group";
    syslib::CSyComPtr<IADsGroup> group;
    HRESULT hr = syslib::accountApi().ADsGetObject(groupPath.c_str(), IID_IADsGroup, group.receiveVoid());
    if (FAILED(hr))
    {
        syslib::account::log(L"Could not convert this to an IADsGroup from the WinNT provider. ADsGetObject(" +
                                 groupPath + L", IID_IADsGroup, ) failed: " +
                                 syslib::getOSErrorText(static_cast<syslib::SyOSError>(hr)),
                             __LINE__);
        hr = m_binding->m_object->QueryInterface(IID_IADsGroup, group.receiveVoid());
    }
    if (SUCCEEDED(hr))
    {
        syslib::CSyBstr path(::SysAllocString(memberPath.c_str()));
        SY_TRACE_SYSCALL(iastring(add ? L"IADsGroup::Add(" : L"IADsGroup::Remove(") + memberPath + L")");
        hr = add ? group->Add(path.get()) : group->Remove(path.get());
        SY_TRACE_SYSCALL_RETURNED();
        if (add)
            syslib::account::log(L"IADsGroup::Add: HRESULT = " + hresultText(hr), __LINE__);
    }
    if (FAILED(hr))
    {
        if (!add)
            SY_PRINT_OS_ERROR(static_cast<syslib::SyOSError>(hr), L"IADsGroup(" + groupPath + L")::Remove", memberPath);
        syslib::reportError(add ? L"syslib.account.addMemberFailed" : L"syslib.account.removeMemberFailed",
                            {member.toText(), toText(), hresultText(hr)}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), member.getName(), ESyException::DCOM_HRESULT, static_cast<int>(hr));
    }
    ILogBook& book = syslib::logBook();
    book.addArgument(member.toText());
    book.addArgument(toText());
    book.messageWithFlag(add ? L"syslib.account.addMemberSucceeded" : L"syslib.account.removeMemberSucceeded", true,
                         CMessage::LOG_INFO, __LINE__);
}

PSyAccountIterator CSyGroupImpl::getMembers(ISyAccountMgt::eAccountType accountType, const iastring& sPattern,
                                            bool bCaseSensitive)
{
    SY_TRACE_FUNCTION(L"PSyAccountIterator CSyGroupImpl::getMembers(ISyAccountMgt::eAccountType, iastring, bool) "
                      L"const");
    requireBound(L"PSyAccountIterator CSyGroupImpl::getMembers(ISyAccountMgt::eAccountType, iastring, bool) const");
    syslib::CSyComPtr<IADsGroup> group;
    syslib::CSyComPtr<IADsMembers> members;
    HRESULT hr = m_binding->m_object->QueryInterface(IID_IADsGroup, group.receiveVoid());
    if (SUCCEEDED(hr))
        hr = group->Members(members.receive());
    if (FAILED(hr))
    {
        syslib::account::log(L"HRESULT=" + hresultText(hr), __LINE__);
        syslib::reportError(L"syslib.account.getPropertyFailed", {toText(), L"members"}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), L"members", ESyException::DCOM_HRESULT, static_cast<int>(hr));
    }
    PSyAccountIterator iterator =
        CSyComAccountIterator::over(members.get(), new CSyPatternFilter(accountType, sPattern, bCaseSensitive));
    syslib::account::log(L"member iterator for group " + m_sName + L" returned", __LINE__);
    return iterator;
}

PSyAccountIterator CSyGroupImpl::getMembership()
{
    const wchar_t* signature = L"PSyAccountIterator CSyGroupImpl::getMembership(void) const";
    SY_TRACE_FUNCTION_TEXT(signature);
    if (!m_path.isLDAP() || !isBound())
    {
        // A local group belongs to no other group.
        syslib::account::reportMessage(L"common.functionNotSupported", {signature}, CMessage::LOG_WARNING, __LINE__);
        throw ESyPrecondition(ESyPrecondition::FUNCTION_NOT_SUPPORTED);
    }
    syslib::CSyBstr property(::SysAllocString(L"memberOf"));
    syslib::CSyVariant memberOf;
    if (FAILED(m_binding->m_object->Get(property.get(), memberOf.receive())) || !(memberOf.get().vt & VT_ARRAY))
        syslib::throwFunctionNotSupported(signature, __LINE__);
    std::vector<PSyAccount> groups;
    LONG low = 0;
    LONG high = -1;
    SAFEARRAY* names = memberOf.get().parray;
    if (FAILED(::SafeArrayGetLBound(names, 1, &low)) || FAILED(::SafeArrayGetUBound(names, 1, &high)))
    {
        syslib::reportError(L"common.fatalSystemError", {L"SafeArrayGetXBound"}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), L"memberOf");
    }
    try
    {
        for (LONG index = low; index <= high; ++index)
        {
            syslib::CSyVariant element;
            ::SafeArrayGetElement(names, &index, element.receive());
            if (element.get().vt == VT_BSTR && element.get().bstrVal)
                groups.push_back(PSyAccount(new CSyGroup(CSyAccountCache::instance().getGroupImpl(
                    iastring(L"LDAP://") + element.get().bstrVal, iastring(), false, nullptr))));
        }
    }
    catch (const EVantixException&)
    {
        syslib::reportError(L"syslib.account.getMembershipFailed", {toText()}, __LINE__);
        throw;
    }
    syslib::account::log(L"group iterator for group " + m_sName + L" returned", __LINE__);
    return PSyAccountIterator(new CIaContainerIter<PSyAccount>(groups));
}
