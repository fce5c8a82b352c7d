// The stand-ins' account database: users and groups of this computer and of the domains a test plays,
// kept in the registry so that every process of the prefix sees the same accounts.
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

// A realm is the database an account lives in: empty for this computer's, else the name of a played
// domain (Domains\<name>, which holds the same keys as the root).
struct CAccountRecord
{
    eAccountKind kind = KIND_USER;
    text name; // as created
    DWORD rid = 0;
    text description;
    DWORD flags = 0; // UF_* of a user
    text home;       // a user's home directory
    text realm;
};

// This computer's name and its account domain's SID as the system reports them.
text computerName();
bool computerDomainSid(std::vector<BYTE>& sid);
// The domain SID of a realm, and the name its accounts show under (this computer's for the empty realm).
bool realmSid(const text& realm, std::vector<BYTE>& sid);
text realmName(const text& realm);
text sidText(PSID sid);
// The realm's domain SID plus rid.
std::vector<BYTE> accountSid(DWORD rid, const text& realm = text());
std::vector<BYTE> accountSid(const CAccountRecord& record);
// The rid when sid is in this computer's account domain; 0 otherwise.
DWORD localRid(PSID sid);

bool findAccount(eAccountKind kind, const text& name, CAccountRecord& record, const text& realm = text());
// Either kind, users first.
bool findAccount(const text& name, CAccountRecord& record, const text& realm = text());
bool findAccountByRid(DWORD rid, CAccountRecord& record, const text& realm = text());
// In whichever realm the SID belongs to.
bool findAccountBySid(PSID sid, CAccountRecord& record);
std::vector<CAccountRecord> accounts(eAccountKind kind, const text& realm = text());

// NET_API_STATUS values as NetUserAdd and NetLocalGroupAdd give them.
NET_API_STATUS addUser(const text& name, const wchar_t* password, const text& description, DWORD flags,
                       const text& realm = text());
NET_API_STATUS addGroup(const text& name, const text& description, const text& realm = text());
NET_API_STATUS deleteAccount(eAccountKind kind, const text& name, const text& realm = text());
NET_API_STATUS setDescription(eAccountKind kind, const text& name, const text& description,
                              const text& realm = text());
NET_API_STATUS setUserFlags(const text& name, DWORD flags, const text& realm = text());
NET_API_STATUS setHomeDirectory(const text& name, const text& home, const text& realm = text());
// NERR_UserExists / ERROR_ALIAS_EXISTS when the new name is taken, as NetUserSetInfo and NetLocalGroupSetInfo.
NET_API_STATUS renameAccount(eAccountKind kind, const text& name, const text& newName, const text& realm = text());
// NERR_PasswordTooShort when the policy refuses the password, before any account holds it.
NET_API_STATUS checkPasswordPolicy(const wchar_t* password);
// NERR_PasswordTooShort when the stand-ins' policy (value MinPasswordLength) refuses it.
NET_API_STATUS setPassword(const text& name, const wchar_t* password, const text& realm = text());
bool checkPassword(const text& name, const wchar_t* password, const text& realm = text());

// Members of a group as SID texts; ERROR_MEMBER_IN_ALIAS / ERROR_MEMBER_NOT_IN_ALIAS as Windows.
NET_API_STATUS groupMembers(const text& group, std::vector<text>& members, const text& realm = text());
NET_API_STATUS addMember(const text& group, const text& memberSid, const text& realm = text());
NET_API_STATUS removeMember(const text& group, const text& memberSid, const text& realm = text());
std::vector<text> groupsOf(const text& memberSid, const text& realm = text());

// A domain a test plays: its controller's name ("\\DC") and its domain SID text; empty when none is kept.
bool playedDomain(const text& domain, text& controller, text& sid);
std::vector<text> playedDomains();
// The realm of the played domain called name (in any case).
bool playedDomainNamed(const text& name, text& realm);
// The played domain whose controller is this server ("\\DC" or "DC").
bool playedDomainOfController(const text& server, text& domain, text& sid);
// Whether the controller this computer asks knows the account yet. Each question about a new account
// of a domain with a ReplicationDelay counts down the questions it still misses.
bool reachedThisComputer(const CAccountRecord& record);
} // namespace standins
