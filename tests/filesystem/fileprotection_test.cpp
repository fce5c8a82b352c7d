// A file Windows guards as a part of itself is never replaced by a copy that would replace it in use; wine
// guards none, so the test plays one through the protection table.
#include "tests/filesystem/nodetestutil.h"

#include "standins/files/saprotectionapi.h"
#include "syslib/common/syfactory.h"

#include <vector>

namespace
{
typedef ISyNode N;

iastring guarded;
std::vector<iastring> asked;

BOOL WINAPI guarding(HANDLE server, LPCWSTR path)
{
    asked.push_back(path);
    return server == nullptr && guarded == path;
}

class CFileProtectionTest : public CNodeTest
{
protected:
    CFileProtectionTest()
    {
        asked.clear();
        writeTestFile(m_dir / L"new.dll", "new");
        writeTestFile(m_dir / L"system.dll", "old");
        guarded = osPath(L"system.dll");
    }
    PSyFSPath fsPath(const iastring& name)
    {
        return getSyslibFactory()->getFileSystemMgt()->getFSPath(m_dir / name);
    }

    standins::CApiOverride<decltype(syslib::SyProtectionApi::SfcIsFileProtected)> m_protection{
        standins::protectionApiTable().SfcIsFileProtected, guarding};
};
} // namespace

TEST_F(CFileProtectionTest, AGuardedTargetStaysAsItIsAndTheCopySaysWhy)
{
    EXPECT_FALSE(file(L"new.dll")->copy(fsPath(L"system.dll"), N::EXISTING | N::REPLACE_IN_USE, nullptr));
    EXPECT_EQ("old", readTestFile(m_dir / L"system.dll"));
    EXPECT_EQ(std::vector<iastring>{guarded}, asked) << "the target is asked about, not the source";
    const CRecordedLine refused = m_book.onlyMessage(L"syslib.filesystem.destinationIsFSProtected");
    EXPECT_EQ(CMessage::LOG_INFO, refused.type);
    EXPECT_EQ((CLogArguments{canonical(L"new.dll"), canonical(L"system.dll")}), refused.arguments);
    EXPECT_TRUE(m_book.messages(L"syslib.filesystem.copiedFile").empty());
}

TEST_F(CFileProtectionTest, AnUnguardedTargetIsReplaced)
{
    writeTestFile(m_dir / L"other.dll", "other");
    EXPECT_TRUE(file(L"new.dll")->copy(fsPath(L"other.dll"), N::EXISTING | N::REPLACE_IN_USE, nullptr));
    EXPECT_EQ("new", readTestFile(m_dir / L"other.dll"));
    EXPECT_EQ(std::vector<iastring>{osPath(L"other.dll")}, asked);
    EXPECT_TRUE(m_book.messages(L"syslib.filesystem.destinationIsFSProtected").empty());
}
