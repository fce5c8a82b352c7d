// Nodes: the type probe, names, sizes and times, numbered versions and the kinds that refuse changes.
#include "tests/filesystem/nodetestutil.h"

#include "standins/accounts/saaccountapi.h"
#include "standins/security/safilesec.h"
#include "syslib/common/syfactory.h"
#include "syslib/filesystem/sydirectoryimpl.h"
#include "syslib/filesystem/syspecialfileimpl.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <sstream>

namespace
{
typedef ISyNode N;

template <class T>
iastring printed(T value)
{
    std::wostringstream out;
    out << value;
    return out.str();
}
} // namespace

TEST(NodeEnumTest, ValuesPrintByNameAndBitSetsJoinTheirNames)
{
    EXPECT_EQ(L"FILE", printed(N::FILE));
    EXPECT_EQ(L"SOCKET", printed(N::SOCKET));
    EXPECT_EQ(L"unknown (8)", printed(static_cast<N::eNodeType>(CSyPath::NOT_EXISTING)));
    EXPECT_EQ(L"MISSING|EXISTING|REPLACE_IN_USE", printed(N::MISSING | N::EXISTING | N::REPLACE_IN_USE));
    EXPECT_EQ(L"IF_NEWER|128", printed(static_cast<N::CopyMoveMode_t>(N::IF_NEWER | 0x80)));
    EXPECT_EQ(L"0", printed(static_cast<N::CopyMoveMode_t>(0)));
    EXPECT_EQ(L"READ|BINARY", printed(ISyFile::READ | ISyFile::BINARY));
}

TEST_F(CNodeTest, TheProbeTellsFilesDirectoriesRootsAndNothing)
{
    writeTestFile(m_dir / L"f.txt", "x");
    EXPECT_EQ(N::FILE, CSyPath(m_dir / L"f.txt").getOSNodeType(true));
    EXPECT_EQ(N::DIRECTORY, CSyPath(m_dir.path()).getOSNodeType(true));
    EXPECT_EQ(N::DIRECTORY, CSyPath(m_dir.path().substr(0, 3)).getOSNodeType(true));
    EXPECT_EQ(CSyPath::NOT_EXISTING, CSyPath(m_dir / L"missing").getOSNodeType(true));
    EXPECT_EQ(CSyPath::NOT_EXISTING, CSyPath(m_dir / L"missing\\below").getOSNodeType(true));
    EXPECT_EQ(CSyPath::NOT_EXISTING, CSyPath(L"Q:\\").getOSNodeType(true));
    EXPECT_TRUE(m_book.messages().empty()) << "nothing there is no error";

    const PSyNode file = node(L"f.txt");
    EXPECT_EQ(N::FILE, file->getNodeType());
    EXPECT_NE(nullptr, dynamic_cast<ISyFile*>(file.get()));
    EXPECT_NE(nullptr, dynamic_cast<ISyDirectory*>(syslib::filesystem::makeNode(CSyPath(m_dir.path())).get()));
    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();
    expectLoggedThrow<ESyFileNotFound>(m_book, [&] { manager->getNode(manager->getFSPath(m_dir / L"missing")); },
                                       L"syslib.filesystem.nodeDoesNotExist", {canonical(L"missing")});
    m_book.clear();
    EXPECT_EQ(N::FILE, manager->getNode(manager->getFSPath(m_dir / L"f.txt"))->getNodeType());
    EXPECT_TRUE(m_book.hasTrace(L"Returning ISyNode(FILE, " + canonical(L"f.txt") + L")"));
}

TEST_F(CNodeTest, NamesComeFromTheLastComponent)
{
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"bin").c_str(), nullptr));
    writeTestFile(m_dir / L"bin\\setup.3.exe", "x");
    writeTestFile(m_dir / L"bin\\README", "x");
    const PSyNode versioned = node(L"bin\\setup.3.exe");
    EXPECT_EQ(L"setup", versioned->getName());
    EXPECT_EQ(L"exe", versioned->getExtension());
    EXPECT_EQ(3, versioned->getVersion());
    EXPECT_EQ(L"setup.3.exe", versioned->getFullNameNoPath());
    EXPECT_EQ(canonical(L"bin\\setup.3.exe"), versioned->getFullName());
    EXPECT_EQ(canonical(L"bin"), versioned->getPath());
    EXPECT_EQ(canonical(L"bin"), versioned->getParentDirectory()->getFullName());
    EXPECT_EQ(canonical(L"bin\\setup.3.exe"), versioned->getFSPath()->toString());
    const PSyNode plain = node(L"bin\\README");
    EXPECT_EQ(L"README", plain->getName());
    EXPECT_EQ(L"", plain->getExtension());
    EXPECT_EQ(0, plain->getVersion());
}

TEST_F(CNodeTest, SizesAndTimesAreReadFromTheFileSystemAtEachCall)
{
    writeTestFile(m_dir / L"f.txt", std::string(5000, 'x'));
    setFileTime(m_dir / L"f.txt", 1234567890);
    const PSyNode file = node(L"f.txt");
    EXPECT_EQ(5000.0, file->getSize()->getBytes());
    const PSyNodeTimeStamp stamp = file->getTimeStamp();
    EXPECT_EQ(1234567890, stamp->getModificationTime()->getTime());
    EXPECT_EQ(1234567890 - 86400, stamp->getAccessTime()->getTime());
    setFileTime(m_dir / L"f.txt", 1300000000);
    EXPECT_EQ(1300000000, stamp->getModificationTime()->getTime());

    ::DeleteFileW((m_dir / L"f.txt").c_str());
    expectLoggedThrow<ESyFileNotFound>(m_book, [&] { file->getSize(); }, L"syslib.filesystem.nodeAccessFailed",
                                       {canonical(L"f.txt"), toIastring(std::string(std::strerror(ENOENT)))});
    try
    {
        stamp->getCreationTime();
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyFileNotFound& e)
    {
        EXPECT_EQ(ESyException::C_ERRNO, e.getErrorType());
        EXPECT_EQ(ENOENT, e.getCode());
    }
}

TEST_F(CNodeTest, SetTimeStampCopiesTimesToFilesAndLeavesDirectoriesAlone)
{
    writeTestFile(m_dir / L"from.txt", "a");
    writeTestFile(m_dir / L"to.txt", "b");
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"dir").c_str(), nullptr));
    setFileTime(m_dir / L"from.txt", 1111111111);
    const long long directoryTime = modificationSeconds(m_dir / L"dir");
    node(L"to.txt")->setTimeStamp(node(L"from.txt")->getTimeStamp());
    EXPECT_EQ(1111111111, modificationSeconds(m_dir / L"to.txt"));
    EXPECT_EQ(1111111111 - 86400, accessSeconds(m_dir / L"to.txt"));
    node(L"dir")->setTimeStamp(node(L"from.txt")->getTimeStamp());
    EXPECT_EQ(directoryTime, modificationSeconds(m_dir / L"dir"));
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { node(L"to.txt")->setTimeStamp(nullptr); },
                                       L"common.parameterEmpty", {L"sypTimeStamp", L"setTimeStamp()"});
}

// Times and attributes are set through one opening of the file where that can be had; a read-only file
// (which that opening cannot write) and a file held open against writers take the two calls.
TEST_F(CNodeTest, SetTimeStampLeavesEveryFileNormalWithTheTimesOrReportsWhyNot)
{
    writeTestFile(m_dir / L"from.txt", "a");
    setFileTime(m_dir / L"from.txt", 1222222222);
    const wchar_t* const names[] = {L"plain.txt", L"hidden.txt", L"readonly.txt"};
    const DWORD attributes[] = {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE,
                                FILE_ATTRIBUTE_READONLY};
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(names[i]);
        writeTestFile(m_dir / names[i], "b");
        ASSERT_TRUE(::SetFileAttributesW((m_dir / names[i]).c_str(), attributes[i]));
        m_book.clear();
        node(names[i])->setTimeStamp(node(L"from.txt")->getTimeStamp());
        EXPECT_EQ(1222222222, modificationSeconds(m_dir / names[i]));
        EXPECT_EQ(1222222222 - 86400, accessSeconds(m_dir / names[i]));
        EXPECT_EQ(0u, ::GetFileAttributesW((m_dir / names[i]).c_str()) &
                          (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
        EXPECT_TRUE(m_book.messages().empty());
    }

    writeTestFile(m_dir / L"locked.txt", "c");
    const long long before = modificationSeconds(m_dir / L"locked.txt");
    {
        syslib::CSyKernelHandle reader(::CreateFileW((m_dir / L"locked.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader.isValid());
        const PSyNodeTimeStamp times = node(L"from.txt")->getTimeStamp();
        expectLoggedThrow<ESyFileWrite>(m_book, [&] { node(L"locked.txt")->setTimeStamp(times); },
                                        L"syslib.filesystem.errorSettingTimeStamp", {canonical(L"locked.txt")});
    }
    EXPECT_EQ(before, modificationSeconds(m_dir / L"locked.txt"));
}

TEST_F(CNodeTest, VersionsAreSavedNumberedAndRevertedWithABackup)
{
    writeTestFile(m_dir / L"app.ini", "one");
    const PSyNode app = node(L"app.ini");
    expectLoggedThrow<ESyFileNotFound>(m_book, [&] { app->revertVersion(); }, L"syslib.filesystem.nodeHasNoVersion2",
                                       {canonical(L"app.ini")});
    EXPECT_EQ(1, app->saveVersion(false));
    writeTestFile(m_dir / L"app.ini", "two");
    EXPECT_EQ(2, app->saveVersion(false));
    // Versions of another extension are not this file's.
    writeTestFile(m_dir / L"app.7.log", "log");
    EXPECT_EQ(2, app->getHighestVersion());
    EXPECT_EQ("one", readTestFile(m_dir / L"app.1.ini"));
    EXPECT_EQ("two", readTestFile(m_dir / L"app.2.ini"));

    writeTestFile(m_dir / L"app.ini", "three");
    app->revertVersion();
    EXPECT_EQ("two", readTestFile(m_dir / L"app.ini"));
    EXPECT_FALSE(existsOnDisk(m_dir / L"app.2.ini"));
    EXPECT_EQ("three", readTestFile(m_dir / L"app.ini.1.bak"));

    app->revertToVersion(1);
    EXPECT_EQ("one", readTestFile(m_dir / L"app.ini"));
    EXPECT_EQ("two", readTestFile(m_dir / L"app.ini.2.bak")) << "the first backup name is taken";

    EXPECT_EQ(1, app->moveToVersion());
    EXPECT_FALSE(existsOnDisk(m_dir / L"app.ini"));
    EXPECT_EQ("one", readTestFile(m_dir / L"app.1.ini"));

    const PSyNode version = node(L"app.1.ini");
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { version->saveVersion(false); },
                                       L"syslib.filesystem.nodeHasVersionAlready", {canonical(L"app.1.ini")});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { version->revertVersion(); },
                                       L"syslib.filesystem.nodeIsVersionAlready", {canonical(L"app.1.ini"), L"1"});
    expectLoggedThrow<ESyFileNotFound>(m_book, [&] { app->revertToVersion(5); }, L"syslib.filesystem.nodeDoesNotExist",
                                       {canonical(L"app.5.ini")});
}

TEST_F(CNodeTest, TheHighestVersionIsTheGreatestNumberInWhateverOrderTheFolderListsThem)
{
    writeTestFile(m_dir / L"app.ini", "current");
    // "app.10.ini" sorts before "app.9.ini" by name; the file system's own order is anyone's guess.
    for (const int version : {9, 10, 2, 12, 3, 11, 7})
        writeTestFile(m_dir / (L"app." + std::to_wstring(version) + L".ini"), "old");
    EXPECT_EQ(12, node(L"app.ini")->getHighestVersion());
    EXPECT_EQ(13, node(L"app.ini")->saveVersion(false));
}

TEST_F(CNodeTest, SpecialFilesRefuseEveryChange)
{
    writeTestFile(m_dir / L"device", "x");
    const PSyNode device = syslib::filesystem::newNode(CSyPath(m_dir / L"device"), N::CHARACTER);
    EXPECT_EQ(L"device", device->getName());
    const struct
    {
        std::function<void()> call;
        const wchar_t* signature;
    } refused[] = {
        {[&] { device->copy(m_dir / L"copy", N::EXISTING); },
         L"CSySpecialFileImpl::copy(const iastring&, ISyNode::CopyMoveMode_t)"},
        {[&] { device->move(m_dir / L"moved"); }, L"CSySpecialFileImpl::move(const iastring&)"},
        {[&] { device->remove(); }, L"CSySpecialFileImpl::remove()"},
        {[&] { device->setTimeStamp(node(L"device")->getTimeStamp()); },
         L"CSySpecialFileImpl::setTimeStamp(PSyNodeTimeStamp)"},
        {[&] { device->saveVersion(true); }, L"CSySpecialFileImpl::saveVersion(bool)"},
        {[&] { device->revertToVersion(1); }, L"CSySpecialFileImpl::revertToVersion(int)"},
        {[&] { device->getHighestVersion(); }, L"CSySpecialFileImpl::getHighestVersion()"},
        {[&] { device->getSize(); }, L"CSySpecialFileImpl::getSize()"},
    };
    for (const auto& entry : refused)
    {
        const ESyPrecondition e = expectLoggedThrow<ESyPrecondition>(
            m_book, entry.call, L"syslib.filesystem.functionNotSupported", {entry.signature});
        EXPECT_EQ(ESyPrecondition::PARAMETER_NOT_VALID, e.getCode());
    }
    EXPECT_TRUE(existsOnDisk(m_dir / L"device"));
    EXPECT_FALSE(existsOnDisk(m_dir / L"copy"));
}

TEST_F(CNodeTest, AVersionThatCannotTakeTheRightsIsNotLeftBehind)
{
    writeTestFile(m_dir / L"app.ini", "one");
    const PSyNode app = node(L"app.ini");
    // The copy cannot take the rights, so the version with rights fails; it must fail whole.
    {
        const standins::CAccountApiOverride<decltype(syslib::SyFileSecurityApi::SetNamedSecurityInfoW)> refused(
            standins::fileSecurityApiTable().SetNamedSecurityInfoW,
            [](LPWSTR, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID, PSID, PACL, PACL) WINAPI -> DWORD {
                return ERROR_ACCESS_DENIED;
            });
        EXPECT_THROW(app->saveVersion(true), ESyFileSystem);
    }
    EXPECT_FALSE(existsOnDisk(m_dir / L"app.1.ini"));
    EXPECT_EQ(0, app->getHighestVersion());
    EXPECT_EQ(1, app->saveVersion(false));
}
