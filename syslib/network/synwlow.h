// The low-level network layer: one socket call each, timed, with its own trace file ("dev_nw", or the
// file NWOUT names) at the level NWTRACE gives. Plain data in and out; no exceptions.
#pragma once

#include "framework/iastring.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace syslib
{
namespace network
{
enum eNwReturn
{
    NW_OK = 0,
    NW_NO_ADDRESS = 11, // an address inet_addr rejects, or a host without addresses
    NW_NOT_FOUND = 12,  // the socket library found nothing
    NW_NIC_SCAN = 25    // the registry scan of the network cards failed
};

// Sizes of the slots of the result arrays.
const std::size_t NW_ADDRESS_SLOT = 16;
const std::size_t NW_HOSTNAME_SLOT = 255;
const std::size_t NW_SERVICE_SLOT = 100;

struct CNwFree
{
    void operator()(char* p) const { std::free(p); }
};
// calloc'ed slots, ended by an empty one.
typedef std::unique_ptr<char, CNwFree> CNwSlots;

struct CNwTook
{
    long seconds = 0;
    long microseconds = 0;
};

// What of a registered card's description and service name is kept, in characters.
const std::size_t maxCardDescription = 200;
const std::size_t maxCardServiceName = 100;

struct NW_NIC_INFO
{
    char name[50];
    char ipAddress[16];
    char netmask[16];
    char broadcast[16];
    unsigned long mtu;
    bool dhcp;
    NW_NIC_INFO* next;
    char description[maxCardDescription + 1];
};

// Sets up the trace (once) and the socket library (once per process); the WSAStartup code.
int NwInit();
// A trace level set here counts as if NWTRACE had given it; the trace file opens when it is above 0.
void NwSetTraceLevel(int level);
// Closes the trace file, so that the next use reads NWTRACE and NWOUT again. Tests.
void NwResetTrace();

int NwResolveHostname(const iastring& name, CNwSlots& addresses, CNwTook& took);
int NwResolveAddress(const iastring& address, CNwSlots& names, CNwTook& took);
int NwResolveServicename(const iastring& service, const iastring& protocol, unsigned int& port, CNwTook& took);
int NwResolvePortnumber(unsigned int port, const iastring& protocol, CNwSlots& names, CNwTook& took);
int NwGetHostname(char* buffer);
// The list is built on the first call and kept; later calls hand back the same one.
int NwGetNIC_INFO(const NW_NIC_INFO*& list);
// Drops the kept list, so that the next call scans again. Tests.
void NwForgetNIC_INFO();

// The texts of the slots, in order.
std::vector<iastring> slotTexts(const char* slots, std::size_t slotSize);
} // namespace network
} // namespace syslib
