// The process-wide account cache: one implementation object per account, whoever asks for it.
#include "syaccountimpl.h"
#include "syaccountutil.h"

#include "framework/iastrutil.h"

SY_SOURCE_FILE(L"syxxccache")

namespace
{
const wchar_t* kindName(int kind)
{
    return kind == ISyAccountMgt::USER ? L"USER" : L"GROUP";
}

iastring describe(const CSyAccountImpl& account)
{
    return account.getName() + L", " + account.getSID() + L", " + kindName(account.getType() & 3);
}
} // namespace

CSyAccountCache& CSyAccountCache::instance()
{
    static CSyAccountCache cache;
    return cache;
}

std::shared_ptr<CSyAccountImpl> CSyAccountCache::findAccountImpl(const iastring& name, const iastring& sid,
                                                                 ISyAccountMgt::eAccountType type)
{
    const int kind = type & 3;
    if (!sid.empty())
    {
        const auto it = m_accounts.find(Key(stringToLower(sid), kind));
        return it == m_accounts.end() ? nullptr : it->second;
    }
    const iastring wanted = stringToLower(name);
    const bool qualified = wanted.find(L'\\') != iastring::npos;
    for (const auto& entry : m_accounts)
    {
        if (entry.first.second != kind)
            continue;
        const CSyAccountImpl& account = *entry.second;
        const iastring candidate = qualified
                                       ? stringToLower(account.getDomain()) + L"\\" + stringToLower(account.getName())
                                       : stringToLower(account.getName());
        if (candidate == wanted)
            return entry.second;
    }
    return nullptr;
}

std::shared_ptr<CSyAccountImpl> CSyAccountCache::getAccountImpl(const iastring& name, const iastring& sid, bool create,
                                                                ISyAccountMgt::eAccountType type)
{
    SY_TRACE_FUNCTION(L"CSyAccountCache::getAccountImpl(iastring, iastring, bool, ISyAccountMgt::eAccountType)");
    std::shared_ptr<CSyAccountImpl> found = findAccountImpl(name, sid, type);
    if (syslib::isTracing())
    {
        iastring dump = iastring(found ? L"" : L"not ") + L"in cache!" + L" dump of cache:\n";
        for (const auto& entry : m_accounts)
            dump += L"Name: " + entry.second->getName() + L", Id: " + entry.second->getSID() + L", Type: " +
                    kindName(entry.first.second) + L"\n";
        syslib::account::log(dump, __LINE__);
    }
    if (!found)
        return nullptr;
    syslib::account::log(L"found account (" + describe(*found) + L") in the accountcache.", __LINE__);
    if (!create)
        return found;
    m_accounts.erase(Key(stringToLower(found->getSID()), found->getType() & 3));
    return nullptr;
}

void CSyAccountCache::insert(const std::shared_ptr<CSyAccountImpl>& account)
{
    m_accounts[Key(stringToLower(account->getSID()), account->getType() & 3)] = account;
    syslib::account::log(L"inserted account (" + describe(*account) + L") into the accountcache.", __LINE__);
}

std::shared_ptr<CSyUserImpl> CSyAccountCache::getUserImpl(const CUserData& data, bool create,
                                                          ISyProgressObserver* observer)
{
    SY_TRACE_FUNCTION(L"CSyAccountCache::getUserImpl(const CUserData &, bool, ISyProgressObserver *)");
    if (auto cached = getAccountImpl(data.m_name, data.m_id, create, ISyAccountMgt::USER))
        return std::static_pointer_cast<CSyUserImpl>(cached);
    auto user = std::make_shared<CSyUserImpl>(data, create, observer);
    insert(user);
    return user;
}

std::shared_ptr<CSyGroupImpl> CSyAccountCache::getGroupImpl(const iastring& name, const iastring& sid, bool create,
                                                            ISyProgressObserver* observer)
{
    SY_TRACE_FUNCTION(L"CSyAccountCache::getGroupImpl(iastring, iastring, bool, ISyProgressObserver *)");
    if (auto cached = getAccountImpl(name, sid, create, ISyAccountMgt::GROUP))
        return std::static_pointer_cast<CSyGroupImpl>(cached);
    auto group = std::make_shared<CSyGroupImpl>(name, sid, create, observer);
    insert(group);
    return group;
}

std::shared_ptr<CSyAccountImpl> CSyAccountCache::getBoundImpl(IADs* object, ISyAccountMgt::eAccountType type)
{
    std::shared_ptr<CSyAccountImpl> bound;
    if ((type & 3) == ISyAccountMgt::GROUP)
        bound = std::make_shared<CSyGroupImpl>(object);
    else
        bound = std::make_shared<CSyUserImpl>(object);
    if (auto cached = findAccountImpl(iastring(), bound->getSID(), type))
        return cached;
    insert(bound);
    return bound;
}

void CSyAccountCache::deleteAccountImpl(const iastring& name, const iastring& sid, ISyAccountMgt::eAccountType type)
{
    SY_TRACE_FUNCTION(L"CSyAccountCache::deleteAccountImpl(iastring, iastring, ISyAccountMgt::eAccountType)");
    if (auto found = findAccountImpl(name, sid, type))
        m_accounts.erase(Key(stringToLower(found->getSID()), found->getType() & 3));
}
