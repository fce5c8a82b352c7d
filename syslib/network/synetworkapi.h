// The socket library's lookups, as one table: the system's own in the product build; in the test build
// the same functions in a table a test may change, to answer or fail as a name server can.
#pragma once

#include <winsock2.h>

namespace syslib
{
struct SyNetworkApi
{
    hostent*(WSAAPI* gethostbyname)(const char* name);
    hostent*(WSAAPI* gethostbyaddr)(const char* address, int length, int type);
    servent*(WSAAPI* getservbyname)(const char* name, const char* protocol);
    servent*(WSAAPI* getservbyport)(int port, const char* protocol);
    int(WSAAPI* gethostname)(char* name, int length);
    int(WSAAPI* WSAGetLastError)();
};

// The system's own functions.
inline SyNetworkApi systemNetworkApi()
{
    return {::gethostbyname, ::gethostbyaddr, ::getservbyname, ::getservbyport, ::gethostname, ::WSAGetLastError};
}

// The table of this build; defined by exactly one of syslib/network/synxnwapi.cpp and the stand-ins.
const SyNetworkApi& networkApi();
} // namespace syslib
