// Mounts as the engine reaches them through the file-system manager: the volume of a path with its space
// and options, and the walk over every mount, volumes mounted into directories included (the stand-in
// keeps those; drives, volume names, drive types and free space are wine's own). Wine has no network
// drives: the tests make one by answering for the drive type and the connection calls in the table.
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

namespace
{
// What the replaced drive-type and connection calls answer: the temporary folder's drive as a network or
// CD-ROM drive, its connection and the remembered connections.
struct CNetworkDrive
{
    wchar_t letter = 0;
    UINT type = DRIVE_REMOTE;
    DWORD connection = NO_ERROR;
    iastring remote = L"\\\\files\\install";
    DWORD openEnum = NO_ERROR;
    DWORD enumResource = NO_ERROR;
    std::vector<const wchar_t*> remembered;
    std::vector<iastring> askedConnections;
    int opened = 0;
    int closed = 0;
    DWORD probe = NO_ERROR; // what the write probe fails with
};
CNetworkDrive drive;

UINT WINAPI writeProbe(LPCWSTR directory, LPCWSTR prefix, UINT unique, LPWSTR name)
{
    if (drive.probe == NO_ERROR)
        return ::GetTempFileNameW(directory, prefix, unique, name);
    ::SetLastError(drive.probe);
    return 0;
}

UINT WINAPI driveType(LPCWSTR root)
{
    return ::towupper(root[0]) == drive.letter ? drive.type : ::GetDriveTypeW(root);
}
DWORD WINAPI connection(LPCWSTR local, LPWSTR remote, LPDWORD length)
{
    drive.askedConnections.push_back(local);
    if (drive.connection != NO_ERROR)
        return drive.connection;
    if (*length <= drive.remote.size())
        return ERROR_MORE_DATA;
    wcscpy(remote, drive.remote.c_str());
    return NO_ERROR;
}
DWORD WINAPI openEnum(DWORD scope, DWORD type, DWORD, LPNETRESOURCEW, LPHANDLE enumeration)
{
    if (scope != RESOURCE_REMEMBERED || type != RESOURCETYPE_DISK)
        return ERROR_INVALID_PARAMETER;
    if (drive.openEnum != NO_ERROR)
        return drive.openEnum;
    ++drive.opened;
    *enumeration = reinterpret_cast<HANDLE>(&drive);
    return NO_ERROR;
}
DWORD WINAPI enumResource(HANDLE enumeration, LPDWORD count, LPVOID buffer, LPDWORD size)
{
    if (enumeration != reinterpret_cast<HANDLE>(&drive))
        return ERROR_INVALID_HANDLE;
    if (drive.enumResource != NO_ERROR)
        return drive.enumResource;
    if (drive.remembered.empty())
        return ERROR_NO_MORE_ITEMS;
    const std::size_t fit = std::min<std::size_t>({drive.remembered.size(), *size / sizeof(NETRESOURCEW), *count});
    NETRESOURCEW* out = static_cast<NETRESOURCEW*>(buffer);
    for (std::size_t i = 0; i < fit; ++i)
    {
        out[i] = NETRESOURCEW();
        out[i].lpLocalName = const_cast<LPWSTR>(drive.remembered[i]);
    }
    *count = static_cast<DWORD>(fit);
    return NO_ERROR;
}
DWORD WINAPI closeEnum(HANDLE enumeration)
{
    if (enumeration != reinterpret_cast<HANDLE>(&drive))
        return ERROR_INVALID_HANDLE;
    ++drive.closed;
    return NO_ERROR;
}

class CNetworkDriveTest : public CMountTest
{
protected:
    CNetworkDriveTest()
    {
        drive = CNetworkDrive();
        drive.letter = static_cast<wchar_t>(::towupper(m_dir.path()[0]));
    }
    ~CNetworkDriveTest() override { EXPECT_EQ(drive.opened, drive.closed) << "every enumeration is closed"; }

    iastring localName() const { return iastring(1, drive.letter) + L":"; }

    syslib::SyVolumeApi& m_api = standins::volumeApiTable();
    standins::CApiOverride<decltype(syslib::SyVolumeApi::GetDriveTypeW)> m_type{m_api.GetDriveTypeW, driveType};
    standins::CApiOverride<decltype(syslib::SyVolumeApi::WNetGetConnectionW)> m_connection{m_api.WNetGetConnectionW,
                                                                                          connection};
    standins::CApiOverride<decltype(syslib::SyVolumeApi::WNetOpenEnumW)> m_open{m_api.WNetOpenEnumW, openEnum};
    standins::CApiOverride<decltype(syslib::SyVolumeApi::WNetEnumResourceW)> m_enum{m_api.WNetEnumResourceW,
                                                                                    enumResource};
    standins::CApiOverride<decltype(syslib::SyVolumeApi::WNetCloseEnum)> m_close{m_api.WNetCloseEnum, closeEnum};
    standins::CApiOverride<decltype(syslib::SyVolumeApi::GetTempFileNameW)> m_probe{m_api.GetTempFileNameW,
                                                                                    writeProbe};
};
} // namespace

// A network drive is named by its connection, or by itself when it has none; any other answer is an error.
TEST_F(CNetworkDriveTest, ANetworkDriveIsNamedByItsConnection)
{
    const PSyFSMount mount = m_mgt->getFSMount(path(m_dir.path()));
    EXPECT_EQ(ISyFSMount::NETWORK, mount->getFSType());
    EXPECT_EQ(drive.remote, mount->getFSName());
    EXPECT_EQ(std::vector<iastring>{localName()}, drive.askedConnections);
    for (const DWORD none : {ERROR_NOT_CONNECTED, ERROR_CONNECTION_UNAVAIL})
    {
        drive.connection = none;
        EXPECT_EQ(localName(), mount->getFSName()) << none;
    }
    for (const DWORD error : {ERROR_NO_NETWORK, ERROR_EXTENDED_ERROR, ERROR_BAD_DEVICE})
    {
        drive.connection = error;
        m_book.clear();
        try
        {
            mount->getFSName();
            ADD_FAILURE() << "no exception for " << error;
        }
        catch (const ESyFileSystem& e)
        {
            EXPECT_EQ(static_cast<int>(error), e.getCode());
            EXPECT_EQ(L"WNetGetConnection", m_book.onlyMessage(L"syslib.sysCallFailed").arguments.at(0));
        }
    }
}

// A network drive is mounted while its server answers; it is permanent only when it is a remembered
// connection, whatever the case of the name the system remembers it by.
TEST_F(CNetworkDriveTest, ANetworkDriveIsPermanentOnlyWhenItIsARememberedConnection)
{
    const PSyFSMount mount = m_mgt->getFSMount(path(m_dir.path()));
    EXPECT_TRUE(mount->isMounted());
    EXPECT_EQ(L"(READ|WRITE)", written(mount->getMountOptions())) << "nothing remembered";

    const iastring lower = iastring(1, static_cast<wchar_t>(::towlower(drive.letter))) + L":";
    const iastring other = drive.letter == L'Q' ? L"R:" : L"Q:";
    drive.remembered = {nullptr, other.c_str(), lower.c_str()};
    EXPECT_EQ(L"(READ|WRITE|PERMANENT)", written(mount->getMountOptions()));
    drive.remembered = {other.c_str()};
    EXPECT_EQ(L"(READ|WRITE)", written(mount->getMountOptions()));
    drive.openEnum = ERROR_NO_MORE_ITEMS;
    EXPECT_EQ(L"(READ|WRITE)", written(mount->getMountOptions()));

    for (const DWORD error : {ERROR_NO_NETWORK, ERROR_EXTENDED_ERROR})
    {
        drive.openEnum = error;
        m_book.clear();
        EXPECT_THROW(mount->getMountOptions(), ESyFileSystem);
        EXPECT_EQ(L"WNetOpenEnum", m_book.onlyMessage(L"syslib.sysCallFailed").arguments.at(0));
    }
    drive.openEnum = NO_ERROR;
    drive.enumResource = ERROR_MORE_DATA;
    m_book.clear();
    EXPECT_THROW(mount->getMountOptions(), ESyFileSystem);
    EXPECT_EQ(L"WNetEnumResource", m_book.onlyMessage(L"syslib.sysCallFailed").arguments.at(0));

    // A remembered connection whose server is gone is not mounted, and has no options at all.
    drive.enumResource = NO_ERROR;
    drive.connection = ERROR_CONNECTION_UNAVAIL;
    EXPECT_FALSE(mount->isMounted());
    EXPECT_EQ(0, static_cast<int>(mount->getMountOptions()));
    drive.connection = ERROR_NOT_CONNECTED;
    EXPECT_TRUE(mount->isMounted());
}

// Only drives of a known type are walked when the caller asks for those; the others are there for a walk of all.
TEST_F(CNetworkDriveTest, AWalkOfKnownTypesLeavesOutADriveOfAnotherType)
{
    const iastring root = m_dir.path().substr(0, 3);
    EXPECT_TRUE(walkedTo(walk(m_mgt->getFSMounts(true, nullptr)), root)) << "a network drive is of a known type";
    for (const UINT type : {static_cast<UINT>(DRIVE_RAMDISK), static_cast<UINT>(DRIVE_REMOVABLE),
                            static_cast<UINT>(DRIVE_UNKNOWN)})
    {
        drive.type = type;
        EXPECT_FALSE(walkedTo(walk(m_mgt->getFSMounts(true, nullptr)), root)) << type;
        EXPECT_TRUE(walkedTo(walk(m_mgt->getFSMounts(false, nullptr)), root)) << type;
        EXPECT_EQ(ISyFSMount::ANY, m_mgt->getFSMount(path(m_dir.path()))->getFSType());
    }
}

// A share that refuses the write probe is read-only; a probe that fails otherwise is an error, not a guess.
TEST_F(CNetworkDriveTest, AShareThatRefusesTheWriteProbeIsReadOnly)
{
    const PSyFSMount mount = m_mgt->getFSMount(path(m_dir.path()));
    for (const DWORD refused : {ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND})
    {
        drive.probe = refused;
        EXPECT_EQ(L"(READ)", written(mount->getMountOptions())) << refused;
    }
    for (const DWORD error : {ERROR_WRITE_PROTECT, ERROR_DISK_FULL, ERROR_BAD_NETPATH})
    {
        drive.probe = error;
        m_book.clear();
        try
        {
            mount->getMountOptions();
            ADD_FAILURE() << "no exception for " << error;
        }
        catch (const ESyFileSystem& e)
        {
            EXPECT_EQ(static_cast<int>(error), e.getCode());
            const CRecordedLine reported = m_book.onlyMessage(L"syslib.sysCallFailed");
            EXPECT_EQ(L"GetTempFileName", reported.arguments.at(0));
        }
    }
}
