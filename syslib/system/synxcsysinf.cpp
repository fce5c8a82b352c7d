// Windows code: reading the machine's facts for the system information object.
#include "sysysteminfoimpl.h"
#include "sysysteminfowin.h"

#include "syslib/common/sytrace.h"

#include <cstdio>
#include <cstring>

SY_SOURCE_FILE(L"synxcsysinf")

struct CSyNativeFacts
{
    SYSTEM_INFO systemInfo;
    OSVERSIONINFOW versionInfo;
    MEMORYSTATUSEX memoryStatus;
};

namespace
{
syslib::CSyProcLookup g_procLookup = nullptr;
syslib::CSyMemoryStatusQuery g_memoryStatusQuery = nullptr;

FARPROC lookupProc(HMODULE module, const char* name)
{
    return g_procLookup ? g_procLookup(module, name) : ::GetProcAddress(module, name);
}

// Appends printf output to a 64-byte field, keeping at most 63 characters.
template <class... Args>
void appendField(char (&field)[64], const char* format, Args... args)
{
    const std::size_t used = std::strlen(field);
    std::snprintf(field + used, sizeof(field) - used, format, args...);
}

void setField(char (&field)[64], const char* text)
{
    std::snprintf(field, sizeof(field), "%s", text);
}

[[noreturn]] void throwLastError()
{
    throw ESySystem(ESyException::WIN32_ERROR, static_cast<int>(::GetLastError()));
}
} // namespace

namespace syslib
{
CSyProcLookup setSystemInfoProcLookup(CSyProcLookup lookup)
{
    const CSyProcLookup previous = g_procLookup;
    g_procLookup = lookup;
    return previous;
}

CSyMemoryStatusQuery setSystemInfoMemoryStatusQuery(CSyMemoryStatusQuery query)
{
    const CSyMemoryStatusQuery previous = g_memoryStatusQuery;
    g_memoryStatusQuery = query;
    return previous;
}
} // namespace syslib

CSySystemInfoImpl::CSySystemInfoImpl() : m_uname(), m_facts(new CSyNativeFacts())
{
    SY_TRACE_CONSTRUCTOR(L"CSySystemInfoImpl::CSySystemInfoImpl()");
    fillUnameRecord();
    queryNativeSystemInfo();
    queryVersionAndMemory();
}

CSySystemInfoImpl::~CSySystemInfoImpl()
{
}

void CSySystemInfoImpl::fillUnameRecord()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::fillUnameRecord()");
    setField(m_uname.sysname, "?");

    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    if (info.dwNumberOfProcessors > 1)
        appendField(m_uname.machine, "%dx ", static_cast<int>(info.dwNumberOfProcessors));
    static const char* const architectures[] = {"Intel", "MIPS", "Alpha", "PPC"};
    if (info.wProcessorArchitecture < 4)
        appendField(m_uname.machine, "%s", architectures[info.wProcessorArchitecture]);

    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA); // 148
    if (::GetVersionExA(&version))
    {
        switch (version.dwPlatformId)
        {
        case 0:
            setField(m_uname.sysname, "Windows");
            setField(m_uname.release, "3.1");
            break;
        case 1:
            setField(m_uname.sysname, "Windows");
            setField(m_uname.release, version.dwMinorVersion == 0 ? "95" : "98");
            if (info.dwProcessorType == 386 || info.dwProcessorType == 486 || info.dwProcessorType == 586)
                appendField(m_uname.machine, " %d", static_cast<int>(info.dwProcessorType));
            break;
        case 2:
        {
            setField(m_uname.sysname, "Windows NT");
            std::snprintf(m_uname.release, sizeof(m_uname.release), "%d.%d",
                          static_cast<int>(version.dwMajorVersion), static_cast<int>(version.dwMinorVersion));
            std::snprintf(m_uname.version, sizeof(m_uname.version), "%d %s",
                          static_cast<int>(version.dwBuildNumber), version.szCSDVersion);
            const int level = info.wProcessorLevel;
            switch (info.wProcessorArchitecture)
            {
            case 0:
                if (level >= 5)
                    appendField(m_uname.machine, " 80%d86 (Mod %d Step %d)", level, info.wProcessorRevision >> 8,
                                info.wProcessorRevision % 256);
                else
                    appendField(m_uname.machine, " 80%d86", level);
                break;
            case 1:
                appendField(m_uname.machine, " R%d", level * 1000);
                break;
            case 2:
                appendField(m_uname.machine, " %d", level);
                break;
            case 3:
                appendField(m_uname.machine, " %d", level + 600);
                break;
            default:
                break;
            }
            break;
        }
        default:
            break;
        }
    }

    char computerName[64] = {0};
    DWORD size = sizeof(computerName);
    if (::GetComputerNameA(computerName, &size))
        setField(m_uname.nodename, computerName);
    else
        setField(m_uname.nodename, "unknown");
}

void CSySystemInfoImpl::queryNativeSystemInfo()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::queryNativeSystemInfo()");
    ILogBook& book = syslib::logBook();
    ::GetSystemInfo(&m_facts->systemInfo);

    syslib::CSyModule kernel(::LoadLibraryW(L"Kernel32"));
    if (!kernel)
    {
        SY_PRINT_OS_ERROR(::GetLastError(), L"LoadLibrary", L"Kernel32");
        throwLastError();
    }
    typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
    typedef void(WINAPI * GetNativeSystemInfoFunction)(LPSYSTEM_INFO);
    const IsWow64ProcessFunction isWow64Process =
        reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void*>(lookupProc(kernel.get(), "IsWow64Process")));
    if (!isWow64Process)
    {
        book.log(L"Could not find IsWow64Process in Kernel32 DLL. I assume we are not running under WOW64.", __LINE__);
        return;
    }
    BOOL underWow64 = FALSE;
    if (!isWow64Process(::GetCurrentProcess(), &underWow64))
    {
        SY_PRINT_OS_ERROR(::GetLastError(), L"IsWow64Process", L"GetCurrentProcess()");
        throwLastError();
    }
    if (!underWow64)
        return;

    book.log(L"We are running under WOW64!", __LINE__);
    const GetNativeSystemInfoFunction getNativeSystemInfo = reinterpret_cast<GetNativeSystemInfoFunction>(
        reinterpret_cast<void*>(lookupProc(kernel.get(), "GetNativeSystemInfo")));
    if (!getNativeSystemInfo)
    {
        book.log(L"Could not find GetNativeSystemInfo even though I could find IsWow64Process.", __LINE__);
        SY_PRINT_OS_ERROR(::GetLastError(), L"GetProcAddress", L"Kernel32, GetNativeSystemInfo");
        throwLastError();
    }
    getNativeSystemInfo(&m_facts->systemInfo);
}

void CSySystemInfoImpl::queryVersionAndMemory()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::queryVersionAndMemory()");
    m_facts->versionInfo.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW); // 276: the plain structure
    if (!::GetVersionExW(&m_facts->versionInfo))
    {
        const DWORD error = ::GetLastError();
        syslib::reportError(L"common.fatalSystemError", {L"GetVersionEx", L"error = " + syslib::toString(error)},
                            __LINE__);
        throw ESySystem(ESyException::WIN32_ERROR, static_cast<int>(error));
    }
    // A failure leaves the zero-filled figures; nothing depends on them being exact.
    m_facts->memoryStatus.dwLength = sizeof(MEMORYSTATUSEX); // 64
    (g_memoryStatusQuery ? g_memoryStatusQuery : ::GlobalMemoryStatusEx)(&m_facts->memoryStatus);
}

unsigned short CSySystemInfoImpl::nativeArchitecture() const
{
    return m_facts->systemInfo.wProcessorArchitecture;
}

unsigned long long CSySystemInfoImpl::totalPhysicalBytes() const
{
    return m_facts->memoryStatus.ullTotalPhys;
}

unsigned long long CSySystemInfoImpl::totalPageFileBytes() const
{
    return m_facts->memoryStatus.ullTotalPageFile;
}

unsigned int CSySystemInfoImpl::getCPUCount()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getCPUCount()");
    const unsigned int count = m_facts->systemInfo.dwNumberOfProcessors;
    SY_TRACE_RETURN(L"\"" + syslib::toString(count) + L"\"");
    return count;
}


iastring CSySystemInfoImpl::getOSVersionMajor()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getOSVersionMajor()");
    return returned(syslib::toString(m_facts->versionInfo.dwMajorVersion));
}

iastring CSySystemInfoImpl::getOSVersionMinor()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getOSVersionMinor()");
    return returned(syslib::toString(m_facts->versionInfo.dwMinorVersion));
}

iastring CSySystemInfoImpl::getOSVersionBuild()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getOSVersionBuild()");
    return returned(syslib::toString(m_facts->versionInfo.dwBuildNumber));
}

iastring CSySystemInfoImpl::getOSUname()
{
    SY_TRACE_FUNCTION(L"CSySystemInfoImpl::getOSUname()");
    return returned(L"Microsoft " + getOSName() + L" [Version " + getOSVersionMajor() + L"." +
                            getOSVersionMinor() + L"." + getOSVersionBuild() + L" " +
                            m_facts->versionInfo.szCSDVersion + L"] " + fromAnsi(m_uname.nodename));
}
