// Account objects: one implementation per account, shared through the process-wide account cache by
// every handle that names it.
#pragma once

#include "syaccountmgt.h"
#include "syadspath.h"

#include <map>
#include <memory>
#include <utility>

// The bound directory object and the thread's COM initialisation; defined with the Windows code.
class CSyAccountBinding;
struct IADsUser;

class CSyAccountImpl : public CSyGenericImpl
{
public:
    CSyAccountImpl(const iastring& name, const iastring& sid, ISyAccountMgt::eAccountType kind);
    ~CSyAccountImpl() override;
    CSyAccountImpl(const CSyAccountImpl&) = delete;
    CSyAccountImpl& operator=(const CSyAccountImpl&) = delete;

    virtual ISyAccountMgt::eAccountType getType() const { return m_type; }
    virtual iastring getSID() const { return m_sSID; }
    virtual iastring getName() const { return m_sName; }
    virtual iastring getDomain() const { return m_sDomain; }
    virtual const CSyADsPath& getADsPath() const { return m_path; }
    virtual void setName(const iastring& name) { m_sName = name; }
    virtual void setSID(const iastring& sid) { m_sSID = sid; }
    virtual void setDomain(const iastring& domain) { m_sDomain = domain; }
    // Joins resp. leaves the group (the group does the work).
    virtual void do_setMembership(const PSyGroup& pGroup);
    virtual void do_cancelMembership(const PSyGroup& pGroup);
    virtual void do_rename(const iastring& sNewName);
    // Deletes the account from the system and drops it from the cache.
    virtual void do_remove();
    // Binds by name through the account lookup; false when no account has the name.
    virtual bool init(const iastring& sName);
    // Asks the directory again; binds the object when found.
    virtual bool isExistingOnOS();
    // Direct membership in the named group.
    virtual bool do_isMember(const iastring& sName);
    // Whether this account is the administrators group or one of its members.
    virtual bool do_isRoot(const iastring& sDomain);
    virtual bool do_isRoot();

    // The directory property "description"; groups refuse a blank one.
    iastring getDescription();
    void setDescription(const iastring& sNewDescription);

    // "user" or "group": the directory class, and the word of the text form.
    const wchar_t* className() const;
    // user="name" uid="S-1-…" (group="…" gid="…" for a group).
    iastring toText() const;
    // Whether a directory object is bound (false for well-known accounts known by name only).
    bool isBound() const;
    // The account's directory path: its bound object's, else the one its name gives.
    iastring getFullADsPath() const;
    // How a group names this account as its member.
    iastring memberPath() const;
    bool isGroup() const { return (m_type & 3) == ISyAccountMgt::GROUP; }
    // A domain account: its creation waits for the directory's replication.
    bool isDomainAccount() const { return (m_type & ISyAccountMgt::DOMAINLOCAL) != 0; }

protected:
    // Takes the directory object's name, SID, domain and kind.
    void bind(IADs* object);
    // Step 2 onward of the construction of a user or group: exists/create checks, then creation.
    void construct(bool create, const iastring& signature, const CUserData* data, ISyProgressObserver* observer);
    virtual void addToOS(const CUserData* data, ISyProgressObserver* observer) = 0;
    // Logs "common.functionNotSupported" with the signature and throws when no directory object is bound.
    void requireBound(const iastring& signature) const;
    // Logs the key with the account's text form, then the success message and summary entry.
    void reportSucceeded(const iastring& key, const iastring& what) const;

    iastring m_sName;
    iastring m_sSID;
    iastring m_sDomain;
    ISyAccountMgt::eAccountType m_type;
    CSyADsPath m_path;
    std::unique_ptr<CSyAccountBinding> m_binding;

private:
    // 1 or 0 when this account is or is not the group or a token member of it; -1 when the token cannot tell.
    int isRootFor(const iastring& adminsSid, bool domain);
};

class CSyUserImpl : public CSyAccountImpl
{
public:
    CSyUserImpl(const CUserData& data, bool create, ISyProgressObserver* observer);
    // An account a directory listing gave: bound as it is, no lookup.
    explicit CSyUserImpl(IADs* object);

    virtual void rename(const iastring& sNewName) { do_rename(sNewName); }
    virtual void remove();
    virtual void setMembership(const PSyGroup& pGroup) { do_setMembership(pGroup); }
    virtual void cancelMembership(const PSyGroup& pGroup) { do_cancelMembership(pGroup); }
    virtual bool isRoot(const iastring& sDomain) { return do_isRoot(sDomain); }
    virtual bool isRoot() { return do_isRoot(); }
    virtual PSyAccountIterator getMembership();
    virtual void removeWithoutHome() { do_remove(); }
    virtual bool isMember(const iastring& sName) { return do_isMember(sName); }
    virtual CSyPath getHomeDirectory();
    virtual void setHomeDirectory(const CSyPath& home, bool bMoveOldHome);
    virtual iastring getLoginShell();
    virtual void setLoginShell(const iastring& sShell);
    virtual bool checkPassword(const iastring& sPassword);
    virtual bool hasPassword();
    virtual void setPassword(const iastring& sPassword);
    virtual PSyGroup getPrimaryGroup();
    virtual void setPrimaryGroup(const PSyGroup& pGroup);

    // Logon with each logon type in turn: true at the first success, false for a wrong password or when no
    // type is granted.
    bool testLogon(const iastring& sPassword);

protected:
    void addToOS(const CUserData* data, ISyProgressObserver* observer) override;

private:
    // Takes a half-created account away again (its object is user), with the home directories the creation
    // made (homeMade, the highest of them); each failure here is only reported.
    void undoCreation(IADsUser* user, const CSyPath& homeMade);
};

class CSyGroupImpl : public CSyAccountImpl
{
public:
    CSyGroupImpl(const iastring& sName, const iastring& sSID, bool create, ISyProgressObserver* observer);
    explicit CSyGroupImpl(IADs* object);

    virtual void rename(const iastring& sNewName) { do_rename(sNewName); }
    virtual void remove() { do_remove(); }
    virtual void setMembership(const PSyGroup& pGroup) { do_setMembership(pGroup); }
    virtual void cancelMembership(const PSyGroup& pGroup) { do_cancelMembership(pGroup); }
    virtual bool isRoot(const iastring& sDomain) { return do_isRoot(sDomain); }
    virtual bool isRoot() { return do_isRoot(); }
    virtual void addMember(const PSyAccount& pAccount) { changeMember(pAccount, true); }
    virtual void removeMember(const PSyAccount& pAccount) { changeMember(pAccount, false); }
    virtual PSyAccountIterator getMembership();
    virtual PSyAccountIterator getMembers(ISyAccountMgt::eAccountType accountType, const iastring& sPattern,
                                          bool bCaseSensitive);
    virtual bool isMember(const iastring& sName) { return do_isMember(sName); }

    // Adds or removes the member; also for a member still being created, which no handle holds yet.
    void changeMember(CSyAccountImpl& member, bool add);

protected:
    void addToOS(const CUserData* data, ISyProgressObserver* observer) override;

private:
    void changeMember(const PSyAccount& pAccount, bool add);
};

// A handle on a cached implementation: counts its own references, shares the implementation.
template <class I, class Impl>
class CSyAccountHandle : public I
{
public:
    explicit CSyAccountHandle(std::shared_ptr<Impl> impl) : m_impl(std::move(impl)) {}

    int addRef() override { return ++m_refCount; }
    int release() override
    {
        if (m_refCount == 1)
        {
            delete this;
            return 0;
        }
        return --m_refCount;
    }
    int getRefCount() override { return m_refCount; }
    ILogBook* setLogBook(ILogBook* logBook) override { return m_impl->setLogBook(logBook); }

    int getType() override { return SY_FORWARD(static_cast<int>(m_impl->getType())); }
    iastring getSID() override { return SY_FORWARD(m_impl->getSID()); }
    iastring getName() override { return SY_FORWARD(m_impl->getName()); }
    iastring getDomain() override { return SY_FORWARD(m_impl->getDomain()); }
    void rename(const iastring& sNewName) override { SY_FORWARD(m_impl->rename(sNewName)); }
    void remove() override { SY_FORWARD(m_impl->remove()); }
    iastring getDescription() override { return SY_FORWARD(m_impl->getDescription()); }
    void setDescription(const iastring& sNewDescription) override
    {
        SY_FORWARD(m_impl->setDescription(sNewDescription));
    }
    void setMembership(const PSyGroup& pGroup) override { SY_FORWARD(m_impl->setMembership(pGroup)); }
    void cancelMembership(const PSyGroup& pGroup) override { SY_FORWARD(m_impl->cancelMembership(pGroup)); }
    bool isRoot(const iastring& sDomain) override { return SY_FORWARD(m_impl->isRoot(sDomain)); }
    bool isRoot() override { return SY_FORWARD(m_impl->isRoot()); }
    PSyAccountIterator getMembership() override { return SY_FORWARD(m_impl->getMembership()); }
    bool isMember(const iastring& sName) override { return SY_FORWARD(m_impl->isMember(sName)); }

    const std::shared_ptr<Impl>& impl() const { return m_impl; }

protected:
    std::shared_ptr<Impl> m_impl;

private:
    int m_refCount = 0;
};

class CSyUser : public CSyAccountHandle<ISyUser, CSyUserImpl>
{
public:
    using CSyAccountHandle<ISyUser, CSyUserImpl>::CSyAccountHandle;

    void removeWithoutHome() override { SY_FORWARD(m_impl->removeWithoutHome()); }
    CSyPath getHomeDirectory() override { return SY_FORWARD(m_impl->getHomeDirectory()); }
    void setHomeDirectory(const CSyPath& home, bool bMoveOldHome) override
    {
        SY_FORWARD(m_impl->setHomeDirectory(home, bMoveOldHome));
    }
    iastring getLoginShell() override { return SY_FORWARD(m_impl->getLoginShell()); }
    void setLoginShell(const iastring& sShell) override { SY_FORWARD(m_impl->setLoginShell(sShell)); }
    bool checkPassword(const iastring& sPassword) override { return SY_FORWARD(m_impl->checkPassword(sPassword)); }
    bool hasPassword() override { return SY_FORWARD(m_impl->hasPassword()); }
    void setPassword(const iastring& sPassword) override { SY_FORWARD(m_impl->setPassword(sPassword)); }
    PSyGroup getPrimaryGroup() override { return SY_FORWARD(m_impl->getPrimaryGroup()); }
    void setPrimaryGroup(const PSyGroup& pGroup) override { SY_FORWARD(m_impl->setPrimaryGroup(pGroup)); }
};

class CSyGroup : public CSyAccountHandle<ISyGroup, CSyGroupImpl>
{
public:
    using CSyAccountHandle<ISyGroup, CSyGroupImpl>::CSyAccountHandle;

    void addMember(const PSyAccount& pAccount) override { SY_FORWARD(m_impl->addMember(pAccount)); }
    void removeMember(const PSyAccount& pAccount) override { SY_FORWARD(m_impl->removeMember(pAccount)); }
    PSyAccountIterator getMembers(ISyAccountMgt::eAccountType accountType, const iastring& sPattern,
                                  bool bCaseSensitive) override
    {
        return SY_FORWARD(m_impl->getMembers(accountType, sPattern, bCaseSensitive));
    }
};

// The implementation behind an account handle, whichever kind it is.
std::shared_ptr<CSyAccountImpl> accountImplOf(const PSyAccount& account);

// The one cache of account objects, by (lower-case SID, kind).
class CSyAccountCache
{
public:
    static CSyAccountCache& instance();

    std::shared_ptr<CSyUserImpl> getUserImpl(const CUserData& data, bool create, ISyProgressObserver* observer);
    std::shared_ptr<CSyGroupImpl> getGroupImpl(const iastring& name, const iastring& sid, bool create,
                                               ISyProgressObserver* observer);
    void deleteAccountImpl(const iastring& name, const iastring& sid, ISyAccountMgt::eAccountType type);

    std::shared_ptr<CSyAccountImpl> getAccountImpl(const iastring& name, const iastring& sid, bool create,
                                                   ISyAccountMgt::eAccountType type);
    std::shared_ptr<CSyAccountImpl> findAccountImpl(const iastring& name, const iastring& sid,
                                                    ISyAccountMgt::eAccountType type);
    // The cached object of the account a directory listing gave, else a new one bound to it.
    std::shared_ptr<CSyAccountImpl> getBoundImpl(IADs* object, ISyAccountMgt::eAccountType type);
    std::size_t size() const { return m_accounts.size(); }
    // For tests: forget every entry.
    void clear() { m_accounts.clear(); }

private:
    typedef std::pair<iastring, int> Key;
    void insert(const std::shared_ptr<CSyAccountImpl>& account);
    std::map<Key, std::shared_ptr<CSyAccountImpl>> m_accounts;
};
