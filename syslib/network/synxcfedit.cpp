// Windows code of the file edit: copy, read, write, access rights and the final move.
#include "syfileedit.h"
#include "syslib/account/sysecuritydescwin.h"
#include "syslib/common/syfilesecapi.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <aclapi.h>

SY_SOURCE_FILE(L"synxcfedit")

namespace syslib
{
namespace network
{
namespace
{
[[noreturn]] void throwWriteFailed(DWORD error, const wchar_t* call, const iastring& parameters, const iastring& file,
                                   int line)
{
    syslib::printOSError(error, call, line, parameters, CMessage::LOG_ERROR, syThisSourceFile);
    throw ESyFileWrite(file, ESyException::WIN32_ERROR, static_cast<int>(error));
}

void writeAll(HANDLE file, const std::string& bytes, const iastring& name)
{
    std::string::size_type done = 0;
    while (done < bytes.size())
    {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::string::size_type>(bytes.size() - done, 1u << 20));
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr))
            throwWriteFailed(::GetLastError(), L"WriteFile", name, name, __LINE__);
        done += written;
    }
}

void setAttributes(const iastring& file, DWORD attributes, const iastring& reported)
{
    if (!::SetFileAttributesW(file.c_str(), attributes))
        throwWriteFailed(::GetLastError(), L"SetFileAttributes", file + L", " + toString(attributes), reported,
                         __LINE__);
}
} // namespace

void copyForEdit(const iastring& from, const iastring& to)
{
    SY_TRACE_SYSCALL(L"CopyFileW(" + from + L", " + to + L", FALSE)");
    if (!::CopyFileW(from.c_str(), to.c_str(), FALSE))
        throwWriteFailed(::GetLastError(), L"CopyFile", from + L", " + to + L", FALSE", to, __LINE__);
    SY_TRACE_SYSCALL_RETURNED();
    // A read-only original is edited all the same: the copy takes the attribute back before the move.
    const DWORD attributes = ::GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        setAttributes(to, attributes & ~FILE_ATTRIBUTE_READONLY, to);
}

std::string readFileBytes(const iastring& file)
{
    const CSyKernelHandle handle(::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"CreateFile", file + L", GENERIC_READ");
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            throw ESyFileNotFound(file, ESyException::WIN32_ERROR, static_cast<int>(error));
        throw ESyFileRead(file);
    }
    std::string bytes;
    char buffer[16384];
    DWORD read = 0;
    for (;;)
    {
        if (!::ReadFile(handle.get(), buffer, sizeof(buffer), &read, nullptr))
        {
            SY_PRINT_OS_ERROR(::GetLastError(), L"ReadFile", file);
            throw ESyFileRead(file);
        }
        if (read == 0)
            return bytes;
        bytes.append(buffer, read);
    }
}

void writeToCopy(const iastring& copy, bool truncate, const std::string& kept, const std::string& appended)
{
    const CSyKernelHandle handle(::CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr,
                                               truncate ? TRUNCATE_EXISTING : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                               nullptr));
    if (!handle)
        throwWriteFailed(::GetLastError(), L"CreateFile", copy + L", GENERIC_WRITE", copy, __LINE__);
    if (!truncate && ::SetFilePointer(handle.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER)
        throwWriteFailed(::GetLastError(), L"SetFilePointer", copy + L", 0, NULL, FILE_END", copy, __LINE__);
    writeAll(handle.get(), kept, copy);
    runEditStep(EDIT_APPEND);
    writeAll(handle.get(), appended, copy);
    if (!::FlushFileBuffers(handle.get()))
        throwWriteFailed(::GetLastError(), L"FlushFileBuffers", copy, copy, __LINE__);
}

void copyAccessRights(const iastring& from, const iastring& to)
{
    // The whole descriptor: owner, group, DACL and whether it inherits, as the system file had them.
    CSyWinSecurityDesc native;
    if (!SyWinGetSecurityDescriptor(from, SE_FILE_OBJECT, native,
                                    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                        DACL_SECURITY_INFORMATION,
                                    false))
        throwWriteFailed(::GetLastError(), L"GetNamedSecurityInfo", from + L", SE_FILE_OBJECT", to, __LINE__);
    SySecurityImpl::setNamedSecurity(fileSecurityApi().SetNamedSecurityInfoW, to, SE_FILE_OBJECT, native);
}

void replaceWithCopy(const iastring& copy, const iastring& file)
{
    const DWORD attributes = ::GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throwWriteFailed(::GetLastError(), L"GetFileAttributes", file, file, __LINE__);
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    // Windows replaces no read-only file: the original gives the attribute to the copy for the move.
    if (readOnly)
    {
        setAttributes(copy, attributes, file);
        setAttributes(file, attributes & ~FILE_ATTRIBUTE_READONLY, file);
    }
    SY_TRACE_SYSCALL(L"MoveFileExW(" + copy + L", " + file + L", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)");
    if (!::MoveFileExW(copy.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        const DWORD error = ::GetLastError();
        if (readOnly)
            ::SetFileAttributesW(file.c_str(), attributes);
        throwWriteFailed(error, L"MoveFileEx",
                         copy + L", " + file + L", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH", file, __LINE__);
    }
    SY_TRACE_SYSCALL_RETURNED();
}

void removeCopyQuietly(const iastring& copy)
{
    const DWORD attributes = ::GetFileAttributesW(copy.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        ::SetFileAttributesW(copy.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!::DeleteFileW(copy.c_str()))
        SY_TRACE_OS_ERROR(::GetLastError(), L"DeleteFile", copy);
}
} // namespace network
} // namespace syslib
