// The account manager over the stand-ins: lookups by name, DOMAIN\name and SID in any case, the cache,
// well-known accounts by their English names, existence, administrators, and failing directory calls.
#include "accountteststate.h"
#include "syslib/account/syaccountmgtimpl.h"
#include "framework/iastrutil.h"
#include "syslib/common/syfactory.h"
#include "tests/support/expectthrow.h"
#include "tests/support/recordinglogbook.h"

#include <sddl.h>

#include <cstring>

#include <sstream>

namespace
{
CUserData named(const iastring& name)
{
    CUserData data;
    data.m_name = name;
    return data;
}

ISyAccountMgt& manager()
{
    return *CSyslibFactory::getInstance()->getAccountMgt();
}

iastring text(ISyAccountMgt::eAccountType type)
{
    std::wostringstream out;
    out << type;
    return out.str();
}

iastring computer()
{
    return standins::computerName();
}

std::shared_ptr<CSyUserImpl> implOf(const PSyUser& user)
{
    return static_cast<CSyUser*>(user.get())->impl();
}

bool logged(const CRecordingLogBook& book, const iastring& part)
{
    for (const iastring& line : book.logs())
        if (line.find(part) != iastring::npos)
            return true;
    return false;
}

// expectLoggedThrow for the account exceptions, which have no default constructor.
template <class E, class F>
std::unique_ptr<E> expectAccountThrow(CRecordingLogBook& book, F call, const iastring& key, const CLogArguments& arguments)
{
    book.clear();
    try
    {
        call();
        ADD_FAILURE() << "no exception";
    }
    catch (const E& exception)
    {
        const CRecordedLine message = book.onlyMessage(key);
        EXPECT_EQ(CMessage::LOG_ERROR, message.type);
        EXPECT_EQ(arguments, message.arguments);
        return std::unique_ptr<E>(new E(exception));
    }
    return nullptr;
}

// A German system: these accounts answer only to their German names, as there.
struct CGermanAccount
{
    const wchar_t* sid;
    const wchar_t* name;
    const wchar_t* domain;
    const wchar_t* english;
    SID_NAME_USE use;
};
const CGermanAccount germanAccounts[] = {
    {L"S-1-1-0", L"Jeder", L"", L"Everyone", SidTypeWellKnownGroup},
    {L"S-1-5-32-544", L"Administratoren", L"VORDEFINIERT", L"Administrators", SidTypeAlias},
    {L"S-1-5-20", L"NETZWERKDIENST", L"NT-AUTORIT\u00C4T", L"NETWORK SERVICE", SidTypeWellKnownGroup},
    {L"S-1-5-19", L"LOKALER DIENST", L"NT-AUTORIT\u00C4T", L"LOCAL SERVICE", SidTypeWellKnownGroup},
    {L"S-1-3-0", L"ERSTELLER-BESITZER", L"", L"CREATOR OWNER", SidTypeWellKnownGroup},
    {L"S-1-5-11", L"Authentifizierte Benutzer", L"NT-AUTORIT\u00C4T", L"Authenticated Users", SidTypeWellKnownGroup},
    {L"S-1-5-4", L"INTERAKTIV", L"NT-AUTORIT\u00C4T", L"INTERACTIVE", SidTypeWellKnownGroup},
};

// Buffers as LookupAccountSid/LookupAccountName treat them: too short gives the sizes needed.
BOOL answer(const CGermanAccount& account, PSID sidOut, LPDWORD sidLength, LPWSTR nameOut, LPDWORD nameLength,
            LPWSTR domainOut, LPDWORD domainLength, PSID_NAME_USE use)
{
    syslib::CSyLocalMem<PSID> sid;
    ::ConvertStringSidToSidW(account.sid, sid.receive());
    const DWORD sidSize = ::GetLengthSid(sid.get());
    const DWORD nameSize = static_cast<DWORD>(wcslen(account.name));
    const DWORD domainSize = static_cast<DWORD>(wcslen(account.domain));
    if ((sidLength && (!sidOut || *sidLength < sidSize)) || (nameLength && (!nameOut || *nameLength <= nameSize)) ||
        !domainOut || *domainLength <= domainSize)
    {
        if (sidLength)
            *sidLength = sidSize;
        if (nameLength)
            *nameLength = nameSize + 1;
        *domainLength = domainSize + 1;
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (sidLength)
    {
        ::CopySid(*sidLength, sidOut, sid.get());
        *sidLength = sidSize;
    }
    if (nameLength)
    {
        wcscpy(nameOut, account.name);
        *nameLength = nameSize;
    }
    wcscpy(domainOut, account.domain);
    *domainLength = domainSize;
    *use = account.use;
    return TRUE;
}

BOOL WINAPI germanSidLookup(LPCWSTR system, PSID sid, LPWSTR name, LPDWORD nameLength, LPWSTR domain,
                            LPDWORD domainLength, PSID_NAME_USE use)
{
    const iastring text = standins::sidText(sid);
    for (const CGermanAccount& account : germanAccounts)
        if (text == account.sid)
            return answer(account, nullptr, nullptr, name, nameLength, domain, domainLength, use);
    return ::LookupAccountSidW(system, sid, name, nameLength, domain, domainLength, use);
}

BOOL WINAPI germanNameLookup(LPCWSTR system, LPCWSTR name, PSID sid, LPDWORD sidLength, LPWSTR domain,
                             LPDWORD domainLength, PSID_NAME_USE use)
{
    iastring account = name;
    account = account.substr(account.find(L'\\') + 1);
    for (const CGermanAccount& german : germanAccounts)
    {
        if (stringToUpper(account) == stringToUpper(german.name))
            return answer(german, sid, sidLength, nullptr, nullptr, domain, domainLength, use);
        if (stringToUpper(account) == stringToUpper(german.english))
        {
            ::SetLastError(ERROR_NONE_MAPPED);
            return FALSE;
        }
    }
    return standins::LookupAccountNameW(system, name, sid, sidLength, domain, domainLength, use);
}

HRESULT WINAPI deniedDirectory(LPCWSTR, REFIID, VOID** object)
{
    *object = nullptr;
    return E_ACCESSDENIED;
}

int directoryCalls = 0;
HRESULT WINAPI countedDirectory(LPCWSTR path, REFIID riid, VOID** object)
{
    ++directoryCalls;
    return standins::ADsGetObject(path, riid, object);
}

iastring lastSidAsked;
BOOL WINAPI recordingSidLookup(LPCWSTR, PSID sid, LPWSTR, LPDWORD, LPWSTR, LPDWORD, PSID_NAME_USE)
{
    lastSidAsked = standins::sidText(sid);
    ::SetLastError(ERROR_NONE_MAPPED);
    return FALSE;
}
} // namespace

TEST(AccountType, PrintsTheCombinedNamesItContainsThenKindAndScope)
{
    EXPECT_EQ(L"LOCALUSER: (USER MACHINELOCAL)", text(ISyAccountMgt::LOCALUSER));
    EXPECT_EQ(L"LOCALUSER DOMAINUSER: (USER DOMAINGLOBAL)", text(ISyAccountMgt::DOMAINUSER));
    EXPECT_EQ(L"LOCALGROUP UNIVERSALGROUP: (GROUP UNIVERSAL)", text(ISyAccountMgt::UNIVERSALGROUP));
    EXPECT_EQ(L"(NONE MACHINELOCAL)", text(ISyAccountMgt::NONE));
    EXPECT_EQ(L"(NONE DOMAINLOCAL)", text(ISyAccountMgt::DOMAINLOCAL));
    EXPECT_EQ(L"LOCALUSER LOCALGROUP: (USER GROUP MACHINELOCAL unknown (64))",
              text(static_cast<ISyAccountMgt::eAccountType>(0x43)));
}

TEST(AccountId, IsSDashAndADigitInAnyCase)
{
    EXPECT_TRUE(CSyAccountMgtImpl::isAccountId(L"s-1-5-18"));
    EXPECT_TRUE(CSyAccountMgtImpl::isAccountId(L"S-1"));
    EXPECT_FALSE(CSyAccountMgtImpl::isAccountId(L"S-"));
    EXPECT_FALSE(CSyAccountMgtImpl::isAccountId(L"S-x-5"));
    EXPECT_FALSE(CSyAccountMgtImpl::isAccountId(L"Sam"));
    EXPECT_EQ(L"S-1-1-0", manager().getEveryoneSID());
    EXPECT_EQ(L"S-1-5-32-544", manager().getAdministratorsSID());
    EXPECT_EQ(L"S-1-5-18", manager().getLocalSystemSID());
}

TEST(ADsPath, CompletePathsSplitIntoProviderServerAndComponents)
{
    CRecordingLogBook book;
    const CSyADsPath ldap = CSyADsPath::fromCompleteString(L"LDAP://dc1:389/CN=alice, OU=Staff ,DC=corp");
    EXPECT_EQ(L"dc1", ldap.getServer());
    EXPECT_EQ(L"389", ldap.getPort());
    EXPECT_EQ(L"LDAP://dc1:389/CN=alice,OU=Staff,DC=corp", SyADsPath::getFullPath(ldap));
    EXPECT_EQ(L"WinNT://CORP/alice", SyADsPath::getFullPath(CSyADsPath::fromCompleteString(L"winnt:\\\\CORP\\/alice")));
    EXPECT_EQ(L"WinNT://SRV/bob", SyADsPath::getFullPath(CSyADsPath::fromCompleteString(L"//SRV/bob")));
    EXPECT_EQ(L"WinNT://" + computer() + L"/bob", SyADsPath::getFullPath(CSyADsPath::fromCompleteString(L"bob")));
    EXPECT_TRUE(book.messages().empty());
    EXPECT_TRUE(CSyADsPath::fromCompleteString(L"GC://x/y").isEmpty());
    const CRecordedLine warning = book.onlyMessage(L"syslib.account.unknowenADSIProvider");
    EXPECT_EQ(CMessage::LOG_WARNING, warning.type);
    EXPECT_EQ(CLogArguments{L"GC://x/y"}, warning.arguments);
}

typedef CStandInAccounts AccountMgt;

TEST_F(AccountMgt, WellKnownNamesBecomeTheirOwnSidsWhateverTheSystemCallsThem)
{
    CRecordingLogBook book;
    EXPECT_EQ(L"WinNT://" + computer() + L"/Administrators",
              SyADsPath::getFullPath(CSyADsPath::fromString(L"ADMINISTRATORS")));
    EXPECT_EQ(L"WinNT://SYSTEM", SyADsPath::getFullPath(CSyADsPath::fromString(L"NT AUTHORITY\\SYSTEM")));
    EXPECT_EQ(L"WinNT://NETWORK SERVICE",
              SyADsPath::getFullPath(CSyADsPath::fromString(L"nt authority\\NETWORK SERVICE")));
    EXPECT_EQ(L"WinNT://WRITE RESTRICTED",
              SyADsPath::getFullPath(CSyADsPath::fromString(L"nt authority\\WRITE RESTRICTED")));
    EXPECT_TRUE(logged(book, L"domain is NT AUTHORITY. Store only the account name: nt authority\\WRITE RESTRICTED"));
    EXPECT_EQ(L"WinNT://CORP/alice", SyADsPath::getFullPath(CSyADsPath::fromString(L"CORP/alice")));
    EXPECT_EQ(L"WinNT://" + computer() + L"/newbie", SyADsPath::getFullPath(CSyADsPath::fromString(L"newbie")));
    EXPECT_TRUE(logged(book, L"Account newbie has ADS path 'WinNT://" + computer() + L"/newbie'"));

    {
        standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LookupAccountSidW)> sids(
            standins::accountApiTable().LookupAccountSidW, recordingSidLookup);
        std::vector<BYTE> domain;
        ASSERT_TRUE(standins::computerDomainSid(domain));
        EXPECT_TRUE(CSyADsPath::fromString(L"Domain Admins").isEmpty());
        EXPECT_EQ(standins::sidText(domain.data()) + L"-512", lastSidAsked);
        CSyADsPath::fromString(L"domain GUESTS");
        EXPECT_EQ(standins::sidText(domain.data()) + L"-514", lastSidAsked);
    }

    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LookupAccountSidW)> sids(
        standins::accountApiTable().LookupAccountSidW, germanSidLookup);
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LookupAccountNameW)> names(
        standins::accountApiTable().LookupAccountNameW, germanNameLookup);
    EXPECT_EQ(L"WinNT://" + computer() + L"/Administratoren",
              SyADsPath::getFullPath(CSyADsPath::fromString(L"administrators")));
    const PSyGroup everyone = manager().getGroup(L"Everyone");
    EXPECT_EQ(L"Jeder", everyone->getName());
    EXPECT_EQ(L"S-1-1-0", everyone->getSID());
    EXPECT_EQ(ISyAccountMgt::UNIVERSALGROUP, everyone->getType());
}

TEST_F(AccountMgt, WellKnownAccountsAreFoundByTheirSidsOnASystemThatNamesThemInItsOwnLanguage)
{
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LookupAccountSidW)> sids(
        standins::accountApiTable().LookupAccountSidW, germanSidLookup);
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LookupAccountNameW)> names(
        standins::accountApiTable().LookupAccountNameW, germanNameLookup);
    const struct
    {
        const wchar_t* english;
        bool user;
        const wchar_t* german;
        const wchar_t* sid;
    } accounts[] = {{L"NETWORK SERVICE", true, L"NETZWERKDIENST", L"S-1-5-20"},
                    {L"nt authority\\local service", true, L"LOKALER DIENST", L"S-1-5-19"},
                    {L"CREATOR OWNER", false, L"ERSTELLER-BESITZER", L"S-1-3-0"},
                    {L"Authenticated Users", false, L"Authentifizierte Benutzer", L"S-1-5-11"},
                    {L"INTERACTIVE", false, L"INTERAKTIV", L"S-1-5-4"}};
    for (const auto& account : accounts)
    {
        const PSyAccount found = account.user ? PSyAccount(manager().getUser(account.english).get())
                                              : PSyAccount(manager().getGroup(account.english).get());
        EXPECT_EQ(account.german, found->getName()) << account.english;
        EXPECT_EQ(account.sid, found->getSID()) << account.english;
    }
    const PSyACL acl = manager().getACL();
    acl->modifyRights(L"(NETWORK SERVICE, USER, +r)(CREATOR OWNER, GROUP, +rwx, OBJECT_INHERIT_ACE | "
                      L"CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE)");
    const iastring dump = acl->dumpNative();
    EXPECT_NE(iastring::npos, dump.find(L"(A;;FR;;;NS)(A;OICIIO;FA;;;CO)")) << toMbstring(dump);
}

TEST_F(AccountMgt, AnAccountOfTheOtherKindIsNoneOfThisKind)
{
    CRecordingLogBook book;
    EXPECT_THROW(manager().getUser(L"Everyone"), ESyAccountNotExists);
    const CRecordedLine missing = book.onlyMessage(L"syslib.account.isExistingOnOsSucceededFalse");
    EXPECT_EQ(CMessage::LOG_WARNING, missing.type);
    EXPECT_EQ(CLogArguments{L"user=\"Everyone\" uid=\"\""}, missing.arguments);
    EXPECT_EQ(L"S-1-1-0", manager().getGroup(L"Everyone")->getSID());
    EXPECT_NE(nullptr, dynamic_cast<ISyGroup*>(manager().getAccount(ISyAccountMgt::NONE, L"Everyone").get()));
    EXPECT_THROW(manager().getUser(L"S-1-1-0"), ESyAccountNotExists);
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"Authenticated Users"));

    // The accounts services run as are users, whatever the lookup calls them.
    for (const wchar_t* service : {L"SYSTEM", L"S-1-5-19", L"NETWORK SERVICE"})
    {
        EXPECT_TRUE(manager().isExisting(ISyAccountMgt::USER, service)) << service;
        EXPECT_FALSE(manager().isExisting(ISyAccountMgt::GROUP, service)) << service;
        EXPECT_NE(nullptr, dynamic_cast<ISyUser*>(manager().getAccount(ISyAccountMgt::NONE, service).get()));
    }
}

TEST_F(AccountMgt, AUserIsFoundByNameQualifiedNameAndSidInAnyCaseAsOneCachedObject)
{
    addStandInUser(L"alice", L"pw");
    CRecordingLogBook book;
    const PSyUser byName = manager().getUser(L"ALICE");
    EXPECT_EQ(L"alice", byName->getName());
    EXPECT_EQ(computer(), byName->getDomain());
    EXPECT_EQ(ISyAccountMgt::LOCALUSER, byName->getType());
    const iastring sid = byName->getSID();
    EXPECT_EQ(0u, sid.find(L"S-1-5-21-"));
    EXPECT_TRUE(logged(book, L"inserted account (alice, " + sid + L", USER) into the accountcache."));

    book.clear();
    const PSyUser qualified = manager().getUser(computer() + L"\\Alice");
    EXPECT_TRUE(logged(book, L"found account (alice, " + sid + L", USER) in the accountcache."));
    const PSyUser bySid = manager().getUser(L"s" + sid.substr(1));
    EXPECT_EQ(implOf(byName), implOf(qualified));
    EXPECT_EQ(implOf(byName), implOf(bySid));
    EXPECT_EQ(1u, CSyAccountCache::instance().size());

    // NONE tries the user first; a group of the same lookup is a different entry.
    EXPECT_NE(nullptr, dynamic_cast<ISyUser*>(manager().getAccount(ISyAccountMgt::NONE, L"alice").get()));
    const PSyAccount admins = manager().getAccount(ISyAccountMgt::NONE, L"Administrators");
    ASSERT_NE(nullptr, dynamic_cast<ISyGroup*>(admins.get()));
    EXPECT_EQ(L"S-1-5-32-544", admins->getSID());
    EXPECT_EQ(ISyAccountMgt::LOCALGROUP, admins->getType());
    EXPECT_FALSE(manager().getAccount(static_cast<ISyAccountMgt::eAccountType>(3), L"alice"));
}

TEST_F(AccountMgt, MissingAndDeletedAccountsAreNotExistingAndLeaveOnlyInformation)
{
    addStandInUser(L"alice", L"pw");
    addStandInGroup(L"Builders");
    CRecordingLogBook book;
    const ESyAccountNotExists missing = [&] {
        try
        {
            manager().getUser(L"nobody");
        }
        catch (const ESyAccountNotExists& e)
        {
            return e;
        }
        return ESyAccountNotExists(L"", L"");
    }();
    EXPECT_EQ(L"user=\"nobody\" uid=\"\"", missing.getText1());
    EXPECT_EQ(static_cast<int>(ESyAccount::NOT_EXISTS), missing.getCode());
    EXPECT_EQ(CMessage::LOG_WARNING, book.onlyMessage(L"syslib.account.isExistingOnOsSucceededFalse").type);
    EXPECT_THROW(manager().getGroup(L"alice"), ESyAccountNotExists);
    EXPECT_THROW(manager().getUser(L"builders"), ESyAccountNotExists);

    book.clear();
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"nobody"));
    EXPECT_TRUE(manager().isExisting(ISyAccountMgt::GROUP, L"builders"));
    EXPECT_TRUE(manager().isExisting(ISyAccountMgt::NONE, L"builders"));
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L""));
    for (const CRecordedLine& message : book.messages())
        EXPECT_NE(CMessage::LOG_ERROR, message.type) << message.text;

    const PSyUser alice = manager().getUser(L"alice");
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success), syslib::accountApi().NetUserDel(nullptr, L"alice"));
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, L"alice"));
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::USER, alice->getSID()));
    // Still cached until the library removes it.
    EXPECT_EQ(implOf(alice), implOf(manager().getUser(L"alice")));
    CSyAccountCache::instance().deleteAccountImpl(L"ALICE", L"", ISyAccountMgt::USER);
    EXPECT_THROW(manager().getUser(L"alice"), ESyAccountNotExists);
}

TEST_F(AccountMgt, ArgumentsAreCheckedBeforeAnyDirectoryCall)
{
    CRecordingLogBook book;
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::ADsGetObject)> counted(
        standins::accountApiTable().ADsGetObject, countedDirectory);
    directoryCalls = 0;
    expectLoggedThrow<ESyPrecondition>(
        book, [] { manager().getAccount(ISyAccountMgt::USER, L" \t"); }, L"common.parameterEmpty",
        {L"sNameOrSID", L"CSyAccountMgtImpl::getAccount(ISyAccountMgt::eAccountType, const iastring &)"});
    CUserData data;
    data.m_name = L"carol";
    data.m_id = L"S-1-5-21-1-2-3-1001";
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { manager().createUser(data); }, L"common.parameterNotValid",
        {L"data.m_id", L"CSyAccountMgtImpl::createUser(const CUserData &, ISyProgressObserver *)"});
    data.m_name = L"";
    data.m_id = L"";
    expectLoggedThrow<ESyPrecondition>(
        book, [&] { manager().createUser(data); }, L"common.parameterEmpty",
        {L"data.m_name", L"CSyAccountMgtImpl::createUser(const CUserData &, ISyProgressObserver *)"});
    expectLoggedThrow<ESyPrecondition>(
        book, [] { manager().createGroup(L"g", L"S-1-5-32-544"); }, L"common.parameterNotValid",
        {L"sSID", L"CSyAccountMgtImpl::createGroup(const iastring &, const iastring &, ISyProgressObserver *)"});
    EXPECT_EQ(0, directoryCalls);

    addStandInUser(L"alice", L"pw");
    data.m_name = L"Alice";
    const auto exists = expectAccountThrow<ESyAccount>(
        book, [&] { manager().createUser(data); }, L"syslib.account.isExistingOnOsSucceededTrue",
        {L"user=\"alice\" uid=\"" + manager().getUser(L"alice")->getSID() + L"\""});
    ASSERT_TRUE(exists);
    EXPECT_EQ(static_cast<int>(ESyAccount::EXISTS), exists->getCode());
}

TEST_F(AccountMgt, AFailingDirectoryCallIsLoggedWithItsHresult)
{
    addStandInUser(L"alice", L"pw");
    CRecordingLogBook book;
    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::ADsGetObject)> denied(
        standins::accountApiTable().ADsGetObject, deniedDirectory);
    const auto failed = expectAccountThrow<ESyAccountSystemCallFailed>(
        book, [] { manager().getUser(L"alice"); }, L"syslib.account.existenceCheckFailed", {L"user=\"alice\" uid=\"\""});
    ASSERT_TRUE(failed);
    EXPECT_EQ(ESyException::DCOM_HRESULT, failed->getErrorType());
    EXPECT_EQ(static_cast<int>(E_ACCESSDENIED), failed->getCode());
    EXPECT_TRUE(logged(book, L"HRESULT=0x80070005"));
    EXPECT_EQ(0u, CSyAccountCache::instance().size());
    EXPECT_FALSE(manager().isExisting(ISyAccountMgt::NONE, L"alice"));
}

TEST_F(AccountMgt, AdministratorsAreTheGroupItsMembersAndTheTokenUser)
{
    addStandInUser(L"alice", L"pw");
    addStandInGroup(L"Builders");
    CRecordingLogBook book;
    EXPECT_TRUE(manager().getGroup(L"administrators").get() != nullptr);
    auto admins = CSyAccountCache::instance().getGroupImpl(L"Administrators", L"", false, nullptr);
    EXPECT_TRUE(admins->do_isRoot());
    EXPECT_TRUE(logged(book, L"*this == the local administrators group ==> return true."));

    auto alice = CSyAccountCache::instance().getUserImpl(named(L"alice"), false, nullptr);
    book.clear();
    EXPECT_FALSE(alice->do_isRoot());
    EXPECT_TRUE(logged(book, L"NetUserGetLocalGroups says that account alice is not a local administrator account."));
    LOCALGROUP_MEMBERS_INFO_3 member = {const_cast<wchar_t*>(L"alice")};
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success),
              syslib::accountApi().NetLocalGroupAddMembers(nullptr, L"Administrators", 3,
                                                           reinterpret_cast<LPBYTE>(&member), 1));
    EXPECT_TRUE(alice->do_isRoot());
    EXPECT_TRUE(logged(book, L"is directly or indirectly member of group Administrators"));

    // The group answers through its direct membership.
    auto builders = CSyAccountCache::instance().getGroupImpl(L"Builders", L"", false, nullptr);
    EXPECT_FALSE(builders->do_isRoot());
    member.lgrmi3_domainandname = const_cast<wchar_t*>(L"Builders");
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success),
              syslib::accountApi().NetLocalGroupAddMembers(nullptr, L"Administrators", 3,
                                                           reinterpret_cast<LPBYTE>(&member), 1));
    EXPECT_TRUE(builders->do_isRoot());

    // wine's own user is the token user, and the token holds Administrators.
    wchar_t self[256];
    DWORD selfLength = 256;
    ASSERT_TRUE(::GetUserNameW(self, &selfLength));
    auto root = CSyAccountCache::instance().getUserImpl(named(self), false, nullptr);
    book.clear();
    EXPECT_TRUE(root->do_isRoot());
    EXPECT_TRUE(logged(book, L"the local admins group is a member of the enabled token groups ==> return true."));
}

// The DNS lookups behind this computer's names open the resolver's handles for the life of the process.
class DomainControllers : public CStandInAccounts
{
protected:
    static void SetUpTestSuite()
    {
        CStandInAccounts::SetUpTestSuite();
        try
        {
            CSyslibFactory::getInstance()->getNetworkMgt()->getFullyQualifiedHostName();
        }
        catch (const ESyException&)
        {
        }
    }
};

TEST_F(DomainControllers, AreFoundForPlayedDomainsAndMissedWithLoggedFallbacks)
{
    CRecordingLogBook book;
    EXPECT_EQ(L"", GetDCName(L"NOWHERE"));
    EXPECT_TRUE(logged(book, L"NetGetDCName(NULL, NOWHERE, ...) failed: 2453"));
    EXPECT_TRUE(logged(book, L"NetGetAnyDCName(NULL, NOWHERE, ...) failed: 1355"));
    EXPECT_EQ(CLogArguments{L"NOWHERE"}, book.onlyMessage(L"syslib.account.getDCNameFailed").arguments);
    book.clear();
    EXPECT_EQ(L"", GetDCName(CSyslibFactory::getInstance()->getNetworkMgt()->getHostName()));
    EXPECT_TRUE(book.messages(L"syslib.account.getDCNameFailed").empty()) << "this computer's own name is no missing domain";

    playStandInDomain(L"PLAY", L"\\\\DC1", L"S-1-5-21-7-8-9");
    EXPECT_EQ(L"\\\\DC1", GetDCName(L"play"));
    EXPECT_EQ(L"\\\\" + computer(), GetDCName(L"\\\\" + computer()));
    // A backup controller passes the question to the domain of this computer, which has none.
    EXPECT_EQ(L"", GetDCName(L"\\\\DC1"));

    addStandInUser(L"alice", L"pw");
    auto alice = CSyAccountCache::instance().getUserImpl(named(L"alice"), false, nullptr);
    book.clear();
    EXPECT_FALSE(alice->do_isRoot(L"PLAY"));
    EXPECT_TRUE(logged(book, L"Got domain SID from the domain controller: S-1-5-21-7-8-9"));
    EXPECT_TRUE(logged(book, L"Domain admins SID is: S-1-5-21-7-8-9-512"));
}

namespace
{
std::size_t domainLength = 0;

// The stand-ins' answer, with a domain of domainLength characters, handed out as Windows does: only into
// buffers that hold it with its terminator, else the sizes needed.
BOOL WINAPI lookupInLongDomain(LPCWSTR system, LPCWSTR name, PSID sid, LPDWORD sidLength, LPWSTR domain,
                               LPDWORD domainSize, PSID_NAME_USE use)
{
    BYTE own[SECURITY_MAX_SID_SIZE];
    DWORD ownLength = sizeof(own);
    wchar_t ownDomain[256];
    DWORD ownDomainLength = 256;
    if (!standins::LookupAccountNameW(system, name, own, &ownLength, ownDomain, &ownDomainLength, use))
        return FALSE;
    const iastring text(domainLength, L'd');
    if (sid == nullptr || domain == nullptr || *sidLength < ownLength || *domainSize <= text.size())
    {
        *sidLength = ownLength;
        *domainSize = static_cast<DWORD>(text.size() + 1);
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(sid, own, ownLength);
    *sidLength = ownLength;
    std::memcpy(domain, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    *domainSize = static_cast<DWORD>(text.size());
    return TRUE;
}
} // namespace

TEST_F(CStandInAccounts, ADomainLongerThanANetBIOSNameIsReadWhole)
{
    addStandInUser(L"domainee", L"pw");
    const standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LookupAccountNameW)> lookup(
        standins::accountApiTable().LookupAccountNameW, lookupInLongDomain);
    for (const std::size_t length : {std::size_t(DNLEN), std::size_t(DNLEN + 1), std::size_t(600)})
    {
        domainLength = length;
        const iastring domain(length, L'd');
        EXPECT_EQ(L"WinNT://" + domain + L"/domainee", SyADsPath::getFullPath(CSyADsPath::fromString(L"domainee")))
            << length;
        // A well-known group is known by its lookup alone.
        const CSyGroupImpl everyone(L"Everyone", L"", false, nullptr);
        EXPECT_EQ(domain, everyone.getDomain()) << length;
        EXPECT_EQ(L"S-1-1-0", everyone.getSID()) << length;
    }
}

// No path for a SID nobody has, or for none at all; the warning names why, with Windows' own code.
TEST(ADsPath, ASidWithoutAnAccountHasNoPathAndTheWarningCarriesTheLookupsError)
{
    CRecordingLogBook book;
    EXPECT_TRUE(CSyADsPath::fromSID(nullptr, L"").isEmpty());
    const CRecordedLine none = book.onlyMessage(L"syslib.sysCallFailed");
    EXPECT_EQ(CMessage::LOG_WARNING, none.type);
    ASSERT_LE(3u, none.arguments.size());
    EXPECT_EQ(L"LookupAccountSid()", none.arguments[0]);
    EXPECT_EQ(std::to_wstring(ERROR_INVALID_SID), none.arguments[2]);

    book.clear();
    syslib::CSyLocalMem<PSID> unknown;
    ASSERT_TRUE(::ConvertStringSidToSidW(L"S-1-5-21-9-9-9-77777", unknown.receive()));
    EXPECT_TRUE(CSyADsPath::fromSID(unknown.get(), L"").isEmpty());
    const CRecordedLine nobody = book.onlyMessage(L"syslib.sysCallFailed");
    ASSERT_LE(3u, nobody.arguments.size());
    EXPECT_EQ(std::to_wstring(ERROR_NONE_MAPPED), nobody.arguments[2]);
}
