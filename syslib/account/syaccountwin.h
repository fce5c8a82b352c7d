// Windows pieces the account sources share: the bound directory object, HRESULT texts and the parent
// container of an account.
#pragma once

#include "syaccountapi.h"
#include "syaccountimpl.h"
#include "syaccountutil.h"
#include "syslib/common/sywinsec.h"

#include <functional>
#include <vector>

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

namespace syslib
{
namespace account
{
// LookupAccountNameW on this computer into buffers of the sizes it asks for; the last error tells a failure.
bool lookupAccountName(const iastring& name, std::vector<BYTE>& sid, iastring& domain, SID_NAME_USE& use);
// "0x8007052E": how the account code writes an HRESULT.
iastring hresultText(HRESULT hr);
// Whether the directory's answer means that the account is not there.
bool meansNotFound(HRESULT hr);
// Logs "HRESULT=…" and the key with the account's text form, then throws E (error type DCOM_HRESULT).
template <class E>
[[noreturn]] void throwHresult(HRESULT hr, const iastring& key, const CSyAccountImpl& account, int line)
{
    log(L"HRESULT=" + hresultText(hr), line);
    reportError(key, {account.toText()}, line);
    throw E(account.toText(), iastring(), ESyException::DCOM_HRESULT, static_cast<int>(hr));
}
// The container that holds the account of path, bound with riid (IID_IADs or IID_IADsContainer): each
// candidate path that fails is logged, then the summary; hr receives the last failure.
HRESULT bindParentContainer(const CSyADsPath& path, REFIID riid, void** object, iastring& containerPath);
// The directory path of a new account called name; PARAMETER_NOT_VALID, reported for signature, when the
// name makes none.
CSyADsPath newAccountPath(const iastring& name, const wchar_t* signature, int line);
// The account name a new LDAP object carries: its relative name without the "cn=".
iastring accountNameOf(const CSyADsPath& path);
// A new object of className ("User", "Group") named by the path's last component, in its parent container,
// queried for riid; not written before the caller's SetInfo.
HRESULT createInParentContainer(const CSyADsPath& path, const wchar_t* className, REFIID riid, void** object);
// The wait for a new domain account to reach every controller: up to 15 attempts a minute apart until
// replicated() says so; the observer gets the heading and each attempt with its percentage.
void waitForReplication(const iastring& kindWord, const iastring& name, ISyProgressObserver* observer,
                        const std::function<bool()>& replicated);
// A property as text; an empty value reads as empty text.
HRESULT getTextProperty(IADs* object, const wchar_t* name, iastring& value);
HRESULT getNumberProperty(IADs* object, const wchar_t* name, long& value);
HRESULT putTextProperty(IADs* object, const wchar_t* name, const iastring& text);
HRESULT putNumberProperty(IADs* object, const wchar_t* name, long value);
// Why an account's home must stay when the account goes: the directory it is, holds or (the Windows
// directory) lies in, as its text; a drive or share root; another account's home or profile. Empty when
// the home is the account's own to delete.
iastring homeRemovalRefused(const CSyPath& home, const iastring& ownSid);
} // namespace account
} // namespace syslib
