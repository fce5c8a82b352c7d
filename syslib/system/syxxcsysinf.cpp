// Portable code only: what the system information answers, its overrides and its dump.
#include "sysysteminfoimpl.h"

#include "framework/iacontaineriter.h"
#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"
#include "syslib/filesystem/sysizeimpl.h"

#include <sstream>

SY_SOURCE_FILE(L"syxxcsysinf")

namespace
{
struct CSyOverrides
{
    iastring osFAName;
    iastring osBits;
    OverrideHook* osFANameHook = nullptr;
    OverrideHook* osBitsHook = nullptr;
};

// Plain process-wide state: set early by the installer's main thread, read by every object.
CSyOverrides& overrides()
{
    static CSyOverrides state;
    return state;
}

const unsigned short ARCHITECTURE_IA64 = 6;
const unsigned short ARCHITECTURE_AMD64 = 9;

iastring quoted(const iastring& value)
{
    return L"\"" + value + L"\"";
}

double megabytes(unsigned long long bytes)
{
    return static_cast<double>(bytes) / 1024 / 1024;
}

// Sets or removes one override and says so; setting the value it already has says nothing.
void setOverride(iastring& current, const iastring& value, const wchar_t* revertKey, const wchar_t* overrideKey)
{
    if (value == current)
        return;
    current = value;
    ILogBook& book = syslib::logBook();
    if (value.empty())
    {
        book.message(revertKey, CMessage::LOG_WARNING, __LINE__);
        return;
    }
    book.addArgument(value);
    book.message(overrideKey, CMessage::LOG_WARNING, __LINE__);
}
} // namespace

iastring CSySystemInfoImpl::returned(const iastring& result)
{
    SY_TRACE_RETURN(quoted(result));
    return result;
}

iastring CSySystemInfoImpl::fromAnsi(const char* text)
{
    return toIastring(std::string(text));
}

iastring CSySystemInfoImpl::getOSName()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getOSName()");
    return returned(L"Windows");
}

iastring CSySystemInfoImpl::getOSFAName()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getOSFAName()");
    if (overrides().osFANameHook)
        overrides().osFANameHook->run();
    return returned(overrides().osFAName.empty() ? getRealOSFAName() : overrides().osFAName);
}

iastring CSySystemInfoImpl::getRealOSFAName()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getRealOSFAName()");
    // The platform the library is built for, whatever the machine runs.
    return returned(L"I386");
}

iastring CSySystemInfoImpl::getRuntimeOSFAName()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getRuntimeOSFAName()");
    const unsigned short architecture = nativeArchitecture();
    return returned(architecture == ARCHITECTURE_IA64    ? L"IA64"
                            : architecture == ARCHITECTURE_AMD64 ? L"AMD64"
                                                                 : L"I386");
}

iastring CSySystemInfoImpl::getOSBits()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getOSBits()");
    if (overrides().osBitsHook)
        overrides().osBitsHook->run();
    return returned(overrides().osBits.empty() ? getRealOSBits() : overrides().osBits);
}

iastring CSySystemInfoImpl::getRealOSBits()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getRealOSBits()");
    const unsigned short architecture = nativeArchitecture();
    return returned(architecture == ARCHITECTURE_IA64 || architecture == ARCHITECTURE_AMD64 ? L"64" : L"32");
}

iastring CSySystemInfoImpl::getMakePlatform()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getMakePlatform()");
    return returned(L"NTINTEL");
}

iastring CSySystemInfoImpl::getCPUFamily()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getCPUFamily()");
    return returned(fromAnsi(m_uname.machine));
}

PSySize CSySystemInfoImpl::sizeResult(unsigned long long bytes) const
{
    PSySize size = syslib::newSize(static_cast<double>(bytes));
    SY_TRACE_RETURN(L"\"" + syslib::toString(megabytes(bytes)) + L" MB\"");
    return size;
}

PSySize CSySystemInfoImpl::getRamSize()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getRamSize()");
    return sizeResult(totalPhysicalBytes());
}

PSySize CSySystemInfoImpl::getSwapSize()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getSwapSize()");
    const unsigned long long pageFile = totalPageFileBytes();
    const unsigned long long physical = totalPhysicalBytes();
    return sizeResult(pageFile > physical ? pageFile - physical : 0);
}

bool CSySystemInfoImpl::isUnicodeMake()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::isUnicodeMake()");
    SY_TRACE_RETURN(L"\"false\"");
    return false;
}

void CSySystemInfoImpl::readKernelParameters()
{
    // Windows has no kernel parameter table of this kind: the map stays empty.
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::readKernelParameters()");
}

PSyKernelParameterIterator CSySystemInfoImpl::getKernelParameters()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getKernelParameters()");
    if (m_kernelParameters.empty())
        readKernelParameters();
    return PSyKernelParameterIterator(new CIaPContainerIter<iastring, iastring>(m_kernelParameters));
}

iastring CSySystemInfoImpl::getKernelParameterValue(const iastring& name)
{
    SY_TRACE_FUNCTION_TEXT(L"CSySystemInfoImpl::getKernelParameterValue(\"" + name + L"\")");
    if (m_kernelParameters.empty())
        readKernelParameters();
    const std::map<iastring, iastring>::const_iterator found = m_kernelParameters.find(name);
    if (found == m_kernelParameters.end())
    {
        syslib::reportError(L"syslib.system.kernelParameterNotFound", {name}, __LINE__);
        throw ESySystem();
    }
    SY_TRACE_RETURN(quoted(found->second));
    return found->second;
}

iastring CSySystemInfoImpl::dump() const
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::dump()");
    CSySystemInfoImpl& self = const_cast<CSySystemInfoImpl&>(*this); // the getters only read
    std::wostringstream text;
    text << L"System information" << std::endl
         << L"==================" << std::endl
         << L"OS version, host name: " << self.getOSUname() << std::endl
         << std::endl
         << L"RAM size (MB): " << self.getRamSize()->getMBytes() << std::endl
         << std::endl
         << L"Swap size (MB): " << self.getSwapSize()->getMBytes() << std::endl
         << std::endl;
    return text.str();
}

void CSySystemInfoImpl::overrideOSFAName(const iastring& value)
{
    SY_TRACE_FUNCTION_TEXT(L"void CSySystemInfoImpl::overrideOSFAName(const iastring & \"" + value + L"\")");
    setOverride(overrides().osFAName, value, L"syslib.system.revertOverriddenOsFaName",
                L"syslib.system.overriddenOsFaName");
}

const iastring& CSySystemInfoImpl::getOverriddenOSFAName()
{
    return overrides().osFAName;
}

void CSySystemInfoImpl::overrideOSBits(const iastring& value)
{
    SY_TRACE_FUNCTION_TEXT(L"void CSySystemInfoImpl::overrideOSBits(const iastring & \"" + value + L"\")");
    setOverride(overrides().osBits, value, L"syslib.system.revertOverriddenOsBits",
                L"syslib.system.overriddenOsBits");
}

const iastring& CSySystemInfoImpl::getOverriddenOSBits()
{
    return overrides().osBits;
}

void CSySystemInfoImpl::setOSFANameHook(OverrideHook* hook)
{
    overrides().osFANameHook = hook;
}

OverrideHook* CSySystemInfoImpl::getOSFANameHook()
{
    return overrides().osFANameHook;
}

void CSySystemInfoImpl::setOSBitsHook(OverrideHook* hook)
{
    overrides().osBitsHook = hook;
}

OverrideHook* CSySystemInfoImpl::getOSBitsHook()
{
    return overrides().osBitsHook;
}
