// A tree copy on workers against the same copy one file at a time: the log (every line with its file,
// function, arguments and depth), the progress texts between the lines, the files with their attributes
// and times, and what a failure part way leaves, must be the same.
#include "tests/filesystem/filefaults.h"
#include "tests/filesystem/nodetestutil.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/sylock.h"
#include "syslib/filesystem/sytreecopy.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace
{
typedef ISyNode N;

const int filesAFolder = 24; // several are on the way at once
const DWORD attributeBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_DIRECTORY;

// The observer's texts, each with the number of log lines written before it.
class CRecordingObserver : public ISyProgressObserver
{
public:
    explicit CRecordingObserver(const CRecordingLogBook& book) : m_book(book) {}
    void progress(const iastring& text, int number) override
    {
        texts.push_back(std::to_wstring(m_book.lines().size()) + L" progress " + text + L" " + std::to_wstring(number));
    }
    void heading(const iastring& text) override
    {
        texts.push_back(std::to_wstring(m_book.lines().size()) + L" heading " + text);
    }
    std::vector<iastring> texts;

private:
    const CRecordingLogBook& m_book;
};

struct CRun
{
    bool copied = false;
    std::string failure; // what was thrown, empty when nothing
    std::vector<iastring> lines;
    std::vector<iastring> observed;
    std::map<iastring, std::string> files; // relative name -> content, attributes, times
    bool operator==(const CRun& other) const
    {
        return copied == other.copied && failure == other.failure && lines == other.lines &&
               observed == other.observed && files == other.files;
    }
};

// A source's access time may be the moment the copy read it (the file system's choice), not the same second
// in two runs: numbers within a day of now are written as "now".
iastring withoutNow(const iastring& text)
{
    const long long now = static_cast<long long>(std::time(nullptr));
    iastring out;
    for (std::size_t i = 0; i < text.size();)
    {
        std::size_t end = i;
        while (end < text.size() && text[end] >= L'0' && text[end] <= L'9')
            ++end;
        if (end == i)
        {
            out += text[i++];
            continue;
        }
        const iastring digits = text.substr(i, end - i);
        const long long value = digits.size() <= 12 ? std::stoll(digits) : 0;
        out += value > now - 86400 && value < now + 86400 ? iastring(L"now") : digits;
        i = end;
    }
    return out;
}

iastring lineText(const CRecordedLine& line)
{
    iastring text = std::to_wstring(line.kind) + L"|" + std::to_wstring(line.depth) + L"|" + line.sourceFile + L"|" +
                    line.functionName + L"|" + std::to_wstring(line.type) + L"|" + std::to_wstring(line.line) +
                    L"|" + (line.flag ? L"flag" : L"-") + L"|" + line.text;
    for (const iastring& argument : line.arguments)
        text += L"|" + argument;
    return withoutNow(text);
}

// A rule that holds file1's CopyFileW until another file's CopyFileW has failed (with ERROR_DISK_FULL),
// then lets file1's copy go on with file1Error.
class CHeldFirstFile
{
public:
    explicit CHeldFirstFile(unsigned long file1Error) : m_file1Error(file1Error) {}
    // The other file whose copy failed; empty when none was copied while file1's waited.
    const iastring& laterPath() const { return m_laterPath; }
    CFileFaults::Rule rule()
    {
        return [this](const CFileCall& call) -> unsigned long {
            if (iastring(call.function) != L"CopyFileW")
                return 0;
            std::unique_lock<syslib::CSyLock> lock(m_mutex);
            if (call.path.find(L"Src\\file1.txt") != iastring::npos)
            {
                m_waiting = true;
                m_failed.wait_for(lock, std::chrono::seconds(20), [&] { return !m_laterPath.empty(); });
                return m_file1Error;
            }
            if (!m_waiting || !m_laterPath.empty())
                return 0;
            m_laterPath = call.path;
            m_failed.notify_all();
            return ERROR_DISK_FULL;
        };
    }

private:
    const unsigned long m_file1Error;
    syslib::CSyLock m_mutex;
    syslib::CSyCondition m_failed;
    bool m_waiting = false;
    iastring m_laterPath;
};

class CTreeCopyWorkersTest : public CNodeTest
{
protected:
    CTreeCopyWorkersTest()
    {
        // Access times ahead of every change time: no read of a file moves them on (relatime), so both copies
        // see the same times.
        m_accessed = static_cast<long long>(std::time(nullptr)) + 3 * 86400;
    }
    ~CTreeCopyWorkersTest() override { syslib::filesystem::treeCopyWorkersSetting() = 0; }

    // The thread runtime keeps a handle for each place of a thread it has had at once, for later threads:
    // copies with the most workers there can be fill its places before any test counts handles.
    static void SetUpTestSuite()
    {
        CTempDir dir;
        ASSERT_TRUE(::CreateDirectoryW((dir / L"Src").c_str(), nullptr));
        for (int i = 0; i < 4 * syslib::filesystem::maximumTreeCopyWorkers; ++i)
            writeTestFile(dir / (L"Src\\f" + std::to_wstring(i)), "warm-up");
        syslib::filesystem::treeCopyWorkersSetting() = syslib::filesystem::maximumTreeCopyWorkers;
        for (int round = 0; round < 3; ++round)
        {
            removeTestTree(dir / L"Dst");
            syslib::filesystem::makeNode(CSyPath(dir / L"Src"))
                ->copy(PSyFSPath(new CSyFSPath(CSyPath(dir / L"Dst"))), N::MISSING | N::EXISTING, nullptr);
        }
        syslib::filesystem::treeCopyWorkersSetting() = 0;
        removeTestTree(dir / L"Src");
        removeTestTree(dir / L"Dst");
    }

    void makeFile(const iastring& name, const std::string& content, long long modified, DWORD attributes = 0)
    {
        writeTestFile(m_dir / name, content);
        const FILETIME write = fileTimeOf(modified);
        const FILETIME access = fileTimeOf(m_accessed);
        {
            syslib::CSyKernelHandle file(::CreateFileW((m_dir / name).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
            ASSERT_TRUE(::SetFileTime(file.get(), nullptr, &access, &write));
        }
        if (attributes != 0)
        {
            ASSERT_TRUE(::SetFileAttributesW((m_dir / name).c_str(), attributes));
        }
    }

    void makeFolder(const iastring& name) { ASSERT_TRUE(::CreateDirectoryW((m_dir / name).c_str(), nullptr)); }

    // Three levels of folders full of files, a read-only source; a target that holds some of it already: older
    // and newer files, a read-only one, a file where the source has a folder and a folder where it has a file.
    void arrange()
    {
        removeTestTree(m_dir / L"Src");
        removeTestTree(m_dir / L"Dst");
        for (const wchar_t* folder : {L"Src", L"Src\\A", L"Src\\A\\B", L"Src\\A\\B\\C", L"Src\\D", L"Dst", L"Dst\\A",
                                      L"Dst\\A\\B", L"Dst\\D.txt"})
            makeFolder(folder);
        for (const wchar_t* folder : {L"Src", L"Src\\A", L"Src\\A\\B", L"Src\\A\\B\\C"})
            for (int i = 0; i < filesAFolder; ++i)
                makeFile(iastring(folder) + L"\\file" + std::to_wstring(i) + L".txt",
                         "content " + toMbstring(folder) + " " + std::to_string(i), 1600000000 + i);
        makeFile(L"Src\\D.txt", "a file where the target has a folder", 1600000000);
        makeFile(L"Src\\D\\inside.txt", "inside", 1600000000);
        makeFile(L"Dst\\D", "a file where the source has a folder", 1500000000);
        makeFile(L"Src\\A\\ReadOnly.txt", "read-only source", 1600000000, FILE_ATTRIBUTE_READONLY);
        makeFile(L"Dst\\A\\file3.txt", "older", 1500000000);
        makeFile(L"Dst\\A\\file5.txt", "newer", 1700000000);
        makeFile(L"Dst\\A\\B\\file7.txt", "read-only target", 1500000000, FILE_ATTRIBUTE_READONLY);
    }

    // The tree copy with workers (1: one file at a time); with a file of the source held open as a reader holds
    // it, and fail deciding which of the copy's file calls fail.
    CRun copy(int workers, N::CopyMoveMode_t mode, const CFileFaults::Rule& fail = CFileFaults::Rule())
    {
        arrange();
        syslib::filesystem::treeCopyWorkersSetting() = workers;
        const syslib::CSyKernelHandle reader(::CreateFileW((m_dir / L"Src\\A\\file9.txt").c_str(), GENERIC_READ,
                                                           FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(reader.isValid());
        CRecordingObserver observer(m_book);
        m_book.clear();
        CRun run;
        {
            CFileFaults faults(fail);
            try
            {
                run.copied = node(L"Src")->copy(PSyFSPath(new CSyFSPath(CSyPath(m_dir / L"Dst"))), mode, &observer);
            }
            catch (const ESyException& e)
            {
                run.failure = std::string(typeid(e).name()) + " " + std::to_string(e.getCode()) + " " + toMbstring(e.getText());
            }
        }
        for (const CRecordedLine& line : m_book.lines())
            run.lines.push_back(lineText(line));
        run.observed = observer.texts;
        collect(L"Dst", run.files);
        return run;
    }

    // Times first: reading a file's content must not be what its access time shows.
    void collect(const iastring& relative, std::map<iastring, std::string>& files)
    {
        WIN32_FIND_DATAW data;
        syslib::CSyFindHandle find(::FindFirstFileW((m_dir / relative + L"\\*").c_str(), &data));
        if (!find)
            return;
        do
        {
            const iastring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const iastring path = relative + L"\\" + name;
            std::string state = "attributes " + std::to_string(data.dwFileAttributes & attributeBits);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                collect(path, files);
            else
                state += " modified " + std::to_string(secondsOf(data.ftLastWriteTime)) + " accessed " +
                         std::to_string(secondsOf(data.ftLastAccessTime) - m_accessed) + " \"" +
                         readTestFile(m_dir / path) + "\"";
            files[path] = state;
        } while (::FindNextFileW(find.get(), &data));
    }

    static std::size_t count(const std::vector<iastring>& lines, const iastring& part)
    {
        std::size_t found = 0;
        for (const iastring& line : lines)
            found += line.find(part) != iastring::npos ? 1 : 0;
        return found;
    }

    void expectSame(const CRun& one, const CRun& many)
    {
        EXPECT_EQ(one.copied, many.copied);
        EXPECT_EQ(one.failure, many.failure);
        EXPECT_EQ(one.observed, many.observed);
        EXPECT_EQ(one.files, many.files);
        ASSERT_EQ(one.lines.size(), many.lines.size());
        for (std::size_t i = 0; i < one.lines.size(); ++i)
            ASSERT_EQ(one.lines[i], many.lines[i]) << "line " << i;
    }

    long long m_accessed;
};

// Which call of the copy fails: by the function and the name it is given.
CFileFaults::Rule failing(const wchar_t* function, const iastring& name, unsigned long error, DWORD access = 0)
{
    return [=](const CFileCall& call) {
        const bool named = call.path.size() >= name.size() &&
                           call.path.compare(call.path.size() - name.size(), name.size(), name) == 0;
        return iastring(call.function) == function && named && (access == 0 || call.flags == access) ? error : 0ul;
    };
}
} // namespace

TEST_F(CTreeCopyWorkersTest, WorkersWriteTheLogAndLeaveTheFilesOfACopyOneFileAtATime)
{
    const N::CopyMoveMode_t modes[] = {static_cast<N::CopyMoveMode_t>(N::MISSING | N::EXISTING),
                                       static_cast<N::CopyMoveMode_t>(N::MISSING | N::IF_NEWER), N::MISSING};
    for (const N::CopyMoveMode_t mode : modes)
    {
        SCOPED_TRACE(mode);
        const CRun one = copy(1, mode);
        const CRun many = copy(4, mode);
        expectSame(one, many);
        // What both did: every file below, the kinds in the way left out and the copy failed for them.
        EXPECT_EQ(4u * filesAFolder + 6, one.files.size());
        EXPECT_EQ(2u, count(one.lines, L"syslib.filesystem.copyTargetKindConflict"));
        EXPECT_NE(std::string::npos, one.failure.find("ESyFileWrite")) << one.failure;
        EXPECT_EQ(4u * filesAFolder + 6, count(one.observed, L" progress copying "));
    }
    const CRun replaced = copy(8, static_cast<N::CopyMoveMode_t>(N::MISSING | N::EXISTING));
    EXPECT_EQ("attributes 32 modified 1600000007 accessed 0 \"content Src\\A\\B 7\"",
              replaced.files.at(L"Dst\\A\\B\\file7.txt"))
        << "the read-only target is replaced, its attributes those of a copied file";
    EXPECT_EQ("attributes 32 modified 1600000003 accessed 0 \"content Src\\A 3\"", replaced.files.at(L"Dst\\A\\file3.txt"));
}

// A failure stops the copy where a copy one file at a time stops: what workers copied after the file that
// failed is taken back, the log ends with that file's failure.
TEST_F(CTreeCopyWorkersTest, AFailurePartWayLeavesWhatACopyOneFileAtATimeLeaves)
{
    struct CCase
    {
        const char* what;
        CFileFaults::Rule rule;
    };
    const CCase cases[] = {
        {"a new file in the middle of a folder", failing(L"CopyFileW", L"Src\\A\\B\\file11.txt", ERROR_DISK_FULL)},
        {"the first file of a folder", failing(L"CopyFileW", L"Src\\A\\B\\C\\file0.txt", ERROR_ACCESS_DENIED)},
        {"the read-only target", failing(L"CopyFileW", L"Src\\A\\B\\file7.txt", ERROR_ACCESS_DENIED)},
        {"the times of a new file",
         failing(L"CreateFileW", L"Dst\\A\\file15.txt", ERROR_ACCESS_DENIED, GENERIC_READ | GENERIC_WRITE)},
        {"a folder", failing(L"CreateDirectoryW", L"Dst\\A\\B\\C", ERROR_ACCESS_DENIED)},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        const CRun one = copy(1, static_cast<N::CopyMoveMode_t>(N::MISSING | N::EXISTING), c.rule);
        const CRun many = copy(4, static_cast<N::CopyMoveMode_t>(N::MISSING | N::EXISTING), c.rule);
        ASSERT_FALSE(one.failure.empty());
        expectSame(one, many);
    }
}

// A target held without write sharing (a program that runs from it) fails its copy.
TEST_F(CTreeCopyWorkersTest, AFileInUseStopsTheCopyAsOneFileAtATimeWould)
{
    std::vector<CRun> runs;
    for (const int workers : {1, 4})
    {
        arrange();
        makeFile(L"Dst\\A\\file20.txt", "in use", 1500000000);
        const syslib::CSyKernelHandle holder(::CreateFileW((m_dir / L"Dst\\A\\file20.txt").c_str(), GENERIC_READ,
                                                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                                           0, nullptr));
        ASSERT_TRUE(holder.isValid());
        // arrange() in copy() would remove the held file: the run is made here.
        syslib::filesystem::treeCopyWorkersSetting() = workers;
        m_book.clear();
        CRun run;
        try
        {
            node(L"Src")->copy(PSyFSPath(new CSyFSPath(CSyPath(m_dir / L"Dst"))), N::MISSING | N::EXISTING, nullptr);
        }
        catch (const ESyFileWrite& e)
        {
            run.failure = toMbstring(e.getText());
        }
        for (const CRecordedLine& line : m_book.lines())
            run.lines.push_back(lineText(line));
        collect(L"Dst", run.files);
        runs.push_back(run);
    }
    EXPECT_FALSE(runs[0].failure.empty());
    EXPECT_NE(std::string::npos, runs[0].files.at(L"Dst\\A\\file20.txt").find("\"in use\""));
    expectSame(runs[0], runs[1]);
}

// The workers copy at the same time: while one file's copy waits, another file's copy starts.
TEST_F(CTreeCopyWorkersTest, SeveralFilesAreCopiedAtOnce)
{
    syslib::CSyLock mutex;
    syslib::CSyCondition started;
    bool waiting = false;
    bool otherStarted = false;
    bool seen = false;
    const CFileFaults::Rule rule = [&](const CFileCall& call) {
        if (iastring(call.function) != L"CopyFileW")
            return 0ul;
        std::unique_lock<syslib::CSyLock> lock(mutex);
        if (call.path.find(L"Src\\file1.txt") != iastring::npos)
        {
            waiting = true;
            seen = started.wait_for(lock, std::chrono::seconds(20), [&] { return otherStarted; });
        }
        else if (waiting)
        {
            otherStarted = true;
            started.notify_all();
        }
        return 0ul;
    };
    const CRun run = copy(4, static_cast<N::CopyMoveMode_t>(N::MISSING | N::EXISTING), rule);
    EXPECT_TRUE(seen);
    EXPECT_EQ("attributes 32 modified 1600000001 accessed 0 \"content Src 1\"", run.files.at(L"Dst\\file1.txt"));
}

// A later file fails while an earlier one is still being copied: the copy fails as a copy one file at a
// time fails at that later file, with the earlier one copied.
TEST_F(CTreeCopyWorkersTest, ALaterFileFailingWhileAnEarlierOneCopiesFailsTheCopyAsOneAtATimeWould)
{
    const N::CopyMoveMode_t mode = static_cast<N::CopyMoveMode_t>(N::MISSING | N::EXISTING);
    CHeldFirstFile held(0);
    const CRun many = copy(4, mode, held.rule());
    ASSERT_FALSE(held.laterPath().empty()) << "no other file was copied while file1's copy waited";
    const CRun one = copy(1, mode, [&](const CFileCall& call) -> unsigned long {
        return iastring(call.function) == L"CopyFileW" && call.path == held.laterPath() ? ERROR_DISK_FULL : 0;
    });
    ASSERT_FALSE(one.failure.empty());
    EXPECT_EQ(1u, many.files.count(L"Dst\\file1.txt"));
    expectSame(one, many);
}

// Two files fail at once: the copy fails at the earlier, and the later one, which made nothing, has nothing
// to take back and no warning about it.
TEST_F(CTreeCopyWorkersTest, OfTwoFilesFailingAtOnceTheEarlierFailsTheCopyAndTheLaterLeavesNothing)
{
    const N::CopyMoveMode_t mode = static_cast<N::CopyMoveMode_t>(N::MISSING | N::EXISTING);
    CHeldFirstFile held(ERROR_DISK_FULL);
    const CRun many = copy(4, mode, held.rule());
    ASSERT_FALSE(held.laterPath().empty()) << "no other file was copied while file1's copy waited";
    const CRun one = copy(1, mode, [&](const CFileCall& call) -> unsigned long {
        return iastring(call.function) == L"CopyFileW" && call.path.find(L"Src\\file1.txt") != iastring::npos
                   ? ERROR_DISK_FULL
                   : 0;
    });
    ASSERT_FALSE(one.failure.empty());
    EXPECT_EQ(0u, many.files.count(L"Dst\\file1.txt"));
    expectSame(one, many);
}

TEST_F(CTreeCopyWorkersTest, TheWorkerCountIsTheEnginesToSetAndCapped)
{
    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();
    // One a processor (the test runs with the system's whole affinity), between 2 and 8.
    SYSTEM_INFO system = {};
    ::GetSystemInfo(&system);
    const int processors = static_cast<int>(system.dwNumberOfProcessors);
    EXPECT_EQ(std::min(8, std::max(2, processors)), manager->getTreeCopyWorkers());
    manager->setTreeCopyWorkers(1);
    EXPECT_EQ(1, manager->getTreeCopyWorkers());
    manager->setTreeCopyWorkers(1000);
    EXPECT_EQ(syslib::filesystem::maximumTreeCopyWorkers, manager->getTreeCopyWorkers());
    EXPECT_EQ(1, syslib::filesystem::treeCopyWorkers(N::MISSING | N::REPLACE_IN_USE));
    EXPECT_EQ(1, syslib::filesystem::treeCopyWorkers(N::MISSING | N::USE_SETUP_API));
    m_book.clear();
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { manager->setTreeCopyWorkers(-1); }, L"common.parameterNotValid",
                                       {L"workers", L"CSyFileSystemMgtImpl::setTreeCopyWorkers(int)"});
    EXPECT_EQ(syslib::filesystem::maximumTreeCopyWorkers, manager->getTreeCopyWorkers());
}

// Every kind of call a log book is told, with the state it is asked for in between (as the trace guards
// ask): told straight to a book and told through a record, the lines must be the same.
void tellEverything(ILogBook& book)
{
    book.setSourceFile(L"syxxfile");
    book.setFunctionName(L"f()");
    book.setContextText1(L"context 1");
    book.setContextText2(L"context 2");
    book.setTraceLevel(3);
    book.trace(L"entered " + book.getFunctionName() + L" at level " + std::to_wstring(book.getTraceLevel()), 10);
    book.indent();
    const CLogTypeMapping saved = book.getTypeMapping();
    book.useTypeMapping(CMessage::LOG_ERROR, CMessage::LOG_WARNING);
    book.setArguments({L"a", L"b"});
    book.addArgument(L"c");
    book.message(L"key.one", CMessage::LOG_ERROR, 11);
    const CLogArguments arguments = book.getArguments();
    book.clearArguments();
    book.addArgument(L"only");
    book.messageWithFlag(L"key.two", true, CMessage::LOG_INFO, 12);
    book.setArguments(arguments);
    book.setMessageType(CMessage::LOG_WARNING);
    book.logMessage(L"key.three", 13);
    book.restoreTypeMapping(saved);
    book.message(L"key.four", CMessage::LOG_ERROR, 14);
    book.setFunctionName(book.getContextText1() + L"|" + book.getContextText2() + L"|" + book.getSourceFile());
    book.log(L"log line", 15);
    book.unindent();
    book.trace(L"left", 16);
}

std::vector<iastring> linesOf(const CRecordingLogBook& book)
{
    std::vector<iastring> lines;
    for (const CRecordedLine& line : book.lines())
        lines.push_back(lineText(line));
    return lines;
}

TEST(LogRecordTest, ARecordToldAgainWritesTheLinesOfTheBookToldDirectly)
{
    CRecordingLogBook direct;
    tellEverything(direct);

    CRecordingLogBook replayed;
    syslib::filesystem::CSyLogRecord record;
    record.takeState(replayed);
    tellEverything(record);
    EXPECT_TRUE(replayed.lines().empty());
    record.replay(&replayed, nullptr);
    EXPECT_EQ(linesOf(direct), linesOf(replayed));
    ASSERT_EQ(7u, replayed.lines().size());
    EXPECT_EQ(CLogArguments({L"a", L"b", L"c"}), replayed.lines()[1].arguments);

    // Told once: a second replay writes nothing more.
    record.replay(&replayed, nullptr);
    EXPECT_EQ(7u, replayed.lines().size());
}

TEST(LogRecordTest, ADiscardingRecordKeepsTheStateAndTellsNothing)
{
    CRecordingLogBook direct;
    tellEverything(direct);
    direct.setArguments({L"left", L"over"});

    CRecordingLogBook book;
    syslib::filesystem::CSyLogRecord record;
    record.takeState(book);
    record.setDiscarding(true);
    tellEverything(record);
    record.setArguments({L"left", L"over"});
    EXPECT_EQ(direct.getFunctionName(), record.getFunctionName());
    EXPECT_EQ(direct.getContextText1(), record.getContextText1());
    EXPECT_EQ(direct.getSourceFile(), record.getSourceFile());
    EXPECT_EQ(direct.getArguments(), record.getArguments());
    EXPECT_EQ(direct.getTraceLevel(), record.getTraceLevel());
    EXPECT_EQ(direct.getMessageType(), record.getMessageType());
    EXPECT_EQ(direct.getTypeMapping(), record.getTypeMapping());
    EXPECT_TRUE(book.lines().empty());
    record.setDiscarding(false);
    record.trace(L"after", 20);
    record.replay(&book, nullptr);
    ASSERT_EQ(1u, book.lines().size());
    EXPECT_EQ(L"after", book.lines()[0].text);
}
