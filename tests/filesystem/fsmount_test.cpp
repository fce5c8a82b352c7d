// Mounts as the engine reaches them through the file-system manager: the volume of a path with its space
// and options, and the walk over every mount, volumes mounted into directories included (the stand-in
// keeps those; drives, volume names, drive types and free space are wine's own). Wine has no network or
// CD-ROM drives: what the library does for those (connection names, remembered connections, media checks)
// cannot be shown here.
#include "standins/common/saregistry.h"
#include "standins/volumes/savolumeapi.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"
#include "syslib/filesystem/syfilesystemmgt.h"
#include "syslib/filesystem/sypath.h"
#include "standins/saoverride.h"
#include "tests/support/expectthrow.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

namespace
{
const syslib::SyVolumeApi& volumes()
{
    return syslib::volumeApi();
}

iastring volumeOf(const iastring& root)
{
    wchar_t name[1024] = {0};
    EXPECT_TRUE(::GetVolumeNameForVolumeMountPointW(root.c_str(), name, 1024)) << ::GetLastError();
    return name;
}

// A fixed drive other than the one the temporary folder is on: the volume the tests mount into a directory.
iastring otherFixedDrive(const iastring& notThis)
{
    wchar_t drives[128] = {0};
    ::GetLogicalDriveStringsW(128, drives);
    for (const wchar_t* root = drives; *root; root += wcslen(root) + 1)
        if (::GetDriveTypeW(root) == DRIVE_FIXED && ::towupper(root[0]) != ::towupper(notThis[0]))
            return root;
    return iastring();
}

template <class T>
iastring written(T value)
{
    std::wostringstream out;
    out << value;
    return out.str();
}

struct CWalked
{
    iastring mountPoint;
    iastring name;
};

std::vector<CWalked> walk(const PSyFSMountIterator& mounts)
{
    std::vector<CWalked> walked;
    for (mounts->first(); !mounts->isDone(); mounts->next())
        walked.push_back({mounts->get()->getMountPoint()->getFullName(), mounts->get()->getFSName()});
    return walked;
}

bool walkedTo(const std::vector<CWalked>& walked, const iastring& mountPoint)
{
    return std::any_of(walked.begin(), walked.end(), [&](const CWalked& w) {
        return CSyPath(w.mountPoint).toOSString() == CSyPath(mountPoint).toOSString();
    });
}

class CRecordingHandler : public ISyErrorHandler
{
public:
    explicit CRecordingHandler(bool goOn) : m_goOn(goOn) {}
    bool handleError(const iastring& path, unsigned long osError, const iastring&) override
    {
        m_calls.push_back({path, osError});
        return m_goOn;
    }
    std::vector<std::pair<iastring, unsigned long>> m_calls;

private:
    bool m_goOn;
};

class CMountTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (const iastring& directory : m_mounted)
            volumes().DeleteVolumeMountPointW(directory.c_str());
        const syslib::CSyRegKey state = openVolumesKey();
        if (state)
            ::RegDeleteValueW(state.get(), L"Denied");
    }

    static syslib::CSyRegKey openVolumesKey()
    {
        return standins::openMachineKey(standins::volumesKey, true);
    }

    // An empty directory under the test's folder with volume mounted into it; the mount point text.
    iastring mount(const iastring& name, const iastring& volume)
    {
        const iastring directory = m_dir / name + L"\\";
        EXPECT_TRUE(::CreateDirectoryW(directory.c_str(), nullptr));
        EXPECT_TRUE(volumes().SetVolumeMountPointW(directory.c_str(), volume.c_str())) << ::GetLastError();
        m_mounted.push_back(directory);
        return directory;
    }

    PSyFSPath path(const iastring& text) { return m_mgt->getFSPath(text); }

    CRecordingLogBook m_book;
    CTempDir m_dir;
    IaPtr<ISyFileSystemMgt> m_mgt = CSyslibFactory::getInstance()->getFileSystemMgt();
    std::vector<iastring> m_mounted;
};
} // namespace

TEST(CMountOutput, TypesAndOptionsAreWrittenByName)
{
    EXPECT_EQ(L"LOCAL", written(ISyFSMount::LOCAL));
    EXPECT_EQ(L"NETWORK", written(ISyFSMount::NETWORK));
    EXPECT_EQ(L"", written(static_cast<ISyFSMount::eFileSystemType>(0x30000)));
    const struct
    {
        int options;
        const wchar_t* text;
    } cases[] = {
        {0, L"()"},
        {ISyFSMount::READ, L"(READ)"},
        {ISyFSMount::READ | ISyFSMount::WRITE | ISyFSMount::PERMANENT, L"(READ|WRITE|PERMANENT)"},
        {ISyFSMount::FULL | ISyFSMount::NOSUID, L"(FULL|NOSUID)"},
        {ISyFSMount::WRITE | ISyFSMount::EXECUTE, L"(WRITE|EXECUTE)"},
        {ISyFSMount::NOSUID | ISyFSMount::PERMANENT, L"(NOSUID|PERMANENT)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, written(static_cast<ISyFSMount::eMountOptions>(c.options))) << c.options;
}

TEST_F(CMountTest, TheDriveOfAPathAnswersWithWhatTheSystemReports)
{
    const PSyFSMount mount = m_mgt->getFSMount(path(m_dir.path()));
    const iastring root = m_dir.path().substr(0, 3);
    EXPECT_EQ(ISyFSMount::LOCAL, mount->getFSType());
    EXPECT_EQ(volumeOf(root), mount->getFSName());
    EXPECT_TRUE(mount->isMounted());
    EXPECT_TRUE(mount->isInUse());
    EXPECT_EQ(L"(READ|WRITE|PERMANENT)", written(mount->getMountOptions()));
    // The write probe leaves nothing behind.
    WIN32_FIND_DATAW entry;
    const syslib::CSyFindHandle probes(::FindFirstFileW((root + L"Qel*.tmp").c_str(), &entry));
    EXPECT_FALSE(probes.isValid());

    m_book.clear();
    EXPECT_EQ(CSyPath(root).toString(), mount->getMountPoint()->getFullName());
    EXPECT_TRUE(m_book.hasTrace(L"return value: ISyNode* (" + root + L")"));

    // Other writers share the disk: the two readings may differ by a little.
    ULARGE_INTEGER available, total, totalFree;
    m_book.clear();
    const double free = mount->getFreeSpace()->getBytes();
    const double quota = mount->getQuota()->getBytes();
    const double used = mount->getUsedSpace()->getBytes();
    ASSERT_TRUE(::GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree));
    const double slack = 256.0 * 1024 * 1024;
    EXPECT_NEAR(static_cast<double>(totalFree.QuadPart), free, slack);
    EXPECT_NEAR(static_cast<double>(available.QuadPart), quota, slack);
    EXPECT_NEAR(static_cast<double>(total.QuadPart - available.QuadPart), used, slack);
    EXPECT_GT(used, 0);
    EXPECT_TRUE(m_book.hasTrace(L"return value: ISySize* (" + syslib::toString(static_cast<unsigned long long>(free)) +
                                L")"));
}

TEST_F(CMountTest, APathOnADriveThatDoesNotExistIsLoggedAndThrown)
{
    const DWORD present = ::GetLogicalDrives();
    wchar_t letter = L'Y';
    while (letter > L'D' && (present & (1u << (letter - L'A'))))
        --letter;
    const iastring text = iastring(1, letter) + L":\\nothing\\here";
    const ESyFileNotFound e = expectLoggedThrow<ESyFileNotFound>(
        m_book, [&] { m_mgt->getFSMount(path(text)); }, L"syslib.filesystem.errorPathNotOnDrive",
        {CSyPath(text).toString()});
    EXPECT_EQ(CSyPath(text).toString(), e.getPath());
    expectLoggedThrow<ESyPrecondition>(m_book, [&] { m_mgt->getFSMount(path(L"")); }, L"common.parameterEmpty",
                                       {L"path", L"getFSMount()"});
}

TEST_F(CMountTest, AVolumeMountedIntoADirectoryIsTheMountOfThePathsBelowIt)
{
    const iastring other = otherFixedDrive(m_dir.path());
    ASSERT_FALSE(other.empty()) << "the prefix has one fixed drive only";
    const iastring mountPoint = mount(L"data", volumeOf(other));
    ASSERT_TRUE(::CreateDirectoryW((mountPoint + L"sub").c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);

    const PSyFSMount inside = m_mgt->getFSMount(path(mountPoint + L"sub\\file.txt"));
    EXPECT_EQ(CSyPath(mountPoint).toString(), inside->getMountPoint()->getFullName());
    EXPECT_EQ(volumeOf(other), inside->getFSName());
    EXPECT_TRUE(inside->isMounted());
    // The directory that holds the mount is on the volume of the temporary folder, not the mounted one.
    EXPECT_EQ(volumeOf(m_dir.path().substr(0, 3)), m_mgt->getFSMount(path(m_dir.path()))->getFSName());

    const std::vector<CWalked> walked = walk(m_mgt->getFSMounts());
    EXPECT_TRUE(walkedTo(walked, mountPoint));
    EXPECT_TRUE(walkedTo(walked, other));
    EXPECT_TRUE(m_book.messages(L"syslib.filesystem.foundCycleInFileSystem").empty());

    // Once removed, the directory belongs to its drive again and the walk no longer meets it.
    ASSERT_TRUE(volumes().DeleteVolumeMountPointW(mountPoint.c_str()));
    m_mounted.clear();
    EXPECT_EQ(volumeOf(m_dir.path().substr(0, 3)), m_mgt->getFSMount(path(mountPoint + L"sub"))->getFSName());
    EXPECT_FALSE(walkedTo(walk(m_mgt->getFSMounts()), mountPoint));
}

TEST_F(CMountTest, TheWalkListsEveryDriveInOrderAndEntersNoVolumeTwice)
{
    wchar_t drives[128] = {0};
    ::GetLogicalDriveStringsW(128, drives);
    std::vector<iastring> expected;
    for (const wchar_t* root = drives; *root; root += wcslen(root) + 1)
        expected.push_back(CSyPath(root).toString());

    // The volume of the temporary folder mounted into one of its own directories: a cycle.
    const iastring root = m_dir.path().substr(0, 3);
    const iastring loop = mount(L"loop", volumeOf(root));
    const std::vector<CWalked> walked = walk(m_mgt->getFSMounts(false, nullptr));
    std::vector<iastring> drivesWalked;
    for (const CWalked& w : walked)
        if (w.mountPoint.size() <= 3)
            drivesWalked.push_back(w.mountPoint);
    EXPECT_EQ(expected, drivesWalked);
    EXPECT_TRUE(walkedTo(walked, loop));
    const std::vector<CRecordedLine> cycles = m_book.messages(L"syslib.filesystem.foundCycleInFileSystem");
    ASSERT_EQ(1u, cycles.size());
    EXPECT_EQ(CMessage::LOG_WARNING, cycles[0].type);
    EXPECT_EQ((CLogArguments{loop, root}), cycles[0].arguments);

    // Only what is mounted now: every drive wine has is.
    const std::vector<CWalked> mounted = walk(m_mgt->getFSMounts(true, ISyFSMount::SELECT_MOUNTED, nullptr));
    EXPECT_TRUE(walkedTo(mounted, root));
    EXPECT_TRUE(walkedTo(mounted, loop));
}

TEST_F(CMountTest, AFailureOfTheWalkIsOfferedToTheHandlerBeforeItIsThrown)
{
    const iastring root = m_dir.path().substr(0, 3);
    const iastring hidden = mount(L"hidden", volumeOf(root));
    {
        const syslib::CSyRegKey state = openVolumesKey();
        const iastring denied = root + L'\0' + L'\0';
        ::RegSetValueExW(state.get(), L"Denied", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(denied.data()),
                         static_cast<DWORD>(denied.size() * sizeof(wchar_t)));
    }

    CRecordingHandler goOn(true);
    const std::vector<CWalked> walked = walk(m_mgt->getFSMounts(false, &goOn));
    ASSERT_EQ(1u, goOn.m_calls.size());
    EXPECT_EQ(root, goOn.m_calls[0].first);
    EXPECT_EQ(static_cast<unsigned long>(ERROR_ACCESS_DENIED), goOn.m_calls[0].second);
    EXPECT_TRUE(walkedTo(walked, root)) << "the drive itself stays in the walk";
    EXPECT_FALSE(walkedTo(walked, hidden));
    EXPECT_TRUE(m_book.messages(L"syslib.sysCallFailed").empty()) << "a failure the handler accepts is traced";
    const std::vector<iastring> logs = m_book.logs();
    EXPECT_TRUE(std::any_of(logs.begin(), logs.end(), [](const iastring& text) {
        return text.find(L"OS message 5 ") != iastring::npos && text.find(L"'FindFirstVolumeMountPoint'") != iastring::npos;
    }));

    CRecordingHandler stop(false);
    for (ISyErrorHandler* handler : {static_cast<ISyErrorHandler*>(&stop), static_cast<ISyErrorHandler*>(nullptr)})
    {
        m_book.clear();
        const PSyFSMountIterator mounts = m_mgt->getFSMounts(false, handler);
        try
        {
            mounts->first();
            ADD_FAILURE() << "no exception";
        }
        catch (const ESyFileSystem& e)
        {
            EXPECT_EQ(ESyException::WIN32_ERROR, e.getErrorType());
            EXPECT_EQ(ERROR_ACCESS_DENIED, e.getCode());
            EXPECT_EQ(root, e.getPath());
            const CRecordedLine reported = m_book.onlyMessage(L"syslib.sysCallFailed");
            EXPECT_EQ(L"FindFirstVolumeMountPoint", reported.arguments.at(0));
        }
    }
    EXPECT_EQ(1u, stop.m_calls.size());
}

// The stand-in answers as the system documents it.
TEST_F(CMountTest, TheStandInRefusesWhatWindowsRefuses)
{
    const iastring volume = volumeOf(m_dir.path().substr(0, 3));
    const iastring full = m_dir / L"full\\";
    ASSERT_TRUE(::CreateDirectoryW(full.c_str(), nullptr));
    writeTestFile(full + L"x", "x");
    ::SetLastError(0);
    EXPECT_FALSE(volumes().SetVolumeMountPointW(full.c_str(), volume.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), ::GetLastError());
    EXPECT_FALSE(volumes().SetVolumeMountPointW((m_dir / L"nodir\\").c_str(), volume.c_str()));
    EXPECT_FALSE(volumes().SetVolumeMountPointW(full.c_str(), L"C:\\"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), ::GetLastError());
    EXPECT_FALSE(volumes().DeleteVolumeMountPointW(full.c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_A_REPARSE_POINT), ::GetLastError());

    const iastring once = mount(L"once", volume);
    EXPECT_FALSE(volumes().SetVolumeMountPointW(once.c_str(), volume.c_str())) << "a mount point is not empty";

    wchar_t name[1024] = {0};
    syslib::CSyVolumeMountPointFind search(volumes().FindFirstVolumeMountPointW(m_dir.path().substr(0, 3).c_str(),
                                                                                name, 1024));
    ASSERT_TRUE(search.isValid()) << ::GetLastError();
    EXPECT_EQ(once.substr(3), iastring(name));
    EXPECT_FALSE(volumes().FindFirstVolumeMountPointW(m_dir.path().substr(0, 3).c_str(), name, 4) !=
                 INVALID_HANDLE_VALUE);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), ::GetLastError());
    while (volumes().FindNextVolumeMountPointW(search.get(), name, 1024))
        ;
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), ::GetLastError());
}

// A disk that was taken away leaves its mount point behind: the directory holds a volume nobody has.
TEST_F(CMountTest, AMountOfAVolumeThatIsGoneIsNotMountedAndOnlyAWalkOfAllShowsIt)
{
    const iastring gone = m_dir / L"gone\\";
    ASSERT_TRUE(::CreateDirectoryW(gone.c_str(), nullptr));
    {
        syslib::CSyRegKey key = standins::openMachineKey(iastring(standins::volumesKey) + L"\\MountPoints", true);
        const iastring volume = L"\\\\?\\Volume{0badf00d-0000-0000-0000-000000000000}\\";
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(key.get(), gone.c_str(), 0, REG_SZ,
                                                  reinterpret_cast<const BYTE*>(volume.c_str()),
                                                  static_cast<DWORD>((volume.size() + 1) * sizeof(wchar_t))));
    }
    m_mounted.push_back(gone);

    const PSyFSMount mount = m_mgt->getFSMount(path(gone + L"x"));
    EXPECT_FALSE(mount->isMounted());
    EXPECT_FALSE(mount->isInUse());
    EXPECT_EQ(L"()", written(mount->getMountOptions()));
    EXPECT_TRUE(m_book.hasTrace(L"GetVolumeInformation(" + gone + L", ...); failed. I will assume that the volume is "
                                L"not mounted."));

    EXPECT_TRUE(walkedTo(walk(m_mgt->getFSMounts(false, ISyFSMount::SELECT_ALL, nullptr)), gone));
    const std::vector<CWalked> mounted = walk(m_mgt->getFSMounts(false, ISyFSMount::SELECT_MOUNTED, nullptr));
    EXPECT_FALSE(walkedTo(mounted, gone));
    EXPECT_TRUE(walkedTo(mounted, m_dir.path().substr(0, 3)));
}
