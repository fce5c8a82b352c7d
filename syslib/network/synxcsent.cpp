// Windows code of services entries: the socket library's services database.
#include "syhostsentryimpl.h"

#include "framework/iastrutil.h"
#include "synwlow.h"
#include "synetworkapi.h"
#include "syslib/common/sytrace.h"
#include "syslib/common/syswin.h"

#include <winsock2.h>

SY_SOURCE_FILE(L"synxcsent")

bool CSyServicesEntryImpl::lookUpServicesDatabase(std::vector<iastring>& names, iastring& protocol,
                                                  unsigned int& port) const
{
    syslib::network::NwInit();
    const std::string mbProtocol = toMbstring(m_protocol);
    const servent* entry =
        m_serviceNames.empty()
            ? syslib::networkApi().getservbyport(htons(static_cast<u_short>(m_portNumber)), mbProtocol.c_str())
            : syslib::networkApi().getservbyname(toMbstring(m_serviceNames[0]).c_str(), mbProtocol.c_str());
    if (entry == nullptr)
        return false;
    names.assign(1, toIastring(std::string(entry->s_name)));
    for (char** alias = entry->s_aliases; alias && *alias; ++alias)
        names.push_back(toIastring(std::string(*alias)));
    protocol = toIastring(std::string(entry->s_proto));
    port = ntohs(static_cast<u_short>(entry->s_port));
    return true;
}
