// How the library reads each answer Windows can give for a node: which probe errors mean "nothing there"
// (quietly false) and which mean "could not look" (a warning), and the runtime error a failed time stamp
// reports. Wine gives few of these codes on its own, so the probes and openings are made to answer them.
#include "tests/filesystem/filefaults.h"
#include "tests/filesystem/nodetestutil.h"

#include "standins/volumes/savolumeapi.h"
#include "syslib/common/syfactory.h"
#include "syslib/common/sytrace.h"

#include <cerrno>
#include <utility>

namespace
{
DWORD probeAnswer = 0;

DWORD WINAPI attributesRefused(LPCWSTR)
{
    // Anything but "file not found" leaves the answer to the search.
    ::SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_FILE_ATTRIBUTES;
}

HANDLE WINAPI searchAnswering(LPCWSTR, LPWIN32_FIND_DATAW)
{
    ::SetLastError(probeAnswer);
    return INVALID_HANDLE_VALUE;
}

BOOL WINAPI volumeAnswering(LPCWSTR, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD)
{
    ::SetLastError(probeAnswer);
    return FALSE;
}

const DWORD meaningMissing[] = {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND,  ERROR_INVALID_DRIVE,
                                ERROR_NOT_READY,      ERROR_NOT_DOS_DISK,    ERROR_BAD_NETPATH,
                                ERROR_DEV_NOT_EXIST,  ERROR_NETNAME_DELETED, ERROR_BAD_NET_NAME,
                                ERROR_INVALID_PARAMETER, ERROR_DIRECTORY};
const DWORD meaningUnknown[] = {ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION, ERROR_NOT_ENOUGH_MEMORY,
                                ERROR_INVALID_NAME};

class CNodeCodesTest : public CNodeTest
{
protected:
    IaPtr<ISyFileSystemMgt> m_mgt = CSyslibFactory::getInstance()->getFileSystemMgt();
};
} // namespace

TEST_F(CNodeCodesTest, ASearchThatFindsNothingIsQuietAnyOtherFailureWarns)
{
    writeTestFile(m_dir / L"there.txt", "x");
    const PSyFSPath there = m_mgt->getFSPath(m_dir / L"there.txt");
    syslib::SyFileApi& table = standins::fileApiTable();
    const standins::CApiOverride<decltype(syslib::SyFileApi::GetFileAttributesW)> attributes(
        table.GetFileAttributesW, attributesRefused);
    const standins::CApiOverride<decltype(syslib::SyFileApi::FindFirstFileW)> search(table.FindFirstFileW,
                                                                                      searchAnswering);
    for (const DWORD code : meaningMissing)
    {
        probeAnswer = code;
        m_book.clear();
        EXPECT_FALSE(m_mgt->isExisting(there, ISyNode::NODE)) << code;
        EXPECT_TRUE(m_book.messages().empty()) << code << " is no failure to look";
    }
    for (const DWORD code : meaningUnknown)
    {
        probeAnswer = code;
        m_book.clear();
        EXPECT_FALSE(m_mgt->isExisting(there, ISyNode::NODE)) << code;
        const CRecordedLine warning = m_book.onlyMessage(L"syslib.filesystem.findFirstFileFailed");
        EXPECT_EQ(CMessage::LOG_WARNING, warning.type);
        EXPECT_EQ((CLogArguments{canonical(L"there.txt"), syslib::getOSErrorText(code)}), warning.arguments);
    }
}

TEST_F(CNodeCodesTest, ADriveWithoutItsVolumeIsNotThereOneThatCannotBeAskedWarns)
{
    const PSyFSPath root = m_mgt->getFSPath(L"C:\\");
    const standins::CApiOverride<decltype(syslib::SyVolumeApi::GetVolumeInformationW)> volume(
        standins::volumeApiTable().GetVolumeInformationW, volumeAnswering);
    for (const DWORD code : {static_cast<DWORD>(ERROR_NOT_READY), static_cast<DWORD>(ERROR_INVALID_DRIVE)})
    {
        probeAnswer = code;
        m_book.clear();
        EXPECT_FALSE(m_mgt->isExisting(root, ISyNode::DIRECTORY)) << code;
        EXPECT_TRUE(m_book.messages().empty()) << code;
    }
    probeAnswer = ERROR_ACCESS_DENIED;
    m_book.clear();
    EXPECT_FALSE(m_mgt->isExisting(root, ISyNode::DIRECTORY));
    const CRecordedLine warning = m_book.onlyMessage(L"syslib.filesystem.getVolumeInformationFailed");
    EXPECT_EQ(CMessage::LOG_WARNING, warning.type);
    EXPECT_EQ((CLogArguments{CSyPath(L"C:\\").toString(), syslib::getOSErrorText(ERROR_ACCESS_DENIED)}), warning.arguments);
}

TEST_F(CNodeCodesTest, AFailedTimeStampReportsTheRuntimeErrorOfWindowsAnswer)
{
    writeTestFile(m_dir / L"from.txt", "a");
    writeTestFile(m_dir / L"to.txt", "b");
    const PSyNodeTimeStamp times = node(L"from.txt")->getTimeStamp();
    const PSyNode target = node(L"to.txt");
    const std::pair<DWORD, int> answers[] = {
        {ERROR_FILE_NOT_FOUND, ENOENT},       {ERROR_PATH_NOT_FOUND, ENOENT},
        {ERROR_INVALID_DRIVE, ENOENT},        {ERROR_BAD_NETPATH, ENOENT},
        {ERROR_BAD_NET_NAME, ENOENT},         {ERROR_FILENAME_EXCED_RANGE, ENOENT},
        {ERROR_INVALID_NAME, ENOENT},         {ERROR_ACCESS_DENIED, EACCES},
        {ERROR_SHARING_VIOLATION, EACCES},    {ERROR_LOCK_VIOLATION, EACCES},
        {ERROR_CURRENT_DIRECTORY, EACCES},    {ERROR_NETWORK_ACCESS_DENIED, EACCES},
        {ERROR_NOT_ENOUGH_MEMORY, ENOMEM},    {ERROR_OUTOFMEMORY, ENOMEM},
        {ERROR_DISK_FULL, ENOSPC},            {ERROR_TOO_MANY_OPEN_FILES, EMFILE},
        {ERROR_GEN_FAILURE, EINVAL},          {ERROR_WRITE_PROTECT, EINVAL}};
    for (const auto& answer : answers)
    {
        const DWORD code = answer.first;
        CFileFaults faults([code](const CFileCall& call) {
            return iastring(call.function) == L"CreateFileW" ? code : 0ul;
        });
        const ESyFileWrite error = expectLoggedThrow<ESyFileWrite>(
            m_book, [&] { target->setTimeStamp(times); }, L"syslib.filesystem.errorSettingTimeStamp",
            {canonical(L"to.txt")});
        EXPECT_EQ(ESyException::C_ERRNO, error.getErrorType()) << code;
        EXPECT_EQ(answer.second, error.getCode()) << code;
    }
}
