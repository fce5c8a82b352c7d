// Windows code of shares: netapi32's share functions at level 2 on the local machine, and the share's
// security descriptor.
#include "syfilesystemmgtimpl.h"
#include "syfsexportimpl.h"
#include "syshareapi.h"

#include "syslib/account/syaclimpl.h"
#include "syslib/account/sysecuritydescwin.h"
#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"synxcfsexp")

namespace
{
[[noreturn]] void throwShareError(const wchar_t* key, const iastring& name, NET_API_STATUS status, int line)
{
    syslib::reportError(key, {name, syslib::getOSErrorText(status)}, line);
    throw ESyFileSystem(name, ESyException::WIN32_ERROR, static_cast<int>(status));
}

// The field NetShareAdd names by its SHARE_*_PARMNUM; null for a number it does not use.
const wchar_t* shareInfoField(DWORD parameter)
{
    switch (parameter)
    {
    case SHARE_NETNAME_PARMNUM:
        return L"shi2_netname";
    case SHARE_TYPE_PARMNUM:
        return L"shi2_type";
    case SHARE_REMARK_PARMNUM:
        return L"shi2_remark";
    case SHARE_PERMISSIONS_PARMNUM:
        return L"shi2_permissions";
    case SHARE_MAX_USES_PARMNUM:
        return L"shi2_max_uses";
    case SHARE_CURRENT_USES_PARMNUM:
        return L"shi2_current_uses";
    case SHARE_PATH_PARMNUM:
        return L"shi2_path";
    case SHARE_PASSWD_PARMNUM:
        return L"shi2_passwd";
    default:
        return nullptr;
    }
}
} // namespace

bool CSyFSExportImpl::readInfo(syslib::CSyNetApiBuffer& buffer) const
{
    iastring name = m_name;
    SY_TRACE_SYSCALL(L"NetShareGetInfo(NULL, " + m_name + L", 2, ...)");
    const NET_API_STATUS status = syslib::shareApi().NetShareGetInfo(nullptr, &name[0], 2, buffer.receive());
    SY_TRACE_SYSCALL_RETURNED();
    if (status == NERR_NetNameNotFound)
        return false;
    if (status != NERR_Success)
        throwShareError(L"syslib.filesystem.noShareInfo", m_name, status, __LINE__);
    return true;
}

bool CSyFSExportImpl::isShared() const
{
    SY_TRACE_FUNCTION(L"CSyFSExportImpl::isShared()");
    syslib::CSyNetApiBuffer buffer;
    const bool shared = readInfo(buffer);
    SY_TRACE_RETURN(shared ? L"true" : L"false");
    return shared;
}

bool CSyFSExportImpl::isInUse() const
{
    SY_TRACE_FUNCTION(L"CSyFSExportImpl::isInUse()");
    syslib::CSyNetApiBuffer buffer;
    if (!readInfo(buffer))
        throwShareError(L"syslib.filesystem.noShareInfo", m_name, NERR_NetNameNotFound, __LINE__);
    const bool used = reinterpret_cast<const SHARE_INFO_2*>(buffer.get())->shi2_current_uses != 0;
    SY_TRACE_RETURN(used ? L"true" : L"false");
    return used;
}

void CSyFSExportImpl::share()
{
    SY_TRACE_FUNCTION(L"CSyFSExportImpl::share()");
    if (isShared())
    {
        syslib::reportError(L"syslib.filesystem.shareAlreadyShared", {m_name}, __LINE__);
        throw ESyFileSystem(m_name);
    }
    iastring name = m_name;
    iastring remark = m_description;
    iastring path = m_path.toOSString();
    SHARE_INFO_2 info = {};
    info.shi2_netname = &name[0];
    info.shi2_type = STYPE_DISKTREE;
    info.shi2_remark = &remark[0];
    info.shi2_permissions = 0;
    info.shi2_max_uses = static_cast<DWORD>(-1);
    info.shi2_current_uses = 0;
    info.shi2_path = &path[0];
    info.shi2_passwd = nullptr;
    DWORD parameterIndex = 0;
    SY_TRACE_SYSCALL(L"NetShareAdd(NULL, 2, " + m_name + L", ...)");
    const NET_API_STATUS status =
        syslib::shareApi().NetShareAdd(nullptr, 2, reinterpret_cast<LPBYTE>(&info), &parameterIndex);
    SY_TRACE_SYSCALL_RETURNED();
    if (status != NERR_Success)
    {
        if (const wchar_t* field = shareInfoField(parameterIndex))
            syslib::logBook().log(iastring(L"Error in tShareInfo-parameter ") + field, __LINE__);
        syslib::logBook().log(L"Share name: " + m_name + L", \nShare description: " + m_description +
                                  L", \nPath: " + path,
                              __LINE__);
        syslib::reportError(L"syslib.filesystem.shareErrorSharing",
                            {m_name, path, syslib::getOSErrorText(status)}, __LINE__);
        throw ESyFileSystem(m_name, ESyException::WIN32_ERROR, static_cast<int>(status));
    }
    const PSyACL rights = m_pendingACL ? m_pendingACL : aclFromOptions();
    if (rights)
        setACL(rights);
}

void CSyFSExportImpl::unshare()
{
    SY_TRACE_FUNCTION(L"CSyFSExportImpl::unshare()");
    if (!isShared())
    {
        syslib::reportError(L"syslib.filesystem.shareAlreadyUnshared", {m_name}, __LINE__);
        throw ESyFileSystem(m_name);
    }
    // Kept for a later share() of this object.
    m_pendingACL = getACL();
    iastring name = m_name;
    SY_TRACE_SYSCALL(L"NetShareDel(NULL, " + m_name + L", 0)");
    const NET_API_STATUS status = syslib::shareApi().NetShareDel(nullptr, &name[0], 0);
    SY_TRACE_SYSCALL_RETURNED();
    if (status != NERR_Success)
        throwShareError(L"syslib.filesystem.shareErrorUnsharing", m_name, status, __LINE__);
}

PSyACL CSyFSExportImpl::getACL() const
{
    SY_TRACE_FUNCTION(L"CSyFSExportImpl::getACL()");
    if (!isShared())
        return m_pendingACL ? m_pendingACL : PSyACL(new CSyACL(FILESYSTEM, m_name));
    syslib::CSyLocalMem<PSECURITY_DESCRIPTOR> returned;
    const DWORD error = syslib::shareApi().GetShareSecurity(
        m_name.c_str(), SE_LMSHARE, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
        nullptr, nullptr, nullptr, nullptr, returned.receive());
    if (error != ERROR_SUCCESS)
    {
        SY_PRINT_OS_ERROR(error, L"GetNamedSecurityInfo", m_name + L", SE_LMSHARE");
        syslib::reportError(L"syslib.filesystem.aclGetFailed", {m_name}, __LINE__);
        throw ESyFileSystem(m_name, ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    SySecurityImpl::CSySecurityDesc descriptor;
    SySecurityImpl::CSyNativeSecurityConverter::nativeToSecurityDesc(CSyWinSecurityDesc(returned.get()), descriptor);
    return PSyACL(new CSyACL(FILESYSTEM, m_name, descriptor));
}

void CSyFSExportImpl::setACL(const PSyACL& acl)
{
    static const wchar_t* const signature = L"CSyFSExportImpl::setACL(acl)";
    SY_TRACE_FUNCTION_TEXT(signature);
    const CSyACLImpl& rights = CSyACLImpl::implOf(acl, signature);
    if (!isShared())
    {
        m_pendingACL = acl;
        return;
    }
    SySecurityImpl::setNamedSecurity(syslib::shareApi().SetShareSecurity, m_name, SE_LMSHARE, rights.securityDesc(),
                                     rights.objectType(), 0);
}

PSyFSExport CSyFileSystemMgtImpl::getFSExport(const iastring& shareName) const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::getFSExport(iastring)");
    SY_TRACE_PARAMETERS(shareName);
    if (shareName.empty())
        syslib::throwParameterEmpty(L"sShareName", L"getFSExport()", __LINE__);
    iastring name = shareName;
    syslib::CSyNetApiBuffer buffer;
    const NET_API_STATUS status = syslib::shareApi().NetShareGetInfo(nullptr, &name[0], 2, buffer.receive());
    if (status == NERR_NetNameNotFound)
    {
        syslib::reportError(L"syslib.filesystem.shareDoesNotExist", {L"(share name: " + shareName + L")"}, __LINE__);
        throw ESyFileNotFound(shareName, ESyException::WIN32_ERROR, static_cast<int>(status));
    }
    if (status != NERR_Success)
        throwShareError(L"syslib.filesystem.noShareInfo", shareName, status, __LINE__);
    const SHARE_INFO_2* info = reinterpret_cast<const SHARE_INFO_2*>(buffer.get());
    return PSyFSExport(new CSyFSExport(CSyPath(info->shi2_path ? info->shi2_path : L""), info->shi2_netname,
                                       info->shi2_remark ? info->shi2_remark : L"",
                                       static_cast<ISyFSExport::eExportOptions>(0)));
}

PSyFSExport CSyFileSystemMgtImpl::createFSExport(const CSyPath& path, const iastring& shareName,
                                                 const iastring& description,
                                                 ISyFSExport::eExportOptions options) const
{
    SY_TRACE_FUNCTION(L"CSyFileSystemMgtImpl::createFSExport(const CSyPath&, iastring, iastring, "
                      L"ISyFSExport::eExportOption)");
    if (path.isEmpty())
        syslib::throwParameterEmpty(L"fsPath", L"createFSExport()", __LINE__);
    if (shareName.empty())
        syslib::throwParameterEmpty(L"sShareName", L"createFSExport()", __LINE__);
    return PSyFSExport(new CSyFSExport(path.getCanonicalPathImpl(), shareName, description, options));
}
