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
    // Binds by name through the account lookup; false when no account has the name.
    virtual bool init(const iastring& sName);
    // Asks the directory again; binds the object when found.
    virtual bool isExistingOnOS();
    // Whether this account is the administrators group or one of its members.
    virtual bool do_isRoot(const iastring& sDomain);
    virtual bool do_isRoot();
    // Direct membership in the named group.
    virtual bool do_isMember(const iastring& sName);

    // "user" or "group": the directory class, and the word of the text form.
    const wchar_t* className() const;
    // user="name" uid="S-1-…" (group="…" gid="…" for a group).
    iastring toText() const;
    // Whether a directory object is bound (false for well-known accounts known by name only).
    bool isBound() const;

protected:
    // Takes the directory object's name, SID, domain and kind.
    void bind(IADs* object);
    // Step 2 onward of the construction of a user or group: exists/create checks.
    void construct(bool create, const iastring& signature);

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
};

class CSyGroupImpl : public CSyAccountImpl
{
public:
    CSyGroupImpl(const iastring& sName, const iastring& sSID, bool create, ISyProgressObserver* observer);
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

    const std::shared_ptr<Impl>& impl() const { return m_impl; }

private:
    std::shared_ptr<Impl> m_impl;
    int m_refCount = 0;
};

typedef CSyAccountHandle<ISyUser, CSyUserImpl> CSyUser;
typedef CSyAccountHandle<ISyGroup, CSyGroupImpl> CSyGroup;

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
    std::size_t size() const { return m_accounts.size(); }
    // For tests: forget every entry.
    void clear() { m_accounts.clear(); }

private:
    typedef std::pair<iastring, int> Key;
    void insert(const std::shared_ptr<CSyAccountImpl>& account);
    std::map<Key, std::shared_ptr<CSyAccountImpl>> m_accounts;
};
