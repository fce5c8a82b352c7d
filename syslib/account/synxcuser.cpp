// Windows code of a user account: creation, passwords, logon test, home directory, groups.
#include "syaccountiterimpl.h"
#include "syaccountmgtimpl.h"
#include "syaccountwin.h"

#include <sddl.h>
#include <userenv.h>
#include "syslib/filesystem/syfilesystemmgtimpl.h"

#include "framework/iastrutil.h"

SY_SOURCE_FILE(L"synxcuser")

using syslib::account::hresultText;
using syslib::account::throwHresult;

namespace
{
const DWORD neverExpires = 0x10000; // UF_DONT_EXPIRE_PASSWD

IADsUser* userObject(IADs* object, syslib::CSyComPtr<IADsUser>& user)
{
    if (object && FAILED(object->QueryInterface(IID_IADsUser, user.receiveVoid())))
        return nullptr;
    return user.get();
}

// Deletes a home directory with everything in it; a failure is only a warning: the account is gone anyway.
void removeHomeTree(const CSyPath& home)
{
    try
    {
        CSyFileSystemMgtImpl fileSystem;
        if (fileSystem.isExisting(home, ISyNode::DIRECTORY))
            fileSystem.getNode(home)->remove();
    }
    catch (const EVantixException&)
    {
        syslib::account::reportMessage(L"syslib.account.removeHOMEDirFailed", {home.toString()}, CMessage::LOG_WARNING,
                                       __LINE__);
    }
}

// The highest directory of path that does not exist yet: what creating path makes; empty when it exists.
CSyPath missingTop(const CSyPath& path)
{
    CSyPath top;
    for (std::size_t count = path.size(); count > path.relativeStart(); --count)
    {
        const CSyPath candidate = path.head(count);
        if (::GetFileAttributesW(candidate.toOSString().c_str()) != INVALID_FILE_ATTRIBUTES)
            break;
        top = candidate;
    }
    return top;
}

// A directory as the system resolves it, for comparing: full, long names, no trailing separator, no "\\?\".
iastring comparable(const iastring& path)
{
    iastring text = path;
    if (text.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        text = L"\\" + text.substr(7);
    else if (text.compare(0, 4, L"\\\\?\\") == 0)
        text = text.substr(4);
    std::vector<wchar_t> full(32768);
    const DWORD length = ::GetFullPathNameW(text.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length > 0 && length < full.size())
        text.assign(full.data(), length);
    std::vector<wchar_t> longer(32768);
    const DWORD longLength = ::GetLongPathNameW(text.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    if (longLength > 0 && longLength < longer.size())
        text.assign(longer.data(), longLength);
    while (!text.empty() && (text.back() == L'\\' || text.back() == L'/'))
        text.pop_back();
    return stringToUpper(text);
}

// Whether inner is outer or lies below it; both comparable.
bool within(const iastring& inner, const iastring& outer)
{
    return !outer.empty() && inner.compare(0, outer.size(), outer) == 0 &&
           (inner.size() == outer.size() || inner[outer.size()] == L'\\');
}

iastring knownDirectory(UINT(WINAPI* get)(LPWSTR, UINT))
{
    wchar_t buffer[MAX_PATH + 1];
    const UINT length = get(buffer, ARRAYSIZE(buffer));
    return length > 0 && length < ARRAYSIZE(buffer) ? iastring(buffer, length) : iastring();
}

iastring registryText(HKEY root, const wchar_t* subKey, const wchar_t* value)
{
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE | syslib::nativeRegistryView, &opened) != ERROR_SUCCESS)
        return iastring();
    const syslib::CSyRegKey key(opened);
    // Read whole, however long, and expanded: the profile paths are written with %SystemDrive%.
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;)
    {
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        const LSTATUS status = ::RegGetValueW(key.get(), nullptr, value, RRF_RT_REG_SZ, nullptr, buffer.data(), &size);
        if (status == ERROR_SUCCESS)
            return buffer.data();
        if (status != ERROR_MORE_DATA)
            return iastring();
        buffer.resize(size / sizeof(wchar_t) + 1);
    }
}

// The directories no account's home may be, hold, or (the Windows directory) lie in.
std::vector<iastring> systemDirectories()
{
    std::vector<iastring> directories = {knownDirectory(::GetWindowsDirectoryW), knownDirectory(::GetSystemDirectoryW),
                                         knownDirectory(::GetSystemWow64DirectoryW)};
    const wchar_t* const currentVersion = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    for (const wchar_t* value : {L"ProgramFilesDir", L"ProgramFilesDir (x86)", L"ProgramW6432Dir", L"CommonFilesDir"})
        directories.push_back(registryText(HKEY_LOCAL_MACHINE, currentVersion, value));
    wchar_t profiles[MAX_PATH + 1];
    DWORD length = ARRAYSIZE(profiles);
    if (::GetProfilesDirectoryW(profiles, &length))
        directories.push_back(profiles);
    return directories;
}
} // namespace

namespace syslib
{
namespace account
{
iastring homeRemovalRefused(const CSyPath& home, const iastring& ownSid)
{
    if (home.isRoot())
        return home.toString();
    const iastring target = comparable(home.toOSString());
    const std::vector<iastring> directories = systemDirectories();
    for (const iastring& directory : directories)
        if (within(comparable(directory), target))
            return directory;
    if (within(target, comparable(directories[0])))
        return directories[0];
    // The profiles Windows keeps of the other accounts, and the homes the directory records for them.
    const wchar_t* const profileList = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    HKEY listKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, profileList, 0, KEY_READ | nativeRegistryView, &listKey) == ERROR_SUCCESS)
    {
        const syslib::CSyRegKey list(listKey);
        wchar_t sid[256];
        for (DWORD index = 0;; ++index)
        {
            DWORD length = 256;
            if (::RegEnumKeyExW(list.get(), index, sid, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            const iastring profile =
                registryText(HKEY_LOCAL_MACHINE, (iastring(profileList) + L"\\" + sid).c_str(), L"ProfileImagePath");
            if (stringToUpper(sid) != stringToUpper(ownSid) && !profile.empty() &&
                within(comparable(profile), target))
                return profile;
        }
    }
    const PSyAccountIterator users =
        CSyComAccountIterator::overComputer(ISyAccountMgt::USER, new CSyFilter());
    for (; !users->isDone(); users->next())
    {
        const PSyAccount account = users->get();
        ISyUser* user = dynamic_cast<ISyUser*>(account.get());
        if (user == nullptr || stringToUpper(account->getSID()) == stringToUpper(ownSid))
            continue;
        const CSyPath otherHome = user->getHomeDirectory();
        if (!otherHome.isEmpty() && within(comparable(otherHome.toOSString()), target))
            return otherHome.toString();
    }
    return iastring();
}
} // namespace account
} // namespace syslib

CSyUserImpl::CSyUserImpl(const CUserData& data, bool create, ISyProgressObserver* observer)
    : CSyAccountImpl(data.m_name, data.m_id, ISyAccountMgt::LOCALUSER)
{
    SY_TRACE_CONSTRUCTOR(L"CSyUserImpl::CSyUserImpl(const CUserData& data, bool create)");
    construct(create, L"CSyUserImpl::CSyUserImpl(const CUserData& data, bool create)", &data, observer);
}

CSyUserImpl::CSyUserImpl(IADs* object) : CSyAccountImpl(iastring(), iastring(), ISyAccountMgt::LOCALUSER)
{
    bind(object);
}

void CSyUserImpl::addToOS(const CUserData* data, ISyProgressObserver* observer)
{
    SY_TRACE_FUNCTION(L"CSyUserImpl::addToOS(const CUserData &, ISyProgressObserver *)");
    if (stringTrim(m_sName).empty())
    {
        syslib::reportError(L"common.attributeEmpty", {L"name", L"CSyUserImpl::addToOS(void)"}, __LINE__);
        throw ESyPrecondition(ESyPrecondition::PARAMETER_NOT_VALID);
    }
    const CSyADsPath path = syslib::account::newAccountPath(m_sName, L"CSyUserImpl::addToOS(void)", __LINE__);
    syslib::CSyComPtr<IADsUser> user;
    HRESULT hr = syslib::account::createInParentContainer(path, L"User", IID_IADsUser, user.receiveVoid());
    const bool ldap = path.isLDAP();
    // The first SetInfo makes the account; from then on a failure takes it away again.
    bool created = false;
    const auto setInfo = [&] {
        hr = user->SetInfo();
        created = created || SUCCEEDED(hr);
    };
    auto commit = [&](const wchar_t* what) {
        if (SUCCEEDED(hr) && (setInfo(), FAILED(hr)))
            syslib::account::log(iastring(what) + syslib::getOSErrorText(static_cast<syslib::SyOSError>(hr)), __LINE__);
        if (SUCCEEDED(hr) && FAILED(hr = user->GetInfo()))
            syslib::account::log(L"m_pADsUser->GetInfo() failed: " + syslib::getOSErrorText(static_cast<syslib::SyOSError>(hr)),
                                 __LINE__);
    };
    const CSyPath home = data->m_homeDirectory.empty() ? CSyPath() : CSyPath(data->m_homeDirectory);
    const CSyPath homeMade = home.isEmpty() ? CSyPath() : missingTop(home);
    try
    {
        if (SUCCEEDED(hr) && ldap)
        {
            const iastring account = syslib::account::accountNameOf(path);
            for (const wchar_t* property : {L"sAMAccountName", L"userPrincipalName"})
            {
                hr = syslib::account::putTextProperty(user.get(), property, account);
                if (FAILED(hr))
                {
                    syslib::account::log(L"m_pADsUser->Put(CComBSTR(\"" + iastring(property) + L"\"), ...) failed.",
                                         __LINE__);
                    break;
                }
            }
            commit(L"m_pADsUser->SetInfo() failed: ");
        }
        const iastring& password = data->m_password;
        if (SUCCEEDED(hr) && !password.empty())
        {
            syslib::CSyBstr secret(::SysAllocString(password.c_str()));
            if (FAILED(hr = user->SetPassword(secret.get())))
                syslib::account::log(L"m_pADsUser->SetPassword failed.", __LINE__);
            ::SecureZeroMemory(secret.get(), password.size() * sizeof(wchar_t));
            commit(L"m_pADsUser->SetInfo() failed: ");
        }
        if (SUCCEEDED(hr))
            hr = user->put_AccountDisabled(password.empty() ? VARIANT_TRUE : VARIANT_FALSE);
        const wchar_t* flagsProperty = ldap ? L"userAccountControl" : L"UserFlags";
        long flags = 0;
        if (SUCCEEDED(hr))
            hr = syslib::account::getNumberProperty(user.get(), flagsProperty, flags);
        if (SUCCEEDED(hr))
            hr = syslib::account::putNumberProperty(user.get(), flagsProperty, flags | static_cast<long>(neverExpires));
        // The flags, and for an account without a password the account itself, exist once written.
        if (SUCCEEDED(hr))
            setInfo();
        if (SUCCEEDED(hr) && !data->m_description.empty())
        {
            syslib::CSyBstr description(::SysAllocString(data->m_description.c_str()));
            hr = user->put_Description(description.get());
            commit(L"m_pADsUser->SetInfo() after put_Description failed: ");
        }
        if (FAILED(hr))
        {
            syslib::account::log(L"name=" + m_sName + L", description=" + data->m_description + L", home=" +
                                     data->m_homeDirectory,
                                 __LINE__);
            throwHresult<ESyAccountCreationFailed>(hr, L"syslib.account.creationFailed", *this, __LINE__);
        }
        syslib::CSyComPtr<IADs> object;
        user->QueryInterface(IID_IADs, object.receiveVoid());
        bind(object.get());
        syslib::account::log(L"User " + m_sName + L" has been created successfully.", __LINE__);
        if (!home.isEmpty())
            setHomeDirectory(home, false);
        if (isDomainAccount())
            syslib::account::waitForReplication(L"user", m_sName, observer, [this, &password] {
                CUseTypeMapping quiet(syslib::getLogBook(), CMessage::LOG_ERROR, CMessage::LOG_WARNING);
                try
                {
                    if (!testLogon(password))
                        return false;
                }
                catch (const EVantixException&)
                {
                    return false;
                }
                syslib::account::log(L"Test logon for user " + m_sName +
                                         L" successfull. I assume that the user is replicated now.",
                                     __LINE__);
                return true;
            });
        for (const iastring& groupName : data->m_groups)
        {
            const bool isId = CSyAccountMgtImpl::isAccountId(groupName);
            CSyAccountCache::instance()
                .getGroupImpl(isId ? iastring() : groupName, isId ? groupName : iastring(), false, nullptr)
                ->changeMember(*this, true);
        }
    }
    catch (...)
    {
        if (created)
            undoCreation(user.get(), homeMade);
        throw;
    }
    syslib::logBook().addArgument(m_sName);
    syslib::logBook().messageWithFlag(L"syslib.account.creationSucceeded", true, CMessage::LOG_INFO, __LINE__);
}

void CSyUserImpl::undoCreation(IADsUser* user, const CSyPath& homeMade)
{
    SY_TRACE_FUNCTION(L"CSyUserImpl::undoCreation(IADsUser *, const CSyPath &)");
    // A retry must find no account, and no enabled account may be left with its password.
    syslib::account::reportMessage(L"syslib.account.creationUndone", {toText()}, CMessage::LOG_WARNING, __LINE__);
    try
    {
        if (!isBound())
        {
            syslib::CSyComPtr<IADs> object;
            if (SUCCEEDED(user->QueryInterface(IID_IADs, object.receiveVoid())))
                bind(object.get());
        }
        do_remove();
    }
    catch (const EVantixException&)
    {
        // Already reported; the creation's own failure is the one the caller gets.
    }
    if (!homeMade.isEmpty())
        removeHomeTree(homeMade);
}

bool CSyUserImpl::testLogon(const iastring& sPassword)
{
    SY_TRACE_FUNCTION(L"CSyUserImpl::testLogon(iastring)");
    for (DWORD type : {LOGON32_LOGON_NETWORK, LOGON32_LOGON_INTERACTIVE, LOGON32_LOGON_SERVICE, LOGON32_LOGON_BATCH})
    {
        syslib::CSyKernelHandle token;
        SY_TRACE_SYSCALL(L"LogonUser(" + m_sName + L", " + m_sDomain + L", ********, " + syslib::toString(type) +
                         L", LOGON32_PROVIDER_DEFAULT, ...)");
        const BOOL done = syslib::accountApi().LogonUserW(m_sName.c_str(), m_sDomain.c_str(), sPassword.c_str(), type,
                                                          LOGON32_PROVIDER_DEFAULT, token.receive());
        const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
        SY_TRACE_SYSCALL_RETURNED();
        if (done)
        {
            SY_TRACE_RETURN(L"true");
            return true;
        }
        if (error == ERROR_LOGON_TYPE_NOT_GRANTED)
            continue;
        if (error == ERROR_LOGON_FAILURE)
        {
            SY_TRACE_RETURN(L"false");
            return false;
        }
        if (error == ERROR_PRIVILEGE_NOT_HELD)
            syslib::reportError(L"syslib.process.processEnv.privilegeNotHeld", {L"SE_TCB_NAME"}, __LINE__);
        SY_PRINT_OS_ERROR(error, L"LogonUser", m_sName + L", " + m_sDomain + L", ********");
        syslib::reportError(L"syslib.account.checkPasswordFailed", {L"ErrorNo", syslib::toString(error), toText()},
                            __LINE__);
        throw ESyAccountCheckPasswordFailed(toText(), iastring(), ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    SY_TRACE_RETURN(L"false");
    return false;
}

bool CSyUserImpl::checkPassword(const iastring& sPassword)
{
    SY_TRACE_FUNCTION(L"bool CSyUserImpl::checkPassword(iastring sPassword)");
    SY_TRACE_PARAMETERS(L"********");
    const bool right = testLogon(sPassword);
    syslib::account::log(L"checking password of user " + m_sName + (right ? L" succeeded" : L" failed"), __LINE__);
    return right;
}

bool CSyUserImpl::hasPassword()
{
    SY_TRACE_FUNCTION(L"bool CSyUserImpl::hasPassword()");
    requireBound(L"bool CSyUserImpl::hasPassword()");
    syslib::CSyComPtr<IADsUser> user;
    VARIANT_BOOL disabled = VARIANT_TRUE;
    const HRESULT hr = userObject(m_binding->m_object.get(), user) ? user->get_AccountDisabled(&disabled) : E_NOINTERFACE;
    if (FAILED(hr))
        throwHresult<ESyAccountHasPasswordFailed>(hr, L"syslib.account.hasPasswordFailed", *this, __LINE__);
    const bool has = disabled == VARIANT_FALSE;
    syslib::account::log(L"user " + m_sName + L" has " + (has ? L"a" : L"no") + L" password", __LINE__);
    SY_TRACE_RETURN(has ? L"true" : L"false");
    return has;
}

void CSyUserImpl::setPassword(const iastring& sPassword)
{
    SY_TRACE_FUNCTION(L"CSyUserImpl::setPassword(iastring sPassword)");
    SY_TRACE_PARAMETERS(L"********");
    requireBound(L"CSyUserImpl::setPassword(iastring sPassword)");
    syslib::CSyComPtr<IADsUser> user;
    HRESULT hr = userObject(m_binding->m_object.get(), user) ? S_OK : E_NOINTERFACE;
    if (SUCCEEDED(hr))
    {
        syslib::CSyBstr secret(::SysAllocString(sPassword.c_str()));
        hr = user->SetPassword(secret.get());
        ::SecureZeroMemory(secret.get(), sPassword.size() * sizeof(wchar_t));
    }
    if (SUCCEEDED(hr))
        hr = user->put_AccountDisabled(VARIANT_FALSE);
    if (SUCCEEDED(hr))
        hr = user->SetInfo();
    if (FAILED(hr))
        throwHresult<ESyAccountSetPasswordFailed>(hr, L"syslib.account.setPasswordFailed", *this, __LINE__);
    syslib::logBook().addArgument(toText());
    syslib::logBook().messageWithFlag(L"syslib.account.setPasswordSucceeded", true, CMessage::LOG_INFO, __LINE__);
}

CSyPath CSyUserImpl::getHomeDirectory()
{
    SY_TRACE_FUNCTION(L"CSyPath CSyUserImpl::getHomeDirectory() const");
    requireBound(L"CSyPath CSyUserImpl::getHomeDirectory() const");
    syslib::CSyComPtr<IADsUser> user;
    syslib::CSyBstr home;
    const HRESULT hr = userObject(m_binding->m_object.get(), user) ? user->get_HomeDirectory(home.receive())
                                                                    : E_NOINTERFACE;
    if (FAILED(hr))
    {
        syslib::account::log(L"HRESULT=" + hresultText(hr), __LINE__);
        syslib::reportError(L"syslib.account.getPropertyFailed", {toText(), L"home directory"}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), L"home directory", ESyException::DCOM_HRESULT,
                                         static_cast<int>(hr));
    }
    const iastring value = home ? home.get() : L"";
    syslib::account::log(L"user " + m_sName + L" exists with parameter home = " + value, __LINE__);
    return value.empty() ? CSyPath() : CSyPath(value);
}

void CSyUserImpl::setHomeDirectory(const CSyPath& home, bool bMoveOldHome)
{
    SY_TRACE_FUNCTION(L"CSyUserImpl::setHomeDirectory(const CSyPath &, bool)");
    SY_TRACE_PARAMETERS(home.toString() + L", " + (bMoveOldHome ? L"true" : L"false"));
    requireBound(L"CSyUserImpl::setHomeDirectory(const CSyPath &, bool)");
    syslib::CSyComPtr<IADsUser> user;
    HRESULT hr = userObject(m_binding->m_object.get(), user) ? S_OK : E_NOINTERFACE;
    try
    {
        CSyFileSystemMgtImpl fileSystem;
        const CSyPath oldHome = bMoveOldHome ? getHomeDirectory() : CSyPath();
        if (!fileSystem.isExisting(home, ISyNode::DIRECTORY))
            fileSystem.createDirectory(home);
        if (!oldHome.isEmpty() && oldHome != home && fileSystem.isExisting(oldHome, ISyNode::DIRECTORY))
        {
            const PSyDirectory old = fileSystem.getDirectory(oldHome);
            const PSyNodeIterator children = old->getChildNodes(L"*", false);
            std::vector<PSyNode> nodes;
            for (children->first(); !children->isDone(); children->next())
                nodes.push_back(children->get());
            for (const PSyNode& node : nodes)
            {
                CSyPath target = home;
                target.appendComponent(node->getFullNameNoPath());
                node->move(target.toString());
            }
        }
    }
    catch (const ESyException& failure)
    {
        syslib::reportError(L"syslib.account.modificationFailed", {toText(), L"home"}, __LINE__);
        throw ESyAccountModificationFailed(toText(), home.toString(), failure.getErrorType(), failure.getCode());
    }
    if (SUCCEEDED(hr))
    {
        syslib::CSyBstr text(::SysAllocString(home.toOSString().c_str()));
        hr = user->put_HomeDirectory(text.get());
    }
    if (SUCCEEDED(hr))
        hr = user->SetInfo();
    if (FAILED(hr))
        throwHresult<ESyAccountModificationFailed>(hr, L"syslib.account.modificationFailed", *this, __LINE__);
    reportSucceeded(L"syslib.account.modificationSucceeded", L"home");
}

iastring CSyUserImpl::getLoginShell()
{
    SY_TRACE_FUNCTION(L"iastring CSyUserImpl::getLoginShell() const");
    syslib::throwFunctionNotSupported(L"iastring CSyUserImpl::getLoginShell() const", __LINE__);
}

void CSyUserImpl::setLoginShell(const iastring&)
{
    SY_TRACE_FUNCTION(L"CSyUserImpl::setLoginShell(iastring)");
    syslib::throwFunctionNotSupported(L"CSyUserImpl::setLoginShell(iastring)", __LINE__);
}

PSyGroup CSyUserImpl::getPrimaryGroup()
{
    SY_TRACE_FUNCTION(L"PSyGroup CSyUserImpl::getPrimaryGroup() const");
    requireBound(L"PSyGroup CSyUserImpl::getPrimaryGroup() const");
    long rid = 0;
    const HRESULT hr = syslib::account::getNumberProperty(m_binding->m_object.get(), L"PrimaryGroupID", rid);
    if (FAILED(hr))
    {
        syslib::account::log(L"HRESULT=" + hresultText(hr), __LINE__);
        syslib::reportError(L"syslib.account.getPropertyFailed", {toText(), L"primary group ID"}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), L"primary group ID", ESyException::DCOM_HRESULT,
                                         static_cast<int>(hr));
    }
    const iastring groupSid = m_sSID.substr(0, m_sSID.rfind(L'-')) + L"-" + syslib::toString(rid);
    syslib::CSyLocalMem<PSID> sid;
    if (!::ConvertStringSidToSidW(groupSid.c_str(), sid.receive()))
    {
        syslib::reportError(L"syslib.account.conversionFailed",
                            {L"SySID::fromStringSID(iastring)", L"textual SID", L"binary SID"}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), groupSid);
    }
    if (CSyADsPath::fromSID(sid.get(), iastring()).isEmpty())
    {
        syslib::reportError(L"syslib.account.conversionFailed",
                            {L"SyADsPath::getFromSID(PSID)", L"binary SID", L"group name"}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), groupSid);
    }
    PSyGroup group(new CSyGroup(CSyAccountCache::instance().getGroupImpl(iastring(), groupSid, false, nullptr)));
    syslib::account::log(L"user " + m_sName + L" exists with parameter primary group", __LINE__);
    return group;
}

void CSyUserImpl::setPrimaryGroup(const PSyGroup& pGroup)
{
    SY_TRACE_FUNCTION(L"CSyUserImpl::setPrimaryGroup(PSyGroup)");
    if (!pGroup)
        syslib::throwParameterEmpty(L"pGroup", L"CSyUserImpl::setPrimaryGroup(PSyGroup)", __LINE__);
    syslib::account::log(L"This function is not supported. The primary group is unchanged.", __LINE__);
    reportSucceeded(L"syslib.account.modificationSucceeded", L"primary group");
}

void CSyUserImpl::remove()
{
    SY_TRACE_FUNCTION(L"CSyUserImpl::remove()");
    CSyPath home;
    iastring refused;
    {
        CUseTypeMapping quiet(syslib::getLogBook(), CMessage::LOG_ERROR, CMessage::LOG_WARNING);
        try
        {
            home = getHomeDirectory();
            // Asked while the account and the others are there to be compared.
            if (!home.isEmpty())
                refused = syslib::account::homeRemovalRefused(home, m_sSID);
        }
        catch (const EVantixException&)
        {
            // A home that cannot be checked is not deleted.
            refused = home.isEmpty() ? iastring() : home.toString();
        }
    }
    const iastring account = toText();
    do_remove();
    if (home.isEmpty())
        return;
    if (!refused.empty())
    {
        syslib::account::reportMessage(L"syslib.account.removeHOMEDirRefused", {home.toString(), account, refused},
                                       CMessage::LOG_WARNING, __LINE__);
        return;
    }
    removeHomeTree(home);
}

PSyAccountIterator CSyUserImpl::getMembership()
{
    SY_TRACE_FUNCTION(L"PSyAccountIterator CSyUserImpl::getMembership() const");
    requireBound(L"PSyAccountIterator CSyUserImpl::getMembership() const");
    syslib::CSyComPtr<IADsUser> user;
    syslib::CSyComPtr<IADsMembers> groups;
    const HRESULT hr = userObject(m_binding->m_object.get(), user) ? user->Groups(groups.receive()) : E_NOINTERFACE;
    if (FAILED(hr))
    {
        syslib::account::log(L"HRESULT=" + hresultText(hr), __LINE__);
        syslib::reportError(L"syslib.account.getPropertyFailed", {toText(), L"groups"}, __LINE__);
        throw ESyAccountSystemCallFailed(toText(), L"groups", ESyException::DCOM_HRESULT, static_cast<int>(hr));
    }
    PSyAccountIterator iterator = CSyComAccountIterator::over(groups.get(), new CSyFilter());
    syslib::account::log(L"group iterator for user " + m_sName + L" returned", __LINE__);
    return iterator;
}
