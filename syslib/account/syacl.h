// The access-control list of one securable object (a file or directory, a share, a registry key, a
// service): owner, group and the rights each account is granted or denied, read and changed by account
// or by access-rights expression. The object it came from writes it back.
#pragma once

#include "syaclright.h"
#include "syslib/common/sygeneric.h"

class ISyAccount;
typedef IaPtr<ISyAccount> PSyAccount;

class ISyACL : public ISyGeneric
{
public:
    // UNIX permission bits; not supported on this platform.
    typedef unsigned int Permissions_t;

    // The owner's SID text; empty when the object has none.
    virtual iastring getOwnerId() = 0;
    virtual PSyAccount getOwner() = 0;
    virtual void setOwner(const PSyAccount& pOwner) = 0;
    virtual iastring getGroupId() = 0;
    virtual PSyAccount getGroup() = 0;
    virtual void setGroup(const PSyAccount& sypGroup) = 0;
    // The account's letters, then "!" and the denied letters when there are any.
    virtual iastring getRight(const PSyAccount& pAccount) = 0;
    virtual void setRight(const PSyAccount& pAccount, iastring sRight) = 0;
    virtual void addRight(const PSyAccount& pAccount, iastring sRight) = 0;
    virtual void removeRight(const PSyAccount& pAccount, iastring sRight) = 0;
    // Applies an access-rights expression; nothing changes when an entry names an unknown account.
    virtual void modifyRights(iastring sExpression, SecurableObjectType objectType) = 0;
    virtual void modifyRights(iastring sExpression) = 0;
    // The entries as an expression that gives them back when applied to an empty list.
    virtual iastring toString(SecurableObjectType objectType) = 0;
    virtual iastring toString() = 0;
    // Removes every entry of the account; none is only logged.
    virtual void deleteEntry(const PSyAccount& pAccount) = 0;
    virtual void chmod(Permissions_t mode) = 0;
    // The descriptor as Windows would store it, in SDDL.
    virtual iastring dumpNative() = 0;
};
typedef IaPtr<ISyACL> PSyACL;

// The caller's handler of errors that a long operation may skip; declared for the signatures only.
class ISyErrorHandler;
