// LSA private data as Windows keeps it for Winlogon: wine's LsaStorePrivateData answers
// STATUS_OBJECT_NAME_NOT_FOUND for everything. A secret is kept protected with DPAPI (the machine's key),
// never as a plain value. The access rights of the policy handle are checked as Windows checks them.
#include "sasystemapi.h"
#include "standins/common/saregistry.h"

#include <wincrypt.h>

#include <string>

namespace standins
{
namespace
{
const wchar_t* const secretsKey = L"Software\\Vantix\\StandIns\\System\\Secrets";
const NTSTATUS statusSuccess = 0;
const NTSTATUS statusInvalidHandle = static_cast<NTSTATUS>(0xC0000008);
const NTSTATUS statusInvalidParameter = static_cast<NTSTATUS>(0xC000000D);
const NTSTATUS statusAccessDenied = static_cast<NTSTATUS>(0xC0000022);
const NTSTATUS statusNameNotFound = static_cast<NTSTATUS>(0xC0000034);
const NTSTATUS statusNoMemory = static_cast<NTSTATUS>(0xC0000017);
const NTSTATUS statusServerUnavailable = static_cast<NTSTATUS>(0xC0020017); // RPC_NT_SERVER_UNAVAILABLE
const DWORD policyMagic = 0x5359534C;

struct CPolicy
{
    DWORD magic;
    ACCESS_MASK access;
};

CPolicy* policyOf(LSA_HANDLE handle)
{
    CPolicy* policy = static_cast<CPolicy*>(handle);
    return policy && policy->magic == policyMagic ? policy : nullptr;
}

std::wstring keyText(const LSA_UNICODE_STRING* key)
{
    return key && key->Buffer ? std::wstring(key->Buffer, key->Length / sizeof(wchar_t)) : std::wstring();
}

bool isThisComputer(const LSA_UNICODE_STRING* systemName)
{
    std::wstring name = keyText(systemName);
    if (name.empty())
        return true;
    if (name.compare(0, 2, L"\\\\") == 0)
        name.erase(0, 2);
    wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(computer, &length) && ::lstrcmpiW(name.c_str(), computer) == 0;
}

// Secrets and their creation are for administrators: the policy refuses these rights to anyone else.
bool callerIsAdministrator()
{
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    syslib::CSyAllocatedSid administrators;
    if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    administrators.receive()))
        return false;
    BOOL member = FALSE;
    return ::CheckTokenMembership(nullptr, administrators.get(), &member) && member;
}

NTSTATUS NTAPI lsaOpenPolicy(PLSA_UNICODE_STRING systemName, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK access,
                             PLSA_HANDLE handle)
{
    if (handle == nullptr)
        return statusInvalidParameter;
    *handle = nullptr;
    if (!isThisComputer(systemName))
        return statusServerUnavailable;
    if ((access & (POLICY_CREATE_SECRET | POLICY_GET_PRIVATE_INFORMATION)) && !callerIsAdministrator())
        return statusAccessDenied;
    *handle = new CPolicy{policyMagic, access};
    return statusSuccess;
}

NTSTATUS NTAPI lsaClose(LSA_HANDLE handle)
{
    CPolicy* policy = policyOf(handle);
    if (!policy)
        return statusInvalidHandle;
    policy->magic = 0;
    delete policy;
    return statusSuccess;
}

NTSTATUS NTAPI lsaStorePrivateData(LSA_HANDLE handle, PLSA_UNICODE_STRING keyName, PLSA_UNICODE_STRING privateData)
{
    const CPolicy* policy = policyOf(handle);
    if (!policy)
        return statusInvalidHandle;
    const std::wstring name = keyText(keyName);
    if (name.empty())
        return statusInvalidParameter;
    const syslib::CSyRegKey key = openMachineKey(secretsKey, true);
    if (!key)
        return statusAccessDenied;
    const bool exists = !readBytes(key.get(), name.c_str()).empty();
    // No data deletes the secret.
    if (privateData == nullptr)
    {
        if (!exists)
            return statusNameNotFound;
        return ::RegDeleteValueW(key.get(), name.c_str()) == ERROR_SUCCESS ? statusSuccess : statusAccessDenied;
    }
    if (!exists && !(policy->access & POLICY_CREATE_SECRET))
        return statusAccessDenied;
    DATA_BLOB plain = {privateData->Length, reinterpret_cast<BYTE*>(privateData->Buffer)};
    DATA_BLOB sealed = {};
    if (!::CryptProtectData(&plain, name.c_str(), nullptr, nullptr, nullptr,
                            CRYPTPROTECT_LOCAL_MACHINE | CRYPTPROTECT_UI_FORBIDDEN, &sealed))
        return statusNoMemory;
    writeBytes(key.get(), name.c_str(), std::vector<BYTE>(sealed.pbData, sealed.pbData + sealed.cbData));
    ::LocalFree(sealed.pbData);
    return statusSuccess;
}

NTSTATUS NTAPI lsaRetrievePrivateData(LSA_HANDLE handle, PLSA_UNICODE_STRING keyName, PLSA_UNICODE_STRING* privateData)
{
    const CPolicy* policy = policyOf(handle);
    if (!policy)
        return statusInvalidHandle;
    if (privateData == nullptr || keyText(keyName).empty())
        return statusInvalidParameter;
    *privateData = nullptr;
    if (!(policy->access & POLICY_GET_PRIVATE_INFORMATION))
        return statusAccessDenied;
    std::wstring text;
    if (!storedSecret(keyText(keyName), text))
        return statusNameNotFound;
    // One block, as the LSA hands it out: the string and its characters behind it.
    const std::size_t bytes = text.size() * sizeof(wchar_t);
    BYTE* block = static_cast<BYTE*>(::HeapAlloc(::GetProcessHeap(), 0, sizeof(LSA_UNICODE_STRING) + bytes + 2));
    if (!block)
        return statusNoMemory;
    PLSA_UNICODE_STRING result = reinterpret_cast<PLSA_UNICODE_STRING>(block);
    result->Buffer = reinterpret_cast<PWSTR>(block + sizeof(LSA_UNICODE_STRING));
    result->Length = static_cast<USHORT>(bytes);
    result->MaximumLength = static_cast<USHORT>(bytes + 2);
    std::copy(text.begin(), text.end(), result->Buffer);
    result->Buffer[text.size()] = L'\0';
    ::SecureZeroMemory(&text[0], bytes);
    *privateData = result;
    return statusSuccess;
}

NTSTATUS NTAPI lsaFreeMemory(PVOID buffer)
{
    if (buffer)
        ::HeapFree(::GetProcessHeap(), 0, buffer);
    return statusSuccess;
}
} // namespace

bool storedSecret(const std::wstring& name, std::wstring& value)
{
    const syslib::CSyRegKey key = openMachineKey(secretsKey, false);
    const std::vector<BYTE> bytes = key ? readBytes(key.get(), name.c_str()) : std::vector<BYTE>();
    if (bytes.empty())
        return false;
    DATA_BLOB sealed = {static_cast<DWORD>(bytes.size()), const_cast<BYTE*>(bytes.data())};
    DATA_BLOB plain = {};
    if (!::CryptUnprotectData(&sealed, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &plain))
        return false;
    value.assign(reinterpret_cast<const wchar_t*>(plain.pbData), plain.cbData / sizeof(wchar_t));
    ::SecureZeroMemory(plain.pbData, plain.cbData);
    ::LocalFree(plain.pbData);
    return true;
}

void clearSecrets()
{
    deleteMachineKey(secretsKey);
}

void fillSecretCalls(syslib::SySystemApi& api)
{
    api.LsaOpenPolicy = lsaOpenPolicy;
    api.LsaStorePrivateData = lsaStorePrivateData;
    api.LsaRetrievePrivateData = lsaRetrievePrivateData;
    api.LsaFreeMemory = lsaFreeMemory;
    api.LsaClose = lsaClose;
}
} // namespace standins
