// The copy decision and the Windows ways of copying and removing files, on real files.
#include "tests/filesystem/nodetestutil.h"
#include "tests/filesystem/pendingrenames.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"
#include "tests/account/compatibilitylevel.h"

#include <algorithm>
#include <vector>

namespace
{
typedef ISyNode N;

enum eTarget
{
    NO_TARGET,
    OLDER_TARGET, // the source is newer
    NEWER_TARGET,
    SAME_TIME
};
enum eVersions
{
    NO_VERSIONS,   // text files
    SOURCE_HIGHER, // 1.10 over 1.2
    SOURCE_LOWER,  // 1.2 over 1.10
    SAME_VERSION   // 1.2 over 1.2 (the target's bytes differ after the image)
};

struct CDecisionCase
{
    int mode;
    eTarget target;
    eVersions versions;
    bool copied;
    const wchar_t* decisionTail; // the decision trace line ends with this
};

const long long earlier = 1500000000;
const long long later = 1600000000;

const CDecisionCase decisionCases[] = {
    {N::MISSING, NO_TARGET, NO_VERSIONS, true, L"mode & ISyNode::MISSING ==> I will copy/move."},
    {N::EXISTING, NO_TARGET, NO_VERSIONS, false, L"(target file not found, can not update target file)"},
    {N::IF_NEWER, NO_TARGET, NO_VERSIONS, false, L"(target file not found, can not update target file)"},
    {N::IF_HIGHER_VERSION, NO_TARGET, SOURCE_HIGHER, false, L"(target file not found, can not update target file)"},
    {N::MISSING, OLDER_TARGET, NO_VERSIONS, false, L"(target file exists already, not allowed to overwrite)"},
    {N::EXISTING, NEWER_TARGET, NO_VERSIONS, true, L"mode & ISyNode::EXISTING ==> I will copy/move."},
    {N::IF_NEWER, OLDER_TARGET, NO_VERSIONS, true, L". I will copy/move."},
    {N::IF_NEWER, NEWER_TARGET, NO_VERSIONS, false, L"(source file is not newer than target file)"},
    // Either file without a version resource: the version decides for copying, whatever the times.
    {N::IF_HIGHER_VERSION, NEWER_TARGET, NO_VERSIONS, true, L". I will copy/move."},
    {N::IF_HIGHER_VERSION, NEWER_TARGET, SOURCE_HIGHER, true, L". I will copy/move."},
    {N::IF_HIGHER_VERSION, OLDER_TARGET, SOURCE_LOWER, false, L"The timestamp is not relevant."},
    {N::IF_HIGHER_VERSION | N::IF_NEWER, OLDER_TARGET, SOURCE_LOWER, true, L". I will copy/move."},
    {N::IF_HIGHER_VERSION | N::IF_NEWER, NEWER_TARGET, SOURCE_LOWER, false,
     L"(source file is not newer than target file)"},
    // Equal is not higher and not newer: an equal file is not copied again.
    {N::IF_NEWER, SAME_TIME, NO_VERSIONS, false, L"(source file is not newer than target file)"},
    {N::IF_HIGHER_VERSION, OLDER_TARGET, SAME_VERSION, false, L"The timestamp is not relevant."},
    {N::IF_HIGHER_VERSION | N::IF_NEWER, SAME_TIME, SAME_VERSION, false,
     L"(source file is not newer than target file)"},
    {N::IF_HIGHER_VERSION | N::IF_NEWER, OLDER_TARGET, SAME_VERSION, true, L". I will copy/move."},
};

bool endsWith(const iastring& text, const iastring& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class CNodeCopyTest : public CNodeTest
{
protected:
    // source.dat (or the 1.10/1.2 DLL as source.dll) and, if asked, the target beside it.
    void prepare(const CDecisionCase& c)
    {
        m_extension = c.versions == NO_VERSIONS ? L".dat" : L".dll";
        const iastring source = m_dir / (L"source" + m_extension);
        const iastring target = m_dir / (L"target" + m_extension);
        const wchar_t* const sourceLibrary = c.versions == SOURCE_HIGHER ? L"versioned_1_10.dll" : L"versioned_1_2.dll";
        const wchar_t* const targetLibrary = c.versions == SOURCE_LOWER ? L"versioned_1_10.dll" : L"versioned_1_2.dll";
        if (c.versions == NO_VERSIONS)
            writeTestFile(source, "source content");
        else
            ASSERT_TRUE(::CopyFileW(besideTestProgram(sourceLibrary).c_str(), source.c_str(), FALSE));
        if (c.target != NO_TARGET)
        {
            if (c.versions == NO_VERSIONS)
                writeTestFile(target, "target content");
            else
            {
                ASSERT_TRUE(::CopyFileW(besideTestProgram(targetLibrary).c_str(), target.c_str(), FALSE));
                if (c.versions == SAME_VERSION)
                    appendToTestFile(target, "target");
            }
            setFileTime(target, c.target == OLDER_TARGET ? earlier : later);
        }
        setFileTime(source, c.target == NEWER_TARGET ? earlier : later);
    }

    static void appendToTestFile(const iastring& path, const std::string& bytes)
    {
        std::ofstream out(toMbstring(path).c_str(), std::ios::binary | std::ios::app);
        out << bytes;
    }

    iastring m_extension;
};
} // namespace

TEST_F(CNodeCopyTest, DecisionTableCopiesExactlyWhenTheModeAllows)
{
    // The decision is the same whether the file is copied plainly or through the setup services.
    for (const int way : {0, static_cast<int>(N::USE_SETUP_API)})
        for (const CDecisionCase& c : decisionCases)
        {
            // The setup services' own version check overrules a newer time: tested on its own below.
            if (way && c.versions == SOURCE_LOWER && c.copied)
                continue;
            SCOPED_TRACE("mode " + std::to_string(c.mode | way) + " target " + std::to_string(c.target) +
                         " versions " + std::to_string(c.versions));
            prepare(c);
            const iastring sourceName = L"source" + m_extension;
            const iastring targetName = L"target" + m_extension;
            const std::string before = readTestFile(m_dir / targetName);
            const long long targetTimeBefore = modificationSeconds(m_dir / targetName);
            m_book.clear();

            const bool copied = node(sourceName)->copy(m_dir / targetName, static_cast<N::CopyMoveMode_t>(c.mode | way));

            EXPECT_EQ(c.copied, copied);
            bool decisionTraced = false;
            for (const iastring& line : m_book.traces())
                decisionTraced = decisionTraced || endsWith(line, c.decisionTail);
            EXPECT_TRUE(decisionTraced);
            const std::string after = readTestFile(m_dir / targetName);
            if (c.copied)
            {
                EXPECT_EQ(readTestFile(m_dir / sourceName), after);
                EXPECT_EQ(modificationSeconds(m_dir / sourceName), modificationSeconds(m_dir / targetName));
                const CRecordedLine copiedMessage = m_book.onlyMessage(L"syslib.filesystem.copiedFile");
                EXPECT_EQ((CLogArguments{canonical(sourceName), canonical(targetName)}), copiedMessage.arguments);
            }
            else
            {
                EXPECT_EQ(before, after);
                EXPECT_EQ(targetTimeBefore, modificationSeconds(m_dir / targetName));
                EXPECT_TRUE(m_book.messages(L"syslib.filesystem.copiedFile").empty());
            }
            ::DeleteFileW((m_dir / targetName).c_str());
        }
}

TEST_F(CNodeCopyTest, TheSetupServicesNeverReplaceAHigherVersionWithALowerOne)
{
    // The time says copy; the setup services' version check (SP_COPY_FORCE_NEWER) keeps the shared DLL.
    const CDecisionCase lowerButNewer = {N::IF_HIGHER_VERSION | N::IF_NEWER, OLDER_TARGET, SOURCE_LOWER, true, L""};
    prepare(lowerButNewer);
    const std::string before = readTestFile(m_dir / L"target.dll");
    node(L"source.dll")
        ->copy(m_dir / L"target.dll",
               static_cast<N::CopyMoveMode_t>(N::IF_HIGHER_VERSION | N::IF_NEWER | N::USE_SETUP_API));
    EXPECT_EQ(before, readTestFile(m_dir / L"target.dll"));
    EXPECT_TRUE(m_book.hasTrace(L"Going to call SetupInstallFileEx(NULL, NULL, " + canonical(L"source.dll") +
                                L", NULL, " + canonical(L"target.dll") + L", ...) now"));
}

TEST_F(CNodeCopyTest, AModeThatDecidesNothingWarnsAndCopiesNothing)
{
    writeTestFile(m_dir / L"a.txt", "a");
    for (bool targetThere : {false, true})
    {
        if (targetThere)
            writeTestFile(m_dir / L"b.txt", "b");
        m_book.clear();
        EXPECT_FALSE(node(L"a.txt")->copy(m_dir / L"b.txt", N::CREATE_PARENTS));
        const CRecordedLine warning = m_book.onlyMessage(L"syslib.filesystem.notCopiedCopyMode");
        EXPECT_EQ(CMessage::LOG_WARNING, warning.type);
        EXPECT_EQ((CLogArguments{canonical(L"a.txt"), canonical(L"b.txt"), L"CREATE_PARENTS"}), warning.arguments);
        EXPECT_TRUE(m_book.hasTrace(L"I will not copy/move file " + canonical(L"a.txt") + L" to: " +
                                    canonical(L"b.txt") +
                                    (targetThere ? L" (target file already exists and no copy mode is specified "
                                                   L"that allows a decision.)"
                                                 : L" (target file does not exist and no copy mode is specified "
                                                   L"that allows a decision.)")));
    }
    EXPECT_EQ("b", readTestFile(m_dir / L"b.txt"));
}

TEST_F(CNodeCopyTest, TargetsResolveIntoDirectoriesAndMissingParentsAreCreated)
{
    writeTestFile(m_dir / L"a.txt", "a");
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"into").c_str(), nullptr));
    EXPECT_TRUE(node(L"a.txt")->copy(m_dir / L"into", N::MISSING));
    EXPECT_EQ("a", readTestFile(m_dir / L"into\\a.txt"));

    EXPECT_TRUE(node(L"a.txt")->copy(m_dir / L"x\\y\\a.txt", N::MISSING | N::CREATE_PARENTS));
    EXPECT_EQ("a", readTestFile(m_dir / L"x\\y\\a.txt"));
    EXPECT_EQ(2u, m_book.messages(L"syslib.filesystem.creatingDirectory").size()) << "x and x\\y, once each";
}

TEST_F(CNodeCopyTest, BadTargetsAreRefusedBeforeAnythingHappens)
{
    writeTestFile(m_dir / L"a.txt", "a");
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"dir").c_str(), nullptr));
    const PSyNode source = node(L"a.txt");
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { source->copy(iastring(), N::EXISTING); },
                                       L"common.parameterEmpty", {L"destination", L"prepareCopy()"});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { source->move(iastring()); }, L"common.parameterEmpty",
                                       {L"destination", L"prepareMove()"});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { source->copy(m_dir / L"A.TXT", N::EXISTING); },
                                       L"syslib.filesystem.srcNodeEqDest", {canonical(L"a.txt")});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { node(L"dir")->move(m_dir / L"a.txt"); },
                                       L"syslib.filesystem.moveTypesNotValid", {L"DIRECTORY", L"FILE"});
    EXPECT_EQ("a", readTestFile(m_dir / L"a.txt"));
}

TEST_F(CNodeCopyTest, ASourceNamedByItsShortNameIsStillItself)
{
    writeTestFile(m_dir / L"a rather long name.txt", "content");
    wchar_t shortName[MAX_PATH + 1] = {0};
    ASSERT_NE(0u, ::GetShortPathNameW((m_dir / L"a rather long name.txt").c_str(), shortName, MAX_PATH));
    ASSERT_NE(stringToUpper(canonical(L"a rather long name.txt")), stringToUpper(CSyPath(shortName).toString()));
    // Below level 642 the manager keeps the path as given, short components included.
    CCompatibilityLevel level(641);
    const PSyNode source =
        CSyslibFactory::getInstance()->getFileSystemMgt()->getNode(PSyFSPath(new CSyFSPath(CSyPath(shortName))));
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { source->copy(m_dir / L"a rather long name.txt", N::EXISTING); },
                                       L"syslib.filesystem.srcNodeEqDest", {source->getFullName()});
    EXPECT_EQ("content", readTestFile(m_dir / L"a rather long name.txt"));
}

TEST_F(CNodeCopyTest, ReadOnlyTargetsAreReplacedAndReadOnlyFilesRemoved)
{
    writeTestFile(m_dir / L"a.txt", "new");
    writeTestFile(m_dir / L"b.txt", "old");
    ASSERT_TRUE(::SetFileAttributesW((m_dir / L"b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(node(L"a.txt")->copy(m_dir / L"b.txt", N::EXISTING));
    EXPECT_EQ("new", readTestFile(m_dir / L"b.txt"));

    ASSERT_TRUE(::SetFileAttributesW((m_dir / L"b.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    const iastring removed = osPath(L"b.txt");
    m_book.clear();
    node(L"b.txt")->remove();
    EXPECT_FALSE(existsOnDisk(m_dir / L"b.txt"));
    EXPECT_EQ(CLogArguments{removed}, m_book.onlyMessage(L"syslib.filesystem.removingFile").arguments);
}

TEST_F(CNodeCopyTest, SetupServicesCopyAndReportTheCopy)
{
    writeTestFile(m_dir / L"a.txt", "setup");
    EXPECT_TRUE(node(L"a.txt")->copy(m_dir / L"b.txt", N::MISSING | N::USE_SETUP_API));
    EXPECT_EQ("setup", readTestFile(m_dir / L"b.txt"));
    EXPECT_TRUE(m_book.hasTrace(L"Going to call SetupInstallFileEx(NULL, NULL, " + canonical(L"a.txt") + L", NULL, " +
                                canonical(L"b.txt") + L", ...) now"));
    EXPECT_EQ((CLogArguments{canonical(L"a.txt"), canonical(L"b.txt")}),
              m_book.onlyMessage(L"syslib.filesystem.copiedFile").arguments);
}

namespace
{
// Held the way a running program holds its image: readable and renamable, not writable.
syslib::CSyKernelHandle holdOpen(const iastring& path)
{
    return syslib::CSyKernelHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}
} // namespace

TEST_F(CNodeCopyTest, FilesInUseAreMovedAsideAndDeletedAtTheNextReboot)
{
    CPendingRenames pending(m_dir.path());
    writeTestFile(m_dir / L"a.txt", "replacement");
    // A target that nobody holds is simply replaced.
    writeTestFile(m_dir / L"free.txt", "old");
    EXPECT_TRUE(node(L"a.txt")->copy(m_dir / L"free.txt", N::EXISTING | N::REPLACE_IN_USE));
    EXPECT_EQ("replacement", readTestFile(m_dir / L"free.txt"));
    EXPECT_EQ((CLogArguments{canonical(L"a.txt"), canonical(L"free.txt")}),
              m_book.onlyMessage(L"syslib.filesystem.copiedFile").arguments);
    EXPECT_TRUE(m_book.messages(L"syslib.filesystem.movingFile").empty());
    m_book.clear();

    writeTestFile(m_dir / L"in use.txt", "running");
    {
        const syslib::CSyKernelHandle held = holdOpen(m_dir / L"in use.txt");
        ASSERT_TRUE(held.isValid());
        EXPECT_TRUE(node(L"a.txt")->copy(m_dir / L"in use.txt", N::EXISTING | N::REPLACE_IN_USE));
    }
    EXPECT_EQ("replacement", readTestFile(m_dir / L"in use.txt"));
    const CRecordedLine moving = m_book.onlyMessage(L"syslib.filesystem.movingFile");
    ASSERT_EQ(2u, moving.arguments.size());
    EXPECT_EQ(osPath(L"in use.txt"), moving.arguments[0]);
    const iastring temporary = moving.arguments[1];
    EXPECT_EQ(CLogArguments{temporary}, m_book.onlyMessage(L"syslib.filesystem.registeringForDeletion").arguments);
    EXPECT_EQ("running", readTestFile(temporary)) << "the old file waits for the reboot beside the new one";
    EXPECT_TRUE(registeredForDeletion(pending.read(), temporary));
}

TEST_F(CNodeCopyTest, OtherProgramsPendingRenamesOutliveTheTests)
{
    const iastring other = L"C:\\syslib-test-other-" + std::to_wstring(::GetCurrentProcessId());
    const CPendingRenames foreignCleanup(other);
    const std::vector<iastring> foreign = {L"\\??\\" + other + L"\\old.dll", L"", L"\\??\\" + other + L"\\a.tmp",
                                           L"!\\??\\" + other + L"\\a.dll"};
    std::vector<iastring> strings = readPendingRenames();
    strings.insert(strings.end(), foreign.begin(), foreign.end());
    writePendingRenames(strings);
    {
        CPendingRenames pending(m_dir.path());
        writeTestFile(m_dir / L"gone.txt", "x");
        ASSERT_TRUE(::MoveFileExW((m_dir / L"gone.txt").c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
        ASSERT_TRUE(registeredForDeletion(pending.read(), m_dir / L"gone.txt"));
    }
    const std::vector<iastring> after = readPendingRenames();
    EXPECT_FALSE(registeredForDeletion(after, m_dir / L"gone.txt"));
    EXPECT_NE(after.end(), std::search(after.begin(), after.end(), foreign.begin(), foreign.end()));
}

TEST_F(CNodeCopyTest, RemovingALoadedLibrarySchedulesItsDeletion)
{
    CPendingRenames pending(m_dir.path());
    ASSERT_TRUE(::CopyFileW(besideTestProgram(L"versioned_1_2.dll").c_str(), (m_dir / L"loaded.dll").c_str(), FALSE));
    const PSyNode loaded = node(L"loaded.dll");
    const syslib::CSyModule library(::LoadLibraryW((m_dir / L"loaded.dll").c_str()));
    ASSERT_TRUE(library.isValid());
    m_book.clear();
    loaded->remove();
    EXPECT_FALSE(existsOnDisk(m_dir / L"loaded.dll"));
    const CRecordedLine moving = m_book.onlyMessage(L"syslib.filesystem.movingFile");
    ASSERT_EQ(2u, moving.arguments.size());
    EXPECT_TRUE(existsOnDisk(moving.arguments[1]));
    EXPECT_TRUE(registeredForDeletion(pending.read(), moving.arguments[1]));
    EXPECT_TRUE(m_book.messages(L"syslib.filesystem.nodeRemoveFailed").empty());
}

TEST_F(CNodeCopyTest, AFileThatCannotBeMovedAsideIsNotRemoved)
{
    writeTestFile(m_dir / L"locked.txt", "locked");
    const PSyNode locked = node(L"locked.txt");
    const syslib::CSyKernelHandle held(::CreateFileW((m_dir / L"locked.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.isValid());
    m_book.clear();
    try
    {
        locked->remove();
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyFileDelete& e)
    {
        EXPECT_EQ(ERROR_SHARING_VIOLATION, e.getCode());
        const CRecordedLine failure = m_book.onlyMessage(L"syslib.filesystem.nodeRemoveFailed");
        EXPECT_EQ((CLogArguments{osPath(L"locked.txt"), L"file", syslib::getOSErrorText(ERROR_SHARING_VIOLATION)}),
                  failure.arguments);
    }
    EXPECT_EQ("locked", readTestFile(m_dir / L"locked.txt"));
}

TEST_F(CNodeCopyTest, ARemovedFileThatStaysVisibleEndsTheWaitWithAWarning)
{
    syslib::filesystem::CSyRemovalWait& wait = syslib::filesystem::removalWait();
    const syslib::filesystem::CSyRemovalWait saved = wait;
    wait.probes = 3;
    wait.intervalMilliseconds = 1;
    writeTestFile(m_dir / L"pending.txt", "x");
    const PSyNode pendingNode = node(L"pending.txt");
    const iastring removedPath = osPath(L"pending.txt");
    {
        // Another opener that allows deletion keeps the name visible until it closes.
        const syslib::CSyKernelHandle held(::CreateFileW((m_dir / L"pending.txt").c_str(), GENERIC_READ,
                                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.isValid());
        m_book.clear();
        pendingNode->remove();
    }
    wait = saved;
    EXPECT_FALSE(existsOnDisk(m_dir / L"pending.txt")) << "gone once the last handle closed";
    const std::vector<CRecordedLine> warnings = m_book.messages(L"syslib.filesystem.nodeRemoveOKButFileExists");
    ASSERT_EQ(1u, warnings.size());
    EXPECT_EQ(CMessage::LOG_WARNING, warnings.front().type);
    EXPECT_EQ(CLogArguments{removedPath}, warnings.front().arguments);
}

TEST_F(CNodeCopyTest, MovesRenameAndRespectTheMode)
{
    writeTestFile(m_dir / L"a.txt", "a");
    writeTestFile(m_dir / L"b.txt", "b");
    const PSyFSPath target = getSyslibFactory()->getFileSystemMgt()->getFSPath(m_dir / L"b.txt");
    EXPECT_FALSE(node(L"a.txt")->move(target, N::MISSING));
    EXPECT_EQ("b", readTestFile(m_dir / L"b.txt"));
    EXPECT_TRUE(node(L"a.txt")->move(target, N::EXISTING));
    EXPECT_FALSE(existsOnDisk(m_dir / L"a.txt"));
    EXPECT_EQ("a", readTestFile(m_dir / L"b.txt"));
    EXPECT_TRUE(node(L"b.txt")->move(getSyslibFactory()->getFileSystemMgt()->getFSPath(m_dir / L"sub\\c.txt"),
                                     N::MISSING | N::CREATE_PARENTS));
    EXPECT_EQ("a", readTestFile(m_dir / L"sub\\c.txt"));
}

TEST_F(CNodeCopyTest, NodesOfOtherKindsMoveAsTheModeSays)
{
    // A kind without rules of its own (a link, as another system would have it): a missing target is taken
    // with MISSING, an existing one with EXISTING only.
    writeTestFile(m_dir / L"link", "new");
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"d").c_str(), nullptr));
    writeTestFile(m_dir / L"d\\link", "old");
    const IaPtr<ISyFileSystemMgt> manager = getSyslibFactory()->getFileSystemMgt();
    const PSyNode link = syslib::filesystem::newNode(CSyPath(canonical(L"link")), N::LINK);
    EXPECT_FALSE(link->move(manager->getFSPath(m_dir / L"e"), N::EXISTING));
    EXPECT_FALSE(link->move(manager->getFSPath(m_dir / L"d"), N::MISSING));
    EXPECT_EQ("old", readTestFile(m_dir / L"d\\link"));
    EXPECT_TRUE(link->move(manager->getFSPath(m_dir / L"d"), N::EXISTING));
    EXPECT_EQ("new", readTestFile(m_dir / L"d\\link"));
    EXPECT_FALSE(existsOnDisk(m_dir / L"link"));
}

namespace
{
// Every line of the log book as text: kind, text, function and arguments (not the source lines).
std::vector<iastring> rendered(const CRecordingLogBook& book)
{
    std::vector<iastring> texts;
    for (const CRecordedLine& line : book.lines())
    {
        iastring text = syslib::toString(static_cast<int>(line.kind)) + L"|" + line.text + L"|" + line.functionName;
        for (const iastring& argument : line.arguments)
            text += L"|" + argument;
        texts.push_back(text);
    }
    return texts;
}

// Modification and access time of path, 100-ns ticks since 1601.
unsigned long long ticksOf(const iastring& path, bool access)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    const FILETIME& time = access ? data.ftLastAccessTime : data.ftLastWriteTime;
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void setFileTimeWithHalfASecond(const iastring& path, long long seconds)
{
    const unsigned long long ticks =
        (static_cast<unsigned long long>(seconds) + 11644473600ULL) * 10000000ULL + 5000000ULL;
    const FILETIME modified{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    syslib::CSyKernelHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.isValid());
    ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &modified));
}

struct CCarriedFactsOff
{
    explicit CCarriedFactsOff(bool off) { syslib::filesystem::carriedFactsDisabled() = off; }
    ~CCarriedFactsOff() { syslib::filesystem::carriedFactsDisabled() = false; }
};
} // namespace

// A node made for a canonical path needs no second long-name lookup to know itself, and a copy over an
// existing file resets the attributes and sets the times through one opening of it: the log book and the
// files come out as when everything is asked anew.
TEST_F(CNodeCopyTest, ACopyOverAnExistingFileWritesAndLeavesWhatAskingAnewDoes)
{
    const iastring source = m_dir / L"Source.txt";
    const iastring target = m_dir / L"target.TXT";
    struct CCase
    {
        DWORD attributes;
        const wchar_t* targetAs;
    };
    // Hidden and system: Windows refuses to overwrite them unless they are reset first (wine overwrites them
    // anyway, so a missing reset shows on Windows only). Given as it is on disk, the target is opened once
    // for everything; in another case, or read-only (which refuses an opening for the attributes under
    // wine), the plain calls take over.
    const CCase cases[] = {{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, L"target.TXT"},
                           {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, L"Target.txt"},
                           {FILE_ATTRIBUTE_READONLY, L"target.TXT"}};
    std::vector<iastring> lines[2];
    for (const CCase& c : cases)
    {
        for (const bool ask : {false, true})
        {
            ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(target.c_str());
            writeTestFile(source, ask ? "asked" : "carried");
            setFileTimeWithHalfASecond(source, later);
            writeTestFile(target, "old");
            setFileTime(target, earlier);
            ASSERT_TRUE(::SetFileAttributesW(target.c_str(), c.attributes));
            const CCarriedFactsOff switched(ask);
            const PSyNode node = this->node(L"SOURCE.TXT");
            m_book.clear();
            EXPECT_TRUE(node->copy(m_dir / c.targetAs, N::EXISTING));
            lines[ask] = rendered(m_book);
            // Whole seconds: the times are the source's as set through the runtime library, not what
            // CopyFileW leaves behind. The source's access time is read after the copy has read the source.
            const unsigned long long second = 10000000ULL;
            EXPECT_EQ(static_cast<unsigned long long>(later + 11644473600LL) * second, ticksOf(target, false));
            EXPECT_EQ(ticksOf(source, true) / second * second, ticksOf(target, true));
            EXPECT_EQ(ask ? "asked" : "carried", readTestFile(target));
            EXPECT_EQ(0u, ::GetFileAttributesW(target.c_str()) &
                              (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
        }
        EXPECT_EQ(lines[true], lines[false]) << c.targetAs << L" " << c.attributes;
        EXPECT_TRUE(m_book.hasLog(L"Copying file " + canonical(L"Source.txt") + L" to " + canonical(L"target.TXT")));
    }

    // A source gone since its node was made is looked up again, with the failed lookups logged.
    for (const bool ask : {false, true})
    {
        writeTestFile(source, "short-lived");
        const CCarriedFactsOff switched(ask);
        const PSyNode node = this->node(L"Source.txt");
        ASSERT_TRUE(::DeleteFileW(source.c_str()));
        m_book.clear();
        EXPECT_THROW(node->copy(m_dir / L"target.TXT", N::EXISTING), ESyFileWrite);
        lines[ask] = rendered(m_book);
    }
    EXPECT_EQ(lines[true], lines[false]);
    EXPECT_EQ(1u, std::count_if(lines[false].begin(), lines[false].end(), [](const iastring& line) {
                  return line.find(L"GetLongPathNam failed for ") != iastring::npos;
              }));
    EXPECT_EQ("asked", readTestFile(target));
}

TEST_F(CNodeCopyTest, ATargetHeldWithoutSharingFailsTheCopyOnceAndKeepsItsContent)
{
    writeTestFile(m_dir / L"a.txt", "new");
    writeTestFile(m_dir / L"b.txt", "old");
    const PSyNode source = node(L"a.txt");
    {
        const syslib::CSyKernelHandle held(::CreateFileW((m_dir / L"b.txt").c_str(), GENERIC_READ, 0, nullptr,
                                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.isValid());
        m_book.clear();
        try
        {
            source->copy(m_dir / L"b.txt", N::EXISTING);
            ADD_FAILURE() << "no exception";
        }
        catch (const ESyFileWrite& e)
        {
            EXPECT_EQ(ERROR_SHARING_VIOLATION, e.getCode());
        }
    }
    const CRecordedLine report = m_book.onlyMessage(L"syslib.sysCallFailed");
    ASSERT_EQ(6u, report.arguments.size());
    EXPECT_EQ(L"CopyFile", report.arguments[0]);
    EXPECT_EQ(osPath(L"a.txt") + L", " + osPath(L"b.txt") + L", FALSE", report.arguments[4]);
    EXPECT_TRUE(m_book.messages(L"syslib.filesystem.copiedFile").empty());
    EXPECT_EQ("old", readTestFile(m_dir / L"b.txt"));
}

TEST_F(CNodeCopyTest, ACopyIntoAFolderGoesOnWithTheFileInsideIt)
{
    writeTestFile(m_dir / L"a.txt", "new");
    setFileTimeWithHalfASecond(m_dir / L"a.txt", later);
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"into").c_str(), nullptr));
    writeTestFile(m_dir / L"into\\a.txt", "old");
    ASSERT_TRUE(::SetFileAttributesW((m_dir / L"into\\a.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
    {
        const FILETIME time = fileTimeOf(earlier);
        const syslib::CSyKernelHandle folder(::CreateFileW((m_dir / L"into").c_str(), FILE_WRITE_ATTRIBUTES,
                                                           FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(::SetFileTime(folder.get(), nullptr, &time, &time));
    }
    EXPECT_TRUE(node(L"a.txt")->copy(m_dir / L"into", N::EXISTING));
    EXPECT_EQ(static_cast<unsigned long long>(later + 11644473600LL) * 10000000ULL,
              ticksOf(m_dir / L"into\\a.txt", false));
    EXPECT_EQ(earlier, modificationSeconds(m_dir / L"into")) << "the folder keeps its times";
    EXPECT_EQ(0u, ::GetFileAttributesW((m_dir / L"into\\a.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ("new", readTestFile(m_dir / L"into\\a.txt"));
}
