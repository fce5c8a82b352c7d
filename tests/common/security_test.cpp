// SIDs, tokens, privileges and descriptors against the real Windows security functions.
#include "framework/iastrutil.h"
#include "syslib/common/sywinsec.h"
#include "tests/support/expectthrow.h"
#include "tests/support/privileges.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>


namespace
{
CSyWinSid sidOf(const iastring& text)
{
    syslib::CSyLocalMem<PSID> binary = SySID::fromStringSID(text);
    return CSyWinSid(binary.get());
}

iastring textOf(const CSyWinSid& sid)
{
    return SySID::toStringSID(sid.get());
}

CSyWinSid processUser()
{
    CAccessToken token;
    EXPECT_TRUE(token.openProcessToken(TOKEN_QUERY));
    CSyWinSid user;
    EXPECT_TRUE(syslib::getTokenSid(token.get(), user));
    return user;
}

bool threadHasToken()
{
    CAccessToken token;
    return token.openThreadToken(TOKEN_QUERY, true);
}

const wchar_t* const administrators = L"S-1-5-32-544";
} // namespace

TEST(SidTest, TextRoundTripsAndCopiesAreIndependentValues)
{
    CRecordingLogBook book;
    for (const wchar_t* text : {L"S-1-1-0", L"S-1-5-18", L"S-1-5-32-544", L"S-1-5-21-1-2-3-4294967295"})
        EXPECT_EQ(text, textOf(sidOf(text)));

    CSyWinSid original = sidOf(L"S-1-5-32-544");
    CSyWinSid copy = original;
    EXPECT_TRUE(copy == original);
    EXPECT_NE(original.get(), copy.get());
    original = sidOf(L"S-1-5-32-545");
    EXPECT_EQ(L"S-1-5-32-544", textOf(copy));
    EXPECT_TRUE(copy != original);

    // Nothing is equal to an empty SID, itself included.
    const CSyWinSid empty;
    EXPECT_FALSE(empty == empty);
    EXPECT_FALSE(empty == copy);
    EXPECT_FALSE(copy == empty);
}

TEST(SidTest, InvalidSidsAreRefusedWithTheirOwnFailure)
{
    CRecordingLogBook book;
    // Revision 9 is no SID revision.
    BYTE invalid[12] = {9, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    const ESyPrecondition notValid = expectLoggedThrow<ESyPrecondition>(
        book, [&] { SySID::toStringSID(invalid); }, L"syslib.account.invalidSID", {});
    EXPECT_EQ(ESyPrecondition::PARAMETER_NOT_VALID, notValid.getCode());

    const ESyException wrapped =
        expectLoggedThrow<ESyException>(book, [&] { CSyWinSid sid(invalid); }, L"syslib.account.invalidSID", {});
    EXPECT_EQ(ESyException::DCOM_HRESULT, wrapped.getErrorType());
    EXPECT_EQ(static_cast<int>(E_INVALIDARG), wrapped.getCode());

    for (const wchar_t* text : {L"S-1-x", L"S-1-5-", L"Administrators"})
    {
        book.clear();
        try
        {
            SySID::fromStringSID(text);
            ADD_FAILURE() << "no exception for " << toMbstring(text);
        }
        catch (const ESyException& failure)
        {
            EXPECT_EQ(ESyException::WIN32_ERROR, failure.getErrorType());
            const CRecordedLine message = book.onlyMessage(L"syslib.sysCallFailed");
            EXPECT_EQ(L"ConvertStringSidToSid", message.arguments.at(0));
            EXPECT_EQ(std::to_wstring(failure.getCode()), message.arguments.at(2));
            EXPECT_EQ(text, message.arguments.at(4));
        }
    }
}

TEST(SidTest, AppendRidAddsOneSubAuthority)
{
    CRecordingLogBook book;
    CSyWinSid result;
    syslib::appendRid(result, sidOf(L"S-1-5-21-11-22-33"), DOMAIN_GROUP_RID_ADMINS);
    EXPECT_EQ(L"S-1-5-21-11-22-33-512", textOf(result));
    EXPECT_EQ(5, *::GetSidSubAuthorityCount(result.get()));

    // The identifier authority is kept, not assumed to be 5.
    syslib::appendRid(result, sidOf(L"S-1-16-8192"), 0xFFFFFFFF);
    EXPECT_EQ(L"S-1-16-8192-4294967295", textOf(result));

    // A SID with the most sub-authorities there can be has no room for one more.
    BYTE fullBytes[SECURITY_MAX_SID_SIZE] = {SID_REVISION, SID_MAX_SUB_AUTHORITIES, 0, 0, 0, 0, 0, 5};
    const CSyWinSid full(fullBytes);
    result = CSyWinSid();
    expectLoggedThrow<ESyPrecondition>(book, [&] { syslib::appendRid(result, full, 1); }, L"syslib.account.invalidSID",
                                       {});
    expectLoggedThrow<ESyPrecondition>(book, [&] { syslib::appendRid(result, CSyWinSid(), 1); },
                                       L"syslib.account.invalidSID", {});
    EXPECT_TRUE(result.isEmpty());
}

TEST(TokenTest, ReadersLogAndReturnFalseForABadToken)
{
    CRecordingLogBook book;
    CSyWinSid user;
    EXPECT_FALSE(syslib::getTokenSid(nullptr, user));
    EXPECT_TRUE(user.isEmpty());
    ASSERT_EQ(1u, book.logs().size());
    EXPECT_EQ(L"Could not GetTokenInformation to determine required memory. Error: 6 I will exit.", book.logs()[0]);
    EXPECT_EQ(L"syslib::getTokenSid", book.lines().front().functionName);
    EXPECT_EQ(L"synxsyshlp", book.lines().front().sourceFile);

    book.clear();
    CTokenGroups groups;
    EXPECT_FALSE(syslib::getTokenGroups(nullptr, groups));
    EXPECT_EQ(0u, groups.size());
    EXPECT_EQ(1u, book.logs().size());
    EXPECT_TRUE(book.messages().empty());
}

TEST(TokenTest, MembershipOfTheProcessToken)
{
    CRecordingLogBook book;
    const CSyWinSid user = processUser();
    CAccessToken token;
    ASSERT_TRUE(token.openProcessToken(TOKEN_QUERY));
    CTokenGroups groups;
    ASSERT_TRUE(syslib::getTokenGroups(token.get(), groups));
    EXPECT_TRUE(groups.hasEnabled(sidOf(administrators)));

    EXPECT_EQ(IS_MEMBER, syslib::getTokenGroupMembership(user, sidOf(administrators)));
    // Backup Operators: a group the wine user is not in.
    EXPECT_EQ(NOT_MEMBER, syslib::getTokenGroupMembership(user, sidOf(L"S-1-5-32-551")));
    // Asked about another account, the token cannot answer.
    EXPECT_EQ(UNKNOWN, syslib::getTokenGroupMembership(sidOf(L"S-1-5-18"), sidOf(administrators)));
    EXPECT_EQ(UNKNOWN, syslib::getTokenGroupMembership(CSyWinSid(), sidOf(administrators)));
}

TEST(TokenTest, AThreadTokenDecidesAndADisabledGroupIsNoMembership)
{
    CRecordingLogBook book;
    const CSyWinSid user = processUser();
    CAccessToken process;
    ASSERT_TRUE(process.openProcessToken(TOKEN_DUPLICATE | TOKEN_QUERY));
    const CSyWinSid group = sidOf(administrators);
    SID_AND_ATTRIBUTES disable = {group.get(), 0};
    HANDLE restricted = nullptr;
    ASSERT_TRUE(::CreateRestrictedToken(process.get(), 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted));
    CAccessToken primary(restricted);
    HANDLE impersonation = nullptr;
    ASSERT_TRUE(::DuplicateToken(primary.get(), SecurityImpersonation, &impersonation));
    CAccessToken thread(impersonation);

    ASSERT_TRUE(thread.impersonate());
    EXPECT_EQ(NOT_MEMBER, syslib::getTokenGroupMembership(user, sidOf(administrators)));
    ASSERT_TRUE(thread.revert());
    EXPECT_FALSE(threadHasToken());
    EXPECT_EQ(IS_MEMBER, syslib::getTokenGroupMembership(user, sidOf(administrators)));
}

TEST(PrivilegeTest, EnablingAndRestoringLeavesTheTokenAsItWas)
{
    CRecordingLogBook book;
    CAccessToken token;
    ASSERT_TRUE(token.openProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY));
    for (const wchar_t* name : {L"SeShutdownPrivilege", L"SeChangeNotifyPrivilege"})
    {
        const DWORD before = privilegeState(token.get(), name);
        ASSERT_NE(0xFFFFFFFFu, before) << name;
        CTokenPrivileges previous;
        ASSERT_TRUE(token.enablePrivilege(name, previous)) << name;
        EXPECT_TRUE(privilegeState(token.get(), name) & SE_PRIVILEGE_ENABLED) << name;
        ASSERT_TRUE(token.restorePrivileges(previous));
        EXPECT_EQ(before, privilegeState(token.get(), name)) << name;

        // Disabling is undone the same way.
        ASSERT_TRUE(token.enablePrivilege(name, previous, false));
        EXPECT_FALSE(privilegeState(token.get(), name) & SE_PRIVILEGE_ENABLED) << name;
        ASSERT_TRUE(token.restorePrivileges(previous));
        EXPECT_EQ(before, privilegeState(token.get(), name)) << name;
    }

    CTokenPrivileges unknown;
    EXPECT_FALSE(token.enablePrivilege(L"SeNoSuchPrivilege", unknown));
    EXPECT_TRUE(unknown.isEmpty());
}

namespace
{
// The thread's impersonation token's id; 0 when the thread has none.
DWORD64 threadTokenId()
{
    CAccessToken token;
    if (!token.openThreadToken(TOKEN_QUERY, true))
        return 0;
    TOKEN_STATISTICS statistics = {};
    DWORD size = 0;
    EXPECT_TRUE(::GetTokenInformation(token.get(), TokenStatistics, &statistics, sizeof(statistics), &size));
    return (static_cast<DWORD64>(statistics.TokenId.HighPart) << 32) | statistics.TokenId.LowPart;
}
} // namespace

TEST(PrivilegeTest, AScopeEnablesOnACopyAndGivesTheThreadItsOwnTokenBack)
{
    CAccessToken process;
    ASSERT_TRUE(process.openProcessToken(TOKEN_QUERY));
    const DWORD before = privilegeState(process.get(), L"SeRestorePrivilege");
    ASSERT_EQ(0u, before & SE_PRIVILEGE_ENABLED) << "held and disabled, as for an administrator";
    {
        CSyPrivilegeScope scope;
        ASSERT_TRUE(scope.begin({L"SeRestorePrivilege", L"SeBackupPrivilege"}));
        CAccessToken copy;
        ASSERT_TRUE(copy.openThreadToken(TOKEN_QUERY, true));
        EXPECT_TRUE(privilegeState(copy.get(), L"SeRestorePrivilege") & SE_PRIVILEGE_ENABLED);
        EXPECT_TRUE(privilegeState(copy.get(), L"SeBackupPrivilege") & SE_PRIVILEGE_ENABLED);
        EXPECT_EQ(before, privilegeState(process.get(), L"SeRestorePrivilege"));
    }
    EXPECT_EQ(0u, threadTokenId()) << "no impersonation before, none after";

    // An impersonating caller gets its very token back, also when a privilege is not held.
    ASSERT_TRUE(::ImpersonateSelf(SecurityImpersonation));
    const DWORD64 own = threadTokenId();
    {
        CSyPrivilegeScope scope;
        EXPECT_FALSE(scope.begin({L"SeRestorePrivilege", L"SeCreateTokenPrivilege"}));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), ::GetLastError());
        EXPECT_NE(own, threadTokenId());
        EXPECT_TRUE(scope.end());
        EXPECT_EQ(own, threadTokenId());
    }
    EXPECT_EQ(own, threadTokenId());
    ::RevertToSelf();
}

TEST(PrivilegeTest, PrivilegeListsKeepOneEntryALuidInLuidOrder)
{
    CTokenPrivileges privileges;
    ASSERT_TRUE(privileges.add(L"SeShutdownPrivilege", true));
    ASSERT_TRUE(privileges.add(L"SeBackupPrivilege", false));
    ASSERT_TRUE(privileges.add(L"SeShutdownPrivilege", false));
    EXPECT_EQ(2u, privileges.size());

    LUID shutdown = {};
    ASSERT_TRUE(::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &shutdown));
    DWORD attributes = 99;
    ASSERT_TRUE(privileges.lookup(shutdown, attributes));
    EXPECT_EQ(0u, attributes);

    const std::vector<BYTE> buffer = privileges.toBuffer();
    const TOKEN_PRIVILEGES* state = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    ASSERT_EQ(2u, state->PrivilegeCount);
    EXPECT_LT(state->Privileges[0].Luid.LowPart, state->Privileges[1].Luid.LowPart);

    CTokenPrivileges copy;
    copy.assign(*state);
    EXPECT_EQ(buffer, copy.toBuffer());
    LUID absent = {0x7FFF, 0};
    EXPECT_FALSE(copy.lookup(absent, attributes));
}

TEST(DescriptorTest, ReadsANamedObjectAndGivesBackWhatItChanged)
{
    CRecordingLogBook book;
    CTempDir dir;
    const iastring file = dir / L"guarded.txt";
    writeTestFile(file, "x");

    CSyWinSecurityDesc descriptor;
    ASSERT_TRUE(SyWinGetSecurityDescriptor(file, SE_FILE_OBJECT, descriptor,
                                           OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                               DACL_SECURITY_INFORMATION,
                                           true));
    ASSERT_FALSE(descriptor.isEmpty());
    EXPECT_TRUE(::IsValidSecurityDescriptor(descriptor.get()));
    EXPECT_NE(nullptr, descriptor.getDacl());
    EXPECT_EQ(0u, descriptor.toString(DACL_SECURITY_INFORMATION).find(L"D:"));
    // A copy made from an absolute form holds the same parts.
    const CSyWinSecurityDesc copy(descriptor.get());
    EXPECT_EQ(descriptor.toString(DACL_SECURITY_INFORMATION), copy.toString(DACL_SECURITY_INFORMATION));

    // A SACL needs SeSecurityPrivilege: the thread impersonates for the call only and the token is left as found.
    CAccessToken process;
    ASSERT_TRUE(process.openProcessToken(TOKEN_QUERY));
    const DWORD before = privilegeState(process.get(), L"SeSecurityPrivilege");
    CSyWinSecurityDesc withSacl;
    SyWinGetSecurityDescriptor(file, SE_FILE_OBJECT, withSacl, DACL_SECURITY_INFORMATION | SACL_SECURITY_INFORMATION,
                               true);
    EXPECT_FALSE(threadHasToken());
    EXPECT_EQ(before, privilegeState(process.get(), L"SeSecurityPrivilege"));

    CSyWinSecurityDesc missing;
    EXPECT_FALSE(SyWinGetSecurityDescriptor(dir / L"missing.txt", SE_FILE_OBJECT, missing, DACL_SECURITY_INFORMATION,
                                            false));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
    EXPECT_TRUE(missing.isEmpty());
}
