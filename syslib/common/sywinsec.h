// Owners of the Windows security structures the account, access-control and process code rest on:
// SIDs, security descriptors, token groups and privileges, and access tokens.
#pragma once

#include "framework/iastring.h"
#include "syswin.h"

#include <accctrl.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <utility>
#include <vector>

// One binary SID (a private copy), with the account that a lookup found for it.
class CSyWinSid
{
public:
    CSyWinSid() {}
    // Logs "syslib.account.invalidSID" and throws ESyException(DCOM_HRESULT, E_INVALIDARG) for an invalid SID.
    explicit CSyWinSid(PSID sid);

    bool isEmpty() const { return m_sid.empty(); }
    // Null while empty.
    PSID get() const { return m_sid.empty() ? nullptr : const_cast<BYTE*>(m_sid.data()); }
    DWORD length() const { return static_cast<DWORD>(m_sid.size()); }

    // Empty and invalid SIDs equal nothing, not even themselves.
    bool operator==(const CSyWinSid& other) const;
    bool operator!=(const CSyWinSid& other) const { return !(*this == other); }

    // Fills name, domain and name use with LookupAccountSidW; false (fields untouched) when it fails.
    bool lookupAccount();
    const iastring& getName() const { return m_name; }
    const iastring& getDomain() const { return m_domain; }
    SID_NAME_USE getNameUse() const { return m_nameUse; }

private:
    std::vector<BYTE> m_sid;
    iastring m_name;
    iastring m_domain;
    SID_NAME_USE m_nameUse = SidTypeInvalid;
};

// One security descriptor, kept in the self-relative form Windows hands out; the parts are read from it.
class CSyWinSecurityDesc
{
public:
    CSyWinSecurityDesc() {}
    // Copies a self-relative or absolute descriptor; ESyException(WIN32_ERROR) when it is not one.
    explicit CSyWinSecurityDesc(PSECURITY_DESCRIPTOR descriptor);

    bool isEmpty() const { return m_descriptor.empty(); }
    PSECURITY_DESCRIPTOR get() const
    {
        return m_descriptor.empty() ? nullptr : const_cast<BYTE*>(m_descriptor.data());
    }
    // Null when the descriptor holds none.
    PSID getOwner() const;
    PSID getGroup() const;
    PACL getDacl() const;
    PACL getSacl() const;
    SECURITY_DESCRIPTOR_CONTROL getControl() const;
    // SDDL of the parts selected; ESyException(WIN32_ERROR) when it cannot be made.
    iastring toString(SECURITY_INFORMATION parts) const;

private:
    std::vector<BYTE> m_descriptor;
};

// The groups of a token with their attributes, in the token's order.
class CTokenGroups
{
public:
    typedef std::pair<CSyWinSid, DWORD> Entry;

    void add(const CSyWinSid& sid, DWORD attributes) { m_groups.emplace_back(sid, attributes); }
    std::size_t size() const { return m_groups.size(); }
    const Entry& operator[](std::size_t index) const { return m_groups[index]; }
    std::vector<Entry>::const_iterator begin() const { return m_groups.begin(); }
    std::vector<Entry>::const_iterator end() const { return m_groups.end(); }
    // True when the SID is in the list with SE_GROUP_ENABLED.
    bool hasEnabled(const CSyWinSid& sid) const;

private:
    std::vector<Entry> m_groups;
};

// Privileges by LUID with their attributes: a change to make, or the state to restore.
class CTokenPrivileges
{
public:
    // False for a name the system does not know.
    bool add(const iastring& privilegeName, bool enable);
    void add(LUID luid, DWORD attributes);
    bool isEmpty() const { return m_privileges.empty(); }
    std::size_t size() const { return m_privileges.size(); }
    // False when the LUID is not held here; attributes untouched then.
    bool lookup(LUID luid, DWORD& attributes) const;

    // As TOKEN_PRIVILEGES, in LUID order.
    std::vector<BYTE> toBuffer() const;
    void assign(const TOKEN_PRIVILEGES& privileges);

private:
    static std::uint64_t key(LUID luid);
    std::map<std::uint64_t, DWORD> m_privileges;
};

// Owns one token handle; undoes an impersonation made through it and unloads a profile loaded with it.
class CAccessToken
{
public:
    CAccessToken() {}
    explicit CAccessToken(HANDLE token) : m_token(token) {}
    ~CAccessToken();
    CAccessToken(const CAccessToken&) = delete;
    CAccessToken& operator=(const CAccessToken&) = delete;

    bool openProcessToken(DWORD access);
    // False also when the thread has no token (GetLastError() is ERROR_NO_TOKEN then).
    bool openThreadToken(DWORD access, bool openAsSelf);
    HANDLE get() const { return m_token.get(); }
    bool isValid() const { return m_token.isValid(); }
    // For the functions that hand out a new token.
    HANDLE* receive() { return m_token.receive(); }

    // Enables (or disables) one privilege; previous receives what to restore. False for an unknown name or
    // a failed adjustment; a privilege the token does not hold is a failure too (ERROR_NOT_ALL_ASSIGNED).
    bool enablePrivilege(const iastring& privilegeName, CTokenPrivileges& previous, bool enable = true);
    bool restorePrivileges(const CTokenPrivileges& previous);

    // Impersonates this token on the calling thread until revert() or the owner's end.
    bool impersonate();
    bool revert();
    // The thread's impersonation is no longer this token's: the end leaves it alone.
    void forgetImpersonation() { m_revert.disarm(); }
    // The profile to unload (UnloadUserProfile) with the token.
    void setProfile(HANDLE profile) { m_profile = profile; }

private:
    syslib::CSyKernelHandle m_token;
    syslib::CSyRevertToSelfGuard m_revert;
    HANDLE m_profile = nullptr;
};

// Runs the calling thread on a copy of its token (its impersonation token, else the process token) with
// privileges enabled, for the scope's life; the thread gets its own token back at the end. The process
// token and any impersonation the caller holds stay as they were.
class CSyPrivilegeScope
{
public:
    CSyPrivilegeScope() {}
    ~CSyPrivilegeScope() { end(); }
    CSyPrivilegeScope(const CSyPrivilegeScope&) = delete;
    CSyPrivilegeScope& operator=(const CSyPrivilegeScope&) = delete;

    // Once a scope. Enables each privilege the token holds; true when all were enabled. False with the last error set
    // when the copy cannot be made or put on the thread (nothing changed then), or ERROR_NOT_ALL_ASSIGNED
    // when the token holds only some (the scope runs with those).
    bool begin(std::initializer_list<const wchar_t*> privilegeNames);
    // False when the thread's own token could not be put back.
    bool end();

private:
    CAccessToken m_copy;
    CAccessToken m_previous;
    bool m_active = false;
};

// How the calling thread's token relates to a group (order and values are part of the interface).
enum eTokenMembership
{
    NOT_MEMBER = 0,
    IS_MEMBER = 1,
    UNKNOWN = 2
};

namespace syslib
{
// The token's user; logs and returns false on failure, never throws.
bool getTokenSid(HANDLE token, CSyWinSid& sid);
// The token's groups in token order; logs and returns false on failure, never throws.
bool getTokenGroups(HANDLE token, CTokenGroups& groups);
// The domain SID with one more sub-authority, rid.
void appendRid(CSyWinSid& result, const CSyWinSid& domain, DWORD rid);
// Whether the calling thread's token (else the process token) has group as an enabled group; UNKNOWN when
// the token's user is not account or the token cannot be read.
eTokenMembership getTokenGroupMembership(const CSyWinSid& account, const CSyWinSid& group);
} // namespace syslib

// A named object's descriptor; false with the thread's last error set on failure. A privilege is requested
// only for a SACL (SeSecurityPrivilege), and given back before the return.
bool SyWinGetSecurityDescriptor(const iastring& objectName, SE_OBJECT_TYPE objectType, CSyWinSecurityDesc& descriptor,
                                SECURITY_INFORMATION requested, bool requestNeededPrivileges);

// Defined with the account code (synxcaccmg).
namespace SySID
{
// S-1-… text; ESyPrecondition(PARAMETER_NOT_VALID) for an invalid SID.
iastring toStringSID(PSID sid);
// ESyException(WIN32_ERROR) for a text that is no SID.
syslib::CSyLocalMem<PSID> fromStringSID(const iastring& text);
} // namespace SySID
