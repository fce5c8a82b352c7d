// The stand-ins' local account database: users and groups of this computer, kept in the registry so that
// every process of the prefix sees the same accounts, and domains a test plays.
#pragma once

#include "syslib/common/syswin.h"

#include <lm.h>

#include <string>
#include <vector>

namespace standins
{
typedef std::wstring text;

// Root of everything the account stand-ins keep, under HKEY_LOCAL_MACHINE.
extern const wchar_t* const accountsKey;

enum eAccountKind
{
    KIND_USER,
    KIND_GROUP
};

struct CAccountRecord
{
    eAccountKind kind = KIND_USER;
    text name; // as created
    DWORD rid = 0;
    text description;
    DWORD flags = 0; // UF_* of a user
    text home;       // a user's home directory
};

// This computer's name and its account domain's SID as the system reports them.
text computerName();
bool computerDomainSid(std::vector<BYTE>& sid);
text sidText(PSID sid);
// The computer's domain SID plus rid.
std::vector<BYTE> accountSid(DWORD rid);
// The rid when sid is in this computer's account domain; 0 otherwise.
DWORD localRid(PSID sid);

bool findAccount(eAccountKind kind, const text& name, CAccountRecord& record);
// Either kind, users first.
bool findAccount(const text& name, CAccountRecord& record);
bool findAccountByRid(DWORD rid, CAccountRecord& record);
std::vector<CAccountRecord> accounts(eAccountKind kind);

// NET_API_STATUS values as NetUserAdd and NetLocalGroupAdd give them.
NET_API_STATUS addUser(const text& name, const wchar_t* password, const text& description, DWORD flags);
NET_API_STATUS addGroup(const text& name, const text& description);
NET_API_STATUS deleteAccount(eAccountKind kind, const text& name);
NET_API_STATUS setDescription(eAccountKind kind, const text& name, const text& description);
NET_API_STATUS setUserFlags(const text& name, DWORD flags);
NET_API_STATUS setHomeDirectory(const text& name, const text& home);
// NERR_UserExists / ERROR_ALIAS_EXISTS when the new name is taken, as NetUserSetInfo and NetLocalGroupSetInfo.
NET_API_STATUS renameAccount(eAccountKind kind, const text& name, const text& newName);
// NERR_PasswordTooShort when the policy refuses the password, before any account holds it.
NET_API_STATUS checkPasswordPolicy(const wchar_t* password);
// NERR_PasswordTooShort when the stand-ins' policy (value MinPasswordLength) refuses it.
NET_API_STATUS setPassword(const text& name, const wchar_t* password);
bool checkPassword(const text& name, const wchar_t* password);

// Members of a local group as SID texts; ERROR_MEMBER_IN_ALIAS / ERROR_MEMBER_NOT_IN_ALIAS as Windows.
NET_API_STATUS groupMembers(const text& group, std::vector<text>& members);
NET_API_STATUS addMember(const text& group, const text& memberSid);
NET_API_STATUS removeMember(const text& group, const text& memberSid);
std::vector<text> groupsOf(const text& memberSid);

// A domain a test plays: its controller's name ("\\DC") and its domain SID text; empty when none is kept.
bool playedDomain(const text& domain, text& controller, text& sid);
// The played domain whose controller is this server ("\\DC" or "DC").
bool playedDomainOfController(const text& server, text& domain, text& sid);
} // namespace standins
