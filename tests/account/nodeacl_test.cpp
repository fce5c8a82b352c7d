// Access-control lists: rights by account and by expression on a free-standing list, and on files and
// directories through the stand-ins' kept descriptors (rename, move, inheritance, versions, execution).
#include "accountteststate.h"
#include "securityteststate.h"

#include "syslib/account/syaclimpl.h"
#include "syslib/common/syfactory.h"
#include "syslib/filesystem/synodeimpl.h"
#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"
#include "tests/support/expectthrow.h"
#include "tests/support/privileges.h"
#include "tests/support/recordinglogbook.h"
#include "tests/support/tempdir.h"

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <fstream>

namespace
{
const wchar_t* const users = L"S-1-5-32-545";
const wchar_t* const administrators = L"S-1-5-32-544";
const wchar_t* const everyone = L"S-1-1-0";

ISyAccountMgt& accounts()
{
    return *CSyslibFactory::getInstance()->getAccountMgt();
}

ISyFileSystemMgt& files()
{
    return *CSyslibFactory::getInstance()->getFileSystemMgt();
}

PSyAccount group(const iastring& sid)
{
    return PSyAccount(accounts().getGroup(sid).get());
}

void writeFile(const iastring& path)
{
    std::ofstream(toMbstring(path).c_str()) << "x";
}

// The ACEs of a native descriptor in SDDL, e.g. "(D;;0x120116;;;BU)(A;;FA;;;BA)".
iastring daclText(const PSyACL& acl)
{
    const iastring dump = acl->dumpNative();
    const iastring::size_type start = dump.find(L"D:");
    return start == iastring::npos ? iastring() : dump.substr(start + 2);
}

class CAclTest : public CStandInAccounts
{
protected:
    // The first account lookup and descriptor text open handles that live as long as the process.
    static void SetUpTestSuite()
    {
        CStandInAccounts::SetUpTestSuite();
        // A failure here would skip the tests instead of failing them: the tests themselves tell.
        try
        {
            const PSyACL warm = accounts().getACL();
            warm->addRight(group(users), L"r");
            warm->dumpNative();
        }
        catch (...)
        {
        }
    }

    PSyACL m_acl = accounts().getACL();
    CRecordingLogBook m_book;
};
} // namespace

TEST_F(CAclTest, LettersGrantedInSeparateCallsAreCombinedWithoutWidening)
{
    m_acl->addRight(group(users), L"r");
    m_acl->addRight(group(users), L"r");
    EXPECT_EQ(iastring(L"(") + users + L", GROUP, +r)", m_acl->toString());
    m_acl->addRight(group(users), L"wx");
    EXPECT_EQ(L"rwx", m_acl->getRight(group(users)));
    EXPECT_EQ(L"(A;;0x1201bf;;;BU)", daclText(m_acl)) << "old OR new, one entry, no WRITE_DAC or WRITE_OWNER";
    const std::vector<iastring> logs = m_book.logs();
    EXPECT_NE(logs.end(), std::find(logs.begin(), logs.end(), L"Adding rights wx to Users"));

    // Written together, the letters are full access.
    const PSyACL together = accounts().getACL();
    together->addRight(group(users), L"rwx");
    EXPECT_EQ(L"(A;;FA;;;BU)", daclText(together));
}

TEST_F(CAclTest, AnEntryTheExpressionDoesNotNameKeepsItsMaskBitForBit)
{
    // Modify: read, execute, write data, append, extended attributes, attributes, delete.
    m_acl->modifyRights(iastring(L"(") + users +
                        L", GROUP, +rx | FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES "
                        L"| DELETE)");
    EXPECT_EQ(L"(A;;0x1301bf;;;BU)", daclText(m_acl));
    m_acl->modifyRights(iastring(L"(") + everyone + L", GROUP, +r)");
    EXPECT_EQ(L"(A;;0x1301bf;;;BU)(A;;FR;;;WD)", daclText(m_acl));

    m_acl->modifyRights(iastring(L"(") + administrators + L", GROUP, +rwx)");
    m_acl->modifyRights(iastring(L"(") + administrators + L", GROUP, - | WRITE_DAC)");
    EXPECT_EQ(L"(A;;0x1301bf;;;BU)(A;;FR;;;WD)(A;;0x1b01ff;;;BA)", daclText(m_acl));
}

TEST_F(CAclTest, ChangesReachOnlyTheEntriesWhoseInheritanceTheyName)
{
    const iastring who = iastring(L"(") + users + L", GROUP, ";
    const iastring childrenOnly = L", OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE)";
    m_acl->modifyRights(who + L"+r" + childrenOnly);
    m_acl->modifyRights(who + L"+w)");
    EXPECT_EQ(L"(A;OICIIO;FR;;;BU)(A;;FW;;;BU)", daclText(m_acl))
        << "a grant for the folder itself is no grant for its children, nor the reverse";
    EXPECT_EQ(L"w", m_acl->getRight(group(users))) << "the folder's own rights";
    m_acl->modifyRights(who + L"+x, INHERIT_ONLY_ACE | CONTAINER_INHERIT_ACE | OBJECT_INHERIT_ACE)");
    m_acl->modifyRights(who + L"+r, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)");
    EXPECT_EQ(L"(A;OICIIO;0x1200a9;;;BU)(A;;FW;;;BU)(A;OICI;FR;;;BU)", daclText(m_acl));

    m_acl->modifyRights(who + L"-x" + childrenOnly);
    EXPECT_EQ(L"(A;OICIIO;FR;;;BU)(A;;FW;;;BU)(A;OICI;FR;;;BU)", daclText(m_acl)) << "named flags: that entry alone";
    m_acl->modifyRights(who + L"-r)");
    EXPECT_EQ(L"(A;;FW;;;BU)", daclText(m_acl)) << "no flags: every explicit entry";

    m_acl->modifyRights(who + L"+r" + childrenOnly);
    m_acl->modifyRights(who + L"=rx)");
    EXPECT_EQ(L"(A;;0x1200a9;;;BU)(A;OICIIO;0x1200a9;;;BU)", daclText(m_acl)) << "each entry keeps where it applies";
    m_acl->modifyRights(who + L"=r, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)");
    EXPECT_EQ(L"(A;OICI;FR;;;BU)", daclText(m_acl)) << "named flags: one entry with them";
}

TEST_F(CAclTest, DenyEntriesGoBeforeAllowEntriesWhateverTheOrderWritten)
{
    m_acl->modifyRights(iastring(L"(") + users + L", GROUP, +rw)(" + everyone + L", GROUP, +!w)");
    EXPECT_EQ(L"(D;;FW;;;WD)(A;;0x12019f;;;BU)", daclText(m_acl));
    EXPECT_EQ(L"!w", m_acl->getRight(group(everyone)));
    // The same account can be granted and denied: both entries stay, deny first.
    m_acl->modifyRights(iastring(L"(") + users + L", GROUP, +!x)");
    EXPECT_EQ(L"rw!x", m_acl->getRight(group(users)));
    EXPECT_EQ(0u, daclText(m_acl).find(L"(D;")) << daclText(m_acl);
    EXPECT_LT(daclText(m_acl).rfind(L"(D;"), daclText(m_acl).find(L"(A;"));
}

TEST_F(CAclTest, RemovingTheLastRightRemovesTheEntry)
{
    m_acl->setRight(group(users), L"rw");
    m_acl->removeRight(group(users), L"x");
    EXPECT_EQ(L"rw", m_acl->getRight(group(users))) << "removing rights not held changes nothing";
    m_acl->removeRight(group(users), L"rw");
    EXPECT_EQ(L"", m_acl->toString());
    EXPECT_EQ(L"", daclText(m_acl));
    m_book.clear();
    EXPECT_THROW(m_acl->getRight(group(users)), ESyPrecondition);
    EXPECT_EQ(CLogArguments{L"Users"}, m_book.onlyMessage(L"syslib.account.getRightOfACLEntryFailed").arguments);
    EXPECT_EQ((CLogArguments{L"pAccount", L"iastring CSyACLImpl::getRight(const PSyAccount & pAccount)"}),
              m_book.onlyMessage(L"common.parameterNotValid").arguments);
}

TEST_F(CAclTest, SetReplacesBothAccessTypesAndAnEmptySetRemovesTheAccount)
{
    m_acl->modifyRights(iastring(L"(") + users + L", GROUP, +rw ! x)");
    m_acl->modifyRights(iastring(L"(") + users + L", GROUP, =r)");
    EXPECT_EQ(L"r", m_acl->getRight(group(users)));
    m_acl->modifyRights(iastring(L"(") + users + L", GROUP, =)");
    EXPECT_EQ(L"", m_acl->toString());
}

TEST_F(CAclTest, AnUnknownAccountLeavesTheListAsItWas)
{
    m_acl->addRight(group(users), L"r");
    const iastring before = m_acl->toString();
    EXPECT_ANY_THROW(m_acl->modifyRights(iastring(L"(") + administrators + L", GROUP, +w)(nosuchuser, USER, +w)"));
    EXPECT_EQ(before, m_acl->toString());
}

TEST_F(CAclTest, ARightOutsideTheLettersIsRefusedBeforeAnythingChanges)
{
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_acl->setRight(group(users), L"rq"); },
                                       L"common.parameterNotValid", {L"sRight", L"CSyACLImpl::changesAllowed()"});
    EXPECT_EQ(L"", m_acl->toString());
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_acl->addRight(PSyAccount(), L"r"); },
                                       L"common.parameterEmpty", {L"pAccount", L"CSyACLImpl::changesAllowed()"});
}

TEST_F(CAclTest, OwnerComesFromTheLastOwnerEntryWithAWarningForMore)
{
    EXPECT_EQ(L"", m_acl->getOwnerId());
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_acl->getOwner(); }, L"common.attributeEmpty",
                                       {L"Owner", L"CSyACLImpl::getOwner()"});
    m_book.clear();
    m_acl->modifyRights(iastring(L"(") + users + L", GROUP, +o)(" + administrators + L", GROUP, +o)");
    EXPECT_EQ(1u, m_book.messages(L"syslib.account.aclTooManyOwners").size());
    EXPECT_EQ(administrators, m_acl->getOwnerId());
    EXPECT_EQ(administrators, m_acl->getOwner()->getSID());
    EXPECT_EQ(L"", m_acl->toString()) << "naming an owner grants nothing";
    EXPECT_NE(iastring::npos, m_acl->dumpNative().find(L"O:BA"));
    m_acl->addRight(group(users), L"rw");
    m_acl->modifyRights(iastring(L"(") + users + L", GROUP, =o)");
    EXPECT_EQ(L"rwo", m_acl->getRight(group(users))) << "naming the owner with = leaves its rights alone";
    m_acl->setOwner(group(administrators));
    EXPECT_EQ(administrators, m_acl->getOwnerId());
}

TEST_F(CAclTest, AUserCannotBeThePrimaryGroupAndTheLastGroupNamedWins)
{
    addStandInUser(L"acluser", L"pw");
    try
    {
        m_acl->modifyRights(L"(acluser, USER, +g)");
        ADD_FAILURE() << "no exception";
    }
    catch (const ESySecurityDescError& error)
    {
        EXPECT_EQ(L"Bad account type for group", error.getText());
    }
    EXPECT_EQ(L"", m_acl->getGroupId());
    m_acl->modifyRights(iastring(L"(") + users + L", GROUP, +g)");
    EXPECT_EQ(users, m_acl->getGroupId());
    EXPECT_TRUE(m_book.messages(L"syslib.account.aclTooManyGroups").empty()) << "one group is no excess";
    m_acl->modifyRights(iastring(L"(") + users + L", GROUP, +g)(" + administrators + L", GROUP, +g)");
    EXPECT_EQ(1u, m_book.messages(L"syslib.account.aclTooManyGroups").size());
    EXPECT_EQ(administrators, m_acl->getGroupId()) << "the last one named wins";
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_acl->getGroup(); }, L"common.functionNotSupported",
                                       {L"CSyACLImpl::getGroup()"});
}

TEST_F(CAclTest, TheTextFormReadsBackTheSameList)
{
    addStandInUser(L"aclreader", L"pw");
    m_acl->modifyRights(L"(aclreader, USER, +r | DELETE, OBJECT_INHERIT_ACE)(" + iastring(everyone) +
                        L", GROUP, +!w)(" + administrators + L", GROUP, +rwx, CONTAINER_INHERIT_ACE)");
    const PSyACL copy = accounts().getACL();
    copy->modifyRights(m_acl->toString());
    EXPECT_EQ(m_acl->toString(), copy->toString());
    EXPECT_EQ(daclText(m_acl), daclText(copy));
    EXPECT_NE(iastring::npos, m_acl->toString().find(L"+r | DELETE, OBJECT_INHERIT_ACE)")) << m_acl->toString();
    EXPECT_EQ(L"r", m_acl->getRight(accounts().getAccount(ISyAccountMgt::USER, L"aclreader")));
}

TEST_F(CAclTest, DeletingAnAccountWithoutEntriesOnlyLogs)
{
    m_acl->addRight(group(users), L"r");
    m_acl->deleteEntry(group(administrators));
    EXPECT_TRUE(m_book.messages().empty());
    EXPECT_EQ(L"Deleting ACL entry failed for Administrators. Nothing to do.", m_book.logs().back());
    m_acl->deleteEntry(group(users));
    EXPECT_EQ(L"", m_acl->toString());
}

namespace
{
class CNodeAclTest : public CAclTest
{
protected:
    PSyNode nodeAt(const iastring& path) { return files().getNode(files().getFSPath(path)); }

    CStandInSecurity m_security;
    CTempDir m_dir;
};
} // namespace

TEST_F(CNodeAclTest, RightsGrantedByExpressionReadBackThroughAFreshNode)
{
    addStandInUser(L"svcacl", L"pw");
    const PSyDirectory directory = files().createDirectory(files().getFSPath(m_dir / L"data"));
    const PSyACL acl = directory->getACL();
    acl->modifyRights(L"(svcacl, USER, +rw)");
    directory->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);

    const PSyACL readBack = nodeAt(m_dir / L"data")->getACL();
    EXPECT_EQ(L"rw", readBack->getRight(accounts().getUser(L"svcacl").get()));
    EXPECT_EQ(acl->toString(), readBack->toString());
    for (const CRecordedLine& message : m_book.messages())
        EXPECT_NE(CMessage::LOG_ERROR, message.type) << toMbstring(message.text);
}

TEST_F(CNodeAclTest, AFileNeverGivenRightsReadsAsThePlatformReportsIt)
{
    writeFile(m_dir / L"plain.txt");
    PACL dacl = nullptr;
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> raw;
    ASSERT_EQ(ERROR_SUCCESS, ::GetNamedSecurityInfoW((m_dir / L"plain.txt").c_str(), SE_FILE_OBJECT,
                                                     DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                                                     raw.receive()));
    const PSyACL acl = nodeAt(m_dir / L"plain.txt")->getACL();
    ASSERT_NE(nullptr, dacl);
    EXPECT_EQ(dacl->AceCount, CSyACLImpl::implOf(acl, L"test").securityDesc().m_dacl.size());
    EXPECT_FALSE(acl->getOwnerId().empty());
}

TEST_F(CNodeAclTest, RightsFollowTheFileThroughRenameAndMove)
{
    writeFile(m_dir / L"a.txt");
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"sub").c_str(), nullptr));
    const PSyNode file = nodeAt(m_dir / L"a.txt");
    const PSyACL acl = accounts().getACL();
    acl->modifyRights(iastring(L"(") + users + L", GROUP, =r)(" + everyone + L", GROUP, +!w)");
    file->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);

    ASSERT_TRUE(file->move(m_dir / L"b.txt"));
    const PSyNode renamed = nodeAt(m_dir / L"b.txt");
    EXPECT_EQ(acl->toString(), renamed->getACL()->toString());
    ASSERT_TRUE(renamed->move(m_dir / L"sub\\c.txt"));
    EXPECT_EQ(acl->toString(), nodeAt(m_dir / L"sub\\c.txt")->getACL()->toString());

    // A new file that takes the old name is another file with its own rights.
    writeFile(m_dir / L"a.txt");
    EXPECT_NE(acl->toString(), nodeAt(m_dir / L"a.txt")->getACL()->toString());
}

TEST_F(CNodeAclTest, NewChildrenInheritTheInheritableEntries)
{
    const PSyDirectory parent = files().createDirectory(files().getFSPath(m_dir / L"parent"));
    const PSyACL acl = accounts().getACL();
    acl->modifyRights(iastring(L"(") + users + L", GROUP, +r, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)(" +
                      administrators + L", GROUP, +rwx, CONTAINER_INHERIT_ACE)(" + everyone + L", GROUP, +x)");
    parent->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);

    writeFile(m_dir / L"parent\\child.txt");
    const PSyACL file = nodeAt(m_dir / L"parent\\child.txt")->getACL();
    EXPECT_EQ(iastring(L"(") + users + L", GROUP, +r, INHERITED_ACE)", file->toString())
        << "files take object-inheritable entries only, as inherited entries";

    const PSyDirectory child = files().createDirectory(files().getFSPath(m_dir / L"parent\\child"));
    const iastring text = child->getACL()->toString();
    EXPECT_NE(iastring::npos, text.find(iastring(users) + L", GROUP, +r, CONTAINER_INHERIT_ACE | INHERITED_ACE | "
                                                           L"OBJECT_INHERIT_ACE)"))
        << text;
    EXPECT_NE(iastring::npos, text.find(iastring(administrators) + L", GROUP, +rwx, CONTAINER_INHERIT_ACE | "
                                                                    L"INHERITED_ACE)"))
        << text;
    EXPECT_EQ(iastring::npos, text.find(everyone)) << "an entry without inheritance stays with the parent";
}

TEST_F(CNodeAclTest, AVersionSavedWithRightsKeepsThem)
{
    writeFile(m_dir / L"setup.ini");
    const PSyNode file = nodeAt(m_dir / L"setup.ini");
    const PSyACL acl = accounts().getACL();
    acl->modifyRights(iastring(L"(") + administrators + L", GROUP, =rwx)");
    file->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);

    EXPECT_EQ(1, file->saveVersion(true));
    EXPECT_EQ(acl->toString(), nodeAt(m_dir / L"setup.1.ini")->getACL()->toString());
    EXPECT_EQ(2, file->saveVersion(false));
    EXPECT_NE(acl->toString(), nodeAt(m_dir / L"setup.2.ini")->getACL()->toString());
}

TEST_F(CNodeAclTest, ANativeDescriptorIsWrittenAsGiven)
{
    writeFile(m_dir / L"native.txt");
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> native;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:BAD:(D;;0x120116;;;WD)(A;;FA;;;BA)",
                                                                       SDDL_REVISION_1, native.receive(), nullptr));
    const PSyNode file = nodeAt(m_dir / L"native.txt");
    file->setNativeACL(native.get());
    const PSyACL acl = file->getACL();
    EXPECT_EQ(administrators, acl->getOwnerId());
    EXPECT_EQ(L"rwxo", acl->getRight(group(administrators)));
    EXPECT_EQ(L"!w", acl->getRight(group(everyone)));
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { file->setNativeACL(nullptr); }, L"common.parameterEmpty",
                                       {L"nativeDescriptor", L"CSyNodeImpl::setNativeACL()"});
}

TEST_F(CNodeAclTest, OnlyAnExecutableImageWithExecuteRightsIsExecable)
{
    wchar_t program[MAX_PATH + 1] = {0};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    ASSERT_TRUE(::CopyFileW(program, (m_dir / L"tool.exe").c_str(), FALSE));
    writeFile(m_dir / L"notes.exe");
    const PSyAccount user = group(users);
    const PSyNode tool = nodeAt(m_dir / L"tool.exe");

    const PSyACL acl = accounts().getACL();
    acl->modifyRights(iastring(L"(") + users + L", GROUP, =rx)");
    tool->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    m_book.clear();
    EXPECT_TRUE(tool->isExecable(user));
    EXPECT_EQ(1u, m_book.messages(L"syslib.filesystem.isExecutableByAccount").size());

    acl->modifyRights(iastring(L"(") + everyone + L", GROUP, +!x)");
    tool->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    EXPECT_FALSE(tool->isExecable(user)) << "denied to everyone";
    acl->modifyRights(iastring(L"(") + everyone + L", GROUP, =)(" + users + L", GROUP, =r)");
    tool->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    EXPECT_FALSE(tool->isExecable(user)) << "read only";

    const PSyNode notes = nodeAt(m_dir / L"notes.exe");
    notes->setACL(accounts().getACL(), ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    m_book.clear();
    EXPECT_FALSE(notes->isExecable(user)) << "not an image";
    EXPECT_EQ(1u, m_book.messages(L"syslib.filesystem.isNotExecutableByAccount").size());
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { notes->isExecable(PSyAccount()); },
                                       L"common.parameterNotValid", {L"account", L"CSyNodeImpl::isExecable(PSyAccount)"});
}

TEST_F(CNodeAclTest, AnACLOfAnotherKindOfObjectIsRefused)
{
    writeFile(m_dir / L"x.txt");
    expectLoggedThrow<ESyPrecondition>(
        m_book, [&] { nodeAt(m_dir / L"x.txt")->setACL(PSyACL(), ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr); },
        L"common.parameterNotValid",
        {L"acl", L"CSyNodeImpl::setACL(PSyACL, ISyNode::eACLInheritMode, ISyErrorHandler*, ISyProgressObserver*)"});
}

TEST_F(CNodeAclTest, AMoveThatHasToCopyGivesTheCopyTheSourcesRights)
{
    writeFile(m_dir / L"busy.txt");
    const PSyNode file = nodeAt(m_dir / L"busy.txt");
    const PSyACL acl = accounts().getACL();
    acl->modifyRights(iastring(L"(") + users + L", GROUP, =rx)(" + everyone + L", GROUP, +!w)");
    file->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);

    // Open without delete sharing, the file cannot be renamed, only copied (as to another volume); nor
    // can it be removed afterwards, which ends the move with an exception after the copy.
    const syslib::CSyKernelHandle busy(::CreateFileW((m_dir / L"busy.txt").c_str(), GENERIC_READ,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                                     nullptr));
    ASSERT_TRUE(busy.isValid());
    m_book.clear();
    EXPECT_THROW(file->move(m_dir / L"moved.txt"), ESyFileDelete);
    const std::vector<iastring> logs = m_book.logs();
    EXPECT_NE(logs.end(), std::find_if(logs.begin(), logs.end(), [](const iastring& line) {
                  return line.find(L"system call 'rename'") != iastring::npos;
              })) << "the move took the copy";
    EXPECT_EQ(acl->toString(), nodeAt(m_dir / L"moved.txt")->getACL()->toString());
}

namespace
{
// The descriptor the file-security functions hold for a file, in SDDL (owner, group, DACL with its flags).
iastring heldSddl(const iastring& path)
{
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> held;
    const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                       DACL_SECURITY_INFORMATION;
    EXPECT_EQ(ERROR_SUCCESS, syslib::fileSecurityApi().GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, parts,
                                                                             nullptr, nullptr, nullptr, nullptr,
                                                                             held.receive()));
    syslib::CSyLocalMem<wchar_t*> text;
    if (!held || !::ConvertSecurityDescriptorToStringSecurityDescriptorW(held.get(), SDDL_REVISION_1, parts,
                                                                         text.receive(), nullptr))
        return iastring();
    return text.get();
}

iastring heldDacl(const iastring& path)
{
    const iastring sddl = heldSddl(path);
    const iastring::size_type start = sddl.find(L"D:");
    return start == iastring::npos ? iastring() : sddl.substr(start + 2);
}

void setNative(const PSyNode& node, const wchar_t* sddl)
{
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> native;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, native.receive(),
                                                                       nullptr));
    node->setNativeACL(native.get());
}

bool threadHasToken()
{
    syslib::CSyKernelHandle token;
    return ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.receive()) != FALSE;
}

DWORD processPrivilege(const wchar_t* name)
{
    syslib::CSyKernelHandle token;
    EXPECT_TRUE(::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive()));
    return privilegeState(token.get(), name);
}
} // namespace

TEST_F(CNodeAclTest, WhatIsWrittenIsTheDumpEntryForEntry)
{
    addStandInUser(L"aclorder", L"pw");
    const PSyDirectory directory = files().createDirectory(files().getFSPath(m_dir / L"ordered"));
    const PSyACL acl = accounts().getACL();
    // One trustee three times: SetEntriesInAcl would fold these into one entry and reorder the rest.
    acl->modifyRights(iastring(L"(") + users + L", GROUP, +r, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | "
                      L"INHERIT_ONLY_ACE)(" + users + L", GROUP, +w)(aclorder, USER, +x)(" + everyone +
                      L", GROUP, +!w)(" + users + L", GROUP, +!x, CONTAINER_INHERIT_ACE)");
    directory->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    const iastring held = heldDacl(m_dir / L"ordered");
    EXPECT_NE(iastring::npos, held.find(daclText(acl))) << toMbstring(held) << "\n" << toMbstring(daclText(acl));
    EXPECT_EQ(0u, held.find(L"AI(D;;FW;;;WD)(D;CI;FX;;;BU)(A;OICIIO;FR;;;BU)(A;;FW;;;BU)(A;;FX;;;S-1-5-21-"))
        << toMbstring(held);
    EXPECT_EQ(heldSddl(m_dir / L"ordered"), nodeAt(m_dir / L"ordered")->getACL()->dumpNative())
        << "an ACL read shows what is held";
}

TEST_F(CNodeAclTest, AProtectedListStaysProtectedAndAnUnprotectedOneTakesItsInheritanceFromTheParent)
{
    const PSyDirectory parent = files().createDirectory(files().getFSPath(m_dir / L"parent"));
    const PSyACL inheritable = accounts().getACL();
    inheritable->modifyRights(iastring(L"(") + users + L", GROUP, +r, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)");
    parent->setACL(inheritable, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    writeFile(m_dir / L"parent\\sealed.txt");
    writeFile(m_dir / L"parent\\open.txt");
    const PSyNode sealed = nodeAt(m_dir / L"parent\\sealed.txt");
    setNative(sealed, L"O:BAD:P(A;;FA;;;BA)");

    // Read, changed and written back: still protected, still without the parent's entry.
    const PSyACL sealedAcl = sealed->getACL();
    EXPECT_NE(iastring::npos, sealedAcl->dumpNative().find(L"D:P")) << toMbstring(sealedAcl->dumpNative());
    sealedAcl->modifyRights(iastring(L"(") + everyone + L", GROUP, +r)");
    sealed->setACL(sealedAcl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    EXPECT_EQ(L"PAI(A;;FA;;;BA)(A;;FR;;;WD)", heldDacl(m_dir / L"parent\\sealed.txt"));

    // A version is the same file again: protected too.
    EXPECT_EQ(1, sealed->saveVersion(true));
    EXPECT_EQ(L"PAI(A;;FA;;;BA)(A;;FR;;;WD)", heldDacl(m_dir / L"parent\\sealed.1.txt"));

    // Unprotected: the own entries, then the parent's, never the parent's made explicit.
    const PSyNode open = nodeAt(m_dir / L"parent\\open.txt");
    const PSyACL openAcl = open->getACL();
    EXPECT_EQ(iastring(L"(") + users + L", GROUP, +r, INHERITED_ACE)", openAcl->toString());
    openAcl->modifyRights(iastring(L"(") + administrators + L", GROUP, +rwx)");
    open->setACL(openAcl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    open->setACL(open->getACL(), ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    EXPECT_EQ(L"AI(A;;FA;;;BA)(A;ID;FR;;;BU)", heldDacl(m_dir / L"parent\\open.txt"));
}

TEST_F(CNodeAclTest, ADirectorysNewInheritableEntriesReachItsChildrenWhoseOwnEntriesStay)
{
    const PSyDirectory top = files().createDirectory(files().getFSPath(m_dir / L"top\\middle"));
    writeFile(m_dir / L"top\\middle\\own.txt");
    writeFile(m_dir / L"top\\sealed.txt");
    const PSyNode own = nodeAt(m_dir / L"top\\middle\\own.txt");
    const PSyACL ownAcl = accounts().getACL();
    ownAcl->modifyRights(iastring(L"(") + everyone + L", GROUP, +x)");
    own->setACL(ownAcl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    setNative(nodeAt(m_dir / L"top\\sealed.txt"), L"D:P(A;;FA;;;BA)");

    const PSyNode topNode = nodeAt(m_dir / L"top");
    PSyACL acl = accounts().getACL();
    acl->modifyRights(iastring(L"(") + users + L", GROUP, +r, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)");
    topNode->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    EXPECT_EQ(L"AI(A;;FX;;;WD)(A;ID;FR;;;BU)", heldDacl(m_dir / L"top\\middle\\own.txt"));
    EXPECT_EQ(L"PAI(A;;FA;;;BA)", heldDacl(m_dir / L"top\\sealed.txt")) << "a protected child takes nothing";

    // Taken away again, it goes from the children as well.
    acl = topNode->getACL();
    acl->modifyRights(iastring(L"(") + users + L", GROUP, =)(" + administrators + L", GROUP, +r)");
    topNode->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    EXPECT_EQ(L"AI(A;;FX;;;WD)", heldDacl(m_dir / L"top\\middle\\own.txt"));
}

TEST_F(CNodeAclTest, AnOwnerOtherThanTheCallerNeedsThePrivilegeWhichIsEnabledForTheCallAlone)
{
    addStandInUser(L"svcowner", L"pw");
    writeFile(m_dir / L"owned.txt");
    const iastring path = m_dir / L"owned.txt";
    const iastring svc = accounts().getUser(L"svcowner")->getSID();

    // As Windows: without SeRestorePrivilege only the caller and its groups that may own.
    syslib::CSyLocalMem<PSID> foreign;
    ASSERT_TRUE(::ConvertStringSidToSidW(svc.c_str(), foreign.receive()));
    iastring writable = path;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_OWNER),
              syslib::fileSecurityApi().SetNamedSecurityInfoW(&writable[0], SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                                              foreign.get(), nullptr, nullptr, nullptr));
    syslib::CSyLocalMem<PSID> admins;
    ASSERT_TRUE(::ConvertStringSidToSidW(administrators, admins.receive()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              syslib::fileSecurityApi().SetNamedSecurityInfoW(&writable[0], SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                                                              admins.get(), nullptr, nullptr, nullptr));

    const DWORD before = processPrivilege(L"SeRestorePrivilege");
    ASSERT_EQ(0u, before & SE_PRIVILEGE_ENABLED) << "the test needs the privilege held and disabled";
    const PSyNode file = nodeAt(path);
    const PSyACL acl = file->getACL();
    acl->modifyRights(L"(svcowner, USER, +o)(" + iastring(users) + L", GROUP, +g)");
    file->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    EXPECT_EQ(svc, nodeAt(path)->getACL()->getOwnerId());
    EXPECT_EQ(users, nodeAt(path)->getACL()->getGroupId()) << "a primary group named is written too";
    EXPECT_EQ(before, processPrivilege(L"SeRestorePrivilege"));
    EXPECT_FALSE(threadHasToken());

    // A caller that impersonates keeps its impersonation.
    ASSERT_TRUE(::ImpersonateSelf(SecurityImpersonation));
    acl->setOwner(group(administrators));
    file->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    EXPECT_TRUE(threadHasToken());
    ::RevertToSelf();
    EXPECT_EQ(administrators, nodeAt(path)->getACL()->getOwnerId());
}

namespace
{
decltype(syslib::SyAccountApi::LookupAccountSidW) standInLookup = nullptr;

// Refuses buffers shorter than 300 characters as a longer name or domain would, then answers as before.
BOOL WINAPI lookupNeedingRoom(LPCWSTR system, PSID sid, LPWSTR name, LPDWORD nameLength, LPWSTR domain,
                              LPDWORD domainLength, PSID_NAME_USE use)
{
    if (*nameLength < 300 || *domainLength < 300)
    {
        *nameLength = *domainLength = 300;
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return standInLookup(system, sid, name, nameLength, domain, domainLength, use);
}
} // namespace

TEST_F(CNodeAclTest, AGroupWithTheLongestNameWindowsAllowsReadsBackAsAGroup)
{
    const iastring longest(GNLEN, L'g');
    EXPECT_THROW(accounts().createGroup(longest + L"g", L""), ESyException) << "Windows allows GNLEN characters";
    const iastring sid = accounts().createGroup(longest, L"")->getSID();
    writeFile(m_dir / L"shared.txt");
    const PSyNode file = nodeAt(m_dir / L"shared.txt");
    const PSyACL acl = file->getACL();
    acl->modifyRights(L"(" + longest + L", GROUP, +r)");
    file->setACL(acl, ISyNode::ACL_KEEP_CHILDREN, nullptr, nullptr);
    // The type is the one the name lookup gives: NONE would drop the entry's kind.
    const iastring entry = L"(" + sid + L", GROUP, +r)";
    EXPECT_NE(iastring::npos, nodeAt(m_dir / L"shared.txt")->getACL()->toString().find(entry));

    standInLookup = syslib::accountApi().LookupAccountSidW;
    const standins::CAccountApiOverride<decltype(syslib::SyAccountApi::LookupAccountSidW)> roomy(
        standins::accountApiTable().LookupAccountSidW, lookupNeedingRoom);
    EXPECT_NE(iastring::npos, nodeAt(m_dir / L"shared.txt")->getACL()->toString().find(entry))
        << "a name or domain longer than the first buffer is asked again";
}
