// A small WinNT directory provider over the stand-ins' account database: the computer and each played
// domain as a container, their users and groups as COM objects with the HRESULTs the system's provider gives (standins/README.md).
#include "saaccountapi.h"
#include "sastore.h"

#include <adserr.h>
#include <sddl.h>

#include <cwctype>
#include <vector>

namespace standins
{
namespace
{
const wchar_t* const provider = L"WinNT://";

bool sameText(const text& a, const text& b)
{
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

HRESULT fromStatus(NET_API_STATUS status)
{
    return status == NERR_Success ? S_OK : HRESULT_FROM_WIN32(status);
}

HRESULT giveText(const text& value, BSTR* out)
{
    if (out == nullptr)
        return E_POINTER;
    *out = ::SysAllocString(value.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

// What a WinNT path names: the computer, or one account on it (found or to be created).
struct CAccountState
{
    eAccountKind kind = KIND_USER;
    text name;
    text container; // empty for the computer; a played domain, or the authority of an account such as NT AUTHORITY\SYSTEM
    text realm;     // the database a stored account lives in (sastore.h)
    std::vector<BYTE> sid;
    bool stored = false; // held by the database, not a system account known by name only
    bool exists = false; // false until SetInfo creates it
    text description;
    DWORD flags = UF_SCRIPT;
    text home;
    // A new user's password, given before SetInfo creates the account (the WinNT provider allows it).
    text password;
};

// An object with IDispatch that answers no names: the library calls the vtable only.
template <class I>
class CDispatchObject : public I
{
public:
    virtual ~CDispatchObject() {}
    ULONG WINAPI AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG WINAPI Release() override
    {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT WINAPI GetTypeInfoCount(UINT* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT WINAPI GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT WINAPI GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT WINAPI Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

protected:
    HRESULT answer(REFIID riid, void** object, std::initializer_list<const IID*> offered)
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch)
            *object = static_cast<I*>(this);
        for (const IID* iid : offered)
            if (riid == *iid)
                *object = static_cast<I*>(this);
        if (*object == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

private:
    LONG m_refs = 1;
};

HRESULT bindAccount(const text& path, CAccountState& state, bool& isComputer);
HRESULT bindObject(const text& path, REFIID riid, void** object);

// Walks a list of account paths, binding each when it is reached: an account deleted meanwhile is skipped,
// as the system's enumerator skips what it can no longer read.
class CPathEnumerator : public IEnumVARIANT
{
public:
    explicit CPathEnumerator(const std::vector<text>& paths) : m_paths(paths) {}
    virtual ~CPathEnumerator() {}

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IEnumVARIANT)
            return E_NOINTERFACE;
        *object = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    ULONG WINAPI AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG WINAPI Release() override
    {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT WINAPI Next(ULONG wanted, VARIANT* out, ULONG* fetched) override
    {
        if (out == nullptr || (wanted > 1 && fetched == nullptr))
            return E_POINTER;
        ULONG count = 0;
        while (count < wanted && m_next < m_paths.size())
        {
            IDispatch* object = nullptr;
            if (FAILED(bindObject(m_paths[m_next++], IID_IDispatch, reinterpret_cast<void**>(&object))))
                continue;
            ::VariantInit(&out[count]);
            out[count].vt = VT_DISPATCH;
            out[count].pdispVal = object;
            ++count;
        }
        if (fetched)
            *fetched = count;
        return count == wanted ? S_OK : S_FALSE;
    }
    HRESULT WINAPI Skip(ULONG count) override
    {
        m_next += count;
        return m_next <= m_paths.size() ? S_OK : S_FALSE;
    }
    HRESULT WINAPI Reset() override
    {
        m_next = 0;
        return S_OK;
    }
    HRESULT WINAPI Clone(IEnumVARIANT** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        CPathEnumerator* copy = new CPathEnumerator(m_paths);
        copy->m_next = m_next;
        *out = copy;
        return S_OK;
    }

private:
    std::vector<text> m_paths;
    std::size_t m_next = 0;
    LONG m_refs = 1;
};

// The class names of a Filter value: an array of texts, as ADsBuildVarArrayStr makes it.
HRESULT readFilter(const VARIANT& value, std::vector<text>& classes)
{
    classes.clear();
    if (value.vt == VT_EMPTY)
        return S_OK;
    if (!(value.vt & VT_ARRAY) || value.parray == nullptr)
        return E_ADS_BAD_PARAMETER;
    LONG low = 0;
    LONG high = -1;
    ::SafeArrayGetLBound(value.parray, 1, &low);
    ::SafeArrayGetUBound(value.parray, 1, &high);
    for (LONG index = low; index <= high; ++index)
    {
        VARIANT element;
        ::VariantInit(&element);
        if ((value.vt & VT_TYPEMASK) == VT_VARIANT)
            ::SafeArrayGetElement(value.parray, &index, &element);
        else if ((value.vt & VT_TYPEMASK) == VT_BSTR)
        {
            BSTR name = nullptr;
            ::SafeArrayGetElement(value.parray, &index, &name);
            element.vt = VT_BSTR;
            element.bstrVal = name;
        }
        if (element.vt == VT_BSTR && element.bstrVal)
            classes.push_back(element.bstrVal);
        ::VariantClear(&element);
    }
    return S_OK;
}

bool passesFilter(const std::vector<text>& classes, const text& className)
{
    if (classes.empty())
        return true;
    for (const text& wanted : classes)
        if (sameText(wanted, className))
            return true;
    return false;
}

// The members of a group or the groups of a user.
class CMembersObject : public CDispatchObject<IADsMembers>
{
public:
    explicit CMembersObject(const std::vector<text>& paths) : m_paths(paths) {}

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override
    {
        return answer(riid, object, {&IID_IADsMembers});
    }
    HRESULT WINAPI get_Count(__LONG32* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = static_cast<__LONG32>(m_paths.size());
        return S_OK;
    }
    HRESULT WINAPI get__NewEnum(IUnknown** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        *out = new CPathEnumerator(m_paths);
        return S_OK;
    }
    HRESULT WINAPI get_Filter(VARIANT*) override { return E_NOTIMPL; }
    HRESULT WINAPI put_Filter(VARIANT) override { return E_NOTIMPL; }

private:
    std::vector<text> m_paths;
};

// The SID of the account a path names, for membership.
bool sidOfPath(const text& path, std::vector<BYTE>& sid)
{
    CAccountState state;
    bool isComputer = false;
    if (FAILED(bindAccount(path, state, isComputer)) || isComputer)
        return false;
    sid = state.sid;
    return true;
}

// Properties shared by users and groups.
template <class I>
class CAccountObject : public CDispatchObject<I>
{
public:
    explicit CAccountObject(const CAccountState& state) : m_state(state) {}

    HRESULT WINAPI get_Name(BSTR* out) override { return giveText(m_state.name, out); }
    HRESULT WINAPI get_Class(BSTR* out) override
    {
        return giveText(m_state.kind == KIND_USER ? L"User" : L"Group", out);
    }
    HRESULT WINAPI get_GUID(BSTR*) override { return E_NOTIMPL; }
    HRESULT WINAPI get_ADsPath(BSTR* out) override { return giveText(parent() + L"/" + m_state.name, out); }
    HRESULT WINAPI get_Parent(BSTR* out) override { return giveText(parent(), out); }
    HRESULT WINAPI get_Schema(BSTR* out) override
    {
        return giveText(parent() + L"/Schema/" + (m_state.kind == KIND_USER ? L"User" : L"Group"), out);
    }
    HRESULT WINAPI GetInfo() override
    {
        if (!m_state.exists)
            return E_ADS_OBJECT_UNBOUND;
        if (!m_state.stored)
            return S_OK;
        CAccountRecord record;
        if (!findAccount(m_state.kind, m_state.name, record, m_state.realm))
            return notFound();
        m_state.description = record.description;
        m_state.flags = record.flags;
        m_state.home = record.home;
        return S_OK;
    }
    HRESULT WINAPI SetInfo() override
    {
        if (!m_state.exists)
        {
            NET_API_STATUS status =
                m_state.kind == KIND_USER
                    ? addUser(m_state.name, m_state.password.c_str(), m_state.description, m_state.flags,
                              m_state.realm)
                    : addGroup(m_state.name, m_state.description, m_state.realm);
            forgetPassword();
            if (status == NERR_Success && m_state.kind == KIND_USER && !m_state.home.empty())
                status = setHomeDirectory(m_state.name, m_state.home, m_state.realm);
            if (status != NERR_Success)
                return fromStatus(status);
            CAccountRecord record;
            findAccount(m_state.kind, m_state.name, record, m_state.realm);
            m_state.name = record.name;
            m_state.sid = accountSid(record);
            m_state.exists = m_state.stored = true;
            return S_OK;
        }
        if (!m_state.stored)
            return E_ACCESSDENIED;
        NET_API_STATUS status = setDescription(m_state.kind, m_state.name, m_state.description, m_state.realm);
        if (status == NERR_Success && m_state.kind == KIND_USER)
            status = setUserFlags(m_state.name, m_state.flags, m_state.realm);
        if (status == NERR_Success && m_state.kind == KIND_USER)
            status = setHomeDirectory(m_state.name, m_state.home, m_state.realm);
        return fromStatus(status);
    }
    HRESULT WINAPI Get(BSTR name, VARIANT* value) override
    {
        if (name == nullptr || value == nullptr)
            return E_POINTER;
        ::VariantInit(value);
        if (sameText(name, L"objectSid") && m_state.exists)
        {
            SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(m_state.sid.size()));
            if (array == nullptr)
                return E_OUTOFMEMORY;
            void* data = nullptr;
            ::SafeArrayAccessData(array, &data);
            memcpy(data, m_state.sid.data(), m_state.sid.size());
            ::SafeArrayUnaccessData(array);
            value->vt = VT_ARRAY | VT_UI1;
            value->parray = array;
            return S_OK;
        }
        if (sameText(name, L"Name"))
            return setText(m_state.name, value);
        if (sameText(name, L"Description"))
            return setText(m_state.description, value);
        if (sameText(name, L"UserFlags") && m_state.kind == KIND_USER)
            return setNumber(static_cast<LONG>(m_state.flags), value);
        if (sameText(name, L"groupType") && m_state.kind == KIND_GROUP)
            return setNumber(ADS_GROUP_TYPE_LOCAL_GROUP, value);
        if (sameText(name, L"PrimaryGroupID") && m_state.kind == KIND_USER && m_state.exists)
            return setNumber(DOMAIN_GROUP_RID_USERS, value);
        if (sameText(name, L"HomeDirectory") && m_state.kind == KIND_USER)
            return setText(m_state.home, value);
        return E_ADS_PROPERTY_NOT_FOUND;
    }
    HRESULT WINAPI Put(BSTR name, VARIANT value) override
    {
        if (name == nullptr)
            return E_POINTER;
        VARIANT converted;
        ::VariantInit(&converted);
        if (sameText(name, L"Description"))
        {
            const HRESULT hr = ::VariantChangeType(&converted, &value, 0, VT_BSTR);
            if (SUCCEEDED(hr))
                m_state.description = converted.bstrVal ? converted.bstrVal : L"";
            ::VariantClear(&converted);
            return SUCCEEDED(hr) ? S_OK : E_ADS_CANT_CONVERT_DATATYPE;
        }
        if (sameText(name, L"UserFlags") && m_state.kind == KIND_USER)
        {
            const HRESULT hr = ::VariantChangeType(&converted, &value, 0, VT_I4);
            if (SUCCEEDED(hr))
                m_state.flags = static_cast<DWORD>(converted.lVal);
            return SUCCEEDED(hr) ? S_OK : E_ADS_CANT_CONVERT_DATATYPE;
        }
        return E_ADS_PROPERTY_NOT_SUPPORTED;
    }
    HRESULT WINAPI GetEx(BSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT WINAPI PutEx(__LONG32, BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI GetInfoEx(VARIANT, __LONG32) override { return E_NOTIMPL; }

    HRESULT WINAPI get_Description(BSTR* out) override { return giveText(m_state.description, out); }
    HRESULT WINAPI put_Description(BSTR description) override
    {
        m_state.description = description ? description : L"";
        return S_OK;
    }

protected:
    ~CAccountObject() override { forgetPassword(); }
    text parent() const { return text(provider) + (m_state.container.empty() ? computerName() : m_state.container); }
    void forgetPassword()
    {
        ::SecureZeroMemory(&m_state.password[0], m_state.password.size() * sizeof(wchar_t));
        m_state.password.clear();
    }
    // The start of a member or group list: a place to put it, and an account that exists.
    HRESULT prepareCollection(IADsMembers** out) const
    {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        return m_state.exists ? S_OK : E_ADS_OBJECT_UNBOUND;
    }
    HRESULT notFound() const
    {
        return HRESULT_FROM_WIN32(m_state.kind == KIND_USER ? NERR_UserNotFound : NERR_GroupNotFound);
    }
    static HRESULT setText(const text& value, VARIANT* out)
    {
        out->vt = VT_BSTR;
        out->bstrVal = ::SysAllocString(value.c_str());
        return out->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    static HRESULT setNumber(LONG number, VARIANT* out)
    {
        out->vt = VT_I4;
        out->lVal = number;
        return S_OK;
    }

    CAccountState m_state;
};

class CUserObject : public CAccountObject<IADsUser>
{
public:
    using CAccountObject<IADsUser>::CAccountObject;

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override
    {
        return answer(riid, object, {&IID_IADs, &IID_IADsUser});
    }
#include "saadsuser.inc"
    HRESULT WINAPI get_FullName(BSTR*) override { return E_NOTIMPL; }
    HRESULT WINAPI put_FullName(BSTR) override { return E_NOTIMPL; }
    HRESULT WINAPI get_AccountDisabled(VARIANT_BOOL* out) override
    {
        if (out == nullptr)
            return E_POINTER;
        *out = (m_state.flags & UF_ACCOUNTDISABLE) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT WINAPI put_AccountDisabled(VARIANT_BOOL disabled) override
    {
        m_state.flags = disabled ? (m_state.flags | UF_ACCOUNTDISABLE) : (m_state.flags & ~UF_ACCOUNTDISABLE);
        return S_OK;
    }
    HRESULT WINAPI get_HomeDirectory(BSTR* out) override { return giveText(m_state.home, out); }
    HRESULT WINAPI put_HomeDirectory(BSTR home) override
    {
        m_state.home = home ? home : L"";
        return S_OK;
    }
    HRESULT WINAPI Groups(IADsMembers** out) override
    {
        const HRESULT ready = prepareCollection(out);
        if (FAILED(ready))
            return ready;
        std::vector<text> paths;
        for (const text& group : groupsOf(sidText(m_state.sid.data()), m_state.realm))
            paths.push_back(text(provider) + realmName(m_state.realm) + L"/" + group + L",group");
        *out = new CMembersObject(paths);
        return S_OK;
    }
    HRESULT WINAPI SetPassword(BSTR password) override
    {
        if (!m_state.exists)
        {
            const NET_API_STATUS policy = checkPasswordPolicy(password);
            if (policy != NERR_Success)
                return fromStatus(policy);
            forgetPassword();
            m_state.password = password ? password : L"";
            return S_OK;
        }
        if (!m_state.stored)
            return E_ACCESSDENIED;
        return fromStatus(setPassword(m_state.name, password ? password : L"", m_state.realm));
    }
    HRESULT WINAPI ChangePassword(BSTR oldPassword, BSTR newPassword) override
    {
        if (!m_state.exists)
            return E_ADS_OBJECT_UNBOUND;
        if (!m_state.stored)
            return E_ACCESSDENIED;
        if (!checkPassword(m_state.name, oldPassword ? oldPassword : L"", m_state.realm))
            return HRESULT_FROM_WIN32(ERROR_INVALID_PASSWORD);
        return fromStatus(setPassword(m_state.name, newPassword ? newPassword : L"", m_state.realm));
    }
};

class CGroupObject : public CAccountObject<IADsGroup>
{
public:
    using CAccountObject<IADsGroup>::CAccountObject;

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override
    {
        return answer(riid, object, {&IID_IADs, &IID_IADsGroup});
    }
    HRESULT WINAPI Members(IADsMembers** out) override
    {
        const HRESULT ready = prepareCollection(out);
        if (FAILED(ready))
            return ready;
        std::vector<text> members;
        const NET_API_STATUS status = groupMembers(m_state.name, members, m_state.realm);
        if (status != NERR_Success)
            return fromStatus(status);
        for (text& member : members)
            member = text(provider) + member;
        *out = new CMembersObject(members);
        return S_OK;
    }
    HRESULT WINAPI IsMember(BSTR member, VARIANT_BOOL* result) override
    {
        if (member == nullptr || result == nullptr)
            return E_POINTER;
        std::vector<text> members;
        std::vector<BYTE> sid;
        const NET_API_STATUS status = groupMembers(m_state.name, members, m_state.realm);
        if (status != NERR_Success)
            return fromStatus(status);
        *result = VARIANT_FALSE;
        if (!sidOfPath(member, sid))
            return S_OK;
        const text wanted = sidText(sid.data());
        for (const text& candidate : members)
            if (sameText(candidate, wanted))
                *result = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT WINAPI Add(BSTR member) override { return change(member, true); }
    HRESULT WINAPI Remove(BSTR member) override { return change(member, false); }

private:
    HRESULT change(BSTR member, bool add)
    {
        if (member == nullptr)
            return E_POINTER;
        if (!m_state.exists)
            return E_ADS_OBJECT_UNBOUND;
        std::vector<BYTE> sid;
        if (!sidOfPath(member, sid))
            return HRESULT_FROM_WIN32(NERR_UserNotFound);
        const text sidString = sidText(sid.data());
        return fromStatus(add ? addMember(m_state.name, sidString, m_state.realm)
                              : removeMember(m_state.name, sidString, m_state.realm));
    }
};

// A service of this computer, as its container lists it: a name and a class, nothing an account has.
const wchar_t* const listedService = L"Schedule";

class CServiceObject : public CDispatchObject<IADs>
{
public:
    explicit CServiceObject(const text& path) : m_path(path) {}

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override { return answer(riid, object, {&IID_IADs}); }
    HRESULT WINAPI get_Name(BSTR* out) override { return giveText(listedService, out); }
    HRESULT WINAPI get_Class(BSTR* out) override { return giveText(L"Service", out); }
    HRESULT WINAPI get_GUID(BSTR*) override { return E_NOTIMPL; }
    HRESULT WINAPI get_ADsPath(BSTR* out) override { return giveText(m_path, out); }
    HRESULT WINAPI get_Parent(BSTR* out) override { return giveText(text(provider) + computerName(), out); }
    HRESULT WINAPI get_Schema(BSTR*) override { return E_NOTIMPL; }
    HRESULT WINAPI GetInfo() override { return S_OK; }
    HRESULT WINAPI SetInfo() override { return E_ACCESSDENIED; }
    HRESULT WINAPI Get(BSTR, VARIANT*) override { return E_ADS_PROPERTY_NOT_FOUND; }
    HRESULT WINAPI Put(BSTR, VARIANT) override { return E_ADS_PROPERTY_NOT_SUPPORTED; }
    HRESULT WINAPI GetEx(BSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT WINAPI PutEx(__LONG32, BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI GetInfoEx(VARIANT, __LONG32) override { return E_NOTIMPL; }

private:
    text m_path;
};

// This computer, or a played domain: the container of its realm's accounts.
class CComputerObject : public CDispatchObject<IADsContainer>, public IADs
{
public:
    explicit CComputerObject(const text& realm) : m_realm(realm) {}

    // IUnknown and IDispatch come through the container; IADs forwards to them.
    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override
    {
        if (object != nullptr && riid == IID_IADs)
        {
            *object = static_cast<IADs*>(this);
            AddRef();
            return S_OK;
        }
        return answer(riid, object, {&IID_IADsContainer});
    }
    ULONG WINAPI AddRef() override { return CDispatchObject<IADsContainer>::AddRef(); }
    ULONG WINAPI Release() override { return CDispatchObject<IADsContainer>::Release(); }
    HRESULT WINAPI GetTypeInfoCount(UINT* count) override
    {
        return CDispatchObject<IADsContainer>::GetTypeInfoCount(count);
    }
    HRESULT WINAPI GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT WINAPI GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    HRESULT WINAPI Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT WINAPI get_Name(BSTR* out) override { return giveText(realmName(m_realm), out); }
    HRESULT WINAPI get_Class(BSTR* out) override { return giveText(className(), out); }
    HRESULT WINAPI get_GUID(BSTR*) override { return E_NOTIMPL; }
    HRESULT WINAPI get_ADsPath(BSTR* out) override { return giveText(path(), out); }
    HRESULT WINAPI get_Parent(BSTR* out) override { return giveText(L"WinNT:", out); }
    HRESULT WINAPI get_Schema(BSTR* out) override { return giveText(path() + L"/Schema/" + className(), out); }
    HRESULT WINAPI GetInfo() override { return S_OK; }
    HRESULT WINAPI SetInfo() override { return S_OK; }
    HRESULT WINAPI Get(BSTR, VARIANT*) override { return E_ADS_PROPERTY_NOT_FOUND; }
    HRESULT WINAPI Put(BSTR, VARIANT) override { return E_ADS_PROPERTY_NOT_SUPPORTED; }
    HRESULT WINAPI GetEx(BSTR, VARIANT*) override { return E_NOTIMPL; }
    HRESULT WINAPI PutEx(__LONG32, BSTR, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI GetInfoEx(VARIANT, __LONG32) override { return E_NOTIMPL; }

    HRESULT WINAPI get_Count(__LONG32*) override { return E_NOTIMPL; }
    // The users and groups the database holds, in the order of their kinds, narrowed by the filter.
    HRESULT WINAPI get__NewEnum(IUnknown** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        std::vector<text> paths;
        for (eAccountKind kind : {KIND_USER, KIND_GROUP})
        {
            const text className = kind == KIND_USER ? L"User" : L"Group";
            if (!passesFilter(m_filter, className))
                continue;
            for (const CAccountRecord& record : accounts(kind, m_realm))
                paths.push_back(path() + L"/" + record.name + L"," + className);
        }
        // The computer lists its services beside its accounts, as Windows does unless the filter says otherwise.
        if (m_realm.empty() && passesFilter(m_filter, L"Service"))
            paths.push_back(path() + L"/" + listedService + L",Service");
        *out = new CPathEnumerator(paths);
        return S_OK;
    }
    HRESULT WINAPI get_Filter(VARIANT*) override { return E_NOTIMPL; }
    HRESULT WINAPI put_Filter(VARIANT filter) override { return readFilter(filter, m_filter); }
    HRESULT WINAPI get_Hints(VARIANT*) override { return E_NOTIMPL; }
    HRESULT WINAPI put_Hints(VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI GetObject(BSTR className, BSTR name, IDispatch** object) override
    {
        if (name == nullptr || object == nullptr)
            return E_POINTER;
        text account = path() + L"/" + name;
        if (className && *className)
            account += text(L",") + className;
        return bindObject(account, IID_IDispatch, reinterpret_cast<void**>(object));
    }
    HRESULT WINAPI Create(BSTR className, BSTR name, IDispatch** object) override
    {
        if (className == nullptr || name == nullptr || object == nullptr)
            return E_POINTER;
        *object = nullptr;
        CAccountState state;
        state.name = name;
        state.realm = state.container = m_realm;
        if (sameText(className, L"user"))
            *object = new CUserObject(state);
        else if (sameText(className, L"group"))
        {
            state.kind = KIND_GROUP;
            *object = new CGroupObject(state);
        }
        else
            return E_ADS_UNKNOWN_OBJECT;
        return S_OK;
    }
    HRESULT WINAPI Delete(BSTR className, BSTR name) override
    {
        if (className == nullptr || name == nullptr)
            return E_POINTER;
        if (sameText(className, L"user"))
            return fromStatus(deleteAccount(KIND_USER, name, m_realm));
        if (sameText(className, L"group"))
            return fromStatus(deleteAccount(KIND_GROUP, name, m_realm));
        return E_ADS_UNKNOWN_OBJECT;
    }
    HRESULT WINAPI CopyHere(BSTR, BSTR, IDispatch**) override { return E_NOTIMPL; }
    // Within one realm a move is a rename; the account keeps its SID.
    HRESULT WINAPI MoveHere(BSTR source, BSTR newName, IDispatch** object) override
    {
        if (source == nullptr || newName == nullptr)
            return E_POINTER;
        if (object)
            *object = nullptr;
        CAccountState state;
        bool isComputer = false;
        HRESULT hr = bindAccount(source, state, isComputer);
        if (FAILED(hr))
            return hr;
        if (isComputer || !state.stored || !sameText(state.realm, m_realm))
            return E_ACCESSDENIED;
        hr = fromStatus(renameAccount(state.kind, state.name, newName, m_realm));
        if (SUCCEEDED(hr) && object)
            hr = bindObject(path() + L"/" + newName + (state.kind == KIND_USER ? L",user" : L",group"), IID_IDispatch,
                            reinterpret_cast<void**>(object));
        return hr;
    }

private:
    text path() const { return text(provider) + realmName(m_realm); }
    const wchar_t* className() const { return m_realm.empty() ? L"Computer" : L"Domain"; }

    text m_realm;
    std::vector<text> m_filter;
};

// A system account the database does not hold (Administrators, root): known by the system's lookup.
bool systemAccount(const text& qualified, eAccountKind wanted, bool anyKind, CAccountState& state)
{
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidLength = sizeof(sid);
    wchar_t domain[256];
    DWORD domainLength = 256;
    SID_NAME_USE use = SidTypeInvalid;
    if (!::LookupAccountNameW(nullptr, qualified.c_str(), sid, &sidLength, domain, &domainLength, &use))
        return false;
    const eAccountKind kind = use == SidTypeUser ? KIND_USER : KIND_GROUP;
    if (!anyKind && kind != wanted)
        return false;
    state.kind = kind;
    state.name = qualified.substr(qualified.find(L'\\') + 1);
    // Built-in aliases and wine's own user show under the computer, as the system's provider lists them.
    if (!sameText(domain, L"BUILTIN") && !sameText(domain, computerName()))
        state.container = domain;
    state.sid.assign(sid, sid + sidLength);
    state.exists = true;
    return true;
}

// Splits "WinNT://A/B,class" into its components and class; false for anything else.
bool splitPath(const text& path, std::vector<text>& parts, text& className)
{
    if (path.size() < 8 || !sameText(path.substr(0, 8), provider))
        return false;
    text rest = path.substr(8);
    const text::size_type comma = rest.rfind(L',');
    if (comma != text::npos && rest.find(L'/', comma) == text::npos)
    {
        className = rest.substr(comma + 1);
        rest.resize(comma);
    }
    text::size_type start = 0;
    while (start <= rest.size())
    {
        const text::size_type slash = rest.find(L'/', start);
        const text part = rest.substr(start, slash == text::npos ? text::npos : slash - start);
        if (part.empty())
            return false;
        parts.push_back(part);
        if (slash == text::npos)
            break;
        start = slash + 1;
    }
    return !parts.empty() && parts.size() <= 3;
}

HRESULT bindAccount(const text& path, CAccountState& state, bool& isComputer)
{
    std::vector<text> parts;
    text className;
    isComputer = false;
    if (!splitPath(path, parts, className))
        return path.size() > 7 && sameText(path.substr(0, 7), L"LDAP://") ? HRESULT_FROM_WIN32(ERROR_DS_SERVER_DOWN)
                                                                         : E_ADS_BAD_PATHNAME;
    // WORKGROUP/COMPUTER/name: the workgroup adds nothing here.
    if (parts.size() == 3)
        parts.erase(parts.begin());
    const bool wantUser = sameText(className, L"user");
    const bool wantGroup = sameText(className, L"group");
    if (!className.empty() && !wantUser && !wantGroup && !sameText(className, L"computer"))
        return E_ADS_UNKNOWN_OBJECT;
    if (parts.size() == 1)
    {
        if (!wantUser && !wantGroup && (sameText(parts[0], computerName()) || playedDomainNamed(parts[0], state.realm)))
        {
            isComputer = true;
            return S_OK;
        }
        // "WinNT://S-1-…": an account by its SID, then as DOMAIN/name.
        syslib::CSyLocalMem<PSID> sid;
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t domain[256];
        DWORD domainLength = 256;
        SID_NAME_USE use = SidTypeInvalid;
        if (!::ConvertStringSidToSidW(parts[0].c_str(), sid.receive()) ||
            !accountApiTable().LookupAccountSidW(nullptr, sid.get(), name, &nameLength, domain, &domainLength, &use))
            return HRESULT_FROM_WIN32(ERROR_BAD_NETPATH);
        parts = {domainLength ? text(domain) : computerName(), name};
    }
    text realm;
    if (!sameText(parts[0], computerName()) && !playedDomainNamed(parts[0], realm))
    {
        if (systemAccount(parts[0] + L"\\" + parts[1], wantGroup ? KIND_GROUP : KIND_USER, className.empty(), state))
            return S_OK;
        return HRESULT_FROM_WIN32(ERROR_BAD_NETPATH);
    }
    CAccountRecord record;
    const bool found = wantUser    ? findAccount(KIND_USER, parts[1], record, realm)
                       : wantGroup ? findAccount(KIND_GROUP, parts[1], record, realm)
                                   : findAccount(parts[1], record, realm);
    if (found)
    {
        state.kind = record.kind;
        state.name = record.name;
        state.realm = state.container = realm;
        state.sid = accountSid(record);
        state.description = record.description;
        state.flags = record.flags;
        state.home = record.home;
        state.stored = state.exists = true;
        return S_OK;
    }
    if (realm.empty() && systemAccount(parts[1], wantGroup ? KIND_GROUP : KIND_USER, className.empty(), state))
        return S_OK;
    return HRESULT_FROM_WIN32(wantGroup ? NERR_GroupNotFound : NERR_UserNotFound);
}

HRESULT bindObject(const text& path, REFIID riid, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (sameText(path, text(provider) + computerName() + L"/" + listedService + L",Service"))
    {
        CServiceObject* service = new CServiceObject(path);
        const HRESULT answer = service->QueryInterface(riid, object);
        service->Release();
        return answer;
    }
    CAccountState state;
    bool isComputer = false;
    const HRESULT hr = bindAccount(path, state, isComputer);
    if (FAILED(hr))
        return hr;
    IUnknown* unknown = nullptr;
    if (isComputer)
        unknown = static_cast<IADsContainer*>(new CComputerObject(state.realm));
    else if (state.kind == KIND_USER)
        unknown = static_cast<IADsUser*>(new CUserObject(state));
    else
        unknown = static_cast<IADsGroup*>(new CGroupObject(state));
    const HRESULT answer = unknown->QueryInterface(riid, object);
    unknown->Release();
    return answer;
}
} // namespace

HRESULT WINAPI ADsGetObject(LPCWSTR path, REFIID riid, VOID** object)
{
    if (path == nullptr)
        return E_ADS_BAD_PATHNAME;
    try
    {
        return bindObject(path, riid, object);
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
}
} // namespace standins
