// An installer's everyday request from end to end: a service user, a directory it may write to, a share of
// that directory with rights for the user, and everything removed again, with no password in the log.
#include "standins/common/saregistry.h"
#include "tests/account/accountteststate.h"
#include "tests/account/securityteststate.h"
#include "standins/shares/sashares.h"
#include "syslib/common/syfactory.h"
#include "syslib/filesystem/syfilesystemmgt.h"
#include "tests/support/recordinglogbook.h"
#include "tests/support/tempdir.h"

namespace
{
const iastring password = L"Svc-Overview-9d2b";

class ServiceUser : public CStandInAccounts
{
protected:
    void SetUp() override
    {
        CStandInAccounts::SetUp();
        standins::deleteMachineKey(standins::sharesKey);
    }
    void TearDown() override
    {
        standins::deleteMachineKey(standins::sharesKey);
        CStandInAccounts::TearDown();
    }
    CStandInSecurity m_security;
};
} // namespace

TEST_F(ServiceUser, IsCreatedGrantedADirectorySharedAndRemovedWithoutAPasswordInTheLog)
{
    CTempDir temp;
    CRecordingLogBook book;
    ISyslibFactory* factory = CSyslibFactory::getInstance();
    ISyAccountMgt& accounts = *factory->getAccountMgt();
    ISyFileSystemMgt& files = *factory->getFileSystemMgt();

    CUserData data;
    data.m_name = L"svcvantix";
    data.m_password = password;
    data.m_description = L"Vantix service";
    const PSyUser user = accounts.createUser(data);

    const PSyFSPath path = files.getFSPath(temp / L"data");
    files.createDirectory(path);
    const PSyNode node = files.getNode(path);
    const PSyACL acl = node->getACL();
    acl->modifyRights(L"(svcvantix, USER, +rw)");
    node->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);

    const PSyACL readBack = files.getNode(files.getFSPath(temp / L"data"))->getACL();
    EXPECT_EQ(L"rw", readBack->getRight(PSyAccount(user.get())));

    const PSyFSExport share = files.createFSExport(path, L"VxService", L"service data", ISyFSExport::READ);
    share->share();
    const PSyACL shareRights = accounts.getACL();
    shareRights->modifyRights(L"(svcvantix, USER, +r)");
    share->setACL(shareRights);
    EXPECT_EQ(L"r", files.getFSExport(L"VxService")->getACL()->getRight(PSyAccount(user.get())));

    share->unshare();
    node->remove();
    user->remove();
    EXPECT_FALSE(files.isExisting(path, ISyNode::NODE));
    EXPECT_FALSE(accounts.isExisting(ISyAccountMgt::USER, L"svcvantix"));
    EXPECT_FALSE(share->isShared());
    EXPECT_FALSE(book.holdsAnywhere(password)) << "the whole run's log, traces included";
    EXPECT_TRUE(book.messages(L"syslib.sysCallFailed").empty());
}
