// Names outside the ANSI code page and beyond the BMP, in a short folder and at the end of paths of 300 and
// 1,000 characters: every file operation takes them as they are.
#include "tests/filesystem/filefaults.h"
#include "tests/filesystem/nodetestutil.h"
#include "tests/filesystem/pendingrenames.h"

#include "syslib/common/syfactory.h"

#include <set>
#include <vector>

namespace
{
typedef ISyNode N;

// Cyrillic, CJK, and a character outside the BMP (a surrogate pair in UTF-16).
const iastring names[] = {L"дом.txt", L"文件.txt", L"\U0001D11E.txt"};

const long long earlier = 1500000000;
const long long later = 1600000000;

// The parameter is the length of the paths of the files (0: a short folder in plain form).
class CWideNameTest : public CNodeTest, public ::testing::WithParamInterface<std::size_t>
{
protected:
    CWideNameTest() : m_pending(m_dir.path()) {}

    void SetUp() override
    {
        const std::size_t length = GetParam();
        if (length == 0)
        {
            m_folder = m_dir / L"папка 文件夹 \U0001D11E";
            ASSERT_TRUE(::CreateDirectoryW(m_folder.c_str(), nullptr));
            return;
        }
        // Folders of 100 characters down to a path of length - 12, so that folder\name.txt is as long as asked.
        m_folder = L"\\\\?\\" + m_dir.path();
        const std::size_t folderLength = length - 12;
        while (m_folder.size() < folderLength)
        {
            const std::size_t left = folderLength - m_folder.size() - 1;
            m_folder += L"\\" + iastring(left > 100 ? 100 : left, L'ч');
            ASSERT_TRUE(::CreateDirectoryW(m_folder.c_str(), nullptr)) << ::GetLastError();
        }
        ASSERT_EQ(folderLength, m_folder.size());
    }

    iastring at(const iastring& name) const { return m_folder + L"\\" + name; }
    PSyNode nodeAt(const iastring& path) { return syslib::filesystem::makeNode(CSyPath(path)); }
    PSyFSPath fsPath(const iastring& path) { return getSyslibFactory()->getFileSystemMgt()->getFSPath(path); }

    // No step may have failed, nor have been taken for a failure.
    void expectNoErrors()
    {
        for (const CRecordedLine& message : m_book.messages())
            EXPECT_NE(CMessage::LOG_ERROR, message.type) << message.text;
    }

    // The files of the folder named qel*.tmp that the machine deletes at the next restart, by their content.
    std::multiset<std::string> asideForRestart()
    {
        std::multiset<std::string> found;
        const std::vector<iastring> pending = readPendingRenames();
        WIN32_FIND_DATAW data;
        const syslib::CSyFindHandle find(::FindFirstFileW(at(L"qel*.tmp").c_str(), &data));
        if (find)
            do
            {
                EXPECT_TRUE(registeredForDeletion(pending, at(data.cFileName))) << toMbstring(data.cFileName);
                found.insert(readTestFile(at(data.cFileName)));
            } while (::FindNextFileW(find.get(), &data));
        return found;
    }

    iastring m_folder;
    CPendingRenames m_pending;
};
} // namespace

TEST_P(CWideNameTest, CopiesAndUpdatesTakeEveryName)
{
    for (const iastring& name : names)
    {
        SCOPED_TRACE(toMbstring(name));
        writeTestFile(at(name), "new " + toMbstring(name));
        setFileTime(at(name), later);
        m_book.clear();
        EXPECT_TRUE(nodeAt(at(name))->copy(fsPath(at(L"copy " + name)), N::MISSING, nullptr));
        EXPECT_EQ("new " + toMbstring(name), readTestFile(at(L"copy " + name)));
        EXPECT_EQ(later, modificationSeconds(at(L"copy " + name))) << "the copy takes the source's times";

        writeTestFile(at(L"older " + name), "old");
        setFileTime(at(L"older " + name), earlier);
        writeTestFile(at(L"newer " + name), "newer");
        setFileTime(at(L"newer " + name), later + 1);
        EXPECT_TRUE(nodeAt(at(name))->copy(fsPath(at(L"older " + name)), N::IF_NEWER, nullptr));
        EXPECT_EQ("new " + toMbstring(name), readTestFile(at(L"older " + name)));
        EXPECT_FALSE(nodeAt(at(name))->copy(fsPath(at(L"newer " + name)), N::IF_NEWER, nullptr));
        EXPECT_EQ("newer", readTestFile(at(L"newer " + name)));
        expectNoErrors();
    }
}

TEST_P(CWideNameTest, MovesAndRemovalsTakeEveryName)
{
    for (const iastring& name : names)
    {
        SCOPED_TRACE(toMbstring(name));
        writeTestFile(at(name), "moving");
        writeTestFile(at(L"there " + name), "replaced");
        m_book.clear();
        EXPECT_TRUE(nodeAt(at(name))->move(fsPath(at(L"moved " + name)), N::MISSING));
        EXPECT_FALSE(existsOnDisk(at(name)));
        EXPECT_TRUE(nodeAt(at(L"moved " + name))->move(fsPath(at(L"there " + name)), N::EXISTING));
        EXPECT_EQ("moving", readTestFile(at(L"there " + name)));
        EXPECT_FALSE(existsOnDisk(at(L"moved " + name)));
        nodeAt(at(L"there " + name))->remove();
        EXPECT_FALSE(existsOnDisk(at(L"there " + name)));
        expectNoErrors();
    }
    WIN32_FIND_DATAW data;
    const syslib::CSyFindHandle left(::FindFirstFileW(at(L"*.tmp").c_str(), &data));
    EXPECT_FALSE(left.isValid()) << "nothing was left aside";
}

// The old file of a replacement and a file removed while in use wait for the restart beside their name,
// at any depth (GetTempFileNameW would refuse a folder past MAX_PATH).
TEST_P(CWideNameTest, FilesInUseAreReplacedAndRemovedAtEveryDepth)
{
    // In use as a running program's image is: readable and renamable, neither writable nor deletable.
    const CFileFaults refusedDeletion([&](const CFileCall& call) {
        return iastring(call.function) == L"DeleteFileW" && call.path.size() > 4 &&
                       call.path.compare(call.path.size() - 4, 4, L".txt") == 0
                   ? static_cast<unsigned long>(ERROR_ACCESS_DENIED)
                   : 0ul;
    });
    std::multiset<std::string> aside;
    for (const iastring& name : names)
    {
        SCOPED_TRACE(toMbstring(name));
        writeTestFile(at(name), "old " + toMbstring(name));
        writeTestFile(at(L"new " + name), "new");
        m_book.clear();
        {
            const syslib::CSyKernelHandle held(::CreateFileW(at(name).c_str(), GENERIC_READ,
                                                             FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(held.isValid());
            EXPECT_TRUE(nodeAt(at(L"new " + name))->copy(fsPath(at(name)), N::EXISTING | N::REPLACE_IN_USE, nullptr));
        }
        EXPECT_EQ("new", readTestFile(at(name)));
        aside.insert("old " + toMbstring(name));

        nodeAt(at(L"new " + name))->remove();
        EXPECT_FALSE(existsOnDisk(at(L"new " + name)));
        aside.insert("new");
        expectNoErrors();
        EXPECT_EQ(aside, asideForRestart());
    }
}

TEST_P(CWideNameTest, TimesSizesAndStreamsTakeEveryName)
{
    writeTestFile(at(L"times.txt"), "t");
    setFileTime(at(L"times.txt"), earlier);
    for (const iastring& name : names)
    {
        SCOPED_TRACE(toMbstring(name));
        writeTestFile(at(name), std::string(1234, 'x'));
        m_book.clear();
        const PSyNode node = nodeAt(at(name));
        EXPECT_EQ(1234.0, node->getSize()->getBytes());
        node->setTimeStamp(nodeAt(at(L"times.txt"))->getTimeStamp());
        EXPECT_EQ(earlier, modificationSeconds(at(name)));
        EXPECT_EQ(earlier, node->getTimeStamp()->getModificationTime()->getTime());

        const PSyFile file(dynamic_cast<ISyFile*>(node.get()));
        const PSyFileStream out = file->openStream(ISyFile::TRUNCATE);
        out->putLine(L"first", true);
        out->putLine(L"second", true);
        out->close();
        const PSyFileStream in = file->openStream(ISyFile::READ);
        EXPECT_EQ(L"first", in->getLine());
        EXPECT_EQ(L"second", in->getLine());
        expectNoErrors();
    }
}

TEST_P(CWideNameTest, TreesOfEveryNameAreListedCopiedAndRemoved)
{
    const iastring tree = at(names[0].substr(0, 3));
    const iastring sub = L"\U0001D11E 文件夹";
    ASSERT_TRUE(::CreateDirectoryW(tree.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((tree + L"\\" + sub).c_str(), nullptr));
    std::set<iastring> expected{sub};
    for (const iastring& name : names)
    {
        writeTestFile(tree + L"\\" + name, "12345");
        writeTestFile(tree + L"\\" + sub + L"\\" + name, "123");
        expected.insert(name);
    }
    m_book.clear();
    const PSyDirectory directory(dynamic_cast<ISyDirectory*>(nodeAt(tree).get()));
    std::set<iastring> listed;
    for (const PSyNodeIterator children = directory->getChildNodes(L"*", false); !children->isDone(); children->next())
        listed.insert(children->get()->getFullNameNoPath());
    EXPECT_EQ(expected, listed);
    EXPECT_EQ(24.0, directory->getTotalSize()->getBytes());

    const iastring copy = at(L"копия");
    EXPECT_TRUE(directory->copy(fsPath(copy), N::MISSING, nullptr));
    for (const iastring& name : names)
        EXPECT_EQ("123", readTestFile(copy + L"\\" + sub + L"\\" + name)) << toMbstring(name);
    nodeAt(copy)->remove();
    directory->remove();
    EXPECT_FALSE(existsOnDisk(copy));
    EXPECT_FALSE(existsOnDisk(tree));
    expectNoErrors();
}

INSTANTIATE_TEST_SUITE_P(Places, CWideNameTest, ::testing::Values(0, 300, 1000),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return info.param == 0 ? std::string("ShortFolder")
                                                    : "PathOf" + std::to_string(info.param);
                         });
