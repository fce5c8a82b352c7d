// File streams: open modes, line reading and writing, the line iterator and the version markers.
#include "tests/filesystem/nodetestutil.h"

#include <vector>

namespace
{
typedef ISyFile F;

class CFileStreamTest : public CNodeTest
{
protected:
    PSyFileStream stream(const iastring& name, F::eFileOpenMode mode) { return file(name)->openStream(mode); }

    std::vector<iastring> lines(const iastring& name)
    {
        std::vector<iastring> found;
        const PSyFileStreamIterator it = stream(name, F::READ)->getIterator();
        for (it->first(); !it->isDone(); it->next())
            found.push_back(it->get());
        return found;
    }
};
} // namespace

TEST_F(CFileStreamTest, WriteAppendsTruncateEmptiesAndRewindReopens)
{
    writeTestFile(m_dir / L"log.txt", "first\n");
    const PSyFileStream append = stream(L"log.txt", F::WRITE);
    EXPECT_FALSE(append->isOpen()) << "opened on first use";
    append->putLine(L"second", true);
    append->putLine(L"third\n", true);
    append->putLine(L"fourth", false);
    append->close();
    EXPECT_EQ((std::vector<iastring>{L"first", L"second", L"third", L"fourth"}), lines(L"log.txt"));

    const PSyFileStream truncate = stream(L"log.txt", F::TRUNCATE);
    truncate->putLine(L"only", true);
    EXPECT_TRUE(truncate->isOpen());
    truncate->rewind();
    truncate->putLine(L"after rewind", true);
    truncate->close();
    EXPECT_EQ((std::vector<iastring>{L"after rewind"}), lines(L"log.txt"));
}

TEST_F(CFileStreamTest, LinesOfAnyLengthAndEitherLineEndReadBack)
{
    const std::string longLine(200000, 'x');
    writeTestFile(m_dir / L"mixed.txt", "dos\r\nunix\n\n" + longLine + "\r\nlast");
    for (F::eFileOpenMode mode : {F::READ, F::READ | F::BINARY})
    {
        const PSyFileStream in = stream(L"mixed.txt", mode);
        EXPECT_EQ(L"dos", in->getLine());
        EXPECT_EQ(L"unix", in->getLine());
        EXPECT_EQ(L"", in->getLine());
        EXPECT_EQ(iastring(longLine.begin(), longLine.end()), in->getLine());
        EXPECT_EQ(L"last", in->getLine());
        EXPECT_TRUE(in->eof());
        EXPECT_EQ(L"", in->getLine()) << "reading at the end is no error";
        EXPECT_TRUE(in->eof());
        EXPECT_TRUE(m_book.messages().empty());
    }
    const std::vector<iastring> all = lines(L"mixed.txt");
    ASSERT_EQ(5u, all.size()) << "the last line counts without a line end";
    EXPECT_EQ(L"last", all.back());
}

TEST_F(CFileStreamTest, TheIteratorRestartsAndRefusesToReadPastTheEnd)
{
    writeTestFile(m_dir / L"two.txt", "a\nb\n");
    const PSyFileStream in = stream(L"two.txt", F::READ);
    const PSyFileStreamIterator it = in->getIterator();
    it->first();
    EXPECT_EQ(L"a", it->get());
    it->next();
    it->first();
    EXPECT_EQ(L"a", it->get());
    it->next();
    EXPECT_EQ(L"b", it->get());
    it->next();
    EXPECT_TRUE(it->isDone());
    m_book.clear();
    EXPECT_THROW(it->get(), ESyFileRead);
    EXPECT_EQ(1u, m_book.messages(L"syslib.filesystem.endOfFileReached").size());

    writeTestFile(m_dir / L"empty.txt", "");
    EXPECT_TRUE(lines(L"empty.txt").empty());
}

TEST_F(CFileStreamTest, ModesAndMissingFilesAreReportedBeforeAnythingIsWritten)
{
    writeTestFile(m_dir / L"keep.txt", "keep\n");
    const PSyFileStream reader = stream(L"keep.txt", F::READ);
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { reader->putLine(L"no", true); },
                                       L"syslib.filesystem.wrongFileOpenMode", {canonical(L"keep.txt")});
    const PSyFileStream writer = stream(L"keep.txt", F::WRITE);
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { writer->getLine(); }, L"syslib.filesystem.wrongFileOpenMode",
                                       {canonical(L"keep.txt")});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { writer->getIterator(); },
                                       L"syslib.filesystem.wrongFileOpenMode", {canonical(L"keep.txt")});
    EXPECT_EQ("keep\n", readTestFile(m_dir / L"keep.txt"));

    const PSyFileStream gone = stream(L"keep.txt", F::READ);
    ::DeleteFileW((m_dir / L"keep.txt").c_str());
    expectLoggedThrow<ESyFileNotFound>(m_book, [&] { gone->getLine(); }, L"syslib.filesystem.nodeDoesNotExist",
                                       {canonical(L"keep.txt")});
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"keep.txt").c_str(), nullptr));
    const PSyFileStream blocked = PSyFile(new CSyFile(CSyPath(canonical(L"keep.txt"))))->openStream(F::TRUNCATE);
    m_book.clear();
    EXPECT_THROW(blocked->open(), ESyFileNotFound);
    const CRecordedLine failure = m_book.onlyMessage(L"syslib.filesystem.writeErrorOS");
    ASSERT_EQ(2u, failure.arguments.size());
    EXPECT_EQ(canonical(L"keep.txt"), failure.arguments[0]);
}

TEST_F(CFileStreamTest, VersionTextsComeFromTheResourceOrFromMarkersInTheContent)
{
    ASSERT_TRUE(::CopyFileW(besideTestProgram(L"versioned_1_10.dll").c_str(), (m_dir / L"lib.dll").c_str(), FALSE));
    iastring fileVersion, product, platform, build;
    file(L"lib.dll")->getQelVersion(fileVersion, product, platform, build);
    EXPECT_EQ(L"1.10.0.0", fileVersion);
    EXPECT_EQ(L"7.1", product);
    EXPECT_EQ(L"ntamd64", platform);
    EXPECT_EQ(L"nightly", build);
    EXPECT_EQ(L"1.10.0.0", static_cast<CSyFile*>(file(L"lib.dll").get())->impl().getFileVersion().toString());

    writeTestFile(m_dir / L"setup.sh", std::string("#!/bin/sh\n# #[%]QelFileVersion: 2.3.4  \n\0binary", 40) +
                                           "#[%]QelPlatform: linux\r\n#[%]QelSpecialBuild: 99");
    file(L"setup.sh")->getQelVersion(fileVersion, product, platform, build);
    EXPECT_EQ(L"2.3.4", fileVersion);
    EXPECT_EQ(L"", product);
    EXPECT_EQ(L"linux", platform);
    EXPECT_EQ(L"99", build);
    EXPECT_TRUE(static_cast<CSyFile*>(file(L"setup.sh").get())->impl().getFileVersion().isNone());
}
