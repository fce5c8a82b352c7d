// The file-system manager as the engine reaches it through the factory: nodes for paths, creation, existence.
#include "tests/filesystem/nodetestutil.h"

#include "syslib/common/sytrace.h"

#include "syslib/common/syfactory.h"
#include "tests/account/compatibilitylevel.h"

namespace
{
typedef ISyNode N;

class CFileSystemMgtTest : public CNodeTest
{
protected:
    PSyFSPath path(const iastring& name) { return m_mgt->getFSPath(m_dir / name); }

    IaPtr<ISyFileSystemMgt> m_mgt = CSyslibFactory::getInstance()->getFileSystemMgt();
};
} // namespace

TEST_F(CFileSystemMgtTest, NodesComeAsTheObjectOfTheirKind)
{
    writeTestFile(m_dir / L"f.txt", "x");
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"d").c_str(), nullptr));
    EXPECT_NE(nullptr, dynamic_cast<ISyFile*>(m_mgt->getNode(path(L"f.txt")).get()));
    EXPECT_TRUE(m_book.hasTrace(L"Returning ISyNode(FILE, " + canonical(L"f.txt") + L")"));
    EXPECT_NE(nullptr, dynamic_cast<ISyDirectory*>(m_mgt->getNode(path(L"d")).get()));
    EXPECT_EQ(canonical(L"d"), m_mgt->getDirectory(path(L"d"))->getFullName());
    EXPECT_EQ(canonical(L"f.txt"), m_mgt->getFile(path(L"f.txt"))->getFullName());
    {
        CCompatibilityLevel old(641);
        EXPECT_EQ(canonical(L"f.txt"), m_mgt->getNode(path(L"d\\..\\f.txt"))->getFullName());
    }

    expectLoggedThrow<ESyFileNotFound>(m_book, [&] { m_mgt->getNode(path(L"nothing")); },
                                       L"syslib.filesystem.nodeDoesNotExist", {canonical(L"nothing")});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_mgt->getNode(m_mgt->getFSPath(L"")); },
                                       L"common.parameterEmpty", {L"path", L"getNode()"});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_mgt->getDirectory(path(L"f.txt")); },
                                       L"common.parameterNotValid",
                                       {L"path", L"CSyFileSystemMgtImpl::getDirectory(const CSyPath &) const"});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_mgt->getFile(path(L"d")); }, L"common.parameterNotValid",
                                       {L"path", L"CSyFileSystemMgtImpl::getFile(const CSyPath &) const"});
}

TEST_F(CFileSystemMgtTest, CreateDirectoryMakesTheMissingAncestorsTopDown)
{
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"a").c_str(), nullptr));
    const PSyDirectory created = m_mgt->createDirectory(path(L"a\\b\\c"));
    EXPECT_EQ(canonical(L"a\\b\\c"), created->getFullName());
    EXPECT_TRUE(created->isEmpty());
    std::vector<iastring> made;
    for (const CRecordedLine& line : m_book.messages(L"syslib.filesystem.creatingDirectory"))
        made.push_back(line.arguments.at(0));
    EXPECT_EQ((std::vector<iastring>{canonical(L"a\\b"), canonical(L"a\\b\\c")}), made);

    const ESyFileCreate e = expectLoggedThrow<ESyFileCreate>(
        m_book, [&] { m_mgt->createDirectory(path(L"a\\b")); }, L"syslib.filesystem.nodeAlreadyExists",
        {canonical(L"a\\b")});
    EXPECT_EQ(canonical(L"a\\b"), e.getPath());
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_mgt->createDirectory(m_mgt->getFSPath(L"")); },
                                       L"common.parameterEmpty", {L"rawPath", L"CSyFileSystemMgtImpl::createDirectory"});
}

TEST_F(CFileSystemMgtTest, CreateFileMakesAnEmptyFileAndNeverReplacesOne)
{
    const PSyFile created = m_mgt->createFile(path(L"new.txt"));
    EXPECT_EQ("", readTestFile(m_dir / L"new.txt"));
    EXPECT_TRUE(existsOnDisk(m_dir / L"new.txt"));
    EXPECT_EQ(CLogArguments{canonical(L"new.txt")},
              m_book.onlyMessage(L"syslib.filesystem.creatingFile").arguments);
    // The handle is closed: the file can go at once.
    EXPECT_TRUE(::DeleteFileW((m_dir / L"new.txt").c_str()));

    writeTestFile(m_dir / L"kept.txt", "content");
    expectLoggedThrow<ESyFileCreate>(m_book, [&] { m_mgt->createFile(path(L"kept.txt")); },
                                     L"syslib.filesystem.nodeAlreadyExists", {canonical(L"kept.txt")});
    EXPECT_EQ("content", readTestFile(m_dir / L"kept.txt"));

    m_book.clear();
    try
    {
        m_mgt->createFile(path(L"no\\such.txt"));
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyFileCreate& e)
    {
        EXPECT_EQ(ERROR_PATH_NOT_FOUND, e.getCode());
    }
    const CRecordedLine call = m_book.onlyMessage(L"syslib.sysCallFailed");
    EXPECT_EQ(L"CreateFile", call.arguments.at(0));
    EXPECT_EQ((CLogArguments{canonical(L"no\\such.txt"), L"file", syslib::getOSErrorText(ERROR_PATH_NOT_FOUND)}),
              m_book.onlyMessage(L"syslib.filesystem.nodeCreationFailed").arguments);
}

TEST_F(CFileSystemMgtTest, ExistenceAsksForTheKind)
{
    writeTestFile(m_dir / L"f.txt", "x");
    EXPECT_TRUE(m_mgt->isExisting(path(L"f.txt"), N::NODE));
    EXPECT_TRUE(m_mgt->isExisting(path(L"f.txt"), N::FILE));
    EXPECT_FALSE(m_mgt->isExisting(path(L"f.txt"), N::DIRECTORY));
    EXPECT_TRUE(m_mgt->isExisting(m_mgt->getFSPath(m_dir.path()), N::NODE));
    EXPECT_TRUE(m_mgt->isExisting(m_mgt->getFSPath(m_dir.path()), N::DIRECTORY));
    EXPECT_FALSE(m_mgt->isExisting(m_mgt->getFSPath(m_dir.path()), N::FILE));
    m_book.clear();
    EXPECT_FALSE(m_mgt->isExisting(path(L"nothing"), N::NODE));
    EXPECT_TRUE(m_book.hasTrace(L"false."));
    EXPECT_FALSE(m_mgt->isExisting(m_mgt->getFSPath(L""), N::NODE));
    EXPECT_TRUE(m_book.messages().empty());
}

TEST_F(CFileSystemMgtTest, LinksAreNotSupported)
{
    writeTestFile(m_dir / L"f.txt", "x");
    const PSyNode target = m_mgt->getNode(path(L"f.txt"));
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_mgt->getLink(path(L"f.txt")); },
                                       L"common.functionNotSupported",
                                       {L"CSyFileSystemMgtImpl::getLink(const CSyPath & path) const"});
    expectLoggedThrow<ESyPrecondition>(
        m_book, [&] { m_mgt->createLink(path(L"l"), target); }, L"common.functionNotSupported",
        {L"CSyFileSystemMgtImpl::createLink(const CSyPath & rawPath, const PSyNode & sypTarget) const"});
    const ESyPrecondition e = expectLoggedThrow<ESyPrecondition>(
        m_book, [&] { m_mgt->isExisting(path(L"f.txt"), N::LINK); }, L"common.functionNotSupported",
        {L"ISyFileSystemMgt::isExisting(const CSyPath & path, ISyNode::LINK) const"});
    EXPECT_EQ(ESyPrecondition::FUNCTION_NOT_SUPPORTED, e.getCode());
    EXPECT_FALSE(existsOnDisk(m_dir / L"l"));
}
