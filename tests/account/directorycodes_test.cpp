// What the account code makes of each answer the directory can give: the codes that mean "no such account"
// against those that are failures, and the containers it asks for an account named by an LDAP path.
#include "accountteststate.h"
#include "syslib/account/syaccountiterimpl.h"
#include "syslib/account/syaccountmgtimpl.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/syexcept.h"
#include "tests/support/recordinglogbook.h"

#include <vector>

namespace
{
ISyAccountMgt& manager()
{
    return *CSyslibFactory::getInstance()->getAccountMgt();
}

// The answer the directory gives for the account the test asks about; other paths reach the stand-in.
HRESULT accountAnswer = S_OK;
std::vector<iastring> askedPaths;

HRESULT WINAPI answeringDirectory(LPCWSTR path, REFIID riid, VOID** object)
{
    askedPaths.push_back(path);
    if (iastring(path).find(L"/probe,") != iastring::npos || iastring(path).compare(0, 7, L"LDAP://") == 0)
        return accountAnswer;
    return standins::ADsGetObject(path, riid, object);
}

class DirectoryCodes : public CStandInAccounts
{
protected:
    void SetUp() override
    {
        CStandInAccounts::SetUp();
        askedPaths.clear();
    }

    standins::CAccountApiOverride<decltype(syslib::SyAccountApi::ADsGetObject)> m_directory{
        standins::accountApiTable().ADsGetObject, answeringDirectory};
    CRecordingLogBook m_book;
};

// Each provider says "not there" in words of its own: the WinNT provider passes the Net* codes through,
// lookups answer ERROR_NONE_MAPPED, ADSI E_ADS_UNKNOWN_OBJECT and LDAP "no such object".
const HRESULT notFoundCodes[] = {
    static_cast<HRESULT>(0x800708AD), // NERR_UserNotFound
    static_cast<HRESULT>(0x800708AC), // NERR_GroupNotFound
    HRESULT_FROM_WIN32(ERROR_NONE_MAPPED),
    HRESULT_FROM_WIN32(ERROR_NO_SUCH_USER),
    HRESULT_FROM_WIN32(ERROR_NO_SUCH_ALIAS),
    HRESULT_FROM_WIN32(ERROR_NO_SUCH_GROUP),
    static_cast<HRESULT>(0x80005004), // E_ADS_UNKNOWN_OBJECT
    static_cast<HRESULT>(0x80072030), // ERROR_DS_NO_SUCH_OBJECT
};

// Close to those, and still failures: the account may well be there.
const HRESULT failureCodes[] = {
    HRESULT_FROM_WIN32(ERROR_BAD_NETPATH),
    static_cast<HRESULT>(0x80005000), // E_ADS_BAD_PATHNAME
    static_cast<HRESULT>(0x8007203A), // ERROR_DS_SERVER_DOWN
    HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
};
} // namespace

TEST_F(DirectoryCodes, EveryNotFoundCodeMeansNoSuchAccountOfEitherKind)
{
    for (const HRESULT code : notFoundCodes)
    {
        accountAnswer = code;
        m_book.clear();
        EXPECT_THROW(manager().getUser(L"probe"), ESyAccountNotExists) << std::hex << code;
        EXPECT_THROW(manager().getGroup(L"probe"), ESyAccountNotExists) << std::hex << code;
        EXPECT_TRUE(m_book.messages(L"syslib.account.existenceCheckFailed").empty()) << std::hex << code;
        EXPECT_EQ(0u, CSyAccountCache::instance().size());
    }
}

TEST_F(DirectoryCodes, AnyOtherCodeIsAFailedCheckWithItsHresult)
{
    for (const HRESULT code : failureCodes)
    {
        accountAnswer = code;
        m_book.clear();
        try
        {
            manager().getGroup(L"probe");
            ADD_FAILURE() << "no exception for " << std::hex << code;
        }
        catch (const ESyAccountSystemCallFailed& failure)
        {
            EXPECT_EQ(ESyException::DCOM_HRESULT, failure.getErrorType());
            EXPECT_EQ(static_cast<int>(code), failure.getCode());
        }
        EXPECT_EQ(CLogArguments{L"group=\"probe\" gid=\"\""},
                  m_book.onlyMessage(L"syslib.account.existenceCheckFailed").arguments);
    }
}

// An account path that names its server is created through that server first, then through any
// controller of the domain; one without a server goes to any controller at once.
TEST_F(DirectoryCodes, AnLdapAccountIsMadeInItsContainerOnTheServerItNamesThenOnAnyOther)
{
    accountAnswer = static_cast<HRESULT>(0x80072030);
    CUserData data;
    data.m_name = L"LDAP://dc1:389/CN=alice,CN=Users,DC=corp";
    EXPECT_THROW(manager().createUser(data), ESyAccount);
    EXPECT_EQ((std::vector<iastring>{L"LDAP://dc1:389/CN=alice,CN=Users,DC=corp", L"LDAP://dc1:389/CN=Users,DC=corp",
                                     L"LDAP://CN=Users,DC=corp"}),
              askedPaths);

    askedPaths.clear();
    data.m_name = L"LDAP://CN=bob,CN=Users,DC=corp";
    EXPECT_THROW(manager().createUser(data), ESyAccount);
    EXPECT_EQ((std::vector<iastring>{L"LDAP://CN=bob,CN=Users,DC=corp", L"LDAP://CN=Users,DC=corp"}), askedPaths);

    askedPaths.clear();
    data.m_name = L"LDAP://dc2/CN=carol,CN=Users,DC=corp";
    EXPECT_THROW(manager().createUser(data), ESyAccount);
    EXPECT_EQ(L"LDAP://dc2/CN=Users,DC=corp", askedPaths.at(1)) << "no port, no colon";
}

// A computer lists its services beside its accounts, unless asked for classes; a listing of every kind of
// account asks for both.
class ComputerListing : public CStandInAccounts
{
};

TEST_F(ComputerListing, EveryKindOfAccountIsListedAndNothingElse)
{
    addStandInUser(L"lister", L"pw");
    addStandInGroup(L"listers");
    const auto names = [](ISyAccountMgt::eAccountType kind) {
        std::vector<iastring> found;
        for (PSyAccountIterator it = manager().getAccounts(kind, L"*", false); !it->isDone(); it->next())
            found.push_back(it->get()->getName());
        return found;
    };
    EXPECT_EQ((std::vector<iastring>{L"lister", L"listers"}), names(ISyAccountMgt::NONE));
    EXPECT_EQ(std::vector<iastring>{L"lister"}, names(ISyAccountMgt::USER));
    EXPECT_EQ(std::vector<iastring>{L"listers"}, names(ISyAccountMgt::GROUP));
    EXPECT_EQ((std::vector<iastring>{L"lister", L"listers"}), names(static_cast<ISyAccountMgt::eAccountType>(3)));
}

// An element of another class that a filter lets through is no account: the iterator says so rather than
// handing out a user or a group.
TEST_F(ComputerListing, AnElementOfAnotherClassIsAnInternalErrorNotAnAccount)
{
    addStandInGroup(L"listers");
    syslib::CSyComPtr<IADsContainer> computer;
    ASSERT_EQ(S_OK, standins::ADsGetObject((L"WinNT://" + standins::computerName()).c_str(), IID_IADsContainer,
                                           computer.receiveVoid()));
    syslib::CSyComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, computer->get__NewEnum(unknown.receive()));
    syslib::CSyComPtr<IEnumVARIANT> enumerator;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IEnumVARIANT, enumerator.receiveVoid()));
    const PSyAccountIterator it(
        new CSyComAccountIterator(std::move(enumerator), std::unique_ptr<CSyFilter>(new CSyFilter())));
    it->first();
    ASSERT_FALSE(it->isDone());
    EXPECT_EQ(L"listers", it->get()->getName());
    it->next();
    ASSERT_FALSE(it->isDone());
    CRecordingLogBook book;
    EXPECT_THROW(it->get(), ESyException);
    EXPECT_EQ((CLogArguments{L"CSyComAccountIteratorImpl::get()", L"Service"}),
              book.onlyMessage(L"syslib.account.internalError").arguments);
    it->next();
    EXPECT_TRUE(it->isDone());
    EXPECT_THROW(it->get(), ESyException) << "past the end";
}
