// Windows code of files: copying (plain, through the setup services, replacing files in use), removal
// with the delayed delete of files in use, and the version resource.
#include "syfileimpl.h"
#include "syfileapi.h"
#include "syprotectionapi.h"
#include "synodeaside.h"
#include "sytreecopy.h"

#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <setupapi.h>

#include <memory>
#include <vector>

SY_SOURCE_FILE(L"synxcfile")

namespace
{
using syslib::filesystem::isInUseError;

void info(const iastring& key, const CLogArguments& arguments, int line)
{
    syslib::filesystem::reportMessage(key, arguments, CMessage::LOG_INFO, line);
}

// CopyFileW(source, target, FALSE); the OS error (0: copied).
DWORD copyFile(const iastring& source, const iastring& target)
{
    return syslib::fileApi().CopyFileW(source.c_str(), target.c_str(), FALSE) ? 0 : ::GetLastError();
}

[[noreturn]] void throwCopyFailed(DWORD error, const wchar_t* call, const iastring& source, const iastring& target,
                                  int line)
{
    syslib::printOSError(error, call, line, source + L", " + target + L", FALSE", CMessage::LOG_ERROR,
                         syThisSourceFile);
    throw ESyFileWrite(target, ESyException::WIN32_ERROR, static_cast<int>(error));
}

// Whether the source is what stands in the way of a copy: opened as CopyFileW opens it.
bool sourceInUse(const iastring& source)
{
    const syslib::CSyKernelHandle file(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                                     nullptr, OPEN_EXISTING, 0, nullptr));
    return !file && isInUseError(::GetLastError());
}
} // namespace

bool CSyFileImpl::copy(const CSyPath& target, ISyNode::CopyMoveMode_t mode, ISyProgressObserver*)
{
    return copyKnown(target, mode, nullptr);
}

bool CSyFileImpl::copyKnown(const CSyPath& target, ISyNode::CopyMoveMode_t mode, const CSyCopyFacts* facts,
                            syslib::filesystem::CSyTreeCopy* tree)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing() ? L"CSyFileImpl::copy(const CSyPath & " + target.toString() +
                                                     L", ISyNode::CopyMoveMode_t " + syslib::toString(mode) +
                                                     L", ISyProgressObserver* )"
                                               : iastring());
    CopyMoveDestinationInfo destination;
    bool targetExists = false;
    // A plain copy goes on with the lookup's opening of an existing target.
    std::unique_ptr<syslib::filesystem::CSyNodeOpening> opening(new syslib::filesystem::CSyNodeOpening);
    const bool plain = (mode & (ISyNode::REPLACE_IN_USE | ISyNode::USE_SETUP_API)) == 0;
    const bool copying =
        prepareAndDecideCopy(target, mode, destination, targetExists, facts, plain ? opening.get() : nullptr);
    const iastring sourceName = m_path.toString();
    const iastring targetName = destination.m_path.toString();
    syslib::logBook().log(copying ? L"Copying file " + sourceName + L" to " + targetName
                                  : L"I will not copy " + sourceName + L" to " + targetName,
                          __LINE__);
    if (!copying)
        return false;
    if (mode & ISyNode::CREATE_PARENTS)
        syslib::filesystem::createMissingParentDirectories(destination.m_path);

    if (mode & ISyNode::REPLACE_IN_USE)
    {
        if (!copyReplacingInUse(m_path.toOSString(), destination.m_path.toOSString(), destination.m_path))
            return false;
        finishCopy(destination.m_path, *opening);
    }
    else if (mode & ISyNode::USE_SETUP_API)
        return copyWithSetupApi(m_path.toOSString(), destination.m_path.toOSString(), mode);
    else if (tree != nullptr && tree->parallel())
    {
        const std::shared_ptr<syslib::filesystem::CSyNodeOpening> kept(std::move(opening));
        const CSyPath source = m_path;
        const CSyPath decided = destination.m_path;
        tree->copyFile([source, decided, targetExists, kept] { CSyFileImpl(source).copyDecided(decided, targetExists, *kept); },
                       targetExists ? iastring() : decided.toOSString());
    }
    else
        copyDecided(destination.m_path, targetExists, *opening);
    return true;
}

void CSyFileImpl::copyDecided(const CSyPath& target, bool targetExists, syslib::filesystem::CSyNodeOpening& opening)
{
    const iastring source = m_path.toOSString();
    const iastring osTarget = target.toOSString();
    syslib::filesystem::CSyKeptAttributes attributes;
    if (targetExists)
        resetAttributes(osTarget, opening, attributes);
    DWORD error = copyFile(source, osTarget);
    if (error == ERROR_SHARING_VIOLATION && opening.isOpen())
    {
        // A file system that counts an attribute-only opening against sharing must not fail the copy.
        opening.close();
        error = copyFile(source, osTarget);
    }
    if (error != 0)
        throwCopyFailed(error, L"CopyFile", source, osTarget, __LINE__);
    attributes.release();
    finishCopy(target, opening);
}

void CSyFileImpl::finishCopy(const CSyPath& target, syslib::filesystem::CSyNodeOpening& opening)
{
    CSyFileImpl(target).setTimeStampThrough(getTimeStampOnce(), &opening);
    info(L"syslib.filesystem.copiedFile", {m_path.toString(), target.toString()}, __LINE__);
}

bool CSyFileImpl::copyWithSetupApi(const iastring& source, const iastring& target, ISyNode::CopyMoveMode_t mode)
{
    if (syslib::isTracing())
        syslib::logBook().trace(L"Going to call SetupInstallFileEx(NULL, NULL, " + m_path.toString() + L", NULL, " +
                                    CSyPath(target).toString() + L", ...) now",
                                __LINE__);
    DWORD flags = SP_COPY_SOURCE_ABSOLUTE | SP_COPY_IN_USE_NEEDS_REBOOT;
    if (mode & ISyNode::IF_HIGHER_VERSION)
        flags |= SP_COPY_FORCE_NEWER | SP_COPY_LANGUAGEAWARE;
    BOOL fileWasInUse = FALSE;
    ::SetLastError(0);
    if (!::SetupInstallFileExW(nullptr, nullptr, source.c_str(), nullptr, target.c_str(), flags, nullptr, nullptr,
                               &fileWasInUse))
    {
        const DWORD error = ::GetLastError();
        if (error != 0)
        {
            SY_PRINT_OS_ERROR(error, L"SetupInstallFileEx", L"NULL, NULL, " + source + L", NULL, " + target);
            throw ESyFileWrite(target, ESyException::WIN32_ERROR, static_cast<int>(error));
        }
    }
    if (fileWasInUse)
        info(L"syslib.filesystem.libInUse", {CSyPath(target).toString()}, __LINE__);
    else
        info(L"syslib.filesystem.copiedFile", {m_path.toString(), CSyPath(target).toString()}, __LINE__);
    return true;
}

// Read-only, hidden and system stop CopyFileW; they come back when the copy fails.
void CSyFileImpl::resetAttributes(const iastring& target, syslib::filesystem::CSyNodeOpening& opening,
                                  syslib::filesystem::CSyKeptAttributes& kept)
{
    unsigned long attributes = 0;
    if ((opening.isOpen() || opening.openAttributes(target)) && opening.readAttributes(attributes))
    {
        kept.keep(target, attributes);
        if (opening.setNormalAttributes())
            return;
    }
    else
        kept.keep(target);
    syslib::filesystem::setNormalAttributes(target, false);
}

bool CSyFileImpl::copyReplacingInUse(const iastring& source, const iastring& target, const CSyPath& targetPath)
{
    if (syslib::protectionApi().SfcIsFileProtected(nullptr, target.c_str()))
    {
        info(L"syslib.filesystem.destinationIsFSProtected", {m_path.toString(), targetPath.toString()}, __LINE__);
        return false;
    }
    syslib::filesystem::CSyKeptAttributes attributes;
    attributes.keep(target);
    syslib::filesystem::setNormalAttributes(target, false);
    const DWORD error = copyFile(source, target);
    if (error == 0)
    {
        attributes.release();
        return true;
    }
    // A source in use is no reason to touch the target.
    if (!isInUseError(error) || sourceInUse(source))
        throwCopyFailed(error, L"CopyFile", source, target, __LINE__);

    SY_TRACE_OS_ERROR(error, L"CopyFile", source + L", " + target + L", FALSE");
    syslib::filesystem::CSyAsideFile old(targetPath);
    if (const DWORD moveError = old.moveAside())
        throw ESyFileWrite(target, ESyException::WIN32_ERROR, static_cast<int>(moveError));
    if (const DWORD copyError = copyFile(source, target))
    {
        syslib::filesystem::deleteOwnFile(target);
        throwCopyFailed(copyError, L"CopyFile(after move)", source, target, __LINE__);
    }
    if (const DWORD registerError = old.scheduleDeletion())
    {
        // The old file could stay forever under a name nobody knows: the new one gives way to it.
        const iastring temporary = old.temporary();
        syslib::filesystem::deleteOwnFile(target);
        throw ESyFileWrite(temporary, ESyException::WIN32_ERROR, static_cast<int>(registerError));
    }
    attributes.release();
    return true;
}

void CSyFileImpl::remove()
{
    SY_TRACE_FUNCTION(L"CSyFileImpl::remove()");
    checkRemovable();
    removeFile(nullptr);
}

void CSyFileImpl::removeFile(CSyTreeRemoval* tree)
{
    const iastring path = m_path.toOSString();
    info(L"syslib.filesystem.removingFile", {path}, __LINE__);
    syslib::filesystem::CSyKeptAttributes attributes;
    attributes.keep(path);
    // Still read-only, the file refuses its deletion: that says nothing about its being in use.
    const bool readOnly = syslib::filesystem::setNormalAttributes(path, true) != 0 && attributes.isReadOnly();

    DWORD error = syslib::fileApi().DeleteFileW(path.c_str()) ? 0 : ::GetLastError();
    if (error != 0)
        SY_TRACE_OS_ERROR(error, L"DeleteFile", path);
    const CSyPathComponent::eType prefix = m_path.significantPrefixType();
    const bool onShare = prefix == CSyPathComponent::UNC_PREFIX || prefix == CSyPathComponent::LONG_UNC_PREFIX;
    if (error != 0 && (isInUseError(error) || (error == ERROR_ACCESS_DENIED && !readOnly)) && !onShare)
    {
        if (tree != nullptr)
        {
            // The folder goes at the restart as well: the file keeps its name until then.
            error = syslib::filesystem::registerForDeletion(path);
            if (error == 0)
            {
                ++tree->pending;
                attributes.release();
                return;
            }
        }
        else
        {
            // The name is free at once; the file goes at the next restart.
            syslib::filesystem::CSyAsideFile aside(m_path);
            error = aside.moveAside();
            if (error == 0)
                error = aside.scheduleDeletion();
        }
    }
    if (error != 0)
    {
        attributes.restore();
        syslib::reportError(L"syslib.filesystem.nodeRemoveFailed", {path, L"file", syslib::getOSErrorText(error)},
                            __LINE__);
        throw ESyFileDelete(path, ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    attributes.release();

    const syslib::filesystem::CSyRemovalWait& wait = syslib::filesystem::removalWait();
    for (int probe = 0; probe < wait.probes; ++probe)
    {
        const int type = m_path.getOSNodeType(false);
        if (type == CSyPath::NOT_EXISTING || type == ISyNode::NODE)
            return;
        ::Sleep(wait.intervalMilliseconds);
    }
    syslib::filesystem::reportMessage(L"syslib.filesystem.nodeRemoveOKButFileExists", {path}, CMessage::LOG_WARNING,
                                      __LINE__);
    // Its folder can go only once the last opening of it is closed.
    if (tree != nullptr)
        ++tree->pending;
}

namespace
{
// The version resource of a file; empty when it has none.
std::vector<unsigned char> versionResource(const iastring& osPath)
{
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(osPath.c_str(), &handle);
    std::vector<unsigned char> buffer;
    if (size == 0)
        return buffer;
    buffer.resize(size);
    if (!::GetFileVersionInfoW(osPath.c_str(), 0, size, buffer.data()))
        buffer.clear();
    return buffer;
}
} // namespace

CSyFileVersion CSyFileImpl::getFileVersion() const
{
    SY_TRACE_FUNCTION(L"CSyFileImpl::getFileVersion()");
    CSyFileVersion version;
    std::vector<unsigned char> resource = versionResource(m_path.toOSString());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!resource.empty() && ::VerQueryValueW(resource.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
        fixed != nullptr && length >= sizeof(VS_FIXEDFILEINFO))
    {
        version.mostSignificant = fixed->dwFileVersionMS;
        version.leastSignificant = fixed->dwFileVersionLS;
    }
    if (syslib::isTracing())
        syslib::logBook().trace(L"file " + m_path.toString() + L" has version " + version.toString(), __LINE__);
    return version;
}

bool CSyFileImpl::readQelVersionResource(iastring texts[4]) const
{
    std::vector<unsigned char> resource = versionResource(m_path.toOSString());
    if (resource.empty())
        return false;
    static const wchar_t* const keys[4] = {
        L"\\StringFileInfo\\040704b0\\FileVersion", L"\\StringFileInfo\\040704b0\\ProductVersion",
        L"\\StringFileInfo\\040704b0\\Platform", L"\\StringFileInfo\\040704b0\\SpecialBuild"};
    bool found = false;
    for (int i = 0; i < 4; ++i)
    {
        wchar_t* value = nullptr;
        UINT length = 0;
        if (::VerQueryValueW(resource.data(), keys[i], reinterpret_cast<void**>(&value), &length) && value != nullptr)
        {
            texts[i] = iastring(value, length > 0 && value[length - 1] == L'\0' ? length - 1 : length);
            found = true;
        }
    }
    return found;
}
