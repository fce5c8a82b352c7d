// The hosts and services files keep their access rights through an edit: owner, group, DACL and whether
// the DACL inherits, exactly as the system file had them.
#include "networktestutil.h"
#include "tests/account/accountteststate.h"
#include "tests/account/securityteststate.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/syfilesecapi.h"
#include "syslib/common/sywinsec.h"

#include <sddl.h>

namespace
{
const SECURITY_INFORMATION allParts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                      DACL_SECURITY_INFORMATION;

iastring heldSddl(const iastring& path)
{
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> held;
    syslib::CSyLocalMem<wchar_t*> text;
    if (syslib::fileSecurityApi().GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, allParts, nullptr, nullptr,
                                                        nullptr, nullptr, held.receive()) != ERROR_SUCCESS ||
        !::ConvertSecurityDescriptorToStringSecurityDescriptorW(held.get(), SDDL_REVISION_1, allParts, text.receive(),
                                                                nullptr))
        return L"<unreadable>";
    return text.get();
}

// Sets a whole descriptor as an administrator can: a foreign owner needs the restore privilege.
void give(const iastring& path, const iastring& sddl)
{
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> descriptor;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                       descriptor.receive(), nullptr));
    const CSyWinSecurityDesc native(descriptor.get());
    const SECURITY_INFORMATION parts =
        DACL_SECURITY_INFORMATION | (native.getOwner() ? OWNER_SECURITY_INFORMATION : 0) |
        (native.getGroup() ? GROUP_SECURITY_INFORMATION : 0) |
        ((native.getControl() & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION
                                                   : UNPROTECTED_DACL_SECURITY_INFORMATION);
    CSyPrivilegeScope privileges;
    ASSERT_TRUE(privileges.begin({L"SeRestorePrivilege"}));
    iastring writable = path;
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              syslib::fileSecurityApi().SetNamedSecurityInfoW(&writable[0], SE_FILE_OBJECT, parts, native.getOwner(),
                                                              native.getGroup(), native.getDacl(), nullptr));
}

class CEditRightsTest : public CStandInAccounts
{
protected:
    CStandInSecurity m_security;
    CTempDir m_dir;
    CRecordingLogBook m_book;
};
} // namespace

TEST_F(CEditRightsTest, AnEditKeepsOwnerGroupDaclAndProtection)
{
    addStandInUser(L"hostsowner", L"pw");
    const iastring owner = CSyslibFactory::getInstance()->getAccountMgt()->getUser(L"hostsowner")->getSID();
    const iastring hosts = m_dir / L"hosts";
    const iastring services = m_dir / L"services";
    writeTestFile(hosts, "127.0.0.1\tlocalhost\r\n");
    writeTestFile(services, "echo\t7/tcp\r\n");
    give(hosts, L"O:" + owner + L"G:BUD:PAI(A;;FA;;;SY)(A;;FR;;;BU)");
    give(services, L"O:" + owner + L"G:BUD:PAI(D;;FW;;;WD)(A;;FA;;;BA)");
    const iastring hostsBefore = heldSddl(hosts);
    const iastring servicesBefore = heldSddl(services);
    ASSERT_EQ(L"O:" + owner + L"G:BUD:PAI(A;;FA;;;SY)(A;;FR;;;BU)", hostsBefore);

    const PSyHostsEntry entry(new CSyHostsEntry(hosts));
    entry->set(L"10.0.0.7", L"box");
    entry->addToHosts(ISyHostsEntry::APPEND);
    EXPECT_EQ(hostsBefore, heldSddl(hosts));
    const PSyServicesEntry service(new CSyServicesEntry(services));
    service->set(L"vantix", L"tcp", 3200);
    service->addToServices(ISyServicesEntry::REPLACE);
    EXPECT_EQ(servicesBefore, heldSddl(services));
    EXPECT_NE(iastring::npos, readTestFile(services).find("vantix\t3200/tcp"));
}

TEST_F(CEditRightsTest, AnInheritingFileStillInheritsAndGetsNoCopyOfItsInheritedEntries)
{
    const iastring etc = m_dir / L"etc";
    ASSERT_TRUE(::CreateDirectoryW(etc.c_str(), nullptr));
    give(etc, L"D:(A;OICI;FR;;;BU)");
    const iastring hosts = etc + L"\\hosts";
    writeTestFile(hosts, "127.0.0.1\tlocalhost\r\n");
    give(hosts, L"D:(A;;FA;;;BA)");
    const iastring before = heldSddl(hosts);
    ASSERT_NE(iastring::npos, before.find(L"D:AI(A;;FA;;;BA)(A;ID;FR;;;BU)")) << toMbstring(before);

    const PSyHostsEntry entry(new CSyHostsEntry(hosts));
    entry->set(L"10.0.0.8", L"box");
    entry->addToHosts(ISyHostsEntry::REPLACE);
    EXPECT_EQ(before, heldSddl(hosts));
}
