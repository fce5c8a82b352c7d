// Accounts of a domain this computer is a member of, over the stand-ins' played domain: creation in the
// domain's own database, the wait for replication (its minute-long pauses recorded instead of slept),
// membership across the domain and this computer, and deletion.
#include "accountteststate.h"
#include "syslib/account/syaccountwin.h"
#include "syslib/common/syfactory.h"
#include "tests/support/recordinglogbook.h"

#include <set>

namespace
{
const iastring password = L"Dom-4b8e2a-secret";
const iastring domainSid = L"S-1-5-21-7-8-9";

std::vector<DWORD> pauses;
std::vector<iastring> bound;

// A domain whose controller does not answer the WinNT provider; everything else binds as before.
HRESULT WINAPI unreachableDomain(LPCWSTR path, REFIID riid, VOID** object)
{
    bound.push_back(path);
    if (iastring(path).compare(0, 13, L"WinNT://CORP,") == 0 || iastring(path) == L"WinNT://CORP")
        return HRESULT_FROM_WIN32(ERROR_BAD_NETPATH);
    return standins::ADsGetObject(path, riid, object);
}
VOID WINAPI recordPause(DWORD milliseconds)
{
    pauses.push_back(milliseconds);
}

ISyAccountMgt& manager()
{
    return *CSyslibFactory::getInstance()->getAccountMgt();
}

CUserData domainUser(const iastring& name)
{
    CUserData data;
    data.m_name = name;
    data.m_password = password;
    return data;
}

std::vector<std::pair<iastring, int>> attempts(int count)
{
    std::vector<std::pair<iastring, int>> steps;
    for (int attempt = 1; attempt <= count; ++attempt)
        steps.emplace_back(std::to_wstring(attempt), attempt * 100 / 15);
    return steps;
}

std::set<iastring> memberNames(const PSyGroup& group)
{
    std::set<iastring> found;
    for (PSyAccountIterator it = group->getMembers(ISyAccountMgt::NONE, L"", false); !it->isDone(); it->next())
        found.insert(it->get()->getName());
    return found;
}

class DomainAccounts : public CStandInAccounts
{
protected:
    void SetUp() override
    {
        CStandInAccounts::SetUp();
        pauses.clear();
    }

    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::Sleep)> m_instant{standins::accountApiTable().Sleep,
                                                                                   recordPause};
};
} // namespace

TEST_F(DomainAccounts, TheWaitPausesAMinuteBetweenAttemptsAndGivesUpAfterFifteen)
{
    CRecordingLogBook book;
    CRecordingObserver observer;
    int asked = 0;
    syslib::account::waitForReplication(L"user", L"dom1", &observer, [&] { return ++asked == 3; });
    EXPECT_EQ(3, asked);
    EXPECT_EQ((std::vector<DWORD>{60000, 60000}), pauses);
    EXPECT_EQ(std::vector<iastring>{L"Waiting for replication of user dom1."}, observer.headings);
    EXPECT_EQ(attempts(2), observer.steps);

    pauses.clear();
    book.clear();
    syslib::account::waitForReplication(L"group", L"dom2", nullptr, [] { return false; });
    EXPECT_EQ(15u, pauses.size());
    const std::vector<iastring> logs = book.logs();
    ASSERT_FALSE(logs.empty());
    EXPECT_EQ(L"Waiting for replication of group dom2.", logs.front());
    EXPECT_EQ(L"Domain account dom2 has not been replicated after 15 minutes.", logs.back());
}

TEST_F(DomainAccounts, AUserIsMadeInItsDomainAndAwaitedUntilItsTestLogonSucceeds)
{
    playStandInDomain(L"CORP", L"\\\\DC1", domainSid.c_str(), 2);
    CRecordingLogBook book;
    CRecordingObserver observer;
    CUserData data = domainUser(L"corp\\dave");
    data.m_description = L"domain service";

    const PSyUser user = manager().createUser(data, &observer);

    EXPECT_EQ(ISyAccountMgt::DOMAINUSER, user->getType());
    EXPECT_EQ(domainSid + L"-1001", user->getSID());
    standins::CAccountRecord record;
    ASSERT_TRUE(standins::findAccount(standins::KIND_USER, L"dave", record, L"CORP"));
    EXPECT_FALSE(standins::findAccount(standins::KIND_USER, L"dave", record)) << "not an account of this computer";
    EXPECT_EQ(L"domain service", record.description);
    EXPECT_NE(0u, record.flags & 0x10000) << "the password never expires";

    // Two logons miss the new account, the third finds it.
    EXPECT_EQ((std::vector<DWORD>{60000, 60000}), pauses);
    EXPECT_EQ(std::vector<iastring>{L"Waiting for replication of user dave."}, observer.headings);
    EXPECT_EQ(attempts(2), observer.steps);
    EXPECT_TRUE(book.hasLog(L"Test logon for user dave successfull. I assume that the user is replicated now."));
    EXPECT_FALSE(book.hasLog(L"Domain account dave has not been replicated after 15 minutes."));
    EXPECT_EQ(CLogArguments{L"dave"}, book.onlyMessage(L"syslib.account.creationSucceeded").arguments);
    EXPECT_FALSE(book.holdsAnywhere(password));

    CSyAccountCache::instance().clear();
    const PSyUser found = manager().getUser(user->getSID());
    EXPECT_EQ(L"dave", found->getName());
    EXPECT_EQ(ISyAccountMgt::DOMAINUSER, found->getType());
    EXPECT_TRUE(found->checkPassword(password));
    EXPECT_FALSE(found->checkPassword(L"not it"));
}

TEST_F(DomainAccounts, AUserWhoseLogonNeverSucceedsCostsFifteenPausesAndIsUsedAnyway)
{
    playStandInDomain(L"CORP", L"\\\\DC1", domainSid.c_str(), 100);
    addStandInGroup(L"builders");
    CRecordingLogBook book;
    CRecordingObserver observer;
    CUserData data = domainUser(L"CORP\\erin");
    data.m_groups = {L"builders"};

    const PSyUser user = manager().createUser(data, &observer);

    EXPECT_EQ(std::vector<DWORD>(15, 60000), pauses);
    EXPECT_EQ(attempts(15), observer.steps);
    EXPECT_TRUE(book.hasLog(L"Domain account erin has not been replicated after 15 minutes."));
    EXPECT_FALSE(book.hasLog(L"Test logon for user erin successfull. I assume that the user is replicated now."));
    // Used anyway: the local group takes the domain account, and creation is reported.
    EXPECT_TRUE(user->isMember(L"builders"));
    std::vector<iastring> members;
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), standins::groupMembers(L"builders", members));
    EXPECT_EQ(std::vector<iastring>{user->getSID()}, members);
    EXPECT_EQ(1u, book.messages(L"syslib.account.addMemberSucceeded").size());
    EXPECT_EQ(CLogArguments{L"erin"}, book.onlyMessage(L"syslib.account.creationSucceeded").arguments);
    EXPECT_FALSE(book.holdsAnywhere(password));
}

TEST_F(DomainAccounts, AGroupIsAwaitedUntilTheNameLookupKnowsItAndTakesDomainMembers)
{
    playStandInDomain(L"CORP", L"\\\\DC1", domainSid.c_str(), 1);
    CRecordingLogBook book;
    CRecordingObserver observer;

    const PSyGroup staff = manager().createGroup(L"CORP\\staff", L"", &observer);

    EXPECT_EQ(ISyAccountMgt::DOMAINGROUP, staff->getType());
    EXPECT_EQ(0u, staff->getSID().find(domainSid + L"-"));
    EXPECT_EQ((std::vector<DWORD>{60000}), pauses);
    EXPECT_EQ(std::vector<iastring>{L"Waiting for replication of group staff."}, observer.headings);
    const std::vector<iastring> logs = book.logs();
    const auto still = std::find(logs.begin(), logs.end(), L"Still waiting for replication of group staff.");
    const auto known = std::find(logs.begin(), logs.end(),
                                 L"LookupAccountName for group staff returned ERROR_INSUFFICIENT_BUFFER. I assume "
                                 L"that the group is replicated now.");
    ASSERT_NE(logs.end(), still);
    ASSERT_NE(logs.end(), known);
    EXPECT_LT(still, known);

    // A user made with the domain group joins it in the domain's database.
    pauses.clear();
    CUserData data = domainUser(L"CORP\\dave");
    data.m_groups = {L"CORP\\staff"};
    const PSyUser dave = manager().createUser(data);
    EXPECT_EQ(1u, pauses.size());
    EXPECT_EQ(std::set<iastring>{L"dave"}, memberNames(staff));
    EXPECT_TRUE(dave->isMember(L"CORP\\staff"));
    std::vector<iastring> members;
    EXPECT_EQ(static_cast<NET_API_STATUS>(NERR_GroupNotFound), standins::groupMembers(L"staff", members))
        << "no group of this computer";

    // Deleting the user takes it out of its domain's groups; the group goes with its own deletion.
    dave->removeWithoutHome();
    standins::CAccountRecord record;
    EXPECT_FALSE(standins::findAccount(standins::KIND_USER, L"dave", record, L"CORP"));
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), standins::groupMembers(L"staff", members, L"CORP"));
    EXPECT_TRUE(members.empty());
    staff->remove();
    EXPECT_FALSE(standins::findAccount(standins::KIND_GROUP, L"staff", record, L"CORP"));
}

TEST_F(DomainAccounts, AContainerOfADomainThatDoesNotAnswerIsLookedForOnThisComputerLast)
{
    playStandInDomain(L"CORP", L"\\\\DC1", domainSid.c_str());
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::ADsGetObject)> refusing(
        standins::accountApiTable().ADsGetObject, unreachableDomain);
    CRecordingLogBook book;
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(::GetComputerNameW(name, &length));
    const iastring computer(name, length);
    bound.clear();
    syslib::CSyComPtr<IADsContainer> container;
    iastring containerPath;
    ASSERT_TRUE(SUCCEEDED(syslib::account::bindParentContainer(CSyADsPath::fromString(L"CORP\\dave"),
                                                               IID_IADsContainer, container.receiveVoid(),
                                                               containerPath)));
    EXPECT_EQ((std::vector<iastring>{L"WinNT://CORP", L"WinNT://CORP,computer", L"WinNT://CORP,domain",
                                     L"WinNT://" + computer}),
              bound);
    EXPECT_EQ(L"WinNT://" + computer, containerPath);
    EXPECT_TRUE(book.hasLog(L"ADsGetObject(WinNT://CORP,domain, ...) failed. Message: " +
                            syslib::getOSErrorText(static_cast<syslib::SyOSError>(HRESULT_FROM_WIN32(ERROR_BAD_NETPATH)))));

    // This computer's own accounts have no other place to look.
    bound.clear();
    container.reset();
    ASSERT_TRUE(SUCCEEDED(syslib::account::bindParentContainer(CSyADsPath::fromString(computer + L"\\x"),
                                                               IID_IADsContainer, container.receiveVoid(),
                                                               containerPath)));
    EXPECT_EQ(std::vector<iastring>{L"WinNT://" + computer}, bound);
}
