// What a failed copy, move, removal or revert leaves behind: each file call of the operation is made to
// fail in turn, and after every failure the target holds its old content with its attributes and times, or
// the new content; the source is as it was; nothing is left under a temporary name; the log has the error.
#include "tests/filesystem/filefaults.h"
#include "tests/filesystem/nodetestutil.h"
#include "tests/filesystem/pendingrenames.h"

#include "syslib/common/syfactory.h"

#include <functional>
#include <map>
#include <ostream>

namespace
{
typedef ISyNode N;

const long long earlier = 1500000000;
const long long later = 1600000000;
const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

struct CNodeState
{
    bool directory;
    std::string content;
    DWORD attributes; // read-only, hidden and system only
    long long modified;
    bool operator==(const CNodeState& other) const
    {
        return directory == other.directory && content == other.content && attributes == other.attributes &&
               (directory || modified == other.modified);
    }
};

// Relative name -> state. A temporary file the machine will delete at the next restart is named
// "<restart>"; any other one keeps its name, and so shows as left behind.
typedef std::map<iastring, CNodeState> CState;

CNodeState fileState(const std::string& content, DWORD attributes = 0, long long modified = earlier)
{
    return CNodeState{false, content, attributes, modified};
}

CNodeState folderState()
{
    return CNodeState{true, std::string(), 0, 0};
}

std::ostream& operator<<(std::ostream& out, const CState& state)
{
    for (const auto& entry : state)
        out << "\n  " << toMbstring(entry.first) << (entry.second.directory ? "/" : " \"" + entry.second.content + "\"")
            << " attributes " << entry.second.attributes << " modified " << entry.second.modified;
    return out;
}

std::function<bool(const CState&)> oneOf(const std::vector<CState>& states)
{
    return [states](const CState& state) { return std::find(states.begin(), states.end(), state) != states.end(); };
}

// The entries of state below folder (its own included).
CState below(const CState& state, const iastring& folder)
{
    CState part;
    for (const auto& entry : state)
        if (entry.first == folder || entry.first.compare(0, folder.size() + 1, folder + L"\\") == 0)
            part.insert(entry);
    return part;
}

bool isTemporaryName(const iastring& name)
{
    return stringToUpper(name).compare(0, 3, L"QEL") == 0 && stringToUpper(name).find(L".TMP") != iastring::npos;
}

void collect(const iastring& root, const iastring& relative, const std::vector<iastring>& pending, CState& state)
{
    WIN32_FIND_DATAW data;
    const iastring folderPath = relative.empty() ? root : root + L"\\" + relative;
    syslib::CSyFindHandle find(::FindFirstFileW((folderPath + L"\\*").c_str(), &data));
    if (!find)
        return;
    do
    {
        const iastring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const iastring path = folderPath + L"\\" + name;
        iastring key = relative.empty() ? name : relative + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        {
            state[key] = folderState();
            collect(root, key, pending, state);
            continue;
        }
        if (isTemporaryName(name) && registeredForDeletion(pending, path))
            key = (relative.empty() ? iastring() : relative + L"\\") + L"<restart>";
        state[key] = fileState(readTestFile(path), data.dwFileAttributes & kept, modificationSeconds(path));
    } while (::FindNextFileW(find.get(), &data));
}

class CNodeFailureTest : public CNodeTest
{
protected:
    CNodeFailureTest() : m_pending(m_dir.path()) {}

    CState state()
    {
        CState found;
        collect(m_dir.path(), iastring(), readPendingRenames(), found);
        return found;
    }

    void clear()
    {
        WIN32_FIND_DATAW data;
        syslib::CSyFindHandle find(::FindFirstFileW((m_dir / L"*").c_str(), &data));
        std::vector<iastring> names;
        if (find)
        {
            do
                names.push_back(data.cFileName);
            while (::FindNextFileW(find.get(), &data));
        }
        find.reset();
        for (const iastring& name : names)
            if (name != L"." && name != L"..")
                removeTestTree(m_dir / name);
    }

    // The operation once with every call let through (it must succeed and leave afterSuccess[0]), then once
    // for each of its calls failing with each error: an exception, logged, and one of afterFailure left; or,
    // where the library steps round the failure, one of afterSuccess. always is applied to every run first:
    // it plays the circumstances (a rename to another volume, a file in use).
    void everyStepFails(const std::function<void()>& arrange, const std::function<void()>& act,
                        const std::vector<CState>& afterFailure, const std::vector<CState>& afterSuccess,
                        std::initializer_list<DWORD> errors, const CFileFaults::Rule& always = CFileFaults::Rule())
    {
        everyStepFails(arrange, act, oneOf(afterFailure), afterSuccess, errors, always);
    }

    void everyStepFails(const std::function<void()>& arrange, const std::function<void()>& act,
                        const std::function<bool(const CState&)>& allowedAfterFailure,
                        const std::vector<CState>& afterSuccess, std::initializer_list<DWORD> errors,
                        const CFileFaults::Rule& always = CFileFaults::Rule())
    {
        clear();
        arrange();
        int count = 0;
        {
            CFileFaults faults(always);
            act();
            count = static_cast<int>(faults.calls().size());
            EXPECT_EQ(afterSuccess.front(), state()) << "without failures\n" << faults.describe();
        }
        ASSERT_GT(count, 0);
        for (const DWORD error : errors)
            for (int failing = 1; failing <= count; ++failing)
            {
                clear();
                arrange();
                m_book.clear();
                bool threw = false;
                std::string calls;
                {
                    CFileFaults faults([&](const CFileCall& call) {
                        if (always && always(call) != 0)
                            return always(call);
                        return call.number == failing ? static_cast<unsigned long>(error) : 0ul;
                    });
                    try
                    {
                        act();
                    }
                    catch (const ESyException&)
                    {
                        threw = true;
                    }
                    calls = faults.describe();
                }
                const CState left = state();
                SCOPED_TRACE("error " + std::to_string(error) + " at call " + std::to_string(failing) + " of:\n" +
                             calls);
                EXPECT_TRUE(threw ? allowedAfterFailure(left) : oneOf(afterSuccess)(left))
                    << (threw ? "failed" : "went through") << ", leaving" << left;
                bool logged = false;
                for (const CRecordedLine& message : m_book.messages())
                    logged = logged || message.type == CMessage::LOG_ERROR;
                EXPECT_TRUE(logged || !threw) << "the failure is in the log";
            }
    }

    void writeFile(const iastring& name, const std::string& content, DWORD attributes = 0,
                   long long modified = earlier)
    {
        writeTestFile(m_dir / name, content);
        setFileTime(m_dir / name, modified);
        if (attributes != 0)
        {
            ASSERT_TRUE(::SetFileAttributesW((m_dir / name).c_str(), attributes));
        }
    }

    PSyFSPath fsPath(const iastring& name) { return getSyslibFactory()->getFileSystemMgt()->getFSPath(m_dir / name); }

    CPendingRenames m_pending;
};

// Held as a running program holds its image: readable and renamable, not writable.
syslib::CSyKernelHandle holdAsImage(const iastring& path)
{
    return syslib::CSyKernelHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Another volume: a rename of from fails, as MoveFileExW without MOVEFILE_COPY_ALLOWED answers there.
CFileFaults::Rule renameToAnotherVolume(const iastring& from)
{
    return [from](const CFileCall& call) {
        return iastring(call.function) == L"MoveFileExW" && call.flags == 0 && call.path == from
                   ? static_cast<unsigned long>(ERROR_NOT_SAME_DEVICE)
                   : 0ul;
    };
}
} // namespace

// (Wine cannot keep hidden or system on a read-only file: the xattr it keeps them in needs the file writable.)
TEST_F(CNodeFailureTest, AFailedCopyLeavesTheTargetWithItsContentAttributesAndTimes)
{
    for (const DWORD attributes : {DWORD(FILE_ATTRIBUTE_READONLY), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)})
    {
        SCOPED_TRACE(attributes);
        const auto arrange = [&] {
            writeFile(L"source.txt", "new", 0, later);
            writeFile(L"target.txt", "old", attributes);
        };
        const CState before = {{L"source.txt", fileState("new", 0, later)},
                               {L"target.txt", fileState("old", attributes)}};
        const CState copied = {{L"source.txt", fileState("new", 0, later)},
                               {L"target.txt", fileState("new", 0, later)}};
        everyStepFails(arrange, [&] { node(L"source.txt")->copy(fsPath(L"target.txt"), N::EXISTING, nullptr); },
                       {before, copied}, {copied}, {ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT});
    }
}

TEST_F(CNodeFailureTest, AFailedReplacementOfAFileInUseLeavesItInPlace)
{
    syslib::CSyKernelHandle held;
    const auto arrange = [&] {
        held.reset();
        writeFile(L"source.txt", "new", 0, later);
        writeFile(L"target.txt", "old", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        held = holdAsImage(m_dir / L"target.txt");
        ASSERT_TRUE(held.isValid());
    };
    const auto act = [&] {
        const struct CRelease
        {
            syslib::CSyKernelHandle& held;
            ~CRelease() { held.reset(); }
        } release{held};
        node(L"source.txt")->copy(fsPath(L"target.txt"), N::EXISTING | N::REPLACE_IN_USE, nullptr);
    };
    const CState before = {{L"source.txt", fileState("new", 0, later)},
                           {L"target.txt", fileState("old", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)}};
    // The old file waits for the restart under a temporary name the machine knows.
    const CState replaced = {{L"source.txt", fileState("new", 0, later)},
                             {L"target.txt", fileState("new", 0, later)},
                             {L"<restart>", fileState("old")}};
    everyStepFails(arrange, act, {before, replaced}, {replaced}, {ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT});
}

TEST_F(CNodeFailureTest, AMoveOntoAFileKeepsTheOldOneUntilTheNewOneIsInPlace)
{
    const auto arrange = [&] {
        writeFile(L"source.txt", "new", 0, later);
        writeFile(L"target.txt", "old", FILE_ATTRIBUTE_READONLY);
    };
    const CState before = {{L"source.txt", fileState("new", 0, later)},
                           {L"target.txt", fileState("old", FILE_ATTRIBUTE_READONLY)}};
    const CState moved = {{L"target.txt", fileState("new", 0, later)}};
    // A file that cannot be deleted is taken for one in use: it goes at the next restart.
    CState oldAtRestart = moved;
    oldAtRestart[L"<restart>"] = fileState("old");
    CState sourceAtRestart = moved;
    sourceAtRestart[L"<restart>"] = fileState("new", 0, later);
    // Copied to another volume, the new file is complete before the source goes.
    const CState copiedBeside = {{L"source.txt", fileState("new", 0, later)}, {L"target.txt", fileState("new", 0, later)}};
    const auto act = [&] { node(L"source.txt")->move(fsPath(L"target.txt"), N::EXISTING); };
    everyStepFails(arrange, act, {before}, {moved, oldAtRestart}, {ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT});
    everyStepFails(arrange, act, {before, copiedBeside}, {moved, oldAtRestart, sourceAtRestart},
                   {ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT}, renameToAnotherVolume(m_dir / L"source.txt"));
}

TEST_F(CNodeFailureTest, AFileInUseThatCannotBeScheduledForDeletionStaysUnderItsName)
{
    const auto arrange = [&] { writeFile(L"busy.txt", "busy", FILE_ATTRIBUTE_READONLY); };
    // In use: DeleteFileW is refused, a rename is not (as for a running program's image).
    const CFileFaults::Rule inUse = [&](const CFileCall& call) {
        return iastring(call.function) == L"DeleteFileW" && call.path == m_dir / L"busy.txt"
                   ? static_cast<unsigned long>(ERROR_ACCESS_DENIED)
                   : 0ul;
    };
    const CState before = {{L"busy.txt", fileState("busy", FILE_ATTRIBUTE_READONLY)}};
    const CState scheduled = {{L"<restart>", fileState("busy")}};
    everyStepFails(arrange, [&] { node(L"busy.txt")->remove(); }, {before}, {scheduled},
                   {ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT}, inUse);

    // No right to write the pending renames: the message trail says what happened, and in which order.
    clear();
    arrange();
    m_book.clear();
    const CFileFaults faults([&](const CFileCall& call) {
        const bool registering = call.flags == MOVEFILE_DELAY_UNTIL_REBOOT && call.target.empty();
        return registering ? static_cast<unsigned long>(ERROR_ACCESS_DENIED) : inUse(call);
    });
    const iastring path = osPath(L"busy.txt");
    try
    {
        node(L"busy.txt")->remove();
        ADD_FAILURE() << "no exception";
    }
    catch (const ESyFileDelete& e)
    {
        EXPECT_EQ(ERROR_ACCESS_DENIED, e.getCode());
    }
    std::vector<iastring> keys;
    for (const CRecordedLine& message : m_book.messages())
        keys.push_back(message.text);
    const CRecordedLine moving = m_book.onlyMessage(L"syslib.filesystem.movingFile");
    ASSERT_EQ(2u, moving.arguments.size());
    EXPECT_EQ((std::vector<iastring>{L"syslib.filesystem.removingFile", L"syslib.filesystem.movingFile",
                                     L"syslib.filesystem.registeringForDeletion", L"syslib.sysCallFailed",
                                     L"syslib.filesystem.restoringFile", L"syslib.filesystem.nodeRemoveFailed"}),
              keys);
    EXPECT_EQ((CLogArguments{moving.arguments[1], path}),
              m_book.onlyMessage(L"syslib.filesystem.restoringFile").arguments);
    EXPECT_EQ(before, state());
}

TEST_F(CNodeFailureTest, AFailedRevertLeavesTheCurrentFileInPlace)
{
    const auto arrange = [&] {
        writeFile(L"app.ini", "current", FILE_ATTRIBUTE_READONLY);
        writeFile(L"app.1.ini", "saved", 0, later);
    };
    const CState before = {{L"app.ini", fileState("current", FILE_ATTRIBUTE_READONLY)},
                           {L"app.1.ini", fileState("saved", 0, later)}};
    const CState reverted = {{L"app.ini", fileState("saved", 0, later)},
                             {L"app.ini.1.bak", fileState("current", FILE_ATTRIBUTE_READONLY)}};
    // A rename that fails is a copy (which leaves the copy's attributes normal) and a removal.
    const CState copiedAside = {{L"app.ini", fileState("saved", 0, later)},
                                {L"app.ini.1.bak", fileState("current")}};
    // A version that cannot be deleted is taken for one in use: it goes at the next restart.
    CState versionAtRestart = reverted;
    versionAtRestart[L"<restart>"] = fileState("saved", 0, later);
    const auto act = [&] { node(L"app.ini")->revertVersion(); };
    everyStepFails(arrange, act, {before}, {reverted, copiedAside}, {ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT});
    // The version comes in by a copy, which can fail.
    everyStepFails(arrange, act, {before}, {reverted, copiedAside, versionAtRestart},
                   {ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT}, renameToAnotherVolume(m_dir / L"app.1.ini"));
}

TEST_F(CNodeFailureTest, ADirectoryMovedToAnotherVolumeIsCompleteOrNotThere)
{
    const auto arrange = [&] {
        ASSERT_TRUE(::CreateDirectoryW((m_dir / L"tree").c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW((m_dir / L"tree\\sub").c_str(), nullptr));
        writeFile(L"tree\\a.txt", "a");
        writeFile(L"tree\\sub\\b.txt", "b", FILE_ATTRIBUTE_READONLY);
    };
    const CState before = {{L"tree", folderState()},
                           {L"tree\\a.txt", fileState("a")},
                           {L"tree\\sub", folderState()},
                           {L"tree\\sub\\b.txt", fileState("b", FILE_ATTRIBUTE_READONLY)}};
    // A copy leaves the attributes of what it copied normal.
    const CState moved = {{L"moved", folderState()},
                          {L"moved\\a.txt", fileState("a")},
                          {L"moved\\sub", folderState()},
                          {L"moved\\sub\\b.txt", fileState("b")}};
    CState copiedBeside = before;
    copiedBeside.insert(moved.begin(), moved.end());
    // The copy is complete or not there; a source that fails to go part of the way keeps what it could not
    // remove, as it was.
    const auto allowed = [&](const CState& left) {
        const CState copy = below(left, L"moved");
        const CState source = below(left, L"tree");
        if (left.size() != copy.size() + source.size() || !(copy.empty() || copy == moved))
            return false;
        for (const auto& entry : source)
            if (before.count(entry.first) == 0 || !(before.at(entry.first) == entry.second))
                return false;
        return copy == moved || source == before;
    };
    // (Access denied to a deletion is taken for a file in use, which goes at the next restart.)
    everyStepFails(arrange, [&] { node(L"tree")->move(fsPath(L"moved"), N::MISSING); }, allowed, {moved},
                   {ERROR_WRITE_FAULT}, renameToAnotherVolume(m_dir / L"tree"));
}

TEST_F(CNodeFailureTest, ASourceInUseFailsTheReplacementAndLeavesTheTargetAlone)
{
    writeFile(L"source.log", "new", 0, later);
    writeFile(L"target.log", "old", FILE_ATTRIBUTE_READONLY);
    const CState before = state();
    {
        // Held by its writer, who shares nothing: CopyFileW cannot open it.
        const syslib::CSyKernelHandle writer(::CreateFileW((m_dir / L"source.log").c_str(), GENERIC_WRITE, 0,
                                                           nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer.isValid());
        m_book.clear();
        try
        {
            node(L"source.log")->copy(fsPath(L"target.log"), N::EXISTING | N::REPLACE_IN_USE, nullptr);
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
    EXPECT_TRUE(m_book.messages(L"syslib.filesystem.movingFile").empty()) << "the target is not touched";
    EXPECT_EQ(before, state());
}

TEST_F(CNodeFailureTest, ATreeWithFilesInUseGoesAtTheNextRestartFilesFirst)
{
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"tree").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"tree\\sub").c_str(), nullptr));
    writeFile(L"tree\\held.txt", "held");
    writeFile(L"tree\\free.txt", "free");
    writeFile(L"tree\\sub\\free.txt", "free");
    ASSERT_TRUE(::CopyFileW(besideTestProgram(L"versioned_1_2.dll").c_str(), (m_dir / L"tree\\sub\\loaded.dll").c_str(),
                            FALSE));
    const PSyNode tree = node(L"tree");
    {
        // Held without delete sharing, and an image in use: neither can be deleted nor renamed now.
        const syslib::CSyKernelHandle held(::CreateFileW((m_dir / L"tree\\held.txt").c_str(), GENERIC_READ,
                                                         FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        const syslib::CSyModule loaded(::LoadLibraryW((m_dir / L"tree\\sub\\loaded.dll").c_str()));
        ASSERT_TRUE(held.isValid() && loaded.isValid());
        m_book.clear();
        tree->remove();
    }
    const CRecordedLine warning = m_book.onlyMessage(L"syslib.filesystem.removalCompletesAtRestart");
    EXPECT_EQ(CMessage::LOG_WARNING, warning.type);
    EXPECT_EQ((CLogArguments{canonical(L"tree"), L"4"}), warning.arguments);
    EXPECT_TRUE(m_book.messages(L"syslib.filesystem.movingFile").empty()) << "nothing renamed inside the tree";
    EXPECT_TRUE(m_book.messages(L"syslib.filesystem.nodeRemoveFailed").empty());
    const CState left = state();
    EXPECT_EQ((CState{{L"tree", folderState()}, {L"tree\\held.txt", fileState("held")}, {L"tree\\sub", folderState()}}),
              [&] {
                  CState withoutImage = left;
                  withoutImage.erase(L"tree\\sub\\loaded.dll");
                  return withoutImage;
              }());
    // Each name before the folders that hold it, so that every folder is empty when its turn comes.
    const std::vector<iastring> pending = readPendingRenames();
    const auto at = [&](const iastring& name) {
        const iastring tail = stringToUpper(osPath(name).substr(2));
        for (std::size_t i = 0; i < pending.size(); i += 2)
            if (pending[i].size() >= tail.size() && stringToUpper(pending[i].substr(pending[i].size() - tail.size())) == tail &&
                pending[i + 1].empty())
                return static_cast<int>(i);
        return -1;
    };
    ASSERT_GE(at(L"tree\\held.txt"), 0);
    ASSERT_GE(at(L"tree\\sub\\loaded.dll"), 0);
    EXPECT_LT(at(L"tree\\sub\\loaded.dll"), at(L"tree\\sub"));
    EXPECT_LT(at(L"tree\\sub"), at(L"tree"));
    EXPECT_LT(at(L"tree\\held.txt"), at(L"tree"));
}

TEST_F(CNodeFailureTest, ATreeWhoseFilesInUseCannotBeScheduledFailsAndKeepsThem)
{
    ASSERT_TRUE(::CreateDirectoryW((m_dir / L"tree").c_str(), nullptr));
    writeFile(L"tree\\held.txt", "held", FILE_ATTRIBUTE_READONLY);
    const PSyNode tree = node(L"tree");
    const iastring held = osPath(L"tree\\held.txt");
    {
        const CFileFaults refused([](const CFileCall& call) {
            return call.flags == MOVEFILE_DELAY_UNTIL_REBOOT ? static_cast<unsigned long>(ERROR_ACCESS_DENIED) : 0ul;
        });
        const syslib::CSyKernelHandle holder(
            ::CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder.isValid());
        m_book.clear();
        EXPECT_THROW(tree->remove(), ESyFileDelete);
    }
    EXPECT_EQ((CLogArguments{held, L"file", syslib::getOSErrorText(ERROR_ACCESS_DENIED)}),
              m_book.onlyMessage(L"syslib.filesystem.nodeRemoveFailed").arguments);
    EXPECT_EQ(CLogArguments{held}, m_book.onlyMessage(L"syslib.filesystem.registeringForDeletion").arguments);
    EXPECT_EQ((CState{{L"tree", folderState()}, {L"tree\\held.txt", fileState("held", FILE_ATTRIBUTE_READONLY)}}),
              state());
}

// Moving content into a directory that is there, one node at a time: whatever step fails, each file is
// where it was as it was, or in the target; a file of the target is old or replaced, never gone.
TEST_F(CNodeFailureTest, AFailedMoveOntoADirectoryLosesNoFileOfEitherSide)
{
    const auto arrange = [&] {
        for (const wchar_t* folder : {L"src", L"src\\sub", L"dst", L"dst\\sub"})
            ASSERT_TRUE(::CreateDirectoryW((m_dir / folder).c_str(), nullptr));
        writeFile(L"src\\same.txt", "new", 0, later);
        writeFile(L"src\\sub\\deep.txt", "deep");
        writeFile(L"dst\\same.txt", "old", FILE_ATTRIBUTE_READONLY);
        writeFile(L"dst\\sub\\own.txt", "mine", FILE_ATTRIBUTE_HIDDEN);
    };
    const CState moved = {{L"dst", folderState()},
                          {L"dst\\same.txt", fileState("new", 0, later)},
                          {L"dst\\sub", folderState()},
                          {L"dst\\sub\\deep.txt", fileState("deep")},
                          {L"dst\\sub\\own.txt", fileState("mine", FILE_ATTRIBUTE_HIDDEN)}};
    CState oldAtRestart = moved;
    oldAtRestart[L"dst\\<restart>"] = fileState("old");
    // A file that went to another volume by a copy, and whose source then could not go, is there twice.
    const auto allowed = [&](const CState& left) {
        CState rest = left;
        const auto take = [&](const iastring& name, const CNodeState& expected) {
            const auto found = rest.find(name);
            const bool there = found != rest.end() && found->second == expected;
            if (there)
                rest.erase(found);
            return there;
        };
        const auto oneFile = [&](const iastring& from, const iastring& to, const CNodeState& content,
                                 const CNodeState* old) {
            const bool source = take(from, content);
            const bool target = take(to, content);
            return (source || target) && (target || old == nullptr || take(to, *old));
        };
        const CNodeState old = fileState("old", FILE_ATTRIBUTE_READONLY);
        const bool files = oneFile(L"src\\same.txt", L"dst\\same.txt", fileState("new", 0, later), &old) &&
                           oneFile(L"src\\sub\\deep.txt", L"dst\\sub\\deep.txt", fileState("deep"), nullptr) &&
                           take(L"dst\\sub\\own.txt", fileState("mine", FILE_ATTRIBUTE_HIDDEN));
        for (const wchar_t* folder : {L"src", L"src\\sub", L"dst", L"dst\\sub"})
            rest.erase(folder);
        return files && rest.empty() && left.count(L"dst") == 1 && left.count(L"dst\\sub") == 1;
    };
    const auto act = [&] { node(L"src")->move(fsPath(L"dst"), N::MISSING | N::EXISTING); };
    everyStepFails(arrange, act, allowed, {moved, oldAtRestart}, {ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT});
    // Every file inside goes to another volume by a copy.
    const iastring source = m_dir / L"src";
    everyStepFails(arrange, act, allowed, {moved, oldAtRestart}, {ERROR_WRITE_FAULT}, [source](const CFileCall& call) {
        return iastring(call.function) == L"MoveFileExW" && call.flags == 0 &&
                       call.path.compare(0, source.size(), source) == 0
                   ? static_cast<unsigned long>(ERROR_NOT_SAME_DEVICE)
                   : 0ul;
    });
}

// Windows refuses the deletion of a file in use with a sharing or a lock violation, or "busy"; each means the
// same: the file goes aside and at the next restart. Any other refusal is the removal's failure.
TEST_F(CNodeFailureTest, EachInUseAnswerToADeletionSendsTheFileToTheRestartAnotherFailsIt)
{
    const CState before = {{L"busy.txt", fileState("busy")}};
    const CState scheduled = {{L"<restart>", fileState("busy")}};
    const auto refusing = [&](unsigned long error) {
        return [this, error](const CFileCall& call) {
            return iastring(call.function) == L"DeleteFileW" && call.path == m_dir / L"busy.txt" ? error : 0ul;
        };
    };
    for (const DWORD error : {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_BUSY})
    {
        SCOPED_TRACE(error);
        clear();
        writeFile(L"busy.txt", "busy");
        const CFileFaults faults(refusing(error));
        EXPECT_NO_THROW(node(L"busy.txt")->remove());
        EXPECT_EQ(scheduled, state());
    }
    for (const DWORD error : {ERROR_WRITE_FAULT, ERROR_FILE_CORRUPT})
    {
        SCOPED_TRACE(error);
        clear();
        writeFile(L"busy.txt", "busy");
        const CFileFaults faults(refusing(error));
        try
        {
            node(L"busy.txt")->remove();
            ADD_FAILURE() << "no exception";
        }
        catch (const ESyFileDelete& e)
        {
            EXPECT_EQ(static_cast<int>(error), e.getCode());
        }
        EXPECT_EQ(before, state());
    }
}

// A temporary name taken between the look and the rename ("already exists" or "file exists", as the file
// system says) is passed over for the next one; another failure of the rename is the removal's.
TEST_F(CNodeFailureTest, ATemporaryNameTakenMeanwhileIsPassedOver)
{
    const CState scheduled = {{L"<restart>", fileState("busy")}};
    for (const DWORD taken : {ERROR_ALREADY_EXISTS, ERROR_FILE_EXISTS, ERROR_WRITE_FAULT})
    {
        SCOPED_TRACE(taken);
        clear();
        writeFile(L"busy.txt", "busy");
        int renames = 0;
        const CFileFaults faults([&](const CFileCall& call) {
            const iastring function = call.function;
            if (function == L"DeleteFileW" && call.path == m_dir / L"busy.txt")
                return static_cast<unsigned long>(ERROR_SHARING_VIOLATION);
            if (function == L"MoveFileExW" && call.flags == MOVEFILE_WRITE_THROUGH && ++renames == 1)
                return static_cast<unsigned long>(taken);
            return 0ul;
        });
        if (taken == ERROR_WRITE_FAULT)
        {
            EXPECT_THROW(node(L"busy.txt")->remove(), ESyFileDelete);
            EXPECT_EQ(1, renames);
            EXPECT_EQ((CState{{L"busy.txt", fileState("busy")}}), state());
        }
        else
        {
            EXPECT_NO_THROW(node(L"busy.txt")->remove());
            EXPECT_EQ(2, renames);
            EXPECT_EQ(scheduled, state());
        }
    }
}
