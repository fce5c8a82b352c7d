// Directories: listing with patterns, vanished entries, sizes, tree removal and tree copy on real trees.
#include "tests/filesystem/nodetestutil.h"

#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"

#include "syslib/filesystem/sydirectoryimpl.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace
{
typedef ISyNode N;
typedef std::set<iastring> Names;

// What the directory copy tells its observer, in order: (true, heading) or (false, progress text).
class CRecordingObserver : public ISyProgressObserver
{
public:
    void progress(const iastring& text, int number) override
    {
        EXPECT_EQ(0, number);
        events.push_back({false, text});
    }
    void heading(const iastring& text) override { events.push_back({true, text}); }

    std::vector<std::pair<bool, iastring>> events;
};

class CDirectoryTest : public CNodeTest
{
protected:
    void makeDirectory(const iastring& name) { ASSERT_TRUE(::CreateDirectoryW((m_dir / name).c_str(), nullptr)); }
    PSyFSPath fsPath(const iastring& name) { return getSyslibFactory()->getFileSystemMgt()->getFSPath(m_dir / name); }
    PSyDirectory directory(const iastring& name)
    {
        const PSyNode found = node(name);
        return PSyDirectory(dynamic_cast<ISyDirectory*>(found.get()));
    }
    static Names names(const PSyNodeIterator& it)
    {
        Names found;
        for (; !it->isDone(); it->next())
            found.insert(it->get()->getFullNameNoPath());
        return found;
    }
    // src: a.txt, b.log, empty\, sub\c.txt, sub\deeper\ (empty), sub\ro.txt (read-only); 6 + 3 + 10 bytes.
    void makeTree(const iastring& root)
    {
        makeDirectory(root);
        writeTestFile(m_dir / (root + L"\\a.txt"), "aaaaaa");
        writeTestFile(m_dir / (root + L"\\b.log"), "bbb");
        makeDirectory(root + L"\\empty");
        makeDirectory(root + L"\\sub");
        makeDirectory(root + L"\\sub\\deeper");
        writeTestFile(m_dir / (root + L"\\sub\\c.txt"), "cccccccccc");
        writeTestFile(m_dir / (root + L"\\sub\\ro.txt"), "");
        ASSERT_TRUE(::SetFileAttributesW((m_dir / (root + L"\\sub\\ro.txt")).c_str(), FILE_ATTRIBUTE_READONLY));
    }
};
} // namespace

TEST_F(CDirectoryTest, IterationYieldsMatchingEntriesAndNeverTheDots)
{
    makeTree(L"src");
    const PSyDirectory src = directory(L"src");
    EXPECT_EQ((Names{L"a.txt", L"b.log", L"empty", L"sub"}), names(src->getChildNodes(L"*", false)));
    EXPECT_EQ((Names{L"a.txt"}), names(src->getChildNodes(L"*.txt", true)));
    EXPECT_EQ((Names{L"b.log"}), names(src->getChildNodes(L"?.log", false)));
    EXPECT_EQ(Names{}, names(src->getChildNodes(L"nothing*", false)));

    PSyNodeIterator it = src->getChildNodes(L"sub", false);
    ASSERT_FALSE(it->isDone());
    EXPECT_NE(nullptr, dynamic_cast<ISyDirectory*>(it->get().get()));
    EXPECT_EQ(canonical(L"src\\sub"), it->get()->getFullName());
    it->first();
    EXPECT_FALSE(it->isDone()) << "first() starts again";
    EXPECT_EQ(N::FILE, src->getChildNode(L"a.txt", false)->getNodeType());

    EXPECT_TRUE(directory(L"src\\empty")->isEmpty());
    EXPECT_TRUE(directory(L"src\\empty")->getChildNodes(L"*", false)->isDone());
    EXPECT_FALSE(src->isEmpty());
    it->next();
    EXPECT_TRUE(it->isDone());
    expectLoggedThrow<ESyFileNotFound>(m_book, [&] { it->get(); }, L"syslib.filesystem.endOfDirectoryReached", {});
}

TEST_F(CDirectoryTest, AMissingDirectoryHasNoEntriesAndAMissingChildIsReported)
{
    makeDirectory(L"gone");
    const PSyDirectory gone = directory(L"gone");
    ASSERT_TRUE(::RemoveDirectoryW((m_dir / L"gone").c_str()));
    m_book.clear();
    EXPECT_TRUE(gone->getChildNodes(L"*", false)->isDone());
    EXPECT_TRUE(gone->isEmpty());
    EXPECT_TRUE(m_book.messages().empty());

    const PSyDirectory top = directory(L"");
    expectLoggedThrow<ESyFileNotFound>(m_book, [&] { top->getChildNode(L"nothing", false); },
                                       L"syslib.filesystem.nodeDoesNotExist", {canonical(L"nothing")});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { top->getChildNode(L"*", false); }, L"common.parameterNotValid",
                                       {L"name", L"CSyDirectoryImpl::getChildNode(iastring,bool)"});
    for (const wchar_t* notAChild : {L"gone\\x", L".", L".."})
        expectLoggedThrow<ESyPrecondition>(m_book, [&] { top->getChildNode(notAChild, false); },
                                           L"common.parameterNotValid",
                                           {L"name", L"CSyDirectoryImpl::getChildNode(iastring,bool)"});
}

TEST_F(CDirectoryTest, EntriesRemovedDuringTheIterationAreSkipped)
{
    makeDirectory(L"many");
    Names all;
    for (int i = 0; i < 40; ++i)
    {
        const iastring name = L"f" + std::to_wstring(i);
        writeTestFile(m_dir / (L"many\\" + name), "x");
        all.insert(name);
    }
    const PSyNodeIterator it = directory(L"many")->getChildNodes(L"*", false);
    ASSERT_FALSE(it->isDone());
    const iastring firstName = it->get()->getFullNameNoPath();
    // Everything but the current entry and every fourth one goes before the iteration reads on.
    Names kept{firstName};
    int index = 0;
    for (const iastring& name : all)
        if (name != firstName && index++ % 4 != 0)
            ASSERT_TRUE(::DeleteFileW((m_dir / (L"many\\" + name)).c_str()));
        else
            kept.insert(name);
    Names seen{firstName};
    for (it->next(); !it->isDone(); it->next())
        seen.insert(it->get()->getFullNameNoPath());
    EXPECT_EQ(kept, seen);
}

TEST_F(CDirectoryTest, TotalSizeIsTheSumOfEveryFileBelow)
{
    makeTree(L"src");
    EXPECT_EQ(19.0, directory(L"src")->getTotalSize()->getBytes());
    EXPECT_EQ(10.0, directory(L"src\\sub")->getTotalSize()->getBytes());
    EXPECT_EQ(0.0, directory(L"src\\empty")->getTotalSize()->getBytes());
    writeTestFile(m_dir / L"src\\sub\\deeper\\big.bin", std::string(100000, 'z'));
    EXPECT_EQ(100019.0, directory(L"src")->getTotalSize()->getBytes());
}

TEST_F(CDirectoryTest, RemovalEmptiesEachDirectoryBeforeRemovingIt)
{
    makeTree(L"src");
    ASSERT_TRUE(::SetFileAttributesW((m_dir / L"src\\sub\\deeper").c_str(), FILE_ATTRIBUTE_READONLY));
    node(L"src")->remove();
    EXPECT_FALSE(existsOnDisk(m_dir / L"src"));

    std::vector<iastring> removed;
    for (const CRecordedLine& line : m_book.messages())
    {
        EXPECT_NE(CMessage::LOG_ERROR, line.type) << line.text;
        if (line.text == L"syslib.filesystem.removingDirectory")
            removed.push_back(line.arguments.at(0));
        else if (line.text == L"syslib.filesystem.removingFile")
            removed.push_back(CSyPath(line.arguments.at(0)).toString());
    }
    ASSERT_EQ(8u, removed.size());
    EXPECT_EQ(canonical(L"src"), removed.back());
    const auto position = [&](const iastring& name) {
        return std::find(removed.begin(), removed.end(), canonical(name)) - removed.begin();
    };
    EXPECT_LT(position(L"src\\sub\\deeper"), position(L"src\\sub"));
    EXPECT_LT(position(L"src\\sub\\ro.txt"), position(L"src\\sub"));
    EXPECT_LT(position(L"src\\sub\\c.txt"), position(L"src\\sub"));
}

TEST_F(CDirectoryTest, ADirectoryThatCannotBeReadOrRemovedIsReported)
{
    makeDirectory(L"gone");
    const PSyNode gone = node(L"gone");
    ASSERT_TRUE(::RemoveDirectoryW((m_dir / L"gone").c_str()));
    m_book.clear();
    try
    {
        gone->remove();
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyFileDelete& e)
    {
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, e.getCode());
    }
    const std::vector<CRecordedLine> messages = m_book.messages();
    ASSERT_EQ(4u, messages.size());
    EXPECT_EQ(L"syslib.sysCallFailed", messages[0].text);
    EXPECT_EQ(CMessage::LOG_WARNING, messages[0].type);
    EXPECT_EQ(L"syslib.filesystem.nodeRemoveNoRecursion", messages[1].text);
    EXPECT_EQ(CMessage::LOG_WARNING, messages[1].type);
    EXPECT_EQ(CLogArguments{canonical(L"gone")}, messages[1].arguments);
    EXPECT_EQ(L"syslib.filesystem.removingDirectory", messages[2].text);
    EXPECT_EQ(L"syslib.filesystem.nodeRemoveFailed", messages[3].text);
    EXPECT_EQ(CMessage::LOG_ERROR, messages[3].type);
    EXPECT_EQ((CLogArguments{canonical(L"gone"), L"directory", syslib::getOSErrorText(ERROR_FILE_NOT_FOUND)}),
              messages[3].arguments);
}

TEST_F(CDirectoryTest, CopyOntoAMissingTargetCreatesItAndTellsTheObserverEveryChild)
{
    makeTree(L"src");
    CRecordingObserver observer;
    const PSyFSPath target(new CSyFSPath(CSyPath(m_dir / L"dst")));
    EXPECT_TRUE(node(L"src")->copy(target, N::MISSING, &observer));

    for (const wchar_t* name : {L"a.txt", L"b.log", L"sub\\c.txt", L"sub\\ro.txt"})
        EXPECT_EQ(readTestFile(m_dir / (L"src\\" + iastring(name))), readTestFile(m_dir / (L"dst\\" + iastring(name))))
            << name;
    EXPECT_TRUE(directory(L"dst\\empty")->isEmpty());
    EXPECT_TRUE(directory(L"dst\\sub\\deeper")->isEmpty());
    const CRecordedLine copying = m_book.messages(L"syslib.filesystem.copyingDirectory").at(0);
    EXPECT_EQ((CLogArguments{canonical(L"src"), canonical(L"dst")}), copying.arguments);
    EXPECT_EQ(4u, m_book.messages(L"syslib.filesystem.copyingDirectory").size());

    // A heading for every directory, right after the line that announced it, then a line a child.
    const auto heading = [&](const iastring& from) {
        return std::make_pair(true, L"Copying files from " + canonical(L"src" + from) + L" to " + canonical(L"dst" + from));
    };
    const auto line = [](const iastring& name) { return std::make_pair(false, L"copying " + name); };
    const auto& events = observer.events;
    ASSERT_EQ(11u, events.size());
    EXPECT_EQ(heading(L""), events[0]);
    const auto at = [&](const std::pair<bool, iastring>& event) {
        return std::find(events.begin(), events.end(), event) - events.begin();
    };
    EXPECT_EQ(at(line(L"sub")) + 1, at(heading(L"\\sub")));
    EXPECT_EQ(at(line(L"empty")) + 1, at(heading(L"\\empty")));
    EXPECT_EQ(at(line(L"deeper")) + 1, at(heading(L"\\sub\\deeper")));
    for (const wchar_t* name : {L"a.txt", L"b.log", L"c.txt", L"ro.txt"})
        EXPECT_LT(at(line(name)), 11) << name;
}

TEST_F(CDirectoryTest, CopyOntoAnExistingTreeFollowsTheModeForEveryFile)
{
    struct CCase
    {
        int mode;
        bool replacesSame, addsNew, addsDeep;
    };
    const CCase cases[] = {
        {N::MISSING, false, true, true},
        {N::EXISTING, true, false, false},
        {N::MISSING | N::EXISTING, true, true, true},
        {N::IF_NEWER, true, false, false},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.mode);
        removeTestTree(m_dir / L"src");
        removeTestTree(m_dir / L"dst");
        makeDirectory(L"src");
        makeDirectory(L"src\\sub");
        makeDirectory(L"dst");
        makeDirectory(L"dst\\sub");
        writeTestFile(m_dir / L"src\\same.txt", "new");
        writeTestFile(m_dir / L"dst\\same.txt", "old");
        setFileTime(m_dir / L"dst\\same.txt", 1500000000);
        writeTestFile(m_dir / L"src\\new.txt", "n");
        writeTestFile(m_dir / L"src\\sub\\deep.txt", "d");
        writeTestFile(m_dir / L"dst\\own.txt", "mine");

        EXPECT_TRUE(node(L"src")->copy(m_dir / L"dst", static_cast<N::CopyMoveMode_t>(c.mode)));
        EXPECT_EQ(c.replacesSame ? "new" : "old", readTestFile(m_dir / L"dst\\same.txt"));
        EXPECT_EQ(c.addsNew, existsOnDisk(m_dir / L"dst\\new.txt"));
        EXPECT_EQ(c.addsDeep, existsOnDisk(m_dir / L"dst\\sub\\deep.txt"));
        EXPECT_EQ("mine", readTestFile(m_dir / L"dst\\own.txt"));
        EXPECT_FALSE(existsOnDisk(m_dir / L"dst\\src")) << "the content goes in, not the directory";
    }
    // Newer target: IF_NEWER leaves it.
    setFileTime(m_dir / L"dst\\same.txt", 2000000000);
    writeTestFile(m_dir / L"dst\\same.txt", "old");
    setFileTime(m_dir / L"dst\\same.txt", 2000000000);
    node(L"src")->copy(m_dir / L"dst", N::IF_NEWER);
    EXPECT_EQ("old", readTestFile(m_dir / L"dst\\same.txt"));
}

TEST_F(CDirectoryTest, CopyRefusesTargetsItCannotOrMustNotFill)
{
    makeTree(L"src");
    m_book.clear();
    EXPECT_FALSE(node(L"src")->copy(m_dir / L"missing", N::EXISTING));
    EXPECT_FALSE(existsOnDisk(m_dir / L"missing"));
    EXPECT_TRUE(m_book.hasTrace(L"I will not not copy/move directory " + canonical(L"src") + L" to: " +
                                canonical(L"missing") + L" (target directory not found and mode & ISyNode::MISSING == 0)"));

    expectLoggedThrow<ESyPrecondition>(m_book, [&] { node(L"src")->copy(m_dir / L"src\\sub\\copy", N::MISSING); },
                                       L"syslib.filesystem.targetInsideSource",
                                       {canonical(L"src"), canonical(L"src\\sub\\copy")});
    EXPECT_FALSE(existsOnDisk(m_dir / L"src\\sub\\copy"));
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { node(L"src")->copy(m_dir / L"src\\a.txt", N::EXISTING); },
                                       L"syslib.filesystem.copyTypesNotValid", {L"DIRECTORY", L"FILE"});
    // Parents of the target are created only when asked for.
    EXPECT_THROW(node(L"src")->copy(m_dir / L"x\\y", N::MISSING), ESyFileCreate);
    EXPECT_TRUE(node(L"src")->copy(m_dir / L"x\\y", N::MISSING | N::CREATE_PARENTS));
    EXPECT_EQ(19.0, directory(L"x\\y")->getTotalSize()->getBytes());
}

TEST_F(CDirectoryTest, ATreeCopyLeavesOutChildrenThatMeetANodeOfTheOtherKind)
{
    makeDirectory(L"src");
    makeDirectory(L"src\\d");
    writeTestFile(m_dir / L"src\\a", "file a");
    writeTestFile(m_dir / L"src\\d\\inner.txt", "inner");
    writeTestFile(m_dir / L"src\\ok.txt", "ok");
    makeDirectory(L"dst");
    makeDirectory(L"dst\\a");
    writeTestFile(m_dir / L"dst\\d", "file d");

    try
    {
        node(L"src")->copy(m_dir / L"dst", static_cast<N::CopyMoveMode_t>(N::MISSING | N::EXISTING));
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyFileWrite& e)
    {
        EXPECT_EQ(canonical(L"dst"), e.getPath());
    }
    EXPECT_EQ("ok", readTestFile(m_dir / L"dst\\ok.txt")) << "the rest is copied";
    EXPECT_TRUE(directory(L"dst\\a")->isEmpty()) << "a file never goes into a directory of its own name";
    EXPECT_EQ("file d", readTestFile(m_dir / L"dst\\d"));

    std::vector<CLogArguments> conflicts;
    for (const CRecordedLine& line : m_book.messages(L"syslib.filesystem.copyTargetKindConflict"))
    {
        EXPECT_EQ(CMessage::LOG_ERROR, line.type);
        conflicts.push_back(line.arguments);
    }
    std::sort(conflicts.begin(), conflicts.end());
    EXPECT_EQ((std::vector<CLogArguments>{{canonical(L"src\\a"), canonical(L"dst\\a"), L"FILE", L"DIRECTORY"},
                                          {canonical(L"src\\d"), canonical(L"dst\\d"), L"DIRECTORY", L"FILE"}}),
              conflicts);
    const std::vector<CRecordedLine> messages = m_book.messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(L"syslib.filesystem.treeCopyIncomplete", messages.back().text) << "reported last, before the throw";
    EXPECT_EQ((CLogArguments{canonical(L"src"), canonical(L"dst"), L"2"}), messages.back().arguments);
}

// Onto a directory that is there, a move takes the content in as the mode decides for each file, and
// removes nothing of the target but what it replaces.
TEST_F(CDirectoryTest, AMoveOntoADirectoryMovesTheContentInAsTheModeDecides)
{
    const auto arrange = [&] {
        removeTestTree(m_dir / L"src");
        removeTestTree(m_dir / L"dst");
        makeDirectory(L"src");
        makeDirectory(L"src\\sub");
        makeDirectory(L"dst");
        makeDirectory(L"dst\\sub");
        writeTestFile(m_dir / L"src\\same.txt", "new");
        setFileTime(m_dir / L"src\\same.txt", 1600000000);
        writeTestFile(m_dir / L"dst\\same.txt", "old");
        setFileTime(m_dir / L"dst\\same.txt", 1700000000);
        writeTestFile(m_dir / L"src\\sub\\deep.txt", "deep");
        writeTestFile(m_dir / L"dst\\sub\\own.txt", "mine");
    };

    arrange();
    m_book.clear();
    EXPECT_FALSE(node(L"src")->move(fsPath(L"dst"), N::MISSING)) << "the target is there";
    EXPECT_TRUE(m_book.hasTrace(L"I will not copy/move directory " + canonical(L"src") + L" to: " + canonical(L"dst") +
                                L" (target directory exists already, not allowed to overwrite)"));
    EXPECT_EQ("deep", readTestFile(m_dir / L"src\\sub\\deep.txt"));
    EXPECT_EQ("mine", readTestFile(m_dir / L"dst\\sub\\own.txt"));

    // The newer target file stays, and so does the source that was not moved.
    arrange();
    EXPECT_TRUE(node(L"src")->move(fsPath(L"dst"), N::MISSING | N::IF_NEWER));
    EXPECT_EQ("old", readTestFile(m_dir / L"dst\\same.txt"));
    EXPECT_EQ("new", readTestFile(m_dir / L"src\\same.txt"));
    EXPECT_EQ("deep", readTestFile(m_dir / L"dst\\sub\\deep.txt"));
    EXPECT_EQ("mine", readTestFile(m_dir / L"dst\\sub\\own.txt"));
    EXPECT_FALSE(existsOnDisk(m_dir / L"src\\sub")) << "emptied, it goes";

    // EXISTING alone updates what is there and brings nothing new.
    arrange();
    EXPECT_TRUE(node(L"src")->move(fsPath(L"dst"), N::EXISTING));
    EXPECT_EQ("new", readTestFile(m_dir / L"dst\\same.txt"));
    EXPECT_EQ("deep", readTestFile(m_dir / L"src\\sub\\deep.txt"));

    arrange();
    EXPECT_TRUE(node(L"src")->move(fsPath(L"dst"), N::MISSING | N::EXISTING));
    EXPECT_EQ("new", readTestFile(m_dir / L"dst\\same.txt"));
    EXPECT_EQ("deep", readTestFile(m_dir / L"dst\\sub\\deep.txt"));
    EXPECT_EQ("mine", readTestFile(m_dir / L"dst\\sub\\own.txt"));
    EXPECT_FALSE(existsOnDisk(m_dir / L"src"));
    EXPECT_FALSE(existsOnDisk(m_dir / L"dst\\src")) << "the content goes in, not the directory";
}

TEST_F(CDirectoryTest, AMoveIntoItselfOrOntoANodeOfTheOtherKindChangesNothing)
{
    makeTree(L"src");
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { node(L"src")->move(fsPath(L"src\\sub"), N::EXISTING); },
                                       L"syslib.filesystem.targetInsideSource",
                                       {canonical(L"src"), canonical(L"src\\sub")});
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { node(L"src")->move(fsPath(L"src\\new"), N::MISSING); },
                                       L"syslib.filesystem.targetInsideSource",
                                       {canonical(L"src"), canonical(L"src\\new")});
    EXPECT_EQ(19.0, directory(L"src")->getTotalSize()->getBytes());
    EXPECT_EQ(Names({L"c.txt", L"deeper", L"ro.txt"}), names(directory(L"src\\sub")->getChildNodes(L"*", false)));

    // A file moved into a folder meets a directory of its name there.
    makeDirectory(L"into");
    makeDirectory(L"into\\a.txt");
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { node(L"src\\a.txt")->move(fsPath(L"into"), N::EXISTING); },
                                       L"syslib.filesystem.moveTargetKindConflict",
                                       {canonical(L"src\\a.txt"), canonical(L"into\\a.txt"), L"FILE", L"DIRECTORY"});
    EXPECT_TRUE(directory(L"into\\a.txt")->isEmpty());
    EXPECT_EQ("aaaaaa", readTestFile(m_dir / L"src\\a.txt"));

    // Moving content in, a node that meets one of the other kind stays where it is; the rest moves in.
    makeDirectory(L"dst");
    writeTestFile(m_dir / L"dst\\sub", "a file");
    m_book.clear();
    EXPECT_THROW(node(L"src")->move(fsPath(L"dst"), N::MISSING | N::EXISTING), ESyFileWrite);
    EXPECT_EQ((CLogArguments{canonical(L"src\\sub"), canonical(L"dst\\sub"), L"DIRECTORY", L"FILE"}),
              m_book.onlyMessage(L"syslib.filesystem.moveTargetKindConflict").arguments);
    EXPECT_EQ((CLogArguments{canonical(L"src"), canonical(L"dst"), L"1"}),
              m_book.onlyMessage(L"syslib.filesystem.treeMoveIncomplete").arguments);
    EXPECT_EQ("a file", readTestFile(m_dir / L"dst\\sub"));
    EXPECT_EQ("cccccccccc", readTestFile(m_dir / L"src\\sub\\c.txt"));
    EXPECT_EQ("bbb", readTestFile(m_dir / L"dst\\b.log"));
}
