// The registry values the home check reads (where programs and profiles live), as another tool may have left
// them: of another type, empty, longer than a path used to be, or only in the 32-bit tree.
#include "accountteststate.h"
#include "syslib/account/syaccountwin.h"
#include "tests/support/registryvalue.h"
#include "tests/support/tempdir.h"

namespace
{
using syslib::account::homeRemovalRefused;

const wchar_t* const currentVersion = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const wchar_t* const profileList = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const wchar_t* const otherSid = L"S-1-5-21-9-9-9-4242";

iastring refusalOf(const iastring& home)
{
    return homeRemovalRefused(CSyPath(home), L"");
}

class HomeRegistry : public CStandInAccounts
{
protected:
    CTempDir m_temp;
    iastring m_programs = m_temp / L"programs";
};
} // namespace

// A home may not be a programs directory, nor hold one.
TEST_F(HomeRegistry, AProgramsDirectoryIsTextPlainOrExpandedAndAnythingElseProtectsNothing)
{
    CRegistryValue common(currentVersion, L"CommonFilesDir");
    common.setText(m_programs);
    EXPECT_EQ(m_programs, refusalOf(m_programs));
    EXPECT_EQ(m_programs, refusalOf(m_temp.path()));
    EXPECT_EQ(L"", refusalOf(m_programs + L"x")) << "a longer name is another directory";

    ::SetEnvironmentVariableW(L"SYTEST_PROGRAMS", m_temp.path().c_str());
    common.setText(L"%SYTEST_PROGRAMS%\\programs", REG_EXPAND_SZ);
    EXPECT_EQ(m_programs, refusalOf(m_temp.path()));
    ::SetEnvironmentVariableW(L"SYTEST_PROGRAMS", nullptr);

    common.setNumber(1);
    EXPECT_EQ(L"", refusalOf(m_programs));
    common.setBytes(REG_BINARY, m_programs.c_str(), (m_programs.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(L"", refusalOf(m_programs));
    common.setText(L"");
    EXPECT_EQ(L"", refusalOf(m_temp.path())) << "an empty value is no directory";
}

TEST_F(HomeRegistry, AProgramsDirectoryIsReadWholeAtAndPastThePathLimit)
{
    CRegistryValue common(currentVersion, L"CommonFilesDir");
    for (const std::size_t length : {std::size_t(MAX_PATH - 1), std::size_t(MAX_PATH), std::size_t(MAX_PATH + 1),
                                     std::size_t(700)})
    {
        const iastring deep = m_programs + L"\\" + iastring(length - m_programs.size() - 1, L'p');
        ASSERT_EQ(length, deep.size());
        common.setText(deep);
        EXPECT_EQ(deep, refusalOf(m_programs)) << length;
    }
}

// The 32-bit tree has a programs directory of its own, which says nothing about the machine's.
TEST_F(HomeRegistry, OnlyTheMachinesOwnTreeCounts)
{
    CRegistryValue native(currentVersion, L"CommonFilesDir");
    CRegistryValue wow(currentVersion, L"CommonFilesDir", KEY_WOW64_32KEY);
    native.setText(m_programs);
    wow.setText(m_temp / L"x86");
    EXPECT_EQ(L"", refusalOf(m_temp / L"x86"));
    EXPECT_EQ(m_programs, refusalOf(m_programs));
}

TEST_F(HomeRegistry, AnotherAccountsProfileIsTextOfAnyLengthInTheMachinesTree)
{
    const iastring key = iastring(profileList) + L"\\" + otherSid;
    struct CKeyGone
    {
        iastring key;
        ~CKeyGone() { ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0); }
    } gone{key};
    CRegistryValue image(key.c_str(), L"ProfileImagePath");
    const iastring profile = m_temp / L"profiles\\other";
    image.setText(profile, REG_EXPAND_SZ);
    EXPECT_EQ(profile, refusalOf(profile));
    EXPECT_EQ(profile, refusalOf(m_temp / L"profiles")) << "a directory that holds it";
    EXPECT_EQ(L"", homeRemovalRefused(CSyPath(profile), otherSid)) << "its own profile";

    const iastring deep = profile + L"\\" + iastring(300, L'q');
    image.setText(deep);
    EXPECT_EQ(CSyPath(deep).toString(), CSyPath(refusalOf(deep)).toString());

    image.setNumber(7);
    EXPECT_EQ(L"", refusalOf(profile));
    image.setText(L"");
    EXPECT_EQ(L"", refusalOf(m_temp / L"profiles"));
}
