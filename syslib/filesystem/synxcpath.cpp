// Windows code: full and long path names, the working directory and the limits of a volume.
#include "sypath.h"
#include "syfileapi.h"
#include "syvolumeapi.h"
#include "synodeopening.h"
#include "syslib/account/syaccountmgtimpl.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <userenv.h>

#include <algorithm>

#include <vector>

SY_SOURCE_FILE(L"synxcpath")

namespace
{
// For the Win32 calls that fill a buffer and return the length written, the size needed (with the
// terminator) when the buffer is too small, or 0 on failure. Nearly every path fits the stack buffer,
// so one call is the rule: these calls are the cost of canonicalisation.
template <class Call>
bool fillBuffer(Call call, iastring& result, DWORD& error)
{
    wchar_t small[MAX_PATH + 1];
    DWORD length = call(small, MAX_PATH + 1);
    if (length != 0 && length <= MAX_PATH)
    {
        result.assign(small, length);
        return true;
    }
    std::vector<wchar_t> buffer;
    // The answer can grow between the calls (another thread changing the current directory).
    for (int attempt = 0; attempt < 4 && length != 0; ++attempt)
    {
        buffer.resize(length + 1);
        const DWORD written = call(buffer.data(), length + 1);
        if (written != 0 && written <= length)
        {
            result.assign(buffer.data(), written);
            return true;
        }
        length = written;
    }
    error = length == 0 ? ::GetLastError() : ERROR_INSUFFICIENT_BUFFER;
    return false;
}
} // namespace

CSyPath CSyPath::getWorkingDirectory()
{
    SY_TRACE_FUNCTION(L"CSyPath::getWorkingDirectory()");
    iastring directory;
    DWORD error = 0;
    if (!fillBuffer([](wchar_t* buffer, DWORD size) { return ::GetCurrentDirectoryW(size, buffer); }, directory,
                    error))
    {
        SY_PRINT_OS_ERROR(error, L"GetCurrentDirectory", L"");
        throw ESyCurrentDirError(syslib::getOSErrorText(error), false);
    }
    SY_TRACE_RETURN(directory);
    return CSyPath(directory);
}

// "~name": the account's home directory, empty when it has none. "~": the current user's profile
// directory, which is what a home means on Windows for the user running the installer.
CSyPath CSyPath::getHomeDirectory(const iastring& user)
{
    SY_TRACE_FUNCTION(L"CSyPath::getHomeDirectory(const iastring&)");
    SY_TRACE_PARAMETERS(user);
    if (!user.empty())
    {
        CSyAccountMgtImpl accounts;
        const CSyPath home = accounts.getUser(user)->getHomeDirectory();
        SY_TRACE_RETURN(home.toString());
        return home;
    }
    syslib::CSyKernelHandle token;
    DWORD length = 0;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.receive()))
        return CSyPath();
    ::GetUserProfileDirectoryW(token.get(), nullptr, &length);
    std::vector<wchar_t> profile(length + 1, L'\0');
    if (length == 0 || !::GetUserProfileDirectoryW(token.get(), profile.data(), &length))
        return CSyPath();
    SY_TRACE_RETURN(iastring(profile.data()));
    return CSyPath(profile.data());
}

CSyPath CSyPath::getCanonicalPathImpl() const
{
    return canonicalPath(nullptr);
}

CSyPath CSyPath::getCanonicalPathImpl(const CSyMissingChild& known) const
{
    return canonicalPath(&known);
}

CSyPath CSyPath::recheckCanonicalPath() const
{
    return canonicalPath(nullptr, true);
}

CSyPath CSyPath::getCanonicalPathImpl(syslib::filesystem::CSyNodeOpening& keep) const
{
    return canonicalPath(nullptr, false, &keep);
}

namespace
{
// Names GetFullPathNameW turns into a device (C:\dir\nul.txt is \\.\nul on many systems).
bool mayNameADevice(const iastring& name)
{
    iastring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    base = stringToUpper(base);
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
        base == L"CONOUT$")
        return true;
    return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0);
}
} // namespace

bool CSyPath::isPlainCanonicalChild() const
{
    const CSyPathComponent::eType prefix = m_parts[0].type;
    if ((prefix != CSyPathComponent::DRIVE && prefix != CSyPathComponent::UNC_PREFIX) || !hasRelativePart())
        return false;
    std::size_t length = 0; // the component texts and a separator after each
    for (std::size_t i = 0; i < size(); ++i)
        length += m_parts[i].length + 1;
    const std::size_t start = relativeStart();
    for (std::size_t i = start; i < size(); ++i)
    {
        const iachar* const first = m_text.data() + m_parts[i].offset;
        const iachar* const last = first + m_parts[i].length - 1;
        // Trailing dots and blanks are trimmed by GetFullPathNameW; wildcards would make a probe a search.
        if (m_parts[i].type != CSyPathComponent::NAME || *last == L'.' || *last == L' ' ||
            std::find_if(first, last + 1, [](iachar c) { return c == L'*' || c == L'?'; }) != last + 1)
            return false;
    }
    return length < MAX_PATH && !mayNameADevice(textAt(size() - 1));
}

namespace
{
enum eLongFormProbe
{
    OWN_LONG_FORM,
    LEAF_MISSING,
    UNSETTLED
};

// Whether the open node reads as osText.
eLongFormProbe longFormThrough(HANDLE node, const iastring& osText)
{
    iastring final;
    DWORD error = 0;
    if (!fillBuffer(
            [node](wchar_t* buffer, DWORD size) {
                return ::GetFinalPathNameByHandleW(node, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
            },
            final, error))
        return UNSETTLED;
    // "\\?\C:\dir" for "C:\dir", "\\?\UNC\server\share" for "\\server\share"; the drive letter in any case.
    const bool unc = osText.compare(0, 2, L"\\\\") == 0;
    const iastring::size_type skip = unc ? 8 : 4;
    if (final.size() != osText.size() + skip - (unc ? 2 : 0))
        return UNSETTLED;
    if (unc)
        return final.compare(0, skip, L"\\\\?\\UNC\\") == 0 && final.compare(skip, iastring::npos, osText, 2) == 0
                   ? OWN_LONG_FORM
                   : UNSETTLED;
    return final.compare(0, skip, L"\\\\?\\") == 0 && ::towupper(final[skip]) == ::towupper(osText[0]) &&
                   final.compare(skip + 1, iastring::npos, osText, 1) == 0
               ? OWN_LONG_FORM
               : UNSETTLED;
}

// What GetLongPathNameW would answer for a plain path, asked through one opening, which costs the file
// system one lookup where the long-name walk searches each folder on the way. The name the system gives the
// open node must read exactly as written: a short name, another case, a link or a mounted volume on the
// way reads otherwise and is left to GetLongPathNameW. A leaf missing under an existing folder is the
// ERROR_FILE_NOT_FOUND the walk would end with. keep (may be null) asks for an attribute opening, which
// it receives when the node is its own long form.
eLongFormProbe probeLongForm(const CSyPath& path, const iastring& osText, syslib::filesystem::CSyNodeOpening* keep)
{
    if (syslib::filesystem::carriedFactsDisabled() || !path.isPlainCanonicalChild())
        return UNSETTLED;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    if (keep != nullptr)
    {
        syslib::CSyKernelHandle node(::CreateFileW(osText.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                                   share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                                   nullptr));
        if (node)
        {
            const eLongFormProbe found = longFormThrough(node.get(), osText);
            if (found == OWN_LONG_FORM)
                keep->adopt(node.detach());
            return found;
        }
        if (::GetLastError() == ERROR_FILE_NOT_FOUND)
            return LEAF_MISSING;
        // Refused for the attributes (read-only, or by the access rights): the plain opening decides.
    }
    const syslib::CSyKernelHandle node(
        ::CreateFileW(osText.c_str(), 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!node)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND ? LEAF_MISSING : UNSETTLED;
    return longFormThrough(node.get(), osText);
}

// GetLongPathNameW's answer for path, whose operating-system form is osText.
bool longPathName(const CSyPath& path, const iastring& osText, iastring& longName, DWORD& error,
                  syslib::filesystem::CSyNodeOpening* keep = nullptr)
{
    switch (probeLongForm(path, osText, keep))
    {
    case OWN_LONG_FORM:
        longName = osText;
        return true;
    case LEAF_MISSING:
        error = ERROR_FILE_NOT_FOUND;
        return false;
    default:
        return fillBuffer([&osText](wchar_t* buffer,
                                    DWORD size) { return ::GetLongPathNameW(osText.c_str(), buffer, size); },
                          longName, error);
    }
}
} // namespace

bool CSyPath::isOwnLongForm() const
{
    if (!isPlainCanonicalChild())
        return false;
    const iastring osText = toOSString();
    iastring longName;
    DWORD error = 0;
    return longPathName(*this, osText, longName, error) && longName == osText;
}

CSyPath CSyPath::canonicalPath(const CSyMissingChild* known, bool wasCanonical,
                               syslib::filesystem::CSyNodeOpening* keep) const
{
    SY_TRACE_FUNCTION(L"CSyPath::getCanonicalPathImpl()");
    CSyPath absolute = getAbsolutePath();
    const bool longForm = absolute.hasLongFormPrefix();
    if (absolute.significantPrefixType() == CSyPathComponent::LONG_UNC_PREFIX)
        absolute.removeLongForm();
    const iastring osText = absolute.toOSString();
    // The facts count only when the missing name is the one error the long-name lookup itself would give.
    if (known != nullptr && (known->probeError != ERROR_FILE_NOT_FOUND || !absolute.isPlainCanonicalChild()))
        known = nullptr;
    // Still there, a path that was canonical is still its own full path and long form: one attribute
    // probe instead of the long-name lookup.
    const bool stillCanonical = wasCanonical && known == nullptr && !syslib::filesystem::carriedFactsDisabled() &&
                                absolute.isPlainCanonicalChild() &&
                                ::GetFileAttributesW(osText.c_str()) != INVALID_FILE_ATTRIBUTES;
    iastring full;
    DWORD error = 0;
    if (known != nullptr || stillCanonical)
        full = osText; // a plain child of a canonical path is its own full path
    else if (!fillBuffer([&osText](wchar_t* buffer,
                                   DWORD size) { return ::GetFullPathNameW(osText.c_str(), size, buffer, nullptr); },
                         full, error))
    {
        syslib::reportError(L"syslib.filesystem.cannotGetAbsolutePath2", {osText, syslib::getOSErrorText(error)},
                            __LINE__);
        throw ESyCannotGetAbsolutePath(osText);
    }

    CSyPath result(full);
    // A server named "?" reads back as a long prefix: such a text has no absolute form.
    if (!result.isAbsolute())
    {
        syslib::reportError(L"syslib.filesystem.cannotGetAbsolutePath", {result.toString()}, __LINE__);
        throw ESyCannotGetAbsolutePath(result.toString());
    }
    result = result.resolveShortPathComponents(known, stillCanonical, keep);
    result.normalize();
    const std::size_t prefix = result.significantPrefixIndex();
    if (result.m_parts[prefix].type == CSyPathComponent::DRIVE)
    {
        const CSyPathComponent drive(stringToUpper(result.textAt(prefix)), true);
        result.splice(prefix, prefix + 1, &drive);
    }
    if (longForm)
        result.addLongForm();
    SY_TRACE_RETURN(result.toString());
    return result;
}

CSyPath CSyPath::resolveShortPathComponents() const
{
    return resolveShortPathComponents(nullptr, false, nullptr);
}

// known: the last component is missing (with that error) and the rest is its own long form.
// ownLongForm: the whole path is present and its own long form. keep: see getCanonicalPathImpl.
CSyPath CSyPath::resolveShortPathComponents(const CSyMissingChild* known, bool ownLongForm,
                                            syslib::filesystem::CSyNodeOpening* keep) const
{
    SY_TRACE_FUNCTION(L"CSyPath::resolveShortPathComponents()");
    CSyPath resolved = *this;
    std::vector<CSyPathComponent> pending; // the unresolved tail, last component first
    for (;;)
    {
        const iastring osText = resolved.toOSString();
        iastring longName;
        DWORD error = 0;
        if (known != nullptr && !pending.empty())
            break; // the parent: its own long form
        if (ownLongForm)
        {
            resolved = CSyPath(osText); // as from the lookup's answer
            break;
        }
        if (known != nullptr)
            error = known->probeError;
        else if (longPathName(resolved, osText, longName, error, pending.empty() ? keep : nullptr))
        {
            resolved = CSyPath(longName);
            break;
        }
        // Usually a component that does not exist yet: expand what does exist.
        syslib::logBook().log(L"GetLongPathNam failed for " + resolved.toString() + L" OS error message: " +
                                  syslib::getOSErrorText(error),
                              __LINE__);
        if (!resolved.hasRelativePart())
            break;
        pending.push_back(resolved.back());
        resolved.truncate(resolved.size() - 1);
    }
    for (auto component = pending.rbegin(); component != pending.rend(); ++component)
        resolved.appendPart(component->getText().data(), component->getText().size(), component->getType());
    return resolved;
}

unsigned int CSyPath::getMaxComponentNameLength() const
{
    SY_TRACE_FUNCTION(L"CSyPath::getMaxComponentNameLength()");
    CSyPath canonical = getCanonicalPathImpl();
    if (canonical.significantPrefixType() == CSyPathComponent::LONG_UNC_PREFIX)
        canonical.removeLongForm();
    const iastring osText = canonical.toOSString();
    std::vector<wchar_t> volume(osText.size() + 2, L'\0');
    if (!::GetVolumePathNameW(osText.c_str(), volume.data(), static_cast<DWORD>(volume.size())))
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"GetVolumePathName", osText);
        throw ESyException(syslib::getOSErrorText(error));
    }
    const iastring volumePath(volume.data());

    DWORD maximumLength = 0;
    BOOL answered = FALSE;
    DWORD error = 0;
    {
        // No "insert a disk" box for an empty drive.
        syslib::CSyErrorModeGuard errorMode(SEM_FAILCRITICALERRORS);
        answered = ::GetVolumeInformationW(volumePath.c_str(), nullptr, 0, nullptr, &maximumLength, nullptr,
                                           nullptr, 0);
        error = ::GetLastError();
    }
    if (!answered)
    {
        SY_PRINT_OS_ERROR(error, L"GetVolumeInformation", volumePath);
        throw ESyException(L"Mount point " + volumePath + L" " + syslib::getOSErrorText(error));
    }
    SY_TRACE_RETURN(syslib::toString(maximumLength));
    return maximumLength;
}

namespace
{
// The errors that mean "nothing there" rather than "could not look".
bool meansNotExisting(DWORD error)
{
    switch (error)
    {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_NOT_DOS_DISK:
    case ERROR_BAD_NETPATH:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_NETNAME_DELETED:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_PARAMETER:
    case ERROR_DIRECTORY:
        return true;
    default:
        return false;
    }
}

int getOSNodeTypeFromMode(DWORD attributes)
{
    if (syslib::isTracing())
        syslib::logBook().trace(L"getOSNodeTypeFromMode(" + syslib::toString(attributes) + L")", __LINE__);
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 2;
}
} // namespace

CSyKnownNode CSyPath::missingEntry()
{
    return CSyKnownNode{false, 0, ERROR_FILE_NOT_FOUND};
}

int CSyPath::getOSNodeType(bool warn) const
{
    unsigned long error = 0;
    return getOSNodeType(warn, error);
}

int CSyPath::getOSNodeType(bool warn, unsigned long& error, const CSyKnownNode* known) const
{
    SY_TRACE_FUNCTION(L"CSyPath::getOSNodeType(bool)");
    const iastring osPath = toOSString();
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(osPath);
    int type = 0;
    error = 0;
    if (isRoot())
    {
        wchar_t name[4096];
        wchar_t fileSystem[4096];
        DWORD serial = 0;
        DWORD maximumLength = 0;
        BOOL answered = FALSE;
        {
            syslib::CSyErrorModeGuard errorMode(SEM_FAILCRITICALERRORS);
            answered = syslib::volumeApi().GetVolumeInformationW(osPath.c_str(), name, 4095, &serial,
                                                                 &maximumLength, nullptr, fileSystem, 4095);
            error = ::GetLastError();
        }
        if (answered)
            type = 1;
    }
    else if (known != nullptr)
    {
        if (known->present)
            type = getOSNodeTypeFromMode(known->attributes);
        else
            error = known->error;
    }
    else
    {
        // For a plain name one attribute query answers what the search would: the same entry with the same
        // attributes, or "file not found". Whatever else it says (a file held open exclusively, access
        // refused, a missing folder on the way) is left to the search, whose error is the one reported.
        if (isPlainCanonicalChild())
        {
            const DWORD attributes = syslib::fileApi().GetFileAttributesW(osPath.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES)
                type = getOSNodeTypeFromMode(attributes);
            else if (::GetLastError() == ERROR_FILE_NOT_FOUND)
                error = ERROR_FILE_NOT_FOUND;
        }
        if (type == 0 && error == 0)
        {
            WIN32_FIND_DATAW data;
            syslib::CSyFindHandle search(syslib::fileApi().FindFirstFileW(osPath.c_str(), &data));
            if (search)
                type = getOSNodeTypeFromMode(data.dwFileAttributes);
            else
                error = ::GetLastError();
        }
    }
    if (type == 0)
    {
        if (meansNotExisting(error))
            type = NOT_EXISTING;
        else if (warn)
        {
            syslib::logBook().addArgument(toString());
            syslib::logBook().addArgument(syslib::getOSErrorText(error));
            syslib::logBook().message(isRoot() ? L"syslib.filesystem.getVolumeInformationFailed"
                                               : L"syslib.filesystem.findFirstFileFailed",
                                      CMessage::LOG_WARNING, __LINE__);
        }
    }
    else
        error = 0;
    if (syslib::isTracing())
        SY_TRACE_RETURN(syslib::toString(type));
    return type;
}

namespace
{
[[noreturn]] void throwCreationFailed(DWORD error, const wchar_t* call, const iastring& parameters,
                                      const iastring& path, const wchar_t* kind, int line)
{
    syslib::printOSError(error, call, line, parameters, CMessage::LOG_ERROR, syThisSourceFile);
    syslib::reportError(L"syslib.filesystem.nodeCreationFailed", {path, kind, syslib::getOSErrorText(error)}, line);
    throw ESyFileCreate(path, ESyException::WIN32_ERROR, static_cast<int>(error));
}

void reportCreated(const wchar_t* key, const iastring& path, int line)
{
    syslib::logBook().addArgument(path);
    syslib::logBook().message(key, CMessage::LOG_INFO, line);
}
} // namespace

void CSyPath::createDirectory() const
{
    SY_TRACE_FUNCTION(L"CSyPath::createDirectory()");
    const iastring osPath = toOSString();
    if (!syslib::fileApi().CreateDirectoryW(osPath.c_str(), nullptr))
        throwCreationFailed(::GetLastError(), L"CreateDirectory", osPath + L", NULL", toString(), L"directory",
                            __LINE__);
    reportCreated(L"syslib.filesystem.creatingDirectory", toString(), __LINE__);
}

void CSyPath::createFile() const
{
    SY_TRACE_FUNCTION(L"CSyPath::createFile()");
    const iastring osPath = toOSString();
    syslib::CSyKernelHandle file;
    DWORD error = 0;
    {
        syslib::CSyErrorModeGuard errorMode(SEM_FAILCRITICALERRORS);
        file.reset(::CreateFileW(osPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        error = ::GetLastError();
    }
    if (!file)
        throwCreationFailed(error, L"CreateFile",
                            osPath + L", GENERIC_READ|GENERIC_WRITE, FILE_SHARE_READ|FILE_SHARE_WRITE, NULL, "
                                     L"CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL",
                            toString(), L"file", __LINE__);
    reportCreated(L"syslib.filesystem.creatingFile", toString(), __LINE__);
}
