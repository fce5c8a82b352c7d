// Portable code only: the copy decision of files, streams and the product version markers.
#include "syfileimpl.h"

#include "framework/iastrutil.h"
#include "syslib/common/syenumio.h"
#include "syslib/common/sytrace.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

SY_SOURCE_FILE(L"syxxcfile")

namespace
{
const syslib::CSyEnumName openModeNames[] = {
    {ISyFile::READ, L"READ"}, {ISyFile::WRITE, L"WRITE"}, {ISyFile::TRUNCATE, L"TRUNCATE"}, {ISyFile::BINARY, L"BINARY"}};

void trace(const iastring& text, int line)
{
    syslib::logBook().trace(text, line);
}

time_t modificationTime(const CSyNodeImpl& node)
{
    return node.getTimeStamp()->getModificationTime()->getTime();
}

// The four marker names, in the order of getQelVersion's arguments.
const char* const markers[4] = {"#[%]QelFileVersion: ", "#[%]QelProductVersion: ", "#[%]QelPlatform: ",
                                "#[%]QelSpecialBuild: "};
} // namespace

std::wostream& operator<<(std::wostream& os, ISyFile::eFileOpenMode value)
{
    return syslib::writeFlagNames(os, value, openModeNames);
}

iastring CSyFileVersion::toString() const
{
    return syslib::toString(mostSignificant >> 16) + L"." + syslib::toString(mostSignificant & 0xFFFF) + L"." +
           syslib::toString(leastSignificant >> 16) + L"." + syslib::toString(leastSignificant & 0xFFFF);
}

bool CSyFileImpl::decideIfMoveCopyNode(const CopyMoveDestinationInfo& info, ISyNode::CopyMoveMode_t mode,
                                       bool& existingTarget)
{
    SY_TRACE_FUNCTION_TEXT(syslib::isTracing()
                               ? L"CSyFileImpl::decideIfMoveCopyNode(" + info.m_path.toString() + L", " +
                                     syslib::toString(info.m_realNodeType) + L", " + syslib::toString(mode) + L")"
                               : iastring());
    const iastring source = m_path.toString();
    const iastring target = info.m_path.toString();
    const iastring notCopying = L"I will not copy/move file " + source + L" to: " + target;
    trace(info.m_realNodeType == ISyNode::FILE ? L"Target file " + target + L" exists."
                                               : L"Target file " + target + L" does not exist or is not a file.",
          __LINE__);
    existingTarget = info.m_realNodeType != CSyPath::NOT_EXISTING && info.m_realNodeType != ISyNode::NODE;
    const CSyFileImpl targetFile(info.m_path);
    const bool byTime = (mode & ISyNode::IF_NEWER) != 0;
    const bool byVersion = (mode & ISyNode::IF_HIGHER_VERSION) != 0;

    if (!existingTarget)
    {
        if (mode & ISyNode::MISSING)
        {
            trace(L"mode & ISyNode::MISSING ==> I will copy/move.", __LINE__);
            return true;
        }
        if (mode & (ISyNode::EXISTING | ISyNode::IF_NEWER | ISyNode::IF_HIGHER_VERSION))
        {
            trace(notCopying + L" (target file not found, can not update target file)", __LINE__);
            return false;
        }
        trace(notCopying + L" (target file does not exist and no copy mode is specified that allows a decision.)",
              __LINE__);
        syslib::filesystem::reportMessage(L"syslib.filesystem.notCopiedCopyMode",
                                          {source, target, syslib::toString(mode)}, CMessage::LOG_WARNING, __LINE__);
        return false;
    }

    if (mode & ISyNode::EXISTING)
    {
        trace(L"mode & ISyNode::EXISTING ==> I will copy/move.", __LINE__);
        return true;
    }
    const auto newerByTime = [&]() {
        if (modificationTime(*this) > modificationTime(targetFile))
        {
            trace(L"Timestamp of file " + source + L" is higher than timestamp of " + target + L". I will copy/move.",
                  __LINE__);
            return true;
        }
        trace(notCopying + L" (source file is not newer than target file)", __LINE__);
        return false;
    };
    if (byVersion)
    {
        trace(L"Inspecting file versions....", __LINE__);
        const CSyFileVersion sourceVersion = getFileVersion();
        const CSyFileVersion targetVersion = targetFile.getFileVersion();
        if (sourceVersion.isNone() || targetVersion.isNone() || targetVersion < sourceVersion)
        {
            trace(L"Version of " + source + L" is higher than version of " + target + L". I will copy/move.",
                  __LINE__);
            return true;
        }
        trace(L"I think " + notCopying +
                  L" (source file version is not higher than target file version). But lets inspect the time stamp.",
              __LINE__);
        if (byTime)
            return newerByTime();
        trace(L"The timestamp is not relevant.", __LINE__);
        return false;
    }
    if (byTime)
    {
        trace(L"Inspecting file timestamps....", __LINE__);
        return newerByTime();
    }
    if (mode & ISyNode::MISSING)
    {
        trace(notCopying + L" (target file exists already, not allowed to overwrite)", __LINE__);
        return false;
    }
    trace(notCopying + L" (target file already exists and no copy mode is specified that allows a decision.)",
          __LINE__);
    syslib::filesystem::reportMessage(L"syslib.filesystem.notCopiedCopyMode", {source, target, syslib::toString(mode)},
                                      CMessage::LOG_WARNING, __LINE__);
    return false;
}

PSyFileStream CSyFileImpl::openStream(ISyFile::eFileOpenMode mode)
{
    SY_TRACE_FUNCTION(L"CSyFileImpl::openStream(ISyFile::eFileOpenMode)");
    if (syslib::isTracing())
        SY_TRACE_PARAMETERS(syslib::toString(mode));
    return PSyFileStream(new CSyFileStream(m_path, mode));
}

void CSyFileImpl::getQelVersion(iastring& file, iastring& product, iastring& platform, iastring& build) const
{
    SY_TRACE_FUNCTION(
        L"CSyFileImpl::getQelVersion(iastring & file, iastring & product, iastring & platform, iastring & build) const");
    iastring texts[4];
    // The resource wins; files without one (scripts, data) carry the markers in their text.
    if (!readQelVersionResource(texts))
        readQelVersionMarkers(texts);
    file = texts[0];
    product = texts[1];
    platform = texts[2];
    build = texts[3];
    SY_TRACE_RETURN(file + L", " + product + L", " + platform + L", " + build);
}

// A marker's value runs to the next control character or the end of the file, trailing blanks dropped.
void CSyFileImpl::readQelVersionMarkers(iastring texts[4]) const
{
    std::ifstream in(m_path.toOSString().c_str(), std::ios::in | std::ios::binary);
    if (!in)
    {
        const int error = errno;
        syslib::reportError(L"syslib.filesystem.nodeAccessFailed",
                            {m_path.toString(), toIastring(std::string(std::strerror(error)))}, __LINE__);
        throw ESyFileNotFound(m_path.toString(), ESyException::C_ERRNO, error);
    }
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (int i = 0; i < 4; ++i)
    {
        const std::string marker(markers[i]);
        const std::size_t found = content.find(marker);
        if (found == std::string::npos)
            continue;
        const std::size_t start = found + marker.size();
        std::size_t end = start;
        while (end < content.size() && static_cast<unsigned char>(content[end]) >= 0x20)
            ++end;
        while (end > start && content[end - 1] == ' ')
            --end;
        texts[i] = toIastring(content.substr(start, end - start));
    }
}
