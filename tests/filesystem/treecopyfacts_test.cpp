// What a tree copy learns on its walk stands in for asking again: the canonical forms, decisions and log
// must be those of a copy that asks the file system for everything.
#include "tests/filesystem/nodetestutil.h"

#include "syslib/common/sytrace.h"
#include "syslib/filesystem/sydirectoryimpl.h"

#include <cwctype>
#include <string>
#include <vector>

namespace
{
typedef ISyNode N;

// The texts a copy leaves behind: messages with their arguments, log lines and copy decisions.
struct CCopyRecord
{
    bool result = false;
    std::vector<iastring> messages;
    std::vector<iastring> logs;
    std::vector<iastring> decisions;
};

bool isDecision(const iastring& trace)
{
    for (const wchar_t* start : {L"Target file ", L"Destination directory ", L"mode & ", L"I will", L"Timestamp of "})
        if (trace.compare(0, iastring(start).size(), start) == 0)
            return true;
    return false;
}

class CTreeCopyFactsTest : public CNodeTest
{
protected:
    ~CTreeCopyFactsTest() override { syslib::filesystem::carriedFactsDisabled() = false; }

    void makeDirectory(const iastring& name) { ASSERT_TRUE(::CreateDirectoryW((m_dir / name).c_str(), nullptr)); }

    // Mixed-case names, folders three deep, an empty folder, a read-only file, dots and blanks in names.
    void makeSource()
    {
        makeDirectory(L"Src");
        makeDirectory(L"Src\\Nested Folder");
        makeDirectory(L"Src\\Nested Folder\\DEEPER");
        makeDirectory(L"Src\\Nested Folder\\DEEPER\\Empty Dir");
        makeDirectory(L"Src\\lower");
        writeTestFile(m_dir / L"Src\\MixedCase.TXT", "mixed");
        writeTestFile(m_dir / L"Src\\UPPER.LOG", "upper");
        writeTestFile(m_dir / L"Src\\many.dots.v2.txt", "dots");
        writeTestFile(m_dir / L"Src\\Nested Folder\\SHORT~1.TXT", "tilde"); // looked up even in a new folder
        writeTestFile(m_dir / L"Src\\Nested Folder\\Inner.Dat", "inner");
        writeTestFile(m_dir / L"Src\\Nested Folder\\DEEPER\\x.Y", "deep");
        writeTestFile(m_dir / L"Src\\lower\\ReadOnly.ini", "ro");
        ASSERT_TRUE(::SetFileAttributesW((m_dir / L"Src\\lower\\ReadOnly.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    }

    // A target that holds some of the names in another case, one of them older than its source.
    void makeTargetInOtherCase()
    {
        makeDirectory(L"dst");
        makeDirectory(L"dst\\NESTED FOLDER");
        writeTestFile(m_dir / L"dst\\mixedcase.txt", "old");
        writeTestFile(m_dir / L"dst\\NESTED FOLDER\\inner.dat", "old");
        setFileTime(m_dir / L"dst\\NESTED FOLDER\\inner.dat", 1500000000);
    }

    CCopyRecord copy(const iastring& target, N::CopyMoveMode_t mode, bool carryFacts)
    {
        syslib::filesystem::carriedFactsDisabled() = !carryFacts;
        const PSyNode source = node(L"Src");
        m_book.clear();
        CCopyRecord record;
        record.result = source->copy(PSyFSPath(new CSyFSPath(CSyPath(m_dir / target))), mode, nullptr);
        for (const CRecordedLine& line : m_book.messages())
        {
            iastring text = line.text + L"(" + syslib::toString(static_cast<int>(line.type));
            for (const iastring& argument : line.arguments)
                text += L", " + argument;
            record.messages.push_back(text + L")");
        }
        record.logs = m_book.logs();
        for (const iastring& trace : m_book.traces())
            if (isDecision(trace))
                record.decisions.push_back(trace);
        return record;
    }

    void expectSame(const CCopyRecord& carried, const CCopyRecord& asked)
    {
        EXPECT_EQ(asked.result, carried.result);
        EXPECT_EQ(asked.messages, carried.messages);
        EXPECT_EQ(asked.logs, carried.logs);
        EXPECT_EQ(asked.decisions, carried.decisions);
    }

    static std::size_t count(const std::vector<iastring>& texts, const iastring& start)
    {
        std::size_t found = 0;
        for (const iastring& text : texts)
            found += text.compare(0, start.size(), start) == 0 ? 1 : 0;
        return found;
    }
};
} // namespace

TEST_F(CTreeCopyFactsTest, ACopyIntoAMissingTargetWritesWhatAskingWouldWrite)
{
    makeSource();
    const CCopyRecord carried = copy(L"Dst", N::MISSING, true);
    removeTestTree(m_dir / L"Dst");
    const CCopyRecord asked = copy(L"Dst", N::MISSING, false);
    expectSame(carried, asked);

    EXPECT_EQ(7u, count(asked.messages, L"syslib.filesystem.copiedFile("));
    EXPECT_EQ(5u, count(asked.messages, L"syslib.filesystem.copyingDirectory("));
    // Every file below the top was missing: one failed long-name lookup each, two for a folder.
    EXPECT_EQ(17u, count(asked.logs, L"GetLongPathNam failed for "));
    EXPECT_EQ("ro", readTestFile(m_dir / L"Dst\\lower\\ReadOnly.ini"));
    EXPECT_EQ(0u, ::GetFileAttributesW((m_dir / L"Dst\\lower\\ReadOnly.ini").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(canonical(L"Dst\\Nested Folder\\DEEPER\\x.Y"),
              node(L"Dst\\Nested Folder\\DEEPER\\x.Y")->getFSPath()->getCanonicalPath()->toString());
}

TEST_F(CTreeCopyFactsTest, ACopyOntoATargetSpelledOtherwiseWritesWhatAskingWouldWrite)
{
    makeSource();
    setFileTime(m_dir / L"Src\\Nested Folder\\Inner.Dat", 1600000000);
    const N::CopyMoveMode_t modes[] = {static_cast<N::CopyMoveMode_t>(N::MISSING | N::EXISTING), N::IF_NEWER,
                                       N::MISSING};
    for (const N::CopyMoveMode_t mode : modes)
    {
        SCOPED_TRACE(mode);
        removeTestTree(m_dir / L"dst");
        makeTargetInOtherCase();
        const CCopyRecord carried = copy(L"DST", mode, true);
        const std::string afterCarried = readTestFile(m_dir / L"dst\\NESTED FOLDER\\inner.dat");
        removeTestTree(m_dir / L"dst");
        makeTargetInOtherCase();
        const CCopyRecord asked = copy(L"DST", mode, false);
        expectSame(carried, asked);
        EXPECT_EQ(readTestFile(m_dir / L"dst\\NESTED FOLDER\\inner.dat"), afterCarried);
        EXPECT_FALSE(asked.decisions.empty());
    }
}

// Facts are trusted only where they settle the answer exactly; elsewhere the canonical form is asked for.
// Told that a present file is missing, canonicalisation shows which it did.
TEST_F(CTreeCopyFactsTest, KnownFactsStandInOnlyForAPlainNameUnderACanonicalFolder)
{
    writeTestFile(m_dir / L"present.txt", "p");
    const iastring top = canonical(L"");
    const CSyMissingChild missing{ERROR_FILE_NOT_FOUND};

    m_book.clear();
    EXPECT_EQ(top + L"/present.txt", CSyPath(top + L"/present.txt").getCanonicalPathImpl(missing).toString());
    ASSERT_EQ(1u, m_book.logs().size()) << "the probe's answer is taken, not asked again";
    EXPECT_EQ(L"GetLongPathNam failed for " + top + L"/present.txt OS error message: " +
                  syslib::getOSErrorText(ERROR_FILE_NOT_FOUND),
              m_book.logs().front());

    struct CCase
    {
        iastring text;
        unsigned long error;
    };
    const CCase asked[] = {
        {top + L"/present.txt", ERROR_PATH_NOT_FOUND}, // another error than the lookup's own
        {top + L"/./present.txt", ERROR_FILE_NOT_FOUND},
        {top + L"/sub/../present.txt", ERROR_FILE_NOT_FOUND},
        {L"\\\\?\\" + CSyPath(top).toOSString() + L"\\present.txt", ERROR_FILE_NOT_FOUND},
        {top + L"/present.txt.", ERROR_FILE_NOT_FOUND},  // trimmed by the full path
        {top + L"/sub. /present.txt", ERROR_FILE_NOT_FOUND}, // the same, inside
        {CSyPath(top).head(2).toString() + L"./present.txt", ERROR_FILE_NOT_FOUND}, // right below the drive
        {top + L"/nul.txt", ERROR_FILE_NOT_FOUND},       // may name a device
        {top + L"/COM1", ERROR_FILE_NOT_FOUND},
        {top + L"/con", ERROR_FILE_NOT_FOUND},
        {top + L"/Prn.log", ERROR_FILE_NOT_FOUND},
        {top + L"/aux", ERROR_FILE_NOT_FOUND},
        {top + L"/conin$", ERROR_FILE_NOT_FOUND},
        {top + L"/CONOUT$", ERROR_FILE_NOT_FOUND},
        {top + L"/lpt1.txt", ERROR_FILE_NOT_FOUND},
        {top + L"/pre*.txt", ERROR_FILE_NOT_FOUND},
        {top + L"/pre?.txt", ERROR_FILE_NOT_FOUND},
    };
    for (const CCase& c : asked)
    {
        SCOPED_TRACE(c.text);
        m_book.clear();
        iastring withFacts;
        try
        {
            withFacts = CSyPath(c.text).getCanonicalPathImpl(CSyMissingChild{c.error}).toString();
        }
        catch (const ESyException&)
        {
            withFacts = L"thrown";
        }
        const std::vector<iastring> logsWithFacts = m_book.logs();
        m_book.clear();
        iastring without;
        try
        {
            without = CSyPath(c.text).getCanonicalPathImpl().toString();
        }
        catch (const ESyException&)
        {
            without = L"thrown";
        }
        EXPECT_EQ(without, withFacts);
        EXPECT_EQ(m_book.logs(), logsWithFacts);
    }
}

TEST_F(CTreeCopyFactsTest, TheFormFoundWithFactsIsTheFormFoundByAsking)
{
    const iastring top = canonical(L"");
    const CSyMissingChild missing{ERROR_FILE_NOT_FOUND};
    // The drive letter is written upper case however the form was found.
    iastring lowerDrive = top;
    lowerDrive[0] = static_cast<wchar_t>(::towlower(lowerDrive[0]));
    EXPECT_EQ(top + L"/missing.txt", CSyPath(lowerDrive + L"/missing.txt").getCanonicalPathImpl(missing).toString());
    EXPECT_EQ(top + L"/missing.txt", CSyPath(lowerDrive + L"/missing.txt").getCanonicalPathImpl().toString());

    // Longer than MAX_PATH: the buffers grow; facts are not used there.
    iastring longText = top;
    for (int i = 0; i < 30; ++i)
        longText += L"/folder" + std::to_wstring(i) + L"-with-a-long-name";
    longText += L"/missing.txt";
    EXPECT_EQ(longText, CSyPath(longText).getCanonicalPathImpl(missing).toString());
    EXPECT_EQ(longText, CSyPath(longText).getCanonicalPathImpl().toString());
}

TEST_F(CTreeCopyFactsTest, OnlyAPresentCanonicalFolderIsItsOwnLongForm)
{
    makeDirectory(L"Folder");
    EXPECT_TRUE(CSyPath(canonical(L"Folder")).isOwnLongForm());
    EXPECT_FALSE(CSyPath(canonical(L"Missing")).isOwnLongForm());
    EXPECT_FALSE(CSyPath(canonical(L"Folder") + L"/..").isOwnLongForm());
    EXPECT_FALSE(CSyPath(L"Folder").isOwnLongForm()) << "relative";
}

// The probe asks a plain name by its attributes: every answer, error and trace must be the search's.
TEST_F(CTreeCopyFactsTest, TheProbeAnswersAsTheSearchWould)
{
    makeDirectory(L"Folder");
    writeTestFile(m_dir / L"Folder\\A Long File Name.txt", "x");
    ASSERT_TRUE(::SetFileAttributesW((m_dir / L"Folder\\A Long File Name.txt").c_str(),
                                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    wchar_t shortName[MAX_PATH + 1] = {0};
    ASSERT_NE(0u, ::GetShortPathNameW((m_dir / L"Folder\\A Long File Name.txt").c_str(), shortName, MAX_PATH));
    const iastring texts[] = {canonical(L"Folder"),
                              canonical(L"Folder") + L"/a long FILE name.TXT",
                              CSyPath(shortName).toString(),
                              canonical(L"Folder") + L"/missing.txt",
                              canonical(L"Missing") + L"/below.txt"};
    for (const iastring& text : texts)
    {
        SCOPED_TRACE(text);
        const CSyPath path(text);
        WIN32_FIND_DATAW data;
        syslib::CSyFindHandle search(::FindFirstFileW(path.toOSString().c_str(), &data));
        const DWORD searchError = search ? 0 : ::GetLastError();
        m_book.clear();
        unsigned long error = 0;
        const int type = path.getOSNodeType(true, error);
        EXPECT_EQ(searchError, error);
        if (search)
        {
            EXPECT_EQ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? N::DIRECTORY : N::FILE, type);
            EXPECT_EQ(1u, count(m_book.traces(), L"getOSNodeTypeFromMode(" +
                                                     syslib::toString(data.dwFileAttributes) + L")"));
        }
        else
            EXPECT_EQ(CSyPath::NOT_EXISTING, type);
        EXPECT_TRUE(m_book.messages().empty());
    }
    ::SetFileAttributesW((m_dir / L"Folder\\A Long File Name.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// In a folder the copy has just made, a name is known to be missing until it meets a name put there
// before by another spelling; names that could be such a spelling are asked for.
TEST_F(CTreeCopyFactsTest, AFreshFolderKnowsOnlyNamesThatCannotMeetAnother)
{
    CSyFreshFolder fresh(true);
    const CSyKnownNode* first = fresh.known(L"Readme.txt");
    ASSERT_NE(nullptr, first);
    EXPECT_FALSE(first->present);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_FILE_NOT_FOUND), first->error);
    EXPECT_NE(nullptr, fresh.known(L"readme.txt.bak"));
    for (const wchar_t* asked : {L"README.TXT", L"readme.TXT", L"READ~1.TXT", L"name.", L"name ", L"na*e", L"n?me",
                                 L"caf\u00e9", L""})
        EXPECT_EQ(nullptr, fresh.known(asked)) << asked;
    EXPECT_NE(nullptr, fresh.known(L"name")) << "the refused spellings took nothing";

    CSyFreshFolder existing(false);
    EXPECT_EQ(nullptr, existing.known(L"Readme.txt"));
}
