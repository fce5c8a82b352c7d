// Windows code of the low-level network layer: the socket calls, their timing and the trace file.
#include "synwlow.h"
#include "synetworkapi.h"

#include "framework/iastrutil.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

SY_SOURCE_FILE(L"synxnwlow")

namespace syslib
{
namespace network
{
namespace
{
struct CFileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct CNwTrace
{
    bool setUp = false;
    int level = 0;
    std::unique_ptr<std::FILE, CFileCloser> file; // owned; null while the trace goes to stdout
    std::FILE* out = nullptr;
};

CNwTrace& nwTrace()
{
    static CNwTrace trace;
    return trace;
}

std::string environment(const char* name, bool& present)
{
    char buffer[1024] = {0};
    const DWORD length = ::GetEnvironmentVariableA(name, buffer, sizeof(buffer));
    present = length > 0 && length < sizeof(buffer);
    return present ? std::string(buffer, length) : std::string();
}

// NWOUT may name a path outside the ANSI code page: it is read and opened wide.
void openTraceFile(CNwTrace& trace)
{
    std::vector<wchar_t> outFile(32768);
    const DWORD length = ::GetEnvironmentVariableW(L"NWOUT", outFile.data(), static_cast<DWORD>(outFile.size()));
    if (length > 0 && length < outFile.size())
    {
        trace.file.reset(::_wfopen(outFile.data(), L"a+"));
        if (!trace.file)
        {
            std::fprintf(stdout, "could not open outfile %s, using stdout\n", toMbstring(outFile.data()).c_str());
            trace.out = stdout;
            return;
        }
    }
    else
        trace.file.reset(std::fopen("dev_nw", "a"));
    trace.out = trace.file.get();
}

void setUpTrace()
{
    CNwTrace& trace = nwTrace();
    if (trace.setUp)
        return;
    trace.setUp = true;
    bool present = false;
    const std::string level = environment("NWTRACE", present);
    // A level of 0 still opens the file: the variable asks for it, the level only for what goes in.
    if (present)
        trace.level = std::atoi(level.c_str());
    if (present || trace.level > 0)
        openTraceFile(trace);
}

void nwTraceLine(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void nwTraceLine(int level, const char* format, ...)
{
    setUpTrace();
    CNwTrace& trace = nwTrace();
    if (trace.level < level || trace.out == nullptr)
        return;
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(trace.out, format, arguments);
    va_end(arguments);
    std::fputc('\n', trace.out);
    std::fflush(trace.out);
}

// Measures the one socket call of a lookup.
class CStopwatch
{
public:
    CStopwatch() : m_start(std::chrono::steady_clock::now()) {}
    void stop(CNwTook& took) const
    {
        const long long micro = std::chrono::duration_cast<std::chrono::microseconds>(
                                    std::chrono::steady_clock::now() - m_start)
                                    .count();
        took.seconds = static_cast<long>(micro / 1000000);
        took.microseconds = static_cast<long>(micro % 1000000);
    }

private:
    std::chrono::steady_clock::time_point m_start;
};

// count + 1 zeroed slots; the last stays empty.
CNwSlots newSlots(std::size_t count, std::size_t slotSize)
{
    CNwSlots slots(static_cast<char*>(std::calloc(count + 1, slotSize)));
    if (!slots)
        throw std::bad_alloc();
    return slots;
}

// Cut to the slot; the slot's last byte stays the terminating zero.
void copyInto(char* slot, std::size_t slotSize, const char* text)
{
    const std::size_t length = std::min(std::strlen(text), slotSize - 1);
    std::memcpy(slot, text, length);
    slot[length] = '\0';
}

// The official name and every alias.
CNwSlots nameSlots(const char* official, char** aliases, std::size_t slotSize)
{
    std::size_t count = 1;
    while (aliases && aliases[count - 1])
        ++count;
    CNwSlots slots = newSlots(count, slotSize);
    copyInto(slots.get(), slotSize, official);
    for (std::size_t i = 1; i < count; ++i)
        copyInto(slots.get() + i * slotSize, slotSize, aliases[i - 1]);
    return slots;
}

struct CNicList
{
    ~CNicList()
    {
        while (head)
        {
            NW_NIC_INFO* next = head->next;
            delete head;
            head = next;
        }
    }
    NW_NIC_INFO* head = nullptr;
    bool built = false;
};

CNicList& nicList()
{
    static CNicList list;
    return list;
}

// A registry value read whole, whatever its length; empty when it is missing or of another type.
std::vector<char> valueBytes(HKEY key, const char* name, std::initializer_list<DWORD> types)
{
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        std::find(types.begin(), types.end(), type) == types.end())
        return {};
    // Two NULs more than asked for: a text or list stored without its terminators still ends.
    std::vector<char> bytes(size + 2, '\0');
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS)
        return {};
    bytes.resize(size + 2);
    return bytes;
}

// A text value, cut to at most capacity characters.
std::string textValue(HKEY key, const char* name, std::size_t capacity)
{
    const std::vector<char> bytes = valueBytes(key, name, {REG_SZ, REG_EXPAND_SZ});
    return bytes.empty() ? std::string() : std::string(bytes.data()).substr(0, capacity);
}

DWORD numberValue(HKEY key, const char* name)
{
    const std::vector<char> bytes = valueBytes(key, name, {REG_DWORD});
    DWORD number = 0;
    if (bytes.size() >= sizeof(number) + 2)
        std::memcpy(&number, bytes.data(), sizeof(number));
    return number;
}

// The texts of a list value (one text for a plain string value).
std::vector<std::string> listValue(HKEY key, const char* name)
{
    const std::vector<char> bytes = valueBytes(key, name, {REG_MULTI_SZ, REG_SZ});
    std::vector<std::string> texts;
    for (std::size_t at = 0; at < bytes.size() && bytes[at] != '\0'; at += texts.back().size() + 1)
        texts.emplace_back(bytes.data() + at);
    return texts;
}

// Copies the description of each registered network card whose static address is a listed interface's.
int scanNetworkCards(NW_NIC_INFO* list)
{
    CSyRegKey cards;
    LONG result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards", 0,
                                  KEY_READ | nativeRegistryView, cards.receive());
    if (result == ERROR_FILE_NOT_FOUND)
        return NW_OK; // no card registered: the interface list is all there is
    if (result != ERROR_SUCCESS)
        return NW_NIC_SCAN;
    char cardKey[256];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = sizeof(cardKey);
        result = ::RegEnumKeyExA(cards.get(), index, cardKey, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS)
            return NW_OK;
        if (result != ERROR_SUCCESS)
            return NW_NIC_SCAN;
        CSyRegKey card;
        if (::RegOpenKeyExA(cards.get(), cardKey, 0, KEY_READ, card.receive()) != ERROR_SUCCESS)
            return NW_NIC_SCAN;
        const std::string description = textValue(card.get(), "Description", maxCardDescription);
        const std::string serviceName = textValue(card.get(), "ServiceName", maxCardServiceName);
        CSyRegKey tcpip;
        const std::string tcpipKey = "System\\CurrentControlSet\\Services\\" + serviceName + "\\Parameters\\Tcpip";
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, tcpipKey.c_str(), 0, KEY_READ | nativeRegistryView, tcpip.receive()) !=
            ERROR_SUCCESS)
        {
            nwTraceLine(1, "NwPGetNIC_INFO: cannot open %s", tcpipKey.c_str());
            return NW_NIC_SCAN;
        }
        const DWORD mtu = numberValue(tcpip.get(), "MTU");
        const DWORD dhcp = numberValue(tcpip.get(), "EnableDHCP");
        const std::vector<std::string> addresses = listValue(tcpip.get(), "IPAddress");
        if (!addresses.empty())
            nwTraceLine(3, "NwPGetNIC_INFO: got static address");
        for (const std::string& address : addresses)
            for (NW_NIC_INFO* nic = list; nic; nic = nic->next)
                if (address == nic->ipAddress)
                {
                    copyInto(nic->description, sizeof(nic->description), description.c_str());
                    nic->mtu = mtu;
                    nic->dhcp = dhcp != 0;
                }
    }
}

// The interfaces in the order the socket library lists them; none on failure (traced).
void listInterfaces(CNicList& into)
{
    WSADATA data;
    const int started = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (started != 0)
    {
        nwTraceLine(1, "NwPGetNIC_INFO: WSAStartup failed, rc %d", started);
        return;
    }
    struct CCleanup
    {
        ~CCleanup() { ::WSACleanup(); }
    } cleanup;
    const SOCKET sock = ::WSASocketA(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, 0);
    if (sock == INVALID_SOCKET)
    {
        nwTraceLine(1, "NwPGetNIC_INFO: WSASocket failed, could not create socket");
        return;
    }
    struct CSocketCloser
    {
        SOCKET s;
        ~CSocketCloser() { ::closesocket(s); }
    } closer{sock};
    char buffer[3800];
    DWORD returned = 0;
    if (::WSAIoctl(sock, SIO_GET_INTERFACE_LIST, nullptr, 0, buffer, sizeof(buffer), &returned, nullptr, nullptr) ==
        SOCKET_ERROR)
    {
        nwTraceLine(1, "NwPGetNIC_INFO: WSAIoctl fails with error %d", networkApi().WSAGetLastError());
        return;
    }
    const INTERFACE_INFO* interfaces = reinterpret_cast<const INTERFACE_INFO*>(buffer);
    const std::size_t count = returned / sizeof(INTERFACE_INFO);
    NW_NIC_INFO** tail = &into.head;
    for (std::size_t i = 0; i < count; ++i)
    {
        NW_NIC_INFO* nic = new NW_NIC_INFO();
        *tail = nic;
        tail = &nic->next;
        std::snprintf(nic->name, sizeof(nic->name), "%d", static_cast<int>(i));
        copyInto(nic->ipAddress, sizeof(nic->ipAddress), ::inet_ntoa(interfaces[i].iiAddress.AddressIn.sin_addr));
        copyInto(nic->netmask, sizeof(nic->netmask), ::inet_ntoa(interfaces[i].iiNetmask.AddressIn.sin_addr));
        copyInto(nic->broadcast, sizeof(nic->broadcast),
                 ::inet_ntoa(interfaces[i].iiBroadcastAddress.AddressIn.sin_addr));
        nwTraceLine(3, "NwPListNICs: Adapter %s", nic->name);
    }
}
} // namespace

void NwSetTraceLevel(int level)
{
    CNwTrace& trace = nwTrace();
    setUpTrace();
    trace.level = level;
    if (level > 0 && trace.out == nullptr)
        openTraceFile(trace);
}

void NwResetTrace()
{
    CNwTrace& trace = nwTrace();
    trace.file.reset();
    trace.out = nullptr;
    trace.level = 0;
    trace.setUp = false;
}

int NwInit()
{
    setUpTrace();
    static const int code = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return code;
}

int NwResolveHostname(const iastring& name, CNwSlots& addresses, CNwTook& took)
{
    NwInit();
    const std::string mbName = toMbstring(name);
    CStopwatch watch;
    const hostent* host = networkApi().gethostbyname(mbName.c_str());
    watch.stop(took);
    if (host == nullptr)
    {
        nwTraceLine(2, "NwPResolvHostname: could not resolve >%s<, rc %d, took %ld.%6.6ld", mbName.c_str(),
                    networkApi().WSAGetLastError(), took.seconds, took.microseconds);
        return NW_NOT_FOUND;
    }
    std::size_t count = 0;
    while (host->h_addr_list && host->h_addr_list[count])
        ++count;
    if (count == 0)
    {
        nwTraceLine(2, "NwPResolveHostname: did not find any addresses");
        return NW_NO_ADDRESS;
    }
    // The host entry lives in per-thread storage: copy the addresses before inet_ntoa runs.
    std::vector<in_addr> found(count);
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(&found[i], host->h_addr_list[i], sizeof(in_addr));
    CNwSlots slots = newSlots(count, NW_ADDRESS_SLOT);
    for (std::size_t i = 0; i < count; ++i)
    {
        char* slot = slots.get() + i * NW_ADDRESS_SLOT;
        copyInto(slot, NW_ADDRESS_SLOT, ::inet_ntoa(found[i]));
        nwTraceLine(2, "NwPResolveHostname: %s --> %s, took %ld.%6.6ld sec.", mbName.c_str(), slot, took.seconds,
                    took.microseconds);
    }
    addresses = std::move(slots);
    return NW_OK;
}

int NwResolveAddress(const iastring& address, CNwSlots& names, CNwTook& took)
{
    NwInit();
    const std::string mbAddress = toMbstring(address);
    const unsigned long binary = ::inet_addr(mbAddress.c_str());
    if (binary == INADDR_NONE)
    {
        nwTraceLine(2, "NwPResolveAddress: %s not valid IP or 255.255.255.255", mbAddress.c_str());
        return NW_NO_ADDRESS;
    }
    CStopwatch watch;
    const hostent* host = networkApi().gethostbyaddr(reinterpret_cast<const char*>(&binary), 4, AF_INET);
    watch.stop(took);
    if (host == nullptr)
    {
        nwTraceLine(2, "NwPResolveAddress: could not resolve >%s<, rc %d, took %ld.%6.6ld", mbAddress.c_str(),
                    networkApi().WSAGetLastError(), took.seconds, took.microseconds);
        return NW_NOT_FOUND;
    }
    CNwSlots slots = nameSlots(host->h_name, host->h_aliases, NW_HOSTNAME_SLOT);
    nwTraceLine(2, "NwPResolveAddress: %s --> %s, took %ld.%6.6ld sec.", mbAddress.c_str(), slots.get(), took.seconds,
                took.microseconds);
    for (const char* alias = slots.get() + NW_HOSTNAME_SLOT; *alias; alias += NW_HOSTNAME_SLOT)
        nwTraceLine(2, "Aliasname: %s --> %s", mbAddress.c_str(), alias);
    names = std::move(slots);
    return NW_OK;
}

int NwResolveServicename(const iastring& service, const iastring& protocol, unsigned int& port, CNwTook& took)
{
    NwInit();
    const std::string mbService = toMbstring(service);
    const std::string mbProtocol = toMbstring(protocol);
    CStopwatch watch;
    const servent* entry = networkApi().getservbyname(mbService.c_str(), mbProtocol.c_str());
    watch.stop(took);
    if (entry == nullptr)
    {
        nwTraceLine(2, "NwPResolveServicename: could not resolve servicename %s/%s, rc %d, took %ld.%6.6ld",
                    mbService.c_str(), mbProtocol.c_str(), networkApi().WSAGetLastError(), took.seconds,
                    took.microseconds);
        return NW_NOT_FOUND;
    }
    port = ntohs(static_cast<u_short>(entry->s_port));
    nwTraceLine(2, "NwPResolveServicename: %s/%s --> %u, took %ld.%6.6ld sec.", mbService.c_str(), mbProtocol.c_str(),
                port, took.seconds, took.microseconds);
    return NW_OK;
}

int NwResolvePortnumber(unsigned int port, const iastring& protocol, CNwSlots& names, CNwTook& took)
{
    NwInit();
    const std::string mbProtocol = toMbstring(protocol);
    CStopwatch watch;
    const servent* entry = networkApi().getservbyport(htons(static_cast<u_short>(port)), mbProtocol.c_str());
    watch.stop(took);
    if (entry == nullptr)
    {
        nwTraceLine(2, "NwPResolvePortnumber: could not resolve portnumber %u/%s, rc %d, took %ld.%6.6ld", port,
                    mbProtocol.c_str(), networkApi().WSAGetLastError(), took.seconds, took.microseconds);
        return NW_NOT_FOUND;
    }
    CNwSlots slots = nameSlots(entry->s_name, entry->s_aliases, NW_SERVICE_SLOT);
    nwTraceLine(2, "NwPResolvePortnumber: %u/%s --> %s, took %ld.%6.6ld sec.", port, mbProtocol.c_str(), slots.get(),
                took.seconds, took.microseconds);
    for (const char* alias = slots.get() + NW_SERVICE_SLOT; *alias; alias += NW_SERVICE_SLOT)
        nwTraceLine(2, "Aliasname: %u/%s --> %s", port, mbProtocol.c_str(), alias);
    names = std::move(slots);
    return NW_OK;
}

int NwGetHostname(char* buffer)
{
    NwInit();
    if (networkApi().gethostname(buffer, 255) != 0)
    {
        const int error = networkApi().WSAGetLastError();
        nwTraceLine(1, "NwPGetHostname: gethostname error %d", error);
        return error != 0 ? error : SOCKET_ERROR;
    }
    nwTraceLine(2, "NwPGetHostname: my hostname is >%s<", buffer);
    return NW_OK;
}

void NwForgetNIC_INFO()
{
    CNicList& nics = nicList();
    CNicList gone;
    std::swap(gone.head, nics.head);
    nics.built = false;
}

int NwGetNIC_INFO(const NW_NIC_INFO*& list)
{
    CNicList& nics = nicList();
    if (nics.built)
    {
        nwTraceLine(3, "NwGetNIC_INFO: passing back existing NW_NIC_INFO pointer");
        list = nics.head;
        return NW_OK;
    }
    nwTraceLine(3, "NwGetNIC_INFO: allocating NW_NIC_INFO structures");
    CNicList built;
    listInterfaces(built);
    const int scanned = scanNetworkCards(built.head);
    if (scanned != NW_OK)
        return scanned;
    std::swap(nics.head, built.head);
    nics.built = true;
    list = nics.head;
    return NW_OK;
}

std::vector<iastring> slotTexts(const char* slots, std::size_t slotSize)
{
    std::vector<iastring> texts;
    for (const char* slot = slots; slot && *slot; slot += slotSize)
        texts.push_back(toIastring(std::string(slot)));
    return texts;
}
} // namespace network
} // namespace syslib
