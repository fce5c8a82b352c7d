// Accounts: a user or a group of the system, found or created through the account manager.
#pragma once

#include "syaccountmgt.h"
#include "syaccountptr.h"
#include "syslib/common/sygeneric.h"
#include "syslib/filesystem/sypath.h"

class ISyAccount : public ISyGeneric
{
public:
    // The ISyAccountMgt::eAccountType bits: kind and scope.
    virtual int getType() = 0;
    // The SID in its S-1-… text form.
    virtual iastring getSID() = 0;
    virtual iastring getName() = 0;
    virtual iastring getDomain() = 0;

    virtual void rename(const iastring& sNewName) = 0;
    // A user's home directory goes with it; removeWithoutHome keeps it.
    virtual void remove() = 0;
    virtual iastring getDescription() = 0;
    virtual void setDescription(const iastring& sNewDescription) = 0;
    virtual void setMembership(const PSyGroup& pGroup) = 0;
    virtual void cancelMembership(const PSyGroup& pGroup) = 0;
    // Administrator of the domain, resp. of this computer.
    virtual bool isRoot(const iastring& sDomain) = 0;
    virtual bool isRoot() = 0;
};

class ISyUser : public ISyAccount
{
public:
    // The groups the user belongs to.
    virtual PSyAccountIterator getMembership() = 0;
    virtual void removeWithoutHome() = 0;
    // Direct membership in the named group.
    virtual bool isMember(const iastring& sName) = 0;
    virtual CSyPath getHomeDirectory() = 0;
    // Creates the directory when missing; bMoveOldHome moves the old home's contents into it.
    virtual void setHomeDirectory(const CSyPath& home, bool bMoveOldHome) = 0;
    // Not supported on Windows.
    virtual iastring getLoginShell() = 0;
    virtual void setLoginShell(const iastring& sShell) = 0;
    // A test logon: false for a wrong password, an exception only when the logon cannot be tried.
    virtual bool checkPassword(const iastring& sPassword) = 0;
    // Whether the account is enabled: a user created without a password is not.
    virtual bool hasPassword() = 0;
    // Sets the password and enables the account.
    virtual void setPassword(const iastring& sPassword) = 0;
    virtual PSyGroup getPrimaryGroup() = 0;
    // Changes nothing on Windows, and says so.
    virtual void setPrimaryGroup(const PSyGroup& pGroup) = 0;
};

class ISyGroup : public ISyAccount
{
public:
    virtual void addMember(const PSyAccount& pAccount) = 0;
    virtual void removeMember(const PSyAccount& pAccount) = 0;
    // The groups that contain this group; domain groups only.
    virtual PSyAccountIterator getMembership() = 0;
    // accountType: USER, GROUP, or any other value for both; sPattern: a name pattern with * and ?.
    virtual PSyAccountIterator getMembers(ISyAccountMgt::eAccountType accountType, const iastring& sPattern,
                                          bool bCaseSensitive) = 0;
    virtual bool isMember(const iastring& sName) = 0;
};
