// Shares over the stand-ins' share state: sharing and unsharing, lookups, the listing, the share's own
// rights, and the failures Windows gives.
#include "standins/common/saregistry.h"
#include "standins/accounts/saaccountapi.h"
#include "standins/shares/sashares.h"
#include "syslib/account/syaccountmgt.h"
#include "syslib/common/syfactory.h"
#include "syslib/filesystem/syfilesystemmgt.h"
#include "syslib/filesystem/sypath.h"
#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"
#include "tests/support/expectthrow.h"
#include "tests/support/recordinglogbook.h"
#include "tests/support/tempdir.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace
{
const wchar_t* const users = L"S-1-5-32-545";

ISyFileSystemMgt& files()
{
    return *CSyslibFactory::getInstance()->getFileSystemMgt();
}

std::set<iastring> listedShares()
{
    std::set<iastring> names;
    for (const PSyFSExportIterator shares = files().getFSExports(); !shares->isDone(); shares->next())
        names.insert(shares->get()->getName());
    return names;
}

class CShareTest : public ::testing::Test
{
protected:
    // COM and the first account lookup open handles for the life of the process.
    static void SetUpTestSuite()
    {
        static const HRESULT started = ::CoInitialize(nullptr);
        (void)started;
        // A failure here would skip the tests instead of failing them: the tests themselves tell.
        try
        {
            CSyslibFactory::getInstance()->getAccountMgt()->getGroup(users);
        }
        catch (...)
        {
        }
    }
    void SetUp() override
    {
        standins::deleteMachineKey(standins::sharesKey);
        ASSERT_TRUE(::CreateDirectoryW((m_dir / L"data").c_str(), nullptr));
    }
    void TearDown() override
    {
        standins::deleteMachineKey(standins::sharesKey);
    }
    PSyFSExport exportOf(const iastring& directory, const iastring& name)
    {
        return files().createFSExport(files().getFSPath(m_dir / directory), name, L"test data",
                                      ISyFSExport::READ);
    }

    CTempDir m_dir;
    CRecordingLogBook m_book;
};
} // namespace

TEST(ShareOptionsTest, PrintAsNamesWithFullForAllThree)
{
    std::wostringstream out;
    out << ISyFSExport::READ << static_cast<ISyFSExport::eExportOptions>(ISyFSExport::FULL | ISyFSExport::ROOT)
        << static_cast<ISyFSExport::eExportOptions>(ISyFSExport::WRITE | ISyFSExport::EXECUTE);
    EXPECT_EQ(L"(READ)(FULL|ROOT)(WRITE|EXECUTE)", out.str());
}

TEST_F(CShareTest, ADirectoryIsSharedFoundListedAndUnshared)
{
    const PSyFSExport share = exportOf(L"data", L"VxData");
    EXPECT_FALSE(share->isShared());
    EXPECT_TRUE(m_book.messages().empty()) << "an unknown share is no error";
    share->share();
    EXPECT_TRUE(share->isShared());
    EXPECT_FALSE(share->isInUse());

    const PSyFSExport found = files().getFSExport(L"vxdata");
    EXPECT_EQ(L"VxData", found->getName());
    EXPECT_EQ(L"test data", found->getDescription());
    EXPECT_TRUE(found->getPath()->isEqual(files().getFSPath(m_dir / L"data")));
    EXPECT_EQ(std::set<iastring>{L"VxData"}, listedShares()) << "IPC$ is never listed";

    found->unshare();
    EXPECT_FALSE(share->isShared());
    EXPECT_TRUE(listedShares().empty());
    expectLoggedThrow<ESyFileSystem>(m_book, [&] { share->unshare(); }, L"syslib.filesystem.shareAlreadyUnshared",
                                     {L"VxData"});
}

TEST_F(CShareTest, SharingANameTwiceOrAMissingPathFails)
{
    exportOf(L"data", L"Twice")->share();
    expectLoggedThrow<ESyFileSystem>(m_book, [&] { exportOf(L"data", L"Twice")->share(); },
                                     L"syslib.filesystem.shareAlreadyShared", {L"Twice"});

    const PSyFSExport missing = exportOf(L"missing", L"Missing");
    const ESyFileSystem error = expectLoggedThrow<ESyFileSystem>(
        m_book, [&] { missing->share(); }, L"syslib.filesystem.shareErrorSharing",
        {L"Missing", CSyPath(m_dir / L"missing").getCanonicalPathImpl().toOSString(),
         syslib::getOSErrorText(NERR_UnknownDevDir)});
    EXPECT_EQ(static_cast<int>(NERR_UnknownDevDir), error.getCode());
    EXPECT_TRUE(m_book.hasLog(L"Error in tShareInfo-parameter shi2_path"));
    EXPECT_FALSE(missing->isShared());
}

TEST_F(CShareTest, TheRightsGivenBeforeSharingAreTheSharesRights)
{
    const PSyFSExport share = exportOf(L"data", L"Rights");
    const PSyAccount group(CSyslibFactory::getInstance()->getAccountMgt()->getGroup(users).get());
    const PSyACL acl = share->getACL();
    acl->modifyRights(iastring(L"(") + users + L", GROUP, +rw)");
    share->setACL(acl);
    share->share();

    const PSyACL shared = files().getFSExport(L"Rights")->getACL();
    EXPECT_EQ(L"rw", shared->getRight(group));
    shared->removeRight(group, L"w");
    files().getFSExport(L"Rights")->setACL(shared);
    EXPECT_EQ(L"r", share->getACL()->getRight(group));
    const std::vector<iastring> logs = m_book.logs();
    EXPECT_NE(logs.end(), std::find_if(logs.begin(), logs.end(), [](const iastring& line) {
                  return line.find(L"Security descriptor of Rights set to D:") == 0;
              }));
}

TEST_F(CShareTest, WithoutAnAccessListTheOptionsGoToEveryone)
{
    const PSyFSExport share = exportOf(L"data", L"Options");
    share->setExportOptions(static_cast<ISyFSExport::eExportOptions>(ISyFSExport::READ | ISyFSExport::WRITE));
    share->share();
    const PSyAccount everyone(CSyslibFactory::getInstance()->getAccountMgt()->getGroup(L"S-1-1-0").get());
    EXPECT_EQ(L"rw", share->getACL()->getRight(everyone));
}

TEST_F(CShareTest, LookupsRefuseEmptyAndUnknownNames)
{
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { files().getFSExport(L""); }, L"common.parameterEmpty",
                                       {L"sShareName", L"getFSExport()"});
    expectLoggedThrow<ESyFileNotFound>(m_book, [&] { files().getFSExport(L"nothing"); },
                                       L"syslib.filesystem.shareDoesNotExist", {L"(share name: nothing)"});
    expectLoggedThrow<ESyPrecondition>(
        m_book, [&] { files().createFSExport(PSyFSPath(), L"x", L"", ISyFSExport::READ); }, L"common.parameterEmpty",
        {L"fsPath", L"createFSExport()"});
}

TEST_F(CShareTest, PrinterSharesAreNotListedAndADeniedListingThrows)
{
    SHARE_INFO_2 printer = {};
    printer.shi2_netname = const_cast<wchar_t*>(L"Printer");
    printer.shi2_type = STYPE_PRINTQ;
    printer.shi2_remark = const_cast<wchar_t*>(L"");
    printer.shi2_path = const_cast<wchar_t*>(L"");
    ASSERT_EQ(static_cast<NET_API_STATUS>(NERR_Success),
              standins::shareApiTable().NetShareAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&printer), nullptr));
    exportOf(L"data", L"Disk$")->share();
    EXPECT_EQ(std::set<iastring>{L"Disk$"}, listedShares()) << "an administrative disk share is listed";

    const standins::CAccountApiOverride<decltype(syslib::SyShareApi::NetShareEnum)> denied(
        standins::shareApiTable().NetShareEnum,
        [](LMSTR, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD, LPDWORD) WINAPI -> NET_API_STATUS { return ERROR_ACCESS_DENIED; });
    expectLoggedThrow<ESyFileSystem>(m_book, [&] { files().getFSExports(); }, L"syslib.filesystem.noShareInfo",
                                     {L"localhost", syslib::getOSErrorText(ERROR_ACCESS_DENIED)});
}

namespace
{
NET_API_STATUS answer = NERR_Success;
DWORD parameterNamed = 0;
decltype(syslib::SyShareApi::NetShareEnum) realEnum = nullptr;

NET_API_STATUS WINAPI getInfoAnswering(LMSTR, LMSTR, DWORD, LPBYTE* buffer)
{
    *buffer = nullptr;
    return answer;
}

NET_API_STATUS WINAPI addNaming(LMSTR, DWORD, LPBYTE, LPDWORD parameterError)
{
    *parameterError = parameterNamed;
    return ERROR_INVALID_PARAMETER;
}

// Hands out one share a call, as Windows does when the entries outgrow the preferred length.
NET_API_STATUS WINAPI enumOneAtATime(LMSTR server, DWORD level, LPBYTE* buffer, DWORD preferred, LPDWORD read,
                                     LPDWORD total, LPDWORD resume)
{
    const DWORD first = *resume;
    const NET_API_STATUS status = realEnum(server, level, buffer, preferred, read, total, resume);
    if (status != NERR_Success || *read <= 1)
        return status;
    *read = 1;
    *resume = first + 1;
    return ERROR_MORE_DATA;
}

bool logsAFieldName(const CRecordingLogBook& book)
{
    const std::vector<iastring> logs = book.logs();
    return std::any_of(logs.begin(), logs.end(), [](const iastring& line) {
        return line.find(L"Error in tShareInfo-parameter") == 0;
    });
}
} // namespace

TEST_F(CShareTest, OnlyAnUnknownNameMeansNotShared)
{
    const PSyFSExport share = exportOf(L"data", L"Asked");
    const standins::CApiOverride<decltype(syslib::SyShareApi::NetShareGetInfo)> info(
        standins::shareApiTable().NetShareGetInfo, getInfoAnswering);

    answer = NERR_NetNameNotFound;
    m_book.clear();
    EXPECT_FALSE(share->isShared());
    EXPECT_TRUE(m_book.messages().empty());
    expectLoggedThrow<ESyFileSystem>(m_book, [&] { share->isInUse(); }, L"syslib.filesystem.noShareInfo",
                                     {L"Asked", syslib::getOSErrorText(NERR_NetNameNotFound)});
    const ESyFileNotFound missing = expectLoggedThrow<ESyFileNotFound>(
        m_book, [&] { files().getFSExport(L"Asked"); }, L"syslib.filesystem.shareDoesNotExist",
        {L"(share name: Asked)"});
    EXPECT_EQ(static_cast<int>(NERR_NetNameNotFound), missing.getCode());

    for (const NET_API_STATUS status : {static_cast<NET_API_STATUS>(ERROR_ACCESS_DENIED),
                                        static_cast<NET_API_STATUS>(NERR_ServerNotStarted)})
    {
        SCOPED_TRACE(status);
        answer = status;
        const CLogArguments arguments{L"Asked", syslib::getOSErrorText(status)};
        const ESyFileSystem refused = expectLoggedThrow<ESyFileSystem>(
            m_book, [&] { share->isShared(); }, L"syslib.filesystem.noShareInfo", arguments);
        EXPECT_EQ(static_cast<int>(status), refused.getCode());
        m_book.clear();
        try
        {
            files().getFSExport(L"Asked");
            ADD_FAILURE() << "no exception";
        }
        catch (const ESyFileNotFound&)
        {
            ADD_FAILURE() << "a share that could not be read is not a missing one";
        }
        catch (const ESyFileSystem& error)
        {
            EXPECT_EQ(static_cast<int>(status), error.getCode());
            EXPECT_EQ(arguments, m_book.onlyMessage(L"syslib.filesystem.noShareInfo").arguments);
        }
    }
}

TEST_F(CShareTest, AFailedShareNamesTheFieldWindowsRefused)
{
    const standins::CApiOverride<decltype(syslib::SyShareApi::NetShareAdd)> add(
        standins::shareApiTable().NetShareAdd, addNaming);
    const std::pair<DWORD, const wchar_t*> fields[] = {
        {SHARE_NETNAME_PARMNUM, L"shi2_netname"},         {SHARE_TYPE_PARMNUM, L"shi2_type"},
        {SHARE_REMARK_PARMNUM, L"shi2_remark"},           {SHARE_PERMISSIONS_PARMNUM, L"shi2_permissions"},
        {SHARE_MAX_USES_PARMNUM, L"shi2_max_uses"},       {SHARE_CURRENT_USES_PARMNUM, L"shi2_current_uses"},
        {SHARE_PATH_PARMNUM, L"shi2_path"},               {SHARE_PASSWD_PARMNUM, L"shi2_passwd"}};
    const PSyFSExport share = exportOf(L"data", L"Refused");
    for (const auto& field : fields)
    {
        parameterNamed = field.first;
        m_book.clear();
        EXPECT_THROW(share->share(), ESyFileSystem);
        EXPECT_TRUE(m_book.hasLog(iastring(L"Error in tShareInfo-parameter ") + field.second)) << field.first;
    }
    for (const DWORD other : {0ul, 2ul, 10ul, 501ul})
    {
        parameterNamed = other;
        m_book.clear();
        EXPECT_THROW(share->share(), ESyFileSystem);
        EXPECT_FALSE(logsAFieldName(m_book)) << other;
    }
}

TEST_F(CShareTest, TheListingReadsEveryPageAndAnUnreadableOneEndsIt)
{
    for (const wchar_t* name : {L"One", L"Two", L"Three"})
        exportOf(L"data", name)->share();
    realEnum = standins::shareApiTable().NetShareEnum;
    {
        const standins::CApiOverride<decltype(syslib::SyShareApi::NetShareEnum)> paged(
            standins::shareApiTable().NetShareEnum, enumOneAtATime);
        EXPECT_EQ((std::set<iastring>{L"One", L"Two", L"Three"}), listedShares());
    }

    // Only a refusal is thrown; a listing the server cannot give is logged and comes out empty.
    const standins::CApiOverride<decltype(syslib::SyShareApi::NetShareEnum)> stopped(
        standins::shareApiTable().NetShareEnum,
        [](LMSTR, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD, LPDWORD) WINAPI -> NET_API_STATUS {
            return NERR_ServerNotStarted;
        });
    m_book.clear();
    EXPECT_TRUE(listedShares().empty());
    EXPECT_EQ((CLogArguments{L"localhost", syslib::getOSErrorText(NERR_ServerNotStarted)}),
              m_book.onlyMessage(L"syslib.filesystem.noShareInfo").arguments);
}

TEST_F(CShareTest, AShareWindowsWillNotRemoveStaysShared)
{
    const PSyFSExport share = exportOf(L"data", L"Kept");
    share->share();
    const standins::CApiOverride<decltype(syslib::SyShareApi::NetShareDel)> del(
        standins::shareApiTable().NetShareDel,
        [](LMSTR, LMSTR, DWORD) WINAPI -> NET_API_STATUS { return ERROR_ACCESS_DENIED; });
    const ESyFileSystem error = expectLoggedThrow<ESyFileSystem>(
        m_book, [&] { share->unshare(); }, L"syslib.filesystem.shareErrorUnsharing",
        {L"Kept", syslib::getOSErrorText(ERROR_ACCESS_DENIED)});
    EXPECT_EQ(static_cast<int>(ERROR_ACCESS_DENIED), error.getCode());
    EXPECT_TRUE(share->isShared());
}
