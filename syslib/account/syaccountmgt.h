// The account manager's interface, as the factory hands it out.
#pragma once

#include "framework/progressobserver.h"
#include "syaccountptr.h"
#include "syacl.h"
#include "syaclexpression.h"
#include "syslib/common/syexport.h"
#include "syslib/common/sygeneric.h"

#include <ostream>
#include <vector>

// A user to find or create.
struct CUserData
{
    iastring m_name; // may be DOMAIN\name
    iastring m_id;   // SID text; empty when looking up by name
    iastring m_description;
    iastring m_loginShell; // not read on Windows
    iastring m_homeDirectory;
    iastring m_password;
    std::vector<iastring> m_groups; // joined by a new user
};

class ISyAccountMgt : public ISyGeneric
{
public:
    // Low two bits: kind; bits 4 and 5: scope.
    enum eAccountType
    {
        NONE = 0,
        USER = 1,
        GROUP = 2,
        MACHINELOCAL = 0,
        UNIVERSAL = 0x10,
        DOMAINLOCAL = 0x20,
        DOMAINGLOBAL = 0x30,
        LOCALUSER = 0x01,
        DOMAINUSER = 0x31,
        LOCALGROUP = 0x02,
        DOMAINGROUP = 0x32,
        DOMAINLOCALGROUP = 0x22,
        UNIVERSALGROUP = 0x12
    };

    virtual iastring getEveryoneSID() = 0;
    virtual iastring getAdministratorsSID() = 0;
    virtual iastring getLocalSystemSID() = 0;
    // NONE tries a user first, then a group; USER|GROUP gives an empty pointer.
    virtual PSyAccount getAccount(eAccountType type, const iastring& sNameOrSID) = 0;
    // Never throws: every failure is a false, its messages logged as information.
    virtual bool isExisting(eAccountType type, const iastring& sNameOrSID) = 0;
    virtual PSyUser getUser(const iastring& sNameOrSID) = 0;
    virtual PSyGroup getGroup(const iastring& sNameOrSID) = 0;
    virtual PSyUser createUser(const CUserData& data, ISyProgressObserver* observer) = 0;
    virtual PSyUser createUser(const CUserData& data) = 0;
    virtual PSyGroup createGroup(const iastring& sName, const iastring& sSID, ISyProgressObserver* observer) = 0;
    virtual PSyGroup createGroup(const iastring& sName, const iastring& sSID) = 0;
    virtual PSyACL getACL(SecurableObjectType objectType) = 0;
    virtual PSyACL getACL() = 0;
    virtual iastring mapAccountName(const iastring& name) = 0;

    // Parses an access-rights expression and gives each entry's masks for objects of objectType;
    // a syntax error throws one of the CSySecurityParser exceptions.
    virtual PSyACLExpression parseACLExpression(const iastring& expression, SecurableObjectType objectType) = 0;
    // The accounts of this computer of one kind (USER, GROUP; any other value: both) whose names match a
    // pattern with * and ?.
    virtual PSyAccountIterator getAccounts(eAccountType type, const iastring& sPattern, bool bCaseSensitive) = 0;
};

// The combined names the value contains, then ": ", then "(kind scope)", e.g. "LOCALUSER: (USER MACHINELOCAL)".
SYSLIB_API std::wostream& operator<<(std::wostream& os, ISyAccountMgt::eAccountType value);

// The interfaces of the accounts the manager hands out; after the manager, whose kinds they name.
#include "syaccount.h"
