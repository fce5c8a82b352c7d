// Windows code of the share listing: NetShareEnum at level 2, page by page, disk shares only.
#include "syfilesystemmgtimpl.h"
#include "syfsexportimpl.h"
#include "syshareapi.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"synxcfseit")

void CSyFSExportIteratorImpl::fetch()
{
    m_index = 0;
    m_entriesRead = 0;
    DWORD total = 0;
    SY_TRACE_SYSCALL(L"NetShareEnum(NULL, 2, ...)");
    const NET_API_STATUS status = syslib::shareApi().NetShareEnum(nullptr, 2, m_buffer.receive(), MAX_PREFERRED_LENGTH,
                                                                  &m_entriesRead, &total, &m_resumeHandle);
    SY_TRACE_SYSCALL_RETURNED();
    m_moreData = status == ERROR_MORE_DATA;
    if (status == NERR_Success || m_moreData)
        return;
    m_done = true;
    m_entriesRead = 0;
    syslib::reportError(L"syslib.filesystem.noShareInfo", {L"localhost", syslib::getOSErrorText(status)}, __LINE__);
    if (status == ERROR_ACCESS_DENIED)
        throw ESyFileSystem(L"localhost", ESyException::WIN32_ERROR, static_cast<int>(status));
}

void CSyFSExportIteratorImpl::skipToDiskShare()
{
    while (!m_done)
    {
        if (m_index < m_entriesRead)
        {
            const SHARE_INFO_2* entries = reinterpret_cast<const SHARE_INFO_2*>(m_buffer.get());
            // Printer, device and IPC shares are not directories; administrative disk shares are.
            if ((entries[m_index].shi2_type & ~STYPE_SPECIAL) == STYPE_DISKTREE)
                return;
            ++m_index;
        }
        else if (m_moreData)
            fetch();
        else
            m_done = true;
    }
}

void CSyFSExportIteratorImpl::first()
{
    SY_TRACE_FUNCTION(L"CSyFSExportIteratorImpl::first()");
    m_buffer.reset();
    m_resumeHandle = 0;
    m_done = false;
    fetch();
    skipToDiskShare();
}

void CSyFSExportIteratorImpl::next()
{
    SY_TRACE_FUNCTION(L"CSyFSExportIteratorImpl::next()");
    if (m_done)
        return;
    ++m_index;
    skipToDiskShare();
}

PSyFSExport CSyFSExportIteratorImpl::get() const
{
    SY_TRACE_FUNCTION(L"CSyFSExportIteratorImpl::get()");
    if (m_done)
    {
        syslib::reportError(L"syslib.filesystem.noMoreShares", {}, __LINE__);
        throw ESyFileSystem(L"localhost");
    }
    const SHARE_INFO_2& entry = reinterpret_cast<const SHARE_INFO_2*>(m_buffer.get())[m_index];
    return PSyFSExport(new CSyFSExport(CSyPath(entry.shi2_path ? entry.shi2_path : L""), entry.shi2_netname,
                                       entry.shi2_remark ? entry.shi2_remark : L"",
                                       static_cast<ISyFSExport::eExportOptions>(0)));
}

PSyFSExportIterator CSyFileSystemMgtImpl::getFSExports() const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getFSExports()");
    PSyFSExportIterator shares(new CSyFSExportIterator());
    shares->first();
    return shares;
}
