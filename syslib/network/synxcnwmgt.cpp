// Windows code of the network manager: the system's files, the TCP/IP registry values and the
// resolver functions the DNS domain may come from.
#include "synetworkmgtimpl.h"

#include "framework/iastrutil.h"
#include "synetworkapi.h"
#include "synwlow.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <winsock2.h>
#include <ws2tcpip.h>

SY_SOURCE_FILE(L"synxcnwmgt")

namespace
{
const wchar_t* const tcpipParameters = L"System\\CurrentControlSet\\Services\\Tcpip\\Parameters";

struct CResolverConfiguration
{
    bool read = false;
    int code = 0;
    iastring domainText;
    std::vector<iastring> nameServers;
    std::vector<iastring> searchList;
};

CResolverConfiguration& resolverConfiguration()
{
    static CResolverConfiguration configuration;
    return configuration;
}

// A string value read whole, whatever its length; empty when it is missing or not text.
iastring stringValue(HKEY key, const wchar_t* name)
{
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return iastring();
    // One character more than asked for: a value stored without its NUL still ends.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS)
        return iastring();
    return buffer.data();
}

iastring valueOrFallback(HKEY key, const wchar_t* name, const wchar_t* fallback)
{
    const iastring value = stringValue(key, name);
    return value.empty() ? stringValue(key, fallback) : value;
}

// Up to six entries of a list separated by blanks or commas.
std::vector<iastring> firstSix(const iastring& text)
{
    std::vector<iastring> parts;
    std::vector<iastring> all;
    stringSplit(text, L" ,", all);
    for (const iastring& part : all)
        if (!part.empty() && parts.size() < 6)
            parts.push_back(part);
    return parts;
}

// The primary domain on a "primary:" line when there is one, then each interface's on a line of its own.
int readResolverConfiguration(CResolverConfiguration& configuration)
{
    syslib::CSyRegKey parameters;
    const LONG opened = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, tcpipParameters, 0, KEY_READ | syslib::nativeRegistryView,
                                         parameters.receive());
    if (opened != ERROR_SUCCESS)
        return static_cast<int>(opened);
    const iastring primary = valueOrFallback(parameters.get(), L"Domain", L"DhcpDomain").substr(0, 100);
    if (!primary.empty())
        configuration.domainText = L"primary:" + primary + L"\n";
    configuration.nameServers = firstSix(valueOrFallback(parameters.get(), L"NameServer", L"DhcpNameServer"));
    configuration.searchList = firstSix(stringValue(parameters.get(), L"SearchList"));

    syslib::CSyRegKey interfaces;
    if (::RegOpenKeyExW(parameters.get(), L"Interfaces", 0, KEY_READ, interfaces.receive()) != ERROR_SUCCESS)
        return 0;
    wchar_t name[256];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = 256;
        if (::RegEnumKeyExW(interfaces.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return 0;
        syslib::CSyRegKey adapter;
        if (::RegOpenKeyExW(interfaces.get(), name, 0, KEY_READ, adapter.receive()) != ERROR_SUCCESS)
            continue;
        const iastring domain = valueOrFallback(adapter.get(), L"Domain", L"DhcpDomain").substr(0, 100);
        if (!domain.empty())
            configuration.domainText += domain + L"\n";
    }
}

typedef int(WSAAPI* GetaddrinfoFunction)(const char*, const char*, const addrinfo*, addrinfo**);
typedef void(WSAAPI* FreeaddrinfoFunction)(addrinfo*);
typedef char*(WSAAPI* GaiStrerrorFunction)(int);

// The system directory's library of that name.
syslib::CSyModule systemLibrary(const wchar_t* name)
{
    wchar_t directory[520] = {0};
    const UINT length = ::GetSystemDirectoryW(directory, 520);
    if (length == 0 || length >= 520)
        return syslib::CSyModule();
    return syslib::CSyModule(::LoadLibraryW((iastring(directory) + L"\\" + name).c_str()));
}

template <class F>
F procedure(const syslib::CSyModule& module, const char* name)
{
    return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module.get(), name))) : nullptr;
}
} // namespace

namespace syslib
{
namespace network
{
iastring getFileName(const iastring& file)
{
    wchar_t directory[520] = {0};
    const UINT length = ::GetSystemDirectoryW(directory, 520);
    if (length == 0 || length >= 520)
    {
        const DWORD error = ::GetLastError();
        SY_PRINT_OS_ERROR(error, L"GetSystemDirectory", L"520");
        throw ESyNetworkSystemError(static_cast<int>(error));
    }
    return iastring(directory) + L"\\drivers\\etc\\" + file;
}

int NwParseResolvConf(iastring& domainText)
{
    CResolverConfiguration& configuration = resolverConfiguration();
    if (!configuration.read)
    {
        configuration = CResolverConfiguration();
        configuration.code = readResolverConfiguration(configuration);
        configuration.read = true;
    }
    domainText = configuration.domainText;
    return configuration.code;
}

void forgetResolverConfiguration()
{
    resolverConfiguration().read = false;
}

bool canonicalNameFromGetaddrinfo(const iastring& host, bool& present, iastring& name)
{
    ILogBook& book = syslib::logBook();
    CSyModule library = systemLibrary(L"ws2_32.dll");
    if (!procedure<GetaddrinfoFunction>(library, "getaddrinfo"))
        library = systemLibrary(L"wship6.dll");
    const GetaddrinfoFunction getaddrinfoCall = procedure<GetaddrinfoFunction>(library, "getaddrinfo");
    const FreeaddrinfoFunction freeaddrinfoCall = procedure<FreeaddrinfoFunction>(library, "freeaddrinfo");
    const GaiStrerrorFunction gaiStrerrorCall = procedure<GaiStrerrorFunction>(library, "gai_strerrorA");
    if (!getaddrinfoCall || !freeaddrinfoCall)
    {
        book.trace(L"getaddrinfo(" + host + L"NULL, NULL, ...) failed: not available", __LINE__);
        return false;
    }
    addrinfo hints = {};
    hints.ai_flags = AI_CANONNAME;
    addrinfo* result = nullptr;
    const int code = getaddrinfoCall(toMbstring(host).c_str(), nullptr, &hints, &result);
    if (code != 0)
    {
        const char* text = gaiStrerrorCall ? gaiStrerrorCall(code) : nullptr;
        book.trace(L"getaddrinfo(" + host + L"NULL, NULL, ...) failed: " + toIastring(std::string(text ? text : "")) +
                       L" (" + syslib::toString(code) + L")",
                   __LINE__);
        return false;
    }
    if (result == nullptr)
    {
        book.trace(L"getaddrinfo(" + host + L"NULL, NULL, ...): Result is NULL, i. e. no addrinfo returned.", __LINE__);
        return false;
    }
    present = result->ai_canonname != nullptr;
    if (present)
        name = toIastring(std::string(result->ai_canonname));
    freeaddrinfoCall(result);
    return true;
}

bool canonicalNameFromGethostbyname(const iastring& host, bool& present, iastring& name)
{
    NwInit();
    const hostent* entry = syslib::networkApi().gethostbyname(toMbstring(host).c_str());
    if (entry == nullptr)
    {
        syslib::logBook().trace(
            L"gethostbyname(" + host + L"): " + syslib::toString(syslib::networkApi().WSAGetLastError()) + L".",
            __LINE__);
        return false;
    }
    present = entry->h_name != nullptr;
    if (present)
        name = toIastring(std::string(entry->h_name));
    return true;
}
} // namespace network
} // namespace syslib
