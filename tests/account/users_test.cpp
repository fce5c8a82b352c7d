// Users and groups over the stand-ins: creation with everything a user carries, passwords and logon,
// membership both ways, member lists with filters, renames, deletion with and without the home
// directory, and the failures each of them reports.
#include "standins/common/saregistry.h"
#include "accountteststate.h"
#include "syslib/account/syaccountwin.h"
#include "framework/iastrutil.h"
#include "syslib/common/syfactory.h"
#include "tests/support/expectthrow.h"
#include "tests/support/recordinglogbook.h"
#include "tests/support/tempdir.h"

#include <sddl.h>
#include <userenv.h>
#include <set>
#include <stdexcept>

namespace
{
const iastring password = L"Pw-7f3c9e1-secret";

ISyAccountMgt& manager()
{
    return *CSyslibFactory::getInstance()->getAccountMgt();
}

CUserData userData(const iastring& name, const iastring& secret)
{
    CUserData data;
    data.m_name = name;
    data.m_password = secret;
    return data;
}

std::set<iastring> names(const PSyAccountIterator& iterator)
{
    std::set<iastring> found;
    for (; !iterator->isDone(); iterator->next())
        found.insert(iterator->get()->getName());
    return found;
}

DWORD storedFlags(const iastring& user)
{
    standins::CAccountRecord record;
    EXPECT_TRUE(standins::findAccount(standins::KIND_USER, user, record));
    return record.flags;
}

void setMinimumPasswordLength(DWORD minimum)
{
    syslib::CSyRegKey root = standins::openMachineKey(standins::accountsKey, true);
    ::RegSetValueExW(root.get(), L"MinPasswordLength", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&minimum),
                     sizeof(minimum));
}

// The failure contract where the system call's own report comes first: "syslib.sysCallFailed", then the key.
template <class E, class F>
E expectReportedAfterSystemCall(CRecordingLogBook& book, F call, const iastring& key, const CLogArguments& arguments)
{
    book.clear();
    try
    {
        call();
    }
    catch (const E& failure)
    {
        const std::vector<CRecordedLine> messages = book.messages();
        EXPECT_EQ(2u, messages.size());
        if (messages.size() == 2)
        {
            EXPECT_EQ(L"syslib.sysCallFailed", messages[0].text);
            EXPECT_EQ(key, messages[1].text);
            EXPECT_EQ(arguments, messages[1].arguments);
        }
        return failure;
    }
    throw std::logic_error("expected exception not thrown");
}

class Users : public CStandInAccounts
{
};
} // namespace

TEST_F(Users, ACreatedUserCarriesPasswordDescriptionHomeAndGroups)
{
    CTempDir temp;
    addStandInGroup(L"Operators1");
    addStandInGroup(L"Readers1");
    CRecordingLogBook book;
    CRecordingObserver observer;
    CUserData data = userData(L"svcuser", password);
    data.m_description = L"the service";
    data.m_homeDirectory = temp / L"homes\\svcuser";
    data.m_groups = {L"Operators1", L"readers1"};

    const PSyUser user = manager().createUser(data, &observer);

    EXPECT_EQ(ISyAccountMgt::LOCALUSER, user->getType());
    EXPECT_EQ(0u, user->getSID().find(L"S-1-5-21-"));
    EXPECT_TRUE(user->hasPassword());
    EXPECT_TRUE(user->checkPassword(password));
    EXPECT_FALSE(user->checkPassword(L"not it"));
    EXPECT_EQ(L"the service", user->getDescription());
    EXPECT_EQ(CSyPath(data.m_homeDirectory), user->getHomeDirectory());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(data.m_homeDirectory.c_str()));
    EXPECT_TRUE(user->isMember(L"Operators1"));
    EXPECT_TRUE(user->isMember(L"Readers1"));
    EXPECT_EQ((std::set<iastring>{L"Operators1", L"Readers1"}), names(user->getMembership()));
    EXPECT_NE(0u, storedFlags(L"svcuser") & 0x10000) << "the password never expires";
    EXPECT_TRUE(observer.headings.empty()) << "a local user waits for no replication";

    const CRecordedLine created = book.onlyMessage(L"syslib.account.creationSucceeded");
    EXPECT_EQ(CLogArguments{L"svcuser"}, created.arguments);
    EXPECT_TRUE(created.flag) << "a summary entry";
    EXPECT_EQ(2u, book.messages(L"syslib.account.addMemberSucceeded").size());
    EXPECT_FALSE(book.holdsAnywhere(password));
}

TEST_F(Users, WithoutAPasswordTheAccountIsDisabledUntilOneIsSet)
{
    CRecordingLogBook book;
    const PSyUser user = manager().createUser(userData(L"nopass", L""));
    EXPECT_FALSE(user->hasPassword());
    EXPECT_NE(0u, storedFlags(L"nopass") & UF_ACCOUNTDISABLE);
    EXPECT_NE(0u, storedFlags(L"nopass") & 0x10000);

    book.clear();
    user->setPassword(password);
    EXPECT_TRUE(user->hasPassword());
    EXPECT_TRUE(user->checkPassword(password));
    EXPECT_EQ(CLogArguments{L"user=\"nopass\" uid=\"" + user->getSID() + L"\""},
              book.onlyMessage(L"syslib.account.setPasswordSucceeded").arguments);
    EXPECT_FALSE(book.holdsAnywhere(password));
}

TEST_F(Users, CreatingAnExistingAccountFailsBeforeAnyChange)
{
    CUserData data = userData(L"twice", password);
    data.m_description = L"first";
    manager().createUser(data);
    CRecordingLogBook book;
    data.m_description = L"second";
    const ESyAccount failure = expectLoggedThrow<ESyAccount>(
        book, [&] { manager().createUser(data); }, L"syslib.account.isExistingOnOsSucceededTrue",
        {L"user=\"twice\" uid=\"" + manager().getUser(L"twice")->getSID() + L"\""});
    EXPECT_EQ(ESyAccount::EXISTS, failure.getCode());
    EXPECT_EQ(L"first", manager().getUser(L"twice")->getDescription());

    addStandInGroup(L"Taken1");
    expectLoggedThrow<ESyAccount>(
        book, [&] { manager().createGroup(L"Taken1", L""); }, L"syslib.account.isExistingOnOsSucceededTrue",
        {L"group=\"Taken1\" gid=\"" + manager().getGroup(L"Taken1")->getSID() + L"\""});
}

TEST_F(Users, APasswordThePolicyRefusesLeavesNoAccountAndIsNeverLogged)
{
    setMinimumPasswordLength(30);
    CRecordingLogBook book;
    const ESyAccountCreationFailed failure = expectLoggedThrow<ESyAccountCreationFailed>(
        book, [&] { manager().createUser(userData(L"shortpw", password)); }, L"syslib.account.creationFailed",
        {L"user=\"shortpw\" uid=\"\""});
    EXPECT_EQ(ESyException::DCOM_HRESULT, failure.getErrorType());
    EXPECT_EQ(static_cast<int>(0x800708C5), failure.getCode());
    EXPECT_TRUE(book.hasLog(L"HRESULT=0x800708C5"));
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"shortpw"));

    setMinimumPasswordLength(0);
    const PSyUser user = manager().createUser(userData(L"shortpw", L""));
    setMinimumPasswordLength(30);
    book.clear();
    EXPECT_THROW(user->setPassword(password), ESyAccountSetPasswordFailed);
    EXPECT_EQ(1u, book.messages(L"syslib.account.setPasswordFailed").size());
    EXPECT_FALSE(book.holdsAnywhere(password));
}

TEST_F(Users, ACreationThatFailsAfterTheAccountExistsTakesItAwayAgain)
{
    CTempDir temp;
    const iastring blocker = temp / L"occupied";
    ASSERT_TRUE(syslib::CSyKernelHandle(::CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                      FILE_ATTRIBUTE_NORMAL, nullptr)));
    CUserData data = userData(L"homeless", password);
    data.m_description = L"not for long";
    data.m_homeDirectory = blocker + L"\\home";
    CRecordingLogBook book;
    try
    {
        manager().createUser(data);
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyAccountModificationFailed& failure)
    {
        EXPECT_EQ(CSyPath(data.m_homeDirectory).toString(), failure.getText2());
    }
    const CRecordedLine refused = book.onlyMessage(L"syslib.account.modificationFailed");
    EXPECT_EQ(L"home", refused.arguments.at(1));
    EXPECT_EQ(0u, refused.arguments.at(0).find(L"user=\"homeless\""));
    const CRecordedLine undone = book.onlyMessage(L"syslib.account.creationUndone");
    EXPECT_EQ(CMessage::LOG_WARNING, undone.type);
    EXPECT_EQ(refused.arguments.at(0), undone.arguments.at(0));
    EXPECT_EQ(CLogArguments{L"homeless"}, book.onlyMessage(L"syslib.account.deletionSucceeded").arguments);
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"homeless"));
    EXPECT_FALSE(book.holdsAnywhere(password));

    // An unknown group fails the creation after the home was made: both go, and a retry starts afresh.
    data.m_homeDirectory = temp / L"homes\\deep\\homeless";
    data.m_groups = {L"NoSuchGroup1"};
    EXPECT_THROW(manager().createUser(data), ESyAccountNotExists);
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"homeless"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((temp / L"homes").c_str())) << "the creation made it";
    addStandInGroup(L"NoSuchGroup1");
    const PSyUser user = manager().createUser(data);
    EXPECT_TRUE(user->isMember(L"NoSuchGroup1"));
    EXPECT_EQ(L"not for long", user->getDescription());
}

TEST_F(Users, ALogonThatCannotBeTriedIsAFailureNotAWrongPassword)
{
    const PSyUser user = manager().createUser(userData(L"logon1", password));
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LogonUserW)> noTypes(
        standins::accountApiTable().LogonUserW,
        [](LPCWSTR, LPCWSTR, LPCWSTR, DWORD, DWORD, PHANDLE) WINAPI -> BOOL {
            ::SetLastError(ERROR_LOGON_TYPE_NOT_GRANTED);
            return FALSE;
        });
    EXPECT_FALSE(user->checkPassword(password)) << "no logon type granted";
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LogonUserW)> broken(
        standins::accountApiTable().LogonUserW,
        [](LPCWSTR, LPCWSTR, LPCWSTR, DWORD, DWORD, PHANDLE) WINAPI -> BOOL {
            ::SetLastError(ERROR_NO_LOGON_SERVERS);
            return FALSE;
        });
    CRecordingLogBook book;
    const ESyAccountCheckPasswordFailed failure = expectReportedAfterSystemCall<ESyAccountCheckPasswordFailed>(
        book, [&] { user->checkPassword(password); }, L"syslib.account.checkPasswordFailed",
        {L"ErrorNo", L"1311", L"user=\"logon1\" uid=\"" + user->getSID() + L"\""});
    EXPECT_EQ(static_cast<int>(ERROR_NO_LOGON_SERVERS), failure.getCode());
    EXPECT_FALSE(book.holdsAnywhere(password));
}

TEST_F(Users, RemoveTakesTheHomeDirectoryAndRemoveWithoutHomeKeepsIt)
{
    CTempDir temp;
    addStandInGroup(L"Members1");
    CUserData data = userData(L"leaver", password);
    data.m_homeDirectory = temp / L"leaver";
    data.m_groups = {L"Members1"};
    PSyUser user = manager().createUser(data);
    writeTestFile(data.m_homeDirectory + L"\\notes.txt", "kept?");
    CRecordingLogBook book;
    user->remove();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(data.m_homeDirectory.c_str()));
    EXPECT_EQ(CLogArguments{L"leaver"}, book.onlyMessage(L"syslib.account.deletionSucceeded").arguments);
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"leaver"));
    EXPECT_TRUE(names(manager().getGroup(L"Members1")->getMembers(ISyAccountMgt::NONE, L"", false)).empty())
        << "a deleted user leaves its groups";

    data.m_name = L"stayer";
    data.m_homeDirectory = temp / L"stayer";
    manager().createUser(data)->removeWithoutHome();
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(data.m_homeDirectory.c_str()));
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"stayer"));
}

TEST_F(Users, AHomeThatIsNoAccountsOwnStaysWhenTheAccountGoes)
{
    // What is decided, without deleting anything.
    wchar_t windows[MAX_PATH + 1];
    wchar_t system[MAX_PATH + 1];
    wchar_t profiles[MAX_PATH + 1];
    DWORD length = MAX_PATH + 1;
    ASSERT_NE(0u, ::GetWindowsDirectoryW(windows, MAX_PATH + 1));
    ASSERT_NE(0u, ::GetSystemDirectoryW(system, MAX_PATH + 1));
    ASSERT_TRUE(::GetProfilesDirectoryW(profiles, &length));
    using syslib::account::homeRemovalRefused;
    EXPECT_EQ(windows, homeRemovalRefused(CSyPath(windows), L""));
    EXPECT_EQ(windows, homeRemovalRefused(CSyPath(iastring(windows) + L"\\Fonts"), L"")) << "nothing in Windows";
    EXPECT_EQ(system, homeRemovalRefused(CSyPath(iastring(system) + L"\\"), L""));
    EXPECT_EQ(windows, homeRemovalRefused(CSyPath(iastring(system) + L"\\drivers"), L""));
    EXPECT_EQ(profiles, homeRemovalRefused(CSyPath(profiles), L""));
    EXPECT_EQ(CSyPath(L"C:\\").toString(), homeRemovalRefused(CSyPath(L"C:\\"), L""));
    EXPECT_NE(L"", homeRemovalRefused(CSyPath(L"c:/PROGRAM FILES"), L""));
    EXPECT_NE(L"", homeRemovalRefused(CSyPath(iastring(windows).substr(0, 2)), L"")) << "the drive the system is on";
    EXPECT_EQ(L"", homeRemovalRefused(CSyPath(iastring(profiles) + L"\\nobody-here"), L""));

    // The profile Windows keeps for the account running this test is another account's, not its own.
    HANDLE token = nullptr;
    ASSERT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token));
    const syslib::CSyKernelHandle tokenOwner(token);
    wchar_t profile[MAX_PATH + 1];
    length = MAX_PATH + 1;
    ASSERT_TRUE(::GetUserProfileDirectoryW(token, profile, &length));
    BYTE tokenUser[512];
    ASSERT_TRUE(::GetTokenInformation(token, TokenUser, tokenUser, sizeof(tokenUser), &length));
    syslib::CSyLocalMem<wchar_t*> sid;
    ASSERT_TRUE(::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(tokenUser)->User.Sid, sid.receive()));
    EXPECT_EQ(CSyPath(profile).toString(), CSyPath(homeRemovalRefused(CSyPath(profile), L"S-1-5-21-1-2-3-4"))
                                               .toString());
    EXPECT_EQ(L"", homeRemovalRefused(CSyPath(profile), sid.get())) << "its own profile";

    // Carried out: another account's home, and a directory that holds one, stay; the account goes.
    CTempDir temp;
    CUserData other = userData(L"neighbour", password);
    other.m_homeDirectory = temp / L"homes\\neighbour";
    manager().createUser(other);
    for (const iastring& home : {other.m_homeDirectory, temp / L"homes", iastring(L"\\\\server\\share")})
    {
        manager().createUser(userData(L"sharer", password));
        // Recorded as another tool would, the UNC root included: the library makes no home it cannot create.
        ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), standins::setHomeDirectory(L"sharer", home));
        CSyAccountCache::instance().clear();
        const PSyUser user = manager().getUser(L"sharer");
        CRecordingLogBook book;
        user->remove();
        EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"sharer"));
        const CRecordedLine kept = book.onlyMessage(L"syslib.account.removeHOMEDirRefused");
        EXPECT_EQ(CMessage::LOG_WARNING, kept.type);
        EXPECT_EQ(CSyPath(home).toString(), kept.arguments.at(0));
        EXPECT_EQ(0u, kept.arguments.at(1).find(L"user=\"sharer\" uid=\"S-1-5-21-"));
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(other.m_homeDirectory.c_str())) << toMbstring(home);
        EXPECT_TRUE(book.messages(L"syslib.account.removeHOMEDirFailed").empty());
    }
    // Beside it, a home of its own may go; and the neighbour's own home is its own to take.
    EXPECT_EQ(L"", homeRemovalRefused(CSyPath(temp / L"homes\\sharer"), L""));
    EXPECT_EQ(L"", homeRemovalRefused(CSyPath(other.m_homeDirectory),
                                      manager().getUser(L"neighbour")->getSID()));
}

TEST_F(Users, AMovedHomeTakesItsContentsAlong)
{
    CTempDir temp;
    CUserData data = userData(L"mover", password);
    data.m_homeDirectory = temp / L"old";
    const PSyUser user = manager().createUser(data);
    writeTestFile(temp / L"old\\profile.txt", "x");
    CRecordingLogBook book;
    user->setHomeDirectory(CSyPath(temp / L"new\\mover"), true);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((temp / L"new\\mover\\profile.txt").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((temp / L"old\\profile.txt").c_str()));
    EXPECT_EQ(CSyPath(temp / L"new\\mover"), user->getHomeDirectory());
    EXPECT_EQ((CLogArguments{L"user=\"mover\" uid=\"" + user->getSID() + L"\"", L"home"}),
              book.onlyMessage(L"syslib.account.modificationSucceeded").arguments);

    // The same home again, and an old home that has gone: nothing to move, and no complaint.
    user->setHomeDirectory(CSyPath(temp / L"new\\mover"), true);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((temp / L"new\\mover\\profile.txt").c_str()));
    removeTestTree(temp / L"new");
    user->setHomeDirectory(CSyPath(temp / L"newer"), true);
    EXPECT_EQ(CSyPath(temp / L"newer"), user->getHomeDirectory());
}

TEST_F(Users, ARenamedAccountKeepsItsSidAndAnswersToTheNewName)
{
    const PSyUser user = manager().createUser(userData(L"before", password));
    const iastring sid = user->getSID();
    user->rename(L"after");
    EXPECT_EQ(L"after", user->getName());
    EXPECT_EQ(sid, manager().getUser(L"after")->getSID());
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"before"));
    EXPECT_TRUE(user->checkPassword(password));

    CRecordingLogBook book;
    addStandInGroup(L"occupied");
    expectLoggedThrow<ESyAccountModificationFailed>(book, [&] { user->rename(L"occupied"); },
                                                     L"syslib.account.modificationFailed",
                                                     {L"user=\"after\" uid=\"" + sid + L"\""});
    EXPECT_THROW(user->rename(L"  "), ESyPrecondition);
}

TEST_F(Users, UnixOnlyOperationsAreRefusedAndThePrimaryGroupStays)
{
    const PSyUser user = manager().createUser(userData(L"unixish", password));
    CRecordingLogBook book;
    expectLoggedThrow<ESyPrecondition>(book, [&] { user->getLoginShell(); }, L"common.functionNotSupported",
                                       {L"iastring CSyUserImpl::getLoginShell() const"});
    expectLoggedThrow<ESyPrecondition>(book, [&] { user->setLoginShell(L"/bin/sh"); }, L"common.functionNotSupported",
                                       {L"CSyUserImpl::setLoginShell(iastring)"});
    book.clear();
    user->setPrimaryGroup(manager().getGroup(L"S-1-5-32-545"));
    EXPECT_TRUE(book.hasLog(L"This function is not supported. The primary group is unchanged."));
    EXPECT_EQ(1u, book.messages(L"syslib.account.modificationSucceeded").size());
}

TEST_F(Users, GroupsAddListAndRemoveMembersAndReportWhatIsWrong)
{
    const PSyGroup group = manager().createGroup(L"Team1", L"");
    const PSyUser alice = manager().createUser(userData(L"alice", password));
    const PSyUser bob = manager().createUser(userData(L"bob", password));
    const PSyGroup inner = manager().createGroup(L"Inner1", L"");
    group->addMember(PSyAccount(alice.get()));
    bob->setMembership(group);
    group->addMember(PSyAccount(inner.get()));

    EXPECT_EQ((std::set<iastring>{L"alice", L"bob", L"Inner1"}),
              names(group->getMembers(ISyAccountMgt::NONE, L"", false)));
    EXPECT_EQ((std::set<iastring>{L"alice", L"bob"}), names(group->getMembers(ISyAccountMgt::USER, L"*", false)));
    EXPECT_EQ((std::set<iastring>{L"Inner1"}), names(group->getMembers(ISyAccountMgt::GROUP, L"", false)));
    EXPECT_EQ((std::set<iastring>{L"alice"}), names(group->getMembers(ISyAccountMgt::NONE, L"A*", false)));
    EXPECT_TRUE(names(group->getMembers(ISyAccountMgt::NONE, L"A*", true)).empty());
    EXPECT_TRUE(alice->isMember(L"Team1"));

    CRecordingLogBook book;
    const iastring aliceText = L"user=\"alice\" uid=\"" + alice->getSID() + L"\"";
    const iastring groupText = L"group=\"Team1\" gid=\"" + group->getSID() + L"\"";
    expectLoggedThrow<ESyAccountSystemCallFailed>(book, [&] { group->addMember(PSyAccount(alice.get())); },
                                                  L"syslib.account.addMemberFailed",
                                                  {aliceText, groupText, L"0x80070562"});
    bob->cancelMembership(group);
    EXPECT_FALSE(bob->isMember(L"Team1"));
    const ESyAccountSystemCallFailed notMember = expectReportedAfterSystemCall<ESyAccountSystemCallFailed>(
        book, [&] { group->removeMember(PSyAccount(bob.get())); }, L"syslib.account.removeMemberFailed",
        {L"user=\"bob\" uid=\"" + bob->getSID() + L"\"", groupText, L"0x80070561"});
    EXPECT_EQ(static_cast<int>(0x80070561), notMember.getCode());
    expectLoggedThrow<ESyPrecondition>(book, [&] { group->addMember(PSyAccount()); }, L"common.parameterEmpty",
                                       {L"pAccount", L"CSyGroupImpl::addMember(PSyAccount pAccount)"});

    // A local group belongs to no other group, and its description can be changed but not cleared.
    book.clear();
    EXPECT_THROW(group->getMembership(), ESyPrecondition);
    EXPECT_EQ(CMessage::LOG_WARNING, book.onlyMessage(L"common.functionNotSupported").type);
    expectLoggedThrow<ESyPrecondition>(book, [&] { group->setDescription(L" "); }, L"common.parameterEmpty",
                                       {L"sNewDescription", L"CSyGroupImpl::setDescription(iastring sNewDescription)"});
    group->setDescription(L"the team");
    EXPECT_EQ(L"the team", manager().getGroup(L"team1")->getDescription());
    alice->setDescription(L"");
    EXPECT_EQ(L"", alice->getDescription()) << "a user's description may be cleared";
}

TEST_F(Users, AccountsOfNoDomainBecomeMembersByTheirSids)
{
    const PSyGroup group = manager().createGroup(L"Services1", L"");
    const std::vector<PSyAccount> members = {
        PSyAccount(manager().getUser(L"NETWORK SERVICE").get()), PSyAccount(manager().getUser(L"LOCAL SERVICE").get()),
        PSyAccount(manager().getGroup(L"INTERACTIVE").get()),
        PSyAccount(manager().getGroup(L"Authenticated Users").get())};
    CRecordingLogBook book;
    for (const PSyAccount& member : members)
        group->addMember(member);
    EXPECT_EQ(4u, book.messages(L"syslib.account.addMemberSucceeded").size());
    std::vector<iastring> stored;
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), standins::groupMembers(L"Services1", stored));
    EXPECT_EQ((std::set<iastring>{L"S-1-5-20", L"S-1-5-19", L"S-1-5-4", L"S-1-5-11"}),
              std::set<iastring>(stored.begin(), stored.end()));
    EXPECT_TRUE(manager().getUser(L"NETWORK SERVICE")->isMember(L"Services1"));
    EXPECT_TRUE(manager().getGroup(L"INTERACTIVE")->isMember(L"Services1"));

    group->removeMember(members[0]);
    EXPECT_FALSE(manager().getUser(L"NETWORK SERVICE")->isMember(L"Services1"));
    EXPECT_TRUE(manager().getUser(L"LOCAL SERVICE")->isMember(L"Services1"));
}

TEST_F(Users, AUserInSeveralGroupsListsEachAndDeletingAGroupFreesIt)
{
    const PSyUser user = manager().createUser(userData(L"joiner", password));
    for (const wchar_t* name : {L"GroupA", L"GroupB", L"GroupC"})
        user->setMembership(manager().createGroup(name, L""));
    EXPECT_EQ((std::set<iastring>{L"GroupA", L"GroupB", L"GroupC"}), names(user->getMembership()));

    manager().getGroup(L"GroupB")->remove();
    EXPECT_EQ((std::set<iastring>{L"GroupA", L"GroupC"}), names(user->getMembership()));
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::GROUP, L"GroupB"));
}

TEST_F(Users, MemberListsOfHundredsAreFilteredByKindAndPattern)
{
    addStandInGroup(L"Crowd");
    std::vector<LOCALGROUP_MEMBERS_INFO_3> members;
    std::vector<iastring> memberNames;
    for (int i = 0; i < 500; ++i)
    {
        const iastring name = (i % 5 == 0 ? L"grp" : L"svc") + std::to_wstring(i);
        if (i % 5 == 0)
            addStandInGroup(name.c_str());
        else
            addStandInUser(name.c_str(), L"");
        memberNames.push_back(name);
    }
    for (const iastring& name : memberNames)
        members.push_back({const_cast<wchar_t*>(name.c_str())});
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success),
              syslib::accountApi().NetLocalGroupAddMembers(nullptr, L"Crowd", 3,
                                                           reinterpret_cast<LPBYTE>(members.data()),
                                                           static_cast<DWORD>(members.size())));
    const PSyGroup crowd = manager().getGroup(L"Crowd");
    EXPECT_EQ(500u, names(crowd->getMembers(ISyAccountMgt::NONE, L"", false)).size());
    EXPECT_EQ(400u, names(crowd->getMembers(ISyAccountMgt::USER, L"", false)).size());
    EXPECT_EQ(100u, names(crowd->getMembers(ISyAccountMgt::GROUP, L"grp*", false)).size());
    // Every fifth number is a group: svc10 and svc15 do not exist.
    EXPECT_EQ((std::set<iastring>{L"svc11", L"svc12", L"svc13", L"svc14", L"svc16", L"svc17", L"svc18", L"svc19"}),
              names(crowd->getMembers(ISyAccountMgt::USER, L"SVC1?", false)));
}

TEST_F(Users, HomeIndicatorsInPathsResolveToTheAccountsHomeAndTheProfile)
{
    CTempDir temp;
    CUserData data = userData(L"homer", password);
    data.m_homeDirectory = temp / L"homer";
    manager().createUser(data);
    EXPECT_EQ(CSyPath(temp / L"homer\\docs\\a.txt"), CSyPath(L"~homer/docs/a.txt").getAbsolutePath());
    EXPECT_TRUE(CSyPath(L"~HOMER").canResolveHomeIndicator());

    manager().createUser(userData(L"homeless", password));
    EXPECT_FALSE(CSyPath(L"~homeless/x").canResolveHomeIndicator());
    EXPECT_FALSE(CSyPath(L"~nobody/x").canResolveHomeIndicator());

    wchar_t profile[MAX_PATH] = {0};
    ASSERT_NE(0u, ::GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH));
    EXPECT_EQ(CSyPath(iastring(profile) + L"\\x"), CSyPath(L"~/x").getAbsolutePath());
}

