// Portable code only: special files refuse every change.
#include "syspecialfileimpl.h"

#include "syslib/common/sytrace.h"

SY_SOURCE_FILE(L"syxxcspecf")

namespace
{
// Traces the signature, logs it as not supported and throws ESyPrecondition (PARAMETER_NOT_VALID).
[[noreturn]] void refuse(const wchar_t* signature, int line)
{
    const iastring text(signature);
    SY_TRACE_FUNCTION_TEXT(text);
    syslib::reportError(L"syslib.filesystem.functionNotSupported", {text}, line);
    throw ESyPrecondition();
}
} // namespace

bool CSySpecialFileImpl::copy(const CSyPath&, ISyNode::CopyMoveMode_t, ISyProgressObserver*)
{
    refuse(L"CSySpecialFileImpl::copy(const CSyPath&, ISyNode::CopyMoveMode_t)", __LINE__);
}

bool CSySpecialFileImpl::move(const CSyPath&, ISyNode::CopyMoveMode_t)
{
    refuse(L"CSySpecialFileImpl::move(const CSyPath&, ISyNode::CopyMoveMode_t mode)", __LINE__);
}

void CSySpecialFileImpl::remove()
{
    refuse(L"CSySpecialFileImpl::remove()", __LINE__);
}

void CSySpecialFileImpl::setTimeStamp(const PSyNodeTimeStamp&)
{
    refuse(L"CSySpecialFileImpl::setTimeStamp(PSyNodeTimeStamp)", __LINE__);
}

int CSySpecialFileImpl::saveVersion(bool)
{
    refuse(L"CSySpecialFileImpl::saveVersion(bool)", __LINE__);
}

void CSySpecialFileImpl::revertVersion()
{
    refuse(L"CSySpecialFileImpl::revertVersion()", __LINE__);
}

void CSySpecialFileImpl::revertToVersion(int)
{
    refuse(L"CSySpecialFileImpl::revertToVersion(int)", __LINE__);
}

int CSySpecialFileImpl::getHighestVersion() const
{
    refuse(L"CSySpecialFileImpl::getHighestVersion()", __LINE__);
}

PSySize CSySpecialFileImpl::getSize() const
{
    refuse(L"CSySpecialFileImpl::getSize()", __LINE__);
}

bool CSySpecialFile::copy(const iastring&, ISyNode::CopyMoveMode_t)
{
    refuse(L"CSySpecialFileImpl::copy(const iastring&, ISyNode::CopyMoveMode_t)", __LINE__);
}

bool CSySpecialFile::move(const iastring&)
{
    refuse(L"CSySpecialFileImpl::move(const iastring&)", __LINE__);
}
